#include "analysis/compare_flight.h"
#include "analysis/temperature_entry.h"
#include "flight/generator.h"
#include "flight/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace kestrom {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes generated(unsigned rateCode, std::uint32_t seed = 1) {
    return generateFlight({.seed = seed, .rateCode = rateCode, .glideSeconds = 30.0});
}

// A flight whose altitude follows heightsM (metres above the first sample), built from the raw
// words of the default calibration at 20 degrees.
Bytes flightOfHeights(const std::vector<double>& heightsM) {
    Bytes bytes = generated(2);
    bytes.resize(kHeaderBytes);
    const Calibration cal;
    const std::uint16_t ut = rawTemperatureFor(20.0, cal);
    for (const double h : heightsM) {
        const double pressurePa = 98500.0 * std::pow(1.0 - h / 44330.0, 5.255);
        const std::size_t at = bytes.size();
        writeU16le(bytes, at, ut);
        writeU16le(bytes, at + 2, rawPressureFor(pressurePa, ut, cal));
    }
    return bytes;
}

FlightRecord recorderOf(const Bytes& bytes) {
    FlightRecord record;
    setFlightImage(record, FlightImage(bytes));
    evaluateRecord(record, true);
    return record;
}

CompareFlight comparisonOf(const Bytes& bytes, double leftAxisMax = 0.0) {
    CompareFlight compare;
    EXPECT_TRUE(loadCompareFlight(compare, bytes, leftAxisMax).ok());
    return compare;
}

TEST(CompareFlightTest, SameFileDrawsExactlyOverTheRecorderFlight) {
    for (unsigned rateCode = 0; rateCode <= 5; ++rateCode) {
        const Bytes bytes = generated(rateCode, 10 + rateCode);
        const FlightRecord recorder = recorderOf(bytes);
        const CompareFlight compare = comparisonOf(bytes);
        ASSERT_TRUE(compare.evaluated);

        const FlightEvaluation& r = recorder.evaluation;
        const CompareEvaluation& c = compare.evaluation;
        ASSERT_EQ(c.pointCount(), r.pointCount()) << "rate code " << rateCode;
        ASSERT_GT(c.pointCount(), 20U);
        for (std::size_t i = 0; i < c.pointCount(); ++i) {
            ASSERT_EQ(c.series3[i], r.series1[i].value) << "point " << i;
            ASSERT_EQ(c.compareAltitudeCm[i], r.altitudeCm[i]) << "point " << i;
        }
        EXPECT_EQ(c.compareAltitudeCm[c.pointCount()], kCurveEndMark);
        EXPECT_EQ(c.refPressure, r.refPressure);
        EXPECT_EQ(c.maxAltitude, r.maxAltitude);
        EXPECT_EQ(compare.maxText, formatOneDecimal(r.maxAltitude));
        EXPECT_EQ(compare.minText, formatOneDecimal(r.minAltitude));
        EXPECT_EQ(c.bottomMinorTicks, r.bottomMinorTicks);
    }
}

TEST(CompareFlightTest, SixSamplesPlotOnePointFewerAreNotEvaluated) {
    const Bytes full = generated(2);
    struct Case {
        std::size_t fileBytes;
        bool evaluated;
        std::size_t points;
    };
    const Case cases[] = {{32, false, 0}, {55, false, 0}, {56, true, 1},
                          {59, true, 1},  {60, true, 2},  {200, true, 37}};
    for (const Case& c : cases) {
        CompareFlight compare;
        ASSERT_TRUE(
            loadCompareFlight(compare, Bytes(full.begin(), full.begin() + c.fileBytes), 0.0));
        EXPECT_EQ(compare.compareSampleBytes, c.fileBytes - kHeaderBytes);
        EXPECT_EQ(compare.evaluated, c.evaluated) << c.fileBytes;
        EXPECT_EQ(compare.evaluation.pointCount(), c.points) << c.fileBytes;
        // The panel is filled from the header in every case.
        EXPECT_EQ(compare.record.header.competitorText, "17");
    }
}

