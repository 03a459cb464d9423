#include <functional>

#include "db/connection.h"
#include "logic/class_test.h"
#include "tree/form_load.h"

namespace veltrana::test {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::StartsWith;

// What a failed start tells the teacher to do: make the database when there is none, else
// check it.
constexpr char kMakeIt[] = "。可用菜单【信息管理】→“新建班级…”由班级名单生成数据库";
constexpr char kCheckIt[] = "。可用菜单【信息管理】→“检查数据库”查看数据库的全部问题";

auto& studentRows(std::vector<TableData>& tables) {
    return tableNamed(tables, "Students").rows;
}

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
};

TEST_F(TreeBuildTest, ConnectDisconnectAndConnectAgain) {
    Disconnect_Click(form);
    EXPECT_EQ(window.label1.caption, "断开数据库操作异常，未能断开连接!");
    EXPECT_THAT(window.label2.caption, StartsWith("错误：91"));

    DB_Connect_Click(form);
    EXPECT_EQ(window.label1.caption, "连接数据库失败! ");
    EXPECT_THAT(window.label2.caption, StartsWith("错误：-2147467259"));
    EXPECT_THAT(window.label2.caption, EndsWith(kMakeIt));
    ASSERT_NE(form.dbConn, nullptr);
    EXPECT_FALSE(form.dbConn->isOpen());
    writeFile(dir.path() + kSeparator + "DataBases.mdb", "not a database");
    DB_Connect_Click(form);
    EXPECT_THAT(window.label2.caption, EndsWith(kCheckIt));

    useClass(classTables(numberedStudents(1), 1));
    DB_Connect_Click(form);
    EXPECT_EQ(window.label1.caption, "连接数据库成功! ");
    EXPECT_EQ(window.label2.caption, "");
    EXPECT_EQ(form.dbConn->ConnectionString, "DRIVER=Microsoft Access Driver (*.mdb);dbQ=" +
                                                 dir.path() + kSeparator + "DataBases.mdb");
    const Connection* first = form.dbConn.get();
    DB_Connect_Click(form);
    EXPECT_NE(form.dbConn.get(), first);
    EXPECT_TRUE(form.dbConn->isOpen());

    Disconnect_Click(form);
    EXPECT_EQ(window.label1.caption, "已断开数据库!");
    EXPECT_FALSE(form.dbConn->isOpen());
    Disconnect_Click(form);
    EXPECT_EQ(window.label1.caption, "断开数据库操作异常，未能断开连接!");
    EXPECT_THAT(window.label2.caption, StartsWith("错误：3704"));
}

TEST_F(TreeBuildTest, ScienceClassGetsScienceCoursesAndTables) {
    auto tables = classTables(numberedStudents(3), 2);
    tableNamed(tables, "Students").rows[1][2] = "文科";  // only the first row decides
    useClass(tables);
    Form_Load(form);

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

TEST_F(TreeBuildTest, OtherStreamWhenFirstAttribIsNotExactlyScience) {
    for (Value attrib : {Value("理科 "), Value(""), Value()}) {
        SCOPED_TRACE(text(attrib));
        auto tables = classTables(numberedStudents(2), 1, "文科");
        tableNamed(tables, "Students").rows[0][2] = attrib;
        tableNamed(tables, "Students").rows[1][2] = "理科";
        useClass(tables);
        window.tree.nodes = KeyedTree();
        Form_Load(form);
        EXPECT_EQ(form.courseField, "Courseswen");
        EXPECT_EQ(textOf("子14"), "政治");
        EXPECT_EQ(textOf("孙2_6_1"), "地理知识点1");
        EXPECT_EQ(nodes().size(), 1 + 2 + 2 * (6 + 6));
    }
}

TEST_F(TreeBuildTest, StudentsSortedCoursesAndPointsInRowOrderNullsAndEmptyTablesEmpty) {
    auto tables = classTables({"王五", "李四", "张三", "Null"}, 1);
    studentRows(tables)[3][1] = Value();
    auto& courses = tableNamed(tables, "Bflearning").rows;
    std::swap(courses[0], courses[2]);
    courses[1][1] = "";
    tableNamed(tables, "物理").rows = {{"1", "力学"}, {"2", Value()}, {"3", "光学"}};
    tableNamed(tables, "化学").rows.clear();  // an empty table has nothing to rewind
    useClass(tables);
    Form_Load(form);

    EXPECT_EQ(window.label1.caption, "连接数据库成功! ") << window.label2.caption;
    EXPECT_THAT(childTexts("爷"), ElementsAre("", "张三", "李四", "王五"));  // byte order here
    EXPECT_THAT(childTexts("父2"), ElementsAre("英语", "", "语文", "物理", "化学", "生物"));
    EXPECT_THAT(childTexts("子34"), ElementsAre("力学", "", "光学"));
    EXPECT_EQ(nodes().node(nodes().require("孙1_4_3")).parent, nodes().require("子14"));
}

// A class database that breaks the build part way: the texts say so and the nodes made before
// stay.
struct BrokenClass {
    const char* name;
    std::function<void(std::vector<TableData>&)> breakIt;
    std::int32_t number;
    int nodesKept;
};
void PrintTo(const BrokenClass& broken, std::ostream* out) {
    *out << broken.name;
}

class BrokenClassTest : public TreeBuildTest, public ::testing::WithParamInterface<BrokenClass> {};

TEST_P(BrokenClassTest, KeepsThePartialTreeAndShowsTheError) {
    auto tables = classTables(numberedStudents(3), 2);
    GetParam().breakIt(tables);
    if (!tables.empty()) {
        useClass(tables);
    }
    Form_Load(form);
    EXPECT_EQ(window.label1.caption, "连接数据库失败! ");
    EXPECT_THAT(window.label2.caption, StartsWith("错误：" + std::to_string(GetParam().number)));
    EXPECT_THAT(window.label2.caption, EndsWith(tables.empty() ? kMakeIt : kCheckIt));
    EXPECT_EQ(nodes().size(), GetParam().nodesKept);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BrokenClassTest,
    ::testing::Values(
        BrokenClass{"NoDatabaseFile", [](auto& t) { t.clear(); }, err::kDriverFailure, 0},
        BrokenClass{"EmptyStudents", [](auto& t) { studentRows(t).clear(); }, err::kNoCurrentRecord,
                    1},
        BrokenClass{"MissingSubjectTable",
                    [](auto& t) { std::erase_if(t, [](auto& x) { return x.name == "物理"; }); },
                    err::kTableNotFound, 1 + 3 + 3 * 6 + 3 * 3 * 2},
        BrokenClass{"StudentIdGap", [](auto& t) { studentRows(t)[2][0] = "4"; },
                    err::kElementNotFound, 1 + 3 + 2 * 6},
        BrokenClass{"DuplicateStudentId", [](auto& t) { studentRows(t)[1][0] = "1"; },
                    err::kKeyNotUnique, 1 + 1},
        BrokenClass{"CoursesWithoutTheFirstSubjectsRow",
                    [](auto& t) {
                        auto& courses = tableNamed(t, "Bflearning").rows;
                        courses.erase(courses.begin());
                    },
                    err::kElementNotFound, 1 + 3 + 3 * 5},
        BrokenClass{"MoreThan32767Students",
                    [](auto& t) {
                        studentRows(t).assign(32768, {"1", "学生", "理科"});
                    },
                    err::kOverflow, 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace veltrana::test
