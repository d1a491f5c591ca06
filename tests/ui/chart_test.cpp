// The chart component: marks of the bottom axis, axis rules, the zoom and click gestures,
// value labels and bitmap output.

#include "tests/support/window_test.h"
#include "ui/chart.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using kestrom::ui::Chart;
using kestrom::ui::SeriesId;

namespace {

// A flight-like curve: labels every `labelEvery` points counting whole seconds.
void fill(Chart& chart, SeriesId id, int points, int labelEvery, double (*shape)(int)) {
    for (int i = 0; i < points; ++i) {
        chart.appendPoint(id, shape(i),
                          labelEvery > 0 && i % labelEvery == 0 ? QString::number(i / labelEvery)
                                                                : QString());
    }
}

double ramp(int i) { return i * 0.5; }
double dip(int i) { return i < 10 ? -2.0 + i : 40.0; }

} // namespace

class ChartTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        chart = std::make_unique<Chart>();
        chart->resize(1265, 745);
        chart->show();
        QVERIFY(QTest::qWaitForWindowExposed(chart.get()));
    }
    void cleanup() { chart.reset(); }

    void formatsNumbersInPatterns_data();
    void formatsNumbersInPatterns();
    void showsTheWholeFlightWithReadableMarks();
    void marksFollowTheZoomAndCarryMinorTicks();
    void leftAxisFollowsItsRules();
    void dragRightZoomsAndDragLeftUndoes();
    void clicksOnCurveAndLegendAreNotZooms();
    void writesABitmapOfItsOwnSize();

private:
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(chart.get(), Qt::LeftButton, {}, from);
        QTest::mouseMove(chart.get(), (from + to) / 2);
        QTest::mouseMove(chart.get(), to);
        QTest::mouseRelease(chart.get(), Qt::LeftButton, {}, to);
    }
    std::unique_ptr<Chart> chart;
};

void ChartTest::formatsNumbersInPatterns_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("minDecimals");
    QTest::addColumn<int>("maxDecimals");
    QTest::addColumn<QString>("text");
    QTest::newRow("grouped, one decimal") << 12345.67 << 0 << 1 << "12,345.7";
    QTest::newRow("trailing zeros dropped") << 2.0 << 0 << 2 << "2";
    QTest::newRow("kept up to the minimum") << 2.5 << 1 << 3 << "2.5";
    QTest::newRow("minimum decimals shown") << 3.0 << 1 << 3 << "3.0";
    QTest::newRow("tiny negative is zero") << -0.001 << 0 << 1 << "0";
    QTest::newRow("negative") << -1234.5 << 0 << 2 << "-1,234.5";
}

void ChartTest::formatsNumbersInPatterns() {
    QFETCH(double, value);
    QFETCH(int, minDecimals);
    QFETCH(int, maxDecimals);
    QFETCH(QString, text);
    QCOMPARE(kestrom::ui::formatPattern(value, minDecimals, maxDecimals, true, QLocale::c()), text);
}

void ChartTest::showsTheWholeFlightWithReadableMarks() {
    // 17,000 points at 20 per second: 850 labels, far more than the axis can hold upright.
    fill(*chart, SeriesId::Series1, 17000, 20, ramp);
    chart->refresh();
    QCOMPARE(chart->bottomMinimum(), 0.0);
    QCOMPARE(chart->bottomMaximum(), 16999.0);
    const auto marks = chart->bottomMarks();
    QVERIFY(marks.size() > 10);
    QVERIFY(marks.size() < 120);
    QCOMPARE(marks.firstKey(), 0.0);
    for (auto it = marks.cbegin(); it != marks.cend(); ++it) {
        QCOMPARE(it.value(), QString::number(static_cast<int>(it.key()) / 20)); // whole seconds
    }
}

