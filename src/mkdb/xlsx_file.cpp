#include <unzip.h>

#include <QXmlStreamReader>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>

#include "mkdb/mdb_writer.h"
#include "mkdb/text_file.h"
#include "mkdb/workbook.h"
#include "platform/error.h"

namespace veltrana::mkdb {

namespace {

// An unpacked part larger than this is no roster: a guard against a zip that unpacks to
// gigabytes.
constexpr ZPOS64_T kMaxPartSize = 64 << 20;

// minizip reads the archive from memory, so the path's spelling never reaches a C runtime.
struct Memory {
    std::string_view bytes;
    ZPOS64_T position = 0;
};

voidpf ZCALLBACK openMemory(voidpf opaque, const void*, int) {
    return opaque;
}

uLong ZCALLBACK readMemory(voidpf, voidpf stream, void* buffer, uLong size) {
    auto* memory = static_cast<Memory*>(stream);
    std::size_t count = std::min<std::size_t>(size, memory->bytes.size() - memory->position);
    std::memcpy(buffer, memory->bytes.data() + memory->position, count);
    memory->position += count;
    return static_cast<uLong>(count);
}

uLong ZCALLBACK writeMemory(voidpf, voidpf, const void*, uLong) {
    return 0;
}

ZPOS64_T ZCALLBACK tellMemory(voidpf, voidpf stream) {
    return static_cast<Memory*>(stream)->position;
}

long ZCALLBACK seekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* memory = static_cast<Memory*>(stream);
    ZPOS64_T base = origin == ZLIB_FILEFUNC_SEEK_SET   ? 0
                    : origin == ZLIB_FILEFUNC_SEEK_CUR ? memory->position
                                                       : memory->bytes.size();
    if (base + offset > memory->bytes.size()) {
        return -1;
    }
    memory->position = base + offset;
    return 0;
}

int ZCALLBACK closeMemory(voidpf, voidpf) {
    return 0;
}

int ZCALLBACK memoryError(voidpf, voidpf) {
    return 0;
}

class Package {
public:
    Package(const std::string& file, std::string_view bytes)
        : where_(fileWhere(file)), memory_{bytes} {
        zlib_filefunc64_def functions{openMemory, readMemory,  writeMemory, tellMemory,
                                      seekMemory, closeMemory, memoryError, &memory_};
        zip_ = unzOpen2_64("", &functions);
        if (zip_ == nullptr) {
            throw broken("不是完整的压缩包");
        }
    }
    ~Package() { unzClose(zip_); }
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    // The unpacked part, empty when the package has none of that name.
    QByteArray part(const std::string& name) {
        if (unzLocateFile(zip_, name.c_str(), 0) != UNZ_OK) {
            return {};
        }
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
            info.uncompressed_size > kMaxPartSize) {
            throw broken("“" + name + "”太大或已损坏");
        }
        QByteArray data(static_cast<qsizetype>(info.uncompressed_size), '\0');
        bool read = unzOpenCurrentFile(zip_) == UNZ_OK &&
                    unzReadCurrentFile(zip_, data.data(), static_cast<unsigned>(data.size())) ==
                        static_cast<int>(data.size());
        // Closing checks the part's CRC.
        if (unzCloseCurrentFile(zip_) != UNZ_OK || !read) {
            throw broken("“" + name + "”已损坏");
        }
        return data;
    }

    Error broken(const std::string& problem) const {
        return Error(kErrNotExpectedFormat,
                     where_ + "不是完整的 Excel 工作簿（.xlsx）：" + problem +
                         "。请在 Excel 或 WPS 中打开它，另存为 .xlsx 后再选择");
    }

private:
    std::string where_;
    Memory memory_;
    unzFile zip_ = nullptr;
};

std::string utf8(QStringView text) {
    return text.toString().toStdString();
}

// The text of a shared or inline string up to the end of `element`: plain, or the runs of rich
// text, without the phonetic guides (rPh) that sit beside Asian text.
std::string stringItem(QXmlStreamReader& xml, QStringView element) {
    std::string text;
    int phonetic = 0;
    while (xml.readNext() != QXmlStreamReader::Invalid && !xml.atEnd()) {
        if (xml.isEndElement() && xml.name() == element) {
            break;
        }
        if (xml.isStartElement() && xml.name() == u"rPh") {
            ++phonetic;
        } else if (xml.isEndElement() && xml.name() == u"rPh") {
            --phonetic;
        } else if (xml.isStartElement() && xml.name() == u"t" && phonetic == 0) {
            text += xml.readElementText().toStdString();
        }
    }
    return text;
}

void finish(const QXmlStreamReader& xml, const Package& package, const std::string& part) {
    if (xml.hasError()) {
        throw package.broken("“" + part + "”不是正确的 XML（" + xml.errorString().toStdString() +
                             "）");
    }
}

