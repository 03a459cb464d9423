#include "app/form1.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/qt_test_support.h"
#include "app/science_class.h"
#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_tree.h"
#include "support/fakes.h"

namespace veltrana {
namespace {

namespace fs = std::filesystem;

fs::path u8path(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

// The window over a program folder holding a small science class, with its modal dialogs and
// shell replaced so that a test drives every event without waiting for anyone.
class Form1Test : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(u8path(folder("")));
        mkdb::writeDatabase(dir.path() + "/DataBases.mdb",
                            test::scienceClass({"张伟", "李娜", "王芳"}, 2));
    }

    std::string folder(const std::string& below) const { return dir.path() + "/Data" + below; }

    Form1& open() {
        window = std::make_unique<Form1>(
            dir.path(), Form1Services{&dialogs, &fileDialog, &shell, nullptr, nullptr});
        window->load();
        window->show();
        return *window;
    }

    template <typename W>
    W* control(const char* name) const {
        W* widget = window->findChild<W*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    std::string caption(const char* label) const {
        return control<QtLabel>(label)->text().toStdString();
    }

    void trigger(const char* menuItem) const { control<QAction>(menuItem)->trigger(); }

    // Opens the tree down to the node keyed key and clicks it with the mouse.
    void clickNode(const std::string& key) const {
        auto* tree = control<QtTreeView>("TreeView1");
        auto& model = tree->keyedModel();
        QModelIndex index = model.reveal(model.tree().require(key));
        for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) {
            tree->expand(up);
        }
        tree->scrollTo(index);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(index).center());
    }

    void clickListItem(int row) const {
        auto* list = control<QtListBox>("List1");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(row, 0)).center());
    }

    std::vector<std::string> listed() const {
        std::vector<std::string> names;
        auto* list = control<QtListBox>("List1");
        for (int row = 0; row < list->model()->rowCount(); ++row) {
            names.push_back(list->model()->index(row, 0).data().toString().toStdString());
        }
        return names;
    }

    std::vector<std::string> messages() const {
        std::vector<std::string> prompts;
        for (const auto& m : dialogs.messages) {
            EXPECT_EQ(m.title, "系统提示");
            prompts.push_back(m.prompt);
        }
        return prompts;
    }

    test::TempDir dir;
    test::FakeDialogs dialogs;
    test::FakeFileDialog fileDialog;
    test::FakeShell shell;
    std::unique_ptr<Form1> window;
};

TEST_F(Form1Test, WindowHasItsCaptionIconAndFixedClientAreaAtItsPlace) {
    Form1& form1 = open();
    EXPECT_EQ(form1.windowTitle(), "Veltrana(1.0.0)");
    EXPECT_EQ(form1.windowIcon().availableSizes().value(0), QSize(32, 32));
    QWidget* client = form1.centralWidget();
    EXPECT_EQ(client->size(), QSize(1158, 571));
    EXPECT_EQ(client->geometry().top(), form1.menuBar()->geometry().bottom() + 1);
    EXPECT_EQ(client->mapToGlobal(QPoint(0, 0)), QPoint(55, 141));
    EXPECT_EQ(form1.minimumSize(), form1.maximumSize());

    Qt::WindowFlags flags = form1.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowTitleHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
}

TEST_F(Form1Test, ControlsSitAtTheirPlacesInPixels) {
    open();
    const std::pair<const char*, QRect> places[] = {
        {"TreeView1", {24, 8, 401, 473}}, {"Label3", {504, 8, 377, 33}},
        {"List1", {544, 48, 321, 100}},   {"Command1", {912, 64, 81, 33}},
        {"Command2", {912, 112, 81, 25}}, {"Image1", {496, 176, 633, 289}},
        {"Label1", {680, 496, 233, 25}},  {"Label2", {672, 536, 249, 41}},
        {"Label4", {56, 512, 97, 17}},    {"Label5", {56, 536, 129, 17}},
        {"Line1", {495, 175, 2, 290}},    {"Line2", {494, 175, 635, 2}},
        {"Line3", {1127, 175, 2, 290}},   {"Line4", {495, 463, 634, 2}},
    };
    for (const auto& [name, rect] : places) {
        EXPECT_EQ(control<QWidget>(name)->geometry(), rect) << name;
    }
}

