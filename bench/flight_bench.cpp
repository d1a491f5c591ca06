// kestrom-bench: loading, evaluating and exporting a 17,000-sample flight.

#include "files/measurement_file.h"
#include "files/text_export.h"
#include "flight/evaluation.h"
#include "flight/flight_record.h"
#include "flight/generator.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <unistd.h>

namespace kestrom {
namespace {

constexpr std::uint32_t kSamples = 17000;

// A long flight at 20 samples per second, cut to 17,000 samples (850 s).
std::vector<std::uint8_t> longFlight(double noiseCounts = 2.0) {
    GeneratorOptions o;
    o.noiseCounts = noiseCounts;
    o.rateCode = 0;
    o.glideSeconds = 900;
    o.glideSinkMps = 0.08;
    o.maxSamples = kSamples;
    o.endMarker = false;
    return generateFlight(o);
}

// Reading a measurement file (up to 90,000 bytes) and applying its header.
void loadFile(benchmark::State& state) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("kestrom-bench-" + std::to_string(::getpid()) + ".bin");
    if (!writeMeasurementFile(file, FlightImage(longFlight()))) {
        state.SkipWithError("cannot write the flight file");
        return;
    }
    for (auto _ : state) {
        Result<FlightImage> image = readMeasurementFile(file);
        FlightRecord record;
        setFlightImage(record, std::move(*image.value));
        benchmark::DoNotOptimize(record.wordCount);
    }
    std::filesystem::remove(file);
}
BENCHMARK(loadFile)->Unit(benchmark::kMicrosecond);

// Taking a 17,000-sample image (as a download delivers it) into a flight record.
void takeImage(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = longFlight();
    for (auto _ : state) {
        FlightRecord record;
        setFlightImage(record, FlightImage(bytes));
        benchmark::DoNotOptimize(record.wordCount);
    }
}
BENCHMARK(takeImage)->Unit(benchmark::kMicrosecond);

// The whole evaluation of 17,000 samples (cut to the arrays' 16,999), with the dh/dt view on.
void evaluate(benchmark::State& state) {
    FlightRecord record;
    setFlightImage(record, FlightImage(longFlight()));
    for (auto _ : state) {
        evaluateRecord(record, true);
        benchmark::DoNotOptimize(record.evaluation.maxAltitude);
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
}
BENCHMARK(evaluate)->Unit(benchmark::kMicrosecond);

// The worst case for the conversion: raw pressure noise of +-300 counts, so that hardly any raw
// word pair repeats.
void evaluateNoisy(benchmark::State& state) {
    FlightRecord record;
    setFlightImage(record, FlightImage(longFlight(300.0)));
    for (auto _ : state) {
        evaluateRecord(record, true);
        benchmark::DoNotOptimize(record.evaluation.maxAltitude);
    }
    state.SetItemsProcessed(state.iterations() * kSamples);
}
BENCHMARK(evaluateNoisy)->Unit(benchmark::kMicrosecond);

// The bytes of the text export of the evaluated flight.
void exportText(benchmark::State& state) {
    FlightRecord record;
    setFlightImage(record, FlightImage(longFlight()));
    evaluateRecord(record, false);
    for (auto _ : state) {
        Result<std::string> text =
            textExportBytes(record.evaluation.altitudeCm, record.evaluation.lastPointIndex, '.');
        benchmark::DoNotOptimize(text.value->data());
    }
}
BENCHMARK(exportText)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace kestrom

BENCHMARK_MAIN();
