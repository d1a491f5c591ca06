#pragma once
// A short flight that names its competitor and, as `serialBase + competitor`, its recorder: the
// station's tests tell recorders apart by them.

#include "device/simulated_bus.h"
#include "flight/flight_image.h"

#include <cstdint>
#include <vector>

namespace kestrom::test {

inline std::vector<std::uint8_t> competitorFlight(std::uint16_t competitor,
                                                  std::uint16_t serialBase, std::size_t samples) {
    std::vector<std::uint8_t> flight = makeSimpleFlight(samples);
    writeU16le(flight, kOffsetCompetitor, competitor);
    writeU16le(flight, kOffsetSerial, static_cast<std::uint16_t>(serialBase + competitor));
    return flight;
}

} // namespace kestrom::test
