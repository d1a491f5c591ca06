#pragma once
// The contest report: one A4 landscape page per flight, a heading with who, what and the
// extremes, and the flight drawn by the window's own chart (altitude and dh/dt). A file that
// cannot be read gets a page saying why, so the pages still match the list of files.

#include "analysis/filter.h"
#include "analysis/filter_plot.h"
#include "analysis/shown_flights.h"
#include "core/status.h"
#include "core/texts.h"
#include "flight/flight_record.h"

#include <QPagedPaintDevice>
#include <QString>

#include <memory>
#include <optional>
#include <string>

class QCPPainter;

namespace kestrom::ui {

class Chart;

// Pages written onto one paged device (a PDF writer or a printer). The device is set to A4
// landscape; pages are drawn as they are added, so a long report never holds all its flights.
// Needs a QApplication (the chart is a widget, never shown). The device must work at screen
// resolution (QPrinter::ScreenResolution, QPdfWriter::setResolution(96)), as for the printout:
// at a higher one the chart's fonts come out many times too large.
class FlightReport {
public:
    // Starts painting on device; ok() tells whether it could.
    FlightReport(QPagedPaintDevice& device, Language language);
    ~FlightReport();
    FlightReport(const FlightReport&) = delete;
    FlightReport& operator=(const FlightReport&) = delete;

    // Whether the device accepted the painter (false: nothing is drawn, pages() stays 0).
    bool ok() const;

    // A page for an evaluated flight: heading (name, competitor, serial, sampling, ground
    // temperature, maximum and minimum, and with filtered the filter's extremes) and the chart as
    // the window draws it: the altitude curve (the filtered one, the raw curve dashed, when
    // filtered is given) and the dh/dt curve when the record has one. A record that was not
    // evaluated gets a page with its heading and an empty chart.
    void addFlight(const QString& name, const FlightRecord& record, const FilterPlot* filtered);
    // A page drawn as page says, the legend naming only the curves on it.
    void addPage(const QString& name, const FlightPage& page);

    // A page that says name could not be reported and why.
    void addError(const QString& name, const QString& reason);

    // Pages drawn so far.
    int pages() const { return pages_; }

    // Ends the last page; the device holds the whole report afterwards. Also done by the
    // destructor. Returns false when the device reported a failure while painting.
    bool finish();

private:
    void startPage();
    QString headingLine(const QString& label, const QString& value) const;

    QPagedPaintDevice& device_;
    Language language_;
    std::unique_ptr<QCPPainter> painter_;
    std::unique_ptr<Chart> chart_;
    int pages_ = 0;
    bool finished_ = false;
};

// Adds the page of the flight loaded from path (named by its file name), or an error page saying
// why it could not be loaded; with filter, filters it as the recorder flight's Filter button does.
// Returns whether the flight was loaded.
bool addFlightPage(FlightReport& report, const std::string& path,
                   const Result<FlightRecord>& loaded, const std::optional<FilterParams>& filter);

// Loads path as the window's Load does and evaluates it with the dh/dt view on; with filter,
// also filters it as the recorder flight's Filter button does. Adds the flight's page, or an
// error page when the file cannot be read. Returns whether the file was read.
bool addFlightFile(FlightReport& report, const std::string& path,
                   const std::optional<FilterParams>& filter);

} // namespace kestrom::ui
