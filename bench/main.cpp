#include <QApplication>

#include "bench/bench_support.h"

int main(int argc, char** argv) {
    // The window's widgets and dialogs are measured too, with no screen needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    veltrana::bench::benchDatabase();
    veltrana::bench::benchTree();
    veltrana::bench::benchStore();
    return 0;
}
