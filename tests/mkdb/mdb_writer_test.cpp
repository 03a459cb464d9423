#include "mkdb/mdb_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "mkdb/new_class.h"
#include "platform/mdb/value_text.h"
#include "support/access_files.h"
#include "support/class_db.h"
#include "support/fakes.h"

namespace veltrana::mkdb {
namespace {

using test::filesIn;
using test::readWithMdbExport;
using test::readWithOurLayer;
using test::repeat;
using test::runProgram;
using Rows = std::vector<std::vector<Value>>;

std::vector<std::string> columnNames(const TableData& table) {
    std::vector<std::string> names;
    for (const Column& column : table.columns) {
        names.push_back(column.name);
    }
    return names;
}

// Where the rows first differ, so that a failure does not print whole tables.
::testing::AssertionResult sameRows(const Rows& read, const Rows& written) {
    auto [got, want] = std::mismatch(read.begin(), read.end(), written.begin(), written.end());
    if (got == read.end() && want == written.end()) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << read.size() << " rows read, " << written.size()
           << " written, first difference in row " << got - read.begin();
}

// mdb-export prints a value of no characters with its Null mark.
Rows emptyAsNull(Rows rows) {
    for (auto& row : rows) {
        for (Value& value : row) {
            if (value && value->empty()) {
                value.reset();
            }
        }
    }
    return rows;
}

class WriterTest : public ::testing::Test {
protected:
    // Our own layer must give back exactly what was written.
    std::string expectReadBack(const std::vector<TableData>& tables) {
        std::string file = test::writeClassDb(dir.path(), tables);
        for (const TableData& table : tables) {
            SCOPED_TRACE(table.name);
            Table ours = readWithOurLayer(file, table.name);
            EXPECT_EQ(ours.columns, columnNames(table));
            EXPECT_TRUE(sameRows(ours.rows, table.rows)) << "our layer";
        }
        return file;
    }

    // And so must mdbtools' mdb-export.
    void expectExported(const std::string& file, const std::vector<TableData>& tables) {
        for (const TableData& table : tables) {
            SCOPED_TRACE(table.name);
            Table exported = readWithMdbExport(file, table.name);
            EXPECT_EQ(exported.columns, columnNames(table));
            EXPECT_TRUE(sameRows(exported.rows, emptyAsNull(table.rows))) << "mdb-export";
        }
    }

