#include "flight/evaluation.h"

#include "flight/int32_math.h"

#include <algorithm>
#include <cstdlib>

namespace kestrom {
namespace {

constexpr std::size_t kReferenceSamples = 10;
constexpr int kReferenceToleranceCounts = 5;        // |UP - P0| below this joins the reference
constexpr std::uint32_t kMinSmoothedPositions = 16; // steps need more positions than this
constexpr double kCmToM = 0.01;

float metresOf(std::int32_t cm) { return static_cast<float>(cm * kCmToM); }

// Remembers the altitude of recent raw word pairs: a flight repeats the same pair often (on the
// ground, in a slow glide), and the conversion of a pair always gives the same centimetres.
class ConversionCache {
public:
    ConversionCache() : keys_(kSlots, kEmpty), values_(kSlots, 0) {}

    template <typename Convert>
    std::int32_t altitudeCm(std::uint16_t ut, std::uint16_t up, Convert convert) {
        const std::uint64_t key = (static_cast<std::uint64_t>(ut) << 16) | up;
        const std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> 51);
        if (keys_[slot] != key) {
            keys_[slot] = key;
            values_[slot] = convert();
        }
        return values_[slot];
    }

private:
    static constexpr std::size_t kSlots = std::size_t{1} << 13;
    static constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
    std::vector<std::uint64_t> keys_;
    std::vector<std::int32_t> values_;
};

} // namespace

float referencePressure(const FlightImage& image, const Calibration& cal) {
    const std::uint16_t p0 = image.sampleUp(0);
    float sum = 0.0f;
    int accepted = 0;
    // Always the first ten samples, whatever the flight's length; missing ones read as zero.
    for (std::size_t s = 0; s < kReferenceSamples; ++s) {
        const std::uint16_t ut = image.sampleUt(s);
        const std::uint16_t up = image.sampleUp(s);
        if (std::abs(static_cast<int>(up) - static_cast<int>(p0)) < kReferenceToleranceCounts) {
            sum = static_cast<float>(sum + CompensatePressure(up, ut, cal) * kPaToHpa);
            ++accepted;
        }
    }
    // The first sample is always accepted, so accepted is at least 1.
    return sum / static_cast<float>(accepted);
}

int bottomMinorTickCount(std::uint32_t rateTimes10) {
    return rateTimes10 > 10 ? static_cast<int>(rateTimes10 / 10 - 1) : 0;
}

std::int32_t leftAxisMaximum(float maxAltitude) {
    const double m = static_cast<double>(maxAltitude);
    return truncateToInt32(m / 30.0 + m);
}

void evaluateFlightInto(const EvaluationInput& input, FlightEvaluation& out) {
    const FlightImage& image = *input.image;
    const Calibration& cal = input.calibration;
    const std::uint32_t rate = input.rateTimes10;

    // Every evaluation starts from cleared arrays: nothing of an earlier flight shows through.
    out.altitudeCm.assign(kCurveLength, 0);
    out.dhdtCm.assign(kCurveLength, 0);
    out.series1.clear();
    out.series2.clear();
    std::int32_t* alt = out.altitudeCm.data();
    std::int32_t* dhdt = out.dhdtCm.data();

    // A flight longer than the arrays is cut to fit, marks included.
    const std::uint32_t samples = std::min(input.words / 2, kMaxEvaluatedSamples);
    out.maxAltitude = 0.0f;
    out.minAltitude = 10000.0f;
    out.bottomMinorTicks = bottomMinorTickCount(rate);
    out.refPressure = referencePressure(image, cal);

    // Altitude of each sample, the end-marker sample included.
    std::uint32_t i = 0;
    if (input.words > kMinSmoothedPositions) {
        const AltitudeScale scale(out.refPressure, input.groundTemp);
        ConversionCache cache;
        std::uint32_t n = samples;
        std::uint16_t up = 0;
        do {
            --n;
            const std::uint16_t ut = image.sampleUt(i);
            up = image.sampleUp(i);
            alt[i] = cache.altitudeCm(ut, up, [&] {
                return truncateToInt32(static_cast<double>(scale.metres(
                                           pressureHpa(CompensatePressure(up, ut, cal)))) *
                                       100.0);
            });
            ++i;
        } while (n != 0 && up != kEndMarkerWord);
    }
    alt[i] = kConversionMark;

    // Running three-point mean; each value uses the smoothed one before it.
    std::uint32_t k = 0;
    if (samples >= 2 && samples - 2 > kMinSmoothedPositions) {
        for (std::uint32_t n = samples - 2; n != 0; --n) {
            const std::int32_t prev = alt[k];
            const std::int32_t s = wrapAdd(wrapAdd(prev, alt[k + 1]), alt[k + 2]);
            alt[k + 1] = s / 3;
            dhdt[k + 1] = wrapSub(s / 3, prev);
            ++k;
        }
    }
    out.lastPointIndex = static_cast<std::int32_t>(k) - 1;

    // Plot points, four-point mean of dh/dt, maximum and minimum.
    k = 0;
    if (samples >= 5 && samples - 5 > kMinSmoothedPositions) {
        std::uint32_t n = samples - 5;
        std::uint32_t t = 0;
        float d = 0.0f;
        out.series1.reserve(n);
        if (input.accelView) {
            out.series2.reserve(n);
        }
        do {
            const std::int32_t v = alt[k];
            const float a = metresOf(v);
            --n;
            Series1Point point{a, {}};
            if (rate != 0 && t % rate == 0) {
                point.label = std::to_string(t / rate);
            }
            out.series1.push_back(std::move(point));
            if (input.accelView && n > 1) {
                out.series2.push_back(d);
            }
            t += 10;
            d = metresOf(dhdt[k + 1]);
            const std::int32_t sum4 =
                wrapAdd(wrapAdd(wrapAdd(dhdt[k], dhdt[k + 1]), dhdt[k + 2]), dhdt[k + 3]);
            // sum4 x 0.25 is exact in double, so its truncation is the truncating division by 4.
            dhdt[k + 2] = sum4 / 4;
            ++k;
            if (a > out.maxAltitude && v != -1) {
                out.maxAltitude = a;
            }
            if (a < out.minAltitude && v != -1 && out.maxAltitude > 10.0f) {
                out.minAltitude = a;
            }
        } while (n != 0);
    }
    out.leftAxisMax = leftAxisMaximum(out.maxAltitude);
    alt[k] = kCurveEndMark;
}

FlightEvaluation EvaluateFlight(const EvaluationInput& input) {
    FlightEvaluation out;
    evaluateFlightInto(input, out);
    return out;
}

} // namespace kestrom
