#include "app/form1.h"

#include <gmock/gmock.h>
#include <httplib.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableWidget>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <filesystem>

#include "app/phone_dialog.h"
#include "app/qt_test_support.h"
#include "phone/routes.h"
#include "platform/program_folder.h"
#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_tree.h"
#include "support/class_db.h"
#include "support/fakes.h"
#include "support/photos.h"

namespace veltrana {
namespace {

using test::rowTexts;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::StartsWith;
using Texts = std::vector<std::string>;

// Answers the modal dialogs as they open, one answer each, in order.
class DialogScript {
public:
    explicit DialogScript(std::vector<std::function<void(QWidget*)>> answers)
        : answers_(std::move(answers)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* open = QApplication::activeModalWidget();
            if (open != nullptr && open != answered_ && next_ < answers_.size()) {
                answered_ = open;  // the dialog before has gone, so this one is new
                answers_[next_++](open);
            }
        });
        timer_.start(10);
    }
    std::size_t answered() const { return next_; }

private:
    std::vector<std::function<void(QWidget*)>> answers_;
    std::size_t next_ = 0;
    QPointer<QWidget> answered_;
    QTimer timer_;
};

// Clicks the button of the dialog captioned caption.
void press(QWidget* dialog, const QString& caption) {
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        if (button->text() == caption) {
            button->click();
            return;
        }
    }
    ADD_FAILURE() << "no button " << caption.toStdString();
    qobject_cast<QDialog*>(dialog)->reject();
}

QString textOf(QWidget* dialog) {
    auto* box = qobject_cast<QMessageBox*>(dialog);
    return box != nullptr ? box->text() : QString();
}

// The window over a program folder holding a small science class, with its modal dialogs and
// shell replaced so that a test drives every event without waiting for anyone.
class Form1Test : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(utf8Path(folder("")));
        test::writeClassDb(dir.path(), test::classTables({"张伟", "李娜", "王芳"}, 2));
    }

    // The folder of the node below Data, "/" standing for the platform's separator.
    std::string folder(const std::string& below) const {
        std::string path = dir.path() + "/Data" + below;
        std::replace(path.begin(), path.end(), '/', kSeparator);
        return path;
    }

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

    void click(const char* widget) const {
        QTest::mouseClick(control<QWidget>(widget), Qt::LeftButton);
    }

    // Opens the tree down to the node keyed key and clicks it with the mouse.
    void clickNode(const std::string& key) const {
        auto* tree = control<QtTreeView>("TreeView1");
        QModelIndex index = tree->keyedModel().reveal(tree->keyedModel().tree().require(key));
        for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) {
            tree->expand(up);
        }
        tree->scrollTo(index);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(index).center());
    }

    test::TempDir dir;
    test::FakeDialogs dialogs;
    test::FakeFileDialog fileDialog;
    test::FakeShell shell;
    test::InProcessTool tool;
    std::unique_ptr<Form1> window;
};

TEST_F(Form1Test, WindowHasItsCaptionPlacesFontsMenusAndTabOrder) {
    Form1& form1 = open();
    EXPECT_EQ(form1.windowTitle(), "Veltrana(1.0.0)");
    EXPECT_EQ(form1.windowIcon().availableSizes().value(0), QSize(32, 32));
    QWidget* client = form1.centralWidget();
    EXPECT_EQ(client->size(), QSize(1158, 571));
    EXPECT_EQ(client->mapToGlobal(QPoint(0, 0)), QPoint(55, 141));
    EXPECT_EQ(form1.minimumSize(), form1.maximumSize());
    Qt::WindowFlags flags = form1.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

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

    EXPECT_EQ(control<QPushButton>("Command1")->text(), "上传文件");
    EXPECT_EQ(control<QPushButton>("Command2")->text(), "打开目录");
    for (const char* name : {"Label4", "Label5"}) {
        auto* label = control<QLabel>(name);
        EXPECT_FALSE(label->text().isEmpty()) << name;
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width()) << name;
    }
    QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    for (auto [label, face, points] :
         {std::tuple{"Label3", "微软雅黑", 10.5}, std::tuple{"Label1", "宋体", 12.0},
          std::tuple{"Label2", "宋体", 9.0}}) {
        QFont font = control<QWidget>(label)->font();
        EXPECT_EQ(font.families().value(0), face) << label;
        EXPECT_EQ(font.pointSizeF(), points) << label;
        EXPECT_TRUE(font.bold()) << label;
        EXPECT_TRUE(chinese.contains(QFontInfo(font).family())) << label;
    }
    EXPECT_EQ(control<QLabel>("Label1")->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);

    std::vector<std::pair<std::string, Texts>> menus;
    for (QAction* menu : form1.menuBar()->actions()) {
        Texts items;
        for (QAction* item : menu->menu()->actions()) {
            items.push_back(item->text().toStdString());
            EXPECT_TRUE(item->shortcut().isEmpty());
        }
        menus.emplace_back(menu->text().toStdString(), items);
    }
    EXPECT_EQ(
        menus,
        (decltype(menus){
            {"【信息管理】", {"连接数据库", "断开数据库", "新建班级…", "检查数据库", "班级概览…"}},
            {"【编辑】", {"查找"}},
            {"【新增文件】", {"生成文件夹", "手机上传…", "整理照片…"}}}));

    QApplication::setActiveWindow(&form1);
    EXPECT_EQ(QApplication::focusWidget(), control<QWidget>("TreeView1"));
    for (const char* next : {"List1", "Command1", "Command2", "TreeView1"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), control<QWidget>(next)) << next;
    }
}

