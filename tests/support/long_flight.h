#pragma once
// The longest flight the tests download and read: longer than the curves the window draws.

#include "flight/generator.h"

#include <cstdint>
#include <vector>

namespace kestrom::test {

// 19,991 samples and the end marker at 20 a second: 80,000 bytes.
inline std::vector<std::uint8_t> flightOf80000Bytes() {
    GeneratorOptions options;
    options.rateCode = 0;
    options.glideSeconds = 1100.0;
    options.glideSinkMps = 0.05;
    options.maxSamples = 19991;
    return generateFlight(options);
}

} // namespace kestrom::test
