// Finding the recorder: description matching, handshake judgement, several devices, unplugging,
// the stale frame bytes and the bounds of the receive buffer.

#include "device/link.h"
#include "device/simulated_bus.h"
#include "tests/support/fake_prompts.h"

#include <gtest/gtest.h>
#include <ostream>

namespace kestrom {
namespace {

using test::FakePrompts;
using test::ShownMessage;

const ShownMessage kNotFound{Message::PortError, Message::ProblemCaption, Buttons::Ok};

// A bus, a link on it and prompts that keep what the link showed.
template <typename Base = ::testing::Test> class Linked : public Base {
protected:
    SimulatedBus bus;
    DeviceLink link{bus};
    FakePrompts prompts;
};

using Connect = Linked<>;
using Frames = Linked<>;
using ReadReply = Linked<>;

struct DescriptionCase {
    const char* description;
    bool found;
};

// Named by what the case is about, so test names stay the same from build to build.
void PrintTo(const DescriptionCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(std::string(c.description));
}

class DescriptionMatch : public Linked<::testing::TestWithParam<DescriptionCase>> {};

TEST_P(DescriptionMatch, OnlyExactCaseSubstringIsOpened) {
    bus.addRecorder(GetParam().description);
    link.ConnectDevice(prompts);
    EXPECT_EQ(link.connected(), GetParam().found);
    // A device whose description does not match is never opened.
    EXPECT_EQ(bus.openCount(0), GetParam().found ? 1 : 0);
    EXPECT_EQ(prompts.shown.size(), GetParam().found ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Descriptions, DescriptionMatch,
                         ::testing::Values(DescriptionCase{"FT201X", true},
                                           DescriptionCase{"Kestrom FT201X USB I2C", true},
                                           DescriptionCase{"ft201x USB I2C", false},
                                           DescriptionCase{"FT201", false},
                                           DescriptionCase{"FT232R USB UART", false},
                                           DescriptionCase{"", false}));

struct HandshakeCase {
    const char* name;
    void (*misbehave)(RecorderFaults&);
    bool present;
};

void PrintTo(const HandshakeCase& c, std::ostream* out) { *out << c.name; }

class Handshake : public Linked<::testing::TestWithParam<HandshakeCase>> {};

TEST_P(Handshake, PresentOnlyForTwoBytesWithA5Second) {
    GetParam().misbehave(bus.addRecorder().faults);
    link.ConnectDevice(prompts);
    EXPECT_EQ(link.connected(), GetParam().present);
    if (!GetParam().present) {
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0], kNotFound);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, Handshake,
    ::testing::Values(
        HandshakeCase{"good", [](RecorderFaults&) {}, true},
        HandshakeCase{
            "byte0_ignored",
            [](RecorderFaults& f) {
                f.replyOverride[command::kHandshake] = std::vector<std::uint8_t>{0x77, 0xA5};
            },
            true},
        HandshakeCase{"three_bytes", [](RecorderFaults& f) { f.handshakeThreeBytes = true; },
                      false},
        HandshakeCase{"a5_in_byte0", [](RecorderFaults& f) { f.handshakeA5InByte0 = true; }, false},
        HandshakeCase{"one_byte",
                      [](RecorderFaults& f) {
                          f.replyOverride[command::kHandshake] = std::vector<std::uint8_t>{0xA5};
                      },
                      false},
        HandshakeCase{"silent", [](RecorderFaults& f) { f.silent = true; }, false}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST_F(Connect, FirstAnsweringRecorderInListOrderIsUsed) {
    bus.addOtherDevice("FT232R USB UART");
    bus.addRecorder("FT201X A").faults.silent = true; // listed first but does not answer
    SimulatedRecorder& second = bus.addRecorder("FT201X B");
    SimulatedRecorder& third = bus.addRecorder("FT201X C");
    link.ConnectDevice(prompts);
    ASSERT_TRUE(link.connected());
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(bus.openCount(0), 0);
    EXPECT_EQ(bus.openCount(1), 1);
    EXPECT_EQ(second.frames.size(), 1u);
    EXPECT_TRUE(third.frames.empty()); // later ones are not tried
}

TEST_F(Connect, OpenFailureMovesToNextDevice) {
    bus.addRecorder();
    SimulatedRecorder& second = bus.addRecorder();
    bus.setOpenFails(0, true);
    link.ConnectDevice(prompts);
    ASSERT_TRUE(link.connected());
    EXPECT_EQ(second.frames.size(), 1u);
}

TEST_F(Connect, BytesLeftInTheBridgeArePurgedBeforeTheHandshake) {
    bus.addRecorder();
    bus.injectBytes(0, {0x00, 0xA5, 0x13});
    link.ConnectDevice(prompts);
    EXPECT_TRUE(link.connected());
}

TEST_F(Connect, FailedListingShowsNotFoundOnce) {
    bus.addRecorder();
    bus.setListFails(true);
    link.ConnectDevice(prompts);
    EXPECT_FALSE(link.connected());
    EXPECT_EQ(prompts.shown, std::vector<ShownMessage>{kNotFound});
}

TEST_F(Connect, OpenConnectionOnlyRepeatsHandshake) {
    SimulatedRecorder& recorder = bus.addRecorder();
    link.ConnectDevice(prompts);
    link.ConnectDevice(prompts);
    EXPECT_EQ(bus.openCount(0), 1);
    EXPECT_EQ(recorder.frames.size(), 2u);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(Connect, UnpluggedRecorderIsClosedAndSearchedAgain) {
    bus.addRecorder();
    link.ConnectDevice(prompts);
    ASSERT_TRUE(link.connected());

    bus.setPlugged(0, false);
    link.ConnectDevice(prompts);
    EXPECT_FALSE(link.connected());
    EXPECT_EQ(prompts.shown, std::vector<ShownMessage>{kNotFound});

    // Plugged back in: found again through a new listing and a new open.
    bus.setPlugged(0, true);
    link.ConnectDevice(prompts);
    EXPECT_TRUE(link.connected());
    EXPECT_EQ(bus.openCount(0), 2);
}

TEST_F(Connect, RecorderUnpluggedInTheMiddleOfASlowStreamAnswersOncePluggedIn) {
    // 4,000 bytes a second: the 4,036-byte stream would take a second.
    SimulatedBus slow(SimulatedTiming{false, 4000, 64});
    slow.addRecorder().state.flight = makeSimpleFlight(1000);
    DeviceLink slowLink(slow);
    slowLink.ConnectDevice(prompts);
    ASSERT_TRUE(slowLink.connected());
    slowLink.sendCommand(command::kTransfer);
    EXPECT_GT(slowLink.ReadReply(), 0);

    slow.setPlugged(0, false);
    slow.setPlugged(0, true);
    slowLink.ConnectDevice(prompts);
    EXPECT_TRUE(slowLink.connected());
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(Connect, UnpluggedRecorderReplacedByAnotherOne) {
    bus.addRecorder("FT201X first");
    SimulatedRecorder& spare = bus.addRecorder("FT201X spare");
    link.ConnectDevice(prompts);
    EXPECT_TRUE(spare.frames.empty());
    bus.setPlugged(0, false);
    link.ConnectDevice(prompts);
    ASSERT_TRUE(link.connected());
    EXPECT_EQ(spare.frames.size(), 1u);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(Frames, UnsetBytesKeepWhatEarlierCommandsLeft) {
    SimulatedRecorder& recorder = bus.addRecorder();
    link.ConnectDevice(prompts);
    const std::array<std::uint8_t, 8> first{0x65, 0x54, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(recorder.frames.at(0), first);

    link.exchange(command::kZero, putZeroKey);
    link.ConnectDevice(prompts);
    const std::array<std::uint8_t, 8> afterZeroing{0x65, 0x54, 0x32, 0x33, 0, 0, 0, 0};
    EXPECT_EQ(recorder.frames.back(), afterZeroing);
}

TEST_F(ReadReply, NeverWritesPastTheBuffer) {
    SimulatedRecorder& recorder = bus.addRecorder();
    // A reply longer than the buffer: reads of 256 bytes fill it, the last one only the room left.
    recorder.faults.replyOverride[command::kStatus] =
        std::vector<std::uint8_t>(kRxBufferBytes + 300, 0x11);
    link.ConnectDevice(prompts);
    link.sendCommand(command::kStatus);
    const std::size_t fullReads = kRxBufferBytes / kReplyReadBytes;
    for (std::size_t i = 0; i < fullReads; ++i) {
        ASSERT_EQ(link.ReadReply(), static_cast<std::int32_t>(kReplyReadBytes)) << i;
    }
    const auto room = static_cast<std::int32_t>(kRxBufferBytes - fullReads * kReplyReadBytes);
    ASSERT_GT(room, 0);
    EXPECT_EQ(link.ReadReply(), room);
    EXPECT_EQ(link.rxCount(), static_cast<std::int32_t>(kRxBufferBytes));
    EXPECT_EQ(link.ReadReply(), 0); // full: nothing more is read
    EXPECT_EQ(link.received().size(), kRxBufferBytes);
    EXPECT_EQ(link.received().back(), 0x11);
}

TEST_F(ReadReply, WithoutConnectionReadsNothing) {
    EXPECT_EQ(link.ReadReply(), 0);
    EXPECT_FALSE(link.SendFrame());
    EXPECT_FALSE(link.CloseDevice());
}

} // namespace
} // namespace kestrom
