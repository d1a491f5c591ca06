#include "analysis/shown_flights.h"
#include "flight/flight_header.h"
#include "flight/generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace kestrom {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr unsigned k20PerSecond = 0;
constexpr unsigned k10PerSecond = 2;
constexpr unsigned k5PerSecond = 3;

// A flight of the given rate whose altitude is heightM(seconds) above its start, the raw words
// made for the default calibration at 20 degrees; spikeAt puts a 40 m spike on that sample.
Bytes flightOf(unsigned rateCode, double seconds, const std::function<double(double)>& heightM,
               std::size_t spikeAt = 0) {
    Bytes bytes = generateFlight({.rateCode = rateCode});
    bytes.resize(kHeaderBytes);
    const Calibration cal;
    const std::uint16_t ut = rawTemperatureFor(20.0, cal);
    const double perSecond = static_cast<double>(kRateTimes10[rateCode]) / 10.0;
    const auto samples = static_cast<std::size_t>(seconds * perSecond);
    for (std::size_t i = 0; i < samples; ++i) {
        const double h = heightM(static_cast<double>(i) / perSecond) + (i == spikeAt ? 40.0 : 0.0);
        const std::size_t at = bytes.size();
        writeU16le(bytes, at, ut);
        writeU16le(bytes, at + 2,
                   rawPressureFor(98500.0 * std::pow(1.0 - h / 44330.0, 5.255), ut, cal));
    }
    return bytes;
}

double climb(double t) { return t < 2.0 ? 0.0 : 0.5 * (t - 2.0); } // 0.5 m/s after 2 s

ShownFlights withRecorder(const Bytes& bytes, bool accelView = true) {
    ShownFlights m;
    m.accelView = accelView;
    return loadRecorder(std::move(m), FlightImage(bytes));
}

ShownFlights withComparison(ShownFlights m, const Bytes& bytes) {
    CompareLoad loaded = loadComparison(std::move(m), bytes);
    EXPECT_TRUE(loaded.status.ok());
    return std::move(loaded.model);
}

// Where a time in seconds lies on the chart's time axis.
double keyAt(const ShownFlights& m, FlightSide side, double seconds) {
    return seconds / secondsPerPoint(m, side) * chartUnitsPerPoint(m, side);
}

struct RatePair {
    const char* name;
    unsigned recorderRate;
    unsigned compareRate;
    FlightSide side;
};

class MeasuringAtAnyRates : public testing::TestWithParam<RatePair> {};

// Shift+drag from 30 s to 90 s on either curve: the marks at those times, Δt 60 s, Δh 30 m.
TEST_P(MeasuringAtAnyRates, PicksThePointsUnderThePointerAndGivesSeconds) {
    const RatePair& p = GetParam();
    ShownFlights m = withComparison(withRecorder(flightOf(p.recorderRate, 120, climb)),
                                    flightOf(p.compareRate, 120, climb));
    const auto from = nearestPoint(m, p.side, keyAt(m, p.side, 30.0));
    const auto to = nearestPoint(m, p.side, keyAt(m, p.side, 90.0));
    ASSERT_TRUE(from && to);
    EXPECT_NEAR(static_cast<double>(*from) * secondsPerPoint(m, p.side), 30.0, 1e-9);
    m = selectPoints(std::move(m), p.side, *from, *to);
    const auto measured = measuredSelection(m);
    ASSERT_TRUE(measured && measured->deltaSeconds);
    EXPECT_NEAR(*measured->deltaSeconds, 60.0, 1e-9);
    EXPECT_NEAR(measured->deltaMetres, 30.0, 0.5);
}

INSTANTIATE_TEST_SUITE_P(
    ShownFlights, MeasuringAtAnyRates,
    testing::Values(
        RatePair{"Comparison20OnRecorder10", k10PerSecond, k20PerSecond, FlightSide::Comparison},
        RatePair{"Comparison5OnRecorder20", k20PerSecond, k5PerSecond, FlightSide::Comparison},
        RatePair{"Recorder10UnderComparison20", k10PerSecond, k20PerSecond, FlightSide::Recorder}),
    [](const testing::TestParamInfo<RatePair>& p) { return std::string(p.param.name); });

