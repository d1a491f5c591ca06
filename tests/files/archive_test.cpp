#include "files/flight_archive.h"
#include "flight/flight_record.h"
#include "flight/generator.h"
#include "tests/support/test_files.h"

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrom {
namespace {

namespace fs = std::filesystem;
using std::chrono::system_clock;

// 2026-12-08 14:30:12 in UTC; the tests run with TZ=UTC so names are the same everywhere.
const system_clock::time_point kDownloadTime = system_clock::from_time_t(1796740212);

class ArchiveTest : public test::TempDirTest {
protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
};

TEST_F(ArchiveTest, FolderFollowsTheEnvironment) {
    const struct {
        const char* archiveDir;
        const char* dataHome;
        const char* home;
        const char* expected;
    } cases[] = {
        {"/srv/flights", "/d", "/h", "/srv/flights"},
        {"", "/d", "/h", "/d/kestrom/flights"},
        {nullptr, "/d", "/h", "/d/kestrom/flights"},
        {nullptr, "relative/data", "/h", "/h/.local/share/kestrom/flights"},
        {nullptr, "", "/h", "/h/.local/share/kestrom/flights"},
        {nullptr, nullptr, "/h", "/h/.local/share/kestrom/flights"},
        {nullptr, nullptr, nullptr, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(archiveFolderFor(c.archiveDir, c.dataHome, c.home), fs::path(c.expected))
            << (c.archiveDir ? c.archiveDir : "-") << " " << (c.dataHome ? c.dataHome : "-");
    }
}

TEST_F(ArchiveTest, NameCarriesTimeCompetitorAndSerial) {
    EXPECT_EQ(archiveFileName(kDownloadTime, 17, 1001), "2026-12-08_143012_c17_s1001.kes");
    EXPECT_EQ(archiveFileName(kDownloadTime + std::chrono::hours(10), 0, 65535),
              "2026-12-09_003012_c0_s65535.kes");
    EXPECT_EQ(archiveNameTime("2026-12-08_143012_c17_s1001_2.kes"),
              system_clock::to_time_t(kDownloadTime));
    for (const char* other : {"flight.kes", "2026-12-08_1430_c1.kes", "2026-13-08_143012.kes",
                              "2026-12-08-143012.kes", ""}) {
        EXPECT_FALSE(archiveNameTime(other).has_value()) << other;
    }
}

TEST_F(ArchiveTest, StoresTheImageByteForByteAndNeverOverwrites) {
    // Trailing bytes stored too: the archive keeps what Save would write.
    GeneratorOptions options{.competitor = 17, .serial = 1001, .trailingBytes = 7};
    const std::vector<std::uint8_t> first = generateFlight(options);
    options.seed = 2;
    const std::vector<std::uint8_t> second = generateFlight(options);
    const fs::path folder = dir_ / "new" / "flights"; // created on the way

    const Result<fs::path> a = archiveFlight(folder, FlightImage(first), kDownloadTime);
    const Result<fs::path> b = archiveFlight(folder, FlightImage(second), kDownloadTime);
    const Result<fs::path> c = archiveFlight(folder, FlightImage(first), kDownloadTime);
    ASSERT_TRUE(a && b && c) << a.status.error << b.status.error << c.status.error;
    EXPECT_EQ(*a.value, folder / "2026-12-08_143012_c17_s1001.kes");
    EXPECT_EQ(*b.value, folder / "2026-12-08_143012_c17_s1001_2.kes");
    EXPECT_EQ(*c.value, folder / "2026-12-08_143012_c17_s1001_3.kes");
    EXPECT_EQ(test::readBytes(*a.value), first);
    EXPECT_EQ(test::readBytes(*b.value), second);
    EXPECT_EQ(test::readBytes(*c.value), first);
}

TEST_F(ArchiveTest, FailedWritesSayWhyAndLeaveNothingBehind) {
    const FlightImage image(generateFlight(GeneratorOptions{}));
    test::writeBytes(dir_ / "plain-file", {1, 2, 3});

    // The folder cannot be made: a file stands where it would go.
    const Result<fs::path> noFolder = archiveFlight(dir_ / "plain-file" / "sub", image, {});
    EXPECT_EQ(noFolder.status.kind, ErrorKind::CreateFailed);
    EXPECT_NE(noFolder.status.error.find("plain-file"), std::string::npos);

    // No folder at all (no HOME).
    EXPECT_EQ(archiveFlight({}, image, {}).status.kind, ErrorKind::CreateFailed);

    // The disk fills up during the write: the part written is removed.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1000;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const Result<fs::path> full = archiveFlight(dir_ / "full", image, kDownloadTime);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(full.status.kind, ErrorKind::WriteFailed);
    EXPECT_NE(full.status.error.find("2026-12-08_143012_c17_s1001.kes"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(dir_ / "full"));
}

TEST_F(ArchiveTest, ListingGivesWhatTheTableShows) {
    struct Flight {
        unsigned rateCode;
        std::uint16_t competitor;
        std::uint16_t serial;
        double glideSeconds;
    };
    const Flight flights[] = {{2, 17, 1001, 60.0}, {0, 3, 42, 20.0}, {9, 5, 7, 10.0}};
    for (std::size_t i = 0; i < std::size(flights); ++i) {
        const GeneratorOptions o{.seed = static_cast<std::uint32_t>(i + 1),
                                 .rateCode = flights[i].rateCode,
                                 .competitor = flights[i].competitor,
                                 .serial = flights[i].serial,
                                 .glideSeconds = flights[i].glideSeconds};
        ASSERT_TRUE(archiveFlight(dir_, FlightImage(generateFlight(o)),
                                  kDownloadTime + std::chrono::seconds(i)));
    }
    test::writeBytes(dir_ / "zz-short.kes",
                     std::vector<std::uint8_t>(20, 0)); // listed, with the reason
    test::writeBytes(dir_ / "notes.txt", {1, 2});       // not a flight file
    test::writeBytes(dir_ / ".hidden.kes", generateFlight(GeneratorOptions{})); // hidden: skipped
    fs::create_directory(dir_ / "folder.kes");                                  // no regular file
    ASSERT_EQ(::mkfifo((dir_ / "pipe.kes").c_str(), 0600), 0); // must not block the listing

    const Result<std::vector<FlightSummary>> listed = listArchive(dir_);
    ASSERT_TRUE(listed) << listed.status.error;
    const std::vector<FlightSummary>& list = *listed.value;
    ASSERT_EQ(list.size(), 6U);
    for (std::size_t i = 0; i < std::size(flights); ++i) {
        const FlightSummary& s = list[i];
        SCOPED_TRACE(s.path.string());
        ASSERT_TRUE(s.status) << s.status.error;
        EXPECT_EQ(s.time, system_clock::to_time_t(kDownloadTime) + static_cast<std::time_t>(i));
        EXPECT_EQ(s.competitor, flights[i].competitor);
        EXPECT_EQ(s.serial, flights[i].serial);
        EXPECT_EQ(s.rateCode, flights[i].rateCode);

        // The same numbers the window shows after loading the file.
        FlightRecord record;
        setFlightImage(record, FlightImage(test::readBytes(s.path)));
        ASSERT_TRUE(evaluateRecord(record, true));
        EXPECT_TRUE(s.evaluated);
        EXPECT_EQ(s.maxAltitude, record.evaluation.maxAltitude);
        EXPECT_EQ(s.minAltitude, record.evaluation.minAltitude);
        EXPECT_GT(s.maxAltitude, 50.0f);
        // Samples up to the end marker: the file less its header and the marker sample.
        EXPECT_EQ(s.samples, (fs::file_size(s.path) - 32) / 4 - 1);
        if (record.rateTimes10 != 0) {
            EXPECT_DOUBLE_EQ(*s.durationSeconds(), s.samples * 10.0 / record.rateTimes10);
        } else {
            EXPECT_FALSE(s.durationSeconds().has_value());
        }
    }
    for (std::size_t i = 3; i < list.size(); ++i) {
        EXPECT_FALSE(list[i].status) << list[i].path;
        EXPECT_FALSE(list[i].evaluated);
    }
    EXPECT_EQ(list[5].path.filename(), "zz-short.kes");
    EXPECT_EQ(list[5].status.kind, ErrorKind::TooShort);
}

// Archives a flight under a file-size limit, which ends the program with SIGXFSZ midway.
void archiveUntilKilled(const fs::path& folder) {
    const rlimit limit{1000, 1000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    (void)archiveFlight(folder, FlightImage(generateFlight(GeneratorOptions{})), kDownloadTime);
    std::_Exit(0);
}

// A download killed while it is archived leaves no partial flight that later listings show.
TEST_F(ArchiveTest, KilledWhileArchivingLeavesNoPartialFlight) {
    GTEST_FLAG_SET(death_test_style, "fast");
    fs::create_directories(dir_ / "flights");
    EXPECT_EXIT(archiveUntilKilled(dir_ / "flights"), ::testing::KilledBySignal(SIGXFSZ), "");
    const Result<std::vector<FlightSummary>> listed = listArchive(dir_ / "flights");
    ASSERT_TRUE(listed);
    EXPECT_TRUE(listed.value->empty());
    EXPECT_TRUE(fs::is_empty(dir_ / "flights"));
}

TEST_F(ArchiveTest, MissingFolderListsNothingAndUnlistableFolderFails) {
    const Result<std::vector<FlightSummary>> missing = listArchive(dir_ / "nothing-here");
    ASSERT_TRUE(missing);
    EXPECT_TRUE(missing.value->empty());
    test::writeBytes(dir_ / "file", {1});
    fs::create_directories(dir_ / "locked");
    fs::create_symlink("loop", dir_ / "loop");
    const bool root = ::geteuid() == 0; // root enters any folder
    ::chmod((dir_ / "locked").c_str(), 0);
    // Each an error naming the path, never an empty archive.
    const struct {
        fs::path folder;
        bool fails;
    } cases[] = {{dir_ / "file", true},
                 {dir_ / "file" / "flights", true},
                 {dir_ / "loop", true},
                 {dir_ / "locked" / "flights", !root},
                 {dir_ / "missing" / "flights", false}};
    for (const auto& c : cases) {
        const Result<std::vector<FlightSummary>> listed = listArchive(c.folder);
        EXPECT_EQ(!listed, c.fails) << c.folder;
        if (c.fails) {
            EXPECT_EQ(listed.status.kind, ErrorKind::OpenFailed);
            EXPECT_NE(listed.status.error.find(c.folder.string()), std::string::npos);
        }
    }
    ::chmod((dir_ / "locked").c_str(), 0700);
}

TEST_F(ArchiveTest, SummaryOfAnyFileUsesItsModificationTime) {
    test::writeBytes(dir_ / "mine.bin", generateFlight(GeneratorOptions{}));
    const FlightSummary s = readFlightSummary(dir_ / "mine.bin");
    ASSERT_TRUE(s.status);
    struct stat info {};
    ASSERT_EQ(::stat((dir_ / "mine.bin").c_str(), &info), 0);
    EXPECT_EQ(s.time, info.st_mtime);
    EXPECT_EQ(localTimeText(system_clock::to_time_t(kDownloadTime)), "2026-12-08 14:30:12");
    EXPECT_EQ(readFlightSummary(dir_ / "absent.kes").status.kind, ErrorKind::OpenFailed);
}

} // namespace
} // namespace kestrom