TEST(CompareFlightTest, FileWithoutCompleteHeaderChangesNothing) {
    CompareFlight compare = comparisonOf(generated(1));
    const std::size_t points = compare.evaluation.pointCount();
    const std::string maxText = compare.maxText;
    const Status status = loadCompareFlight(compare, Bytes(31, 0), 0.0);
    EXPECT_EQ(status.kind, ErrorKind::TooShort);
    EXPECT_EQ(compare.evaluation.pointCount(), points);
    EXPECT_EQ(compare.maxText, maxText);
    EXPECT_EQ(compare.record.rateTimes10, 150U);
}

TEST(CompareFlightTest, LongFileIsReadUpToTheReceiveBufferAndCutToTheCurves) {
    // The generator stops at what a reader takes; bytes past it make the file longer.
    Bytes bytes = generateFlight({.rateCode = 0, .glideSeconds = 1200.0});
    bytes.insert(bytes.end(), 16, std::uint8_t{0x5A});
    ASSERT_GT(bytes.size(), kMaxFileReadBytes);
    const CompareFlight compare = comparisonOf(bytes);
    EXPECT_EQ(compare.compareSampleBytes, kMaxFileReadBytes - kHeaderBytes);
    // The curves hold 16,999 samples, the last five of which are never plotted.
    EXPECT_EQ(compare.evaluation.pointCount(), kMaxEvaluatedSamples - 5);
}

TEST(CompareFlightTest, LeftAxisIsRaisedDuringTheLoopAndNeverLowered) {
    const Bytes bytes = generated(2);
    const float maxM = comparisonOf(bytes).evaluation.maxAltitude;
    ASSERT_GT(maxM, 50.0f);
    const double raised = std::trunc(static_cast<double>(maxM) * 1.1);
    struct Case {
        double before;
        double after;
    };
    const Case cases[] = {{0.0, raised},
                          {10.0, raised},
                          {raised - 1, raised},
                          {raised, raised},
                          {raised + 0.5, raised + 0.5},
                          {5000.0, 5000.0}};
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(comparisonOf(bytes, c.before).evaluation.leftAxisMax, c.after) << c.before;
    }
}

TEST(CompareFlightTest, FieldsAreWrittenOnlyOnANewExtreme) {
    std::vector<double> high(60, 0.0);
    for (std::size_t i = 0; i < high.size(); ++i) {
        high[i] = i < 30 ? static_cast<double>(i) * 2.0 : 60.0 - static_cast<double>(i - 30);
    }
    // The first ten samples stay on the ground: they give the reference pressure.
    std::vector<double> low(60, 5.0); // never above 10 m: no minimum
    std::vector<double> sinking(60);  // never above 0 m: neither field
    for (std::size_t i = 0; i < 60; ++i) {
        sinking[i] = i < 10 ? 0.0 : -static_cast<double>(i);
        low[i] = i < 10 ? 0.0 : 5.0;
    }

    const CompareEvaluation highEval = comparisonOf(flightOfHeights(high)).evaluation;
    ASSERT_TRUE(highEval.maxText && highEval.minText);
    EXPECT_GT(highEval.maxAltitude, 50.0f);

    const CompareEvaluation lowEval = comparisonOf(flightOfHeights(low)).evaluation;
    EXPECT_TRUE(lowEval.maxText);
    EXPECT_FALSE(lowEval.minText);
    EXPECT_EQ(lowEval.minAltitude, kCompareMinAltitudeStart);

    const CompareEvaluation sinkingEval = comparisonOf(flightOfHeights(sinking)).evaluation;
    EXPECT_FALSE(sinkingEval.maxText);
    EXPECT_FALSE(sinkingEval.minText);

    // The panel keeps a text that a later comparison does not write.
    CompareFlight compare = comparisonOf(flightOfHeights(high));
    const std::string highMin = compare.minText;
    ASSERT_TRUE(loadCompareFlight(compare, flightOfHeights(low), 0.0));
    EXPECT_EQ(compare.minText, highMin);
    EXPECT_EQ(compare.maxText, *lowEval.maxText);
    ASSERT_TRUE(loadCompareFlight(compare, flightOfHeights(sinking), 0.0));
    EXPECT_EQ(compare.maxText, *lowEval.maxText);
}

