#pragma once
// The longest flight the tests download and read: longer than the curves the window draws.

#include "flight/generator.h"

#include <cstdint>
#include <vector>

namespace kestrom::test {

// 19,991 samples and the end marker at 20 a second: 80,000 bytes.
inline std::vector<std::uint8_t> flightOf80000Bytes(std::uint16_t competitor = 17) {
    return generateFlight({.rateCode = 0,
                           .competitor = competitor,
                           .glideSinkMps = 0.05,
                           .glideSeconds = 1100.0,
                           .maxSamples = 19991});
}

} // namespace kestrom::test
