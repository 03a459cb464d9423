#pragma once

#include <string>

#include "platform/form.h"

namespace veltrana {

inline constexpr const char* kConnectedText = "连接数据库成功! ";
inline constexpr const char* kConnectFailedText = "连接数据库失败! ";
inline constexpr const char* kDisconnectedText = "已断开数据库!";
inline constexpr const char* kDisconnectFailedText = "断开数据库操作异常，未能断开连接!";

// "DRIVER=Microsoft Access Driver (*.mdb);dbQ=" + the database file beside the program.
std::string connectionString(const std::string& appPath);

// The connect sequence without its trap: a new connection in dbConn, opened, success texts
// shown. Form_Load runs it inside its own trap.
void connectDatabase(Form& form);

void DB_Connect_Click(Form& form);
void Disconnect_Click(Form& form);

// Opens query on the shared record set over the shared connection, as every reader does (keyset
// cursor, command type unspecified). A form without a record set gets one.
Recordset& openQuery(Form& form, const char* query, int lockType);

}  // namespace veltrana
