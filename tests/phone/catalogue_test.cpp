#include "phone/catalogue.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "phone/json.h"

namespace veltrana::test {
namespace {

using ::testing::ElementsAre;

Entry entry(const std::string& id, const std::string& name, const std::string& folder) {
    return {id, name, folder};
}

// A class of three students in the table's order, a stream of three courses of which 体育 has no
// subject table, and a knowledge point that can have no folder.
ClassModel aClass() {
    ClassModel model;
    model.students.rows = {entry("1", "王芳", "王芳"), entry("2", "李娜 ", "李娜"),
                           entry("3", "张伟", "张伟")};
    model.courses.rows = {entry("1", "语文", "语文"), entry("2", "数学", "数学"),
                          entry("3", "体育", "体育")};
    model.subjects.push_back(
        {2, {"数学", {entry("1", "函数", "函数"), entry("2", "a/b", "")}, {}}});
    model.subjects.push_back({1, {"语文", {entry("1", "古诗", "古诗")}, {}}});
    return model;
}

std::vector<std::string> names(const std::vector<PhoneCatalogue::Node>& nodes) {
    std::vector<std::string> texts;
    for (const PhoneCatalogue::Node& node : nodes) {
        texts.push_back(node.name + "|" + node.folder);
    }
    return texts;
}

TEST(PhoneCatalogue, StudentsInRollCallOrderAndEachCourseWithItsSubjectsPoints) {
    PhoneCatalogue catalogue = phoneCatalogue(aClass(), {"王芳", "数学", "a/b"});
    EXPECT_THAT(names(catalogue.students), ElementsAre("李娜 |李娜", "王芳|王芳", "张伟|张伟"));
    ASSERT_EQ(catalogue.courses.size(), 3u);
    EXPECT_EQ(catalogue.courses[0].node.name, "语文");
    EXPECT_THAT(names(catalogue.courses[0].points), ElementsAre("古诗|古诗"));
    EXPECT_THAT(names(catalogue.courses[1].points), ElementsAre("函数|函数", "a/b|"));
    EXPECT_TRUE(catalogue.courses[2].points.empty());
    EXPECT_EQ(std::vector({catalogue.student, catalogue.course, catalogue.point}),
              std::vector({1, 1, 1}));
    // The page sees names only; folders stay on this computer.
    EXPECT_EQ(catalogueJson(catalogue),
              R"({"students":["李娜 ","王芳","张伟"],"courses":[{"name":"语文","points":["古诗"]},)"
              R"({"name":"数学","points":["函数","a/b"]},{"name":"体育","points":[]}],)"
              R"("selected":[1,1,1]})");

    struct Case {
        std::vector<std::string> selected;
        std::vector<int> expected;
    };
    for (const Case& c : std::vector<Case>{{{"张伟", "语文"}, {2, 0, -1}},
                                           {{"李娜 "}, {0, -1, -1}},
                                           {{}, {-1, -1, -1}},
                                           {{"无此人", "语文", "古诗"}, {-1, -1, -1}},
                                           {{"张伟", "语文", "函数"}, {2, 0, -1}}}) {
        PhoneCatalogue chosen = phoneCatalogue(aClass(), c.selected);
        EXPECT_EQ(std::vector({chosen.student, chosen.course, chosen.point}), c.expected);
    }
    // As the tree, the catalogue ends where the first table that could not be read begins.
    ClassModel failing = aClass();
    failing.subjects[1].points.failure = Error(err::kTableNotFound, "语文");
    EXPECT_THAT(names(phoneCatalogue(failing, {}).courses[1].points),
                ElementsAre("函数|函数", "a/b|"));
    EXPECT_TRUE(phoneCatalogue(failing, {}).courses[0].points.empty());
    failing.courses.failure = Error(err::kTableNotFound, "Bflearning");
    EXPECT_EQ(phoneCatalogue(failing, {}).students.size(), 3u);
    EXPECT_TRUE(phoneCatalogue(failing, {}).courses.empty());
    failing.students.failure = Error(err::kTableNotFound, "Students");
    EXPECT_TRUE(phoneCatalogue(failing, {}).students.empty());
    EXPECT_EQ(catalogueJson(phoneCatalogue({}, {})),
              R"({"students":[],"courses":[],"selected":[-1,-1,-1]})");
}

TEST(PhoneCatalogue, NamesWithQuotesAndControlCharactersStayJson) {
    PhoneCatalogue catalogue;
    catalogue.students = {{"A \"B\" \\ C\n\x01", "x"}};
    EXPECT_EQ(catalogueJson(catalogue),
              R"({"students":["A \"B\" \\ C\u000a\u0001"],"courses":[],"selected":[-1,-1,-1]})");
}

}  // namespace
}  // namespace veltrana::test
