#!/usr/bin/env bash
# Builds Veltrana for 64-bit Windows on Debian 12 and packs the portable zip:
#   bash scripts/build-windows.sh          build, then the zip build/windows/veltrana-*-windows-x86_64.zip
#   bash scripts/build-windows.sh --test   also run the suite under Wine
# Qt and the other libraries are built once from Debian's source packages into a cache outside
# the checkout ($VELTRANA_WIN_CACHE, default ~/.cache/veltrana-windows) and reused after that.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${VELTRANA_WIN_CACHE:-$HOME/.cache/veltrana-windows}
prefix=$cache/prefix
jobs=$(nproc)
export VELTRANA_WIN_PREFIX=$prefix
toolchain=$root/cmake/mingw-w64.cmake

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)

install_tools() {
    local packages=(g++-mingw-w64-x86-64-posix wine wine64 ninja-build qt6-base-dev-tools
                    dpkg-dev autoconf automake libtool gawk flex bison pkg-config xvfb xauth)
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    # apt-get source needs a deb-src line; ours goes into a file of its own.
    local need_src=0
    grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/ || need_src=1
    [ ${#missing[@]} -eq 0 ] && [ $need_src -eq 0 ] && return
    if [ $need_src -eq 1 ]; then
        "${sudo[@]}" tee /etc/apt/sources.list.d/veltrana-src.sources >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    [ ${#missing[@]} -eq 0 ] || "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Unpacks Debian's source package $1 into $cache/src and prints the folder.
debian_source() {
    local dir=$cache/src/$1
    if [ ! -d "$dir" ]; then
        rm -rf "$dir.tmp" && mkdir -p "$dir.tmp"
        if ! (cd "$dir.tmp" && apt-get source -qq "$1" >/dev/null 2>&1); then
            # The mirror has lost the Debian packaging of some older sources (qrencode's); the
            # source package's original tarball still builds, without Debian's patches.
            (cd "$dir.tmp" && apt-get source -qq --download-only "$1" >/dev/null 2>&1) || true
            local orig
            orig=$(find "$dir.tmp" -maxdepth 1 -name '*.orig.tar.*' | head -n1)
            [ -n "$orig" ] || { echo "apt-get source $1 failed" >&2; return 1; }
            tar -xf "$orig" -C "$dir.tmp"
        fi
        mv "$(find "$dir.tmp" -mindepth 1 -maxdepth 1 -type d | head -n1)" "$dir"
        rm -rf "$dir.tmp"
    fi
    echo "$dir"
}

# Each library is built once; its stamp names what it was built from.
built() { [ -f "$prefix/stamps/$1" ]; }
stamp() { mkdir -p "$prefix/stamps" && touch "$prefix/stamps/$1"; }

build_qt() {
    built qt6-base-6.4.2 && return
    local src build=$cache/build/qt6-base
    src=$(debian_source qt6-base)
    echo "== Qt 6.4.2 for Windows (about half an hour on two cores, once) =="
    # Only what the program and its tests use. Debian's source leaves out the Wintab headers,
    # hence no tablet events. OpenGL stays: the Windows platform plugin of 6.4 does not build
    # without it. A build that stopped half way goes on where it stopped.
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
        -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_openssl=OFF -DFEATURE_ssl=OFF \
        -DFEATURE_tabletevent=OFF -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF \
        -DFEATURE_system_jpeg=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF \
        -DFEATURE_system_pcre2=OFF -DFEATURE_icu=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF \
        -DFEATURE_vulkan=OFF -DFEATURE_sql=OFF -DFEATURE_testlib=ON >"$cache/qt-configure.log"
    cmake --build "$build" -j"$jobs"
    cmake --install "$build" >/dev/null
    rm -rf "$build"
    stamp qt6-base-6.4.2
}

# zlib for minizip, as static libraries. Debian's zlib source has no win32 makefiles, so zlib's
# configure with the cross compiler; minizip (contrib/minizip of the same source, Debian's
# libminizip) is four files, compiled straight into libminizip.a.
build_zlib() {
    built zlib-1.2.13 && return
    local src
    src=$(debian_source zlib)
    echo "== zlib for Windows =="
    (cd "$src" && CC=x86_64-w64-mingw32-gcc-posix AR=x86_64-w64-mingw32-ar \
        RANLIB=x86_64-w64-mingw32-ranlib ./configure --static --prefix="$prefix" >/dev/null &&
        make -j"$jobs" libz.a >/dev/null && make install >/dev/null && make distclean >/dev/null)
    stamp zlib-1.2.13
}

build_minizip() {
    built minizip-1.1 && return
    local src build=$cache/build/minizip
    src=$(debian_source zlib)/contrib/minizip
    echo "== minizip for Windows =="
    rm -rf "$build" && mkdir -p "$build" "$prefix/include/minizip" "$prefix/lib/pkgconfig"
    for file in ioapi unzip zip iowin32; do
        x86_64-w64-mingw32-gcc-posix -O2 -I"$prefix/include" -c "$src/$file.c" -o "$build/$file.o"
    done
    x86_64-w64-mingw32-ar rcs "$prefix/lib/libminizip.a" "$build"/*.o
    cp "$src"/{ioapi,unzip,zip,iowin32}.h "$prefix/include/minizip/"
    cat >"$prefix/lib/pkgconfig/minizip.pc" <<PC
prefix=$prefix
Name: minizip
Description: zip and unzip over zlib
Version: 1.1
Cflags: -I\${prefix}/include/minizip -I\${prefix}/include
Libs: -L\${prefix}/lib -lminizip -lz
PC
    rm -rf "$build"
    stamp minizip-1.1
}

# FreeXL reads .xls rosters; it converts their code pages with iconv, the shim of this build.
build_freexl() {
    built freexl-1.0.6 && return
    local src
    src=$(debian_source freexl)
    echo "== FreeXL for Windows =="
    # On MinGW freexl.c includes localcharset.h but never calls locale_charset, so a declaration
    # stands in for GNU libcharset, and configure is told the function needs no library.
    local charset=$cache/build/freexl-charset
    mkdir -p "$charset"
    echo 'const char *locale_charset (void);' >"$charset/localcharset.h"
    (cd "$src" && ./configure -q --host=x86_64-w64-mingw32 --prefix="$prefix" --disable-shared \
        --enable-static CC=x86_64-w64-mingw32-gcc-posix CPPFLAGS="-I$prefix/include -I$charset" \
        LDFLAGS="-L$prefix/lib" LIBS="-liconv" ac_cv_search_locale_charset="none required" \
        >"$cache/freexl-configure.log" &&
        make -j"$jobs" >/dev/null && make install >/dev/null && make distclean >/dev/null)
    # Linked statically, FreeXL needs iconv and the maths library after it.
    sed -i 's/^Libs: .*/& -liconv -lm/' "$prefix/lib/pkgconfig/freexl.pc"
    stamp freexl-1.0.6
# The QR code library of the phone upload, static and without its command-line tool (which
# would need libpng).
build_qrencode() {
    built qrencode-4.1.1 && return
    local src build=$cache/build/qrencode
    src=$(debian_source qrencode)
    echo "== libqrencode for Windows =="
    rm -rf "$build"
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
        -DWITH_TOOLS=OFF -DWITH_TESTS=OFF >/dev/null
    cmake --build "$build" -j"$jobs"
    cmake --install "$build" >/dev/null
    rm -rf "$build"
    stamp qrencode-4.1.1
}

# The phone upload's web server: Debian builds cpp-httplib as a library; for Windows its single
# header is used as it is released, and the program links ws2_32.
install_httplib() {
    built cpp-httplib-0.11.4 && return
    local src
    src=$(debian_source cpp-httplib)
    echo "== cpp-httplib header for Windows =="
    install -D -m 644 "$src/httplib.h" "$prefix/include/httplib.h"
    stamp cpp-httplib-0.11.4
}

install_tools
mkdir -p "$cache"
build_qt
build_zlib
build_minizip
build_freexl
build_qrencode
install_httplib
