#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace veltrana {

// A field value as the program reads it: Null, or text. Whole numbers arrive as their decimal
// text, other column types as Access shows them.
using Value = std::optional<std::string>;

// The text of a value when it is joined to other text: Null joins as nothing.
inline std::string text(const Value& value) {
    return value.value_or(std::string());
}
inline std::string text(Value&& value) {
    return std::move(value).value_or(std::string());
}

// One whole table, read at once. Field names keep the case the file gives them.
struct Table {
    std::vector<std::string> columns;
    std::vector<std::vector<Value>> rows;
};

// The connection of the classic data access layer, cut down to what the program uses. Parsing
// the connection string and keeping the open/closed state happen here; a backend (the Access
// file reader, or a fake in tests) only opens a file and reads tables.
class Connection {
public:
    virtual ~Connection() = default;

    std::string ConnectionString;

    // Opens the database that the connection string names; an empty argument uses
    // ConnectionString. Fails with a clear error for another driver, a missing file or a file
    // that is not an Access database.
    void Open(const std::string& connectionString = {}, const std::string& userId = {},
              const std::string& password = {}, int options = -1);
    void Close();
    bool isOpen() const { return open_; }

    // Reads a whole table; fails when the connection is not open or the table is missing.
    Table readTable(const std::string& name);

protected:
    virtual void openFile(const std::string& path) = 0;
    virtual void closeFile() = 0;
    virtual Table readTableFromFile(const std::string& name) = 0;

private:
    bool open_ = false;
};

// Makes new connections; the window gets the Access file reader, tests may get a fake.
class DataAccess {
public:
    virtual ~DataAccess() = default;
    virtual std::unique_ptr<Connection> newConnection() = 0;
};

// The name of the table that a "Select * from <table>" text reads: keywords in any case, blanks
// as they come, the name optionally in [ ]. Anything else fails as an unsupported statement.
std::string tableOfQuery(const std::string& source);

// The record set of the classic data access layer: a keyset over one whole table. RecordCount
// is exact right after Open; the current row starts at the first row.
class Recordset {
public:
    void Open(const std::string& source, Connection& activeConnection, int cursorType = 1,
              int lockType = 3, int options = -1);
    std::int32_t RecordCount() const;
    // Field value of the current row by name, compared without case as Access does.
    Value Fields(const std::string& name) const;
    void MoveNext();
    void MoveFirst();
    void Close();
    bool isOpen() const { return open_; }

private:
    void requireOpen(const char* operation) const;

    bool open_ = false;
    std::string tableName_;
    Table table_;
    std::size_t current_ = 0;
};

}  // namespace veltrana
