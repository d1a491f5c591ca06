// The window's analysis handlers: the two Filter buttons, the comparison and its removal, curve
// and legend clicks, value labels, zoom and the temperature re-entry. The numbers come from the
// analysis core; these handlers only put them on the chart and panels.

#include "analysis/filter_dialog.h"
#include "analysis/filter_plot.h"
#include "analysis/temperature_entry.h"
#include "files/measurement_file.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/temperature_key_filter.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>

#include <algorithm>
#include <cmath>

namespace kestrom::ui {
namespace {

// The core writes one-decimal texts with a point; the panels show the user's separator.
QString withSeparator(const std::string& text, char separator) {
    QString out = QString::fromStdString(text);
    out.replace(QLatin1Char('.'), QLatin1Char(separator));
    return out;
}

void keepLeftMaximumFixed(Chart& chart) {
    AxisRule& left = chart.leftAxisRule();
    left.automatic = false;
    left.autoMaximum = false;
    left.autoMinimum = true;
}

} // namespace

void TKestrom_BMP::connectAnalysisActions() {
    auto* keys = new TemperatureKeyFilter(this);
    E_TempGl->installEventFilter(keys);
    E_TempPor->installEventFilter(keys);
    Porownanie1->setChecked(state_.compareMark);
}

// ---- Filter buttons ----------------------------------------------------------------------------

void TKestrom_BMP::B_Filtr_AltClick() {
    const FilterParams params = filterParamsOf(state_.config);
    if (drawRecorderFiltered(params)) {
        state_.recorderFilter = params;
    }
}

bool TKestrom_BMP::drawRecorderFiltered(const FilterParams& params) {
    FlightRecord& rec = state_.recorder;
    if (!rec.evaluated) {
        return false; // nothing evaluated: no curve to filter
    }
    const std::optional<FilterPlot> plot = filterRecorderFlight(
        state_.filter, rec.evaluation.altitudeCm, params, rec.wordCount, rec.rateTimes10);
    if (!plot) {
        return false;
    }
    Chart1->clearSeries(SeriesId::Series1);
    Chart1->clearSeries(SeriesId::Series5);
    for (const Series1Point& point : plot->filteredPoints) {
        Chart1->appendPoint(SeriesId::Series1, static_cast<double>(point.value),
                            QString::fromStdString(point.label));
    }
    for (float value : plot->rawPoints) {
        Chart1->appendPoint(SeriesId::Series5, static_cast<double>(value));
    }
    E_MaxGl->setText(QString::fromStdString(centimetresText(plot->maxCm, decimalSeparator())));
    EMinimum->setText(QString::fromStdString(centimetresText(plot->minCm, decimalSeparator())));
    Chart1->refresh();
    return true;
}

void TKestrom_BMP::B_Filtr_porClick() {
    const FilterParams params = filterParamsOf(state_.config);
    if (drawCompareFiltered(params)) {
        state_.compareFilter = params;
    }
}

bool TKestrom_BMP::drawCompareFiltered(const FilterParams& params) {
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
    Chart1->clearSeries(SeriesId::Series3);
    Chart1->clearSeries(SeriesId::Series6);
    for (float value : plot->rawPoints) {
        Chart1->appendPoint(SeriesId::Series6, static_cast<double>(value));
    }
    for (const Series1Point& point : plot->filteredPoints) {
        Chart1->appendPoint(SeriesId::Series3, static_cast<double>(point.value));
    }
    E_Max_Por->setText(QString::fromStdString(centimetresText(plot->maxCm, decimalSeparator())));
    E_Min_Por->setText(QString::fromStdString(centimetresText(plot->minCm, decimalSeparator())));
    Chart1->refresh();
    return true;
}

void TKestrom_BMP::placeComparison() {
    // Point j of the comparison lies at j x recorder rate / comparison rate on the recorder
    // flight's axis, so equal times line up; alone on the chart it keeps its own points.
    const std::uint32_t recorderRate = state_.recorder.evaluated ? state_.recorder.rateTimes10 : 0;
    const std::uint32_t compareRate = state_.comparison.record.rateTimes10;
    const double scale = recorderRate > 0 && compareRate > 0
                             ? static_cast<double>(recorderRate) / static_cast<double>(compareRate)
                             : 1.0;
    Chart1->setSeriesTimeScale(SeriesId::Series3, scale);
    Chart1->setSeriesTimeScale(SeriesId::Series6, scale);
}

void TKestrom_BMP::coverShownCurves() {
    double top = 0.0;
    for (SeriesId id :
         {SeriesId::Series1, SeriesId::Series3, SeriesId::Series5, SeriesId::Series6}) {
        for (int i = 0; i < Chart1->pointCount(id); ++i) {
            top = std::max(top, Chart1->pointValue(id, i));
        }
    }
    AxisRule& left = Chart1->leftAxisRule();
    if (top > left.maximum) {
        // The same head room as the evaluation leaves above its own maximum.
        left.maximum = static_cast<double>(leftAxisMaximum(static_cast<float>(top)));
    }
}

// ---- Comparison ---------------------------------------------------------------------------------

void TKestrom_BMP::drawCompareFlight() {
    const CompareFlight& cmp = state_.comparison;
    const CompareEvaluation& ev = cmp.evaluation;
    placeComparison();
    Chart1->clearSeries(SeriesId::Series3);
    keepLeftMaximumFixed(*Chart1);
    Chart1->leftAxisRule().maximum = ev.leftAxisMax;
    // The minor ticks mark the samples between the recorder flight's second labels; only a
    // comparison alone on the chart sets them from its own rate.
    if (!state_.recorder.evaluated) {
        Chart1->setBottomMinorTickCount(ev.bottomMinorTicks);
    }
    for (float value : ev.series3) {
        Chart1->appendPoint(SeriesId::Series3, static_cast<double>(value));
    }
    // A field is written only when the evaluation found a maximum or minimum for it.
    if (ev.maxText) {
        E_Max_Por->setText(withSeparator(*ev.maxText, decimalSeparator()));
    }
    if (ev.minText) {
        E_Min_Por->setText(withSeparator(*ev.minText, decimalSeparator()));
    }
    Chart1->refresh();
}

void TKestrom_BMP::B_PorownanieClick() {
    const std::optional<std::string> name = prompts_.askFileName(FileDialog::Open);
    if (!name || name->empty()) {
        return;
    }
    loadCompareFile(*name);
}

bool TKestrom_BMP::loadCompareFile(const std::string& name) {
    std::optional<FlightImage> read = readFlightFile(name);
    if (!read) {
        return false; // nothing of the comparison, its panel or the chart has changed
    }
    CompareFlight& cmp = state_.comparison;
    const Status loaded = loadCompareFlight(cmp, read->bytes(), Chart1->leftAxisRule().maximum);
    if (!loaded) {
        prompts_.showMessage(Message::FileTooShort, Message::ProblemCaption, Buttons::Ok);
        return false;
    }
    // Nothing of an earlier comparison's filtering belongs to this flight.
    state_.compareFilter.reset();
    Chart1->clearSeries(SeriesId::Series6);
    GroupB_Por->setTitle(baseName(name));
    state_.compareMark = true;
    Porownanie1->setChecked(true);
    const FlightHeader& header = cmp.record.header;
    E_Zaw_Por->setText(QString::fromStdString(header.competitorText));
    E_NrS_Por->setText(QString::fromStdString(header.serialText));
    E_TempPor->setText(QString::fromStdString(header.temperatureText));
    E_TempPor->setReadOnly(false);
    E_probkPor->setText(qs(samplingText(header.rateCode, state_.samplingList)));
    for (QLineEdit* field : {E_Zaw_Por, E_NrS_Por, E_TempPor, E_probkPor}) {
        field->setCursorPosition(0);
    }
    if (cmp.evaluated) {
        drawCompareFlight();
    } else {
        // Too short to evaluate: no curve of an earlier comparison stays under this file's name.
        Chart1->clearSeries(SeriesId::Series3);
        Chart1->refresh();
    }
    if (calibrationImpossible(cmp.record.image)) {
        prompts_.showMessage(Message::NotAFlight, Message::ProblemCaption, Buttons::Ok);
    }
    emit flightFileOpened(QString::fromStdString(name), true);
    return true;
}

void TKestrom_BMP::clearComparePanel() {
    for (QLineEdit* field : {E_Max_Por, E_Min_Por, E_probkPor, E_TempPor, E_Zaw_Por, E_NrS_Por}) {
        field->clear();
    }
    GroupB_Por->setTitle(caption(Caption::File));
}

void TKestrom_BMP::clearRecorderPanel() {
    for (QLineEdit* field : {E_MaxGl, EMinimum, E_TempGl, E_probkGl, E_NrZawodnika, E_NrSeryjny}) {
        field->clear();
    }
    GroupB_Alt->setTitle(caption(Caption::Device));
}

void TKestrom_BMP::Porownanie1Click() {
    if (!state_.compareMark) {
        state_.compareMark = true;
        Porownanie1->setChecked(true);
        return;
    }
    state_.compareMark = false;
    Porownanie1->setChecked(false);
    clearComparePanel();
    Chart1->clearSeries(SeriesId::Series3);
    Chart1->refresh();
}

// ---- Curves, labels and zoom --------------------------------------------------------------------

void TKestrom_BMP::ppp() { Chart1->refresh(); }

void TKestrom_BMP::xxx(SeriesId series) {
    // The flight stays in memory; only its curve (and for an altitude curve its panel) goes.
    Chart1->clearSeries(series);
    if (series == SeriesId::Series3) {
        clearComparePanel();
    } else if (series == SeriesId::Series1) {
        clearRecorderPanel();
    }
    Chart1->refresh();
}

void TKestrom_BMP::Warto1Click() {
    // The chart's own state decides, so a click through the menu (which has already toggled the
    // mark) and a direct call agree.
    const bool show = !Chart1->valueLabelsVisible(SeriesId::Series1);
    Warto1->setChecked(show);
    Chart1->setValueLabelsVisible(SeriesId::Series1, show);
    Chart1->setValueLabelsVisible(SeriesId::Series3, show);
    Chart1->refresh();
}

void TKestrom_BMP::Chart1Zoom() {
    const double span = std::trunc(Chart1->bottomMaximum()) - std::trunc(Chart1->bottomMinimum());
    // The samples the minor ticks stand for are the recorder flight's, whose labels are on the
    // axis; a comparison alone gives its own.
    const std::uint32_t rate = state_.recorder.evaluated     ? state_.recorder.rateTimes10
                               : state_.comparison.evaluated ? state_.comparison.record.rateTimes10
                                                             : 0;
    if (span < 100.0 && rate > 10) {
        Chart1->setBottomMinorTickCount(static_cast<int>(rate / 10 - 1));
        Chart1->setBottomMinorGridVisible(true);
    } else {
        Chart1->setBottomMinorTickCount(0);
        Chart1->setBottomMinorGridVisible(false);
    }
}

void TKestrom_BMP::Chart1UndoZoom() { Chart1->setBottomMinorGridVisible(false); }

// ---- Temperature re-entry -----------------------------------------------------------------------

void TKestrom_BMP::E_TempGlKeyPress() {
    FlightRecord& rec = state_.recorder;
    const TemperatureEntry entry =
        enterRecorderTemperature(rec, E_TempGl->text().toStdString(), state_.config.accelView != 0);
    if (entry == TemperatureEntry::Refused) {
        prompts_.showMessage(Message::WrongTemperature, Message::ProblemCaption, Buttons::Ok);
        return;
    }
    if (entry != TemperatureEntry::Evaluated) {
        return;
    }
    // Nothing of the old evaluation stays: a filtered flight is filtered again with the same
    // parameters, and the axis keeps the comparison in view.
    Chart1->leftAxisRule().minimum = 0.0;
    keepLeftMaximumFixed(*Chart1);
    drawRecorderFlight();
    if (state_.recorderFilter) {
        drawRecorderFiltered(*state_.recorderFilter);
    }
    coverShownCurves();
    Chart1->refresh();
}

void TKestrom_BMP::E_TempPorKeyPress() {
    CompareFlight& cmp = state_.comparison;
    const TemperatureEntry entry = enterCompareTemperature(cmp, E_TempPor->text().toStdString(),
                                                           Chart1->leftAxisRule().maximum);
    if (entry == TemperatureEntry::Refused) {
        prompts_.showMessage(Message::WrongTemperature, Message::ProblemCaption, Buttons::Ok);
        return;
    }
    if (entry == TemperatureEntry::Evaluated) {
        drawCompareFlight();
        if (state_.compareFilter) {
            drawCompareFiltered(*state_.compareFilter);
        }
        coverShownCurves();
        Chart1->refresh();
    }
}

} // namespace kestrom::ui