    test::TempDir dir;
};

TEST_F(WriterTest, ChineseNamesNullsNumbersTextsAndMemosReadBackExactlyByMdbtoolsToo) {
    // Texts chosen to switch Jet 4 compression on and off, or to forbid it (U+4E00 and U+0100
    // have a low byte 0); memos inline, in one long-value row and chained over several pages.
    TableData table{"学生名单",
                    {{"编号", ColumnType::LongInteger},
                     {"姓名", ColumnType::Text},
                     {"备注", ColumnType::Memo},
                     {"说明", ColumnType::Text}},
                    {
                        {"1", "张三", "短备注", "含,逗号与\"引号\"及\n换行"},
                        {"-5", {}, "", "ab知cd"},
                        {"2147483647", "abc知识点abc", repeat("知识abc", 50), "知ab"},
                        {"-2147483648", "一abcdefgh", repeat("函数与导数", 1000), "Ābcdefghij Ā"},
                        {{}, repeat("点", 255), repeat("x", 1500), "a知"},
                        {"0", "", repeat("ab", 32), "一二三"},
                    }};
    std::string file = expectReadBack({table});
    SKIP_REST_WITHOUT_MDBTOOLS_PROGRAMS();
    expectExported(file, {table});
    EXPECT_EQ(runProgram({"mdb-ver", file}).out, "JET4\n");
    EXPECT_EQ(runProgram({"mdb-tables", "-1", "-S", file}).out, "MSysObjects\n学生名单\n");
    std::string schema = runProgram({"mdb-schema", file}).out;
    for (const char* column :
         {"[编号]\t\t\tLong Integer", "[姓名]\t\t\tText (255)", "[备注]\t\t\tMemo/Hyperlink"}) {
        EXPECT_NE(schema.find(column), std::string::npos) << schema;
    }
    // The catalog: three containers, MSysObjects flagged as a system table, the user table.
    Table catalog = readWithMdbExport(file, "MSysObjects");
    ASSERT_EQ(catalog.rows.size(), 5u);
    EXPECT_EQ(catalog.rows[3][2], Value("MSysObjects"));
    EXPECT_EQ(catalog.rows[3][7], Value("-2147483646"));
}

// mdb-export writes every digit of the scale ("1.50"), the program shows a Decimal as Access
// does, without trailing zeros ("1.5").
TEST_F(WriterTest, DecimalsAtTheirOwnScaleReadBackAsMdbExportGivesThem) {
    TableData table{"成绩",
                    {{"整数", ColumnType::Decimal, 18, 0},
                     {"两位", ColumnType::Decimal, 10, 2},
                     {"四位", ColumnType::Decimal, 28, 4}},
                    {{"1", "1.5", "-0.0001"},
                     {"-123456789012345678", "-99999999.99", "999999999999999999999999.9999"},
                     {"0", "0.05", "-7"},
                     {{}, "12", "3.25"}}};
    std::string file = test::writeClassDb(dir.path(), {table});
    Table ours = readWithOurLayer(file, "成绩");
    EXPECT_TRUE(sameRows(ours.rows, table.rows));
    SKIP_REST_WITHOUT_MDBTOOLS_PROGRAMS();
    Rows exported = readWithMdbExport(file, "成绩").rows;
    for (auto& row : exported) {
        for (Value& value : row) {
            value = value ? Value(mdb::trimmedDecimal(*value)) : value;
        }
    }
    EXPECT_TRUE(sameRows(exported, table.rows));
    EXPECT_NE(runProgram({"mdb-schema", file}).out.find("[两位]\t\t\tNumeric (10, 2)"),
              std::string::npos);
}

TEST_F(WriterTest, EmptyTableAndHundredThousandRowsReadBackExactly) {
    std::vector<TableData> tables{test::subjectTable("空表", 0), test::subjectTable("语文", 40000),
                                  test::subjectTable("数学", 40000),
                                  test::subjectTable("英语", 20000)};
    std::string file = expectReadBack(tables);
    SKIP_REST_WITHOUT_MDBTOOLS_PROGRAMS();
    expectExported(file, tables);
    EXPECT_EQ(runProgram({"mdb-tables", "-1", file}).out, "空表\n语文\n数学\n英语\n");
}

TEST_F(WriterTest, TwoHundredFiftyFiveColumnsSpanSeveralDefinitionAndMapPages) {
    // 255 column descriptions fill two definition pages; 255 memo columns need 512 usage maps.
    TableData texts{"宽文本表", {}, {{}, {}}};
    TableData memos{"宽备注表", {}, {{}}};
    for (int i = 0; i < 255; ++i) {
        std::string name = "第" + std::to_string(i) + "列";
        texts.columns.push_back({name, ColumnType::Text});
        texts.rows[0].push_back(std::to_string(i));
        texts.rows[1].push_back(i % 2 == 0 ? Value() : Value("知"));
        memos.columns.push_back({name, ColumnType::Memo});
        memos.rows[0].push_back(i % 3 == 0 ? Value() : Value("备注"));
    }
    std::string file = expectReadBack({texts, memos});
    SKIP_REST_WITHOUT_MDBTOOLS_PROGRAMS();
    expectExported(file, {texts, memos});
}

// The class database lands as an upload does: a failure leaves neither a database nor a
// temporary file, and a database that is there, or comes meanwhile, is never replaced.
class NewDatabaseTest : public WriterTest {
protected:
    ::testing::AssertionResult writeFails(std::int32_t number,
                                          const std::vector<std::string>& names) {
        return test::failsWith([&] { writeNewDatabase(files, path, tables); }, number, names);
    }

    test::FailingFileSystem files;
    std::string path = dir.path() + kSeparator + "DataBases.mdb";
    std::vector<TableData> tables{test::subjectTable("语文", 2000)};
};

TEST_F(NewDatabaseTest, AFailedWriteOrRenameOrMissingFolderLeavesNothing) {
    files.failWrite = 3;
    EXPECT_TRUE(writeFails(err::kDiskFull, {"磁盘已满", dir.path()}));
    EXPECT_TRUE(filesIn(dir.path()).empty());
    files.failWrite = 0;
    files.failLanding = true;
    EXPECT_TRUE(writeFails(err::kPathFileAccess, {"DataBases.mdb"}));
    EXPECT_TRUE(filesIn(dir.path()).empty());
    files.failLanding = false;
    std::string missing = dir.path() + kSeparator + "无此文件夹";
    EXPECT_TRUE(test::failsWith(
        [&] { writeNewDatabase(files, missing + kSeparator + "DataBases.mdb", tables); },
        err::kPathNotFound, {missing}));
    writeNewDatabase(files, path, tables);
    EXPECT_EQ(readWithOurLayer(path, "语文").rows, tables[0].rows);
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"DataBases.mdb"});
}

