// A measurement file loaded from disk and taken as the recorder flight and as the comparison
// flight, each evaluated and filtered as the window does it: once with the default filter
// parameters and once with parameters from the file's last 16 bytes, so the fuzzer reaches the
// clamping too.

#include "analysis/compare_flight.h"
#include "analysis/filter_plot.h"
#include "analysis/temperature_entry.h"
#include "files/measurement_file.h"
#include "flight/flight_record.h"
#include "fuzz_support.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace kestrom;

using kestrom::fuzz::require;

std::int32_t int32At(const std::uint8_t* p) {
    return static_cast<std::int32_t>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                     std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
}

// A curve holds its points and then the end mark, within its fixed length.
void requireMarkedCurve(const std::vector<std::int32_t>& curve, std::size_t points) {
    require(curve.size() == kCurveLength, "curve.size() == kCurveLength");
    require(points < kCurveLength, "points < kCurveLength");
    require(std::find(curve.begin(), curve.end(), kCurveEndMark) != curve.end(),
            "an end mark in the curve");
}

void checkPlot(const std::optional<FilterPlot>& plot) {
    if (plot) {
        require(plot->filteredCm.size() == plot->filteredPoints.size(),
                "plot->filteredCm.size() == plot->filteredPoints.size()");
        require(plot->filteredCm.size() == plot->rawPoints.size(),
                "plot->filteredCm.size() == plot->rawPoints.size()");
        require(plot->minCm <= kFilterMinStartCm && plot->maxCm >= kFilterMaxStartCm,
                "plot->minCm <= kFilterMinStartCm && plot->maxCm >= kFilterMaxStartCm");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The bytes as a file on disk, loaded as the window loads it: up to 90,000 bytes, and
    // refused when shorter than a header.
    const std::filesystem::path path = kestrom::fuzz::inputAsFile("flight.bin", data, size);
    const Result<FlightImage> loaded = readMeasurementFile(path);
    const std::size_t used = std::min(size, kMaxFileReadBytes);
    if (used < kHeaderBytes) {
        require(loaded.status.kind == ErrorKind::TooShort, "a short file is refused as such");
        return 0;
    }
    require(loaded.ok(), "a file of a header or more loads");
    const std::vector<std::uint8_t>& bytes = loaded.value->bytes();
    require(bytes.size() == used && std::equal(bytes.begin(), bytes.end(), data),
            "the image is the file's first 90,000 bytes");

    std::vector<FilterParams> paramSets{FilterParams{}};
    if (size >= kHeaderBytes + 16) {
        const std::uint8_t* tail = data + size - 16;
        paramSets.push_back(
            {int32At(tail), int32At(tail + 4), int32At(tail + 8), int32At(tail + 12)});
    }
    FilterWork work;

    FlightRecord recorder;
    setFlightImage(recorder, FlightImage(bytes));
    for (const bool accelView : {true, false}) {
        if (evaluateRecord(recorder, accelView)) {
            const FlightEvaluation& e = recorder.evaluation;
            requireMarkedCurve(e.altitudeCm, e.pointCount());
            require(e.series2.size() <= e.series1.size(), "e.series2.size() <= e.series1.size()");
        }
    }
    // A temperature entry evaluates the same image again at another ground temperature.
    enterRecorderTemperature(recorder, "-40", true);
    for (const FilterParams& params : paramSets) {
        checkPlot(filterRecorderFlight(work, recorder.evaluation.altitudeCm, params,
                                       recorder.wordCount, recorder.rateTimes10));
    }

    CompareFlight compare;
    require(loadCompareFlight(compare, bytes, 310.0).ok(),
            "loadCompareFlight(compare, bytes, 310.0).ok()");
    if (compare.evaluated) {
        const CompareEvaluation& e = compare.evaluation;
        requireMarkedCurve(e.compareAltitudeCm, e.pointCount());
        require(e.leftAxisMax >= 310.0, "e.leftAxisMax >= 310.0");
    }
    enterCompareTemperature(compare, "45", compare.evaluation.leftAxisMax);
    for (const FilterParams& params : paramSets) {
        checkPlot(filterCompareFlight(work, compare.evaluation.compareAltitudeCm, params,
                                      compare.compareSampleBytes));
    }
    return 0;
}
