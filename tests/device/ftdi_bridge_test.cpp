// The libftdi1 bridge's read loop against a scripted port and a fake steady clock: it waits for
// the count or the deadline, treats empty reads and USB time-outs as "nothing yet", and keeps
// the bytes that came before an error.

#include "device/ftdi_bridge.h"

#include <gtest/gtest.h>
#include <ostream>

#include <deque>

namespace kestrom {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// One call of ftdi_read_data: how long it takes, then its result (bytes or an error code).
struct Step {
    std::chrono::milliseconds takes;
    std::vector<std::uint8_t> bytes;
    int error = 0; // used when bytes is empty: 0 nothing yet, else the code returned
};

class ScriptedPort : public FtdiPort {
public:
    ScriptedPort(std::deque<Step> script, Clock::time_point& now)
        : script_(std::move(script)), now_(now) {}

    int readData(std::span<std::uint8_t> bytes) override {
        ++reads;
        if (script_.empty()) {
            now_ += 2ms; // the chip's empty packet every latency period
            return 0;
        }
        Step step = script_.front();
        now_ += step.takes;
        if (step.bytes.empty()) {
            script_.pop_front();
            return step.error;
        }
        // The port hands over at most what was asked; the rest waits for the next call.
        const std::size_t n = std::min(bytes.size(), step.bytes.size());
        std::copy_n(step.bytes.begin(), n, bytes.begin());
        script_.front().bytes.erase(script_.front().bytes.begin(),
                                    script_.front().bytes.begin() + static_cast<std::ptrdiff_t>(n));
        script_.front().takes = 0ms;
        if (script_.front().bytes.empty()) {
            script_.pop_front();
        }
        return static_cast<int>(n);
    }
    int writeData(std::span<const std::uint8_t> bytes) override {
        written.insert(written.end(), bytes.begin(), bytes.end());
        return writeResult < 0 ? writeResult : static_cast<int>(bytes.size());
    }
    int purgeBoth() override { return ++purges, 0; }
    void setUsbTimeouts(int readMs, int writeMs) override {
        usbRead = readMs;
        usbWrite = writeMs;
    }

    int reads = 0;
    int purges = 0;
    int usbRead = 0;
    int usbWrite = 0;
    int writeResult = 0;
    std::vector<std::uint8_t> written;

private:
    std::deque<Step> script_;
    Clock::time_point& now_;
};

struct LoopCase {
    const char* name;
    std::deque<Step> script;
    std::size_t want;
    std::size_t got;
    std::chrono::milliseconds maxSpent;
};

// Named by what the case is about, so test names stay the same from build to build.
void PrintTo(const LoopCase& c, std::ostream* out) { *out << c.name; }

class ReadLoop : public ::testing::TestWithParam<LoopCase> {};

TEST_P(ReadLoop, CountOrDeadline) {
    Clock::time_point now{};
    const Clock::time_point start = now;
    ScriptedPort port(GetParam().script, now);
    std::vector<std::uint8_t> buffer(GetParam().want, 0);
    const std::size_t got = readWithDeadline(port, buffer, 40ms, [&] { return now; });
    EXPECT_EQ(got, GetParam().got);
    EXPECT_LE(now - start, GetParam().maxSpent);
}

std::vector<std::uint8_t> bytes(std::size_t n, std::uint8_t value = 0x5A) {
    return std::vector<std::uint8_t>(n, value);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, ReadLoop,
    ::testing::Values(
        // Everything at once: returns without waiting.
        LoopCase{"all_at_once", {{1ms, bytes(8)}}, 8, 8, 1ms},
        // Arrives in pieces with empty packets between: collected until the count is there.
        LoopCase{"pieces",
                 {{2ms, bytes(3)},
                  {2ms, {}, 0},
                  {2ms, bytes(3)},
                  {2ms, {}, kUsbTimeoutCode},
                  {2ms, bytes(2)}},
                 8,
                 8,
                 10ms},
        // More than asked is left for the next read.
        LoopCase{"more_than_asked", {{1ms, bytes(300)}}, 256, 256, 1ms},
        // Silence: returns at the deadline with nothing, overshooting by one packet period.
        LoopCase{"silent", {}, 16, 0, 42ms},
        // Two bytes, then silence: the handshake's case.
        LoopCase{"short_reply", {{1ms, bytes(2)}}, 16, 2, 42ms},
        // An error after some bytes keeps those bytes and returns at once.
        LoopCase{"error_after_bytes", {{1ms, bytes(5)}, {1ms, {}, -666}}, 8, 5, 2ms},
        // An error before anything counts as nothing received.
        LoopCase{"error_first", {{1ms, {}, -4}}, 8, 0, 1ms},
        // A slow USB call that crosses the deadline ends the loop after it returns.
        LoopCase{"slow_call", {{39ms, bytes(1)}, {40ms, {}, kUsbTimeoutCode}}, 8, 1, 80ms}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST(FtdiBridge, UsesItsReadTimeoutAndPassesCallsThrough) {
    Clock::time_point now{};
    auto portOwner = std::make_unique<ScriptedPort>(std::deque<Step>{{5ms, bytes(2)}}, now);
    ScriptedPort& port = *portOwner;
    FtdiBridge bridge(std::move(portOwner), [&] { return now; });
    EXPECT_TRUE(bridge.setTimeouts(40, 15));
    EXPECT_EQ(port.usbRead, 40);
    EXPECT_EQ(port.usbWrite, 15);
    EXPECT_TRUE(bridge.purge());
    EXPECT_EQ(port.purges, 1);
    const std::array<std::uint8_t, 8> frame{0x65, 0x54, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(bridge.write(frame));
    EXPECT_EQ(port.written, std::vector<std::uint8_t>(frame.begin(), frame.end()));
    port.writeResult = -666;
    EXPECT_FALSE(bridge.write(frame));

    std::array<std::uint8_t, 16> reply{};
    const Clock::time_point start = now;
    EXPECT_EQ(bridge.read(reply), 2u);
    EXPECT_GE(now - start, 40ms);
    EXPECT_LE(now - start, 42ms);
}

} // namespace
} // namespace kestrom
