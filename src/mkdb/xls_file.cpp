#include <freexl.h>

#include <QFile>
#include <QString>

#include "mkdb/mdb_writer.h"
#include "mkdb/text_file.h"
#include "mkdb/workbook.h"
#include "platform/error.h"

namespace veltrana::mkdb {

namespace {

Error passwordProtected(const std::string& file) {
    return Error(kErrNotExpectedFormat,
                 fileWhere(file) +
                     "设有打开密码（已加密），程序无法读取。请在 Excel 或 WPS 中打开它，"
                     "取消密码后保存，再选择它");
}

// An .xlsx saved with a password is a compound file that keeps the workbook in a stream of this
// name (UTF-16), where an .xls has its Workbook stream.
bool holdsEncryptedPackage(std::string_view bytes) {
    std::string name;
    for (char c : std::string_view("EncryptedPackage")) {
        name += {c, '\0'};
    }
    return bytes.find(name) != std::string_view::npos;
}

class Workbook {
public:
    Workbook(const std::string& file, std::string_view bytes) : file_(file) {
        // FreeXL opens by a C runtime name: the platform's 8-bit spelling of the path.
        QByteArray name = QFile::encodeName(QString::fromStdString(file));
        int opened = freexl_open(name.constData(), &handle_);
        if (opened != FREEXL_OK) {
            if (holdsEncryptedPackage(bytes)) {
                throw passwordProtected(file);
            }
            throw broken(opened);
        }
        // FreeXL opens a workbook saved with a password but hands back no handle to it.
        unsigned int password = 0;
        if (handle_ == nullptr ||
            (freexl_get_info(handle_, FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK &&
             password == FREEXL_BIFF_OBFUSCATED)) {
            throw passwordProtected(file);
        }
    }
    ~Workbook() { freexl_close(handle_); }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    void check(int result) const {
        if (result != FREEXL_OK) {
            throw broken(result);
        }
    }
    const void* handle() const { return handle_; }

private:
    Error broken(int result) const {
        return Error(kErrNotExpectedFormat,
                     fileWhere(file_) + "不是可读的 Excel 97-2003 工作簿（.xls，FreeXL 错误 " +
                         std::to_string(result) +
                         "）。请在 Excel 或 WPS 中打开它，另存为 .xlsx 后再选择");
    }

    std::string file_;
    const void* handle_ = nullptr;
};

std::string cellText(const FreeXL_CellValue& cell) {
    switch (cell.type) {
        case FREEXL_CELL_INT:
            return std::to_string(cell.value.int_value);
        case FREEXL_CELL_DOUBLE:
            return numberText(cell.value.double_value);
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME:
            return cell.value.text_value;
        default:
            return {};
    }
}

}  // namespace

bool isCompoundFile(std::string_view bytes) {
    return bytes.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
}

Sheet readXls(const std::string& file, std::string_view bytes) {
    Workbook workbook(file, bytes);
    workbook.check(freexl_select_active_worksheet(workbook.handle(), 0));
    const char* name = nullptr;
    workbook.check(freexl_get_worksheet_name(workbook.handle(), 0, &name));
    Sheet sheet{fileWhere(file) + "工作表“" + (name ? name : "") + "”", {}};
    unsigned int rows = 0;
    unsigned short columns = 0;
    workbook.check(freexl_worksheet_dimensions(workbook.handle(), &rows, &columns));
    for (unsigned int row = 0; row < rows; ++row) {
        CsvRecord record{row + 1, {}};
        for (unsigned short column = 0; column < columns; ++column) {
            FreeXL_CellValue cell;
            workbook.check(freexl_get_cell_value(workbook.handle(), row, column, &cell));
            std::string text = cellText(cell);
            if (!text.empty()) {
                record.fields.resize(column + 1u);
                record.fields[column] = std::move(text);
            }
        }
        if (!record.fields.empty()) {
            sheet.rows.push_back(std::move(record));
        }
    }
    return sheet;
}

}  // namespace veltrana::mkdb
