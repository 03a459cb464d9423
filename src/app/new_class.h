#pragma once

#include "platform/form.h"

namespace veltrana {

// 【信息管理】→ 新建班级…: the teacher picks the roster, sees what was read and picks the stream;
// then DataBases.mdb is written whole, never over one that is there, the window connects and
// builds the tree as at start-up, shows the numbers and offers 生成文件夹. Failures propagate.
void NewClass_Click(Form& form);

// 【信息管理】→ 检查数据库: every fault and warning of DataBases.mdb at once, then the numbers, in
// a dialog whose text can be copied.
void CheckDatabase_Click(Form& form);

// Once the window is on screen after a start-up that could not connect: without a database,
// offers a new class from a roster or a copy of the demo class; with one that cannot be read,
// offers the check's report.
void Form_Shown(Form& form);

}  // namespace veltrana
