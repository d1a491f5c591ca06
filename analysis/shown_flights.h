#pragma once
// What the window shows of its two flights, as plain data: each flight's record and evaluation,
// how it is filtered, which of its curves are drawn, the panel texts, the left axis and the
// measuring selection. Every user action is one function from one state to the next; the chart,
// the panels, the bracket and the reports only draw what is here, and nothing is read back from
// the widgets.

#include "analysis/compare_flight.h"
#include "analysis/curve_measure.h"
#include "analysis/filter.h"
#include "analysis/filter_plot.h"
#include "analysis/temperature_entry.h"
#include "core/status.h"
#include "core/texts.h"
#include "flight/flight_record.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrom {

enum class FlightSide { Recorder, Comparison };

// The chart's curves: altitude (filtered when filtered), dh/dt, and the raw curve drawn dashed
// under a filtered one.
enum class ShownCurve { RecorderAltitude, RecorderDhdt, RecorderRaw, CompareAltitude, CompareRaw };

// Which of a flight's curves are on the chart.
struct DrawnCurves {
    bool altitude = false;
    bool dhdt = false; // the recorder flight only
    bool raw = false;
};

// Two samples of one flight's altitude curve picked for measuring, in the order picked.
struct CurveSelection {
    FlightSide side = FlightSide::Recorder;
    std::size_t from = 0;
    std::size_t to = 0;
};

// The left (altitude) axis as the flights set it: its minimum is where the automatic minimum
// starts, its maximum is fixed.
struct LeftAxis {
    bool set = false; // no flight has set it yet: the axis follows its data
    double minimum = 0.0;
    double maximum = 10.0;
};

struct ShownFlights {
    FlightRecord recorder;    // downloaded or loaded flight, left panel
    CompareFlight comparison; // flight laid over it, right panel
    // The parameters each Filter button last filtered its flight with (kept while the curve is
    // taken off, so a temperature entry filters the new evaluation again), and the result shown.
    std::optional<FilterParams> recorderFilter;
    std::optional<FilterParams> compareFilter;
    std::optional<FilterPlot> recorderFiltered;
    std::optional<FilterPlot> compareFiltered;
    DrawnCurves recorderDrawn;
    DrawnCurves compareDrawn;
    bool comparisonMark = false; // the check mark of the comparison menu item
    bool accelView = false;      // dh/dt view switched on
    Language language = kPolish;
    // Maximum and minimum fields of the two panels, one decimal with a point.
    std::string recorderMaxText;
    std::string recorderMinText;
    std::string compareMaxText;
    std::string compareMinText;
    LeftAxis leftAxis;
    int bottomMinorTicks = 0;
    std::optional<CurveSelection> selection;
};

// ---- Actions ------------------------------------------------------------------------------------

// A recorder transfer begins: the recorder flight's curves, extremes and filtering go, and so
// does a selection on it; the left axis starts from 0 again.
ShownFlights startDownload(ShownFlights m);
// The download ended with image (flightBytes received). A stream without a new flight (delivered
// false) keeps the image but shows nothing; otherwise the flight is evaluated and drawn.
ShownFlights showDownloaded(ShownFlights m, FlightImage image, std::uint32_t flightBytes,
                            bool delivered);
// A finished download made ready where it arrived, off the window's thread: the record of its
// image, evaluated (when delivered) with the dh/dt view as it was when the download began.
struct DownloadedFlight {
    FlightRecord record;
    bool delivered = false;
    bool accelView = false; // the view the record was evaluated with
};
DownloadedFlight prepareDownloaded(FlightImage image, std::uint32_t flightBytes, bool delivered,
                                   bool accelView);
