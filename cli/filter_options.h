#pragma once
// --filter [--filter-params PRE,FINAL,W1,W2]: the options of every verb that can filter a curve as
// a Filter button does.

#include "analysis/filter.h"

#include <CLI/CLI.hpp>
#include <string>

namespace kestrom::cli {

struct FilterOptions {
    bool filter = false;
    std::string filterParams; // "PRE,FINAL,W1,W2"; empty: the start-up defaults

    FilterParams params() const;
};

// Adds --filter, described by filterHelp, and --filter-params, which needs it, to cmd. The
// parameters are one argument of four whole numbers, so the word after them is never taken as a
// fifth. options must outlive the parse.
void addFilterOptions(CLI::App& cmd, FilterOptions& options, const std::string& filterHelp);

} // namespace kestrom::cli
