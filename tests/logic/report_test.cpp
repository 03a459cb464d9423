#include <chrono>
#include <filesystem>
#include <numeric>

#include "db/class_reader.h"
#include "logic/class_test.h"
#include "report/mistakes.h"
#include "report/overview.h"
#include "store/new_folder.h"
#include "tree/form_load.h"

namespace veltrana::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::int64_t kDay = 24 * 60 * 60;

// A class of three students with its folders, files filed at set times in some of its nodes.
class ReportTest : public ClassTest {
protected:
    void SetUp() override {
        useClass(classTables(numberedStudents(3), 2));
        Form_Load(form);
        NewFolder_Click(form);
        model = readClass(form, form.courseField);
        now = std::chrono::duration_cast<std::chrono::seconds>(
                  std::chrono::system_clock::now().time_since_epoch())
                  .count();
    }

    // A file in a knowledge point's folder, last written daysAgo days ago.
    void file(const std::string& node, const std::string& name, int daysAgo) {
        const std::string path = under(node + "/" + name);
        writeFile(path);
        auto when = std::chrono::system_clock::now() - std::chrono::hours(24 * daysAgo);
        std::filesystem::last_write_time(utf8Path(path), std::chrono::file_clock::from_sys(when));
    }

    const Entry& course(const std::string& name) const {
        for (const Entry& row : model.courses.rows) {
            if (text(row.name) == name) {
                return row;
            }
        }
        throw Error(err::kElementNotFound, name);
    }

    std::vector<std::string> names(const std::vector<const Entry*>& students) const {
        std::vector<std::string> shown;
        for (const Entry* student : students) {
            shown.push_back(text(student->name));
        }
        return shown;
    }

    ClassModel model;
    std::int64_t now = 0;
};

TEST_F(ReportTest, OverviewCountsFilesWithinTheRangeWithTotalsAndThoseWhoHandedInNothing) {
    file("学生1/数学/数学知识点1", "a.jpg", 1);
    file("学生1/数学/数学知识点1", "b.jpg", 10);
    file("学生1/数学/数学知识点1", "c.pdf", 40);
    file("学生1/数学/数学知识点1", ".veltrana-0.tmp", 0);  // an upload under way
    file("学生2/数学/数学知识点2", "d.jpg", 2);
    file("学生3/语文/语文知识点1", "e.jpg", 2);  // another course
    // A folder 生成文件夹 has not made yet is an empty cell, not a failure.
    std::filesystem::remove_all(utf8Path(under("学生3/数学/数学知识点2")));

    const Entry& maths = course("数学");
    Overview all(form.fileSystem, form.appPath, model, maths, {});
    ASSERT_EQ(all.points().size(), 2u);
    EXPECT_EQ(all.count(0, 0), 3);
    EXPECT_EQ(all.count(0, 1), 0);
    EXPECT_EQ(all.count(1, 1), 1);
    EXPECT_EQ(all.studentTotal(0), 3);
    EXPECT_EQ(all.studentTotal(2), 0);
    EXPECT_EQ(all.pointTotal(0), 3);
    EXPECT_EQ(all.pointTotal(1), 1);
    EXPECT_EQ(all.total(), 4);
    EXPECT_EQ(names(all.missing()), (std::vector<std::string>{"学生3"}));
    EXPECT_EQ(all.csv(),
              "\xEF\xBB\xBF学生,数学知识点1,数学知识点2,合计\r\n学生1,3,0,3\r\n学生2,0,1,1\r\n"
              "学生3,0,0,0\r\n合计,3,1,4\r\n");

    Overview lastWeek(form.fileSystem, form.appPath, model, maths, {now - 7 * kDay});
    EXPECT_EQ(lastWeek.count(0, 0), 1);
    EXPECT_EQ(lastWeek.total(), 2);
    Overview between(form.fileSystem, form.appPath, model, maths,
                     {now - 35 * kDay, now - 5 * kDay});
    EXPECT_EQ(between.count(0, 0), 1);
    EXPECT_EQ(between.total(), 1);
    EXPECT_EQ(names(between.missing()), (std::vector<std::string>{"学生2", "学生3"}));

    // A cell's key is its node in the tree.
    window.tree.select(all.nodeKey(1, 1));
    EXPECT_THAT(window.tree.selectedNodeTexts(),
                ElementsAre("班级", "学生2", "数学", "数学知识点2"));
}

