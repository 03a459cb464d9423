#include "mkdb/csv.h"

#include <gtest/gtest.h>

#include "support/access_files.h"
#include "support/fakes.h"

namespace veltrana::mkdb {
namespace {

using test::repeat;

std::string writeFile(const std::string& dir, const std::string& name, const std::string& text) {
    std::string path = dir + "/" + name;
    test::writeFile(path, text);
    return path;
}

TEST(CsvTest, QuotingByteOrderMarkAndLineEndsGiveTheValuesAsWritten) {
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

// A whole number without a leading zero or plus in every filled cell makes a number column;
// a Chinese character counts as one towards the 255 of a Text column.
TEST(CsvTest, ColumnTypesFollowTheValues) {
    test::TempDir dir;
    std::string file =
        writeFile(dir.path(), "types.csv",
                  "id,leading,big,minusZero,plus,limits,none,someEmpty,memo,chinese255,chinese256\n"
                  "1,007,2147483648,-0,+5,2147483647,,,\"" +
                      std::string(256, 'x') + "\"," + repeat("汉", 255) + "," + repeat("汉", 256) +
                      "\n2,7,1,0,5,-2147483648,,3,short,short,short\n");
    std::vector<ColumnType> types;
    for (const Column& column : readCsvFile(file).columns) {
        types.push_back(column.type);
    }
    using T = ColumnType;
    EXPECT_EQ(types,
              (std::vector<T>{T::LongInteger, T::Text, T::Text, T::Text, T::Text, T::LongInteger,
                              T::Text, T::LongInteger, T::Memo, T::Text, T::Memo}));
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

TEST_P(BadCsvTest, FailsNamingTheFileAndLine) {
    test::TempDir dir;
    std::string file = writeFile(dir.path(), "班级.csv", GetParam().text);
    Error error = test::errorOf([&] { readCsvFile(file); });
    EXPECT_EQ(error.number(), GetParam().number) << error.description();
    std::string place = "文件“" + file + "”第 " + std::to_string(GetParam().line) + " 行";
    EXPECT_EQ(error.description().rfind(place, 0), 0u) << error.description();
}

// The checks the writer makes (names, sizes) are its own tests' business; here only that they
// name the line of the file.
INSTANTIATE_TEST_SUITE_P(
    Csv, BadCsvTest,
    ::testing::Values(
        BadCsvCase{"raggedAfterQuotedLineBreak", "A,B\n1,\"x\ny\"\n2\n", kErrNotExpectedFormat, 4},
        BadCsvCase{"badUtf8AfterByteOrderMark",
                   "\xEF\xBB\xBF"
                   "A\n\xBA\xAF\n",
                   kErrNotExpectedFormat, 2},
        BadCsvCase{"noEncodingAtAll", "A\n\xBA\xAF\n\x80\n", kErrNotExpectedFormat, 3},
        BadCsvCase{"halfAUtf16Character",
                   std::string("\xFF\xFE"
                               "A\0\n\0B",
                               7),
                   kErrNotExpectedFormat, 2},
        BadCsvCase{"beyondBasicPlane", "A\n\xF0\x9F\x98\x80\n", kErrNotExpectedFormat, 2},
        BadCsvCase{"emptyFile", "", kErrNotExpectedFormat, 1},
        BadCsvCase{"blankFirstLine", "\nA\n", kErrNotExpectedFormat, 1},
        BadCsvCase{"fieldTwice", "KN,ID,kn\n", kErrFieldDefinedTwice, 1},
        BadCsvCase{"rowBeyondAPage",
                   "A,B,C,D,E,F,G,H,I\n1,2,3,4,5,6,7,8,9\n" + repeat(repeat("宽", 255) + ",", 8) +
                       repeat("宽", 255) + "\n",
                   kErrRecordTooLarge, 3},
        BadCsvCase{"unclosedQuote", "A\n1\n\"open\nstill\n", kErrNotExpectedFormat, 3},
        BadCsvCase{"textAfterClosingQuote", "A\n\"x\"y\n", kErrNotExpectedFormat, 2},
        BadCsvCase{"quoteInsideField", "A\nx\"y\n", kErrNotExpectedFormat, 2}),
    [](const ::testing::TestParamInfo<BadCsvCase>& info) { return info.param.name; });

TEST(CsvFolderTest, ReadsEveryCsvFileInNameOrderAndFailsWithoutOne) {
    test::TempDir dir;
    EXPECT_TRUE(test::failsWith([&] { readCsvFolder(dir.path() + "/无"); }, err::kPathNotFound,
                                {dir.path() + "/无"}));
    writeFile(dir.path(), "说明.txt", "not a table");
    EXPECT_TRUE(test::failsWith([&] { readCsvFolder(dir.path()); }, err::kFileNotFound));
    for (const char* name : {"语文.csv", "Students.CSV", "Bflearning.csv"}) {
        writeFile(dir.path(), name, "ID\n1\n");
    }
    std::vector<std::string> names;
    for (const TableData& table : readCsvFolder(dir.path())) {
        names.push_back(table.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Bflearning", "Students", "语文"}));
}

}  // namespace
}  // namespace veltrana::mkdb
