#include "analysis/filter.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>

namespace kestrom {
namespace {

// Candidates rejected in a row before a stage restarts at its trusted point with a looser limit.
constexpr std::size_t kPreCutRestartRun = 20;
constexpr std::size_t kBandCutRestartRun = 45;
constexpr std::int32_t kPreCutLoosenCm = 30;
constexpr std::int32_t kBandCutLoosenCm = 1;
constexpr std::size_t kCopiedEntries = 100;
constexpr std::size_t kSecondPassStart = 42;
constexpr std::int32_t kFollowUpCycles = 8;

std::int32_t aheadOf(std::int32_t w) { return w + w / 2 - w / 5; }

// A sum taken in 64 bits brought back to the value a wrapping 32-bit sum would have.
std::int32_t wrapSum(std::int64_t sum) { return static_cast<std::int32_t>(sum); }

// Mean over values[lo..hi] for windows whose two ends only move forward, kept as a running sum.
// The sum is held in 64 bits and wrapped to 32 bits only for the division, which gives the same
// value as summing in wrapping 32-bit arithmetic point by point.
class RunningMean {
public:
    explicit RunningMean(const std::vector<std::int32_t>& values) : values_(values) {}

    std::int32_t mean(std::size_t lo, std::size_t hi) {
        const std::size_t end = hi + 1;
        if (lo >= end_) {
            lo_ = end_ = lo;
            sum_ = 0;
        }
        for (; end_ < end; ++end_) {
            sum_ += values_[end_];
        }
        for (; lo_ < lo; ++lo_) {
            sum_ -= values_[lo_];
        }
        return wrapSum(sum_) / static_cast<std::int32_t>(end - lo);
    }

private:
    const std::vector<std::int32_t>& values_;
    std::size_t lo_ = 0;
    std::size_t end_ = 0;
    std::int64_t sum_ = 0;
};

// PreCut accepts candidate k of anchor j when |f[k] - f[j]| < a x (k - j). After a full scan of
// rejected candidates j+1 .. j+21 with allowance a, the stage restarts with a + 30 until one of
// them fits. Returns the allowance of the first scan that accepts, found directly: candidate k fits
// from the r-th restart on, r being the least whole number with a + 30 r > |f[k] - f[j]| / (k - j).
std::int64_t preCutAllowanceAfterRestarts(const std::vector<std::int32_t>& f, std::size_t j,
                                          std::int64_t a) {
    std::int64_t restarts = std::numeric_limits<std::int64_t>::max();
    for (std::size_t k = j + 1; k <= j + kPreCutRestartRun + 1; ++k) {
        const std::int64_t perSample =
            std::abs(std::int64_t{f[k]} - f[j]) / static_cast<std::int64_t>(k - j);
        restarts = std::min(restarts, (perSample - a) / kPreCutLoosenCm + 1);
    }
    return a + kPreCutLoosenCm * restarts;
}

// The band test of BandCut: low <= value <= high with the half-width |d| / 10 + t.
bool insideBand(std::int32_t value, std::int32_t ref, std::int64_t d, std::int64_t t) {
    const std::int64_t h = std::abs(d) / 10;
    return ref - h - t <= value && value <= ref + h + t;
}

// BandCut after a full scan of 46 rejected candidates j+1 .. j+46 with tolerance t restarts at the
// anchor with t + 1 while the drift d keeps what the scans summed. In the r-th scan candidate k
// sees the tolerance t + r and the drift r x P + c[k] (P: what one scan sums, c[k]: what it has
// summed up to k), and is accepted when |r x P + c[k]| / 10 + t + r >= |f[k] - ref[k]|. Returns the
// number of restarts until the first accepting scan, found directly instead of scan by scan: the
// left side is convex in r and fails at r = 0, so per candidate it fails up to some r and holds
// from there on, and a binary search finds that r.
std::int64_t bandCutRestartsUntilAccepted(const std::vector<std::int32_t>& f,
                                          const std::vector<std::int32_t>& ref, std::size_t j,
                                          std::int64_t t) {
    constexpr std::size_t kRun = kBandCutRestartRun + 1;
    std::array<std::int64_t, kRun> c{};
    std::int64_t sum = 0;
    for (std::size_t i = 0; i < kRun; ++i) {
        const std::size_t k = j + 1 + i;
        sum += 5 * (std::int64_t{ref[k + 1]} - ref[k - 1]);
        c[i] = sum;
    }
    const std::int64_t perScan = sum;

    std::int64_t best = std::numeric_limits<std::int64_t>::max();
    for (std::size_t i = 0; i < kRun; ++i) {
        const std::size_t k = j + 1 + i;
        // Accepted in scan r when |r P + c| + 10 r >= 10 (E - t), E the distance to the reference.
        const std::int64_t need = 10 * (std::abs(std::int64_t{f[k]} - ref[k]) - t);
        const auto holds = [&](std::int64_t r) {
            // Past this many scans |r P| alone outweighs everything else; no product overflows.
            if (perScan != 0 && r > (need + std::abs(c[i])) / std::abs(perScan) + 1) {
                return true;
            }
            return std::abs(r * perScan + c[i]) + 10 * r >= need;
        };
        // 10 r >= need always holds, so the answer lies in 1 .. max(1, need / 10 + 1).
        std::int64_t lo = 1;
        std::int64_t hi = std::max<std::int64_t>(1, need / 10 + 1);
        hi = std::min(hi, best);
        if (!holds(hi)) {
            continue; // not before the best found so far
        }
        while (lo < hi) {
            const std::int64_t mid = lo + (hi - lo) / 2;
            if (holds(mid)) {
                hi = mid;
            } else {
                lo = mid + 1;
            }
        }
        best = std::min(best, lo);
    }
    return best;
}

void copyInputToWork(FilterWork& work) {
    const auto last = work.filterInput.begin() + static_cast<std::ptrdiff_t>(work.points) + 1;
    std::copy(work.filterInput.begin(), last, work.filterWork.begin());
}

void copyHead(const std::vector<std::int32_t>& from, std::vector<std::int32_t>& to) {
    std::copy_n(from.begin(), kCopiedEntries, to.begin());
}

} // namespace

FilterParams clampedFilterParams(const FilterParams& params) {
    return {std::clamp(params.preCutCm, -kMaxCutCm, kMaxCutCm),
            std::clamp(params.finalCutCm, -kMaxCutCm, kMaxCutCm),
            std::clamp(params.prefilterWidth, kMinPrefilterWidth, kMaxPrefilterWidth),
            std::clamp(params.finalFilterWidth, kMinFinalFilterWidth, kMaxFinalFilterWidth)};
}

FilterWork::FilterWork()
    : filterInput(kCurveLength), filterWork(kCurveLength), filterSmooth1(kCurveLength),
      filterSmooth2(kCurveLength) {}

void FilterWork::clear() {
    std::fill(filterInput.begin(), filterInput.end(), 0);
    std::fill(filterWork.begin(), filterWork.end(), 0);
    std::fill(filterSmooth1.begin(), filterSmooth1.end(), 0);
    std::fill(filterSmooth2.begin(), filterSmooth2.end(), 0);
    points = 0;
}

std::size_t loadFilterInput(FilterWork& work, std::span<const std::int32_t> curve) {
    work.clear();
    const std::size_t limit = std::min(curve.size(), kCurveLength - 1);
    std::size_t n = 0;
    while (n < limit && curve[n] != kCurveEndMark) {
        work.filterInput[n] = curve[n];
        ++n;
    }
    work.filterInput[n] = kCurveEndMark;
    work.points = n;
    return n;
}

void PreCut(FilterWork& work, std::int32_t allowance) {
    allowance = std::clamp(allowance, -kMaxCutCm, kMaxCutCm);
    copyInputToWork(work);
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
                // The run becomes a straight line from the anchor with a whole-centimetre slope.
                const std::int64_t step = diff / static_cast<std::int64_t>(k - j);
                for (std::size_t m = j + 1; m <= k; ++m) {
                    f[m] = static_cast<std::int32_t>(f[m - 1] + step);
                }
            }
            j = k;
            ++k;
            s = 0;
        } else {
            if (k - j > kPreCutRestartRun) {
                a = preCutAllowanceAfterRestarts(f, j, a);
                k = j;
                s = 0;
            }
            ++k;
        }
    }
}

