# The QR code library of the phone upload, static and without its command-line tool (which would
# need libpng).
version=4.1.1
source=debian:qrencode
depends=()

build() {
    cmake -S src -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
        -DWITH_TOOLS=OFF -DWITH_TESTS=OFF >/dev/null
    cmake --build build -j"$jobs"
    cmake --install build >/dev/null
}

smoke() {
    smoke_link c --pkg libqrencode <<'C'
#include <stddef.h>
#include <qrencode.h>
int main(void)
{
    QRcode *code = QRcode_encodeString("veltrana", 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    const int ok = code != NULL;
    QRcode_free(code);
    return ok ? 0 : 1;
}
C
}
