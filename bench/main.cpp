#include <QApplication>

#include "bench/bench_support.h"

int main(int argc, char** argv) {
    // The window's parts are measured without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The preview goes first: the tree benchmark leaves hundreds of megabytes free in the heap,
    // where a whole decode would then find its 48 MB image already mapped, which the window's far
    // smaller heap never offers it.
    veltrana::bench::benchPreview();
    veltrana::bench::benchSort();
    veltrana::bench::benchDatabase();
    veltrana::bench::benchTree();
    veltrana::bench::benchStore();
    veltrana::bench::benchPhone();
    return 0;
}
