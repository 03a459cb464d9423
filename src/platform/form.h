#pragma once

#include <memory>
#include <string>

#include "platform/child_process.h"
#include "platform/controls.h"
#include "platform/data_access.h"
#include "platform/file_system.h"
#include "platform/shell.h"

namespace veltrana {

// The main window as every handler sees it: its controls, the outside world, and the
// form-level state that the handlers share. The window (or a test) owns the objects behind the
// references; the state lives here for the whole run.
struct Form {
    TreeView& TreeView1;
    ListBox& List1;
    PictureBox& Image1;
    Label& Label1;
    Label& Label2;
    Label& Label3;
    FileDialog& CommonDialog1;
    Dialogs& dialogs;
    DataAccess& dataAccess;
    FileSystem& fileSystem;
    Shell& shell;
    ChildProcess& childProcess;
    // The folder that holds the program file, without a trailing separator.
    std::string appPath;

    std::unique_ptr<Connection> dbConn;
    std::unique_ptr<Recordset> dbRs;
    std::string curNode;
    std::string selectedPath;
    std::string courseField;
    // Whether the last connect, and the start-up's tree after it, succeeded; Label1 shows it.
    bool connected = false;
};

}  // namespace veltrana
