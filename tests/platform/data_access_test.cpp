#include <gtest/gtest.h>

#include "support/access_files.h"
#include "support/fakes.h"

namespace veltrana::test {
namespace {

const std::string kDriver = "DRIVER=Microsoft Access Driver (*.mdb);";

TEST(ConnectionString, HandsThePathToTheDriverAndTheArgumentReplacesTheProperty) {
    for (auto [connectionString, path] : std::vector<std::pair<std::string, std::string>>{
             {"driver=MICROSOFT ACCESS DRIVER (*.MDB);DBQ=/a/b.mdb", "/a/b.mdb"},
             {"Driver={Microsoft Access Driver (*.mdb)};Dbq=/a/b.mdb", "/a/b.mdb"},
             {" DRIVER = Microsoft Access Driver (*.mdb) ; DBQ=/a.mdb", "/a.mdb"},
             {kDriver + "dbQ=/home/老师/高三 1班/DataBases.mdb",
              "/home/老师/高三 1班/DataBases.mdb"},
             {kDriver + "dbQ=/a;b/c.mdb", "/a;b/c.mdb"},
             {kDriver + "UID=admin;dbQ=/c.mdb;PWD=", "/c.mdb"}}) {
        FakeDataAccess access;
        auto connection = access.newConnection();
        connection->ConnectionString = connectionString;
        connection->Open("", "", "", -1);
        EXPECT_TRUE(connection->isOpen());
        EXPECT_EQ(access.openedFiles, std::vector<std::string>{path}) << connectionString;
    }
    FakeDataAccess access;
    auto connection = access.newConnection();
    connection->ConnectionString = kDriver + "dbQ=/old.mdb";
    connection->Open(kDriver + "dbQ=/new.mdb");
    EXPECT_EQ(access.openedFiles, std::vector<std::string>{"/new.mdb"});
    EXPECT_EQ(connection->ConnectionString, kDriver + "dbQ=/new.mdb");
}

// Another driver is named in the refusal; a missing driver or file has nothing to name.
TEST(ConnectionString, OtherOrMissingDriverOrFileIsRefused) {
    for (std::string text :
         {"DRIVER={SQL Server};dbQ=/a.mdb", "dbQ=/a.mdb", "DRIVER=Microsoft Access Driver (*.mdb)",
          "DRIVER=Microsoft Access Driver (*.mdb);dbQ=", ""}) {
        FakeDataAccess access;
        auto connection = access.newConnection();
        connection->ConnectionString = text;
        Error error = errorOf([&] { connection->Open(); });
        EXPECT_EQ(error.number(), -2147467259) << text;
        EXPECT_EQ(text.find("SQL Server") == std::string::npos,
                  error.description().find("SQL Server") == std::string::npos)
            << error.description();
        EXPECT_FALSE(connection->isOpen()) << text;
        EXPECT_TRUE(access.openedFiles.empty()) << text;
    }
}

TEST(QueryText, NamesItsTableOrIsAnUnsupportedStatement) {
    for (auto [query, table] : std::vector<std::pair<std::string, std::string>>{
             {"Select * from Students ", "Students"},
             {"SELECT * FROM bflearning", "bflearning"},
             {"  select\t*   from\t\t地理  ", "地理"},
             {"select*from 数学", "数学"},
             {"Select * from [Asset Items]", "Asset Items"},
             {"Select * from [历史]", "历史"}}) {
        EXPECT_EQ(tableOfQuery(query), table);
    }
    for (std::string query :
         {"", "Select ID from Students", "Select * from Students where ID=1",
          "Select * from Students, 语文", "Select * from Students; drop table Students",
          "Select * from [Students", "Select * fromStudents"}) {
        EXPECT_TRUE(failsWith([&] { tableOfQuery(query); }, -2147217900, {query}));
    }
}

}  // namespace
}  // namespace veltrana::test
