#pragma once
// A contest: a name, a date and the flights that belong to it, kept in a folder of its own under
// the archive's "contests" folder. One contest is open at a time, also across restarts: the
// "open" file there names its folder. Every flight downloaded while it is open joins it. Plain
// C++; the window and kestrom-cli show a failed Status in their own way.

#include "core/status.h"

#include <filesystem>
#include <string>
#include <vector>

namespace kestrom {

inline constexpr const char* kContestFile = "contest.txt";        // name= and date= lines
inline constexpr const char* kContestFlightsFile = "flights.txt"; // one flight path a line
inline constexpr const char* kContestStandingsFile = "standings.csv";
inline constexpr const char* kOpenContestFile = "open";

struct Contest {
    std::string name;
    std::string date; // as entered, e.g. "2026-12-08"
    std::filesystem::path folder;
    std::vector<std::filesystem::path> flights; // in the order they joined

    bool holds(const std::filesystem::path& flight) const;
};

// archive/contests.
std::filesystem::path contestsFolder(const std::filesystem::path& archive);

// Makes a new contest's folder (named after date and name; "_2", ... on a clash) with its files
// and makes it the open contest.
Result<Contest> newContest(const std::filesystem::path& archive, const std::string& name,
                           const std::string& date);

// The contest in folder.
Result<Contest> loadContest(const std::filesystem::path& folder);

// The open contest; fails with NoData when none is open (or its folder has gone).
Result<Contest> openContest(const std::filesystem::path& archive);

// Makes the contest in folder the open one.
Status markContestOpen(const std::filesystem::path& archive, const std::filesystem::path& folder);

// Adds a flight (once: a flight already in it is not added again) or removes one, and writes the
// list at once, so a crash never loses a flight that was reported as joined.
Status addContestFlight(Contest& contest, const std::filesystem::path& flight);
Status removeContestFlight(Contest& contest, const std::filesystem::path& flight);

} // namespace kestrom
