#include "db/connection.h"
#include "gmock/gmock.h"
#include "logic/class_tables.h"
#include "tree/form_load.h"

namespace veltrana::test {
namespace {

using ::testing::ElementsAre;
using ::testing::StartsWith;

class TreeBuildTest : public ClassTest {
protected:
    const KeyedTree& nodes() const { return window.tree.nodes; }
    std::string textOf(const std::string& key) const {
        return nodes().node(nodes().require(key)).text;
    }
    std::vector<std::string> childTexts(const std::string& key) const {
        std::vector<std::string> texts;
        for (int child : nodes().childrenOf(nodes().require(key))) {
            texts.push_back(nodes().node(child).text);
        }
        return texts;
    }
    void expectFailure(std::int32_t number, int nodesKept) {
        EXPECT_EQ(window.label1.caption, kConnectFailedText);
        EXPECT_THAT(window.label2.caption, StartsWith("错误：" + std::to_string(number)));
        EXPECT_EQ(nodes().size(), nodesKept);
    }
};

TEST_P(TreeBuildTest, ScienceClassGetsScienceCoursesAndTables) {
    auto tables = makeClass(3, 2);
    tableNamed(tables, "Students").rows[1][2] = "文科";  // only the first row decides
    useClass(tables);
    Form_Load(form);

    EXPECT_EQ(window.label1.caption, kConnectedText);
    EXPECT_EQ(window.label2.caption, "");
    EXPECT_EQ(nodes().size(), 1 + 3 + 3 * (6 + 6 * 2));
    EXPECT_EQ(textOf("爷"), "班级");
    EXPECT_EQ(textOf("父2"), "学生2");
    EXPECT_EQ(textOf("子24"), "物理");
    EXPECT_EQ(textOf("孙3_6_2"), "生物知识点2");
    EXPECT_EQ(form.courseField, "Coursesli");
    EXPECT_EQ(form.curNode, "孙3_6_2");
    EXPECT_FALSE(form.dbRs->isOpen());
    EXPECT_TRUE(form.dbConn->isOpen());
}

TEST_P(TreeBuildTest, OtherStreamWhenFirstAttribIsNotExactlyScience) {
    for (Value attrib : {Value("理科 "), Value(""), Value()}) {
        auto tables = makeClass(2, 1);
        for (auto& row : tableNamed(tables, "Students").rows) {
            row[2] = "理科";
        }
        tableNamed(tables, "Students").rows[0][2] = attrib;
        useClass(tables);
        window.tree.nodes = KeyedTree();
        Form_Load(form);
        EXPECT_EQ(form.courseField, "Courseswen");
        EXPECT_EQ(textOf("子14"), "政治");
        EXPECT_EQ(textOf("孙2_6_1"), "地理知识点1");
        EXPECT_EQ(nodes().size(), 1 + 2 + 2 * (6 + 6));
    }
}

TEST_P(TreeBuildTest, StudentsSortedCoursesAndPointsInRowOrder) {
    auto tables = makeClass(0, 0);
    tableNamed(tables, "Students") =
        studentsTable({{"1", "王五", "理科"}, {"2", "李四", "文科"}, {"3", "张三", ""}});
    tableNamed(tables, "Bflearning") = coursesTable({{"3", "英语", ""},
                                                     {"1", "语文", ""},
                                                     {"6", "生物", ""},
                                                     {"2", "数学", ""},
                                                     {"5", "化学", ""},
                                                     {"4", "物理", ""}});
    tableNamed(tables, "物理") = subjectTable("物理", {"力学", "电学", "光学"});
    useClass(tables);
    Form_Load(form);

    EXPECT_EQ(window.label1.caption, kConnectedText) << window.label2.caption;
    EXPECT_THAT(childTexts("爷"), ElementsAre("张三", "李四", "王五"));  // byte order here
    EXPECT_THAT(childTexts("父2"), ElementsAre("英语", "语文", "生物", "数学", "化学", "物理"));
    EXPECT_THAT(childTexts("子24"), ElementsAre("力学", "电学", "光学"));
    EXPECT_THAT(childTexts("子34"), ElementsAre("力学", "电学", "光学"));
    EXPECT_EQ(nodes().node(nodes().require("孙1_4_3")).parent, nodes().require("子14"));
}

TEST_P(TreeBuildTest, EmptyAndNullTextsMakeEmptyNodes) {
    auto tables = makeClass(2, 1);
    tableNamed(tables, "Students").rows[0][1] = Value();
    tableNamed(tables, "Bflearning").rows[1][1] = "";
    tableNamed(tables, "语文").rows[0][1] = Value();
    useClass(tables);
    Form_Load(form);
    EXPECT_EQ(window.label1.caption, kConnectedText);
    EXPECT_EQ(textOf("父1"), "");
    EXPECT_EQ(textOf("子12"), "");
    EXPECT_EQ(textOf("孙2_1_1"), "");
    EXPECT_EQ(nodes().size(), 1 + 2 + 2 * (6 + 6));
}

TEST_P(TreeBuildTest, NoDatabaseFileAddsNoNode) {
    memory.fileMissing = true;  // and no file is written for the Access backend
    Form_Load(form);
    expectFailure(err::kDriverFailure, 0);
}

TEST_P(TreeBuildTest, EmptyStudentsKeepsTheRootOnly) {
    auto tables = makeClass(0, 1);
    useClass(tables);
    Form_Load(form);
    expectFailure(err::kNoCurrentRecord, 1);
}

TEST_P(TreeBuildTest, MissingSubjectTableKeepsEverythingBeforeIt) {
    auto tables = makeClass(2, 3);
    dropTable(tables, "物理");
    useClass(tables);
    Form_Load(form);
    expectFailure(err::kTableNotFound, 1 + 2 + 2 * 6 + 2 * 3 * 3);
    EXPECT_EQ(form.courseField, "Coursesli");
}

TEST_P(TreeBuildTest, StudentIdGapFailsAtTheFirstCourseOfTheMissingNumber) {
    auto tables = makeClass(3, 1);
    tableNamed(tables, "Students").rows[2][0] = "4";
    useClass(tables);
    Form_Load(form);
    expectFailure(err::kElementNotFound, 1 + 3 + 2 * 6);
    EXPECT_EQ(form.curNode, "子26");
}

TEST_P(TreeBuildTest, DuplicateStudentIdStopsAtTheSecondStudent) {
    auto tables = makeClass(3, 1);
    tableNamed(tables, "Students").rows[1][0] = "1";
    useClass(tables);
    Form_Load(form);
    expectFailure(err::kKeyNotUnique, 1 + 1);
    EXPECT_TRUE(form.dbRs->isOpen());
}

TEST_P(TreeBuildTest, CoursesWithoutTheFirstSubjectsRowFailAtItsFirstPoint) {
    auto tables = makeClass(2, 1);
    auto& courses = tableNamed(tables, "Bflearning").rows;
    courses.erase(courses.begin());
    useClass(tables);
    Form_Load(form);
    expectFailure(err::kElementNotFound, 1 + 2 + 2 * 5);
}

INSTANTIATE_TEST_SUITE_P(Backends, TreeBuildTest, kBackends, backendName);

TEST(TreeBuildOverflow, MoreThan32767StudentsIsAnOverflow) {
    TempDir dir;
    FakeDataAccess memory;
    FakeWindow window(dir.path(), memory);
    Table& students = memory.tables["Students"];
    students.columns = {"ID", "UserName", "Attrib"};
    students.rows.assign(32768, {"1", "学生", "理科"});
    Form_Load(window.form);
    EXPECT_EQ(window.label2.caption.rfind("错误：6", 0), 0u);
    EXPECT_EQ(window.tree.nodes.size(), 1);
}

}  // namespace
}  // namespace veltrana::test