// The test's screen, 800 x 800, is smaller than the window: it shrinks whole, fonts with it,
// and its frame lies inside the screen. The folder that is not there cannot be written, and the
// line below the status says where to move it, above the connect's error.
TEST_F(Form1Test, OnASmallScreenTheWindowShrinksWholeAndAnUnwritableFolderIsNamed) {
    if (test::underWine()) {
        GTEST_SKIP() << "under Wine the window is on the display's own screen, where it fits";
    }
    Form1& form1 = open();
    form1.fitToScreen();
    const double scale = form1.scale();
    EXPECT_LT(scale, 0.7);
    EXPECT_TRUE(form1.screen()->availableGeometry().contains(form1.frameGeometry()));
    EXPECT_EQ(form1.centralWidget()->size(), QSize(static_cast<int>(std::lround(1158 * scale)),
                                                   static_cast<int>(std::lround(571 * scale))));
    EXPECT_EQ(control<QWidget>("Image1")->geometry(),
              QRect(QPointF(496 * scale, 176 * scale).toPoint(),
                    QSizeF(633 * scale, 289 * scale).toSize()));
    EXPECT_EQ(control<QWidget>("Label1")->font().pointSizeF(), 12 * scale);
    EXPECT_LT(control<QWidget>("Command1")->font().pointSizeF(), QApplication::font().pointSizeF());
    const QRect client = form1.centralWidget()->geometry();
    form1.fitToScreen();  // again, once framed: nothing changes
    EXPECT_EQ(form1.scale(), scale);
    EXPECT_EQ(form1.centralWidget()->geometry(), client);

    Form1 elsewhere(dir.path() + kSeparator + "不在", Form1Services{&dialogs});
    elsewhere.load();
    EXPECT_THAT(elsewhere.form().Label2.Caption(),
                StartsWith("程序文件夹不能写入：请关闭程序，把整个文件夹移到 " +
                           suggestedProgramFolder() + " 再启动。"));
    EXPECT_THAT(elsewhere.form().Label2.Caption(), ::testing::HasSubstr("\n错误："));
    EXPECT_EQ(caption("Label2"), "");
}

