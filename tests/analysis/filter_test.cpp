#include "analysis/filter.h"
#include "analysis/filter_plot.h"
#include "plain_filter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <random>
#include <vector>

namespace kestrom {
namespace {

using Curve = std::vector<std::int32_t>;

Curve marked(Curve points) {
    points.push_back(kCurveEndMark);
    return points;
}

// The filter's output for points (without the mark), as the Filter button takes it.
Curve filtered(const Curve& points, const FilterParams& params = {}) {
    FilterWork work;
    const Curve curve = marked(points);
    return filterCurve(work, curve, params, false, 0).filteredCm;
}

Curve preCut(const Curve& points, std::int32_t allowance) {
    FilterWork work;
    loadFilterInput(work, marked(points));
    PreCut(work, allowance);
    return Curve(work.filterWork.begin(),
                 work.filterWork.begin() + static_cast<long>(points.size()));
}

// BandCut of input against a reference curve given in filterSmooth2.
Curve bandCut(const Curve& input, const Curve& reference, std::int32_t tolerance) {
    FilterWork work;
    loadFilterInput(work, marked(input));
    std::copy(reference.begin(), reference.end(), work.filterSmooth2.begin());
    BandCut(work, tolerance);
    return Curve(work.filterWork.begin(),
                 work.filterWork.begin() + static_cast<long>(input.size()));
}

Curve flat(std::size_t n, std::int32_t value = 0) { return Curve(n, value); }

TEST(PreCutTest, RepairsRunsWithWholeCentimetreLines) {
    struct Case {
        const char* name;
        Curve input;
        std::int32_t allowance;
        Curve expected;
    };
    const Case cases[] = {
        {"spike between neighbours", {0, 10, 2000, 30, 40}, 350, {0, 10, 20, 30, 40}},
        // step = 5 / 2 truncates to 2, so the accepted point itself moves from 5 to 4.
        {"truncated slope moves the accepted point", {0, 0, 1000, 5}, 350, {0, 0, 2, 4}},
        {"negative slope truncates toward zero", {0, 0, -1000, -5}, 350, {0, 0, -2, -4}},
        // A difference equal to the allowance is rejected: the limit is strict.
        {"limit is strict", {0, 350, 0}, 350, {0, 0, 0}},
        {"just below the limit is kept", {0, 349, 0}, 350, {0, 349, 0}},
        // Points after the last accepted point keep their raw values.
        {"unaccepted tail stays raw", {0, 0, 5000}, 350, {0, 0, 5000}},
        {"first point never changes", {9000, 0, 0, 0}, 350, {9000, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(preCut(c.input, c.allowance), c.expected) << c.name;
    }
}

TEST(PreCutTest, SteepClimbIsFollowedAfterRestarts) {
    // 1000 cm per sample is far above the 350 allowance; restarts loosen the limit until it fits.
    Curve climb(300);
    for (std::size_t i = 0; i < climb.size(); ++i) {
        climb[i] = static_cast<std::int32_t>(i) * 1000;
    }
    EXPECT_EQ(preCut(climb, 350), climb);

    // The whole filter follows the climb too: no point is pulled towards the ground.
    const Curve out = filtered(climb);
    ASSERT_EQ(out.size(), climb.size());
    EXPECT_EQ(out.front(), 0);
    EXPECT_EQ(out.back(), climb.back());
    for (std::size_t i = 0; i < out.size(); ++i) {
        EXPECT_NEAR(out[i], climb[i], 1000) << "point " << i;
    }
}

TEST(BandCutTest, RepairsInTenthsAndNeverTestsTheLastPoint) {
    const Curve reference = flat(8);
    struct Case {
        const char* name;
        Curve input;
        Curve expected;
    };
    const Case cases[] = {
        // Slope 10 x 9 / 3 = 30 tenths per sample: 3, 6, 9.
        {"line in tenths", {0, 0, 1000, 1000, 9, 0, 0, 0}, {0, 0, 3, 6, 9, 0, 0, 0}},
        {"single spike", {0, 0, 0, 700, 0, 0, 0, 0}, flat(8)},
        {"band edge is inclusive", {0, 50, -50, 0, 0, 0, 0, 0}, {0, 50, -50, 0, 0, 0, 0, 0}},
        {"last point is never tested", {0, 0, 0, 0, 0, 0, 0, 900}, {0, 0, 0, 0, 0, 0, 0, 900}},
        {"first point is never tested", {900, 0, 0, 0, 0, 0, 0, 0}, {900, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(bandCut(c.input, reference, 50), c.expected) << c.name;
    }
}

TEST(BandCutTest, DriftOfTheReferenceWidensTheBand) {
    // The reference climbs 100 cm per sample while the raw curve stays put: the band follows the
    // change of the reference since the anchor, so the flat raw points stay accepted.
    Curve reference(8);
    for (std::size_t i = 0; i < reference.size(); ++i) {
        reference[i] = static_cast<std::int32_t>(i) * 100;
    }
    const Curve input = flat(8);
    EXPECT_EQ(bandCut(input, reference, 10), input);
}

TEST(BandCutTest, LongRejectedRunRestartsWithLooserTolerance) {
    // From point 10 on the curve lies 60 cm off a flat reference with a 50 cm band. After more
    // than 45 rejections the scan restarts with the tolerance 1 cm wider each time until the next
    // point fits, so every point keeps its raw value; without restarts nothing after point 9
    // would be accepted and the run would stay raw only by accident of the end.
    Curve input = flat(100);
    for (std::size_t i = 10; i < input.size(); ++i) {
        input[i] = 60;
    }
    EXPECT_EQ(bandCut(input, flat(100), 50), input);

    // A run that ends within reach is bridged instead: the scan accepts the first point back on
    // the reference and draws the line to it from the last point that fitted.
    Curve shortRun = flat(100);
    for (std::size_t i = 10; i < 70; ++i) {
        shortRun[i] = 60;
    }
    const Curve out = bandCut(shortRun, flat(100), 50);
    EXPECT_EQ(Curve(out.begin(), out.begin() + 25), Curve(shortRun.begin(), shortRun.begin() + 25));
    EXPECT_NEAR(out[70], 0, 1); // the line's slope in tenths truncates toward zero
    EXPECT_GT(out[40], 0);
    EXPECT_LT(out[40], 60);
}

TEST(FilterTest, ConstantCurveIsUnchangedAndShowsItsExtremes) {
    struct Case {
        std::int32_t constantCm;
        const char* maxText;
        const char* minText;
    };
    // Maximum starts at 0 and minimum at 50.0 m.
    const Case cases[] = {
        {0, "0.0", "0.0"},      {1234, "12.3", "12.3"},  {1225, "12.3", "12.3"},
        {-250, "0.0", "-2.5"},  {-1225, "0.0", "-12.3"}, {4999, "50.0", "50.0"},
        {5000, "50.0", "50.0"}, {6000, "60.0", "50.0"},  {-4, "0.0", "0.0"},
    };
    for (const Case& c : cases) {
        for (const std::size_t n : {3U, 42U, 43U, 150U, 2000U}) {
            FilterWork work;
            const Curve curve = marked(flat(n, c.constantCm));
            const FilterPlot plot = filterCurve(work, curve, {}, false, 0);
            EXPECT_EQ(plot.filteredCm, flat(n, c.constantCm)) << c.constantCm << " n=" << n;
            EXPECT_EQ(plot.maxText, c.maxText) << c.constantCm;
            EXPECT_EQ(plot.minText, c.minText) << c.constantCm;
        }
    }
}

TEST(FilterTest, SingleSpikeComesOutFlat) {
    for (const std::size_t at : {1U, 2U, 41U, 42U, 100U, 500U, 997U}) {
        Curve curve = flat(1000, 700);
        curve[at] += 1000;
        EXPECT_EQ(filtered(curve), flat(1000, 700)) << "spike at " << at;
    }
}

TEST(FilterTest, SpikeInTheFirstOrLastPointSurvives) {
    Curve first = flat(500);
    first.front() = 1000;
    EXPECT_EQ(filtered(first).front(), 1000);

    Curve last = flat(500);
    last.back() = 1000;
    const Curve out = filtered(last);
    EXPECT_EQ(out.back(), 1000);
    EXPECT_EQ(Curve(out.begin(), out.end() - 1), flat(499));
}

TEST(FilterTest, RawCurveIsNeverChangedSoFilteringTwiceGivesTheSameCurve) {
    std::mt19937 random(7);
    std::uniform_int_distribution<std::int32_t> noise(-40, 40);
    Curve points(3000);
    for (std::size_t i = 0; i < points.size(); ++i) {
        points[i] = static_cast<std::int32_t>(i % 700) * 12 + noise(random);
    }
    points[1200] += 3000;
    const Curve curve = marked(points);
    const Curve copy = curve;

    FilterWork work;
    const FilterPlot once = filterCurve(work, curve, {}, false, 0);
    const FilterPlot twice = filterCurve(work, curve, {}, false, 0);
    EXPECT_EQ(curve, copy);
    EXPECT_EQ(once.filteredCm, twice.filteredCm);
    EXPECT_EQ(once.maxText, twice.maxText);
    // The raw companion series shows the unfiltered curve.
    ASSERT_EQ(once.rawPoints.size(), points.size());
    EXPECT_FLOAT_EQ(once.rawPoints[1200], static_cast<float>(points[1200] * 0.01));
    EXPECT_NE(once.filteredCm[1200], points[1200]);
}

TEST(FilterTest, ShortCurvesStopAtTheEndMark) {
    // Whatever the length, the result has one value per point and a constant stays constant; a
    // curve of 42 points or fewer gets no second pass but no stage reads past its mark.
    for (std::size_t n = 0; n <= 120; ++n) {
        const Curve out = filtered(flat(n, 321));
        EXPECT_EQ(out, flat(n, 321)) << "n=" << n;
    }
}

TEST(FilterTest, CurveWithoutMarkIsCutToTheArrays) {
    FilterWork work;
    const Curve unmarked(kCurveLength + 50, 5);
    EXPECT_EQ(loadFilterInput(work, unmarked), kCurveLength - 1);
    EXPECT_EQ(work.filterInput[kCurveLength - 1], kCurveEndMark);
}

TEST(FilterTest, OutOfRangeParametersRunAsTheirClampedValues) {
    std::mt19937 random(11);
    std::uniform_int_distribution<std::int32_t> step(-300, 300);
    Curve points(800);
    for (std::size_t i = 1; i < points.size(); ++i) {
        points[i] = points[i - 1] + step(random);
    }
    struct Case {
        FilterParams typed;
        FilterParams clamped;
    };
    const Case cases[] = {
        {{350, 250, 0, 12}, {350, 250, 1, 12}},
        {{350, 250, -7, 12}, {350, 250, 1, 12}},
        {{350, 250, 1000, 12}, {350, 250, 100, 12}},
        {{350, 250, 8, 0}, {350, 250, 8, 1}},
        {{350, 250, 8, -40}, {350, 250, 8, 1}},
        {{350, 250, 8, 2147483647}, {350, 250, 8, 17000}},
        {{-2147483647 - 1, 250, 8, 12}, {-kMaxCutCm, 250, 8, 12}},
        {{350, -2147483647 - 1, 8, 12}, {350, -kMaxCutCm, 8, 12}},
        {{2147483647, 2147483647, 8, 12}, {kMaxCutCm, kMaxCutCm, 8, 12}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(clampedFilterParams(c.typed), c.clamped);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(filtered(points, c.typed), filtered(points, c.clamped));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    }
}

TEST(FilterTest, ExtremeValuesFinish) {
    // Wrapping arithmetic and restarts must still end on curves far beyond real altitudes.
    std::mt19937 random(3);
    std::uniform_int_distribution<std::int32_t> value(-300'000'000, 300'000'000);
    Curve points(2000);
    for (std::size_t i = 0; i < points.size(); ++i) {
        points[i] = (i / 50) % 2 == 0 ? value(random) : static_cast<std::int32_t>(i) * 100'000;
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(filtered(points).size(), points.size());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

// Curves with noise, spikes, level jumps and steep stretches, so that both cut stages restart.
Curve roughCurve(std::mt19937& random, std::size_t n, std::int32_t jumpCm) {
    std::uniform_int_distribution<std::int32_t> noise(-60, 60);
    std::uniform_int_distribution<std::int32_t> jump(-jumpCm, jumpCm);
    std::uniform_int_distribution<int> event(0, 99);
    Curve points(n);
    std::int32_t level = 0;
    std::int32_t slope = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const int e = event(random);
        if (e == 0) {
            level += jump(random); // lasting jump
        } else if (e == 1) {
            slope = jump(random) / 10; // steep stretch
        } else if (e == 2) {
            slope = 0;
        }
        level += slope;
        points[i] = level + noise(random) + (e == 3 ? jump(random) : 0); // e == 3: spike
    }
    return points;
}

TEST(FilterTest, StagesEqualTheirPlainForm) {
    std::mt19937 random(5);
    for (int trial = 0; trial < 60; ++trial) {
        const std::size_t n = std::uniform_int_distribution<std::size_t>(0, 1500)(random);
        FilterParams params;
        params.preCutCm = std::uniform_int_distribution<std::int32_t>(-300, 600)(random);
        params.finalCutCm = std::uniform_int_distribution<std::int32_t>(-200, 400)(random);
        params.prefilterWidth = std::uniform_int_distribution<std::int32_t>(1, 100)(random);
        params.finalFilterWidth = std::uniform_int_distribution<std::int32_t>(1, 200)(random);
        const Curve points = roughCurve(random, n, trial % 3 == 0 ? 20000 : 3000);
        const std::string where = "trial " + std::to_string(trial) + " n=" + std::to_string(n);

        FilterWork fast;
        loadFilterInput(fast, marked(points));
        FilterWork plainWork = fast;
        PreCut(fast, params.preCutCm);
        plain::preCut(plainWork, params.preCutCm);
        ASSERT_EQ(fast.filterWork, plainWork.filterWork) << where;
        SmoothFirst(fast, params.prefilterWidth);
        plain::smoothFirst(plainWork, params.prefilterWidth);
        ASSERT_EQ(fast.filterSmooth1, plainWork.filterSmooth1) << where;
        SmoothSecond(fast, params.finalFilterWidth);
        plain::smoothSecond(plainWork, params.finalFilterWidth);
        ASSERT_EQ(fast.filterSmooth2, plainWork.filterSmooth2) << where;
        BandCut(fast, params.finalCutCm);
        plain::bandCut(plainWork, params.finalCutCm);
        ASSERT_EQ(fast.filterWork, plainWork.filterWork) << where;

        FilterAltitude(fast, params);
        plain::filterAltitude(plainWork, params);
        ASSERT_EQ(fast.filterWork, plainWork.filterWork) << where;
    }
}

TEST(FilterTest, WrappingMeansEqualThePlainForm) {
    // Values near the 32-bit limits make the window sums wrap; both forms must wrap alike.
    std::mt19937 random(9);
    std::uniform_int_distribution<std::int32_t> value(-2'000'000'000, 2'000'000'000);
    for (const std::int32_t w : {1, 8, 50, 100}) {
        Curve points(700);
        for (auto& p : points) {
            p = value(random);
        }
        FilterWork fast;
        loadFilterInput(fast, marked(points));
        std::copy(fast.filterInput.begin(), fast.filterInput.end(), fast.filterWork.begin());
        FilterWork plainWork = fast;
        SmoothFirst(fast, w);
        plain::smoothFirst(plainWork, w);
        EXPECT_EQ(fast.filterSmooth1, plainWork.filterSmooth1) << w;
        SmoothSecond(fast, w);
        plain::smoothSecond(plainWork, w);
        EXPECT_EQ(fast.filterSmooth2, plainWork.filterSmooth2) << w;
    }
}

TEST(FilterPlotTest, SecondLabelsFallOnWholeSeconds) {
    struct Case {
        std::uint32_t rateTimes10;
        std::size_t labelledEvery;
        int secondsPerLabel;
    };
    const Case cases[] = {{200, 20, 1}, {150, 15, 1}, {100, 10, 1}, {10, 1, 1}, {5, 1, 2}};
    for (const Case& c : cases) {
        FilterWork work;
        const std::optional<FilterPlot> plot =
            filterRecorderFlight(work, marked(flat(100)), {}, 32, c.rateTimes10);
        ASSERT_TRUE(plot);
        ASSERT_EQ(plot->filteredPoints.size(), 100U);
        for (std::size_t i = 0; i < 100; ++i) {
            const std::string expected =
                i % c.labelledEvery == 0
                    ? std::to_string(static_cast<int>(i / c.labelledEvery) * c.secondsPerLabel)
                    : "";
            EXPECT_EQ(plot->filteredPoints[i].label, expected) << c.rateTimes10 << " point " << i;
        }
    }
}

TEST(FilterPlotTest, ButtonsNeedThirtyTwoWordsOrBytes) {
    FilterWork work;
    const Curve curve = marked(flat(10, 100));
    EXPECT_FALSE(filterRecorderFlight(work, curve, {}, 31, 200));
    EXPECT_TRUE(filterRecorderFlight(work, curve, {}, 32, 200));
    EXPECT_FALSE(filterCompareFlight(work, curve, {}, 31));
    const std::optional<FilterPlot> compare = filterCompareFlight(work, curve, {}, 32);
    ASSERT_TRUE(compare);
    for (const Series1Point& p : compare->filteredPoints) {
        EXPECT_TRUE(p.label.empty());
    }
}

} // namespace
} // namespace kestrom
