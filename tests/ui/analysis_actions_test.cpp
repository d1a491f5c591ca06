// The window's analysis actions end to end: Filter buttons, the filter dialog, comparison, curve
// clicks, value labels, zoom minor ticks and the temperature re-entry with its key filter.

#include "window_fixture.h"

#include "analysis/filter_plot.h"
#include "app/dialogs.h"
#include "flight/number_format.h"
#include "ui/filter_dialog_widget.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <map>

using namespace kestrom;
using kestrom::test::flightAt;
using kestrom::test::seriesValues;
using kestrom::test::WindowRun;
using kestrom::ui::SeriesId;
using kestrom::ui::TKestrom_BMP;

Q_DECLARE_METATYPE(kestrom::ui::SeriesId)

namespace {

std::int32_t int32At(const QByteArray& b, int offset) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = (v << 8) | static_cast<std::uint8_t>(b[offset + i]);
    }
    return static_cast<std::int32_t>(v);
}

double maxOf(const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); }

QString oneDecimal(double metres) {
    return QString::fromStdString(formatOneDecimal(std::round(metres * 10.0) / 10.0));
}

// Zooms the chart to the samples first .. last of the bottom axis.
void zoomToSamples(ui::Chart& chart, double first, double last) {
    chart.undoZoom();
    chart.refresh();
    const int left = static_cast<int>(std::lround(chart.xAxis->coordToPixel(first)));
    const int right = static_cast<int>(std::lround(chart.xAxis->coordToPixel(last)));
    const QRect plot = chart.axisRect()->rect();
    chart.zoomToPixels(QRect(QPoint(left, plot.top() + 5), QPoint(right, plot.bottom() - 5)));
}

} // namespace

class AnalysisActionsTest : public QObject {
    Q_OBJECT
private slots:
    void filterButtonsDrawFilteredOverRaw();
    void filterButtonsIgnoreShortFlights();
    void filterDialogShowsStoresAndWritesAtOnce_data();
    void filterDialogShowsStoresAndWritesAtOnce();
    void filterDialogCaptionsFollowTheLanguage();
    void sameFileAsComparisonLiesOnTheRecorderCurve();
    void comparisonLeavesTheRecorderReevaluationAlone();
    void comparisonRemovedByTheMenuMark();
    void curveClickEmptiesTheCurveAndItsPanel_data();
    void curveClickEmptiesTheCurveAndItsPanel();
    void valueLabelsFollowTheMarkAndSurviveLoads();
    void zoomShowsOneMinorTickPerSample_data();
    void zoomShowsOneMinorTickPerSample();
    void zoomOutAndUndoHideTheMinorGrid();
    void temperatureKeyFilter_data();
    void temperatureKeyFilter();
    void temperatureEntryRedrawsOnlyItsFlight();
    void temperatureEntryRefusesWhatIsNoNumber();
    void temperatureEntryFiltersAFilteredFlightAgainWithItsParameters();
    void temperatureEntryKeepsTheOtherFlightInView();
    void accelerationSwitchFiltersAFilteredFlightAgain();
    void comparisonMarkTakesOffTheDashedCurveToo();
    void comparisonFlattenedByAnEntryLeavesItsExtremeTextsUnwritten();
    void comparisonLiesOnTheRecorderTimeAxis_data();
    void comparisonLiesOnTheRecorderTimeAxis();
    void comparisonFollowsANewRecorderRate();
};

void AnalysisActionsTest::filterButtonsDrawFilteredOverRaw() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    GeneratorOptions spiky = flightAt(0); // 20 samples per second
    spiky.spikes = 6;
    run.load(run.flightFile("spiky.kes", spiky));
    ui::Chart& chart = w.chart();
    const std::vector<double> raw = seriesValues(chart, SeriesId::Series1);
    const std::vector<std::int32_t> rawCurve = w.state().recorder.evaluation.altitudeCm;
    QVERIFY(raw.size() > 100);

    test::child<QPushButton>(w, "B_Filtr_Alt")->click();
    const std::vector<double> filtered = seriesValues(chart, SeriesId::Series1);
    QCOMPARE(filtered.size(), raw.size());
    // The raw curve is now the dashed companion, point for point.
    QCOMPARE(seriesValues(chart, SeriesId::Series5), raw);
    QCOMPARE(chart.graph(static_cast<int>(SeriesId::Series5))->pen().style(), Qt::DashLine);
    // The spikes are gone: the filtered maximum is well below the spiky one, and the fields show
    // the filtered extremes.
    QVERIFY(maxOf(filtered) < maxOf(raw) - 5.0);
    QCOMPARE(test::child<QLineEdit>(w, "E_MaxGl")->text(), oneDecimal(maxOf(filtered)));
    const double lowest = std::min(*std::min_element(filtered.begin(), filtered.end()), 50.0);
    QCOMPARE(test::child<QLineEdit>(w, "EMinimum")->text(), oneDecimal(lowest));
    // Whole seconds on every 20th point.
    QCOMPARE(chart.pointLabel(SeriesId::Series1, 40), QStringLiteral("2"));
    QCOMPARE(chart.pointLabel(SeriesId::Series1, 41), QString());

    // The flight itself is untouched, so a second press gives the same curve.
    QVERIFY(w.state().recorder.evaluation.altitudeCm == rawCurve);
    test::child<QPushButton>(w, "B_Filtr_Alt")->click();
    QCOMPARE(seriesValues(chart, SeriesId::Series1), filtered);

    // The comparison's button: raw into Series6, filtered into Series3, no labels.
    run.compare(run.flightFile("spiky-too.kes", spiky));
    const std::vector<double> rawCompare = seriesValues(chart, SeriesId::Series3);
    test::child<QPushButton>(w, "B_Filtr_por")->click();
    QCOMPARE(seriesValues(chart, SeriesId::Series6), rawCompare);
    QCOMPARE(seriesValues(chart, SeriesId::Series3), filtered);
    QCOMPARE(chart.pointLabel(SeriesId::Series3, 40), QString());
    QCOMPARE(test::child<QLineEdit>(w, "E_Max_Por")->text(),
             test::child<QLineEdit>(w, "E_MaxGl")->text());
}