TEST_F(Form1Test, StartUpConnectsAndShowsStudentsInPinyinOrder) {
    open();
    EXPECT_EQ(caption("Label1"), "连接数据库成功! ");
    auto* tree = control<QtTreeView>("TreeView1");
    QModelIndex root = tree->model()->index(0, 0);
    EXPECT_EQ(root.data().toString(), "班级");
    EXPECT_EQ(rowTexts(*tree->model(), root), (Texts{"李娜", "王芳", "张伟"}));
    EXPECT_EQ(tree->keyedModel().tree().size(), 1 + 3 + 3 * (6 + 6 * 2));

    std::filesystem::remove(utf8Path(dir.path() + "/DataBases.mdb"));
    open();
    EXPECT_EQ(caption("Label1"), "连接数据库失败! ");
    EXPECT_THAT(caption("Label2"), StartsWith("错误："));
    EXPECT_THAT(caption("Label2"), EndsWith("“新建班级…”由班级名单生成数据库"));
    EXPECT_EQ(control<QWidget>("Label2")->geometry(), QRect(672, 536, 249, 41));
    EXPECT_EQ(control<QtTreeView>("TreeView1")->model()->rowCount(), 0);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(Form1Test, MenuItemsReachTheirHandlersAndFailuresShowInAMessage) {
    open();
    dialogs.typed = {"王芳", "王 芳"};
    trigger("Look_Up");
    EXPECT_EQ(control<QtTreeView>("TreeView1")->selectedNodeTexts(), (Texts{"班级", "王芳"}));
    trigger("Look_Up");
    trigger("Disconnect");
    EXPECT_EQ(caption("Label1"), "已断开数据库!");
    trigger("Look_Up");
    trigger("NewFolder");
    trigger("Disconnect");
    EXPECT_EQ(caption("Label1"), "断开数据库操作异常，未能断开连接!");
    trigger("DB_Connect");
    EXPECT_EQ(caption("Label1"), "连接数据库成功! ");
    EXPECT_EQ(caption("Label2"), "");
    trigger("NewFolder");
    EXPECT_TRUE(std::filesystem::is_directory(utf8Path(folder("/张伟/生物/生物知识点2"))));
    EXPECT_THAT(
        dialogs.prompts("系统提示"),
        ElementsAre("所查询的学生不存在，请重新输入", StartsWith("错误："), StartsWith("错误：")));
}

TEST_F(Form1Test, MouseClicksReachNodeListPictureAndButtons) {
    std::filesystem::create_directories(utf8Path(folder("/张伟")));
    QImage photo(8, 8, QImage::Format_RGB32);
    photo.fill(Qt::red);
    ASSERT_TRUE(photo.save(QString::fromStdString(folder("/张伟/错题.png"))));
    open();
    click("Command1");
    EXPECT_EQ(dialogs.prompts("系统提示"), Texts{"请选择上传的知识点位置"});
    auto* tree = control<QtTreeView>("TreeView1");
    tree->setFocus();
    QTest::keyClick(tree, Qt::Key_Down);
    EXPECT_EQ(caption("Label3"), "");  // moving with the keys clicks nothing

    clickNode("父1");
    EXPECT_EQ(caption("Label3"), "班级\\张伟");
    auto* list = control<QtListBox>("List1");
    ASSERT_EQ(rowTexts(*list->model()), Texts{"错题.png"});
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(0, 0)).center());
    auto* image = control<QtPictureBox>("Image1");
    EXPECT_EQ(image->picture().pixelColor(0, 0), QColor(Qt::red));
    photo.fill(Qt::blue);  // the teacher put a better photo in its place: a click shows it
    ASSERT_TRUE(photo.save(QString::fromStdString(folder("/张伟/错题.png"))));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(0, 0)).center());
    EXPECT_EQ(image->picture().pixelColor(0, 0), QColor(Qt::blue));
    click("Image1");
    EXPECT_EQ(shell.opened, Texts{folder("/张伟/错题.png")});
    click("Command1");
    EXPECT_EQ(fileDialog.saves, 1);
    click("Command2");
    EXPECT_EQ(fileDialog.openedAt, Texts{folder("/张伟/*.*")});

    clickNode("孙1_2_1");
    EXPECT_EQ(window->form().selectedPath, folder("/张伟/数学/数学知识点1"));
    EXPECT_EQ(rowTexts(*list->model()), Texts{});
    EXPECT_TRUE(image->picture().isNull());
}