TEST_F(Form1Test, LabelsUseBoldChineseFontsThatAreInstalled) {
    open();
    struct Case {
        const char* label;
        const char* face;
        double points;
    };
    QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (const Case& c : {Case{"Label3", "微软雅黑", 10.5}, Case{"Label1", "宋体", 12},
                          Case{"Label2", "宋体", 9}}) {
        QFont font = control<QWidget>(c.label)->font();
        EXPECT_EQ(font.families().value(0), c.face) << c.label;
        EXPECT_EQ(font.pointSizeF(), c.points) << c.label;
        EXPECT_TRUE(font.bold()) << c.label;
        EXPECT_TRUE(chinese.contains(QFontInfo(font).family()))
            << QFontInfo(font).family().toStdString();
    }
    EXPECT_EQ(control<QLabel>("Label1")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
}

TEST_F(Form1Test, FixedCaptionsShowAndFitTheirControls) {
    open();
    EXPECT_EQ(control<QPushButton>("Command1")->text(), "上传文件");
    EXPECT_EQ(control<QPushButton>("Command2")->text(), "打开目录");
    for (const char* name : {"Label4", "Label5"}) {
        auto* label = control<QLabel>(name);
        EXPECT_FALSE(label->text().isEmpty()) << name;
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width()) << name;
    }
    EXPECT_EQ(caption("Label3"), "");
}

TEST_F(Form1Test, MenusHoldTheirItemsWithoutShortcuts) {
    Form1& form1 = open();
    std::vector<std::pair<std::string, std::vector<std::string>>> menus;
    for (QAction* menu : form1.menuBar()->actions()) {
        std::vector<std::string> items;
        for (QAction* item : menu->menu()->actions()) {
            items.push_back(item->text().toStdString());
            EXPECT_TRUE(item->shortcut().isEmpty());
            EXPECT_TRUE(item->isEnabled());
        }
        menus.emplace_back(menu->text().toStdString(), items);
    }
    using Menus = decltype(menus);
    EXPECT_EQ(menus, (Menus{{"【信息管理】", {"连接数据库", "断开数据库"}},
                            {"【编辑】", {"查找"}},
                            {"【新增文件】", {"生成文件夹"}}}));
}

TEST_F(Form1Test, TreeHasTheFocusAndTabFollowsTheControlOrder) {
    Form1& form1 = open();
    QApplication::setActiveWindow(&form1);
    EXPECT_EQ(QApplication::focusWidget(), control<QWidget>("TreeView1"));
    for (const char* next : {"List1", "Command1", "Command2", "TreeView1"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), control<QWidget>(next)) << next;
    }
}

TEST_F(Form1Test, StartUpConnectsAndShowsStudentsInPinyinOrder) {
    open();
    EXPECT_EQ(caption("Label1"), "连接数据库成功! ");
    EXPECT_EQ(caption("Label2"), "");
    auto* tree = control<QtTreeView>("TreeView1");
    QModelIndex root = tree->model()->index(0, 0);
    EXPECT_EQ(root.data().toString(), "班级");
    tree->model()->fetchMore(root);
    std::vector<QString> students;
    for (int row = 0; row < tree->model()->rowCount(root); ++row) {
        students.push_back(tree->model()->index(row, 0, root).data().toString());
    }
    EXPECT_EQ(students, (std::vector<QString>{"李娜", "王芳", "张伟"}));
    EXPECT_EQ(tree->keyedModel().tree().size(), 1 + 3 + 3 * (6 + 6 * 2));
}

