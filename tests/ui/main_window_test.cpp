// The main window end to end: layout, configuration file, languages, and the recorder actions
// against the simulated recorder, with dialogs answered by fake prompts.

#include "window_fixture.h"

#include "tests/support/long_flight.h"
#include "tests/support/qt_files.h"
#include "tests/support/window_test.h"

#include "files/text_export.h"
#include "flight/evaluation.h"
#include "flight/flight_header.h"
#include "flight/number_format.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace kestrom;
using kestrom::test::int32At;
using kestrom::ui::SeriesId;
using kestrom::ui::TKestrom_BMP;

namespace {

// One run of the program with one recorder on the bus, holding a flight at 10 samples a second.
struct Run : test::WindowRun {
    SimulatedRecorder* recorder = &bus.addRecorder();
    std::vector<std::uint8_t> flight =
        generateFlight({.rateCode = 2, .competitor = 17, .serial = 1001});

    Run() { recorder->state.flight = flight; }
    int samples() const { return static_cast<int>((flight.size() - kHeaderBytes) / kSampleBytes); }
};

QByteArray bytesOf(const std::vector<std::uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())};
}

// Controls named in one list.
QStringList names(const char* list) { return QString::fromLatin1(list).split(QLatin1Char(' ')); }

// What the flight panel shows, field by field.
QStringList panelTexts(TKestrom_BMP& w) {
    QStringList texts;
    for (const QString& name :
         names("E_MaxGl EMinimum E_NrZawodnika E_NrSeryjny E_TempGl E_probkGl")) {
        texts << test::fieldText(w, qPrintable(name));
    }
    return texts;
}

// Makes the folder current for one test and puts the old one back.
struct CurrentFolder {
    QString old = QDir::currentPath();
    explicit CurrentFolder(const QString& folder) { QDir::setCurrent(folder); }
    ~CurrentFolder() { QDir::setCurrent(old); }
};

// An empty file, with its folders.
void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QVERIFY(test::writeFile(path, {}));
}

// The part of the client the window shows (inside the scroll bars, when there are any).
QWidget& clientArea(TKestrom_BMP& w) {
    auto* scroll = qobject_cast<QScrollArea*>(w.centralWidget());
    return scroll != nullptr ? *scroll->viewport() : *w.centralWidget();
}

// Scrolls the whole control into view, as a user drags the scroll bars (a field's own request
// would show its cursor only).
void scrollTo(QScrollArea* scroll, QWidget& control) {
    if (scroll == nullptr) {
        return;
    }
    const QRect at(control.mapTo(scroll->widget(), QPoint(0, 0)), control.size());
    scroll->ensureVisible(at.center().x(), at.center().y(), at.width() / 2 + 1,
                          at.height() / 2 + 1);
    QCoreApplication::processEvents();
}

// Resizes the window so that its client area has the given size.
void setClientSize(TKestrom_BMP& w, int width, int height) {
    w.show();
    for (int attempt = 0; attempt < 4; ++attempt) {
        const QSize client = clientArea(w).size();
        const QSize frame = w.size() - client;
        w.resize(width + frame.width(), height + frame.height());
        QCoreApplication::processEvents();
        if (clientArea(w).size() == QSize(width, height)) {
            return;
        }
    }
    QCOMPARE(clientArea(w).size(), QSize(width, height));
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void controlsCarryTheirNamesAndStartStates();
    void layoutFollowsTheClientWidth_data();
    void layoutFollowsTheClientWidth();
    void layoutSkipsAZeroWidth();
    void everyControlIsReachableOnASmallScreen_data();
    void everyControlIsReachableOnASmallScreen();
    void firstRunWritesTheDefaultRecordAtClose();
    void reservedBytesSurviveARun();
    void languageSwitchIsAppliedAndStoredAtOnce();
    void storedLanguageOutOfRangeMeansEnglish();
    void unreadableOrUnwritableConfigurationIsReported_data();
    void unreadableOrUnwritableConfigurationIsReported();
    void downloadFillsThePanelAndTheCurves();
    void downloadWithoutNewFlightStillDrawsIt();
    void cutStreamReportsAndClearsTheCurves();
    void shortFlightShowsItsHeaderAndNoCurve();
    void missingRecorderChangesNothing();
    void saveThenLoadGivesTheSameFlight_data();
    void saveThenLoadGivesTheSameFlight();
    void saveAsksBeforeOverwriting_data();
    void saveAsksBeforeOverwriting();
    void saveWithoutDownloadSaysNoData();
    void loadFailureLeavesThePanel();
    void fileThatIsNoFlightIsShownWithAWarning_data();
    void fileThatIsNoFlightIsShownWithAWarning();
    void dhdtSwitchClearsAndRedraws();
    void zeroingAsksFirst();
    void helpFileFollowsTheLanguage();
    void helpOpensTheGuideBesideOrBelowTheProgramOrSaysWhy();
    void builtGuideIsBesideTheProgramInBothLanguagesWithItsPictures();
};

