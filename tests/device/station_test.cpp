// The contest station over the simulated bus: several recorders downloaded at once, plugged in
// and pulled out while others are read, archived byte for byte, zeroed only when safe.

#include "device/simulated_bus.h"
#include "device/station.h"
#include "files/flight_archive.h"
#include "tests/support/competitor_flight.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

namespace kestrom {
namespace {

using namespace std::chrono_literals;

std::vector<std::uint8_t> flightOf(std::uint16_t competitor, std::size_t samples = 600) {
    return test::competitorFlight(competitor, 2000, samples);
}

// Collects the station's reports and waits for the final ones.
struct Reports {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<RecorderReport> all;

    void add(const RecorderReport& r) {
        const std::lock_guard lock(mutex);
        all.push_back(r);
        changed.notify_all();
    }
    std::vector<RecorderReport> finals() {
        std::vector<RecorderReport> out;
        for (const RecorderReport& r : all) {
            if (r.connected &&
                (r.stage == RecorderStage::Done || r.stage == RecorderStage::Failed)) {
                out.push_back(r);
            }
        }
        return out;
    }
    // The final reports once there are `count` of them (fewer after 10 s).
    std::vector<RecorderReport> waitFinals(std::size_t count) {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, 10s, [&] { return finals().size() >= count; });
        return finals();
    }
};

class StationTest : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::unique_ptr<Station> makeStation(StationOptions options = {}) {
        options.archiveFolder = dir;
        options.listingPeriod = 20ms;
        return std::make_unique<Station>(bus, std::move(options),
                                         [this](const RecorderReport& r) { reports.add(r); });
    }

