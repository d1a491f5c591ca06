// The download against the simulated recorder: outcomes, messages, the end test on real streams,
// the device value in bytes 8-9, the read budget, the buffer bound, time and priority.

#include "device/actions.h"
#include "device/simulated_bus.h"
#include "tests/support/fake_prompts.h"

#include <gtest/gtest.h>
#include <ostream>

#include <sys/resource.h>

namespace kestrom {
namespace {

using namespace std::chrono_literals;
using test::FakePrompts;
using test::ShownMessage;

// A recorder holding a simple flight of `samples` samples (none for 0) on a bus of that timing.
struct Rig {
    explicit Rig(std::size_t samples = 0, SimulatedTiming timing = {})
        : bus(timing), recorder(bus.addRecorder()), link(bus) {
        if (samples != 0) {
            recorder.state.flight = makeSimpleFlight(samples);
        }
    }
    SimulatedBus bus;
    SimulatedRecorder& recorder;
    DeviceLink link;
    FakePrompts prompts;

    void streamBytes(std::vector<std::uint8_t> bytes) {
        recorder.faults.replyOverride[command::kTransfer] = std::move(bytes);
    }
};

TEST(Download, DeliversTheStoredFlightWithDeviceValueInBytes8And9) {
    Rig rig(500);
    rig.recorder.state.deviceFactor = 10123;
    std::vector<std::string> progress;
    std::vector<bool> busy;
    int headerCalls = 0;
    DownloadView view;
    view.showBusy = [&](bool shown) { busy.push_back(shown); };
    view.showProgress = [&](const std::string& text) { progress.push_back(text); };
    view.headerReady = [&](std::span<const std::uint8_t> image) {
        ++headerCalls;
        EXPECT_EQ(readU16le(image, 8), 10123);
    };

    const DownloadResult result = downloadFlight(rig.link, rig.prompts, view);

    ASSERT_EQ(result.outcome, DownloadOutcome::Ok);
    EXPECT_TRUE(rig.prompts.shown.empty());
    EXPECT_TRUE(result.newFlight);
    EXPECT_TRUE(result.endSeen);
    auto expected = rig.recorder.state.flight;
    writeU16le(expected, 8, 10123);
    EXPECT_EQ(result.image, expected);
    EXPECT_EQ(result.flightBytes, expected.size());
    EXPECT_EQ(result.wordCount, (expected.size() - 32) / 2);
    EXPECT_EQ(headerCalls, 1);
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress.front(), "   0 %");
    // The connection stays open and the recorder has handed over its flight.
    EXPECT_TRUE(rig.link.connected());
    EXPECT_FALSE(rig.recorder.state.newFlight);
}

TEST(Download, NoNewFlightWarnsAndDownloadsAllTheSame) {
    Rig rig(100);
    rig.recorder.state.newFlight = false;
    const DownloadResult result = downloadFlight(rig.link, rig.prompts);
    EXPECT_EQ(result.outcome, DownloadOutcome::Ok);
    EXPECT_EQ(
        rig.prompts.shown,
        (std::vector<ShownMessage>{{Message::NoNewFlight, Message::ProblemCaption, Buttons::Ok}}));
}

TEST(Download, ShortStatusReplyFailsAndCloses) {
    Rig rig(100);
    rig.recorder.faults.replyLengthDelta = -1;
    std::vector<bool> busy;
    DownloadView view;
    view.showBusy = [&](bool shown) { busy.push_back(shown); };
    const DownloadResult result = downloadFlight(rig.link, rig.prompts, view);
    EXPECT_EQ(result.outcome, DownloadOutcome::StatusFailed);
    EXPECT_EQ(rig.prompts.shown, (std::vector<ShownMessage>{
                                     {Message::CommError, Message::ProblemCaption, Buttons::Ok}}));
    EXPECT_FALSE(rig.link.connected());
    EXPECT_EQ(busy, (std::vector<bool>{true, false}));
    // e1 was never sent.
    EXPECT_NE(rig.recorder.frames.back()[1], command::kTransfer);
}

struct FactorCase {
    std::optional<std::uint16_t> sent; // nullopt: eD reply missing
    std::int32_t used;
};

// Named by what the case is about, so test names stay the same from build to build.
void PrintTo(const FactorCase& c, std::ostream* out) {
    if (c.sent) {
        *out << "sent " << *c.sent;
    } else {
        *out << "no reply";
    }
}

class DeviceFactor : public ::testing::TestWithParam<FactorCase> {};

TEST_P(DeviceFactor, RangeRuleAndMissingReply) {
    Rig rig(100);
    if (GetParam().sent) {
        rig.recorder.state.deviceFactor = *GetParam().sent;
    } else {
        rig.recorder.faults.replyOverride[command::kDeviceInfo] = std::vector<std::uint8_t>{};
    }
    const DownloadResult result = downloadFlight(rig.link, rig.prompts);
    ASSERT_EQ(result.outcome, DownloadOutcome::Ok);
    EXPECT_EQ(result.deviceFactor, GetParam().used);
    EXPECT_EQ(readU16le(result.image, 8), GetParam().used);
    EXPECT_TRUE(rig.prompts.shown.empty()); // a missing eD reply is no failure
}

INSTANTIATE_TEST_SUITE_P(Values, DeviceFactor,
                         ::testing::Values(FactorCase{9699, 10000}, FactorCase{9700, 9700},
                                           FactorCase{10500, 10500}, FactorCase{10501, 10000},
                                           FactorCase{0, 10000}, FactorCase{std::nullopt, 10000}));

TEST(Download, MissingDeviceInfoKeepsEarlierBlockCount) {
    Rig rig(100);
    rig.recorder.state.versionMinor = 0x10; // bytes 4-5 are also the block count
    rig.recorder.state.versionYear = 0x00;
    downloadFlight(rig.link, rig.prompts);
    EXPECT_EQ(rig.link.expectedBlocks(), 0x10u);

    rig.recorder.faults.replyOverride[command::kDeviceInfo] = std::vector<std::uint8_t>{1, 2, 3};
    std::vector<std::string> progress;
    DownloadView view;
    view.showProgress = [&](const std::string& text) { progress.push_back(text); };
    downloadFlight(rig.link, rig.prompts, view);
    EXPECT_EQ(rig.link.expectedBlocks(), 0x10u);
    // 436 bytes of 512 announced.
    EXPECT_EQ(progress.back(), "   85 %");
}

TEST(Download, NoBlockCountShowsNoNumber) {
    Rig rig(100);
    rig.recorder.state.versionMinor = 0;
    rig.recorder.state.versionYear = 0;
    std::vector<std::string> progress;
    DownloadView view;
    view.showProgress = [&](const std::string& text) { progress.push_back(text); };
    EXPECT_EQ(downloadFlight(rig.link, rig.prompts, view).outcome, DownloadOutcome::Ok);
    EXPECT_EQ(progress.back(), "   -- %");
}

struct StreamCase {
    std::size_t bytes;
    DownloadOutcome outcome;
    std::uint32_t wordCount;
};

void PrintTo(const StreamCase& c, std::ostream* out) { *out << c.bytes << " bytes"; }

class StreamLength : public ::testing::TestWithParam<StreamCase> {};

TEST_P(StreamLength, WordCountAndNoFlightMessage) {
    Rig rig;
    std::vector<std::uint8_t> stream(GetParam().bytes, 0x22);
    stream[stream.size() - 2] = 0xFF;
    stream[stream.size() - 1] = 0xFF;
    rig.streamBytes(stream);
    std::size_t messagesAtHeader = 99;
    DownloadView view;
    view.headerReady = [&](std::span<const std::uint8_t>) {
        messagesAtHeader = rig.prompts.shown.size();
    };
    const DownloadResult result = downloadFlight(rig.link, rig.prompts, view);
    EXPECT_EQ(result.outcome, GetParam().outcome);
    EXPECT_EQ(result.wordCount, GetParam().wordCount);
    EXPECT_EQ(result.flightBytes, GetParam().bytes);
    EXPECT_EQ(messagesAtHeader, 0u); // the header is applied before the message
    if (GetParam().outcome == DownloadOutcome::NoFlight) {
        EXPECT_EQ(rig.prompts.texts(), std::vector<Message>{Message::NoFlight});
        EXPECT_TRUE(rig.link.connected());
    }
}

INSTANTIATE_TEST_SUITE_P(Lengths, StreamLength,
                         ::testing::Values(StreamCase{32, DownloadOutcome::NoFlight, 0},
                                           StreamCase{63, DownloadOutcome::NoFlight, 0},
                                           StreamCase{64, DownloadOutcome::Ok, 16},
                                           StreamCase{65, DownloadOutcome::Ok, 16}));

TEST(Download, StreamCutBeforeHeaderEndFailsAfterTheWholeBudget) {
    Rig rig(100);
    rig.recorder.faults.cutStreamAfter = 20;
    const DownloadResult result = downloadFlight(rig.link, rig.prompts);
    EXPECT_EQ(result.outcome, DownloadOutcome::TransferFailed);
    EXPECT_EQ(result.flightBytes, 20u);
    EXPECT_EQ(result.readsUsed, kTransferReadBudget);
    EXPECT_EQ(rig.prompts.texts(), std::vector<Message>{Message::CommError});
    EXPECT_FALSE(rig.link.connected());
    // A silent link costs the budget times the read time-out, no more.
    EXPECT_LE(rig.bus.elapsed(), 1020 * 40ms + 200ms);
    EXPECT_GE(rig.bus.elapsed(), 1019 * 40ms);
}

struct TailCase {
    const char* name;
    void (*misbehave)(RecorderFaults&);
    bool endSeen;
};

void PrintTo(const TailCase& c, std::ostream* out) { *out << c.name; }

class StreamTail : public ::testing::TestWithParam<TailCase> {};

TEST_P(StreamTail, EndRecognisedOnlyForEvenTailsUpToTen) {
    Rig rig(100); // 436 bytes: two reads
    GetParam().misbehave(rig.recorder.faults);
    const DownloadResult result = downloadFlight(rig.link, rig.prompts);
    EXPECT_EQ(result.outcome, DownloadOutcome::Ok); // what arrived is used either way
    EXPECT_EQ(result.endSeen, GetParam().endSeen);
    EXPECT_EQ(result.readsUsed, GetParam().endSeen ? 2 : kTransferReadBudget);
}

INSTANTIATE_TEST_SUITE_P(
    Tails, StreamTail,
    ::testing::Values(
        TailCase{"none", [](RecorderFaults&) {}, true},
        TailCase{"two", [](RecorderFaults& f) { f.trailingBytes.assign(2, 0x00); }, true},
        TailCase{"ten", [](RecorderFaults& f) { f.trailingBytes.assign(10, 0x00); }, true},
        TailCase{"one", [](RecorderFaults& f) { f.trailingBytes.assign(1, 0x00); }, false},
        TailCase{"three", [](RecorderFaults& f) { f.trailingBytes.assign(3, 0x00); }, false},
        TailCase{"twelve", [](RecorderFaults& f) { f.trailingBytes.assign(12, 0x00); }, false},
        TailCase{"lone_ff",
                 [](RecorderFaults& f) {
                     f.omitEndMarker = true;
                     f.trailingBytes = {0x00, 0xFF};
                 },
                 false},
        TailCase{"no_marker", [](RecorderFaults& f) { f.omitEndMarker = true; }, false},
        TailCase{"cut_mid_flight", [](RecorderFaults& f) { f.cutStreamAfter = 300; }, false}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST(Download, FullBufferEndsTheTransfer) {
    Rig rig;
    // Far more than the buffer holds, and no end marker anywhere.
    rig.streamBytes(std::vector<std::uint8_t>(120'000, 0x33));
    const DownloadResult result = downloadFlight(rig.link, rig.prompts);
    EXPECT_EQ(result.outcome, DownloadOutcome::Ok);
    EXPECT_FALSE(result.endSeen);
    EXPECT_EQ(result.flightBytes, kRxBufferBytes);
    EXPECT_EQ(result.image.size(), kRxBufferBytes);
    EXPECT_EQ(result.readsUsed, static_cast<int>((kRxBufferBytes + 255) / 256));
}

TEST(Download, UnpluggedBetweenActionsShowsNotFound) {
    Rig rig(100);
    ASSERT_EQ(downloadFlight(rig.link, rig.prompts).outcome, DownloadOutcome::Ok);
    rig.bus.setPlugged(0, false);
    EXPECT_EQ(downloadFlight(rig.link, rig.prompts).outcome, DownloadOutcome::NotConnected);
    EXPECT_EQ(rig.prompts.texts(), std::vector<Message>{Message::PortError});
    EXPECT_FALSE(rig.link.connected());
}

// The largest flight the window can show: 17,000 samples.
constexpr std::size_t kMaxSamples = 17'000;

TEST(DownloadTime, PacedRecorderCostsByteTimePlusOneTimeout) {
    constexpr std::uint32_t kRate = 11'000;
    Rig rig(kMaxSamples, SimulatedTiming{false, kRate, 64});
    const auto before = rig.bus.elapsed();
    std::chrono::microseconds transferStart{};
    DownloadView view;
    view.transferStarting = [&] { transferStart = rig.bus.elapsed(); };
    const DownloadResult result = downloadFlight(rig.link, rig.prompts, view);
    ASSERT_EQ(result.outcome, DownloadOutcome::Ok);
    const auto byteTime = std::chrono::microseconds(
        static_cast<std::int64_t>(rig.recorder.state.flight.size()) * 1'000'000 / kRate);
    const auto transfer = rig.bus.elapsed() - transferStart;
    EXPECT_LE(transfer, byteTime + 40ms);
    EXPECT_GE(transfer, byteTime - 1ms);
    // Before the transfer, the handshake, e4 and eD each wait out one time-out: their replies
    // are shorter than the read asks for.
    EXPECT_LE(rig.bus.elapsed() - before, byteTime + 4 * 40ms + 2ms);
}

TEST(DownloadTime, UnpacedRecorderIsFastInRealTime) {
    Rig rig(kMaxSamples, SimulatedTiming{true, 0, 64});
    const auto start = std::chrono::steady_clock::now();
    const DownloadResult result = downloadFlight(rig.link, rig.prompts);
    const auto spent = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(result.outcome, DownloadOutcome::Ok);
    EXPECT_EQ(result.flightBytes, rig.recorder.state.flight.size());
    // One read time-out for the last, partial read, plus copying; generous for loaded machines.
    EXPECT_LT(spent, 250ms);
}

TEST(Download, PriorityIsBackToNormalOnEveryPath) {
    const int before = getpriority(PRIO_PROCESS, 0);
    Rig rig(100);
    downloadFlight(rig.link, rig.prompts);
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), before);
    rig.recorder.faults.replyLengthDelta = 1;
    EXPECT_EQ(downloadFlight(rig.link, rig.prompts).outcome, DownloadOutcome::StatusFailed);
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), before);
    rig.bus.setPlugged(0, false);
    downloadFlight(rig.link, rig.prompts);
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), before);
}

} // namespace
} // namespace kestrom