void AnalysisActionsTest::filterButtonsIgnoreShortFlights() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    test::child<QPushButton>(w, "B_Filtr_Alt")->click(); // nothing loaded
    test::child<QPushButton>(w, "B_Filtr_por")->click();
    // 15 samples are 30 words, below the 32 of the recorder's button; 7 samples are 28 bytes,
    // enough to plot a comparison but below the 32 bytes of its button.
    GeneratorOptions shortFlight = flightAt(2);
    shortFlight.endMarker = false;
    shortFlight.maxSamples = 15;
    run.load(run.flightFile("short.kes", shortFlight));
    shortFlight.maxSamples = 7;
    run.compare(run.flightFile("shorter.kes", shortFlight));
    QVERIFY(w.state().recorder.evaluated);
    QVERIFY(w.state().comparison.evaluated);
    const std::vector<double> compareBefore = seriesValues(w.chart(), SeriesId::Series3);
    test::child<QPushButton>(w, "B_Filtr_Alt")->click();
    test::child<QPushButton>(w, "B_Filtr_por")->click();
    QCOMPARE(w.chart().pointCount(SeriesId::Series5), 0);
    QCOMPARE(w.chart().pointCount(SeriesId::Series6), 0);
    QCOMPARE(seriesValues(w.chart(), SeriesId::Series3), compareBefore);
    QVERIFY(run.prompts.shown.empty());
}

void AnalysisActionsTest::filterDialogShowsStoresAndWritesAtOnce_data() {
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QList<int>>("stored");
    QTest::newRow("numbers") << QStringList{"400", "300", "6", "20"} << QList<int>{400, 300, 6, 20};
    QTest::newRow("negative and blanks kept as typed")
        << QStringList{"-5", " 7 ", "0", "99"} << QList<int>{-5, 7, 0, 99};
    QTest::newRow("not numbers fall back")
        << QStringList{"", "x", "8.5", "abc"} << QList<int>{350, 350, 8, 13};
}

void AnalysisActionsTest::filterDialogShowsStoresAndWritesAtOnce() {
    QFETCH(QStringList, typed);
    QFETCH(QList<int>, stored);
    WindowRun run;
    TKestrom_BMP& w = run.open();
    w.state().config.PreCutCm = 123; // as if read from the configuration file
    auto* dialog = static_cast<ui::TF_Filtr*>(app::makeFilterDialog(w));
    w.setFilterDialog(dialog);
    QCOMPARE(dialog->Ed_Obc_Zgr->text(), QStringLiteral("123"));
    QCOMPARE(dialog->Ed_ObcDokl->text(), QStringLiteral("250"));
    QCOMPARE(dialog->Ed_Filtr1->text(), QStringLiteral("8"));
    QCOMPARE(dialog->Ed_Filtr2->text(), QStringLiteral("12"));

    // Default only fills the fields.
    dialog->Button1->click();
    QCOMPARE(dialog->Ed_Obc_Zgr->text(), QStringLiteral("350"));
    QCOMPARE(w.state().config.PreCutCm, 123);
    QVERIFY(!QFile::exists(run.configPath()));

    const std::array<QLineEdit*, 4> fields{dialog->Ed_Obc_Zgr, dialog->Ed_ObcDokl,
                                           dialog->Ed_Filtr1, dialog->Ed_Filtr2};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        fields[i]->setText(typed[static_cast<qsizetype>(i)]);
    }
    dialog->show();
    dialog->Button2->click();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QFile file(run.configPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    QCOMPARE(saved.size(), 44);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(int32At(saved, 24 + 4 * i), stored[i]);
    }
    QCOMPARE(w.state().config.PreCutCm, stored[0]);
    QCOMPARE(w.state().config.FinalFilterWidth, stored[3]);
}

void AnalysisActionsTest::filterDialogCaptionsFollowTheLanguage() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    auto* dialog = static_cast<ui::TF_Filtr*>(app::makeFilterDialog(w));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Kestrom-Filtr"));
    QCOMPARE(dialog->Label1->text(), QStringLiteral("Obciecie wstepne[cm]"));
    QCOMPARE(dialog->Button1->text(), QStringLiteral("Domyslne"));
    // A text typed and not saved is still there at the next showing.
    dialog->Ed_Filtr1->setText(QStringLiteral("5"));
    test::child<QAction>(w, "English1")->trigger();
    dialog->show();
    QCOMPARE(dialog->Label4->text(), QStringLiteral("Final Filter [6-30]"));
    QCOMPARE(dialog->Button2->text(), QStringLiteral("Save"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Kestrom-Filtr"));
    QCOMPARE(dialog->Ed_Filtr1->text(), QStringLiteral("5"));
    dialog->reject(); // the close box stores nothing
    QCOMPARE(w.state().config.PrefilterWidth, 8);
}

void AnalysisActionsTest::sameFileAsComparisonLiesOnTheRecorderCurve() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    const std::string file = run.flightFile("same.kes", flightAt(1));
    run.load(file);
    const double axisBefore = w.chart().leftAxisRule().maximum;
    test::child<QAction>(w, "Porownanie1")->setChecked(false);
    run.compare(file);

    QCOMPARE(seriesValues(w.chart(), SeriesId::Series3),
             seriesValues(w.chart(), SeriesId::Series1));
    QCOMPARE(test::child<QLineEdit>(w, "E_Max_Por")->text(),
             test::child<QLineEdit>(w, "E_MaxGl")->text());
    QCOMPARE(test::child<QLineEdit>(w, "E_Min_Por")->text(),
             test::child<QLineEdit>(w, "EMinimum")->text());
    QCOMPARE(test::child<QGroupBox>(w, "GroupB_Por")->title(), QStringLiteral("same.kes"));
    QCOMPARE(test::child<QLineEdit>(w, "E_Zaw_Por")->text(),
             test::child<QLineEdit>(w, "E_NrZawodnika")->text());
    QCOMPARE(test::child<QLineEdit>(w, "E_TempPor")->text(),
             test::child<QLineEdit>(w, "E_TempGl")->text());
    QCOMPARE(test::child<QLineEdit>(w, "E_probkPor")->text(),
             test::child<QLineEdit>(w, "E_probkGl")->text());
    QVERIFY(!test::child<QLineEdit>(w, "E_TempPor")->isReadOnly());
    QVERIFY(test::child<QAction>(w, "Porownanie1")->isChecked());
    // The left axis is raised to 1.1 times the comparison's maximum when that is higher.
    const double maximum = w.state().comparison.evaluation.maxAltitude;
    QCOMPARE(w.chart().leftAxisRule().maximum,
             std::max(axisBefore, std::trunc(maximum + maximum * 0.1)));
    QVERIFY(run.prompts.shown.empty());
}

