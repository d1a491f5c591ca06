// The contest station against emulated FT201X bridges: real libusb hot-plug and libftdi1, several
// bridges read at once, plugged in and pulled out at the kernel's USB interface.

#include "device/station.h"
#include "files/flight_archive.h"
#include "tests/support/competitor_flight.h"
#include "tests/support/test_files.h"
#include "tests/usb/ft201x_emulator.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace kestrom {
namespace {

using namespace std::chrono_literals;

std::vector<std::uint8_t> flightOf(std::uint16_t competitor, std::size_t samples = 700) {
    return test::competitorFlight(competitor, 3000, samples);
}

test::BridgeSetup bridgeWith(std::uint16_t competitor, std::uint32_t bytesPerSecond = 0) {
    test::BridgeSetup setup;
    setup.serial = "KS" + std::to_string(competitor);
    setup.flight = flightOf(competitor);
    setup.bytesPerSecond = bytesPerSecond;
    return setup;
}

class UsbStation : public ::testing::Test {
protected:
    void TearDown() override {
        // The station's workers report into `finals` until they are joined, so it goes first,
        // even when a failed expectation ended the test while downloads were still running.
        station.reset();
        std::filesystem::remove_all(dir);
    }

    void startStation(bool zeroAfter = false, std::filesystem::path folder = {}) {
        StationOptions options;
        options.archiveFolder = folder.empty() ? dir : folder;
        options.zeroAfter = zeroAfter;
        options.listingPeriod = 100ms;
        station = std::make_unique<Station>(*bus, options, [this](const RecorderReport& r) {
            const std::lock_guard lock(mutex);
            if (r.connected &&
                (r.stage == RecorderStage::Done || r.stage == RecorderStage::Failed)) {
                finals.push_back(r);
                changed.notify_all();
            }
        });
        station->start();
    }
    std::vector<RecorderReport> waitFinals(std::size_t count) {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, 15s, [&] { return finals.size() >= count; });
        return finals;
    }

    std::filesystem::path dir = test::freshTestDir("kestrom-usb-station-");
    test::Ft201xEmulator usb;
    std::unique_ptr<DeviceBus> bus = makeHardwareBus();
    std::unique_ptr<Station> station;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<RecorderReport> finals;
};

const RecorderReport* find(const std::vector<RecorderReport>& list, std::uint16_t competitor) {
    for (const RecorderReport& r : list) {
        if (r.competitor == competitor) {
            return &r;
        }
    }
    return nullptr;
}

// Every final report, for the message of a failed expectation.
std::string describe(const std::vector<RecorderReport>& list) {
    std::string text;
    for (const RecorderReport& r : list) {
        text += "\n  competitor " + std::to_string(r.competitor) + " at " + r.place.text() + ": " +
                (r.stage == RecorderStage::Done ? "done" : "failed, " + r.reason);
    }
    return text;
}

TEST_F(UsbStation, ThreePluggedAtOnceAndTwoLaterAreAllArchivedByteForByte) {
    for (std::uint16_t c = 1; c <= 3; ++c) {
        usb.plug(bridgeWith(c));
    }
    startStation();
    ASSERT_EQ(waitFinals(3).size(), 3u);
    usb.plug(bridgeWith(4));
    usb.plug(bridgeWith(5));
    const std::vector<RecorderReport> all = waitFinals(5);
    ASSERT_EQ(all.size(), 5u);
    for (std::uint16_t c = 1; c <= 5; ++c) {
        const RecorderReport* r = find(all, c);
        ASSERT_NE(r, nullptr) << "competitor " << c << describe(all);
        EXPECT_EQ(r->stage, RecorderStage::Done) << r->reason;
        EXPECT_EQ(r->serial, 3000 + c);
        EXPECT_EQ(test::readBytes(r->archiveFile), flightOf(c)) << r->archiveFile;
    }
}

TEST_F(UsbStation, PulledOutMidTransferFailsAloneAndIsReadWhenBack) {
    const std::size_t pulled = usb.plug(bridgeWith(7, 20'000));
    usb.plug(bridgeWith(8, 20'000));
    usb.plug(bridgeWith(9, 20'000));
    usb.unplugAfterBytes(pulled, 1200);
    startStation();
    const std::vector<RecorderReport> first = waitFinals(3);
    ASSERT_EQ(first.size(), 3u);
    const RecorderReport* failed = find(first, 7);
    ASSERT_NE(failed, nullptr) << describe(first);
    EXPECT_EQ(failed->stage, RecorderStage::Failed);
    EXPECT_EQ(failed->reason, messageText(Message::StationBrokenOff, kEnglish));
    EXPECT_EQ(find(first, 8)->stage, RecorderStage::Done) << find(first, 8)->reason;
    EXPECT_EQ(find(first, 9)->stage, RecorderStage::Done) << find(first, 9)->reason;

    usb.detach(pulled);
    std::this_thread::sleep_for(400ms);
    usb.attach(pulled);
    const std::vector<RecorderReport> after = waitFinals(4);
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(after.back().competitor, 7);
    EXPECT_EQ(after.back().stage, RecorderStage::Done) << after.back().reason;
    EXPECT_EQ(test::readBytes(after.back().archiveFile), flightOf(7));
}

TEST_F(UsbStation, ZeroesOnlyAfterTheArchivedFileReadBack) {
    const std::size_t good = usb.plug(bridgeWith(1));
    startStation(true);
    ASSERT_EQ(waitFinals(1).size(), 1u);
    EXPECT_TRUE(finals[0].zeroed) << finals[0].reason;
    EXPECT_EQ(usb.recorder(good).state.zeroings, 1);
}

TEST_F(UsbStation, FailedArchiveWriteNeverZeroes) {
    const std::size_t position = usb.plug(bridgeWith(2));
    test::writeBytes(dir / "not-a-folder", {1});
    startStation(true, dir / "not-a-folder");
    ASSERT_EQ(waitFinals(1).size(), 1u);
    EXPECT_EQ(finals[0].stage, RecorderStage::Failed);
    EXPECT_EQ(finals[0].reason.rfind("Not archived: ", 0), 0u) << finals[0].reason;
    EXPECT_EQ(usb.recorder(position).state.zeroings, 0);
}

} // namespace
} // namespace kestrom
