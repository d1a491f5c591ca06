// What kestrom-cli takes as input and where it writes: long flights read whole, inputs that
// would hang or never end refused, option values the window could not hold refused, outputs
// that would destroy the input refused, files that are no flight warned about.

#include "cli_runner.h"
#include "flight/flight_record.h"
#include "flight/generator.h"
#include "tests/support/long_flight.h"
#include "tests/support/test_files.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

namespace kestrom {
namespace {

namespace fs = std::filesystem;
using test::runCli;
using Bytes = std::vector<std::uint8_t>;

using CliInputsOutputs = test::TempDirTest;

TEST_F(CliInputsOutputs, LongFlightIsReadWholeAndCutToTheCurvesAsADownloadIs) {
    const Bytes bytes = test::flightOf80000Bytes();
    ASSERT_EQ(bytes.size(), 80000U);
    const std::string file = put("long.kes", bytes);
    // The download evaluates everything it received.
    FlightRecord downloaded;
    setFlightImage(downloaded, FlightImage(bytes));
    ASSERT_TRUE(evaluateRecord(downloaded, true));
    const auto& e = downloaded.evaluation;
    const std::vector<std::int32_t> curve(e.altitudeCm.begin(),
                                          e.altitudeCm.begin() + static_cast<long>(e.pointCount()));
    ASSERT_EQ(curve.size(), kMaxEvaluatedSamples - 5);

    const test::CliRun json = runCli({"json", file});
    ASSERT_EQ(json.code, 0) << json.err;
    const nlohmann::json j = nlohmann::json::parse(json.out);
    EXPECT_EQ(j["wordCount"], (80000 - 32) / 2);
    EXPECT_EQ(j["altitudeCm"].get<std::vector<std::int32_t>>(), curve);
    const test::CliRun compare = runCli({"json", file, "--as-comparison"});
    ASSERT_EQ(compare.code, 0) << compare.err;
    EXPECT_EQ(nlohmann::json::parse(compare.out)["altitudeCm"].size(), curve.size());
    // The text export writes the download's points; the summary shows its extremes.
    const std::string csv = runCli({"csv", file}).out;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), e.lastPointIndex - 2);
    EXPECT_NE(runCli({"summary", file}).out.find(j["maxText"].get<std::string>()),
              std::string::npos);
}

TEST_F(CliInputsOutputs, InputsThatWouldHangOrNeverEndAreRefused) {
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0); // nobody ever writes to it
    fs::create_directories(path("folder"));
    for (const std::string& input : {path("fifo"), std::string("/dev/zero"), path("folder")}) {
        for (const std::vector<std::string>& args : {std::vector<std::string>{"json", input},
                                                     {"json", input, "--as-comparison"},
                                                     {"csv", input},
                                                     {"summary", input}}) {
            const test::CliRun run = runCli(args);
            EXPECT_EQ(run.code, 2) << args[0] << " " << input;
            EXPECT_TRUE(run.out.empty()) << args[0] << " " << input;
            EXPECT_NE(run.err.find(input), std::string::npos) << args[0] << " " << input;
        }
    }
}

TEST_F(CliInputsOutputs, TemperatureTakesWhatTheFieldCanHold) {
    const std::string file = put("flight.kes", generateFlight({}));
    const struct {
        const char* text;
        int code;
        double degrees;
    } cases[] = {{"-99", 0, -99}, {"999", 0, 999}, {"0", 0, 0},    {"-0", 0, 0},   {"010", 0, 10},
                 {"-05", 0, -5},  {"1000", 2, 0},  {"-100", 2, 0}, {"5.5", 2, 0},  {"+5", 2, 0},
                 {"abc", 2, 0},   {"-", 2, 0},     {"0x1", 2, 0},  {"65535", 2, 0}};
    for (const auto& c : cases) {
        for (const char* verb : {"json", "csv"}) {
            const test::CliRun run = runCli({verb, file, "--temp", c.text});
            EXPECT_EQ(run.code, c.code) << verb << " " << c.text << ": " << run.err;
            if (c.code == 0 && std::string(verb) == "json") {
                EXPECT_EQ(nlohmann::json::parse(run.out)["groundTemp"], c.degrees) << c.text;
            }
        }
    }
}