// Shows a prepared download as showDownloaded does; a flight evaluated for another dh/dt view
// than the one now switched is evaluated again.
ShownFlights showDownloaded(ShownFlights m, DownloadedFlight flight);
// A measurement file taken as the recorder flight.
ShownFlights loadRecorder(ShownFlights m, FlightImage image);
// A measurement file taken as the comparison: drawn and marked; its earlier filtering forgotten.
// A file shorter than a header is refused (status TooShort) and nothing changes.
struct CompareLoad {
    ShownFlights model;
    Status status;
};
CompareLoad loadComparison(ShownFlights m, std::vector<std::uint8_t> fileBytes);
// The Filter buttons: the flight's evaluation filtered with params and drawn solid over its raw
// curve dashed, the panel showing the filtered extremes. Nothing changes for a flight too short to
// filter. The comparison's button draws its curves even while its menu mark is off.
ShownFlights filterRecorder(ShownFlights m, const FilterParams& params, FilterWork& work);
ShownFlights filterComparison(ShownFlights m, const FilterParams& params, FilterWork& work);
// Enter in a temperature field: the flight evaluated again at the typed temperature, filtered
// again with its own parameters, the left axis covering every drawn curve. The comparison is
// drawn and marked again. entry says what happened (Refused: nothing changed).
struct TemperatureResult {
    ShownFlights model;
    TemperatureEntry entry = TemperatureEntry::Refused;
};
TemperatureResult recorderTemperatureEntered(ShownFlights m, std::string_view text,
                                             FilterWork& work);
TemperatureResult comparisonTemperatureEntered(ShownFlights m, std::string_view text,
                                               FilterWork& work);
// The dh/dt switch: off takes the curve away; on evaluates the recorder flight again with it.
ShownFlights setAccelView(ShownFlights m, bool on, FilterWork& work);
// The comparison's menu mark: taken off, its curves and panel fields go (the flight is kept).
ShownFlights setComparisonMark(ShownFlights m, bool checked);
// A click on a curve takes it off the chart (an altitude curve empties its panel's extremes).
ShownFlights takeCurveOff(ShownFlights m, ShownCurve curve);
ShownFlights setLanguage(ShownFlights m, Language language);
// Measuring: picks samples from and to of a flight's drawn altitude curve; nothing is selected
// when either is not on it.
ShownFlights selectPoints(ShownFlights m, FlightSide side, std::size_t from, std::size_t to);
ShownFlights clearSelection(ShownFlights m);

// ---- What is drawn ------------------------------------------------------------------------------

// Seconds between two samples of the flight (0 when it has no sampling rate).
double secondsPerPoint(const ShownFlights& m, FlightSide side);
// Units of the chart's time axis per sample of the flight: the axis counts the recorder
// flight's samples while it is evaluated, otherwise the comparison's own.
double chartUnitsPerPoint(const ShownFlights& m, FlightSide side);
// The values in metres of a drawn curve (empty when not drawn), one per sample.
std::vector<double> curveMetres(const ShownFlights& m, ShownCurve curve);
// The sample of the flight's drawn altitude curve nearest to chart time axis position key;
// nullopt when the curve is not drawn.
std::optional<std::size_t> nearestPoint(const ShownFlights& m, FlightSide side, double key);
// The selection's numbers on the curve as drawn now; nullopt without a selection or when its
// curve is gone.
std::optional<CurveMeasurement> measuredSelection(const ShownFlights& m);
// The left axis maximum raised, with the evaluation's head room, so that every drawn altitude
// curve stays in view.
double coveringMaximum(const ShownFlights& m);

// ---- Report pages -------------------------------------------------------------------------------

// One flight's report page: the curves and the heading's values.
struct FlightPage {
    FlightSide side = FlightSide::Recorder;
    FlightRecord record;                // header, rate and temperature text of the heading
    bool evaluated = false;             // false: a page saying there is nothing to draw
    std::vector<Series1Point> altitude; // labelled with whole seconds
    std::vector<float> dhdt;
    std::vector<float> raw; // the raw curve dashed under a filtered one
    std::string maxText;    // "-" when the flight was not evaluated
    std::string minText;
    std::optional<FilterPlot> filtered; // its extremes go on the heading
    double leftAxisMax = 10.0;
    int bottomMinorTicks = 0;
};

// A recorder flight's page; the record should be evaluated with dh/dt. With filter, the flight is
// filtered as its Filter button does.
FlightPage recorderPage(FlightRecord record, const std::optional<FilterParams>& filter);
// The window's contest report: the recorder flight when there is one, and the comparison whenever
// it is marked or its curves are drawn; each filtered with the parameters its curve on screen was
// filtered with, the comparison evaluated as the comparison is.
std::vector<FlightPage> windowReportPages(const ShownFlights& m);

} // namespace kestrom
