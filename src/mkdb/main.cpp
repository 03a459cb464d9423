// veltrana-mkdb OUT.mdb DIR       writes every DIR/*.csv as a table of a new Access file
// veltrana-mkdb --dump FILE TABLE prints one table of an Access file as CSV, read the way the
//                                 program reads it
#include <iostream>
#include <string>
#include <vector>

#include "mkdb/csv.h"
#include "mkdb/mdb_writer.h"
#include "platform/error.h"
#include "platform/mdb/mdb_connection.h"

namespace {

// Quoted when it holds a comma, quote or line break, and when it is empty so that an empty
// text differs from Null, which prints as nothing.
std::string csvField(const veltrana::Value& value) {
    if (!value) {
        return {};
    }
    if (!value->empty() && value->find_first_of(",\"\r\n") == std::string::npos) {
        return *value;
    }
    std::string quoted = "\"";
    for (char c : *value) {
        quoted += c;
        if (c == '"') {
            quoted += c;
        }
    }
    return quoted + "\"";
}

void printRow(const std::vector<veltrana::Value>& row) {
    for (std::size_t i = 0; i < row.size(); ++i) {
        std::cout << (i == 0 ? "" : ",") << csvField(row[i]);
    }
    std::cout << '\n';
}

void dump(const std::string& file, const std::string& tableName) {
    auto connection = veltrana::MdbDataAccess().newConnection();
    connection->Open("DRIVER=Microsoft Access Driver (*.mdb);dbQ=" + file);
    veltrana::Table table = connection->readTable(tableName);
    printRow(std::vector<veltrana::Value>(table.columns.begin(), table.columns.end()));
    for (const auto& row : table.rows) {
        printRow(row);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.size() == 3 && args[0] == "--dump") {
            dump(args[1], args[2]);
            return 0;
        }
        if (args.size() == 2 && !args[0].starts_with("--")) {
            veltrana::mkdb::writeDatabase(args[0], veltrana::mkdb::readCsvFolder(args[1]));
            return 0;
        }
    } catch (const veltrana::Error& error) {
        std::cerr << veltrana::errorText(error) << '\n';
        return 1;
    }
    std::cerr << "用法：veltrana-mkdb OUT.mdb DIR\n"
                 "      veltrana-mkdb --dump FILE TABLE\n";
    return 2;
}
