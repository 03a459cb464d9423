#pragma once

#include <memory>
#include <string>
#include <vector>

#include "mkdb/mdb_writer.h"
#include "platform/data_access.h"
#include "platform/mdb/mdb_connection.h"
#include "support/access_files.h"
#include "support/class_db.h"
#include "support/fakes.h"

namespace veltrana::test {

// The two backends the record-set contract runs against: the fake the handlers' tests use, and
// the Access file reader on a file made by our writer. Each opens a connection over the tables.
class FakeBackend {
public:
    std::unique_ptr<Connection> connect(const std::vector<mkdb::TableData>& tables) {
        for (const auto& data : tables) {
            Table& table = access_.tables[data.name];
            for (const auto& column : data.columns) {
                table.columns.push_back(column.name);
            }
            table.rows = data.rows;
        }
        auto connection = access_.newConnection();
        connection->Open(connectionStringFor("DataBases.mdb"));
        return connection;
    }

private:
    FakeDataAccess access_;
};

class MdbBackend {
public:
    std::unique_ptr<Connection> connect(const std::vector<mkdb::TableData>& tables) {
        auto connection = MdbDataAccess().newConnection();
        connection->Open(connectionStringFor(writeClassDb(dir_.path(), tables)));
        return connection;
    }

private:
    TempDir dir_;
};

inline mkdb::TableData studentsTable() {
    using mkdb::ColumnType;
    return {"Students",
            {{"ID", ColumnType::LongInteger},
             {"UserName", ColumnType::Text},
             {"Attrib", ColumnType::Text}},
            {{"1", "张伟", "理科"}, {"2", "李娜", std::nullopt}, {"3", "王芳", "文科"}}};
}

}  // namespace veltrana::test
