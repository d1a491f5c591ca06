// Measuring between two points of a drawn curve: what the chart's bracket shows.

#include "analysis/curve_measure.h"
#include "flight/flight_record.h"
#include "flight/generator.h"

#include <gtest/gtest.h>
#include <ostream>

#include <vector>

namespace kestrom {
namespace {

// The altitude curve the window draws for a generated flight.
std::vector<double> plottedCurve(const GeneratorOptions& options, std::uint32_t& rateTimes10) {
    FlightRecord record;
    setFlightImage(record, FlightImage(generateFlight(options)));
    EXPECT_TRUE(evaluateRecord(record, true));
    rateTimes10 = record.rateTimes10;
    std::vector<double> curve;
    for (const Series1Point& point : record.evaluation.series1) {
        curve.push_back(static_cast<double>(point.value));
    }
    return curve;
}

struct PhaseCase {
    const char* phase;
    unsigned rateCode;
    double fromS; // inside the phase, seconds into the flight
    double toS;
    double expectedMps;  // the generator's climb or sink rate
    double toleranceMps; // pressure words are whole counts: a few decimetres of altitude
};

// Named by what the case is about, so test names stay the same from build to build.
void PrintTo(const PhaseCase& c, std::ostream* out) { *out << c.phase; }

class MeasureKnownFlight : public testing::TestWithParam<PhaseCase> {};

// Ground 4 s, climb 8 s at 12 m/s, glide at 0.6 m/s sink: a bracket inside each phase reads the
// generator's rate, whatever the sampling.
TEST_P(MeasureKnownFlight, ReadsThePhaseRate) {
    const PhaseCase& c = GetParam();
    std::uint32_t rate = 0;
    const std::vector<double> curve =
        plottedCurve({.rateCode = c.rateCode, .noiseCounts = 0.0}, rate);
    ASSERT_GT(rate, 0u);
    const auto index = [rate](double seconds) {
        return static_cast<std::size_t>(seconds * rate / 10.0 + 0.5);
    };
    // Picked right to left: the bracket still runs forwards in time.
    const auto m = measureCurve(curve, rate, index(c.toS), index(c.fromS));
    ASSERT_TRUE(m.has_value());
    ASSERT_TRUE(m->deltaSeconds.has_value());
    EXPECT_NEAR(*m->deltaSeconds, c.toS - c.fromS, 1e-9) << c.phase;
    ASSERT_TRUE(m->metresPerSecond.has_value());
    EXPECT_NEAR(*m->metresPerSecond, c.expectedMps, c.toleranceMps) << c.phase;
    EXPECT_NEAR(m->deltaMetres, c.expectedMps * (c.toS - c.fromS),
                c.toleranceMps * (c.toS - c.fromS))
        << c.phase;
    EXPECT_LT(m->fromIndex, m->toIndex);
}

INSTANTIATE_TEST_SUITE_P(Phases, MeasureKnownFlight,
                         testing::Values(PhaseCase{"climb 10/s", 2, 6.0, 11.0, 12.0, 0.3},
                                         PhaseCase{"glide 10/s", 2, 20.0, 60.0, -0.6, 0.05},
                                         PhaseCase{"climb 5/s", 3, 6.0, 11.0, 12.0, 0.3},
                                         PhaseCase{"glide 1/s", 4, 20.0, 60.0, -0.6, 0.05}));

TEST(MeasureCurve, RefusesPointsOffTheCurveAndSpeedsWithoutTime) {
    const std::vector<double> curve{100.0, 110.0, 125.0};
    EXPECT_FALSE(measureCurve(curve, 100, 0, 3).has_value());
    EXPECT_FALSE(measureCurve({}, 100, 0, 0).has_value());

    // No sampling rate: the height difference is still known, time and speed are not.
    const auto noRate = measureCurve(curve, 0, 2, 0);
    ASSERT_TRUE(noRate.has_value());
    EXPECT_DOUBLE_EQ(noRate->deltaMetres, 25.0);
    EXPECT_FALSE(noRate->deltaSeconds.has_value());
    EXPECT_FALSE(noRate->metresPerSecond.has_value());

    // One point picked twice: no division by a zero time.
    const auto same = measureCurve(curve, 100, 1, 1);
    ASSERT_TRUE(same.has_value());
    EXPECT_DOUBLE_EQ(*same->deltaSeconds, 0.0);
    EXPECT_FALSE(same->metresPerSecond.has_value());
}

} // namespace
} // namespace kestrom