void ChartTest::marksFollowTheZoomAndCarryMinorTicks() {
    fill(*chart, SeriesId::Series1, 2000, 20, ramp);
    chart->setBottomMinorTickCount(19);
    chart->refresh();
    // Zoom to about 60 points: every label in view is drawn.
    const auto left = static_cast<int>(chart->xAxis->coordToPixel(995));
    const auto right = static_cast<int>(chart->xAxis->coordToPixel(1065));
    const auto top = static_cast<int>(chart->yAxis->coordToPixel(600));
    const auto bottom = static_cast<int>(chart->yAxis->coordToPixel(400));
    chart->zoomToPixels(QRect(QPoint(left, top), QPoint(right, bottom)));
    chart->refresh();
    const auto marks = chart->bottomMarks();
    QCOMPARE(marks.keys(), (QList<double>{1000, 1020, 1040, 1060}));
    QCOMPARE(marks.value(1020), QStringLiteral("51"));
    QCOMPARE(chart->bottomMinorTickCount(), 19);
    auto* ticker = dynamic_cast<QCPAxisTickerText*>(chart->xAxis->ticker().data());
    QVERIFY(ticker != nullptr);
    QCOMPARE(ticker->subTickCount(), 19); // one minor tick per sample between the seconds
}

void ChartTest::leftAxisFollowsItsRules() {
    fill(*chart, SeriesId::Series1, 50, 0, dip); // from -2 m up to 40 m
    auto& rule = chart->leftAxisRule();
    rule.automatic = false;
    rule.autoMaximum = false;
    rule.autoMinimum = true;
    rule.minimum = 0.0;
    rule.maximum = 41.0;
    chart->refresh();
    QCOMPARE(chart->leftRange().lower, -2.0);
    QCOMPARE(chart->leftRange().upper, 41.0);

    rule.automatic = true;
    chart->refresh();
    QCOMPARE(chart->leftRange().upper, 40.0);

    chart->clearSeries(SeriesId::Series1);
    rule.automatic = false;
    rule.maximum = 0.0; // an empty flight's axis still has a span
    chart->refresh();
    QVERIFY(chart->leftRange().upper > chart->leftRange().lower);
}

void ChartTest::dragRightZoomsAndDragLeftUndoes() {
    fill(*chart, SeriesId::Series1, 1000, 10, ramp);
    chart->refresh();
    QSignalSpy zoomed(chart.get(), &Chart::zoomed);
    QSignalSpy undone(chart.get(), &Chart::zoomUndone);
    const QRect plot = chart->axisRect()->rect();
    // Start below the curve (a ramp rising to the right) so the press is not a curve click.
    const QPoint a(plot.left() + plot.width() / 2, plot.bottom() - 5);
    const QPoint b(plot.left() + plot.width() * 3 / 4, plot.bottom() - 2);
    drag(QPoint(a.x(), plot.center().y() + 40), QPoint(b.x(), b.y()));
    QCOMPARE(zoomed.count(), 1);
    QVERIFY(chart->isZoomed());
    QVERIFY(chart->bottomMinimum() > 400 && chart->bottomMaximum() < 800);

    drag(b, QPoint(a.x() - 50, plot.center().y() + 40));
    QCOMPARE(undone.count(), 1);
    QVERIFY(!chart->isZoomed());
    chart->refresh();
    QCOMPARE(chart->bottomMinimum(), 0.0);
    QCOMPARE(chart->bottomMaximum(), 999.0);
}

void ChartTest::clicksOnCurveAndLegendAreNotZooms() {
    fill(*chart, SeriesId::Series1, 1000, 10, ramp);
    chart->refresh();
    QSignalSpy clicked(chart.get(), &Chart::seriesClicked);
    QSignalSpy legend(chart.get(), &Chart::legendClicked);
    QSignalSpy zoomed(chart.get(), &Chart::zoomed);
    const QPoint onCurve(static_cast<int>(chart->xAxis->coordToPixel(500)),
                         static_cast<int>(chart->yAxis->coordToPixel(250)));
    QTest::mouseClick(chart.get(), Qt::LeftButton, {}, onCurve);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).value<SeriesId>(), SeriesId::Series1);
    QTest::mouseClick(chart.get(), Qt::LeftButton, {}, chart->legend->outerRect().center());
    QCOMPARE(legend.count(), 1);
    QCOMPARE(zoomed.count(), 0);
}

void ChartTest::writesABitmapOfItsOwnSize() {
    fill(*chart, SeriesId::Series1, 300, 10, ramp);
    chart->setTitleLines({QStringLiteral("        Odczyt z: Kestrom"), QStringLiteral(" ")});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chart.bmp"));
    QVERIFY(chart->saveBitmap(path));
    QImage image(path, "BMP");
    QCOMPARE(image.size(), chart->size());
    QVERIFY(!chart->saveBitmap(dir.filePath(QStringLiteral("no/such/folder/chart.bmp"))));
}

KESTROM_WINDOW_TEST(ChartTest)
#include "chart_test.moc"
