#include "ui/chart.h"

#include "core/texts.h"
#include "files/whole_file.h"
#include "ui/qt_text.h"

#include <QBuffer>
#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace kestrom::ui {

QString formatPattern(double value, int minDecimals, int maxDecimals, bool grouped,
                      const QLocale& locale) {
    QLocale loc = locale;
    loc.setNumberOptions(grouped ? QLocale::DefaultNumberOptions : QLocale::OmitGroupSeparator);
    QString text = loc.toString(value, 'f', maxDecimals);
    const QString point = loc.decimalPoint();
    const qsizetype dot = text.lastIndexOf(point);
    if (dot >= 0) {
        qsizetype keep = text.size();
        const qsizetype minEnd = dot + point.size() + minDecimals;
        while (keep > minEnd && text[keep - 1] == QLatin1Char('0')) {
            --keep;
        }
        if (keep == dot + point.size()) {
            keep = dot; // no decimals left: no separator either
        }
        text.truncate(keep);
    }
    if (text == QLatin1String("-0")) {
        text = QStringLiteral("0");
    }
    return text;
}

// Axis numbers in a fixed pattern, with a smallest step between marks.
class PatternTicker : public QCPAxisTicker {
public:
    PatternTicker(int maxDecimals, double minStep) : maxDecimals_(maxDecimals), minStep_(minStep) {}

protected:
    double getTickStep(const QCPRange& range) override {
        return std::max(minStep_, QCPAxisTicker::getTickStep(range));
    }
    QString getTickLabel(double tick, const QLocale& locale, QChar, int) override {
        return formatPattern(tick, 0, maxDecimals_, true, locale);
    }

private:
    int maxDecimals_;
    double minStep_;
};

// A line series that can paint each visible point's value beside it.
class LabelledGraph : public QCPGraph {
public:
    LabelledGraph(QCPAxis* key, QCPAxis* value, int minDecimals, int maxDecimals)
        : QCPGraph(key, value), minDecimals_(minDecimals), maxDecimals_(maxDecimals) {}

    bool showValues = false;

protected:
    void draw(QCPPainter* painter) override {
        QCPGraph::draw(painter);
        if (!showValues || data()->isEmpty()) {
            return;
        }
        const QCPRange keys = keyAxis()->range();
        auto it = data()->findBegin(keys.lower, false);
        const auto end = data()->findEnd(keys.upper, false);
        painter->setPen(pen().color());
        QFont font = parentPlot()->font();
        font.setPointSize(8);
        painter->setFont(font);
        const QFontMetrics metrics(font);
        double lastX = -std::numeric_limits<double>::infinity();
        for (; it != end; ++it) {
            const QPointF at = coordsToPixels(it->key, it->value);
            // Labels closer than their own height only smear into one block.
            if (at.x() - lastX < metrics.height()) {
                continue;
            }
            lastX = at.x();
            const QString text = formatPattern(it->value, minDecimals_, maxDecimals_, true);
            painter->save();
            painter->translate(at);
            painter->rotate(-90);
            painter->drawText(QPointF(4, metrics.ascent() / 2.0), text);
            painter->restore();
        }
    }

private:
    int minDecimals_;
    int maxDecimals_;
};

// The title: left-aligned text on a raised bevel three pixels wide around it.
class BevelTitle : public QCPTextElement {
public:
    BevelTitle(QCustomPlot* plot, const QFont& font) : QCPTextElement(plot, QString(), font) {}

protected:
    void draw(QCPPainter* painter) override {
        QCPTextElement::draw(painter);
        if (text().trimmed().isEmpty()) {
            return;
        }
        constexpr int kBevel = 3;
        const QRect box = mTextBoundingRect.adjusted(-kBevel - 2, -kBevel - 1, kBevel + 2, kBevel);
        for (int i = 0; i < kBevel; ++i) {
            const QRect r = box.adjusted(i, i, -i, -i);
            painter->setPen(QPen(Qt::white, 1));
            painter->drawLine(r.topLeft(), r.topRight());
            painter->drawLine(r.topLeft(), r.bottomLeft());
            painter->setPen(QPen(QColor(128, 128, 128), 1));
            painter->drawLine(r.bottomLeft(), r.bottomRight());
            painter->drawLine(r.topRight(), r.bottomRight());
        }
    }
};