TEST_F(Form1Test, StartUpWithoutDatabaseStillOpensWithTheFailureTexts) {
    fs::remove(u8path(dir.path() + "/DataBases.mdb"));
    open();
    EXPECT_EQ(caption("Label1"), "连接数据库失败! ");
    EXPECT_EQ(caption("Label2").rfind("错误：", 0), 0u) << caption("Label2");
    EXPECT_EQ(control<QtTreeView>("TreeView1")->model()->rowCount(), 0);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(Form1Test, MenuItemsReachTheConnectionHandlers) {
    open();
    trigger("Disconnect");
    EXPECT_EQ(caption("Label1"), "已断开数据库!");
    trigger("Disconnect");
    EXPECT_EQ(caption("Label1"), "断开数据库操作异常，未能断开连接!");
    EXPECT_EQ(caption("Label2").rfind("错误：", 0), 0u);
    trigger("DB_Connect");
    EXPECT_EQ(caption("Label1"), "连接数据库成功! ");
    EXPECT_EQ(caption("Label2"), "");
}

TEST_F(Form1Test, MouseClickOnANodeListsItsFolderButKeyMovesDoNot) {
    fs::path points = u8path(folder("/李娜/数学/数学知识点1"));
    fs::create_directories(points);
    std::ofstream(points / "作业.txt") << "x";
    open();
    auto* tree = control<QtTreeView>("TreeView1");
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(caption("Label3"), "");

    clickNode("孙2_2_1");
    EXPECT_EQ(caption("Label3"), "班级\\李娜\\数学\\数学知识点1");
    EXPECT_EQ(listed(), std::vector<std::string>{"作业.txt"});
    EXPECT_EQ(window->form().selectedPath, folder("/李娜/数学/数学知识点1"));
}

TEST_F(Form1Test, ListAndPictureClicksPreviewAndOpenTheFile) {
    fs::create_directories(u8path(folder("/张伟")));
    QImage photo(8, 8, QImage::Format_RGB32);
    photo.fill(Qt::red);
    ASSERT_TRUE(photo.save(QString::fromStdString(folder("/张伟/错题.png"))));
    open();
    clickNode("父1");
    ASSERT_EQ(listed(), std::vector<std::string>{"错题.png"});

    clickListItem(0);
    auto* image = control<QtPictureBox>("Image1");
    EXPECT_EQ(image->picture().pixelColor(0, 0), QColor(Qt::red));
    QTest::mouseClick(image, Qt::LeftButton, {}, image->rect().center());
    EXPECT_EQ(shell.opened, std::vector<std::string>{folder("/张伟/错题.png")});

    clickNode("父1");
    EXPECT_TRUE(image->picture().isNull());
}

TEST_F(Form1Test, ButtonsReachUploadAndFolderBrowse) {
    fs::create_directories(u8path(folder("/王芳")));
    open();
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    EXPECT_EQ(messages(), std::vector<std::string>{"请选择上传的知识点位置"});

    clickNode("父3");
    QTest::mouseClick(control<QPushButton>("Command1"), Qt::LeftButton);
    EXPECT_EQ(fileDialog.saves, 1);
    QTest::mouseClick(control<QPushButton>("Command2"), Qt::LeftButton);
    EXPECT_EQ(fileDialog.openedAt, std::vector<std::string>{folder("/王芳") + "/*.*"});
}

TEST_F(Form1Test, LookUpSelectsAndShowsTheStudent) {
    open();
    dialogs.typed = {"王芳", "王 芳"};
    trigger("Look_Up");
    auto* tree = control<QtTreeView>("TreeView1");
    EXPECT_EQ(tree->selectedNodeTexts(), (std::vector<std::string>{"班级", "王芳"}));
    EXPECT_EQ(caption("Label3"), "");
    trigger("Look_Up");
    EXPECT_EQ(messages(), std::vector<std::string>{"所查询的学生不存在，请重新输入"});
}

TEST_F(Form1Test, FailuresOfUntrappedHandlersShowInAMessageAndTheWindowGoesOn) {
    open();
    trigger("Disconnect");
    trigger("Look_Up");
    trigger("NewFolder");
    ASSERT_EQ(dialogs.messages.size(), 2u);
    for (const auto& prompt : messages()) {
        EXPECT_EQ(prompt.rfind("错误：", 0), 0u) << prompt;
    }
    trigger("DB_Connect");
    trigger("NewFolder");
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_TRUE(fs::is_directory(u8path(folder("/张伟/生物/生物知识点2"))));
}

}  // namespace
}  // namespace veltrana
