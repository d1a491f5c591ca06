#include "analysis/standings.h"

#include "analysis/filter_plot.h"
#include "files/flight_archive.h"
#include "files/measurement_file.h"
#include "files/whole_file.h"
#include "flight/flight_record.h"
#include "flight/number_format.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sys/stat.h>

namespace kestrom {
namespace {

namespace fs = std::filesystem;

// The maximum text as tenths of a metre, so that ranking and ties follow what is shown.
long tenths(const std::string& text) {
    return std::lround(std::strtod(text.c_str(), nullptr) * 10.0);
}

std::time_t flightTime(const fs::path& path) {
    if (const auto named = archiveNameTime(path.filename().string())) {
        return *named;
    }
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mtime : std::time_t{0};
}

void readOne(const fs::path& path, const std::optional<FilterParams>& filter, StandingsInput& in) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        in.unreadable.push_back(path.string() + ": " +
                                (ec ? ec.message() : std::string("not a regular file")));
        return;
    }
    Result<FlightImage> image = readMeasurementFile(path);
    if (!image) {
        in.unreadable.push_back(image.status.error);
        return;
    }
    FlightRecord record;
    setFlightImage(record, std::move(*image.value));
    if (!evaluateRecord(record, false)) {
        in.unreadable.push_back(path.string() + ": no flight in it");
        return;
    }
    StandingsFlight flight{path, flightTime(path), record.header.competitor,
                           formatOneDecimal(record.evaluation.maxAltitude)};
    if (filter) {
        const std::optional<FilterPlot> plot = filterRecorderFlight(record, *filter);
        if (!plot) {
            in.unreadable.push_back(path.string() + ": too short for the filter");
            return;
        }
        flight.maxText = plot->maxText;
    }
    in.flights.push_back(std::move(flight));
}

} // namespace

std::vector<StandingsRow> rankStandings(std::vector<StandingsFlight> flights) {
    std::sort(flights.begin(), flights.end(), [](const auto& a, const auto& b) {
        return a.time != b.time ? a.time < b.time : a.path < b.path;
    });
    std::map<std::uint16_t, StandingsRow> byCompetitor;
    for (const StandingsFlight& f : flights) {
        StandingsRow& row = byCompetitor[f.competitor];
        row.competitor = f.competitor;
        if (row.maxima.empty() || tenths(f.maxText) > tenths(row.bestText)) {
            row.bestText = f.maxText;
        }
        row.maxima.push_back(f.maxText);
    }
    std::vector<StandingsRow> rows;
    for (auto& entry : byCompetitor) {
        rows.push_back(std::move(entry.second));
    }
    // The map gave competitor order; a stable sort keeps it among equal best maxima.
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
        return tenths(a.bestText) > tenths(b.bestText);
    });
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const bool tied = i > 0 && tenths(rows[i].bestText) == tenths(rows[i - 1].bestText);
        rows[i].rank = tied ? rows[i - 1].rank : static_cast<int>(i) + 1;
    }
    return rows;
}

std::string standingsCsv(const std::vector<StandingsRow>& rows) {
    std::string out = "rank,competitor,flights,best_max_m,maxima_m\n";
    for (const StandingsRow& row : rows) {
        out += std::to_string(row.rank) + ',' + std::to_string(row.competitor) + ',' +
               std::to_string(row.maxima.size()) + ',' + row.bestText + ',';
        for (std::size_t i = 0; i < row.maxima.size(); ++i) {
            out += (i == 0 ? "" : " ") + row.maxima[i];
        }
        out += '\n';
    }
    return out;
}

StandingsInput readStandingsFlights(const std::vector<fs::path>& paths,
                                    const std::optional<FilterParams>& filter) {
    StandingsInput in;
    for (const fs::path& path : paths) {
        std::error_code ec;
        if (!fs::is_directory(path, ec)) {
            readOne(path, filter, in);
            continue;
        }
        const Result<std::vector<FlightSummary>> listed = listArchive(path);
        if (!listed) {
            in.unreadable.push_back(listed.status.error);
            continue;
        }
        for (const FlightSummary& summary : *listed.value) {
            readOne(summary.path, filter, in);
        }
    }
    return in;
}

Status writeContestStandings(const Contest& contest) {
    const StandingsInput input = readStandingsFlights(contest.flights, std::nullopt);
    const std::string csv = standingsCsv(rankStandings(input.flights));
    return writeWholeFile(contest.folder / kContestStandingsFile,
                          std::span(reinterpret_cast<const std::uint8_t*>(csv.data()), csv.size()));
}

} // namespace kestrom