void AnalysisActionsTest::comparisonLeavesTheRecorderReevaluationAlone() {
    // The recorder flight re-evaluated after a comparison is the same as without one.
    GeneratorOptions recorder = flightAt(2, 3);
    GeneratorOptions other = flightAt(4, 9);
    other.calibration.ac1 = static_cast<std::int16_t>(other.calibration.ac1 + 300);
    other.groundPressurePa = 91000.0;
    other.climbRateMps = 30.0;

    WindowRun alone;
    TKestrom_BMP& a = alone.open();
    alone.load(alone.flightFile("rec.kes", recorder));
    test::child<QLineEdit>(a, "E_TempGl")->setText(QStringLiteral("-7"));
    QTest::keyClick(test::child<QLineEdit>(a, "E_TempGl"), Qt::Key_Return);

    WindowRun run;
    TKestrom_BMP& w = run.open();
    run.load(run.flightFile("rec.kes", recorder));
    run.compare(run.flightFile("other.kes", other));
    test::child<QLineEdit>(w, "E_TempGl")->setText(QStringLiteral("-7"));
    QTest::keyClick(test::child<QLineEdit>(w, "E_TempGl"), Qt::Key_Return);

    QCOMPARE(seriesValues(w.chart(), SeriesId::Series1),
             seriesValues(a.chart(), SeriesId::Series1));
    QCOMPARE(seriesValues(w.chart(), SeriesId::Series2),
             seriesValues(a.chart(), SeriesId::Series2));
    QCOMPARE(test::child<QLineEdit>(w, "E_MaxGl")->text(),
             test::child<QLineEdit>(a, "E_MaxGl")->text());
    QVERIFY(w.chart().pointCount(SeriesId::Series3) > 0);
    QVERIFY(run.prompts.shown.empty());
}

void AnalysisActionsTest::comparisonRemovedByTheMenuMark() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    test::child<QAction>(w, "English1")->trigger();
    run.compare(run.flightFile("c.kes", flightAt(2)));
    QVERIFY(w.chart().pointCount(SeriesId::Series3) > 0);
    test::child<QAction>(w, "Porownanie1")->trigger(); // mark off: comparison removed
    QVERIFY(!test::child<QAction>(w, "Porownanie1")->isChecked());
    QCOMPARE(w.chart().pointCount(SeriesId::Series3), 0);
    QCOMPARE(test::child<QGroupBox>(w, "GroupB_Por")->title(), QStringLiteral("File"));
    QVERIFY(test::child<QLineEdit>(w, "E_Max_Por")->text().isEmpty());
    QVERIFY(test::child<QLineEdit>(w, "E_TempPor")->text().isEmpty());
    test::child<QAction>(w, "Porownanie1")->trigger(); // mark on: nothing else
    QVERIFY(test::child<QAction>(w, "Porownanie1")->isChecked());
    QCOMPARE(w.chart().pointCount(SeriesId::Series3), 0);
    test::child<QAction>(w, "Porownanie1")->trigger();
    // The flight is still kept: a temperature entry draws it again and sets the mark.
    QVERIFY(!test::child<QLineEdit>(w, "E_TempPor")->isReadOnly());
    QTest::keyClicks(test::child<QLineEdit>(w, "E_TempPor"), QStringLiteral("15"));
    QTest::keyClick(test::child<QLineEdit>(w, "E_TempPor"), Qt::Key_Return);
    QVERIFY(w.chart().pointCount(SeriesId::Series3) > 0);
    QVERIFY(!test::child<QLineEdit>(w, "E_Max_Por")->text().isEmpty());
    QVERIFY(test::child<QAction>(w, "Porownanie1")->isChecked());

    // A file that cannot be read changes nothing.
    const QString title = test::child<QGroupBox>(w, "GroupB_Por")->title();
    run.compare(run.path("missing.kes"));
    QCOMPARE(run.prompts.errors.size(), std::size_t{1});
    QVERIFY(run.prompts.errors[0].find("missing.kes") != std::string::npos);
    QCOMPARE(test::child<QGroupBox>(w, "GroupB_Por")->title(), title);
    // Nor does a file without a whole header.
    const std::vector<double> shown = seriesValues(w.chart(), SeriesId::Series3);
    const std::string stub = run.path("stub.kes");
    (void)writeWholeFile(stub, std::vector<std::uint8_t>(20, 1));
    run.compare(stub);
    QCOMPARE(run.prompts.shown.back().text, Message::FileTooShort);
    QCOMPARE(test::child<QGroupBox>(w, "GroupB_Por")->title(), title);
    QCOMPARE(seriesValues(w.chart(), SeriesId::Series3), shown);
}