void MainWindowTest::controlsCarryTheirNamesAndStartStates() {
    Run run;
    TKestrom_BMP& w = run.open();
    // Other parts reach the controls by these names.
    for (const QString& name :
         names("B_Odczyt_Kestromu BZerowanie B_Filtr_Alt GroupB_Alt GBDysk_ZapisOdczyt BZapisz "
               "BOdczyt B_Porownanie B_Filtr_por GroupB_Por Chart1 E_PobDan ECzekaj B_Anuluj "
               "EUstawieniaOK Label6 Label2 Label4 LabMaximum E_MaxGl LmMax LMinimum EMinimum "
               "LmMin LZaw1 E_NrZawodnika L_NumSer1 E_NrSeryjny LTemp1 E_TempGl Label14 LProbk1 "
               "E_probkGl Label1 E_Max_Por Label7 Label3 E_Min_Por Label8 LZaw2 E_Zaw_Por "
               "L_NumSer2 E_NrS_Por LTemp2 E_TempPor Label9 LProbk2 E_probkPor Ustawienia1 "
               "Kestrom1 Filtr3 Se1 Widok1 Przyspieszenie1 Porownanie1 Warto1 E1 UstawDrukarke1 "
               "Drukuj1 ZapiszObraz1 ZapiszdoExcela1 MenuJezyk Polski1 English1 Info1 Help1")) {
        QVERIFY2(w.findChild<QObject*>(name) != nullptr, qPrintable(name));
    }
    // Busy fields hidden; value fields read-only except the competitor number.
    for (const QString& name : names("E_PobDan ECzekaj EUstawieniaOK B_Anuluj")) {
        QVERIFY2(test::child<QWidget>(w, qPrintable(name))->isHidden(), qPrintable(name));
    }
    for (const QString& name : names("E_MaxGl EMinimum E_NrSeryjny E_TempGl E_probkGl E_Max_Por "
                                     "E_Min_Por E_Zaw_Por E_NrS_Por E_TempPor E_probkPor E_PobDan "
                                     "ECzekaj")) {
        QVERIFY2(test::child<QLineEdit>(w, qPrintable(name))->isReadOnly(), qPrintable(name));
    }
    QVERIFY(!test::child<QLineEdit>(w, "E_NrZawodnika")->isReadOnly());
    QVERIFY(test::isChecked(w, "Porownanie1"));
    QVERIFY(!test::isChecked(w, "Warto1"));
    QCOMPARE(test::fieldText(w, "ECzekaj"), QStringLiteral("    Czekaj"));
    QCOMPARE(w.chart().titleLines(),
             QStringList{QStringLiteral("            Wysokosc / Altitude")});
    QVERIFY(!w.chart().inLegend(SeriesId::Series4));
}

void MainWindowTest::layoutFollowsTheClientWidth_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QRect>("chart");
    QTest::addColumn<QList<int>>("lefts"); // read, zero, filter, recorder group, disk group,
                                           // compare, compare filter, file group
    QTest::newRow("1280 x 900") << 1280 << 900 << QRect(8, 120, 1265, 780)
                                << QList<int>{10, 10, 98, 184, 536, 863, 863, 975};
    QTest::newRow("640 wide") << 640 << 600 << QRect(8, 120, 625, 480)
                              << QList<int>{5, 5, 93, 153, 437, 571, 571, 673};
    QTest::newRow("tiny keeps the chart at 500 x 200")
        << 320 << 200 << QRect(8, 120, 500, 200) << QList<int>{2, 2, 90, 150, 434, 568, 568, 670};
}

void MainWindowTest::layoutFollowsTheClientWidth() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QRect, chart);
    QFETCH(QList<int>, lefts);
    Run run;
    TKestrom_BMP& w = run.open();
    setClientSize(w, width, height);
    QCOMPARE(w.chart().geometry(), chart);
    const QStringList controls = names("B_Odczyt_Kestromu BZerowanie B_Filtr_Alt GroupB_Alt "
                                       "GBDysk_ZapisOdczyt B_Porownanie B_Filtr_por GroupB_Por");
    for (qsizetype i = 0; i < controls.size(); ++i) {
        QCOMPARE(test::child<QWidget>(w, qPrintable(controls[i]))->x(), lefts[i]);
    }
    // Tops keep their design values; the unit labels follow the chart's corners.
    QCOMPARE(test::child<QGroupBox>(w, "GroupB_Por")->y(), 0);
    QCOMPARE(test::child<QPushButton>(w, "B_Filtr_por")->y(), 72);
    QCOMPARE(test::child<QLabel>(w, "Label2")->pos(),
             QPoint(chart.width() - 85, chart.height() - 20));
    QCOMPARE(test::child<QLabel>(w, "Label6")->pos(), QPoint(8, chart.height() - 20));
    QCOMPARE(test::child<QLabel>(w, "Label4")->pos(), QPoint(chart.width() - 85, 8));
}

void MainWindowTest::layoutSkipsAZeroWidth() {
    Run run;
    TKestrom_BMP& w = run.open();
    setClientSize(w, 1280, 900);
    const QRect before = test::child<QGroupBox>(w, "GroupB_Por")->geometry();
    w.centralWidget()->resize(0, 0);
    w.FormResize(); // must not divide by zero
    QCOMPARE(test::child<QGroupBox>(w, "GroupB_Por")->geometry(), before);
}