TEST_F(CliInputsOutputs, DecimalSeparatorIsAPointOrAComma) {
    const std::string file = put("flight.kes", generateFlight({}));
    EXPECT_EQ(runCli({"csv", file, "--decimal", "."}).code, 0);
    const test::CliRun comma = runCli({"csv", file, "--decimal", ","});
    EXPECT_EQ(comma.code, 0);
    EXPECT_NE(comma.out.find(','), std::string::npos);
    for (const char* bad : {";", "x", "44", ".,", ""}) {
        const test::CliRun run = runCli({"csv", file, "--decimal", bad});
        EXPECT_EQ(run.code, 2) << bad;
        EXPECT_TRUE(run.out.empty()) << bad;
    }
}

TEST_F(CliInputsOutputs, AnOutputNamingTheInputIsRefusedAndTheInputKept) {
    const Bytes bytes = generateFlight({});
    const std::string file = put("flight.kes", bytes);
    fs::create_symlink(file, path("link.kes"));
    fs::create_hard_link(file, path("hard.kes"));
    for (const std::string& out :
         {file, path("link.kes"), path("hard.kes"), (dir_ / "." / "flight.kes").string()}) {
        const test::CliRun run = runCli({"csv", file, "-o", out});
        EXPECT_EQ(run.code, 2) << out;
        EXPECT_NE(run.err.find("input"), std::string::npos) << out;
    }
    EXPECT_EQ(test::readText(file), std::string(bytes.begin(), bytes.end()));
    EXPECT_TRUE(fs::is_symlink(path("link.kes")));
}

TEST_F(CliInputsOutputs, DashWritesToStandardOutput) {
    const std::string file = put("flight.kes", generateFlight({}));
    const test::CliRun plain = runCli({"csv", file});
    const test::CliRun dash = runCli({"csv", file, "-o", "-"});
    EXPECT_EQ(dash.code, 0);
    EXPECT_EQ(dash.out, plain.out);
    EXPECT_FALSE(fs::exists(path("-")));
    const test::CliRun gen = runCli({"gen", "-", "--seed", "3"});
    EXPECT_EQ(gen.code, 0);
    const Bytes expected = generateFlight({.seed = 3});
    EXPECT_EQ(gen.out, std::string(expected.begin(), expected.end()));
}

TEST_F(CliInputsOutputs, AFileThatIsNoFlightIsWarnedAboutOnStderrOnly) {
    Bytes bytes = generateFlight({});
    const test::CliRun good = runCli({"json", put("good.kes", bytes)});
    EXPECT_EQ(good.err, "");
    writeU16le(bytes, kOffsetCalibration, 0xFFFF);
    const std::string bad = put("bad.kes", bytes);
    const test::CliRun csvExport = runCli({"csv", path("good.kes")});
    const std::string text = put("export.csv", Bytes(csvExport.out.begin(), csvExport.out.end()));
    for (const std::string& file : {bad, text}) {
        for (const std::vector<std::string>& args : {std::vector<std::string>{"json", file},
                                                     {"json", file, "--as-comparison"},
                                                     {"csv", file},
                                                     {"summary", file}}) {
            const test::CliRun run = runCli(args);
            EXPECT_EQ(run.code, 0) << args[0] << " " << file;
            EXPECT_FALSE(run.out.empty()) << args[0] << " " << file;
            EXPECT_EQ(run.err, "kestrom-cli: warning: " + file +
                                   ": This is not a measurement file: impossible sensor "
                                   "calibration words\n")
                << args[0];
        }
    }
    // The JSON is the same as without the warning: the flight is evaluated as it stands.
    const nlohmann::json j = nlohmann::json::parse(runCli({"json", bad}).out);
    EXPECT_EQ(j["calibration"][0], -1);
    EXPECT_TRUE(j["evaluated"].get<bool>());
}

} // namespace
} // namespace kestrom
