#pragma once
// kestrom-cli report: a PDF with one A4 landscape page per flight, drawn by the window's chart.

#include "cli/station_commands.h"

#include <CLI/CLI.hpp>

namespace kestrom::cli {

// Registers report FILE... -o OUT [--filter [--filter-params ...]].
void addReportCommand(CLI::App& app);

// Draws the standings page as the window prints it, for standings -o OUT.pdf.
StandingsPdf standingsPdfMaker();

} // namespace kestrom::cli
