#include "files/contest.h"

#include "files/whole_file.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace kestrom {
namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& path, bool& ok) {
    std::ifstream in(path, std::ios::binary);
    ok = static_cast<bool>(in);
    return ok ? std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())
              : std::string();
}

Status writeText(const fs::path& path, const std::string& text) {
    return writeWholeFile(
        path, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()),
                                            text.size()));
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        out.push_back(std::move(line));
        start = end + 1;
    }
    return out;
}

// A name and date as a folder name: no path separators or control characters, never "." or "..".
std::string folderName(const std::string& name, const std::string& date) {
    std::string text = date.empty() ? name : name.empty() ? date : date + " " + name;
    for (char& c : text) {
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) {
            c = '_';
        }
    }
    if (text.empty() || text.front() == '.') {
        text.insert(0, "contest");
    }
    return text;
}

// One line per entry: a value never holds a line end.
std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

Status saveFlights(const Contest& contest) {
    std::string text;
    for (const fs::path& flight : contest.flights) {
        text += flight.string() + '\n';
    }
    return writeText(contest.folder / kContestFlightsFile, text);
}

} // namespace

bool Contest::holds(const fs::path& flight) const {
    return std::find(flights.begin(), flights.end(), flight) != flights.end();
}

fs::path contestsFolder(const fs::path& archive) { return archive / "contests"; }

Result<Contest> newContest(const fs::path& archive, const std::string& name,
                           const std::string& date) {
    if (archive.empty()) {
        return Result<Contest>::failure(ErrorKind::CreateFailed, "No archive folder");
    }
    const fs::path root = contestsFolder(archive);
    std::error_code ec;
    fs::create_directories(root, ec);
    if (ec) {
        return Result<Contest>::failure(ErrorKind::CreateFailed,
                                        "Cannot create " + root.string() + ": " + ec.message());
    }
    const std::string base = folderName(name, date);
    Contest contest;
    contest.name = oneLine(name);
    contest.date = oneLine(date);
    for (int n = 1; contest.folder.empty(); ++n) {
        const fs::path folder = root / (n == 1 ? base : base + "_" + std::to_string(n));
        if (fs::create_directory(folder, ec)) {
            contest.folder = folder;
        } else if (ec || n > 9999) {
            return Result<Contest>::failure(ErrorKind::CreateFailed,
                                            "Cannot create " + folder.string() +
                                                (ec ? ": " + ec.message() : ""));
        }
    }
    Status written = writeText(contest.folder / kContestFile,
                               "name=" + contest.name + "\ndate=" + contest.date + "\n");
    if (written) {
        written = saveFlights(contest);
    }
    if (written) {
        written = markContestOpen(archive, contest.folder);
    }
    if (!written) {
        return {std::nullopt, written};
    }
    return Result<Contest>::success(std::move(contest));
}

Result<Contest> loadContest(const fs::path& folder) {
    bool ok = false;
    const std::string about = readText(folder / kContestFile, ok);
    if (!ok) {
        return Result<Contest>::failure(ErrorKind::OpenFailed,
                                        "Cannot open " + (folder / kContestFile).string());
    }
    Contest contest;
    contest.folder = folder;
    for (const std::string& line : lines(about)) {
        if (line.rfind("name=", 0) == 0) {
            contest.name = line.substr(5);
        } else if (line.rfind("date=", 0) == 0) {
            contest.date = line.substr(5);
        }
    }
    // A missing list is an empty contest.
    for (const std::string& line : lines(readText(folder / kContestFlightsFile, ok))) {
        if (!line.empty() && !contest.holds(line)) {
            contest.flights.emplace_back(line);
        }
    }
    return Result<Contest>::success(std::move(contest));
}

Result<Contest> openContest(const fs::path& archive) {
    bool ok = false;
    const std::vector<std::string> named =
        lines(readText(contestsFolder(archive) / kOpenContestFile, ok));
    if (!ok || named.empty() || named.front().empty()) {
        return Result<Contest>::failure(ErrorKind::NoData, "No contest is open");
    }
    Result<Contest> contest = loadContest(named.front());
    if (!contest) {
        return Result<Contest>::failure(ErrorKind::NoData,
                                        "No contest is open: " + contest.status.error);
    }
    return contest;
}

Status markContestOpen(const fs::path& archive, const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(contestsFolder(archive), ec);
    return writeText(contestsFolder(archive) / kOpenContestFile,
                     fs::absolute(folder, ec).string() + "\n");
}

Status addContestFlight(Contest& contest, const fs::path& flight) {
    if (contest.holds(flight)) {
        return Status::success();
    }
    contest.flights.push_back(flight);
    Status saved = saveFlights(contest);
    if (!saved) {
        contest.flights.pop_back();
    }
    return saved;
}

Status removeContestFlight(Contest& contest, const fs::path& flight) {
    const auto found = std::find(contest.flights.begin(), contest.flights.end(), flight);
    if (found == contest.flights.end()) {
        return Status::success();
    }
    const fs::path removed = *found;
    const auto at = contest.flights.erase(found);
    Status saved = saveFlights(contest);
    if (!saved) {
        contest.flights.insert(at, removed);
    }
    return saved;
}

} // namespace kestrom
