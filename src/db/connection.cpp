#include "db/connection.h"

#include "db/queries.h"
#include "platform/error.h"

namespace veltrana {

namespace {

void showFailure(Form& form, const char* status, const Error& error) {
    form.Label1.setCaption(status);
    form.Label2.setCaption(errorText(error));
}

}  // namespace

std::string connectionString(const std::string& appPath) {
    return "DRIVER=Microsoft Access Driver (*.mdb);dbQ=" + appPath + kSeparator + "DataBases.mdb";
}

void connectDatabase(Form& form) {
    // The connection held before is dropped without a close, as replacing it always did.
    form.dbConn = form.dataAccess.newConnection();
    form.dbConn->ConnectionString = connectionString(form.appPath);
    form.dbConn->Open("", "", "", -1);
    form.Label1.setCaption(kConnectedText);
    form.Label2.setCaption("");
}

void DB_Connect_Click(Form& form) {
    try {
        connectDatabase(form);
    } catch (const Error& error) {
        showFailure(form, kConnectFailedText, error);
    }
}

void Disconnect_Click(Form& form) {
    try {
        if (!form.dbConn) {
            throw Error(err::kObjectNotSet, "对象变量未设置：还没有数据库连接");
        }
        form.dbConn->Close();
        form.Label1.setCaption(kDisconnectedText);
        form.Label2.setCaption("");
    } catch (const Error& error) {
        showFailure(form, kDisconnectFailedText, error);
    }
}

Recordset& openQuery(Form& form, const char* query, int lockType) {
    if (!form.dbConn) {
        throw Error(err::kObjectNotSet,
                    std::string("对象变量未设置：没有数据库连接，无法执行“") + query + "”");
    }
    if (!form.dbRs) {
        form.dbRs = std::make_unique<Recordset>();
    }
    form.dbRs->Open(query, *form.dbConn, kKeysetCursor, lockType, kCommandUnspecified);
    return *form.dbRs;
}

}  // namespace veltrana
