# libmdb alone, static, with mdbtools' own GLib replacement and our iconv. Bookworm's 0.9 lacks
# what the reader needs, so the source is the next Debian release's.
version=1.0.1
source=next:mdbtools=1.0.1-0.1
depends=(iconv)
patches=("$recipes"/mdbtools-*.patch)

build() {
    # Our iconv.h comes from the prefix, and an older libmdb's headers there would shadow the new.
    rm -f "$prefix"/include/mdb*.h
    (cd src && autoreconf -i >/dev/null 2>&1 &&
        ./configure -q --host=x86_64-w64-mingw32 CC=x86_64-w64-mingw32-gcc-posix \
            --prefix="$prefix" --disable-shared --enable-static --disable-glib --disable-man \
            CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" &&
        make -s -C src/libmdb -j"$jobs" && make -s -C src/libmdb install &&
        make -s -C include install && make -s install-pkgconfigDATA) >build.log 2>&1 ||
        { tail -n 30 build.log; return 1; }
}

# The stream opener is public on Windows only through our patch.
smoke() {
    smoke_link c --pkg libmdb -liconv <<'C'
#include <mdbtools.h>
int main(void)
{
    MdbHandle *(*open_stream)(FILE *, MdbFileFlags) = mdb_handle_from_stream;
    return open_stream != NULL && mdb_open("missing.mdb", MDB_NOFLAGS) == NULL ? 0 : 1;
}
C
}
