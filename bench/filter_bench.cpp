// Timing of the altitude filter on a full 16,999-point curve with the default parameters, against
// the plain form (windows summed point by point, restarts taken scan by scan).

#include "analysis/filter.h"
#include "analysis/filter_plot.h"
#include "tests/analysis/plain_filter.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr std::size_t kPoints = kestrom::kCurveLength - 1;

// A long flight in cm: ground, climb, slow glide with noise, single spikes and one lasting jump.
std::vector<std::int32_t> benchCurve() {
    std::mt19937 random(42);
    std::uniform_int_distribution<std::int32_t> noise(-40, 40);
    std::vector<std::int32_t> curve(kPoints + 1);
    for (std::size_t i = 0; i < kPoints; ++i) {
        const auto t = static_cast<std::int32_t>(i);
        std::int32_t h = 0;
        if (i >= 100 && i < 260) {
            h = (t - 100) * 60; // 12 m/s at 20 samples per second
        } else if (i >= 260) {
            h = std::max(0, 9600 - (t - 260) * 3);
        }
        if (i % 997 == 500) {
            h += 1500; // spike
        }
        if (i >= 12000) {
            h += 800; // lasting jump
        }
        curve[i] = h + noise(random);
    }
    curve[kPoints] = kestrom::kCurveEndMark;
    return curve;
}

void BM_FilterAltitude(benchmark::State& state) {
    const std::vector<std::int32_t> curve = benchCurve();
    kestrom::FilterWork work;
    for (auto _ : state) {
        kestrom::loadFilterInput(work, curve);
        kestrom::FilterAltitude(work, kestrom::FilterParams{});
        benchmark::DoNotOptimize(work.filterWork.data());
    }
}
BENCHMARK(BM_FilterAltitude)->Unit(benchmark::kMillisecond);

// What the Filter button does: the filter plus the points and texts it shows.
void BM_FilterButton(benchmark::State& state) {
    const std::vector<std::int32_t> curve = benchCurve();
    kestrom::FilterWork work;
    for (auto _ : state) {
        benchmark::DoNotOptimize(kestrom::filterCurve(work, curve, {}, true, 200));
    }
}
BENCHMARK(BM_FilterButton)->Unit(benchmark::kMillisecond);

void BM_FilterAltitudePlain(benchmark::State& state) {
    const std::vector<std::int32_t> curve = benchCurve();
    kestrom::FilterWork work;
    for (auto _ : state) {
        kestrom::loadFilterInput(work, curve);
        kestrom::plain::filterAltitude(work, kestrom::FilterParams{});
        benchmark::DoNotOptimize(work.filterWork.data());
    }
}
BENCHMARK(BM_FilterAltitudePlain)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
