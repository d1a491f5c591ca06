// kestrom-cli's handling of odd paths and arguments, in-process: where a download's flight goes,
// outputs that are inputs, argument checks and the archive listing's lines.

#include "cli/archive_commands.h"
#include "cli/commands.h"
#include "cli/device_commands.h"
#include "cli/table_command.h"
#include "store_runner.h"
#include "tests/support/test_files.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kestrom {
namespace {

namespace fs = std::filesystem;

using test::runStoreCli;

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CommandLine : public test::StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        EXPECT_EQ(runStoreCli({"gen", flight_}).code, 0);
    }
    void TearDown() override {
        ::chmod((dir_ / "locked").c_str(), 0700);
        StoreTest::TearDown();
    }

    const std::string flight_ = path("flight.kes");
};

// Every path problem is an exit 2 naming the path, said before the recorder is read (so nothing
// is archived); never an abort.
TEST_F(CommandLine, DownloadReportsBadOutputPathsBeforeTheTransfer) {
    fs::create_symlink("loop.kes", dir_ / "loop.kes");
    fs::create_directories(dir_ / "locked");
    ::chmod((dir_ / "locked").c_str(), 0);
    const bool root = ::geteuid() == 0;
    const struct {
        std::string out;
        const char* says;
    } cases[] = {{"", "-o needs a file name"},
                 {path("loop.kes"), "loop.kes"},
                 {path(std::string(300, 'n') + ".kes"), "File name too long"},
                 {path("missing/f.kes"), "missing/f.kes"},
                 {path("locked/f.kes"), "Permission denied"},
                 {flight_, "exists; use --force"}};
    for (const auto& c : cases) {
        if (root && has(c.out, "locked")) {
            continue;
        }
        const test::CliRun r = runStoreCli({"download", "--simulate", "-o", c.out});
        EXPECT_EQ(r.code, 2) << c.out;
        EXPECT_TRUE(has(r.err, c.says)) << c.out << ": " << r.err;
        EXPECT_FALSE(has(r.err, "bytes in")) << c.out; // no transfer
        EXPECT_EQ(archived().size(), 0U) << c.out;
    }
}

// A file that appears at -o while the flight is read is never replaced without --force; the
// command fails and says where the flight is: its archive copy, else a file beside the target.
TEST_F(CommandLine, AFileAppearingDuringTheDownloadIsKept) {
    for (const bool archiving : {true, false}) {
        SCOPED_TRACE(archiving ? "archiving" : "not archiving");
        const std::string out = path(archiving ? "a.kes" : "b.kes");
        std::thread other([&out] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            std::ofstream(out) << "someone else's";
        });
        std::vector<std::string> args{"download", "--simulate", flight_, "--byte-rate",
                                      "2000",     "-o",         out};
        if (!archiving) {
            args.push_back("--no-archive");
        }
        const test::CliRun r = runStoreCli(args);
        other.join();
        EXPECT_EQ(r.code, 2) << r.err;
        EXPECT_EQ(test::readText(out), "someone else's");
        const std::string kept =
            archiving ? (*fs::directory_iterator(archive_)).path().string() : path("b_2.kes");
        EXPECT_TRUE(has(r.err, "the flight is kept in " + kept)) << r.err;
        EXPECT_EQ(test::readBytes(kept), test::readBytes(flight_));
    }
}

// An output that is the input, standard input included, is refused before anything is written.
TEST_F(CommandLine, AnOutputThatIsTheInputIsRefusedStandardInputIncluded) {
    const std::string before = test::readText(flight_);
    const struct {
        std::vector<std::string> args;
    } cases[] = {{{"csv", "-", "-o", flight_}},
                 {{"csv", "-", "-o", "/dev/stdin"}},
                 {{"table", "-", "-o", "/proc/self/fd/0"}},
                 {{"download", "--simulate", "-", "--force", "--no-archive", "-o", "/dev/fd/0"}},
                 {{"csv", flight_, "-o", path("link.kes")}}};
    fs::create_symlink(flight_, dir_ / "link.kes");
    for (const auto& c : cases) {
        const int input = ::open(flight_.c_str(), O_RDONLY);
        const int savedStdin = ::dup(STDIN_FILENO);
        ::dup2(input, STDIN_FILENO);
        const test::CliRun r = runStoreCli(c.args);
        ::dup2(savedStdin, STDIN_FILENO);
        ::close(savedStdin);
        ::close(input);
        EXPECT_EQ(r.code, 2) << c.args[0] << " " << c.args.back();
        EXPECT_TRUE(has(r.err, "is the input file")) << r.err;
    }
    EXPECT_EQ(test::readText(flight_), before);
}

