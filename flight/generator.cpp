#include "flight/generator.h"

#include "flight/flight_header.h"
#include "flight/flight_image.h"
#include "flight/int32_math.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace kestrom {
namespace {

constexpr double kLapseRateKPerM = 0.0065;
constexpr double kBarometricExponent = 5.25588;
constexpr double kLandingSinkMps = 2.5;
constexpr double kKelvin = 273.15;

// Sensor temperature in tenths of a degree of a raw UT.
std::int32_t tenthsOf(std::uint32_t ut, const Calibration& cal) {
    const std::int32_t x1 = truncDiv(
        wrapMul(static_cast<std::int32_t>(ut) - static_cast<std::int32_t>(cal.ac6), cal.ac5),
        1 << 15);
    const std::int32_t x2 = truncDiv(cal.mc * (1 << 11), wrapAdd(x1, cal.md));
    return truncDiv(wrapAdd(wrapAdd(x1, x2), 8), 16);
}

// Smallest word in [lo, hi] whose value is not below target, for a rising function; the neighbour
// below is checked by the caller.
template <typename F>
std::uint32_t lowerBound(std::uint32_t lo, std::uint32_t hi, double target, F valueOf) {
    while (lo < hi) {
        const std::uint32_t mid = lo + (hi - lo) / 2;
        if (valueOf(mid) < target) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

template <typename F> std::uint16_t closestWord(std::uint32_t hi, double target, F valueOf) {
    std::uint32_t best = lowerBound(0, hi, target, valueOf);
    if (best > 0 && std::fabs(valueOf(best - 1) - target) <= std::fabs(valueOf(best) - target)) {
        --best;
    }
    return static_cast<std::uint16_t>(best);
}

// Random numbers from the engine's raw output, so that a seed gives the same flight everywhere.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : engine_(seed) {}
    // Uniform in [0, 1).
    double unit() { return static_cast<double>(next()) / 4294967296.0; }
    // Uniform integer in [-amplitude, amplitude].
    int symmetric(double amplitude) {
        const int a = static_cast<int>(std::lround(amplitude));
        if (a <= 0) {
            return 0;
        }
        return static_cast<int>(next() % static_cast<std::uint32_t>(2 * a + 1)) - a;
    }
    std::uint32_t below(std::uint32_t n) { return n == 0 ? 0 : next() % n; }

private:
    std::uint32_t next() { return static_cast<std::uint32_t>(engine_()); }
    std::mt19937 engine_;
};

// Height at the end of the climb, m.
double climbTop(const GeneratorOptions& o) {
    return o.climbRateMps *
           (o.climbSeconds < 1.0 ? o.climbSeconds * o.climbSeconds / 2.0 : o.climbSeconds - 0.5);
}

// Height after glideS seconds of gliding, m; the glide ends on the ground.
double glideHeight(const GeneratorOptions& o, double glideS) {
    return std::max(0.0, climbTop(o) - o.glideSinkMps * glideS);
}

// Height in metres at time tS of the modelled flight, with the phase ends smoothed a little.
double heightAt(double tS, const GeneratorOptions& o, double glideEndHeight, double landingEnd) {
    const double climbStart = o.groundSeconds;
    const double climbEnd = climbStart + o.climbSeconds;
    const double glideEnd = climbEnd + o.glideSeconds;
    if (tS < climbStart) {
        return 0.0;
    }
    if (tS < climbEnd) {
        // Rate builds up over the first second of the climb.
        const double dt = tS - climbStart;
        return o.climbRateMps * (dt < 1.0 ? dt * dt / 2.0 : dt - 0.5);
    }
    if (tS < glideEnd) {
        return glideHeight(o, tS - climbEnd);
    }
    if (tS < landingEnd) {
        return std::max(0.0, glideEndHeight - kLandingSinkMps * (tS - glideEnd));
    }
    return 0.0;
}

} // namespace

std::uint16_t rawTemperatureFor(double tempC, const Calibration& cal) {
    return closestWord(0xFFFF, tempC * 10.0,
                       [&](std::uint32_t ut) { return static_cast<double>(tenthsOf(ut, cal)); });
}

std::uint16_t rawPressureFor(double pressurePa, std::uint16_t ut, const Calibration& cal) {
    // 0xFFFF is the end marker, never a measured word.
    return closestWord(0xFFFE, pressurePa, [&](std::uint32_t up) {
        return static_cast<double>(CompensatePressure(up, ut, cal));
    });
}

std::vector<std::uint8_t> generateFlight(const GeneratorOptions& options) {
    GeneratorOptions o = options;
    for (double* value : {&o.groundSeconds, &o.climbSeconds, &o.climbRateMps, &o.glideSinkMps,
                          &o.glideSeconds, &o.landedSeconds, &o.noiseCounts}) {
        *value = std::isfinite(*value) ? std::clamp(*value, 0.0, 1e6) : 0.0;
    }
    const std::uint32_t rate = rateTimes10ForCode(o.rateCode);
    const double samplesPerSecond = rate != 0 ? rate / 10.0 : 10.0;

    const double climbEnd = o.groundSeconds + o.climbSeconds;
    const double glideEnd = climbEnd + o.glideSeconds;
    const double glideEndHeight = glideHeight(o, o.glideSeconds);
    const double landingEnd = glideEnd + glideEndHeight / kLandingSinkMps;
    const double totalSeconds = landingEnd + o.landedSeconds;

    auto samples = static_cast<std::uint32_t>(
        std::min(std::ceil(totalSeconds * samplesPerSecond), double{kMaxGeneratedSamples}));
    if (o.maxSamples != 0) {
        samples = std::min(samples, o.maxSamples);
    }

    std::vector<std::uint8_t> bytes(kHeaderBytes, 0);
    const double groundK = o.groundTempC + kKelvin;
    const std::uint16_t groundUt = rawTemperatureFor(o.groundTempC, o.calibration);
    writeU16le(bytes, kOffsetCompetitor, o.competitor);
    writeU16le(bytes, kOffsetSerial, o.serial);
    writeU16le(bytes, kOffsetHeaderUt, groundUt);
    bytes[kOffsetRateCode] = static_cast<std::uint8_t>(o.rateCode & 0xFF);
    writeU16le(bytes, kOffsetDeviceFactor, o.deviceFactor);
    writeCalibrationWords(bytes, o.calibration);

    Noise noise(o.seed);
    std::vector<bool> spikeAt(samples, false);
    // Spikes stay clear of the ten reference samples.
    for (std::uint32_t s = 0; s < o.spikes && s < samples && samples > 12; ++s) {
        spikeAt[10 + noise.below(samples - 11)] = true;
    }

    // Trailing bytes only up to what a reader takes: a larger file could not be loaded again.
    const std::size_t flightBytes = kHeaderBytes + (samples + 1) * kSampleBytes;
    const std::uint32_t trailing = static_cast<std::uint32_t>(std::min<std::size_t>(
        o.trailingBytes, kMaxGeneratedBytes > flightBytes ? kMaxGeneratedBytes - flightBytes : 0));
    bytes.reserve(flightBytes + trailing);
    for (std::uint32_t s = 0; s < samples; ++s) {
        const double tS = s / samplesPerSecond;
        const double h = heightAt(tS, o, glideEndHeight, landingEnd);
        const double airK = groundK - kLapseRateKPerM * h;
        const double pressurePa =
            o.groundPressurePa * std::pow(airK / groundK, kBarometricExponent);
        const std::uint16_t ut = rawTemperatureFor(airK - kKelvin, o.calibration);
        int up = rawPressureFor(pressurePa, ut, o.calibration);
        up += noise.symmetric(o.noiseCounts);
        if (spikeAt[s]) {
            const int size = 100 + static_cast<int>(noise.below(700));
            up += noise.unit() < 0.5 ? -size : size;
        }
        up = std::clamp(up, 0, 0xFFFE);
        const std::size_t at = bytes.size();
        writeU16le(bytes, at, ut);
        writeU16le(bytes, at + 2, static_cast<std::uint16_t>(up));
    }
    if (o.endMarker) {
        const std::size_t at = bytes.size();
        writeU16le(bytes, at, 0xFFFF);
        writeU16le(bytes, at + 2, kEndMarkerWord);
    }
    for (std::uint32_t b = 0; b < trailing; ++b) {
        bytes.push_back(static_cast<std::uint8_t>(noise.below(256)));
    }
    return bytes;
}

} // namespace kestrom
