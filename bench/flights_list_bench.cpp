// kestrom-flights-bench: filling the Flights window's table from an archive of 1,000 flights.

#include "files/flight_archive.h"
#include "flight/generator.h"
#include "ui/flight_list_model.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <unistd.h>

namespace kestrom {
namespace {

constexpr int kFlights = 1000;

// An archive folder of kFlights downloads a minute apart; glideSeconds sets their length.
class ArchiveFolder {
public:
    explicit ArchiveFolder(const char* tag, double glideSeconds) {
        folder_ = std::filesystem::temp_directory_path() /
                  ("kestrom-flights-bench-" + std::to_string(::getpid()) + "-" + tag);
        const auto start = std::chrono::system_clock::now();
        for (int i = 0; i < kFlights; ++i) {
            GeneratorOptions options;
            options.seed = static_cast<std::uint32_t>(i + 1);
            options.competitor = static_cast<std::uint16_t>(i % 120 + 1);
            options.glideSeconds = glideSeconds;
            ok_ = ok_ && archiveFlight(folder_, FlightImage(generateFlight(options)),
                                       start + std::chrono::minutes(i))
                             .ok();
        }
    }
    ~ArchiveFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    const std::filesystem::path& path() const { return folder_; }
    bool ok() const { return ok_; }

private:
    std::filesystem::path folder_;
    bool ok_ = true;
};

void listInto(benchmark::State& state, const char* tag, double glideSeconds) {
    const ArchiveFolder archive(tag, glideSeconds);
    if (!archive.ok()) {
        state.SkipWithError("cannot write the archive");
        return;
    }
    ui::FlightListModel model;
    for (auto _ : state) {
        model.setRows(ui::listFlights(archive.path(), {}));
        benchmark::DoNotOptimize(model.rowCount());
    }
    state.counters["flights"] = static_cast<double>(model.rowCount());
}

// A contest flight of about 75 s at 10 samples a second (3 KB).
void listTypical(benchmark::State& state) { listInto(state, "typical", 60.0); }
// The longest flight a file holds: 33,000 bytes are read, 8,242 samples evaluated.
void listLongest(benchmark::State& state) { listInto(state, "longest", 1000.0); }

BENCHMARK(listTypical)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(listLongest)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace kestrom

BENCHMARK_MAIN();
