# Our iconv over the system's code pages (Debian has no iconv for Windows), for FreeXL and libmdb.
version=ours
source="files:src/platform/win/iconv.c src/platform/win/iconv.h"
depends=()

build() {
    mkdir -p "$prefix/include" "$prefix/lib"
    x86_64-w64-mingw32-gcc-posix -std=c11 -O2 -Wall -Wextra -Wpedantic -Werror \
        -c "$root/src/platform/win/iconv.c" -o iconv.o
    rm -f "$prefix/lib/libiconv.a"
    x86_64-w64-mingw32-ar rcs "$prefix/lib/libiconv.a" iconv.o
    cp "$root/src/platform/win/iconv.h" "$prefix/include/iconv.h"
}

smoke() {
    smoke_link c -liconv <<'C'
#include <iconv.h>
int main(void)
{
    iconv_t cd = iconv_open("UTF-8", "GB18030");
    return cd != (iconv_t)-1 && iconv_close(cd) == 0 ? 0 : 1;
}
C
}
