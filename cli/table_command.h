#pragma once
// kestrom-cli table: a flight as comma-separated rows for spreadsheets.

#include <CLI/CLI.hpp>

namespace kestrom::cli {

// Registers table FILE [--filter [--filter-params ...]] [-o OUT].
void addTableCommand(CLI::App& app);

} // namespace kestrom::cli
