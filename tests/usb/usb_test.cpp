// The recorder actions over the libftdi1 bus, unchanged, against FT201X bridges emulated at the
// kernel's USB interface: what a user with a real recorder goes through, short of the cable.

#include "device/actions.h"
#include "device/bridge.h"
#include "device/link.h"
#include "tests/support/fake_prompts.h"
#include "tests/usb/ft201x_emulator.h"
#include "tests/usb/time_limit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace kestrom {
namespace {

using namespace std::chrono_literals;
using test::BridgeSetup;
using test::FakePrompts;
using test::Ft201xEmulator;
using test::withinSeconds;

// The largest flight the window shows: 16,999 samples and the end-marker sample.
constexpr std::size_t kMaxSamples = 16'999;

struct UsbRig {
    Ft201xEmulator usb;
    FakePrompts prompts;
    std::unique_ptr<DeviceBus> bus;
    std::unique_ptr<DeviceLink> link;

    // The bus is made once the bridges are plugged, as a program started after plugging in.
    DeviceLink& start() {
        bus = makeHardwareBus();
        link = std::make_unique<DeviceLink>(*bus);
        // The "OK" display's second is skipped; the waits between frames stay real.
        link->sleep = [](std::chrono::milliseconds wait) {
            if (wait < 100ms) {
                std::this_thread::sleep_for(wait);
            }
        };
        return *link;
    }

