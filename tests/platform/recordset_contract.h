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

TYPED_TEST_P(RecordsetContract, WalksRowsByCountAndRewinds) {
    Recordset rs;
    rs.Open("Select * from Students ", this->connection(), 1, 3, -1);
    ASSERT_EQ(rs.RecordCount(), 3);
    std::vector<std::string> walked;
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < rs.RecordCount(); ++i) {
            walked.push_back(text(rs.Fields("ID")) + ":" + text(rs.Fields("UserName")));
            rs.MoveNext();
        }
        rs.MoveFirst();
    }
    EXPECT_EQ(walked, (std::vector<std::string>{"1:张伟", "2:李娜", "3:王芳", "1:张伟", "2:李娜",
                                                "3:王芳"}));
}

TYPED_TEST_P(RecordsetContract, NamesInAnyCaseChineseTablesAndNull) {
    Recordset rs;
    rs.Open("select * from [students]", this->connection());
    EXPECT_EQ(rs.Fields("attrib"), Value("理科"));
    EXPECT_EQ(rs.Fields("USERNAME"), Value("张伟"));
    rs.MoveNext();
    EXPECT_EQ(rs.Fields("Attrib"), std::nullopt);
    rs.Close();
    rs.Open("Select * from 语文", this->connection(), 1, 4, -1);
    ASSERT_EQ(rs.RecordCount(), 2);
    rs.MoveNext();
    EXPECT_EQ(rs.Fields("KN"), Value("语文知识点2"));
    EXPECT_EQ(rs.Fields("ID"), Value("2"));
}

TYPED_TEST_P(RecordsetContract, NoCurrentRowNamesTableAndField) {
    Recordset rs;
    rs.Open("Select * from 语文", this->connection());
    rs.MoveNext();
    rs.MoveNext();
    Error read = errorOf([&] { rs.Fields("KN"); });
    EXPECT_EQ(read.number(), 3021);
    EXPECT_NE(read.description().find("语文"), std::string::npos);
    EXPECT_NE(read.description().find("KN"), std::string::npos);
    Error move = errorOf([&] { rs.MoveNext(); });
    EXPECT_EQ(move.number(), 3021);
    EXPECT_NE(move.description().find("语文"), std::string::npos);
    rs.Close();
    rs.Open("Select * from Empty", this->connection());
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_EQ(errorOf([&] { rs.Fields("ID"); }).number(), 3021);
    Error rewind = errorOf([&] { rs.MoveFirst(); });
    EXPECT_EQ(rewind.number(), 3021);
    EXPECT_NE(rewind.description().find("Empty"), std::string::npos);
}

TYPED_TEST_P(RecordsetContract, MissingFieldTableOrStatementIsNamed) {
    Recordset rs;
    rs.Open("Select * from Students ", this->connection());
    Error error = errorOf([&] { rs.Fields("Coursesli"); });
    EXPECT_EQ(error.number(), 3265);
    EXPECT_NE(error.description().find("Coursesli"), std::string::npos);
    EXPECT_NE(error.description().find("Students"), std::string::npos);
    rs.Close();
    for (std::string table : {"Bflearning", "物理"}) {
        Error error = errorOf([&] { rs.Open("Select * from " + table, this->connection()); });
        EXPECT_EQ(error.number(), -2147217865) << table;
        EXPECT_NE(error.description().find(table), std::string::npos) << error.description();
        EXPECT_FALSE(rs.isOpen());
    }
    Error statement = errorOf([&] { rs.Open("Select ID from Students", this->connection()); });
    EXPECT_EQ(statement.number(), -2147217900);
    EXPECT_NE(statement.description().find("Select ID from Students"), std::string::npos);
}

TYPED_TEST_P(RecordsetContract, ClosedRecordsetRefusesEveryOperation) {
    Recordset rs;
    rs.Open("Select * from Students ", this->connection());
    rs.Close();
    std::vector<std::function<void()>> operations = {
        [&] { rs.RecordCount(); }, [&] { rs.Fields("ID"); }, [&] { rs.MoveNext(); },
        [&] { rs.MoveFirst(); }, [&] { rs.Close(); }};
    for (auto& operation : operations) {
        EXPECT_EQ(errorOf(operation).number(), 3704);
    }
    rs.Open("Select * from 语文", this->connection());
    EXPECT_EQ(rs.RecordCount(), 2);
}

TYPED_TEST_P(RecordsetContract, OpenOverOpenRecordsetOrClosedConnectionNamesTable) {
    Recordset rs;
    rs.Open("Select * from Students ", this->connection());
    Error error = errorOf([&] { rs.Open("Select * from 语文", this->connection()); });
    EXPECT_EQ(error.number(), 3705);
    EXPECT_NE(error.description().find("Students"), std::string::npos);
    EXPECT_EQ(rs.Fields("ID"), Value("1"));
    this->connection().Close();
    Recordset other;
    Error closed = errorOf([&] { other.Open("Select * from Students ", this->connection()); });
    EXPECT_EQ(closed.number(), 3709);
    EXPECT_NE(closed.description().find("Students"), std::string::npos);
    EXPECT_FALSE(other.isOpen());
}

TYPED_TEST_P(RecordsetContract, ConnectionOpenAndCloseTwice) {
    std::string connectionString = this->connection().ConnectionString;
    EXPECT_EQ(errorOf([&] { this->connection().Open(); }).number(), 3705);
    this->connection().Close();
    EXPECT_EQ(errorOf([&] { this->connection().Close(); }).number(), 3704);
    this->connection().Open(connectionString);
    Recordset rs;
    rs.Open("Select * from Students ", this->connection());
    EXPECT_EQ(rs.RecordCount(), 3);
}

REGISTER_TYPED_TEST_SUITE_P(RecordsetContract, WalksRowsByCountAndRewinds,
                            NamesInAnyCaseChineseTablesAndNull, NoCurrentRowNamesTableAndField,
                            MissingFieldTableOrStatementIsNamed,
                            ClosedRecordsetRefusesEveryOperation,
                            OpenOverOpenRecordsetOrClosedConnectionNamesTable,
                            ConnectionOpenAndCloseTwice);

}  // namespace veltrana::test
