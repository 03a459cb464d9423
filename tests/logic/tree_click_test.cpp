#include <filesystem>

#include "db/connection.h"
#include "gmock/gmock.h"
#include "logic/class_tables.h"
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
        auto tables = makeClass(2, 2);
        tableNamed(tables, "物理").rows[1][1] = "a/b";
        useClass(tables);
        Form_Load(form);
        EXPECT_THROW(NewFolder_Click(form), Error);  // stops at "a/b", after 语文, 数学, 英语
        window.dialogs.busyChanges.clear();
    }
    void click(const std::string& key) {
        window.tree.select(key);
        TreeView1_NodeClick(form);
    }
};

TEST_P(NodeClickTest, RootListsOnlyTheFilesDirectlyInData) {
    writeFile(under("说明.txt"));
    window.picture.shown = "preview.jpg";
    click("爷");
    EXPECT_EQ(window.label3.caption, "班级");
    EXPECT_EQ(form.selectedPath, data());
    EXPECT_THAT(window.list.items, ElementsAre("说明.txt"));
    EXPECT_EQ(window.picture.shown, "");
}

TEST_P(NodeClickTest, StudentAndKnowledgePointFolders) {
    std::string folder = under("学生2/数学/数学知识点1");
    for (const char* name : {"照片.jpg", "readme", "笔记.docx"}) {
        writeFile(folder + "/" + name);
    }
    click("父2");
    EXPECT_EQ(window.label3.caption, "班级\\学生2");
    EXPECT_EQ(form.selectedPath, under("学生2"));
    EXPECT_THAT(window.list.items, IsEmpty());

    click("孙2_2_1");
    EXPECT_EQ(window.label3.caption, "班级\\学生2\\数学\\数学知识点1");
    EXPECT_EQ(form.selectedPath, folder);
    EXPECT_THAT(window.list.items, ElementsAre("readme", "照片.jpg", "笔记.docx"));
}

TEST_P(NodeClickTest, SecondClickShowsFilesAddedSinceTheFirst) {
    click("孙1_1_2");
    EXPECT_THAT(window.list.items, IsEmpty());
    writeFile(under("学生1/语文/语文知识点2/新.png"));
    click("孙1_1_2");
    EXPECT_THAT(window.list.items, ElementsAre("新.png"));
}

TEST_P(NodeClickTest, MissingFolderListsNothingQuietly) {
    std::filesystem::remove_all(under("学生1/英语"));
    window.list.items = {"旧的"};
    click("孙1_3_1");
    EXPECT_THAT(window.list.items, IsEmpty());
    EXPECT_EQ(window.label3.caption, "班级\\学生1\\英语\\英语知识点1");
    EXPECT_EQ(form.selectedPath, under("学生1/英语/英语知识点1"));
    EXPECT_THAT(window.dialogs.messages, IsEmpty());
}

TEST_P(NodeClickTest, UnsafeNameHasNoFolderAndRefusesUploadAndBrowse) {
    writeFile(under("学生1/物理/a/b"), "must not be listed");
    click("孙1_4_2");
    EXPECT_EQ(window.label3.caption, "班级\\学生1\\物理\\a/b");
    EXPECT_EQ(form.selectedPath, "");
    EXPECT_THAT(window.list.items, IsEmpty());

    window.fileDialog.FileName = "earlier";
    Command1_Click(form);
    Command2_Click(form);
    EXPECT_EQ(window.fileDialog.saves, 0);
    EXPECT_THAT(window.fileDialog.openedAt, IsEmpty());
    EXPECT_EQ(window.fileDialog.FileName, "earlier");
    Message refused{"所选节点的名称不能用作文件夹名称，该节点没有文件夹", "系统提示"};
    EXPECT_THAT(window.dialogs.messages, ElementsAre(refused, refused));
}

INSTANTIATE_TEST_SUITE_P(Backends, NodeClickTest, kBackends, backendName);

class LookUpTest : public ClassTest {
protected:
    void SetUp() override {
        useClass(makeClass(4, 0));
        Form_Load(form);
    }
    void lookUp(const std::string& typed) {
        window.dialogs.typed.push_back(typed);
        Look_Up_Click(form);
    }
    Message notFound{"所查询的学生不存在，请重新输入", "系统提示"};
};

TEST_P(LookUpTest, ExactNameSelectsTheStudentsNode) {
    lookUp("学生3");
    EXPECT_EQ(window.tree.selectedKey(), "父3");
    EXPECT_THAT(window.dialogs.inputBoxes,
                ElementsAre(Message{"请输入需要查询的学生姓名：", "系统提示"}));
    EXPECT_THAT(window.dialogs.messages, IsEmpty());
    EXPECT_FALSE(form.dbRs->isOpen());
    EXPECT_EQ(window.label3.caption, "");
}

TEST_P(LookUpTest, CaseBlanksAndCancelDoNotMatch) {
    auto tables = makeClass(2, 0);
    tableNamed(tables, "Students").rows[0][1] = "Tom";
    tableNamed(tables, "Students").rows[1][1] = Value();  // Null matches not even ""
    useClass(tables);
    DB_Connect_Click(form);
    for (const char* typed : {"tom", "Tom ", " Tom", ""}) {
        lookUp(typed);
    }
    EXPECT_EQ(window.tree.selectedKey(), "");
    EXPECT_EQ(window.dialogs.messages, std::vector<Message>(4, notFound));
    EXPECT_FALSE(form.dbRs->isOpen());
}

TEST_P(LookUpTest, SameNameTwiceSelectsTheLaterRow) {
    auto tables = makeClass(4, 0);
    tableNamed(tables, "Students").rows[0][1] = "学生3";
    std::swap(tableNamed(tables, "Students").rows[2], tableNamed(tables, "Students").rows[0]);
    useClass(tables);  // rows: 3 学生3, 2 学生2, 1 学生3, 4 学生4
    DB_Connect_Click(form);
    lookUp("学生3");
    EXPECT_EQ(window.tree.selectedKey(), "父1");
}

TEST_P(LookUpTest, FailuresPropagateAndLeaveTheRecordSetClosed) {
    useClass(makeClass(5, 0));  // 学生5 was added after the tree was built
    DB_Connect_Click(form);
    try {
        lookUp("学生5");
        FAIL() << "a student without a node must fail";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), err::kElementNotFound);
    }
    EXPECT_FALSE(form.dbRs->isOpen());

    form.dbConn->Close();
    try {
        lookUp("学生1");
        FAIL() << "a closed connection must fail";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), err::kConnectionNotUsable);
    }
    EXPECT_FALSE(form.dbRs->isOpen());

    DB_Connect_Click(form);
    lookUp("学生1");
    EXPECT_EQ(window.tree.selectedKey(), "父1");
}

INSTANTIATE_TEST_SUITE_P(Backends, LookUpTest, kBackends, backendName);

}  // namespace
}  // namespace veltrana::test
