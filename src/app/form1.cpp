#include "app/form1.h"

#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <cmath>

#include "app/new_class.h"
#include "app/pictures.h"
#include "db/class_reader.h"
#include "db/connection.h"
#include "platform/error.h"
#include "platform/network.h"
#include "platform/qt/qt_controls.h"
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

// The layout is given in twips, 15 to a pixel at 96 dots per inch.
int px(int twips) {
    return static_cast<int>(std::lround(twips / 15.0));
}

// Places a widget by twips, from the client area's top-left corner.
template <typename W>
W* place(W* widget, const char* name, int left, int top, int width, int height) {
    widget->setObjectName(name);
    widget->setGeometry(px(left), px(top), px(width), px(height));
    return widget;
}

// The label fonts name Windows' Chinese faces; elsewhere the first installed CJK face stands in.
QFont labelFont(const QString& face, const QString& englishFace, double points) {
    QFont font;
    font.setFamilies({face, englishFace, "WenQuanYi Micro Hei", "Noto Sans CJK SC"});
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

QtLabel* label(QWidget* parent, const char* name, int left, int top, int width, int height) {
    return place(new QtLabel(parent), name, left, top, width, height);
}

// A 2-pixel line between two points given in twips, drawn in the text colour.
void line(QWidget* parent, const char* name, int x1, int y1, int x2, int y2) {
    auto* frame = new QWidget(parent);
    frame->setObjectName(name);
    frame->setGeometry(px(x1) - 1, px(y1) - 1, px(x2) - px(x1) + 2, px(y2) - px(y1) + 2);
    frame->setAutoFillBackground(true);
    QPalette palette = frame->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::WindowText));
    frame->setPalette(palette);
}

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

    // The client area below the menu bar is fixed; the window opens with its top-left corner
    // at (55, 141) on the screen, not centred. The menu bar's height is the one the window's
    // layout gives it: Windows' style keeps a line free below it that its size hint leaves out.
    int menuHeight = menuBar()->heightForWidth(px(17370));
    setFixedSize(px(17370), px(8565) + menuHeight);
    setGeometry(px(825), px(2115) - menuHeight, width(), height());
}

Form1::~Form1() = default;

void Form1::load() {
    run(Form_Load);
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
    QAction* sort = menuBar()->findChild<QMenu*>("NewAdd")->addAction("整理照片…");
    sort->setObjectName("SortPhotos");
    connect(sort, &QAction::triggered, this, [this] { openSorter(); });
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
        }
        phoneDialog_->start(phoneAddresses());
        phoneDialog_->show();
        phoneDialog_->raise();
        phoneDialog_->activateWindow();
    } catch (const Error& e) {
        form_->dialogs.MsgBox(errorText(e), kMessageTitle);
    }
}

void Form1::buildControls(const std::string& appPath, const Form1Services& services) {
    auto* client = new QWidget(this);
    setCentralWidget(client);
    client->setFixedSize(px(17370), px(8565));

    auto* tree = place(new QtTreeView(client), "TreeView1", 360, 120, 6015, 7095);
    tree_ = tree;
    tree->setNodePictures(folderPicture(), folderWithPersonPicture());
    auto* label3 = label(client, "Label3", 7560, 120, 5655, 495);
    label3->setFont(labelFont("微软雅黑", "Microsoft YaHei", 10.5));
    auto* list = place(new QtListBox(client), "List1", 8160, 720, 4815, 1500);
    auto* command1 = place(new QPushButton("上传文件", client), "Command1", 13680, 960, 1215, 495);
    auto* command2 = place(new QPushButton("打开目录", client), "Command2", 13680, 1680, 1215, 375);
    auto* image = place(new QtPictureBox(client), "Image1", 7440, 2640, 9495, 4335);
    // The lines come after the picture, so they stay visible over its edges.
    line(client, "Line1", 7440, 2640, 7440, 6960);
    line(client, "Line2", 7420, 2640, 16920, 2640);
    line(client, "Line3", 16920, 2640, 16920, 6960);
    line(client, "Line4", 7440, 6960, 16920, 6960);
    auto* label1 = label(client, "Label1", 10200, 7440, 3495, 375);
    label1->setFont(labelFont("宋体", "SimSun", 12));
    label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    auto* label2 = label(client, "Label2", 10080, 8040, 3735, 615);
    label2->setFont(labelFont("宋体", "SimSun", 9));
    label(client, "Label4", 840, 7680, 1455, 255)->setText(kCredit);
    label(client, "Label5", 840, 8040, 1935, 255)->setText(kContact);

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
