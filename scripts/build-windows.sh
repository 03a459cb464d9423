#!/usr/bin/env bash
# Builds Veltrana for 64-bit Windows on Debian 12 and packs the portable zip:
#   bash scripts/build-windows.sh          build, then the zip build/windows/veltrana-*-windows10-x64.zip
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
    local packages=(g++-mingw-w64-x86-64-posix wine wine64 ninja-build qt6-base-dev-tools cmake
                    dpkg-dev autoconf automake libtool gawk flex bison pkg-config xvfb xauth
                    googletest xdotool fonts-wqy-microhei qt6-translations-l10n)
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

# The original tarball of $1 at Debian version $2 from the next Debian release's source lines,
# unpacked into $cache/src; prints the folder. A private apt configuration in the cache reads
# those lines, so the machine's own apt sources stay as they are.
next_release_source() {
    local dir=$cache/src/$1-${2%-*}
    if [ ! -d "$dir" ]; then
        local apt=$cache/apt
        mkdir -p "$apt/parts" "$apt/lists/partial" "$apt/cache/archives/partial"
        cat >"$apt/parts/next.sources" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: trixie
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
        local opts=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/parts"
                    -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache"
                    -o APT::Sandbox::User="$(id -un)")
        apt-get "${opts[@]}" update -qq
        rm -rf "$dir.tmp" && mkdir -p "$dir.tmp"
        (cd "$dir.tmp" && apt-get "${opts[@]}" source --tar-only -qq "$1=$2" >/dev/null 2>&1 &&
            tar xzf ./*.orig.tar.gz)
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
    # hence no tablet events; without TLS, Windows' own TLS backend plugin does not build.
    # OpenGL stays: the Windows platform plugin of 6.4 does not build without it. A build that
    # stopped half way goes on where it stopped.
    cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
        -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_openssl=OFF -DFEATURE_ssl=OFF \
        -DFEATURE_schannel=OFF \
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
}

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

# Our iconv over the system's code pages (Debian has no iconv for Windows); the stamp carries
# the source's hash, so a change to it is built again.
build_iconv() {
    local source=$root/src/platform/win/iconv.c
    local name
    name=iconv-$(cat "$source" "${source%.c}.h" | sha1sum | cut -c1-12)
    built "$name" && return
    echo "== iconv for Windows =="
    mkdir -p "$prefix/include" "$prefix/lib" "$cache/build"
    x86_64-w64-mingw32-gcc-posix -std=c11 -O2 -Wall -Wextra -Wpedantic -Werror \
        -c "$source" -o "$cache/build/iconv.o"
    rm -f "$prefix/lib/libiconv.a"
    x86_64-w64-mingw32-ar rcs "$prefix/lib/libiconv.a" "$cache/build/iconv.o"
    cp "${source%.c}.h" "$prefix/include/iconv.h"
    rm -f "$prefix"/stamps/iconv-*
    stamp "$name"
}

# libmdb alone, static, with mdbtools' own GLib replacement and our iconv.
build_libmdb() {
    built mdbtools-1.0.1 && return
    local src build=$cache/build/mdbtools
    src=$(next_release_source mdbtools 1.0.1-0.1)
    echo "== libmdb 1.0.1 for Windows =="
    # Our iconv.h comes from the prefix, and an older libmdb's headers there would shadow the new.
    rm -rf "$build" "$prefix"/include/mdb*.h && cp -a "$src" "$build"
    # Its MinGW line renames _spawnv, which Debian's MinGW headers declare themselves, and puts
    # libtool's -no-undefined into LDFLAGS, which fails configure's iconv check; MinGW's C runtime
    # calls the locale type _locale_t. The stream opener becomes public: the reader opens the
    # file by its wide name, which mdb_open's narrow one cannot carry on Windows.
    sed -i 's/^\( *\)\[\*mingw\*\], \[LDFLAGS=.*$/\1[*mingw*], [LOCALE_T=_locale_t], [])/' \
        "$build/configure.ac"
    sed -i 's/^static MdbHandle \*mdb_handle_from_stream(/MdbHandle *mdb_handle_from_stream(/' \
        "$build/src/libmdb/file.c"
    sed -i 's/^MdbHandle \*mdb_open(const char \*filename, MdbFileFlags flags);/&\nMdbHandle *mdb_handle_from_stream(FILE *stream, MdbFileFlags flags);/' \
        "$build/include/mdbtools.h.in"
    (cd "$build" && autoreconf -i >/dev/null 2>&1 &&
        ./configure -q --host=x86_64-w64-mingw32 CC=x86_64-w64-mingw32-gcc-posix \
            --prefix="$prefix" --disable-shared --enable-static --disable-glib --disable-man \
            CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" &&
        make -s -C src/libmdb -j"$jobs" && make -s -C src/libmdb install &&
        make -s -C include install && make -s install-pkgconfigDATA) >"$cache/libmdb-build.log" 2>&1 ||
        { tail -n 30 "$cache/libmdb-build.log"; exit 1; }
    rm -rf "$build"
    stamp mdbtools-1.0.1
}

# GoogleTest from the sources Debian's googletest package installs.
build_gtest() {
    local version name
    version=$(dpkg-query -W -f='${Version}' googletest)
    name=googletest-$version
    built "$name" && return
    echo "== GoogleTest $version for Windows =="
    local build=$cache/build/googletest
    rm -rf "$build"
    cmake -S /usr/src/googletest -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" -j"$jobs" >/dev/null
    cmake --install "$build" >/dev/null
    rm -rf "$build"
    stamp "$name"
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
build_iconv
build_libmdb
build_gtest
build_qt
build_zlib
build_minizip
build_freexl
build_qrencode
install_httplib
build_veltrana
[ "${1:-}" = --test ] && run_tests
echo "== Done in $((SECONDS / 60)) min $((SECONDS % 60)) s =="
