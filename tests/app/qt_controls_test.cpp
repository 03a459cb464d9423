#include "platform/qt/qt_controls.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

#include "app/qt_test_support.h"
#include "platform/error.h"
#include "platform/qt/qt_dialogs.h"

namespace veltrana {
namespace {

class QtControlsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    std::string path(const QString& name) const { return dir.filePath(name).toStdString(); }

    std::string writePicture(const QString& name, QColor colour, QSize size = {40, 10}) const {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        EXPECT_TRUE(image.save(dir.filePath(name)));
        return path(name);
    }

    QTemporaryDir dir;
};

TEST_F(QtControlsTest, ListKeepsAddingOrderAndGivesTheSelectedText) {
    QtListBox list;
    list.AddItems({"b.png", "a.jpg"});
    list.AddItems({"c"});
    EXPECT_EQ(list.model()->rowCount(), 3);
    EXPECT_EQ(list.model()->index(0, 0).data().toString(), "b.png");
    EXPECT_EQ(list.Text(), "");

    list.selectionModel()->select(list.model()->index(2, 0), QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(list.Text(), "c");
    list.Clear();
    EXPECT_EQ(list.model()->rowCount(), 0);
    EXPECT_EQ(list.Text(), "");
}

TEST_F(QtControlsTest, PictureFillsTheWholeControlWhateverItsShape) {
    QtPictureBox box;
    box.resize(100, 50);
    box.loadPicture(writePicture("wide.png", Qt::red, {400, 10}));
    QImage shown = box.grab().toImage();
    EXPECT_EQ(shown.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(99, 49), QColor(Qt::red));
    box.clearPicture();
    EXPECT_TRUE(box.picture().isNull());
}

TEST_F(QtControlsTest, PictureThatCannotLoadKeepsTheOldOne) {
    QtPictureBox box;
    box.loadPicture(writePicture("old.png", Qt::blue));
    QFile notPicture(dir.filePath("notes.png"));
    ASSERT_TRUE(notPicture.open(QIODevice::WriteOnly));
    notPicture.write("not a picture at all");
    notPicture.close();

    struct Case {
        std::string path;
        std::int32_t number;
    };
    for (const Case& c : {Case{path("notes.png"), err::kInvalidPicture},
                          Case{path("missing.jpg"), err::kFileNotFound},
                          Case{dir.path().toStdString(), err::kFileNotFound}}) {
        try {
            box.loadPicture(c.path);
            ADD_FAILURE() << c.path << " loaded";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), c.number) << c.path;
            EXPECT_NE(e.description().find(c.path), std::string::npos) << e.description();
        }
        EXPECT_EQ(box.picture().pixelColor(0, 0), QColor(Qt::blue)) << c.path;
    }
}

TEST_F(QtControlsTest, OpenDialogStartsInThePresetFolderAndKeepsTheNameOnCancel) {
    QWidget owner;
    QtFileDialog dialog(&owner);
    dialog.FileName = QDir::toNativeSeparators(dir.path()).toStdString() + "/*.*";
    QString shownDirectory;
    QStringList filters;
    test::whenDialogOpens([&](QWidget* open) {
        auto* fileDialog = qobject_cast<QFileDialog*>(open);
        ASSERT_NE(fileDialog, nullptr);
        shownDirectory = fileDialog->directory().absolutePath();
        filters = fileDialog->nameFilters();
        fileDialog->reject();
    });
    std::string preset = dialog.FileName;
    dialog.ShowOpen();
    EXPECT_EQ(shownDirectory, QDir(dir.path()).absolutePath());
    EXPECT_FALSE(filters.join(";").contains("*.*"));
    EXPECT_EQ(dialog.FileName, preset);
}

TEST_F(QtControlsTest, SaveDialogGivesTheChosenFileOrNothing) {
    QWidget owner;
    QtFileDialog dialog(&owner);
    std::string photo = writePicture("照片.png", Qt::green);
    test::whenDialogOpens([&](QWidget* open) {
        auto* fileDialog = qobject_cast<QFileDialog*>(open);
        ASSERT_NE(fileDialog, nullptr);
        EXPECT_EQ(fileDialog->fileMode(), QFileDialog::ExistingFile);
        fileDialog->selectFile(QString::fromStdString(photo));
        static_cast<QDialog*>(fileDialog)->accept();
    });
    dialog.ShowSave();
    EXPECT_EQ(dialog.FileName,
              QDir::toNativeSeparators(QString::fromStdString(photo)).toStdString());

    test::whenDialogOpens([](QWidget* open) { qobject_cast<QDialog*>(open)->reject(); });
    dialog.ShowSave();
    EXPECT_EQ(dialog.FileName, "");
}

TEST_F(QtControlsTest, MessageBoxIsAWarningWithOkAndCancel) {
    QWidget owner;
    QtDialogs dialogs(&owner);
    test::whenDialogOpens([](QWidget* open) {
        auto* box = qobject_cast<QMessageBox*>(open);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), "系统提示");
        EXPECT_EQ(box->text(), "所查询的学生不存在，请重新输入");
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
        box->button(QMessageBox::Cancel)->click();
    });
    dialogs.MsgBox("所查询的学生不存在，请重新输入", "系统提示");
}

TEST_F(QtControlsTest, InputBoxGivesTheTypedTextOrEmptyOnCancel) {
    QWidget owner;
    QtDialogs dialogs(&owner);
    test::whenDialogOpens([](QWidget* open) {
        auto* input = qobject_cast<QInputDialog*>(open);
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(input->labelText(), "请输入需要查询的学生姓名：");
        input->setTextValue(" 李娜");
        input->accept();
    });
    EXPECT_EQ(dialogs.InputBox("请输入需要查询的学生姓名：", "系统提示"), " 李娜");

    test::whenDialogOpens([](QWidget* open) {
        auto* input = qobject_cast<QInputDialog*>(open);
        input->setTextValue("李娜");
        input->reject();
    });
    EXPECT_EQ(dialogs.InputBox("请输入需要查询的学生姓名：", "系统提示"), "");
}

TEST_F(QtControlsTest, AskGivesTheIndexOfTheClickedAnswer) {
    QWidget owner;
    QtDialogs dialogs(&owner);
    test::whenDialogOpens([](QWidget* open) {
        auto* box = qobject_cast<QMessageBox*>(open);
        ASSERT_NE(box, nullptr);
        ASSERT_EQ(box->buttons().size(), 3);
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == "保留两者") {
                button->click();
            }
        }
    });
    EXPECT_EQ(dialogs.ask("已有同名文件", "系统提示", {"替换", "保留两者", "取消"}), 1);
}

TEST_F(QtControlsTest, BusyShowsTheWaitCursorForTheScope) {
    QWidget owner;
    QtDialogs dialogs(&owner);
    {
        WaitCursor busy(dialogs);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace veltrana
