#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "bench/bench_support.h"
#include "db/connection.h"
#include "mkdb/mdb_writer.h"
#include "platform/mdb/mdb_connection.h"
#include "platform/qt/qt_dialogs.h"
#include "store/new_folder.h"
#include "store/upload.h"
#include "tests/support/class_db.h"
#include "tests/support/fakes.h"

namespace veltrana::bench {

namespace {

constexpr int kStudents = 60;
constexpr int kPointsPerSubject = 300;
constexpr int kRuns = 3;
constexpr int kPhotos = 40;
constexpr std::size_t kPhotoBytes = 4 << 20;
constexpr int kUploadRuns = 5;

// The folders of the class in the order the generation makes them: the plain loops below go
// over exactly these paths.
std::vector<std::string> layoutOf(const std::string& data,
                                  const std::vector<mkdb::TableData>& tables) {
    std::vector<std::string> paths{data};
    std::vector<std::string> students;
    for (const auto& row : tables[0].rows) {
        students.push_back(data + kSeparator + text(row[1]));
        paths.push_back(students.back());
    }
    for (const std::string& student : students) {
        for (const auto& row : tables[1].rows) {
            paths.push_back(student + kSeparator + text(row[1]));
        }
    }
    for (std::size_t k = 0; k < 6; ++k) {
        for (const std::string& student : students) {
            for (const auto& row : tables[2 + k].rows) {
                paths.push_back(student + kSeparator + text(tables[1].rows[k][1]) + kSeparator +
                                text(row[1]));
            }
        }
    }
    return paths;
}

// The folders go to memory where the system offers it: on a disk, the journal's writeback makes
// two identical runs of mkdir differ by a factor of two and more, which would drown the cost of
// the handler itself. In memory the file system is at its fastest, so the ratio is the strictest.
std::string memoryFolder() {
    std::error_code ec;
    return std::filesystem::is_directory("/dev/shm", ec) && ::access("/dev/shm", W_OK) == 0
               ? "/dev/shm"
               : "";
}

// Forty 4 MB photos as a phone takes them, in a folder on the disk where the system keeps
// temporary files (the flush is the point, so not in memory).
struct Photos {
    Photos() {
        std::mt19937 random(7);
        std::string bytes(kPhotoBytes, '\0');
        for (int i = 1; i <= kPhotos; ++i) {
            for (char& byte : bytes) {
                byte = static_cast<char>(random());  // as little to compress as a JPEG
            }
            paths.push_back(dir.path() + "/DCIM/IMG_" + std::to_string(1000 + i) + ".JPG");
            test::writeFile(paths.back(), bytes);
        }
    }
    // The baseline: copying each photo into an empty folder and flushing it, nothing more.
    double plainCopySeconds() const {
        const std::string plain = dir.path() + "/plain";
        emptyFolder(plain);
        return bestSeconds(1, [&] {
            for (const std::string& photo : paths) {
                std::string to = plain + photo.substr(photo.rfind('/'));
                std::filesystem::copy_file(photo, to);
                int file = ::open(to.c_str(), O_WRONLY);
                ::fsync(file);
                ::close(file);
            }
        });
    }
    static void emptyFolder(const std::string& folder) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }

    test::TempDir dir;
    std::vector<std::string> paths;
    const std::string node = dir.path() + "/Data/学生1/物理/力学";
};

// The forty photos picked at once in the upload's dialog.
void benchUpload(const Photos& photos) {
    test::FakeDataAccess noDatabase;
    test::FakeWindow window(photos.dir.path(), noDatabase);
    window.label3.caption = "班级\\学生1\\物理\\力学";
    window.form.selectedPath = photos.node;
    double ours = 1e300;
    double copies = 1e300;
    for (int run = 0; run < kUploadRuns; ++run) {
        Photos::emptyFolder(photos.node);
        window.fileDialog.saveAnswers.push_back(photos.paths);
        ours = std::min(ours, bestSeconds(1, [&] { Command1_Click(window.form); }));
        copies = std::min(copies, photos.plainCopySeconds());
    }
    if (test::filesIn(photos.node).size() != photos.paths.size() ||
        !window.dialogs.messages.empty()) {
        std::fprintf(stderr, "upload_many_vs_copy: the upload copied %zu of %zu files\n",
                     test::filesIn(photos.node).size(), photos.paths.size());
    }
    report("upload_many_vs_copy", ours, copies);
}

}  // namespace

void benchStore() {
    test::TempDir dir(memoryFolder());
    std::vector<std::string> names;
    for (int i = 1; i <= kStudents; ++i) {
        names.push_back("学生" + std::to_string(100 + i));
    }
    auto tables = test::classTables(names, kPointsPerSubject);
    test::writeClassDb(dir.path(), tables);
    const std::string data = dir.path() + kSeparator + "Data";
    const std::vector<std::string> paths = layoutOf(data, tables);

    MdbDataAccess accessFiles;
    test::FakeWindow window(dir.path(), accessFiles);
    // The run reports its progress to the window's own display, as it does for the teacher.
    QtDialogs windowDialogs(nullptr);
    Form form{window.tree,
              window.list,
              window.picture,
              window.label1,
              window.label2,
              window.label3,
              window.fileDialog,
              windowDialogs,
              accessFiles,
              window.files,
              window.shell,
              window.tool,
              dir.path(),
              {},
              {},
              {},
              {},
              {}};
    DB_Connect_Click(form);
    auto emptyData = [&] { std::filesystem::remove_all(data); };

    double ours = 1e300;
    double mkdirs = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        emptyData();
        ours = std::min(ours, bestSeconds(1, [&] { NewFolder_Click(form); }));
        emptyData();
        mkdirs = std::min(mkdirs, bestSeconds(1, [&] {
                              for (const std::string& path : paths) {
                                  ::mkdir(path.c_str(), 0777);
                              }
                          }));
    }
    emptyData();
    window.files.foldersCreated = 0;
    NewFolder_Click(form);
    if (window.files.foldersCreated != static_cast<int>(paths.size())) {
        std::fprintf(stderr, "folders_vs_mkdir: the generation made %d of %zu folders\n",
                     window.files.foldersCreated, paths.size());
    }
    report("folders_vs_mkdir", ours, mkdirs);

    double rerun = bestSeconds(kRuns, [&] { NewFolder_Click(form); });
    double stats = bestSeconds(kRuns, [&] {
        struct stat info;
        for (const std::string& path : paths) {
            ::stat(path.c_str(), &info);
        }
    });
    report("folders_rerun_vs_stat", rerun, stats);
    Photos photos;
    benchUpload(photos);
}

}  // namespace veltrana::bench
