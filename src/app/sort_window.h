#pragma once

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QWidget>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "sort/sort_session.h"

namespace veltrana {

// "整理照片": a batch of photos shown one at a time, each filed by keyboard into a student's
// knowledge point. Letters typed pick the student (then, after Tab, the course and the knowledge
// point); Enter files, Space skips, Ctrl+Z undoes, ↑/↓ choose among the candidates or, with
// nothing typed, step through the roll call. A window of its own that can be resized and
// remembers nothing.
class SortWindow : public QWidget {
public:
    // filedInto is told of each folder that gained or lost a photo, so the main window can list
    // it again.
    SortWindow(FileSystem& fileSystem, SortCatalogue catalogue, std::string appPath,
               std::function<void(const std::string& folder)> filedInto, QWidget* parent = nullptr);
    ~SortWindow() override;

    // Starts a batch: the photos of the inbox (moved) or the files given (copied, or with move
    // moved).
    void openInbox();
    void openPhotos(const std::vector<std::string>& paths, bool move = false);

    const SortSession* session() const { return session_.get(); }
    // The picture shown, null while the photo cannot be decoded.
    const QImage& shownPicture() const { return shown_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum Field { kStudent, kCourse, kPoint };

    void start(std::vector<std::string> paths, bool move = false);
    bool onKey(Field field, int key, Qt::KeyboardModifiers modifiers);
    // Takes the highlighted candidate of a field with typed text; false when none fits.
    bool accept(Field field);
    void step(Field field, int by);
    void fileCurrent();
    void candidatesFor(Field field);
    void showCurrent();
    void say(const std::string& line);
    // The photo at the preview's size, and why not when it cannot be decoded.
    std::pair<QImage, QString> decoded(const std::string& path);
    void decodeAhead();

    FileSystem& fileSystem_;
    SortCatalogue catalogue_;
    std::string appPath_;
    std::function<void(const std::string&)> filedInto_;
    std::unique_ptr<SortSession> session_;
    std::vector<std::string> sources_;  // the batch as opened, for a new order

    QLabel* preview_;
    QLabel* position_;
    QListWidget* strip_;
    QLineEdit* fields_[3];
    QLabel* destination_;
    QListWidget* candidates_;
    QCheckBox* rollCall_;
    QLabel* status_;
    QImage shown_;
    // Photos decoded ahead at the preview's size, by path.
    std::map<std::string, std::shared_future<std::pair<QImage, QString>>> ahead_;
    QSize decodeSize_;
};

}  // namespace veltrana
