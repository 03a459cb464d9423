#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <chrono>
#include <filesystem>

#include "app/report_pdf.h"
#include "bench/bench_support.h"
#include "model/folder_name.h"
#include "report/overview.h"
#include "tests/support/fakes.h"
#include "tests/support/photos.h"

namespace veltrana::bench {

namespace {

Entry entry(const std::string& id, const std::string& name) {
    return {id, name, folderNameFor(name)};
}

// 50 students, 6 courses of 40 knowledge points each, with their folders; every tenth node holds
// 10 files.
ClassModel bigClass(const std::string& appPath) {
    ClassModel model;
    model.courseField = "Coursesli";
    for (int s = 1; s <= 50; ++s) {
        model.students.rows.push_back(entry(std::to_string(s), "学生" + std::to_string(s)));
    }
    const char* courses[] = {"语文", "数学", "英语", "物理", "化学", "生物"};
    for (int c = 1; c <= 6; ++c) {
        model.courses.rows.push_back(entry(std::to_string(c), courses[c - 1]));
        Subject subject{c, {courses[c - 1], {}, {}}};
        for (int p = 1; p <= 40; ++p) {
            subject.points.rows.push_back(entry(
                std::to_string(p), std::string(courses[c - 1]) + "知识点" + std::to_string(p)));
        }
        model.subjects.push_back(std::move(subject));
    }
    int node = 0;
    for (const Entry& student : model.students.rows) {
        for (std::size_t c = 0; c < 6; ++c) {
            for (const Entry& point : model.subjects[c].points.rows) {
                const std::filesystem::path folder =
                    utf8Path(pointFolder(appPath, student, model.courses.rows[c], point));
                std::filesystem::create_directories(folder);
                if (node++ % 10 == 0) {
                    for (int f = 0; f < 10; ++f) {
                        test::writeFile(utf8Text(folder / ("作业" + std::to_string(f) + ".jpg")));
                    }
                }
            }
        }
    }
    return model;
}

// The overview of every course against a plain walk of the same folders: all files, then those of
// the last 30 days, which takes each file's time on both sides.
void benchOverview() {
    test::TempDir dir;
    ClassModel model = bigClass(dir.path());
    StdFileSystem files;
    const auto now = std::chrono::system_clock::now();
    const TimeRange month{std::chrono::duration_cast<std::chrono::seconds>(
                              (now - std::chrono::hours(24 * 30)).time_since_epoch())
                              .count()};
    const auto cutoff = std::chrono::file_clock::from_sys(now - std::chrono::hours(24 * 30));
    for (bool ranged : {false, true}) {
        long counted = 0;
        double ours = bestSeconds(5, [&] {
            counted = 0;
            for (const Entry& course : model.courses.rows) {
                counted += Overview(files, dir.path(), model, course, ranged ? month : TimeRange())
                               .total();
            }
        });
        long walked = 0;
        double walk = bestSeconds(5, [&] {
            walked = 0;
            namespace fs = std::filesystem;
            for (const auto& student : fs::directory_iterator(utf8Path(dir.path() + "/Data"))) {
                for (const auto& course : fs::directory_iterator(student.path())) {
                    for (const auto& point : fs::directory_iterator(course.path())) {
                        for (const auto& file : fs::directory_iterator(point.path())) {
                            walked += file.is_regular_file() &&
                                      (!ranged || file.last_write_time() >= cutoff);
                        }
                    }
                }
            }
        });
        const char* name = ranged ? "overview_30_days_vs_walk" : "overview_vs_walk";
        if (counted != walked || counted != 12000) {
            std::fprintf(stderr, "%s: the overview counted %ld files, the walk %ld\n", name,
                         counted, walked);
        }
        report(name, ours, walk);
    }
}

// The size each photo is printed at, in pixels at 200 dots per inch: a portrait photo alone on
// its page at most 16 cm long, two landscape ones sharing one.
QSize printedPixels(QSize upright) {
    const QSizeF room = upright.height() > upright.width() ? QSizeF(160, 160) : QSizeF(180, 112);
    return (QSizeF(upright).scaled(room, Qt::KeepAspectRatio) * (200 / 25.4)).toSize();
}

void benchPdf() {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    // A 12-megapixel photo as phones store it, portrait shots sideways with their orientation; two
    // landscape shots, then two portrait ones.
    const QImage content = photoContent({4000, 3000});
    test::writePhoto(folder + "/landscape.jpg", content, 1);
    test::writePhoto(folder + "/portrait.jpg", content.transformed(QTransform().rotate(90)), 6);
    ReportSection section{"数学 · 函数的单调性", {}};
    for (int i = 0; i < 40; ++i) {
        const std::string name = "IMG_" + std::to_string(1000 + i) + ".JPG";
        std::filesystem::copy_file(
            utf8Path(folder + (i % 4 >= 2 ? "/portrait.jpg" : "/landscape.jpg")),
            utf8Path(folder + "/" + name));
        section.files.push_back({folder + "/" + name, name, 1796000000 + i * 60, true});
    }
    Report mistakes{"学生1 的错题集",
                    {"班级：理科，50 名学生", "学生：学生1", "时间：全部"},
                    {section},
                    "知识点",
                    "学生1-错题集-2026-12.pdf"};

    test::FakeDataAccess data;
    test::FakeWindow window(folder, data);
    std::uintmax_t size = 0;
    double ours = 1e300;
    double decode = 1e300;
    for (int run = 0; run < 3; ++run) {
        ours = std::min(ours, bestSeconds(1, [&] {
                            Exported written = writeReportPdfs(window.form, {mistakes});
                            size = std::filesystem::file_size(utf8Path(written.files.at(0)));
                            std::filesystem::remove(utf8Path(written.files.at(0)));
                        }));
        decode = std::min(
            decode, bestSeconds(1, [&] {
                for (const ReportFile& file : section.files) {
                    QImageReader reader(QString::fromStdString(file.path));
                    reader.setAutoTransform(true);
                    bool turned =
                        reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
                    QSize stored = reader.size();
                    QSize printed = printedPixels(turned ? stored.transposed() : stored);
                    reader.setScaledSize(turned ? printed.transposed() : printed);
                    if (reader.read().isNull()) {
                        std::fprintf(stderr, "pdf_vs_scaled_decode: unreadable\n");
                    }
                }
            }));
    }
    std::printf("pdf_of_40_photos: %.0f KB, %.0f KB a photo\n", size / 1024.0, size / 1024.0 / 40);
    report("pdf_vs_scaled_decode", ours, decode);
}

}  // namespace

void benchReport() {
    benchOverview();
    benchPdf();
}

}  // namespace veltrana::bench