std::vector<std::string> sharedStrings(Package& package) {
    const std::string name = "xl/sharedStrings.xml";
    std::vector<std::string> strings;
    QByteArray part = package.part(name);
    if (part.isEmpty()) {  // a workbook without text has none
        return strings;
    }
    QXmlStreamReader xml(part);
    while (!xml.atEnd() && !xml.hasError()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si") {
            strings.push_back(stringItem(xml, u"si"));
        }
    }
    finish(xml, package, name);
    return strings;
}

// The name and the part of the first sheet that is not hidden, as the teacher sees the tabs.
std::pair<std::string, std::string> firstSheet(Package& package) {
    std::string name, id;
    QByteArray content = package.part("xl/workbook.xml");
    if (content.isEmpty()) {  // a zip, but no workbook: a .docx renamed, say
        throw package.broken("其中没有工作簿");
    }
    QXmlStreamReader workbook(content);
    while (id.empty() && !workbook.atEnd() && !workbook.hasError()) {
        workbook.readNext();
        if (workbook.isStartElement() && workbook.name() == u"sheet") {
            auto attributes = workbook.attributes();
            if (attributes.value("state").isEmpty() || attributes.value("state") == u"visible") {
                name = utf8(attributes.value("name"));
                for (const QXmlStreamAttribute& attribute : attributes) {
                    if (attribute.name() == u"id") {  // r:id, whatever the prefix
                        id = utf8(attribute.value());
                    }
                }
            }
        }
    }
    finish(workbook, package, "xl/workbook.xml");
    QXmlStreamReader relations(package.part("xl/_rels/workbook.xml.rels"));
    while (!id.empty() && !relations.atEnd() && !relations.hasError()) {
        relations.readNext();
        if (relations.isStartElement() && relations.name() == u"Relationship" &&
            relations.attributes().value("Id") == QString::fromStdString(id)) {
            std::string target = utf8(relations.attributes().value("Target"));
            return {name, target.starts_with('/') ? target.substr(1) : "xl/" + target};
        }
    }
    throw package.broken("找不到工作表");
}

// Column of a cell reference such as "AB12", from 0; -1 when there is none.
int columnOf(QStringView reference) {
    int column = 0;
    qsizetype i = 0;
    for (; i < reference.size() && reference[i] >= u'A' && reference[i] <= u'Z'; ++i) {
        column = column * 26 + (reference[i].unicode() - u'A' + 1);
    }
    return i == 0 || column > 16384 ? -1 : column - 1;
}

std::string cellText(const std::string& value, QStringView type,
                     const std::vector<std::string>& strings) {
    if (type == u"s") {
        std::size_t index = 0;
        auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), index);
        return error == std::errc() && index < strings.size() ? strings[index] : std::string();
    }
    if (type.isEmpty() || type == u"n") {
        double number = 0;
        auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
        return error == std::errc() && end == value.data() + value.size() ? numberText(number)
                                                                          : value;
    }
    return value;  // formula text (str), TRUE/FALSE (b), #N/A (e)
}

}  // namespace

bool isZipFile(std::string_view bytes) {
    return bytes.starts_with("PK\x03\x04");
}

std::string numberText(double value) {
    char text[32];
    auto [end, error] = std::abs(value) < 1e15 && value == std::floor(value)
                            ? std::to_chars(text, text + sizeof text, static_cast<long long>(value))
                            : std::to_chars(text, text + sizeof text, value);
    return std::string(text, end);
}

Sheet readXlsx(const std::string& file, std::string_view bytes) {
    Package package(file, bytes);
    auto [name, part] = firstSheet(package);
    std::vector<std::string> strings = sharedStrings(package);
    Sheet sheet{fileWhere(file) + "工作表“" + name + "”", {}};

    QXmlStreamReader xml(package.part(part));
    int column = 0;
    int next = 0;  // a cell without a reference follows the one before
    QString type;
    while (!xml.atEnd() && !xml.hasError()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            continue;
        }
        if (xml.name() == u"row") {
            std::size_t previous = sheet.rows.empty() ? 0 : sheet.rows.back().line;
            std::size_t line = xml.attributes().value("r").toULongLong();
            sheet.rows.push_back({line > previous ? line : previous + 1, {}});
            next = 0;
        } else if (xml.name() == u"c" && !sheet.rows.empty()) {
            int at = columnOf(xml.attributes().value("r"));
            column = at < 0 ? next : at;
            next = column + 1;
            type = xml.attributes().value("t").toString();
        } else if ((xml.name() == u"v" || xml.name() == u"is") && !sheet.rows.empty()) {
            std::string text = xml.name() == u"is"
                                   ? stringItem(xml, u"is")
                                   : cellText(xml.readElementText().toStdString(), type, strings);
            std::vector<std::string>& cells = sheet.rows.back().fields;
            if (!text.empty()) {
                cells.resize(std::max(cells.size(), static_cast<std::size_t>(column) + 1));
                cells[static_cast<std::size_t>(column)] = std::move(text);
            }
        }
    }
    finish(xml, package, part);
    std::erase_if(sheet.rows, [](const CsvRecord& row) { return row.fields.empty(); });
    return sheet;
}

}  // namespace veltrana::mkdb
