#!/usr/bin/env bash
# plain_desktop_test.sh BUILD_DIR VERSION WINDOW_TEST
# Unpacks the release archive of BUILD_DIR inside a fresh Debian 13 root that has only a
# desktop's base libraries (X11 client, GL, fontconfig and FreeType) and no Qt, libmdb or Chinese
# font, and checks there that the unpacked tool makes a class from a roster and that the unpacked
# program, on the host's display, draws its window on the demo class exactly as the window made
# here does, Chinese included (through the end-to-end WINDOW_TEST).
# The root is made once per machine and kept in ~/.cache/veltrana-trixie; it needs root and the
# Debian mirror, and exits 77 (skipped) when not run as root.
set -euo pipefail
build=$1 version=$2 window_test=$3

fail() {
    echo "FAILED: $*" >&2
    exit 1
}
[ "$(id -u)" -eq 0 ] || {
    echo "skipped: making and entering a system root needs root"
    exit 77
}

# What the X11 platform plugin and Qt's drawing load from the system; the rest come along.
packages=(libx11-6 libx11-xcb1 libxcb1 libxcb-icccm4 libxcb-image0 libxcb-keysyms1 libxcb-randr0
    libxcb-render0 libxcb-render-util0 libxcb-shape0 libxcb-shm0 libxcb-sync1 libxcb-xfixes0
    libxcb-xkb1 libxkbcommon0 libxkbcommon-x11-0 libsm6 libice6 libfontconfig1 libfreetype6
    libgl1 libegl1 libopengl0)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/veltrana-trixie
root=$cache/root
mkdir -p "$cache"
# One run at a time makes the root; a root is only ever complete, or absent.
exec 9>"$cache/lock"
flock 9
if [ "$(cat "$root/.veltrana-packages" 2>/dev/null)" != "${packages[*]}" ]; then
    rm -rf "$root" "$cache/new"
    started=$SECONDS
    # In a mount namespace of its own, what debootstrap mounts goes when it ends, however it ends.
    unshare --mount debootstrap --variant=minbase --include="$(IFS=,; echo "${packages[*]}")" \
        trixie "$cache/new" http://deb.debian.org/debian >"$cache/debootstrap.log" 2>&1 ||
        fail "debootstrap: $(tail -n 5 "$cache/debootstrap.log")"
    echo "${packages[*]}" >"$cache/new/.veltrana-packages"
    mv "$cache/new" "$root"
    echo "made the Debian 13 root in $((SECONDS - started)) s"
fi
exec 9>&-
found=$(find "$root/usr" \( -name 'libQt6*' -o -name 'libmdb*' -o -iname '*wqy*' \
    -o -iname '*cjk*' \) -print -quit)
[ -z "$found" ] || fail "the root is not a plain desktop: $found"

tmp=$(mktemp -d)
work=$(mktemp -d "$root/tmp/veltrana.XXXXXX")
trap 'rm -rf "$tmp" "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" >/dev/null
mkdir "$work/我的 U盘"
tar -xzf "$tmp/out/veltrana-$version-linux-x86_64.tar.gz" -C "$work/我的 U盘"
dir="$work/我的 U盘/veltrana"

# Starts a program of the root as a desktop session would: the root's own files, /proc and
# environment, and the host's display. It stays the one process, so a signal to it ends it.
cat >"$tmp/in-root" <<EOF
#!/bin/sh
program=\$1
shift
exec unshare --mount-proc="$root/proc" chroot "$root" env -i PATH=/usr/bin:/bin HOME=/root \\
    LANG=C.UTF-8 DISPLAY="\$DISPLAY" "\${program#"$root"}" "\$@"
EOF
chmod +x "$tmp/in-root"

# The unpacked tool makes a class from a roster there.
printf '学号,姓名,性别\n1,王芳,女\n2,李雷,男\n' >"$work/名单.csv"
"$tmp/in-root" "$dir/veltrana-mkdb" --class 理科 --roster "${work#"$root"}/名单.csv" \
    "${work#"$root"}/班级.mdb" >/dev/null || fail "the tool in the root"
[ "$("$tmp/in-root" "$dir/veltrana-mkdb" --dump "${work#"$root"}/班级.mdb" Students)" = \
    "$(printf 'ID,UserName,Attrib\n1,王芳,理科\n2,李雷,理科')" ] || fail "the roster's students in the root"

# The program on the demo class, connected, its captions and tree drawn as here.
cp "$dir/示例班级/DataBases.mdb" "$dir/"
VELTRANA_PROGRAM_DIR=$dir VELTRANA_LAUNCHER=$tmp/in-root "$window_test" --gtest_brief=1 \
    --gtest_filter="*ProgramOpens*" ||
    fail "the window in the root"
