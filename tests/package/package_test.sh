#!/usr/bin/env bash
# package_test.sh BUILD_DIR VERSION WINDOW_TEST [roster]
# Makes the release archive of BUILD_DIR and checks it unpacked in a temporary folder, away from
# the source tree: what the folder holds, the desktop entry, the menu script (install, a second
# run, removal, and its message when a library is missing), and the unpacked program's window on
# the demo class, through the end-to-end WINDOW_TEST. With `roster` it checks instead that the
# unpacked tool makes a class from a roster and that the program starts on it.
set -euo pipefail
build=$1 version=$2 window_test=$3 step=${4:-folder}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# The program window on the database beside it, connected, as the end-to-end test checks it.
window_starts() {
    VELTRANA_PROGRAM_DIR=$1 "$window_test" --gtest_brief=1 || fail "the window on $1"
}

cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" >/dev/null
archive=$tmp/out/veltrana-$version-linux-x86_64.tar.gz
[ -f "$archive" ] || fail "no $(basename "$archive") in: $(ls "$tmp/out")"
# A folder name as teachers have them, with a blank and Chinese.
mkdir "$tmp/我的 U盘"
tar -xzf "$archive" -C "$tmp/我的 U盘"
dir="$tmp/我的 U盘/veltrana"

if [ "$step" = roster ]; then
    cd "$dir"
    [[ $(./veltrana-mkdb --version) == *"$version"* ]] || fail "veltrana-mkdb --version"
    printf '学号,姓名,性别\n1,王芳,女\n2,李雷,男\n' >"$tmp/名单.csv"
    ./veltrana-mkdb --class 理科 --roster "$tmp/名单.csv" DataBases.mdb
    ./veltrana-mkdb --check DataBases.mdb >/dev/null || fail "--check refuses the roster's class"
    [ "$(./veltrana-mkdb --dump DataBases.mdb Students)" = "$(printf 'ID,UserName,Attrib\n1,王芳,理科\n2,李雷,理科')" ] ||
        fail "the roster's students"
    window_starts "$dir"
    exit 0
fi

# The folder, as the archive lists it.
expected=$(
    cat <<'LIST'
veltrana/
veltrana/Data/
veltrana/icons/
veltrana/icons/128x128/
veltrana/icons/128x128/veltrana.png
veltrana/icons/16x16/
veltrana/icons/16x16/veltrana.png
veltrana/icons/256x256/
veltrana/icons/256x256/veltrana.png
veltrana/icons/32x32/
veltrana/icons/32x32/veltrana.png
veltrana/icons/48x48/
veltrana/icons/48x48/veltrana.png
veltrana/icons/64x64/
veltrana/icons/64x64/veltrana.png
veltrana/veltrana
veltrana/veltrana-mkdb
veltrana/veltrana.desktop
veltrana/使用说明.txt
veltrana/安装菜单项.sh
veltrana/示例班级/
veltrana/示例班级/DataBases.mdb
LIST
)
[ "$(tar -tzf "$archive" | LC_ALL=C sort)" = "$(LC_ALL=C sort <<<"$expected")" ] ||
    fail "archive contents: $(tar -tzf "$archive" | LC_ALL=C sort | tr '\n' ' ')"
for program in veltrana veltrana-mkdb 安装菜单项.sh; do
    [ -x "$dir/$program" ] || fail "$program is not executable"
done
for icon in "$dir"/icons/*/veltrana.png; do
    size=$(basename "$(dirname "$icon")")
    [ "$(identify -format '%m %wx%h' "$icon")" = "PNG $size" ] || fail "$icon is not a $size PNG"
done
desktop-file-validate "$dir/veltrana.desktop" || fail "the packaged desktop entry"
grep -qx "X-Veltrana-Version=$version" "$dir/veltrana.desktop" || fail "the entry's version"

# The menu entry and icons go into the user's own folders, and only there.
export HOME="$tmp/home" XDG_DATA_HOME="$tmp/home/data"
mkdir -p "$HOME"
entry=$XDG_DATA_HOME/applications/veltrana.desktop
"$dir/安装菜单项.sh" >/dev/null
desktop-file-validate "$entry" || fail "the installed desktop entry"
grep -qxF "Exec=\"$dir/veltrana\"" "$entry" || fail "Exec of $(cat "$entry")"
grep -qxF "Path=$dir" "$entry" || fail "Path of $(cat "$entry")"
[ "$(find "$HOME" -type f | wc -l)" -eq 7 ] || fail "installed: $(find "$HOME" -type f)"
for icon in "$dir"/icons/*/veltrana.png; do
    size=$(basename "$(dirname "$icon")")
    cmp -s "$icon" "$XDG_DATA_HOME/icons/hicolor/$size/apps/veltrana.png" || fail "icon $size"
done
before=$(find "$HOME" -printf '%p %s %T@\n' | sort)
"$dir/安装菜单项.sh" >/dev/null
[ "$(find "$HOME" -printf '%p %s %T@\n' | sort)" = "$before" ] || fail "a second run changed files"
"$dir/安装菜单项.sh" --remove >/dev/null
[ -z "$(find "$HOME" -type f)" ] || fail "left after --remove: $(find "$HOME" -type f)"

# A missing library and no Chinese font: one apt line, and nothing installed.
cp -r "$dir" "$tmp/broken"
perl -pi -e 's/libmdb\.so\.3/libmdb.so.9/g' "$tmp/broken/veltrana"
[[ $(ldd "$tmp/broken/veltrana") == *'libmdb.so.9 => not found'* ]] || fail "could not hide libmdb"
echo '<fontconfig></fontconfig>' >"$tmp/no-fonts.conf"
if answer=$(FONTCONFIG_FILE="$tmp/no-fonts.conf" "$tmp/broken/安装菜单项.sh" 2>/dev/null); then
    fail "the menu script accepts a program without its libraries"
fi
[ "$answer" = "sudo apt install libmdb3 fonts-wqy-microhei" ] || fail "the missing packages: $answer"
[ -z "$(find "$HOME" -type f)" ] || fail "installed without the libraries"

# The program on the demo class, copied beside it as the quick guide says.
cp "$dir/示例班级/DataBases.mdb" "$dir/"
window_starts "$dir"
