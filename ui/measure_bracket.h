#pragma once
// Measuring on the chart: Shift and a drag along the recorder or the comparison curve picks two
// of its points; a bracket between them shows the time, the height difference and the mean
// vertical speed. A drag without Shift still zooms and a click on a curve still picks it; Esc or
// a click without Shift takes the bracket away.

#include "analysis/curve_measure.h"
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
    // `rateOf` gives rateTimes10 of the flight drawn as Series1 or Series3; `language` the
    // language of the bracket's text. The chart must outlive the bracket.
    MeasureBracket(Chart& chart, std::function<std::uint32_t(SeriesId)> rateOf,
                   std::function<Language()> language);
    ~MeasureBracket() override;

    // Measures between points a and b of Series1 or Series3 and shows the bracket; false (and
    // nothing shown) when either point is not on that curve.
    bool measure(SeriesId curve, int a, int b);
    void clear();
    bool isShown() const { return measurement_.has_value(); }
    const std::optional<CurveMeasurement>& measurement() const { return measurement_; }
    SeriesId curve() const { return curve_; }
    // The bracket's text as drawn.
    QString text() const;
    // Puts the text into the current language.
    void retranslate();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Pick {
        SeriesId curve;
        int index;
    };
    // The point under pixel position pos: of `only`, or of the nearer of the two curves.
    std::optional<Pick> pick(QPointF pos, std::optional<SeriesId> only) const;
    void removeItems();

    Chart& chart_;
    std::function<std::uint32_t(SeriesId)> rateOf_;
    std::function<Language()> language_;
    std::optional<CurveMeasurement> measurement_;
    SeriesId curve_ = SeriesId::Series1;
    std::optional<Pick> dragStart_;
    QCPItemBracket* bracket_ = nullptr;
    QCPItemText* label_ = nullptr;
    QCPItemTracer* marks_[2] = {nullptr, nullptr};
};

// The bracket's text for a measurement: three lines, Δt in seconds, Δh in metres and the mean
// vertical speed in metres per second, with the language's words and decimal sign.
QString measurementText(const CurveMeasurement& m, Language language);

} // namespace kestrom::ui