namespace {

// The chart has no language of its own: its texts are the design's, alike in every language.
QString designText(Text key) { return qs(text(key, Language::Polish)); }

QFont chartFont(int points, bool bold) {
    QFont font(QStringLiteral("Liberation Sans"), points);
    font.setBold(bold);
    return font;
}

struct SeriesLook {
    Text title; // the design's legend name
    QColor colour;
    int width;
    Qt::PenStyle style;
    bool rightAxis;
    bool inLegend;
    int minDecimals;
    int maxDecimals;
};

const std::array<SeriesLook, kSeriesCount> kLooks{{
    {Text::SeriesAltitude, QColor(232, 0, 0), 2, Qt::SolidLine, false, true, 0, 2},
    {Text::SeriesAcceleration, QColor(0, 0, 255), 1, Qt::SolidLine, true, true, 0, 2},
    {Text::SeriesCompare, QColor(0, 230, 0), 2, Qt::SolidLine, false, true, 1, 3},
    {Text::SeriesFilter, QColor(0, 128, 0), 2, Qt::SolidLine, false, false, 0, 2},
    {Text::SeriesFilter1, QColor(240, 0, 0), 1, Qt::DashLine, false, true, 0, 2},
    {Text::SeriesFilter2, QColor(0, 230, 0), 1, Qt::DashLine, false, true, 0, 2},
}};

const QColor kGrid(167, 167, 167);

} // namespace

