#include "app/new_class.h"

#include <optional>

#include "db/connection.h"
#include "mkdb/check.h"
#include "mkdb/new_class.h"
#include "mkdb/roster_report.h"
#include "platform/error.h"
#include "platform/fs/std_file_system.h"
#include "platform/utf8.h"
#include "store/new_folder.h"
#include "tree/form_load.h"

namespace veltrana {

namespace {

constexpr char kRosterKinds[] =
    "班级名单 (*.xlsx *.xls *.csv *.txt *.XLSX *.XLS *.CSV *.TXT);;所有文件 (*)";

struct RosterRead {
    RosterPreview preview;
    std::optional<mkdb::Roster> roster;  // none when it cannot be used
};

// The roster is read by the tool beside the program, in a process of its own: a workbook damaged
// in the wrong place can make a reader library fail, and that must not take the window along.
RosterRead readRoster(Form& form, const std::string& file) {
    RosterRead read{{file, {}, {}, {}, false}, std::nullopt};
    RosterPreview& preview = read.preview;
    try {
        WaitCursor wait(form.dialogs);
        mkdb::CheckedRoster checked = mkdb::readRosterApart(
            form.childProcess, form.appPath + kSeparator + "veltrana-mkdb", file);
        mkdb::Roster& roster = checked.roster;
        const mkdb::Findings& findings = checked.findings;
        for (const mkdb::RosterName& student : roster.names) {
            preview.names.push_back("第 " + std::to_string(student.line) + " 行　" + student.name);
        }
        for (const std::string& fault : findings.faults) {
            preview.findings.push_back("错误：" + fault);
        }
        for (const std::string& warning : findings.warnings) {
            preview.findings.push_back("警告：" + warning);
        }
        preview.canCreate = findings.faults.empty();
        preview.summary = "共 " + std::to_string(roster.names.size()) +
                          " 名学生，按名单顺序编号。" +
                          (preview.canCreate ? "选择理科或文科，再按“新建”。"
                                             : "名单有错，不能新建：请按下面所列的行改正名单，"
                                               "保存后再选择它。");
        if (preview.canCreate) {
            read.roster = std::move(roster);
        }
    } catch (const Error& error) {
        preview.summary = errorText(error);
    }
    return read;
}

// A database there may hold the teacher's work; a new class never replaces it.
bool refuseExisting(Form& form) {
    if (!form.fileSystem.exists(databasePath(form.appPath))) {
        return false;
    }
    form.dialogs.MsgBox(
        "程序文件夹中已经有班级数据库 DataBases.mdb，新建班级不会覆盖它。"
        "请先关闭程序，把它移到别的文件夹（或改名），再新建班级。",
        kMessageTitle);
    return true;
}

// The class that has just come: its tree as at start-up, its numbers, and 生成文件夹 offered.
void openClass(Form& form) {
    form.TreeView1.Clear();
    form.List1.Clear();
    form.Image1.clearPicture();
    form.Label3.setCaption("");
    form.selectedPath.clear();
    Form_Load(form);
    if (!form.connected) {
        return;
    }
    mkdb::CheckReport report = mkdb::checkDatabase(form.dataAccess, databasePath(form.appPath));
    std::string question = "班级已就绪。" + report.summary +
                           "。\n\n现在为每个学生、课程和知识点生成文件夹吗？"
                           "以后也可以用菜单【新增文件】→ 生成文件夹。";
    if (form.dialogs.ask(question, kMessageTitle, {"生成文件夹", "以后再说"}) == 0) {
        NewFolder_Click(form);
    }
}

void copyDemoClass(Form& form) {
    std::string demo = form.appPath + kSeparator + "示例班级" + kSeparator + "DataBases.mdb";
    if (!form.fileSystem.exists(demo)) {
        form.dialogs.MsgBox("找不到示例班级“" + demo + "”。", kMessageTitle);
        return;
    }
    // Keep-both never replaces: a database that came meanwhile stays the teacher's.
    form.fileSystem.copyFile(demo, databasePath(form.appPath), OnClash::kKeepBoth,
                             FolderFlush::kNow);
    openClass(form);
}

}  // namespace

void NewClass_Click(Form& form) {
    if (refuseExisting(form)) {
        return;
    }
    std::string folder = form.appPath;
    std::string stream;
    std::optional<mkdb::Roster> roster;
    while (!roster) {
        std::string file = form.CommonDialog1.chooseFile(folder, kRosterKinds);
        if (file.empty()) {
            return;
        }
        folder = file.substr(0, file.find_last_of("/\\"));
        RosterRead read = readRoster(form, file);
        NewClassAnswer answer = form.dialogs.newClass(read.preview, stream);
        if (answer == NewClassAnswer::Cancel) {
            return;
        }
        if (answer == NewClassAnswer::Create) {
            roster = std::move(read.roster);
        }
    }
    if (refuseExisting(form)) {  // one may have come while the dialog was open
        return;
    }
    {
        WaitCursor wait(form.dialogs);
        mkdb::writeClass(form.fileSystem, databasePath(form.appPath), *roster, stream,
                         mkdb::builtInPoints());
    }
    openClass(form);
}

void CheckDatabase_Click(Form& form) {
    std::string text;
    {
        WaitCursor wait(form.dialogs);
        text = mkdb::reportText(mkdb::checkDatabase(form.dataAccess, databasePath(form.appPath)));
    }
    form.dialogs.report(text, "检查数据库");
}

void Form_Shown(Form& form) {
    if (form.Label1.Caption() != kConnectFailedText) {
        return;
    }
    if (!form.fileSystem.exists(databasePath(form.appPath))) {
        int answer = form.dialogs.ask(
            "程序文件夹中还没有班级数据库 DataBases.mdb。\n\n"
            "现在用班级名单（Excel 工作簿 .xlsx、.xls，或 CSV、文本文件）新建班级吗？"
            "也可以先复制示例班级，看看程序的样子。",
            kMessageTitle, {"用名单新建班级", "复制示例班级", "不用了"});
        if (answer == 0) {
            NewClass_Click(form);
        } else if (answer == 1) {
            copyDemoClass(form);
        }
    } else if (form.dialogs.ask("程序读不了 DataBases.mdb。要看检查报告吗？它一次列出数据库"
                                "中的全部问题，每个问题写明表、ID、字段和值。",
                                kMessageTitle, {"查看检查报告", "关闭"}) == 0) {
        CheckDatabase_Click(form);
    }
}

}  // namespace veltrana
