#include "platform/mdb/mdb_connection.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>

#include "support/access_files.h"
#include "support/class_db.h"
#include "support/fakes.h"

namespace veltrana::test {
namespace {

using mkdb::ColumnType;

TableData studentsTable() {
    return {"Students",
            {{"ID", ColumnType::LongInteger},
             {"UserName", ColumnType::Text},
             {"Attrib", ColumnType::Text}},
            {{"1", "张伟", "理科"}, {"2", "李娜", std::nullopt}, {"3", "王芳", "文科"}}};
}

class AccessFile : public ::testing::Test {
protected:
    std::string file(const std::string& name) const { return dir_.path() + kSeparator + name; }

    // Writes DataBases.mdb in the test's folder and gives its path.
    std::string write(const std::vector<mkdb::TableData>& tables) {
        return writeClassDb(dir_.path(), tables);
    }

    static std::unique_ptr<Connection> open(const std::string& path) {
        auto connection = MdbDataAccess().newConnection();
        connection->Open(connectionStringFor(path));
        return connection;
    }

    // The failure of opening path: the driver's number and the file named.
    static void expectRefused(const std::string& path) {
        EXPECT_TRUE(failsWith([&] { open(path); }, -2147467259, {path}));
    }

    TempDir dir_;
};

// What the handlers rely on from a record set.
class RecordsetTest : public AccessFile {
protected:
    void SetUp() override {
        connection_ = open(write({studentsTable(),
                                  subjectTable("语文", 2),
                                  {"Empty", {{"ID", ColumnType::LongInteger}}, {}}}));
    }
    Connection& connection() { return *connection_; }

    std::unique_ptr<Connection> connection_;
};

// Names in any case, Null as Null, numbers as their digits.
TEST_F(RecordsetTest, WalksRowsByCountAndRewinds) {
    Recordset rs;
    rs.Open("select * from [students]", connection(), 1, 3, -1);
    ASSERT_EQ(rs.RecordCount(), 3);
    std::vector<std::vector<Value>> walked;
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < rs.RecordCount(); ++i) {
            walked.push_back({rs.Fields("id"), rs.Fields("USERNAME"), rs.Fields("Attrib")});
            rs.MoveNext();
        }
        rs.MoveFirst();
    }
    auto rows = studentsTable().rows;
    auto twice = rows;
    twice.insert(twice.end(), rows.begin(), rows.end());
    EXPECT_EQ(walked, twice);
    rs.Close();
    rs.Open("Select * from 语文", connection(), 1, 4, -1);
    rs.MoveNext();
    EXPECT_EQ(rs.Fields("KN"), Value("语文知识点2"));
}

TEST_F(RecordsetTest, NoCurrentRowNamesTableAndField) {
    Recordset rs;
    rs.Open("Select * from 语文", connection());
    rs.MoveNext();
    rs.MoveNext();
    EXPECT_TRUE(failsWith([&] { rs.Fields("KN"); }, 3021, {"语文", "KN"}));
    EXPECT_TRUE(failsWith([&] { rs.MoveNext(); }, 3021, {"语文"}));
    rs.Close();
    rs.Open("Select * from Empty", connection());
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_TRUE(failsWith([&] { rs.Fields("ID"); }, 3021));
    EXPECT_TRUE(failsWith([&] { rs.MoveFirst(); }, 3021, {"Empty"}));
}

TEST_F(RecordsetTest, MissingFieldTableOrStatementIsNamed) {
    Recordset rs;
    rs.Open("Select * from Students ", connection());
    EXPECT_TRUE(failsWith([&] { rs.Fields("Coursesli"); }, 3265, {"Coursesli", "Students"}));
    rs.Close();
    for (std::string table : {"Bflearning", "物理"}) {
        EXPECT_TRUE(failsWith([&] { rs.Open("Select * from " + table, connection()); }, -2147217865,
                              {table}));
        EXPECT_FALSE(rs.isOpen());
    }
    EXPECT_TRUE(failsWith([&] { rs.Open("Select ID from Students", connection()); }, -2147217900,
                          {"Select ID from Students"}));
}

