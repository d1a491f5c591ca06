#pragma once
// What the two Filter buttons show: the filtered curve in the flight's altitude series, the raw
// curve in its dashed companion series, and the new maximum and minimum texts. Plain data; the
// window draws exactly what is here.

#include "analysis/filter.h"
#include "flight/evaluation.h"
#include "flight/flight_record.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrom {

// A Filter button does nothing for a flight shorter than this (words or comparison bytes).
inline constexpr std::uint32_t kMinFilteredFlight = 32;

// The extremes start here, so a flight that never rises above 0 m shows 0.0 as its maximum and
// one that stays above 50 m shows 50.0 as its minimum.
inline constexpr std::int32_t kFilterMaxStartCm = 0;
inline constexpr std::int32_t kFilterMinStartCm = 5000;

struct FilterPlot {
    std::vector<std::int32_t> filteredCm;     // the filter's output, one value per point, cm
    std::vector<Series1Point> filteredPoints; // altitude series (Series1 / Series3), metres
    std::vector<float> rawPoints; // dashed series (Series5 / Series6), metres, no labels
    std::int32_t maxCm = kFilterMaxStartCm;
    std::int32_t minCm = kFilterMinStartCm;
    std::string maxText; // "0.0" pattern, for E_MaxGl / E_Max_Por
    std::string minText; // for EMinimum / E_Min_Por
};

// Text of an altitude in cm as metres with one decimal, rounded on the exact value cm / 100, ties
// away from zero (1225 gives "12.3", -1225 gives "-12.3").
std::string centimetresText(std::int32_t altitudeCm, char decimalSeparator = '.');

// Filters curve (ended by kCurveEndMark) with work and params and builds what the Filter button
// shows: points 0 .. n-1 of the result, labelled with whole seconds where the time counter (10 per
// point) divides by rateTimes10 when labelled is set (rateTimes10 0: no labels), the raw points,
// and the extremes. Never fails.
FilterPlot filterCurve(FilterWork& work, std::span<const std::int32_t> curve,
                       const FilterParams& params, bool labelled, std::uint32_t rateTimes10);

// B_Filtr_AltClick: the recorder flight's curve with second labels; nothing when wordCount < 32.
std::optional<FilterPlot> filterRecorderFlight(FilterWork& work,
                                               std::span<const std::int32_t> altitudeCm,
                                               const FilterParams& params, std::uint32_t wordCount,
                                               std::uint32_t rateTimes10);

// The same for a whole record; nothing also for a record that was not evaluated.
std::optional<FilterPlot> filterRecorderFlight(const FlightRecord& record,
                                               const FilterParams& params);

// B_Filtr_porClick: the comparison flight's curve, every label empty; nothing when
// compareSampleBytes < 32.
std::optional<FilterPlot> filterCompareFlight(FilterWork& work,
                                              std::span<const std::int32_t> compareAltitudeCm,
                                              const FilterParams& params,
                                              std::uint32_t compareSampleBytes);

} // namespace kestrom
