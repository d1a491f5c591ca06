// kestrom-archive-bench: listing an archive of 1,000 flights, as the Flights window and
// kestrom-cli archive do, and storing one download in it.

#include "files/flight_archive.h"
#include "flight/generator.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <unistd.h>

namespace kestrom {
namespace {

namespace fs = std::filesystem;

constexpr int kFlights = 1000;

// The longest flight the curves can show (16,999 samples at 20 per second, 68,032 bytes), so
// the listing's figure is its worst case: every file is read and evaluated to its end.
std::vector<std::uint8_t> longFlight(std::uint32_t seed) {
    GeneratorOptions o;
    o.seed = seed;
    o.rateCode = 0;
    o.glideSeconds = 900;
    o.glideSinkMps = 0.08;
    o.maxSamples = 16999;
    o.competitor = static_cast<std::uint16_t>(seed % 50);
    return generateFlight(o);
}

fs::path benchFolder(const char* what) {
    return fs::temp_directory_path() /
           ("kestrom-archive-bench-" + std::string(what) + "-" + std::to_string(::getpid()));
}

void listThousandFlights(benchmark::State& state) {
    const fs::path folder = benchFolder("list");
    fs::remove_all(folder);
    const auto start = std::chrono::system_clock::from_time_t(1796740212);
    for (int i = 0; i < kFlights; ++i) {
        // Four flights a minute over a long season of contests.
        const FlightImage image(longFlight(static_cast<std::uint32_t>(i + 1)));
        if (!archiveFlight(folder, image, start + std::chrono::seconds(15 * i))) {
            state.SkipWithError("cannot fill the archive");
            return;
        }
    }
    for (auto _ : state) {
        const Result<std::vector<FlightSummary>> list = listArchive(folder);
        if (!list || list.value->size() != kFlights) {
            state.SkipWithError("the listing is incomplete");
            break;
        }
        benchmark::DoNotOptimize(list.value->back().maxAltitude);
    }
    fs::remove_all(folder);
}
BENCHMARK(listThousandFlights)->Unit(benchmark::kMillisecond)->UseRealTime();

// One download kept: folder check, exclusive create, write and fsync of 68 kB.
void archiveOneFlight(benchmark::State& state) {
    const fs::path folder = benchFolder("store");
    fs::remove_all(folder);
    const FlightImage image(longFlight(1));
    auto when = std::chrono::system_clock::from_time_t(1796740212);
    for (auto _ : state) {
        when += std::chrono::seconds(1);
        if (!archiveFlight(folder, image, when)) {
            state.SkipWithError("cannot write");
            break;
        }
    }
    fs::remove_all(folder);
}
BENCHMARK(archiveOneFlight)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace kestrom

BENCHMARK_MAIN();
