#include "flight/flight_header.h"
#include "flight/flight_record.h"
#include "image_builder.h"

#include <gtest/gtest.h>

namespace kestrom {
namespace {

TEST(FlightHeader, ReadsEveryFieldWithItsSignedness) {
    const Calibration c{.ac1 = -1, .ac4 = 65535, .ac6 = 40000, .md = -2};
    std::vector<std::uint8_t> bytes = test::headerBytes(0xF3, 30000, c);
    writeU16le(bytes, kOffsetCompetitor, 65535);
    writeU16le(bytes, kOffsetSerial, 1234);
    const FlightHeader h = ApplyFlightHeader(FlightImage(bytes));
    EXPECT_EQ(h.competitor, 65535);
    EXPECT_EQ(h.serial, 1234);
    EXPECT_EQ(h.rateCode, 3); // bits 4-7 are not interpreted
    EXPECT_EQ(h.rateTimes10, 50U);
    EXPECT_EQ(h.calibration, c);
    EXPECT_EQ(h.competitorText, "65535");
    EXPECT_EQ(h.serialText, "1234");
    // The temperature comes from this header's own calibration words.
    EXPECT_EQ(h.headerTemp, HeaderTemperature(30000, c));
    EXPECT_EQ(h.temperatureText, std::to_string(h.headerTemp));
    EXPECT_EQ(h.groundTemp, static_cast<float>(h.headerTemp));
}

// A sensor never stores 0x0000 or 0xFFFF as a calibration word, and its words never read as the
// digits, signs and line ends of a text export.
TEST(FlightHeader, CalibrationWordsNoSensorStores) {
    const std::vector<std::uint8_t> real = test::headerBytes(0x02, 30000, Calibration{});
    ASSERT_FALSE(calibrationImpossible(FlightImage(real)));
    for (std::size_t word = 0; word < 11; ++word) {
        for (const std::uint16_t value : {std::uint16_t{0x0000}, std::uint16_t{0xFFFF}}) {
            std::vector<std::uint8_t> bytes = real;
            writeU16le(bytes, kOffsetCalibration + 2 * word, value);
            EXPECT_TRUE(calibrationImpossible(FlightImage(bytes))) << word << " " << value;
        }
    }
    const std::string exported = "12.3\n\r-4.5\n\r1234,5\n\r0.0\n\r0.1\n\r0.2\n\r";
    EXPECT_TRUE(calibrationImpossible(FlightImage({exported.begin(), exported.end()})));
    // One byte a text export never writes is enough to be a sensor's.
    std::string almost = exported;
    almost[20] = 'x';
    EXPECT_FALSE(calibrationImpossible(FlightImage({almost.begin(), almost.end()})));
    // A short image reads zeros where it ends: no sensor's words either.
    EXPECT_TRUE(calibrationImpossible(FlightImage(std::vector<std::uint8_t>(20, 0x44))));
}

TEST(FlightHeader, DeviceFactorRange) {
    const std::pair<std::uint16_t, std::int32_t> cases[] = {
        {9699, 10000}, {9700, 9700}, {10500, 10500}, {10501, 10000}, {0, 10000}, {65535, 10000}};
    for (const auto& [stored, expected] : cases) {
        std::vector<std::uint8_t> bytes = test::headerBytes(2);
        writeU16le(bytes, kOffsetDeviceFactor, stored);
        EXPECT_EQ(ApplyFlightHeader(FlightImage(bytes)).deviceFactor, expected) << stored;
    }
}

TEST(FlightHeader, ShortImageReadsZerosNotStaleBytes) {
    const FlightImage partial(std::vector<std::uint8_t>{0, 7, 0});
    const FlightHeader h = ApplyFlightHeader(partial);
    EXPECT_EQ(h.competitor, 7);
    EXPECT_EQ(h.serial, 0);
    EXPECT_EQ(h.calibration, Calibration(Calibration{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(FlightRecord, EachRecordKeepsItsOwnFlight) {
    const Calibration other{.ac1 = 8000};
    FlightRecord recorder;
    FlightRecord comparison;
    setFlightImage(recorder, FlightImage(test::flatFlight(2, 60)));
    std::vector<std::uint8_t> cmp = test::headerBytes(0, 25000, other);
    for (int i = 0; i < 60; ++i) {
        test::appendSample(cmp, {25000, static_cast<std::uint16_t>(40000 - 10 * i)});
    }
    setFlightImage(comparison, FlightImage(cmp));
    ASSERT_TRUE(evaluateRecord(recorder, true));
    const FlightEvaluation before = recorder.evaluation;
    ASSERT_TRUE(evaluateRecord(comparison, true));
    // Re-evaluating the recorder flight after the comparison uses only its own data.
    ASSERT_TRUE(evaluateRecord(recorder, true));
    EXPECT_EQ(recorder.evaluation.altitudeCm, before.altitudeCm);
    EXPECT_EQ(recorder.rateTimes10, 100U);
    EXPECT_EQ(comparison.rateTimes10, 200U);
    EXPECT_EQ(comparison.calibration, other);
}

TEST(FlightRecord, TemperatureEntryRescalesButKeepsThePanelText) {
    FlightRecord r;
    std::vector<std::uint8_t> bytes = test::headerBytes(2);
    for (int i = 0; i < 100; ++i) {
        test::appendSample(bytes, {30000, static_cast<std::uint16_t>(i < 20 ? 40000 : 39000)});
    }
    setFlightImage(r, FlightImage(bytes));
    ASSERT_TRUE(evaluateRecord(r, true));
    const float at24 = r.evaluation.maxAltitude;
    setGroundTemperature(r, 15);
    ASSERT_TRUE(evaluateRecord(r, true));
    EXPECT_EQ(r.groundTempText, "24");
    // The height scales with (T + 273.15) / 288.15.
    EXPECT_NEAR(r.evaluation.maxAltitude / at24, 288.15 / 297.15, 1e-4);
}

TEST(FlightRecord, TooFewWordsAreNotEvaluated) {
    FlightRecord r;
    std::vector<std::uint8_t> bytes = test::headerBytes(2);
    bytes.resize(kHeaderBytes + 30, 0); // 15 words
    setFlightImage(r, FlightImage(bytes));
    EXPECT_EQ(r.wordCount, 15U);
    EXPECT_FALSE(evaluateRecord(r, true));
    EXPECT_FALSE(r.evaluated);
}

} // namespace
} // namespace kestrom
