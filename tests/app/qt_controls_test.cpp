#include "platform/qt/qt_controls.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextDocument>
#include <filesystem>

#include "app/qt_test_support.h"
#include "platform/error.h"
#include "platform/qt/qt_dialogs.h"
#include "support/access_files.h"
#include "support/fakes.h"
#include "support/photos.h"

namespace veltrana {
namespace {

class QtControlsTest : public ::testing::Test {
protected:
    std::string writePicture(const QString& name, QColor colour, QSize size = {40, 10}) const {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        EXPECT_TRUE(image.save(dir.filePath(name)));
        return dir.filePath(name).toStdString();
    }

    QTemporaryDir dir;
    QWidget owner;
    QtFileDialog fileDialog{&owner};
    QtDialogs dialogs{&owner};
};

TEST_F(QtControlsTest, PictureFillsTheControlAndOneThatCannotLoadKeepsTheOld) {
    QtPictureBox box;
    box.resize(100, 50);
    box.loadPicture(writePicture("wide.png", Qt::red, {400, 10}));
    QImage shown = box.grab().toImage();
    EXPECT_EQ(shown.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(99, 49), QColor(Qt::red));

    QFile notPicture(dir.filePath("notes.png"));
    ASSERT_TRUE(notPicture.open(QIODevice::WriteOnly));
    notPicture.write("not a picture at all");
    notPicture.close();
    std::string truncated = dir.filePath("IMG_0002.JPG").toStdString();
    test::writePhoto(truncated, test::quarters({64, 48}), 6);
    std::filesystem::resize_file(truncated, 400);  // the copy broke off in the header
    for (auto [path, number] : {std::pair{notPicture.fileName(), err::kInvalidPicture},
                                std::pair{QString::fromStdString(truncated), err::kInvalidPicture},
                                std::pair{dir.filePath("missing.jpg"), err::kFileNotFound},
                                std::pair{dir.path(), err::kFileNotFound}}) {
        std::string file = path.toStdString();
        EXPECT_TRUE(test::failsWith([&] { box.loadPicture(file); }, number, {file}));
        EXPECT_EQ(box.picture().pixelColor(0, 0), QColor(Qt::red));
    }
    box.clearPicture();
    EXPECT_TRUE(box.picture().isNull());
}

// A caption longer than the label, with names that look like markup: the label shows it as it
// is, and the whole of it is in the tooltip and in a selection.
TEST_F(QtControlsTest, LabelCaptionIsLiteralAndWholeInTooltipAndSelection) {
    QtLabel label;
    label.resize(80, 20);
    const std::string caption = "班级\\a<b>c</b>\\数学\\x<sub>2</sub> 与 &lt; 的很长很长很长的路径";
    label.setCaption(caption);
    EXPECT_EQ(label.Caption(), caption);
    EXPECT_GT(label.heightForWidth(label.width()), label.height());  // cut off

    label.setSelection(0, static_cast<int>(QString::fromStdString(caption).size()));
    EXPECT_EQ(label.selectedText().toStdString(), caption);
    QTextDocument tip;
    tip.setHtml(label.toolTip());
    EXPECT_EQ(tip.toPlainText().toStdString(), caption);

    label.setCaption("");
    EXPECT_TRUE(label.toolTip().isEmpty());
}

TEST_F(QtControlsTest, PhotoShowsUprightAtTheSizeOfTheControl) {
    QtPictureBox box;
    box.resize(160, 90);
    for (int orientation = 0; orientation <= 8; ++orientation) {
        std::string photo = dir.filePath("IMG_000%1.JPG").arg(orientation).toStdString();
        test::writePhoto(photo, test::quarters({64, 48}), orientation);
        box.loadPicture(photo);
        EXPECT_EQ(box.picture().size(), box.size()) << orientation;
        EXPECT_TRUE(test::showsQuartersUpright(box.picture())) << orientation;
    }

    // A 12-megapixel portrait shot, and one of a phone's 50-megapixel mode, which a whole decode
    // would need more memory for than the toolkit allows an image.
    std::string portrait = dir.filePath("IMG_0012.JPG").toStdString();
    test::writePhoto(portrait, test::quarters({4000, 3000}), 6);
    std::string huge = dir.filePath("IMG_0050.jpg").toStdString();
    test::writePhoto(huge, test::quarters({8000, 6000}), 1, 50);
    for (const std::string& photo : {portrait, huge}) {
        box.loadPicture(photo);
        EXPECT_EQ(box.picture().size(), box.size()) << photo;
        EXPECT_TRUE(test::showsQuartersUpright(box.picture())) << photo;
    }
}

TEST_F(QtControlsTest, OpenDialogStartsInThePresetFolderAndSaveGivesTheChosenFileOrNothing) {
    if (test::underWine()) {
        GTEST_SKIP() << "Qt's own file dialog hangs listing Wine's drives";
    }
    fileDialog.FileName = QDir::toNativeSeparators(dir.path()).toStdString() + "/*.*";
    std::string preset = fileDialog.FileName;
    test::whenDialogOpens([&](QWidget* open) {
        auto* shown = qobject_cast<QFileDialog*>(open);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->directory().absolutePath(), QDir(dir.path()).absolutePath());
        EXPECT_FALSE(shown->nameFilters().join(";").contains("*.*"));
        shown->reject();
    });
    fileDialog.ShowOpen();
    EXPECT_EQ(fileDialog.FileName, preset);

