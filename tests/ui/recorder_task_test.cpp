// The window while a recorder action runs off its thread: it goes on answering, shows the
// progress, refuses a second action, stops a download on Cancel or Esc, and closes cleanly in the
// middle of one. Against a simulated recorder that sends in real time at a bridge's pace.

#include "window_fixture.h"

#include "tests/support/long_flight.h"
#include "tests/support/stall_meter.h"
#include "tests/support/window_test.h"

#include "app/dialogs.h"
#include "device/protocol.h"
#include "ui/window_features.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>
#include <QtTest>

#include <algorithm>

using namespace kestrom;
using kestrom::test::StallMeter;
using kestrom::ui::SeriesId;
using kestrom::ui::TKestrom_BMP;

namespace {

constexpr std::uint32_t kBridgePace = 11'520; // bytes per second of the recorder's stream

// The longest the window's event loop may go without turning. The chart's replot of the whole
// flight is the longest step left on the window's thread; unoptimised, the drawing code is several
// times slower (a busy machine stretches a Debug replot to about 300 ms).
constexpr qint64 kStallBoundMs = test::stallBoundMs(500);

// A window on a bus whose recorder sends in real time, with an archive folder of its own.
struct PacedRun : test::WindowRun {
    SimulatedRecorder& recorder;
    const QString archiveFolder = archiveTo();

    PacedRun(std::uint32_t bytesPerSecond, std::vector<std::uint8_t> flight)
        : WindowRun(SimulatedTiming{true, bytesPerSecond, 64}), recorder(bus.addRecorder()) {
        recorder.holdFlight(std::move(flight));
    }
    int archived() const {
        return static_cast<int>(QDir(archiveFolder).entryList(QDir::Files).size());
    }
    TKestrom_BMP& open() {
        ui::attachWindowFeatures(WindowRun::open());
        window->show();
        return *window;
    }
    int transfers() const {
        return static_cast<int>(
            std::count_if(recorder.frames.begin(), recorder.frames.end(),
                          [](const auto& frame) { return frame[1] == command::kTransfer; }));
    }
};

// Milliseconds from `stop` to the end of the running action.
qint64 reactionMs(TKestrom_BMP& w, const std::function<void()>& stop) {
    QElapsedTimer clock;
    clock.start();
    stop();
    test::waitForRecorder(w, 5000);
    return clock.elapsed();
}

} // namespace

class RecorderTaskTest : public QObject {
    Q_OBJECT
private slots:
    void downloadRunsBesideAnAnsweringWindow();
    void cancelStopsTheTransferAndKeepsNothing_data();
    void cancelStopsTheTransferAndKeepsNothing();
    void downloadDrawsAsTheSameFlightLoaded_data();
    void downloadDrawsAsTheSameFlightLoaded();
    void secondActionIsRefusedWhileOneRuns();
    void closingDuringATransferEndsItCleanly();
};