TEST_F(Form1Test, WhatIsHighlightedIsWhatThePreviewShowsAndOpens) {
    test::writePhoto(folder("/张伟/IMG_0001.JPG"), test::quarters({64, 48}), 6);  // sideways
    QImage green(8, 8, QImage::Format_RGB32);
    green.fill(Qt::green);
    ASSERT_TRUE(green.save(QString::fromStdString(folder("/张伟/作业.第2次.jpg"))));
    test::writeFile(folder("/张伟/说明.txt"));
    open();
    clickNode("父1");
    auto* list = control<QtListBox>("List1");
    ASSERT_EQ(rowTexts(*list->model()), (Texts{"说明.txt", "作业.第2次.jpg", "IMG_0001.JPG"}));

    auto* image = control<QtPictureBox>("Image1");
    list->setFocus();
    // Windows makes the first row current, unselected, on focus: End then Home select it anywhere.
    QTest::keyClick(list, Qt::Key_End);
    QTest::keyClick(list, Qt::Key_Home);
    EXPECT_EQ(window->form().List1.Text(), "说明.txt");
    EXPECT_TRUE(image->picture().isNull());
    QTest::keyClick(list, Qt::Key_End);
    EXPECT_TRUE(test::showsQuartersUpright(image->picture()));
    QTest::keyClick(list, Qt::Key_Up);
    QColor shown = image->picture().pixelColor(0, 0);
    EXPECT_TRUE(shown.green() > 200 && shown.red() + shown.blue() < 60)
        << shown.name().toStdString();
    click("Image1");
    EXPECT_EQ(shell.opened, Texts{folder("/张伟/作业.第2次.jpg")});

    // Ctrl+click on the selected node keeps it selected; a right click selects nothing.
    auto* tree = control<QtTreeView>("TreeView1");
    QModelIndex zhang = tree->selectionModel()->selectedIndexes().value(0);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      tree->visualRect(zhang).center());
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {},
                      tree->visualRect(zhang.siblingAtRow(1)).center());
    EXPECT_EQ(tree->selectedNodeTexts(), (Texts{"班级", "张伟"}));
    EXPECT_EQ(caption("Label3"), "班级\\张伟");
    EXPECT_EQ(rowTexts(*list->model()).size(), 3u);
}

// Through the real dialogs: started without a database, the question, the 新建班级 dialog over
// the roster workbook, the numbers, then the tree; the refusal once the database is there; the
// check report of a damaged database, its text selectable.
TEST_F(Form1Test, NewClassAndCheckRunThroughTheRealDialogs) {
    std::filesystem::remove(utf8Path(dir.path() + "/DataBases.mdb"));
    fileDialog.chosenFiles = {std::string(VELTRANA_ROSTERS) + "/roster.xlsx"};
    window = std::make_unique<Form1>(
        dir.path(), Form1Services{nullptr, &fileDialog, &shell, nullptr, nullptr, &tool});
    window->load();
    window->show();
    QStringList questions;
    DialogScript script({[&](QWidget* box) {
                             questions << textOf(box);
                             press(box, "用名单新建班级");
                         },
                         [&](QWidget* dialog) {
                             EXPECT_EQ(dialog->windowTitle(), "新建班级");
                             EXPECT_EQ(dialog->findChild<QListWidget*>("names")->item(2)->text(),
                                       "第 6 行　曾小明");
                             auto* create = dialog->findChild<QPushButton*>("create");
                             EXPECT_FALSE(create->isEnabled());  // no stream chosen yet
                             dialog->findChild<QRadioButton*>("理科")->click();
                             create->click();
                         },
                         [&](QWidget* box) {
                             questions << textOf(box);
                             press(box, "以后再说");
                         },
                         [](QWidget* box) { press(box, "OK"); },
                         [&](QWidget* dialog) {
                             auto* report = dialog->findChild<QPlainTextEdit*>("report");
                             EXPECT_TRUE(report->isReadOnly());
                             EXPECT_TRUE(report->textInteractionFlags() &
                                         Qt::TextSelectableByMouse);
                             questions << report->toPlainText();
                             press(dialog, "关闭");
                         }});
    window->shown();
    EXPECT_EQ(caption("Label1"), "连接数据库成功! ");
    auto* tree = control<QtTreeView>("TreeView1");
    EXPECT_EQ(rowTexts(*tree->model(), tree->model()->index(0, 0)),
              (Texts{"李娜", "欧阳娜娜", "王芳", "曾小明"}));
    ASSERT_EQ(questions.size(), 2);
    EXPECT_TRUE(questions[0].contains("还没有班级数据库"));
    EXPECT_TRUE(questions[1].contains("理科班：学生 4 名"));

    trigger("NewClass");  // the database is there now: refused, nothing asked
    EXPECT_EQ(fileDialog.chooseAt.size(), 1u);
    test::writeFile(dir.path() + "/DataBases.mdb", "not an Access file");
    trigger("CheckDatabase");
    EXPECT_EQ(script.answered(), 5u);
    ASSERT_EQ(questions.size(), 3);
    EXPECT_TRUE(questions[2].startsWith("错误：")) << questions[2].toStdString();
    EXPECT_TRUE(questions[2].contains("程序在这个数据库上会出错"));
}

