#pragma once
// kestrom-cli download, zero and settings: the window's recorder actions on the command line,
// against the real bus or a simulated recorder. Messages go to stderr in English.

#include <CLI/CLI.hpp>
#include <string>

namespace kestrom {
struct FlightRecord;
}

namespace kestrom::cli {

// One line as the summary command prints it: name, competitor, serial, sampling, temperature,
// maximum, minimum.
std::string summaryLine(const std::string& path, const FlightRecord& r);

// Registers download, zero and settings.
void addDeviceCommands(CLI::App& app);

} // namespace kestrom::cli
