// The one file writer of the window and kestrom-cli: what it replaces, what it writes directly,
// and what it leaves behind when things go wrong.

#include "files/whole_file.h"
#include "tests/support/test_files.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <ostream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace kestrom {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Writer = Status (*)(const fs::path&, std::span<const std::uint8_t>, Replace);

// Both ways a regular file is replaced: the unnamed file, and the named temporary of file systems
// without unnamed files.
struct WriterCase {
    const char* name;
    Writer write;
};

// Named by what the case is about, so test names stay the same from build to build.
void PrintTo(const WriterCase& c, std::ostream* out) { *out << c.name; }

const WriterCase kWriters[] = {{"unnamed", writeWholeFile},
                               {"named", writeWholeFileThroughNamedFile}};

class WholeFileTest : public ::testing::TestWithParam<WriterCase> {
protected:
    void SetUp() override { dir_ = test::freshTestDir("kestrom-whole-"); }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path file(const std::string& name) const { return dir_ / name; }
    Status write(const fs::path& p, const std::string& text,
                 Replace replace = Replace::Allowed) const {
        return GetParam().write(p, bytesOf(text), replace);
    }
    static Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }
    static void put(const fs::path& p, const std::string& text) {
        std::ofstream(p, std::ios::binary) << text;
    }
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) {
            names.push_back(e.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
};

TEST_P(WholeFileTest, ThroughSymbolicLinksTheFileIsReplacedAndTheLinksKept) {
    const struct {
        const char* name;
        std::vector<std::pair<const char*, const char*>> links; // link name -> what it names
        const char* written;                                    // the name written to
    } cases[] = {
        {"one link", {{"link", "real"}}, "link"},
        {"a chain, relative and absolute", {{"first", "second"}, {"second", "ABS:real"}}, "first"},
        {"a link into a folder", {{"sub/link", "../real"}}, "sub/link"},
        {"a dangling link creates what it names", {{"link", "real"}}, "link"},
    };
    for (const auto& c : cases) {
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "sub");
        const bool dangling = std::string(c.name).find("dangling") != std::string::npos;
        if (!dangling) {
            put(file("real"), "old");
            ::chmod(file("real").c_str(), 0604);
        }
        for (const auto& [link, to] : c.links) {
            const std::string target = std::string(to).starts_with("ABS:")
                                           ? file(std::string(to).substr(4)).string()
                                           : std::string(to);
            fs::create_symlink(target, file(link));
        }
        ASSERT_TRUE(write(file(c.written), "new")) << c.name;
        EXPECT_EQ(test::readText(file("real")), "new") << c.name;
        for (const auto& [link, to] : c.links) {
            EXPECT_TRUE(fs::is_symlink(file(link))) << c.name << ": " << link;
        }
        struct stat st {};
        ASSERT_EQ(::stat(file("real").c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode)) << c.name;
        if (!dangling) {
            EXPECT_EQ(st.st_mode & 0777, 0604U) << c.name;
        }
    }
}