void MainWindowTest::everyControlIsReachableOnASmallScreen_data() {
    QTest::addColumn<QSize>("screen"); // in pixels
    QTest::addColumn<double>("scale");
    QTest::addColumn<bool>("scrolls");
    QTest::newRow("800 x 600") << QSize(800, 600) << 1.0 << true;
    QTest::newRow("1280 x 1024 at scale 1.5") << QSize(1280, 1024) << 1.5 << true;
    QTest::newRow("design size 1300 x 834") << QSize(1300, 834) << 1.0 << false;
    QTest::newRow("1920 x 1080") << QSize(1920, 1080) << 1.0 << false;
}

void MainWindowTest::everyControlIsReachableOnASmallScreen() {
    QFETCH(QSize, screen);
    QFETCH(double, scale);
    QFETCH(bool, scrolls);
    Run run;
    TKestrom_BMP& w = run.open();
    // Maximised on that screen: the window takes all of it, in the toolkit's scaled pixels.
    w.show();
    w.resize(static_cast<int>(screen.width() / scale), static_cast<int>(screen.height() / scale));
    QCoreApplication::processEvents();
    QWidget& area = clientArea(w);
    auto* scroll = qobject_cast<QScrollArea*>(w.centralWidget());
    QStringList checked;
    for (QWidget* control : w.centralWidget()->findChildren<QWidget*>()) {
        const QString name = control->objectName();
        if (name.isEmpty() || name == QLatin1String("client") || name.startsWith("qt_") ||
            !control->isVisibleTo(&w) || qobject_cast<QScrollBar*>(control) != nullptr) {
            continue;
        }
        scrollTo(scroll, *control);
        const QRect shown(control->mapTo(&area, QPoint(0, 0)), control->size());
        QVERIFY2(area.rect().contains(shown), qPrintable(name));
        checked << name;
    }
    // The buttons, both panels' fields and labels, the chart and its labels; among them the
    // comparison panel's temperature, which must be typed in.
    QVERIFY(checked.size() > 40);
    QVERIFY(checked.contains(QStringLiteral("E_TempPor")));
    // Where everything fits, nothing scrolls: the layout is the rules' alone.
    const bool bars = scroll != nullptr && (scroll->horizontalScrollBar()->isVisible() ||
                                            scroll->verticalScrollBar()->isVisible());
    QCOMPARE(bars, scrolls);
}

void MainWindowTest::firstRunWritesTheDefaultRecordAtClose() {
    Run run;
    TKestrom_BMP& w = run.open();
    QCOMPARE(w.CurrentLanguage(), kPolish);
    QVERIFY(test::isChecked(w, "Polski1"));
    QVERIFY(!test::isChecked(w, "English1"));
    QVERIFY(test::isChecked(w, "Przyspieszenie1"));
    QVERIFY(!QFile::exists(run.configPath()));
    w.show();
    QVERIFY(w.close());
    const QByteArray saved = test::fileBytes(run.configPath());
    QCOMPARE(saved.size(), 44);
    QCOMPARE(saved.left(12), QByteArray(12, '\0'));
    const int fields[] = {50, 0, 1, 350, 250, 8, 12, 1}; // the 32-bit fields from byte 12 on
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(int32At(saved, 12 + 4 * i), fields[i]);
    }
    QVERIFY(run.prompts.errors.empty());
}

void MainWindowTest::reservedBytesSurviveARun() {
    Run run;
    QByteArray stored(44, '\0');
    for (int i = 0; i < 44; ++i) {
        stored[i] = static_cast<char>(0x11 * (i % 12) + 3);
    }
    // Polish and the dh/dt view off (bytes 16 to 23); the rest of the fields hold odd values.
    stored.replace(16, 8, QByteArray(8, '\0'));
    QVERIFY(test::writeFile(run.configPath(), stored));
    TKestrom_BMP& w = run.open();
    QVERIFY(!test::isChecked(w, "Przyspieszenie1"));
    w.show();
    QVERIFY(w.close());
    QCOMPARE(test::fileBytes(run.configPath()), stored);
}

void MainWindowTest::languageSwitchIsAppliedAndStoredAtOnce() {
    Run run;
    {
        TKestrom_BMP& w = run.open();
        test::trigger(w, "English1");
        QCOMPARE(int32At(test::fileBytes(run.configPath()), 16), 1); // on disk before any close
        QCOMPARE(w.windowTitle(),
                 QStringLiteral("Kestrom BMP    Ver. 2018.3 FTDI    BRUX-FAI compliant"));
        QCOMPARE(test::child<QPushButton>(w, "B_Porownanie")->text(), QStringLiteral("Compare   "));
        QCOMPARE(test::groupTitle(w, "GroupB_Alt"), QStringLiteral("Altimeter"));
        QCOMPARE(test::child<QAction>(w, "Przyspieszenie1")->text(),
                 QStringLiteral("Acceleration  "));
        QCOMPARE(w.chart().seriesTitle(SeriesId::Series1), QStringLiteral("Altitude"));
        QCOMPARE(test::child<QMenu>(w, "MenuJezyk")->title(), QStringLiteral("Język/Language"));
        QVERIFY(test::isChecked(w, "English1") && !test::isChecked(w, "Polski1"));
        w.show();
        w.close();
    }
    {
        TKestrom_BMP& w = run.open();
        QCOMPARE(w.CurrentLanguage(), kEnglish);
        QVERIFY(test::isChecked(w, "English1") && !test::isChecked(w, "Polski1"));
        QCOMPARE(test::child<QLabel>(w, "LZaw1")->text(), QStringLiteral("Competitor No."));
        test::trigger(w, "Polski1");
        QCOMPARE(int32At(test::fileBytes(run.configPath()), 16), 0);
        QCOMPARE(w.windowTitle(),
                 QStringLiteral("Kestrom BMP    Ver. 2018.3 FTDI    zgodne z BRUX-FAI"));
        QCOMPARE(test::child<QPushButton>(w, "B_Porownanie")->text(), QStringLiteral("Porównanie"));
        QCOMPARE(test::fieldText(w, "E_PobDan"), QStringLiteral("   Odczyt danych"));
        // Choosing the language in force rewrites the file all the same.
        QFile::remove(run.configPath());
        test::trigger(w, "Polski1");
        QVERIFY(QFile::exists(run.configPath()));
        QVERIFY(test::isChecked(w, "Polski1"));
    }
}

