// The window's analysis handlers: the two Filter buttons, the comparison and its removal, curve
// and legend clicks, value labels, zoom and the temperature re-entry. The numbers come from the
// analysis core; these handlers only put them on the chart and panels.

#include "analysis/filter_dialog.h"
#include "ui/flight_flows.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/temperature_key_filter.h"

#include <QAction>
#include <QLineEdit>

#include <algorithm>
#include <cmath>

namespace kestrom::ui {

void TKestrom_BMP::connectAnalysisActions() {
    auto* keys = new TemperatureKeyFilter(this);
    GroupB_Alt->temperatureField().installEventFilter(keys);
    GroupB_Por->temperatureField().installEventFilter(keys);
}

// ---- Filter buttons ----------------------------------------------------------------------------

void TKestrom_BMP::B_Filtr_AltClick() { flows_->filterRecorder(filterParamsOf(state_.config)); }

void TKestrom_BMP::B_Filtr_porClick() { flows_->filterComparison(filterParamsOf(state_.config)); }

// ---- Comparison ---------------------------------------------------------------------------------

void TKestrom_BMP::B_PorownanieClick() {
    const std::optional<std::string> name = prompts_.askFileName(FileDialog::Open);
    if (!name || name->empty()) {
        return;
    }
    loadCompareFile(*name);
}

bool TKestrom_BMP::loadCompareFile(const std::string& name) {
    if (!flows_->loadComparison(name)) {
        return false;
    }
    emit flightFileOpened(QString::fromStdString(name), true);
    return true;
}

void TKestrom_BMP::Porownanie1Click() {
    // The menu has already toggled the mark; setting it again changes nothing else (a
    // temperature entry or a new comparison draws the flight again).
    flows_->setComparisonMark(Porownanie1->isChecked());
}

// ---- Curves, labels and zoom --------------------------------------------------------------------

void TKestrom_BMP::ppp() { Chart1->refresh(); }

void TKestrom_BMP::xxx(SeriesId series) {
    // The flight stays in memory; only its curve (and for an altitude curve its panel) goes.
    flows_->takeCurveOff(series);
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
    const std::uint32_t rate = state_.shown.recorder.evaluated ? state_.shown.recorder.rateTimes10
                               : state_.shown.comparison.evaluated
                                   ? state_.shown.comparison.record.rateTimes10
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
    if (!flows_->enterRecorderTemperature(GroupB_Alt->temperatureField().text().toStdString())) {
        prompts_.showMessage(Message::WrongTemperature, Message::ProblemCaption, Buttons::Ok);
    }
}

void TKestrom_BMP::E_TempPorKeyPress() {
    if (!flows_->enterComparisonTemperature(GroupB_Por->temperatureField().text().toStdString())) {
        prompts_.showMessage(Message::WrongTemperature, Message::ProblemCaption, Buttons::Ok);
    }
}

} // namespace kestrom::ui
