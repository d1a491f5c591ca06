// Makes the README's pictures of the contest window during a contest and of its standings page.
// Run by hand on the offscreen platform:
//   QT_QPA_PLATFORM=offscreen kestrom_contest_window_shot docs/contest-window.png standings.pdf
// then pdftoppm -png -r 60 -singlefile standings.pdf docs/standings-page
// (each one line)

#include "window_fixture.h"

#include "files/contest.h"
#include "ui/contest_window.h"
#include "ui/standings_page.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>
#include <QTableWidget>

#include <cstdio>

namespace {

class NoDialogs : public kestrom::ui::ContestDialogs {
public:
    std::optional<kestrom::ui::ContestNaming> askNewContest(kestrom::Language) override {
        return std::nullopt;
    }
    std::vector<std::string> askFlightFiles(kestrom::Language,
                                            const std::filesystem::path&) override {
        return {};
    }
    void showText(const QString&, const QString&) override {}
};

std::vector<std::uint8_t> flight(unsigned i, double glideSeconds) {
    return kestrom::generateFlight({.seed = i + 1,
                                    .rateCode = i % 3 + 1,
                                    .competitor = static_cast<std::uint16_t>(3 + (i * 5) % 7),
                                    .serial = static_cast<std::uint16_t>(1001 + i),
                                    .climbSeconds = 6.0 + i % 4,
                                    .glideSeconds = glideSeconds});
}

// Lets the window's events run until done() or the limit.
template <typename Done> bool waitUntil(Done done, int limitMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s WINDOW.png STANDINGS.pdf\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    kestrom::test::WindowRun run;
    const std::filesystem::path archive = run.dir.filePath(QStringLiteral("archive")).toStdString();
    (void)kestrom::newContest(archive, "Spring cup", "2026-04-01");
    // Earlier rounds: six flights already in the contest.
    kestrom::Result<kestrom::Contest> contest = kestrom::openContest(archive);
    for (unsigned i = 0; i < 6; ++i) {
        const auto stored = kestrom::archiveFlight(
            archive, kestrom::FlightImage(flight(i, 40.0 + 7.0 * i)),
            std::chrono::system_clock::now() - std::chrono::minutes(90 - 10 * i));
        (void)kestrom::addContestFlight(*contest.value, *stored.value);
    }

    kestrom::SimulatedBus bus(kestrom::SimulatedTiming{true, 11'520, 64});
    NoDialogs dialogs;
    kestrom::ui::ContestWindowSetup setup;
    setup.bus = &bus;
    setup.prompts = &run.prompts;
    setup.dialogs = &dialogs;
    setup.archive = archive;
    setup.listingPeriod = std::chrono::milliseconds(50);
    kestrom::ui::ContestWindow window(setup);
    window.setLanguage(kestrom::kEnglish, kestrom::SamplingList::ActivatedEnglish);
    window.resize(980, 760);
    window.show();
    // This round: two recorders done, one pulled out half-way, one still downloading.
    bus.plugRecorder(flight(6, 20.0));
    bus.plugRecorder(flight(7, 25.0));
    const std::size_t pulled = bus.plugRecorder(flight(8, 30.0));
    bus.unplugAfterBytes(pulled, 300);
    const auto rows = [&window] { return window.recordersTable()->rowCount(); };
    const auto stateText = [&window](int row) {
        const QTableWidgetItem* item =
            window.recordersTable()->item(row, kestrom::ui::ContestWindow::State);
        return item != nullptr ? item->text() : QString();
    };
    const auto settled = [&] {
        int finished = 0;
        for (int row = 0; row < rows(); ++row) {
            finished += stateText(row).startsWith(QStringLiteral("done")) ||
                        stateText(row).startsWith(QStringLiteral("failed"));
        }
        return finished == 3;
    };
    if (!waitUntil(settled, 30'000)) {
        std::fprintf(stderr, "the recorders did not finish\n");
        return 1;
    }
    bus.plugRecorder(flight(9, 900.0));
    if (!waitUntil([&] { return rows() == 4 && stateText(3).contains(QStringLiteral("4")); },
                   30'000)) {
        std::fprintf(stderr, "the fourth recorder did not start\n");
        return 1;
    }
    QApplication::processEvents();
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    window.close();

    const kestrom::StandingsInput input =
        kestrom::readStandingsFlights(window.contest()->flights, std::nullopt);
    const QByteArray pdf =
        kestrom::ui::standingsPdf(QStringLiteral("Spring cup  2026-04-01"),
                                  kestrom::rankStandings(input.flights), kestrom::kEnglish);
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (pdf.isEmpty() || !out.open(QIODevice::WriteOnly) || out.write(pdf) != pdf.size()) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
