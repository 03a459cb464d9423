/* iconv for Windows over the system's own code page conversions, so that libmdb and the roster
 * decoder read the same texts on Windows as with glibc. Built by scripts/build-windows.sh into
 * the Windows prefix as include/iconv.h and lib/libiconv.a; Linux uses glibc's iconv.
 *
 * Conversions are stateless and character by character: UTF-8, UTF-16LE/BE (also named UCS-2),
 * GB18030 (GBK where the system lacks it, as Wine 8 does) and every code page the system knows,
 * named "CP936", "WINDOWS-1252", "IBM850", "ISO-8859-1", "GBK", "BIG5" and so on. Errors follow
 * POSIX: EINVAL for an incomplete character at the end of the input, EILSEQ for one that is
 * invalid or cannot be written in the target, E2BIG when the output is full; the pointers then
 * stand just after the last whole character. */
#ifndef VELTRANA_WIN_ICONV_H
#define VELTRANA_WIN_ICONV_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* iconv_t;

iconv_t iconv_open(const char* tocode, const char* fromcode);
size_t iconv(iconv_t cd, char** inbuf, size_t* inbytesleft, char** outbuf, size_t* outbytesleft);
int iconv_close(iconv_t cd);

#ifdef __cplusplus
}
#endif

#endif
