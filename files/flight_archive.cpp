#include "files/flight_archive.h"

#include "files/descriptor.h"
#include "files/measurement_file.h"
#include "files/whole_file.h"
#include "flight/flight_header.h"
#include "flight/flight_record.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrom {
namespace {

namespace fs = std::filesystem;

// Suffixes tried on a clash before giving up; thousands of downloads in one second do not happen.
constexpr int kMaxClashSuffix = 9999;

bool isSet(const char* value) { return value != nullptr && *value != '\0'; }

using files_detail::describe;

// Creates path only when no file of that name exists, complete or not at all (see
// writeWholeFile). *clash (and no file touched) when the name is taken.
Status createNew(const fs::path& path, const std::vector<std::uint8_t>& bytes, bool* clash) {
    const Status written = writeWholeFile(path, bytes, Replace::Never);
    *clash = written.kind == ErrorKind::Exists;
    return written;
}

std::time_t modificationTime(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mtime : std::time_t{0};
}

// Fills everything but path and time, reusing scratch for the evaluation's arrays.
void summarise(const fs::path& path, FlightSummary& out, FlightRecord& scratch) {
    // Opening a FIFO or a device would block the listing, or read something that is no flight.
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        out.status = Status::failure(ErrorKind::OpenFailed,
                                     "Cannot open " + path.string() +
                                         (ec ? ": " + ec.message() : ": not a regular file"));
        return;
    }
    Result<FlightImage> read = readMeasurementFile(path);
    if (!read) {
        out.status = read.status;
        return;
    }
    const FlightImage& image = *read.value;
    std::uint32_t samples = 0;
    const std::uint32_t available = image.wordCount() / 2;
    while (samples < available && image.sampleUp(samples) != kEndMarkerWord) {
        ++samples;
    }
    out.samples = samples;
    // The window's own evaluation, so the extremes read as its fields show them.
    FlightEvaluation kept = std::move(scratch.evaluation);
    setFlightImage(scratch, std::move(*read.value));
    scratch.evaluation = std::move(kept);
    out.competitor = scratch.header.competitor;
    out.serial = scratch.header.serial;
    out.rateCode = scratch.header.rateCode;
    out.rateTimes10 = scratch.header.rateTimes10;
    out.notAFlight = calibrationImpossible(scratch.image);
    // A flight too short for a single plotted point has no extremes to show.
    if (evaluateRecord(scratch, false) && scratch.evaluation.pointCount() > 0) {
        out.evaluated = true;
        out.maxAltitude = scratch.evaluation.maxAltitude;
        out.minAltitude = scratch.evaluation.minAltitude;
    }
}

bool digitsAt(const std::string& text, std::size_t from, std::size_t count, int& value) {
    value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

} // namespace

fs::path archiveFolderFor(const char* archiveDir, const char* dataHome, const char* home) {
    if (isSet(archiveDir)) {
        return fs::path(archiveDir);
    }
    // A relative XDG_DATA_HOME is invalid and is ignored, as the base-directory rules say.
    if (isSet(dataHome) && fs::path(dataHome).is_absolute()) {
        return fs::path(dataHome) / "kestrom" / "flights";
    }
    if (isSet(home)) {
        return fs::path(home) / ".local" / "share" / "kestrom" / "flights";
    }
    return {};
}

fs::path archiveFolder() {
    return archiveFolderFor(std::getenv("KESTROM_ARCHIVE_DIR"), std::getenv("XDG_DATA_HOME"),
                            std::getenv("HOME"));
}

std::string archiveFileName(std::chrono::system_clock::time_point when, std::uint16_t competitor,
                            std::uint16_t serial) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    ::localtime_r(&t, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d_%02d%02d%02d_c%u_s%u%s", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<unsigned>(competitor), static_cast<unsigned>(serial),
                  kArchiveExtension);
    return text;
}

