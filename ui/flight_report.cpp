#include "ui/flight_report.h"

#include "files/measurement_file.h"
#include "flight/flight_header.h"
#include "flight/number_format.h"
#include "settings/settings_texts.h"
#include "ui/chart.h"
#include "ui/qt_text.h"

#include <qcustomplot.h>

#include <QPageLayout>
#include <QPageSize>

#include <cmath>

namespace kestrom::ui {
namespace {

// The chart is laid out at screen size and stretched to the page, as the printout does: at the
// device's resolution its fonts and lines would come out far too small.
constexpr double kScreenDpi = 96.0;
constexpr double kPageMarginMm = 10.0;

} // namespace

FlightReport::FlightReport(QPagedPaintDevice& device, Language language)
    : device_(device), language_(language), painter_(std::make_unique<QCPPainter>()),
      chart_(std::make_unique<Chart>()) {
    device_.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                    QMarginsF(kPageMarginMm, kPageMarginMm, kPageMarginMm, kPageMarginMm),
                    QPageLayout::Millimeter));
    const QRectF paper = device_.pageLayout().paintRect(QPageLayout::Point);
    chart_->resize(static_cast<int>(paper.width() * kScreenDpi / 72.0),
                   static_cast<int>(paper.height() * kScreenDpi / 72.0));
    // A widget never shown gets no resize event, which is where the chart takes its size from.
    chart_->setViewport(chart_->rect());
    chart_->setBackgroundColour(Qt::white);
    chart_->setSeriesTitle(SeriesId::Series1, qs(captionText(Caption::Altitude, language_)));
    chart_->setSeriesTitle(SeriesId::Series2, qs(captionText(Caption::Acceleration, language_)));
    chart_->setSeriesTitle(SeriesId::Series3, qs(captionText(Caption::Compare, language_)));
    // The bottom marks are thinned to the axis' width of the replot before: lay it out once.
    chart_->refresh();
    if (painter_->begin(&device_)) {
        painter_->setMode(QCPPainter::pmVectorized);
        painter_->setMode(QCPPainter::pmNoCaching);
    }
}

FlightReport::~FlightReport() { finish(); }

bool FlightReport::ok() const { return painter_->isActive() || finished_; }

bool FlightReport::finish() {
    if (finished_) {
        return true;
    }
    finished_ = true;
    return !painter_->isActive() || painter_->end();
}

void FlightReport::startPage() {
    if (pages_ > 0) {
        device_.newPage();
    }
    ++pages_;
}

QString FlightReport::headingLine(const QString& label, const QString& value) const {
    return label + QStringLiteral(": ") + value;
}

void FlightReport::addFlight(const QString& name, const FlightRecord& record,
                             const FilterPlot* filtered) {
    FlightPage page = recorderPage(record, std::nullopt);
    if (record.evaluated && filtered != nullptr) {
        page.filtered = *filtered;
        page.altitude = filtered->filteredPoints;
        page.raw = filtered->rawPoints;
    }
    addPage(name, page);
}