    SimulatedRecorder& plugRecorder(std::vector<std::uint8_t> flight = makeSimpleFlight(200)) {
        SimulatedRecorder& recorder = usb.recorder(usb.plug());
        recorder.state.deviceFactor = readU16le(flight, 8);
        recorder.state.flight = std::move(flight);
        return recorder;
    }
};

int handshakes(const SimulatedRecorder& recorder) {
    return static_cast<int>(
        std::count_if(recorder.frames.begin(), recorder.frames.end(),
                      [](const auto& f) { return f[1] == command::kHandshake; }));
}

TEST(UsbLink, FindsTheRecorderAmongOtherBridges) {
    UsbRig rig;
    rig.usb.plug({"FT232R USB UART", "A600XYZ", 0x6001, false, "ftdi_sio"});
    // Same chip family, another description: never opened, though something would answer.
    const std::size_t otherX = rig.usb.plug({"FT230X Basic UART", "X0001", 0x6015, true, ""});
    const std::size_t mute = rig.usb.plug({"FT201X USB I2C", "KS000001", 0x6015, true, ""});
    rig.usb.recorder(mute).faults.silent = true;
    const std::size_t good = rig.usb.plug({"FT201X USB I2C", "KS000002", 0x6015, true, "ftdi_sio"});
    DeviceLink& link = rig.start();

    withinSeconds(5, [&] { link.ConnectDevice(rig.prompts); });

    ASSERT_TRUE(link.connected());
    EXPECT_TRUE(rig.prompts.shown.empty());
    EXPECT_TRUE(rig.usb.recorder(otherX).frames.empty());
    EXPECT_EQ(handshakes(rig.usb.recorder(mute)), 1);
    EXPECT_EQ(handshakes(rig.usb.recorder(good)), 1);
    // The other bridge keeps its serial driver; the recorder's was detached on opening.
    EXPECT_EQ(rig.usb.kernelDriver(0), "ftdi_sio");
    EXPECT_EQ(rig.usb.kernelDriver(good), "");
    // The open connection is only proved again by the next action.
    withinSeconds(5, [&] { link.ConnectDevice(rig.prompts); });
    EXPECT_EQ(handshakes(rig.usb.recorder(good)), 2);
}

TEST(UsbLink, HandshakeNeedsExactlyTwoBytesWithA5Second) {
    struct Case {
        const char* name;
        void (*fault)(RecorderFaults&);
        bool found;
    };
    const Case cases[] = {
        {"well-behaved", [](RecorderFaults&) {}, true},
        {"three bytes", [](RecorderFaults& f) { f.handshakeThreeBytes = true; }, false},
        {"0xA5 in byte 0", [](RecorderFaults& f) { f.handshakeA5InByte0 = true; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UsbRig rig;
        c.fault(rig.plugRecorder().faults);
        DeviceLink& link = rig.start();
        withinSeconds(5, [&] { link.ConnectDevice(rig.prompts); });
        EXPECT_EQ(link.connected(), c.found);
        EXPECT_EQ(rig.prompts.texts(),
                  c.found ? std::vector<Message>{} : std::vector<Message>{Message::PortError});
    }
}

class UsbDownload : public ::testing::TestWithParam<std::size_t> {};

TEST_P(UsbDownload, DeliversTheFlightByteForByte) {
    UsbRig rig;
    SimulatedRecorder& recorder = rig.plugRecorder(makeSimpleFlight(GetParam()));
    DeviceLink& link = rig.start();

    const DownloadResult result =
        withinSeconds(10, [&] { return downloadFlight(link, rig.prompts); });

    ASSERT_EQ(result.outcome, DownloadOutcome::Ok);
    EXPECT_TRUE(result.endSeen);
    EXPECT_EQ(result.image, recorder.state.flight);
    EXPECT_EQ(rig.usb.bytesToHost(0), 2 + 8 + 8 + recorder.state.flight.size());
    EXPECT_TRUE(rig.prompts.shown.empty());
    EXPECT_FALSE(recorder.state.newFlight);
}

INSTANTIATE_TEST_SUITE_P(NormalAndLargest, UsbDownload, ::testing::Values(600, kMaxSamples));

TEST(UsbActions, ZeroingIsConfirmedByTheRecorder) {
    UsbRig rig;
    SimulatedRecorder& recorder = rig.plugRecorder();
    DeviceLink& link = rig.start();
    EXPECT_EQ(withinSeconds(5, [&] { return zeroRecorder(link, rig.prompts); }), ZeroOutcome::Done);
    EXPECT_EQ(recorder.state.zeroings, 1);
    EXPECT_EQ(rig.prompts.texts(),
              (std::vector<Message>{Message::ResetConfirm, Message::ResetDone}));
}

TEST(UsbActions, SettingsAreReadSavedAndSetToDefault) {
    UsbRig rig;
    SimulatedRecorder& recorder = rig.plugRecorder();
    recorder.state.competitorNumber = 4321;
    recorder.state.triggerQuarterMetres = 200;
    recorder.state.rateCode = 3;
    recorder.state.manualZeroing = 0;
    recorder.state.delayHundredths = 12'000;
    DeviceLink& link = rig.start();

    withinSeconds(5, [&] { link.ConnectDevice(rig.prompts); });
    ASSERT_TRUE(link.connected());
    const DeviceSettingsReply read = withinSeconds(5, [&] { return ReadDeviceSettings(link); });
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.status->competitorNumber, 4321);
    EXPECT_EQ(read.status->triggerQuarterMetres, 200);
    EXPECT_EQ(read.status->rateCode(), 3);
    EXPECT_EQ(read.manualZeroing, false);
    EXPECT_EQ(read.delayHundredths, 12'000);
    EXPECT_EQ(read.info->deviceFactor, recorder.state.deviceFactor);

    const SettingsToWrite values{45, 17, 2, 1, 250};
    EXPECT_EQ(withinSeconds(5, [&] { return saveDeviceSettings(link, rig.prompts, values); }),
              SaveOutcome::Acknowledged);
    EXPECT_EQ(recorder.state.triggerQuarterMetres, 180);
    EXPECT_EQ(recorder.state.competitorNumber, 17);
    EXPECT_EQ(recorder.state.rateCode, 2);
    EXPECT_EQ(recorder.state.manualZeroing, 1);
    EXPECT_EQ(recorder.state.delayHundredths, 25'000);

    bool okShown = false;
    EXPECT_TRUE(withinSeconds(
        5, [&] { return setupDefault(link, rig.prompts, [&](bool shown) { okShown |= shown; }); }));
    EXPECT_TRUE(okShown);
    EXPECT_EQ(recorder.state.competitorNumber, 0);
    EXPECT_EQ(recorder.state.triggerQuarterMetres, 120);
    EXPECT_EQ(recorder.state.rateCode, 1);
    EXPECT_EQ(recorder.state.manualZeroing, 1);
    EXPECT_EQ(recorder.state.zeroings, 1);
    EXPECT_EQ(recorder.state.delayHundredths, 18'000);
    EXPECT_EQ(rig.prompts.texts(), std::vector<Message>{Message::SetupOk});
}

TEST(UsbActions, SilentRecorderEndsEveryReadByItsDeadline) {
    UsbRig rig;
    SimulatedRecorder& recorder = rig.plugRecorder();
    DeviceLink& link = rig.start();
    withinSeconds(5, [&] { link.ConnectDevice(rig.prompts); });
    ASSERT_TRUE(link.connected());
    recorder.faults.silent = true;

    const auto start = std::chrono::steady_clock::now();
    link.sendCommand(command::kStatus);
    EXPECT_EQ(withinSeconds(5, [&] { return link.ReadReply(); }), 0);
    const auto oneRead = std::chrono::steady_clock::now() - start;
    EXPECT_GE(oneRead, 40ms);
    EXPECT_LT(oneRead, 200ms);

    // The next action proves the connection again: no answer, so the recorder is not found.
    const DownloadResult result =
        withinSeconds(5, [&] { return downloadFlight(link, rig.prompts); });
    EXPECT_EQ(result.outcome, DownloadOutcome::NotConnected);
    EXPECT_FALSE(link.connected());
    EXPECT_EQ(rig.prompts.texts(), std::vector<Message>{Message::PortError});

    // Answering the handshake but not the status request ends with its own message.
    recorder.faults.silent = false;
    recorder.faults.replyOverride[command::kStatus] = std::vector<std::uint8_t>{};
    rig.prompts.shown.clear();
    EXPECT_EQ(withinSeconds(5, [&] { return downloadFlight(link, rig.prompts); }).outcome,
              DownloadOutcome::StatusFailed);
    EXPECT_FALSE(link.connected());
    EXPECT_EQ(rig.prompts.texts(), std::vector<Message>{Message::CommError});
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

TEST(UsbActions, UnpluggedDuringTransferFailsCleanlyAndWorksWhenBack) {
    UsbRig rig;
    SimulatedRecorder& recorder = rig.plugRecorder(makeSimpleFlight(kMaxSamples));
    DeviceLink& link = rig.start();
    // Handshake, status and device information, then 20 bytes of the flight's header.
    rig.usb.unplugAfterBytes(0, 2 + 8 + 8 + 20);

    const auto start = std::chrono::steady_clock::now();
    const DownloadResult cut = withinSeconds(5, [&] { return downloadFlight(link, rig.prompts); });
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    EXPECT_EQ(cut.outcome, DownloadOutcome::TransferFailed);
    // libftdi drops what one call had gathered when a later packet of the same call fails.
    EXPECT_LE(cut.flightBytes, 20u);
    EXPECT_FALSE(link.connected());
    EXPECT_EQ(rig.prompts.texts(), std::vector<Message>{Message::CommError});

    // Still out: not found.
    rig.prompts.shown.clear();
    EXPECT_EQ(withinSeconds(5, [&] { return downloadFlight(link, rig.prompts); }).outcome,
              DownloadOutcome::NotConnected);
    EXPECT_EQ(rig.prompts.texts(), std::vector<Message>{Message::PortError});

    rig.usb.plugBack(0);
    recorder.state.newFlight = true;
    rig.prompts.shown.clear();
    const DownloadResult again =
        withinSeconds(10, [&] { return downloadFlight(link, rig.prompts); });
    ASSERT_EQ(again.outcome, DownloadOutcome::Ok);
    EXPECT_EQ(again.image, recorder.state.flight);
    EXPECT_TRUE(rig.prompts.shown.empty());
}

TEST(UsbActions, NodeWithoutPermissionIsNotFound) {
    UsbRig rig;
    SimulatedRecorder& recorder = rig.plugRecorder();
    rig.usb.setNodeMode(0, 0);
    test::WithoutPermissionOverride asUser;
    DeviceLink& link = rig.start();
    EXPECT_EQ(withinSeconds(5, [&] { return downloadFlight(link, rig.prompts); }).outcome,
              DownloadOutcome::NotConnected);
    EXPECT_EQ(rig.prompts.texts(), std::vector<Message>{Message::PortError});
    EXPECT_TRUE(recorder.frames.empty());
}

} // namespace
} // namespace kestrom
