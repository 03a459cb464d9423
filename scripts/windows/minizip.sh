# minizip unpacks .xlsx rosters: contrib/minizip of zlib's source (Debian's libminizip), four files
# compiled straight into a static libminizip.a.
version=1.2.13
source=debian:zlib
depends=(zlib)

build() {
    mkdir -p obj "$prefix/include/minizip" "$prefix/lib/pkgconfig"
    local file
    for file in ioapi unzip zip iowin32; do
        x86_64-w64-mingw32-gcc-posix -O2 -I"$prefix/include" -c "src/contrib/minizip/$file.c" -o "obj/$file.o"
    done
    rm -f "$prefix/lib/libminizip.a"
    x86_64-w64-mingw32-ar rcs "$prefix/lib/libminizip.a" obj/*.o
    cp src/contrib/minizip/{ioapi,unzip,zip,iowin32}.h "$prefix/include/minizip/"
    cat >"$prefix/lib/pkgconfig/minizip.pc" <<PC
prefix=$prefix
Name: minizip
Description: zip and unzip over zlib
Version: 1.1
Cflags: -I\${prefix}/include/minizip -I\${prefix}/include
Libs: -L\${prefix}/lib -lminizip -lz
PC
}

smoke() {
    smoke_link c --pkg minizip <<'C'
#include <unzip.h>
int main(void) { return unzOpen64("missing.zip") == NULL ? 0 : 1; }
C
}
