#include <QListView>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTreeView>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/form1.h"
#include "bench/bench_support.h"
#include "mkdb/mdb_writer.h"
#include "platform/qt/qt_tree.h"
#include "platform/utf8.h"
#include "tests/support/class_db.h"
#include "tree/node_click.h"

namespace veltrana::bench {

namespace {

namespace fs = std::filesystem;

constexpr int kStudents = 60;
constexpr int kPointsPerSubject = 1500;
constexpr int kFilesInFolder = 20000;

// Seconds of work on a fresh subject; making and dropping the subject stay outside the clock.
template <typename Make, typename Work>
double onFresh(Make make, Work work) {
    auto subject = make();
    return bestSeconds(1, [&] { work(*subject); });
}

// Seconds of processor time that this thread spends in f.
template <typename F>
double threadSeconds(F f) {
    timespec start{};
    timespec end{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    f();
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    return static_cast<double>(end.tv_sec - start.tv_sec) +
           static_cast<double>(end.tv_nsec - start.tv_nsec) * 1e-9;
}

// The toolkit's own tree: the same items appended under their parents in the order the start-up
// adds them, in a standard item model shown by a tree view.
struct BareTree {
    QStandardItemModel model;
    QTreeView view;
    BareTree() { view.setModel(&model); }
};

void insertBare(BareTree& bare, const std::vector<mkdb::TableData>& tables) {
    auto* root = new QStandardItem("班级");
    bare.model.appendRow(root);
    std::vector<QStandardItem*> students;
    for (const auto& row : tables[0].rows) {
        students.push_back(new QStandardItem(QString::fromStdString(text(row[1]))));
        root->appendRow(students.back());
    }
    std::vector<std::vector<QStandardItem*>> courses(students.size());
    for (std::size_t s = 0; s < students.size(); ++s) {
        for (const auto& row : tables[1].rows) {
            courses[s].push_back(new QStandardItem(QString::fromStdString(text(row[1]))));
            students[s]->appendRow(courses[s].back());
        }
    }
    for (std::size_t k = 0; k < 6; ++k) {
        for (std::size_t s = 0; s < students.size(); ++s) {
            for (const auto& row : tables[2 + k].rows) {
                courses[s][k]->appendRow(new QStandardItem(QString::fromStdString(text(row[1]))));
            }
        }
    }
}

}  // namespace

void benchTree() {
    QTemporaryDir dir;
    const std::string appPath = dir.path().toStdString();

    std::vector<std::string> names;
    for (int i = 1; i <= kStudents; ++i) {
        names.push_back("学生" + std::to_string(100 + i));
    }
    auto tables = test::classTables(names, kPointsPerSubject);
    test::writeClassDb(appPath, tables);
    const int nodes = 1 + kStudents * (1 + 6 + 6 * kPointsPerSubject);

    // Ours and the baseline take turns, so a busy moment of the machine hits both alike. Half a
    // million fresh allocations make single runs swing by a factor of two on a virtual machine;
    // the fastest of nine is what each side costs when the memory system is not in the way.
    double ours = 1e300;
    double bare = 1e300;
    for (int run = 0; run < 9; ++run) {
        ours = std::min(ours, onFresh([&] { return std::make_unique<Form1>(appPath); },
                                      [&](Form1& form1) { form1.load(); }));
        bare = std::min(bare, onFresh([] { return std::make_unique<BareTree>(); },
                                      [&](BareTree& tree) { insertBare(tree, tables); }));
    }
    report("tree_vs_bare_insert", ours, bare);

    // A knowledge point whose folder holds twenty thousand files.
    auto window = std::make_unique<Form1>(appPath);
    window->load();
    int built = window->findChild<QtTreeView*>("TreeView1")->keyedModel().tree().size();
    if (built != nodes) {
        std::fprintf(stderr, "tree_vs_bare_insert: the start-up built %d of %d nodes\n", built,
                     nodes);
    }
    fs::path folder = utf8Path(appPath + "/Data/" + names[0] + "/语文/语文知识点1");
    fs::create_directories(folder);
    for (int i = 0; i < kFilesInFolder; ++i) {
        std::ofstream(folder / ("作业" + std::to_string(i) + ".jpg"));
    }
    Form& form = window->form();
    form.TreeView1.select("孙1_1_1");
    double click = 1e300;
    double listing = 1e300;
    std::size_t listedFiles = 0;
    // A listing takes some tens of milliseconds, which the other programs of a busy machine
    // stretch at will: each side counts the processor time of this thread only, the fastest of
    // nine.
    for (int run = 0; run < 9; ++run) {
        click = std::min(click, threadSeconds([&] { TreeView1_NodeClick(form); }));
        listing = std::min(listing, threadSeconds([&] {
                               std::vector<std::string> files;
                               for (const auto& entry : fs::directory_iterator(folder)) {
                                   files.push_back(entry.path().filename().string());
                               }
                               listedFiles = files.size();
                           }));
    }
    auto* list = window->findChild<QListView*>("List1");
    if (list->model()->rowCount() != kFilesInFolder || listedFiles != kFilesInFolder) {
        std::fprintf(stderr, "click_vs_listing: listed %d and %zu of %d files\n",
                     list->model()->rowCount(), listedFiles, kFilesInFolder);
    }
    report("click_vs_listing", click, listing);
}

}  // namespace veltrana::bench
