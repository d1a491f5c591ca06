// Over a thousand downloads in a row from the simulated recorder, most of them with a fault
// injected at random: silence, short and long replies, a cut stream, a missing end marker, a
// refused device-information reply, a broken handshake, unplugging between and during actions.
// Each download must give the recorder's bytes exactly (bytes 8-9 hold deviceFactor) or show
// the message of its failure, and a download without a fault must succeed whatever the one
// before it left behind. Time is virtual, so the 40 ms reads cost nothing.

#include "device/actions.h"
#include "device/simulated_bus.h"
#include "flight/generator.h"
#include "tests/support/fake_prompts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <ostream>
#include <random>
#include <string>

namespace kestrom {
namespace {

enum class Fault {
    None,
    Silent,
    BadHandshake,
    ShortReplies,
    LongReplies,
    NoDeviceInfo,
    CutStream,
    NoEndMarker,
    UnpluggedBefore,
    UnpluggedDuring,
};

constexpr std::array<const char*, 10> kFaultNames{
    "none",           "silent",     "bad handshake", "short replies",    "long replies",
    "no device info", "cut stream", "no end marker", "unplugged before", "unplugged during"};

const char* name(Fault f) { return kFaultNames[static_cast<std::size_t>(f)]; }

// The simulated bus with a hand on the plug: it can pull the recorder's cable after a given
// number of reads of the open device, in the middle of an action.
class PluggableBus : public DeviceBus {
public:
    explicit PluggableBus(SimulatedTiming timing) : sim(timing) {}

    std::optional<std::vector<std::string>> listDescriptions(std::size_t maxDevices) override {
        return sim.listDescriptions(maxDevices);
    }
    std::unique_ptr<BridgeDevice> open(std::size_t index) override {
        auto device = sim.open(index);
        if (!device) {
            return nullptr;
        }
        return std::make_unique<Device>(std::move(device), *this);
    }

    // Unplugs the recorder (attach position 0) after this many more reads; 0 = never.
    void unplugAfterReads(int reads) { readsLeft_ = reads; }
    void plugIn() { sim.setPlugged(kRecorderPosition, true); }
    void unplug() { sim.setPlugged(kRecorderPosition, false); }

    static constexpr std::size_t kRecorderPosition = 0;
    SimulatedBus sim;

private:
    class Device : public BridgeDevice {
    public:
        Device(std::unique_ptr<BridgeDevice> inner, PluggableBus& bus)
            : inner_(std::move(inner)), bus_(bus) {}
        bool setTimeouts(int r, int w) override { return inner_->setTimeouts(r, w); }
        bool purge() override { return inner_->purge(); }
        bool write(std::span<const std::uint8_t> b) override { return inner_->write(b); }
        std::size_t read(std::span<std::uint8_t> bytes) override {
            const std::size_t got = inner_->read(bytes);
            if (bus_.readsLeft_ > 0 && --bus_.readsLeft_ == 0) {
                bus_.unplug();
            }
            return got;
        }

