// Writes the seed scripts of the device fuzz target: one session with the simulated recorder per
// situation (a good recorder, no new flight, faults of every kind), each carrying a short flight
// from the generator. Usage: make_device_seeds OUTPUT_FOLDER

#include "device/simulated_bus.h"
#include "flight/generator.h"
#include "scripted_bus.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

using namespace kestrom;

struct Situation {
    const char* name;
    std::function<void(SimulatedBus&, SimulatedRecorder&, fuzz::SessionParams&)> setUp;
};

std::vector<std::uint8_t> shortFlight(std::uint32_t seed, std::uint32_t samples) {
    GeneratorOptions options;
    options.seed = seed;
    options.groundSeconds = 1.0;
    options.climbSeconds = 2.0;
    options.glideSeconds = 2.0;
    options.landedSeconds = 1.0;
    options.maxSamples = samples;
    return generateFlight(options);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);

    const std::vector<Situation> situations{
        {"good", [](auto&, auto&, auto&) {}},
        {"no-new-flight", [](auto&, auto& r, auto&) { r.state.newFlight = false; }},
        {"other-device-first",
         [](auto& bus, auto&, auto&) { bus.addOtherDevice("FT232R USB UART"); }},
        {"silent", [](auto&, auto& r, auto&) { r.faults.silent = true; }},
        {"handshake-a5-first", [](auto&, auto& r, auto&) { r.faults.handshakeA5InByte0 = true; }},
        {"short-replies", [](auto&, auto& r, auto&) { r.faults.replyLengthDelta = -1; }},
        {"long-replies", [](auto&, auto& r, auto&) { r.faults.replyLengthDelta = 3; }},
        {"cut-stream", [](auto&, auto& r, auto&) { r.faults.cutStreamAfter = 100; }},
        {"no-end-marker", [](auto&, auto& r, auto&) { r.faults.omitEndMarker = true; }},
        {"trailing-bytes",
         [](auto&, auto& r, auto&) {
             r.faults.trailingBytes = {0x12, 0x34, 0x56, 0x78};
         }},
        {"factor-out-of-range", [](auto&, auto& r, auto&) { r.state.deviceFactor = 9699; }},
        {"refused-writes",
         [](auto&, auto& r, auto&) {
             r.faults.replyOverride[command::kWriteSettings] = std::vector<std::uint8_t>{0, 0};
         }},
        {"zeroing-cancelled-values-too-large",
         [](auto&, auto&, auto& p) {
             p.cancelZeroing = true;
             p.values.triggerMetres = 250;
             p.values.delaySeconds = 400;
         }},
        {"no-selection", [](auto&, auto&, auto& p) { p.values.rateIndex = -1; }},
    };

    std::uint32_t seed = 1;
    for (const Situation& s : situations) {
        SimulatedBus bus;
        fuzz::SessionParams params;
        params.values = {30, 17, 2, 1, 180};
        std::vector<std::uint8_t> script;
        SimulatedRecorder* recorder = nullptr;
        {
            // The situation may add devices first; the recorder is attached after them.
            SimulatedRecorder scratch;
            s.setUp(bus, scratch, params);
            recorder = &bus.addRecorder();
            recorder->faults = scratch.faults;
            recorder->state = scratch.state;
        }
        recorder->state.flight = shortFlight(seed++, 40);
        fuzz::writeSessionParams(script, params);
        fuzz::RecordingBus recording(bus, script);
        DeviceLink link(recording);
        fuzz::SessionPrompts prompts(params.cancelZeroing);
        fuzz::runSession(link, prompts, params);

        std::ofstream out(folder / s.name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(script.data()),
                  static_cast<std::streamsize>(script.size()));
        std::printf("%-36s %6zu bytes\n", s.name, script.size());
    }
    return 0;
}
