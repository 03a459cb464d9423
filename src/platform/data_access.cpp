#include "platform/data_access.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "platform/error.h"

namespace veltrana {

namespace {

const std::string kDriverName = "Microsoft Access Driver (*.mdb)";

bool equalsNoCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) {
        s.remove_prefix(1);
    }
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) {
        s.remove_suffix(1);
    }
    return s;
}

struct ConnectionSettings {
    std::string driver;
    std::string dbq;
};

// KEY=value pairs split by ";". A piece without "=" belongs to the value before it, so a
// folder whose name holds ";" still reaches the driver whole.
ConnectionSettings parseConnectionString(const std::string& text) {
    ConnectionSettings settings;
    std::string* last = nullptr;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string_view piece(text.data() + start, end - start);
        std::size_t eq = piece.find('=');
        if (eq == std::string_view::npos) {
            if (last != nullptr && !piece.empty()) {
                *last += ';';
                *last += piece;
            }
        } else {
            std::string_view key = trim(piece.substr(0, eq));
            std::string value(piece.substr(eq + 1));
            if (equalsNoCase(key, "DRIVER")) {
                settings.driver = std::string(trim(value));
                last = &settings.driver;
            } else if (equalsNoCase(key, "DBQ")) {
                settings.dbq = value;
                last = &settings.dbq;
            } else {
                last = nullptr;
            }
        }
        start = end + 1;
    }
    if (settings.driver.size() >= 2 && settings.driver.front() == '{' &&
        settings.driver.back() == '}') {
        settings.driver = settings.driver.substr(1, settings.driver.size() - 2);
    }
    return settings;
}

}  // namespace

void Connection::Open(const std::string& connectionString, const std::string& /*userId*/,
                      const std::string& /*password*/, int /*options*/) {
    if (open_) {
        throw Error(err::kObjectOpen, "对象打开时，不允许操作：连接已经打开");
    }
    if (!connectionString.empty()) {
        ConnectionString = connectionString;
    }
    ConnectionSettings settings = parseConnectionString(ConnectionString);
    if (!equalsNoCase(settings.driver, kDriverName)) {
        throw Error(err::kDriverFailure,
                    "[ODBC 驱动程序管理器] 未发现数据源名称并且未指定默认驱动程序：“" +
                        settings.driver + "”");
    }
    if (settings.dbq.empty()) {
        throw Error(err::kDriverFailure,
                    "[ODBC Microsoft Access Driver] 连接字符串中没有数据库文件（DBQ）");
    }
    openFile(settings.dbq);
    open_ = true;
}

void Connection::Close() {
    if (!open_) {
        throw Error(err::kObjectClosed, "对象关闭时，不允许操作：连接没有打开");
    }
    closeFile();
    open_ = false;
}

Table Connection::readTable(const std::string& name) {
    if (!open_) {
        throw Error(err::kConnectionNotUsable,
                    "连接无法用于执行此操作，它已被关闭或无效：无法读取表“" + name + "”");
    }
    return readTableFromFile(name);
}

std::string tableOfQuery(const std::string& source) {
    auto unsupported = [&source]() {
        return Error(err::kSyntaxError, "[ODBC Microsoft Access Driver] 不支持的语句：“" + source +
                                            "”（只支持 Select * from 表名）");
    };
    std::string_view rest = trim(source);
    auto takeWord = [&rest](std::string_view word) {
        if (rest.size() < word.size() || !equalsNoCase(rest.substr(0, word.size()), word)) {
            return false;
        }
        rest.remove_prefix(word.size());
        return true;
    };
    auto takeBlanks = [&rest]() {
        std::size_t n = 0;
        while (n < rest.size() && std::isspace(static_cast<unsigned char>(rest[n]))) {
            ++n;
        }
        rest.remove_prefix(n);
        return n > 0;
    };
    if (!takeWord("select")) {
        throw unsupported();
    }
    takeBlanks();
    if (!takeWord("*")) {
        throw unsupported();
    }
    takeBlanks();
    if (!takeWord("from") || !takeBlanks() || rest.empty()) {
        throw unsupported();
    }
    std::string_view name = rest;
    if (name.front() == '[') {
        if (name.size() < 3 || name.back() != ']' ||
            name.substr(1, name.size() - 2).find_first_of("[]") != std::string_view::npos) {
            throw unsupported();
        }
        name = name.substr(1, name.size() - 2);
    } else if (std::any_of(name.begin(), name.end(), [](char c) {
                   return std::isspace(static_cast<unsigned char>(c)) || c == '[' || c == ']' ||
                          c == ';' || c == ',';
               })) {
        throw unsupported();
    }
    return std::string(name);
}

void Recordset::Open(const std::string& source, Connection& activeConnection, int /*cursorType*/,
                     int /*lockType*/, int /*options*/) {
    if (open_) {
        throw Error(err::kObjectOpen,
                    "对象打开时，不允许操作：记录集已在表“" + tableName_ + "”上打开");
    }
    std::string name = tableOfQuery(source);
    table_ = activeConnection.readTable(name);
    tableName_ = name;
    current_ = 0;
    open_ = true;
}

void Recordset::requireOpen(const char* operation) const {
    if (!open_) {
        throw Error(err::kObjectClosed,
                    std::string("对象关闭时，不允许操作：记录集没有打开（") + operation + "）");
    }
}

std::int32_t Recordset::RecordCount() const {
    requireOpen("RecordCount");
    return static_cast<std::int32_t>(table_.rows.size());
}

Value Recordset::Fields(const std::string& name) const {
    requireOpen("Fields");
    auto column = std::find_if(table_.columns.begin(), table_.columns.end(),
                               [&name](const std::string& c) { return equalsNoCase(c, name); });
    if (column == table_.columns.end()) {
        throw Error(err::kFieldNotFound, "在集合中找不到与名称对应的项目：表“" + tableName_ +
                                             "”中没有字段“" + name + "”");
    }
    if (current_ >= table_.rows.size()) {
        throw Error(err::kNoCurrentRecord,
                    "BOF 或 EOF 中有一个为真，操作要求一个当前记录：已读过表“" + tableName_ +
                        "”的最后一行，无法读取字段“" + name + "”");
    }
    return table_.rows[current_][static_cast<std::size_t>(column - table_.columns.begin())];
}

void Recordset::MoveNext() {
    requireOpen("MoveNext");
    if (current_ >= table_.rows.size()) {
        throw Error(err::kNoCurrentRecord,
                    "BOF 或 EOF 中有一个为真，操作要求一个当前记录：已读过表“" + tableName_ +
                        "”的最后一行");
    }
    ++current_;
}

void Recordset::MoveFirst() {
    requireOpen("MoveFirst");
    if (table_.rows.empty()) {
        throw Error(err::kNoCurrentRecord, "BOF 或 EOF 中有一个为真，操作要求一个当前记录：表“" +
                                               tableName_ + "”没有记录");
    }
    current_ = 0;
}

void Recordset::Close() {
    requireOpen("Close");
    open_ = false;
    table_ = Table();
    tableName_.clear();
}

}  // namespace veltrana