Chart::Chart(QWidget* parent) : QCustomPlot(parent) {
    setObjectName(QStringLiteral("Chart1"));
    setFont(chartFont(8, false));
    setBackground(background_);
    setNoAntialiasingOnDrag(true);
    plotLayout()->setMargins(QMargins(5, 0, 0, 30));

    title_ = new BevelTitle(this, chartFont(10, true));
    title_->setTextFlags(Qt::AlignLeft | Qt::AlignVCenter);
    title_->setTextColor(Qt::black);
    title_->setMargins(QMargins(8, 6, 8, 6)); // room for the bevel
    plotLayout()->insertRow(0);
    plotLayout()->addElement(0, 0, title_);
    setTitleLines({designText(Text::ChartTitle)});

    QCPAxis* leftAxis = yAxis;
    leftAxis->setTicker(QSharedPointer<PatternTicker>::create(1, 0.1));
    leftAxis->setTickLabelFont(chartFont(10, true));
    leftAxis->setTickLength(0, 0);
    leftAxis->setSubTicks(false);
    leftAxis->grid()->setPen(QPen(kGrid, 1, Qt::SolidLine));

    yAxis2->setVisible(true);
    yAxis2->setTicker(QSharedPointer<PatternTicker>::create(2, 0.1));
    yAxis2->setTickLabelFont(chartFont(9, true));
    yAxis2->setTickLength(0, 0);
    yAxis2->setSubTicks(false);
    yAxis2->grid()->setVisible(true);
    yAxis2->grid()->setPen(QPen(QColor(159, 159, 255), 1, Qt::DotLine));

    bottomTicker_ = QSharedPointer<QCPAxisTickerText>::create();
    xAxis->setTicker(bottomTicker_);
    xAxis->setTickLabelRotation(-90);
    xAxis->setTickLabelFont(chartFont(11, true));
    xAxis->setBasePen(QPen(Qt::black, 1, Qt::DotLine));
    xAxis->grid()->setPen(QPen(kGrid, 1, Qt::SolidLine));
    xAxis->grid()->setSubGridPen(QPen(QColor(192, 192, 192), 1, Qt::DotLine));
    xAxis->grid()->setSubGridVisible(false);
    xAxis2->setVisible(false);

    legend->setVisible(true);
    legend->setFont(chartFont(8, false));
    legend->setBrush(QBrush(Qt::white));
    legend->setMargins(QMargins(1, 2, 1, 2));
    axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);
    axisRect()->insetLayout()->setMargins(QMargins(0, 15, 8, 0));

    for (int i = 0; i < kSeriesCount; ++i) {
        const SeriesLook& look = kLooks[static_cast<std::size_t>(i)];
        Series& s = series_[static_cast<std::size_t>(i)];
        s.graph = new LabelledGraph(xAxis, look.rightAxis ? yAxis2 : yAxis, look.minDecimals,
                                    look.maxDecimals);
        s.graph->setPen(QPen(look.colour, look.width, look.style));
        s.graph->setLineStyle(QCPGraph::lsLine);
        s.graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
        s.title = designText(look.title);
        s.graph->setName(s.title);
        s.inLegend = look.inLegend;
        if (!look.inLegend) {
            s.graph->removeFromLegend();
        }
    }

    setSelectionRectMode(QCP::srmCustom);
    selectionRect()->setPen(QPen(QColor(0, 0, 255), 1, Qt::SolidLine));
    selectionRect()->setBrush(QBrush(QColor(0, 0, 255, 30)));
    connect(selectionRect(), &QCPSelectionRect::accepted, this,
            [this](const QRect& rect, QMouseEvent* event) { onSelectionAccepted(rect, event); });
    connect(this, &QCustomPlot::plottableClick, this,
            [this](QCPAbstractPlottable* p, int, QMouseEvent*) { onPlottableClick(p); });
    connect(this, &QCustomPlot::legendClick, this, [this] { emit legendClicked(); });
    connect(this, &QCustomPlot::beforeReplot, this, [this] {
        applyRanges();
        rebuildBottomMarks();
        // With more points than pixel columns in view, smoothing the lines shows nothing more
        // and costs most of a frame; zoomed in, the curves are smoothed.
        const bool dense = xAxis->range().size() > static_cast<double>(axisRect()->width());
        setNotAntialiasedElements(dense ? QCP::aePlottables : QCP::aeNone);
    });
}

Chart::~Chart() = default;

void Chart::clearSeries(SeriesId id) {
    Series& s = at(id);
    s.graph->data()->clear();
    s.labels.clear();
    s.labelledIndices.clear();
    replot(rpQueuedReplot);
}

void Chart::appendPoint(SeriesId id, double value, const QString& label) {
    Series& s = at(id);
    const int index = static_cast<int>(s.labels.size());
    s.graph->addData(static_cast<double>(index) * s.timeScale, value);
    s.labels.push_back(label);
    if (!label.isEmpty()) {
        s.labelledIndices.push_back(index);
    }
    replot(rpQueuedReplot);
}

void Chart::setSeriesPoints(SeriesId id, SeriesPoints points) {
    Series& s = at(id);
    if (points.timeScale > 0.0) {
        s.timeScale = points.timeScale;
    }
    s.graph->data()->set(points.data, true);
    s.labels = std::move(points.labels);
    s.labelledIndices = std::move(points.labelledIndices);
    replot(rpQueuedReplot);
}

int Chart::pointCount(SeriesId id) const { return static_cast<int>(at(id).labels.size()); }

double Chart::pointValue(SeriesId id, int index) const {
    return at(id).graph->data()->at(index)->value;
}

double Chart::pointKey(SeriesId id, int index) const {
    return at(id).graph->data()->at(index)->key;
}

