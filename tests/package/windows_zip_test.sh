#!/usr/bin/env bash
# windows_zip_test.sh BUILD_DIR VERSION WINDOW_TEST EMULATOR...
# Makes the Windows zip of BUILD_DIR and checks it unpacked into a folder named with a blank and
# Chinese, under Wine on the display in DISPLAY: what the folder holds, that its programs run
# with nothing but the folder (every library they load comes from it, and every library in it is
# loaded), the unpacked tool making a class from a roster as a Chinese Windows saves it, and the
# program's window on the demo class through the end-to-end WINDOW_TEST, run by EMULATOR.
set -euo pipefail
build=$1 version=$2 window_test=$3
shift 3
emulator=("$@")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() {
    echo "FAILED: $*" >&2
    exit 1
}
# Wine with the folder alone: no path to the build's libraries.
alone() { env -u WINEPATH LC_ALL=C.UTF-8 WINEDEBUG="${WINEDEBUG:--all}" wine "$@"; }

cpack --config "$build/CPackConfig.cmake" -B "$tmp/out" >/dev/null
zip=$tmp/out/veltrana-$version-windows10-x64.zip
[ -f "$zip" ] || fail "no $(basename "$zip") in: $(ls "$tmp/out")"
mkdir "$tmp/我的 U盘"
(cd "$tmp/我的 U盘" && cmake -E tar xf "$zip")
dir="$tmp/我的 U盘/veltrana"
# Beside the folder only the note that says to unpack first.
[ "$(cd "$tmp/我的 U盘" && ls -A | LC_ALL=C sort | tr '\n' ' ')" = "veltrana 先解压再运行.txt " ] ||
    fail "the zip's top: $(ls -A "$tmp/我的 U盘")"
grep -q 'Qt6Core.dll' "$tmp/我的 U盘/先解压再运行.txt" || fail "the note does not name the error"
# Both programs carry the manifest: as the user, for Windows 10, aware of each monitor's scaling.
for program in veltrana.exe veltrana-mkdb.exe; do
    for setting in 'level="asInvoker"' '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' PerMonitorV2; do
        grep -qF "$setting" "$dir/$program" || fail "$program has no $setting in its manifest"
    done
done

expected=$(printf '%s\n' veltrana.exe veltrana-mkdb.exe 使用说明.txt qt.conf 示例班级/DataBases.mdb \
    Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll Qt6Network.dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll \
    plugins/platforms/qwindows.dll plugins/styles/qwindowsvistastyle.dll \
    plugins/imageformats/qjpeg.dll translations/qtbase_zh_CN.qm)
actual=$(cd "$dir" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$(LC_ALL=C sort <<<"$expected")" ] || fail "zip contents: $(tr '\n' ' ' <<<"$actual")"
[ -d "$dir/Data" ] && [ -z "$(ls -A "$dir/Data")" ] || fail "no empty Data folder"
[[ $(alone "$dir/veltrana-mkdb.exe" --version) == *"$version"* ]] || fail "veltrana-mkdb --version"

# The unpacked tool makes a class from a roster saved by Excel on a Chinese Windows (GBK, CRLF).
printf '学号,姓名,性别\r\n1,王芳,女\r\n2,李雷,男\r\n' | iconv -t GB18030 >"$tmp/名单.csv"
alone "$dir/veltrana-mkdb.exe" --class 理科 --roster "$(winepath -w "$tmp/名单.csv")" \
    "$(winepath -w "$tmp/班级.mdb")" >/dev/null || fail "the tool refuses the roster"
[ "$(alone "$dir/veltrana-mkdb.exe" --dump "$(winepath -w "$tmp/班级.mdb")" Students)" = \
    "$(printf 'ID,UserName,Attrib\n1,王芳,理科\n2,李雷,理科')" ] || fail "the roster's students"

# The program on the demo class, copied beside it as the quick guide says: the libraries it
# loads are exactly the folder's.
cp "$dir/示例班级/DataBases.mdb" "$dir/"
WINEDEBUG=+loaddll alone "$dir/veltrana.exe" 2>"$tmp/loaded" &
program=$!
xdotool search --sync --onlyvisible --name '^Veltrana\(1\.0\.0\)$' >/dev/null &
search=$!
(sleep 90 && kill $search 2>/dev/null) &
wait $search || fail "no window from the unpacked program"
# Debian's wine is a script that runs the program as a child, which the window names.
kill "$(xdotool search --onlyvisible --name '^Veltrana\(1\.0\.0\)$' getwindowpid)"
wait $program || true
loaded=$(grep -o 'Loaded L"[^"]*\.dll"' "$tmp/loaded" | grep -vi 'L"C:\\\\windows\\\\' |
    sed 's/.*\\\\//; s/"$//' | LC_ALL=C sort -u)
shipped=$(cd "$dir" && find . -name '*.dll' -printf '%f\n' | LC_ALL=C sort)
[ "$loaded" = "$shipped" ] || fail "loaded: $(tr '\n' ' ' <<<"$loaded")"

# The window shows the demo class connected, as the end-to-end test checks it.
VELTRANA_PROGRAM_DIR=$(winepath -w "$dir") LC_ALL=C.UTF-8 "${emulator[@]}" "$window_test" \
    --gtest_brief=1 || fail "the window on the demo class"
