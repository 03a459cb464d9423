#include <filesystem>

#include "db/connection.h"
#include "logic/class_test.h"
#include "store/browse.h"
#include "store/new_folder.h"
#include "store/upload.h"
#include "tree/form_load.h"
#include "tree/look_up.h"
#include "tree/node_click.h"

namespace veltrana::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class NodeClickTest : public ClassTest {
protected:
    void SetUp() override {
        auto tables = classTables(numberedStudents(2), 2);
        tableNamed(tables, "物理").rows[1][1] = "a/b";
        useClass(tables);
        Form_Load(form);
        EXPECT_THROW(NewFolder_Click(form), Error);  // stops at "a/b", after 语文, 数学, 英语
    }
    void click(const std::string& key) {
        window.tree.select(key);
        TreeView1_NodeClick(form);
    }
};

TEST_F(NodeClickTest, ClickListsTheFilesOfTheNodesFolderAsTheyAreNowOrNothingQuietly) {
    writeFile(under("说明.txt"));
    std::string folder = under("学生2/数学/数学知识点1");
    for (const char* name : {"照片.jpg", "readme", "笔记.docx", "第10次.jpg", "第2次.jpg",
                             "hw1 (2).jpg", "hw1.jpg", "Hw2.png", "10.png", "9.png"}) {
        writeFile(folder + "/" + name);
    }
    window.picture.shown = "preview.jpg";
    click("爷");
    EXPECT_EQ(window.label3.caption, "班级");
    EXPECT_EQ(form.selectedPath, data());
    EXPECT_THAT(window.list.items, ElementsAre("说明.txt"));
    EXPECT_EQ(window.picture.shown, "");

    click("父2");
    EXPECT_EQ(window.label3.caption, "班级\\学生2");
    EXPECT_EQ(form.selectedPath, under("学生2"));
    EXPECT_THAT(window.list.items, IsEmpty());

    std::filesystem::remove_all(utf8Path(under("学生1/英语")));
    click("孙1_3_1");
    EXPECT_THAT(window.list.items, IsEmpty());
    EXPECT_EQ(form.selectedPath, under("学生1/英语/英语知识点1"));
    EXPECT_THAT(window.dialogs.messages, IsEmpty());

    click("孙2_2_1");
    EXPECT_EQ(window.label3.caption, "班级\\学生2\\数学\\数学知识点1");
    EXPECT_EQ(form.selectedPath, folder);
    EXPECT_EQ(window.list.items.size(), 10u);
    // In reading order: numbers by value, Chinese by pinyin, a name before its copies.
    EXPECT_THAT(window.list.items,
                ElementsAre("9.png", "10.png", "笔记.docx", "第2次.jpg", "第10次.jpg", "照片.jpg",
                            "hw1.jpg", "hw1 (2).jpg", "Hw2.png", "readme"));
    writeFile(folder + "/新.png");
    click("孙2_2_1");
    EXPECT_EQ(window.list.items.at(5), "新.png");
}

TEST_F(NodeClickTest, UnsafeNameHasNoFolderAndRefusesUploadBrowseAndOpening) {
    writeFile(under("学生1/物理/a/b"), "must not be listed");
    click("孙1_4_2");
    EXPECT_EQ(window.label3.caption, "班级\\学生1\\物理\\a/b");
    EXPECT_EQ(form.selectedPath, "");
    EXPECT_THAT(window.list.items, IsEmpty());

    window.fileDialog.FileName = "earlier";
    Command1_Click(form);
    Command2_Click(form);
    Image1_Click(form);
    EXPECT_EQ(window.fileDialog.saves, 0);
    EXPECT_THAT(window.fileDialog.openedAt, IsEmpty());
    EXPECT_EQ(window.fileDialog.FileName, "earlier");
    EXPECT_THAT(window.shell.opened, IsEmpty());
    Message refused{"所选节点的名称不能用作文件夹名称，该节点没有文件夹", "系统提示"};
    EXPECT_THAT(window.dialogs.messages, ElementsAre(refused, refused, refused));
}

class LookUpTest : public ClassTest {
protected:
    void SetUp() override {
        useClass(classTables(numberedStudents(4), 0));
        Form_Load(form);
    }
    void lookUp(const std::string& typed) {
        window.dialogs.typed.push_back(typed);
        Look_Up_Click(form);
    }
};

TEST_F(LookUpTest, ExactNameSelectsTheStudentsLastNode) {
    lookUp("学生3");
    EXPECT_EQ(window.tree.selectedKey(), "父3");
    EXPECT_THAT(window.dialogs.inputBoxes,
                ElementsAre(Message{"请输入需要查询的学生姓名：", "系统提示"}));
    EXPECT_THAT(window.dialogs.messages, IsEmpty());
    EXPECT_FALSE(form.dbRs->isOpen());
    EXPECT_EQ(window.label3.caption, "");

    auto tables = classTables({"学生3", "学生2", "学生3", "学生4"}, 0);
    std::swap(tableNamed(tables, "Students").rows[0][0], tableNamed(tables, "Students").rows[2][0]);
    useClass(tables);  // rows: 3 学生3, 2 学生2, 1 学生3, 4 学生4
    DB_Connect_Click(form);
    lookUp("学生3");
    EXPECT_EQ(window.tree.selectedKey(), "父1");
}

TEST_F(LookUpTest, CaseBlanksNullAndCancelDoNotMatch) {
    auto tables = classTables({"Tom", "Null"}, 0);
    tableNamed(tables, "Students").rows[1][1] = Value();  // Null matches not even ""
    useClass(tables);
    DB_Connect_Click(form);
    for (const char* typed : {"tom", "Tom ", " Tom", ""}) {
        lookUp(typed);
    }
    EXPECT_EQ(window.tree.selectedKey(), "");
    EXPECT_EQ(window.dialogs.messages,
              std::vector<Message>(4, {"所查询的学生不存在，请重新输入", "系统提示"}));
    EXPECT_FALSE(form.dbRs->isOpen());
}

TEST_F(LookUpTest, FailuresPropagateAndLeaveTheRecordSetClosed) {
    useClass(classTables(numberedStudents(5), 0));  // 学生5 was added after the tree was built
    DB_Connect_Click(form);
    EXPECT_TRUE(failsWith([&] { lookUp("学生5"); }, err::kElementNotFound));
    EXPECT_FALSE(form.dbRs->isOpen());

    form.dbConn->Close();
    EXPECT_TRUE(failsWith([&] { lookUp("学生1"); }, err::kConnectionNotUsable));
    EXPECT_FALSE(form.dbRs->isOpen());

    DB_Connect_Click(form);
    lookUp("学生1");
    EXPECT_EQ(window.tree.selectedKey(), "父1");
}

}  // namespace
}  // namespace veltrana::test
