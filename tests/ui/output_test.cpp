// The window's output actions: the text export's bytes and file name, the picture with its
// heading, the printout on a PDF printer and the chart title around them.

#include "tests/support/window_test.h"
#include "window_fixture.h"

#include "tests/support/qt_files.h"

#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QPrinter>
#include <QRegularExpression>
#include <QtTest>

using namespace kestrom;
using kestrom::test::flightAt;
using kestrom::test::seriesValues;
using kestrom::test::WindowRun;
using kestrom::ui::SeriesId;
using kestrom::ui::TKestrom_BMP;

namespace {

// A flight of exactly `samples` samples without an end-marker sample.
GeneratorOptions flightOf(std::uint32_t samples) {
    return {.rateCode = 2, .maxSamples = samples, .endMarker = false};
}

// Rows of the name a file dialog gives and the file written: {row, chosen, written}.
void fileNameRows(std::initializer_list<std::array<const char*, 3>> rows) {
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    for (const auto& [row, chosen, written] : rows) {
        QTest::newRow(row) << QString(chosen) << QString(written);
    }
}

const QString kRestoredTitle = QStringLiteral("        Wysokosc / Altitude");

} // namespace

class OutputTest : public QObject {
    Q_OBJECT
private slots:
    void exportWritesThePlottedPoints_data();
    void exportWritesThePlottedPoints();
    void exportWithNothingToWriteSaysNoData_data();
    void exportWithNothingToWriteSaysNoData();
    void exportFileName_data();
    void exportFileName();
    void exportAsksBeforeOverwriting();
    void headingLines_data();
    void headingLines();
    void pictureIsABitmapOfTheChart_data();
    void pictureIsABitmapOfTheChart();
    void pictureThatCannotBeWrittenIsReported();
    void printGivesOnePageWithTheMarginOfTheOrientation();
    void printThatCannotStartSaysSoAndLeavesThePrinterUsable();
};

void OutputTest::exportWritesThePlottedPoints_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<char>("separator");
    QTest::newRow("English settings") << QLocale(QLocale::English, QLocale::UnitedStates) << '.';
    QTest::newRow("Polish settings") << QLocale(QLocale::Polish, QLocale::Poland) << ',';
}

void OutputTest::exportWritesThePlottedPoints() {
    QFETCH(QLocale, locale);
    QFETCH(char, separator);
    const test::LocaleScope scope(locale);
    WindowRun run;
    TKestrom_BMP& w = run.open();
    run.load(run.flightFile("r.kes", flightOf(103)));
    QCOMPARE(w.state().shown.recorder.evaluation.lastPointIndex, 100);
    const std::vector<double> plotted = seriesValues(w.chart(), SeriesId::Series1);
    QCOMPARE(plotted.size(), std::size_t{98});

    run.prompts.fileNames.push_back(run.path("out"));
    w.ZapiszdoExcela1Click();
    QCOMPARE(run.prompts.dialogs.back(), FileDialog::Save);
    const QByteArray bytes = test::fileBytes(run.dir.filePath(QStringLiteral("out.csv")));
    QVERIFY(bytes.endsWith("\n\r"));
    // Lines end in LF CR, never CR LF; the end mark after the plotted points is never written.
    QCOMPARE(bytes.count("\n\r"), 98);
    QCOMPARE(bytes.count('\n'), 98);
    QCOMPARE(bytes.count('\r'), 98);
    QByteArray body = bytes;
    const QList<QByteArray> lines = body.replace("\n\r", "|").chopped(1).split('|');
    QCOMPARE(lines.size(), 98);
    const QRegularExpression form(QStringLiteral("^-?[0-9]+\\%1[0-9]$").arg(QChar(separator)));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        QVERIFY2(form.match(QString::fromLatin1(line)).hasMatch(), line.constData());
        const double value = line.replace(separator, '.').toDouble();
        // Four significant digits with one decimal: within 0.05 m of the plotted value.
        QVERIFY2(std::abs(value - plotted[static_cast<std::size_t>(i)]) < 0.051, line.constData());
    }
    QVERIFY(run.prompts.shown.empty());
}

void OutputTest::exportWithNothingToWriteSaysNoData_data() {
    QTest::addColumn<int>("samples"); // 0: nothing loaded
    QTest::newRow("no flight") << 0;
    QTest::newRow("too short to smooth") << 12;
    QTest::newRow("smoothed but nothing plotted") << 21;
}

void OutputTest::exportWithNothingToWriteSaysNoData() {
    QFETCH(int, samples);
    WindowRun run;
    TKestrom_BMP& w = run.open();
    test::trigger(w, "English1");
    if (samples > 0) {
        run.load(run.flightFile("r.kes", flightOf(static_cast<std::uint32_t>(samples))));
    }
    run.prompts.dialogs.clear();
    run.prompts.fileNames.push_back(run.path("out"));
    w.ZapiszdoExcela1Click();
    QVERIFY(run.prompts.dialogs.empty()); // no file dialog
    QCOMPARE(run.prompts.shown,
             (std::vector<test::ShownMessage>{
                 {Message::NoData, Message::ProblemCaption, Buttons::Ok, kEnglish}}));
    QVERIFY(!QFile::exists(QString::fromStdString(run.path("out.csv"))));
}

