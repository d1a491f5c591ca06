// Makes the README's pictures of the Flights window and of a measuring bracket. Run by hand on
// the offscreen platform:
//   QT_QPA_PLATFORM=offscreen kestrom_window_features_shot docs/flights-window.png
//       docs/measure-bracket.png
// (one line)

#include "window_fixture.h"

#include "files/flight_archive.h"
#include "ui/flights_window.h"
#include "ui/measure_bracket.h"
#include "ui/window_features.h"

#include <QApplication>
#include <QPixmap>
#include <QTableView>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FLIGHTS.png BRACKET.png\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    kestrom::test::WindowRun run;
    const QString archive = run.archiveTo();
    // A morning of a contest: eight downloads, a quarter of an hour apart.
    const auto start = std::chrono::system_clock::now() - std::chrono::hours(3);
    for (unsigned i = 0; i < 8; ++i) {
        kestrom::GeneratorOptions flight = kestrom::test::flightAt(i % 3 + 1, i + 1);
        flight.competitor = static_cast<std::uint16_t>(3 + (i * 7) % 25);
        flight.serial = static_cast<std::uint16_t>(1001 + i % 3);
        flight.climbSeconds = 6.0 + i % 4;
        flight.glideSeconds = 50.0 + 9.0 * i;
        (void)kestrom::archiveFlight(archive.toStdString(),
                                     kestrom::FlightImage(kestrom::generateFlight(flight)),
                                     start + std::chrono::minutes(15 * i));
    }

    kestrom::ui::TKestrom_BMP& w = run.open();
    kestrom::ui::WindowFeatures& features = kestrom::ui::attachWindowFeatures(w);
    kestrom::test::trigger(w, "English1");
    w.resize(1300, 834);
    w.show();
    run.load(run.flightFile("round3-c17.kes", {.seed = 4, .rateCode = 2, .noiseCounts = 1.0}));
    QCoreApplication::processEvents();

    features.showFlightsWindow();
    kestrom::ui::FlightsWindow& flights = features.flightsWindow();
    flights.resize(860, 330);
    flights.table()->selectRow(2);
    QCoreApplication::processEvents();
    bool saved = flights.grab().save(QString::fromLocal8Bit(argv[1]));
    flights.hide();

    // The glide from 20 s to 60 s (10 samples a second).
    features.measureBracket().measure(kestrom::ui::SeriesId::Series1, 200, 600);
    w.chart().replot();
    QCoreApplication::processEvents();
    saved = w.grab().save(QString::fromLocal8Bit(argv[2])) && saved;
    if (!saved) {
        std::fprintf(stderr, "cannot write the pictures\n");
    }
    return saved ? 0 : 1;
}
