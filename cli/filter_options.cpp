#include "cli/filter_options.h"

namespace kestrom::cli {

FilterParams FilterOptions::params() const {
    if (filterParams.size() != 4) {
        return FilterParams{};
    }
    return {filterParams[0], filterParams[1], filterParams[2], filterParams[3]};
}

void addFilterOptions(CLI::App& cmd, FilterOptions& options, const std::string& filterHelp) {
    CLI::Option* filter = cmd.add_flag("--filter", options.filter, filterHelp);
    cmd.add_option("--filter-params", options.filterParams,
                   "filter parameters PRE,FINAL,W1,W2 (default 350,250,8,12)")
        ->delimiter(',')
        ->expected(4)
        ->needs(filter);
}

} // namespace kestrom::cli
