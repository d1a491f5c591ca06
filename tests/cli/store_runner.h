#pragma once
// kestrom-cli with the verbs that read and write flight files, the archive and the recorder, as
// the store tests run it.

#include "cli/archive_commands.h"
#include "cli/commands.h"
#include "cli/device_commands.h"
#include "cli/table_command.h"
#include "cli_runner.h"
#include "tests/support/test_files.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace kestrom::test {

inline CliRun runStoreCli(const std::vector<std::string>& args) {
    return runCliWith({cli::addFlightCommands, cli::addDeviceCommands, cli::addArchiveCommand,
                       cli::addTableCommand},
                      args);
}

// A folder of its own holding the archive and the window's settings, so that neither the user's
// archive is written nor the user's settings switch archiving off.
class StoreTest : public TempDirTest {
protected:
    void SetUp() override {
        ::setenv("KESTROM_ARCHIVE_DIR", archive_.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("KESTROM_ARCHIVE_DIR");
        ::unsetenv("XDG_CONFIG_HOME");
        TempDirTest::TearDown();
    }
    // The archived files in name order.
    std::vector<std::filesystem::path> archived() const {
        std::vector<std::filesystem::path> out;
        if (std::filesystem::exists(archive_)) {
            for (const auto& e : std::filesystem::directory_iterator(archive_)) {
                out.push_back(e.path());
            }
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    const std::filesystem::path archive_ = dir_ / "archive";
};

} // namespace kestrom::test
