// The contest window end to end on the offscreen platform: recorders plugged into the simulated
// bus are downloaded while the window is open and fill its tables; flights added and removed
// change the standings; exports agree with kestrom-cli; the diagnosis item says what
// kestrom-cli devices says.

#include "tests/support/window_test.h"
#include "window_fixture.h"

#include "analysis/standings.h"
#include "files/contest.h"
#include "files/measurement_file.h"
#include "tests/support/long_flight.h"
#include "tests/support/qt_files.h"
#include "tests/support/stall_meter.h"
#include "ui/contest_menu.h"
#include "ui/contest_window.h"
#include "ui/qt_text.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QProcess>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

#include <chrono>
#include <deque>

using namespace kestrom;
using kestrom::test::FakePrompts;
using kestrom::test::StallMeter;
using kestrom::test::WindowRun;

namespace {

class FakeContestDialogs : public ui::ContestDialogs {
public:
    std::deque<std::optional<ui::ContestNaming>> namings;
    std::deque<std::vector<std::string>> files;
    QString shownTitle;
    QString shownText;

    std::optional<ui::ContestNaming> askNewContest(Language) override {
        return test::takeFront(namings);
    }
    std::vector<std::string> askFlightFiles(Language, const std::filesystem::path&) override {
        return test::takeFront(files);
    }
    void showText(const QString& title, const QString& text) override {
        shownTitle = title;
        shownText = text;
    }
};

// A generated flight of this competitor that climbs for climbSeconds (a higher maximum for a
// longer climb).
std::vector<std::uint8_t> flightOf(std::uint16_t competitor, double climbSeconds) {
    return generateFlight({.competitor = competitor,
                           .serial = static_cast<std::uint16_t>(3000 + competitor),
                           .climbSeconds = climbSeconds,
                           .glideSeconds = 10.0,
                           .noiseCounts = 0.0});
}

QString cellText(const QTableWidget& table, int row, int column) {
    const QTableWidgetItem* item = table.item(row, column);
    return item != nullptr ? item->text() : QString();
}

// The standings table as "rank competitor flights" per row.
QStringList standingsRows(const ui::ContestWindow& window) {
    QStringList rows;
    const QTableWidget& table = *window.standingsTable();
    for (int row = 0; row < table.rowCount(); ++row) {
        rows << cellText(table, row, ui::ContestWindow::Rank) + QLatin1Char(' ') +
                    cellText(table, row, ui::ContestWindow::StandingsCompetitor) +
                    QLatin1Char(' ') + cellText(table, row, ui::ContestWindow::Flights);
    }
    return rows;
}

QString output(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30'000)) {
        qFatal("%s did not end", qPrintable(program));
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// A folder with an archive, an open contest in it and a window on it over a simulated bus.
struct ContestRun {
    QTemporaryDir dir;
    SimulatedBus bus;
    FakePrompts prompts;
    FakeContestDialogs dialogs;
    std::unique_ptr<ui::ContestWindow> window;

    // 64 bytes every 2 ms by default: a generated flight takes about half a second, so a
    // pull-out lands mid-transfer.
    explicit ContestRun(std::uint32_t bytesPerSecond = 32'000)
        : bus(SimulatedTiming{true, bytesPerSecond, 64}) {}

    std::filesystem::path archive() const {
        return dir.filePath(QStringLiteral("archive")).toStdString();
    }

    ui::ContestWindowSetup setup() {
        ui::ContestWindowSetup s;
        s.bus = &bus;
        s.prompts = &prompts;
        s.dialogs = &dialogs;
        s.archive = archive();
        s.listingPeriod = std::chrono::milliseconds(20);
        return s;
    }
    ui::ContestWindow& open(bool withContest = true) {
        if (withContest) {
            (void)newContest(archive(), "Spring cup", "2026-04-01");
        }
        window = std::make_unique<ui::ContestWindow>(setup());
        window->setLanguage(kEnglish, SamplingList::DesignItems);
        return *window;
    }
    std::string file(const char* name, const std::vector<std::uint8_t>& bytes) const {
        const std::string path = dir.filePath(QString::fromLatin1(name)).toStdString();
        (void)writeWholeFile(path, bytes);
        return path;
    }
};

// Taking a finished flight into the tables reads and evaluates it; unoptimised, that is several
// times slower, so those builds only check that the window is never held for a download (7 s).
constexpr qint64 kContestStallBoundMs = test::stallBoundMs(1000);

} // namespace

class ContestWindowTest : public QObject {
    Q_OBJECT
private slots:
    void recordersFollowPlugInThroughDoneAndFailed();
    void closingDuringDownloadsStopsThemAndKeepsTheRecorder();
    void addedAndRemovedFlightsChangeTheStandings_data();
    void addedAndRemovedFlightsChangeTheStandings();
    void csvExportEqualsTheCommandLine();
    void zeroAfterIsConfirmedWhenSwitchedOn_data();
    void zeroAfterIsConfirmedWhenSwitchedOn();
    void doubleClickOpensTheFlightInTheMainWindow();
    void diagnosisItemShowsWhatTheCommandLineSays();
    void windowKeepsTurningWhileFourRecordersDownload();
};

void ContestWindowTest::recordersFollowPlugInThroughDoneAndFailed() {
    ContestRun run;
    ui::ContestWindow& window = run.open(false);
    QVERIFY(!window.contest());
    run.dialogs.namings.push_back(ui::ContestNaming{"Spring cup", "2026-04-01"});
    window.newContest();
    QVERIFY(window.contest());
    QCOMPARE(openContest(run.archive()).value->folder, window.contest()->folder);
    window.show();
    QVERIFY(window.stationRunning());
    const std::size_t good = run.bus.plugRecorder(flightOf(5, 8.0));
    const std::size_t pulled = run.bus.plugRecorder(flightOf(6, 8.0));
    run.bus.unplugAfterBytes(pulled, 400); // of some 1,000

    const QTableWidget& recorders = *window.recordersTable();
    const auto stateOf = [&](std::size_t position) {
        const QString socket = QStringLiteral("0-%1").arg(position + 1);
        for (int row = 0; row < recorders.rowCount(); ++row) {
            if (cellText(recorders, row, ui::ContestWindow::Socket) == socket) {
                return cellText(recorders, row, ui::ContestWindow::State);
            }
        }
        return QString();
    };
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(good), QStringLiteral("done, unplug"), 10'000);
    QTRY_VERIFY_WITH_TIMEOUT(stateOf(pulled).startsWith(QStringLiteral("failed: ")), 10'000);
    QCOMPARE(stateOf(pulled),
             QStringLiteral("failed: ") + ui::qs(messageText(Message::StationBrokenOff, kEnglish)));
    // The downloaded flight joined the contest; the broken one did not.
    QCOMPARE(window.flightsTable()->model()->rowCount(), 1);
    QCOMPARE(standingsRows(window), QStringList{QStringLiteral("1 5 1")});
    QCOMPARE(window.contest()->flights.size(), std::size_t{1});

    // Unplugged when done, the socket's row goes; the failure stays to be read.
    run.bus.setPlugged(good, false);
    QTRY_VERIFY_WITH_TIMEOUT(stateOf(good).isEmpty(), 5'000);
    QVERIFY(!stateOf(pulled).isEmpty());
    // Plugged back in, the pulled-out recorder is downloaded whole.
    run.bus.setPlugged(pulled, true);
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(pulled), QStringLiteral("done, unplug"), 10'000);
    QCOMPARE(standingsRows(window),
             (QStringList{QStringLiteral("1 5 1"), QStringLiteral("1 6 1")}));
    // The contest's folder holds the same standings.
    const Result<Contest> reread = loadContest(window.contest()->folder);
    QVERIFY(reread.ok());
    QCOMPARE(reread.value->flights.size(), std::size_t{2});
    QVERIFY(test::fileBytes(
                QString::fromStdString((window.contest()->folder / kContestStandingsFile).string()))
                .startsWith("rank,competitor,flights,best_max_m,maxima_m\n1,"));
}

void ContestWindowTest::closingDuringDownloadsStopsThemAndKeepsTheRecorder() {
    ContestRun run(4'000); // several seconds per flight
    ui::ContestWindow& window = run.open();
    window.show();
    window.setZeroAfter(true);
    const std::size_t slow = run.bus.plugRecorder(flightOf(7, 8.0));
    QTRY_VERIFY_WITH_TIMEOUT(cellText(*window.recordersTable(), 0, ui::ContestWindow::State)
                                 .startsWith(QStringLiteral("downloading")),
                             5'000);
    QElapsedTimer closing;
    closing.start();
    window.close();
    QVERIFY(!window.stationRunning());
    QVERIFY2(closing.elapsed() < 2'000, qPrintable(QString::number(closing.elapsed())));
    QCOMPARE(run.bus.zeroings(slow), 0);
    QCOMPARE(window.contest()->flights.size(), std::size_t{0});
}

void ContestWindowTest::addedAndRemovedFlightsChangeTheStandings_data() {
    QTest::addColumn<QList<int>>("competitors"); // one flight each, climbing 4 s + 2 s per place
    QTest::addColumn<int>("removed");            // index of the flight removed afterwards
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("three competitors, the best removed")
        << QList<int>{11, 12, 13} << 2 << QStringList{"1 13 1", "2 12 1", "3 11 1"}
        << QStringList{"1 12 1", "2 11 1"};
    QTest::newRow("one competitor's two flights, one removed")
        << QList<int>{21, 21, 22} << 0 << QStringList{"1 22 1", "2 21 2"}
        << QStringList{"1 22 1", "2 21 1"};
    QTest::newRow("the only flight removed")
        << QList<int>{31} << 0 << QStringList{"1 31 1"} << QStringList{};
}

void ContestWindowTest::addedAndRemovedFlightsChangeTheStandings() {
    QFETCH(QList<int>, competitors);
    QFETCH(int, removed);
    QFETCH(QStringList, before);
    QFETCH(QStringList, after);
    ContestRun run;
    ui::ContestWindow& window = run.open();
    std::vector<std::string> files;
    for (int i = 0; i < competitors.size(); ++i) {
        const std::string name = "flight" + std::to_string(i) + ".kes";
        files.push_back(run.file(
            name.c_str(), flightOf(static_cast<std::uint16_t>(competitors[i]), 4.0 + 2.0 * i)));
    }
    run.dialogs.files.push_back(files);
    window.addFlights();
    QCOMPARE(window.flightsTable()->model()->rowCount(), competitors.size());
    QCOMPARE(standingsRows(window), before);

    window.flightsTable()->selectRow(removed);
    window.removeSelectedFlights();
    QCOMPARE(window.flightsTable()->model()->rowCount(), competitors.size() - 1);
    QCOMPARE(standingsRows(window), after);
    // The list is kept in the contest's folder at once.
    const Result<Contest> reread = loadContest(window.contest()->folder);
    QVERIFY(reread.ok());
    QCOMPARE(static_cast<int>(reread.value->flights.size()), competitors.size() - 1);
    QVERIFY(
        !reread.value->holds(std::filesystem::absolute(files[static_cast<std::size_t>(removed)])));
    QVERIFY(run.prompts.errors.empty());
}

void ContestWindowTest::csvExportEqualsTheCommandLine() {
    ContestRun run;
    ui::ContestWindow& window = run.open();
    // Equal maxima share a rank; one competitor flies twice.
    const std::vector<std::string> files{
        run.file("a.kes", flightOf(41, 6.0)), run.file("b.kes", flightOf(42, 6.0)),
        run.file("c.kes", flightOf(41, 9.0)), run.file("d.kes", flightOf(43, 6.0))};
    run.dialogs.files.push_back(files);
    window.addFlights();
    const std::string csv = run.file("standings.csv", {});
    run.prompts.fileNames.push_back(csv);
    QVERIFY(window.exportCsv());
    QStringList arguments{QStringLiteral("standings")};
    for (const std::string& file : files) {
        arguments << QString::fromStdString(file);
    }
    const QString expected = output(QStringLiteral(KESTROM_CLI), arguments);
    QVERIFY2(expected.count(QLatin1Char('\n')) == 4 && expected.contains(QStringLiteral("\n2,43,")),
             qPrintable(expected));
    QCOMPARE(QString::fromUtf8(test::fileBytes(QString::fromStdString(csv))), expected);

    // The page carries the contest's name and date (pdftotext makes one blank of their two).
    const std::string pdf = run.file("standings.pdf", {});
    run.prompts.fileNames.push_back(pdf);
    QVERIFY(window.exportPdf());
    const QString page = test::pdfText(QString::fromStdString(pdf));
    QVERIFY2(page.contains(QStringLiteral("Spring cup 2026-04-01")), qPrintable(page));
}

void ContestWindowTest::zeroAfterIsConfirmedWhenSwitchedOn_data() {
    QTest::addColumn<bool>("confirmed");
    QTest::newRow("confirmed") << true;
    QTest::newRow("cancelled") << false;
}

void ContestWindowTest::zeroAfterIsConfirmedWhenSwitchedOn() {
    QFETCH(bool, confirmed);
    ContestRun run;
    ui::ContestWindow& window = run.open();
    QVERIFY(!window.zeroAfterBox()->isChecked());
    run.prompts.answers.push_back(confirmed ? Answer::Ok : Answer::Cancel);
    window.zeroAfterBox()->click();
    QCOMPARE(window.zeroAfterBox()->isChecked(), confirmed);
    QCOMPARE(run.prompts.texts(), std::vector<Message>{Message::ContestZeroAfterConfirm});
    // Switching it off asks nothing.
    if (confirmed) {
        window.zeroAfterBox()->click();
        QVERIFY(!window.zeroAfterBox()->isChecked());
        QCOMPARE(run.prompts.shown.size(), std::size_t{1});
    }
}

void ContestWindowTest::doubleClickOpensTheFlightInTheMainWindow() {
    WindowRun main;
    ui::TKestrom_BMP& window = main.open();
    ContestRun run;
    (void)newContest(run.archive(), "Cup", "2026-05-01");
    ui::ContestWindowSetup setup = run.setup();
    ui::ContestMenu& menu = ui::attachContestMenu(window, setup, {});
    ui::ContestWindow& contest = menu.contestWindow();
    run.dialogs.files.push_back(
        {run.file("one.kes", flightOf(51, 5.0)), run.file("two.kes", flightOf(52, 7.0))});
    contest.addFlights();

    QSignalSpy opened(&window, &ui::TKestrom_BMP::flightFileOpened);
    QTableView& table = *contest.flightsTable();
    contest.show();
    QVERIFY(QTest::qWaitForWindowExposed(&contest));
    const QRect second = table.visualRect(table.model()->index(1, 0));
    // A user's double-click: the first press chooses the row, the second opens it.
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseDClick(table.viewport(), Qt::LeftButton, {}, second.center());
    QCOMPARE(opened.size(), 1);
    QCOMPARE(opened.front().at(0).toString().toStdString(), contest.contest()->flights[1].string());
    QCOMPARE(window.state().shown.recorder.image.bytes(), flightOf(52, 7.0));

    // The window follows the program's language switch, menu and all.
    window.English1Click();
    QCOMPARE(contest.windowTitle(), QStringLiteral("Contest"));
    QCOMPARE(menu.diagnosisAction()->text(), QStringLiteral("Recorder not found?"));
    window.Polski1Click();
    QCOMPARE(contest.windowTitle(), QStringLiteral("Zawody"));
    QCOMPARE(contest.flightsTable()->model()->headerData(0, Qt::Horizontal).toString(),
             ui::qs(text(Text::ListTime, kPolish)));
    QCOMPARE(menu.diagnosisAction()->text(), QStringLiteral("Nie znaleziono wysokościomierza?"));
    contest.close();
}

void ContestWindowTest::diagnosisItemShowsWhatTheCommandLineSays() {
    WindowRun main;
    ui::TKestrom_BMP& window = main.open();
    ContestRun run;
    ui::ContestMenu& menu = ui::attachContestMenu(window, run.setup(), {});
    menu.diagnosisAction()->trigger();
    QCOMPARE(run.dialogs.shownTitle,
             ui::qs(text(Text::RecorderNotFound, window.CurrentLanguage())));
    QVERIFY(!run.dialogs.shownText.isEmpty());
    QCOMPARE(run.dialogs.shownText,
             output(QStringLiteral(KESTROM_CLI), {QStringLiteral("devices")}));
}

void ContestWindowTest::windowKeepsTurningWhileFourRecordersDownload() {
    ContestRun run(11'520); // a real recorder's pace
    ui::ContestWindow& window = run.open();
    window.show();
    // Measured from the first drawing on: the first one also loads the fonts.
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(200);
    std::vector<std::vector<std::uint8_t>> flights;
    for (std::uint16_t competitor = 61; competitor <= 64; ++competitor) {
        // The largest flight a download takes: 80,000 bytes, about 7 s each at this pace.
        flights.push_back(test::flightOf80000Bytes(competitor));
    }
    StallMeter meter;
    QElapsedTimer clock;
    clock.start();
    for (std::vector<std::uint8_t>& flight : flights) {
        run.bus.plugRecorder(std::move(flight));
    }
    QTRY_COMPARE_WITH_TIMEOUT(window.contest()->flights.size(), std::size_t{4}, 60'000);
    const qint64 stall = meter.worstMs();
    qInfo("four 80,000-byte downloads at once: %lld ms; longest stall of the window: %lld ms",
          clock.elapsed(), stall);
    QVERIFY2(stall < kContestStallBoundMs, qPrintable(QString::number(stall)));
    QCOMPARE(window.standingsTable()->rowCount(), 4);
}

KESTROM_WINDOW_TEST(ContestWindowTest)
#include "contest_window_test.moc"
