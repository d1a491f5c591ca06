// Times the download of a maximum-size flight through the whole USB stack (libftdi1, libusb and an
// emulated FT201X under umockdev) beside the same download from the simulated bus. Run under
// umockdev-wrapper; prints medians of wall time and CPU time.

#include "device/actions.h"
#include "device/simulated_bus.h"
#include "tests/support/fake_prompts.h"
#include "tests/usb/ft201x_emulator.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using namespace kestrom;

constexpr std::size_t kMaxSamples = 16'999;
constexpr int kRuns = 7;

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Sample {
    double wall = 0;
    double transfer = 0;
    double threadCpu = 0;  // the thread running the action: the program's own share
    double processCpu = 0; // with the emulator's thread and libusb's event thread
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void report(const char* name, const std::vector<Sample>& samples) {
    std::vector<double> wall, transfer, thread, process;
    for (const Sample& s : samples) {
        wall.push_back(s.wall);
        transfer.push_back(s.transfer);
        thread.push_back(s.threadCpu);
        process.push_back(s.processCpu);
    }
    std::printf("%-24s whole %.3f s  transfer %.3f s  CPU: action thread %.3f s, process %.3f s\n",
                name, median(wall), median(transfer), median(thread), median(process));
}

Sample timeDownload(DeviceBus& bus, std::size_t expectedBytes) {
    DeviceLink link(bus);
    test::FakePrompts prompts;
    DownloadView view;
    auto transferStart = std::chrono::steady_clock::now();
    view.transferStarting = [&] { transferStart = std::chrono::steady_clock::now(); };
    const double thread0 = cpuSeconds(RUSAGE_THREAD);
    const double process0 = cpuSeconds(RUSAGE_SELF);
    const auto start = std::chrono::steady_clock::now();
    const DownloadResult result = downloadFlight(link, prompts, view);
    const auto end = std::chrono::steady_clock::now();
    Sample s;
    s.threadCpu = cpuSeconds(RUSAGE_THREAD) - thread0;
    s.processCpu = cpuSeconds(RUSAGE_SELF) - process0;
    s.wall = std::chrono::duration<double>(end - start).count();
    s.transfer = std::chrono::duration<double>(end - transferStart).count();
    if (result.outcome != DownloadOutcome::Ok || result.image.size() != expectedBytes) {
        std::fprintf(stderr, "download failed\n");
        std::exit(1);
    }
    return s;
}

} // namespace

int main() {
    const std::vector<std::uint8_t> flight = makeSimpleFlight(kMaxSamples);
    std::printf("maximum-size flight: %zu bytes, median of %d runs\n", flight.size(), kRuns);

    std::vector<Sample> simulated;
    for (int run = 0; run < kRuns; ++run) {
        SimulatedBus bus(SimulatedTiming{true, 0, 64});
        SimulatedRecorder& recorder = bus.addRecorder();
        recorder.state.flight = flight;
        simulated.push_back(timeDownload(bus, flight.size()));
    }
    report("simulated bus", simulated);

    std::vector<Sample> emulated;
    for (int run = 0; run < kRuns; ++run) {
        test::Ft201xEmulator usb;
        usb.recorder(usb.plug()).state.flight = flight;
        const auto bus = makeHardwareBus();
        emulated.push_back(timeDownload(*bus, flight.size()));
    }
    report("libftdi1 + emulated USB", emulated);
    return 0;
}
