#include "ui/window_report.h"

#include "analysis/filter_plot.h"
#include "ui/flight_report.h"
#include "ui/main_window.h"

#include <QGroupBox>
#include <QPdfWriter>
#include <QSaveFile>

#include <optional>
#include <vector>

namespace kestrom::ui {

WindowReportResult writeWindowReport(const TKestrom_BMP& window, const QString& path) {
    WindowReportResult result;
    const WindowState& state = window.state();
    struct Page {
        QString name;
        FlightRecord record;
        bool filtered = false; // the chart shows this flight filtered (its dashed raw curve)
        std::optional<FilterPlot> plot;
    };
    const Chart& chart = window.chart();
    std::vector<Page> pages;
    if (state.recorder.wordCount != 0) {
        pages.push_back({window.recorderPanel().title(), state.recorder,
                         chart.pointCount(SeriesId::Series5) > 0, std::nullopt});
    }
    if (window.comparisonShown() && state.comparison.compareSampleBytes != 0) {
        pages.push_back({window.comparisonPanel().title(), state.comparison.record,
                         chart.pointCount(SeriesId::Series6) > 0, std::nullopt});
    }
    if (pages.empty()) {
        return result;
    }
    // Each flight with its own values (the temperatures as entered) and its dh/dt curve, which
    // the report draws whatever the window's view shows; a flight filtered on screen is filtered
    // on its page too, with the parameters in force.
    const ConfigRecord& config = state.config;
    const FilterParams params{config.PreCutCm, config.FinalCutCm, config.PrefilterWidth,
                              config.FinalFilterWidth};
    for (Page& page : pages) {
        if (evaluateRecord(page.record, true) && page.filtered) {
            page.plot = filterRecorderFlight(page.record, params);
        }
    }
    // Written beside the target and renamed over it at the end, as kestrom-cli report does.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = path + QStringLiteral(": ") + file.errorString();
        return result;
    }
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(96); // screen resolution: see FlightReport
        pdf.setCreator(QStringLiteral("kestrom"));
        FlightReport report(pdf, window.CurrentLanguage());
        if (!report.ok()) {
            file.cancelWriting();
            result.error = path + QStringLiteral(": cannot be written");
            return result;
        }
        for (const Page& page : pages) {
            report.addFlight(page.name, page.record, page.plot ? &*page.plot : nullptr);
        }
        report.finish();
        result.pages = report.pages();
    }
    if (!file.commit()) {
        result.error = path + QStringLiteral(": ") + file.errorString();
        result.pages = 0;
    }
    return result;
}

} // namespace kestrom::ui
