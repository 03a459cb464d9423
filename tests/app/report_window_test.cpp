#include <gmock/gmock.h>

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <chrono>
#include <filesystem>

#include "app/form1.h"
#include "app/overview_window.h"
#include "app/qt_test_support.h"
#include "app/report_pdf.h"
#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_tree.h"
#include "store/new_folder.h"
#include "support/class_db.h"
#include "support/fakes.h"
#include "support/photos.h"

namespace veltrana {
namespace {

using ::testing::ContainsRegex;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;

// Sets when a file was last written, days ago.
void age(const std::string& path, int days) {
    std::filesystem::last_write_time(
        utf8Path(path), std::chrono::file_clock::from_sys(std::chrono::system_clock::now() -
                                                          std::chrono::hours(24 * days)));
}

// What a poppler tool prints for the PDF.
std::string poppler(const QString& tool, QStringList arguments) {
    QProcess process;
    process.start(tool, arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << tool.toStdString();
    EXPECT_EQ(process.exitCode(), 0)
        << tool.toStdString() << ": " << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput().toStdString();
}

// The part of a rendered page that is coloured, not black, grey or white: the picture.
QImage colouredPart(const QImage& page) {
    QRect found;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            QColor c = page.pixelColor(x, y);
            int spread =
                std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()});
            if (spread > 120) {
                found |= QRect(x, y, 1, 1);
            }
        }
    }
    return page.copy(found);
}

// The window over a program folder with a class of three students and its folders.
class OverviewWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::writeClassDb(dir.path(), test::classTables(test::numberedStudents(3), 2));
        window = std::make_unique<Form1>(
            dir.path(), Form1Services{&dialogs, nullptr, &shell, nullptr, nullptr});
        window->load();
        NewFolder_Click(window->form());
    }
    std::string node(const std::string& below) const {
        std::string path = dir.path() + "/Data/" + below;
        std::replace(path.begin(), path.end(), '/', kSeparator);
        return path;
    }
    void file(const std::string& below, int days) {
        test::writeFile(node(below));
        age(node(below), days);
    }
    std::string cellText(QTableWidget* table, int row, int column) const {
        QTableWidgetItem* item = table->item(row, column);
        return item ? item->text().toStdString() : "?";
    }

    test::TempDir dir;
    test::FakeDialogs dialogs;
    test::FakeShell shell;
    std::unique_ptr<Form1> window;
};

TEST_F(OverviewWindowTest, TableCountsByRangeListsTheMissingAndACellClickSelectsItsNode) {
    file("学生1/数学/数学知识点1/a.jpg", 1);
    file("学生1/数学/数学知识点1/b.jpg", 60);
    file("学生2/数学/数学知识点2/c.jpg", 3);
    file("学生2/数学/数学知识点2/.veltrana-3.tmp", 0);

    window->findChild<QAction*>("ClassOverview")->trigger();
    auto* overview = window->findChild<OverviewWindow*>("Overview");
    ASSERT_NE(overview, nullptr);
    EXPECT_TRUE(overview->isVisible());
    auto* course = overview->findChild<QComboBox*>("Course");
    course->setCurrentText("数学");
    auto* table = overview->findChild<QTableWidget*>("Table");
    ASSERT_EQ(table->rowCount(), 4);
    ASSERT_EQ(table->columnCount(), 3);
    EXPECT_EQ(table->horizontalHeaderItem(0)->text(), "数学知识点1");
    EXPECT_EQ(table->verticalHeaderItem(3)->text(), "合计");
    std::vector<std::string> cells;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 3; ++c) {
            cells.push_back(cellText(table, r, c));
        }
    }
    EXPECT_THAT(cells, ElementsAre("2", "", "2", "", "1", "1", "", "", "", "2", "1", "3"));
    EXPECT_NE(table->item(0, 0)->background(), table->item(1, 1)->background());
    auto* missing = overview->findChild<QLabel*>("Missing");
    EXPECT_EQ(missing->text(), "未交（1 人）：学生3");

    overview->findChild<QComboBox*>("RangeChoice")->setCurrentText("近 30 天");
    EXPECT_EQ(cellText(table, 0, 0), "1");
    EXPECT_EQ(cellText(table, 3, 2), "2");

    // A click on a cell is a click on its node in the main window's tree.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualItemRect(table->item(1, 1)).center());
    Form& form = window->form();
    EXPECT_THAT(form.TreeView1.selectedNodeTexts(),
                ElementsAre("班级", "学生2", "数学", "数学知识点2"));
    EXPECT_EQ(form.selectedPath, node("学生2/数学/数学知识点2"));
    EXPECT_THAT(test::rowTexts(*window->findChild<QtListBox*>("List1")->model()),
                ElementsAre("c.jpg"));

    // The table lands in 导出 as CSV that Excel reads as UTF-8, and opens.
    overview->findChild<QPushButton*>("ExportTable")->click();
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_THAT(test::readFile(shell.opened[0]), StartsWith("\xEF\xBB\xBF学生,数学知识点1"));
    EXPECT_EQ(std::filesystem::path(utf8Path(shell.opened[0])).parent_path(),
              utf8Path(exportFolder(form)));

    // A student's row chosen by its name, then the 错题集 of that student.
    auto* exportStudent = overview->findChild<QPushButton*>("ExportStudent");
    EXPECT_FALSE(exportStudent->isEnabled());
    table->verticalHeader()->sectionClicked(0);
    EXPECT_EQ(exportStudent->text(), "导出“学生1”的错题集…");
    test::whenDialogOpens([](QWidget* dialog) {
        for (auto* button : dialog->findChildren<QPushButton*>()) {
            if (button->text() == "导出") {
                button->click();
            }
        }
    });
    exportStudent->click();
    ASSERT_EQ(shell.opened.size(), 2u);
    EXPECT_THAT(shell.opened[1], HasSubstr("学生1-数学-错题集-"));
    EXPECT_THAT(dialogs.messages, IsEmpty());
}

