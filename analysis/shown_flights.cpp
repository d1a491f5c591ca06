#include "analysis/shown_flights.h"

#include "flight/evaluation.h"
#include "flight/number_format.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <utility>

namespace kestrom {
namespace {

std::uint32_t rateOf(const ShownFlights& m, FlightSide side) {
    return side == FlightSide::Recorder ? m.recorder.rateTimes10 : m.comparison.record.rateTimes10;
}

ShownCurve altitudeOf(FlightSide side) {
    return side == FlightSide::Recorder ? ShownCurve::RecorderAltitude
                                        : ShownCurve::CompareAltitude;
}

void forgetSelectionOn(ShownFlights& m, FlightSide side) {
    if (m.selection && m.selection->side == side) {
        m.selection.reset();
    }
}

void fixLeftAxis(ShownFlights& m, std::optional<double> minimum, std::optional<double> maximum) {
    m.leftAxis.set = true;
    if (minimum) {
        m.leftAxis.minimum = *minimum;
    }
    if (maximum) {
        m.leftAxis.maximum = *maximum;
    }
}

// The recorder flight's curves go before a new one is shown.
void resetRecorder(ShownFlights& m) {
    m.recorderDrawn = {};
    m.recorderFilter.reset();
    m.recorderFiltered.reset();
    fixLeftAxis(m, 0.0, std::nullopt);
    forgetSelectionOn(m, FlightSide::Recorder);
}

// The recorder flight's evaluation drawn unfiltered, with its extremes and axis.
void drawRecorder(ShownFlights& m) {
    const FlightEvaluation& ev = m.recorder.evaluation;
    m.recorderDrawn.altitude = true;
    m.recorderDrawn.dhdt = true;
    m.recorderDrawn.raw = false;
    m.recorderFiltered.reset();
    m.recorderMaxText = formatOneDecimal(ev.maxAltitude);
    m.recorderMinText = formatOneDecimal(ev.minAltitude);
    m.bottomMinorTicks = ev.bottomMinorTicks;
    fixLeftAxis(m, std::nullopt, static_cast<double>(ev.leftAxisMax));
}

void drawComparison(ShownFlights& m) {
    const CompareEvaluation& ev = m.comparison.evaluation;
    m.compareDrawn.altitude = true;
    m.compareDrawn.raw = false;
    m.compareFiltered.reset();
    fixLeftAxis(m, std::nullopt, ev.leftAxisMax);
    // The minor ticks mark the samples between the recorder flight's second labels; only a
    // comparison alone on the chart sets them from its own rate.
    if (!m.recorder.evaluated) {
        m.bottomMinorTicks = ev.bottomMinorTicks;
    }
    // A field is written only when the evaluation found a maximum or minimum for it.
    if (ev.maxText) {
        m.compareMaxText = *ev.maxText;
    }
    if (ev.minText) {
        m.compareMinText = *ev.minText;
    }
}

void redrawRecorder(ShownFlights& m, FilterWork& work) {
    fixLeftAxis(m, 0.0, std::nullopt);
    drawRecorder(m);
    if (const std::optional<FilterParams> params = m.recorderFilter) {
        m = filterRecorder(std::move(m), *params, work);
    }
    m.leftAxis.maximum = coveringMaximum(m);
}

template <typename Points> std::vector<double> metresOf(const Points& points) {
    std::vector<double> out;
    out.reserve(points.size());
    for (const auto& point : points) {
        if constexpr (std::is_same_v<std::decay_t<decltype(point)>, Series1Point>) {
            out.push_back(static_cast<double>(point.value));
        } else {
            out.push_back(static_cast<double>(point));
        }
    }
    return out;
}

} // namespace

// ---- Actions ------------------------------------------------------------------------------------

ShownFlights startDownload(ShownFlights m) {
    resetRecorder(m);
    m.recorderMaxText = "   ";
    m.recorderMinText = "   ";
    return m;
}

DownloadedFlight prepareDownloaded(FlightImage image, std::uint32_t flightBytes, bool delivered,
                                   bool accelView) {
    DownloadedFlight flight;
    flight.delivered = delivered;
    flight.accelView = accelView;
    setFlightImage(flight.record, std::move(image));
    flight.record.flightBytes = flightBytes;
    if (!delivered) {
        flight.record.wordCount = 0;
    } else {
        evaluateRecord(flight.record, accelView);
    }
    return flight;
}

ShownFlights showDownloaded(ShownFlights m, DownloadedFlight flight) {
    forgetSelectionOn(m, FlightSide::Recorder);
    m.recorder = std::move(flight.record);
    if (!flight.delivered) {
        return m;
    }
    if (flight.accelView != m.accelView) {
        evaluateRecord(m.recorder, m.accelView);
    }
    if (m.recorder.evaluated) {
        drawRecorder(m);
    }
    return m;
}

ShownFlights showDownloaded(ShownFlights m, FlightImage image, std::uint32_t flightBytes,
                            bool delivered) {
    const bool accelView = m.accelView;
    return showDownloaded(std::move(m),
                          prepareDownloaded(std::move(image), flightBytes, delivered, accelView));
}

ShownFlights loadRecorder(ShownFlights m, FlightImage image) {
    resetRecorder(m);
    setFlightImage(m.recorder, std::move(image));
    if (evaluateRecord(m.recorder, m.accelView)) {
        drawRecorder(m);
    }
    return m;
}

CompareLoad loadComparison(ShownFlights m, std::vector<std::uint8_t> fileBytes) {
    Status status = loadCompareFlight(m.comparison, std::move(fileBytes), m.leftAxis.maximum);
    if (!status) {
        return {std::move(m), std::move(status)};
    }
    forgetSelectionOn(m, FlightSide::Comparison);
    // Nothing of an earlier comparison's filtering belongs to this flight.
    m.compareFilter.reset();
    m.compareFiltered.reset();
    m.compareDrawn = {};
    m.comparisonMark = true;
    if (m.comparison.evaluated) {
        drawComparison(m);
    }
    return {std::move(m), std::move(status)};
}

ShownFlights filterRecorder(ShownFlights m, const FilterParams& params, FilterWork& work) {
    const FlightRecord& rec = m.recorder;
    if (!rec.evaluated) {
        return m; // nothing evaluated: no curve to filter
    }
    std::optional<FilterPlot> plot = filterRecorderFlight(work, rec.evaluation.altitudeCm, params,
                                                          rec.wordCount, rec.rateTimes10);
    if (!plot) {
        return m;
    }
    m.recorderMaxText = centimetresText(plot->maxCm);
    m.recorderMinText = centimetresText(plot->minCm);
    m.recorderFiltered = std::move(plot);
    m.recorderFilter = params;
    m.recorderDrawn.altitude = true;
    m.recorderDrawn.raw = true;
    return m;
}

ShownFlights filterComparison(ShownFlights m, const FilterParams& params, FilterWork& work) {
    const CompareFlight& cmp = m.comparison;
    if (!cmp.evaluated) {
        return m;
    }
    std::optional<FilterPlot> plot =
        filterCompareFlight(work, cmp.evaluation.compareAltitudeCm, params, cmp.compareSampleBytes);
    if (!plot) {
        return m;
    }
    m.compareMaxText = centimetresText(plot->maxCm);
    m.compareMinText = centimetresText(plot->minCm);
    m.compareFiltered = std::move(plot);
    m.compareFilter = params;
    // Drawn whatever the menu mark says, and the mark stays as it is.
    m.compareDrawn.altitude = true;
    m.compareDrawn.raw = true;
    return m;
}

TemperatureResult recorderTemperatureEntered(ShownFlights m, std::string_view text,
                                             FilterWork& work) {
    const TemperatureEntry entry = enterRecorderTemperature(m.recorder, text, m.accelView);
    if (entry == TemperatureEntry::Evaluated) {
        redrawRecorder(m, work);
    }
    return {std::move(m), entry};
}

TemperatureResult comparisonTemperatureEntered(ShownFlights m, std::string_view text,
                                               FilterWork& work) {
    const TemperatureEntry entry = enterCompareTemperature(m.comparison, text, m.leftAxis.maximum);
    if (entry == TemperatureEntry::Evaluated) {
        // A comparison drawn again is shown, whatever took it off before.
        m.comparisonMark = true;
        drawComparison(m);
        if (const std::optional<FilterParams> params = m.compareFilter) {
            m = filterComparison(std::move(m), *params, work);
        }
        m.leftAxis.maximum = coveringMaximum(m);
    }
    return {std::move(m), entry};
}

ShownFlights setAccelView(ShownFlights m, bool on, FilterWork& work) {
    m.accelView = on;
    if (!on) {
        m.recorderDrawn.dhdt = false;
        return m;
    }
    if (m.recorder.wordCount == 0) {
        return m;
    }
    fixLeftAxis(m, 0.0, std::nullopt);
    if (evaluateRecord(m.recorder, true)) {
        redrawRecorder(m, work);
    } else {
        m.recorderDrawn.altitude = false;
        m.recorderDrawn.dhdt = false;
        forgetSelectionOn(m, FlightSide::Recorder);
    }
    return m;
}

ShownFlights setComparisonMark(ShownFlights m, bool checked) {
    m.comparisonMark = checked;
    if (!checked) {
        m.compareDrawn = {};
        m.compareMaxText.clear();
        m.compareMinText.clear();
        forgetSelectionOn(m, FlightSide::Comparison);
    }
    return m;
}

ShownFlights takeCurveOff(ShownFlights m, ShownCurve curve) {
    switch (curve) {
    case ShownCurve::RecorderAltitude:
        m.recorderDrawn.altitude = false;
        m.recorderMaxText.clear();
        m.recorderMinText.clear();
        forgetSelectionOn(m, FlightSide::Recorder);
        break;
    case ShownCurve::RecorderDhdt:
        m.recorderDrawn.dhdt = false;
        break;
    case ShownCurve::RecorderRaw:
        m.recorderDrawn.raw = false;
        break;
    case ShownCurve::CompareAltitude:
        m.compareDrawn.altitude = false;
        m.compareMaxText.clear();
        m.compareMinText.clear();
        forgetSelectionOn(m, FlightSide::Comparison);
        break;
    case ShownCurve::CompareRaw:
        m.compareDrawn.raw = false;
        break;
    }
    return m;
}

ShownFlights setLanguage(ShownFlights m, Language language) {
    m.language = language;
    return m;
}

ShownFlights selectPoints(ShownFlights m, FlightSide side, std::size_t from, std::size_t to) {
    const std::size_t points = curveMetres(m, altitudeOf(side)).size();
    if (from < points && to < points) {
        m.selection = CurveSelection{side, from, to};
    } else {
        m.selection.reset();
    }
    return m;
}

ShownFlights clearSelection(ShownFlights m) {
    m.selection.reset();
    return m;
}

// ---- What is drawn ------------------------------------------------------------------------------

double secondsPerPoint(const ShownFlights& m, FlightSide side) {
    const std::uint32_t rate = rateOf(m, side);
    return rate != 0 ? 10.0 / static_cast<double>(rate) : 0.0;
}

double chartUnitsPerPoint(const ShownFlights& m, FlightSide side) {
    if (side == FlightSide::Recorder) {
        return 1.0;
    }
    // Point j of the comparison lies at j x recorder rate / comparison rate on the recorder
    // flight's axis, so equal times line up; alone on the chart it keeps its own points.
    const std::uint32_t recorderRate = m.recorder.evaluated ? m.recorder.rateTimes10 : 0;
    const std::uint32_t compareRate = m.comparison.record.rateTimes10;
    return recorderRate > 0 && compareRate > 0
               ? static_cast<double>(recorderRate) / static_cast<double>(compareRate)
               : 1.0;
}

std::vector<double> curveMetres(const ShownFlights& m, ShownCurve curve) {
    switch (curve) {
    case ShownCurve::RecorderAltitude:
        if (!m.recorderDrawn.altitude) {
            return {};
        }
        return m.recorderFiltered ? metresOf(m.recorderFiltered->filteredPoints)
                                  : metresOf(m.recorder.evaluation.series1);
    case ShownCurve::RecorderDhdt:
        return m.recorderDrawn.dhdt ? metresOf(m.recorder.evaluation.series2)
                                    : std::vector<double>{};
    case ShownCurve::RecorderRaw:
        return m.recorderDrawn.raw && m.recorderFiltered ? metresOf(m.recorderFiltered->rawPoints)
                                                         : std::vector<double>{};
    case ShownCurve::CompareAltitude:
        if (!m.compareDrawn.altitude) {
            return {};
        }
        return m.compareFiltered ? metresOf(m.compareFiltered->filteredPoints)
                                 : metresOf(m.comparison.evaluation.series3);
    case ShownCurve::CompareRaw:
        return m.compareDrawn.raw && m.compareFiltered ? metresOf(m.compareFiltered->rawPoints)
                                                       : std::vector<double>{};
    }
    return {};
}

std::optional<std::size_t> nearestPoint(const ShownFlights& m, FlightSide side, double key) {
    const std::size_t points = curveMetres(m, altitudeOf(side)).size();
    if (points == 0 || !std::isfinite(key)) {
        return std::nullopt;
    }
    const double position = key / chartUnitsPerPoint(m, side);
    const double last = static_cast<double>(points - 1);
    return static_cast<std::size_t>(std::lround(std::clamp(position, 0.0, last)));
}

std::optional<CurveMeasurement> measuredSelection(const ShownFlights& m) {
    if (!m.selection) {
        return std::nullopt;
    }
    const CurveSelection& s = *m.selection;
    return measureCurve(curveMetres(m, altitudeOf(s.side)), rateOf(m, s.side), s.from, s.to);
}

double coveringMaximum(const ShownFlights& m) {
    double top = 0.0;
    for (ShownCurve curve : {ShownCurve::RecorderAltitude, ShownCurve::CompareAltitude,
                             ShownCurve::RecorderRaw, ShownCurve::CompareRaw}) {
        for (double value : curveMetres(m, curve)) {
            top = std::max(top, value);
        }
    }
    if (top > m.leftAxis.maximum) {
        // The same head room as the evaluation leaves above its own maximum.
        return static_cast<double>(leftAxisMaximum(static_cast<float>(top)));
    }
    return m.leftAxis.maximum;
}

// ---- Report pages -------------------------------------------------------------------------------

FlightPage recorderPage(FlightRecord record, const std::optional<FilterParams>& filter) {
    FlightPage page;
    page.evaluated = record.evaluated;
    if (record.evaluated) {
        const FlightEvaluation& ev = record.evaluation;
        page.filtered = filter ? filterRecorderFlight(record, *filter) : std::nullopt;
        page.altitude = page.filtered ? page.filtered->filteredPoints : ev.series1;
        if (page.filtered) {
            page.raw = page.filtered->rawPoints;
        }
        page.dhdt = ev.series2;
        page.maxText = formatOneDecimal(ev.maxAltitude);
        page.minText = formatOneDecimal(ev.minAltitude);
        page.leftAxisMax = static_cast<double>(ev.leftAxisMax);
        page.bottomMinorTicks = ev.bottomMinorTicks;
    } else {
        page.maxText = "-";
        page.minText = "-";
    }
    page.record = std::move(record);
    return page;
}

namespace {

// The comparison's page: its own evaluation (no dh/dt curve), its time axis labelled in whole
// seconds as a recorder flight's is, its left axis its own.
FlightPage comparisonPage(const ShownFlights& m) {
    const CompareFlight& cmp = m.comparison;
    FlightPage page;
    page.side = FlightSide::Comparison;
    page.record = cmp.record;
    page.evaluated = cmp.evaluated;
    page.maxText = "-";
    page.minText = "-";
    if (!cmp.evaluated) {
        return page;
    }
    const std::uint32_t rate = cmp.record.rateTimes10;
    const CompareEvaluation ev =
        EvaluateCompareFlight({&cmp.record.image, cmp.compareSampleBytes, rate,
                               cmp.record.calibration, cmp.record.groundTemp, 0.0});
    if (m.compareFiltered && m.compareFilter) {
        FilterWork work;
        page.filtered = filterCurve(work, ev.compareAltitudeCm, *m.compareFilter, true, rate);
        page.altitude = page.filtered->filteredPoints;
        page.raw = page.filtered->rawPoints;
    } else {
        std::uint32_t counter = 0;
        page.altitude.reserve(ev.series3.size());
        for (float value : ev.series3) {
            Series1Point point{value, {}};
            if (rate != 0 && counter % rate == 0) {
                point.label = std::to_string(counter / rate);
            }
            page.altitude.push_back(std::move(point));
            counter += 10;
        }
    }
    page.maxText = ev.maxText.value_or("-");
    page.minText = ev.minText.value_or("-");
    page.leftAxisMax = ev.leftAxisMax;
    page.bottomMinorTicks = ev.bottomMinorTicks;
    return page;
}

} // namespace

std::vector<FlightPage> windowReportPages(const ShownFlights& m) {
    std::vector<FlightPage> pages;
    if (m.recorder.wordCount != 0) {
        // The report draws the dh/dt curve whatever the window's view shows.
        FlightRecord record = m.recorder;
        evaluateRecord(record, true);
        const bool filtered =
            m.recorderFiltered && (m.recorderDrawn.altitude || m.recorderDrawn.raw);
        pages.push_back(
            recorderPage(std::move(record), filtered ? m.recorderFilter : std::nullopt));
    }
    const bool comparisonOnScreen =
        m.comparisonMark || m.compareDrawn.altitude || m.compareDrawn.raw;
    if (comparisonOnScreen && m.comparison.compareSampleBytes != 0) {
        pages.push_back(comparisonPage(m));
    }
    return pages;
}

} // namespace kestrom
