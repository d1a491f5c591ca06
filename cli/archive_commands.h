#pragma once
// The flight archive on the command line: download keeps every flight it fetched, and
// kestrom-cli archive lists what is kept.

#include "flight/flight_image.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <filesystem>
#include <optional>

namespace kestrom::cli {

// Registers archive: one line per archived flight under a header line.
void addArchiveCommand(CLI::App& app);

// The window's settings file when its "Archive downloaded flights" item is off there; none when
// it is on or was never set (archiving is on by default).
std::optional<std::filesystem::path> archivingSwitchedOff();

// Stores a downloaded image in the archive folder and says where on stderr; returns where. A
// failure is reported on stderr and returned as none; it never ends the command.
std::optional<std::filesystem::path> archiveDownload(const FlightImage& image);

// The clock whose time names an archived download (the wall clock unless set). Returns the one it
// replaces; tests fix it so that two downloads clash on one name.
using WallClock = std::chrono::system_clock::time_point (*)();
WallClock setArchiveClock(WallClock clock);

} // namespace kestrom::cli