void Chart::setSeriesTimeScale(SeriesId id, double unitsPerPoint) {
    Series& s = at(id);
    if (unitsPerPoint == s.timeScale || !(unitsPerPoint > 0.0)) {
        return;
    }
    s.timeScale = unitsPerPoint;
    QVector<double> keys;
    QVector<double> values;
    keys.reserve(s.graph->dataCount());
    values.reserve(s.graph->dataCount());
    for (int i = 0; i < s.graph->dataCount(); ++i) {
        keys.push_back(static_cast<double>(i) * unitsPerPoint);
        values.push_back(s.graph->data()->at(i)->value);
    }
    s.graph->setData(keys, values, true);
    replot(rpQueuedReplot);
}

QString Chart::pointLabel(SeriesId id, int index) const { return at(id).labels.at(index); }

void Chart::setSeriesTitle(SeriesId id, const QString& title) {
    Series& s = at(id);
    s.title = title;
    s.graph->setName(title);
    replot(rpQueuedReplot);
}

QString Chart::seriesTitle(SeriesId id) const { return at(id).title; }

bool Chart::inLegend(SeriesId id) const { return at(id).inLegend; }

void Chart::setInLegend(SeriesId id, bool shown) {
    Series& s = at(id);
    if (s.inLegend == shown) {
        return;
    }
    s.inLegend = shown;
    if (shown) {
        s.graph->addToLegend();
    } else {
        s.graph->removeFromLegend();
    }
}

void Chart::setValueLabelsVisible(SeriesId id, bool visible) {
    at(id).graph->showValues = visible;
    replot(rpQueuedReplot);
}

bool Chart::valueLabelsVisible(SeriesId id) const { return at(id).graph->showValues; }

QCPRange Chart::leftRange() const { return yAxis->range(); }

void Chart::fixLeftAxis(std::optional<double> minimum, std::optional<double> maximum) {
    if (minimum) {
        left_.minimum = *minimum;
    }
    left_.automatic = false;
    left_.autoMaximum = false;
    left_.autoMinimum = true;
    if (maximum) {
        left_.maximum = *maximum;
    }
}

void Chart::setBottomMinorTickCount(int count) {
    minorTicks_ = std::max(0, count);
    replot(rpQueuedReplot);
}

void Chart::setBottomMinorGridVisible(bool visible) {
    xAxis->grid()->setSubGridVisible(visible);
    replot(rpQueuedReplot);
}

bool Chart::bottomMinorGridVisible() const { return xAxis->grid()->subGridVisible(); }

double Chart::bottomMinimum() const { return xAxis->range().lower; }

double Chart::bottomMaximum() const { return xAxis->range().upper; }

QMap<double, QString> Chart::bottomMarks() const { return bottomTicker_->ticks(); }

void Chart::applyRanges() {
    if (zoomed_) {
        return;
    }
    // Bottom: every point of every series (the whole flight, however long), each at its time.
    double last = 0.0;
    for (const Series& s : series_) {
        if (!s.labels.isEmpty()) {
            last = std::max(last, static_cast<double>(s.labels.size() - 1) * s.timeScale);
        }
    }
    xAxis->setRange(0.0, last > 0.0 ? last : 1.0);

    bool found = false;
    QCPRange leftData;
    bool foundRight = false;
    QCPRange right;
    for (const Series& s : series_) {
        bool has = false;
        const QCPRange r = s.graph->getValueRange(has);
        if (!has) {
            continue;
        }
        if (s.graph->valueAxis() == yAxis2) {
            right = foundRight
                        ? QCPRange(std::min(right.lower, r.lower), std::max(right.upper, r.upper))
                        : r;
            foundRight = true;
        } else {
            leftData = found ? QCPRange(std::min(leftData.lower, r.lower),
                                        std::max(leftData.upper, r.upper))
                             : r;
            found = true;
        }
    }
    double lo = left_.minimum;
    double hi = left_.maximum;
    if (found && (left_.automatic || left_.autoMinimum)) {
        lo = leftData.lower;
    }
    if (found && (left_.automatic || left_.autoMaximum)) {
        hi = leftData.upper;
    }
    if (!(hi > lo)) {
        hi = lo + 1.0; // a flat or empty axis still needs a span to draw
    }
    yAxis->setRange(lo, hi);
    if (foundRight && right.upper > right.lower) {
        yAxis2->setRange(right);
    } else if (foundRight) {
        yAxis2->setRange(right.lower - 0.5, right.upper + 0.5);
    } else {
        yAxis2->setRange(0.0, 1.0);
    }
}