TEST_F(ReportTest, ReportsGatherAStudentsOrAKnowledgePointsFilesOldestFirst) {
    file("学生1/数学/数学知识点2", "new.jpg", 1);
    file("学生1/数学/数学知识点2", "old.JPG", 20);
    file("学生1/数学/数学知识点2", "notes.docx", 3);
    file("学生1/物理/物理知识点1", "p.png", 2);
    file("学生3/数学/数学知识点2", "x.jpg", 2);
    const ReportWhen when{{}, "全部", "2026-12"};

    Report everything =
        studentReport(form.fileSystem, form.appPath, model, model.students.rows[0], nullptr, when);
    EXPECT_EQ(everything.fileName, "学生1-错题集-2026-12.pdf");
    ASSERT_EQ(everything.sections.size(), 2u);
    EXPECT_EQ(everything.sections[0].heading, "数学 · 数学知识点2");
    EXPECT_EQ(everything.sections[1].heading, "物理 · 物理知识点1");
    std::vector<std::pair<std::string, bool>> files;
    for (const ReportFile& f : everything.sections[0].files) {
        files.emplace_back(f.name, f.picture);
    }
    EXPECT_THAT(files, ElementsAre(std::pair("old.JPG", true), std::pair("notes.docx", false),
                                   std::pair("new.jpg", true)));
    EXPECT_EQ(everything.pictures(), 3u);
    EXPECT_THAT(everything.cover,
                ElementsAre("班级：理科，3 名学生", "学生：学生1", "课程：全部课程", "时间：全部"));

    Report recentMaths = studentReport(form.fileSystem, form.appPath, model, model.students.rows[0],
                                       &course("数学"), {{now - 7 * kDay}, "近 7 天", "2026-12"});
    EXPECT_EQ(recentMaths.fileName, "学生1-数学-错题集-2026-12.pdf");
    ASSERT_EQ(recentMaths.sections.size(), 1u);
    EXPECT_EQ(recentMaths.sections[0].heading, "数学知识点2");
    EXPECT_EQ(recentMaths.sections[0].files.size(), 2u);

    const Subject& maths = *model.subjectOf(course("数学"));
    Report point = pointReport(form.fileSystem, form.appPath, model, course("数学"),
                               maths.points.rows[1], when);
    EXPECT_EQ(point.fileName, "数学-数学知识点2-讲评-2026-12.pdf");
    std::vector<std::string> headings;
    for (const ReportSection& s : point.sections) {
        headings.push_back(s.heading);
    }
    EXPECT_THAT(headings, ElementsAre("学生1", "学生3"));
}

TEST(ReportLayout, WidePicturesSharePagesOthersGetOneAndNamesFollowAPageAtATime) {
    Report report;
    ReportSection photos{"甲", {}};
    for (const char* name : {"w1.jpg", "w2.jpg", "tall.jpg", "w3.jpg", "a.doc", "w4.jpg"}) {
        photos.files.push_back({name, name, 0, std::string(name).ends_with(".jpg")});
    }
    ReportSection documents{"乙", {}};
    for (std::size_t i = 0; i <= kNamesPerPage; ++i) {
        documents.files.push_back({"", std::to_string(i) + ".txt", 0, false});
    }
    report.sections = {photos, documents};
    std::vector<ReportPage> pages =
        layOut(report, [](const ReportFile& file) { return file.name != "tall.jpg"; });
    std::vector<std::tuple<std::size_t, bool, bool, std::vector<std::size_t>>> seen;
    for (const ReportPage& page : pages) {
        seen.emplace_back(page.section, page.startsSection, page.listing, page.files);
    }
    using Page = std::tuple<std::size_t, bool, bool, std::vector<std::size_t>>;
    std::vector<std::size_t> firstPage(kNamesPerPage);
    std::iota(firstPage.begin(), firstPage.end(), 0);
    EXPECT_THAT(seen,
                ElementsAre(Page{0, true, false, {0, 1}}, Page{0, false, false, {2}},
                            Page{0, false, false, {3, 5}}, Page{0, false, true, {4}},
                            Page{1, true, true, firstPage}, Page{1, false, true, {kNamesPerPage}}));

    EXPECT_EQ(coverPages(report), 1u);
    report.sections.resize(kCountsPerCoverPage + 1, documents);
    EXPECT_EQ(coverPages(report), 2u);
}

}  // namespace
}  // namespace veltrana::test
