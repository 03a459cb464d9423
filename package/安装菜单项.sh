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

# The folder carries its libraries; only those that must match the machine come from the
# system. A missing one is named as every distribution knows it, instead of letting the first
# start fail without a word; an old system shows as a version the loader does not find.
mapfile -t unmet < <(
    {
        ldd "$dir/veltrana" "$dir/veltrana-mkdb"
        LD_LIBRARY_PATH="$dir/lib" ldd "$dir"/plugins/*/*.so
    } 2>&1 | grep 'not found' | sort -u
)
component() {
    case $1 in
        *version*) echo "较新的 C 和 C++ 运行库（glibc、libstdc++）" ;;
        *libX* | *libxcb* | *libxkbcommon* | *libICE* | *libSM*) echo "X11 客户端库" ;;
        *libGL* | *libEGL* | *libOpenGL*) echo "OpenGL 和 EGL 库（libglvnd）" ;;
        *libfontconfig* | *libfreetype* | *libpng* | *libz.* | *libexpat* | *libbrotli* | *libbz2*)
            echo "字体库 fontconfig 和 FreeType" ;;
        *) awk '{ print $1 }' <<<"$1" ;;
    esac
}
if [ ${#unmet[@]} -gt 0 ]; then
    printf '%s\n' "系统缺少程序需要的库：" "${unmet[@]}" >&2
    echo "请先用系统的软件管理器安装下列组件，再运行本脚本：" >&2
    for line in "${unmet[@]}"; do
        component "$line"
    done | sort -u
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
