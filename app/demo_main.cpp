// kestrom-demo: the same program with one simulated recorder holding a generated flight; with
// --contest FILE..., a contest instead: one simulated recorder per file plugged in a few seconds
// apart, downloaded by the contest window.

#include "app/program.h"
#include "device/simulated_bus.h"
#include "files/contest.h"
#include "files/flight_archive.h"
#include "files/measurement_file.h"
#include "flight/generator.h"
#include "ui/contest_menu.h"

#include <QDate>
#include <QTimer>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kPlugEveryMs = 3000;

// Plugs the recorders in one by one and opens the contest window; with no contest open, one is
// opened for the demo so that its flights and standings fill.
void playContest(kestrom::SimulatedBus& bus, std::vector<std::vector<std::uint8_t>> flights,
                 kestrom::ui::ContestMenu& contest) {
    const std::filesystem::path archive = kestrom::archiveFolder();
    if (!kestrom::openContest(archive)) {
        const kestrom::Result<kestrom::Contest> made = kestrom::newContest(
            archive, "Demo contest", QDate::currentDate().toString(Qt::ISODate).toStdString());
        if (!made) {
            std::cerr << "kestrom-demo: " << made.status.error << '\n';
        }
    }
    contest.showContestWindow();
    auto queue = std::make_shared<std::vector<std::vector<std::uint8_t>>>(std::move(flights));
    auto* timer = new QTimer(&contest);
    auto next = std::make_shared<std::size_t>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [&bus, queue, next, timer] {
        if (*next >= queue->size()) {
            timer->stop();
            return;
        }
        bus.plugRecorder((*queue)[(*next)++]);
    });
    timer->start(kPlugEveryMs);
}

} // namespace

int main(int argc, char** argv) {
    // kestrom-demo --contest FILE...: every argument after --contest is a flight.
    std::vector<char*> arguments(argv, argv + argc);
    std::vector<std::vector<std::uint8_t>> contestFlights;
    bool contest = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (std::strcmp(arguments[i], "--contest") != 0) {
            continue;
        }
        contest = true;
        for (std::size_t j = i + 1; j < arguments.size(); ++j) {
            const kestrom::Result<kestrom::FlightImage> image =
                kestrom::readMeasurementFile(arguments[j]);
            if (!image) {
                std::cerr << "kestrom-demo: " << image.status.error << '\n';
                return 2;
            }
            contestFlights.push_back(image.value->bytes());
        }
        arguments.resize(i);
        break;
    }
    if (contest && contestFlights.empty()) {
        std::cerr << "kestrom-demo: --contest needs at least one measurement file\n";
        return 2;
    }
    arguments.push_back(nullptr);

    kestrom::SimulatedTiming timing;
    timing.realTime = true;
    if (contest) {
        // A real recorder's pace, so the downloads overlap and their progress can be watched.
        timing.bytesPerSecond = 11520;
        kestrom::SimulatedBus bus(timing);
        return kestrom::app::runProgram(
            static_cast<int>(arguments.size()) - 1, arguments.data(), bus,
            [&bus, &contestFlights](kestrom::ui::TKestrom_BMP&, kestrom::ui::ContestMenu& menu) {
                playContest(bus, std::move(contestFlights), menu);
            });
    }
    // Paced like a real recorder, so the progress field can be watched.
    timing.bytesPerSecond = 40000;
    kestrom::SimulatedBus bus(timing);
    kestrom::SimulatedRecorder& recorder = bus.addRecorder();
    kestrom::GeneratorOptions flight;
    flight.rateCode = 2;
    flight.glideSeconds = 90.0;
    // The recorder reports the competitor, serial number and rate of the flight it holds.
    recorder.holdFlight(kestrom::generateFlight(flight));
    return kestrom::app::runProgram(argc, argv, bus);
}
