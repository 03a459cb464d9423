# The phone upload's web server: Debian builds cpp-httplib as a library; for Windows its single
# header is used as it is released, and the program links ws2_32.
version=0.11.4
source=debian:cpp-httplib
depends=()

build() {
    install -D -m 644 src/httplib.h "$prefix/include/httplib.h"
}

smoke() {
    smoke_link c++ -std=c++20 -lws2_32 <<'CPP'
#include <httplib.h>
int main() { return httplib::Server().is_valid() ? 0 : 1; }
CPP
}
