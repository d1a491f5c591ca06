#include "flight/generator.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

namespace kestrom {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::runCli;

class AnalysisCliTest : public test::TempDirTest {
protected:
    static json jsonOf(const std::vector<std::string>& args) {
        const test::CliRun run = runCli(args);
        EXPECT_EQ(run.code, 0) << run.err;
        return json::parse(run.out);
    }
};

std::vector<std::uint8_t> spikyFlight() {
    return generateFlight({.seed = 4, .rateCode = 0, .spikes = 6, .glideSeconds = 40.0});
}

TEST_F(AnalysisCliTest, FilterRemovesSpikesFromTheRecorderCurve) {
    const std::string file = put("spiky.bin", spikyFlight());
    const json raw = jsonOf({"json", file});
    const json filtered = jsonOf({"json", file, "--filter"});
    EXPECT_FALSE(raw.contains("filtered"));
    ASSERT_TRUE(filtered.contains("filtered"));

    const auto& curve = raw["altitudeCm"];
    const auto& out = filtered["filtered"];
    ASSERT_EQ(out.size(), curve.size());
    // The spikes reach tens of metres; the filtered curve stays within a few metres of a
    // centred mean of the raw curve everywhere.
    std::int64_t worstRaw = 0;
    std::int64_t worstFiltered = 0;
    for (std::size_t i = 5; i + 5 < curve.size(); ++i) {
        std::int64_t sum = 0;
        for (std::size_t m = i - 5; m <= i + 5; ++m) {
            sum += curve[m].get<std::int64_t>();
        }
        const std::int64_t median = sum / 11;
        worstRaw = std::max(worstRaw, std::abs(curve[i].get<std::int64_t>() - median));
        worstFiltered = std::max(worstFiltered, std::abs(out[i].get<std::int64_t>() - median));
    }
    EXPECT_GT(worstRaw, 1000);
    EXPECT_LT(worstFiltered, worstRaw / 2);
    EXPECT_EQ(out.front(), curve.front());
    EXPECT_EQ(out.back(), curve.back());
    // The recorder panel's own texts stay those of the evaluation.
    EXPECT_EQ(filtered["maxText"], raw["maxText"]);

    const json explicitDefaults =
        jsonOf({"json", file, "--filter", "--filter-params", "350,250,8,12"});
    EXPECT_EQ(explicitDefaults["filtered"], out);
    const json other = jsonOf({"json", file, "--filter", "--filter-params", "2000,2000,4,6"});
    EXPECT_NE(other["filtered"], out);
}

TEST_F(AnalysisCliTest, ComparisonOfTheSameFileMatchesTheRecorderFlight) {
    const std::string file = put("flight.bin", spikyFlight());
    const json recorder = jsonOf({"json", file, "--filter"});
    const json compare = jsonOf({"json", file, "--as-comparison", "--filter"});
    EXPECT_EQ(compare["compareSampleBytes"], spikyFlight().size() - 32);
    EXPECT_TRUE(compare["evaluated"].get<bool>());
    EXPECT_EQ(compare["altitudeCm"], recorder["altitudeCm"]);
    EXPECT_EQ(compare["refPressure"], recorder["refPressure"]);
    EXPECT_EQ(compare["maxAltitude"], recorder["maxAltitude"]);
    EXPECT_EQ(compare["maxText"], recorder["maxText"]);
    EXPECT_EQ(compare["filtered"], recorder["filtered"]);
    EXPECT_EQ(compare["filteredMaxText"], recorder["filteredMaxText"]);
    EXPECT_FALSE(compare.contains("wordCount"));
}

TEST_F(AnalysisCliTest, ShortComparisonFiles) {
    const std::vector<std::uint8_t> full = spikyFlight();
    struct Case {
        std::size_t bytes;
        bool evaluated;
        std::size_t points;
        bool filtered;
    };
    // 24 bytes after the header are evaluated; the Filter button needs 32.
    const Case cases[] = {{32, false, 0, false},
                          {55, false, 0, false},
                          {56, true, 1, false},
                          {63, true, 2, false},
                          {64, true, 3, true}};
    for (const Case& c : cases) {
        const std::string file =
            put("short.bin", std::vector<std::uint8_t>(full.begin(), full.begin() + c.bytes));
        const json j = jsonOf({"json", file, "--as-comparison", "--filter"});
        EXPECT_EQ(j["compareSampleBytes"], c.bytes - 32) << c.bytes;
        EXPECT_EQ(j["evaluated"], c.evaluated) << c.bytes;
        EXPECT_EQ(j["altitudeCm"].size(), c.points) << c.bytes;
        EXPECT_EQ(j.contains("filtered"), c.filtered) << c.bytes;
        if (!c.evaluated) {
            EXPECT_EQ(j["maxText"], "") << c.bytes;
            EXPECT_EQ(j["minText"], "") << c.bytes;
        }
    }

    const std::string tooShort =
        put("header.bin", std::vector<std::uint8_t>(full.begin(), full.begin() + 31));
    const test::CliRun run = runCli({"json", tooShort, "--as-comparison"});
    EXPECT_EQ(run.code, 2);
    EXPECT_TRUE(run.out.empty());
}

TEST_F(AnalysisCliTest, TemperatureEntryKeepsTextsItDoesNotWrite) {
    // A low flight: a little above 10 m at 20 degrees.
    const std::string file =
        put("flight.bin",
            generateFlight({.climbRateMps = 1.6, .glideSinkMps = 0.1, .noiseCounts = 0.0}));
    const json first = jsonOf({"json", file, "--as-comparison"});
    ASSERT_NE(first["minText"], "");

    // In the cold every height shrinks below 10 m: the re-evaluation writes a new maximum but
    // never a minimum, so the first evaluation's minimum stays in the field.
    const json cold = jsonOf({"json", file, "--as-comparison", "--temp", "-99"});
    EXPECT_EQ(cold["groundTemp"], -99.0);
    EXPECT_LT(cold["maxAltitude"].get<double>(), 10.0);
    EXPECT_NE(cold["maxText"], first["maxText"]);
    EXPECT_EQ(cold["minText"], first["minText"]);
    EXPECT_EQ(cold["minAltitude"], 65535.0);

    // What the temperature field cannot hold is refused before anything is read.
    const test::CliRun refused = runCli({"json", file, "--as-comparison", "--temp", "65535"});
    EXPECT_EQ(refused.code, 2);
    EXPECT_TRUE(refused.out.empty());
    EXPECT_NE(refused.err.find("temperature"), std::string::npos);
}

TEST_F(AnalysisCliTest, FilterParamsNeedFilterAndFourValues) {
    const std::string file = put("flight.bin", spikyFlight());
    EXPECT_EQ(runCli({"json", file, "--filter-params", "350,250,8,12"}).code, 2);
    EXPECT_EQ(runCli({"json", file, "--filter", "--filter-params", "350,250,8"}).code, 2);
    EXPECT_EQ(runCli({"json", file, "--filter", "--filter-params", "350,250,x,12"}).code, 2);
}

} // namespace
} // namespace kestrom