void MainWindowTest::storedLanguageOutOfRangeMeansEnglish() {
    Run run;
    QByteArray stored(20, '\0');
    stored[16] = 5;
    QVERIFY(
        test::writeFile(run.configPath(), stored)); // a short file: only its leading bytes count
    TKestrom_BMP& w = run.open();
    QVERIFY(test::isChecked(w, "English1") && !test::isChecked(w, "Polski1"));
    QCOMPARE(test::child<QPushButton>(w, "BZerowanie")->text(), QStringLiteral("Reset"));
    QCOMPARE(run.prompts.language(), kEnglish);
    QCOMPARE(w.state().config.ReservedA, 0);
    QCOMPARE(w.state().config.PreCutCm, 350);
}

void MainWindowTest::unreadableOrUnwritableConfigurationIsReported_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("a folder") << "folder";
    QTest::newRow("a FIFO (would hang the start)") << "fifo";
    QTest::newRow("a loop of links (cannot be opened)") << "loop";
}

// What could not be read is reported in the window's language, the defaults apply, and the
// path is never written: not at a language switch, not at close.
void MainWindowTest::unreadableOrUnwritableConfigurationIsReported() {
    QFETCH(QString, kind);
    Run run;
    const std::string config = run.configPath().toStdString();
    if (kind == "folder") {
        QVERIFY(QDir().mkpath(run.configPath()));
    } else if (kind == "fifo") {
        QCOMPARE(::mkfifo(config.c_str(), 0600), 0);
    } else {
        QCOMPARE(::symlink(config.c_str(), config.c_str()), 0);
    }
    struct stat before {};
    QCOMPARE(::lstat(config.c_str(), &before), 0);

    TKestrom_BMP& w = run.open();
    QCOMPARE(run.prompts.errors.size(), std::size_t{1}); // reported, and the window exists
    const std::string& shown = run.prompts.errors[0];
    QVERIFY(shown.starts_with("Nie można odczytać pliku konfiguracji"));
    QVERIFY(shown.find("nie zostaną zapisane") != std::string::npos);
    QVERIFY(shown.find(config) != std::string::npos);
    QCOMPARE(test::child<QPushButton>(w, "BZerowanie")->text(), QStringLiteral("Zerowanie"));
    QCOMPARE(w.state().config, ConfigRecord{});

    test::trigger(w, "English1");
    w.show();
    QVERIFY(w.close()); // the program still ends
    QCOMPARE(run.prompts.errors.size(), std::size_t{1});
    struct stat after {};
    QCOMPARE(::lstat(config.c_str(), &after), 0);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_mode, before.st_mode);
}

void MainWindowTest::downloadFillsThePanelAndTheCurves() {
    Run run;
    TKestrom_BMP& w = run.open();
    test::child<QGroupBox>(w, "GroupB_Alt")->setTitle(QStringLiteral("old.kes"));
    QVERIFY(test::child<QLineEdit>(w, "E_TempGl")->isReadOnly());
    test::clickAndWait(w, "B_Odczyt_Kestromu");

    QVERIFY(run.prompts.shown.empty());
    QCOMPARE(test::groupTitle(w, "GroupB_Alt"), QStringLiteral("Kestrom"));
    QCOMPARE(test::fieldText(w, "E_NrZawodnika"), QStringLiteral("17"));
    QCOMPARE(test::fieldText(w, "E_NrSeryjny"), QStringLiteral("1001"));
    const FlightHeader header = ApplyFlightHeader(FlightImage(run.flight));
    QCOMPARE(test::fieldText(w, "E_TempGl").toStdString(), header.temperatureText);
    QVERIFY(!test::child<QLineEdit>(w, "E_TempGl")->isReadOnly());
    QCOMPARE(test::fieldText(w, "E_probkGl"), QStringLiteral("10 pom/sek"));
    QVERIFY(test::child<QLineEdit>(w, "E_PobDan")->isHidden());
    QVERIFY(test::child<QLineEdit>(w, "ECzekaj")->isHidden());

    ui::Chart& chart = w.chart();
    const int samples = run.samples();
    QCOMPARE(chart.pointCount(SeriesId::Series1), samples - 5);
    QCOMPARE(chart.pointCount(SeriesId::Series2), samples - 7);
    for (int j = 0; j < chart.pointCount(SeriesId::Series1); ++j) {
        const QString expected = j % 10 == 0 ? QString::number(j / 10) : QString();
        QCOMPARE(chart.pointLabel(SeriesId::Series1, j), expected);
    }
    QCOMPARE(chart.bottomMinorTickCount(), 9);
    QVERIFY(!chart.bottomMinorGridVisible());

    // The panel and the curve show what the evaluation of the received image gives.
    const FlightEvaluation& ev = w.state().shown.recorder.evaluation;
    QCOMPARE(test::fieldText(w, "E_MaxGl").toStdString(), formatOneDecimal(ev.maxAltitude));
    QCOMPARE(test::fieldText(w, "EMinimum").toStdString(), formatOneDecimal(ev.minAltitude));
    QVERIFY(ev.maxAltitude > 50.0f); // the generated flight climbs about 90 m
    QCOMPARE(chart.pointValue(SeriesId::Series1, samples / 3),
             static_cast<double>(ev.series1[static_cast<std::size_t>(samples / 3)].value));
    QCOMPARE(chart.leftAxisRule().maximum, static_cast<double>(ev.leftAxisMax));
    QCOMPARE(w.state().shown.recorder.flightBytes, static_cast<std::uint32_t>(run.flight.size()));
    // The whole flight is on the bottom axis.
    chart.refresh();
    QCOMPARE(chart.bottomMaximum(), static_cast<double>(samples - 6));
}

