#include "mkdb/csv.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/error.h"
#include "support/fakes.h"

namespace veltrana::mkdb {
namespace {

std::string writeFile(const std::string& dir, const std::string& name, const std::string& text) {
    std::string path = dir + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::vector<ColumnType> typesOf(const TableData& table) {
    std::vector<ColumnType> types;
    for (const Column& column : table.columns) {
        types.push_back(column.type);
    }
    return types;
}

TEST(CsvTest, quotingByteOrderMarkAndLineEnds_giveTheValuesAsWritten) {
    test::TempDir dir;
    std::string file = writeFile(dir.path(), "知识点.csv",
                                 "\xEF\xBB\xBF"
                                 "ID,KN,备注\r\n"
                                 "1,\"含,逗号\",\"他说\"\"好\"\"\"\r\n"
                                 "2,\"两行\r\n文字\",\n"
                                 "3,,\"\"\n"
                                 "4,a\rb,末行无换行");
    TableData table = readCsvFile(file);
    EXPECT_EQ(table.name, "知识点");
    ASSERT_EQ(table.columns.size(), 3u);
    EXPECT_EQ(table.columns[1].name, "KN");
    std::vector<std::vector<Value>> expected = {
        {"1", "含,逗号", "他说\"好\""},
        {"2", "两行\r\n文字", {}},
        {"3", {}, {}},
        {"4", "a\rb", "末行无换行"},
    };
    EXPECT_EQ(table.rows, expected);
}

TEST(CsvTest, columnTypes_followTheValues) {
    test::TempDir dir;
    std::string longText(256, 'x');
    std::string file =
        writeFile(dir.path(), "types.csv",
                  "id,leading,big,minusZero,plus,negative,none,someEmpty,memo,text255\n"
                  "1,007,2147483648,-0,+5,-5,,,\"" +
                      longText + "\"," + std::string(255, 'y') +
                      "\n"
                      "2,7,1,0,5,-2147483648,,3,short,short\n"
                      "3,8,2,1,6,2147483647,,,,\n");
    TableData table = readCsvFile(file);
    using T = ColumnType;
    EXPECT_EQ(typesOf(table),
              (std::vector<T>{T::LongInteger, T::Text, T::Text, T::Text, T::Text, T::LongInteger,
                              T::Text, T::LongInteger, T::Memo, T::Text}));
    EXPECT_EQ(table.rows[0][1], Value("007"));
    EXPECT_EQ(table.rows[0][7], Value());
}

TEST(CsvTest, chineseCharactersCountAsOneTowardsTheTextLimit) {
    test::TempDir dir;
    std::string text;
    for (int i = 0; i < 255; ++i) {
        text += "汉";
    }
    TableData table = readCsvFile(writeFile(dir.path(), "t.csv", "KN\n" + text + "\n"));
    EXPECT_EQ(table.columns[0].type, ColumnType::Text);
    table = readCsvFile(writeFile(dir.path(), "t.csv", "KN\n" + text + "字\n"));
    EXPECT_EQ(table.columns[0].type, ColumnType::Memo);
}

struct BadCsvCase {
    const char* name;
    std::string text;
    std::int32_t number;
    int line;
};

void PrintTo(const BadCsvCase& c, std::ostream* out) {
    *out << c.name;
}

class BadCsvTest : public ::testing::TestWithParam<BadCsvCase> {};

TEST_P(BadCsvTest, failsNamingTheFileAndLine) {
    test::TempDir dir;
    std::string file = writeFile(dir.path(), "班级.csv", GetParam().text);
    try {
        readCsvFile(file);
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), GetParam().number) << error.description();
        std::string place = "文件“" + file + "”第 " + std::to_string(GetParam().line) + " 行";
        EXPECT_EQ(error.description().rfind(place, 0), 0u) << error.description();
    }
}

std::string manyColumns(int count) {
    std::string header;
    for (int i = 0; i < count; ++i) {
        header += (i ? ",c" : "c") + std::to_string(i);
    }
    return header + "\n";
}

std::string wideRow() {
    std::string value;
    for (int i = 0; i < 255; ++i) {
        value += "宽";
    }
    std::string row = value;
    for (int i = 1; i < 9; ++i) {
        row += "," + value;
    }
    return row + "\n";
}

INSTANTIATE_TEST_SUITE_P(
    Csv, BadCsvTest,
    ::testing::Values(
        BadCsvCase{"raggedAfterQuotedLineBreak", "A,B\n1,\"x\ny\"\n2\n", kErrNotExpectedFormat, 4},
        BadCsvCase{"longerRow", "A,B\n1,2,3\n", kErrNotExpectedFormat, 2},
        BadCsvCase{"badUtf8", "A\nok\nok\n\xC3\x28\n", kErrNotExpectedFormat, 4},
        BadCsvCase{"beyondBasicPlane", "A\n\xF0\x9F\x98\x80\n", kErrNotExpectedFormat, 2},
        BadCsvCase{"emptyFile", "", kErrNotExpectedFormat, 1},
        BadCsvCase{"byteOrderMarkOnly", "\xEF\xBB\xBF", kErrNotExpectedFormat, 1},
        BadCsvCase{"blankFirstLine", "\nA\n", kErrNotExpectedFormat, 1},
        BadCsvCase{"emptyFieldName", "A,,B\n", kErrNotValidName, 1},
        BadCsvCase{"fieldTwice", "KN,ID,kn\n", kErrFieldDefinedTwice, 1},
        BadCsvCase{"256Columns", manyColumns(256), kErrTooManyFields, 1},
        BadCsvCase{"rowBeyondAPage", manyColumns(9) + "a,b,c,d,e,f,g,h,i\n" + wideRow(),
                   kErrRecordTooLarge, 3},
        BadCsvCase{"unclosedQuote", "A\n1\n\"open\nstill\n", kErrNotExpectedFormat, 3},
        BadCsvCase{"textAfterClosingQuote", "A\n\"x\"y\n", kErrNotExpectedFormat, 2},
        BadCsvCase{"quoteInsideField", "A\nx\"y\n", kErrNotExpectedFormat, 2}),
    [](const ::testing::TestParamInfo<BadCsvCase>& info) { return info.param.name; });

TEST(CsvFolderTest, readsEveryCsvFileInNameOrder) {
    test::TempDir dir;
    writeFile(dir.path(), "语文.csv", "ID\n1\n");
    writeFile(dir.path(), "Students.CSV", "ID\n1\n");
    writeFile(dir.path(), "Bflearning.csv", "ID\n1\n");
    writeFile(dir.path(), "说明.txt", "not a table");
    std::vector<std::string> names;
    for (const TableData& table : readCsvFolder(dir.path())) {
        names.push_back(table.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Bflearning", "Students", "语文"}));
}

TEST(CsvFolderTest, missingFolderOrNoCsvFile_fails) {
    test::TempDir dir;
    try {
        readCsvFolder(dir.path() + "/无");
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), err::kPathNotFound);
        EXPECT_NE(error.description().find(dir.path() + "/无"), std::string::npos);
    }
    try {
        readCsvFolder(dir.path());
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), err::kFileNotFound);
    }
}

}  // namespace
}  // namespace veltrana::mkdb
