// The window's analysis actions end to end: Filter buttons, the filter dialog, comparison, curve
// clicks, value labels, zoom minor ticks and the temperature re-entry with its key filter.

#include "tests/support/window_test.h"
#include "window_fixture.h"

#include "tests/support/qt_files.h"

#include "analysis/filter_plot.h"
#include "app/dialogs.h"
#include "flight/number_format.h"
#include "ui/filter_dialog_widget.h"

#include <QAction>
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
using kestrom::test::int32At;
using kestrom::test::seriesValues;
using kestrom::test::WindowRun;
using kestrom::ui::SeriesId;
using kestrom::ui::TKestrom_BMP;

Q_DECLARE_METATYPE(kestrom::ui::SeriesId)

namespace {

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
    void filterDialogShowsStoresAndWritesAtOnce_data();
    void filterDialogShowsStoresAndWritesAtOnce();
    void filterDialogCaptionsFollowTheLanguage();
    void comparisonRemovedByTheMenuMark();
    void curveClickEmptiesTheCurveAndItsPanel_data();
    void curveClickEmptiesTheCurveAndItsPanel();
    void valueLabelsFollowTheMarkAndSurviveLoads();
    void zoomShowsOneMinorTickPerSample_data();
    void zoomShowsOneMinorTickPerSample();
    void zoomOutAndUndoHideTheMinorGrid();
    void temperatureKeyFilter_data();
    void temperatureKeyFilter();
    void temperatureEntryRefusesWhatIsNoNumber();
    void comparisonLiesOnTheRecorderTimeAxis_data();
    void comparisonLiesOnTheRecorderTimeAxis();
};