void OutputTest::exportFileName_data() {
    fileNameRows({{"appended", "flight", "flight.csv"},
                  {"present", "flight.csv", "flight.csv"},
                  {"present inside", "flight.csv.txt", "flight.csv.txt"},
                  {"other case", "FLIGHT.CSV", "FLIGHT.CSV.csv"}});
}

void OutputTest::exportFileName() {
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    WindowRun run;
    TKestrom_BMP& w = run.open();
    run.load(run.flightFile("r.kes", flightOf(60)));
    run.prompts.fileNames.push_back(run.dir.filePath(chosen).toStdString());
    w.ZapiszdoExcela1Click();
    QVERIFY(QFile::exists(run.dir.filePath(written)));
    // A cancelled dialog or an empty name writes nothing.
    run.prompts.fileNames.push_back(std::nullopt);
    run.prompts.fileNames.push_back(std::string());
    w.ZapiszdoExcela1Click();
    w.ZapiszdoExcela1Click();
    QVERIFY(!QFile::exists(QStringLiteral(".csv")));
    QCOMPARE(QDir(run.dir.path()).entryList(QDir::Files).size(), 2); // r.kes and the export
}

void OutputTest::exportAsksBeforeOverwriting() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    run.load(run.flightFile("r.kes", flightOf(60)));
    const QString file = run.dir.filePath(QStringLiteral("out.csv"));
    QVERIFY(test::writeFile(file, "old"));
    run.prompts.fileNames.push_back(run.path("out"));
    run.prompts.answers.push_back(Answer::Cancel);
    w.ZapiszdoExcela1Click();
    QCOMPARE(test::fileBytes(file), QByteArray("old"));
    QCOMPARE(run.prompts.shown,
             (std::vector<test::ShownMessage>{
                 {Message::FileExists, Message::SaveCaption, Buttons::OkCancel, kPolish}}));

    run.prompts.fileNames.push_back(run.path("out.csv"));
    run.prompts.answers.push_back(Answer::Ok);
    w.ZapiszdoExcela1Click();
    QCOMPARE(test::fileBytes(file).count("\n\r"), 55);
}

void OutputTest::headingLines_data() {
    QTest::addColumn<kestrom::Language>("language");
    QTest::addColumn<QString>("line1");
    QTest::addColumn<QString>("line3start");
    QTest::newRow("Polish") << kPolish
                            << "        Odczyt z: r.kes    Nr.Zawodnika: 17    Nr.Seryjny: 1001"
                            << "Pomiary: ";
    QTest::newRow("English") << kEnglish
                             << "        Read from:r.kes    Competitor No.: 17    Serial No.: 1001"
                             << "Sampling: ";
}

void OutputTest::headingLines() {
    QFETCH(kestrom::Language, language);
    QFETCH(QString, line1);
    QFETCH(QString, line3start);
    WindowRun run;
    TKestrom_BMP& w = run.open();
    if (language == kEnglish) {
        test::trigger(w, "English1");
    }
    run.load(run.flightFile("r.kes", flightAt(2)));
    const QColor screen = w.chart().backgroundColour();
    w.PrepareOutputTitle();
    const QStringList lines = w.chart().titleLines();
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], line1);
    QCOMPARE(lines[1], QStringLiteral(" "));
    QCOMPARE(lines[2], QStringLiteral("        Max: ") + test::fieldText(w, "E_MaxGl") +
                           QStringLiteral(" m    Min: ") + test::fieldText(w, "EMinimum") +
                           QStringLiteral("m    Temp: ") + test::fieldText(w, "E_TempGl") +
                           QStringLiteral("°C    ") + line3start + test::fieldText(w, "E_probkGl"));
    QCOMPARE(w.chart().backgroundColour(), QColor(Qt::white));
    w.RestoreChartTitle();
    QCOMPARE(w.chart().titleLines(), QStringList{kRestoredTitle});
    QCOMPARE(w.chart().backgroundColour(), screen);
}

void OutputTest::pictureIsABitmapOfTheChart_data() {
    fileNameRows({{"appended", "chart", "chart.bmp"},
                  {"present inside", "chart.bmp.old", "chart.bmp.old"},
                  {"other case", "CHART.BMP", "CHART.BMP.bmp"}});
}

