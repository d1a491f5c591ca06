#include "ui/measure_bracket.h"

#include "ui/qt_text.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <cmath>
#include <vector>

namespace kestrom::ui {
namespace {

// The curves a bracket can lie on: both are drawn against the left (altitude) axis.
constexpr SeriesId kCurves[] = {SeriesId::Series1, SeriesId::Series3};

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

MeasureBracket::MeasureBracket(Chart& chart, std::function<std::uint32_t(SeriesId)> rateOf,
                               std::function<Language()> language)
    : QObject(&chart), chart_(chart), rateOf_(std::move(rateOf)), language_(std::move(language)) {
    // Esc reaches the chart once a press has given it the focus.
    if (chart_.focusPolicy() == Qt::NoFocus) {
        chart_.setFocusPolicy(Qt::ClickFocus);
    }
    chart_.installEventFilter(this);
}

MeasureBracket::~MeasureBracket() = default;

std::optional<MeasureBracket::Pick> MeasureBracket::pick(QPointF pos,
                                                         std::optional<SeriesId> only) const {
    std::optional<Pick> best;
    double bestDistance = 0.0;
    for (SeriesId id : kCurves) {
        const int count = chart_.pointCount(id);
        if ((only && *only != id) || count == 0) {
            continue;
        }
        QCPGraph* graph = chart_.graph(static_cast<int>(id));
        const double key = graph->keyAxis()->pixelToCoord(pos.x());
        const int index = std::clamp(static_cast<int>(std::lround(key)), 0, count - 1);
        const double y = graph->valueAxis()->coordToPixel(chart_.pointValue(id, index));
        const double distance = std::abs(y - pos.y());
        if (!best || distance < bestDistance) {
            best = Pick{id, index};
            bestDistance = distance;
        }
    }
    return best;
}

bool MeasureBracket::measure(SeriesId curve, int a, int b) {
    const int count = chart_.pointCount(curve);
    if ((curve != SeriesId::Series1 && curve != SeriesId::Series3) || a < 0 || b < 0 ||
        a >= count || b >= count) {
        clear();
        return false;
    }
    std::vector<double> values(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        values[static_cast<std::size_t>(i)] = chart_.pointValue(curve, i);
    }
    measurement_ = measureCurve(values, rateOf_(curve), static_cast<std::size_t>(a),
                                static_cast<std::size_t>(b));
    curve_ = curve;
    if (!measurement_) {
        clear();
        return false;
    }
    QCPGraph* graph = chart_.graph(static_cast<int>(curve));
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
    // The bracket opens upwards from the earlier point to the later, whichever way it was drawn.
    const auto& m = *measurement_;
    for (QCPItemPosition* p : {bracket_->left, bracket_->right}) {
        p->setAxes(graph->keyAxis(), graph->valueAxis());
    }
    bracket_->left->setCoords(static_cast<double>(m.toIndex), m.toMetres);
    bracket_->right->setCoords(static_cast<double>(m.fromIndex), m.fromMetres);
    marks_[0]->setGraph(graph);
    marks_[0]->setGraphKey(static_cast<double>(m.fromIndex));
    marks_[1]->setGraph(graph);
    marks_[1]->setGraphKey(static_cast<double>(m.toIndex));
    retranslate();
    return true;
}

QString MeasureBracket::text() const { return label_ != nullptr ? label_->text() : QString(); }

void MeasureBracket::retranslate() {
    if (measurement_ && label_ != nullptr) {
        label_->setText(measurementText(*measurement_, language_()));
        chart_.replot(QCustomPlot::rpQueuedReplot);
    }
}

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
    const bool shown = measurement_.has_value() || bracket_ != nullptr;
    measurement_.reset();
    if (shown) {
        removeItems();
        chart_.replot(QCustomPlot::rpQueuedReplot);
    }
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
            measure(dragStart_->curve, dragStart_->index, dragStart_->index);
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
        if (const auto end = pick(mouse->position(), start.curve)) {
            measure(start.curve, start.index, end->index);
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            dragStart_.reset();
        } else {
            dragStart_ = start; // measure() keeps the drag going
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
