// The window's features beyond its own controls, end to end on the offscreen platform: files
// dropped on either half, the Recent menu, and the measuring bracket on a known flight.

#include "window_fixture.h"

#include "ui/measure_bracket.h"
#include "ui/recent_files.h"
#include "ui/window_features.h"

#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <QtTest>

#include <cmath>

using namespace kestrom;
using kestrom::test::flightAt;
using kestrom::test::WindowRun;
using kestrom::ui::SeriesId;

namespace {

// A calm generated flight: 4 s on the ground, 8 s climb at 12 m/s, then a glide sinking 0.6 m/s.
GeneratorOptions knownFlight(unsigned rateCode) {
    GeneratorOptions options = flightAt(rateCode);
    options.noiseCounts = 0.0;
    return options;
}

// Sends a drag of a local file and its drop at x (window coordinates); returns whether the
// window took the drop.
bool dropAt(QWidget& window, const std::string& file, int x) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
    const QPointF at(x, window.height() / 2);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    return drop.isAccepted();
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
    void recentMenuKeepsTheLastEightFilesAcrossRuns();
    void shiftDragMeasuresTheKnownGlideAndClimb();
    void bracketGoesOnEscPlainClickAndNewFlight();
};

void WindowFeaturesTest::dropOnLeftHalfLoadsAndOnRightHalfCompares() {
    WindowRun run;
    ui::TKestrom_BMP& w = run.open();
    ui::attachWindowFeatures(w);
    const std::string flight = run.flightFile("left.kes", flightAt(2, 3));
    const std::string other = run.flightFile("right.kes", flightAt(4, 5));

    QVERIFY(dropAt(w, flight, 100));
    QCOMPARE(w.GroupB_Alt->title(), QStringLiteral("left.kes"));
    QVERIFY(w.chart().pointCount(SeriesId::Series1) > 0);
    QCOMPARE(w.chart().pointCount(SeriesId::Series3), 0);

    QVERIFY(dropAt(w, other, w.width() - 100));
    QCOMPARE(w.GroupB_Por->title(), QStringLiteral("right.kes"));
    QVERIFY(w.chart().pointCount(SeriesId::Series3) > 0);
    QCOMPARE(w.GroupB_Alt->title(), QStringLiteral("left.kes"));

    // A drag that carries no file is not taken; a missing file is reported as by BOdczyt.
    QMimeData text;
    text.setText(QStringLiteral("12.5"));
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    QVERIFY(!enter.isAccepted());
    QVERIFY(dropAt(w, run.path("missing.kes"), 100));
    QCOMPARE(run.prompts.errors.size(), std::size_t{1});
    QCOMPARE(w.GroupB_Alt->title(), QStringLiteral("left.kes"));
}

void WindowFeaturesTest::recentMenuKeepsTheLastEightFilesAcrossRuns() {
    WindowRun run;
    {
        ui::TKestrom_BMP& w = run.open();
        ui::WindowFeatures& features = ui::attachWindowFeatures(w);
        for (int i = 0; i < 10; ++i) {
            const std::string name = "f" + std::to_string(i) + ".kes";
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
    QCOMPARE(w.GroupB_Alt->title(), QStringLiteral("f9.kes"));
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
    QVERIFY2(bracket.text().startsWith(QStringLiteral("Δt = 40,00 s\nΔh = -2")),
             qPrintable(bracket.text()));
    const QString speed = QString::number(*m.metresPerSecond, 'f', 2);
    QVERIFY2(bracket.text().endsWith(QStringLiteral("\nśrednia prędkość pionowa: %1 m/s")
                                         .arg(QString(speed).replace(u'.', u','))),
             qPrintable(bracket.text()));
    w.English1Click();
    QVERIFY2(bracket.text().endsWith(QStringLiteral("\nmean vertical speed: %1 m/s").arg(speed)),
             qPrintable(bracket.text()));

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

    QVERIFY(bracket.measure(SeriesId::Series1, 100, 300));
    QTest::mouseClick(&chart, Qt::LeftButton, Qt::NoModifier, QPoint(chart.width() / 2, 60));
    QVERIFY(!bracket.isShown());

    QVERIFY(bracket.measure(SeriesId::Series1, 100, 300));
    run.load(run.flightFile("other.kes", knownFlight(3)));
    QVERIFY(!bracket.isShown());
    QCOMPARE(chart.itemCount(), itemsBefore);
}

QTEST_MAIN(WindowFeaturesTest)
#include "window_features_test.moc"