    std::vector<std::string> photos{writePicture("IMG_0001.JPG", Qt::green),
                                    writePicture("IMG_0002.JPG", Qt::blue)};
    test::whenDialogOpens([&](QWidget* open) {
        auto* shown = qobject_cast<QFileDialog*>(open);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(shown->fileMode(), QFileDialog::ExistingFiles);
        shown->findChild<QLineEdit*>("fileNameEdit")->setText(R"("IMG_0001.JPG" "IMG_0002.JPG")");
        static_cast<QDialog*>(shown)->accept();
    });
    fileDialog.ShowSave();
    EXPECT_EQ(fileDialog.FileNames, photos);
    EXPECT_EQ(fileDialog.FileName, photos.front());

    test::whenDialogOpens([](QWidget* open) { qobject_cast<QDialog*>(open)->reject(); });
    fileDialog.ShowSave();
    EXPECT_EQ(fileDialog.FileName, "");
    EXPECT_TRUE(fileDialog.FileNames.empty());
}

TEST_F(QtControlsTest, DialogsGiveTheAnswersAndBusyShowsTheWaitCursorForTheScope) {
    test::whenDialogOpens([](QWidget* open) {
        auto* box = qobject_cast<QMessageBox*>(open);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), "系统提示");
        EXPECT_EQ(box->text(), "错误：53文件未找到：x<sub>2</sub>.jpg");
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
        box->button(QMessageBox::Cancel)->click();
    });
    dialogs.MsgBox("错误：53文件未找到：x<sub>2</sub>.jpg", "系统提示");

    test::whenDialogOpens([](QWidget* open) {
        auto* box = qobject_cast<QMessageBox*>(open);
        ASSERT_NE(box, nullptr);
        ASSERT_EQ(box->buttons().size(), 3);
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == "保留两者") {
                button->click();
            }
        }
    });
    EXPECT_EQ(dialogs.ask("已有同名文件“a<b>c</b>.jpg”", "系统提示", {"替换", "保留两者", "取消"}),
              1);

    for (bool accept : {true, false}) {
        test::whenDialogOpens([accept](QWidget* open) {
            auto* input = qobject_cast<QInputDialog*>(open);
            ASSERT_NE(input, nullptr);
            EXPECT_EQ(input->labelText(), "请输入需要查询的学生姓名：");
            input->setTextValue(" 李娜");
            accept ? input->accept() : input->reject();
        });
        EXPECT_EQ(dialogs.InputBox("请输入需要查询的学生姓名：", "系统提示"),
                  accept ? " 李娜" : "");
    }
    {
        WaitCursor busy(dialogs);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(QtControlsTest, ProgressShowsOnlyForLongWorkAndItsButtonStopsIt) {
    auto describe = [] { return std::string("正在生成文件夹：已检查 5 / 10 个"); };
    {
        auto shortWork = dialogs.progress("系统提示", "停止");
        for (long done = 1; done <= 1000; ++done) {
            EXPECT_TRUE(shortWork->update(done, 1000, describe));
        }
        EXPECT_EQ(owner.findChild<QProgressDialog*>(), nullptr);
    }

    QtDialogs longWork(&owner, 0);  // as if a second had passed already
    auto progress = longWork.progress("系统提示", "停止");
    EXPECT_TRUE(progress->update(5, 10, describe));
    auto* shown = owner.findChild<QProgressDialog*>();
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(shown->windowTitle(), "系统提示");
    EXPECT_EQ(shown->labelText(), "正在生成文件夹：已检查 5 / 10 个");
    EXPECT_EQ(shown->windowModality(), Qt::WindowModal);
    EXPECT_EQ(shown->value(), 5);
    EXPECT_EQ(shown->maximum(), 10);
    auto* stop = shown->findChild<QPushButton*>();
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(stop->text(), "停止");
    stop->click();
    EXPECT_FALSE(progress->update(6, 10, describe));
    progress.reset();
    EXPECT_EQ(owner.findChild<QProgressDialog*>(), nullptr);
}

}  // namespace
}  // namespace veltrana
