// The pure rules of the protocol: the end test of the flight stream, the progress text, the
// settings dialog's temperature and version rules, and the command frames' parameter bytes.

#include "device/protocol.h"

#include <gtest/gtest.h>
#include <ostream>

#include <functional>
#include <vector>

namespace kestrom {
namespace {

// `n` bytes of 0x11 with 0xFF 0xFF placed so that `after` bytes follow it.
std::vector<std::uint8_t> streamWithMarker(std::size_t n, std::size_t after) {
    std::vector<std::uint8_t> bytes(n, 0x11);
    bytes[n - after - 2] = 0xFF;
    bytes[n - after - 1] = 0xFF;
    return bytes;
}

struct EndCase {
    std::size_t size;
    std::size_t after; // bytes behind the marker
    bool seen;
};

// Named by what the case is about, so test names stay the same from build to build.
void PrintTo(const EndCase& c, std::ostream* out) {
    *out << c.size << " bytes, " << c.after << " after the marker";
}

class EndTest : public ::testing::TestWithParam<EndCase> {};

TEST_P(EndTest, MarkerFollowedByEvenCountUpToTen) {
    const EndCase c = GetParam();
    EXPECT_EQ(streamEndSeen(streamWithMarker(c.size, c.after)), c.seen);
}

INSTANTIATE_TEST_SUITE_P(Positions, EndTest,
                         ::testing::Values(EndCase{100, 0, true}, EndCase{100, 2, true},
                                           EndCase{100, 4, true}, EndCase{100, 10, true},
                                           EndCase{100, 12, false}, EndCase{100, 1, false},
                                           EndCase{100, 3, false}, EndCase{100, 9, false},
                                           EndCase{101, 0, true}, EndCase{101, 5, false},
                                           EndCase{32, 0, true}, EndCase{31, 0, false},
                                           EndCase{2, 0, false}));

TEST(EndTest, LoneFfIsNoMarker) {
    std::vector<std::uint8_t> bytes(64, 0x11);
    bytes[63] = 0xFF;
    EXPECT_FALSE(streamEndSeen(bytes));
    bytes[61] = 0xFF; // 0xFF 0x11 0xFF: still no pair
    EXPECT_FALSE(streamEndSeen(bytes));
    EXPECT_FALSE(streamEndSeen({}));
}

TEST(ProgressText, PercentAndNoDivisionByZero) {
    EXPECT_EQ(progressText(0, 3200), "   0 %");
    EXPECT_EQ(progressText(1184, 3200), "   37 %");
    EXPECT_EQ(progressText(6400, 3200), "   200 %");
    EXPECT_EQ(progressText(500, 0), "   -- %");
}

TEST(ShownTemperature, PositiveTimesPoint82Truncated) {
    const std::vector<std::pair<int, int>> cases{{30, 24}, {0, 0},     {-5, -5},     {1, 0},
                                                 {2, 1},   {127, 104}, {-128, -128}, {50, 41}};
    for (const auto& [raw, shown] : cases) {
        EXPECT_EQ(shownTemperature(static_cast<std::int8_t>(raw)), shown) << raw;
    }
}

TEST(VersionText, Rule) {
    EXPECT_EQ(versionText(255, 0), "V 2013.12");
    EXPECT_EQ(versionText(255, 99), "V 2013.12");
    EXPECT_EQ(versionText(3, 18), "V 2018.3");
    EXPECT_EQ(versionText(0, 16), "V 2016.0");
    EXPECT_EQ(versionText(12, 29), "V 2029.12");
    EXPECT_EQ(versionText(3, 15), std::nullopt);
    EXPECT_EQ(versionText(3, 30), std::nullopt);
    EXPECT_EQ(versionText(13, 18), std::nullopt);
}

TEST(Payloads, StatusAndInfoDecodeLittleEndian) {
    const std::array<std::uint8_t, 8> status{0x10, 0x27, 0x39, 0x05, 0xFB, 0x20, 0x03, 0x83};
    const StatusBlock block = parseStatusBlock(status);
    EXPECT_EQ(block.competitorNumber, 10000);
    EXPECT_EQ(block.serialNumber, 1337);
    EXPECT_EQ(block.temperatureC, -5);
    EXPECT_EQ(block.triggerQuarterMetres, 800);
    EXPECT_TRUE(block.newFlight());
    EXPECT_EQ(block.rateCode(), 3);

    const std::array<std::uint8_t, 8> info{0, 0, 0xE4, 0x25, 0x03, 0x12, 0, 0};
    const DeviceInfo decoded = parseDeviceInfo(info);
    EXPECT_EQ(decoded.deviceFactor, 9700);
    EXPECT_EQ(decoded.expectedBlocks, 0x1203);
    EXPECT_EQ(decoded.versionMinor, 3);
    EXPECT_EQ(decoded.versionYear, 18);
}

// Each writer puts its parameters at the recorder's byte positions and leaves every other byte as
// it stood (0xEE here), because the recorder sees the whole frame.
TEST(FrameWriters, SetOnlyTheirOwnBytes) {
    const struct {
        const char* name;
        std::function<void(Frame&)> write;
        Frame expected;
    } cases[] = {
        {"e223", putZeroKey, {0xEE, 0xEE, 0x32, 0x33, 0xEE, 0xEE, 0xEE, 0xEE}},
        {"e5",
         [](Frame& f) {
             putSettings(f, {0x1234, 0x0320, 5});
         },
         {0xEE, 0xEE, 0x34, 0x12, 0xEE, 0x20, 0x03, 0x05}},
        {"e5 default", putDefaultSettings, {0xEE, 0xEE, 0x00, 0x00, 0x00, 0x78, 0x00, 0x01}},
        {"eC",
         [](Frame& f) { putManualZero(f, 1); },
         {0xEE, 0xEE, 0x01, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}},
        {"e7",
         [](Frame& f) { putDelay(f, 18000); },
         {0xEE, 0xEE, 0x50, 0x46, 0xEE, 0xEE, 0xEE, 0xEE}},
    };
    for (const auto& c : cases) {
        Frame frame;
        frame.fill(0xEE);
        c.write(frame);
        EXPECT_EQ(frame, c.expected) << c.name;
    }
}

// The simulated recorder reads frames back with the readers; what the actions write must come
// back unchanged, at the edges of each field too.
TEST(FrameWriters, ReadersGiveBackWhatWasWritten) {
    for (const SettingsParams params : {SettingsParams{0, 0, 0}, SettingsParams{10000, 800, 5},
                                        SettingsParams{65535, 65535, 255}}) {
        Frame frame{};
        putSettings(frame, params);
        EXPECT_EQ(settingsOf(frame), params);
    }
    for (const std::uint16_t delay :
         {std::uint16_t{0}, std::uint16_t{30000}, std::uint16_t{65535}}) {
        Frame frame{};
        putDelay(frame, delay);
        EXPECT_EQ(delayOf(frame), delay);
    }
    Frame frame{};
    putManualZero(frame, 1);
    EXPECT_EQ(manualZeroOf(frame), 1);
    EXPECT_FALSE(zeroKeyPresent(frame));
    putZeroKey(frame);
    EXPECT_TRUE(zeroKeyPresent(frame));
}

} // namespace
} // namespace kestrom