    private:
        std::unique_ptr<BridgeDevice> inner_;
        PluggableBus& bus_;
    };
    int readsLeft_ = 0;
};

// Flights of several lengths, the longest as long as the curve arrays allow.
std::vector<std::vector<std::uint8_t>> flightPool() {
    std::vector<std::vector<std::uint8_t>> pool;
    const std::array<std::uint32_t, 6> samples{16, 40, 300, 1500, 4000, 16999};
    std::uint32_t seed = 7;
    for (const std::uint32_t n : samples) {
        // Glides long enough for every cut below.
        pool.push_back(generateFlight({.seed = seed++,
                                       .rateCode = 0,
                                       .spikes = n / 200,
                                       .glideSeconds = 900.0,
                                       .maxSamples = n}));
    }
    return pool;
}

struct Tally {
    int complete = 0;       // the recorder's bytes, end marker seen
    int partial = 0;        // no end marker seen: what arrived, as the window evaluates it
    int noFlight = 0;       // fewer than 16 words: message shown
    int notConnected = 0;   // not-found message
    int statusFailed = 0;   // communication message after e4
    int transferFailed = 0; // communication message after e1
    int recoveriesChecked = 0;
    int zeroingsChecked = 0;
    std::map<std::string, int> faults;
};

bool shown(const test::FakePrompts& prompts, Message text) {
    const auto texts = prompts.texts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// The download's bytes with bytes 8-9 set to what the recorder's flight holds there.
std::vector<std::uint8_t> withStoredFactor(std::vector<std::uint8_t> image,
                                           const std::vector<std::uint8_t>& flight) {
    if (image.size() >= 10) {
        image[8] = flight[8];
        image[9] = flight[9];
    }
    return image;
}

struct Pacing {
    const char* name;
    std::uint32_t bytesPerSecond;
};

// Names the pacing in test listings instead of dumping its bytes.
void PrintTo(const Pacing& pacing, std::ostream* out) { *out << pacing.name; }

class Soak : public ::testing::TestWithParam<Pacing> {};

TEST_P(Soak, EveryDownloadIsExactOrShowsItsMessage) {
    constexpr int kDownloads = 1000;
    const auto pool = flightPool();
    PluggableBus bus(SimulatedTiming{false, GetParam().bytesPerSecond, 64});
    SimulatedRecorder& recorder = bus.sim.addRecorder();
    bus.sim.addOtherDevice("FT232R USB UART");
    DeviceLink link(bus);
    link.sleep = [](std::chrono::milliseconds) {};

    std::mt19937 random(20261208u + GetParam().bytesPerSecond);
    const auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const std::array<std::uint16_t, 6> factors{10000, 9700, 10500, 9699, 10501, 10234};

    Tally tally;
    bool previousFaulted = false;
    Fault previousFault = Fault::None;
    for (int i = 0; i < kDownloads; ++i) {
        SCOPED_TRACE("download " + std::to_string(i));
        const auto& flight =
            pool[static_cast<std::size_t>(pick(0, static_cast<int>(pool.size()) - 1))];
        recorder.state.flight = flight;
        recorder.state.newFlight = pick(0, 3) != 0;
        recorder.state.deviceFactor = factors[static_cast<std::size_t>(pick(0, 5))];
        recorder.faults = RecorderFaults{};
        const Fault fault = pick(0, 9) < 4 ? Fault::None : static_cast<Fault>(pick(1, 9));
        ++tally.faults[name(fault)];
        switch (fault) {
        case Fault::None:
            break;
        case Fault::Silent:
            recorder.faults.silent = true;
            break;
        case Fault::BadHandshake:
            recorder.faults.handshakeThreeBytes = true;
            break;
        case Fault::ShortReplies:
            recorder.faults.replyLengthDelta = -pick(1, 8);
            break;
        case Fault::LongReplies:
            recorder.faults.replyLengthDelta = pick(1, 6);
            break;
        case Fault::NoDeviceInfo:
            recorder.faults.replyOverride[command::kDeviceInfo] = std::vector<std::uint8_t>{};
            break;
        case Fault::CutStream:
            recorder.faults.cutStreamAfter =
                static_cast<std::size_t>(pick(0, static_cast<int>(flight.size()) - 1));
            break;
        case Fault::NoEndMarker:
            recorder.faults.omitEndMarker = true;
            break;
        case Fault::UnpluggedBefore:
            bus.unplug();
            break;
        case Fault::UnpluggedDuring:
            // From the handshake and the first replies to deep in the transfer.
            bus.unplugAfterReads(pick(0, 1) == 0 ? pick(1, 6) : pick(7, 300));
            break;
        }

        SCOPED_TRACE(std::string("fault ") + name(fault) + ", before it " + name(previousFault) +
                     ", flight of " + std::to_string(flight.size()) + " bytes");
        test::FakePrompts prompts;
        const DownloadResult result = downloadFlight(link, prompts);
        ASSERT_LE(link.rxCount(), static_cast<std::int32_t>(kRxBufferBytes));
        const std::int32_t expectedFactor = fault == Fault::NoDeviceInfo
                                                ? kDeviceFactorDefault
                                                : clampDeviceFactor(recorder.state.deviceFactor);

        switch (result.outcome) {
        case DownloadOutcome::Ok:
            ASSERT_EQ(readU16le(result.image, 8), expectedFactor);
            if (result.endSeen) {
                // Every sample arrived; a cut stream may lack the end-marker sample's last word,
                // which is 0xFFFF like the word before it.
                const auto restored = withStoredFactor(result.image, flight);
                ASSERT_GE(restored.size() + 2, flight.size());
                ASSERT_LE(restored.size(), flight.size());
                ASSERT_TRUE(std::equal(restored.begin(), restored.end(), flight.begin()));
                ASSERT_TRUE(restored.size() == flight.size() || fault == Fault::CutStream ||
                            fault == Fault::UnpluggedDuring);
                ++tally.complete;
            } else {
                // The window evaluates what arrived: it must be the start of the flight.
                ASSERT_TRUE(fault == Fault::CutStream || fault == Fault::NoEndMarker ||
                            fault == Fault::UnpluggedDuring)
                    << name(fault);
                ASSERT_LT(result.image.size(), flight.size());
                const auto restored = withStoredFactor(result.image, flight);
                ASSERT_TRUE(std::equal(restored.begin(), restored.end(), flight.begin()));
                ++tally.partial;
            }
            ASSERT_EQ(shown(prompts, Message::NoNewFlight), !result.newFlight);
            break;
        case DownloadOutcome::NoFlight:
            ASSERT_TRUE(shown(prompts, Message::NoFlight));
            ++tally.noFlight;
            break;
        case DownloadOutcome::NotConnected:
            ASSERT_TRUE(shown(prompts, Message::PortError));
            ASSERT_FALSE(link.connected());
            ++tally.notConnected;
            break;
        case DownloadOutcome::StatusFailed:
            ASSERT_TRUE(shown(prompts, Message::CommError));
            ASSERT_FALSE(link.connected());
            ++tally.statusFailed;
            break;
        case DownloadOutcome::TransferFailed:
            ASSERT_TRUE(shown(prompts, Message::CommError));
            ASSERT_FALSE(link.connected());
            ++tally.transferFailed;
            break;
        }
        if (fault == Fault::None) {
            // Whatever the download before left behind, a sound recorder gives its flight.
            ASSERT_EQ(result.outcome, DownloadOutcome::Ok);
            ASSERT_TRUE(result.endSeen);
            if (previousFaulted) {
                ++tally.recoveriesChecked;
            }
        }

        bus.unplugAfterReads(0);
        bus.plugIn();
        recorder.faults = RecorderFaults{};
        // Now and then the next action is a zeroing, which must find the recorder again.
        if (pick(0, 9) == 0) {
            test::FakePrompts zeroPrompts;
            ASSERT_EQ(zeroRecorder(link, zeroPrompts), ZeroOutcome::Done);
            ++tally.zeroingsChecked;
        } else if (pick(0, 9) == 0) {
            bus.unplug(); // between actions: the open handle dies, the next action reconnects
            bus.plugIn();
        }
        previousFaulted = fault != Fault::None;
        previousFault = fault;
    }

    std::printf("\n%s recorder, %d downloads in %.1f s of virtual time:\n", GetParam().name,
                kDownloads, static_cast<double>(bus.sim.elapsed().count()) / 1e6);
    std::printf("  completed %d, partial (no end marker seen) %d, no measurement %d\n",
                tally.complete, tally.partial, tally.noFlight);
    std::printf("  not found %d, status failed %d, transfer failed %d\n", tally.notConnected,
                tally.statusFailed, tally.transferFailed);
    std::printf("  recoveries after a fault checked %d, zeroings checked %d\n",
                tally.recoveriesChecked, tally.zeroingsChecked);
    std::printf("  injected:");
    for (const auto& [fault, count] : tally.faults) {
        std::printf(" %s %d;", fault.c_str(), count);
    }
    std::printf("\n");
    EXPECT_EQ(tally.complete + tally.partial + tally.noFlight + tally.notConnected +
                  tally.statusFailed + tally.transferFailed,
              kDownloads);
    EXPECT_GT(tally.recoveriesChecked, 50);
}

// Unpaced: every reply is there at once. Paced: 4,000 bytes a second, so a 40 ms read brings
// about 160 bytes and the stream arrives over many reads.
INSTANTIATE_TEST_SUITE_P(Pacings, Soak,
                         ::testing::Values(Pacing{"unpaced", 0}, Pacing{"paced", 4000}),
                         [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace kestrom