Result<fs::path> archiveFlight(const fs::path& folder, const FlightImage& image,
                               std::chrono::system_clock::time_point when) {
    if (folder.empty()) {
        return Result<fs::path>::failure(ErrorKind::CreateFailed,
                                         "No archive folder: neither KESTROM_ARCHIVE_DIR, "
                                         "XDG_DATA_HOME nor HOME is set");
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        return Result<fs::path>::failure(ErrorKind::CreateFailed, "Cannot create the folder " +
                                                                      folder.string() + ": " +
                                                                      ec.message());
    }
    const std::string name = archiveFileName(when, readU16le(image.bytes(), kOffsetCompetitor),
                                             readU16le(image.bytes(), kOffsetSerial));
    const std::string stem = name.substr(0, name.size() - std::strlen(kArchiveExtension));
    for (int n = 1; n <= kMaxClashSuffix; ++n) {
        const fs::path path =
            folder / (n == 1 ? name : stem + "_" + std::to_string(n) + kArchiveExtension);
        bool clash = false;
        const Status written = createNew(path, image.bytes(), &clash);
        if (written) {
            return Result<fs::path>::success(path);
        }
        if (!clash) {
            return {std::nullopt, written};
        }
    }
    return Result<fs::path>::failure(ErrorKind::CreateFailed,
                                     "Cannot create " + (folder / name).string() +
                                         ": every name up to _" + std::to_string(kMaxClashSuffix) +
                                         " is taken");
}

std::optional<double> FlightSummary::durationSeconds() const {
    if (rateTimes10 == 0) {
        return std::nullopt;
    }
    return static_cast<double>(samples) * 10.0 / static_cast<double>(rateTimes10);
}

FlightSummary readFlightSummary(const fs::path& path) {
    FlightSummary out;
    out.path = path;
    out.time = modificationTime(path);
    FlightRecord scratch;
    summarise(path, out, scratch);
    return out;
}

std::optional<std::time_t> archiveNameTime(const std::string& fileName) {
    // "YYYY-MM-DD_HHMMSS"
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!digitsAt(fileName, 0, 4, year) || fileName.size() < 17 || fileName[4] != '-' ||
        !digitsAt(fileName, 5, 2, month) || fileName[7] != '-' || !digitsAt(fileName, 8, 2, day) ||
        fileName[10] != '_' || !digitsAt(fileName, 11, 2, hour) ||
        !digitsAt(fileName, 13, 2, minute) || !digitsAt(fileName, 15, 2, second)) {
        return std::nullopt;
    }
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) {
        return std::nullopt;
    }
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    const std::time_t t = std::mktime(&local);
    if (t == static_cast<std::time_t>(-1)) {
        return std::nullopt;
    }
    return t;
}

Result<std::vector<FlightSummary>> listArchive(const fs::path& folder) {
    using Listing = Result<std::vector<FlightSummary>>;
    // Only a folder not made yet is an empty archive; a path that runs through a file or cannot
    // be entered is an error, not an empty list.
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        if (errno == ENOENT) {
            return Listing::success({});
        }
        return Listing::failure(ErrorKind::OpenFailed, "Cannot list " + describe(folder, errno));
    }
    if (!S_ISDIR(info.st_mode)) {
        return Listing::failure(ErrorKind::OpenFailed, "Cannot list " + describe(folder, ENOTDIR));
    }
    std::error_code ec;
    std::vector<fs::path> paths;
    fs::directory_iterator it(folder, ec);
    if (ec) {
        return Listing::failure(ErrorKind::OpenFailed,
                                "Cannot list " + folder.string() + ": " + ec.message());
    }
    // Stepped with an error code: a folder that fails half-way is reported, never thrown.
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!name.empty() && name.front() != '.' && it->path().extension() == kArchiveExtension) {
            paths.push_back(it->path());
        }
    }
    if (ec) {
        return Listing::failure(ErrorKind::OpenFailed,
                                "Cannot list " + folder.string() + ": " + ec.message());
    }
    std::sort(paths.begin(), paths.end());
    std::vector<FlightSummary> list(paths.size());
    FlightRecord scratch; // one set of curve arrays for the whole listing
    for (std::size_t i = 0; i < paths.size(); ++i) {
        FlightSummary& s = list[i];
        s.path = paths[i];
        const std::optional<std::time_t> named = archiveNameTime(paths[i].filename().string());
        s.time = named ? *named : modificationTime(paths[i]);
        summarise(paths[i], s, scratch);
    }
    return Listing::success(std::move(list));
}

std::string localTimeText(std::time_t time) {
    std::tm local{};
    ::localtime_r(&time, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

} // namespace kestrom
