#pragma once
// A realistic flight image made from a physical model: some seconds on the ground, a climb, a
// glide and a landing, with a few counts of sensor noise and optional spikes. The raw words are
// found by inverting the compensation for the chosen calibration words, and the image ends with
// the end-marker sample like a download. Used by kestrom-cli gen, the samples, the tests and the
// simulated recorder.

#include "flight/conversions.h"

#include <cstdint>
#include <vector>

namespace kestrom {

struct GeneratorOptions {
    std::uint32_t seed = 1;
    unsigned rateCode = 2;    // 0..5 (values up to 15 are stored as given)
    std::uint32_t spikes = 0; // single-sample pressure spikes at random places
    std::uint16_t competitor = 17;
    std::uint16_t serial = 1001;
    std::uint16_t deviceFactor = 10000;
    Calibration calibration{}; // words written into the header and used for the inversion
    double groundTempC = 20.0; // air temperature on the ground
    double groundPressurePa = 98500.0;
    double groundSeconds = 4.0; // before the launch
    double climbSeconds = 8.0;  // tow or motor climb
    double climbRateMps = 12.0;
    double glideSinkMps = 0.6; // sink rate in the glide
    double glideSeconds = 60.0;
    double landedSeconds = 3.0;      // on the ground after the landing
    double noiseCounts = 2.0;        // amplitude of the raw pressure noise (counts, +-)
    std::uint32_t maxSamples = 0;    // cut the flight to this many samples (0: no cut)
    bool endMarker = true;           // end with a sample whose UP is 0xFFFF
    std::uint32_t trailingBytes = 0; // bytes after the end marker, as a download may have
};

// Raw temperature word whose compensated temperature is closest to tempC; never fails.
std::uint16_t rawTemperatureFor(double tempC, const Calibration& cal);

// Raw pressure word whose CompensatePressure with ut is closest to pressurePa; never fails.
std::uint16_t rawPressureFor(double pressurePa, std::uint16_t ut, const Calibration& cal);

// The largest file a reader takes: the 90,000-byte receive buffer.
inline constexpr std::uint32_t kMaxGeneratedBytes = 90000;

// Samples a download can hold: 90,000 bytes of receive buffer less the header and the end marker.
inline constexpr std::uint32_t kMaxGeneratedSamples = (kMaxGeneratedBytes - 32) / 4 - 1;

// The bytes of a generated flight image: 32-byte header, samples, end marker. Negative or
// non-finite durations count as 0; a flight never has more than kMaxGeneratedSamples samples,
// and trailing bytes are cut so that the image never exceeds kMaxGeneratedBytes.
std::vector<std::uint8_t> generateFlight(const GeneratorOptions& options);

} // namespace kestrom
