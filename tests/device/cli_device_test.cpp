// kestrom-cli download, zero and settings with --simulate, run in-process.

#include "cli/commands.h"
#include "cli/device_commands.h"
#include "flight/generator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace kestrom {
namespace {

namespace fs = std::filesystem;

// Runs the command line; returns the exit status as kestrom-cli would.
int run(std::vector<std::string> args) {
    CLI::App app;
    app.require_subcommand(1);
    cli::addDeviceCommands(app);
    std::reverse(args.begin(), args.end()); // CLI11 takes the arguments in reverse order
    try {
        app.parse(args);
    } catch (const CLI::RuntimeError& e) {
        return e.get_exit_code();
    } catch (const CLI::ParseError& e) {
        return e.get_exit_code() == 0 ? 0 : cli::kFailureExit;
    }
    return 0;
}

std::vector<std::uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

class CliDevice : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kestrom_cli_device_" + std::to_string(getpid()));
        fs::create_directories(dir_);
        // Downloads are archived: keep them out of the user's own archive.
        ::setenv("KESTROM_ARCHIVE_DIR", (dir_ / "archive").c_str(), 1);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

struct FactorCase {
    std::uint16_t stored;
    std::uint16_t written;
};

class CliDownload : public CliDevice, public ::testing::WithParamInterface<FactorCase> {};

TEST_P(CliDownload, WritesTheFlightWithOnlyBytes8And9Replaced) {
    GeneratorOptions options;
    options.seed = 7;
    options.deviceFactor = GetParam().stored;
    const std::vector<std::uint8_t> flight = generateFlight(options);
    writeFile(dir_ / "flight.kes", flight);

    ASSERT_EQ(run({"download", "-o", (dir_ / "out.kes").string(), "--simulate",
                   (dir_ / "flight.kes").string()}),
              0);
    std::vector<std::uint8_t> expected = flight;
    expected[8] = static_cast<std::uint8_t>(GetParam().written & 0xFF);
    expected[9] = static_cast<std::uint8_t>(GetParam().written >> 8);
    EXPECT_EQ(readFile(dir_ / "out.kes"), expected);
}

INSTANTIATE_TEST_SUITE_P(Factors, CliDownload,
                         ::testing::Values(FactorCase{10000, 10000}, FactorCase{9700, 9700},
                                           FactorCase{9699, 10000}, FactorCase{10600, 10000}));

TEST_F(CliDevice, DownloadRefusesToOverwriteWithoutForce) {
    const fs::path out = dir_ / "out.kes";
    writeFile(out, {1, 2, 3});
    EXPECT_EQ(run({"download", "-o", out.string(), "--simulate"}), cli::kFailureExit);
    EXPECT_EQ(readFile(out), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(run({"download", "-o", out.string(), "--simulate", "--force"}), 0);
    EXPECT_GT(readFile(out).size(), 64u);
}

TEST_F(CliDevice, DownloadOfAFileWithoutSamplesWritesNothing) {
    writeFile(dir_ / "short.kes", std::vector<std::uint8_t>(40, 0xFF));
    EXPECT_EQ(run({"download", "-o", (dir_ / "out.kes").string(), "--simulate",
                   (dir_ / "short.kes").string()}),
              cli::kFailureExit);
    EXPECT_FALSE(fs::exists(dir_ / "out.kes"));
}

TEST_F(CliDevice, ZeroAndSettings) {
    EXPECT_EQ(run({"zero", "--yes", "--simulate"}), 0);
    EXPECT_EQ(run({"settings", "--simulate"}), 0);
    EXPECT_EQ(run({"settings", "--simulate", "--set", "trigger=200,competitor=10000,delay=300"}),
              0);
    EXPECT_EQ(run({"settings", "--simulate", "--set", "trigger=201"}), cli::kFailureExit);
    EXPECT_EQ(run({"settings", "--simulate", "--set", "competitor=-1"}), cli::kFailureExit);
    EXPECT_EQ(run({"settings", "--simulate", "--set", "delay=301"}), cli::kFailureExit);
    EXPECT_EQ(run({"settings", "--simulate", "--set", "rate=6"}), cli::kFailureExit);
    EXPECT_EQ(run({"settings", "--simulate", "--set", "speed=3"}), cli::kFailureExit);
    EXPECT_EQ(run({"settings", "--simulate", "--set", "trigger=3x"}), cli::kFailureExit);
}

} // namespace
} // namespace kestrom