TEST_F(Form1Test, PhoneUploadShowsAScannableAddressAndListsWhatArrivesInTheShownNode) {
    open();
    trigger("NewFolder");
    clickNode("孙1_2_1");
    trigger("PhoneUpload");
    auto* opened = window->findChild<PhoneDialog*>("PhoneDialog");
    ASSERT_NE(opened, nullptr);
    EXPECT_TRUE(opened->isVisible());
    EXPECT_EQ(opened->windowTitle(), "手机上传");
    opened->reject();

    // The dialog shows this computer's networks; here it is given two, and the test reaches its
    // server on the loopback.
    PhoneDialog& dialog = *opened;
    dialog.start({{"WLAN", "192.168.1.23"}, {"以太网", "10.0.8.4"}});
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* addresses = dialog.findChild<QComboBox*>("Addresses");
    EXPECT_TRUE(addresses->isEnabled());
    addresses->setCurrentIndex(1);
    const QString address = dialog.findChild<QLabel*>("Address")->text();
    EXPECT_TRUE(address.startsWith("http://10.0.8.4:")) << address.toStdString();
#ifndef _WIN32  // zbar-tools' reader is a Linux program; the code drawn is the same on Windows
    // What the screen shows decodes to the address.
    const QString png = QString::fromStdString(dir.path() + "/dialog.png");
    ASSERT_TRUE(dialog.grab().save(png));
    QProcess zbarimg;
    zbarimg.start("zbarimg", {"--raw", "-q", png});
    ASSERT_TRUE(zbarimg.waitForFinished(20000));
    EXPECT_EQ(QString::fromUtf8(zbarimg.readAllStandardOutput()).trimmed(), address);
#endif

    const QUrl url(address);
    httplib::Client phone("127.0.0.1", url.port());
    const std::string token = url.query().toStdString();
    auto catalogue = phone.Get((veltrana::phone::kCatalogueRoute + ("?" + token)).c_str());
    ASSERT_TRUE(catalogue);
    // The node clicked in the window is the page's default.
    QJsonArray selected = QJsonDocument::fromJson(QByteArray::fromStdString(catalogue->body))
                              .object()
                              .value("selected")
                              .toArray();
    ASSERT_EQ(selected.size(), 3);
    std::string node;
    for (const QJsonValue& index : selected) {
        if (!node.empty()) {
            node += '.';
        }
        node += std::to_string(index.toInt());
    }
    auto landed = phone.Post(
        (veltrana::phone::kUploadRoute + ("?" + token) + "&" + veltrana::phone::kNodeParam + "=" +
         node + "&" + veltrana::phone::kNameParam + "=image.jpg")
            .c_str(),
        "photo", "image/jpeg");
    ASSERT_TRUE(landed);
    EXPECT_EQ(landed->status, 200);
    auto* arrivals = dialog.findChild<QTableWidget*>("Arrivals");
    ASSERT_TRUE(QTest::qWaitFor([&] { return arrivals->rowCount() == 1; }));
    Texts row;
    for (int column = 0; column < arrivals->columnCount(); ++column) {
        row.push_back(arrivals->item(0, column)->text().toStdString());
    }
    EXPECT_EQ(row, (Texts{"image.jpg", "张伟\\数学\\数学知识点1", "1 KB", "已完成"}));
    EXPECT_EQ(rowTexts(*control<QtListBox>("List1")->model()), Texts{"image.jpg"});
    if (const char* shot = std::getenv("VELTRANA_PHONE_DIALOG_SCREENSHOT")) {
        addresses->setCurrentIndex(0);
        dialog.grab().save(shot);
    }
    dialog.reject();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !phone.Get("/"); }));
}

TEST_F(Form1Test, SortingFilesIntoTheShownNodeByEnterAloneAndTheListShowsIt) {
    open();
    trigger("NewFolder");
    clickNode("孙1_2_1");
    test::writeFile(dir.path() + "/待整理/IMG_0001.JPG", "a notebook");
    trigger("SortPhotos");
    auto* sorter = window->findChild<SortWindow*>("SortWindow");
    ASSERT_NE(sorter, nullptr);
    EXPECT_TRUE(sorter->isVisible());
    // The destination starts as the node the window shows.
    QTest::keyClick(sorter->findChild<QLineEdit*>("Student"), Qt::Key_Return);
    EXPECT_EQ(rowTexts(*control<QtListBox>("List1")->model()), Texts{"IMG_0001.JPG"});
    EXPECT_TRUE(test::filesIn(dir.path() + "/待整理").empty());
    sorter->close();
}

}  // namespace
}  // namespace veltrana