void SmoothFirst(FilterWork& work, std::int32_t w) {
    w = std::clamp(w, kMinPrefilterWidth, kMaxPrefilterWidth);
    const std::size_t n = work.points;
    const auto behind = static_cast<std::size_t>(w);
    const auto ahead = static_cast<std::size_t>(aheadOf(w));

    copyHead(work.filterWork, work.filterSmooth1);
    RunningMean window(work.filterWork);
    for (std::size_t i = behind; i < n; ++i) {
        work.filterSmooth1[i] = window.mean(i - behind, std::min(i + ahead - 1, n - 1));
    }
    work.filterSmooth1[n] = kCurveEndMark;
}

void SmoothSecond(FilterWork& work, std::int32_t w) {
    w = std::clamp(w, kMinFinalFilterWidth, kMaxFinalFilterWidth);
    const std::size_t n = work.points;
    const auto maxBefore = static_cast<std::size_t>(w);
    const auto maxAfter = static_cast<std::size_t>(aheadOf(w));

    copyHead(work.filterSmooth1, work.filterSmooth2);
    RunningMean window(work.filterSmooth1);
    std::size_t before = 1;
    std::size_t after = 1;
    for (std::size_t i = kSecondPassStart; i < n; ++i) {
        work.filterSmooth2[i] = window.mean(i - before, std::min(i + after - 1, n - 1));
        if (after != maxAfter) {
            ++after;
        }
        if (before != maxBefore) {
            ++before;
        }
    }
    work.filterSmooth2[n] = kCurveEndMark;
}

