// The window's features beyond its own controls, end to end on the offscreen platform: files
// dropped on either half, the Recent menu, and the measuring bracket on a known flight.

#include "tests/support/window_test.h"
#include "window_fixture.h"

#include "files/flight_archive.h"
#include "tests/support/qt_files.h"
#include "ui/flights_window.h"
#include "ui/measure_bracket.h"
#include "ui/recent_files.h"
#include "ui/window_features.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QUrl>
#include <QtTest>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>

using namespace kestrom;
using kestrom::test::flightAt;
using kestrom::test::WindowRun;
using kestrom::ui::SeriesId;

namespace {

// A calm generated flight: 4 s on the ground, 8 s climb at 12 m/s, then a glide sinking 0.6 m/s.
GeneratorOptions knownFlight(unsigned rateCode) {
    return {.rateCode = rateCode, .noiseCounts = 0.0};
}

// Drags mime data onto a control and drops it at `at`; returns whether the drop was taken.
bool dropOn(QWidget& control, QMimeData& mime, QPoint at) {
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&control, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&control, &drop);
    return drop.isAccepted();
}
bool dropOn(QWidget& control, QMimeData& mime) {
    return dropOn(control, mime, control.rect().center());
}

// Drags local files onto the window and drops them at x (window coordinates).
bool dropAt(QWidget& window, const QStringList& files, int x) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& file : files) {
        urls << QUrl::fromLocalFile(file);
    }
    mime.setUrls(urls);
    return dropOn(window, mime, QPoint(x, window.height() / 2));
}

bool dropAt(QWidget& window, const std::string& file, int x) {
    return dropAt(window, QStringList{QString::fromStdString(file)}, x);
}

QPoint pixelOf(ui::Chart& chart, SeriesId id, int index) {
    QCPGraph* graph = chart.graph(static_cast<int>(id));
    return {static_cast<int>(std::lround(graph->keyAxis()->coordToPixel(index))),
            static_cast<int>(
                std::lround(graph->valueAxis()->coordToPixel(chart.pointValue(id, index))))};
}

} // namespace

class WindowFeaturesTest : public QObject {
    Q_OBJECT
private slots:
    void dropOnLeftHalfLoadsAndOnRightHalfCompares();
    void fileDroppedOnAFieldIsLoadedOrComparedNotTyped();
    void recentMenuKeepsTheLastEightFilesAcrossRuns();
    void shiftDragMeasuresTheKnownGlideAndClimb();
    void bracketGoesOnEscPlainClickAndNewFlight();
    void downloadIsArchivedAndListed();
    void failedArchiveWriteKeepsTheDownload();
    void flightsTableSortsLoadsAndCompares();
    void flightsTableSortsEachColumnByItsOwnValue_data();
    void flightsTableSortsEachColumnByItsOwnValue();
    void flightsTableShowsEveryColumnAndTellsCopiesApart_data();
    void flightsTableShowsEveryColumnAndTellsCopiesApart();
    void vanishedFilesLeaveTheFlightsListAndTheRecentMenu();
    void severalFilesOpenTheFirstTwoAndNameTheRest_data();
    void severalFilesOpenTheFirstTwoAndNameTheRest();
    void reportHasAPagePerFlightOnScreen();
};

namespace {

using test::fileBytes;
using test::pdfPages;
using test::pdfText;

// The texts of a column of the table, top to bottom, in the given role.
QStringList columnTexts(const QTableView& table, int column, int role = Qt::DisplayRole) {
    QStringList texts;
    for (int row = 0; row < table.model()->rowCount(); ++row) {
        texts << table.model()->index(row, column).data(role).toString();
    }
    return texts;
}

QStringList archived(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.kes")}, QDir::Files, QDir::Name);
}

// A recorder on the run's bus holding a generated flight of this competitor.
void addRecorder(WindowRun& run, std::uint16_t competitor) {
    SimulatedRecorder& recorder = run.bus.addRecorder();
    recorder.state.flight =
        generateFlight({.seed = competitor, .rateCode = 2, .competitor = competitor});
    recorder.state.rateCode = 2;
}

} // namespace

