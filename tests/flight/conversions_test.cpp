#include "flight/conversions.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <ostream>
#include <sstream>
#include <string>

namespace kestrom {
namespace {

TEST(Conversions, WorkedExamplesWithDefaultCalibration) {
    const Calibration cal;
    EXPECT_EQ(CompensatePressure(40000, 30000, cal), 98115);
    EXPECT_EQ(HeaderTemperature(30000, cal), 24); // 304 tenths, 30 degrees, times 0.81
    EXPECT_EQ(HeaderTemperature(25000, cal), -3); // negative: not scaled
}

// Every line of the golden file comes from an independent model of the integer steps.
TEST(Conversions, PressureMatchesIndependentModel) {
    std::ifstream in(KESTROM_TEST_DATA_DIR "/pressure_golden.txt");
    ASSERT_TRUE(in) << "missing pressure_golden.txt";
    std::string line;
    int rows = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        long up = 0, ut = 0, expected = 0;
        long w[11];
        fields >> up >> ut;
        for (long& v : w) {
            fields >> v;
        }
        fields >> expected;
        const auto s = [&w](int i) { return static_cast<std::int16_t>(w[i]); };
        const auto u = [&w](int i) { return static_cast<std::uint16_t>(w[i]); };
        const Calibration c{s(0), s(1), s(2), u(3), u(4), u(5), s(6), s(7), s(8), s(9), s(10)};
        EXPECT_EQ(
            CompensatePressure(static_cast<std::uint32_t>(up), static_cast<std::uint32_t>(ut), c),
            expected)
            << line;
        ++rows;
    }
    EXPECT_GT(rows, 100);
}

// A calibration in which B5 = UT - 30000 exactly (AC5 = 2^15, MC = 0), so that UT picks the
// temperature in tenths directly: UT = 30000 + 16 x tenths - 8.
std::uint16_t utForTenths(int tenths) {
    return static_cast<std::uint16_t>(30000 + 16 * tenths - 8);
}
Calibration linearTemperature() { return {.ac5 = 32768, .ac6 = 30000, .mc = 0}; }

struct TempCase {
    int tenths;
    int expected;
};

// Named by what the case is about, so test names stay the same from build to build.
void PrintTo(const TempCase& c, std::ostream* out) { *out << c.tenths << " tenths"; }

class HeaderTemperatureLimits : public ::testing::TestWithParam<TempCase> {};

TEST_P(HeaderTemperatureLimits, ScalesAndLimits) {
    const TempCase& tc = GetParam();
    EXPECT_EQ(HeaderTemperature(utForTenths(tc.tenths), linearTemperature()), tc.expected)
        << tc.tenths << " tenths";
}

INSTANTIATE_TEST_SUITE_P(Table, HeaderTemperatureLimits,
                         ::testing::Values(TempCase{990, 80},  // 99 x 0.81 = 80.19: stays 80
                                           TempCase{1000, 20}, // 100 x 0.81 = 81: above 80
                                           TempCase{250, 20},  // 25 x 0.81 = 20.25
                                           TempCase{100, 8},   // 10 x 0.81 = 8.1
                                           TempCase{0, 0}, TempCase{-300, -30}, TempCase{-310, 20},
                                           TempCase{-5, 0},     // -0.5 degrees truncates to 0
                                           TempCase{-19, -1})); // not scaled when negative

TEST(Conversions, ZeroDivisorsGiveZeroQuotientAndGoOn) {
    Calibration c;
    c.md = 0;
    // UT = AC6 makes X1 = 0, so X1 + MD = 0 and B5 = 0.
    EXPECT_EQ(HeaderTemperature(c.ac6, c), 0);
    Calibration noB4;
    noB4.ac4 = 0;
    // B4 = 0: p = 0 before the last steps, which add (0 + 0 + 3791) / 16.
    EXPECT_EQ(CompensatePressure(40000, 30000, noB4), 236);
}

TEST(Conversions, FloatToIntTruncatesAndMarksOutOfRange) {
    EXPECT_EQ(truncateToInt32(12.99L), 12);
    EXPECT_EQ(truncateToInt32(-12.99L), -12);
    EXPECT_EQ(truncateToInt32(2147483647.9L), 2147483647);
    EXPECT_EQ(truncateToInt32(2147483648.0L), INT32_MIN);
    EXPECT_EQ(truncateToInt32(-2147483648.5L), INT32_MIN);
    EXPECT_EQ(truncateToInt32(-2147483649.0L), INT32_MIN);
    EXPECT_EQ(truncateToInt32(std::nanl("")), INT32_MIN);
}

struct AltitudeCase {
    float pHpa;
    float refHpa;
    float groundTemp;
    float metres;
    std::int32_t cm; // after the evaluation's truncation
};

void PrintTo(const AltitudeCase& c, std::ostream* out) {
    *out << c.pHpa << " hPa over " << c.refHpa << " hPa at " << c.groundTemp << " C";
}

class AltitudeExamples : public ::testing::TestWithParam<AltitudeCase> {};

TEST_P(AltitudeExamples, MetresAndCentimetres) {
    const AltitudeCase& a = GetParam();
    const float m = Altitude(a.pHpa, a.refHpa, a.groundTemp);
    EXPECT_NEAR(m, a.metres, 0.005f);
    EXPECT_EQ(truncateToInt32(static_cast<double>(m) * 100.0), a.cm);
}

INSTANTIATE_TEST_SUITE_P(Table, AltitudeExamples,
                         ::testing::Values(AltitudeCase{990.0f, 1000.0f, 15.0f, 84.48f, 8447},
                                           AltitudeCase{990.0f, 1000.0f, 0.0f, 80.08f, 8008},
                                           AltitudeCase{1000.0f, 1000.0f, 15.0f, 0.0f, 0},
                                           AltitudeCase{1000.0f, 990.0f, 15.0f, -84.48f, -8447}));

TEST(Conversions, FifteenDegreesGiveTheStandardAtmosphereDifference) {
    const auto standard = [](double p) {
        return (1 - std::pow(p / 1013.25, 0.190266669)) * 44330.76923;
    };
    for (const float p : {950.0f, 900.5f, 1010.0f, 700.0f}) {
        EXPECT_NEAR(Altitude(p, 1000.0f, 15.0f), standard(p) - standard(1000.0), 1e-3) << p;
    }
    // Same pressure: within micrometres of zero (h0 is held as a float, h is not).
    EXPECT_LT(std::fabs(Altitude(987.65f, 987.65f, 15.0f)), 1e-5f);
}

} // namespace
} // namespace kestrom
