#include "app/form1.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "app/new_class.h"
#include "app/pictures.h"
#include "db/class_reader.h"
#include "db/connection.h"
#include "platform/error.h"
#include "platform/network.h"
#include "platform/program_folder.h"
#include "platform/qt/qt_controls.h"
#include "platform/screen_fit.h"
#include "store/browse.h"
#include "store/file_actions.h"
#include "store/list_click.h"
#include "store/new_folder.h"
#include "store/upload.h"
#include "tree/form_load.h"
#include "tree/look_up.h"
#include "tree/node_click.h"

namespace veltrana {

namespace {

constexpr char kCaption[] = "Veltrana(1.0.0)";
constexpr char kCredit[] = "制作：Veltrana";
constexpr char kContact[] = "联系：Veltrana 开发组";

// The label fonts name Windows' Chinese faces; elsewhere the first installed CJK face stands in.
QFont labelFont(const QString& face, const QString& englishFace) {
    QFont font;
    font.setFamilies({face, englishFace, "WenQuanYi Micro Hei", "Noto Sans CJK SC"});
    font.setBold(true);
    return font;
}

// The client area's top-left corner on the screen, in pixels at 96 dots per inch.
constexpr int kLeft = 55;
constexpr int kTop = 141;

}  // namespace

Form1::Form1(const std::string& appPath, const Form1Services& services) {
    setObjectName("Form1");
    setWindowTitle(kCaption);
    setWindowIcon(QIcon(alarmClockIcon()));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    buildMenus();
    buildControls(appPath, services);
    layOut();
    // The window opens with its client area's top-left corner at (55, 141) on the screen, not
    // centred.
    setGeometry(kLeft, kTop - (height() - client_->height()), width(), height());
}

Form1::~Form1() = default;

void Form1::load() {
    run(Form_Load);
    // A folder that cannot keep the teacher's files, or that OneDrive copies away, says so in
    // the line below the status, before whatever the connect put there.
    std::string advice = folderAdvice(programFolderFacts(form_->appPath));
    if (!advice.empty()) {
        std::string below = form_->Label2.Caption();
        form_->Label2.setCaption(below.empty() ? advice : advice + "\n" + below);
    }
}

void Form1::shown() {
    run(Form_Shown);
}

void Form1::buildMenus() {
    struct Item {
        const char* name;
        const char* caption;
        void (*handler)(Form&);
    };
    struct Menu {
        const char* name;
        const char* caption;
        std::vector<Item> items;
    };
    const Menu menus[] = {
        {"Information",
         "【信息管理】",
         {{"DB_Connect", "连接数据库", DB_Connect_Click},
          {"Disconnect", "断开数据库", Disconnect_Click},
          {"NewClass", "新建班级…", NewClass_Click},
          {"CheckDatabase", "检查数据库", CheckDatabase_Click}}},
        {"Edit", "【编辑】", {{"Look_Up", "查找", Look_Up_Click}}},
        {"NewAdd", "【新增文件】", {{"NewFolder", "生成文件夹", NewFolder_Click}}},
    };
    for (const auto& menu : menus) {
        QMenu* list = menuBar()->addMenu(menu.caption);
        list->setObjectName(menu.name);
        for (const auto& item : menu.items) {
            QAction* action = list->addAction(item.caption);
            action->setObjectName(item.name);
            connect(action, &QAction::triggered, this,
                    [this, handler = item.handler] { run(handler); });
        }
    }
    // The phone upload needs the window's tree itself, not only the handlers' view of it.
    QAction* phone = menuBar()->findChild<QMenu*>("NewAdd")->addAction("手机上传…");
    phone->setObjectName("PhoneUpload");
    connect(phone, &QAction::triggered, this, &Form1::openPhoneUpload);
    QAction* overview = menuBar()->findChild<QMenu*>("Information")->addAction("班级概览…");
    overview->setObjectName("ClassOverview");
    connect(overview, &QAction::triggered, this, &Form1::openOverview);
    QAction* sort = menuBar()->findChild<QMenu*>("NewAdd")->addAction("整理照片…");
    sort->setObjectName("SortPhotos");
    connect(sort, &QAction::triggered, this, [this] { openSorter(); });
}

void Form1::openOverview() {
    try {
        overview_ = std::make_unique<OverviewWindow>(*form_, this);
        overview_->show();
    } catch (const Error& e) {
        form_->dialogs.MsgBox(errorText(e), kMessageTitle);
    }
}

void Form1::openSorter(const std::string& moving) {
    try {
        const bool opened = !sorter_.isNull();
        if (!opened) {
            if (!form_->connected) {
                form_->dialogs.MsgBox("请先连接数据库", kMessageTitle);
                return;
            }
            std::vector<std::string> selected;
            try {
                selected = form_->TreeView1.selectedNodeTexts();
                selected.erase(selected.begin());  // the class
            } catch (const Error&) {
                // nothing selected: the destination starts empty
            }
            // The main window lists a folder that gains or loses a photo again.
            sorter_ = new SortWindow(
                form_->fileSystem, sortCatalogue(readClass(*form_, form_->courseField), selected),
                form_->appPath,
                [this](const std::string& folder) {
                    if (!folder.empty() && folder == form_->selectedPath) {
                        run(ListNodeFiles);
                    }
                },
                this);
            sorter_->setAttribute(Qt::WA_DeleteOnClose);
        }
        if (!moving.empty()) {
            sorter_->openPhotos({moving}, true);
        } else if (!opened) {
            sorter_->openInbox();
        }
        sorter_->show();
        sorter_->raise();
        sorter_->activateWindow();
    } catch (const Error& e) {
        form_->dialogs.MsgBox(errorText(e), kMessageTitle);
    }
}

void Form1::openPhoneUpload() {
    try {
        if (!phoneDialog_) {
            // Without a class the page says so, and the teacher connects first.
            phoneDialog_ = std::make_unique<PhoneDialog>(
                *form_,
                [this] {
                    return form_->connected ? readClass(*form_, form_->courseField) : ClassModel();
                },
                this);
            fitDialog(*phoneDialog_);
        }
        phoneDialog_->start(phoneAddresses());
        phoneDialog_->show();
        phoneDialog_->raise();
        phoneDialog_->activateWindow();
    } catch (const Error& e) {
        form_->dialogs.MsgBox(errorText(e), kMessageTitle);
    }
}

// The layout is given in twips, 15 to a pixel at 96 dots per inch, times the scale.
int Form1::px(int twips) const {
    return static_cast<int>(std::lround(twips / 15.0 * scale_));
}

// Places a widget by twips, from the client area's top-left corner.
template <typename W>
W* Form1::place(W* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(name);
    placed_.push_back({widget, QRect(left, top, width, height), false});
    return widget;
}

QtLabel* Form1::label(const char* name, int left, int top, int width, int height) {
    return place(new QtLabel(client_), name, left, top, width, height);
}

// A 2-pixel line between two points given in twips, drawn in the text colour.
void Form1::line(const char* name, int x1, int y1, int x2, int y2) {
    auto* frame = new QWidget(client_);
    frame->setObjectName(name);
    frame->setAutoFillBackground(true);
    QPalette palette = frame->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::WindowText));
    frame->setPalette(palette);
    placed_.push_back({frame, QRect(QPoint(x1, y1), QPoint(x2, y2)), true});
}

