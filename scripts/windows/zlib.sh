# zlib, static, for minizip. Debian's zlib source has no win32 makefiles, so zlib's own configure
# with the cross compiler.
version=1.2.13
source=debian:zlib
depends=()

build() {
    (cd src && CC=x86_64-w64-mingw32-gcc-posix AR=x86_64-w64-mingw32-ar \
        RANLIB=x86_64-w64-mingw32-ranlib ./configure --static --prefix="$prefix" >/dev/null &&
        make -j"$jobs" libz.a >/dev/null && make install >/dev/null)
}

smoke() {
    smoke_link c -lz <<'C'
#include <zlib.h>
int main(void) { return crc32(0, (const Bytef *)"zip", 3) != 0 ? 0 : 1; }
C
}