TEST_F(RecordsetTest, OpenAndClosedObjectsRefuseAndOpenAgain) {
    Recordset rs;
    rs.Open("Select * from Students ", connection());
    EXPECT_TRUE(
        failsWith([&] { rs.Open("Select * from 语文", connection()); }, 3705, {"Students"}));
    EXPECT_EQ(rs.Fields("ID"), Value("1"));
    rs.Close();
    std::vector<std::function<void()>> operations = {
        [&] { rs.RecordCount(); }, [&] { rs.Fields("ID"); }, [&] { rs.MoveNext(); },
        [&] { rs.MoveFirst(); }, [&] { rs.Close(); }};
    for (auto& operation : operations) {
        EXPECT_TRUE(failsWith(operation, 3704));
    }
    std::string connectionString = connection().ConnectionString;
    EXPECT_TRUE(failsWith([&] { connection().Open(); }, 3705));
    connection().Close();
    EXPECT_TRUE(failsWith([&] { connection().Close(); }, 3704));
    EXPECT_TRUE(
        failsWith([&] { rs.Open("Select * from Students ", connection()); }, 3709, {"Students"}));
    EXPECT_FALSE(rs.isOpen());
    connection().Open(connectionString);
    rs.Open("Select * from Students ", connection());
    EXPECT_EQ(rs.RecordCount(), 3);
}

// Table names match in any case, beyond ASCII too.
TEST_F(AccessFile, ChineseFolderAndTableNamesInAnyCase) {
    std::filesystem::create_directories(utf8Path(file("高三（1）班")));
    auto connection =
        open(writeClassDb(file("高三（1）班"), {studentsTable(), subjectTable("Übung", 1)}));
    EXPECT_EQ(connection->readTable("STUDENTS").rows.size(), 3u);
    EXPECT_EQ(connection->readTable("übung").rows.size(), 1u);
}

// libmdb converts text to whatever MDBICONV names; the program must get UTF-8 regardless. An
// Access 2007 header over the same pages reads too.
TEST_F(AccessFile, TextIsUtf8WhateverTheEnvironmentOrHeaderSays) {
    std::string path = write({studentsTable()});
    test::setEnvironment("MDBICONV", "ISO-8859-1");
    Table students = readWithOurLayer(path, "Students");
    test::setEnvironment("MDBICONV", "");
    EXPECT_EQ(students.rows, studentsTable().rows);
    std::string bytes = readFile(path);
    bytes.replace(4, 15, "Standard ACE DB");
    bytes[0x14] = 0x02;
    writeFile(path, bytes);
    EXPECT_EQ(readWithOurLayer(path, "Students").rows, studentsTable().rows);
}

TEST_F(AccessFile, MissingUnreadableAndOtherFilesAreRefused) {
    expectRefused(file("DataBases.mdb"));
    expectRefused(file("没有这个文件夹/DataBases.mdb"));
    std::filesystem::create_directories(utf8Path(file("folder.mdb")));
    expectRefused(file("folder.mdb"));
    std::string path = write({studentsTable()});
    std::string whole = readFile(path);
    std::string unknownVersion = whole;
    unknownVersion[0x14] = 0x40;
    for (std::string bytes :
         {std::string(), std::string("ID,UserName\n1,张伟\n"), std::string(3 * 4096, '\0'),
          repeat("Standard Jet DB", 1000), unknownVersion}) {
        writeFile(path, bytes);
        expectRefused(path);
    }
    writeFile(path, whole);
    std::filesystem::permissions(utf8Path(path), std::filesystem::perms::none);
    if (!std::ifstream(path).good()) {  // unless the test runs with rights that read any file
        expectRefused(path);
    }
}

// Access 2007 and later encrypt a file with a password (a key in the header); older files keep
// the password itself in the header. Either way the teacher learns what to remove.
TEST_F(AccessFile, PasswordProtectedFilesAreRefusedAsEncrypted) {
    std::string path = write({studentsTable()});
    std::string whole = readFile(path);
    auto withHeader = [&whole](auto change) {
        std::string bytes = whole;
        auto* page = reinterpret_cast<std::uint8_t*>(bytes.data());
        mkdb::toggleHeaderMask(page);
        change(page);
        mkdb::toggleHeaderMask(page);
        return bytes;
    };
    std::string accdb = withHeader([](std::uint8_t* page) { page[0x3E] = 0x5A; });
    accdb.replace(4, 15, "Standard ACE DB");
    accdb[0x14] = 0x02;
    for (const std::string& bytes :
         {accdb, withHeader([](std::uint8_t* page) { page[0x42 + 7] ^= 'a'; })}) {
        writeFile(path, bytes);
        EXPECT_TRUE(failsWith([&] { open(path); }, err::kNotValidPassword,
                              {path, "设有密码", "解密数据库"}));
    }
}