void MainWindowTest::downloadWithoutNewFlightStillDrawsIt() {
    Run run;
    run.recorder->state.newFlight = false;
    TKestrom_BMP& w = run.open();
    test::trigger(w, "English1");
    test::clickAndWait(w, "B_Odczyt_Kestromu");
    QCOMPARE(run.prompts.shown,
             (std::vector<test::ShownMessage>{
                 {Message::NoNewFlight, Message::ProblemCaption, Buttons::Ok, kEnglish}}));
    QCOMPARE(test::groupTitle(w, "GroupB_Alt"), QStringLiteral("Altimeter"));
    QCOMPARE(w.chart().pointCount(SeriesId::Series1), run.samples() - 5);
}

void MainWindowTest::cutStreamReportsAndClearsTheCurves() {
    Run run;
    TKestrom_BMP& w = run.open();
    test::clickAndWait(w, "B_Odczyt_Kestromu");
    QVERIFY(w.chart().pointCount(SeriesId::Series1) > 0);
    const QString competitor = test::fieldText(w, "E_NrZawodnika");

    run.recorder->state.newFlight = true;
    run.recorder->faults.cutStreamAfter = 20;
    test::clickAndWait(w, "B_Odczyt_Kestromu");
    QCOMPARE(run.prompts.texts(), std::vector<Message>{Message::CommError});
    QCOMPARE(w.chart().pointCount(SeriesId::Series1), 0);
    QCOMPARE(w.chart().pointCount(SeriesId::Series2), 0);
    QCOMPARE(test::fieldText(w, "E_MaxGl"), QStringLiteral("   "));
    QCOMPARE(test::fieldText(w, "EMinimum"), QStringLiteral("   "));
    QCOMPARE(test::fieldText(w, "E_NrZawodnika"), competitor);
    QVERIFY(test::child<QLineEdit>(w, "E_PobDan")->isHidden() &&
            test::child<QLineEdit>(w, "ECzekaj")->isHidden());
}

void MainWindowTest::shortFlightShowsItsHeaderAndNoCurve() {
    Run run;
    run.recorder->state.flight = makeSimpleFlight(6, 3); // 60 bytes: 14 words after the header
    TKestrom_BMP& w = run.open();
    test::clickAndWait(w, "B_Odczyt_Kestromu");
    QCOMPARE(run.prompts.texts(), std::vector<Message>{Message::NoFlight});
    QCOMPARE(test::fieldText(w, "E_NrSeryjny"), QStringLiteral("1001"));
    QCOMPARE(test::fieldText(w, "E_probkGl"),
             QStringLiteral("  5 pom/sek")); // the list's design item
    QCOMPARE(w.chart().pointCount(SeriesId::Series1), 0);
    QCOMPARE(w.state().shown.recorder.wordCount, 0u);
    // The dh/dt switch has no flight to draw again.
    test::trigger(w, "Przyspieszenie1");
    test::trigger(w, "Przyspieszenie1");
    QCOMPARE(w.chart().pointCount(SeriesId::Series1), 0);
    QCOMPARE(w.chart().pointCount(SeriesId::Series2), 0);
    // What arrived can still be saved as it came.
    const QString path = run.dir.filePath(QStringLiteral("short.kes"));
    run.prompts.fileNames.push_back(path.toStdString());
    test::click(w, "BZapisz");
    QCOMPARE(test::fileBytes(path).size(), 60);
}

void MainWindowTest::missingRecorderChangesNothing() {
    Run run;
    run.bus.setPlugged(0, false);
    TKestrom_BMP& w = run.open();
    test::child<QGroupBox>(w, "GroupB_Alt")->setTitle(QStringLiteral("earlier.kes"));
    test::clickAndWait(w, "B_Odczyt_Kestromu");
    QCOMPARE(run.prompts.texts(), std::vector<Message>{Message::PortError});
    QCOMPARE(run.prompts.shown[0].caption, Message::ProblemCaption);
    QCOMPARE(test::groupTitle(w, "GroupB_Alt"), QStringLiteral("earlier.kes"));
    QVERIFY(test::child<QLineEdit>(w, "E_PobDan")->isHidden());
    QVERIFY(test::child<QLineEdit>(w, "E_TempGl")->isReadOnly());
    test::click(w, "BZapisz"); // still nothing downloaded
    QCOMPARE(run.prompts.texts(), (std::vector<Message>{Message::PortError, Message::NoData}));
}

