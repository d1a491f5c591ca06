// kestrom-cli watch and standings, and the contest they fill, run in-process.

#include "cli/station_commands.h"
#include "cli_runner.h"
#include "device/simulated_bus.h"
#include "files/contest.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kestrom {
namespace {

namespace fs = std::filesystem;

test::CliRun runStation(const std::vector<std::string>& args) {
    return test::runCliWith({cli::addStationCommandsWithoutPdf}, args);
}

// A flight of this competitor whose maximum grows with samples (up to 800).
std::vector<std::uint8_t> flightOf(std::uint16_t competitor, std::size_t samples) {
    std::vector<std::uint8_t> flight = makeSimpleFlight(samples);
    writeU16le(flight, kOffsetCompetitor, competitor);
    return flight;
}

class StationCli : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("KESTROM_ARCHIVE_DIR", (dir / "archive").c_str(), 1); }
    void TearDown() override {
        ::unsetenv("KESTROM_ARCHIVE_DIR");
        fs::remove_all(dir);
    }
    fs::path put(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        test::writeBytes(dir / name, bytes);
        return dir / name;
    }
    fs::path dir = test::freshTestDir("kestrom-station-cli-");
};

TEST_F(StationCli, StandingsOfAFolderAndFilesWithUnreadableOnesNamed) {
    fs::create_directory(dir / "round");
    // Archive names give the download times: competitor 4's later flight comes second.
    put("round/2026-12-08_100000_c4_s1.kes", flightOf(4, 200));
    put("round/2026-12-08_110000_c4_s1.kes", flightOf(4, 600));
    put("round/2026-12-08_103000_c2_s1.kes", flightOf(2, 600));
    put("round/2026-12-08_104000_c9_s1.kes", std::vector<std::uint8_t>(10, 0)); // too short
    const fs::path single = put("2026-12-08_120000_c1_s1.kes", flightOf(1, 400));
    const test::CliRun r =
        runStation({"standings", (dir / "round").string(), single.string(),
                    (dir / "missing.kes").string(), "-o", (dir / "out.csv").string()});
    EXPECT_EQ(r.code, 2);
    const std::string csv = test::readText(dir / "out.csv");
    ASSERT_EQ(csv.substr(0, csv.find('\n')), "rank,competitor,flights,best_max_m,maxima_m");
    // Equal best maxima (600 samples each) share rank 1 in competitor order.
    const std::string best = csv.substr(csv.find('\n') + 1);
    EXPECT_EQ(best.substr(0, 4), "1,2,");
    EXPECT_NE(best.find("\n1,4,2,"), std::string::npos) << csv;
    EXPECT_NE(best.find("\n3,1,1,"), std::string::npos) << csv;
    EXPECT_EQ(csv.find('\r'), std::string::npos);
    EXPECT_NE(r.err.find("c9_s1.kes"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("missing.kes"), std::string::npos) << r.err;
}

TEST_F(StationCli, FilteredStandingsIgnoreASpike) {
    std::vector<std::uint8_t> spiky = flightOf(3, 600);
    writeU16le(spiky, kHeaderBytes + kSampleBytes * 100 + 2, 20000); // one sample far up
    const fs::path file = put("spiky.kes", spiky);
    const test::CliRun raw = runStation({"standings", file.string()});
    const test::CliRun filtered = runStation({"standings", "--filter", file.string()});
    ASSERT_EQ(raw.code, 0) << raw.err;
    ASSERT_EQ(filtered.code, 0) << filtered.err;
    const auto best = [](const std::string& csv) {
        const std::string row = csv.substr(csv.find('\n') + 1);
        return std::stod(row.substr(row.find(',', row.find(',', row.find(',') + 1) + 1) + 1));
    };
    EXPECT_GT(best(raw.out), best(filtered.out) + 50.0) << raw.out << filtered.out;
}

TEST_F(StationCli, WatchDownloadsEverySimulatedRecorderIntoTheOpenContest) {
    const Result<Contest> contest = newContest(dir / "archive", "Puchar", "2026-12-08");
    ASSERT_TRUE(contest) << contest.status.error;
    const fs::path a = put("a.kes", flightOf(11, 300));
    const fs::path b = put("b.kes", flightOf(12, 500));
    const test::CliRun r =
        runStation({"watch", "--simulate", a.string(), "--simulate", b.string()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2) << r.out;
    const Result<Contest> after = openContest(dir / "archive");
    ASSERT_TRUE(after);
    ASSERT_EQ(after.value->flights.size(), 2u);
    for (const fs::path& flight : after.value->flights) {
        EXPECT_NE(r.out.find(flight.string()), std::string::npos);
        const std::vector<std::uint8_t> bytes = test::readBytes(flight);
        EXPECT_TRUE(bytes == flightOf(11, 300) || bytes == flightOf(12, 500)) << flight;
    }
    const std::string standings = test::readText(after.value->folder / kContestStandingsFile);
    EXPECT_NE(standings.find("\n1,12,1,"), std::string::npos) << standings;
    // With no file named, standings read the open contest.
    EXPECT_EQ(runStation({"standings"}).out, standings);
}

TEST_F(StationCli, WatchExitsTwoWhenARecorderFailed) {
    const fs::path a = put("a.kes", flightOf(11, 300));
    const fs::path empty = put("empty.kes", flightOf(12, 3)); // too few samples to be a flight
    const test::CliRun r =
        runStation({"watch", "--simulate", a.string(), "--simulate", empty.string()});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
    EXPECT_NE(r.err.find("failed: No measurement"), std::string::npos) << r.err;
}

TEST(Contest, StaysOpenAndKeepsItsFlightsAcrossLoading) {
    const fs::path archive = test::freshTestDir("kestrom-contest-");
    Result<Contest> first = newContest(archive, "Zawody/Runda 1", "2026-12-08");
    ASSERT_TRUE(first) << first.status.error;
    EXPECT_EQ(first.value->folder.parent_path(), contestsFolder(archive));
    EXPECT_EQ(first.value->folder.filename(), "2026-12-08 Zawody_Runda 1");
    ASSERT_TRUE(addContestFlight(*first.value, archive / "x.kes"));
    ASSERT_TRUE(addContestFlight(*first.value, archive / "y.kes"));
    ASSERT_TRUE(addContestFlight(*first.value, archive / "x.kes")); // once only
    ASSERT_TRUE(removeContestFlight(*first.value, archive / "x.kes"));
    Result<Contest> again = openContest(archive);
    ASSERT_TRUE(again);
    EXPECT_EQ(again.value->name, "Zawody/Runda 1");
    EXPECT_EQ(again.value->date, "2026-12-08");
    EXPECT_EQ(again.value->flights, std::vector<fs::path>{archive / "y.kes"});
    // Another contest of the same name gets a folder of its own and becomes the open one.
    Result<Contest> second = newContest(archive, "Zawody/Runda 1", "2026-12-08");
    ASSERT_TRUE(second);
    EXPECT_NE(second.value->folder, first.value->folder);
    EXPECT_TRUE(openContest(archive).value->flights.empty());
    fs::remove_all(archive);
}

} // namespace
} // namespace kestrom
