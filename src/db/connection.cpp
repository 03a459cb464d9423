#include "db/connection.h"

#include "db/queries.h"
#include "platform/error.h"

namespace veltrana {

namespace {

// A teacher at the first start has no database yet; one that cannot be read or that lacks what
// the tree needs has the check list all its faults at once, where the window shows the first.
std::string advice(Form& form) {
    if (!form.fileSystem.exists(databasePath(form.appPath))) {
        return "可用菜单【信息管理】→“新建班级…”由班级名单生成数据库";
    }
    return "可用菜单【信息管理】→“检查数据库”查看数据库的全部问题";
}

}  // namespace

std::string connectionStringFor(const std::string& path) {
    return "DRIVER=Microsoft Access Driver (*.mdb);dbQ=" + path;
}

std::string databasePath(const std::string& appPath) {
    return appPath + kSeparator + "DataBases.mdb";
}

std::string connectionString(const std::string& appPath) {
    return connectionStringFor(databasePath(appPath));
}

void showConnectFailure(Form& form, const Error& error) {
    std::string text = errorText(error);
    if (!text.ends_with("。")) {
        text += "。";
    }
    form.connected = false;
    form.Label1.setCaption(kConnectFailedText);
    form.Label2.setCaption(text + advice(form));
}

void connectDatabase(Form& form) {
    // The connection held before is dropped without a close, as replacing it always did.
    form.dbConn = form.dataAccess.newConnection();
    form.dbConn->ConnectionString = connectionString(form.appPath);
    form.dbConn->Open("", "", "", -1);
    form.connected = true;
    form.Label1.setCaption(kConnectedText);
    form.Label2.setCaption("");
}

void DB_Connect_Click(Form& form) {
    try {
        connectDatabase(form);
    } catch (const Error& error) {
        showConnectFailure(form, error);
    }
}

void Disconnect_Click(Form& form) {
    try {
        if (!form.dbConn) {
            throw Error(err::kObjectNotSet, "对象变量未设置：还没有数据库连接");
        }
        form.dbConn->Close();
        form.connected = false;
        form.Label1.setCaption(kDisconnectedText);
        form.Label2.setCaption("");
    } catch (const Error& error) {
        form.Label1.setCaption(kDisconnectFailedText);
        form.Label2.setCaption(errorText(error));
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