void MainWindowTest::saveThenLoadGivesTheSameFlight_data() {
    QTest::addColumn<bool>("long80000");
    QTest::newRow("75 s at 10 a second") << false;
    // 19,992 samples at 20 a second: longer than the curves' 16,999, cut as the download cuts.
    QTest::newRow("80,000 bytes") << true;
}

void MainWindowTest::saveThenLoadGivesTheSameFlight() {
    QFETCH(bool, long80000);
    Run run;
    if (long80000) {
        run.flight = test::flightOf80000Bytes();
        QCOMPARE(run.flight.size(), std::size_t{80000});
        run.recorder->state.flight = run.flight;
    }
    TKestrom_BMP& w = run.open();
    test::clickAndWait(w, "B_Odczyt_Kestromu");
    const auto curve = test::seriesValues(w.chart(), SeriesId::Series1);
    const auto dhdt = test::seriesValues(w.chart(), SeriesId::Series2);
    const QStringList panel = panelTexts(w);

    // A file name with a backslash in it: the caption is what follows the last separator.
    const QString path = run.dir.filePath(QStringLiteral("lot\\zawody.kes"));
    run.prompts.fileNames.push_back(path.toStdString());
    test::click(w, "BZapisz");
    QCOMPARE(test::fileBytes(path), bytesOf(run.flight));

    w.chart().clearSeries(SeriesId::Series1);
    test::child<QLineEdit>(w, "E_MaxGl")->clear();
    run.prompts.fileNames.push_back(path.toStdString());
    test::click(w, "BOdczyt");
    QCOMPARE(test::groupTitle(w, "GroupB_Alt"), QStringLiteral("zawody.kes"));
    QCOMPARE(test::seriesValues(w.chart(), SeriesId::Series1), curve);
    QCOMPARE(test::seriesValues(w.chart(), SeriesId::Series2), dhdt);
    QCOMPARE(panelTexts(w), panel);
    QCOMPARE(run.prompts.dialogs, (std::vector<FileDialog>{FileDialog::Save, FileDialog::Open}));
    QVERIFY(run.prompts.shown.empty());
    if (long80000) {
        QCOMPARE(curve.size(), std::size_t{kMaxEvaluatedSamples - 5});
        // The comparison reads the same file as far.
        run.prompts.fileNames.push_back(path.toStdString());
        test::click(w, "B_Porownanie");
        QCOMPARE(w.chart().pointCount(SeriesId::Series3), static_cast<int>(curve.size()));
    }
}

void MainWindowTest::saveAsksBeforeOverwriting_data() {
    QTest::addColumn<bool>("confirm");
    QTest::newRow("Cancel leaves the file") << false;
    QTest::newRow("OK replaces it") << true;
}

void MainWindowTest::saveAsksBeforeOverwriting() {
    QFETCH(bool, confirm);
    Run run;
    TKestrom_BMP& w = run.open();
    test::clickAndWait(w, "B_Odczyt_Kestromu");
    const QString path = run.dir.filePath(QStringLiteral("flight.kes"));
    const QByteArray old("an older flight");
    QVERIFY(test::writeFile(path, old));
    run.prompts.fileNames.push_back(path.toStdString());
    run.prompts.answers.push_back(confirm ? Answer::Ok : Answer::Cancel);
    test::click(w, "BZapisz");
    QCOMPARE(run.prompts.shown,
             (std::vector<test::ShownMessage>{
                 {Message::FileExists, Message::SaveCaption, Buttons::OkCancel, kPolish}}));
    QCOMPARE(test::fileBytes(path).size(),
             confirm ? static_cast<qsizetype>(run.flight.size()) : old.size());
    if (!confirm) {
        QCOMPARE(test::fileBytes(path), old);
    }
}

void MainWindowTest::saveWithoutDownloadSaysNoData() {
    Run run;
    TKestrom_BMP& w = run.open();
    // A loaded flight is no download: Save still has nothing of its own to write.
    const QString path = run.dir.filePath(QStringLiteral("given.kes"));
    QVERIFY(test::writeFile(path, bytesOf(run.flight)));
    run.prompts.fileNames.push_back(path.toStdString());
    test::click(w, "BOdczyt");
    QVERIFY(w.chart().pointCount(SeriesId::Series1) > 0);
    test::click(w, "BZapisz");
    QCOMPARE(run.prompts.texts(), std::vector<Message>{Message::NoData});
    QCOMPARE(run.prompts.shown[0].caption, Message::ProblemCaption);
    QCOMPARE(run.prompts.dialogs, std::vector<FileDialog>{FileDialog::Open});
}

