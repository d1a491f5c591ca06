// Measures what the window must do within a frame or a moment: start-up to the shown window,
// one full replot of six 17,000-point series and one zoomed to 50 points. Prints medians; run by
// hand, not by ctest:
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
    std::vector<double> times;
    for (int run = 0; run < 21; ++run) {
        QElapsedTimer t;
        t.start();
        chart.replot(QCustomPlot::rpImmediateRefresh);
        times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::printf("full replot, six series of 17000 points, %dx%d: median %.2f ms (min %.2f)\n",
                chart.width(), chart.height(), median(times),
                *std::min_element(times.begin(), times.end()));
    // Zoomed to 50 points in the middle of the flight, as a drag over the chart does.
    const QRect plotArea = chart.axisRect()->rect();
    const auto xPixel = [&chart](double x) {
        return static_cast<int>(chart.xAxis->coordToPixel(x));
    };
    chart.zoomToPixels(
        QRect(QPoint(xPixel(8000.0), plotArea.top()), QPoint(xPixel(8050.0), plotArea.bottom())));
    times.clear();
    for (int run = 0; run < 21; ++run) {
        QElapsedTimer t;
        t.start();
        chart.replot(QCustomPlot::rpImmediateRefresh);
        times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::printf("zoomed replot, %.0f points in view: median %.2f ms (min %.2f)\n",
                chart.xAxis->range().size(), median(times),
                *std::min_element(times.begin(), times.end()));
    chart.undoZoom();
    for (const SeriesId id : ids) {
        chart.clearSeries(id);
    }
    times.clear();
    for (int run = 0; run < 21; ++run) {
        QElapsedTimer t;
        t.start();
        chart.replot(QCustomPlot::rpImmediateRefresh);
        times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::printf("empty chart: median %.2f ms\n", median(times));
    return 0;
}