TEST(ShownFlightsTest, PickingTakesTheNearestPointNotTheOneBefore) {
    const ShownFlights m = withComparison(withRecorder(flightOf(k10PerSecond, 60, climb)),
                                          flightOf(k20PerSecond, 60, climb));
    // The recorder's samples are one axis unit apart, the comparison's half a unit.
    EXPECT_EQ(nearestPoint(m, FlightSide::Recorder, 12.4), 12u);
    EXPECT_EQ(nearestPoint(m, FlightSide::Recorder, 12.6), 13u);
    EXPECT_EQ(nearestPoint(m, FlightSide::Comparison, 12.2), 24u);
    EXPECT_EQ(nearestPoint(m, FlightSide::Comparison, 12.4), 25u);
}

struct CurveChange {
    const char* name;
    std::function<ShownFlights(ShownFlights, FilterWork&)> apply;
};

class SelectionFollowsItsCurve : public testing::TestWithParam<CurveChange> {};

// The selection's numbers always come from the curve as it is drawn now.
TEST_P(SelectionFollowsItsCurve, NumbersRecomputedFromTheNewCurve) {
    FilterWork work;
    ShownFlights m = withRecorder(flightOf(k10PerSecond, 60, climb, 300), false);
    m = selectPoints(std::move(m), FlightSide::Recorder, 100, 300);
    const double before = measuredSelection(m)->deltaMetres;
    m = GetParam().apply(std::move(m), work);
    ASSERT_TRUE(m.selection);
    const std::vector<double> curve = curveMetres(m, ShownCurve::RecorderAltitude);
    const auto measured = measuredSelection(m);
    ASSERT_TRUE(measured);
    EXPECT_DOUBLE_EQ(measured->deltaMetres, curve[300] - curve[100]);
    EXPECT_NE(measured->deltaMetres, before);
}

INSTANTIATE_TEST_SUITE_P(
    ShownFlights, SelectionFollowsItsCurve,
    testing::Values(CurveChange{"TemperatureEntry",
                                [](ShownFlights m, FilterWork& w) {
                                    return recorderTemperatureEntered(std::move(m), "-10", w).model;
                                }},
                    CurveChange{"Filter",
                                [](ShownFlights m, FilterWork& w) {
                                    return filterRecorder(std::move(m), FilterParams{}, w);
                                }},
                    CurveChange{"FilteredThenTemperature",
                                [](ShownFlights m, FilterWork& w) {
                                    m = filterRecorder(std::move(m), FilterParams{}, w);
                                    return recorderTemperatureEntered(std::move(m), "35", w).model;
                                }},
                    CurveChange{"FilteredThenDhdtOn",
                                [](ShownFlights m, FilterWork& w) {
                                    m = filterRecorder(std::move(m), FilterParams{}, w);
                                    return setAccelView(std::move(m), true, w);
                                }}),
    [](const testing::TestParamInfo<CurveChange>& p) { return std::string(p.param.name); });

