// kestrom-cli download's archive step, archive and table, run in-process.

#include "analysis/filter_plot.h"
#include "cli/archive_commands.h"
#include "cli/commands.h"
#include "cli/device_commands.h"
#include "cli/flight_json.h"
#include "cli/table_command.h"
#include "files/flight_archive.h"
#include "files/text_export.h"
#include "flight/generator.h"
#include "flight/number_format.h"
#include "settings/settings_texts.h"
#include "store_runner.h"
#include "tests/support/test_files.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace kestrom {
namespace {

namespace fs = std::filesystem;

const auto run = test::runStoreCli;

using test::lines;
using test::words;

std::vector<std::string> fields(const std::string& line, char separator) {
    std::vector<std::string> out(1);
    for (char c : line) {
        if (c == separator) {
            out.emplace_back();
        } else {
            out.back() += c;
        }
    }
    return out;
}

class StoreCli : public test::StoreTest {
protected:
    std::string gen(const std::string& name, std::vector<std::string> options) const {
        options.insert(options.begin(), {"gen", path(name)});
        EXPECT_EQ(run(options).code, 0);
        return path(name);
    }
};

// Every download at one fixed moment, so that names clash however fast the machine is.
std::chrono::system_clock::time_point fixedMoment() {
    return std::chrono::system_clock::from_time_t(1796740212);
}

TEST_F(StoreCli, EveryDownloadIsArchivedAsSaved) {
    const std::string flight = gen("f.kes", {"--competitor", "23", "--serial", "4711"});
    const cli::WallClock wallClock = cli::setArchiveClock(&fixedMoment);
    const std::string name = archiveFileName(fixedMoment(), 23, 4711);
    const std::string stem = name.substr(0, name.size() - 4);
    // Someone else's file on the second name: passed over, never replaced.
    fs::create_directories(archive_);
    std::ofstream(archive_ / (stem + "_2.kes")) << "not ours";
    for (const char* out : {"a.kes", "b.kes"}) {
        const test::CliRun r = run({"download", "-o", path(out), "--simulate", flight});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_NE(r.err.find("archived as " + archive_.string()), std::string::npos) << r.err;
    }
    cli::setArchiveClock(wallClock);
    EXPECT_EQ(archived(), (std::vector<fs::path>{archive_ / name, archive_ / (stem + "_2.kes"),
                                                 archive_ / (stem + "_3.kes")}));
    EXPECT_EQ(test::readText(archive_ / name), test::readText(path("a.kes")));
    EXPECT_EQ(test::readText(archive_ / (stem + "_2.kes")), "not ours");
    EXPECT_EQ(test::readText(archive_ / (stem + "_3.kes")), test::readText(path("b.kes")));

    // Off switch.
    ASSERT_EQ(run({"download", "-o", path("c.kes"), "--simulate", flight, "--no-archive"}).code, 0);
    EXPECT_EQ(archived().size(), 3U);
}

TEST_F(StoreCli, TheWindowsArchiveItemSwitchesDownloadArchivingOff) {
    const fs::path settings = dir_ / "config" / "kestrom" / "kestrom-window.ini";
    fs::create_directories(settings.parent_path());
    const struct {
        const char* text;
        bool archived;
    } cases[] = {{"[archive]\nenabled=false\n", false},
                 {"[General]\nx=1\r\n[archive]\r\nenabled = 0\r\n", false},
                 {"[archive]\nenabled=true\n", true},
                 {"[recent]\nenabled=false\n", true}};
    std::size_t expected = 0;
    for (const auto& c : cases) {
        std::ofstream(settings) << c.text;
        const test::CliRun r = run({"download", "-o", path("a.kes"), "--simulate", "--force"});
        ASSERT_EQ(r.code, 0) << r.err;
        expected += c.archived ? 1 : 0;
        EXPECT_EQ(archived().size(), expected) << c.text;
        EXPECT_EQ(r.err.find("switched off in " + settings.string()) != std::string::npos,
                  !c.archived)
            << c.text << r.err;
    }
}

TEST_F(StoreCli, FailedArchiveWriteNeverFailsTheDownload) {
    std::ofstream(archive_) << "a file where the folder should be";
    const test::CliRun r = run({"download", "-o", path("a.kes"), "--simulate"});
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.err.find("the flight was not archived"), std::string::npos) << r.err;
    EXPECT_GT(fs::file_size(path("a.kes")), 64U);
}

