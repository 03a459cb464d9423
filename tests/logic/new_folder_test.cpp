#include "store/new_folder.h"

#include <filesystem>

#include "db/connection.h"
#include "logic/class_test.h"
#include "mkdb/check.h"
#include "tree/form_load.h"
#include "tree/node_click.h"

namespace veltrana::test {
namespace {

using ::testing::AnyOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

bool isFolder(const std::string& path) {
    return std::filesystem::is_directory(utf8Path(path));
}

class NewFolderTest : public ClassTest {
protected:
    void load(const std::vector<TableData>& tables) {
        useClass(tables);
        Form_Load(form);
    }
    Error failure() {
        return errorOf([&] { NewFolder_Click(form); });
    }
    // Every node of the tree, root included, has its folder.
    void expectEveryNodeHasItsFolder() {
        const KeyedTree& nodes = window.tree.nodes;
        for (int i = 0; i < nodes.size(); ++i) {
            std::string folder = data();
            auto texts = nodes.pathTexts(i);
            for (std::size_t t = 1; t < texts.size(); ++t) {
                folder += kSeparator + texts[t];
            }
            EXPECT_TRUE(isFolder(folder)) << folder;
        }
    }
};

TEST_F(NewFolderTest, OneRunMakesTheWholeLayoutAndASecondRunNothing) {
    load(classTables(numberedStudents(3), 2));
    NewFolder_Click(form);
    const int expected = 1 + 3 + 6 * 3 + 3 * (6 * 2);
    EXPECT_EQ(window.files.foldersCreated, expected);
    expectEveryNodeHasItsFolder();
    EXPECT_THAT(window.dialogs.busyChanges, ElementsAre(true, false));
    EXPECT_FALSE(form.dbRs->isOpen());
    // Every folder is reported once, and the counts shown add up to what was made.
    const auto& reports = window.dialogs.reports;
    ASSERT_EQ(reports.size(), static_cast<std::size_t>(expected));
    EXPECT_EQ(reports.back().done, expected);
    EXPECT_EQ(reports.back().total, expected);
    EXPECT_EQ(reports.back().text, "正在生成文件夹：已检查 58 / 58 个，新建 58 个");
    EXPECT_THAT(window.dialogs.progressDialogs, ElementsAre(Message{"系统提示", "停止"}));

    NewFolder_Click(form);
    EXPECT_EQ(window.files.foldersCreated, expected);
    EXPECT_THAT(window.dialogs.messages, IsEmpty());
    EXPECT_EQ(reports.back().text, "正在生成文件夹：已检查 58 / 58 个，新建 0 个");
}

TEST_F(NewFolderTest, StoppedRunKeepsWhatItMadeAndTheNextRunCompletesTheLayout) {
    load(classTables(numberedStudents(3), 2));
    const int expected = 1 + 3 + 6 * 3 + 3 * (6 * 2);
    // Stops among the students, among the courses and among the knowledge points.
    for (long stopAt : {2, 10, 40}) {
        SCOPED_TRACE(stopAt);
        std::filesystem::remove_all(utf8Path(data()));
        window.files.foldersCreated = 0;
        window.dialogs.messages.clear();
        window.dialogs.reports.clear();
        window.dialogs.stopAtReport = stopAt;
        NewFolder_Click(form);
        EXPECT_EQ(window.files.foldersCreated, stopAt + 1);
        EXPECT_FALSE(form.dbRs->isOpen());
        EXPECT_THAT(window.dialogs.prompts("系统提示"),
                    ElementsAre("已停止生成文件夹，本次新建了 " + std::to_string(stopAt + 1) +
                                " 个文件夹。再次选择“生成文件夹”即可完成其余的文件夹。"));

        window.dialogs.stopAtReport = -1;
        NewFolder_Click(form);
        EXPECT_EQ(window.files.foldersCreated, expected);
        EXPECT_EQ(window.dialogs.messages.size(), 1u);
        expectEveryNodeHasItsFolder();
    }
}

TEST_F(NewFolderTest, OneNameSharesASubtreeAndACourseOutsideTheSubjectsGetsAnEmptyFolder) {
    auto tables = classTables({"学生1", "学生2", "学生1"}, 1);
    tableNamed(tables, "Bflearning").rows.push_back({"7", "班会", "班会"});
    load(tables);
    NewFolder_Click(form);
    EXPECT_TRUE(std::filesystem::is_empty(utf8Path(under("学生2/班会"))));
    EXPECT_EQ(window.files.foldersCreated, 1 + 2 + 7 * 2 + 2 * 6);
    // The check announces the same number before the run.
    EXPECT_THAT(mkdb::checkDatabase(accessFiles, at("DataBases.mdb")).summary,
                HasSubstr("将建立 " + std::to_string(window.files.foldersCreated) + " 个文件夹"));
}

TEST_F(NewFolderTest, OtherStreamGetsTheFoldersOfItsNodesBeforeAndAfterTheBuild) {
    auto tables = classTables(numberedStudents(2), 2, "文科");
    tableNamed(tables, "Bflearning").rows[3][2] = "思想政治";
    useClass(tables);
    DB_Connect_Click(form);
    NewFolder_Click(form);
    EXPECT_TRUE(isFolder(under("学生1/思想政治/政治知识点2")));
    EXPECT_FALSE(std::filesystem::exists(utf8Path(under("学生1/物理"))));
    int made = window.files.foldersCreated;

    Form_Load(form);
    expectEveryNodeHasItsFolder();
    EXPECT_EQ(window.files.foldersCreated, made);
}

TEST_F(NewFolderTest, TrailingBlanksAndDotsAreDroppedInFoldersAndInTheNodeClick) {
    auto tables = classTables({"王芳 ", "李娜."}, 1);
    tableNamed(tables, "数学").rows[0][1] = "函数 .";
    load(tables);
    NewFolder_Click(form);
    EXPECT_TRUE(isFolder(under("王芳/数学/函数")));
    EXPECT_TRUE(isFolder(under("李娜/语文")));
    writeFile(under("王芳/数学/函数/作业.jpg"));
    window.tree.select("孙1_2_1");
    TreeView1_NodeClick(form);
    EXPECT_EQ(window.label3.caption, "班级\\王芳 \\数学\\函数 .");
    EXPECT_EQ(form.selectedPath, under("王芳/数学/函数"));
    EXPECT_THAT(window.list.items, ElementsAre("作业.jpg"));
}

TEST_F(NewFolderTest, FileNamedLikeAStudentStopsTheRunAtItsFirstCourse) {
    load(classTables(numberedStudents(2), 1));
    writeFile(under("学生2"), "not a folder");
    Error error = failure();
    EXPECT_EQ(error.number(), err::kPathNotFound);
    EXPECT_THAT(error.description(), HasSubstr(under("学生2/语文")));
    EXPECT_EQ(readFile(under("学生2")), "not a folder");
    EXPECT_EQ(window.files.foldersCreated, 1 + 6);  // Data was there already
    EXPECT_THAT(window.dialogs.busyChanges, ElementsAre(true, false));
}

TEST_F(NewFolderTest, FolderThatCannotBeMadeStopsTheRunAndKeepsWhatItMade) {
    load(classTables(numberedStudents(2), 2));
    window.files.failCreating = under("学生2/数学/数学知识点1");
    EXPECT_EQ(failure().number(), err::kPermissionDenied);
    EXPECT_TRUE(isFolder(under("学生1/数学/数学知识点2")));
    EXPECT_FALSE(std::filesystem::exists(utf8Path(under("学生2/数学/数学知识点2"))));
    EXPECT_FALSE(std::filesystem::exists(utf8Path(under("学生1/英语/英语知识点1"))));
    EXPECT_EQ(window.files.foldersCreated, 1 + 2 + 2 * 6 + 2 * 2 + 2);
}

TEST_F(NewFolderTest, MissingCourseRowAndClosedConnectionAreReported) {
    auto tables = classTables(numberedStudents(1), 1);
    auto& courses = tableNamed(tables, "Bflearning").rows;
    courses.erase(courses.begin() + 3);
    useClass(tables);
    DB_Connect_Click(form);
    Error error = failure();
    EXPECT_EQ(error.number(), err::kPathNotFound);
    EXPECT_THAT(error.description(), HasSubstr("物理"));

    Disconnect_Click(form);
    EXPECT_EQ(failure().number(), err::kConnectionNotUsable);
}

struct UnsafeName {
    const char* name;
    const char* table;
    std::size_t row;
    Value value;
};
void PrintTo(const UnsafeName& unsafe, std::ostream* out) {
    *out << unsafe.name;
}

class UnsafeNameTest : public NewFolderTest, public ::testing::WithParamInterface<UnsafeName> {};

TEST_P(UnsafeNameTest, NothingIsMadeOutsideDataAndTheValueIsNamed) {
    auto tables = classTables(numberedStudents(2), 2);
    tableNamed(tables, GetParam().table).rows[GetParam().row][1] = GetParam().value;
    useClass(tables);
    DB_Connect_Click(form);
    Error error = failure();
    EXPECT_EQ(error.number(), err::kPathFileAccess);
    const Value& value = GetParam().value;
    EXPECT_THAT(error.description(), HasSubstr(value ? "“" + *value + "”" : "Null"));
    for (const auto& entry : std::filesystem::recursive_directory_iterator(utf8Path(dir.path()))) {
        EXPECT_THAT(entry.path().filename().string(), ::testing::Not(AnyOf("a", "a\\b")));
    }
    EXPECT_THAT(filesIn(dir.path()), ::testing::IsSubsetOf({"Data", "DataBases.mdb"}));
}

INSTANTIATE_TEST_SUITE_P(Cases, UnsafeNameTest,
                         ::testing::Values(UnsafeName{"EmptyStudent", "Students", 1, ""},
                                           UnsafeName{"DotDotStudent", "Students", 1, ".."},
                                           UnsafeName{"BlanksAndDots", "Students", 1, " . "},
                                           UnsafeName{"SlashStudent", "Students", 1, "a/b"},
                                           UnsafeName{"BackslashStudent", "Students", 1, "a\\b"},
                                           UnsafeName{"NullStudent", "Students", 0, Value()},
                                           UnsafeName{"DotDotCourse", "Bflearning", 2, ".."},
                                           UnsafeName{"NullCourse", "Bflearning", 5, Value()},
                                           UnsafeName{"SlashPoint", "数学", 1, "a/b"},
                                           UnsafeName{"EmptyPoint", "数学", 1, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace veltrana::test
