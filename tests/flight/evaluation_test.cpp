#include "flight/evaluation.h"
#include "flight/flight_header.h"
#include "flight/generator.h"
#include "image_builder.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <ostream>

namespace kestrom {
namespace {

using test::appendSample;
using test::flatFlight;
using test::headerBytes;

FlightEvaluation evaluate(const FlightImage& image, bool accelView = true) {
    const FlightHeader h = ApplyFlightHeader(image);
    EvaluationInput in;
    in.image = &image;
    in.words = image.wordCount();
    in.rateTimes10 = h.rateTimes10;
    in.calibration = h.calibration;
    in.groundTemp = h.groundTemp;
    in.accelView = accelView;
    return EvaluateFlight(in);
}

FlightImage generated(unsigned rateCode, std::uint32_t seed = 5) {
    return FlightImage(generateFlight({.seed = seed, .rateCode = rateCode}));
}

struct LabelCase {
    unsigned rateCode;
    std::size_t every;   // points between labels
    int secondsPerLabel; // label text step
    int minorTicks;
};

// Named by what the case is about, so test names stay the same from build to build.
void PrintTo(const LabelCase& c, std::ostream* out) { *out << "rate code " << c.rateCode; }

class LabelSpacing : public ::testing::TestWithParam<LabelCase> {};

TEST_P(LabelSpacing, WholeSecondLabelsAndMinorTicks) {
    const LabelCase& lc = GetParam();
    const FlightEvaluation e = evaluate(generated(lc.rateCode));
    ASSERT_GT(e.series1.size(), 40U);
    EXPECT_EQ(e.bottomMinorTicks, lc.minorTicks);
    int nextLabel = 0;
    for (std::size_t i = 0; i < e.series1.size(); ++i) {
        if (i % lc.every == 0) {
            ASSERT_EQ(e.series1[i].label, std::to_string(nextLabel)) << "point " << i;
            nextLabel += lc.secondsPerLabel;
        } else {
            ASSERT_TRUE(e.series1[i].label.empty()) << "point " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllRates, LabelSpacing,
                         ::testing::Values(LabelCase{0, 20, 1, 19}, LabelCase{1, 15, 1, 14},
                                           LabelCase{2, 10, 1, 9}, LabelCase{3, 5, 1, 4},
                                           LabelCase{4, 1, 1, 0}, LabelCase{5, 1, 2, 0}));

TEST(Evaluation, RateCodeAboveFiveHasNoLabelsAndNoTicks) {
    std::vector<std::uint8_t> bytes = flatFlight(2, 60);
    bytes[kOffsetRateCode] = 0x37; // upper bits are not interpreted; code 7
    const FlightEvaluation e = evaluate(FlightImage(bytes));
    ASSERT_EQ(e.series1.size(), 61U - 5U);
    EXPECT_EQ(e.bottomMinorTicks, 0);
    for (const Series1Point& p : e.series1) {
        EXPECT_TRUE(p.label.empty());
    }
}

TEST(Evaluation, CountsMarksAndDhdtOfAFullFlight) {
    const FlightImage image = generated(2);
    const std::uint32_t samples = image.wordCount() / 2;
    for (const bool view : {true, false}) {
        const FlightEvaluation e = evaluate(image, view);
        EXPECT_EQ(e.lastPointIndex, static_cast<std::int32_t>(samples) - 3);
        ASSERT_EQ(e.series1.size(), samples - 5);
        EXPECT_EQ(e.altitudeCm[samples - 5], kCurveEndMark);
        EXPECT_EQ(e.dhdtCm[0], 0);
        for (std::size_t j = 0; j < e.series1.size(); ++j) {
            ASSERT_FLOAT_EQ(e.series1[j].value, static_cast<float>(e.altitudeCm[j] * 0.01));
        }
        if (view) {
            ASSERT_EQ(e.series2.size(), samples - 7);
            EXPECT_EQ(e.series2[0], 0.0f);
            for (std::size_t j = 1; j < e.series2.size(); ++j) {
                ASSERT_FLOAT_EQ(e.series2[j], static_cast<float>(e.dhdtCm[j] * 0.01)) << j;
            }
        } else {
            EXPECT_TRUE(e.series2.empty());
        }
    }
}

TEST(Evaluation, SmoothingAndFourPointMeanOfAStep) {
    // Flat ground, then one sample much lower in pressure and the rest back on the ground: the
    // running means spread the step over the following samples.
    std::vector<std::uint8_t> bytes = headerBytes(2);
    for (int i = 0; i < 40; ++i) {
        appendSample(bytes, {30000, static_cast<std::uint16_t>(i == 20 ? 39000 : 40000)});
    }
    const FlightImage image(bytes);
    const FlightEvaluation e = evaluate(image);
    const Calibration cal;
    const std::int32_t step = sampleAltitudeCm(39000, 30000, cal, e.refPressure, 24.0f);
    ASSERT_GT(step, 1000);
    // Before the step everything is 0; then the three-point running mean.
    EXPECT_EQ(e.altitudeCm[18], 0);
    EXPECT_EQ(e.altitudeCm[19], step / 3);
    const std::int32_t a20 = (step / 3 + step) / 3;
    EXPECT_EQ(e.altitudeCm[20], a20);
    const std::int32_t a21 = (a20 + 0) / 3;
    EXPECT_EQ(e.altitudeCm[21], a21);
    EXPECT_EQ(e.altitudeCm[22], a21 / 3);
    // Raw changes 19..21, then the four-point mean written two places ahead of each pass; the
    // two values before the position are already averaged.
    const std::int32_t d19 = step / 3, d20 = a20 - step / 3, d21 = a21 - a20;
    const auto mean4 = [](std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
        return static_cast<std::int32_t>((a + b + c + d) * 0.25);
    };
    const std::int32_t m18 = mean4(0, 0, 0, d19);
    const std::int32_t m19 = mean4(0, m18, d19, d20);
    EXPECT_EQ(e.dhdtCm[18], m18);
    EXPECT_EQ(e.dhdtCm[19], m19);
    EXPECT_EQ(e.dhdtCm[20], mean4(m18, m19, d20, d21));
    // Series2 shows the change into sample j, averaged, in metres.
    EXPECT_FLOAT_EQ(e.series2[19], static_cast<float>(m19 * 0.01));
}

TEST(Evaluation, ReferenceTakesOnlySamplesNearTheFirst) {
    const Calibration cal;
    const auto hpa = [&](std::uint16_t up) { return CompensatePressure(up, 30000, cal) * 0.01; };
    std::vector<std::uint8_t> bytes = headerBytes(2);
    // First sample 40000; three within 4 counts; the rest 5 or more away.
    const std::uint16_t ups[10] = {40000, 40004, 39996, 40005, 39995,
                                   40002, 41000, 40100, 0,     40010};
    for (const std::uint16_t up : ups) {
        appendSample(bytes, {30000, up});
    }
    const float ref = referencePressure(FlightImage(bytes), cal);
    const double mean = (hpa(40000) + hpa(40004) + hpa(39996) + hpa(40002)) / 4.0;
    EXPECT_NEAR(ref, mean, 1e-3);

    // None near the first: the first sample alone.
    std::vector<std::uint8_t> lone = headerBytes(2);
    appendSample(lone, {30000, 30000});
    for (int i = 0; i < 9; ++i) {
        appendSample(lone, {30000, 40000});
    }
    EXPECT_FLOAT_EQ(referencePressure(FlightImage(lone), cal), static_cast<float>(hpa(30000)));
}

struct ShortCase {
    std::uint32_t words;
    std::int32_t lastPointIndex;
    std::size_t points;
};

void PrintTo(const ShortCase& c, std::ostream* out) { *out << c.words << " words"; }

class ShortFlights : public ::testing::TestWithParam<ShortCase> {};

TEST_P(ShortFlights, DrawNothingAndNeverWrap) {
    const ShortCase& sc = GetParam();
    std::vector<std::uint8_t> bytes = headerBytes(2);
    for (std::uint32_t w = 0; w < sc.words / 2; ++w) {
        appendSample(bytes, {30000, 40000});
    }
    if (sc.words % 2 != 0) {
        bytes.push_back(1);
        bytes.push_back(2);
    }
    const FlightImage image(bytes);
    ASSERT_EQ(image.wordCount(), sc.words);
    const FlightEvaluation e = evaluate(image);
    EXPECT_EQ(e.lastPointIndex, sc.lastPointIndex);
    EXPECT_EQ(e.series1.size(), sc.points);
    if (sc.points == 0) {
        EXPECT_EQ(e.maxAltitude, 0.0f);
        EXPECT_EQ(e.minAltitude, 10000.0f);
        EXPECT_EQ(e.leftAxisMax, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ShortFlights,
                         ::testing::Values(ShortCase{0, -1, 0}, ShortCase{1, -1, 0},
                                           ShortCase{9, -1, 0}, ShortCase{16, -1, 0},
                                           ShortCase{17, -1, 0}, ShortCase{36, -1, 0},
                                           ShortCase{38, 16, 0}, ShortCase{43, 18, 0},
                                           ShortCase{44, 19, 17}));

TEST(Evaluation, ExtremesAndAxis) {
    EXPECT_EQ(leftAxisMaximum(300.0f), 310);
    EXPECT_EQ(leftAxisMaximum(0.0f), 0);
    EXPECT_EQ(leftAxisMaximum(29.9f), 30); // 30.896...

    // A flight that never climbs above 10 m keeps the minimum at 10000.
    const FlightEvaluation flat = evaluate(FlightImage(flatFlight(2, 100)));
    EXPECT_EQ(flat.maxAltitude, 0.0f);
    EXPECT_EQ(flat.minAltitude, 10000.0f);

    // The generated flight climbs, glides and lands: the minimum counts only after 10 m.
    const FlightEvaluation e = evaluate(generated(2));
    EXPECT_GT(e.maxAltitude, 50.0f);
    EXPECT_LT(e.minAltitude, 2.0f);
    EXPECT_EQ(e.leftAxisMax, leftAxisMaximum(e.maxAltitude));
    float expectedMax = 0.0f;
    for (const Series1Point& p : e.series1) {
        expectedMax = std::max(expectedMax, p.value);
    }
    EXPECT_EQ(e.maxAltitude, expectedMax);
}

TEST(Evaluation, SameFileSameResultWhateverCameBefore) {
    const FlightImage longFlight = generated(0, 9);
    std::vector<std::uint8_t> shortBytes = headerBytes(2);
    for (int i = 0; i < 12; ++i) {
        appendSample(shortBytes, {30000, 40000});
    }
    const FlightImage shortFlight(shortBytes); // shorter than ten samples beyond its bytes

    const FlightEvaluation fresh = evaluate(shortFlight);
    FlightEvaluation reused = evaluate(longFlight);
    const FlightHeader h = ApplyFlightHeader(shortFlight);
    EvaluationInput in{
        &shortFlight, shortFlight.wordCount(), h.rateTimes10, h.calibration, h.groundTemp, true};
    evaluateFlightInto(in, reused);
    EXPECT_EQ(reused.altitudeCm, fresh.altitudeCm);
    EXPECT_EQ(reused.dhdtCm, fresh.dhdtCm);
    EXPECT_EQ(reused.refPressure, fresh.refPressure);
    EXPECT_EQ(reused.series1.size(), fresh.series1.size());
}

TEST(Evaluation, BytesAfterTheEndMarkerChangeNothing) {
    std::vector<std::uint8_t> clean = flatFlight(2, 80, 40000);
    std::vector<std::uint8_t> junk = clean;
    std::vector<std::uint8_t> zeros = clean;
    for (int i = 0; i < 64; ++i) {
        junk.push_back(static_cast<std::uint8_t>(37 * i + 11));
        zeros.push_back(0);
    }
    const FlightEvaluation a = evaluate(FlightImage(junk));
    const FlightEvaluation b = evaluate(FlightImage(zeros));
    EXPECT_EQ(a.altitudeCm, b.altitudeCm);
    EXPECT_EQ(a.dhdtCm, b.dhdtCm);
    // The conversion stops at the marker and stores it, then the conversion mark.
    EXPECT_EQ(a.series1.size(), b.series1.size());
}

TEST(Evaluation, LongerFlightsAreCutToTheArrays) {
    const FlightImage image(generateFlight(
        {.rateCode = 0, .glideSinkMps = 0.0, .glideSeconds = 2000, .maxSamples = 22000}));
    ASSERT_GT(image.wordCount() / 2, kCurveLength);
    const FlightEvaluation e = evaluate(image);
    EXPECT_EQ(e.altitudeCm.size(), kCurveLength);
    EXPECT_EQ(e.series1.size(), kMaxEvaluatedSamples - 5);
    EXPECT_EQ(e.altitudeCm[kMaxEvaluatedSamples - 5], kCurveEndMark);
}

} // namespace
} // namespace kestrom
