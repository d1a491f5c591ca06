#pragma once
// The altitude filter: repairs single wrong samples (spikes) of an altitude curve with straight
// lines between trusted neighbours, guided by a heavily smoothed copy of the curve. It works on
// int32 curves in centimetres ended by kCurveEndMark; every division truncates toward zero. The
// moving means sum in wrapping 32-bit arithmetic; the two cut stages compute without overflow,
// which gives the 32-bit results for every curve whose values differ by less than 10^8 cm, and
// they take their restarts in one step, so no curve makes them run for long. The raw curve it is
// given is never changed.

#include "flight/flight_image.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kestrom {

// The four parameters as the configuration record stores them (whatever the user typed).
struct FilterParams {
    std::int32_t preCutCm = 350;        // allowed climb or sink per sample of the pre-cut
    std::int32_t finalCutCm = 250;      // half-width of the band around the reference curve
    std::int32_t prefilterWidth = 8;    // width w of the first moving mean, points
    std::int32_t finalFilterWidth = 12; // width w of the second moving mean, points

    bool operator==(const FilterParams&) const = default;
};

// Where the filter runs, the parameters are brought into the range its stages can work with.
// A cut wider than this accepts every real altitude anyway, and keeps the band arithmetic and the
// restart loops within a bounded number of steps.
inline constexpr std::int32_t kMaxCutCm = 1'000'000;
inline constexpr std::int32_t kMinPrefilterWidth = 1;
inline constexpr std::int32_t kMaxPrefilterWidth = 100; // the first 100 entries are copied as is
inline constexpr std::int32_t kMinFinalFilterWidth = 1;
// Any larger width behaves the same: the growing window never reaches it within a curve.
inline constexpr std::int32_t kMaxFinalFilterWidth = static_cast<std::int32_t>(kCurveLength);

// The parameters as the filter uses them: cuts clamped to -kMaxCutCm..kMaxCutCm (a negative cut
// only makes the stage restart until its limit has grown past the curve's steps), the prefilter
// width to 1..100, the final filter width to 1..kCurveLength.
FilterParams clampedFilterParams(const FilterParams& params);

// The filter's four working curves, each kCurveLength entries. Owned by whoever shows filtered
// curves; every run starts by clearing them, so nothing of an earlier run shows through.
struct FilterWork {
    std::vector<std::int32_t> filterInput;   // copy of the raw curve being filtered
    std::vector<std::int32_t> filterWork;    // the repaired curve; the result after a run
    std::vector<std::int32_t> filterSmooth1; // first moving mean
    std::vector<std::int32_t> filterSmooth2; // second moving mean: reference for the band stage
    std::size_t points = 0;                  // index of the end mark in filterInput

    FilterWork();
    // Zeroes all four curves and the point count.
    void clear();
};

// Clears work and copies curve into filterInput up to its first end mark. A curve without a mark
// within kCurveLength - 1 entries is cut there and marked. Returns the number of points.
std::size_t loadFilterInput(FilterWork& work, std::span<const std::int32_t> curve);

// Slope limit with straight-line repair: filterInput is copied into filterWork and every point
// that climbs or sinks by allowance cm per sample or more from the last trusted point is replaced
// by the line to the next trusted one. After more than 20 rejected candidates the scan restarts
// at the trusted point with the limit raised by 30 cm per sample. allowance is clamped to
// -kMaxCutCm..kMaxCutCm. Point 0 is never changed.
void PreCut(FilterWork& work, std::int32_t allowance);

// Moving mean of filterWork into filterSmooth1 over the window i - w .. i + ahead - 1 (ahead =
// w + w/2 - w/5), cut at the end mark; points below w and the first 100 entries are copied. w is
// clamped to 1..100.
void SmoothFirst(FilterWork& work, std::int32_t w);

// Moving mean of filterSmooth1 into filterSmooth2 from point 42 on, with a window that starts at
// points 41..42 and grows by one point on each side per step up to w behind and ahead - 1 ahead.
// Points 0..41 are copied. w is clamped to 1..kCurveLength.
void SmoothSecond(FilterWork& work, std::int32_t w);

// Band around filterSmooth2 with straight-line repair: filterInput is copied into filterWork afresh
// and every point outside the band (tolerance plus the drift of the reference since the last
// trusted point) is replaced by the line between trusted points. After more than 45 rejected
// candidates the scan restarts at the trusted point with the tolerance raised by 1 cm. The last
// point is never tested. tolerance is clamped to -2 x kMaxCutCm..2 x kMaxCutCm.
void BandCut(FilterWork& work, std::int32_t tolerance);

// The whole filter on filterInput: pre-cut, a first cycle of both means and a band of twice the
// final cut, then eight more cycles with the final cut. The result is in filterWork[0 .. points].
// params are clamped as clampedFilterParams says. Never fails.
void FilterAltitude(FilterWork& work, const FilterParams& params);

} // namespace kestrom
