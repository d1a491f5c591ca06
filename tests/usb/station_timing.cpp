// Times four maximum-size flights downloaded at once by the contest station, each recorder
// sending at 11,520 bytes/s, against one such download alone: on the simulated bus and through
// libftdi1 and libusb to emulated FT201X bridges. Run under umockdev-wrapper; prints medians.

#include "device/simulated_bus.h"
#include "device/station.h"
#include "tests/usb/ft201x_emulator.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <unistd.h>

namespace {

using namespace kestrom;
using namespace std::chrono_literals;

constexpr std::size_t kMaxSamples = 16'999;
constexpr std::uint32_t kBytesPerSecond = 11'520;
constexpr int kRuns = 3;

// Seconds from the station's start until `count` recorders are done; -1 when one failed.
double stationSeconds(DeviceBus& bus, std::size_t count, const std::filesystem::path& folder) {
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t done = 0;
    bool failed = false;
    StationOptions options;
    options.archiveFolder = folder;
    options.listingPeriod = 50ms;
    const auto start = std::chrono::steady_clock::now();
    Station station(bus, options, [&](const RecorderReport& r) {
        const std::lock_guard lock(mutex);
        if (r.stage == RecorderStage::Done) {
            ++done;
        } else if (r.stage == RecorderStage::Failed) {
            failed = true;
            std::fprintf(stderr, "failed: %s\n", r.reason.c_str());
        }
        changed.notify_all();
    });
    station.start();
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return failed || done >= count; });
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    return failed ? -1.0 : spent.count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main() {
    const std::vector<std::uint8_t> flight = makeSimpleFlight(kMaxSamples);
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("kestrom-station-timing-" + std::to_string(getpid()));
    std::printf("maximum-size flight: %zu bytes at %u bytes/s, median of %d runs\n", flight.size(),
                kBytesPerSecond, kRuns);
    for (const bool emulated : {false, true}) {
        std::vector<double> one, four;
        for (int run = 0; run < kRuns; ++run) {
            for (const std::size_t count : {std::size_t{1}, std::size_t{4}}) {
                double seconds = 0;
                if (emulated) {
                    test::Ft201xEmulator usb;
                    for (std::size_t i = 0; i < count; ++i) {
                        test::BridgeSetup setup;
                        setup.flight = flight;
                        setup.bytesPerSecond = kBytesPerSecond;
                        usb.plug(setup);
                    }
                    const auto bus = makeHardwareBus();
                    seconds = stationSeconds(*bus, count, folder);
                } else {
                    SimulatedBus bus(SimulatedTiming{true, kBytesPerSecond, 64});
                    for (std::size_t i = 0; i < count; ++i) {
                        bus.plugRecorder(flight);
                    }
                    seconds = stationSeconds(bus, count, folder);
                }
                if (seconds < 0) {
                    return 1;
                }
                (count == 1 ? one : four).push_back(seconds);
            }
        }
        const double a = median(one);
        const double b = median(four);
        std::printf("%-24s one recorder %.2f s, four at once %.2f s, ratio %.3f\n",
                    emulated ? "libftdi1 + emulated USB" : "simulated bus", a, b, b / a);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
