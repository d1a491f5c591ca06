#pragma once
// The standings of a contest: one row per competitor with rank, number of flights, best maximum
// and each flight's maximum in time order. Ranked by best maximum as the maximum field shows it
// (one decimal): equal best maxima share the lower rank number and stand in competitor order.

#include "analysis/filter.h"
#include "core/status.h"
#include "files/contest.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kestrom {

struct StandingsFlight {
    std::filesystem::path path;
    std::time_t time = 0; // download time: from an archive name, else the file's mtime
    std::uint16_t competitor = 0;
    std::string maxText; // as the maximum field shows it, "123.4"
};

struct StandingsRow {
    int rank = 0;
    std::uint16_t competitor = 0;
    std::string bestText;            // best maximum
    std::vector<std::string> maxima; // each flight's maximum, oldest first
};

// Rows ranked as described above; flights of one competitor in time order (then by path).
std::vector<StandingsRow> rankStandings(std::vector<StandingsFlight> flights);

// "rank,competitor,flights,best_max_m,maxima_m" and one line per row, LF line ends, maxima
// separated by single spaces.
std::string standingsCsv(const std::vector<StandingsRow>& rows);

struct StandingsInput {
    std::vector<StandingsFlight> flights;
    std::vector<std::string> unreadable; // "path: why" for each file left out
};

// Reads the flights: each path a measurement file, or a folder whose "*.kes" files are read
// (hidden ones skipped). A flight without a maximum (too short to evaluate) is left out as
// unreadable. With filter, maxima are those of the filtered curves, as the Filter button shows.
StandingsInput readStandingsFlights(const std::vector<std::filesystem::path>& paths,
                                    const std::optional<FilterParams>& filter);

// Writes the contest's standings file (standings.csv in its folder) from its flights. Files that
// cannot be read are left out of it.
Status writeContestStandings(const Contest& contest);

} // namespace kestrom
