#pragma once
// Measuring on the chart: Shift and a drag along the recorder or the comparison curve picks two
// of its points; a bracket between them shows the time, the height difference and the mean
// vertical speed. A drag without Shift still zooms and a click on a curve still picks it; Esc or
// a click without Shift takes the bracket away.

#include "analysis/curve_measure.h"
#include "analysis/shown_flights.h"
#include "core/texts.h"
#include "ui/chart.h"

#include <QObject>
#include <QPointF>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class QCPItemBracket;
class QCPItemText;
class QCPItemTracer;

namespace kestrom::ui {

class MeasureBracket : public QObject {
    Q_OBJECT
public:
    // `shown` gives the window's shown flights, where the selection is kept; the chart draws
    // them. The chart must outlive the bracket.
    MeasureBracket(Chart& chart, std::function<ShownFlights&()> shown);
    ~MeasureBracket() override;

    // Measures between points a and b of Series1 or Series3 and shows the bracket; false (and
    // nothing shown) when either point is not on that curve.
    bool measure(SeriesId curve, int a, int b);
    void clear();
    bool isShown() const { return measurement().has_value(); }
    std::optional<CurveMeasurement> measurement() const;
    SeriesId curve() const;
    // The bracket's text as drawn.
    QString text() const;
    // Draws the selection of the shown flights as it is now: on its curve as drawn, with its
    // numbers recomputed, in the current language; nothing when there is none.
    void update();
    void retranslate() { update(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Pick {
        FlightSide side;
        std::size_t index;
    };
    // The point nearest to pixel position pos: of `only`, or of the nearer of the two curves.
    std::optional<Pick> pick(QPointF pos, std::optional<FlightSide> only) const;
    void removeItems();

    Chart& chart_;
    std::function<ShownFlights&()> shown_;
    std::optional<Pick> dragStart_;
    QCPItemBracket* bracket_ = nullptr;
    QCPItemText* label_ = nullptr;
    QCPItemTracer* marks_[2] = {nullptr, nullptr};
};

// The bracket's text for a measurement: three lines, Δt in seconds, Δh in metres and the mean
// vertical speed in metres per second, with the language's words and decimal sign.
QString measurementText(const CurveMeasurement& m, Language language);

} // namespace kestrom::ui