void OutputTest::pictureIsABitmapOfTheChart() {
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    WindowRun run;
    TKestrom_BMP& w = run.open();
    QStringList titleDuringDialog;
    run.prompts.onFileDialog = [&] { titleDuringDialog = w.chart().titleLines(); };
    w.show();
    QCoreApplication::processEvents();
    const QColor screen = w.chart().backgroundColour();
    run.prompts.fileNames.push_back(run.dir.filePath(chosen).toStdString());
    w.ZapiszObraz1Click();

    QCOMPARE(run.prompts.dialogs.back(), FileDialog::Picture);
    QCOMPARE(titleDuringDialog.size(), 3); // the heading, an empty chart's included
    const QString path = run.dir.filePath(written);
    QCOMPARE(test::fileBytes(path).left(2), QByteArray("BM"));
    const QImage image(path, "BMP");
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), w.chart().size());
    QCOMPARE(QColor(image.pixel(2, 2)), QColor(Qt::white));
    QCOMPARE(w.chart().titleLines(), QStringList{kRestoredTitle});
    QCOMPARE(w.chart().backgroundColour(), screen);
    QVERIFY(run.prompts.errors.empty());
}

void OutputTest::pictureThatCannotBeWrittenIsReported() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    run.prompts.fileNames.push_back(run.path("no-such-folder/chart"));
    w.ZapiszObraz1Click();
    QCOMPARE(run.prompts.errors.size(), std::size_t{1});
    QVERIFY(run.prompts.errors[0].find("no-such-folder/chart.bmp") != std::string::npos);
    QCOMPARE(w.chart().titleLines(), QStringList{kRestoredTitle});
    // A cancelled dialog still restores the title.
    w.ZapiszObraz1Click();
    QCOMPARE(w.chart().titleLines(), QStringList{kRestoredTitle});
}

void OutputTest::printGivesOnePageWithTheMarginOfTheOrientation() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    w.show();
    run.load(run.flightFile("r.kes", flightAt(2)));
    QPrinter& printer = w.printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString portrait = run.dir.filePath(QStringLiteral("portrait.pdf"));
    printer.setOutputFileName(portrait);
    printer.setPageOrientation(QPageLayout::Portrait);
    w.Drukuj1Click();
    QCOMPARE(w.chart().printMargins(), QMarginsF(5, 5, 5, 55));
    QCOMPARE(test::pdfPages(portrait), 1);
    QCOMPARE(w.chart().titleLines(), QStringList{kRestoredTitle});

    // The printer set-up's choice holds for the next print.
    int setups = 0;
    w.setPrinterSetup([&](QPrinter& chosen) {
        ++setups;
        chosen.setPageOrientation(QPageLayout::Landscape);
        chosen.setOutputFileName(run.dir.filePath(QStringLiteral("landscape.pdf")));
    });
    w.UstawDrukarke1Click();
    QCOMPARE(setups, 1);
    w.Drukuj1Click();
    QCOMPARE(w.chart().printMargins(), QMarginsF(5, 5, 5, 25));
    QCOMPARE(test::pdfPages(QString::fromStdString(run.path("landscape.pdf"))), 1);
    QVERIFY(run.prompts.shown.empty());
}

void OutputTest::printThatCannotStartSaysSoAndLeavesThePrinterUsable() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    w.show();
    run.load(run.flightFile("r.kes", flightAt(2)));
    // A PDF printer without a file cannot start a page, as a session without any printer.
    w.printer().setOutputFormat(QPrinter::PdfFormat);
    w.printer().setOutputFileName(QString());
    w.printer().setOutputFormat(QPrinter::PdfFormat);
    for (const auto& [switchLanguage, language] :
         {std::pair{&TKestrom_BMP::Polski1Click, kPolish},
          std::pair{&TKestrom_BMP::English1Click, kEnglish}}) {
        (w.*switchLanguage)();
        run.prompts.shown.clear();
        w.Drukuj1Click();
        QCOMPARE(run.prompts.texts(), std::vector<Message>{Message::PrintFailed});
        QCOMPARE(run.prompts.shown[0].caption, Message::ProblemCaption);
        QCOMPARE(run.prompts.shown[0].language, language);
        QVERIFY(!messageText(Message::PrintFailed, language).empty());
        QCOMPARE(w.chart().titleLines(), QStringList{kRestoredTitle});
    }

    // The printer set-up still takes a PDF file, and the next print writes it.
    const QString chosen = run.dir.filePath(QStringLiteral("after-failure.pdf"));
    w.setPrinterSetup([&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(chosen);
        printer.setPageOrientation(QPageLayout::Landscape);
    });
    w.UstawDrukarke1Click();
    QCOMPARE(w.printer().outputFileName(), chosen);
    run.prompts.shown.clear();
    w.Drukuj1Click();
    QVERIFY(run.prompts.shown.empty());
    QCOMPARE(w.chart().printMargins(), QMarginsF(5, 5, 5, 25));
    QVERIFY(test::fileBytes(chosen).startsWith("%PDF"));
}

KESTROM_WINDOW_TEST(OutputTest)
#include "output_test.moc"