TEST_F(StoreCli, ArchiveListsOneLinePerFlightUnderAHeader) {
    EXPECT_EQ(run({"archive"}).out.substr(0, 4), "file"); // empty archive: header only
    const std::string rate0 = gen("r0.kes", {"--rate", "0", "--competitor", "3"});
    const std::string rate9 = gen("r9.kes", {"--rate", "9", "--competitor", "4"});
    ASSERT_EQ(run({"download", "-o", path("a.kes"), "--simulate", rate0}).code, 0);
    ASSERT_EQ(run({"download", "-o", path("b.kes"), "--simulate", rate9}).code, 0);

    test::CliRun r = run({"archive"});
    ASSERT_EQ(r.code, 0) << r.err;
    std::vector<std::string> out = lines(r.out);
    ASSERT_EQ(out.size(), 3U) << r.out;
    EXPECT_EQ(words(out[0]),
              (std::vector<std::string>{"file", "time", "competitor", "serial", "sampling",
                                        "duration_s", "max_m", "min_m"}));
    const Result<FlightRecord> loaded = cli::loadFlightRecord(path("a.kes"), true);
    ASSERT_TRUE(loaded);
    const FlightRecord& a = *loaded.value;
    const std::vector<std::string> first = words(out[1]);
    ASSERT_EQ(first.size(), 10U) << out[1]; // the time and the sampling are two words each
    EXPECT_EQ(first[3], "3");
    EXPECT_EQ(first[4], "1001");
    EXPECT_EQ(first[5] + " " + first[6], samplingText(0, SamplingList::ActivatedEnglish));
    EXPECT_EQ(first[7], formatOneDecimal((a.wordCount / 2 - 1) * 10.0 / 200.0));
    EXPECT_EQ(first[8], formatOneDecimal(a.evaluation.maxAltitude));
    EXPECT_EQ(first[9], formatOneDecimal(a.evaluation.minAltitude));
    // Rate code 9 has no rate: no sampling text and no duration.
    const std::vector<std::string> second = words(out[2]);
    ASSERT_EQ(second.size(), 9U) << out[2];
    EXPECT_EQ(second[3], "4");
    EXPECT_EQ(second[5], "-");
    EXPECT_EQ(second[6], "-");

    // An unreadable file is listed, said on stderr, and fails the command at the end.
    std::ofstream(archive_ / "broken.kes") << "short";
    r = run({"archive"});
    EXPECT_EQ(r.code, cli::kFailureExit);
    EXPECT_EQ(lines(r.out).size(), 4U);
    EXPECT_NE(r.err.find("broken.kes"), std::string::npos);
}

TEST_F(StoreCli, TableRowsAreTheExportPointsWithTimeAndVerticalSpeed) {
    struct Case {
        unsigned rateCode;
        std::uint32_t rateTimes10;
        const char* timeOfRow3; // j = 3
    };
    const Case cases[] = {{0, 200, "0.150"}, {1, 150, "0.200"}, {2, 100, "0.300"},
                          {3, 50, "0.600"},  {4, 10, "3.000"},  {5, 5, "6.000"}};
    for (const Case& c : cases) {
        SCOPED_TRACE("rate code " + std::to_string(c.rateCode));
        const std::string file =
            gen("t.kes", {"--rate", std::to_string(c.rateCode), "--seed", "5", "--spikes", "6"});
        const test::CliRun r = run({"table", file, "-o", path("t.csv")});
        ASSERT_EQ(r.code, 0) << r.err;
        const std::string text = test::readText(path("t.csv"));
        EXPECT_EQ(text.find('\r'), std::string::npos);
        const std::vector<std::string> rows = lines(text);
        EXPECT_EQ(rows[0], "time_s,altitude_m,vertical_speed_m_s");

        const Result<FlightRecord> loaded = cli::loadFlightRecord(file, true);
        ASSERT_TRUE(loaded);
        const FlightEvaluation& e = loaded.value->evaluation;
        // The altitude column is the text export, line for line (the export ends lines LF CR).
        const std::string exportText = *textExportBytes(e.altitudeCm, e.lastPointIndex, '.').value;
        std::vector<std::string> exported;
        for (std::size_t at = 0, end; (end = exportText.find("\n\r", at)) != std::string::npos;
             at = end + 2) {
            exported.push_back(exportText.substr(at, end - at));
        }
        ASSERT_EQ(rows.size(), exported.size() + 1);
        ASSERT_EQ(rows.size(), e.series1.size() + 1);
        for (std::size_t j = 0; j + 1 < rows.size(); ++j) {
            const std::vector<std::string> f = fields(rows[j + 1], ',');
            ASSERT_EQ(f.size(), 3U) << rows[j + 1];
            EXPECT_EQ(f[1], exported[j]) << "row " << j;
            EXPECT_NEAR(std::stod(f[0]), static_cast<double>(j) * 10.0 / c.rateTimes10, 0.0005);
            if (j < e.series2.size()) {
                EXPECT_NEAR(std::stod(f[2]),
                            static_cast<double>(e.series2[j]) * c.rateTimes10 / 10.0, 0.0051)
                    << "row " << j;
            } else {
                EXPECT_EQ(f[2], "") << "row " << j; // dh/dt has two points fewer
            }
        }
        EXPECT_EQ(fields(rows[4], ',')[0], c.timeOfRow3);
        EXPECT_EQ(fields(rows.back(), ',')[2], "");
    }
}