void AnalysisActionsTest::curveClickEmptiesTheCurveAndItsPanel_data() {
    QTest::addColumn<SeriesId>("clicked");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("recorderTitle");
    QTest::addColumn<QString>("compareTitle");
    QTest::newRow("recorder, Polish") << SeriesId::Series1 << kPolish << "Kestrom"
                                      << "c.kes";
    QTest::newRow("recorder, English") << SeriesId::Series1 << kEnglish << "Altimeter"
                                       << "c.kes";
    QTest::newRow("comparison, Polish") << SeriesId::Series3 << kPolish << "r.kes"
                                        << "Plik";
    QTest::newRow("comparison, English") << SeriesId::Series3 << kEnglish << "r.kes"
                                         << "File";
    QTest::newRow("dh/dt") << SeriesId::Series2 << kEnglish << "r.kes"
                           << "c.kes";
}

void AnalysisActionsTest::curveClickEmptiesTheCurveAndItsPanel() {
    QFETCH(SeriesId, clicked);
    QFETCH(int, language);
    QFETCH(QString, recorderTitle);
    QFETCH(QString, compareTitle);
    WindowRun run;
    TKestrom_BMP& w = run.open();
    if (language == kEnglish) {
        test::child<QAction>(w, "English1")->trigger();
    }
    run.load(run.flightFile("r.kes", flightAt(2)));
    run.compare(run.flightFile("c.kes", flightAt(3)));
    std::map<SeriesId, int> counts;
    for (SeriesId id : {SeriesId::Series1, SeriesId::Series2, SeriesId::Series3}) {
        counts[id] = w.chart().pointCount(id);
        QVERIFY(counts[id] > 0);
    }

    emit w.chart().seriesClicked(clicked);
    for (SeriesId id : {SeriesId::Series1, SeriesId::Series2, SeriesId::Series3}) {
        QCOMPARE(w.chart().pointCount(id), id == clicked ? 0 : counts[id]);
    }
    QCOMPARE(test::child<QGroupBox>(w, "GroupB_Alt")->title(), recorderTitle);
    QCOMPARE(test::child<QGroupBox>(w, "GroupB_Por")->title(), compareTitle);
    QCOMPARE(test::child<QLineEdit>(w, "E_MaxGl")->text().isEmpty(), clicked == SeriesId::Series1);
    QCOMPARE(test::child<QLineEdit>(w, "E_NrSeryjny")->text().isEmpty(),
             clicked == SeriesId::Series1);
    QCOMPARE(test::child<QLineEdit>(w, "E_Max_Por")->text().isEmpty(),
             clicked == SeriesId::Series3);
    QCOMPARE(test::child<QLineEdit>(w, "E_probkPor")->text().isEmpty(),
             clicked == SeriesId::Series3);
    // The legend click only redraws.
    emit w.chart().legendClicked();
    QCOMPARE(w.chart().pointCount(SeriesId::Series3),
             clicked == SeriesId::Series3 ? 0 : counts[SeriesId::Series3]);
}

void AnalysisActionsTest::valueLabelsFollowTheMarkAndSurviveLoads() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    QVERIFY(!test::child<QAction>(w, "Warto1")->isChecked());
    test::child<QAction>(w, "Warto1")->trigger();
    QVERIFY(test::child<QAction>(w, "Warto1")->isChecked());
    QVERIFY(w.chart().valueLabelsVisible(SeriesId::Series1));
    QVERIFY(w.chart().valueLabelsVisible(SeriesId::Series3));
    QVERIFY(!w.chart().valueLabelsVisible(SeriesId::Series2));
    run.load(run.flightFile("r.kes", flightAt(2)));
    run.compare(run.flightFile("c.kes", flightAt(3)));
    QVERIFY(w.chart().valueLabelsVisible(SeriesId::Series1));
    QVERIFY(w.chart().valueLabelsVisible(SeriesId::Series3));
    w.Warto1Click(); // a direct call toggles like the menu
    QVERIFY(!test::child<QAction>(w, "Warto1")->isChecked());
    QVERIFY(!w.chart().valueLabelsVisible(SeriesId::Series1));
    QVERIFY(!w.chart().valueLabelsVisible(SeriesId::Series3));
}

void AnalysisActionsTest::zoomShowsOneMinorTickPerSample_data() {
    QTest::addColumn<unsigned>("rateCode");
    QTest::addColumn<int>("ticks");
    QTest::newRow("20 per second") << 0u << 19;
    QTest::newRow("15 per second") << 1u << 14;
    QTest::newRow("10 per second") << 2u << 9;
    QTest::newRow("5 per second") << 3u << 4;
    QTest::newRow("1 per second") << 4u << 0;
    QTest::newRow("1 per 2 seconds") << 5u << 0;
}

void AnalysisActionsTest::zoomShowsOneMinorTickPerSample() {
    QFETCH(unsigned, rateCode);
    QFETCH(int, ticks);
    WindowRun run;
    TKestrom_BMP& w = run.open();
    w.show();
    QCoreApplication::processEvents();
    run.load(run.flightFile("r.kes", flightAt(rateCode)));
    ui::Chart& chart = w.chart();
    QVERIFY(chart.pointCount(SeriesId::Series1) > 30);
    zoomToSamples(chart, 2.0, 22.0);
    QVERIFY(chart.isZoomed());
    QVERIFY(chart.bottomMaximum() - chart.bottomMinimum() < 100.0);
    QCOMPARE(chart.bottomMinorTickCount(), ticks);
    QCOMPARE(chart.bottomMinorGridVisible(), ticks > 0);
}

