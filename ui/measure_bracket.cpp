#include "ui/measure_bracket.h"

#include "ui/qt_text.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <cmath>
#include <vector>

namespace kestrom::ui {
namespace {

// The curves a bracket can lie on: both are drawn against the left (altitude) axis.
constexpr FlightSide kSides[] = {FlightSide::Recorder, FlightSide::Comparison};

SeriesId seriesOf(FlightSide side) {
    return side == FlightSide::Recorder ? SeriesId::Series1 : SeriesId::Series3;
}

ShownCurve altitudeOf(FlightSide side) {
    return side == FlightSide::Recorder ? ShownCurve::RecorderAltitude
                                        : ShownCurve::CompareAltitude;
}

// The user's regional decimal separator, whatever the language, as in the panels.
QString number(double value, int decimals) {
    return QString::fromStdString(decimalText(value, decimals, decimalSeparator()));
}

} // namespace

QString measurementText(const CurveMeasurement& m, Language language) {
    const QString none = QStringLiteral("—");
    const QString dt = m.deltaSeconds ? number(*m.deltaSeconds, 2) + QStringLiteral(" s") : none;
    const QString speed =
        m.metresPerSecond ? number(*m.metresPerSecond, 2) + QStringLiteral(" m/s") : none;
    return QStringLiteral("Δt = %1\nΔh = %2 m\n%3: %4")
        .arg(dt, number(m.deltaMetres, 1), qs(text(Text::MeanVerticalSpeed, language)), speed);
}

MeasureBracket::MeasureBracket(Chart& chart, std::function<ShownFlights&()> shown)
    : QObject(&chart), chart_(chart), shown_(std::move(shown)) {
    // Esc reaches the chart once a press has given it the focus.
    if (chart_.focusPolicy() == Qt::NoFocus) {
        chart_.setFocusPolicy(Qt::ClickFocus);
    }
    chart_.installEventFilter(this);
}

MeasureBracket::~MeasureBracket() = default;

std::optional<CurveMeasurement> MeasureBracket::measurement() const {
    return measuredSelection(shown_());
}

SeriesId MeasureBracket::curve() const {
    const ShownFlights& m = shown_();
    return seriesOf(m.selection ? m.selection->side : FlightSide::Recorder);
}

std::optional<MeasureBracket::Pick> MeasureBracket::pick(QPointF pos,
                                                         std::optional<FlightSide> only) const {
    const ShownFlights& m = shown_();
    std::optional<Pick> best;
    double bestDistance = 0.0;
    for (FlightSide side : kSides) {
        if (only && *only != side) {
            continue;
        }
        const double key = chart_.xAxis->pixelToCoord(pos.x());
        const std::optional<std::size_t> index = nearestPoint(m, side, key);
        if (!index) {
            continue;
        }
        const double value = curveMetres(m, altitudeOf(side))[*index];
        const double distance = std::abs(chart_.yAxis->coordToPixel(value) - pos.y());
        if (!best || distance < bestDistance) {
            best = Pick{side, *index};
            bestDistance = distance;
        }
    }
    return best;
}

bool MeasureBracket::measure(SeriesId curve, int a, int b) {
    ShownFlights& m = shown_();
    if ((curve != SeriesId::Series1 && curve != SeriesId::Series3) || a < 0 || b < 0) {
        m = clearSelection(std::move(m));
    } else {
        m = selectPoints(std::move(m),
                         curve == SeriesId::Series1 ? FlightSide::Recorder : FlightSide::Comparison,
                         static_cast<std::size_t>(a), static_cast<std::size_t>(b));
    }
    update();
    return isShown();
}

void MeasureBracket::update() {
    const ShownFlights& m = shown_();
    const std::optional<CurveMeasurement> measured = measuredSelection(m);
    if (!measured) {
        if (bracket_ != nullptr) {
            removeItems();
            chart_.replot(QCustomPlot::rpQueuedReplot);
        }
        return;
    }
    QCPGraph* graph = chart_.graph(static_cast<int>(seriesOf(m.selection->side)));
    if (bracket_ == nullptr) {
        bracket_ = new QCPItemBracket(&chart_);
        bracket_->setPen(QPen(Qt::black, 1.5));
        bracket_->setLength(8);
        bracket_->setStyle(QCPItemBracket::bsSquare);
        label_ = new QCPItemText(&chart_);
        label_->setPositionAlignment(Qt::AlignHCenter | Qt::AlignBottom);
        label_->setBrush(QBrush(QColor(255, 255, 225)));
        label_->setPen(QPen(Qt::black));
        label_->setPadding(QMargins(4, 2, 4, 2));
        label_->setTextAlignment(Qt::AlignLeft);
        label_->position->setParentAnchor(bracket_->center);
        label_->position->setCoords(0, -4);
        for (QCPItemTracer*& mark : marks_) {
            mark = new QCPItemTracer(&chart_);
            mark->setStyle(QCPItemTracer::tsCircle);
            mark->setSize(7);
            mark->setPen(QPen(Qt::black, 1.5));
            mark->setBrush(Qt::white);
        }
    }
    // Each point at its own time on the chart's time axis. The bracket opens upwards from the
    // earlier point to the later, whichever way it was drawn.
    const double unitsPerPoint = chartUnitsPerPoint(m, m.selection->side);
    const double fromKey = static_cast<double>(measured->fromIndex) * unitsPerPoint;
    const double toKey = static_cast<double>(measured->toIndex) * unitsPerPoint;
    for (QCPItemPosition* p : {bracket_->left, bracket_->right}) {
        p->setAxes(graph->keyAxis(), graph->valueAxis());
    }
    bracket_->left->setCoords(toKey, measured->toMetres);
    bracket_->right->setCoords(fromKey, measured->fromMetres);
    marks_[0]->setGraph(graph);
    marks_[0]->setGraphKey(fromKey);
    marks_[1]->setGraph(graph);
    marks_[1]->setGraphKey(toKey);
    label_->setText(measurementText(*measured, m.language));
    chart_.replot(QCustomPlot::rpQueuedReplot);
}

QString MeasureBracket::text() const { return label_ != nullptr ? label_->text() : QString(); }

void MeasureBracket::removeItems() {
    for (QCPAbstractItem* item :
         {static_cast<QCPAbstractItem*>(label_), static_cast<QCPAbstractItem*>(bracket_),
          static_cast<QCPAbstractItem*>(marks_[0]), static_cast<QCPAbstractItem*>(marks_[1])}) {
        if (item != nullptr) {
            chart_.removeItem(item);
        }
    }
    label_ = nullptr;
    bracket_ = nullptr;
    marks_[0] = marks_[1] = nullptr;
}

void MeasureBracket::clear() {
    dragStart_.reset();
    ShownFlights& m = shown_();
    m = clearSelection(std::move(m));
    update();
}

bool MeasureBracket::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &chart_) {
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) {
            return false;
        }
        if (!(mouse->modifiers() & Qt::ShiftModifier)) {
            clear(); // and the press goes on to zoom or pick a curve as always
            return false;
        }
        clear();
        chart_.setFocus(Qt::MouseFocusReason);
        dragStart_ = pick(mouse->position(), std::nullopt);
        if (dragStart_) {
            shown_() = selectPoints(std::move(shown_()), dragStart_->side, dragStart_->index,
                                    dragStart_->index);
            update();
        }
        return true;
    }
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease: {
        if (!dragStart_) {
            return false;
        }
        auto* mouse = static_cast<QMouseEvent*>(event);
        const Pick start = *dragStart_;
        if (const auto end = pick(mouse->position(), start.side)) {
            shown_() = selectPoints(std::move(shown_()), start.side, start.index, end->index);
            update();
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            dragStart_.reset();
        } else {
            dragStart_ = start; // the drag goes on
        }
        return true;
    }
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && isShown()) {
            clear();
            return true;
        }
        return false;
    default:
        return false;
    }
}

} // namespace kestrom::ui