TEST_F(CommandLine, GenChecksEveryValueAndStaysWithinWhatAReaderTakes) {
    const struct {
        std::vector<std::string> options;
        int code;
    } cases[] = {
        {{"--seed", ""}, 2},
        {{"--seed", "0x10"}, 2},
        {{"--temp", "nan"}, 2},
        {{"--glide", "inf"}, 2},
        {{"--climb", "-5"}, 2},
        {{"--noise", "1e3"}, 2},
        {{"--competitor", "65536"}, 2},
        {{"--pressure", "1000"}, 2},
        {{"--trailing", "4294967295"}, 2},
        {{"--rate", "16"}, 2},
        {{"--temp", "-12.5"}, 0},
        {{"--sink", "0.08"}, 0},
        {{"--trailing", "90000"}, 0},
        {{"--samples", "22491", "--glide", "9000"}, 0},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"gen", "-"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const test::CliRun r = runStoreCli(args);
        EXPECT_EQ(r.code, c.code) << c.options[0] << " " << c.options[1] << ": " << r.err;
        EXPECT_LE(r.out.size(), 90000U) << c.options[0];
        EXPECT_EQ(r.out.empty(), c.code != 0) << c.options[0];
    }
    EXPECT_EQ(runStoreCli({"gen", "-", "--trailing", "90000"}).out.size(), 90000U);
}

// --filter-params is one argument; the files and options of a verb come in any order.
TEST_F(CommandLine, FilterParamsAreOneArgumentAndOptionsComeInAnyOrder) {
    const std::string out = path("t.csv");
    const struct {
        std::vector<std::string> args;
        int code;
    } cases[] = {
        {{"table", "--filter", "--filter-params", "350,250,8,12", flight_, "-o", out}, 0},
        {{"table", flight_, "--filter-params", "350,250,8,12", "--filter", "-o", out}, 0},
        {{"table", "-o", out, "--filter", flight_, "--filter-params", "100,90,4,6"}, 0},
        {{"json", "--filter", "--filter-params", "350,250,8,12", flight_}, 0},
        {{"table", "--filter", "--filter-params", "350,250,8", flight_, "-o", out}, 2},
        {{"table", "--filter", "--filter-params", "350,250,8,12,3", flight_, "-o", out}, 2},
        {{"table", "--filter", "--filter-params", "a,b,c,d", flight_, "-o", out}, 2},
        {{"table", "--filter-params", "350,250,8,12", flight_, "-o", out}, 2}, // needs --filter
    };
    for (const auto& c : cases) {
        fs::remove(out);
        const test::CliRun r = runStoreCli(c.args);
        std::string line;
        for (const std::string& a : c.args) {
            line += a + " ";
        }
        EXPECT_EQ(r.code, c.code) << line << r.err;
        if (c.code == 0 && c.args[0] == "table") {
            EXPECT_TRUE(has(test::readText(out), ",filtered_altitude_m\n")) << line;
        }
    }
}

// One line per file whatever its name holds; files that are no flights marked; a flight too
// short for a point shows no extremes.
TEST_F(CommandLine, ArchiveListingEscapesNamesAndMarksWhatIsNoFlight) {
    fs::create_directories(archive_);
    fs::copy_file(flight_, archive_ / "a\nb.kes");
    std::ofstream(archive_ / "c-text.kes") << std::string(400, '7');
    ASSERT_EQ(runStoreCli({"gen", (archive_ / "d-short.kes").string(), "--samples", "12"}).code, 0);
    const test::CliRun r = runStoreCli({"archive"});
    EXPECT_EQ(r.code, 0) << r.err;
    const std::vector<std::string> rows = test::lines(r.out);
    ASSERT_EQ(rows.size(), 4U) << r.out;
    EXPECT_TRUE(rows[1].starts_with("a\\nb.kes ")) << rows[1];
    EXPECT_TRUE(has(rows[2], "(This is not a measurement file")) << rows[2];
    EXPECT_FALSE(has(rows[1], "not a measurement file")) << rows[1];
    EXPECT_TRUE(has(r.err, "c-text.kes: This is not a measurement file")) << r.err;
    const std::vector<std::string> words = test::words(rows[3]);
    ASSERT_GE(words.size(), 2U);
    EXPECT_EQ(words[words.size() - 2] + " " + words.back(), "- -") << rows[3];

    // A folder that cannot be listed is an error, not an empty archive.
    const test::CliRun through = runStoreCli({"archive", "--folder", flight_ + "/flights"});
    EXPECT_EQ(through.code, 2);
    EXPECT_TRUE(has(through.err, flight_)) << through.err;
}

} // namespace
} // namespace kestrom
