# shellcheck shell=bash
# Sourced by build-windows.sh: fetching the libraries' sources and building one recipe.
#
# A recipe, scripts/windows/<library>.sh, sets at its top
#   version   the upstream version it expects; a fetched Debian source of another version stops the build
#   source    where the source comes from:
#               debian:<package>         apt-get source of this machine's release
#               next:<package>=<version> the original tarball of the next Debian release
#               files:<path>...          files of this checkout
#               installed:<package>      a Debian package installed here (its files are the source)
#   depends   the recipes whose libraries it builds against
#   patches   patch files applied with -p1 to a copy of the source
# and defines build (in $work/src, a patched copy of the source; installs into $prefix) and smoke
# (a small program compiled and linked against what build installed, in $work/smoke).
#
# A library's stamp, $prefix/stamps/<library>, holds a hash of its recipe, its patches, the fetched
# source's version and its dependencies' stamps: any change to these builds it again.

: "${root:?}" "${cache:?}"
prefix=$cache/prefix
# shellcheck disable=SC2034 # for the recipes
jobs=$(nproc) toolchain=$root/cmake/mingw-w64.cmake
recipes=$root/scripts/windows
export VELTRANA_WIN_PREFIX=$prefix
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)

# The machine's Debian entries: one line "URI SUITE COMPONENTS... signed-by=KEYRING" for each suite
# of this release (bookworm, bookworm-updates, bookworm-security ...) that a deb line or stanza of
# its apt sources names. Other vendors' entries often have no sources, so they are left out.
debian_entries() {
    local codename lists=() stanzas=() f
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do [ -f "$f" ] && lists+=("$f"); done
    for f in /etc/apt/sources.list.d/*.sources; do [ -f "$f" ] && stanzas+=("$f"); done
    {
        awk '$1 == "deb" {
            key = ""
            if ($2 ~ /^\[/) {
                while ($2 !~ /\]$/) { if ($2 ~ /signed-by=/) key = $2; $2 = ""; $0 = $0 }
                if ($2 ~ /signed-by=/) key = $2
                $2 = ""; $0 = $0
            }
            gsub(/[][]/, "", key); sub(/.*signed-by=/, "", key)
            comps = ""; for (i = 4; i <= NF; i++) comps = comps " " $i
            print $2, $3 comps, "signed-by=" key
        }' /dev/null "${lists[@]}"
        awk 'function flush() {
                if (types ~ /(^| )deb( |$)/ && enabled != "no")
                    for (u = 1; u <= nu; u++) for (s = 1; s <= ns; s++)
                        print uris[u], suites[s], comps, "signed-by=" key
                types = ""; enabled = ""; key = ""; comps = ""; nu = 0; ns = 0
            }
            FNR == 1 || /^[ \t]*$/ { flush() }
            /^[ \t]*$/ || /^#/ { next }
            { field = tolower($1); $1 = ""; sub(/^ +/, "") }
            field == "types:" { types = $0 }
            field == "enabled:" { enabled = tolower($0) }
            field == "uris:" { nu = split($0, uris, " ") }
            field == "suites:" { ns = split($0, suites, " ") }
            field == "components:" { comps = $0 }
            field == "signed-by:" { key = $0 }
            END { flush() }' /dev/null "${stanzas[@]}"
    } | awk -v release="$codename" '$2 == release || index($2, release "-") == 1'
}

# apt-get source needs deb-src entries; when none are there, ours go into a file of their own,
# beside each Debian entry of the machine.
add_source_entries() {
    grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/ && return 1
    local entries
    entries=$(debian_entries)
    [ -n "$entries" ] || { echo "No Debian entry in the apt sources to add deb-src beside" >&2; exit 1; }
    echo "$entries" | awk '{
        key = $NF; sub(/^signed-by=/, "", key)
        comps = ""; for (i = 3; i < NF; i++) comps = comps (i > 3 ? " " : "") $i
        printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n", $1, $2, comps
        if (key != "") printf "Signed-By: %s\n", key
        printf "\n"
    }' | "${sudo[@]}" tee /etc/apt/sources.list.d/veltrana-src.sources >/dev/null
}

install_tools() {
    local packages=(g++-mingw-w64-x86-64-posix wine wine64 ninja-build qt6-base-dev-tools cmake
                    dpkg-dev autoconf automake libtool gawk flex bison pkg-config xvfb xauth
                    googletest xdotool fonts-wqy-microhei qt6-translations-l10n patch
                    unicode-data bzip2)
    local missing=() p sources_added=0
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    add_source_entries && sources_added=1
    [ ${#missing[@]} -eq 0 ] && [ $sources_added -eq 0 ] && return
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    [ ${#missing[@]} -eq 0 ] || "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Unpacks Debian's source package $1 into $cache/src/$1 and writes its version beside it.
fetch_debian() {
    local dir=$cache/src/$1
    [ -f "$dir.version" ] && return
    rm -rf "$dir" "$dir.tmp" && mkdir -p "$dir.tmp"
    if ! (cd "$dir.tmp" && apt-get source -qq "$1" >/dev/null 2>&1); then
        # The mirror has lost the Debian packaging of some older sources (qrencode's); the
        # source package's original tarball still builds, without Debian's patches.
        (cd "$dir.tmp" && apt-get source -qq --download-only "$1" >/dev/null 2>&1) || true
        local orig
        orig=$(find "$dir.tmp" -maxdepth 1 -name '*.orig.tar.*' | head -n1)
        [ -n "$orig" ] || { echo "apt-get source $1 failed" >&2; exit 1; }
        tar -xf "$orig" -C "$dir.tmp"
    fi
    mv "$(find "$dir.tmp" -mindepth 1 -maxdepth 1 -type d | head -n1)" "$dir"
    sed -n 's/^Version: //p' "$dir.tmp"/*.dsc >"$dir.version"
    rm -rf "$dir.tmp"
}

# The original tarball of $1 at Debian version $2 from the next Debian release, unpacked into
# $cache/src. A private apt configuration in the cache reads that release from the URI of this
# machine's own Debian entry, so the machine's apt sources stay as they are.
fetch_next() {
    local dir=$cache/src/$1-$2
    [ -f "$dir.version" ] && return
    local apt=$cache/apt uri
    uri=$(debian_entries | awk -v release="$(. /etc/os-release && echo "$VERSION_CODENAME")" \
        '$2 == release { print $1; exit }')
    [ -n "$uri" ] || { echo "No Debian entry in the apt sources for the next release" >&2; exit 1; }
    mkdir -p "$apt/parts" "$apt/lists/partial" "$apt/cache/archives/partial"
    printf 'Types: deb-src\nURIs: %s\nSuites: trixie\nComponents: main\nSigned-By: %s\n' \
        "$uri" /usr/share/keyrings/debian-archive-keyring.gpg >"$apt/parts/next.sources"
    local opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/parts"
                -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache"
                -o APT::Sandbox::User="$(id -un)")
    apt-get "${opts[@]}" update -qq
    rm -rf "$dir" "$dir.tmp" && mkdir -p "$dir.tmp"
    (cd "$dir.tmp" && apt-get "${opts[@]}" source --tar-only -qq "$1=$2" >/dev/null 2>&1 &&
        tar -xf ./*.orig.tar.*) || { echo "apt-get source $1=$2 failed" >&2; exit 1; }
    mv "$(find "$dir.tmp" -mindepth 1 -maxdepth 1 -type d | head -n1)" "$dir"
    echo "$2" >"$dir.version"
    rm -rf "$dir.tmp"
}

# Reads recipe $1 into this shell: its variables, build and smoke.
load_recipe() {
    unset -f build smoke
    version='' source='' depends=() patches=()
    # A glob of patch files that matches none leaves the list empty.
    shopt -s nullglob
    # shellcheck source=/dev/null
    . "$recipes/$1.sh"
    shopt -u nullglob
}

# Fetches the source of the loaded recipe and sets source_version, and source_dir for the sources
# that the build gets a patched copy of.
fetch_source() {
    local kind=${source%%:*} what=${source#*:}
    case $kind in
    debian)
        fetch_debian "$what"
        source_dir=$cache/src/$what
        source_version=$(cat "$source_dir.version")
        local upstream=${source_version#*:}
        [[ $upstream == "$version"* ]] ||
            { echo "$what: the recipe builds $version, Debian's source is $source_version" >&2; exit 1; }
        ;;
    next)
        fetch_next "${what%=*}" "${what#*=}"
        source_dir=$cache/src/${what%=*}-${what#*=}
        source_version=${what#*=}
        ;;
    files)
        local files=() f
        for f in $what; do files+=("$root/$f"); done
        source_dir=''
        source_version=$(cat "${files[@]}" | sha256sum | cut -c1-16)
        ;;
    installed)
        source_dir=''
        source_version=$(dpkg-query -W -f='${Version}' "$what")
        [[ ${source_version#*:} == "$version"* ]] ||
            { echo "$what: the recipe builds $version, the installed package is $source_version" >&2; exit 1; }
        ;;
    *) echo "Unknown source $source" >&2; exit 1 ;;
    esac
}

stamp_of() { cat "$prefix/stamps/$1" 2>/dev/null || true; }

# The key of the loaded recipe $1, after fetch_source.
recipe_key() {
    local dep
    {
        cat "$recipes/$1.sh"
        [ ${#patches[@]} -eq 0 ] || cat "${patches[@]}"
        echo "source $source_version"
        for dep in "${depends[@]}"; do echo "$dep $(stamp_of "$dep")"; done
    } | sha256sum | cut -c1-16
}

# Builds library $1 unless its stamp matches, then links its smoke program. The work folder stays
# until the smoke program links, so a build that stopped goes on where it stopped.
build_library() {
    local name=$1 key
    load_recipe "$name"
    fetch_source
    key=$(recipe_key "$name")
    [ "$(stamp_of "$name")" = "$key" ] && return
    echo "== $name $version for Windows ($source_version) =="
    local started=$SECONDS
    work=$cache/build/$name
    mkdir -p "$work" "$prefix/stamps"
    if [ -n "$source_dir" ]; then
        rm -rf "$work/src" && cp -a "$source_dir" "$work/src"
        local p
        for p in "${patches[@]}"; do
            patch -d "$work/src" -p1 --forward --batch <"$p" >"$work/patch.log" 2>&1 ||
                { cat "$work/patch.log" >&2; echo "$p does not apply to $name $source_version" >&2; exit 1; }
        done
    fi
    # Not in an && or || list, where bash would ignore a failing command inside the recipe.
    (cd "$work" || exit 1; build)
    rm -rf "$work/smoke" && mkdir -p "$work/smoke"
    echo "   linking a program against $name"
    (cd "$work/smoke" || exit 1; smoke)
    rm -rf "$work"
    echo "$key" >"$prefix/stamps/$name"
    echo "   $name built and linked in $(((SECONDS - started) / 60)) min $(((SECONDS - started) % 60)) s"
}

# Compiles and links the C or C++ program on stdin with the cross compiler against the prefix:
#   smoke_link c|c++ [--pkg MODULE] FLAGS...    (--pkg: the flags of the prefix's pkg-config MODULE)
smoke_link() {
    local compiler=x86_64-w64-mingw32-gcc-posix language=$1 flags=()
    [ "$language" = c++ ] && compiler=x86_64-w64-mingw32-g++-posix
    shift
    if [ "${1:-}" = --pkg ]; then
        read -ra flags < <(PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH='' \
            pkg-config --cflags --libs "$2")
        [ ${#flags[@]} -gt 0 ] || { echo "pkg-config knows no $2 in the prefix" >&2; return 1; }
        shift 2
    fi
    "$compiler" -x "$language" - -x none -o smoke.exe -I"$prefix/include" "${flags[@]}" \
        -L"$prefix/lib" "$@"
}
