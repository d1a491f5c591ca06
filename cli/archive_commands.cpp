// kestrom-cli archive, and the archive step of download.

#include "cli/archive_commands.h"

#include "cli/commands.h"
#include "files/flight_archive.h"
#include "flight/flight_header.h"
#include "flight/number_format.h"
#include "settings/settings_texts.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace kestrom::cli {
namespace {

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
            std::cerr << "kestrom-cli: " << listed.status.error << '\n';
            throw CLI::RuntimeError(kFailureExit);
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
        std::cout << out << std::flush;
        if (!std::cout) {
            std::cerr << "kestrom-cli: cannot write to standard output\n";
            throw CLI::RuntimeError(kFailureExit);
        }
        if (anyFailed) {
            throw CLI::RuntimeError(kFailureExit);
        }
    });
}

bool archiveDownload(const FlightImage& image) {
    const Result<std::filesystem::path> stored =
        archiveFlight(archiveFolder(), image, std::chrono::system_clock::now());
    if (!stored) {
        std::cerr << "kestrom-cli: the flight was not archived: " << stored.status.error << '\n';
        return false;
    }
    std::cerr << "archived as " << stored.value->string() << '\n';
    return true;
}

} // namespace kestrom::cli