TEST_F(StoreCli, TableWithFilterAddsTheFilteredAltitude) {
    const std::string file = gen("s.kes", {"--spikes", "8", "--seed", "9"});
    const test::CliRun r = run({"table", file, "--filter"});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<std::string> rows = lines(r.out);
    EXPECT_EQ(rows[0], "time_s,altitude_m,vertical_speed_m_s,filtered_altitude_m");

    const Result<FlightRecord> loaded = cli::loadFlightRecord(file, true);
    ASSERT_TRUE(loaded);
    const FlightRecord& rec = *loaded.value;
    FilterWork work;
    const std::optional<FilterPlot> plot = filterRecorderFlight(
        work, rec.evaluation.altitudeCm, FilterParams{}, rec.wordCount, rec.rateTimes10);
    ASSERT_TRUE(plot);
    ASSERT_EQ(rows.size(), rec.evaluation.series1.size() + 1);
    std::size_t differing = 0;
    for (std::size_t j = 0; j + 1 < rows.size(); ++j) {
        const std::vector<std::string> f = fields(rows[j + 1], ',');
        ASSERT_EQ(f.size(), 4U);
        EXPECT_EQ(f[3], formatExportValue(plot->filteredCm[j])) << "row " << j;
        differing += f[3] != f[1] ? 1 : 0;
    }
    EXPECT_GT(differing, 0U); // the spikes are gone from the filtered column
}

TEST_F(StoreCli, TableWithoutARateLeavesTimeAndSpeedEmpty) {
    const std::string file = gen("n.kes", {"--rate", "12"});
    const test::CliRun r = run({"table", file});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<std::string> rows = lines(r.out);
    ASSERT_GT(rows.size(), 20U);
    for (std::size_t j = 1; j < rows.size(); ++j) {
        const std::vector<std::string> f = fields(rows[j], ',');
        ASSERT_EQ(f.size(), 3U);
        EXPECT_EQ(f[0], "");
        EXPECT_FALSE(f[1].empty());
        EXPECT_EQ(f[2], "");
    }
}

TEST_F(StoreCli, TableOfAFlightWithoutPointsFails) {
    std::ofstream(path("tiny.kes"), std::ios::binary) << std::string(60, '\0');
    const test::CliRun r = run({"table", path("tiny.kes"), "-o", path("out.csv")});
    EXPECT_EQ(r.code, cli::kFailureExit);
    EXPECT_NE(r.err.find("No data"), std::string::npos);
    EXPECT_FALSE(fs::exists(path("out.csv")));
    EXPECT_EQ(run({"table", path("absent.kes")}).code, cli::kFailureExit);
}

// The verbs of the flight archive read and write as json and csv do.
TEST_F(StoreCli, TableRefusesAnOutputNamingItsInputAndWritesDashToStandardOutput) {
    const std::string file = gen("f.kes", {});
    const std::string before = test::readText(file);
    fs::create_symlink(file, path("link.kes"));
    fs::create_hard_link(file, path("hard.kes"));
    for (const std::string& out : {file, path("link.kes"), path("hard.kes")}) {
        const test::CliRun r = run({"table", file, "-o", out});
        EXPECT_EQ(r.code, cli::kFailureExit) << out;
        EXPECT_NE(r.err.find("is the input file"), std::string::npos) << out << ": " << r.err;
    }
    EXPECT_EQ(test::readText(file), before);

    const test::CliRun plain = run({"table", file});
    const test::CliRun dash = run({"table", file, "-o", "-"});
    EXPECT_EQ(dash.code, 0);
    EXPECT_EQ(dash.out.substr(0, 5), "time_");
    EXPECT_EQ(dash.out, plain.out);
    EXPECT_FALSE(fs::exists("-"));
}

TEST_F(StoreCli, TableRefusesInputsThatWouldHangOrNeverEnd) {
    ASSERT_EQ(::mkfifo(path("fifo.kes").c_str(), 0600), 0); // nobody ever writes to it
    fs::create_directories(path("folder.kes"));
    for (const std::string& input :
         {path("fifo.kes"), std::string("/dev/zero"), path("folder.kes")}) {
        const test::CliRun r = run({"table", input, "--filter", "-o", path("t.csv")});
        EXPECT_EQ(r.code, cli::kFailureExit) << input;
        EXPECT_NE(r.err.find(input), std::string::npos) << input;
    }
    EXPECT_FALSE(fs::exists(path("t.csv")));
}

} // namespace
} // namespace kestrom
