#pragma once
// Builds flight images sample by sample for the tests.

#include "flight/conversions.h"
#include "flight/flight_header.h"
#include "flight/flight_image.h"

#include <cstdint>
#include <vector>

namespace kestrom::test {

struct Sample {
    std::uint16_t ut;
    std::uint16_t up;
};

inline std::vector<std::uint8_t> headerBytes(unsigned rateCode, std::uint16_t headerUt = 30000,
                                             const Calibration& c = {}) {
    std::vector<std::uint8_t> bytes(kHeaderBytes, 0);
    writeU16le(bytes, kOffsetCompetitor, 42);
    writeU16le(bytes, kOffsetSerial, 4711);
    writeU16le(bytes, kOffsetHeaderUt, headerUt);
    bytes[kOffsetRateCode] = static_cast<std::uint8_t>(rateCode);
    writeU16le(bytes, kOffsetDeviceFactor, 10000);
    writeCalibrationWords(bytes, c);
    return bytes;
}

inline void appendSample(std::vector<std::uint8_t>& bytes, Sample s) {
    const std::size_t at = bytes.size();
    writeU16le(bytes, at, s.ut);
    writeU16le(bytes, at + 2, s.up);
}

// A flight of count samples at constant pressure word up, then the end-marker sample.
inline std::vector<std::uint8_t> flatFlight(unsigned rateCode, std::uint32_t count,
                                            std::uint16_t up = 40000) {
    std::vector<std::uint8_t> bytes = headerBytes(rateCode);
    for (std::uint32_t i = 0; i < count; ++i) {
        appendSample(bytes, {30000, up});
    }
    appendSample(bytes, {0xFFFF, 0xFFFF});
    return bytes;
}

} // namespace kestrom::test
