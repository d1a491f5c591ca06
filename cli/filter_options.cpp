#include "cli/filter_options.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <optional>

namespace kestrom::cli {
namespace {

// "PRE,FINAL,W1,W2" as four whole numbers (32-bit), or none.
std::optional<std::array<std::int32_t, 4>> parseParams(const std::string& text) {
    std::array<std::int32_t, 4> values{};
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto [next, ec] = std::from_chars(at, end, values[i]);
        const char expected = i + 1 < values.size() ? ',' : '\0';
        if (ec != std::errc{} || next == at || (expected == ',' && (next == end || *next != ',')) ||
            (expected == '\0' && next != end)) {
            return std::nullopt;
        }
        at = next + 1;
    }
    return values;
}

} // namespace

FilterParams FilterOptions::params() const {
    const std::optional<std::array<std::int32_t, 4>> v = parseParams(filterParams);
    if (!v) {
        return FilterParams{};
    }
    return {(*v)[0], (*v)[1], (*v)[2], (*v)[3]};
}

void addFilterOptions(CLI::App& cmd, FilterOptions& options, const std::string& filterHelp) {
    CLI::Option* filter = cmd.add_flag("--filter", options.filter, filterHelp);
    cmd.add_option("--filter-params", options.filterParams,
                   "filter parameters PRE,FINAL,W1,W2 in one argument (default 350,250,8,12)")
        ->check(CLI::Validator(
            [](const std::string& text) -> std::string {
                return parseParams(text)
                           ? std::string()
                           : "'" + text + "' is not four whole numbers PRE,FINAL,W1,W2";
            },
            "PRE,FINAL,W1,W2"))
        ->needs(filter);
}

} // namespace kestrom::cli