void AnalysisActionsTest::zoomOutAndUndoHideTheMinorGrid() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    w.show();
    QCoreApplication::processEvents();
    run.load(run.flightFile("r.kes", flightAt(0)));
    ui::Chart& chart = w.chart();
    zoomToSamples(chart, 10.0, 60.0);
    QVERIFY(chart.bottomMinorGridVisible());
    zoomToSamples(chart, 10.0, 160.0); // 150 samples in view
    QCOMPARE(chart.bottomMinorTickCount(), 0);
    QVERIFY(!chart.bottomMinorGridVisible());
    zoomToSamples(chart, 10.0, 60.0);
    QCOMPARE(chart.bottomMinorTickCount(), 19);
    chart.undoZoom(); // the grid goes, the tick count stays
    QVERIFY(!chart.bottomMinorGridVisible());
    QCOMPARE(chart.bottomMinorTickCount(), 19);
    zoomToSamples(chart, 10.0, 60.0);
    QVERIFY(chart.bottomMinorGridVisible());
    // A comparison at another rate does not change the marks of the recorder flight's samples.
    run.compare(run.flightFile("c.kes", flightAt(2)));
    zoomToSamples(chart, 10.0, 60.0);
    QCOMPARE(chart.bottomMinorTickCount(), 19);
}

void AnalysisActionsTest::temperatureKeyFilter_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<bool>("selectAll");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("result");
    QTest::newRow("three digits") << "" << false << "123"
                                  << "123";
    QTest::newRow("fourth digit discarded") << "" << false << "1234"
                                            << "123";
    QTest::newRow("minus at the end still taken") << "" << false << "123-"
                                                  << "123-";
    QTest::newRow("letters, points and blanks discarded") << "" << false << "a1. b2"
                                                          << "12";
    QTest::newRow("digit refused over a selection of three") << "123" << true << "4"
                                                             << "123";
    QTest::newRow("digit taken over a selection of two") << "12" << true << "4"
                                                         << "4";
}

void AnalysisActionsTest::temperatureKeyFilter() {
    QFETCH(QString, start);
    QFETCH(bool, selectAll);
    QFETCH(QString, typed);
    QFETCH(QString, result);
    WindowRun run;
    TKestrom_BMP& w = run.open();
    for (QLineEdit* field :
         {test::child<QLineEdit>(w, "E_TempGl"), test::child<QLineEdit>(w, "E_TempPor")}) {
        field->setReadOnly(false);
        field->setText(start);
        if (selectAll) {
            field->selectAll();
        }
        QTest::keyClicks(field, typed);
        QCOMPARE(field->text(), result);
    }
    // A minus typed in front of three digits makes a whole number; Backspace is always taken.
    test::child<QLineEdit>(w, "E_TempGl")->setText(QStringLiteral("123"));
    test::child<QLineEdit>(w, "E_TempGl")->setCursorPosition(0);
    QTest::keyClicks(test::child<QLineEdit>(w, "E_TempGl"), QStringLiteral("-"));
    QCOMPARE(test::child<QLineEdit>(w, "E_TempGl")->text(), QStringLiteral("-123"));
    test::child<QLineEdit>(w, "E_TempGl")->end(false);
    QTest::keyClick(test::child<QLineEdit>(w, "E_TempGl"), Qt::Key_Backspace);
    QCOMPARE(test::child<QLineEdit>(w, "E_TempGl")->text(), QStringLiteral("-12"));
}

void AnalysisActionsTest::temperatureEntryRedrawsOnlyItsFlight() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    run.load(run.flightFile("r.kes", flightAt(2)));
    run.compare(run.flightFile("c.kes", flightAt(3)));
    test::child<QPushButton>(w, "B_Filtr_Alt")->click();
    const std::vector<double> recorder = seriesValues(w.chart(), SeriesId::Series5);
    const std::vector<double> filtered = seriesValues(w.chart(), SeriesId::Series1);
    const std::vector<double> compare = seriesValues(w.chart(), SeriesId::Series3);
    const QString header = test::child<QLineEdit>(w, "E_TempGl")->text();

    test::child<QLineEdit>(w, "E_TempGl")->clear();
    QTest::keyClicks(test::child<QLineEdit>(w, "E_TempGl"), QStringLiteral("-5"));
    QTest::keyClick(test::child<QLineEdit>(w, "E_TempGl"), Qt::Key_Return);
    QCOMPARE(w.state().recorder.groundTemp, -5.0f);
    // The filtered flight is filtered again: dashed the new raw curve, solid the new filtered.
    const std::vector<double> colder = seriesValues(w.chart(), SeriesId::Series5);
    const std::vector<double> colderFiltered = seriesValues(w.chart(), SeriesId::Series1);
    QCOMPARE(colder.size(), recorder.size());
    QCOMPARE(colderFiltered.size(), filtered.size());
    // Colder air: every height difference shrinks by (t + 273.15) / 288.15 against the header's.
    const double headerC = header.toDouble();
    const double shrink = 268.15 / (headerC + 273.15);
    const std::size_t top = static_cast<std::size_t>(
        std::max_element(recorder.begin(), recorder.end()) - recorder.begin());
    QVERIFY(std::abs(colder[top] / recorder[top] - shrink) < 0.01);
    QVERIFY(std::abs(colderFiltered[top] / filtered[top] - shrink) < 0.01);
    QCOMPARE(test::child<QLineEdit>(w, "E_TempGl")->text(), QStringLiteral("-5"));
    // The comparison stays as it was.
    QCOMPARE(seriesValues(w.chart(), SeriesId::Series3), compare);
    QCOMPARE(w.state().comparison.record.groundTemp,
             static_cast<float>(test::child<QLineEdit>(w, "E_TempPor")->text().toInt()));

    test::child<QLineEdit>(w, "E_TempPor")->clear();
    QTest::keyClicks(test::child<QLineEdit>(w, "E_TempPor"), QStringLiteral("40"));
    QTest::keyClick(test::child<QLineEdit>(w, "E_TempPor"), Qt::Key_Return);
    QCOMPARE(w.state().comparison.record.groundTemp, 40.0f);
    QVERIFY(seriesValues(w.chart(), SeriesId::Series3) != compare);
    QCOMPARE(seriesValues(w.chart(), SeriesId::Series1), colderFiltered);
    QVERIFY(run.prompts.shown.empty());
}

