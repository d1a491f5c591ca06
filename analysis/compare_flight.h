#pragma once
// The comparison flight: a second flight read from a measurement file and laid over the recorder
// flight. Its evaluation, EvaluateCompareFlight, twins the recorder flight's evaluation (same
// reference pressure, conversion and three-point smoothing) but plots without labels, writes its
// maximum and minimum fields at every new value and only ever raises the left axis. Plain data;
// the window draws exactly what is here.

#include "core/status.h"
#include "flight/flight_record.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrom {

// Six samples: the least the evaluation is run for.
inline constexpr std::uint32_t kMinCompareEvaluatedBytes = 24;
inline constexpr float kCompareMinAltitudeStart = 65535.0f;

struct CompareEvaluationInput {
    const FlightImage* image = nullptr; // must not be null
    std::uint32_t bytes = 0;            // compareSampleBytes; callers require 24 or more
    std::uint32_t rateTimes10 = 0;
    Calibration calibration;
    float groundTemp = 20.0f; // degrees Celsius
    double leftAxisMax = 0.0; // the chart's left-axis maximum before the evaluation, m
};

struct CompareEvaluation {
    float refPressure = 0.0f; // hPa
    float maxAltitude = 0.0f; // m
    float minAltitude = kCompareMinAltitudeStart;
    // kCurveLength entries: the smoothed altitudes in cm, kCurveEndMark after the plotted points.
    std::vector<std::int32_t> compareAltitudeCm;
    std::vector<float> series3; // plotted values in metres; every label is empty
    // The last text written into E_Max_Por / E_Min_Por; nullopt when the field was not written.
    std::optional<std::string> maxText;
    std::optional<std::string> minText;
    double leftAxisMax = 0.0; // after the evaluation: raised, never lowered
    int bottomMinorTicks = 0;

    // Number of plotted points (= series3.size()).
    std::size_t pointCount() const { return series3.size(); }
};

// Evaluates the comparison image into out (its curve array cleared first). samples = bytes / 4,
// cut to fit the curve arrays; bytes below 24 plot nothing but never read outside the curve.
// Never fails.
void evaluateCompareFlightInto(const CompareEvaluationInput& input, CompareEvaluation& out);

// The same, returning a fresh result.
CompareEvaluation EvaluateCompareFlight(const CompareEvaluationInput& input);

// Everything the program keeps about the comparison: its own image, header values and
// temperature (so re-evaluating it never uses the recorder flight's), its byte count, its last
// evaluation, and the texts its maximum and minimum fields show.
struct CompareFlight {
    FlightRecord record;                  // image, header, calibration, rate, groundTemp
    std::uint32_t compareSampleBytes = 0; // bytes after the header that were read
    bool evaluated = false;               // evaluation holds a result for this image
    CompareEvaluation evaluation;
    std::string maxText; // E_Max_Por
    std::string minText; // E_Min_Por
};

// B_PorownanieClick after the file was read: keeps the first kMaxFileReadBytes of fileBytes as
// the comparison image, applies its header, sets compareSampleBytes = bytes - 32 and evaluates when
// that is 24 or more. leftAxisMax is the chart's current left-axis maximum. A file shorter than
// the 32-byte header is refused with ErrorKind::TooShort and nothing changes. The maximum and
// minimum texts keep what they showed unless the evaluation writes them.
Status loadCompareFlight(CompareFlight& compare, std::vector<std::uint8_t> fileBytes,
                         double leftAxisMax);

// Evaluates the comparison again with its current values (after a temperature entry) when
// compareSampleBytes is 24 or more; returns whether it evaluated.
bool reevaluateCompareFlight(CompareFlight& compare, double leftAxisMax);

} // namespace kestrom
