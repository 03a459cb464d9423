#include "mkdb/text_file.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "mkdb/mdb_writer.h"
#include "platform/error.h"
#include "platform/utf8.h"

namespace veltrana::mkdb {

namespace {

// The line is counted in the text decoded before the fault.
Error fault(const std::string& where, std::string_view before, const std::string& problem) {
    std::size_t line = 1 + std::count(before.begin(), before.end(), '\n');
    return Error(kErrNotExpectedFormat, where + "第 " + std::to_string(line) + " 行：" + problem);
}

std::string fromEncoding(std::string_view bytes, const char* encoding, const std::string& where,
                         const std::string& problem) {
    iconv_t converter = iconv_open("UTF-8", encoding);
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        throw Error(kErrNotExpectedFormat,
                    where + "：无法转换 " + encoding + " 编码：" + std::strerror(errno));
    }
    // A character of two bytes takes at most three in UTF-8, one of four bytes at most four.
    std::string text(2 * bytes.size() + 4, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* out = text.data();
    std::size_t outLeft = text.size();
    std::size_t converted = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    text.resize(text.size() - outLeft);
    if (converted == static_cast<std::size_t>(-1)) {
        throw fault(where, text, problem);
    }
    return text;
}

}  // namespace

std::string decodeText(std::string_view bytes, const std::string& where) {
    std::string text;
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        const char* encoding = bytes[0] == '\xFF' ? "UTF-16LE" : "UTF-16BE";
        text = fromEncoding(bytes.substr(2), encoding, where, "不是完整的 UTF-16 文本");
    } else {
        bool byteOrderMark = bytes.starts_with("\xEF\xBB\xBF");
        bytes.remove_prefix(byteOrderMark ? 3 : 0);
        std::size_t bad = forEachCharacter(bytes, [](char32_t) { return true; });
        if (bad == std::string_view::npos) {
            text = bytes;
        } else if (byteOrderMark) {
            throw fault(where, bytes.substr(0, bad), "含有不是 UTF-8 的字节");
        } else {
            text = fromEncoding(bytes, "GB18030", where,
                                "编码无法识别，应是 UTF-8、UTF-16（带字节顺序标记）或 GB18030");
        }
    }
    std::size_t bad = forEachCharacter(text, [](char32_t c) { return c != 0 && c <= 0xFFFF; });
    if (bad != std::string_view::npos) {
        throw fault(where, std::string_view(text).substr(0, bad),
                    "含有 NUL 或 U+FFFF 以外的字符，Access 的文本存不下");
    }
    return text;
}

std::string fileWhere(const std::string& file) {
    return "文件“" + file + "”";
}

std::string readFileBytes(const std::string& file) {
    std::ifstream in(utf8Path(file), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad()) {
        int code = errno;
        throw Error(code == ENOENT ? err::kFileNotFound : err::kPathFileAccess,
                    "无法读取" + fileWhere(file) + "：" + std::strerror(code));
    }
    return bytes;
}

std::string readTextFile(const std::string& file) {
    return decodeText(readFileBytes(file), fileWhere(file));
}

}  // namespace veltrana::mkdb