    std::filesystem::path dir = test::freshTestDir("kestrom-station-");
    // 64 bytes every 2 ms: a 2.4 kB flight takes some 80 ms, long enough to overlap the others.
    SimulatedBus bus{SimulatedTiming{true, 32'000, 64}};
    Reports reports;
};

const RecorderReport* find(const std::vector<RecorderReport>& list, std::uint16_t competitor) {
    for (const RecorderReport& r : list) {
        if (r.competitor == competitor) {
            return &r;
        }
    }
    return nullptr;
}

TEST_F(StationTest, RecordersPluggedAtOnceAndLaterAreAllArchivedByteForByte) {
    for (std::uint16_t c = 1; c <= 3; ++c) {
        bus.plugRecorder(flightOf(c));
    }
    bus.addOtherDevice("USB Serial"); // not a recorder: never touched
    auto station = makeStation();
    station->start();
    ASSERT_EQ(reports.waitFinals(3).size(), 3u);
    for (std::uint16_t c = 4; c <= 5; ++c) {
        bus.plugRecorder(flightOf(c));
    }
    const std::vector<RecorderReport> finals = reports.waitFinals(5);
    ASSERT_EQ(finals.size(), 5u);
    for (std::uint16_t c = 1; c <= 5; ++c) {
        const RecorderReport* r = find(finals, c);
        ASSERT_NE(r, nullptr) << "competitor " << c;
        EXPECT_EQ(r->stage, RecorderStage::Done) << r->reason;
        EXPECT_EQ(r->serial, 2000 + c);
        EXPECT_EQ(test::readBytes(r->archiveFile), flightOf(c)) << r->archiveFile;
        EXPECT_EQ(r->archiveFile.filename().string().substr(17),
                  "_c" + std::to_string(c) + "_s" + std::to_string(2000 + c) + ".kes");
        EXPECT_TRUE(r->evaluated);
        ASSERT_TRUE(r->durationSeconds.has_value());
        EXPECT_DOUBLE_EQ(*r->durationSeconds, 40.0); // 600 samples, rate code 1: 15 a second
    }
    EXPECT_EQ(bus.openCount(3), 0);
    std::set<int> visits;
    for (const RecorderReport& r : finals) {
        visits.insert(r.visit);
    }
    EXPECT_EQ(visits.size(), 5u) << "each recorder has a row of its own";
}

TEST_F(StationTest, PulledOutRecorderFailsAloneAndIsReadWhenBack) {
    const std::size_t pulled = bus.plugRecorder(flightOf(7));
    bus.plugRecorder(flightOf(8));
    bus.plugRecorder(flightOf(9));
    bus.unplugAfterBytes(pulled, 900);
    auto station = makeStation();
    station->start();
    const std::vector<RecorderReport> finals = reports.waitFinals(3);
    ASSERT_EQ(finals.size(), 3u);
    const RecorderReport* failed = find(finals, 7);
    ASSERT_NE(failed, nullptr);
    EXPECT_EQ(failed->stage, RecorderStage::Failed);
    EXPECT_EQ(failed->reason, messageText(Message::StationBrokenOff, kEnglish));
    EXPECT_TRUE(failed->archiveFile.empty()) << "a cut flight is not archived";
    EXPECT_EQ(find(finals, 8)->stage, RecorderStage::Done);
    EXPECT_EQ(find(finals, 9)->stage, RecorderStage::Done);

    std::this_thread::sleep_for(200ms); // the watcher sees it gone
    bus.setPlugged(pulled, true);
    const std::vector<RecorderReport> after = reports.waitFinals(4);
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(after.back().competitor, 7);
    EXPECT_EQ(after.back().stage, RecorderStage::Done) << after.back().reason;
    EXPECT_EQ(test::readBytes(after.back().archiveFile), flightOf(7));
}

TEST_F(StationTest, SilentRecorderIsReportedWithTheReasonWhileOthersFinish) {
    bus.plugRecorder(flightOf(1));
    SimulatedRecorder& silent = bus.addRecorder();
    silent.holdFlight(flightOf(2));
    silent.faults.silent = true;
    auto station = makeStation();
    station->start();
    const std::vector<RecorderReport> finals = reports.waitFinals(2);
    ASSERT_EQ(finals.size(), 2u);
    const RecorderReport& done = finals[0].stage == RecorderStage::Done ? finals[0] : finals[1];
    const RecorderReport& failed = finals[0].stage == RecorderStage::Done ? finals[1] : finals[0];
    EXPECT_EQ(done.competitor, 1);
    EXPECT_EQ(failed.stage, RecorderStage::Failed);
    EXPECT_EQ(failed.reason, "Communication Error");
}

TEST_F(StationTest, CancelledDownloadIsFailedAndNotArchived) {
    bus.plugRecorder(flightOf(3, 16'999)); // 68 kB: two seconds at this rate
    auto station = makeStation();
    station->start();
    std::this_thread::sleep_for(300ms);
    station->cancel();
    const std::vector<RecorderReport> finals = reports.waitFinals(1);
    ASSERT_EQ(finals.size(), 1u);
    EXPECT_EQ(finals[0].stage, RecorderStage::Failed);
    EXPECT_EQ(finals[0].reason, "Download cancelled");
    EXPECT_TRUE(std::filesystem::is_empty(dir));
}

// Zeroing after a safe download: only once the archived file reads back as received.
struct StationZeroCase {
    const char* name;
    bool zeroAfter;
    int archiveFault; // 0 none, 1 the write fails, 2 the file written differs
    RecorderStage stage;
    int zeroings;
    Message reason; // NotAFlight: no reason
};

class StationZeroing : public StationTest, public ::testing::WithParamInterface<StationZeroCase> {};

TEST_P(StationZeroing, ZeroesOnlyAfterTheReadBackMatched) {
    const StationZeroCase& c = GetParam();
    const std::size_t position = bus.plugRecorder(flightOf(5));
    StationOptions options;
    options.zeroAfter = c.zeroAfter;
    if (c.archiveFault == 1) {
        options.archive = [](const std::filesystem::path&, const FlightImage&, auto) {
            return Result<std::filesystem::path>::failure(ErrorKind::WriteFailed, "disk full");
        };
    } else if (c.archiveFault == 2) {
        options.archive = [](const std::filesystem::path& folder, const FlightImage& image,
                             auto when) {
            std::vector<std::uint8_t> bytes = image.bytes();
            bytes[40] ^= 0x01;
            return archiveFlight(folder, FlightImage(bytes), when);
        };
    }
    auto station = makeStation(options);
    station->start();
    const std::vector<RecorderReport> finals = reports.waitFinals(1);
    ASSERT_EQ(finals.size(), 1u);
    EXPECT_EQ(finals[0].stage, c.stage);
    EXPECT_EQ(bus.zeroings(position), c.zeroings);
    EXPECT_EQ(finals[0].zeroed, c.zeroings == 1);
    const std::string reason = c.reason == Message::NotAFlight
                                   ? std::string()
                                   : std::string(messageText(c.reason, kEnglish));
    EXPECT_EQ(finals[0].reason.substr(0, reason.size()), reason);
    EXPECT_EQ(finals[0].reason.empty(), reason.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Station, StationZeroing,
    ::testing::Values(StationZeroCase{"OffByDefault", false, 0, RecorderStage::Done, 0,
                                      Message::NotAFlight},
                      StationZeroCase{"AfterMatchingReadBack", true, 0, RecorderStage::Done, 1,
                                      Message::NotAFlight},
                      StationZeroCase{"NotAfterFailedWrite", true, 1, RecorderStage::Failed, 0,
                                      Message::StationNotArchived},
                      StationZeroCase{"NotAfterDifferentReadBack", true, 2, RecorderStage::Failed,
                                      0, Message::StationReadBackDiffers}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace kestrom
