#pragma once
// What the window does with flights, apart from the widgets it is done on: the download from
// the recorder, saving and loading measurement files, the comparison, and drawing each flight
// with its extremes on the chart and in its panel. The window owns one and calls it from its
// handlers; it keeps no state of its own beyond what the window hands it.

#include "analysis/filter.h"
#include "analysis/shown_flights.h"
#include "core/prompts.h"
#include "core/texts.h"
#include "device/actions.h"
#include "flight/flight_image.h"

#include "ui/chart.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>

class QAction;
class QLineEdit;

namespace kestrom {
class DeviceLink;
}

namespace kestrom::ui {

class FlightPanel;
struct WindowState;

// The recorder flight's altitude and dh/dt curves in the chart's form.
struct PreparedCurves {
    SeriesPoints altitude;
    SeriesPoints dhdt;
};

class FlightFlows {
public:
    // The controls the flows show their results on.
    struct Controls {
        Chart& chart;
        FlightPanel& recorder;   // GroupB_Alt
        FlightPanel& comparison; // GroupB_Por
        QLineEdit& busy;         // E_PobDan
        QLineEdit& progress;     // ECzekaj
        QAction& compareMark;    // Porownanie1
    };

    FlightFlows(WindowState& state, DeviceLink& link, Prompts& prompts, Controls controls);

    // How the busy field, the progress field and the recorder panel follow a download; the
    // callbacks work on the widgets, so they run on the window's thread.
    DownloadView downloadView();
    // A finished download made ready for the window where it arrived: the flight evaluated and
    // its two curves in the chart's form. Plain work on plain data, for the recorder's worker.
    struct PreparedDownload {
        DownloadResult result; // its image moved into flight
        DownloadedFlight flight;
        PreparedCurves curves;
    };
    static PreparedDownload prepareDownload(DownloadResult result, bool accelView);
    // Takes a finished download into the recorder panel and the chart; true when a flight was
    // delivered. The chart is redrawn on the next turns of the event loop, not at once.
    bool takeDownload(PreparedDownload download);
    // Saves the recorder panel's flight under a name the user chooses.
    void save();
    // Loads a named measurement file as the recorder flight or as the comparison. A failure is
    // shown and changes nothing; returns whether the file was taken.
    bool loadRecorder(const std::string& name);
    bool loadComparison(const std::string& name);

    // The Filter buttons: the flight's current evaluation filtered with these parameters, drawn
    // solid over the raw curve dashed, with the filtered extremes. False (nothing changed) for a
    // flight too short to filter.
    bool filterRecorder(const FilterParams& params);
    bool filterComparison(const FilterParams& params);
    // Turns the dh/dt curve on (the recorder flight evaluated again with it) or off.
    void setAccelerationView(bool on);
    // Enter in a temperature field; false when the text is not a temperature (nothing changed).
    bool enterRecorderTemperature(const std::string& text);
    bool enterComparisonTemperature(const std::string& text);
    // The comparison's menu mark set or taken off: off empties its panel and takes its curves,
    // the dashed one too, off the chart. The flight stays kept for a later temperature entry.
    void setComparisonMark(bool checked);
    // A click on a curve takes it off the chart; an altitude curve empties its panel too.
    void takeCurveOff(SeriesId series);
    // Draws state.shown on the chart and the panels' extremes, and tells whoever listens.
    void drawShown();
    // Called after every drawing of a new state.
    std::function<void()> shownChanged;

private:
    enum class Replot { Now, Soon };
    // Draws state.shown as drawShown() does, the recorder flight's curves taken from prepared
    // when given (they must be those of its unfiltered evaluation); Soon leaves the replot to
    // the event loop.
    void drawShown(PreparedCurves* prepared, Replot replot);
    // Reads a measurement file; a failure is shown (too short, or the error naming the file) and
    // gives nothing.
    std::optional<FlightImage> readFlightFile(const std::string& name);
    // The shown flights to hand to an action, with the settings it depends on brought in.
    ShownFlights current();
    // The chart's minor ticks of the time axis as the flight just drawn sets them.
    void showRecorderTicks();
    void showComparisonTicks();
    QString caption(Caption key) const;

    WindowState& state_;
    DeviceLink& link_;
    Prompts& prompts_;
    Controls ui_;
};

} // namespace kestrom::ui
