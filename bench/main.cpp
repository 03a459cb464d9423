#include <QApplication>
#include <string>

#include "bench/bench_support.h"

int main(int argc, char** argv) {
    // The window's parts are measured without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // "veltrana_bench report" runs one file's measurements alone.
    const std::string only = argc > 1 ? argv[1] : "";
    const auto wanted = [&only](const char* name) { return only.empty() || only == name; };
    // The preview goes first: the tree benchmark leaves hundreds of megabytes free in the heap,
    // where a whole decode would then find its 48 MB image already mapped, which the window's far
    // smaller heap never offers it.
    if (wanted("preview")) {
        veltrana::bench::benchPreview();
    }
    if (wanted("database")) {
        veltrana::bench::benchDatabase();
    }
    if (wanted("tree")) {
        veltrana::bench::benchTree();
    }
    if (wanted("store")) {
        veltrana::bench::benchStore();
    }
    if (wanted("phone")) {
        veltrana::bench::benchPhone();
    }
    if (wanted("report")) {
        veltrana::bench::benchReport();
    }
    if (wanted("sort")) {
        veltrana::bench::benchSort();
    }
    return 0;
}
