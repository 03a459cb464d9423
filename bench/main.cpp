#include <QApplication>

#include "bench/bench_support.h"

int main(int argc, char** argv) {
    // The window's parts are measured without a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    veltrana::bench::benchDatabase();
    veltrana::bench::benchTree();
    veltrana::bench::benchStore();
    veltrana::bench::benchPreview();
    return 0;
}
