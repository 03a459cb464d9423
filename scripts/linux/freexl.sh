#!/usr/bin/env bash
# Builds FreeXL, the .xls reader, from Debian's source package with our patches
# (scripts/patches/freexl-*.patch) as a static library in a cache outside the checkout
# ($VELTRANA_LINUX_CACHE, default ~/.cache/veltrana-linux). Debian's own libfreexl reads memory
# it does not own on some damaged workbooks, so the programs link this build instead. A stamp
# keyed on the source version and the patches' content skips the work when nothing has changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cache=${VELTRANA_LINUX_CACHE:-$HOME/.cache/veltrana-linux}
prefix=$cache/prefix

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
apt_update() { "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq; }

# apt-get source needs a deb-src line: the machine's own Debian mirror, in a file of ours.
if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    uri=$(apt-get indextargets --format '$(REPO_URI)' "Release: $codename" 'Created-By: Packages' |
        head -n1)
    "${sudo[@]}" tee /etc/apt/sources.list.d/veltrana-src.sources >/dev/null <<SRC
Types: deb-src
URIs: ${uri:-http://deb.debian.org/debian/}
Suites: $codename
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    apt_update
fi
source_version() { apt-cache showsrc freexl 2>/dev/null | sed -n 's/^Version: //p' | sort -V | tail -n1; }
version=$(source_version)
[ -n "$version" ] || { apt_update && version=$(source_version); }
[ -n "$version" ] || { echo "FreeXL: no source package freexl in apt's lists" >&2; exit 1; }

key=$(cat "$root"/scripts/patches/freexl-*.patch | sha256sum | cut -c1-16)
stamp=$prefix/stamps/freexl-$version-$key
[ -f "$stamp" ] && exit 0
echo "== FreeXL $version with our patches, into $prefix =="

# Unpacked afresh each time, so the patches always apply to Debian's text. apt has checked the
# download against the mirror's signed index; what the tools say goes to a log.
log=$cache/freexl-build.log
mkdir -p "$cache" && : >"$log"
fail() { echo "FreeXL: $1 failed, see $log" >&2; exit 1; }
downloads=$cache/src/freexl-$version
dsc=$downloads/freexl_${version#*:}.dsc
if [ ! -f "$dsc" ]; then
    rm -rf "$downloads" && mkdir -p "$downloads"
    (cd "$downloads" && apt-get source -qq --download-only "freexl=$version") >>"$log" 2>&1 ||
        fail "apt-get source freexl=$version"
fi
build=$cache/build/freexl
rm -rf "$build" && mkdir -p "$(dirname "$build")"
dpkg-source --no-check -x "$dsc" "$build" >>"$log" 2>&1 || fail "unpacking"
for patch in "$root"/scripts/patches/freexl-*.patch; do
    patch -d "$build" -p1 --forward --batch <"$patch" >>"$log" 2>&1 || fail "${patch##*/}"
done
(cd "$build" && ./configure --prefix="$prefix" --disable-shared --enable-static --with-pic &&
    make -j"$(nproc)" && make install) >>"$log" 2>&1 || fail "the build"
# Its licence travels with the programs that carry it.
install -D -m 644 "$build/debian/copyright" "$prefix/share/doc/freexl/copyright"
rm -f "$prefix"/stamps/freexl-*
mkdir -p "$prefix/stamps" && touch "$stamp"
