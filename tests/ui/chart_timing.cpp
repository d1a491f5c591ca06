// Measures what the window must do within a frame or a moment: start-up to the shown window,
// one full replot of six 17,000-point series and one zoomed to 50 points. Beside each replot of
// the window's chart, a plain QCustomPlot of the same size draws the same six series with the
// same pens over the same ranges, so the chart's own cost is the ratio of the two. Prints
// medians; run by hand, not by ctest:
//   build/<dir>/tests/ui/kestrom_chart_timing

#include "app/program.h"
#include "device/simulated_bus.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

class SilentPrompts : public kestrom::Prompts {
public:
    kestrom::Answer showMessage(kestrom::Message, kestrom::Message, kestrom::Buttons) override {
        return kestrom::Answer::Ok;
    }
    void showError(const std::string&) override {}
    std::optional<std::string> askFileName(kestrom::FileDialog) override { return std::nullopt; }
    kestrom::Language language() const override { return kestrom::kPolish; }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double elapsedMs(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    work();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// The component as it comes: six graphs with the chart's pens and points, nothing else set.
class PlainPlot {
public:
    explicit PlainPlot(const kestrom::ui::Chart& chart) {
        plot_.resize(chart.size());
        plot_.yAxis2->setVisible(true);
        for (int s = 0; s < kestrom::ui::kSeriesCount; ++s) {
            const QCPGraph* from = chart.graph(s);
            QCPGraph* graph = plot_.addGraph(
                plot_.xAxis, from->valueAxis() == chart.yAxis2 ? plot_.yAxis2 : plot_.yAxis);
            graph->setPen(from->pen());
            graph->setData(from->data());
        }
        plot_.show();
    }
    bool shown() { return QTest::qWaitForWindowExposed(&plot_); }
    // The ranges and the smoothing the chart draws with now, so both draw the same pixels.
    void followRanges(const kestrom::ui::Chart& chart) {
        plot_.setAntialiasedElements(chart.antialiasedElements());
        plot_.setNotAntialiasedElements(chart.notAntialiasedElements());
        plot_.xAxis->setRange(chart.xAxis->range());
        plot_.yAxis->setRange(chart.yAxis->range());
        plot_.yAxis2->setRange(chart.yAxis2->range());
    }
    void replot() { plot_.replot(QCustomPlot::rpImmediateRefresh); }

private:
    QCustomPlot plot_;
};

// Replots the chart and the plain plot in turn, 21 times each, and prints both medians and
// their ratio.
void timeSideBySide(const char* what, kestrom::ui::Chart& chart, PlainPlot& plain) {
    std::vector<double> ours;
    std::vector<double> theirs;
    for (int run = 0; run < 21; ++run) {
        ours.push_back(elapsedMs([&chart] { chart.replot(QCustomPlot::rpImmediateRefresh); }));
        plain.followRanges(chart);
        theirs.push_back(elapsedMs([&plain] { plain.replot(); }));
    }
    const double a = median(ours);
    const double b = median(theirs);
    std::printf("%s: median %.2f ms (min %.2f), plain QCustomPlot %.2f ms (min %.2f), "
                "ratio %.2f\n",
                what, a, *std::min_element(ours.begin(), ours.end()), b,
                *std::min_element(theirs.begin(), theirs.end()), a / b);
}

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    kestrom::SimulatedBus bus;
    SilentPrompts prompts;
    const std::string program = dir.filePath(QStringLiteral("kestrom")).toStdString();
    kestrom::ui::TKestrom_BMP window(bus, prompts, kestrom::app::loadWindowConfig(program),
                                     program);
    window.showMaximized();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }
    QCoreApplication::processEvents();
    std::printf("start to shown window: %lld ms\n", static_cast<long long>(sinceStart.elapsed()));

    window.resize(1280, 900);
    QCoreApplication::processEvents();
    kestrom::ui::Chart& chart = window.chart();
    using kestrom::ui::SeriesId;
    const SeriesId ids[] = {SeriesId::Series1, SeriesId::Series2, SeriesId::Series3,
                            SeriesId::Series4, SeriesId::Series5, SeriesId::Series6};
    for (int s = 0; s < 6; ++s) {
        for (int i = 0; i < 17000; ++i) {
            const double v = 100.0 * std::sin(i / (500.0 + 40.0 * s)) + (i % 7) * 0.3;
            chart.appendPoint(ids[s], v, i % 20 == 0 ? QString::number(i / 20) : QString());
        }
    }
    chart.replot(QCustomPlot::rpImmediateRefresh);
    PlainPlot plain(chart);
    if (!plain.shown()) {
        return 1;
    }
    std::printf("chart %dx%d\n", chart.width(), chart.height());
    timeSideBySide("full replot, six series of 17000 points", chart, plain);
    // Zoomed to 50 points in the middle of the flight, as a drag over the chart does.
    const QRect plotArea = chart.axisRect()->rect();
    const auto xPixel = [&chart](double x) {
        return static_cast<int>(chart.xAxis->coordToPixel(x));
    };
    chart.zoomToPixels(
        QRect(QPoint(xPixel(8000.0), plotArea.top()), QPoint(xPixel(8050.0), plotArea.bottom())));
    const std::string zoomedWhat = "zoomed replot, " +
                                   std::to_string(std::lround(chart.xAxis->range().size())) +
                                   " points in view";
    timeSideBySide(zoomedWhat.c_str(), chart, plain);
    chart.undoZoom();
    for (const SeriesId id : ids) {
        chart.clearSeries(id);
    }
    std::vector<double> times;
    for (int run = 0; run < 21; ++run) {
        QElapsedTimer t;
        t.start();
        chart.replot(QCustomPlot::rpImmediateRefresh);
        times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::printf("empty chart: median %.2f ms\n", median(times));
    return 0;
}
