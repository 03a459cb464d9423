#pragma once

#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

class QImage;
class QSize;

namespace veltrana::bench {

// A phone's photo of a page as the JPEG encoder sees it: smooth colour, shapes and sensor noise;
// the same every run.
QImage photoContent(QSize size);

// Seconds of the fastest of `runs` runs of f; the fastest run is the one least disturbed by
// whatever else the machine was doing.
template <typename F>
double bestSeconds(int runs, F&& f) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        f();
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

// Prints our time beside the baseline's, then the line that scripts read.
inline void report(const std::string& name, double ours, double baseline) {
    std::printf("%-24s ours %.4f s, baseline %.4f s\n", name.c_str(), ours, baseline);
    std::printf("ratio %s %.3f\n", name.c_str(), ours / baseline);
    std::fflush(stdout);
}

// A photo's content for the JPEG encoder: smooth colour, shapes and sensor noise, the same every
// run (bench_preview.cpp).
QImage photoContent(QSize size);

// Each file of the benchmark runs its own measurements; the window's run under the application
// object that main makes.
void benchDatabase();
void benchTree();
void benchStore();
void benchPhone();
void benchPreview();
void benchReport();
void benchSort();

}  // namespace veltrana::bench
