/* iconv over MultiByteToWideChar and WideCharToMultiByte; see iconv.h. Each character goes
 * through UTF-16 on its own, which keeps the error positions exact at a cost that does not
 * matter for names and rosters. */
#include "iconv.h"

#include <ctype.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

enum { kUtf16Le = 1200, kUtf16Be = 1201, kGb18030 = 54936 };

struct converter {
    unsigned from;
    unsigned to;
};

/* The code page an iconv name stands for, 0 when there is none. Case, '-' and '_' do not
 * matter, as with glibc. */
static unsigned code_page(const char* name) {
    static const struct {
        const char* name;
        unsigned code_page;
    } named[] = {
        {"UTF8", CP_UTF8},    {"UTF16LE", kUtf16Le}, {"UCS2LE", kUtf16Le}, {"UTF16BE", kUtf16Be},
        {"UCS2BE", kUtf16Be}, {"GB18030", kGb18030}, {"GBK", 936},         {"GB2312", 936},
        {"BIG5", 950},        {"SHIFTJIS", 932},     {"SJIS", 932},        {"EUCJP", 20932},
        {"EUCKR", 51949},     {"KOI8R", 20866},      {"KOI8U", 21866},     {"ASCII", 20127},
        {"USASCII", 20127},   {"LATIN1", 28591},     {"UTF7", 65000},
    };
    static const char* const numbered[] = {"CP", "WINDOWS", "IBM", "MS"};
    char key[32];
    size_t length = 0;
    for (; *name != '\0'; ++name) {
        if (*name == '-' || *name == '_') {
            continue;
        }
        if (length + 1 == sizeof key) {
            return 0;
        }
        key[length++] = (char)toupper((unsigned char)*name);
    }
    key[length] = '\0';
    for (size_t i = 0; i < sizeof named / sizeof named[0]; ++i) {
        if (strcmp(key, named[i].name) == 0) {
            return named[i].code_page;
        }
    }
    const char* digits = NULL;
    unsigned base = 0;
    if (strncmp(key, "ISO8859", 7) == 0) {
        digits = key + 7;
        base = 28590; /* ISO-8859-n is 28590 + n */
    }
    for (size_t i = 0; digits == NULL && i < sizeof numbered / sizeof numbered[0]; ++i) {
        size_t prefix = strlen(numbered[i]);
        if (strncmp(key, numbered[i], prefix) == 0) {
            digits = key + prefix;
        }
    }
    if (digits == NULL || *digits < '1' || *digits > '9' ||
        strspn(digits, "0123456789") != strlen(digits)) {
        return 0;
    }
    unsigned page = base + (unsigned)strtoul(digits, NULL, 10);
    return page == kUtf16Le || page == kUtf16Be || IsValidCodePage(page) ? page : 0;
}

/* The bytes of the character at in, 0 when the input ends inside it. An invalid character gets
 * the length of its invalid part, so that its conversion fails. */
static size_t char_length(unsigned page, const unsigned char* in, size_t left) {
    size_t length = 1;
    if (page == kUtf16Le || page == kUtf16Be) {
        if (left < 2) {
            return 0;
        }
        unsigned unit = page == kUtf16Le ? in[0] | in[1] << 8 : in[0] << 8 | in[1];
        length = unit >= 0xD800 && unit < 0xDC00 ? 4 : 2;
    } else if (page == CP_UTF8) {
        length = in[0] < 0xC0 ? 1 : in[0] < 0xE0 ? 2 : in[0] < 0xF0 ? 3 : in[0] < 0xF8 ? 4 : 1;
        for (size_t i = 1; i < length && i < left; ++i) {
            if ((in[i] & 0xC0) != 0x80) {
                return i;
            }
        }
    } else if (page == kGb18030) {
        if (in[0] > 0x80 && in[0] < 0xFF) {
            length = left > 1 && in[1] >= 0x30 && in[1] <= 0x39 ? 4 : 2;
        }
    } else if (IsDBCSLeadByteEx(page, in[0])) {
        length = 2;
    }
    return length <= left ? length : 0;
}

/* The system's code page for page. Wine 8 lacks GB18030; GBK, its two-byte part, is what Excel
 * and WPS write, and its four-byte characters are then refused as invalid. */
static unsigned system_page(unsigned page) {
    return page == kGb18030 && !IsValidCodePage(kGb18030) ? 936 : page;
}