void FlightReport::addPage(const QString& name, const FlightPage& page) {
    if (!painter_->isActive()) {
        return;
    }
    startPage();
    const FlightRecord& record = page.record;
    const FilterPlot* filtered = page.filtered ? &*page.filtered : nullptr;
    Chart& chart = *chart_;
    for (int i = 0; i < kSeriesCount; ++i) {
        chart.clearSeries(static_cast<SeriesId>(i));
    }
    for (const Series1Point& point : page.altitude) {
        chart.appendPoint(SeriesId::Series1, static_cast<double>(point.value),
                          QString::fromStdString(point.label));
    }
    for (float value : page.raw) {
        chart.appendPoint(SeriesId::Series5, static_cast<double>(value));
    }
    for (float value : page.dhdt) {
        chart.appendPoint(SeriesId::Series2, static_cast<double>(value));
    }
    // The legend names the curves on this page only.
    for (int i = 0; i < kSeriesCount; ++i) {
        chart.setInLegend(static_cast<SeriesId>(i), false);
    }
    chart.setInLegend(SeriesId::Series1, !page.altitude.empty());
    chart.setInLegend(SeriesId::Series2, !page.dhdt.empty());
    chart.setInLegend(SeriesId::Series5, !page.raw.empty());
    chart.setSeriesTitle(
        SeriesId::Series1,
        qs(captionText(page.side == FlightSide::Recorder ? Caption::Altitude : Caption::Compare,
                       language_)));
    // The window's axis rules for a flight.
    chart.setBottomMinorGridVisible(false);
    chart.setBottomMinorTickCount(page.bottomMinorTicks);
    chart.fixLeftAxis(0.0, page.leftAxisMax);

    // The printout's heading, with the file name where the window shows where the flight came
    // from; the filter's extremes on the line the printout leaves empty.
    const QString eight(8, QLatin1Char(' '));
    const QString four(4, QLatin1Char(' '));
    // Numbers with the user's decimal sign, as the panels and the printout show them.
    const char separator = decimalSeparator();
    const auto withSign = [separator](const std::string& text) {
        QString shown = QString::fromStdString(text);
        shown.replace(QLatin1Char('.'), QLatin1Char(separator));
        return shown;
    };
    const QString maxText = withSign(page.maxText);
    const QString minText = withSign(page.minText);
    // The temperature the curve was computed with, which may hold tenths the file's text lacks.
    const float tempC = record.groundTemp;
    const QString tempText =
        tempC == std::trunc(tempC)
            ? QString::number(static_cast<long long>(tempC))
            : QString::fromStdString(formatOneDecimal(static_cast<double>(tempC), separator));
    // "Read from:" runs into the name in English; the Polish text ends with its own space.
    const QString readFrom = qs(captionText(Caption::ReadFrom, language_)).trimmed() + ' ';
    const QString line1 = eight + readFrom + name + four +
                          headingLine(qs(captionText(Caption::CompetitorNo, language_)),
                                      QString::fromStdString(record.header.competitorText)) +
                          four +
                          headingLine(qs(captionText(Caption::SerialNo, language_)),
                                      QString::fromStdString(record.header.serialText));
    // A file that is no flight, or a flight too short to evaluate, says so where the filter's
    // line would go.
    const QString line2 = calibrationImpossible(record.image)
                              ? eight + qs(messageText(Message::NotAFlight, language_))
                          : !page.evaluated ? eight + qs(messageText(Message::NoData, language_))
                          : filtered == nullptr
                              ? QStringLiteral(" ")
                              : eight + qs(text(Text::FilterLabel, language_)) +
                                    QStringLiteral("    Max: ") + withSign(filtered->maxText) +
                                    QStringLiteral(" m    Min: ") + withSign(filtered->minText) +
                                    QStringLiteral(" m");
    const QString line3 =
        eight + QStringLiteral("Max: ") + maxText + QStringLiteral(" m    Min: ") + minText +
        QStringLiteral("m    Temp: ") + tempText + QStringLiteral("°C    ") +
        headingLine(qs(captionText(Caption::Sampling, language_)),
                    qs(samplingText(record.header.rateCode, activatedSamplingList(language_))));
    chart.setTitleLines({line1, line2, line3});
    chart.refresh(); // applies the axis rules and lays out the marks

    const QRectF paper = device_.pageLayout().paintRectPixels(device_.logicalDpiX());
    painter_->save();
    painter_->scale(paper.width() / chart.width(), paper.height() / chart.height());
    chart.toPainter(painter_.get(), chart.width(), chart.height());
    painter_->restore();
}

void FlightReport::addError(const QString& name, const QString& reason) {
    if (!painter_->isActive()) {
        return;
    }
    startPage();
    const QRectF page = device_.pageLayout().paintRectPixels(device_.logicalDpiX());
    QFont font(QStringLiteral("Liberation Sans"), 14);
    font.setBold(true);
    painter_->save();
    painter_->setPen(Qt::black);
    painter_->setFont(font);
    const QFontMetricsF metrics(font, &device_);
    painter_->drawText(QRectF(0, 0, page.width(), metrics.height() * 2),
                       Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                       qs(captionText(Caption::ReadFrom, language_)).trimmed() + QLatin1Char(' ') +
                           name);
    font.setBold(false);
    font.setPointSize(12);
    painter_->setFont(font);
    painter_->drawText(QRectF(0, metrics.height() * 2, page.width(), page.height()),
                       Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, reason);
    painter_->restore();
}

bool addFlightPage(FlightReport& report, const std::string& path,
                   const Result<FlightRecord>& loaded, const std::optional<FilterParams>& filter) {
    const QString name = QString::fromStdString(std::filesystem::path(path).filename().string());
    if (!loaded) {
        report.addError(name, QString::fromStdString(loaded.status.error));
        return false;
    }
    report.addPage(name, recorderPage(*loaded.value, filter));
    return true;
}

bool addFlightFile(FlightReport& report, const std::string& path,
                   const std::optional<FilterParams>& filter) {
    Result<FlightImage> read = readMeasurementFile(path);
    if (!read) {
        return addFlightPage(report, path,
                             Result<FlightRecord>::failure(read.status.kind, read.status.error),
                             filter);
    }
    FlightRecord record;
    setFlightImage(record, std::move(*read.value));
    evaluateRecord(record, true);
    return addFlightPage(report, path, Result<FlightRecord>::success(std::move(record)), filter);
}

} // namespace kestrom::ui