void Form1::setFontPoints(QWidget* widget, double points) {
    fontPoints_.emplace_back(widget, points);
}

void Form1::layOut() {
    // The controls without a font of their own, and the menu bar, take the window's.
    if (scale_ == 1) {
        setFont(QFont());
    } else {
        QFont font = QApplication::font();
        if (font.pointSizeF() > 0) {
            font.setPointSizeF(font.pointSizeF() * scale_);
        } else {
            font.setPixelSize(static_cast<int>(std::lround(font.pixelSize() * scale_)));
        }
        setFont(font);
    }
    for (const auto& [widget, points] : fontPoints_) {
        QFont font = widget->font();
        font.setPointSizeF(points * scale_);
        widget->setFont(font);
    }
    for (const Placed& placed : placed_) {
        const QRect& r = placed.twips;
        if (placed.isLine) {
            int width = std::max(1, static_cast<int>(std::lround(2 * scale_)));
            int x1 = px(r.left()), y1 = px(r.top()), x2 = px(r.right()), y2 = px(r.bottom());
            placed.widget->setGeometry(x1 - width / 2, y1 - width / 2, x2 - x1 + width,
                                       y2 - y1 + width);
        } else {
            placed.widget->setGeometry(px(r.x()), px(r.y()), px(r.width()), px(r.height()));
        }
    }
    // The client area below the menu bar is fixed. The menu bar's height is the one the
    // window's layout gives it: Windows' style keeps a line free below it that its size hint
    // leaves out.
    client_->setFixedSize(px(17370), px(8565));
    int menuHeight = menuBar()->heightForWidth(px(17370));
    setFixedSize(px(17370), px(8565) + menuHeight);
}

