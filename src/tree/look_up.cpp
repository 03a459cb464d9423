#include "tree/look_up.h"

#include "db/connection.h"
#include "db/queries.h"
#include "platform/error.h"

namespace veltrana {

namespace {

// The last student row whose name is exactly name gives the key of the node to select; empty
// when none matches. Null names match nothing.
std::string keyOfLastMatch(Recordset& rs, const std::string& name) {
    std::string key;
    std::int16_t rows = toInt16(rs.RecordCount());
    for (std::int16_t i = 0; i < rows; ++i) {
        Value userName = rs.Fields("UserName");
        if (userName && *userName == name) {
            key = "父" + text(rs.Fields("ID"));
        }
        rs.MoveNext();
    }
    return key;
}

}  // namespace

void Look_Up_Click(Form& form) {
    std::string name = form.dialogs.InputBox("请输入需要查询的学生姓名：", kMessageTitle);
    // A fresh record set, closed however the look-up ends, so a failure here or in an earlier
    // handler never leaves the next look-up facing a record set that is still open.
    form.dbRs = std::make_unique<Recordset>();
    Recordset& rs = *form.dbRs;
    try {
        openQuery(form, kStudentsQuery, kLockOptimistic);
        std::string key = keyOfLastMatch(rs, name);
        if (!key.empty()) {
            form.TreeView1.select(key);
        } else {
            form.dialogs.MsgBox("所查询的学生不存在，请重新输入", kMessageTitle);
        }
    } catch (const Error&) {
        if (rs.isOpen()) {
            rs.Close();
        }
        throw;
    }
    rs.Close();
}

}  // namespace veltrana
