#include "ui/flight_flows.h"

#include "analysis/filter_plot.h"
#include "device/actions.h"
#include "files/measurement_file.h"
#include "flight/number_format.h"
#include "ui/chart.h"
#include "ui/flight_panel.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"

#include <QAction>
#include <QLineEdit>

#include <algorithm>
#include <filesystem>

namespace kestrom::ui {
namespace {

// The core writes one-decimal texts with a point; the panels show the user's separator.
QString withSeparator(const std::string& text, char separator) {
    QString out = QString::fromStdString(text);
    out.replace(QLatin1Char('.'), QLatin1Char(separator));
    return out;
}

} // namespace

FlightFlows::FlightFlows(WindowState& state, DeviceLink& link, Prompts& prompts, Controls controls)
    : state_(state), link_(link), prompts_(prompts), ui_(controls) {}

QString FlightFlows::caption(Caption key) const {
    return qs(captionText(key, languageIndex(state_.config.Language)));
}

// ---- Recorder flight -----------------------------------------------------------------------

void FlightFlows::resetRecorderChart() {
    Chart& chart = ui_.chart;
    chart.undoZoom();
    for (SeriesId id :
         {SeriesId::Series1, SeriesId::Series2, SeriesId::Series4, SeriesId::Series5}) {
        chart.clearSeries(id);
    }
    chart.fixLeftAxis(0.0, std::nullopt);
    state_.recorderFilter.reset(); // its dashed curve has just gone
}

void FlightFlows::drawRecorderFlight() {
    const FlightEvaluation& ev = state_.recorder.evaluation;
    Chart& chart = ui_.chart;
    chart.clearSeries(SeriesId::Series1);
    chart.clearSeries(SeriesId::Series2);
    chart.setBottomMinorGridVisible(false);
    chart.setBottomMinorTickCount(ev.bottomMinorTicks);
    for (const Series1Point& point : ev.series1) {
        chart.appendPoint(SeriesId::Series1, static_cast<double>(point.value),
                          QString::fromStdString(point.label));
    }
    for (float value : ev.series2) {
        chart.appendPoint(SeriesId::Series2, static_cast<double>(value));
    }
    const char separator = decimalSeparator();
    ui_.recorder.setMaximum(QString::fromStdString(formatOneDecimal(ev.maxAltitude, separator)));
    ui_.recorder.setMinimum(QString::fromStdString(formatOneDecimal(ev.minAltitude, separator)));
    chart.fixLeftAxis(std::nullopt, static_cast<double>(ev.leftAxisMax));
    // The comparison moves with the recorder flight's rate.
    placeComparison();
    chart.refresh();
}

void FlightFlows::setAccelerationView(bool on) {
    state_.config.accelView = on ? 1 : 0;
    Chart& chart = ui_.chart;
    if (!on) {
        chart.clearSeries(SeriesId::Series2);
        return;
    }
    FlightRecord& rec = state_.recorder;
    if (rec.wordCount == 0) {
        return;
    }
    chart.fixLeftAxis(0.0, std::nullopt);
    if (evaluateRecord(rec, true)) {
        redrawRecorderFlight();
    } else {
        chart.clearSeries(SeriesId::Series1);
        chart.clearSeries(SeriesId::Series2);
    }
}

void FlightFlows::redrawRecorderFlight() {
    ui_.chart.fixLeftAxis(0.0, std::nullopt);
    drawRecorderFlight();
    if (state_.recorderFilter) {
        drawRecorderFiltered(*state_.recorderFilter);
    }
    coverShownCurves();
    ui_.chart.refresh();
}

DownloadView FlightFlows::downloadView() {
    DownloadView view;
    view.showBusy = [this](bool shown) {
        if (shown) {
            ui_.recorder.setTitle(caption(Caption::Device));
        }
        ui_.busy.setVisible(shown);
    };
    view.transferStarting = [this] {
        resetRecorderChart();
        ui_.recorder.setMaximum(QStringLiteral("   "));
        ui_.recorder.setMinimum(QStringLiteral("   "));
        ui_.chart.refresh();
    };
    view.showProgress = [this](const std::string& text) {
        ui_.progress.setText(QString::fromStdString(text));
        ui_.progress.show();
    };
    view.hideProgress = [this] { ui_.progress.hide(); };
    view.headerReady = [this](std::span<const std::uint8_t> image) {
        ui_.recorder.showHeader(ApplyFlightHeader(FlightImage({image.begin(), image.end()})),
                                state_.samplingList);
    };
    return view;
}

bool FlightFlows::takeDownload(DownloadResult result) {
    ui_.busy.hide();
    ui_.progress.hide();
    if (result.outcome != DownloadOutcome::Ok && result.outcome != DownloadOutcome::NoFlight) {
        return false;
    }
    FlightRecord& rec = state_.recorder;
    setFlightImage(rec, FlightImage(std::move(result.image)));
    rec.flightBytes = result.flightBytes;
    if (result.outcome == DownloadOutcome::NoFlight) {
        rec.wordCount = 0;
        return false;
    }
    if (evaluateRecord(rec, state_.config.accelView != 0)) {
        drawRecorderFlight();
    }
    return true;
}

void FlightFlows::save() {
    const FlightRecord& rec = state_.recorder;
    if (rec.flightBytes == 0) {
        prompts_.showMessage(Message::NoData, Message::ProblemCaption, Buttons::Ok);
        return;
    }
    const std::optional<std::string> name = prompts_.askFileName(FileDialog::Save);
    if (!name || name->empty()) {
        return;
    }
    std::error_code ec;
    if (std::filesystem::exists(*name, ec) &&
        prompts_.showMessage(Message::FileExists, Message::SaveCaption, Buttons::OkCancel) !=
            Answer::Ok) {
        return;
    }
    // The panel's own flight: after a load that is the loaded image, never a mixture.
    if (Status written = writeMeasurementFile(*name, rec.image); !written) {
        prompts_.showError(written.error);
    }
}

std::optional<FlightImage> FlightFlows::readFlightFile(const std::string& name) {
    Result<FlightImage> read = readMeasurementFile(name);
    if (read) {
        return std::move(*read.value);
    }
    if (read.status.kind == ErrorKind::TooShort) {
        prompts_.showMessage(Message::FileTooShort, Message::ProblemCaption, Buttons::Ok);
    } else {
        prompts_.showError(read.status.error);
    }
    return std::nullopt;
}

bool FlightFlows::loadRecorder(const std::string& name) {
    std::optional<FlightImage> read = readFlightFile(name);
    if (!read) {
        return false; // nothing of the panel or the chart has changed
    }
    ui_.recorder.setTitle(baseName(name));
    resetRecorderChart();
    FlightRecord& rec = state_.recorder;
    setFlightImage(rec, std::move(*read));
    ui_.recorder.showHeader(rec.header, state_.samplingList);
    if (evaluateRecord(rec, state_.config.accelView != 0)) {
        drawRecorderFlight();
    } else {
        ui_.chart.refresh();
    }
    // Shown as loaded all the same; the warning comes with the curve already there.
    if (calibrationImpossible(rec.image)) {
        prompts_.showMessage(Message::NotAFlight, Message::ProblemCaption, Buttons::Ok);
    }
    return true;
}

// ---- Filtering ----------------------------------------------------------------------------------

bool FlightFlows::drawRecorderFiltered(const FilterParams& params) {
    FlightRecord& rec = state_.recorder;
    if (!rec.evaluated) {
        return false; // nothing evaluated: no curve to filter
    }
    const std::optional<FilterPlot> plot = filterRecorderFlight(
        state_.filter, rec.evaluation.altitudeCm, params, rec.wordCount, rec.rateTimes10);
    if (!plot) {
        return false;
    }
    Chart& chart = ui_.chart;
    chart.clearSeries(SeriesId::Series1);
    chart.clearSeries(SeriesId::Series5);
    for (const Series1Point& point : plot->filteredPoints) {
        chart.appendPoint(SeriesId::Series1, static_cast<double>(point.value),
                          QString::fromStdString(point.label));
    }
    for (float value : plot->rawPoints) {
        chart.appendPoint(SeriesId::Series5, static_cast<double>(value));
    }
    const char separator = decimalSeparator();
    ui_.recorder.setMaximum(QString::fromStdString(centimetresText(plot->maxCm, separator)));
    ui_.recorder.setMinimum(QString::fromStdString(centimetresText(plot->minCm, separator)));
    chart.refresh();
    return true;
}

bool FlightFlows::drawCompareFiltered(const FilterParams& params) {
    CompareFlight& cmp = state_.comparison;
    if (!cmp.evaluated) {
        return false;
    }
    const std::optional<FilterPlot> plot = filterCompareFlight(
        state_.filter, cmp.evaluation.compareAltitudeCm, params, cmp.compareSampleBytes);
    if (!plot) {
        return false;
    }
    placeComparison();
    Chart& chart = ui_.chart;
    chart.clearSeries(SeriesId::Series3);
    chart.clearSeries(SeriesId::Series6);
    for (float value : plot->rawPoints) {
        chart.appendPoint(SeriesId::Series6, static_cast<double>(value));
    }
    for (const Series1Point& point : plot->filteredPoints) {
        chart.appendPoint(SeriesId::Series3, static_cast<double>(point.value));
    }
    const char separator = decimalSeparator();
    ui_.comparison.setMaximum(QString::fromStdString(centimetresText(plot->maxCm, separator)));
    ui_.comparison.setMinimum(QString::fromStdString(centimetresText(plot->minCm, separator)));
    chart.refresh();
    return true;
}

void FlightFlows::placeComparison() {
    // Point j of the comparison lies at j x recorder rate / comparison rate on the recorder
    // flight's axis, so equal times line up; alone on the chart it keeps its own points.
    const std::uint32_t recorderRate = state_.recorder.evaluated ? state_.recorder.rateTimes10 : 0;
    const std::uint32_t compareRate = state_.comparison.record.rateTimes10;
    const double scale = recorderRate > 0 && compareRate > 0
                             ? static_cast<double>(recorderRate) / static_cast<double>(compareRate)
                             : 1.0;
    ui_.chart.setSeriesTimeScale(SeriesId::Series3, scale);
    ui_.chart.setSeriesTimeScale(SeriesId::Series6, scale);
}

void FlightFlows::coverShownCurves() {
    Chart& chart = ui_.chart;
    double top = 0.0;
    for (SeriesId id :
         {SeriesId::Series1, SeriesId::Series3, SeriesId::Series5, SeriesId::Series6}) {
        for (int i = 0; i < chart.pointCount(id); ++i) {
            top = std::max(top, chart.pointValue(id, i));
        }
    }
    AxisRule& left = chart.leftAxisRule();
    if (top > left.maximum) {
        // The same head room as the evaluation leaves above its own maximum.
        left.maximum = static_cast<double>(leftAxisMaximum(static_cast<float>(top)));
    }
}

// ---- Comparison ---------------------------------------------------------------------------------

void FlightFlows::drawCompareFlight() {
    const CompareFlight& cmp = state_.comparison;
    const CompareEvaluation& ev = cmp.evaluation;
    Chart& chart = ui_.chart;
    placeComparison();
    chart.clearSeries(SeriesId::Series3);
    chart.fixLeftAxis(std::nullopt, ev.leftAxisMax);
    // The minor ticks mark the samples between the recorder flight's second labels; only a
    // comparison alone on the chart sets them from its own rate.
    if (!state_.recorder.evaluated) {
        chart.setBottomMinorTickCount(ev.bottomMinorTicks);
    }
    for (float value : ev.series3) {
        chart.appendPoint(SeriesId::Series3, static_cast<double>(value));
    }
    // A field is written only when the evaluation found a maximum or minimum for it.
    if (ev.maxText) {
        ui_.comparison.setMaximum(withSeparator(*ev.maxText, decimalSeparator()));
    }
    if (ev.minText) {
        ui_.comparison.setMinimum(withSeparator(*ev.minText, decimalSeparator()));
    }
    chart.refresh();
}

bool FlightFlows::loadComparison(const std::string& name) {
    std::optional<FlightImage> read = readFlightFile(name);
    if (!read) {
        return false; // nothing of the comparison, its panel or the chart has changed
    }
    CompareFlight& cmp = state_.comparison;
    const Status loaded = loadCompareFlight(cmp, read->bytes(), ui_.chart.leftAxisRule().maximum);
    if (!loaded) {
        prompts_.showMessage(Message::FileTooShort, Message::ProblemCaption, Buttons::Ok);
        return false;
    }
    // Nothing of an earlier comparison's filtering belongs to this flight.
    state_.compareFilter.reset();
    ui_.chart.clearSeries(SeriesId::Series6);
    ui_.comparison.setTitle(baseName(name));
    ui_.compareMark.setChecked(true);
    ui_.comparison.showHeader(cmp.record.header, state_.samplingList);
    if (cmp.evaluated) {
        drawCompareFlight();
    } else {
        // Too short to evaluate: no curve of an earlier comparison stays under this file's name.
        ui_.chart.clearSeries(SeriesId::Series3);
        ui_.chart.refresh();
    }
    if (calibrationImpossible(cmp.record.image)) {
        prompts_.showMessage(Message::NotAFlight, Message::ProblemCaption, Buttons::Ok);
    }
    return true;
}

void FlightFlows::redrawCompareFlight() {
    // A comparison drawn again is shown, whatever took it off before.
    ui_.compareMark.setChecked(true);
    drawCompareFlight();
    if (state_.compareFilter) {
        drawCompareFiltered(*state_.compareFilter);
    }
    coverShownCurves();
    ui_.chart.refresh();
}

void FlightFlows::hideComparison() {
    Chart& chart = ui_.chart;
    ui_.comparison.clear(caption(Caption::File));
    chart.clearSeries(SeriesId::Series3);
    chart.clearSeries(SeriesId::Series6);
    chart.refresh();
}

} // namespace kestrom::ui
