#include "cli/flight_json.h"
#include "cli_runner.h"
#include "files/text_export.h"
#include "flight/generator.h"
#include "tests/support/test_files.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace kestrom {
namespace {

namespace fs = std::filesystem;
using test::runCli;
using namespace std::string_literals;

using CliTest = test::TempDirTest;

TEST_F(CliTest, GeneratedFlightsOfEveryRateThroughJsonAndCsv) {
    for (unsigned rate = 0; rate < 6; ++rate) {
        SCOPED_TRACE("rate " + std::to_string(rate));
        const std::string file = path("r" + std::to_string(rate) + ".bin");
        ASSERT_EQ(runCli({"gen", file, "--rate", std::to_string(rate), "--seed", "3"}).code, 0);

        const test::CliRun json = runCli({"json", file});
        ASSERT_EQ(json.code, 0) << json.err;
        const nlohmann::json j = nlohmann::json::parse(json.out);
        const Result<FlightRecord> record = cli::loadFlightRecord(file, true);
        ASSERT_TRUE(record);
        const FlightEvaluation& e = record.value->evaluation;
        EXPECT_EQ(j["rateCode"], rate);
        EXPECT_EQ(j["rateTimes10"], kRateTimes10[rate]);
        EXPECT_EQ(j["evaluated"], true);
        EXPECT_EQ(j["lastPointIndex"], e.lastPointIndex);
        EXPECT_EQ(j["altitudeCm"].size(), e.series1.size());
        EXPECT_EQ(j["dhdt"].size(), e.series2.size());
        EXPECT_EQ(j["leftAxisMax"], e.leftAxisMax);
        // Floats read back as the same 32-bit values.
        EXPECT_EQ(static_cast<float>(j["refPressure"].get<double>()), e.refPressure);
        EXPECT_EQ(static_cast<float>(j["maxAltitude"].get<double>()), e.maxAltitude);
        for (std::size_t i = 0; i < e.series2.size(); ++i) {
            ASSERT_EQ(static_cast<float>(j["dhdt"][i].get<double>()), e.series2[i]);
        }
        const nlohmann::json& labels = j["labels"];
        ASSERT_FALSE(labels.empty());
        EXPECT_EQ(labels[0][0], 0);
        EXPECT_EQ(labels[0][1], "0");

        const test::CliRun csv = runCli({"csv", file, "--decimal", ","});
        ASSERT_EQ(csv.code, 0) << csv.err;
        EXPECT_EQ(csv.out, *textExportBytes(e.altitudeCm, e.lastPointIndex, ',').value);
    }
}

TEST_F(CliTest, JsonKeysOnlyWhereTheyApply) {
    GeneratorOptions o;
    put("flight.bin", generateFlight(o));
    o.maxSamples = 2;
    o.endMarker = false;
    put("tiny.bin", generateFlight(o)); // 32 + 8 bytes: 4 words

    const nlohmann::json tiny = nlohmann::json::parse(runCli({"json", path("tiny.bin")}).out);
    EXPECT_EQ(tiny["wordCount"], 4);
    EXPECT_EQ(tiny["evaluated"], false);
    EXPECT_FALSE(tiny.contains("refPressure"));
    EXPECT_FALSE(tiny.contains("altitudeCm"));

    const nlohmann::json noDhdt =
        nlohmann::json::parse(runCli({"json", path("flight.bin"), "--no-dhdt"}).out);
    EXPECT_FALSE(noDhdt.contains("dhdt"));
    EXPECT_TRUE(noDhdt.contains("altitudeCm"));

    // A temperature entry rescales: 0 degrees against the header's own.
    const nlohmann::json plain = nlohmann::json::parse(runCli({"json", path("flight.bin")}).out);
    const nlohmann::json cold =
        nlohmann::json::parse(runCli({"json", path("flight.bin"), "--temp", "0"}).out);
    EXPECT_EQ(cold["groundTemp"], 0.0);
    EXPECT_EQ(cold["headerTemp"], plain["headerTemp"]);
    const double ratio = cold["maxAltitude"].get<double>() / plain["maxAltitude"].get<double>();
    EXPECT_NEAR(ratio, 273.15 / (273.15 + plain["groundTemp"].get<double>()), 2e-3);
}

TEST_F(CliTest, FailuresReportOnStderrWithStatusTwoAndWriteNothing) {
    put("short.bin", std::vector<std::uint8_t>(20, 0));
    put("unplottable.bin", generateFlight({.maxSamples = 10}));

    const test::CliRun missing = runCli({"json", path("missing.bin")});
    EXPECT_EQ(missing.code, 2);
    EXPECT_TRUE(missing.out.empty());
    EXPECT_NE(missing.err.find("missing.bin"), std::string::npos);

    const test::CliRun tooShort = runCli({"csv", path("short.bin"), "-o", path("a.csv")});
    EXPECT_EQ(tooShort.code, 2);
    EXPECT_NE(tooShort.err.find("too short"), std::string::npos);
    EXPECT_FALSE(fs::exists(path("a.csv")));

    const test::CliRun noData = runCli({"csv", path("unplottable.bin"), "-o", path("b.csv")});
    EXPECT_EQ(noData.code, 2);
    EXPECT_NE(noData.err.find("No data"), std::string::npos);
    EXPECT_FALSE(fs::exists(path("b.csv")));

    EXPECT_EQ(runCli({"json"}).code, 2);
    EXPECT_EQ(runCli({"gen", path("x.bin"), "--rate", "16"}).code, 2);
    EXPECT_EQ(runCli({"gen", (dir_ / "no" / "x.bin").string()}).code, 2);
}

TEST_F(CliTest, CsvToAFileMatchesStandardOutput) {
    put("flight.bin", generateFlight({}));
    const test::CliRun toStdout = runCli({"csv", path("flight.bin"), "--temp", "-12"});
    ASSERT_EQ(runCli({"csv", path("flight.bin"), "--temp", "-12", "-o", path("f.csv")}).code, 0);
    EXPECT_EQ(test::readText(path("f.csv")), toStdout.out);
    EXPECT_EQ(toStdout.out.find('\r'), toStdout.out.find('\n') + 1);
}

TEST_F(CliTest, SummaryListsGoodFilesAndReportsBadOnes) {
    GeneratorOptions o{.rateCode = 3, .competitor = 321};
    put("good.bin", generateFlight(o));
    o.rateCode = 9;
    put("odd-rate.bin", generateFlight(o));
    put("bad.bin", {1, 2, 3});
    const test::CliRun run =
        runCli({"summary", path("good.bin"), path("bad.bin"), path("odd-rate.bin")});
    EXPECT_EQ(run.code, 2);
    EXPECT_NE(run.err.find("bad.bin"), std::string::npos);
    const std::vector<std::string> rows = test::lines(run.out);
    ASSERT_EQ(rows.size(), 2U) << run.out;
    const std::string &first = rows[0], &second = rows[1];
    EXPECT_EQ(first.rfind("good.bin", 0), 0U);
    EXPECT_NE(first.find(" 321 "), std::string::npos);
    EXPECT_NE(first.find(" 5 mes/sek"), std::string::npos);
    EXPECT_EQ(second.rfind("odd-rate.bin", 0), 0U);
    EXPECT_EQ(first.size(), second.size()); // aligned columns
    EXPECT_EQ(runCli({"summary", path("good.bin")}).code, 0);
}

} // namespace
} // namespace kestrom