// The paced download of the longest flight: the window's loop never waits 50 ms, the busy and
// progress fields and Cancel show meanwhile, and the flight is drawn and archived at the end.
void RecorderTaskTest::downloadRunsBesideAnAnsweringWindow() {
    PacedRun run(kBridgePace, test::flightOf80000Bytes());
    TKestrom_BMP& w = run.open();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto* progress = test::child<QLineEdit>(w, "ECzekaj");
    QStringList texts;
    QObject::connect(progress, &QLineEdit::textChanged,
                     [&texts](const QString& text) { texts << text; });

    StallMeter meter;
    test::click(w, "B_Odczyt_Kestromu");
    QTest::qWait(300);
    QVERIFY(w.recorderBusy());
    QVERIFY(test::child<QLineEdit>(w, "E_PobDan")->isVisible());
    QVERIFY(progress->isVisible());
    QVERIFY(test::child<QPushButton>(w, "B_Anuluj")->isVisible());
    QCOMPARE(test::child<QPushButton>(w, "B_Anuluj")->text(), QStringLiteral("Anuluj"));
    test::waitForRecorder(w);
    // The chart is drawn on the turns after the action's end: those count too.
    QTest::qWait(300);
    const qint64 stall = meter.worstMs();
    qInfo("longest stall of the window during a paced 80,000-byte download: %lld ms", stall);
    QVERIFY2(stall < kStallBoundMs, qPrintable(QString::number(stall)));

    QCOMPARE(w.state().shown.recorder.flightBytes, 80'000u);
    QCOMPARE(w.chart().pointCount(SeriesId::Series1), static_cast<int>(kMaxEvaluatedSamples) - 5);
    QCOMPARE(texts.first(), QStringLiteral("   0 %"));
    QVERIFY(texts.size() > 20 && texts.last() != texts.first()); // it grew read by read
    QVERIFY(!progress->isVisible() && !test::child<QLineEdit>(w, "E_PobDan")->isVisible());
    QVERIFY(!test::child<QPushButton>(w, "B_Anuluj")->isVisible());
    QVERIFY(test::child<QPushButton>(w, "B_Odczyt_Kestromu")->isEnabled());
    QCOMPARE(run.archived(), 1);
    QVERIFY(run.prompts.shown.empty());
}

void RecorderTaskTest::cancelStopsTheTransferAndKeepsNothing_data() {
    QTest::addColumn<bool>("escape");
    QTest::addColumn<bool>("endMarkerMissing");
    QTest::newRow("Cancel button in the middle") << false << false;
    QTest::newRow("Esc in the middle") << true << false;
    // Without its end marker the stream would keep the transfer waiting out 1,020 reads.
    QTest::newRow("Cancel after a stream without end marker") << false << true;
}

void RecorderTaskTest::cancelStopsTheTransferAndKeepsNothing() {
    QFETCH(bool, escape);
    QFETCH(bool, endMarkerMissing);
    const std::vector<std::uint8_t> flight =
        endMarkerMissing ? makeSimpleFlight(400, 2) : test::flightOf80000Bytes();
    PacedRun run(kBridgePace, flight);
    run.recorder.faults.omitEndMarker = endMarkerMissing;
    TKestrom_BMP& w = run.open();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.activateWindow();

    StallMeter meter;
    test::click(w, "B_Odczyt_Kestromu");
    // Past the connection; without its end marker the stream is over long before.
    QTest::qWait(endMarkerMissing ? 1000 : 500);
    QVERIFY(w.recorderBusy());
    const qint64 reaction = reactionMs(w, [&] {
        if (escape) {
            QTest::keyClick(&w, Qt::Key_Escape);
        } else {
            test::click(w, "B_Anuluj");
        }
    });
    qInfo("Cancel to the end of the download: %lld ms", reaction);
    QVERIFY2(reaction <= 200, qPrintable(QString::number(reaction)));
    QTest::qWait(300);
    const qint64 stall = meter.worstMs();
    qInfo("longest stall of the window: %lld ms", stall);
    QVERIFY2(stall < kStallBoundMs, qPrintable(QString::number(stall)));

    // What arrived is shown as a stream that broke off is, and nothing is archived.
    const std::uint32_t got = w.state().shown.recorder.flightBytes;
    if (endMarkerMissing) {
        QCOMPARE(got, static_cast<std::uint32_t>(flight.size() - 4)); // all but the end sample
    } else {
        QVERIFY(got > 1000 && got < flight.size());
    }
    QVERIFY(w.chart().pointCount(SeriesId::Series1) > 0);
    QVERIFY(run.prompts.shown.empty());
    QCOMPARE(run.archived(), 0);
    QVERIFY(!test::child<QLineEdit>(w, "E_PobDan")->isVisible());
    QVERIFY(!test::child<QPushButton>(w, "B_Anuluj")->isVisible());
}

void RecorderTaskTest::downloadDrawsAsTheSameFlightLoaded_data() {
    QTest::addColumn<bool>("dhdtView");
    QTest::addColumn<bool>("switchedMeanwhile");
    QTest::newRow("dh/dt on") << true << false;
    QTest::newRow("dh/dt off") << false << false;
    QTest::newRow("dh/dt switched on during the transfer") << false << true;
}

// The flight is evaluated and made ready for the chart off the window's thread: the chart shows it
// pixel for pixel as the same flight loaded from its archived file, also when the dh/dt view was
// switched while it arrived.
void RecorderTaskTest::downloadDrawsAsTheSameFlightLoaded() {
    QFETCH(bool, dhdtView);
    QFETCH(bool, switchedMeanwhile);
    PacedRun run(kBridgePace * 4, makeSimpleFlight(3000, 2));
    TKestrom_BMP& w = run.open();
    if ((w.state().config.accelView != 0) != dhdtView) {
        w.Przyspieszenie1Click();
    }
    test::click(w, "B_Odczyt_Kestromu");
    if (switchedMeanwhile) {
        QTest::qWait(300);
        QVERIFY(w.recorderBusy());
        w.Przyspieszenie1Click();
    }
    test::waitForRecorder(w);
    const QImage downloaded = w.chart().grab().toImage();
    QVERIFY(w.chart().pointCount(SeriesId::Series1) > 0);
    QCOMPARE(w.chart().pointCount(SeriesId::Series2) > 0, dhdtView != switchedMeanwhile);

    const QStringList files = QDir(run.archiveFolder).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QVERIFY(w.loadRecorderFile(QDir(run.archiveFolder).filePath(files[0]).toStdString()));
    QCoreApplication::processEvents();
    QVERIFY(downloaded == w.chart().grab().toImage());
    QVERIFY(run.prompts.shown.empty());
}

// While a download runs, the buttons and menu items of the other recorder actions are disabled,
// and their handlers called all the same start nothing: no question, no frame.
void RecorderTaskTest::secondActionIsRefusedWhileOneRuns() {
    PacedRun run(kBridgePace, makeSimpleFlight(3000, 2));
    TKestrom_BMP& w = run.open();
    w.setSettingsDialog(app::makeSettingsDialog(w));
    test::click(w, "B_Odczyt_Kestromu");
    QTest::qWait(100);
    QVERIFY(w.recorderBusy());
    const std::size_t frames = run.recorder.frames.size();
    for (const char* name : {"B_Odczyt_Kestromu", "BZerowanie"}) {
        QVERIFY2(!test::child<QPushButton>(w, name)->isEnabled(), name);
    }
    for (const char* name : {"Kestrom1", "Se1"}) {
        QVERIFY2(!test::child<QAction>(w, name)->isEnabled(), name);
    }
    w.BZerowanieClick();
    w.Se1Click();
    w.B_Odczyt_KestromuClick();
    w.Ustawienia1Click();
    QCOMPARE(run.recorder.frames.size(), frames);
    QVERIFY(run.prompts.shown.empty());

    test::waitForRecorder(w);
    QCOMPARE(run.transfers(), 1);
    QCOMPARE(run.recorder.state.zeroings, 0);
    QVERIFY(run.prompts.shown.empty());
    for (const char* name : {"B_Odczyt_Kestromu", "BZerowanie"}) {
        QVERIFY2(test::child<QPushButton>(w, name)->isEnabled(), name);
    }
    for (const char* name : {"Kestrom1", "Se1"}) {
        QVERIFY2(test::child<QAction>(w, name)->isEnabled(), name);
    }
}

// Closing waits for the worker only until its current read ends; nothing of the stopped download
// is shown or archived, the link is closed and the configuration is written.
void RecorderTaskTest::closingDuringATransferEndsItCleanly() {
    PacedRun run(kBridgePace, test::flightOf80000Bytes());
    TKestrom_BMP& w = run.open();
    const QString config = run.configPath();
    QFile::remove(config);
    test::click(w, "B_Odczyt_Kestromu");
    QTest::qWait(500);
    QVERIFY(w.recorderBusy());
    const int pointsBefore = w.chart().pointCount(SeriesId::Series1);

    QElapsedTimer clock;
    clock.start();
    QVERIFY(w.close());
    const qint64 closing = clock.elapsed();
    qInfo("close during a transfer: %lld ms", closing);
    QVERIFY2(closing <= 200, qPrintable(QString::number(closing)));
    QVERIFY(!w.recorderBusy());
    QVERIFY(!w.link().connected());
    QCOMPARE(QFileInfo(config).size(), 44);
    QTest::qWait(100); // what the worker posted last is dropped, not shown
    QCOMPARE(w.chart().pointCount(SeriesId::Series1), pointsBefore);
    QVERIFY(run.prompts.shown.empty());
    QCOMPARE(run.archived(), 0);
    run.window.reset();
}

KESTROM_WINDOW_TEST(RecorderTaskTest)
#include "recorder_task_test.moc"