class ReportPdfTest : public ::testing::Test {
protected:
    std::string at(const std::string& name) const { return dir.path() + kSeparator + name; }
    // A student's knowledge point with a sideways portrait photo, a landscape one, a damaged
    // picture and a document, filed in that order.
    Report report() {
        test::writePhoto(at("竖.jpg"), test::quarters({3000, 4000}), 6);
        test::writePhoto(at("横.jpg"), test::quarters({1600, 1200}), 1);
        test::writeFile(at("坏.jpg"), "not a picture");
        test::writeFile(at("笔记.txt"), "text");
        Report r;
        r.title = "学生1 的错题集";
        r.cover = {"班级：理科，3 名学生", "学生：学生1", "课程：数学", "时间：全部"};
        r.sectionsAre = "知识点";
        r.fileName = "学生1-数学-错题集-2026-12.pdf";
        ReportSection section{"函数的单调性", {}};
        for (const char* name : {"竖.jpg", "横.jpg", "坏.jpg", "笔记.txt"}) {
            section.files.push_back({at(name), name,
                                     1796000000 + 60 * static_cast<int>(section.files.size()),
                                     std::string(name).ends_with(".jpg")});
        }
        r.sections = {section};
        return r;
    }

    test::TempDir dir;
    test::FakeDataAccess data;
    test::FakeWindow fakes{dir.path(), data};
    Form& form = fakes.form;
};

