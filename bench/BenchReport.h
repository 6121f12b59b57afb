// What every benchmark shares: a monotonic clock, and figures printed as Markdown table rows
// (median of repeated runs with min and max, and the goal when there is one), which scripts/bench
// collects into bench/RESULTS.md. Ratios are taken pair by pair: sample i of one side against
// sample i of the other, taken next to each other in alternating order.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace Bench {

inline double Seconds() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency;
}

// Seconds that `work` takes.
inline double Time(const std::function<void()>& work) {
    const double start = Seconds();
    work();
    return Seconds() - start;
}

struct Figure {
    double median = 0;
    double min = 0;
    double max = 0;
};

inline Figure Summarise(std::vector<double> samples) {
    if (samples.empty()) {
        return {};
    }
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples.front(), samples.back()};
}

// Both sides' samples and their pairwise ratios (ours / reference).
struct Pairs {
    std::vector<double> ours;
    std::vector<double> reference;
    std::vector<double> ratios;
};

// `count` pairs of runs, the order alternating so neither side always runs on a warmer cache.
// `prepare` (untimed) runs before every timed run; each run returns its own figure.
inline Pairs Alternate(int count, const std::function<double()>& ours, const std::function<double()>& reference,
                       const std::function<void()>& prepare = {}) {
    Pairs pairs;
    auto run = [&](const std::function<double()>& side) {
        if (prepare) {
            prepare();
        }
        return side();
    };
    for (int i = 0; i < count; ++i) {
        double a = 0;
        double b = 0;
        if (i % 2 == 0) {
            a = run(ours);
            b = run(reference);
        } else {
            b = run(reference);
            a = run(ours);
        }
        pairs.ours.push_back(a);
        pairs.reference.push_back(b);
        pairs.ratios.push_back(b > 0 ? a / b : 0);
    }
    return pairs;
}

inline void Table(const char* title, const char* note) {
    std::printf("\n## %s\n\n%s\n\n| Measure | Median | Min | Max | Goal |\n|---|--:|--:|--:|---|\n", title, note);
}

// One row; `scale` turns samples into `unit` (1e6 for seconds as µs). A goal of 0 is none; a goal
// is met when the median is at most the goal.
inline void Row(const char* what, const std::vector<double>& samples, double scale, const char* unit, double goal = 0) {
    const Figure f = Summarise(samples);
    auto value = [&](double v) {
        v *= scale;
        std::printf(" %.*f %s |", v >= 100 ? 0 : (v >= 10 ? 1 : 2), v, unit);
    };
    std::printf("| %s |", what);
    value(f.median);
    value(f.min);
    value(f.max);
    if (goal > 0) {
        std::printf(" ≤ %g %s: %s |\n", goal, unit, f.median * scale <= goal ? "met" : "**missed**");
    } else {
        std::printf(" |\n");
    }
}

} // namespace Bench
