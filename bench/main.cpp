#include "bench/bench_support.h"

int main(int argc, char** argv) {
    veltrana::bench::benchDatabase();
    veltrana::bench::benchTree(argc, argv);
    veltrana::bench::benchStore();
    return 0;
}
