// kestrom-cli archive, and the archive step of download.

#include "cli/archive_commands.h"

#include "cli/commands.h"
#include "cli/io.h"
#include "core/texts.h"
#include "files/config.h"
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

// Where the window keeps its settings, by the window's own rule (see configPathFor): for the
// window program beside this one when it is there, else for an installed window, whose folder
// belongs to the system, in the user's configuration folder.
std::filesystem::path windowSettingsFile() {
    std::string userFolder;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (config != nullptr && std::filesystem::path(config).is_absolute()) {
        userFolder = (std::filesystem::path(config) / "kestrom").string();
    } else if (home != nullptr && *home != '\0') {
        userFolder = (std::filesystem::path(home) / ".config" / "kestrom").string();
    }
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::filesystem::path window = self.parent_path() / "kestrom";
    if (!ec && std::filesystem::exists(window, ec)) {
        return windowSettingsPath(configPathFor(window.string(), userFolder));
    }
    if (userFolder.empty()) {
        return {};
    }
    return windowSettingsPath((std::filesystem::path(userFolder) / ConfigPath("kestrom")).string());
}

// A file name as one line of the table: control characters (a newline would start a false row)
// and the backslash written as escapes.
std::string shownName(const std::string& name) {
    std::string shown;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            shown += "\\\\";
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c == '\r') {
            shown += "\\r";
        } else if (byte < 0x20 || byte == 0x7F) {
            static constexpr char kHex[] = "0123456789abcdef";
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0x0F];
        } else {
            shown += c;
        }
    }
    return shown;
}

constexpr std::size_t kColumns = 8;
using Row = std::array<std::string, kColumns>;

Row rowOf(const FlightSummary& s) {
    Row row{
        shownName(s.path.filename().string()), localTimeText(s.time), "-", "-", "-", "-", "-", "-"};
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
        std::vector<bool> notFlights;
        for (const FlightSummary& s : *listed.value) {
            rows.push_back(rowOf(s));
            notFlights.push_back(s.status && s.notAFlight);
            if (!s.status) {
                std::cerr << "kestrom-cli: " << shownName(s.status.error) << '\n';
                anyFailed = true;
            } else if (s.notAFlight) {
                std::cerr << "kestrom-cli: warning: " << shownName(s.path.string()) << ": "
                          << messageText(Message::NotAFlight, kEnglish) << '\n';
            }
        }
        std::array<std::size_t, kColumns> width{};
        for (const Row& row : rows) {
            for (std::size_t c = 0; c < kColumns; ++c) {
                width[c] = std::max(width[c], row[c].size());
            }
        }
        std::string out;
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const Row& row = rows[r];
            std::string line;
            for (std::size_t c = 0; c < kColumns; ++c) {
                // Name and time read left-aligned, the numbers right-aligned.
                const std::string pad(width[c] - row[c].size(), ' ');
                line += c < 2 ? row[c] + pad : pad + row[c];
                line += c + 1 < kColumns ? "  " : "";
            }
            // Files that are no flights are marked, as the other verbs warn of them.
            if (r > 0 && notFlights[r - 1]) {
                line += "  (" + std::string(messageText(Message::NotAFlight, kEnglish)) + ")";
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
    if (settings.empty() || archivingOn(settings)) {
        return std::nullopt;
    }
    return settings;
}

std::optional<std::filesystem::path> archiveDownload(const FlightImage& image) {
    const Result<std::filesystem::path> stored =
        archiveFlight(archiveFolder(), image, archiveClock());
    if (!stored) {
        std::cerr << "kestrom-cli: the flight was not archived: " << stored.status.error << '\n';
        return std::nullopt;
    }
    std::cerr << "archived as " << stored.value->string() << '\n';
    return stored.value;
}

} // namespace kestrom::cli