TEST(CompareFlightTest, ReevaluatedFromAClimbIntoAFlatFlightLeavesBothTextsUnset) {
    std::vector<double> climb(60, 0.0);
    for (std::size_t i = 10; i < climb.size(); ++i) {
        climb[i] = static_cast<double>(i) * 2.0;
    }
    const CompareFlight flat = comparisonOf(flightOfHeights(std::vector<double>(60, 0.0)));
    // One evaluation record, as the comparison keeps it: first the climb, then the flat flight.
    CompareEvaluation out = comparisonOf(flightOfHeights(climb)).evaluation;
    ASSERT_TRUE(out.maxText && out.minText);
    CompareEvaluationInput input;
    input.image = &flat.record.image;
    input.bytes = flat.compareSampleBytes;
    input.rateTimes10 = flat.record.rateTimes10;
    input.calibration = flat.record.calibration;
    evaluateCompareFlightInto(input, out);
    EXPECT_FALSE(out.maxText);
    EXPECT_FALSE(out.minText);
    EXPECT_EQ(out.maxAltitude, 0.0f);
}

TEST(CompareFlightTest, BytesAfterTheEndMarkerGiveTheSameCurveEveryTime) {
    const Bytes bytes = generateFlight({.trailingBytes = 64});
    CompareFlight compare = comparisonOf(bytes);
    const std::vector<float> first = compare.evaluation.series3;
    ASSERT_TRUE(reevaluateCompareFlight(compare, 0.0));
    EXPECT_EQ(compare.evaluation.series3, first);
}

TEST(CompareTemperatureTest, EntryRescalesOnlyTheComparison) {
    const Bytes bytes = generated(2);
    CompareFlight compare = comparisonOf(bytes);
    FlightRecord recorder = recorderOf(bytes);
    const float maxBefore = compare.evaluation.maxAltitude;
    const float headerTemp = compare.record.groundTemp;

    EXPECT_EQ(enterCompareTemperature(compare, "-5", 0.0), TemperatureEntry::Evaluated);
    EXPECT_EQ(compare.record.groundTemp, -5.0f);
    // Heights scale with (t + 273.15) / 288.15.
    EXPECT_NEAR(compare.evaluation.maxAltitude, maxBefore * (268.15 / (headerTemp + 273.15)), 0.05);
    EXPECT_EQ(compare.maxText, formatOneDecimal(compare.evaluation.maxAltitude));
    EXPECT_EQ(recorder.groundTemp, headerTemp);

    // A refused text changes nothing.
    const float maxAtMinus5 = compare.evaluation.maxAltitude;
    for (const char* text : {"", "-", "12-", "65535"}) {
        EXPECT_EQ(enterCompareTemperature(compare, text, 0.0), TemperatureEntry::Refused);
        EXPECT_EQ(compare.record.groundTemp, -5.0f);
        EXPECT_EQ(compare.evaluation.maxAltitude, maxAtMinus5);
    }

    EXPECT_EQ(enterRecorderTemperature(recorder, "30", true), TemperatureEntry::Evaluated);
    EXPECT_GT(recorder.evaluation.maxAltitude, maxBefore);
    EXPECT_EQ(compare.evaluation.maxAltitude, maxAtMinus5);
}

TEST(CompareTemperatureTest, TooShortFlightsOnlyStoreTheTemperature) {
    const Bytes full = generated(2);
    CompareFlight compare = comparisonOf(Bytes(full.begin(), full.begin() + 55));
    EXPECT_EQ(enterCompareTemperature(compare, "7", 0.0), TemperatureEntry::Stored);
    EXPECT_EQ(compare.record.groundTemp, 7.0f);
    EXPECT_FALSE(compare.evaluated);

    FlightRecord recorder = recorderOf(Bytes(full.begin(), full.begin() + 63)); // 15 words
    EXPECT_EQ(enterRecorderTemperature(recorder, "7", true), TemperatureEntry::Stored);
    EXPECT_EQ(recorder.groundTemp, 7.0f);
    EXPECT_FALSE(recorder.evaluated);
}

} // namespace
} // namespace kestrom
