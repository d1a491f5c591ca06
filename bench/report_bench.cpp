// kestrom-report-bench: a contest report of 100 long flights, as kestrom-cli report writes it
// (reading, evaluating, drawing with the window's chart, writing the PDF). Runs offscreen.

#include "flight/generator.h"
#include "ui/flight_report.h"

#include <QApplication>
#include <QFile>
#include <QPdfWriter>

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace kestrom {
namespace {

namespace fs = std::filesystem;

constexpr int kFlights = 100;

void reportOfHundredFlights(benchmark::State& state) {
    const fs::path folder =
        fs::temp_directory_path() / ("kestrom-report-bench-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::vector<std::string> files;
    for (int i = 0; i < kFlights; ++i) {
        // The longest flight the curves can show: 16,999 samples at 20 per second.
        GeneratorOptions o;
        o.seed = static_cast<std::uint32_t>(i + 1);
        o.rateCode = 0;
        o.glideSeconds = 900;
        o.glideSinkMps = 0.08;
        o.maxSamples = 16999;
        o.spikes = 20;
        const std::vector<std::uint8_t> bytes = generateFlight(o);
        files.push_back(
            (folder / std::string("f").append(std::to_string(i)).append(".kes")).string());
        QFile out(QString::fromStdString(files.back()));
        if (!out.open(QIODevice::WriteOnly) ||
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
            state.SkipWithError("cannot write the flights");
            return;
        }
    }
    const bool filtered = state.range(0) != 0;
    const QString pdfPath = QString::fromStdString((folder / "report.pdf").string());
    for (auto _ : state) {
        QFile file(pdfPath);
        if (!file.open(QIODevice::WriteOnly)) {
            state.SkipWithError("cannot create the report");
            break;
        }
        QPdfWriter pdf(&file);
        pdf.setResolution(96);
        ui::FlightReport report(pdf, kEnglish);
        for (const std::string& path : files) {
            ui::addFlightFile(report, path,
                              filtered ? std::optional<FilterParams>(FilterParams{})
                                       : std::nullopt);
        }
        report.finish();
        if (report.pages() != kFlights) {
            state.SkipWithError("pages missing");
            break;
        }
    }
    state.counters["pdf_MB"] = static_cast<double>(fs::file_size(pdfPath.toStdString())) / 1e6;
    fs::remove_all(folder);
}
BENCHMARK(reportOfHundredFlights)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("filter")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

} // namespace
} // namespace kestrom

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
