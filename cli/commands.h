#pragma once
// Subcommands of kestrom-cli. Each group lives in its own source file and registers itself from
// main.cpp; a failing command throws CLI::RuntimeError with exit status 2 after reporting on
// stderr.

#include <CLI/CLI.hpp>

namespace kestrom::cli {

inline constexpr int kFailureExit = 2;

// json, csv, summary and gen: flight files without a recorder.
void addFlightCommands(CLI::App& app);

} // namespace kestrom::cli
