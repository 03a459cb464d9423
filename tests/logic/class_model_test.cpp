#include "db/class_reader.h"
#include "db/connection.h"
#include "logic/class_test.h"

namespace veltrana::test {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> names(const std::vector<Entry>& rows) {
    std::vector<std::string> texts;
    for (const Entry& row : rows) {
        texts.push_back(text(row.name));
    }
    return texts;
}

class ClassModelTest : public ClassTest {
protected:
    ClassModel read(const std::vector<TableData>& tables, const std::string& courseField = {}) {
        useClass(tables);
        DB_Connect_Click(form);
        return readClass(form, courseField);
    }
};

TEST_F(ClassModelTest, ReadsTheStreamWithItsJoinFoldersAndRollCall) {
    auto tables = classTables({"张三", "曾小明", "王芳 ", "阿宝", "张三"}, 2, "文科");
    auto& courses = tableNamed(tables, "Bflearning").rows;
    courses.push_back(courses[1]);  // a second row with the ID of 数学: the first one counts
    courses.back()[2] = "数学二";
    ClassModel model = read(tables);

    EXPECT_FALSE(model.science());
    EXPECT_EQ(model.firstFailure(), nullptr);
    EXPECT_THAT(names(model.students.rows), ElementsAre("张三", "曾小明", "王芳 ", "阿宝", "张三"));
    EXPECT_EQ(model.students.rows[2].folder, "王芳");
    EXPECT_THAT(names(model.courses.rows).back(), "数学二");
    ASSERT_EQ(model.subjects.size(), 6U);
    const Subject& maths = model.subjects[1];
    EXPECT_EQ(maths.points.table, "数学");
    ASSERT_NE(model.courseOf(maths), nullptr);
    EXPECT_EQ(text(model.courseOf(maths)->name), "数学");
    EXPECT_EQ(model.subjectOf(model.courses.rows.back()), nullptr);
    EXPECT_EQ(model.subjectOf(*model.courseOf(maths)), &maths);

    // 曾 is read Zēng among Z, and two 张三 go by ID.
    std::vector<std::string> order;
    for (const Entry* student : model.rollCall()) {
        order.push_back(text(student->name) + text(student->id));
    }
    EXPECT_THAT(order, ElementsAre("阿宝4", "王芳 3", "曾小明2", "张三1", "张三5"));
}

TEST_F(ClassModelTest, FailingTablesAreKeptAndTheReadingGoesOn) {
    auto tables = classTables(numberedStudents(2), 1, "文科");
    tableNamed(tables, "Students").rows[0][2] = "理科";
    tableNamed(tables, "英语").name = "English";
    tableNamed(tables, "历史").columns[1].name = "Name";
    ClassModel model = read(tables, "Courseswen");  // the stream the start-up decided stays

    EXPECT_FALSE(model.science());
    ASSERT_EQ(model.subjects.size(), 6U);
    ASSERT_NE(model.firstFailure(), nullptr);
    EXPECT_EQ(model.firstFailure()->table, "英语");
    EXPECT_EQ(model.firstFailure()->failure->number(), err::kTableNotFound);
    EXPECT_EQ(model.subjects[4].points.failure->number(), err::kFieldNotFound);
    EXPECT_THAT(names(model.subjects[5].points.rows), ElementsAre("地理知识点1"));

    useClass(classTables({}, 1));
    DB_Connect_Click(form);
    ClassModel empty = readClass(form);
    ASSERT_TRUE(empty.students.failure);
    EXPECT_EQ(empty.students.failure->number(), err::kNoCurrentRecord);
    EXPECT_TRUE(empty.subjects.empty());
}

}  // namespace
}  // namespace veltrana::test
