#include "flight/conversions.h"
#include "flight/evaluation.h"
#include "flight/flight_header.h"
#include "flight/generator.h"

#include <cmath>
#include <gtest/gtest.h>

namespace kestrom {
namespace {

TEST(Generator, InversionFindsTheClosestRawWords) {
    Calibration c;
    for (const double tempC : {-20.0, 0.0, 15.0, 30.0}) {
        const std::uint16_t ut = rawTemperatureFor(tempC, c);
        for (const double pa : {70000.0, 90000.0, 98500.0, 101325.0}) {
            const std::uint16_t up = rawPressureFor(pa, ut, c);
            // One raw count is a few Pa; the best word is within one count's step.
            const double got = CompensatePressure(up, ut, c);
            const double below = CompensatePressure(up - 1U, ut, c);
            const double above = CompensatePressure(up + 1U, ut, c);
            EXPECT_LE(std::fabs(got - pa), std::fabs(below - pa)) << tempC << " " << pa;
            EXPECT_LE(std::fabs(got - pa), std::fabs(above - pa)) << tempC << " " << pa;
        }
    }
}

TEST(Generator, FlightShapeAndDeterminism) {
    GeneratorOptions o{.seed = 77, .rateCode = 2, .noiseCounts = 0};
    const std::vector<std::uint8_t> bytes = generateFlight(o);
    EXPECT_EQ(bytes, generateFlight(o)); // same seed, same bytes
    o.seed = 78;
    o.noiseCounts = 2;
    EXPECT_NE(bytes, generateFlight(o));

    const FlightImage image(bytes);
    ASSERT_EQ((bytes.size() - kHeaderBytes) % kSampleBytes, 0U);
    const std::size_t samples = (bytes.size() - kHeaderBytes) / kSampleBytes;
    EXPECT_EQ(image.sampleUp(samples - 1), kEndMarkerWord);
    for (std::size_t s = 0; s + 1 < samples; ++s) {
        ASSERT_NE(image.sampleUp(s), kEndMarkerWord) << s;
    }

    const FlightHeader h = ApplyFlightHeader(image);
    EvaluationInput in{&image, image.wordCount(), h.rateTimes10, h.calibration, 20.0f, true};
    const FlightEvaluation e = EvaluateFlight(in);
    // Climb of 8 s at 12 m/s with a one-second start: 90 m, smoothing takes a little off.
    EXPECT_NEAR(e.maxAltitude, 90.0f, 1.5f);
    EXPECT_NEAR(e.series1.front().value, 0.0f, 0.3f);
    EXPECT_NEAR(e.series1.back().value, 0.0f, 0.3f);
}

TEST(Generator, SpikesAndCutsAndTrailingBytes) {
    const GeneratorOptions o{
        .spikes = 3, .noiseCounts = 0, .maxSamples = 300, .endMarker = true, .trailingBytes = 7};
    const std::vector<std::uint8_t> bytes = generateFlight(o);
    EXPECT_EQ(bytes.size(), kHeaderBytes + 301 * kSampleBytes + 7);
    const FlightImage image(bytes);
    int jumps = 0;
    for (std::size_t s = 1; s < 300; ++s) {
        const int step = image.sampleUp(s) - image.sampleUp(s - 1);
        jumps += (step > 150 || step < -150) ? 1 : 0;
    }
    EXPECT_GE(jumps, 3); // each spike shows as a jump away and back (spikes may coincide)
}

TEST(Generator, OptionsOutOfReasonStillGiveADownloadSizedImage) {
    EXPECT_EQ(generateFlight({.spikes = 4000000000U, .glideSeconds = 1e12}).size(),
              kHeaderBytes + (kMaxGeneratedSamples + 1) * kSampleBytes);
    const std::vector<std::uint8_t> bytes =
        generateFlight({.groundTempC = -300.0, .climbSeconds = std::nan(""), .glideSeconds = -5.0});
    EXPECT_EQ((bytes.size() - kHeaderBytes) % kSampleBytes, 0U);
    EXPECT_EQ(FlightImage(bytes).sampleUp((bytes.size() - kHeaderBytes) / kSampleBytes - 1),
              kEndMarkerWord);
}

} // namespace
} // namespace kestrom
