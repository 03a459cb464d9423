#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/overview_window.h"
#include "app/phone_dialog.h"
#include "app/sort_window.h"
#include "platform/form.h"
#include "platform/fs/std_file_system.h"
#include "platform/mdb/mdb_connection.h"
#include "platform/qt/qt_child_process.h"
#include "platform/qt/qt_controls.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_tree.h"

namespace veltrana {

// What the window uses beyond its own widgets. An empty entry gets the real one (Qt dialogs,
// the desktop shell, the Access file reader, the disk, processes of the tool); tests fill in the
// modal dialogs and the shell, so nothing waits for a user who is not there.
struct Form1Services {
    Dialogs* dialogs = nullptr;
    FileDialog* fileDialog = nullptr;
    Shell* shell = nullptr;
    DataAccess* dataAccess = nullptr;
    FileSystem* fileSystem = nullptr;
    ChildProcess* childProcess = nullptr;
};

// The one window. Its controls carry their names as object names (TreeView1, List1, Command1,
// Command2, Image1, Label1 to Label5, the menu items DB_Connect, Disconnect, NewClass,
// CheckDatabase, ClassOverview, Look_Up, NewFolder, PhoneUpload, SortPhotos); each of their events runs one
// handler over form().
class Form1 : public QMainWindow {
public:
    explicit Form1(const std::string& appPath, const Form1Services& services = {});
    ~Form1() override;

    // The load event: connects and builds the tree. Runs once, before the window is shown.
    void load();
    // Once the window is on screen: after a failed start-up, the way forward (Form_Shown).
    void shown();
    // Shrinks the whole window, captions with it, when the display scaling makes it larger than
    // its screen's area without task bars, and moves it inside that area. The frame counts once
    // the window has its platform window, and as far as the platform knows it by then.
    void fitToScreen();
    // What the layout is multiplied by: 1 unless the window had to shrink.
    double scale() const { return scale_; }
    Form& form() { return *form_; }

private:
    void buildMenus();
    void buildControls(const std::string& appPath, const Form1Services& services);
    // Sizes, places and fonts of the window and its controls at scale_.
    void layOut();
    int px(int twips) const;
    template <typename W>
    W* place(W* widget, const char* name, int left, int top, int width, int height);
    QtLabel* label(const char* name, int left, int top, int width, int height);
    void line(const char* name, int x1, int y1, int x2, int y2);
    void setFontPoints(QWidget* widget, double points);
    // Runs an event's handler; a failure the handler does not trap itself is shown in a
    // message box, and the window goes on.
    void run(void (*handler)(Form&));
    // Opens "手机上传", or brings it to the front when it is open.
    void openPhoneUpload();
    // Opens "班级概览" on the class as the database holds it now.
    void openOverview();
    // Opens "整理照片" on the photos of 待整理, or brings it to the front when it is open; with a
    // path, on that one file, to be moved.
    void openSorter(const std::string& moving = {});

    QtDialogs qtDialogs_{this};
    QtFileDialog qtFileDialog_{this};
    QtShell qtShell_;
    MdbDataAccess mdbDataAccess_;
    StdFileSystem stdFileSystem_;
    QtChildProcess qtChildProcess_;
    std::unique_ptr<Form> form_;
    QtTreeView* tree_ = nullptr;
    QWidget* client_ = nullptr;
    double scale_ = 1;
    // Every control's place in twips (a line's by its end points), and the fonts the window
    // sets, in points at scale 1.
    struct Placed {
        QWidget* widget;
        QRect twips;
        bool isLine;
    };
    std::vector<Placed> placed_;
    std::vector<std::pair<QWidget*, double>> fontPoints_;
    // Made on first use, destroyed before form_: its server writes through the form's file system.
    std::unique_ptr<PhoneDialog> phoneDialog_;
    // Destroyed before form_, which it works through.
    std::unique_ptr<OverviewWindow> overview_;
    QPointer<SortWindow> sorter_;
};

}  // namespace veltrana
