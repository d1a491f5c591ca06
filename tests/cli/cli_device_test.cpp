// kestrom-cli download, zero and settings with --simulate, run in-process.

#include "cli/commands.h"
#include "cli/device_commands.h"
#include "flight/flight_record.h"
#include "flight/generator.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/long_flight.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <ostream>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

namespace kestrom {
namespace {

namespace fs = std::filesystem;

// Runs the device verbs, capturing what they print.
test::CliRun runDevice(const std::vector<std::string>& args) {
    return test::runCliWith({cli::addDeviceCommands}, args);
}

// Runs the command line; returns the exit status as kestrom-cli would.
int deviceExit(const std::vector<std::string>& args) { return runDevice(args).code; }

// Runs every verb, capturing what it prints.
test::CliRun runAll(const std::vector<std::string>& args) {
    return test::runCliWith({cli::addFlightCommands, cli::addDeviceCommands}, args);
}

class CliDevice : public test::TempDirTest {
protected:
    // Downloads are archived: keep them out of the user's own archive.
    void SetUp() override { ::setenv("KESTROM_ARCHIVE_DIR", path("archive").c_str(), 1); }
};

struct FactorCase {
    std::uint16_t stored;
    std::uint16_t written;
};

// Named by what the case is about, so test names stay the same from build to build.
void PrintTo(const FactorCase& c, std::ostream* out) { *out << "stored " << c.stored; }

class CliDownload : public CliDevice, public ::testing::WithParamInterface<FactorCase> {};

TEST_P(CliDownload, WritesTheFlightWithOnlyBytes8And9Replaced) {
    const std::vector<std::uint8_t> flight =
        generateFlight({.seed = 7, .deviceFactor = GetParam().stored});
    test::writeBytes(dir_ / "flight.kes", flight);

    ASSERT_EQ(deviceExit({"download", "-o", path("out.kes"), "--simulate", path("flight.kes")}), 0);
    std::vector<std::uint8_t> expected = flight;
    expected[8] = static_cast<std::uint8_t>(GetParam().written & 0xFF);
    expected[9] = static_cast<std::uint8_t>(GetParam().written >> 8);
    EXPECT_EQ(test::readBytes(dir_ / "out.kes"), expected);
}

INSTANTIATE_TEST_SUITE_P(Factors, CliDownload,
                         ::testing::Values(FactorCase{10000, 10000}, FactorCase{9700, 9700},
                                           FactorCase{9699, 10000}, FactorCase{10600, 10000}));

TEST_F(CliDevice, DownloadRefusesToOverwriteWithoutForce) {
    const fs::path out = dir_ / "out.kes";
    test::writeBytes(out, {1, 2, 3});
    EXPECT_EQ(deviceExit({"download", "-o", out.string(), "--simulate"}), cli::kFailureExit);
    EXPECT_EQ(test::readBytes(out), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(deviceExit({"download", "-o", out.string(), "--simulate", "--force"}), 0);
    EXPECT_GT(test::readBytes(out).size(), 64u);
}

TEST_F(CliDevice, DownloadOfAFileWithoutSamplesWritesNothing) {
    test::writeBytes(dir_ / "short.kes", std::vector<std::uint8_t>(40, 0xFF));
    EXPECT_EQ(deviceExit({"download", "-o", path("out.kes"), "--simulate", path("short.kes")}),
              cli::kFailureExit);
    EXPECT_FALSE(fs::exists(dir_ / "out.kes"));
}

// Download, save, then read back: the same curve as the download's, for a flight longer than
// the curves (80,000 bytes, 19,992 samples).
TEST_F(CliDevice, JsonOfASavedLongFlightShowsTheDownloadsCurve) {
    const std::vector<std::uint8_t> flight = test::flightOf80000Bytes();
    ASSERT_EQ(flight.size(), 80000U);
    test::writeBytes(dir_ / "recorder.kes", flight);

    const std::string saved = path("saved.kes");
    const test::CliRun download =
        runAll({"download", "-o", saved, "--simulate", path("recorder.kes")});
    ASSERT_EQ(download.code, 0) << download.err;
    // What the download evaluated: every byte it received.
    FlightRecord downloaded;
    setFlightImage(downloaded, FlightImage(test::readBytes(saved)));
    ASSERT_EQ(downloaded.image.size(), 80000U);
    ASSERT_TRUE(evaluateRecord(downloaded, true));
    const FlightEvaluation& e = downloaded.evaluation;
    const std::vector<std::int32_t> curve(e.altitudeCm.begin(),
                                          e.altitudeCm.begin() + static_cast<long>(e.pointCount()));

    const test::CliRun json = runAll({"json", saved});
    ASSERT_EQ(json.code, 0) << json.err;
    const nlohmann::json j = nlohmann::json::parse(json.out);
    EXPECT_EQ(j["altitudeCm"].get<std::vector<std::int32_t>>(), curve);
    EXPECT_EQ(j["altitudeCm"].size(), kMaxEvaluatedSamples - 5);
    // The download's summary line and the saved file's agree, extremes included.
    EXPECT_EQ(runAll({"summary", saved}).out, download.out);
}

TEST_F(CliDevice, DownloadInputsAndOutputsAreCheckedBeforeTheTransfer) {
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    for (const std::string& input :
         {path("fifo"), std::string("/dev/zero"), dir_.string(), path("missing.kes")}) {
        const test::CliRun result =
            runAll({"download", "-o", path("out.kes"), "--simulate", input});
        EXPECT_EQ(result.code, cli::kFailureExit) << input;
        EXPECT_NE(result.err.find(input), std::string::npos) << input;
        EXPECT_FALSE(fs::exists(dir_ / "out.kes")) << input;
    }

    // The input as output: refused even with --force, the input untouched.
    const std::vector<std::uint8_t> flight = generateFlight({});
    test::writeBytes(dir_ / "flight.kes", flight);
    const test::CliRun over =
        runAll({"download", "-o", path("flight.kes"), "--force", "--simulate", path("flight.kes")});
    EXPECT_EQ(over.code, cli::kFailureExit);
    EXPECT_EQ(test::readBytes(dir_ / "flight.kes"), flight);

    // An output that cannot be written stops the command before the recorder is read.
    const test::CliRun nowhere =
        runAll({"download", "-o", (dir_ / "no" / "out.kes").string(), "--simulate"});
    EXPECT_EQ(nowhere.code, cli::kFailureExit);
    EXPECT_NE(nowhere.err.find("Cannot create"), std::string::npos);
    EXPECT_EQ(nowhere.err.find("bytes in"), std::string::npos);

    // "-": the flight on standard output, its summary beside it on stderr.
    const test::CliRun dash = runAll({"download", "-o", "-", "--simulate", path("flight.kes")});
    EXPECT_EQ(dash.code, 0);
    EXPECT_EQ(dash.out, std::string(flight.begin(), flight.end()));
    EXPECT_NE(dash.err.find("mes/sek"), std::string::npos);
    EXPECT_FALSE(fs::exists("-"));
}

TEST_F(CliDevice, ZeroAndSettings) {
    EXPECT_EQ(deviceExit({"zero", "--yes", "--simulate"}), 0);
    EXPECT_EQ(deviceExit({"settings", "--simulate"}), 0);
    EXPECT_EQ(
        deviceExit({"settings", "--simulate", "--set", "trigger=200,competitor=10000,delay=300"}),
        0);
    EXPECT_EQ(deviceExit({"settings", "--simulate", "--set", "trigger=201"}), cli::kFailureExit);
    EXPECT_EQ(deviceExit({"settings", "--simulate", "--set", "competitor=-1"}), cli::kFailureExit);
    EXPECT_EQ(deviceExit({"settings", "--simulate", "--set", "delay=301"}), cli::kFailureExit);
    EXPECT_EQ(deviceExit({"settings", "--simulate", "--set", "rate=6"}), cli::kFailureExit);
    EXPECT_EQ(deviceExit({"settings", "--simulate", "--set", "speed=3"}), cli::kFailureExit);
    EXPECT_EQ(deviceExit({"settings", "--simulate", "--set", "trigger=3x"}), cli::kFailureExit);
}

TEST_F(CliDevice, SettingsOfTheSimulatedRecorderAreThoseOfItsFlight) {
    const GeneratorOptions flight; // what the simulated recorder holds
    const test::CliRun settings = runDevice({"settings", "--simulate"});
    const int status = settings.code;
    const std::string& out = settings.out;
    EXPECT_EQ(status, 0);
    EXPECT_NE(out.find("competitor=" + std::to_string(flight.competitor) + "\n"), std::string::npos)
        << out;
    EXPECT_NE(out.find("serial=" + std::to_string(flight.serial) + "\n"), std::string::npos) << out;
}

TEST_F(CliDevice, SettingsWithARefusedDelayWriteNothing) {
    // Only the limit message: no write was attempted, so neither "Setup OK" nor a failure.
    const test::CliRun refused =
        runDevice({"settings", "--simulate", "--set", "trigger=150,competitor=5,delay=301"});
    const int status = refused.code;
    const std::string& err = refused.err;
    EXPECT_EQ(status, cli::kFailureExit);
    EXPECT_NE(err.find("Too large value"), std::string::npos) << err;
    EXPECT_EQ(err.find("Setup"), std::string::npos) << err;
}

} // namespace
} // namespace kestrom
