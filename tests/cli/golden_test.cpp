// The samples' JSON and text exports against their expected outputs. These pin every constant,
// truncation and order of operations; regenerate them only for an intended change
// (tests/data/golden/regenerate).

#include "cli_runner.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace kestrom {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

const fs::path kGolden = fs::path(KESTROM_TEST_DATA_DIR) / "golden";
const fs::path kSamples = fs::path(KESTROM_SAMPLES_DIR);

TEST(Golden, EverySampleGivesItsExpectedJsonAndExport) {
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(kSamples)) {
        if (entry.path().extension() != ".bin") {
            continue;
        }
        const std::string name = entry.path().stem().string();
        SCOPED_TRACE(name);
        const test::CliRun json = test::runCli({"json", entry.path().string()});
        ASSERT_EQ(json.code, 0) << json.err;
        EXPECT_EQ(json.out, slurp(kGolden / (name + ".json")));
        const test::CliRun csv = test::runCli({"csv", entry.path().string()});
        ASSERT_EQ(csv.code, 0) << csv.err;
        EXPECT_EQ(csv.out, slurp(kGolden / (name + ".csv")));
        ++checked;
    }
    EXPECT_GE(checked, 6);
}

TEST(Golden, TemperatureEntryAndOptions) {
    const std::string calm = (kSamples / "rate2-10ps-calm.bin").string();
    EXPECT_EQ(test::runCli({"json", calm, "--temp", "-5", "--no-dhdt"}).out,
              slurp(kGolden / "rate2-10ps-calm.temp-5.json"));
    EXPECT_EQ(test::runCli({"csv", calm, "--temp", "35", "--decimal", ","}).out,
              slurp(kGolden / "rate2-10ps-calm.temp35.csv"));
}

} // namespace
} // namespace kestrom