void MainWindowTest::loadFailureLeavesThePanel() {
    Run run;
    TKestrom_BMP& w = run.open();
    test::clickAndWait(w, "B_Odczyt_Kestromu");
    const auto curve = test::seriesValues(w.chart(), SeriesId::Series1);
    run.prompts.fileNames.push_back(run.dir.filePath(QStringLiteral("missing.kes")).toStdString());
    test::click(w, "BOdczyt");
    QCOMPARE(run.prompts.errors.size(), std::size_t{1});
    QCOMPARE(test::groupTitle(w, "GroupB_Alt"), QStringLiteral("Kestrom"));
    QCOMPARE(test::seriesValues(w.chart(), SeriesId::Series1), curve);

    // A file without a whole header is refused with its own message.
    const QString shortFile = run.dir.filePath(QStringLiteral("short.kes"));
    QVERIFY(test::writeFile(shortFile, QByteArray(20, '\x01')));
    run.prompts.fileNames.push_back(shortFile.toStdString());
    test::click(w, "BOdczyt");
    QCOMPARE(run.prompts.texts(), std::vector<Message>{Message::FileTooShort});
    QCOMPARE(test::seriesValues(w.chart(), SeriesId::Series1), curve);
}

void MainWindowTest::fileThatIsNoFlightIsShownWithAWarning_data() {
    QTest::addColumn<int>("word"); // calibration word to store; -1: the text export instead
    QTest::addColumn<bool>("warned");
    QTest::newRow("calibration word 0x0000") << 0x0000 << true;
    QTest::newRow("calibration word 0xFFFF") << 0xFFFF << true;
    QTest::newRow("the program's own text export") << -1 << true;
    QTest::newRow("a real flight") << 0x1234 << false;
}

// Loaded and compared alike: the flight is drawn, then the warning comes.
void MainWindowTest::fileThatIsNoFlightIsShownWithAWarning() {
    QFETCH(int, word);
    QFETCH(bool, warned);
    Run run;
    std::vector<std::uint8_t> bytes = run.flight;
    if (word >= 0) {
        writeU16le(bytes, kOffsetCalibration + 2 * 5, static_cast<std::uint16_t>(word)); // AC6
    } else {
        FlightRecord record;
        setFlightImage(record, FlightImage(run.flight));
        QVERIFY(evaluateRecord(record, true));
        const Result<std::string> text =
            textExportBytes(record.evaluation.altitudeCm, record.evaluation.lastPointIndex, '.');
        QVERIFY(text.ok());
        bytes.assign(text.value->begin(), text.value->end());
    }
    const QString path = run.dir.filePath(QStringLiteral("given.kes"));
    QVERIFY(test::writeFile(path, bytesOf(bytes)));
    TKestrom_BMP& w = run.open();
    const std::vector<Message> expected =
        warned ? std::vector<Message>{Message::NotAFlight} : std::vector<Message>{};

    for (const auto& [button, curve] :
         {std::pair{"BOdczyt", SeriesId::Series1}, std::pair{"B_Porownanie", SeriesId::Series3}}) {
        run.prompts.shown.clear();
        run.prompts.fileNames.push_back(path.toStdString());
        run.prompts.onMessage = [&w, id = curve] { QVERIFY(w.chart().pointCount(id) > 0); };
        test::click(w, button);
        QCOMPARE(run.prompts.texts(), expected);
        QVERIFY(w.chart().pointCount(curve) > 0);
    }
    if (warned) {
        QCOMPARE(run.prompts.shown[0].caption, Message::ProblemCaption);
        QCOMPARE(messageText(Message::NotAFlight, kPolish),
                 "To nie jest plik pomiaru: niemożliwe słowa kalibracji czujnika");
    }
}

void MainWindowTest::dhdtSwitchClearsAndRedraws() {
    Run run;
    TKestrom_BMP& w = run.open();
    test::trigger(w, "Przyspieszenie1"); // off before any flight: nothing to draw
    QVERIFY(!test::isChecked(w, "Przyspieszenie1"));
    test::clickAndWait(w, "B_Odczyt_Kestromu");
    QCOMPARE(w.chart().pointCount(SeriesId::Series2), 0);
    const auto curve = test::seriesValues(w.chart(), SeriesId::Series1);

    test::trigger(w, "Przyspieszenie1");
    QVERIFY(test::isChecked(w, "Przyspieszenie1"));
    QCOMPARE(w.state().config.accelView, 1);
    QCOMPARE(w.chart().pointCount(SeriesId::Series2), run.samples() - 7);
    QCOMPARE(test::seriesValues(w.chart(), SeriesId::Series1), curve);

    test::trigger(w, "Przyspieszenie1");
    QCOMPARE(w.state().config.accelView, 0);
    QCOMPARE(w.chart().pointCount(SeriesId::Series2), 0);
    QCOMPARE(test::seriesValues(w.chart(), SeriesId::Series1), curve);
}

void MainWindowTest::zeroingAsksFirst() {
    Run run;
    TKestrom_BMP& w = run.open();
    run.prompts.answers.push_back(Answer::Cancel);
    test::clickAndWait(w, "BZerowanie");
    QCOMPARE(run.recorder->state.zeroings, 0);
    QCOMPARE(run.prompts.texts(), std::vector<Message>{Message::ResetConfirm});
    test::clickAndWait(w, "BZerowanie");
    QCOMPARE(run.recorder->state.zeroings, 1);
    QCOMPARE(
        run.prompts.texts(),
        (std::vector<Message>{Message::ResetConfirm, Message::ResetConfirm, Message::ResetDone}));
}

