#pragma once
// kestrom-cli watch and standings: the contest station on the command line.

#include "analysis/standings.h"
#include "core/status.h"
#include "files/contest.h"

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

namespace kestrom::cli {

// Draws the standings as a one-page PDF (title: the contest's name and date) into bytes; empty
// when it could not be drawn.
using StandingsPdf =
    std::function<std::string(const std::string& title, const std::vector<StandingsRow>& rows)>;

// Registers watch and standings; without pdf, standings refuses a .pdf output.
void addStationCommands(CLI::App& app, StandingsPdf pdf = nullptr);
// The same without the PDF, for tests that register commands by a plain function.
void addStationCommandsWithoutPdf(CLI::App& app);

} // namespace kestrom::cli