TEST_P(WholeFileTest, AFifoIsWrittenToAndStaysAFifo) {
    ASSERT_EQ(::mkfifo(file("fifo").c_str(), 0600), 0);
    fs::create_symlink("fifo", file("to-fifo"));
    for (const char* name : {"fifo", "to-fifo"}) {
        // A reader is there first, so the writer's open does not wait.
        const int reader = ::open(file("fifo").c_str(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(reader, 0);
        ASSERT_TRUE(write(file(name), "through the pipe")) << name;
        char got[64] = {};
        EXPECT_EQ(::read(reader, got, sizeof got), 16) << name;
        EXPECT_EQ(std::string(got), "through the pipe") << name;
        ::close(reader);
        struct stat st {};
        ASSERT_EQ(::lstat(file("fifo").c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode)) << name;
    }
    EXPECT_EQ(entries(), (std::vector<std::string>{"fifo", "to-fifo"}));
}

TEST_P(WholeFileTest, EveryLegalNameCanBeWritten) {
    for (const std::size_t length : {std::size_t{1}, std::size_t{200}, std::size_t{NAME_MAX}}) {
        const fs::path target = file(std::string(length, 'n'));
        put(target, "old");
        ASSERT_TRUE(write(target, "replaced")) << length;
        EXPECT_EQ(test::readText(target), "replaced") << length;
        fs::remove(target);
        ASSERT_TRUE(write(target, "created")) << length;
        EXPECT_EQ(test::readText(target), "created") << length;
        EXPECT_EQ(entries().size(), 1U) << length;
        fs::remove(target);
    }
}

TEST_P(WholeFileTest, ModeOwnerAndGroupAreKept) {
    put(file("kept"), "old");
    ::chmod(file("kept").c_str(), 0640);
    // Only root may give a file away; elsewhere the owner is ours anyway.
    const bool givenAway = ::chown(file("kept").c_str(), 1234, 5678) == 0;
    ASSERT_TRUE(write(file("kept"), "new"));
    struct stat st {};
    ASSERT_EQ(::stat(file("kept").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640U);
    if (givenAway) {
        EXPECT_EQ(st.st_uid, 1234U);
        EXPECT_EQ(st.st_gid, 5678U);
    }
    // A new file gets the usual mode.
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(write(file("fresh"), "x"));
    ::umask(mask);
    ASSERT_EQ(::stat(file("fresh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644U);
}

TEST_P(WholeFileTest, AFailureLeavesTheOldFileAndNothingBeside) {
    put(file("old"), "kept");
    fs::create_directories(file("folder"));
    EXPECT_EQ(write(file("folder"), "x").kind, ErrorKind::WriteFailed);
    EXPECT_TRUE(fs::is_directory(file("folder")));
    const Status noFolder = write(file("missing") / "f", "x");
    EXPECT_EQ(noFolder.kind, ErrorKind::CreateFailed);
    EXPECT_NE(noFolder.error.find("missing"), std::string::npos);
    EXPECT_EQ(test::readText(file("old")), "kept");
    EXPECT_EQ(entries(), (std::vector<std::string>{"folder", "old"}));
}

// Without replacing (a download without --force, the archive): an existing file, also one behind
// a link, is left as it was and nothing is left beside it; a new name gets the whole file.
TEST_P(WholeFileTest, WithoutReplacingAnExistingFileIsKeptAndANewOneWritten) {
    put(file("old"), "kept");
    fs::create_symlink("old", file("link"));
    for (const char* name : {"old", "link"}) {
        const Status clash = write(file(name), "new", Replace::Never);
        EXPECT_EQ(clash.kind, ErrorKind::Exists) << name;
        EXPECT_NE(clash.error.find(name), std::string::npos) << clash.error;
    }
    EXPECT_EQ(test::readText(file("old")), "kept");
    EXPECT_TRUE(write(file("new"), "flight", Replace::Never));
    EXPECT_EQ(test::readText(file("new")), "flight");
    EXPECT_EQ(entries(), (std::vector<std::string>{"link", "new", "old"}));
}

// Temporary names of a writer that was killed are removed by the next write in that folder; a
// running writer's are left alone.
TEST_P(WholeFileTest, LeftoverTemporariesOfAKilledWriterAreRemoved) {
    const pid_t gone = ::fork();
    if (gone == 0) {
        std::_Exit(0);
    }
    ASSERT_GT(gone, 0);
    ::waitpid(gone, nullptr, 0);
    char stale[64];
    char running[64];
    std::snprintf(stale, sizeof stale, ".kestrom-%x-1-0", static_cast<unsigned>(gone));
    std::snprintf(running, sizeof running, ".kestrom-%x-1-0", static_cast<unsigned>(::getppid()));
    put(file(stale), std::string(4000, 'x'));
    put(file(running), "in use");
    put(file(".kestrom-notes"), "not a temporary");
    EXPECT_TRUE(write(file("flight.kes"), "flight"));
    EXPECT_EQ(entries(), (std::vector<std::string>{running, ".kestrom-notes", "flight.kes"}));
}

INSTANTIATE_TEST_SUITE_P(Writers, WholeFileTest, ::testing::ValuesIn(kWriters),
                         [](const auto& param) { return std::string(param.param.name); });

// Writes a large file under a file-size limit, which ends the program with SIGXFSZ midway.
void writeUntilKilled(const fs::path& target) {
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    (void)writeWholeFile(target, Bytes(1 << 20, 7), Replace::Allowed);
    std::_Exit(0);
}

using WholeFileKilledTest = WholeFileTest;

// A program killed in the middle of writing leaves the old file as it was and no temporary file
// beside it.
TEST_P(WholeFileKilledTest, KilledWhileWritingLeavesNothingBehind) {
    // The child is forked as the test stands, so it writes into this test's folder.
    GTEST_FLAG_SET(death_test_style, "fast");
    put(file("flight.kes"), "old");
    EXPECT_EXIT(writeUntilKilled(file("flight.kes")), ::testing::KilledBySignal(SIGXFSZ), "");
    EXPECT_EQ(test::readText(file("flight.kes")), "old");
    EXPECT_EQ(entries(), std::vector<std::string>{"flight.kes"});
}

INSTANTIATE_TEST_SUITE_P(Unnamed, WholeFileKilledTest, ::testing::Values(kWriters[0]),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(WholeFileChecks, CheckWritableTouchesNothing) {
    const fs::path dir =
        fs::temp_directory_path() / ("kestrom-check-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir / "folder");
    EXPECT_TRUE(checkWritable(dir / "new.kes"));
    EXPECT_TRUE(checkWritable("/dev/null"));
    EXPECT_EQ(checkWritable(dir / "missing" / "new.kes").kind, ErrorKind::CreateFailed);
    EXPECT_EQ(checkWritable(dir / "folder").kind, ErrorKind::CreateFailed);
    // Names that cannot even be looked up are reported before anything is written.
    fs::create_symlink("loop", dir / "loop");
    EXPECT_EQ(checkWritable(dir / "loop").kind, ErrorKind::CreateFailed);
    EXPECT_EQ(checkWritable(dir / std::string(300, 'n')).kind, ErrorKind::CreateFailed);
    fs::remove(dir / "loop");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1);
    fs::remove_all(dir);
}

TEST(WholeFileChecks, SameFileSeesThroughLinks) {
    const fs::path dir = fs::temp_directory_path() / ("kestrom-same-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "a") << "a";
    std::ofstream(dir / "b") << "a";
    fs::create_symlink(dir / "a", dir / "link");
    fs::create_hard_link(dir / "a", dir / "hard");
    EXPECT_TRUE(sameFile(dir / "a", dir / "link"));
    EXPECT_TRUE(sameFile(dir / "hard", dir / "link"));
    EXPECT_TRUE(sameFile(dir / "a", dir / "." / "a"));
    EXPECT_FALSE(sameFile(dir / "a", dir / "b"));
    EXPECT_FALSE(sameFile(dir / "a", dir / "missing"));
    fs::remove_all(dir);
}

} // namespace
} // namespace kestrom
