// The conversions that the Access reader (through libmdb) and the roster decoder ask of iconv:
// glibc's on Linux, ours over the system's code pages on Windows. Both builds run the same
// cases, so Windows reads the same texts as Linux.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

struct Conversion {
    const char* name;
    const char* to;
    const char* from;
    std::string in;
    std::string out;     // what comes out before the end or the fault
    int error;           // errno, 0 for none
    std::size_t usedUp;  // bytes of in converted
};

void PrintTo(const Conversion& c, std::ostream* out) {
    *out << c.name;
}

class IconvTest : public ::testing::TestWithParam<Conversion> {};

TEST_P(IconvTest, ConvertsAsGlibcDoes) {
    const Conversion& c = GetParam();
#ifdef _WIN32
    if (std::string(c.from) == "GB18030" && c.in.find("\x81\x30") != std::string::npos &&
        !IsValidCodePage(54936)) {
        GTEST_SKIP() << "this system (Wine 8) has no GB18030 code page, only its GBK part";
    }
#endif
    iconv_t converter = iconv_open(c.to, c.from);
    ASSERT_NE(converter, reinterpret_cast<iconv_t>(-1)) << c.from << " to " << c.to;
    std::string out(64, '\0');
    char* in = const_cast<char*>(c.in.data());
    std::size_t inLeft = c.in.size();
    char* next = out.data();
    std::size_t outLeft = out.size();
    errno = 0;
    std::size_t result = iconv(converter, &in, &inLeft, &next, &outLeft);
    int error = result == static_cast<std::size_t>(-1) ? errno : 0;
    iconv_close(converter);
    out.resize(out.size() - outLeft);
    EXPECT_EQ(out, c.out);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(c.in.size() - inLeft, c.usedUp);
}

INSTANTIATE_TEST_SUITE_P(
    Names, IconvTest,
    ::testing::Values(
        // Jet 4 and ACE text, and the other way for names looked up.
        Conversion{"utf16le", "UTF-8", "UTF-16LE", "\x8B\x73\xB3\x82", "王芳", 0, 4},
        Conversion{"ucs2le", "UTF-8", "UCS-2LE", "\x8B\x73\xB3\x82", "王芳", 0, 4},
        Conversion{"toUcs2le", "UCS-2LE", "UTF-8", "王芳", "\x8B\x73\xB3\x82", 0, 6},
        Conversion{"surrogatePair", "UTF-8", "UTF-16LE", "\x40\xD8\x0B\xDC", "\xF0\xA0\x80\x8B", 0,
                   4},
        Conversion{"loneSurrogate", "UTF-8", "UTF-16LE", std::string("A\0\x0B\xDC", 4), "A", EILSEQ,
                   2},
        Conversion{"halfUnit", "UTF-8", "UTF-16LE", std::string("A\0B", 3), "A", EINVAL, 2},
        Conversion{"utf16be", "UTF-8", "UTF-16BE", "\x73\x8B\x82\xB3", "王芳", 0, 4},
        // Jet 3 text in the file's code page, 936 on a Chinese Windows.
        Conversion{"cp936", "UTF-8", "CP936", "\xCD\xF5\xB7\xBC", "王芳", 0, 4},
        Conversion{"cp936BadTrail", "UTF-8", "CP936", "\xCD\xF5\xB7\x20", "王", EILSEQ, 2},
        // Rosters saved on a Chinese Windows.
        Conversion{"gb18030", "UTF-8", "GB18030", "\xD4\xF8\xD0\xA1\xC3\xF7", "曾小明", 0, 6},
        Conversion{"gb18030FourBytes", "UTF-8", "GB18030", "\x81\x30\x81\x30", "\xC2\x80", 0, 4},
        Conversion{"gb18030Cut", "UTF-8", "GB18030", "A\xD4", "A", EINVAL, 1},
        Conversion{"gb18030Euro", "UTF-8", "GB18030", "A\x80", "A", EILSEQ, 1},
        Conversion{"badUtf8", "UTF-16LE", "UTF-8", "A\xFF", std::string("A\0", 2), EILSEQ, 1},
        Conversion{"notInLatin1", "ISO-8859-1", "UTF-8", "a王", "a", EILSEQ, 1}),
    [](const ::testing::TestParamInfo<Conversion>& info) { return info.param.name; });

TEST(IconvTest, UnknownEncodingIsRefused) {
    errno = 0;
    EXPECT_EQ(iconv_open("UTF-8", "NO-SUCH-CODE"), reinterpret_cast<iconv_t>(-1));
    EXPECT_EQ(errno, EINVAL);
}

}  // namespace
