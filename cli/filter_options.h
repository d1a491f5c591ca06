#pragma once
// --filter [--filter-params PRE,FINAL,W1,W2]: the options of every verb that can filter a curve as
// a Filter button does.

#include "analysis/filter.h"

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrom::cli {

struct FilterOptions {
    bool filter = false;
    std::vector<std::int32_t> filterParams; // PRE,FINAL,W1,W2; empty: the start-up defaults

    FilterParams params() const;
};

// Adds --filter, described by filterHelp, and --filter-params, which needs it, to cmd. options
// must outlive the parse.
void addFilterOptions(CLI::App& cmd, FilterOptions& options, const std::string& filterHelp);

} // namespace kestrom::cli
