#include "analysis/compare_flight.h"

#include "flight/int32_math.h"
#include "flight/number_format.h"

#include <algorithm>

namespace kestrom {
namespace {

constexpr float kMinimumCountsAboveM = 10.0f; // the minimum counts once the flight exceeded this
constexpr std::uint32_t kSmoothedLess = 2;    // smoothing runs to samples - 2
constexpr std::uint32_t kPlottedLess = 5;     // the last five samples are never plotted

float metresOf(std::int32_t cm) { return static_cast<float>(cm * 0.01); }

// a + a x 0.1, truncated to whole metres, as the left axis is raised to.
double raisedAxisMaximum(float a) {
    const long double m = static_cast<long double>(a) + static_cast<long double>(a) * 0.1L;
    return static_cast<double>(truncateToInt32(m));
}

void applyEvaluation(CompareFlight& compare) {
    if (compare.evaluation.maxText) {
        compare.maxText = *compare.evaluation.maxText;
    }
    if (compare.evaluation.minText) {
        compare.minText = *compare.evaluation.minText;
    }
}

} // namespace

void evaluateCompareFlightInto(const CompareEvaluationInput& input, CompareEvaluation& out) {
    const FlightImage& image = *input.image;
    const Calibration& cal = input.calibration;

    // Every evaluation starts from a cleared curve: nothing of an earlier comparison shows through.
    out.compareAltitudeCm.assign(kCurveLength, 0);
    out.series3.clear();
    out.maxText.reset();
    out.minText.reset();
    std::int32_t* alt = out.compareAltitudeCm.data();

    out.leftAxisMax = input.leftAxisMax;
    out.bottomMinorTicks = bottomMinorTickCount(input.rateTimes10);
    out.maxAltitude = 0.0f;
    out.minAltitude = kCompareMinAltitudeStart;
    out.refPressure = referencePressure(image, cal);

    // A file longer than the curve arrays is cut to fit, marks included.
    const std::uint32_t samples = std::min(input.bytes / 4, kMaxEvaluatedSamples);

    // Altitude of each sample, the end-marker sample included.
    std::uint32_t i = 0;
    for (std::uint32_t n = samples; n != 0;) {
        --n;
        const std::uint16_t ut = image.sampleUt(i);
        const std::uint16_t up = image.sampleUp(i);
        alt[i] = sampleAltitudeCm(up, ut, cal, out.refPressure, input.groundTemp);
        ++i;
        if (up == kEndMarkerWord) {
            break;
        }
    }
    alt[i] = kCurveEndMark;

    // Running three-point mean up to samples - 2, even past the mark when the conversion stopped
    // early; the value at k is already smoothed when it is used.
    const std::uint32_t smoothed = samples > kSmoothedLess ? samples - kSmoothedLess : 0;
    for (std::uint32_t k = 0; k < smoothed; ++k) {
        alt[k + 1] = wrapAdd(wrapAdd(alt[k], alt[k + 1]), alt[k + 2]) / 3;
    }

    // Plot; the fields and the left axis follow every new maximum and minimum as it is found.
    const std::uint32_t plotted = samples > kPlottedLess ? samples - kPlottedLess : 0;
    out.series3.reserve(plotted);
    for (std::uint32_t k = 0; k < plotted; ++k) {
        const float a = metresOf(alt[k]);
        out.series3.push_back(a);
        if (a > out.maxAltitude) {
            out.maxAltitude = a;
            out.maxText = formatOneDecimal(a);
            const double m = raisedAxisMaximum(a);
            if (m > out.leftAxisMax) {
                out.leftAxisMax = m;
            }
        }
        if (a < out.minAltitude && out.maxAltitude > kMinimumCountsAboveM) {
            out.minAltitude = a;
            out.minText = formatOneDecimal(a);
        }
    }
    alt[plotted] = kCurveEndMark;
}

CompareEvaluation EvaluateCompareFlight(const CompareEvaluationInput& input) {
    CompareEvaluation out;
    evaluateCompareFlightInto(input, out);
    return out;
}

Status loadCompareFlight(CompareFlight& compare, std::vector<std::uint8_t> fileBytes,
                         double leftAxisMax) {
    if (fileBytes.size() < kHeaderBytes) {
        return Status::failure(ErrorKind::TooShort,
                               "The comparison file holds no complete 32-byte header");
    }
    if (fileBytes.size() > kMaxFileReadBytes) {
        fileBytes.resize(kMaxFileReadBytes);
    }
    const auto bytes = static_cast<std::uint32_t>(fileBytes.size() - kHeaderBytes);
    setFlightImage(compare.record, FlightImage(std::move(fileBytes)));
    compare.compareSampleBytes = bytes;
    compare.evaluated = false;
    compare.evaluation = CompareEvaluation{};
    reevaluateCompareFlight(compare, leftAxisMax);
    return Status::success();
}

bool reevaluateCompareFlight(CompareFlight& compare, double leftAxisMax) {
    if (compare.compareSampleBytes < kMinCompareEvaluatedBytes) {
        return false;
    }
    CompareEvaluationInput input;
    input.image = &compare.record.image;
    input.bytes = compare.compareSampleBytes;
    input.rateTimes10 = compare.record.rateTimes10;
    input.calibration = compare.record.calibration;
    input.groundTemp = compare.record.groundTemp;
    input.leftAxisMax = leftAxisMax;
    evaluateCompareFlightInto(input, compare.evaluation);
    compare.evaluated = true;
    applyEvaluation(compare);
    return true;
}

} // namespace kestrom
