#pragma once

#include <gtest/gtest.h>

#include "platform/backends.h"

// What the readers rely on from a record set, run against every backend so that the fake used
// by the handlers' tests cannot drift from the Access file reader.

namespace veltrana::test {

template <typename Backend>
class RecordsetContract : public ::testing::Test {
protected:
    void SetUp() override {
        connection_ = backend_.connect({studentsTable(),
                                        subjectTable("语文", 2),
                                        {"Empty", {{"ID", mkdb::ColumnType::LongInteger}}, {}}});
    }

    Connection& connection() { return *connection_; }

private:
    Backend backend_;
    std::unique_ptr<Connection> connection_;
};

TYPED_TEST_SUITE_P(RecordsetContract);

// Names in any case, Null as Null, numbers as their digits.
TYPED_TEST_P(RecordsetContract, WalksRowsByCountAndRewinds) {
    Recordset rs;
    rs.Open("select * from [students]", this->connection(), 1, 3, -1);
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
    rs.Open("Select * from 语文", this->connection(), 1, 4, -1);
    rs.MoveNext();
    EXPECT_EQ(rs.Fields("KN"), Value("语文知识点2"));
}

TYPED_TEST_P(RecordsetContract, NoCurrentRowNamesTableAndField) {
    Recordset rs;
    rs.Open("Select * from 语文", this->connection());
    rs.MoveNext();
    rs.MoveNext();
    EXPECT_TRUE(failsWith([&] { rs.Fields("KN"); }, 3021, {"语文", "KN"}));
    EXPECT_TRUE(failsWith([&] { rs.MoveNext(); }, 3021, {"语文"}));
    rs.Close();
    rs.Open("Select * from Empty", this->connection());
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_TRUE(failsWith([&] { rs.Fields("ID"); }, 3021));
    EXPECT_TRUE(failsWith([&] { rs.MoveFirst(); }, 3021, {"Empty"}));
}

TYPED_TEST_P(RecordsetContract, MissingFieldTableOrStatementIsNamed) {
    Recordset rs;
    rs.Open("Select * from Students ", this->connection());
    EXPECT_TRUE(failsWith([&] { rs.Fields("Coursesli"); }, 3265, {"Coursesli", "Students"}));
    rs.Close();
    for (std::string table : {"Bflearning", "物理"}) {
        EXPECT_TRUE(failsWith([&] { rs.Open("Select * from " + table, this->connection()); },
                              -2147217865, {table}));
        EXPECT_FALSE(rs.isOpen());
    }
    EXPECT_TRUE(failsWith([&] { rs.Open("Select ID from Students", this->connection()); },
                          -2147217900, {"Select ID from Students"}));
}

TYPED_TEST_P(RecordsetContract, OpenAndClosedObjectsRefuseAndOpenAgain) {
    Recordset rs;
    rs.Open("Select * from Students ", this->connection());
    EXPECT_TRUE(
        failsWith([&] { rs.Open("Select * from 语文", this->connection()); }, 3705, {"Students"}));
    EXPECT_EQ(rs.Fields("ID"), Value("1"));
    rs.Close();
    std::vector<std::function<void()>> operations = {
        [&] { rs.RecordCount(); }, [&] { rs.Fields("ID"); }, [&] { rs.MoveNext(); },
        [&] { rs.MoveFirst(); }, [&] { rs.Close(); }};
    for (auto& operation : operations) {
        EXPECT_TRUE(failsWith(operation, 3704));
    }
    std::string connectionString = this->connection().ConnectionString;
    EXPECT_TRUE(failsWith([&] { this->connection().Open(); }, 3705));
    this->connection().Close();
    EXPECT_TRUE(failsWith([&] { this->connection().Close(); }, 3704));
    EXPECT_TRUE(failsWith([&] { rs.Open("Select * from Students ", this->connection()); }, 3709,
                          {"Students"}));
    EXPECT_FALSE(rs.isOpen());
    this->connection().Open(connectionString);
    rs.Open("Select * from Students ", this->connection());
    EXPECT_EQ(rs.RecordCount(), 3);
}

REGISTER_TYPED_TEST_SUITE_P(RecordsetContract, WalksRowsByCountAndRewinds,
                            NoCurrentRowNamesTableAndField, MissingFieldTableOrStatementIsNamed,
                            OpenAndClosedObjectsRefuseAndOpenAgain);

}  // namespace veltrana::test