void WindowFeaturesTest::downloadIsArchivedAndListed() {
    WindowRun run;
    const QString folder = run.archiveTo();
    addRecorder(run, 23);
    ui::TKestrom_BMP& w = run.open();
    ui::WindowFeatures& features = ui::attachWindowFeatures(w);
    QVERIFY(features.archiveAction()->isChecked());
    features.showFlightsWindow();
    QCOMPARE(features.flightsWindow().model().rowCount(), 0);

    test::clickAndWait(w, "B_Odczyt_Kestromu");
    QVERIFY(w.chart().pointCount(SeriesId::Series1) > 0);
    QStringList files = archived(folder);
    QCOMPARE(files.size(), 1);
    QVERIFY2(files[0].endsWith(QStringLiteral("_c23_s1001.kes")), qPrintable(files[0]));
    // Byte for byte what Save writes.
    run.prompts.fileNames.push_back(run.path("saved.kes"));
    w.BZapisz_PomiarClick();
    QCOMPARE(fileBytes(folder + QStringLiteral("/") + files[0]),
             fileBytes(QString::fromStdString(run.path("saved.kes"))));
    QVERIFY(run.prompts.errors.empty());

    // The open Flights window shows it at once.
    ui::FlightListModel& model = features.flightsWindow().model();
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.data(model.index(0, ui::FlightListModel::Competitor)).toInt(), 23);
    QCOMPARE(model.data(model.index(0, ui::FlightListModel::Serial)).toInt(), 1001);
    // Its numbers take the regional decimal sign, whatever the language (here Polish).
    const QLocale regional;
    QLocale::setDefault(QLocale(QLocale::English));
    QCOMPARE(model.data(model.index(0, ui::FlightListModel::Maximum)).toString(),
             QString::number(model.rows()[0].summary.maxAltitude, 'f', 1));
    QLocale::setDefault(regional);

    // A second download a moment later is kept beside it, never over it.
    test::clickAndWait(w, "B_Odczyt_Kestromu");
    QCOMPARE(archived(folder).size(), 2);

    // Switched off (both languages name the item), the choice outlives the run.
    QCOMPARE(features.archiveAction()->text(), QStringLiteral("Archiwizuj pobrane loty"));
    w.English1Click();
    QCOMPARE(features.archiveAction()->text(), QStringLiteral("Archive downloaded flights"));
    features.archiveAction()->trigger();
    QVERIFY(!features.archiving());
    test::clickAndWait(w, "B_Odczyt_Kestromu");
    QCOMPARE(archived(folder).size(), 2);
    run.window.reset();
    ui::TKestrom_BMP& again = run.open();
    ui::WindowFeatures& next = ui::attachWindowFeatures(again);
    QVERIFY(!next.archiveAction()->isChecked());
    test::clickAndWait(again, "B_Odczyt_Kestromu");
    QCOMPARE(archived(folder).size(), 2);
    QCOMPARE(fileBytes(run.configPath()).size(), 44); // the record itself keeps its size
}

void WindowFeaturesTest::failedArchiveWriteKeepsTheDownload() {
    WindowRun run;
    // The archive folder would have to be made inside a regular file.
    const std::string blocker = run.path("blocker");
    (void)writeWholeFile(blocker, std::vector<std::uint8_t>{1});
    run.archiveTo(QString::fromStdString(blocker + "/flights"));
    addRecorder(run, 5);
    ui::TKestrom_BMP& w = run.open();
    ui::attachWindowFeatures(w);
    test::clickAndWait(w, "B_Odczyt_Kestromu");

    QCOMPARE(run.prompts.errors.size(), std::size_t{1});
    QVERIFY2(run.prompts.errors[0].starts_with("Lotu nie zapisano w archiwum: "),
             run.prompts.errors[0].c_str());
    // The flight is downloaded, drawn and can still be saved.
    QVERIFY(w.chart().pointCount(SeriesId::Series1) > 0);
    QCOMPARE(test::fieldText(w, "E_NrZawodnika").trimmed(), QStringLiteral("5"));
    run.prompts.fileNames.push_back(run.path("saved.kes"));
    w.BZapisz_PomiarClick();
    QVERIFY(QFile::exists(QString::fromStdString(run.path("saved.kes"))));
}

