#include "db/connection.h"

#include "gmock/gmock.h"
#include "logic/class_tables.h"

namespace veltrana::test {
namespace {

using ::testing::StartsWith;

class ConnectionTest : public ClassTest {};

TEST_P(ConnectionTest, ConnectOpensTheDatabaseBesideTheProgram) {
    useClass(makeClass(1, 1));
    window.label2.caption = "错误：旧的";
    DB_Connect_Click(form);
    EXPECT_EQ(window.label1.caption, "连接数据库成功! ");
    EXPECT_EQ(window.label2.caption, "");
    EXPECT_EQ(form.dbConn->ConnectionString, "DRIVER=Microsoft Access Driver (*.mdb);dbQ=" +
                                                 dir.path() + kSeparator + "DataBases.mdb");
    EXPECT_TRUE(form.dbConn->isOpen());
}

TEST_P(ConnectionTest, ConnectAgainReplacesTheOpenConnection) {
    useClass(makeClass(1, 1));
    DB_Connect_Click(form);
    const Connection* first = form.dbConn.get();
    DB_Connect_Click(form);
    EXPECT_NE(form.dbConn.get(), first);
    EXPECT_TRUE(form.dbConn->isOpen());
    EXPECT_EQ(window.label1.caption, "连接数据库成功! ");
}

TEST_P(ConnectionTest, FailedConnectShowsTheErrorAndKeepsTheUnopenedConnection) {
    memory.fileMissing = true;
    DB_Connect_Click(form);
    EXPECT_EQ(window.label1.caption, "连接数据库失败! ");
    EXPECT_THAT(window.label2.caption, StartsWith("错误：-2147467259"));
    ASSERT_NE(form.dbConn, nullptr);
    EXPECT_FALSE(form.dbConn->isOpen());
}

TEST_P(ConnectionTest, DisconnectTwiceFailsTheSecondTime) {
    useClass(makeClass(1, 1));
    DB_Connect_Click(form);
    Disconnect_Click(form);
    EXPECT_EQ(window.label1.caption, "已断开数据库!");
    EXPECT_EQ(window.label2.caption, "");
    EXPECT_FALSE(form.dbConn->isOpen());

    Disconnect_Click(form);
    EXPECT_EQ(window.label1.caption, "断开数据库操作异常，未能断开连接!");
    EXPECT_THAT(window.label2.caption, StartsWith("错误：3704"));

    DB_Connect_Click(form);
    EXPECT_EQ(window.label1.caption, "连接数据库成功! ");
    EXPECT_EQ(window.label2.caption, "");
}

TEST_P(ConnectionTest, DisconnectBeforeAnyConnectionFails) {
    Disconnect_Click(form);
    EXPECT_EQ(window.label1.caption, "断开数据库操作异常，未能断开连接!");
    EXPECT_THAT(window.label2.caption, StartsWith("错误：91"));
}

INSTANTIATE_TEST_SUITE_P(Backends, ConnectionTest, kBackends, backendName);

}  // namespace
}  // namespace veltrana::test