void Chart::rebuildBottomMarks() {
    bottomTicker_->clear();
    // The marks come from the first series that carries labels.
    const Series* source = nullptr;
    for (const Series& s : series_) {
        if (!s.labelledIndices.isEmpty()) {
            source = &s;
            break;
        }
    }
    if (source == nullptr) {
        bottomTicker_->setSubTickCount(0);
        return;
    }
    struct Mark {
        double x;
        QString text;
    };
    std::vector<Mark> marks;
    const auto& idx = source->labelledIndices;
    for (const int i : idx) {
        marks.push_back({static_cast<double>(i) * source->timeScale, source->labels[i]});
    }
    double labelledEnd = static_cast<double>(source->labels.size() - 1) * source->timeScale;
    // A longer flight of another series (a comparison, whose points carry no labels) extends the
    // axis: the whole-second marks carry on there with the spacing and step of the last two.
    double dataEnd = labelledEnd;
    for (const Series& s : series_) {
        const int n = s.graph->dataCount();
        if (n > 0) {
            dataEnd = std::max(dataEnd, static_cast<double>(n - 1) * s.timeScale);
        }
    }
    bool numbers = idx.size() >= 2;
    const long long a = numbers ? source->labels[idx[idx.size() - 2]].toLongLong(&numbers) : 0;
    const long long b = numbers ? source->labels[idx.back()].toLongLong(&numbers) : 0;
    if (numbers && dataEnd > labelledEnd) {
        const double spacing = marks.back().x - marks[marks.size() - 2].x;
        for (long long k = 1; spacing > 0.0 && marks.back().x + spacing <= dataEnd; ++k) {
            marks.push_back({marks.back().x + spacing, QString::number(b + k * (b - a))});
        }
        labelledEnd = dataEnd;
    }
    const QCPRange range = xAxis->range();
    const auto first = std::lower_bound(marks.begin(), marks.end(), range.lower,
                                        [](const Mark& m, double x) { return m.x < x; });
    const auto last = std::upper_bound(marks.begin(), marks.end(), range.upper,
                                       [](double x, const Mark& m) { return x < m.x; });
    const auto visible = static_cast<int>(last - first);
    // Upright text needs about one line height per mark to stay readable. The marks share only
    // the part of the axis they cover.
    int pixels = std::max(1, axisRect()->width());
    if (labelledEnd < range.upper) {
        const double share = std::max(0.0, labelledEnd - range.lower) / range.size();
        pixels = std::max(1, static_cast<int>(pixels * share));
    }
    const int lineHeight = QFontMetrics(xAxis->tickLabelFont()).height() + 2;
    const int fit = std::max(1, pixels / lineHeight);
    const int step = std::max(1, (visible + fit - 1) / fit);
    for (auto it = first; it < last; it += step) {
        bottomTicker_->addTick(it->x, it->text);
        if (last - it <= step) {
            break;
        }
    }
    // Minor ticks sit between neighbouring marks; thinned marks would need too many.
    int sub = 0;
    if (minorTicks_ > 0) {
        const long long wanted = static_cast<long long>(minorTicks_ + 1) * step - 1;
        const double perMark = visible > 0 ? static_cast<double>(pixels) * step / visible : 0.0;
        if (perMark / static_cast<double>(wanted + 1) >= 3.0) {
            sub = static_cast<int>(wanted);
        }
    }
    bottomTicker_->setSubTickCount(sub);
}