void MainWindowTest::helpFileFollowsTheLanguage() {
    Run run;
    TKestrom_BMP& w = run.open();
    // The help files named for each language, in the current folder, come first.
    const CurrentFolder here(run.dir.path());
    touch(run.dir.filePath(QStringLiteral("Kes_HELPP.chm")));
    touch(run.dir.filePath(QStringLiteral("Kes_HELPA.chm")));
    touch(run.dir.filePath(QStringLiteral("help/kestrom-guide-pl.html")));
    QStringList opened;
    w.setDocumentOpener([&opened](const QString& path) {
        opened << QFileInfo(path).canonicalFilePath();
        return true;
    });
    test::trigger(w, "Help1");
    test::trigger(w, "English1");
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.activateWindow();
    QTest::keyClick(&w, Qt::Key_F1);
    const QDir folder(QFileInfo(run.dir.path()).canonicalFilePath());
    QCOMPARE(opened, (QStringList{folder.filePath(QStringLiteral("Kes_HELPP.chm")),
                                  folder.filePath(QStringLiteral("Kes_HELPA.chm"))}));
    QVERIFY(run.prompts.shown.empty());
}

void MainWindowTest::helpOpensTheGuideBesideOrBelowTheProgramOrSaysWhy() {
    QTemporaryDir elsewhere; // the current folder, without help files
    const CurrentFolder here(elsewhere.path());
    Run run;
    TKestrom_BMP& w = run.open("bin/kestrom");
    QStringList opened;
    bool opens = true;
    w.setDocumentOpener([&](const QString& path) {
        opened << QFileInfo(path).canonicalFilePath();
        return opens;
    });

    // Nothing anywhere: a message in the language in force, nothing handed to the desktop.
    for (QAction* language :
         {test::child<QAction>(w, "Polski1"), test::child<QAction>(w, "English1")}) {
        language->trigger();
        run.prompts.shown.clear();
        test::trigger(w, "Help1");
        QCOMPARE(run.prompts.texts(), std::vector<Message>{Message::HelpNotFound});
        QCOMPARE(run.prompts.shown[0].language, w.CurrentLanguage());
        QVERIFY(!messageText(Message::HelpNotFound, w.CurrentLanguage()).empty());
    }
    QVERIFY(opened.isEmpty());

    // Installed: share/kestrom/help beside bin/; in a build: help/ beside the program wins.
    const QString installed = run.dir.filePath(QStringLiteral("share/kestrom/help/"));
    const QString built = run.dir.filePath(QStringLiteral("bin/help/"));
    for (const QString& folder : {installed, built}) {
        touch(folder + QStringLiteral("kestrom-guide-pl.html"));
        touch(folder + QStringLiteral("kestrom-guide-en.html"));
        opened.clear();
        test::trigger(w, "Polski1");
        test::trigger(w, "Help1");
        test::trigger(w, "English1");
        w.FormHelp();
        const QString canonical = QFileInfo(folder).canonicalFilePath();
        QCOMPARE(opened, (QStringList{canonical + QStringLiteral("/kestrom-guide-pl.html"),
                                      canonical + QStringLiteral("/kestrom-guide-en.html")}));
    }

    // A guide the desktop cannot open is reported with its path, so it can be opened by hand.
    opens = false;
    run.prompts.shown.clear();
    for (const auto& [language, expected] :
         {std::pair{"Polski1", "Nie można otworzyć podręcznika użytkownika:\n" + built +
                                   "kestrom-guide-pl.html"},
          std::pair{"English1",
                    "Cannot open the user guide:\n" + built + "kestrom-guide-en.html"}}) {
        test::trigger(w, language);
        run.prompts.errors.clear();
        test::trigger(w, "Help1");
        QCOMPARE(run.prompts.errors, std::vector<std::string>{expected.toStdString()});
    }
    QVERIFY(run.prompts.shown.empty());
}

void MainWindowTest::builtGuideIsBesideTheProgramInBothLanguagesWithItsPictures() {
    QTemporaryDir elsewhere;
    const CurrentFolder here(elsewhere.path());
    Run run;
    TKestrom_BMP w(run.bus, run.prompts, app::loadWindowConfig(KESTROM_BUILT_PROGRAM),
                   KESTROM_BUILT_PROGRAM);
    for (const auto& [language, lang] :
         {std::pair{test::child<QAction>(w, "Polski1"), QStringLiteral("pl")},
          std::pair{test::child<QAction>(w, "English1"), QStringLiteral("en")}}) {
        language->trigger();
        const std::optional<QString> guide = w.findUserGuide();
        QVERIFY(guide.has_value());
        QCOMPARE(QFileInfo(*guide).fileName(), QStringLiteral("kestrom-guide-%1.html").arg(lang));
        const QString html = QString::fromUtf8(test::fileBytes(*guide));
        QVERIFY(html.contains(QStringLiteral("<html lang=\"%1\"").arg(lang)));
        const QRegularExpression image(QStringLiteral("<img src=\"([^\"]+)\""));
        int pictures = 0;
        for (const QRegularExpressionMatch& m : image.globalMatch(html)) {
            ++pictures;
            QVERIFY2(QFileInfo(QFileInfo(*guide).dir(), m.captured(1)).isFile(),
                     qPrintable(m.captured(1)));
        }
        QCOMPARE(pictures, 4); // the README's pictures of the window
    }
}

KESTROM_WINDOW_TEST(MainWindowTest)
#include "main_window_test.moc"