TEST_F(AccessFile, TruncatedFileIsRefusedOrReadsWhatIsThere) {
    std::string cut = write({studentsTable(), subjectTable("语文", 300)});
    std::string whole = readFile(cut);
    for (std::size_t size = 0; size < whole.size(); size += 1 + size / 3) {
        writeFile(cut, whole.substr(0, size));
        expectRefused(cut);
    }
    for (std::size_t size = 4096; size < whole.size(); size += 4096) {
        writeFile(cut, whole.substr(0, size));
        try {
            auto connection = open(cut);
            connection->readTable("Students");
            connection->readTable("语文");
        } catch (const Error& error) {
            EXPECT_EQ(error.number(), -2147467259) << size;
        }
    }
}

// A memo whose page chain comes back on itself is damage, not a value: libmdb would stop at
// the stated length with whatever it gathered (or never, when the pieces are empty).
TEST_F(AccessFile, MemoChainThatLoopsIsDamage) {
    std::string path = write({{"Notes",
                               {{"ID", ColumnType::LongInteger}, {"Memo", ColumnType::Memo}},
                               {{"1", repeat("长文本", 2000)}}}});
    std::string bytes = readFile(path);
    std::size_t chainEnd = 0;  // where the last piece's pointer to the next piece is
    std::vector<std::size_t> linkedPages;
    for (std::size_t page = 1; page < bytes.size() / 4096; ++page) {
        std::size_t at = page * 4096;
        if (bytes.compare(at + 4, 4, "LVAL") == 0) {
            std::size_t row = at + (static_cast<unsigned char>(bytes[at + 14]) |
                                    (static_cast<unsigned char>(bytes[at + 15]) & 0x1f) << 8);
            if (bytes.compare(row, 4, std::string(4, '\0')) == 0) {
                chainEnd = row;
            } else {
                linkedPages.push_back(page);
            }
        }
    }
    ASSERT_NE(chainEnd, 0u);
    ASSERT_FALSE(linkedPages.empty());
    bytes[chainEnd + 1] = static_cast<char>(linkedPages.front() & 0xff);  // row 0 of that page
    bytes[chainEnd + 2] = static_cast<char>(linkedPages.front() >> 8);
    writeFile(path, bytes);
    EXPECT_TRUE(failsWith([&] { readWithOurLayer(path, "Notes"); }, -2147467259, {path, "Memo"}));
}

// Overwrites bytes at random, anywhere or within one page, and reads every table. Whatever
// the damage, the reader either reads or raises our error; the sanitizer build watches for
// reads out of bounds on the way.
TEST_F(AccessFile, RandomDamageNeverCrashes) {
    std::string damaged = write({studentsTable(),
                                 subjectTable("语文", 400),
                                 {"Notes",
                                  {{"ID", ColumnType::LongInteger}, {"Memo", ColumnType::Memo}},
                                  {{"1", repeat("长文本", 2000)}, {"2", repeat("短", 300)}}}});
    std::string whole = readFile(damaged);
    std::size_t pages = whole.size() / 4096;
    int opened = 0;
    for (unsigned seed = 0; seed < 300; ++seed) {
        std::mt19937 random(seed);
        std::string bytes = whole;
        std::size_t page = random() % pages;
        for (unsigned n = 1 + random() % 12; n > 0; --n) {
            std::size_t at = seed % 2 == 0 ? random() % bytes.size()
                                           : page * 4096 + random() % (seed % 4 == 1 ? 96 : 4096);
            bytes[at] = static_cast<char>(random());
        }
        writeFile(damaged, bytes);
        try {
            auto connection = open(damaged);
            ++opened;
            for (std::string table : {"Students", "语文", "Notes"}) {
                connection->readTable(table);
            }
        } catch (const Error& error) {
            std::int32_t number = error.number();
            // Damage to the header's password bytes reads as a password.
            EXPECT_TRUE(number == -2147467259 || number == -2147217865 ||
                        number == err::kNotValidPassword)
                << "seed " << seed << ": " << errorText(error);
            if (number == -2147467259) {
                EXPECT_NE(error.description().find(damaged), std::string::npos) << seed;
            }
        }
    }
    EXPECT_GT(opened, 100);  // the damage must not all fall on the header
}

}  // namespace
}  // namespace veltrana::test