void WindowFeaturesTest::flightsTableSortsLoadsAndCompares() {
    WindowRun run;
    const QString folder = run.archiveTo();
    const auto start = std::chrono::system_clock::now();
    const std::uint16_t competitors[] = {31, 7, 19};
    for (int i = 0; i < 3; ++i) {
        const GeneratorOptions options{.seed = static_cast<std::uint32_t>(10 + i),
                                       .rateCode = static_cast<unsigned>(i + 1),
                                       .competitor = competitors[i],
                                       .climbSeconds = 4.0 + 3.0 * i}; // different heights
        QVERIFY(archiveFlight(folder.toStdString(), FlightImage(generateFlight(options)),
                              start + std::chrono::minutes(i)));
    }
    // A broken file in the folder gets a row that names it, and opens nothing.
    const std::string junk = (folder + QStringLiteral("/junk.kes")).toStdString();
    QVERIFY(writeWholeFile(junk, std::vector<std::uint8_t>{1, 2, 3}));
    ui::TKestrom_BMP& w = run.open();
    ui::WindowFeatures& features = ui::attachWindowFeatures(w);
    run.load(run.flightFile("outside.kes", flightAt(4, 99))); // a recent file, not archived
    features.flightsAction()->trigger();
    ui::FlightsWindow& flights = features.flightsWindow();
    QVERIFY(flights.isVisible());
    QTableView* table = flights.table();
    QCOMPARE(table->model()->rowCount(), 5);
    QVERIFY(!flights.loadButton()->isEnabled()); // nothing selected yet

    // Sorted by competitor: by number (17 is the generator's), the unreadable file first.
    table->sortByColumn(ui::FlightListModel::Competitor, Qt::AscendingOrder);
    QCOMPARE(columnTexts(*table, ui::FlightListModel::Competitor),
             QStringList({"junk.kes", "7", "17", "19", "31"}));
    table->selectRow(0);
    flights.loadButton()->click();
    QCOMPARE(run.prompts.texts().back(), Message::FileTooShort);
    QCOMPARE(test::groupTitle(w, "GroupB_Alt"), QStringLiteral("outside.kes"));
    // Sorted by maximum, descending: values, not texts.
    table->sortByColumn(ui::FlightListModel::Maximum, Qt::DescendingOrder);
    const QStringList maxima = columnTexts(*table, ui::FlightListModel::Maximum, Qt::UserRole);
    for (int row = 0; row + 1 < 5; ++row) {
        QVERIFY(maxima[row].toDouble() >= maxima[row + 1].toDouble());
    }

    // Load the row of competitor 19, compare with the row of competitor 7.
    auto rowOf = [table](const char* competitor) {
        return static_cast<int>(
            columnTexts(*table, ui::FlightListModel::Competitor).indexOf(competitor));
    };
    table->selectRow(rowOf("19"));
    QVERIFY(flights.loadButton()->isEnabled());
    const QString file19 = flights.selectedFile();
    flights.loadButton()->click();
    QCOMPARE(test::groupTitle(w, "GroupB_Alt"), QFileInfo(file19).fileName());
    QCOMPARE(test::fieldText(w, "E_NrZawodnika").trimmed(), QStringLiteral("19"));
    table->selectRow(rowOf("7"));
    const QString file7 = flights.selectedFile();
    flights.compareButton()->click();
    QCOMPARE(test::groupTitle(w, "GroupB_Por"), QFileInfo(file7).fileName());
    QCOMPARE(test::fieldText(w, "E_Zaw_Por").trimmed(), QStringLiteral("7"));
    QVERIFY(w.chart().pointCount(SeriesId::Series3) > 0);
    // Opened from the table, the archived files are now recent too, but listed once.
    QCOMPARE(table->model()->rowCount(), 5);
    QCOMPARE(flights.selectedFile(), file7);
    // A file opened while the list is shown joins it.
    run.compare(run.flightFile("another.kes", flightAt(2, 98)));
    QCOMPARE(table->model()->rowCount(), 6);

    // The headers follow the language.
    QCOMPARE(table->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Czas"));
    w.English1Click();
    QCOMPARE(table->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Time"));
    QCOMPARE(flights.loadButton()->text(), QStringLiteral("Load"));
}

namespace {

// Four flights whose every column orders them differently (checked below), so a column sorted by
// another column's value cannot pass.
std::vector<ui::FlightRow> fourDistinctFlights() {
    // File, time, competitor, serial, rate, samples, maximum, minimum.
    const auto row = [](const char* file, std::time_t time, std::uint16_t competitor,
                        std::uint16_t serial, std::uint32_t rateTimes10, std::uint32_t samples,
                        float maximum, float minimum) {
        return ui::FlightRow{{file,
                              time,
                              {},
                              competitor,
                              serial,
                              1,
                              rateTimes10,
                              samples,
                              false,
                              true,
                              maximum,
                              minimum},
                             true};
    };
    return {row("/f/d.kes", 1'700'000'001, 30, 200, 100, 900, 40.0f, -1.0f),
            row("/f/c.kes", 1'700'000'002, 10, 300, 200, 1000, 20.0f, -4.0f),
            row("/f/b.kes", 1'700'000'003, 40, 100, 50, 200, 30.0f, -2.0f),
            row("/f/a.kes", 1'700'000'004, 20, 400, 150, 1800, 10.0f, -3.0f)};
}

// What each column means, said again from the summary: the order a user expects.
QVariant columnValue(const FlightSummary& s, int column) {
    switch (column) {
    case ui::FlightListModel::Time:
        return static_cast<qlonglong>(s.time);
    case ui::FlightListModel::Competitor:
        return s.competitor;
    case ui::FlightListModel::Serial:
        return s.serial;
    case ui::FlightListModel::Sampling:
        return s.rateTimes10;
    case ui::FlightListModel::Duration:
        return s.samples * 10.0 / s.rateTimes10;
    case ui::FlightListModel::Maximum:
        return s.maxAltitude;
    case ui::FlightListModel::Minimum:
        return s.minAltitude;
    case ui::FlightListModel::File:
        return QString::fromStdString(s.path.filename().string());
    default:
        return {};
    }
}

// The files of the rows in the order the column's own values give.
QStringList expectedOrder(std::vector<ui::FlightRow> rows, int column, Qt::SortOrder order) {
    std::sort(rows.begin(), rows.end(), [column](const ui::FlightRow& a, const ui::FlightRow& b) {
        return QVariant::compare(columnValue(a.summary, column), columnValue(b.summary, column)) ==
               QPartialOrdering::Less;
    });
    if (order == Qt::DescendingOrder) {
        std::reverse(rows.begin(), rows.end());
    }
    QStringList files;
    for (const ui::FlightRow& row : rows) {
        files << QString::fromStdString(row.summary.path.string());
    }
    return files;
}

} // namespace

void WindowFeaturesTest::flightsTableSortsEachColumnByItsOwnValue_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<Qt::SortOrder>("order");
    const char* names[] = {"time",     "competitor", "serial",  "sampling",
                           "duration", "maximum",    "minimum", "file"};
    static_assert(std::size(names) == ui::FlightListModel::kColumnCount);
    for (int column = 0; column < ui::FlightListModel::kColumnCount; ++column) {
        QTest::addRow("%s ascending", names[column]) << column << Qt::AscendingOrder;
        QTest::addRow("%s descending", names[column]) << column << Qt::DescendingOrder;
    }
}

void WindowFeaturesTest::flightsTableSortsEachColumnByItsOwnValue() {
    QFETCH(int, column);
    QFETCH(Qt::SortOrder, order);
    const std::vector<ui::FlightRow> rows = fourDistinctFlights();
    // The rows tell every pair of columns apart.
    QSet<QStringList> orders;
    for (int c = 0; c < ui::FlightListModel::kColumnCount; ++c) {
        orders.insert(expectedOrder(rows, c, Qt::AscendingOrder));
    }
    QCOMPARE(orders.size(), ui::FlightListModel::kColumnCount);

    ui::FlightsWindow flights([](const std::string&, bool) { return true; });
    flights.model().setRows(rows);
    QTableView* table = flights.table();
    table->sortByColumn(column, order);
    QCOMPARE(columnTexts(*table, 0, ui::FlightListModel::kPathRole),
             expectedOrder(rows, column, order));
}

void WindowFeaturesTest::flightsTableShowsEveryColumnAndTellsCopiesApart_data() {
    QTest::addColumn<bool>("english");
    QTest::newRow("Polish") << false;
    QTest::newRow("English") << true;
}

void WindowFeaturesTest::flightsTableShowsEveryColumnAndTellsCopiesApart() {
    QFETCH(bool, english);
    WindowRun run;
    const QString folder = run.archiveTo();
    // One flight downloaded twice and saved once: the same values in three files.
    const GeneratorOptions options{.seed = 4, .rateCode = 2, .competitor = 65535, .serial = 65535};
    const auto start = std::chrono::system_clock::now();
    for (int i = 0; i < 2; ++i) {
        QVERIFY(archiveFlight(folder.toStdString(), FlightImage(generateFlight(options)),
                              start + std::chrono::seconds(i)));
    }
    ui::TKestrom_BMP& w = run.open();
    ui::WindowFeatures& features = ui::attachWindowFeatures(w);
    run.load(run.flightFile("zapisany lot zawodnika.kes", options));
    if (english) {
        w.English1Click();
    }
    features.showFlightsWindow();
    ui::FlightsWindow& flights = features.flightsWindow();
    QTableView* table = flights.table();
    QCoreApplication::processEvents();
    QCOMPARE(table->model()->rowCount(), 3);

    const QStringList files = columnTexts(*table, ui::FlightListModel::File);
    const QSet<QString> names(files.begin(), files.end());
    QCOMPARE(names.size(), 3);
    QVERIFY(names.contains(QStringLiteral("zapisany lot zawodnika.kes")));
    QCOMPARE(table->model()->headerData(ui::FlightListModel::File, Qt::Horizontal).toString(),
             english ? QStringLiteral("File") : QStringLiteral("Plik"));

    // At the width it opens with, every column is whole in view (on the test's 1280 screen).
    const QHeaderView* header = table->horizontalHeader();
    const QAbstractItemView* view = table;
    for (int column = 0; column < ui::FlightListModel::kColumnCount; ++column) {
        const int needed =
            std::max(view->sizeHintForColumn(column), header->sectionSizeHint(column));
        const int right = header->sectionViewportPosition(column) + header->sectionSize(column);
        QVERIFY2(right <= table->viewport()->width(), qPrintable(QString::number(column)));
        QVERIFY2(header->sectionSize(column) >= needed, qPrintable(QString::number(column)));
    }
}

void WindowFeaturesTest::vanishedFilesLeaveTheFlightsListAndTheRecentMenu() {
    WindowRun run;
    const QString folder = run.archiveTo();
    const auto start = std::chrono::system_clock::now();
    std::vector<std::string> archivedFiles;
    for (int i = 0; i < 2; ++i) {
        const Result<std::filesystem::path> stored =
            archiveFlight(folder.toStdString(), FlightImage(generateFlight(flightAt(2, 20 + i))),
                          start + std::chrono::minutes(i));
        QVERIFY(stored);
        archivedFiles.push_back(stored.value->string());
    }
    std::vector<std::string> recent;
    {
        ui::TKestrom_BMP& w = run.open();
        ui::WindowFeatures& features = ui::attachWindowFeatures(w);
        recent = {run.flightFile("kept.kes", flightAt(3)), run.flightFile("gone.kes", flightAt(4))};
        for (const std::string& file : recent) {
            run.load(file);
        }
        features.showFlightsWindow();
        ui::FlightsWindow& flights = features.flightsWindow();
        QCOMPARE(flights.model().rowCount(), 4);

        // Deleted on disk while the list is open: gone when the list is brought to the front.
        QVERIFY(QFile::remove(QString::fromStdString(archivedFiles[0])));
        QVERIFY(QFile::remove(QString::fromStdString(recent[1])));
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(&flights, &activate);
        QStringList listed;
        for (const ui::FlightRow& row : flights.model().rows()) {
            listed << QString::fromStdString(row.summary.path.filename().string());
        }
        listed.sort();
        QCOMPARE(listed,
                 (QStringList{QString::fromStdString(
                                  std::filesystem::path(archivedFiles[1]).filename().string()),
                              QStringLiteral("kept.kes")}));
        // The Recent menu drops it too, as the list did.
        emit features.recentMenu()->aboutToShow();
        QCOMPARE(features.recentMenu()->actions().size(), 1);
        QVERIFY(features.recentMenu()->actions()[0]->text().endsWith(QStringLiteral("kept.kes")));
    }
    run.window.reset();

    // The next run does not bring it back; a file deleted between runs leaves the menu when
    // the menu is opened.
    QVERIFY(QFile::remove(QString::fromStdString(recent[0])));
    ui::TKestrom_BMP& w = run.open();
    ui::WindowFeatures& features = ui::attachWindowFeatures(w);
    QCOMPARE(features.recentFiles().files(),
             QStringList{QFileInfo(QString::fromStdString(recent[0])).absoluteFilePath()});
    emit features.recentMenu()->aboutToShow();
    QVERIFY(features.recentFiles().files().isEmpty());
    QCOMPARE(features.recentMenu()->actions().size(), 1);
    QVERIFY(!features.recentMenu()->actions()[0]->isEnabled()); // "(brak)"
}

void WindowFeaturesTest::severalFilesOpenTheFirstTwoAndNameTheRest_data() {
    QTest::addColumn<bool>("dropped"); // else given on the command line
    QTest::addColumn<int>("count");
    for (const bool dropped : {false, true}) {
        for (const int count : {2, 3, 4}) {
            QTest::addRow("%d files %s", count, dropped ? "dropped" : "on the command line")
                << dropped << count;
        }
    }
}

void WindowFeaturesTest::severalFilesOpenTheFirstTwoAndNameTheRest() {
    QFETCH(bool, dropped);
    QFETCH(int, count);
    WindowRun run;
    ui::TKestrom_BMP& w = run.open();
    ui::WindowFeatures& features = ui::attachWindowFeatures(w);
    w.English1Click();
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const std::string name = "flight" + std::to_string(i) + ".kes";
        files << QString::fromStdString(
            run.flightFile(name.c_str(), flightAt(2, static_cast<std::uint32_t>(i))));
    }
    if (dropped) {
        // On the right half: with two files the point has no say.
        QVERIFY(dropAt(w, files, w.width() - 100));
    } else {
        features.openFiles(files);
    }
    QCOMPARE(test::groupTitle(w, "GroupB_Alt"), QStringLiteral("flight0.kes"));
    QCOMPARE(test::groupTitle(w, "GroupB_Por"), QStringLiteral("flight1.kes"));
    QVERIFY(w.chart().pointCount(SeriesId::Series1) > 0);
    QVERIFY(w.chart().pointCount(SeriesId::Series3) > 0);
    if (count == 2) {
        QVERIFY(run.prompts.errors.empty());
        return;
    }
    // The rest are named, one a line, with why they were not opened.
    QCOMPARE(run.prompts.errors.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(run.prompts.errors[0]),
             QStringLiteral("Two files are opened: a flight and a comparison. Not opened:\n") +
                 files.mid(2).join(QLatin1Char('\n')));
}

void WindowFeaturesTest::dropOnLeftHalfLoadsAndOnRightHalfCompares() {
    WindowRun run;
    ui::TKestrom_BMP& w = run.open();
    ui::attachWindowFeatures(w);
    const std::string flight = run.flightFile("left.kes", flightAt(2, 3));
    const std::string other = run.flightFile("right.kes", flightAt(4, 5));

    QVERIFY(dropAt(w, flight, 100));
    QCOMPARE(test::groupTitle(w, "GroupB_Alt"), QStringLiteral("left.kes"));
    QVERIFY(w.chart().pointCount(SeriesId::Series1) > 0);
    QCOMPARE(w.chart().pointCount(SeriesId::Series3), 0);

    QVERIFY(dropAt(w, other, w.width() - 100));
    QCOMPARE(test::groupTitle(w, "GroupB_Por"), QStringLiteral("right.kes"));
    QVERIFY(w.chart().pointCount(SeriesId::Series3) > 0);
    QCOMPARE(test::groupTitle(w, "GroupB_Alt"), QStringLiteral("left.kes"));

    // A drag that carries no file is not taken; a missing file is reported as by BOdczyt.
    QMimeData text;
    text.setText(QStringLiteral("12.5"));
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    QVERIFY(!enter.isAccepted());
    QVERIFY(dropAt(w, run.path("missing.kes"), 100));
    QCOMPARE(run.prompts.errors.size(), std::size_t{1});
    QCOMPARE(test::groupTitle(w, "GroupB_Alt"), QStringLiteral("left.kes"));
}

void WindowFeaturesTest::fileDroppedOnAFieldIsLoadedOrComparedNotTyped() {
    WindowRun run;
    ui::TKestrom_BMP& w = run.open();
    ui::attachWindowFeatures(w);
    run.load(run.flightFile("first.kes", flightAt(2, 3))); // its temperature field is editable
    auto* recorderField = test::child<QLineEdit>(w, "E_TempGl");
    QVERIFY(!recorderField->isReadOnly());

    // A file manager's drag carries the file's address as text as well.
    auto fileDrag = [](const std::string& file) {
        auto mime = std::make_unique<QMimeData>();
        const QUrl url = QUrl::fromLocalFile(QString::fromStdString(file));
        mime->setUrls({url});
        mime->setText(url.toString());
        return mime;
    };
    const std::string left = run.flightFile("left.kes", flightAt(2, 5));
    QVERIFY(dropOn(*recorderField, *fileDrag(left)));
    QCOMPARE(test::groupTitle(w, "GroupB_Alt"), QStringLiteral("left.kes"));
    QVERIFY(!recorderField->text().contains(QStringLiteral("file:")));

    const std::string right = run.flightFile("right.kes", flightAt(4, 6));
    QVERIFY(dropOn(*test::child<QLineEdit>(w, "E_TempPor"), *fileDrag(right)));
    QCOMPARE(test::groupTitle(w, "GroupB_Por"), QStringLiteral("right.kes"));
    QCOMPARE(test::groupTitle(w, "GroupB_Alt"), QStringLiteral("left.kes"));

    // Plain text is still the field's own.
    QMimeData text;
    text.setText(QStringLiteral("7"));
    recorderField->clear();
    QVERIFY(dropOn(*recorderField, text));
    QCOMPARE(recorderField->text(), QStringLiteral("7"));
    QCOMPARE(test::groupTitle(w, "GroupB_Alt"), QStringLiteral("left.kes"));
}

void WindowFeaturesTest::recentMenuKeepsTheLastEightFilesAcrossRuns() {
    WindowRun run;
    {
        ui::TKestrom_BMP& w = run.open();
        ui::WindowFeatures& features = ui::attachWindowFeatures(w);
        for (int i = 0; i < 10; ++i) {
            const std::string name = std::string("f").append(std::to_string(i)).append(".kes");
            run.load(run.flightFile(name.c_str(), flightAt(2, static_cast<std::uint32_t>(i))));
        }
        run.compare(run.flightFile("f3.kes", flightAt(3))); // opened again: moves to the top
        run.load(run.path("missing.kes"));                  // never opened: not remembered
        const QStringList files = features.recentFiles().files();
        QCOMPARE(files.size(), ui::RecentFiles::kMaxFiles);
        QCOMPARE(QFileInfo(files[0]).fileName(), QStringLiteral("f3.kes"));
        QCOMPARE(QFileInfo(files[1]).fileName(), QStringLiteral("f9.kes"));
        QCOMPARE(QFileInfo(files[7]).fileName(), QStringLiteral("f2.kes"));
        QCOMPARE(features.recentMenu()->actions().size(), 8);
    }
    run.window.reset();

    // The next run reads the list from beside the configuration and opens from the menu.
    ui::TKestrom_BMP& w = run.open();
    ui::WindowFeatures& features = ui::attachWindowFeatures(w);
    QCOMPARE(features.recentFiles().files().size(), ui::RecentFiles::kMaxFiles);
    const QList<QAction*> items = features.recentMenu()->actions();
    QCOMPARE(items.size(), 8);
    QVERIFY(items[1]->text().endsWith(QStringLiteral("f9.kes")));
    items[1]->trigger();
    QCOMPARE(test::groupTitle(w, "GroupB_Alt"), QStringLiteral("f9.kes"));
    QCOMPARE(QFileInfo(features.recentFiles().files()[0]).fileName(), QStringLiteral("f9.kes"));
    QCOMPARE(features.recentMenu()->title(), QStringLiteral("Ostatnie pliki"));
    w.English1Click();
    QCOMPARE(features.recentMenu()->title(), QStringLiteral("Recent files"));
}

void WindowFeaturesTest::shiftDragMeasuresTheKnownGlideAndClimb() {
    WindowRun run;
    ui::TKestrom_BMP& w = run.open();
    ui::WindowFeatures& features = ui::attachWindowFeatures(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    run.load(run.flightFile("known.kes", knownFlight(2))); // 10 samples a second
    ui::Chart& chart = w.chart();
    chart.refresh();

    // A Shift+drag along the glide from 20 s to 60 s, drawn right to left.
    const QPoint from = pixelOf(chart, SeriesId::Series1, 600);
    const QPoint to = pixelOf(chart, SeriesId::Series1, 200);
    QTest::mousePress(&chart, Qt::LeftButton, Qt::ShiftModifier, from);
    QTest::mouseMove(&chart, (from + to) / 2);
    QTest::mouseMove(&chart, to);
    QTest::mouseRelease(&chart, Qt::LeftButton, Qt::ShiftModifier, to);
    ui::MeasureBracket& bracket = features.measureBracket();
    QVERIFY(bracket.isShown());
    QVERIFY(!chart.isZoomed()); // the drag measured and did not zoom
    QCOMPARE(bracket.curve(), SeriesId::Series1);
    const CurveMeasurement m = *bracket.measurement();
    QCOMPARE(m.fromIndex, std::size_t{200});
    QCOMPARE(m.toIndex, std::size_t{600});
    QCOMPARE(*m.deltaSeconds, 40.0);
    QVERIFY(std::abs(*m.metresPerSecond + 0.6) < 0.05);
    QVERIFY(std::abs(m.deltaMetres + 24.0) < 2.0);
    // The decimal sign is the regional one, whatever the language (the panels' rule).
    const QString speed = QString::number(*m.metresPerSecond, 'f', 2);
    const test::LocaleScope regional{QLocale()};
    for (const auto& [locale, point] : {std::pair{QLocale(QLocale::English), QChar(u'.')},
                                        std::pair{QLocale(QLocale::Polish), QChar(u',')}}) {
        QLocale::setDefault(locale);
        w.Polski1Click();
        QVERIFY2(bracket.text().startsWith(QStringLiteral("Δt = 40") + point +
                                           QStringLiteral("00 s\nΔh = -2")),
                 qPrintable(bracket.text()));
        QVERIFY2(bracket.text().endsWith(QStringLiteral("\nśrednia prędkość pionowa: %1 m/s")
                                             .arg(QString(speed).replace(u'.', point))),
                 qPrintable(bracket.text()));
        w.English1Click();
        QVERIFY2(bracket.text().endsWith(QStringLiteral("\nmean vertical speed: %1 m/s")
                                             .arg(QString(speed).replace(u'.', point))),
                 qPrintable(bracket.text()));
    }

    // On the comparison curve, sampled once a second: the climb from 6 s to 11 s.
    run.compare(run.flightFile("cmp.kes", knownFlight(4)));
    QVERIFY(bracket.measure(SeriesId::Series3, 6, 11));
    QCOMPARE(*bracket.measurement()->deltaSeconds, 5.0);
    // The altitude formula and the generator's inversion differ by a few per cent in the climb.
    QVERIFY2(std::abs(*bracket.measurement()->metresPerSecond - 12.0) < 0.6,
             qPrintable(bracket.text()));
    QVERIFY(!bracket.measure(SeriesId::Series3, 6, 100000)); // off the curve: nothing shown
    QVERIFY(!bracket.isShown());
}

void WindowFeaturesTest::bracketGoesOnEscPlainClickAndNewFlight() {
    WindowRun run;
    ui::TKestrom_BMP& w = run.open();
    ui::WindowFeatures& features = ui::attachWindowFeatures(w);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    run.load(run.flightFile("known.kes", knownFlight(2)));
    ui::Chart& chart = w.chart();
    chart.refresh();
    ui::MeasureBracket& bracket = features.measureBracket();
    const int itemsBefore = chart.itemCount();

    QVERIFY(bracket.measure(SeriesId::Series1, 100, 300));
    QVERIFY(chart.itemCount() > itemsBefore);
    QTest::keyClick(&chart, Qt::Key_Escape);
    QVERIFY(!bracket.isShown());
    QCOMPARE(chart.itemCount(), itemsBefore);

    // Esc anywhere in the window, not only on the chart.
    QVERIFY(bracket.measure(SeriesId::Series1, 100, 300));
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(!bracket.isShown());

    QVERIFY(bracket.measure(SeriesId::Series1, 100, 300));
    QTest::mouseClick(&chart, Qt::LeftButton, Qt::NoModifier, QPoint(chart.width() / 2, 60));
    QVERIFY(!bracket.isShown());

    QVERIFY(bracket.measure(SeriesId::Series1, 100, 300));
    run.load(run.flightFile("other.kes", knownFlight(3)));
    QVERIFY(!bracket.isShown());
    QCOMPARE(chart.itemCount(), itemsBefore);
}

void WindowFeaturesTest::reportHasAPagePerFlightOnScreen() {
    WindowRun run;
    ui::TKestrom_BMP& w = run.open();
    ui::WindowFeatures& features = ui::attachWindowFeatures(w);
    // Nothing on screen: said so, and no file asked for.
    QCOMPARE(features.writeReport(), 0);
    QCOMPARE(run.prompts.texts().back(), Message::NoData);
    QVERIFY(run.prompts.dialogs.empty());

    run.load(run.flightFile("round1.kes", flightAt(2, 1)));
    run.compare(run.flightFile("round2.kes", flightAt(3, 2)));
    const QString both = run.dir.filePath(QStringLiteral("both.pdf"));
    run.prompts.fileNames.push_back(both.toStdString());
    QCOMPARE(features.writeReport(), 2);
    QCOMPARE(run.prompts.dialogs.back(), FileDialog::Report);
    QCOMPARE(pdfPages(both), 2);

    // The comparison switched off is no longer on screen.
    test::trigger(w, "Porownanie1");
    const QString one = run.dir.filePath(QStringLiteral("one.pdf"));
    run.prompts.fileNames.push_back(run.path("one")); // typed without its extension
    features.reportAction()->trigger();
    QCOMPARE(pdfPages(one), 1);

    // The recorder flight filtered on screen is filtered on its page: the heading gives the
    // filter's extremes as the panel shows them. The comparison's Filtr button draws it again
    // with its mark off, and what is on screen is in the report.
    test::click(w, "B_Filtr_Alt");
    test::click(w, "B_Filtr_por");
    const QString filtered = run.dir.filePath(QStringLiteral("filtered.pdf"));
    run.prompts.fileNames.push_back(filtered.toStdString());
    QCOMPARE(features.writeReport(), 2);
    const QString text = pdfText(filtered);
    const QString unfilteredText = pdfText(one);
    const QRegularExpression filterLine(QStringLiteral("Filtr\\s+Max:\\s+") +
                                        QRegularExpression::escape(test::fieldText(w, "E_MaxGl")) +
                                        QStringLiteral(" m"));
    QVERIFY2(filterLine.match(text).hasMatch(), qPrintable(text));
    QVERIFY2(!QRegularExpression(QStringLiteral("Filtr\\s+Max:")).match(unfilteredText).hasMatch(),
             qPrintable(unfilteredText));

    // A folder that does not exist: told, nothing written.
    run.prompts.fileNames.push_back(run.path("no/such/folder/r.pdf"));
    QCOMPARE(features.writeReport(), 0);
    QCOMPARE(run.prompts.errors.size(), std::size_t{1});
}

KESTROM_WINDOW_TEST(WindowFeaturesTest)
#include "window_features_test.moc"
