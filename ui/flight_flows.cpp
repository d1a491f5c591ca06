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
#include <array>
#include <filesystem>

namespace kestrom::ui {
namespace {

// The core writes one-decimal texts with a point; the panels show the user's separator.
QString withSeparator(const std::string& text, char separator) {
    QString out = QString::fromStdString(text);
    out.replace(QLatin1Char('.'), QLatin1Char(separator));
    return out;
}

SeriesPoints labelledPoints(const std::vector<Series1Point>& points, double timeScale) {
    SeriesPoints out;
    out.timeScale = timeScale;
    out.data.reserve(static_cast<qsizetype>(points.size()));
    out.labels.reserve(static_cast<qsizetype>(points.size()));
    for (const Series1Point& point : points) {
        const auto index = static_cast<int>(out.data.size());
        out.data.push_back(
            QCPGraphData(static_cast<double>(index) * timeScale, static_cast<double>(point.value)));
        if (point.label.empty()) {
            out.labels.push_back(QString());
        } else {
            out.labels.push_back(QString::fromStdString(point.label));
            out.labelledIndices.push_back(index);
        }
    }
    return out;
}

SeriesPoints plainPoints(const std::vector<float>& values, double timeScale) {
    SeriesPoints out;
    out.timeScale = timeScale;
    out.data.reserve(static_cast<qsizetype>(values.size()));
    for (const float value : values) {
        out.data.push_back(QCPGraphData(static_cast<double>(out.data.size()) * timeScale,
                                        static_cast<double>(value)));
    }
    out.labels.resize(out.data.size());
    return out;
}

} // namespace

FlightFlows::FlightFlows(WindowState& state, DeviceLink& link, Prompts& prompts, Controls controls)
    : state_(state), link_(link), prompts_(prompts), ui_(controls) {}

QString FlightFlows::caption(Caption key) const {
    return qs(captionText(key, languageFromStored(state_.config.Language)));
}

// ---- Recorder flight -----------------------------------------------------------------------

ShownFlights FlightFlows::current() {
    // The view switch and the language are kept in the configuration record.
    state_.shown.accelView = state_.config.accelView != 0;
    state_.shown.language = languageFromStored(state_.config.Language);
    return std::move(state_.shown);
}

void FlightFlows::drawShown() { drawShown(nullptr, Replot::Now); }

void FlightFlows::drawShown(PreparedCurves* prepared, Replot replot) {
    const ShownFlights& m = state_.shown;
    Chart& chart = ui_.chart;
    std::array<SeriesPoints, kSeriesCount> series;
    const auto slot = [&series](SeriesId id) -> SeriesPoints& {
        return series[static_cast<std::size_t>(id)];
    };
    if (m.recorderDrawn.altitude) {
        if (prepared != nullptr && !m.recorderFiltered) {
            slot(SeriesId::Series1) = std::move(prepared->altitude);
        } else {
            slot(SeriesId::Series1) =
                labelledPoints(m.recorderFiltered ? m.recorderFiltered->filteredPoints
                                                  : m.recorder.evaluation.series1,
                               1.0);
        }
    }
    if (m.recorderDrawn.dhdt) {
        slot(SeriesId::Series2) = prepared != nullptr
                                      ? std::move(prepared->dhdt)
                                      : plainPoints(m.recorder.evaluation.series2, 1.0);
    }
    if (m.recorderDrawn.raw && m.recorderFiltered) {
        slot(SeriesId::Series5) = plainPoints(m.recorderFiltered->rawPoints, 1.0);
    }
    // The comparison at its own times on the recorder flight's time axis.
    const double scale = chartUnitsPerPoint(m, FlightSide::Comparison);
    if (m.compareDrawn.altitude) {
        slot(SeriesId::Series3) = m.compareFiltered
                                      ? labelledPoints(m.compareFiltered->filteredPoints, scale)
                                      : plainPoints(m.comparison.evaluation.series3, scale);
    }
    if (m.compareDrawn.raw && m.compareFiltered) {
        slot(SeriesId::Series6) = plainPoints(m.compareFiltered->rawPoints, scale);
    }
    slot(SeriesId::Series3).timeScale = scale;
    slot(SeriesId::Series6).timeScale = scale;
    for (int i = 0; i < kSeriesCount; ++i) {
        chart.setSeriesPoints(static_cast<SeriesId>(i),
                              std::move(series[static_cast<std::size_t>(i)]));
    }
    if (m.leftAxis.set) {
        chart.fixLeftAxis(m.leftAxis.minimum, m.leftAxis.maximum);
    }
    const char separator = decimalSeparator();
    ui_.recorder.setMaximum(withSeparator(m.recorderMaxText, separator));
    ui_.recorder.setMinimum(withSeparator(m.recorderMinText, separator));
    ui_.comparison.setMaximum(withSeparator(m.compareMaxText, separator));
    ui_.comparison.setMinimum(withSeparator(m.compareMinText, separator));
    ui_.compareMark.setChecked(m.comparisonMark);
    if (replot == Replot::Now) {
        chart.refresh();
    } else {
        chart.replot(QCustomPlot::rpQueuedReplot);
    }
    if (shownChanged) {
        shownChanged();
    }
}

void FlightFlows::showRecorderTicks() {
    ui_.chart.setBottomMinorGridVisible(false);
    ui_.chart.setBottomMinorTickCount(state_.shown.bottomMinorTicks);
}

void FlightFlows::showComparisonTicks() {
    // Only a comparison alone on the chart sets the ticks from its own rate.
    if (!state_.shown.recorder.evaluated) {
        ui_.chart.setBottomMinorTickCount(state_.shown.bottomMinorTicks);
    }
}

void FlightFlows::setAccelerationView(bool on) {
    state_.config.accelView = on ? 1 : 0;
    state_.shown = kestrom::setAccelView(current(), on, state_.filter);
    if (on && state_.shown.recorder.wordCount != 0 && state_.shown.recorder.evaluated) {
        showRecorderTicks();
    }
    drawShown();
}

bool FlightFlows::enterRecorderTemperature(const std::string& text) {
    TemperatureResult result = recorderTemperatureEntered(current(), text, state_.filter);
    state_.shown = std::move(result.model);
    if (result.entry == TemperatureEntry::Evaluated) {
        showRecorderTicks();
        drawShown();
    }
    return result.entry != TemperatureEntry::Refused;
}

bool FlightFlows::enterComparisonTemperature(const std::string& text) {
    TemperatureResult result = comparisonTemperatureEntered(current(), text, state_.filter);
    state_.shown = std::move(result.model);
    if (result.entry == TemperatureEntry::Evaluated) {
        showComparisonTicks();
        drawShown();
    }
    return result.entry != TemperatureEntry::Refused;
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
        ui_.chart.undoZoom();
        state_.shown = startDownload(current());
        drawShown();
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

FlightFlows::PreparedDownload FlightFlows::prepareDownload(DownloadResult result, bool accelView) {
    PreparedDownload out;
    out.result = std::move(result);
    const DownloadOutcome outcome = out.result.outcome;
    if (outcome != DownloadOutcome::Ok && outcome != DownloadOutcome::NoFlight) {
        return out;
    }
    out.flight = prepareDownloaded(FlightImage(std::move(out.result.image)), out.result.flightBytes,
                                   outcome == DownloadOutcome::Ok, accelView);
    const FlightEvaluation& ev = out.flight.record.evaluation;
    if (out.flight.record.evaluated) {
        out.curves.altitude = labelledPoints(ev.series1, 1.0);
        out.curves.dhdt = plainPoints(ev.series2, 1.0);
    }
    return out;
}

bool FlightFlows::takeDownload(PreparedDownload download) {
    ui_.busy.hide();
    ui_.progress.hide();
    const DownloadOutcome outcome = download.result.outcome;
    if (outcome != DownloadOutcome::Ok && outcome != DownloadOutcome::NoFlight) {
        return false;
    }
    // Switched meanwhile, the dh/dt view has the flight evaluated again here.
    const bool asPrepared = download.flight.accelView == (state_.config.accelView != 0);
    state_.shown = showDownloaded(current(), std::move(download.flight));
    if (state_.shown.recorder.evaluated) {
        showRecorderTicks();
        drawShown(asPrepared ? &download.curves : nullptr, Replot::Soon);
    }
    return outcome == DownloadOutcome::Ok;
}

void FlightFlows::save() {
    const FlightRecord& rec = state_.shown.recorder;
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
    ui_.chart.undoZoom();
    state_.shown = kestrom::loadRecorder(current(), std::move(*read));
    const FlightRecord& rec = state_.shown.recorder;
    ui_.recorder.showHeader(rec.header, state_.samplingList);
    if (rec.evaluated) {
        showRecorderTicks();
    }
    drawShown();
    // Shown as loaded all the same; the warning comes with the curve already there.
    if (calibrationImpossible(rec.image)) {
        prompts_.showMessage(Message::NotAFlight, Message::ProblemCaption, Buttons::Ok);
    }
    return true;
}

// ---- Filtering ----------------------------------------------------------------------------------

bool FlightFlows::filterRecorder(const FilterParams& params) {
    state_.shown = kestrom::filterRecorder(current(), params, state_.filter);
    if (!state_.shown.recorderFiltered || state_.shown.recorderFilter != params) {
        return false;
    }
    drawShown();
    return true;
}

bool FlightFlows::filterComparison(const FilterParams& params) {
    state_.shown = kestrom::filterComparison(current(), params, state_.filter);
    if (!state_.shown.compareFiltered || state_.shown.compareFilter != params) {
        return false;
    }
    drawShown();
    return true;
}

// ---- Comparison ---------------------------------------------------------------------------------

bool FlightFlows::loadComparison(const std::string& name) {
    std::optional<FlightImage> read = readFlightFile(name);
    if (!read) {
        return false; // nothing of the comparison, its panel or the chart has changed
    }
    CompareLoad loaded = kestrom::loadComparison(current(), read->bytes());
    state_.shown = std::move(loaded.model);
    if (!loaded.status) {
        prompts_.showMessage(Message::FileTooShort, Message::ProblemCaption, Buttons::Ok);
        return false;
    }
    const CompareFlight& cmp = state_.shown.comparison;
    ui_.comparison.setTitle(baseName(name));
    ui_.comparison.showHeader(cmp.record.header, state_.samplingList);
    if (cmp.evaluated) {
        showComparisonTicks();
    }
    drawShown();
    if (calibrationImpossible(cmp.record.image)) {
        prompts_.showMessage(Message::NotAFlight, Message::ProblemCaption, Buttons::Ok);
    }
    return true;
}

void FlightFlows::setComparisonMark(bool checked) {
    state_.shown = kestrom::setComparisonMark(current(), checked);
    if (!checked) {
        ui_.comparison.clear(caption(Caption::File));
    }
    drawShown();
}

void FlightFlows::takeCurveOff(SeriesId series) {
    static constexpr std::optional<ShownCurve> kCurves[kSeriesCount] = {
        ShownCurve::RecorderAltitude, ShownCurve::RecorderDhdt,
        ShownCurve::CompareAltitude,  std::nullopt,
        ShownCurve::RecorderRaw,      ShownCurve::CompareRaw};
    if (const std::optional<ShownCurve> curve = kCurves[static_cast<std::size_t>(series)]) {
        state_.shown = kestrom::takeCurveOff(current(), *curve);
    }
    if (series == SeriesId::Series3) {
        ui_.comparison.clear(caption(Caption::File));
    } else if (series == SeriesId::Series1) {
        ui_.recorder.clear(caption(Caption::Device));
    }
    drawShown();
}

} // namespace kestrom::ui
