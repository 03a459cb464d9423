#!/usr/bin/env bash
# Builds Veltrana for 64-bit Windows on Debian 12 and packs the portable zip:
#   bash scripts/build-windows.sh          build, then the zip build/windows/veltrana-*-windows10-x64.zip
#   bash scripts/build-windows.sh --test   also run the suite under Wine
# Qt and the other libraries are built from Debian's source packages into a cache outside the
# checkout ($VELTRANA_WIN_CACHE, default ~/.cache/veltrana-windows), each by its recipe in
# scripts/windows/, and built again only when its recipe, patches or source change.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${VELTRANA_WIN_CACHE:-$HOME/.cache/veltrana-windows}
# shellcheck source=windows/common.sh
. "$root/scripts/windows/common.sh"

# The recipes, each after those it depends on.
ordered_recipes() {
    local file library dependency
    for file in "$recipes"/*.sh; do
        library=$(basename "$file" .sh)
        [ "$library" = common ] && continue
        load_recipe "$library"
        echo "$library $library"
        for dependency in "${depends[@]}"; do echo "$dependency $library"; done
    done | tsort
}

# Our programs, tests and zip in build/windows of the checkout. The Windows programs that the
# build and the tests run (the tool making the demo class, the test programs) run under Wine,
# which finds Qt's libraries and MinGW's runtime, copied beside them, in the prefix.
build_veltrana() {
    echo "== Veltrana for Windows =="
    for runtime in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
        cp -u "$(x86_64-w64-mingw32-g++-posix -print-file-name="$runtime")" "$prefix/bin/"
    done
    # A fresh Wine prefix asks to install .NET and a browser engine; neither is needed.
    if [ ! -d "${WINEPREFIX:-$HOME/.wine}" ]; then
        WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all wineboot --init >/dev/null 2>&1
        wineserver -w
    fi
    local emulator="env;LC_ALL=C.UTF-8;WINEPATH=Z:$prefix/bin;WINEDEBUG=fixme-all;wine"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DVELTRANA_WERROR=ON "-DCMAKE_CROSSCOMPILING_EMULATOR=$emulator" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >/dev/null
    cmake --build "$build" -j"$jobs"
    (cd "$build" && cpack -G ZIP >/dev/null)
    echo "Made $build/veltrana-$(sed -n 's/^project(Veltrana VERSION \([0-9.]*\).*/\1/p' \
        "$root/CMakeLists.txt")-windows10-x64.zip"
}

# The suite under Wine, on a display of its own for the window's tests.
run_tests() {
    echo "== Tests under Wine =="
    # One test program at a time: they share one Wine server and one display, and two at a time
    # once left a test's dialog waiting for ever while the zip's program showed its window.
    xvfb-run -a -s "-screen 0 1400x900x24 -dpi 96 -nolisten tcp" \
        ctest --test-dir "$build" --output-on-failure --timeout 300
}

build=$root/build/windows
install_tools
mkdir -p "$cache"
# Other checkouts on this machine build into the same cache: one run at a time builds libraries.
exec 9>"$cache/lock"
flock 9
libraries=$(ordered_recipes)
for library in $libraries; do build_library "$library"; done
flock -u 9
build_veltrana
[ "${1:-}" = --test ] && run_tests
echo "== Done in $((SECONDS / 60)) min $((SECONDS % 60)) s =="
