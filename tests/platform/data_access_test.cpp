#include <gtest/gtest.h>

#include "platform/backends.h"
#include "platform/recordset_contract.h"

namespace veltrana::test {
namespace {

INSTANTIATE_TYPED_TEST_SUITE_P(Fake, RecordsetContract, FakeBackend);

struct OpenCase {
    const char* name;
    std::string connectionString;
    std::string path;
};

class ConnectionStringOpens : public ::testing::TestWithParam<OpenCase> {};

TEST_P(ConnectionStringOpens, HandsThePathToTheDriver) {
    FakeDataAccess access;
    auto connection = access.newConnection();
    connection->ConnectionString = GetParam().connectionString;
    connection->Open("", "", "", -1);
    EXPECT_TRUE(connection->isOpen());
    EXPECT_EQ(access.openedFiles, std::vector<std::string>{GetParam().path});
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, ConnectionStringOpens,
    ::testing::Values(
        OpenCase{"KeywordsInAnyCase", "driver=MICROSOFT ACCESS DRIVER (*.MDB);DBQ=/a/b.mdb",
                 "/a/b.mdb"},
        OpenCase{"DriverInBraces", "Driver={Microsoft Access Driver (*.mdb)};Dbq=/a/b.mdb",
                 "/a/b.mdb"},
        OpenCase{"BlanksAroundKeywords", " DRIVER = Microsoft Access Driver (*.mdb) ; DBQ=/a.mdb",
                 "/a.mdb"},
        OpenCase{"ChinesePath",
                 "DRIVER=Microsoft Access Driver (*.mdb);dbQ=/home/老师/高三 1班/DataBases.mdb",
                 "/home/老师/高三 1班/DataBases.mdb"},
        OpenCase{"SemicolonInFolderName", "DRIVER=Microsoft Access Driver (*.mdb);dbQ=/a;b/c.mdb",
                 "/a;b/c.mdb"},
        OpenCase{"OtherKeywordsIgnored",
                 "DRIVER=Microsoft Access Driver (*.mdb);UID=admin;dbQ=/c.mdb;PWD=", "/c.mdb"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConnectionString, ArgumentReplacesTheProperty) {
    FakeDataAccess access;
    auto connection = access.newConnection();
    connection->ConnectionString = "DRIVER=Microsoft Access Driver (*.mdb);dbQ=/old.mdb";
    connection->Open("DRIVER=Microsoft Access Driver (*.mdb);dbQ=/new.mdb");
    EXPECT_EQ(access.openedFiles, std::vector<std::string>{"/new.mdb"});
    EXPECT_EQ(connection->ConnectionString, "DRIVER=Microsoft Access Driver (*.mdb);dbQ=/new.mdb");
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

struct QueryCase {
    const char* name;
    std::string source;
    std::string table;
};

class QueryText : public ::testing::TestWithParam<QueryCase> {};

TEST_P(QueryText, NamesItsTable) {
    EXPECT_EQ(tableOfQuery(GetParam().source), GetParam().table);
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, QueryText,
    ::testing::Values(QueryCase{"StudentsWithTrailingBlank", "Select * from Students ", "Students"},
                      QueryCase{"AnyCase", "SELECT * FROM bflearning", "bflearning"},
                      QueryCase{"Chinese", "Select * from 语文", "语文"},
                      QueryCase{"BlanksAsTheyCome", "  select\t*   from\t\t地理  ", "地理"},
                      QueryCase{"NoBlankAroundStar", "select*from 数学", "数学"},
                      QueryCase{"Brackets", "Select * from [Asset Items]", "Asset Items"},
                      QueryCase{"ChineseInBrackets", "Select * from [历史]", "历史"}),
    [](const auto& info) { return std::string(info.param.name); });

class RejectedQuery : public ::testing::TestWithParam<QueryCase> {};

TEST_P(RejectedQuery, IsAnUnsupportedStatement) {
    EXPECT_TRUE(
        failsWith([] { tableOfQuery(GetParam().source); }, -2147217900, {GetParam().source}));
}

INSTANTIATE_TEST_SUITE_P(
    Refused, RejectedQuery,
    ::testing::Values(QueryCase{"Empty", "", ""},
                      QueryCase{"Columns", "Select ID from Students", ""},
                      QueryCase{"Where", "Select * from Students where ID=1", ""},
                      QueryCase{"TwoTables", "Select * from Students, 语文", ""},
                      QueryCase{"Statements", "Select * from Students; drop table Students", ""},
                      QueryCase{"UnclosedBracket", "Select * from [Students", ""},
                      QueryCase{"FromGlued", "Select * fromStudents", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace veltrana::test