TEST(ShownFlightsTest, SelectionClearedWhenItsFlightChangesOrGoes) {
    const Bytes recorder = flightOf(k10PerSecond, 60, climb);
    const Bytes comparison = flightOf(k20PerSecond, 60, climb);
    const ShownFlights both = withComparison(withRecorder(recorder), comparison);
    struct Case {
        const char* name;
        FlightSide side;
        std::function<ShownFlights(ShownFlights)> apply;
        bool kept;
    };
    const Case cases[] = {
        {"download starts", FlightSide::Recorder, [](ShownFlights m) { return startDownload(m); },
         false},
        {"download starts, comparison", FlightSide::Comparison,
         [](ShownFlights m) { return startDownload(m); }, true},
        {"recorder loaded", FlightSide::Recorder,
         [&](ShownFlights m) { return loadRecorder(m, FlightImage(recorder)); }, false},
        {"comparison loaded", FlightSide::Comparison,
         [&](ShownFlights m) { return withComparison(m, comparison); }, false},
        {"comparison loaded, recorder", FlightSide::Recorder,
         [&](ShownFlights m) { return withComparison(m, comparison); }, true},
        {"mark off", FlightSide::Comparison,
         [](ShownFlights m) { return setComparisonMark(m, false); }, false},
        {"curve clicked off", FlightSide::Recorder,
         [](ShownFlights m) { return takeCurveOff(m, ShownCurve::RecorderAltitude); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ShownFlights after = c.apply(selectPoints(both, c.side, 10, 200));
        EXPECT_EQ(after.selection.has_value(), c.kept);
    }
    // A download leaves nothing of the recorder flight to measure on until it is drawn again.
    const ShownFlights downloading = startDownload(both);
    EXPECT_TRUE(curveMetres(downloading, ShownCurve::RecorderAltitude).empty());
    EXPECT_FALSE(selectPoints(downloading, FlightSide::Recorder, 0, 1).selection);
}

TEST(ShownFlightsTest, ComparisonFilterWithTheMarkOffDrawsItAndTheReportShowsIt) {
    FilterWork work;
    ShownFlights m = withComparison(withRecorder(flightOf(k10PerSecond, 60, climb)),
                                    flightOf(k20PerSecond, 60, climb));
    m = setComparisonMark(std::move(m), false);
    ASSERT_EQ(windowReportPages(m).size(), 1u);
    m = filterComparison(std::move(m), FilterParams{}, work);
    EXPECT_FALSE(m.comparisonMark);
    EXPECT_FALSE(curveMetres(m, ShownCurve::CompareAltitude).empty());
    EXPECT_FALSE(curveMetres(m, ShownCurve::CompareRaw).empty());
    const std::vector<FlightPage> pages = windowReportPages(m);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[1].side, FlightSide::Comparison);
    ASSERT_TRUE(pages[1].filtered);
    EXPECT_EQ(pages[1].filtered->maxText, m.compareMaxText);
}

TEST(ShownFlightsTest, ReportFiltersWithTheParametersOnScreen) {
    FilterWork work;
    const FilterParams narrow{100, 50, 3, 5};
    ShownFlights m = withRecorder(flightOf(k10PerSecond, 60, climb, 200));
    EXPECT_FALSE(windowReportPages(m).at(0).filtered);
    m = filterRecorder(std::move(m), narrow, work);
    const FlightPage page = windowReportPages(m).at(0);
    ASSERT_TRUE(page.filtered);
    EXPECT_EQ(page.filtered->filteredCm, m.recorderFiltered->filteredCm);
    EXPECT_EQ(page.filtered->maxText, m.recorderMaxText);
    EXPECT_FALSE(page.dhdt.empty());
    EXPECT_EQ(page.raw.size(), page.altitude.size());
}

TEST(ShownFlightsTest, ComparisonPageIsTheComparisonAsShown) {
    FilterWork work;
    GeneratorOptions options;
    options.rateCode = k20PerSecond;
    ShownFlights m = withComparison(ShownFlights{}, generateFlight(options));
    m = comparisonTemperatureEntered(std::move(m), "5", work).model;
    const std::vector<FlightPage> pages = windowReportPages(m);
    ASSERT_EQ(pages.size(), 1u);
    const FlightPage& page = pages[0];
    const std::vector<double> shown = curveMetres(m, ShownCurve::CompareAltitude);
    ASSERT_EQ(page.altitude.size(), shown.size());
    for (std::size_t i = 0; i < shown.size(); i += 97) {
        EXPECT_DOUBLE_EQ(static_cast<double>(page.altitude[i].value), shown[i]) << i;
    }
    EXPECT_EQ(page.altitude[200].label, "10"); // whole seconds on its own time axis
    EXPECT_TRUE(page.dhdt.empty());
    ASSERT_FALSE(m.compareMaxText.empty());
    EXPECT_EQ(page.maxText, m.compareMaxText);
    EXPECT_EQ(page.minText, m.compareMinText);
}

// A flight drawn again (temperature entry, dh/dt switch) is filtered again with the parameters
// its button used, whatever the dialog holds now; a new comparison is not filtered.
TEST(ShownFlightsTest, RedrawnFlightsAreFilteredAgainWithTheirOwnParameters) {
    const FilterParams pressed{200, 150, 5, 9};
    FilterWork work;
    ShownFlights start = withComparison(withRecorder(flightOf(k20PerSecond, 40, climb, 300), false),
                                        flightOf(k10PerSecond, 40, climb, 150));
    start = filterRecorder(std::move(start), pressed, work);
    start = filterComparison(std::move(start), pressed, work);
    const std::function<ShownFlights(ShownFlights)> redraws[] = {
        [&](ShownFlights m) { return recorderTemperatureEntered(m, "-5", work).model; },
        [&](ShownFlights m) { return setAccelView(m, true, work); },
        [&](ShownFlights m) { return comparisonTemperatureEntered(m, "35", work).model; },
    };
    for (const auto& redraw : redraws) {
        const ShownFlights m = redraw(start);
        FilterWork check;
        const auto recorder = filterRecorderFlight(check, m.recorder.evaluation.altitudeCm, pressed,
                                                   m.recorder.wordCount, m.recorder.rateTimes10);
        ASSERT_TRUE(recorder && m.recorderFiltered);
        EXPECT_EQ(m.recorderFiltered->filteredCm, recorder->filteredCm);
        EXPECT_EQ(m.recorderMaxText, centimetresText(recorder->maxCm));
        EXPECT_EQ(curveMetres(m, ShownCurve::RecorderRaw).size(), recorder->rawPoints.size());
        const auto compare = filterCompareFlight(check, m.comparison.evaluation.compareAltitudeCm,
                                                 pressed, m.comparison.compareSampleBytes);
        ASSERT_TRUE(compare && m.compareFiltered);
        EXPECT_EQ(m.compareFiltered->filteredCm, compare->filteredCm);
        // The spike stays out of the solid curve.
        const std::vector<double> raw = curveMetres(m, ShownCurve::RecorderRaw);
        const std::vector<double> solid = curveMetres(m, ShownCurve::RecorderAltitude);
        EXPECT_LT(*std::max_element(solid.begin(), solid.end()),
                  *std::max_element(raw.begin(), raw.end()) - 5.0);
    }
    const ShownFlights fresh = withComparison(start, flightOf(k10PerSecond, 40, climb));
    EXPECT_FALSE(fresh.compareFilter);
    EXPECT_TRUE(curveMetres(fresh, ShownCurve::CompareRaw).empty());
    EXPECT_TRUE(comparisonTemperatureEntered(fresh, "20", work).model.compareFiltered ==
                std::nullopt);
}

// A temperature entry evaluates its own flight only; the recorder flight is evaluated the same
// with a comparison beside it or without.
TEST(ShownFlightsTest, TemperatureEntryRedrawsOnlyItsFlight) {
    FilterWork work;
    const ShownFlights alone = withRecorder(flightOf(k10PerSecond, 40, climb));
    const ShownFlights both = withComparison(alone, flightOf(k5PerSecond, 40, climb));
    const ShownFlights colder = recorderTemperatureEntered(both, "-7", work).model;
    EXPECT_EQ(curveMetres(colder, ShownCurve::RecorderAltitude),
              curveMetres(recorderTemperatureEntered(alone, "-7", work).model,
                          ShownCurve::RecorderAltitude));
    EXPECT_NE(curveMetres(colder, ShownCurve::RecorderAltitude),
              curveMetres(both, ShownCurve::RecorderAltitude));
    EXPECT_EQ(curveMetres(colder, ShownCurve::CompareAltitude),
              curveMetres(both, ShownCurve::CompareAltitude));
    const ShownFlights warmer = comparisonTemperatureEntered(colder, "40", work).model;
    EXPECT_NE(curveMetres(warmer, ShownCurve::CompareAltitude),
              curveMetres(colder, ShownCurve::CompareAltitude));
    EXPECT_EQ(curveMetres(warmer, ShownCurve::RecorderAltitude),
              curveMetres(colder, ShownCurve::RecorderAltitude));
    EXPECT_EQ(curveMetres(warmer, ShownCurve::RecorderDhdt),
              curveMetres(colder, ShownCurve::RecorderDhdt));
}

// A download made ready off the window's thread shows as one taken in whole on it, also when
// the dh/dt view was switched while the flight arrived, and when the stream held no flight.
TEST(ShownFlightsTest, PreparedDownloadShowsAsOneTakenOnTheSpot) {
    const Bytes flight = flightOf(k10PerSecond, 50, climb);
    const ShownFlights before = withComparison(ShownFlights{}, flightOf(k20PerSecond, 20, climb));
    struct Case {
        const char* name;
        bool delivered;
        bool viewWhenStarted;
        bool viewAtTheEnd;
    };
    const Case cases[] = {
        {"dh/dt on throughout", true, true, true},
        {"dh/dt off throughout", true, false, false},
        {"dh/dt switched on meanwhile", true, false, true},
        {"dh/dt switched off meanwhile", true, true, false},
        {"no new flight", false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShownFlights m = startDownload(before);
        m.accelView = c.viewAtTheEnd;
        const ShownFlights plain = showDownloaded(m, FlightImage(flight), 4321, c.delivered);
        const ShownFlights prepared = showDownloaded(
            m, prepareDownloaded(FlightImage(flight), 4321, c.delivered, c.viewWhenStarted));
        EXPECT_EQ(prepared.recorder.flightBytes, 4321u);
        EXPECT_EQ(prepared.recorder.evaluated, c.delivered);
        for (const ShownCurve curve : {ShownCurve::RecorderAltitude, ShownCurve::RecorderDhdt,
                                       ShownCurve::CompareAltitude}) {
            EXPECT_EQ(curveMetres(prepared, curve), curveMetres(plain, curve));
        }
        EXPECT_EQ(curveMetres(prepared, ShownCurve::RecorderDhdt).empty(),
                  !(c.delivered && c.viewAtTheEnd));
        EXPECT_EQ(prepared.recorderMaxText, plain.recorderMaxText);
        EXPECT_EQ(prepared.leftAxis.maximum, plain.leftAxis.maximum);
    }
}

// The comparison lies at its own times on the recorder flight's axis, alone at its own points.
TEST(ShownFlightsTest, ComparisonFollowsTheRecorderRate) {
    const Bytes comparison = flightOf(k20PerSecond, 20, climb);
    const ShownFlights alone = withComparison(ShownFlights{}, comparison);
    EXPECT_EQ(chartUnitsPerPoint(alone, FlightSide::Comparison), 1.0);
    EXPECT_EQ(
        chartUnitsPerPoint(loadRecorder(alone, FlightImage(flightOf(k10PerSecond, 20, climb))),
                           FlightSide::Comparison),
        0.5);
}

// The comparison mark, Filtr and the temperature entries keep their written behaviour.
TEST(ShownFlightsTest, MarkAndTemperatureEntryKeepTheirRules) {
    FilterWork work;
    ShownFlights m = withComparison(withRecorder(flightOf(k10PerSecond, 60, climb)),
                                    flightOf(k20PerSecond, 60, [](double t) { return 3 * t; }));
    m = filterComparison(std::move(m), FilterParams{}, work);
    m = setComparisonMark(std::move(m), false);
    EXPECT_TRUE(curveMetres(m, ShownCurve::CompareAltitude).empty());
    EXPECT_TRUE(m.compareMaxText.empty());
    EXPECT_TRUE(m.compareFilter); // kept for the next entry
    const TemperatureResult entered = comparisonTemperatureEntered(m, "-5", work);
    EXPECT_EQ(entered.entry, TemperatureEntry::Evaluated);
    EXPECT_TRUE(entered.model.comparisonMark);
    EXPECT_FALSE(curveMetres(entered.model, ShownCurve::CompareRaw).empty());
    // The axis keeps the steep comparison in view.
    for (double v : curveMetres(entered.model, ShownCurve::CompareAltitude)) {
        ASSERT_LE(v, entered.model.leftAxis.maximum);
    }
    // Flights too short for their Filter buttons (30 words, 28 bytes) are left as they were.
    const ShownFlights tiny = withComparison(withRecorder(flightOf(k10PerSecond, 1.5, climb)),
                                             flightOf(k10PerSecond, 0.7, climb));
    ASSERT_TRUE(tiny.recorder.evaluated && tiny.comparison.evaluated);
    EXPECT_FALSE(filterRecorder(tiny, FilterParams{}, work).recorderFilter);
    EXPECT_FALSE(filterComparison(tiny, FilterParams{}, work).compareFiltered);
}

} // namespace
} // namespace kestrom
