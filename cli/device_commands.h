#pragma once
// kestrom-cli download, zero and settings: the window's recorder actions on the command line,
// against the real bus or a simulated recorder. Messages go to stderr in English.

#include <CLI/CLI.hpp>

namespace kestrom::cli {

// Registers download, zero and settings.
void addDeviceCommands(CLI::App& app);

} // namespace kestrom::cli