void AnalysisActionsTest::temperatureEntryRefusesWhatIsNoNumber() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    test::child<QAction>(w, "English1")->trigger();
    // Still read-only, no flight: Enter gives the message and nothing else.
    QVERIFY(test::child<QLineEdit>(w, "E_TempGl")->isReadOnly());
    QTest::keyClick(test::child<QLineEdit>(w, "E_TempGl"), Qt::Key_Return);
    QCOMPARE(run.prompts.shown.size(), std::size_t{1});
    QCOMPARE(run.prompts.shown[0].text, Message::WrongTemperature);
    QCOMPARE(run.prompts.shown[0].caption, Message::ProblemCaption);
    QCOMPARE(run.prompts.shown[0].buttons, Buttons::Ok);
    QCOMPARE(run.prompts.shown[0].language, kEnglish);

    run.load(run.flightFile("r.kes", flightAt(2)));
    const std::vector<double> before = seriesValues(w.chart(), SeriesId::Series1);
    const float temperature = w.state().recorder.groundTemp;
    for (const char* text : {"", "-", "12-"}) {
        test::child<QLineEdit>(w, "E_TempGl")->setText(QString::fromLatin1(text));
        QTest::keyClick(test::child<QLineEdit>(w, "E_TempGl"), Qt::Key_Return);
    }
    QCOMPARE(run.prompts.shown.size(), std::size_t{4});
    QCOMPARE(w.state().recorder.groundTemp, temperature);
    QCOMPARE(seriesValues(w.chart(), SeriesId::Series1), before);
}

// Types a temperature into a panel's field and presses Enter.
void enterTemperature(QLineEdit* field, const QString& text) {
    field->clear();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

void AnalysisActionsTest::temperatureEntryFiltersAFilteredFlightAgainWithItsParameters() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    GeneratorOptions spiky = flightAt(0);
    spiky.spikes = 6;
    run.load(run.flightFile("r.kes", spiky));
    spiky.seed = 2;
    run.compare(run.flightFile("c.kes", spiky));
    test::child<QPushButton>(w, "B_Filtr_Alt")->click();
    test::child<QPushButton>(w, "B_Filtr_por")->click();
    const FilterParams pressed{w.state().config.PreCutCm, w.state().config.FinalCutCm,
                               w.state().config.PrefilterWidth, w.state().config.FinalFilterWidth};
    // Parameters changed in the dialog afterwards do not apply to the flights filtered before.
    w.state().config.PreCutCm = 100000;
    w.state().config.FinalCutCm = 100000;
    ui::Chart& chart = w.chart();

    enterTemperature(test::child<QLineEdit>(w, "E_TempGl"), QStringLiteral("-5"));
    const FlightRecord& rec = w.state().recorder;
    FilterWork work;
    const std::optional<FilterPlot> recorder = filterRecorderFlight(
        work, rec.evaluation.altitudeCm, pressed, rec.wordCount, rec.rateTimes10);
    QVERIFY(recorder.has_value());
    std::vector<double> expected;
    for (const Series1Point& p : recorder->filteredPoints) {
        expected.push_back(static_cast<double>(p.value));
    }
    QCOMPARE(seriesValues(chart, SeriesId::Series1), expected);
    QCOMPARE(seriesValues(chart, SeriesId::Series5),
             std::vector<double>(recorder->rawPoints.begin(), recorder->rawPoints.end()));
    QCOMPARE(test::child<QLineEdit>(w, "E_MaxGl")->text(),
             QString::fromStdString(centimetresText(recorder->maxCm)));
    QCOMPARE(test::child<QLineEdit>(w, "EMinimum")->text(),
             QString::fromStdString(centimetresText(recorder->minCm)));
    // The spikes stay out of the solid curve.
    QVERIFY(maxOf(seriesValues(chart, SeriesId::Series1)) <
            maxOf(seriesValues(chart, SeriesId::Series5)) - 5.0);

    enterTemperature(test::child<QLineEdit>(w, "E_TempPor"), QStringLiteral("35"));
    const CompareFlight& cmp = w.state().comparison;
    const std::optional<FilterPlot> compare = filterCompareFlight(
        work, cmp.evaluation.compareAltitudeCm, pressed, cmp.compareSampleBytes);
    QVERIFY(compare.has_value());
    expected.clear();
    for (const Series1Point& p : compare->filteredPoints) {
        expected.push_back(static_cast<double>(p.value));
    }
    QCOMPARE(seriesValues(chart, SeriesId::Series3), expected);
    QCOMPARE(seriesValues(chart, SeriesId::Series6),
             std::vector<double>(compare->rawPoints.begin(), compare->rawPoints.end()));
    QCOMPARE(test::child<QLineEdit>(w, "E_Max_Por")->text(),
             QString::fromStdString(centimetresText(compare->maxCm)));

    // A new comparison is not filtered until its button is pressed; its old dashed curve goes.
    run.compare(run.flightFile("plain.kes", flightAt(0)));
    QCOMPARE(chart.pointCount(SeriesId::Series6), 0);
    const std::vector<double> plain = seriesValues(chart, SeriesId::Series3);
    enterTemperature(test::child<QLineEdit>(w, "E_TempPor"), QStringLiteral("20"));
    QCOMPARE(chart.pointCount(SeriesId::Series6), 0);
    QCOMPARE(seriesValues(chart, SeriesId::Series3).size(), plain.size());
}

