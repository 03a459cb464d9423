#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "app/sort_window.h"
#include "bench/bench_support.h"
#include "platform/fs/std_file_system.h"
#include "platform/qt/qt_controls.h"
#include "tests/support/photos.h"

namespace veltrana::bench {

void benchSort() {
    // Forty phone photos of 12 megapixels in 待整理, to be filed into one knowledge point.
    QTemporaryDir dir;
    const std::string app = dir.path().toStdString();
    const std::string inbox = inboxFolder(app);
    std::filesystem::create_directories(app + "/Data/学生1/物理/力学");
    std::filesystem::create_directories(inbox);
    const std::string first = inbox + "/IMG_1000.JPG";
    test::writePhoto(first, photoContent({4000, 3000}), 6);
    constexpr int kPhotos = 40;
    for (int i = 1; i < kPhotos; ++i) {
        QFile::copy(QString::fromStdString(first),
                    QString::fromStdString(inbox + "/IMG_" + std::to_string(1000 + i) + ".JPG"));
    }
    SortCatalogue catalogue;
    catalogue.nodes.students.push_back({"学生1", "学生1"});
    catalogue.nodes.courses.push_back({{"物理", "物理"}, {{"力学", "力学"}}});
    catalogue.nodes.student = catalogue.nodes.course = catalogue.nodes.point = 0;
    catalogue.studentIds = {"1"};
    StdFileSystem files;
    SortWindow window(files, catalogue, app, [](const std::string&) {});
    window.show();
    window.openInbox();
    QWidget* typing = window.findChild<QLineEdit*>("Student");
    const QSize previewSize = window.findChild<QLabel*>("Preview")->size();

    // The baseline first, while the photo is still in 待整理.
    double decode = 1e300;
    for (int run = 0; run < 5; ++run) {
        decode =
            std::min(decode, bestSeconds(1, [&] {
                         QString error;
                         decodeUpright(QString::fromStdString(first), previewSize, true, error);
                     }));
    }
    // From Enter to the next photo shown, the median of the filings; the teacher looks at each
    // photo for a moment, while the ones after it are decoded (outside the clock).
    std::vector<double> took;
    for (int i = 0; i + 1 < kPhotos; ++i) {
        QThreadPool::globalInstance()->waitForDone();
        took.push_back(bestSeconds(1, [&] { QTest::keyClick(typing, Qt::Key_Return); }));
    }
    std::ranges::sort(took);
    const double ours = took[took.size() / 2];
    if (window.session()->current() + 1 != kPhotos) {
        std::fprintf(stderr, "sort_next_vs_decode: only %zu photos filed\n",
                     window.session()->current());
    }
    report("sort_next_vs_decode", ours, decode);
}

}  // namespace veltrana::bench
