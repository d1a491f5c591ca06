#pragma once
// The analysis options of kestrom-cli json: --filter [--filter-params PRE,FINAL,W1,W2] filters the
// curve as a Filter button does, --as-comparison loads the file as the comparison flight.

#include "analysis/filter.h"
#include "cli/filter_options.h"
#include "core/status.h"
#include "flight/flight_record.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

namespace kestrom::cli {

struct AnalysisJsonOptions : FilterOptions {
    bool asComparison = false;
};

// Adds --filter, --filter-params and --as-comparison to the json subcommand.
std::shared_ptr<AnalysisJsonOptions> addAnalysisJsonOptions(CLI::App& json);

// With --filter: adds filtered (the filter's output, one value per plotted point, cm),
// filteredMaxText and filteredMinText to j as the recorder flight's Filter button shows them; adds
// nothing when the button would do nothing (fewer than 32 words).
void addRecorderFilterJson(nlohmann::ordered_json& j, const FlightRecord& record,
                           const AnalysisJsonOptions& options);

// --as-comparison: loads path as the comparison flight, applies the temperature entry tempC when
// given, and with --filter filters as the comparison's Filter button does. Fails for unreadable
// files, files shorter than 32 bytes and a refused temperature (Wrong temperature). Warns on
// stderr about a file that cannot be a flight.
Result<nlohmann::ordered_json> comparisonJson(const std::filesystem::path& path,
                                              std::optional<int> tempC,
                                              const AnalysisJsonOptions& options);

} // namespace kestrom::cli
