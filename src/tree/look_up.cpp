#include "tree/look_up.h"

#include <algorithm>

#include "db/class_reader.h"
#include "db/connection.h"

namespace veltrana {

void Look_Up_Click(Form& form) {
    std::string name = form.dialogs.InputBox("请输入需要查询的学生姓名：", kMessageTitle);
    TableRows students = readStudents(form);
    if (students.failure) {
        throw *students.failure;
    }
    // The last student whose name is exactly the one typed; Null names match nothing.
    auto match = std::ranges::find_if(students.rows.rbegin(), students.rows.rend(),
                                      [&name](const Entry& row) { return row.name == name; });
    if (match != students.rows.rend()) {
        form.TreeView1.select(studentKey(text(match->id)));
    } else {
        form.dialogs.MsgBox("所查询的学生不存在，请重新输入", kMessageTitle);
    }
}

}  // namespace veltrana
