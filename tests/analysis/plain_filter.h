#pragma once
// The altitude filter's stages in their plain form: every window of the moving means summed point
// by point in wrapping 32-bit arithmetic, and the cut stages restarting one scan at a time. The
// library computes the means with running sums and takes the restarts in one step; the tests and
// the benchmark hold it against this form.

#include "analysis/filter.h"
#include "flight/int32_math.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace kestrom::plain {

inline std::int32_t windowMean(const std::vector<std::int32_t>& v, std::size_t lo, std::size_t hi) {
    std::int32_t sum = 0;
    for (std::size_t m = lo; m <= hi; ++m) {
        sum = wrapAdd(sum, v[m]);
    }
    return sum / static_cast<std::int32_t>(hi - lo + 1);
}

// filterSmooth1 from filterWork; w already within 1..100.
inline void smoothFirst(FilterWork& work, std::int32_t w) {
    const std::size_t n = work.points;
    const auto ahead = static_cast<std::size_t>(w + w / 2 - w / 5);
    std::copy_n(work.filterWork.begin(), 100, work.filterSmooth1.begin());
    for (auto i = static_cast<std::size_t>(w); i < n; ++i) {
        work.filterSmooth1[i] = windowMean(work.filterWork, i - static_cast<std::size_t>(w),
                                           std::min(i + ahead - 1, n - 1));
    }
    work.filterSmooth1[n] = kCurveEndMark;
}

// filterSmooth2 from filterSmooth1; w at least 1.
inline void smoothSecond(FilterWork& work, std::int32_t w) {
    const std::size_t n = work.points;
    const auto ahead = static_cast<std::size_t>(w + w / 2 - w / 5);
    std::copy_n(work.filterSmooth1.begin(), 100, work.filterSmooth2.begin());
    std::size_t before = 1;
    std::size_t after = 1;
    for (std::size_t i = 42; i < n; ++i) {
        work.filterSmooth2[i] =
            windowMean(work.filterSmooth1, i - before, std::min(i + after - 1, n - 1));
        if (after != ahead) {
            ++after;
        }
        if (before != static_cast<std::size_t>(w)) {
            ++before;
        }
    }
    work.filterSmooth2[n] = kCurveEndMark;
}

// PreCut restarting scan by scan (allowance within 0..kMaxCutCm).
inline void preCut(FilterWork& work, std::int32_t allowance) {
    std::copy_n(work.filterInput.begin(), work.points + 1, work.filterWork.begin());
    std::vector<std::int32_t>& f = work.filterWork;
    const std::size_t n = work.points;
    std::size_t j = 0;
    std::size_t k = 1;
    std::int64_t a = allowance;
    std::int64_t s = 0;
    while (k < n) {
        s += a;
        const std::int64_t diff = std::int64_t{f[k]} - f[j];
        if (std::abs(diff) < s) {
            a = allowance;
            if (k != j + 1) {
                const std::int64_t step = diff / static_cast<std::int64_t>(k - j);
                for (std::size_t m = j + 1; m <= k; ++m) {
                    f[m] = static_cast<std::int32_t>(f[m - 1] + step);
                }
            }
            j = k;
            ++k;
            s = 0;
        } else {
            if (k - j > 20) {
                k = j;
                a += 30;
                s = 0;
            }
            ++k;
        }
    }
}

// BandCut restarting scan by scan (tolerance within -2 x kMaxCutCm..2 x kMaxCutCm).
inline void bandCut(FilterWork& work, std::int32_t tolerance) {
    std::copy_n(work.filterInput.begin(), work.points + 1, work.filterWork.begin());
    std::vector<std::int32_t>& f = work.filterWork;
    const std::vector<std::int32_t>& ref = work.filterSmooth2;
    const std::size_t n = work.points;
    std::size_t j = 0;
    std::size_t k = 1;
    std::int64_t t = tolerance;
    std::int64_t d = 0;
    while (k + 1 < n) {
        d += 5 * (std::int64_t{ref[k + 1]} - ref[k - 1]);
        const std::int64_t h = std::abs(d) / 10;
        if (ref[k] - h - t <= f[k] && f[k] <= ref[k] + h + t) {
            t = tolerance;
            if (k != j + 1) {
                const auto span = static_cast<std::int64_t>(k - j);
                const std::int64_t step = 10 * (std::int64_t{f[k]} - f[j]) / span;
                const std::int64_t anchor = f[j];
                for (std::int64_t m = 1; m <= span; ++m) {
                    f[j + static_cast<std::size_t>(m)] =
                        static_cast<std::int32_t>(anchor + m * step / 10);
                }
            }
            j = k;
            ++k;
            d = 0;
        } else {
            if (k - j > 45) {
                k = j;
                t += 1;
            }
            ++k;
        }
    }
}

// The whole filter with the plain stages (parameters already clamped).
inline void filterAltitude(FilterWork& work, const FilterParams& p) {
    preCut(work, p.preCutCm);
    smoothFirst(work, p.prefilterWidth);
    smoothSecond(work, p.finalFilterWidth);
    bandCut(work, 2 * p.finalCutCm);
    for (int cycle = 0; cycle < 8; ++cycle) {
        smoothFirst(work, p.prefilterWidth);
        smoothSecond(work, p.finalFilterWidth);
        bandCut(work, p.finalCutCm);
    }
}

} // namespace kestrom::plain
