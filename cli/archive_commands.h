#pragma once
// The flight archive on the command line: download keeps every flight it fetched, and
// kestrom-cli archive lists what is kept.

#include "flight/flight_image.h"

#include <CLI/CLI.hpp>

namespace kestrom::cli {

// Registers archive: one line per archived flight under a header line.
void addArchiveCommand(CLI::App& app);

// Stores a downloaded image in the archive folder and says where on stderr. A failure is reported
// on stderr and returned as false; it never ends the command.
bool archiveDownload(const FlightImage& image);

} // namespace kestrom::cli
