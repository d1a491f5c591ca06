// The report pages as the window prints them: on a PDF printer at screen resolution, in Polish,
// with a flight too short to evaluate among them.

#include "flight/generator.h"
#include "flight/number_format.h"
#include "tests/support/qt_files.h"
#include "tests/support/window_test.h"
#include "ui/flight_report.h"

#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>

using namespace kestrom;

namespace {

using test::pdfPages;
using test::pdfText;

FlightRecord recordOf(const GeneratorOptions& options) {
    FlightRecord record;
    setFlightImage(record, FlightImage(generateFlight(options)));
    evaluateRecord(record, true);
    return record;
}

} // namespace

class FlightReportTest : public QObject {
    Q_OBJECT
private slots:
    void printerPagesInPolish() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("window.pdf"));
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);

        const FlightRecord flight = recordOf({.competitor = 31});
        const FlightRecord empty = recordOf({.maxSamples = 6}); // below the 16 words evaluated
        QVERIFY(flight.evaluated);
        QVERIFY(!empty.evaluated);
        FilterWork work;
        const std::optional<FilterPlot> plot =
            filterRecorderFlight(work, flight.evaluation.altitudeCm, FilterParams{},
                                 flight.wordCount, flight.rateTimes10);
        QVERIFY(plot.has_value());
        {
            ui::FlightReport report(printer, kPolish);
            QVERIFY(report.ok());
            report.addFlight(QStringLiteral("lot.kes"), flight, nullptr);
            report.addFlight(QStringLiteral("krótki.kes"), empty, nullptr);
            report.addFlight(QStringLiteral("filtr.kes"), flight, &*plot);
            report.addError(QStringLiteral("zły.kes"), QStringLiteral("Cannot open zły.kes"));
            QCOMPARE(report.pages(), 4);
            QVERIFY(report.finish());
        }
        QCOMPARE(pdfPages(path), 4);
        QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
        const QString text = pdfText(path);
        for (const char* wanted : {"Odczyt z: lot.kes", "Nr.Zawodnika: 31", "Brak danych", "Filtr",
                                   "zły.kes", "Pomiary: 10 pom/sek"}) {
            QVERIFY2(text.contains(QString::fromUtf8(wanted)), wanted);
        }
        // The legend names the curves on the page: no comparison on a recorder flight's page.
        QVERIFY(!text.contains(QStringLiteral("Porównanie")));
        // The heading's maximum is the evaluation's, as the window's field shows it.
        QVERIFY(text.contains(QStringLiteral("Max: ") + QString::fromStdString(formatOneDecimal(
                                                            flight.evaluation.maxAltitude))));
        QVERIFY(text.contains(QStringLiteral("Max: ") + QString::fromStdString(plot->maxText)));
    }

    // After a temperature entry the heading gives the temperature the curve was computed with,
    // not the one the file holds.
    void headingTemperatureIsTheOneOfTheCurve() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("temp.pdf"));
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        FlightRecord flight = recordOf(GeneratorOptions{});
        QVERIFY(flight.groundTempText != "37");
        setGroundTemperature(flight, 37);
        evaluateRecord(flight, true);
        {
            ui::FlightReport report(printer, kEnglish);
            report.addFlight(QStringLiteral("entered.kes"), flight, nullptr);
            QVERIFY(report.finish());
        }
        const QString text = pdfText(path);
        QVERIFY2(text.contains(QString::fromUtf8("Temp: 37°C")), qPrintable(text));
    }
};

KESTROM_WINDOW_TEST(FlightReportTest)
#include "flight_report_test.moc"