TEST_F(NewDatabaseTest, ADatabaseThatComesWhileOneIsWrittenIsKeptByteForByte) {
    const std::string teachers = "the teacher's own class, edited in Access";
    files.meanwhile = [&](const std::string& landing) { test::writeFile(landing, teachers); };
    const std::vector<std::string> named{"文件已存在", path, "不会被覆盖"};
    EXPECT_TRUE(writeFails(err::kFileAlreadyExists, named));
    EXPECT_EQ(test::readFile(path), teachers);
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"DataBases.mdb"});
    files.meanwhile = nullptr;
    EXPECT_TRUE(writeFails(err::kFileAlreadyExists, named));  // one that was there before
    EXPECT_EQ(test::readFile(path), teachers);
}

struct RefusedCase {
    const char* name;
    std::vector<TableData> tables;
    std::int32_t number;
    std::string named;  // what the description must name
};

void PrintTo(const RefusedCase& c, std::ostream* out) {
    *out << c.name;
}

class RefusedTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedTest, FailsWithAccessNumberAndWritesNothing) {
    test::TempDir dir;
    EXPECT_TRUE(test::failsWith([&] { test::writeClassDb(dir.path(), GetParam().tables); },
                                GetParam().number, {GetParam().named}));
    EXPECT_TRUE(filesIn(dir.path()).empty());
}

TableData textTable(const std::string& name, std::vector<std::string> fields, Rows rows = {}) {
    TableData table{name, {}, std::move(rows)};
    for (const std::string& field : fields) {
        table.columns.push_back({field, ColumnType::Text});
    }
    return table;
}

std::vector<std::string> fields(std::size_t count) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < count; ++i) {
        names.push_back("列" + std::to_string(i));
    }
    return names;
}

// The table 表 with the one field 字段 of that type and two rows of the value.
std::vector<TableData> twice(Column column, Value value) {
    return {{"表", {std::move(column)}, {{value}, {std::move(value)}}}};
}

const Column kLong{"字段", ColumnType::LongInteger};
const Column kDecimal52{"字段", ColumnType::Decimal, 5, 2};

INSTANTIATE_TEST_SUITE_P(
    Writer, RefusedTest,
    ::testing::Values(
        RefusedCase{"emptyTableName", {textTable("", {"A"})}, kErrNotValidName, "表名"},
        RefusedCase{"dotInTableName", {textTable("a.b", {"A"})}, kErrNotValidName, "a.b"},
        RefusedCase{"bracketInFieldName", {textTable("表", {"[X]"})}, kErrNotValidName, "[X]"},
        RefusedCase{"fieldNameOf65", {textTable("表", {repeat("名", 65)})}, kErrNotValidName, "表"},
        RefusedCase{"noField", {textTable("表", {})}, kErrNoField, "表"},
        RefusedCase{"256Fields", {textTable("表", fields(256))}, kErrTooManyFields, "256"},
        RefusedCase{"leadingZeroInLong", twice(kLong, "007"), kErrConversion, "007"},
        RefusedCase{"beyondLongRange", twice(kLong, "2147483648"), kErrConversion, "第 1 行"},
        RefusedCase{"decimalBeyondScale", twice(kDecimal52, "1.234"), kErrConversion, "1.234"},
        RefusedCase{"decimalBeyondPrecision", twice(kDecimal52, "1234"), kErrConversion, "1234"},
        RefusedCase{"decimalOf29Digits", twice({"字段", ColumnType::Decimal, 29, 0}, {}),
                    kErrConversion, "字段"},
        RefusedCase{"textOf256", twice({"字段", ColumnType::Text}, repeat("字", 256)),
                    kErrFieldTooSmall, "字段"},
        RefusedCase{"notUtf8", twice({"字段", ColumnType::Text}, "a\xff"), kErrConversion, "表"},
        RefusedCase{
            "raggedRow", {textTable("表", fields(2), {{"a"}})}, kErrNotExpectedFormat, "第 1 行"},
        RefusedCase{"tableTwiceIgnoringCase",
                    {textTable("Students", {"A"}), textTable("students", {"A"})},
                    kErrTableExists,
                    "students"},
        RefusedCase{
            "catalogName", {textTable("msysobjects", {"A"})}, kErrTableExists, "msysobjects"}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return info.param.name; });

}  // namespace
}  // namespace veltrana::mkdb