void AnalysisActionsTest::temperatureEntryKeepsTheOtherFlightInView() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    w.show();
    GeneratorOptions low = flightAt(2);
    low.climbRateMps = 3.0;
    GeneratorOptions high = flightAt(2);
    high.climbRateMps = 20.0;
    run.load(run.flightFile("low.kes", low));
    run.compare(run.flightFile("high.kes", high));
    ui::Chart& chart = w.chart();
    const double highest = maxOf(seriesValues(chart, SeriesId::Series3));
    QVERIFY(highest > 2.0 * maxOf(seriesValues(chart, SeriesId::Series1)));
    QVERIFY(chart.leftRange().upper >= highest);

    enterTemperature(test::child<QLineEdit>(w, "E_TempGl"), QStringLiteral("10"));
    QVERIFY(chart.leftRange().upper >= highest);
    QVERIFY(chart.leftRange().upper >= maxOf(seriesValues(chart, SeriesId::Series1)));
    enterTemperature(test::child<QLineEdit>(w, "E_TempPor"), QStringLiteral("-20"));
    QVERIFY(chart.leftRange().upper >= maxOf(seriesValues(chart, SeriesId::Series3)));
    QVERIFY(chart.leftRange().upper >= maxOf(seriesValues(chart, SeriesId::Series1)));
}

void AnalysisActionsTest::accelerationSwitchFiltersAFilteredFlightAgain() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    if (w.state().config.accelView != 0) {
        test::child<QAction>(w, "Przyspieszenie1")->trigger(); // start with the dh/dt curve off
    }
    GeneratorOptions spiky = flightAt(0);
    spiky.spikes = 6;
    run.load(run.flightFile("r.kes", spiky));
    test::child<QPushButton>(w, "B_Filtr_Alt")->click();
    const FilterParams pressed{w.state().config.PreCutCm, w.state().config.FinalCutCm,
                               w.state().config.PrefilterWidth, w.state().config.FinalFilterWidth};
    w.state().config.PreCutCm = 100000; // changed afterwards: not for the flight filtered before
    ui::Chart& chart = w.chart();

    test::child<QAction>(w, "Przyspieszenie1")->trigger();
    QVERIFY(chart.pointCount(SeriesId::Series2) > 0);
    const FlightRecord& rec = w.state().recorder;
    FilterWork work;
    const std::optional<FilterPlot> plot = filterRecorderFlight(
        work, rec.evaluation.altitudeCm, pressed, rec.wordCount, rec.rateTimes10);
    QVERIFY(plot.has_value());
    std::vector<double> filtered;
    for (const Series1Point& p : plot->filteredPoints) {
        filtered.push_back(static_cast<double>(p.value));
    }
    // Solid: filtered again; dashed: the new raw curve; the panel: the filtered extremes.
    QCOMPARE(seriesValues(chart, SeriesId::Series1), filtered);
    QCOMPARE(seriesValues(chart, SeriesId::Series5),
             std::vector<double>(plot->rawPoints.begin(), plot->rawPoints.end()));
    QCOMPARE(test::child<QLineEdit>(w, "E_MaxGl")->text(),
             QString::fromStdString(centimetresText(plot->maxCm)));
}

void AnalysisActionsTest::comparisonMarkTakesOffTheDashedCurveToo() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    GeneratorOptions spiky = flightAt(0);
    spiky.spikes = 6;
    run.compare(run.flightFile("c.kes", spiky));
    test::child<QPushButton>(w, "B_Filtr_por")->click();
    ui::Chart& chart = w.chart();
    const std::vector<double> filtered = seriesValues(chart, SeriesId::Series3);
    const std::vector<double> raw = seriesValues(chart, SeriesId::Series6);
    auto* mark = test::child<QAction>(w, "Porownanie1");
    auto* maximum = test::child<QLineEdit>(w, "E_Max_Por");
    auto* temperature = test::child<QLineEdit>(w, "E_TempPor");
    const QString maximumText = maximum->text();
    const QString temperatureText = temperature->text();

    mark->trigger(); // off: nothing of the comparison stays on the chart
    QCOMPARE(chart.pointCount(SeriesId::Series3), 0);
    QCOMPARE(chart.pointCount(SeriesId::Series6), 0);
    QVERIFY(maximum->text().isEmpty());

    mark->trigger(); // on: nothing else
    QVERIFY(mark->isChecked());
    QCOMPARE(chart.pointCount(SeriesId::Series3), 0);
    QCOMPARE(chart.pointCount(SeriesId::Series6), 0);

    // The flight is kept: the same temperature entered again draws it filtered as it was.
    QTest::keyClicks(temperature, temperatureText);
    QTest::keyClick(temperature, Qt::Key_Return);
    QCOMPARE(seriesValues(chart, SeriesId::Series3), filtered);
    QCOMPARE(seriesValues(chart, SeriesId::Series6), raw);
    QCOMPARE(maximum->text(), maximumText);
}