void AnalysisActionsTest::filterButtonsDrawFilteredOverRaw() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    const GeneratorOptions spiky{.rateCode = 0, .spikes = 6}; // 20 samples per second
    run.load(run.flightFile("spiky.kes", spiky));
    ui::Chart& chart = w.chart();
    const std::vector<double> raw = seriesValues(chart, SeriesId::Series1);
    const std::vector<std::int32_t> rawCurve = w.state().shown.recorder.evaluation.altitudeCm;
    QVERIFY(raw.size() > 100);

    test::click(w, "B_Filtr_Alt");
    const std::vector<double> filtered = seriesValues(chart, SeriesId::Series1);
    QCOMPARE(filtered.size(), raw.size());
    // The raw curve is now the dashed companion, point for point.
    QCOMPARE(seriesValues(chart, SeriesId::Series5), raw);
    QCOMPARE(chart.graph(static_cast<int>(SeriesId::Series5))->pen().style(), Qt::DashLine);
    // The spikes are gone: the filtered maximum is well below the spiky one, and the fields show
    // the filtered extremes.
    QVERIFY(maxOf(filtered) < maxOf(raw) - 5.0);
    QCOMPARE(test::fieldText(w, "E_MaxGl"), oneDecimal(maxOf(filtered)));
    const double lowest = std::min(*std::min_element(filtered.begin(), filtered.end()), 50.0);
    QCOMPARE(test::fieldText(w, "EMinimum"), oneDecimal(lowest));
    // Whole seconds on every 20th point.
    QCOMPARE(chart.pointLabel(SeriesId::Series1, 40), QStringLiteral("2"));
    QCOMPARE(chart.pointLabel(SeriesId::Series1, 41), QString());

    // The flight itself is untouched, so a second press gives the same curve.
    QVERIFY(w.state().shown.recorder.evaluation.altitudeCm == rawCurve);
    test::click(w, "B_Filtr_Alt");
    QCOMPARE(seriesValues(chart, SeriesId::Series1), filtered);

    // The comparison's button: raw into Series6, filtered into Series3, no labels.
    run.compare(run.flightFile("spiky-too.kes", spiky));
    const std::vector<double> rawCompare = seriesValues(chart, SeriesId::Series3);
    test::click(w, "B_Filtr_por");
    QCOMPARE(seriesValues(chart, SeriesId::Series6), rawCompare);
    QCOMPARE(seriesValues(chart, SeriesId::Series3), filtered);
    QCOMPARE(chart.pointLabel(SeriesId::Series3, 40), QString());
    QCOMPARE(test::fieldText(w, "E_Max_Por"), test::fieldText(w, "E_MaxGl"));
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
    const QByteArray saved = test::fileBytes(run.configPath());
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
    test::trigger(w, "English1");
    dialog->show();
    QCOMPARE(dialog->Label4->text(), QStringLiteral("Final Filter [6-30]"));
    QCOMPARE(dialog->Button2->text(), QStringLiteral("Save"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Kestrom-Filtr"));
    QCOMPARE(dialog->Ed_Filtr1->text(), QStringLiteral("5"));
    dialog->reject(); // the close box stores nothing
    QCOMPARE(w.state().config.PrefilterWidth, 8);
}

void AnalysisActionsTest::comparisonRemovedByTheMenuMark() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    test::trigger(w, "English1");
    run.compare(run.flightFile("c.kes", flightAt(2)));
    QVERIFY(w.chart().pointCount(SeriesId::Series3) > 0);
    test::trigger(w, "Porownanie1"); // mark off: comparison removed
    QVERIFY(!test::isChecked(w, "Porownanie1"));
    QCOMPARE(w.chart().pointCount(SeriesId::Series3), 0);
    QCOMPARE(test::groupTitle(w, "GroupB_Por"), QStringLiteral("File"));
    QVERIFY(test::fieldText(w, "E_Max_Por").isEmpty());
    QVERIFY(test::fieldText(w, "E_TempPor").isEmpty());
    test::trigger(w, "Porownanie1"); // mark on: nothing else
    QVERIFY(test::isChecked(w, "Porownanie1"));
    QCOMPARE(w.chart().pointCount(SeriesId::Series3), 0);
    test::trigger(w, "Porownanie1");
    // The flight is still kept: a temperature entry draws it again and sets the mark.
    QVERIFY(!test::child<QLineEdit>(w, "E_TempPor")->isReadOnly());
    QTest::keyClicks(test::child<QLineEdit>(w, "E_TempPor"), QStringLiteral("15"));
    QTest::keyClick(test::child<QLineEdit>(w, "E_TempPor"), Qt::Key_Return);
    QVERIFY(w.chart().pointCount(SeriesId::Series3) > 0);
    QVERIFY(!test::fieldText(w, "E_Max_Por").isEmpty());
    QVERIFY(test::isChecked(w, "Porownanie1"));

    // A file that cannot be read changes nothing.
    const QString title = test::groupTitle(w, "GroupB_Por");
    run.compare(run.path("missing.kes"));
    QCOMPARE(run.prompts.errors.size(), std::size_t{1});
    QVERIFY(run.prompts.errors[0].find("missing.kes") != std::string::npos);
    QCOMPARE(test::groupTitle(w, "GroupB_Por"), title);
    // Nor does a file without a whole header.
    const std::vector<double> shown = seriesValues(w.chart(), SeriesId::Series3);
    const std::string stub = run.path("stub.kes");
    (void)writeWholeFile(stub, std::vector<std::uint8_t>(20, 1));
    run.compare(stub);
    QCOMPARE(run.prompts.shown.back().text, Message::FileTooShort);
    QCOMPARE(test::groupTitle(w, "GroupB_Por"), title);
    QCOMPARE(seriesValues(w.chart(), SeriesId::Series3), shown);
}

void AnalysisActionsTest::curveClickEmptiesTheCurveAndItsPanel_data() {
    QTest::addColumn<SeriesId>("clicked");
    QTest::addColumn<kestrom::Language>("language");
    QTest::addColumn<QString>("recorderTitle");
    QTest::addColumn<QString>("compareTitle");
    const auto row = [](const char* name, SeriesId id, Language language, const char* recorder,
                        const char* compare) {
        QTest::newRow(name) << id << language << QString(recorder) << QString(compare);
    };
    row("recorder, Polish", SeriesId::Series1, kPolish, "Kestrom", "c.kes");
    row("recorder, English", SeriesId::Series1, kEnglish, "Altimeter", "c.kes");
    row("comparison, Polish", SeriesId::Series3, kPolish, "r.kes", "Plik");
    row("comparison, English", SeriesId::Series3, kEnglish, "r.kes", "File");
    row("dh/dt", SeriesId::Series2, kEnglish, "r.kes", "c.kes");
}

