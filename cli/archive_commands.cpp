// kestrom-cli archive, and the archive step of download.

#include "cli/archive_commands.h"
#include "settings/settings_texts.h"

#include "cli/commands.h"
#include "cli/io.h"
#include "files/flight_archive.h"
#include "flight/flight_header.h"
#include "flight/number_format.h"
#include "settings/settings_texts.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace kestrom::cli {
namespace {

WallClock archiveClock = [] { return std::chrono::system_clock::now(); };

// The window keeps its archive item in this file beside its configuration file.
constexpr const char* kWindowSettings = "kestrom-window.ini";
// More than the window ever writes there; a larger file is not read further.
constexpr std::size_t kMaxSettingsBytes = 64 * 1024;

// Where the window keeps its settings: beside the program when the window program sits beside
// this one in a folder that can be written (a program run from its own folder), else in the
// user's configuration folder, as the window chooses for its configuration file.
std::filesystem::path windowSettingsFile() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && std::filesystem::exists(self.parent_path() / "kestrom", ec) &&
        ::access(self.parent_path().c_str(), W_OK) == 0) {
        return self.parent_path() / kWindowSettings;
    }
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && std::filesystem::path(config).is_absolute()) {
        return std::filesystem::path(config) / "kestrom" / kWindowSettings;
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        return std::filesystem::path(home) / ".config" / "kestrom" / kWindowSettings;
    }
    return {};
}

// The start of a regular file; empty for anything else (a FIFO is never waited on).
std::string readSmallFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return {};
    }
    std::string text;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        text.resize(kMaxSettingsBytes);
        const ssize_t n = ::read(fd, text.data(), text.size());
        text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    }
    ::close(fd);
    return text;
}

std::string trimmed(const std::string& text) {
    const auto first =
        std::find_if_not(text.begin(), text.end(), [](unsigned char c) { return std::isspace(c); });
    const auto last = std::find_if_not(text.rbegin(), text.rend(),
                                       [](unsigned char c) { return std::isspace(c); });
    return first < last.base() ? std::string(first, last.base()) : std::string();
}

// "enabled" under "[archive]", read as the window reads a true-or-false value: off when empty,
// 0 or false (any case); on when missing.
bool archivingOnIn(const std::string& settings) {
    std::istringstream in(settings);
    bool inArchive = false;
    for (std::string line; std::getline(in, line);) {
        line = trimmed(line);
        if (line.starts_with('[')) {
            inArchive = line == "[archive]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inArchive || equals == std::string::npos ||
            trimmed(line.substr(0, equals)) != "enabled") {
            continue;
        }
        std::string value = trimmed(line.substr(equals + 1));
        std::transform(value.begin(), value.end(), value.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return !(value.empty() || value == "0" || value == "false");
    }
    return true;
}

constexpr std::size_t kColumns = 8;
using Row = std::array<std::string, kColumns>;

Row rowOf(const FlightSummary& s) {
    Row row{s.path.filename().string(), localTimeText(s.time), "-", "-", "-", "-", "-", "-"};
    if (!s.status) {
        return row;
    }
    row[2] = std::to_string(s.competitor);
    row[3] = std::to_string(s.serial);
    const std::string_view sampling = samplingText(s.rateCode, SamplingList::ActivatedEnglish);
    row[4] = sampling.empty() ? "-" : std::string(sampling);
    if (const std::optional<double> seconds = s.durationSeconds()) {
        row[5] = formatOneDecimal(*seconds);
    }
    if (s.evaluated) {
        row[6] = formatOneDecimal(s.maxAltitude);
        row[7] = formatOneDecimal(s.minAltitude);
    }
    return row;
}

} // namespace

void addArchiveCommand(CLI::App& app) {
    auto folder = std::make_shared<std::string>();
    CLI::App* cmd = app.add_subcommand(
        "archive", "List the archived flights (KESTROM_ARCHIVE_DIR, else the user's data folder)");
    cmd->add_option("--folder", *folder, "list this folder instead of the archive");
    cmd->callback([folder] {
        const std::filesystem::path where =
            folder->empty() ? archiveFolder() : std::filesystem::path(*folder);
        const Result<std::vector<FlightSummary>> listed = listArchive(where);
        if (!listed) {
            fail(listed.status.error);
        }
        std::vector<Row> rows{
            {"file", "time", "competitor", "serial", "sampling", "duration_s", "max_m", "min_m"}};
        bool anyFailed = false;
        for (const FlightSummary& s : *listed.value) {
            rows.push_back(rowOf(s));
            if (!s.status) {
                std::cerr << "kestrom-cli: " << s.status.error << '\n';
                anyFailed = true;
            }
        }
        std::array<std::size_t, kColumns> width{};
        for (const Row& row : rows) {
            for (std::size_t c = 0; c < kColumns; ++c) {
                width[c] = std::max(width[c], row[c].size());
            }
        }
        std::string out;
        for (const Row& row : rows) {
            std::string line;
            for (std::size_t c = 0; c < kColumns; ++c) {
                // Name and time read left-aligned, the numbers right-aligned.
                const std::string pad(width[c] - row[c].size(), ' ');
                line += c < 2 ? row[c] + pad : pad + row[c];
                line += c + 1 < kColumns ? "  " : "";
            }
            while (!line.empty() && line.back() == ' ') {
                line.pop_back();
            }
            out += line + '\n';
        }
        writeOutput(out, "");
        if (anyFailed) {
            throw CLI::RuntimeError(kFailureExit);
        }
    });
}

WallClock setArchiveClock(WallClock clock) { return std::exchange(archiveClock, clock); }

std::optional<std::filesystem::path> archivingSwitchedOff() {
    const std::filesystem::path settings = windowSettingsFile();
    if (settings.empty() || archivingOnIn(readSmallFile(settings))) {
        return std::nullopt;
    }
    return settings;
}

bool archiveDownload(const FlightImage& image) {
    const Result<std::filesystem::path> stored =
        archiveFlight(archiveFolder(), image, archiveClock());
    if (!stored) {
        std::cerr << "kestrom-cli: the flight was not archived: " << stored.status.error << '\n';
        return false;
    }
    std::cerr << "archived as " << stored.value->string() << '\n';
    return true;
}

} // namespace kestrom::cli
