#pragma once
// The window's chart: six line series of points with text labels, drawn against a left
// (altitude), right (dh/dt) and bottom (time label) axis, with legend, zoom by dragging,
// value labels, bitmap output and printing. Each point's x value is its running index.

#include <qcustomplot.h>

#include <QColor>
#include <QMarginsF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <optional>

class QPrinter;

namespace kestrom::ui {

enum class SeriesId { Series1, Series2, Series3, Series4, Series5, Series6 };
inline constexpr int kSeriesCount = 6;

class LabelledGraph;
class PatternTicker;

// A series' points in the form the chart keeps them. Plain values, so they can be made on any
// thread and handed to the chart whole.
struct SeriesPoints {
    QVector<QCPGraphData> data;   // point i at key i * timeScale, in that order
    QVector<QString> labels;      // one per point; empty between the labelled ones
    QVector<int> labelledIndices; // indices with a non-empty label, ascending
    double timeScale = 1.0;       // bottom-axis units per point
};

// Range rules of a value axis: an automatic end follows the data of the axis' series; an end
// that is not automatic stays where it was set.
struct AxisRule {
    double minimum = 0.0;
    double maximum = 10.0;
    bool automatic = true;
    bool autoMinimum = true;
    bool autoMaximum = true;
};

class Chart : public QCustomPlot {
    Q_OBJECT
public:
    explicit Chart(QWidget* parent = nullptr);
    ~Chart() override;

    // Removes every point of the series.
    void clearSeries(SeriesId id);
    // Appends a point at x = the series' point count times its time scale, drawn in the series'
    // colour; `label` (may be empty) becomes a mark of the bottom axis when this series carries
    // the labels.
    void appendPoint(SeriesId id, double value, const QString& label = {});
    // Replaces every point of the series (and its time scale) in one go.
    void setSeriesPoints(SeriesId id, SeriesPoints points);
    int pointCount(SeriesId id) const;
    double pointValue(SeriesId id, int index) const; // index must be < pointCount
    double pointKey(SeriesId id, int index) const;   // its x; index must be < pointCount
    // Bottom-axis units per point of the series (1 unless set): a flight sampled at another
    // rate than the one whose labels the axis shows is drawn at its own times. Points already
    // in the series move to the new scale.
    void setSeriesTimeScale(SeriesId id, double unitsPerPoint);
    QString pointLabel(SeriesId id, int index) const;

    void setSeriesTitle(SeriesId id, const QString& title);
    QString seriesTitle(SeriesId id) const;
    bool inLegend(SeriesId id) const;
    // Puts the series into the legend (after those already there) or takes it out.
    void setInLegend(SeriesId id, bool shown);

    // Value labels painted at the visible points of the series, in its value format.
    void setValueLabelsVisible(SeriesId id, bool visible);
    bool valueLabelsVisible(SeriesId id) const;

    // Left axis (altitude, metres).
    AxisRule& leftAxisRule() { return left_; }
    const AxisRule& leftAxisRule() const { return left_; }
    // The left axis of a flight: its maximum fixed (at `maximum` when given), its minimum
    // automatic from `minimum` when given. Every flight drawing sets the axis this one way.
    void fixLeftAxis(std::optional<double> minimum, std::optional<double> maximum);
    // The drawn range of the left axis after the rules (or the zoom) are applied.
    QCPRange leftRange() const;

    // Bottom axis (sample index): minor ticks between labelled marks and their dotted grid.
    void setBottomMinorTickCount(int count);
    int bottomMinorTickCount() const { return minorTicks_; }
    void setBottomMinorGridVisible(bool visible);
    bool bottomMinorGridVisible() const;
    // The bottom axis' current minimum and maximum (the zoomed range while zoomed).
    double bottomMinimum() const;
    double bottomMaximum() const;
    // The marks drawn on the bottom axis at the last replot: position -> label.
    QMap<double, QString> bottomMarks() const;

    // Zooms to the rectangle given in widget pixels, as a drag from its top left to its bottom
    // right does, and emits zoomed(). A rectangle of less than 3 px either way is ignored.
    void zoomToPixels(const QRect& area);
    // Back to the whole data; emits zoomUndone() (also when not zoomed).
    void undoZoom();
    bool isZoomed() const { return zoomed_; }

    // Title lines, drawn left-aligned in bold above the plot.
    void setTitleLines(const QStringList& lines);
    QStringList titleLines() const { return titleLines_; }
    QColor backgroundColour() const { return background_; }
    void setBackgroundColour(const QColor& colour);

    // Writes the chart at its on-screen size as a Windows bitmap. False when it cannot be written.
    bool saveBitmap(const QString& path);
    // Print margins in percent of the page: left, top, right, bottom.
    void setPrintMargins(const QMarginsF& percent) { printMargins_ = percent; }
    QMarginsF printMargins() const { return printMargins_; }
    // Prints the chart as one page, stretched to the area inside the margins. False when the
    // printer could not start or finish the page.
    bool printOn(QPrinter& printer);

    // Applies the axis rules and replots at once.
    void refresh();

signals:
    void zoomed();
    void zoomUndone();
    void legendClicked();
    void seriesClicked(kestrom::ui::SeriesId id);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    struct Series {
        LabelledGraph* graph = nullptr;
        QVector<QString> labels;
        QVector<int> labelledIndices; // indices with a non-empty label, ascending
        QString title;
        bool inLegend = true;
        double timeScale = 1.0; // x of point i = i * timeScale
    };

    void applyRanges();
    void rebuildBottomMarks();
    void onSelectionAccepted(const QRect& rect, QMouseEvent* event);
    void onPlottableClick(QCPAbstractPlottable* plottable);
    Series& at(SeriesId id) { return series_[static_cast<std::size_t>(id)]; }
    const Series& at(SeriesId id) const { return series_[static_cast<std::size_t>(id)]; }

    std::array<Series, kSeriesCount> series_;
    AxisRule left_;
    int minorTicks_ = 0;
    bool zoomed_ = false;
    QColor background_{243, 243, 243};
    QStringList titleLines_;
    QCPTextElement* title_ = nullptr;
    QSharedPointer<QCPAxisTickerText> bottomTicker_;
    QMarginsF printMargins_{5, 5, 5, 25};
};

// A number in a pattern of the "#,##0.##" kind: thousands grouped with the locale's separator
// when `grouped`, at most `maxDecimals` decimals with trailing zeros dropped, at least
// `minDecimals`.
QString formatPattern(double value, int minDecimals, int maxDecimals, bool grouped,
                      const QLocale& locale = QLocale());

} // namespace kestrom::ui