void Chart::zoomToPixels(const QRect& area) {
    const QRect r = area.normalized();
    if (r.width() < 3 || r.height() < 3) {
        return;
    }
    xAxis->setRange(xAxis->pixelToCoord(r.left()), xAxis->pixelToCoord(r.right()));
    yAxis->setRange(yAxis->pixelToCoord(r.bottom()), yAxis->pixelToCoord(r.top()));
    yAxis2->setRange(yAxis2->pixelToCoord(r.bottom()), yAxis2->pixelToCoord(r.top()));
    zoomed_ = true;
    emit zoomed();
    replot();
}

void Chart::undoZoom() {
    zoomed_ = false;
    emit zoomUndone();
    replot();
}

void Chart::onSelectionAccepted(const QRect& rect, QMouseEvent*) {
    // The rectangle keeps the drag direction: right and down zooms, back left or up undoes.
    const int dx = rect.width();
    const int dy = rect.height();
    if (dx < -2 || dy < -2) {
        undoZoom();
    } else if (dx > 2 && dy > 2) {
        zoomToPixels(rect);
    }
}

void Chart::onPlottableClick(QCPAbstractPlottable* plottable) {
    for (int i = 0; i < kSeriesCount; ++i) {
        if (series_[static_cast<std::size_t>(i)].graph == plottable) {
            emit seriesClicked(static_cast<SeriesId>(i));
            return;
        }
    }
}

void Chart::mousePressEvent(QMouseEvent* event) {
    // A press on a curve or on the legend is a click, not the start of a zoom rectangle.
    const QPointF pos = event->position();
    const bool onLegend = legend->visible() && legend->outerRect().contains(pos.toPoint());
    const bool onCurve = plottableAt(pos, false) != nullptr;
    setSelectionRectMode(onLegend || onCurve ? QCP::srmNone : QCP::srmCustom);
    QCustomPlot::mousePressEvent(event);
}

void Chart::setTitleLines(const QStringList& lines) {
    titleLines_ = lines;
    title_->setText(lines.join(QLatin1Char('\n')));
    replot(rpQueuedReplot);
}

void Chart::setBackgroundColour(const QColor& colour) {
    background_ = colour;
    setBackground(colour);
    replot(rpQueuedReplot);
}

bool Chart::saveBitmap(const QString& path) {
    // Encoded in memory, then written as every other file: a picture replaced whole, a link kept.
    QImage image = toPixmap(width(), height(), 1.0).toImage();
    constexpr double kDotsPerInch = 96.0;
    const int dotsPerMetre = qRound(kDotsPerInch / 0.0254);
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    QByteArray bmp;
    QBuffer buffer(&bmp);
    if (image.isNull() || !buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "BMP")) {
        return false;
    }
    const auto* encoded = reinterpret_cast<const std::uint8_t*>(bmp.constData());
    return writeWholeFile(path.toStdString(),
                          std::span(encoded, static_cast<std::size_t>(bmp.size())))
        .ok();
}

bool Chart::printOn(QPrinter& printer) {
    QCPPainter painter;
    if (!painter.begin(&printer)) {
        return false;
    }
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const QRectF area(
        page.width() * printMargins_.left() / 100.0, page.height() * printMargins_.top() / 100.0,
        page.width() * (100.0 - printMargins_.left() - printMargins_.right()) / 100.0,
        page.height() * (100.0 - printMargins_.top() - printMargins_.bottom()) / 100.0);
    if (area.width() <= 0 || area.height() <= 0 || width() <= 0 || height() <= 0) {
        painter.end(); // an empty page: nothing of the chart fits
        return false;
    }
    // Drawn at screen size and stretched: printer resolution would blow the fonts up.
    painter.translate(area.topLeft());
    painter.scale(area.width() / width(), area.height() / height());
    toPainter(&painter, width(), height());
    // The page goes out at the end; a printer that fails then has not printed either.
    return painter.end();
}

void Chart::refresh() { replot(rpImmediateRefresh); }

} // namespace kestrom::ui
