#include "mkdb/csv.h"

#include <algorithm>

#include "mkdb/text_file.h"
#include "platform/error.h"
#include "platform/utf8.h"

namespace veltrana::mkdb {

namespace {

class Parser {
public:
    Parser(std::string_view text, const std::string& where) : text_(text), where_(where) {
        std::string_view header = text.substr(0, text.find('\n'));
        if (std::count(header.begin(), header.end(), '\t') >
            std::count(header.begin(), header.end(), ',')) {
            separator_ = '\t';
        }
    }

    std::vector<CsvRecord> records() {
        std::vector<CsvRecord> records;
        while (i_ < text_.size()) {
            CsvRecord record{line_, {field()}};
            while (i_ < text_.size() && text_[i_] == separator_) {
                ++i_;
                record.fields.push_back(field());
            }
            if (i_ < text_.size()) {
                ++i_;  // the line feed that ends the record
                ++line_;
            }
            records.push_back(std::move(record));
        }
        return records;
    }

private:
    bool atLineEnd() const {
        return text_[i_] == '\n' ||
               (text_[i_] == '\r' && i_ + 1 < text_.size() && text_[i_ + 1] == '\n');
    }

    // Leaves i_ on the separator or line end after the field, or at the end of the text; for a
    // CRLF it leaves i_ on the LF.
    std::string field() {
        std::string value;
        if (i_ < text_.size() && text_[i_] == '"') {
            std::size_t startLine = line_;
            for (++i_;; ++i_) {
                if (i_ >= text_.size()) {
                    throw fault(startLine, "引号没有闭合");
                }
                if (text_[i_] == '"') {
                    if (i_ + 1 < text_.size() && text_[i_ + 1] == '"') {
                        ++i_;
                    } else {
                        break;
                    }
                } else if (text_[i_] == '\n') {
                    ++line_;
                }
                value += text_[i_];
            }
            ++i_;
            if (i_ < text_.size() && text_[i_] != separator_ && !atLineEnd()) {
                throw fault(line_, "右引号后面应是分隔符或换行");
            }
        } else {
            while (i_ < text_.size() && text_[i_] != separator_ && !atLineEnd()) {
                if (text_[i_] == '"') {
                    throw fault(line_, "含引号的字段须整个放在引号中，字段中的引号写成两个");
                }
                value += text_[i_++];
            }
        }
        if (i_ < text_.size() && text_[i_] == '\r') {
            ++i_;
        }
        return value;
    }

    Error fault(std::size_t line, const std::string& problem) const {
        return Error(kErrNotExpectedFormat,
                     where_ + "第 " + std::to_string(line) + " 行：" + problem);
    }

    std::string_view text_;
    const std::string& where_;
    char separator_ = ',';
    std::size_t i_ = 0;
    std::size_t line_ = 1;
};

std::size_t characterCount(std::string_view utf8) {
    return std::count_if(utf8.begin(), utf8.end(),
                         [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
}

ColumnType columnType(const std::vector<CsvRecord>& records, std::size_t column) {
    bool anyValue = false;
    bool allWhole = true;
    std::size_t longest = 0;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const std::string& value = records[r].fields[column];
        if (!value.empty()) {
            anyValue = true;
            allWhole = allWhole && isLongInteger(value);
            longest = std::max(longest, characterCount(value));
        }
    }
    if (anyValue && allWhole) {
        return ColumnType::LongInteger;
    }
    return longest > 255 ? ColumnType::Memo : ColumnType::Text;
}

}  // namespace

std::vector<CsvRecord> csvRecords(std::string_view text, const std::string& where) {
    return Parser(text, where).records();
}

TableData csvTable(std::string name, std::string_view text, const std::string& where) {
    std::vector<CsvRecord> records = csvRecords(text, where);
    if (records.empty() || records[0].fields == std::vector<std::string>{""}) {
        throw Error(kErrNotExpectedFormat, where + "第 1 行：表头为空，第一行应是字段名");
    }

    TableData table{std::move(name), {}, {}};
    const std::vector<std::string>& header = records[0].fields;
    for (std::size_t r = 1; r < records.size(); ++r) {
        if (records[r].fields.size() != header.size()) {
            throw Error(kErrNotExpectedFormat,
                        where + "第 " + std::to_string(records[r].line) + " 行：有 " +
                            std::to_string(records[r].fields.size()) + " 个字段，表头有 " +
                            std::to_string(header.size()) + " 个");
        }
    }
    for (std::size_t c = 0; c < header.size(); ++c) {
        table.columns.push_back({header[c], columnType(records, c)});
    }
    for (std::size_t r = 1; r < records.size(); ++r) {
        std::vector<Value>& row = table.rows.emplace_back();
        for (std::string& field : records[r].fields) {
            row.push_back(field.empty() ? Value() : Value(std::move(field)));
        }
    }
    checkTable(table, [&](std::size_t row) {
        return where + "第 " + std::to_string(row == 0 ? 1 : records[row].line) + " 行";
    });
    return table;
}

TableData readCsvFile(const std::string& file) {
    return csvTable(utf8Text(utf8Path(file).stem()), readTextFile(file), fileWhere(file));
}

std::vector<TableData> readCsvFolder(const std::string& folder) {
    std::error_code error;
    std::vector<std::filesystem::path> files;
    for (std::filesystem::directory_iterator it(utf8Path(folder), error), end; !error && it != end;
         it.increment(error)) {
        std::string extension = utf8Text(it->path().extension());
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (extension == ".csv" && it->is_regular_file()) {
            files.push_back(it->path());
        }
    }
    if (error) {
        throw Error(err::kPathNotFound, "无法读取文件夹“" + folder + "”：" + error.message());
    }
    if (files.empty()) {
        throw Error(err::kFileNotFound, "文件夹“" + folder + "”中没有 CSV 文件");
    }
    std::sort(files.begin(), files.end());
    std::vector<TableData> tables;
    for (const std::filesystem::path& file : files) {
        tables.push_back(readCsvFile(utf8Text(file)));
    }
    return tables;
}

}  // namespace veltrana::mkdb