void BandCut(FilterWork& work, std::int32_t tolerance) {
    tolerance = std::clamp(tolerance, -2 * kMaxCutCm, 2 * kMaxCutCm);
    copyInputToWork(work);
    std::vector<std::int32_t>& f = work.filterWork;
    const std::vector<std::int32_t>& ref = work.filterSmooth2;
    const std::size_t n = work.points;

    std::size_t j = 0;
    std::size_t k = 1;
    std::int64_t t = tolerance;
    std::int64_t d = 0;
    // The last point is never tested: the scan needs the reference one point ahead.
    while (k + 1 < n) {
        // Ten times the half central difference of the reference, in tenths of a centimetre.
        d += 5 * (std::int64_t{ref[k + 1]} - ref[k - 1]);
        if (insideBand(f[k], ref[k], d, t)) {
            t = tolerance;
            if (k != j + 1) {
                // Slope in tenths of a centimetre per sample, from the anchor's unrepaired value.
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
            if (k - j > kBandCutRestartRun) {
                const std::int64_t restarts = bandCutRestartsUntilAccepted(f, ref, j, t);
                // d has summed one full scan so far; every restart adds the same amount again.
                d *= restarts;
                t += restarts * kBandCutLoosenCm;
                k = j;
            }
            ++k;
        }
    }
}

void FilterAltitude(FilterWork& work, const FilterParams& params) {
    const FilterParams p = clampedFilterParams(params);
    PreCut(work, p.preCutCm);
    SmoothFirst(work, p.prefilterWidth);
    SmoothSecond(work, p.finalFilterWidth);
    BandCut(work, 2 * p.finalCutCm);
    for (std::int32_t cycle = 0; cycle < kFollowUpCycles; ++cycle) {
        SmoothFirst(work, p.prefilterWidth);
        SmoothSecond(work, p.finalFilterWidth);
        BandCut(work, p.finalCutCm);
    }
}

} // namespace kestrom
