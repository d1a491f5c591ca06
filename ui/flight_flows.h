#pragma once
// What the window does with flights, apart from the widgets it is done on: the download from
// the recorder, saving and loading measurement files, the comparison, and drawing each flight
// with its extremes on the chart and in its panel. The window owns one and calls it from its
// handlers; it keeps no state of its own beyond what the window hands it.

#include "analysis/filter.h"
#include "core/prompts.h"
#include "core/texts.h"
#include "device/actions.h"
#include "flight/flight_image.h"

#include <QString>

#include <optional>
#include <string>

class QAction;
class QLineEdit;

namespace kestrom {
class DeviceLink;
}

namespace kestrom::ui {

class Chart;
class FlightPanel;
struct WindowState;

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
    // Takes a finished download into the recorder panel and the chart; true when a flight was
    // delivered.
    bool takeDownload(DownloadResult result);
    // Saves the recorder panel's flight under a name the user chooses.
    void save();
    // Loads a named measurement file as the recorder flight or as the comparison. A failure is
    // shown and changes nothing; returns whether the file was taken.
    bool loadRecorder(const std::string& name);
    bool loadComparison(const std::string& name);

    // The chart reset before a new recorder flight: undo zoom, clear Series1, 2, 4, 5, left axis
    // from 0 with an automatic minimum.
    void resetRecorderChart();
    // Clears the recorder curves and draws the recorder flight's evaluation with its extremes.
    void drawRecorderFlight();
    // Draws the comparison's evaluation; a panel field only when the evaluation found its value.
    void drawCompareFlight();
    // The Filter buttons' drawing: filters the flight's current evaluation with these
    // parameters and shows the filtered curve solid, the raw one dashed and the filtered
    // extremes. False (nothing changed) for a flight too short to filter.
    bool drawRecorderFiltered(const FilterParams& params);
    bool drawCompareFiltered(const FilterParams& params);
    // Turns the dh/dt curve on (the recorder flight evaluated again with it) or off.
    void setAccelerationView(bool on);
    // Draws a flight's new evaluation so that nothing of the old one stays: a flight its Filter
    // button filtered is filtered again with the same parameters, and the left axis covers
    // every curve shown. Drawing the comparison sets its menu mark.
    void redrawRecorderFlight();
    void redrawCompareFlight();
    // The comparison's menu mark taken off: its panel emptied and its curves, the dashed one
    // too, off the chart. The flight stays kept for a later temperature entry.
    void hideComparison();
    // Raises the left axis' maximum so that no curve shown on it is cut off.
    void coverShownCurves();

private:
    // Reads a measurement file; a failure is shown (too short, or the error naming the file) and
    // gives nothing.
    std::optional<FlightImage> readFlightFile(const std::string& name);
    // Puts the comparison's points at its own times on the recorder flight's time axis.
    void placeComparison();
    QString caption(Caption key) const;

    WindowState& state_;
    DeviceLink& link_;
    Prompts& prompts_;
    Controls ui_;
};

} // namespace kestrom::ui
