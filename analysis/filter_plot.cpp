#include "analysis/filter_plot.h"

#include "flight/number_format.h"

namespace kestrom {

std::string centimetresText(std::int32_t altitudeCm, char decimalSeparator) {
    // Rounded in whole tenths first, so no binary fraction decides a tie.
    const std::int64_t cm = altitudeCm;
    const std::int64_t tenths = cm >= 0 ? (cm + 5) / 10 : -((-cm + 5) / 10);
    return formatOneDecimal(static_cast<double>(tenths) / 10.0, decimalSeparator);
}

FilterPlot filterCurve(FilterWork& work, std::span<const std::int32_t> curve,
                       const FilterParams& params, bool labelled, std::uint32_t rateTimes10) {
    const std::size_t n = loadFilterInput(work, curve);
    FilterAltitude(work, params);

    FilterPlot plot;
    plot.filteredCm.assign(work.filterWork.begin(),
                           work.filterWork.begin() + static_cast<std::ptrdiff_t>(n));
    plot.filteredPoints.reserve(n);
    plot.rawPoints.reserve(n);
    std::uint32_t counter = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::int32_t v = work.filterWork[i];
        Series1Point point;
        point.value = static_cast<float>(static_cast<double>(v) * 0.01);
        if (labelled && rateTimes10 != 0 && counter % rateTimes10 == 0) {
            point.label = std::to_string(counter / rateTimes10);
        }
        plot.filteredPoints.push_back(std::move(point));
        plot.rawPoints.push_back(
            static_cast<float>(static_cast<double>(work.filterInput[i]) * 0.01));
        counter += 10;
        if (v > plot.maxCm) {
            plot.maxCm = v;
        }
        if (v < plot.minCm) {
            plot.minCm = v;
        }
    }
    plot.maxText = centimetresText(plot.maxCm);
    plot.minText = centimetresText(plot.minCm);
    return plot;
}

std::optional<FilterPlot> filterRecorderFlight(FilterWork& work,
                                               std::span<const std::int32_t> altitudeCm,
                                               const FilterParams& params, std::uint32_t wordCount,
                                               std::uint32_t rateTimes10) {
    if (wordCount < kMinFilteredFlight) {
        return std::nullopt;
    }
    return filterCurve(work, altitudeCm, params, true, rateTimes10);
}

std::optional<FilterPlot> filterRecorderFlight(const FlightRecord& record,
                                               const FilterParams& params) {
    if (!record.evaluated) {
        return std::nullopt;
    }
    FilterWork work;
    return filterRecorderFlight(work, record.evaluation.altitudeCm, params, record.wordCount,
                                record.rateTimes10);
}

std::optional<FilterPlot> filterCompareFlight(FilterWork& work,
                                              std::span<const std::int32_t> compareAltitudeCm,
                                              const FilterParams& params,
                                              std::uint32_t compareSampleBytes) {
    if (compareSampleBytes < kMinFilteredFlight) {
        return std::nullopt;
    }
    return filterCurve(work, compareAltitudeCm, params, false, 0);
}

} // namespace kestrom
