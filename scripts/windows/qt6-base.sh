# Qt's base modules, only what the program and its tests use.
version=6.4.2
source=debian:qt6-base
depends=()

build() {
    echo "   about half an hour on two cores, once"
    # Debian's source leaves out the Wintab headers, hence no tablet events; without TLS, Windows'
    # own TLS backend plugin does not build. OpenGL stays: the Windows platform plugin of 6.4 does
    # not build without it.
    cmake -S src -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
        -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_openssl=OFF -DFEATURE_ssl=OFF \
        -DFEATURE_schannel=OFF \
        -DFEATURE_tabletevent=OFF -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF \
        -DFEATURE_system_jpeg=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF \
        -DFEATURE_system_pcre2=OFF -DFEATURE_icu=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF \
        -DFEATURE_vulkan=OFF -DFEATURE_sql=OFF -DFEATURE_testlib=ON >configure.log
    cmake --build build -j"$jobs"
    cmake --install build >/dev/null
}

# Through Qt's CMake packages, as the program finds Qt; one symbol of each module, so that each
# is really linked.
smoke() {
    cat >CMakeLists.txt <<'CMAKE'
cmake_minimum_required(VERSION 3.16)
project(smoke CXX)
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Network)
add_executable(smoke smoke.cpp)
target_link_libraries(smoke PRIVATE Qt6::Core Qt6::Gui Qt6::Widgets Qt6::Network)
CMAKE
    cat >smoke.cpp <<'CPP'
#include <QColor>
#include <QCoreApplication>
#include <QHostAddress>
#include <QWidget>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QColor red(Qt::red);
    const QHostAddress host(QHostAddress::LocalHost);
    return red.isValid() && !host.isNull() && QWidget::staticMetaObject.className() ? 0 : 1;
}
CPP
    cmake -S . -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >/dev/null
    cmake --build build
}