/* One character to UTF-16: the number of units, 0 when it is invalid. */
static int to_utf16(unsigned page, const unsigned char* in, size_t length, wchar_t wide[2]) {
    if (page == kUtf16Le || page == kUtf16Be) {
        for (size_t i = 0; i < length / 2; ++i) {
            const unsigned char* unit = in + 2 * i;
            wide[i] = (wchar_t)(page == kUtf16Le ? unit[0] | unit[1] << 8 : unit[0] << 8 | unit[1]);
        }
        int units = (int)(length / 2);
        int paired = units == 2 && wide[1] >= 0xDC00 && wide[1] < 0xE000;
        int lone = units == 1 && wide[0] >= 0xDC00 && wide[0] < 0xE000;
        return (units == 2 && !paired) || lone ? 0 : units;
    }
    /* GBK's euro sign and 0xFF are no characters of GB18030. */
    if (page == kGb18030 && length == 1 && in[0] >= 0x80) {
        return 0;
    }
    /* The flag is refused for the stateful code pages (the ISO-2022 family, UTF-7). */
    DWORD flags = page == 65000 || (page >= 50220 && page <= 50229) ? 0 : MB_ERR_INVALID_CHARS;
    return MultiByteToWideChar(system_page(page), flags, (const char*)in, (int)length, wide, 2);
}

/* The character in UTF-16 written in the target: the number of bytes, 0 when it cannot be. */
static int from_utf16(unsigned page, const wchar_t* wide, int units, char* out, int size) {
    if (page == kUtf16Le || page == kUtf16Be) {
        for (int i = 0; i < units; ++i) {
            unsigned char low = (unsigned char)(wide[i] & 0xFF),
                          high = (unsigned char)(wide[i] >> 8);
            out[2 * i] = (char)(page == kUtf16Le ? low : high);
            out[2 * i + 1] = (char)(page == kUtf16Le ? high : low);
        }
        return 2 * units;
    }
    page = system_page(page);
    if (page == CP_UTF8 || page == kGb18030) {
        return WideCharToMultiByte(page, WC_ERR_INVALID_CHARS, wide, units, out, size, NULL, NULL);
    }
    BOOL replaced = FALSE;
    int written =
        WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide, units, out, size, NULL, &replaced);
    return replaced ? 0 : written;
}

iconv_t iconv_open(const char* tocode, const char* fromcode) {
    unsigned to = code_page(tocode), from = code_page(fromcode);
    if (to == 0 || from == 0) {
        errno = EINVAL;
        return (iconv_t)-1;
    }
    struct converter* converter = malloc(sizeof *converter);
    if (converter == NULL) {
        errno = ENOMEM;
        return (iconv_t)-1;
    }
    converter->from = from;
    converter->to = to;
    return converter;
}

size_t iconv(iconv_t cd, char** inbuf, size_t* inbytesleft, char** outbuf, size_t* outbytesleft) {
    if (cd == (iconv_t)-1 || cd == NULL) {
        errno = EBADF;
        return (size_t)-1;
    }
    if (inbuf == NULL || *inbuf == NULL) {
        return 0; /* no shift state to reset */
    }
    const struct converter* converter = cd;
    while (*inbytesleft > 0) {
        const unsigned char* in = (const unsigned char*)*inbuf;
        size_t length = char_length(converter->from, in, *inbytesleft);
        if (length == 0) {
            errno = EINVAL;
            return (size_t)-1;
        }
        wchar_t wide[2];
        char bytes[16];
        int units = to_utf16(converter->from, in, length, wide);
        int written = units == 0 ? 0 : from_utf16(converter->to, wide, units, bytes, sizeof bytes);
        if (written == 0) {
            errno = EILSEQ;
            return (size_t)-1;
        }
        if ((size_t)written > *outbytesleft) {
            errno = E2BIG;
            return (size_t)-1;
        }
        memcpy(*outbuf, bytes, (size_t)written);
        *outbuf += written;
        *outbytesleft -= (size_t)written;
        *inbuf += length;
        *inbytesleft -= length;
    }
    return 0;
}

int iconv_close(iconv_t cd) {
    if (cd == (iconv_t)-1 || cd == NULL) {
        errno = EBADF;
        return -1;
    }
    free(cd);
    return 0;
}
