# GoogleTest and GoogleMock from the sources Debian's googletest package installs.
version=1.12.1
source=installed:googletest
depends=()

build() {
    cmake -S /usr/src/googletest -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build build -j"$jobs" >/dev/null
    cmake --install build >/dev/null
}

smoke() {
    smoke_link c++ -std=c++20 -lgmock -lgtest <<'CPP'
#include <gmock/gmock.h>
int main(int argc, char *argv[]) { testing::InitGoogleMock(&argc, argv); }
CPP
}
