# FreeXL reads .xls rosters; it converts their code pages with iconv, the shim of this build. The
# patches under scripts/patches are shared with the Linux build.
version=1.0.6
source=debian:freexl
depends=(iconv)
patches=("$root"/scripts/patches/freexl-*.patch)

build() {
    # On MinGW freexl.c includes localcharset.h but never calls locale_charset, so a declaration
    # stands in for GNU libcharset, and configure is told the function needs no library.
    mkdir -p charset
    echo 'const char *locale_charset (void);' >charset/localcharset.h
    (cd src && ./configure -q --host=x86_64-w64-mingw32 --prefix="$prefix" --disable-shared \
        --enable-static CC=x86_64-w64-mingw32-gcc-posix CPPFLAGS="-I$prefix/include -I$work/charset" \
        LDFLAGS="-L$prefix/lib" LIBS="-liconv" ac_cv_search_locale_charset="none required" \
        >../configure.log && make -j"$jobs" >/dev/null && make install >/dev/null)
    # Linked statically, FreeXL needs iconv and the maths library after it.
    sed -i 's/^Libs: .*/& -liconv -lm/' "$prefix/lib/pkgconfig/freexl.pc"
}

smoke() {
    smoke_link c --pkg freexl <<'C'
#include <freexl.h>
int main(void)
{
    const void *xls;
    return freexl_open("missing.xls", &xls) != FREEXL_OK ? 0 : 1;
}
C
}
