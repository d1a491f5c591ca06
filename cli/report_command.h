#pragma once
// kestrom-cli report: a PDF with one A4 landscape page per flight, drawn by the window's chart.

#include <CLI/CLI.hpp>

namespace kestrom::cli {

// Registers report FILE... -o OUT [--filter [--filter-params ...]].
void addReportCommand(CLI::App& app);

} // namespace kestrom::cli
