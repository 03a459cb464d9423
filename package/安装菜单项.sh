#!/usr/bin/env bash
# shellcheck disable=SC1111 # the messages quote with Chinese quotation marks
# 把本文件夹里的程序放进自己的桌面菜单（不需要管理员权限）：
#   ./安装菜单项.sh            放入菜单项和图标；再运行一次什么也不改变
#   ./安装菜单项.sh --remove   取出菜单项和图标
# Writes only into the user's own data folder ($XDG_DATA_HOME, else ~/.local/share), and a file
# only when its content differs, so a second run leaves even the times unchanged.
set -euo pipefail
shopt -s nullglob

dir=$(cd "$(dirname "$0")" && pwd)
data=${XDG_DATA_HOME:-$HOME/.local/share}
entry=$data/applications/veltrana.desktop
icon_sizes=()
for icon in "$dir"/icons/*/veltrana.png; do
    icon_sizes+=("$(basename "$(dirname "$icon")")")
done

if [ $# -gt 1 ] || { [ $# -eq 1 ] && [ "$1" != --remove ]; }; then
    echo "用法：$0 [--remove]" >&2
    exit 2
fi

if [ "${1:-}" = --remove ]; then
    rm -f "$entry"
    for size in "${icon_sizes[@]}"; do
        rm -f "$data/icons/hicolor/$size/apps/veltrana.png"
    done
    echo "已取出菜单项“班级知识点文件库”。"
    exit 0
fi

for file in veltrana veltrana-mkdb veltrana.desktop; do
    if [ ! -f "$dir/$file" ]; then
        echo "本文件夹里没有 $file：请在解压出来的 veltrana 文件夹里运行本脚本。" >&2
        exit 1
    fi
done
# The entry quotes the program's path; these characters would need escapes that menus differ on.
case $dir in
    *[\"\`\$\\]* | *$'\n'*)
        echo "文件夹的路径里有 \" \` \$ \\ 或换行符，菜单项无法指向它：请换一个文件夹解压。" >&2
        exit 1
        ;;
esac

# The libraries come from the system's packages; name the packages instead of letting the
# loader fail at the first start. Every library the programs load besides these comes with Qt.
packages=()
add_package() {
    [[ " ${packages[*]} " == *" $1 "* ]] || packages+=("$1")
}
mapfile -t missing < <(ldd "$dir/veltrana" "$dir/veltrana-mkdb" | awk '/=> not found/ { print $1 }' | sort -u)
for library in "${missing[@]}"; do
    case $library in
        libmdb.*) add_package libmdb3 ;;
        libcpp-httplib.*) add_package libcpp-httplib0.11 ;;
        libqrencode.*) add_package libqrencode4 ;;
        libQt6Network.*) add_package libqt6network6 ;;
        *) add_package libqt6widgets6 ;;
    esac
done
# Without a Chinese font every caption of the window is a row of boxes.
if command -v fc-list >/dev/null && [ -z "$(fc-list :lang=zh family)" ]; then
    echo "没有中文字体。" >&2
    add_package fonts-wqy-microhei
fi
if [ ${#packages[@]} -gt 0 ]; then
    [ ${#missing[@]} -eq 0 ] || echo "缺少程序需要的库：${missing[*]}" >&2
    echo "请先安装下列软件包，再运行本脚本：" >&2
    echo "sudo apt install ${packages[*]}"
    exit 1
fi

# Copies source to target unless target holds it already.
put() {
    cmp -s "$1" "$2" || install -D -m 644 "$1" "$2"
}

new_entry=$(mktemp)
trap 'rm -f "$new_entry"' EXIT
# The program and its working folder are this folder, wherever it was unpacked; % is the one
# character left that a quoted Exec path must escape.
EXEC="\"${dir//%/%%}/veltrana\"" WORKDIR="$dir" awk '
    /^Exec=/ { print "Exec=" ENVIRON["EXEC"]; print "Path=" ENVIRON["WORKDIR"]; next }
    { print }' "$dir/veltrana.desktop" >"$new_entry"
put "$new_entry" "$entry"
for size in "${icon_sizes[@]}"; do
    put "$dir/icons/$size/veltrana.png" "$data/icons/hicolor/$size/apps/veltrana.png"
done
echo "已放入菜单项“班级知识点文件库”（在“教育”类里）：$entry"
