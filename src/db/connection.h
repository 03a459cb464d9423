#pragma once

#include <string>

#include "platform/error.h"
#include "platform/form.h"

namespace veltrana {

inline constexpr const char* kConnectedText = "连接数据库成功! ";
inline constexpr const char* kConnectFailedText = "连接数据库失败! ";
inline constexpr const char* kDisconnectedText = "已断开数据库!";
inline constexpr const char* kDisconnectFailedText = "断开数据库操作异常，未能断开连接!";

// "DRIVER=Microsoft Access Driver (*.mdb);dbQ=" + the Access file at path.
std::string connectionStringFor(const std::string& path);
// The database file beside the program.
std::string databasePath(const std::string& appPath);
// The connection string of the database file beside the program.
std::string connectionString(const std::string& appPath);

// The connect sequence without its trap: a new connection in dbConn, opened, success texts
// shown. Form_Load runs it inside its own trap.
void connectDatabase(Form& form);

// The failure texts of a connect, and of a start-up that failed after it: "连接数据库失败! " and
// the error text, which ends with where in the window the teacher finds the way on.
void showConnectFailure(Form& form, const Error& error);

void DB_Connect_Click(Form& form);
void Disconnect_Click(Form& form);

// Opens query on the shared record set over the shared connection, as every reader does (keyset
// cursor, command type unspecified). A form without a record set gets one.
Recordset& openQuery(Form& form, const char* query, int lockType);

}  // namespace veltrana
