// The device side against a recorder whose every answer is chosen by the fuzzer: listing, opening,
// time-outs, purges, writes and each read's bytes (see scripted_bus.h for the input's layout).

#include "scripted_bus.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestrom;
    fuzz::ScriptReader reader(std::span<const std::uint8_t>(data, size));
    const fuzz::SessionParams params = fuzz::readSessionParams(reader);
    fuzz::ScriptedBus bus(reader);
    DeviceLink link(bus);
    fuzz::SessionPrompts prompts(params.cancelZeroing);
    fuzz::runSession(link, prompts, params);
    return 0;
}