TEST_F(ReportPdfTest, PdfHasItsPagesEmbeddedChineseFontCoverAndUprightPhotosAtPrintSize) {
    Report r = report();
    // A 48-megapixel photo goes in at its printed size too, after the damaged picture.
    test::writePhoto(at("大.jpg"), test::quarters({8000, 6000}), 1, 50);
    r.sections[0].files.insert(r.sections[0].files.begin() + 3,
                               {at("大.jpg"), "大.jpg", 1796000150, true});
    exportReports(form, {r});
    ASSERT_EQ(fakes.shell.opened.size(), 1u);
    const QString pdf = QString::fromStdString(fakes.shell.opened[0]);
    EXPECT_EQ(fakes.shell.opened[0], exportFolder(form) + kSeparator + r.fileName);
    EXPECT_THAT(fakes.dialogs.messages, IsEmpty());
    EXPECT_THAT(test::readFile(fakes.shell.opened[0]), StartsWith("%PDF-"));
    if (test::underWine()) {
        GTEST_SKIP() << "poppler-utils read the PDF on Linux only";
    }

    // Cover, the portrait alone, the landscape photo beside the damaged one, the big one alone
    // (nothing wide follows it), the document.
    EXPECT_THAT(poppler("pdfinfo", {pdf}), ContainsRegex("Pages: +5\n"));
    std::string fonts = poppler("pdffonts", {pdf});
    std::istringstream rows(fonts);
    std::string row;
    int embedded = 0;
    for (int n = 0; std::getline(rows, row); ++n) {
        if (n >= 2) {  // below the header and its rule
            EXPECT_THAT(row, HasSubstr(" yes ")) << fonts;
            ++embedded;
        }
    }
    EXPECT_GT(embedded, 0) << fonts;
    std::string cover = poppler("pdftotext", {"-f", "1", "-l", "1", "-layout", pdf, "-"});
    for (const char* text : {"学生1 的错题集", "学生：学生1", "课程：数学", "时间：全部",
                             "共 5 个文件", "函数的单调性", "5 个", "第 1 页，共 5 页"}) {
        EXPECT_THAT(cover, HasSubstr(text)) << cover;
    }
    EXPECT_THAT(poppler("pdftotext", {"-f", "3", "-l", "3", pdf, "-"}),
                HasSubstr("无法读取的图片：坏.jpg"));
    EXPECT_THAT(poppler("pdftotext", {"-f", "5", "-l", "5", pdf, "-"}), HasSubstr("笔记.txt"));

    // The sideways photo shows upright, and went in at about 200 dots per inch of its print.
    poppler("pdftoppm",
            {"-f", "2", "-l", "2", "-r", "40", "-png", pdf, QString::fromStdString(at("p"))});
    QImage page(QString::fromStdString(at("p-2.png")));
    ASSERT_FALSE(page.isNull());
    QImage photo = colouredPart(page);
    EXPECT_GT(photo.height(), photo.width());
    EXPECT_TRUE(test::showsQuartersUpright(photo));
    // Every image at about 200 dots per inch, none longer than 16 cm of print (1260 dots): the
    // portrait on page 2, the 48-megapixel photo on page 4.
    std::istringstream images(poppler("pdfimages", {"-list", pdf}));
    std::vector<std::string> pages;
    for (std::getline(images, row), std::getline(images, row); std::getline(images, row);) {
        std::istringstream listed(row);
        std::vector<std::string> fields(13);  // page, number, type, width, height, ... x-ppi
        for (std::string& field : fields) {
            listed >> field;
        }
        pages.push_back(fields[0]);
        EXPECT_LE(std::max(std::stoi(fields[3]), std::stoi(fields[4])), 1260) << row;
        EXPECT_NEAR(std::stoi(fields[12]), 200, 10) << row;
    }
    EXPECT_THAT(pages, ElementsAre("2", "3", "4"));
    EXPECT_LT(std::filesystem::file_size(utf8Path(fakes.shell.opened[0])), 3u * 400 * 1024);

    // A name that is taken gets a number; a viewer that cannot open it is said.
    fakes.shell.noApplication = true;
    exportReports(form, {r});
    EXPECT_EQ(fakes.shell.opened.back(),
              exportFolder(form) + kSeparator + "学生1-数学-错题集-2026-12 (2).pdf");
    ASSERT_EQ(fakes.dialogs.messages.size(), 1u);
    EXPECT_THAT(fakes.dialogs.messages[0].prompt, HasSubstr("无法打开"));
}

// Fails every write once limit bytes are written, as a disk that fills up does.
class FillingFileSystem : public StdFileSystem {
public:
    std::unique_ptr<IncomingFile> receive(const std::string& folder) override {
        class Filling : public IncomingFile {
        public:
            Filling(std::unique_ptr<IncomingFile> file) : file_(std::move(file)) {}
            void write(const char* data, std::size_t size) override {
                written_ += size;
                if (written_ > 20000) {
                    throw Error(61, "磁盘已满");
                }
                file_->write(data, size);
            }
            std::string land(const std::string& name, OnClash onClash) override {
                return file_->land(name, onClash);
            }

        private:
            std::unique_ptr<IncomingFile> file_;
            std::size_t written_ = 0;
        };
        return std::make_unique<Filling>(StdFileSystem::receive(folder));
    }
};

TEST_F(ReportPdfTest, AStoppedOrFailedExportLeavesNoFileAndSaysSo) {
    Report r = report();
    fakes.dialogs.stopAtReport = 0;
    exportReports(form, {r, r});
    EXPECT_THAT(test::filesIn(exportFolder(form)), IsEmpty());
    EXPECT_THAT(fakes.dialogs.messages.at(0).prompt, HasSubstr("已停止导出。没有写入文件。"));
    EXPECT_THAT(fakes.shell.opened, IsEmpty());

    FillingFileSystem full;
    Form onFullDisk{fakes.tree,
                    fakes.list,
                    fakes.picture,
                    fakes.label1,
                    fakes.label2,
                    fakes.label3,
                    fakes.fileDialog,
                    fakes.dialogs,
                    data,
                    full,
                    fakes.shell,
                    fakes.tool,
                    dir.path(),
                    {},
                    {},
                    {},
                    {},
                    {}};
    fakes.dialogs.stopAtReport = -1;
    try {
        exportReports(onFullDisk, {r});
        ADD_FAILURE() << "a full disk went unsaid";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 61);
        EXPECT_THAT(e.description(), HasSubstr("没有留下不完整的文件"));
    }
    EXPECT_THAT(test::filesIn(exportFolder(form)), IsEmpty());
    EXPECT_THAT(fakes.shell.opened, IsEmpty());
}

}  // namespace
}  // namespace veltrana
