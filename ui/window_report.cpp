#include "ui/window_report.h"

#include "analysis/shown_flights.h"
#include "files/whole_file.h"
#include "ui/flight_report.h"
#include "ui/main_window.h"

#include <QBuffer>
#include <QFileInfo>
#include <QPdfWriter>

#include <vector>

namespace kestrom::ui {

QString reportFileName(const QString& chosen) {
    return QFileInfo(chosen).suffix().isEmpty() ? chosen + QStringLiteral(".pdf") : chosen;
}

WindowReportResult writeWindowReport(const TKestrom_BMP& window, const QString& path) {
    WindowReportResult result;
    // The flights as the window shows them, each page named after its panel.
    const std::vector<FlightPage> pages = windowReportPages(window.state().shown);
    if (pages.empty()) {
        return result;
    }
    // The whole PDF is made in memory and written by the one file writer: a failed report
    // leaves an older one as it was.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(96); // screen resolution: see FlightReport
        pdf.setCreator(QStringLiteral("kestrom"));
        FlightReport report(pdf, window.CurrentLanguage());
        if (!report.ok()) {
            result.error = path + QStringLiteral(": cannot be written");
            return result;
        }
        for (const FlightPage& page : pages) {
            report.addPage(page.side == FlightSide::Recorder ? window.recorderPanel().title()
                                                             : window.comparisonPanel().title(),
                           page);
        }
        if (!report.finish()) {
            result.error = path + QStringLiteral(": cannot be written");
            return result;
        }
        result.pages = report.pages();
    }
    const QByteArray& bytes = buffer.data();
    const Status written = writeWholeFile(
        path.toStdString(), std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                      static_cast<std::size_t>(bytes.size())));
    if (!written) {
        result.error = QString::fromStdString(written.error);
        result.pages = 0;
    }
    return result;
}

} // namespace kestrom::ui
