#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "mkdb/mdb_writer.h"
#include "platform/data_access.h"
#include "platform/error.h"
#include "platform/mdb/mdb_connection.h"

namespace veltrana::test {

// A folder of its own under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("veltrana-platform-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline std::string connectionStringFor(const std::string& path) {
    return "DRIVER=Microsoft Access Driver (*.mdb);dbQ=" + path;
}

// Keeps tables in memory and remembers the file name the connection string handed it.
class FakeConnection : public Connection {
public:
    explicit FakeConnection(std::vector<mkdb::TableData> tables = {})
        : tables_(std::move(tables)) {}

    std::string openedPath;

protected:
    void openFile(const std::string& path) override { openedPath = path; }
    void closeFile() override {}
    Table readTableFromFile(const std::string& name) override {
        auto lower = [](std::string s) {
            std::transform(s.begin(), s.end(), s.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            return s;
        };
        for (const auto& data : tables_) {
            if (lower(data.name) == lower(name)) {
                Table table;
                for (const auto& column : data.columns) {
                    table.columns.push_back(column.name);
                }
                table.rows = data.rows;
                return table;
            }
        }
        throw Error(err::kTableNotFound, "找不到表“" + name + "”");
    }

private:
    std::vector<mkdb::TableData> tables_;
};

// The two backends the record-set contract runs against: the fake above, and the Access file
// reader on a file made by our writer.
struct FakeBackend {
    static std::unique_ptr<Connection> connect(const std::vector<mkdb::TableData>& tables) {
        auto connection = std::make_unique<FakeConnection>(tables);
        connection->Open(connectionStringFor("class.mdb"));
        return connection;
    }
};

struct MdbBackend {
    static std::unique_ptr<Connection> connect(const std::vector<mkdb::TableData>& tables) {
        static TempDir dir;
        static int count = 0;
        std::string path = dir.file("class" + std::to_string(++count) + ".mdb");
        mkdb::writeDatabase(path, tables);
        auto connection = MdbDataAccess().newConnection();
        connection->Open(connectionStringFor(path));
        return connection;
    }
};

inline mkdb::TableData studentsTable() {
    using mkdb::ColumnType;
    return {"Students",
            {{"ID", ColumnType::LongInteger},
             {"UserName", ColumnType::Text},
             {"Attrib", ColumnType::Text}},
            {{"1", "张伟", "理科"}, {"2", "李娜", std::nullopt}, {"3", "王芳", "文科"}}};
}

inline mkdb::TableData subjectTable(const std::string& name, int rows) {
    mkdb::TableData table{
        name, {{"ID", mkdb::ColumnType::LongInteger}, {"KN", mkdb::ColumnType::Text}}, {}};
    for (int i = 1; i <= rows; ++i) {
        table.rows.push_back({std::to_string(i), name + "知识点" + std::to_string(i)});
    }
    return table;
}

// Runs body and returns the Error it throws; fails the test when it throws nothing.
template <typename Body>
Error errorOf(Body body) {
    try {
        body();
    } catch (const Error& error) {
        return error;
    }
    ADD_FAILURE() << "no Error thrown";
    return Error(0, "");
}

}  // namespace veltrana::test
