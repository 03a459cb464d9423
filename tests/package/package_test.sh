#!/usr/bin/env bash
# package_test.sh BUILD_DIR VERSION WINDOW_TEST
# Makes the release archive of BUILD_DIR and checks it unpacked in a temporary folder, away from
# the source tree: what the folder holds, the desktop entry, the menu script (install, a second
# run, removal, and its message when the system lacks a library), the unpacked tool making a class
# from a roster, and the unpacked program's window on the demo class (which the same tool made
# from a roster), through the end-to-end WINDOW_TEST.
set -euo pipefail
build=$1 version=$2 window_test=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" >/dev/null
archive=$tmp/out/veltrana-$version-linux-x86_64.tar.gz
[ -f "$archive" ] || fail "no $(basename "$archive") in: $(ls "$tmp/out")"
# A folder name as teachers have them, with a blank and Chinese.
mkdir "$tmp/我的 U盘"
tar -xzf "$archive" -C "$tmp/我的 U盘"
dir="$tmp/我的 U盘/veltrana"

# The folder, as the archive lists it; the libraries and their licences apart.
icons=(16x16 32x32 48x48 64x64 128x128 256x256)
expected=$(
    printf 'veltrana/%s\n' "" Data/ icons/ veltrana veltrana-mkdb veltrana.desktop 使用说明.txt \
        安装菜单项.sh 示例班级/ 示例班级/DataBases.mdb lib/ licenses/ qt.conf translations/ \
        translations/qtbase_zh_CN.qm fonts/ fonts/wqy-microhei.ttc \
        fonts/wqy-microhei-copyright.txt plugins/ plugins/platforms/ plugins/platforms/libqxcb.so \
        plugins/imageformats/ plugins/imageformats/libqjpeg.so plugins/platforminputcontexts/ \
        plugins/platforminputcontexts/libcomposeplatforminputcontextplugin.so \
        plugins/platforminputcontexts/libibusplatforminputcontextplugin.so
    for size in "${icons[@]}"; do
        printf 'veltrana/icons/%s/\nveltrana/icons/%s/veltrana.png\n' "$size" "$size"
    done
)
listed=$(tar -tzf "$archive" | grep -Ev '^veltrana/(lib|licenses)/.' | LC_ALL=C sort)
[ "$listed" = "$(LC_ALL=C sort <<<"$expected")" ] ||
    fail "archive contents: $(tr '\n' ' ' <<<"$listed")"
# Qt, libmdb and the FreeXL linked in go along with their licences; what must match the machine does not.
for file in lib/libQt6Widgets.so.6 lib/libQt6XcbQpa.so.6 lib/libmdb.so.3 lib/libicuuc.so.72 \
    licenses/qt6-base.txt licenses/mdbtools.txt licenses/icu.txt licenses/freexl.txt; do
    [ -f "$dir/$file" ] || fail "no $file"
done
system='^(ld-linux|lib(c|m|stdc\+\+|gcc_s|X11|xcb|GL|EGL|fontconfig|freetype)\.)'
for library in "$dir"/lib/*; do
    if [[ ${library##*/} =~ $system ]]; then
        fail "lib/ holds the system's own ${library##*/}"
    fi
done
unstripped=$(find "$dir" -type f -exec file {} + | grep ELF | grep -v ', stripped' || true)
[ -z "$unstripped" ] || fail "not stripped: $unstripped"
for program in veltrana veltrana-mkdb 安装菜单项.sh; do
    [ -x "$dir/$program" ] || fail "$program is not executable"
done
desktop-file-validate "$dir/veltrana.desktop" || fail "the packaged desktop entry"
grep -qx "X-Veltrana-Version=$version" "$dir/veltrana.desktop" || fail "the entry's version"
[[ $("$dir/veltrana-mkdb" --version) == *"$version"* ]] || fail "veltrana-mkdb --version"

# The unpacked tool makes a class from a roster, with the knowledge points it carries.
printf '学号,姓名,性别\n1,王芳,女\n2,李雷,男\n' >"$tmp/名单.csv"
"$dir/veltrana-mkdb" --class 理科 --roster "$tmp/名单.csv" "$tmp/班级.mdb" >/dev/null
"$dir/veltrana-mkdb" --check "$tmp/班级.mdb" >/dev/null || fail "--check refuses the roster's class"
[ "$("$dir/veltrana-mkdb" --dump "$tmp/班级.mdb" Students)" = "$(printf 'ID,UserName,Attrib\n1,王芳,理科\n2,李雷,理科')" ] ||
    fail "the roster's students"

# The menu entry and icons go into the user's own folders, and only there.
export HOME="$tmp/home" XDG_DATA_HOME="$tmp/home/data"
mkdir -p "$HOME"
entry=$XDG_DATA_HOME/applications/veltrana.desktop
"$dir/安装菜单项.sh" >/dev/null
desktop-file-validate "$entry" || fail "the installed desktop entry"
grep -qxF "Exec=\"$dir/veltrana\"" "$entry" || fail "Exec of $(cat "$entry")"
grep -qxF "Path=$dir" "$entry" || fail "Path of $(cat "$entry")"
[ "$(find "$HOME" -type f | wc -l)" -eq 7 ] || fail "installed: $(find "$HOME" -type f)"
for size in "${icons[@]}"; do
    icon=$dir/icons/$size/veltrana.png
    [ "$(identify -format '%m %wx%h' "$icon")" = "PNG $size" ] || fail "$icon is not a $size PNG"
    cmp -s "$icon" "$XDG_DATA_HOME/icons/hicolor/$size/apps/veltrana.png" || fail "icon $size"
done
before=$(find "$HOME" -printf '%p %s %T@\n' | sort)
"$dir/安装菜单项.sh" >/dev/null
[ "$(find "$HOME" -printf '%p %s %T@\n' | sort)" = "$before" ] || fail "a second run changed files"
"$dir/安装菜单项.sh" --remove >/dev/null
[ -z "$(find "$HOME" -type f)" ] || fail "left after --remove: $(find "$HOME" -type f)"

# An X11 library missing and a C library too old: the two named as every distribution knows
# them, and nothing installed.
cp -r "$dir" "$tmp/broken"
perl -pi -e 's/libxcb-icccm\.so\.4/libxcb-icccm.so.9/g' "$tmp/broken/lib/libQt6XcbQpa.so.6"
perl -pi -e 's/GLIBC_2\.34/GLIBC_9.34/g' "$tmp/broken/veltrana"
if answer=$("$tmp/broken/安装菜单项.sh" 2>/dev/null); then
    fail "the menu script accepts a system without the libraries"
fi
[ "$answer" = "$(printf 'X11 客户端库\n较新的 C 和 C++ 运行库（glibc、libstdc++）')" ] ||
    fail "the missing parts: $answer"
[ -z "$(find "$HOME" -type f)" ] || fail "installed without the libraries"

# The program on the demo class, copied beside it as the quick guide says, connected, as the
# end-to-end test checks it.
cp "$dir/示例班级/DataBases.mdb" "$dir/"
VELTRANA_PROGRAM_DIR=$dir "$window_test" --gtest_brief=1 --gtest_filter="*ProgramOpens*" || fail "the window on the demo class"
