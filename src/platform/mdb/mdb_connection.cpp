#include "platform/mdb/mdb_connection.h"

// mdbtools.h wraps glib in extern "C"; glib's C++ parts then need <type_traits> already seen,
// which the header above brings in.
#include <mdbtools.h>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/case_fold.h"
#include "platform/error.h"
#include "platform/mdb/value_text.h"
#include "platform/utf8.h"

// libmdb trusts the file it reads. A damaged file can send it round a loop of long-value pages
// for ever, or make it read beyond its buffers. So this reader lets libmdb do only what it does
// safely (open the file, decode table definitions, walk the data pages, split a row into its
// fields, convert text) and does the rest itself: the file's size and header are checked before
// libmdb sees it, the catalog is read without the property blobs (mdb_read_catalog follows their
// page chains without a bound), and every field is checked against its row before its bytes
// are read. Memo chains are followed with a bound of one hop per page of the file.

namespace veltrana {

namespace {

constexpr int kOffsetMask = 0x1fff;  // row offsets carry flags in their top three bits
constexpr int kDeletedRow = 0x4000;
constexpr int kMemoHeaderSize = MDB_MEMO_OVERHEAD;
constexpr unsigned kMaxColumns = 255;  // the most fields Access allows in a table
constexpr unsigned kMaxIndexes = 255;
constexpr int kMaxDecimalScale = 28;
constexpr int kBigInt = 0x13;  // "Large Number" of Access 2016, unknown to libmdb 1.0

// libmdb writes its warnings to stderr, which the teacher never sees and which would only
// confuse a console user beside our own message.
#ifdef _WIN32
// Windows' stderr cannot be assigned; descriptor 2 points to NUL for the time of a call instead.
class QuietLibmdb {
public:
    QuietLibmdb() : saved_(_dup(2)) {
        static const int nul = _open("NUL", _O_WRONLY);
        if (saved_ >= 0 && nul >= 0) {
            std::fflush(stderr);
            _dup2(nul, 2);
        }
    }
    ~QuietLibmdb() {
        if (saved_ >= 0) {
            std::fflush(stderr);
            _dup2(saved_, 2);
            _close(saved_);
        }
    }
    QuietLibmdb(const QuietLibmdb&) = delete;
    QuietLibmdb& operator=(const QuietLibmdb&) = delete;

private:
    int saved_;
};
#else
// glibc's libmdb uses the stdio stream, not descriptor 2, so swapping the stream for the time of
// a call silences it while sanitizer reports (written to descriptor 2) still get through.
class QuietLibmdb {
public:
    QuietLibmdb() : saved_(stderr) {
        static FILE* const devNull = std::fopen("/dev/null", "w");
        if (devNull != nullptr) {
            stderr = devNull;
        }
    }
    ~QuietLibmdb() { stderr = saved_; }
    QuietLibmdb(const QuietLibmdb&) = delete;
    QuietLibmdb& operator=(const QuietLibmdb&) = delete;

private:
    FILE* saved_;
};
#endif

// mdb_open takes a narrow name, which Windows reads in the system's code page; there the file
// is opened by its wide name and handed to libmdb as a stream. It is shared as Linux shares it:
// the teacher may replace or rename the database while the program has it open.
MdbHandle* openMdb(const std::string& path) {
#ifdef _WIN32
    HANDLE handle = CreateFileW(utf8Path(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (descriptor < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(descriptor, "rb");
    if (file == nullptr) {
        _close(descriptor);
        return nullptr;
    }
    return mdb_handle_from_stream(file, MDB_NOFLAGS);
#else
    return mdb_open(path.c_str(), MDB_NOFLAGS);
#endif
}

struct TableDefDeleter {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using TableDefPtr = std::unique_ptr<MdbTableDef, TableDefDeleter>;

// The bytes a value of this type needs in its row; 0 for variable-length types.
int storedSize(int type) {
    switch (type) {
        case MDB_BYTE:
            return 1;
        case MDB_INT:
            return 2;
        case MDB_LONGINT:
        case MDB_COMPLEX:
        case MDB_FLOAT:
            return 4;
        case MDB_MONEY:
        case MDB_DOUBLE:
        case MDB_DATETIME:
        case kBigInt:
            return 8;
        case MDB_REPID:
            return 16;
        case MDB_NUMERIC:
            return 17;
        default:
            return 0;
    }
}

struct CatalogEntry {
    std::string name;
    std::u16string foldedName;
    unsigned long tdefPage;
};

class MdbConnection : public Connection {
public:
    MdbConnection() = default;
    MdbConnection(const MdbConnection&) = delete;
    MdbConnection& operator=(const MdbConnection&) = delete;
    ~MdbConnection() override { closeFile(); }

protected:
    void openFile(const std::string& path) override;
    void closeFile() override;
    Table readTableFromFile(const std::string& name) override;

private:
    [[noreturn]] void damaged(const std::string& detail) const;
    [[noreturn]] void damagedField(const std::string& tableName, const MdbColumn& column,
                                   const std::string& detail) const;
    void checkFile();
    void checkNoPassword() const;
    void useUtf8();
    void readCatalog();
    TableDefPtr readDefinition(MdbCatalogEntry& entry, const std::string& tableName);
    void checkUsageMap(const MdbTableDef& table, const std::string& tableName);
    // Calls onRow(fields) for every live row of the table, fields as libmdb splits them.
    template <typename OnRow>
    void forEachRow(MdbTableDef& table, OnRow onRow);
    Value valueOf(const MdbColumn& column, const MdbField& field, const std::string& tableName);
    std::string text(const char* bytes, std::size_t size);
    std::string memoText(const MdbField& field, const std::string& tableName,
                         const MdbColumn& column);

    std::string path_;
    MdbHandle* mdb_ = nullptr;
    unsigned long pageCount_ = 0;
    std::vector<CatalogEntry> catalog_;
    std::vector<MdbField> fields_;
    std::vector<char> textBuffer_;
    std::string memoBytes_;
};

void MdbConnection::damaged(const std::string& detail) const {
    throw Error(err::kDriverFailure,
                "[ODBC Microsoft Access Driver] 数据库文件“" + path_ + "”已损坏：" + detail);
}

void MdbConnection::damagedField(const std::string& tableName, const MdbColumn& column,
                                 const std::string& detail) const {
    damaged("表“" + tableName + "”字段“" + column.name + "”" + detail);
}

// Header and size are checked here so that the user gets our message and libmdb never starts
// on a file that is not a whole Access database.
void MdbConnection::checkFile() {
    std::error_code error;
    const std::filesystem::path file = utf8Path(path_);
    auto status = std::filesystem::status(file, error);
    if (!std::filesystem::exists(status)) {
        throw Error(err::kDriverFailure,
                    "[ODBC Microsoft Access Driver] 找不到数据库文件“" + path_ + "”");
    }
    if (!std::filesystem::is_regular_file(status)) {
        throw Error(err::kDriverFailure,
                    "[ODBC Microsoft Access Driver] “" + path_ + "”不是文件，无法作为数据库打开");
    }
    std::ifstream in(file, std::ios::binary);
    char header[0x20] = {};
    if (!in) {
        throw Error(err::kDriverFailure, "[ODBC Microsoft Access Driver] 无法读取数据库文件“" +
                                             path_ + "”（没有读取权限或文件已被占用）");
    }
    in.read(header, sizeof header);
    auto notAccess = [this]() {
        return Error(err::kDriverFailure,
                     "[ODBC Microsoft Access Driver] 文件“" + path_ + "”不是 Access 数据库");
    };
    if (in.gcount() != sizeof header || header[0] != 0 ||
        (std::memcmp(header + 4, "Standard Jet DB", 15) != 0 &&
         std::memcmp(header + 4, "Standard ACE DB", 15) != 0)) {
        throw notAccess();
    }
    int version = static_cast<unsigned char>(header[0x14]);
    if (version > MDB_VER_ACCDB_2019) {
        throw Error(err::kDriverFailure, "[ODBC Microsoft Access Driver] 数据库文件“" + path_ +
                                             "”的版本（" + std::to_string(version) + "）无法识别");
    }
    auto size = std::filesystem::file_size(file, error);
    unsigned long pageSize = version == MDB_VER_JET3 ? 2048 : 4096;
    if (error || size % pageSize != 0 || size / pageSize < 3) {
        damaged("文件长度 " + std::to_string(size) + " 字节不是完整的页（文件可能被截断）");
    }
    pageCount_ = static_cast<unsigned long>(size / pageSize);
}

// libmdb converts text to what MDBICONV names and Jet 3 text from what MDB_JET3_CHARSET or the
// file's code page names, defaulting to the western code page. We always want UTF-8, Chinese
// Jet 3 files included, and UTF-16 so that the rarer characters of names (outside UCS-2) come
// through.
void MdbConnection::useUtf8() {
    std::string from = "UTF-16LE";
    if (mdb_->f->jet_version == MDB_VER_JET3) {
        from = "CP" + std::to_string(mdb_->f->code_page == 0 ? 936 : mdb_->f->code_page);
    }
    iconv_t converter = iconv_open("UTF-8", from.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        converter = iconv_open("UTF-8", "CP936");
    }
    if (mdb_->iconv_in != reinterpret_cast<iconv_t>(-1)) {
        iconv_close(mdb_->iconv_in);
    }
    mdb_->iconv_in = converter;
}

// A database with a password cannot be opened without it, and the program has none to give.
// Access 2007 and later encrypt every page of such a file (a non-zero key in the header), which
// libmdb would read as garbage; older files keep the password, masked with the creation date,
// in the header. Reads page 0 as libmdb leaves it after opening: header already unmasked.
void MdbConnection::checkNoPassword() const {
    const unsigned char* header = mdb_->pg_buf;
    bool jet3 = mdb_->f->jet_version == MDB_VER_JET3;
    bool password = mdb_->f->jet_version >= MDB_VER_ACCDB_2007 && mdb_->f->db_key != 0;
    // The mask is the creation date's whole days; a damaged date outside their range masks
    // with 0 rather than leave the conversion undefined.
    double created = mdb_get_double(mdb_->pg_buf, 0x72);
    auto date = created > -2147483649.0 && created < 2147483648.0
                    ? static_cast<std::uint32_t>(static_cast<std::int32_t>(created))
                    : 0u;
    for (std::size_t i = 0; i < (jet3 ? 20u : 40u); ++i) {
        unsigned char mask = jet3 ? 0 : static_cast<unsigned char>(date >> (8 * (i % 4)));
        password = password || (header[0x42 + i] ^ mask) != 0;
    }
    if (password) {
        throw Error(err::kNotValidPassword,
                    "[ODBC Microsoft Access Driver] 数据库文件“" + path_ +
                        "”设有密码，已加密，程序无法打开。请在 Access 中以独占方式打开它，"
                        "撤消数据库密码（Access 2010 及以后：“文件”→“信息”→“解密数据库”），"
                        "再启动程序");
    }
}

void MdbConnection::openFile(const std::string& path) {
    path_ = path;
    checkFile();
    QuietLibmdb quiet;
    mdb_ = openMdb(path_);
    if (mdb_ == nullptr) {
        damaged("无法读取文件头");
    }
    try {
        checkNoPassword();
        useUtf8();
        readCatalog();
    } catch (...) {
        closeFile();
        throw;
    }
}

void MdbConnection::closeFile() {
    if (mdb_ != nullptr) {
        mdb_close(mdb_);
        mdb_ = nullptr;
    }
    catalog_.clear();
}

TableDefPtr MdbConnection::readDefinition(MdbCatalogEntry& entry, const std::string& tableName) {
    if (entry.table_pg >= pageCount_ || mdb_read_pg(mdb_, entry.table_pg) == 0 ||
        mdb_->pg_buf[0] != MDB_PAGE_TABLE) {
        damaged("表“" + tableName + "”的定义页 " + std::to_string(entry.table_pg) + " 无效");
    }
    // libmdb reads the page just past the end of the file as a page of zeros, which would turn
    // a map cut off with the end of the file into an empty table.
    for (int offset : {mdb_->fmt->tab_usage_map_offset, mdb_->fmt->tab_free_map_offset}) {
        if (static_cast<unsigned long>(mdb_get_int32(mdb_->pg_buf, offset)) >> 8 >= pageCount_) {
            damaged("表“" + tableName + "”的页面映射超出文件末尾（文件可能被截断）");
        }
    }
    TableDefPtr table(mdb_read_table(&entry));
    if (!table) {
        damaged("无法读取表“" + tableName + "”的定义");
    }
    // Larger counts are garbage; libmdb would allocate and walk pages for each of them. A
    // usage map shorter than its 5-byte header makes libmdb read before or beyond it.
    if (table->num_cols == 0 || table->num_cols > kMaxColumns ||
        table->num_real_idxs > kMaxIndexes || table->usage_map == nullptr || table->map_sz < 5) {
        damaged("表“" + tableName + "”的定义页中字段数、索引数或页面映射无效");
    }
    if (mdb_read_columns(table.get()) == nullptr || table->columns->len != table->num_cols) {
        damaged("无法读取表“" + tableName + "”的字段定义");
    }
    checkUsageMap(*table, tableName);
    return table;
}

// libmdb ends a table quietly at the first page it cannot read, so a file cut short would just
// lose rows (or whole tables, when the catalog loses pages). Every page the usage map names must
// lie within the file.
void MdbConnection::checkUsageMap(const MdbTableDef& table, const std::string& tableName) {
    const unsigned char* map = table.usage_map;
    auto beyondEnd = [&](unsigned long first, const unsigned char* bits, std::size_t bytes) {
        for (std::size_t i = 0; i < bytes * 8; ++i) {
            if ((bits[i / 8] >> (i % 8) & 1) != 0 && first + i >= pageCount_) {
                return true;
            }
        }
        return false;
    };
    bool broken = false;
    if (map[0] == 0) {
        broken = beyondEnd(static_cast<unsigned long>(mdb_get_int32(table.usage_map, 1)), map + 5,
                           table.map_sz - 5);
    } else if (map[0] == 1) {
        const auto bitsPerPage = static_cast<unsigned long>(mdb_->fmt->pg_size - 4) * 8;
        for (std::size_t entry = 0; !broken && entry < (table.map_sz - 1) / 4; ++entry) {
            auto mapPage =
                static_cast<unsigned long>(mdb_get_int32(table.usage_map, 1 + 4 * entry));
            broken = mapPage >= pageCount_ ||
                     (mapPage != 0 &&
                      (mdb_read_alt_pg(mdb_, mapPage) != mdb_->fmt->pg_size ||
                       beyondEnd(entry * bitsPerPage, mdb_->alt_pg_buf + 4, bitsPerPage / 8)));
        }
    }
    if (broken) {
        damaged("表“" + tableName + "”的数据页超出文件末尾（文件可能被截断）");
    }
}

template <typename OnRow>
void MdbConnection::forEachRow(MdbTableDef& table, OnRow onRow) {
    fields_.resize(table.num_cols);
    mdb_rewind_table(&table);
    // mdb_read_next_dpg moves strictly forward through the usage map, or page by page up to
    // the end of the file, so this loop ends on any file.
    while (mdb_read_next_dpg(&table) != 0) {
        int rows = mdb_get_int16(mdb_->pg_buf, mdb_->fmt->row_count_offset);
        for (int row = 0; row < rows; ++row) {
            int start = 0;
            std::size_t size = 0;
            if (mdb_find_row(mdb_, row, &start, &size) != 0 || size == 0 ||
                (start & kDeletedRow) != 0) {
                continue;
            }
            // A slot that does not split into the table's fields is not a row (an overflow
            // pointer, or a damaged slot); libmdb's own export skips them the same way.
            if (mdb_crack_row(&table, start & kOffsetMask, size, fields_.data()) < 0) {
                continue;
            }
            onRow(fields_);
        }
    }
}

void MdbConnection::readCatalog() {
    MdbCatalogEntry msysObjects{};
    msysObjects.mdb = mdb_;
    msysObjects.object_type = MDB_TABLE;
    msysObjects.table_pg = 2;
    std::snprintf(msysObjects.object_name, sizeof msysObjects.object_name, "MSysObjects");
    TableDefPtr table = readDefinition(msysObjects, "MSysObjects");

    int idColumn = -1, nameColumn = -1, typeColumn = -1, flagsColumn = -1;
    for (unsigned i = 0; i < table->num_cols; ++i) {
        auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        for (auto [name, slot] :
             {std::pair{"Id", &idColumn}, std::pair{"Name", &nameColumn},
              std::pair{"Type", &typeColumn}, std::pair{"Flags", &flagsColumn}}) {
            if (g_ascii_strcasecmp(column->name, name) == 0) {
                *slot = static_cast<int>(i);
            }
        }
    }
    if (idColumn < 0 || nameColumn < 0 || typeColumn < 0 || flagsColumn < 0) {
        damaged("系统表 MSysObjects 缺少字段");
    }
    auto number = [&](const std::vector<MdbField>& fields, int index) {
        const MdbColumn& column =
            *static_cast<MdbColumn*>(g_ptr_array_index(table->columns, index));
        Value value = valueOf(column, fields[static_cast<std::size_t>(index)], "MSysObjects");
        return value ? std::strtoll(value->c_str(), nullptr, 10) : 0;
    };
    forEachRow(*table, [&](const std::vector<MdbField>& fields) {
        constexpr long long kSystemFlags = 0x80000002;
        if ((number(fields, typeColumn) & 0x7f) != MDB_TABLE ||
            (number(fields, flagsColumn) & kSystemFlags) != 0) {
            return;
        }
        const MdbColumn& column =
            *static_cast<MdbColumn*>(g_ptr_array_index(table->columns, nameColumn));
        std::string name = veltrana::text(
            valueOf(column, fields[static_cast<std::size_t>(nameColumn)], "MSysObjects"));
        unsigned long page = static_cast<unsigned long>(number(fields, idColumn)) & 0x00ffffff;
        catalog_.push_back({name, caseFoldedUtf16(name), page});
    });
}

std::string MdbConnection::text(const char* bytes, std::size_t size) {
    // UTF-8 takes at most three bytes for each byte pair of UTF-16 and for each byte of a
    // code page or of compressed text.
    textBuffer_.resize(3 * size + 2);
    int length = mdb_unicode2ascii(mdb_, bytes, size, textBuffer_.data(), textBuffer_.size());
    return std::string(textBuffer_.data(), static_cast<std::size_t>(length));
}

std::string MdbConnection::memoText(const MdbField& field, const std::string& tableName,
                                    const MdbColumn& column) {
    if (field.siz < kMemoHeaderSize) {
        damagedField(tableName, column, "的备注值头部不完整");
    }
    const unsigned char* header = mdb_->pg_buf + field.start;
    auto length = static_cast<std::uint32_t>(mdb_get_int32(mdb_->pg_buf, field.start));
    auto pageRow = static_cast<std::uint32_t>(mdb_get_int32(mdb_->pg_buf, field.start + 4));
    if ((length & 0x80000000u) != 0) {
        return text(reinterpret_cast<const char*>(header) + kMemoHeaderSize,
                    static_cast<std::size_t>(field.siz - kMemoHeaderSize));
    }
    if ((length & 0x3f000000u) != 0) {
        damagedField(tableName, column, "的备注值标志无法识别");
    }
    bool chained = (length & 0x40000000u) == 0;
    length &= 0x00ffffffu;
    memoBytes_.clear();
    // Each page of the file can hold a piece of the value at most once; a longer chain loops.
    for (unsigned long hops = 0; pageRow != 0; ++hops) {
        void* page = nullptr;
        int start = 0;
        std::size_t size = 0;
        if (hops == pageCount_ || (pageRow >> 8) >= pageCount_ ||
            mdb_find_pg_row(mdb_, static_cast<int>(pageRow), &page, &start, &size) != 0) {
            damagedField(tableName, column, "的备注值所在的页无效");
        }
        const char* piece = static_cast<const char*>(page) + start;
        if (!chained) {
            memoBytes_.assign(piece, size);
            break;
        }
        if (size < 4 || memoBytes_.size() + size - 4 > length) {
            damagedField(tableName, column, "的备注值长度与其页链不符");
        }
        memoBytes_.append(piece + 4, size - 4);
        pageRow = static_cast<std::uint32_t>(mdb_get_int32(page, start));
    }
    return text(memoBytes_.data(), memoBytes_.size());
}

Value MdbConnection::valueOf(const MdbColumn& column, const MdbField& field,
                             const std::string& tableName) {
    if (column.col_type == MDB_BOOL) {
        return field.is_null ? "False" : "True";  // a yes/no value lives in the null mask
    }
    if (field.is_null) {
        return std::nullopt;
    }
    if (field.siz < storedSize(column.col_type) || field.siz < 0) {
        damagedField(tableName, column, "的值长度无效");
    }
    const unsigned char* bytes = mdb_->pg_buf + field.start;
    switch (column.col_type) {
        case MDB_BYTE:
            return std::to_string(bytes[0]);
        case MDB_INT:
            return std::to_string(
                static_cast<std::int16_t>(mdb_get_int16(mdb_->pg_buf, field.start)));
        case MDB_LONGINT:
        case MDB_COMPLEX:
            return std::to_string(
                static_cast<std::int32_t>(mdb_get_int32(mdb_->pg_buf, field.start)));
        case kBigInt:
        case MDB_MONEY: {
            std::int64_t value = 0;
            std::memcpy(&value, bytes, sizeof value);  // little-endian, as the file
            return column.col_type == kBigInt ? std::to_string(value) : mdb::currencyText(value);
        }
        case MDB_FLOAT:
            return mdb::floatText(mdb_get_single(mdb_->pg_buf, field.start), 7);
        case MDB_DOUBLE:
            return mdb::floatText(mdb_get_double(mdb_->pg_buf, field.start), 15);
        case MDB_DATETIME:
            return mdb::dateText(mdb_get_double(mdb_->pg_buf, field.start));
        case MDB_NUMERIC: {
            // libmdb names the two bytes of the definition the other way round: its col_prec
            // is the column's scale, and the argument by which it places the decimal point.
            if (column.col_prec > kMaxDecimalScale) {
                damagedField(tableName, column, "的小数位数无效");
            }
            char* digits =
                mdb_numeric_to_string(mdb_, field.start, column.col_scale, column.col_prec);
            std::string result = mdb::trimmedDecimal(digits);
            g_free(digits);
            return result;
        }
        case MDB_REPID: {
            char* guid = mdb_uuid_to_string_fmt(mdb_->pg_buf, field.start, MDB_BRACES_4_2_2_8);
            std::string result = guid;
            g_free(guid);
            return result;
        }
        case MDB_TEXT:
            return text(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(field.siz));
        case MDB_MEMO:
            return memoText(field, tableName, column);
        case MDB_OLE:
            return "长二进制数据";
        case MDB_BINARY:
            return "二进制数据";
        default:
            return std::nullopt;
    }
}

Table MdbConnection::readTableFromFile(const std::string& name) {
    std::u16string folded = caseFoldedUtf16(name);
    auto found = std::find_if(catalog_.begin(), catalog_.end(),
                              [&folded](const CatalogEntry& e) { return e.foldedName == folded; });
    if (found == catalog_.end()) {
        throw Error(err::kTableNotFound,
                    "[ODBC Microsoft Access Driver] Microsoft Jet 数据库引擎找不到输入表或查询“" +
                        name + "”。请确定它是否存在，以及它的名称拼写是否正确");
    }
    QuietLibmdb quiet;
    MdbCatalogEntry entry{};
    entry.mdb = mdb_;
    entry.object_type = MDB_TABLE;
    entry.table_pg = found->tdefPage;
    std::snprintf(entry.object_name, sizeof entry.object_name, "%s", found->name.c_str());
    TableDefPtr table = readDefinition(entry, found->name);

    Table result;
    std::vector<const MdbColumn*> columns;
    for (unsigned i = 0; i < table->num_cols; ++i) {
        columns.push_back(static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i)));
        result.columns.emplace_back(columns.back()->name);
    }
    forEachRow(*table, [&](const std::vector<MdbField>& fields) {
        std::vector<Value>& row = result.rows.emplace_back();
        row.reserve(columns.size());
        for (std::size_t i = 0; i < columns.size(); ++i) {
            row.push_back(valueOf(*columns[i], fields[i], found->name));
        }
    });
    return result;
}

}  // namespace

std::unique_ptr<Connection> MdbDataAccess::newConnection() {
    return std::make_unique<MdbConnection>();
}

}  // namespace veltrana