void Form1::fitToScreen() {
    // Again once more, since the menu bar and the frame do not shrink in step with the rest.
    for (int round = 0; round < 3; ++round) {
        const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
        const QRect available = screen()->availableGeometry();
        const int menuHeight = height() - client_->height();
        WindowFit fit = fitWindow(
            {width(), height()}, scale_, {frame.left(), frame.top(), frame.right(), frame.bottom()},
            {available.x(), available.y(), available.width(), available.height()},
            kLeft - frame.left(), kTop - menuHeight - frame.top());
        // It only ever shrinks: the frame that comes after the first call only takes room.
        if (fit.factor >= scale_) {
            move(fit.x, fit.y);
            return;
        }
        scale_ = fit.factor;
        layOut();
    }
}

void Form1::buildControls(const std::string& appPath, const Form1Services& services) {
    client_ = new QWidget(this);
    setCentralWidget(client_);

    auto* tree = place(new QtTreeView(client_), "TreeView1", 360, 120, 6015, 7095);
    tree_ = tree;
    tree->setNodePictures(folderPicture(), folderWithPersonPicture());
    auto* label3 = label("Label3", 7560, 120, 5655, 495);
    label3->setFont(labelFont("微软雅黑", "Microsoft YaHei"));
    setFontPoints(label3, 10.5);
    auto* list = place(new QtListBox(client_), "List1", 8160, 720, 4815, 1500);
    auto* command1 = place(new QPushButton("上传文件", client_), "Command1", 13680, 960, 1215, 495);
    auto* command2 =
        place(new QPushButton("打开目录", client_), "Command2", 13680, 1680, 1215, 375);
    auto* image = place(new QtPictureBox(client_), "Image1", 7440, 2640, 9495, 4335);
    // The lines come after the picture, so they stay visible over its edges.
    line("Line1", 7440, 2640, 7440, 6960);
    line("Line2", 7420, 2640, 16920, 2640);
    line("Line3", 16920, 2640, 16920, 6960);
    line("Line4", 7440, 6960, 16920, 6960);
    auto* label1 = label("Label1", 10200, 7440, 3495, 375);
    label1->setFont(labelFont("宋体", "SimSun"));
    setFontPoints(label1, 12);
    label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    auto* label2 = label("Label2", 10080, 8040, 3735, 615);
    label2->setFont(labelFont("宋体", "SimSun"));
    setFontPoints(label2, 9);
    label("Label4", 840, 7680, 1455, 255)->setText(kCredit);
    label("Label5", 840, 8040, 1935, 255)->setText(kContact);

    setTabOrder(tree, list);
    setTabOrder(list, command1);
    setTabOrder(command1, command2);
    tree->setFocus();

    form_ = std::make_unique<Form>(
        Form{*tree,
             *list,
             *image,
             *label1,
             *label2,
             *label3,
             services.fileDialog ? *services.fileDialog : qtFileDialog_,
             services.dialogs ? *services.dialogs : qtDialogs_,
             services.dataAccess ? *services.dataAccess : mdbDataAccess_,
             services.fileSystem ? *services.fileSystem : stdFileSystem_,
             services.shell ? *services.shell : qtShell_,
             services.childProcess ? *services.childProcess : qtChildProcess_,
             appPath,
             {},
             {},
             {},
             {},
             {}});

    // Only a mouse click on a node is a node click; moving with the keys selects without one.
    connect(tree, &QTreeView::clicked, this, [this] { run(TreeView1_NodeClick); });
    connect(list, &QtListBox::chosen, this, [this] { run(List1_Click); });
    // A misfiled photo is put right from the list: the press that opens the menu selects the file
    // as a click does.
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint& at) {
        if (!list->indexAt(at).isValid() || form_->List1.Text().empty()) {
            return;
        }
        QMenu menu(this);
        menu.setObjectName("FileMenu");
        menu.addAction("移动到…", this, [this] {
            openSorter(form_->selectedPath + kSeparator + form_->List1.Text());
        });
        menu.addAction("重命名…", this, [this] {
            run(RenameFile_Click);
            run(ListNodeFiles);
        });
        menu.addAction("删除", this, [this] {
            run(DeleteFile_Click);
            run(ListNodeFiles);
        });
        menu.exec(list->viewport()->mapToGlobal(at));
    });
    connect(command1, &QPushButton::clicked, this, [this] { run(Command1_Click); });
    connect(command2, &QPushButton::clicked, this, [this] { run(Command2_Click); });
    connect(image, &QtPictureBox::clicked, this, [this] { run(Image1_Click); });
    offerMistakesInTree(*form_, tree);
}

void Form1::run(void (*handler)(Form&)) {
    try {
        handler(*form_);
    } catch (const Error& e) {
        form_->dialogs.MsgBox(errorText(e), kMessageTitle);
    } catch (const std::exception& e) {
        form_->dialogs.MsgBox(std::string("错误：") + e.what(), kMessageTitle);
    }
}

}  // namespace veltrana
