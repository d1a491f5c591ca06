#pragma once
// The flight archive: every downloaded flight kept as a measurement file in one folder, named by
// its download time, competitor and serial number, and a listing of the archived flights with what
// a table of flights shows. Plain C++; the window and kestrom-cli turn a failed Status into their
// own message.

#include "core/status.h"
#include "flight/flight_image.h"

#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kestrom {

// Extension of archived flights.
inline constexpr const char* kArchiveExtension = ".kes";

// The archive folder for the given environment values (null or empty counts as unset):
// archiveDir (KESTROM_ARCHIVE_DIR) as it is, else dataHome/kestrom/flights when dataHome
// (XDG_DATA_HOME) is an absolute path, else home/.local/share/kestrom/flights. Empty when home is
// unset too.
std::filesystem::path archiveFolderFor(const char* archiveDir, const char* dataHome,
                                       const char* home);

// The archive folder of this process: archiveFolderFor(KESTROM_ARCHIVE_DIR, XDG_DATA_HOME, HOME).
std::filesystem::path archiveFolder();

// The archive name of a flight downloaded at `when` (local time) from competitor on the recorder
// with serial number serial: "2026-12-08_143012_c17_s1001.kes".
std::string archiveFileName(std::chrono::system_clock::time_point when, std::uint16_t competitor,
                            std::uint16_t serial);

// Stores image byte for byte (as Save writes it) in folder, creating the folder when missing, under
// archiveFileName(when, competitor and serial from the image's header). An existing file is never
// replaced: on a clash "_2", "_3", ... go before the extension. The file gets its name only when
// complete (a killed download leaves no partial flight). Returns the path written, or fails with
// CreateFailed (folder or file cannot be created; text naming it) or WriteFailed (nothing is left).
// An empty folder fails with CreateFailed.
Result<std::filesystem::path> archiveFlight(const std::filesystem::path& folder,
                                            const FlightImage& image,
                                            std::chrono::system_clock::time_point when);

// What a table of flights shows about one measurement file.
struct FlightSummary {
    std::filesystem::path path;
    std::time_t time = 0; // download time from an archive name, else the file's mtime
    Status status;        // why the file could not be read; the fields below are then 0
    std::uint16_t competitor = 0;
    std::uint16_t serial = 0;
    std::uint8_t rateCode = 0; // header byte 7 AND 0x0F
    std::uint32_t rateTimes10 = 0;
    std::uint32_t samples = 0; // recorded samples before the end marker
    bool notAFlight = false;   // its calibration words cannot be a recorder's
    bool evaluated = false;    // the flight is long enough to have a maximum and minimum
    float maxAltitude = 0.0f;  // m, as the maximum field shows it
    float minAltitude = 0.0f;  // m, as the minimum field shows it

    // Seconds recorded: samples / samples per second; none when the rate code has no rate.
    std::optional<double> durationSeconds() const;
};

// Reads path and gives its summary: header values, sample count and the evaluated maximum and
// minimum (evaluated at the header's temperature, dh/dt off). time is the file's modification
// time. A file that cannot be read, is no regular file (a FIFO would block) or is shorter than a
// header gives a summary whose status says why. Never throws.
FlightSummary readFlightSummary(const std::filesystem::path& path);

// The download time an archive name starts with ("2026-12-08_143012..."), read as local time;
// none for any other name.
std::optional<std::time_t> archiveNameTime(const std::string& fileName);

// Summaries of every "*.kes" file directly in folder, sorted by name (so oldest download first);
// time comes from the archive name where it has one. Hidden files are skipped; anything else
// named *.kes is listed, readable or not. A missing folder gives an empty list; a folder that
// cannot be listed, or a path that is no folder or runs through a file, fails with OpenFailed
// naming it and the reason.
Result<std::vector<FlightSummary>> listArchive(const std::filesystem::path& folder);

// Local time as "2026-12-08 14:30:12", for tables.
std::string localTimeText(std::time_t time);

} // namespace kestrom