void AnalysisActionsTest::curveClickEmptiesTheCurveAndItsPanel() {
    QFETCH(SeriesId, clicked);
    QFETCH(kestrom::Language, language);
    QFETCH(QString, recorderTitle);
    QFETCH(QString, compareTitle);
    WindowRun run;
    TKestrom_BMP& w = run.open();
    if (language == kEnglish) {
        test::trigger(w, "English1");
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
    QCOMPARE(test::groupTitle(w, "GroupB_Alt"), recorderTitle);
    QCOMPARE(test::groupTitle(w, "GroupB_Por"), compareTitle);
    QCOMPARE(test::fieldText(w, "E_MaxGl").isEmpty(), clicked == SeriesId::Series1);
    QCOMPARE(test::fieldText(w, "E_NrSeryjny").isEmpty(), clicked == SeriesId::Series1);
    QCOMPARE(test::fieldText(w, "E_Max_Por").isEmpty(), clicked == SeriesId::Series3);
    QCOMPARE(test::fieldText(w, "E_probkPor").isEmpty(), clicked == SeriesId::Series3);
    // The legend click only redraws.
    emit w.chart().legendClicked();
    QCOMPARE(w.chart().pointCount(SeriesId::Series3),
             clicked == SeriesId::Series3 ? 0 : counts[SeriesId::Series3]);
}

void AnalysisActionsTest::valueLabelsFollowTheMarkAndSurviveLoads() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    QVERIFY(!test::isChecked(w, "Warto1"));
    test::trigger(w, "Warto1");
    QVERIFY(test::isChecked(w, "Warto1"));
    QVERIFY(w.chart().valueLabelsVisible(SeriesId::Series1));
    QVERIFY(w.chart().valueLabelsVisible(SeriesId::Series3));
    QVERIFY(!w.chart().valueLabelsVisible(SeriesId::Series2));
    run.load(run.flightFile("r.kes", flightAt(2)));
    run.compare(run.flightFile("c.kes", flightAt(3)));
    QVERIFY(w.chart().valueLabelsVisible(SeriesId::Series1));
    QVERIFY(w.chart().valueLabelsVisible(SeriesId::Series3));
    w.Warto1Click(); // a direct call toggles like the menu
    QVERIFY(!test::isChecked(w, "Warto1"));
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
    const auto row = [](const char* name, const char* start, bool all, const char* typed,
                        const char* result) {
        QTest::newRow(name) << QString(start) << all << QString(typed) << QString(result);
    };
    row("three digits", "", false, "123", "123");
    row("fourth digit discarded", "", false, "1234", "123");
    row("minus at the end still taken", "", false, "123-", "123-");
    row("letters, points and blanks discarded", "", false, "a1. b2", "12");
    row("digit refused over a selection of three", "123", true, "4", "123");
    row("digit taken over a selection of two", "12", true, "4", "4");
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
    QCOMPARE(test::fieldText(w, "E_TempGl"), QStringLiteral("-123"));
    test::child<QLineEdit>(w, "E_TempGl")->end(false);
    QTest::keyClick(test::child<QLineEdit>(w, "E_TempGl"), Qt::Key_Backspace);
    QCOMPARE(test::fieldText(w, "E_TempGl"), QStringLiteral("-12"));
}

void AnalysisActionsTest::temperatureEntryRefusesWhatIsNoNumber() {
    WindowRun run;
    TKestrom_BMP& w = run.open();
    test::trigger(w, "English1");
    // Still read-only, no flight: Enter gives the message and nothing else.
    QVERIFY(test::child<QLineEdit>(w, "E_TempGl")->isReadOnly());
    QTest::keyClick(test::child<QLineEdit>(w, "E_TempGl"), Qt::Key_Return);
    QCOMPARE(run.prompts.shown,
             (std::vector<test::ShownMessage>{
                 {Message::WrongTemperature, Message::ProblemCaption, Buttons::Ok, kEnglish}}));

    run.load(run.flightFile("r.kes", flightAt(2)));
    const std::vector<double> before = seriesValues(w.chart(), SeriesId::Series1);
    const float temperature = w.state().shown.recorder.groundTemp;
    for (const char* text : {"", "-", "12-"}) {
        test::child<QLineEdit>(w, "E_TempGl")->setText(QString::fromLatin1(text));
        QTest::keyClick(test::child<QLineEdit>(w, "E_TempGl"), Qt::Key_Return);
    }
    QCOMPARE(run.prompts.shown.size(), std::size_t{4});
    QCOMPARE(w.state().shown.recorder.groundTemp, temperature);
    QCOMPARE(seriesValues(w.chart(), SeriesId::Series1), before);
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
    run.compare(run.flightFile("c.kes", {.rateCode = compareRate, .glideSeconds = glideSeconds}));
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

KESTROM_WINDOW_TEST(AnalysisActionsTest)
#include "analysis_actions_test.moc"