void AnalysisActionsTest::comparisonFlattenedByAnEntryLeavesItsExtremeTextsUnwritten() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    GeneratorOptions steady = flightAt(2);
    steady.noiseCounts = 0.0; // the ground stays at exactly 0 m
    run.compare(run.flightFile("c.kes", steady));
    const QString maxText = test::child<QLineEdit>(w, "E_Max_Por")->text();
    const QString minText = test::child<QLineEdit>(w, "E_Min_Por")->text();
    QVERIFY(maxText.toDouble() > 50.0);
    QVERIFY(!minText.isEmpty());
    // Below absolute zero every height turns negative: the curve never rises above the ground,
    // so neither field is written and both keep their texts.
    // The minus sign goes in front of three digits typed first.
    test::child<QLineEdit>(w, "E_TempPor")->clear();
    QTest::keyClicks(test::child<QLineEdit>(w, "E_TempPor"), QStringLiteral("300"));
    test::child<QLineEdit>(w, "E_TempPor")->home(false);
    QTest::keyClicks(test::child<QLineEdit>(w, "E_TempPor"), QStringLiteral("-"));
    QTest::keyClick(test::child<QLineEdit>(w, "E_TempPor"), Qt::Key_Return);
    QCOMPARE(w.state().comparison.record.groundTemp, -300.0f);
    const CompareEvaluation& ev = w.state().comparison.evaluation;
    QVERIFY(!ev.maxText.has_value());
    QVERIFY(!ev.minText.has_value());
    QVERIFY(maxOf(seriesValues(w.chart(), SeriesId::Series3)) <= 0.0);
    QCOMPARE(test::child<QLineEdit>(w, "E_Max_Por")->text(), maxText);
    QCOMPARE(test::child<QLineEdit>(w, "E_Min_Por")->text(), minText);
}

void AnalysisActionsTest::comparisonLiesOnTheRecorderTimeAxis_data() {
    QTest::addColumn<unsigned>("recorderRate");
    QTest::addColumn<unsigned>("compareRate");
    QTest::addColumn<double>("glideSeconds");
    // Rate codes: 0 is 20, 2 is 10, 4 is 1 sample per second.
    QTest::newRow("equal rates") << 2u << 2u << 60.0;
    QTest::newRow("comparison twice as fast") << 2u << 0u << 60.0;
    QTest::newRow("comparison ten times slower") << 2u << 4u << 60.0;
    QTest::newRow("slower and longer than the recorder flight") << 0u << 4u << 600.0;
}

void AnalysisActionsTest::comparisonLiesOnTheRecorderTimeAxis() {
    QFETCH(unsigned, recorderRate);
    QFETCH(unsigned, compareRate);
    QFETCH(double, glideSeconds);
    WindowRun run;
    TKestrom_BMP& w = run.open();
    w.show();
    run.load(run.flightFile("r.kes", flightAt(recorderRate)));
    GeneratorOptions other = flightAt(compareRate);
    other.glideSeconds = glideSeconds;
    run.compare(run.flightFile("c.kes", other));
    ui::Chart& chart = w.chart();
    chart.refresh();
    const double scale = static_cast<double>(rateTimes10ForCode(recorderRate)) /
                         static_cast<double>(rateTimes10ForCode(compareRate));
    const int points = chart.pointCount(SeriesId::Series3);
    QVERIFY(points > 20);
    for (int j : {0, 1, 7, points - 1}) {
        QCOMPARE(chart.pointKey(SeriesId::Series3, j), j * scale);
    }
    if (recorderRate == compareRate) {
        for (int j = 0; j < points; ++j) {
            QCOMPARE(chart.pointKey(SeriesId::Series3, j), static_cast<double>(j));
        }
    }
    // The same climb at the same time: the tops of the two curves line up within a second and
    // the two samples the smoothing of a slow comparison may shift its top by.
    const std::vector<double> r = seriesValues(chart, SeriesId::Series1);
    const std::vector<double> c = seriesValues(chart, SeriesId::Series3);
    const auto rTop = static_cast<double>(std::max_element(r.begin(), r.end()) - r.begin());
    const auto cTop = static_cast<double>(std::max_element(c.begin(), c.end()) - c.begin());
    const double perSecond = rateTimes10ForCode(recorderRate) / 10.0;
    QVERIFY2(std::abs(rTop - cTop * scale) <= perSecond * 1.5 + 2.0 * scale,
             qPrintable(QStringLiteral("%1 %2").arg(rTop).arg(cTop * scale)));
    // The axis shows all of both flights, and its marks stay a line apart.
    QVERIFY(chart.bottomMaximum() >= (points - 1) * scale);
    QVERIFY(chart.bottomMaximum() >= static_cast<double>(r.size() - 1));
    const QMap<double, QString> marks = chart.bottomMarks();
    QVERIFY(marks.size() > 2);
    const double lineHeight = QFontMetrics(chart.xAxis->tickLabelFont()).height();
    double previous = -1e9;
    for (auto it = marks.begin(); it != marks.end(); ++it) {
        const double at = chart.xAxis->coordToPixel(it.key());
        QVERIFY2(at - previous >= lineHeight, qPrintable(it.value()));
        previous = at;
    }
    // Where the comparison runs on past the recorder flight, the time marks run on with it.
    const double lastMark = marks.lastKey();
    const double longer = std::max((points - 1) * scale, static_cast<double>(r.size() - 1));
    QVERIFY2(longer - lastMark <= (longer / 4.0),
             qPrintable(QStringLiteral("%1 %2").arg(lastMark).arg(longer)));
}

void AnalysisActionsTest::comparisonFollowsANewRecorderRate() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    // Alone on the chart the comparison keeps its own points.
    run.compare(run.flightFile("c.kes", flightAt(0)));
    QCOMPARE(w.chart().pointKey(SeriesId::Series3, 10), 10.0);
    run.load(run.flightFile("r2.kes", flightAt(2)));
    QCOMPARE(w.chart().pointKey(SeriesId::Series3, 10), 5.0);
    run.load(run.flightFile("r4.kes", flightAt(4)));
    QCOMPARE(w.chart().pointKey(SeriesId::Series3, 10), 0.5);
    // Filtered, it stays at its times.
    test::child<QPushButton>(w, "B_Filtr_por")->click();
    QCOMPARE(w.chart().pointKey(SeriesId::Series3, 10), 0.5);
    QCOMPARE(w.chart().pointKey(SeriesId::Series6, 10), 0.5);
}

QTEST_MAIN(AnalysisActionsTest)
#include "analysis_actions_test.moc"
