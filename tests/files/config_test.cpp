#include "files/config.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace kestrom {
namespace {

namespace fs = std::filesystem;

std::int32_t int32At(const std::vector<std::uint8_t>& b, std::size_t offset) {
    return static_cast<std::int32_t>(b[offset] | (b[offset + 1] << 8) | (b[offset + 2] << 16) |
                                     (static_cast<std::uint32_t>(b[offset + 3]) << 24));
}

// The configuration file in a folder of its own.
class ConfigFileTest : public test::TempDirTest {
protected:
    const std::string file = path("kestpar");
};

TEST(ConfigPathTest, ReplacesTheLastThreeCharactersByPosition) {
    const struct {
        const char* program;
        const char* config;
    } cases[] = {
        {"/opt/k/tool.exe", "/opt/k/tool.par"},
        {"/opt/k/tool", "/opt/k/tpar"},
        {"/usr/bin/kestrom-demo", "/usr/bin/kestrom-dpar"},
        {"ab", "par"},
        {"", "par"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ConfigPath(c.program), c.config) << c.program;
    }
}

TEST(ConfigRecordTest, EncodesTheDefaultsAtTheirOffsets) {
    const auto bytes = encodeConfig(ConfigRecord{});
    const std::vector<std::uint8_t> v(bytes.begin(), bytes.end());
    for (std::size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(v[i], 0) << i;
    }
    const std::pair<std::size_t, std::int32_t> fields[] = {{12, 50},  {16, 0}, {20, 1},  {24, 350},
                                                           {28, 250}, {32, 8}, {36, 12}, {40, 1}};
    for (const auto& [offset, value] : fields) {
        EXPECT_EQ(int32At(v, offset), value) << offset;
    }
}

TEST(ConfigRecordTest, ShortInputReplacesOnlyTheLeadingBytes) {
    // 20 bytes: ReservedHead, ReservedA and Language; the rest keep their defaults.
    std::vector<std::uint8_t> in(20, 0xAB);
    in[16] = 1;
    in[17] = in[18] = in[19] = 0;
    const ConfigRecord r = decodeConfig(in);
    EXPECT_EQ(r.ReservedHead[0], 0xAB);
    EXPECT_EQ(r.ReservedA, static_cast<std::int32_t>(0xABABABABu));
    EXPECT_EQ(r.Language, 1);
    EXPECT_EQ(r.accelView, 1);
    EXPECT_EQ(r.PreCutCm, 350);
    EXPECT_EQ(r.ReservedB, 1);

    // A cut in the middle of a field mixes the file's low bytes with the default's high bytes.
    const std::vector<std::uint8_t> half(26, 0xFF);
    EXPECT_EQ(decodeConfig(half).PreCutCm, 0x0000FFFF);
}

TEST(ConfigRecordTest, NegativeAndLargeValuesRoundTrip) {
    const ConfigRecord r{.ReservedHead = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
                         .Language = -7,
                         .PreCutCm = INT32_MIN,
                         .FinalFilterWidth = INT32_MAX};
    const auto bytes = encodeConfig(r);
    EXPECT_EQ(decodeConfig(bytes), r);
}

TEST_F(ConfigFileTest, MissingFileGivesTheDefaultsWithoutError) {
    const ConfigLoadResult loaded = LoadConfig(file);
    EXPECT_EQ(loaded.status, ConfigLoad::Missing);
    EXPECT_EQ(loaded.record, ConfigRecord{});
}

TEST_F(ConfigFileTest, LongerFileIsReadOnlyToTheRecordAndSavedAsFortyFourBytes) {
    std::vector<std::uint8_t> bytes(100, 0);
    bytes[16] = 1;    // English
    bytes[44] = 0x5A; // beyond the record
    test::writeBytes(file, bytes);
    const ConfigLoadResult loaded = LoadConfig(file);
    ASSERT_EQ(loaded.status, ConfigLoad::Loaded);
    EXPECT_EQ(loaded.record.Language, 1);
    EXPECT_EQ(loaded.record.ReservedA, 0);
    ASSERT_FALSE(SaveConfig(file, loaded.record).has_value());
    const auto saved = test::readBytes(file);
    ASSERT_EQ(saved.size(), kConfigRecordBytes);
    EXPECT_TRUE(std::equal(saved.begin(), saved.end(), bytes.begin()));
}

TEST_F(ConfigFileTest, UnreadableAndUnwritablePathsAreReportedWithTheirName) {
    fs::create_directories(file); // a folder where the file should be
    const ConfigLoadResult loaded = LoadConfig(file);
    EXPECT_EQ(loaded.status, ConfigLoad::Unreadable);
    EXPECT_NE(loaded.error.find(file), std::string::npos);
    EXPECT_EQ(loaded.record, ConfigRecord{});

    const auto error = SaveConfig(file, ConfigRecord{});
    ASSERT_TRUE(error.has_value());
    EXPECT_NE(error->find(file), std::string::npos);
}

// Nothing but a regular file is read, and nothing waits: a FIFO with no writer, a device.
TEST_F(ConfigFileTest, APathThatIsNoRegularFileGivesTheDefaultsWithoutWaiting) {
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    for (const std::string& p : {file, std::string("/dev/zero"), std::string("/dev/null")}) {
        const ConfigLoadResult loaded = LoadConfig(p);
        EXPECT_EQ(loaded.status, ConfigLoad::Unreadable) << p;
        EXPECT_NE(loaded.error.find(p), std::string::npos) << p;
        EXPECT_EQ(loaded.record, ConfigRecord{}) << p;
    }
}

TEST_F(ConfigFileTest, SaveReplacesTheFileAsAWholeAndLeavesNothingBeside) {
    std::vector<std::uint8_t> old(kConfigRecordBytes, 0x11);
    test::writeBytes(file, old);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // A reader that opened the old file keeps seeing the old bytes: the new ones went to another
    // file that took the old one's name, instead of being written over it.
    std::ifstream reader(file, std::ios::binary);
    ConfigRecord record;
    record.Language = 1;
    ASSERT_FALSE(SaveConfig(file, record).has_value());
    const std::vector<std::uint8_t> seen{std::istreambuf_iterator<char>(reader),
                                         std::istreambuf_iterator<char>()};
    EXPECT_EQ(seen, old);
    EXPECT_EQ(LoadConfig(file).record, record);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(ConfigFileTest, FailedSaveLeavesNoTemporaryFile) {
    fs::create_directories(file); // the rename onto a folder fails
    ASSERT_TRUE(SaveConfig(file, ConfigRecord{}).has_value());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::is_directory(file));
}

TEST_F(ConfigFileTest, ConfigIsKeptBesideAProgramWhoseFolderCanBeWritten) {
    EXPECT_EQ(chooseConfigPath(path("kestrom"), path("user")), file);
    EXPECT_FALSE(fs::exists(dir_ / "user"));
}

TEST_F(ConfigFileTest, ConfigOfAProgramInAnUnwritableFolderGoesToTheUserFolder) {
    // A folder that does not exist cannot be written, whoever runs the test.
    const std::string program = (dir_ / "missing" / "bin" / "kestrom").string();
    const fs::path user = dir_ / "home" / "config" / "kestrom";
    const std::string chosen = chooseConfigPath(program, user.string());
    EXPECT_EQ(chosen, (user / "kestpar").string());
    ASSERT_TRUE(fs::is_directory(user));
    // The same 44-byte record round-trips there.
    ConfigRecord record;
    record.Language = 1;
    ASSERT_FALSE(SaveConfig(chosen, record).has_value());
    EXPECT_EQ(LoadConfig(chosen).record, record);
}

} // namespace
} // namespace kestrom
