#include "cli/station_commands.h"

#include "cli/commands.h"
#include "cli/device_commands.h"
#include "cli/filter_options.h"
#include "cli/flight_json.h"
#include "cli/io.h"
#include "device/simulated_bus.h"
#include "device/station.h"
#include "files/contest.h"
#include "files/flight_archive.h"
#include "files/whole_file.h"

#include <atomic>
#include <condition_variable>
#include <csignal>
#include <iostream>
#include <mutex>

namespace kestrom::cli {
namespace {

namespace fs = std::filesystem;

// Ctrl-C presses since watch started: the first lets the transfers under way finish, the second
// cancels them.
volatile std::sig_atomic_t interrupts = 0;

extern "C" void onInterrupt(int) { interrupts = interrupts + 1; }

class InterruptHandler {
public:
    InterruptHandler() {
        interrupts = 0;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &old_);
    }
    ~InterruptHandler() { sigaction(SIGINT, &old_, nullptr); }
    InterruptHandler(const InterruptHandler&) = delete;
    InterruptHandler& operator=(const InterruptHandler&) = delete;

private:
    struct sigaction old_ {};
};

// What watch has seen: the final report of every recorder visit.
struct Tally {
    std::mutex mutex;
    std::condition_variable changed;
    int flights = 0;
    int failures = 0;
    std::map<int, bool> visits; // visit -> ended done
};

void addWatch(CLI::App& app) {
    struct Options {
        int count = 0;
        bool zeroAfter = false;
        std::vector<std::string> simulate;
        std::uint32_t byteRate = 0;
    };
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand(
        "watch", "Download every recorder as it is plugged in, several at once, into the archive "
                 "(and the open contest)");
    cmd->add_option("--count", o->count, "stop after this many flights")
        ->check(CLI::PositiveNumber);
    cmd->add_flag("--zero-after", o->zeroAfter,
                  "zero each recorder once its flight is archived and read back unchanged");
    cmd->add_option("--simulate", o->simulate,
                    "a simulated recorder holding FLIGHT, plugged in at the start (repeatable); "
                    "watching ends when all of them are done")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    cmd->add_option("--byte-rate", o->byteRate,
                    "simulated recorders' bytes per second (0: as fast as possible)")
        ->capture_default_str();
    cmd->callback([o] {
        std::unique_ptr<DeviceBus> bus;
        if (!o->simulate.empty()) {
            auto simulated = std::make_unique<SimulatedBus>(SimulatedTiming{true, o->byteRate, 64});
            for (const std::string& path : o->simulate) {
                Result<FlightImage> image = readInput(path);
                if (!image) {
                    fail(image.status.error);
                }
                simulated->plugRecorder(image.value->bytes());
            }
            bus = std::move(simulated);
        } else {
            bus = makeHardwareBus();
        }
        const fs::path archive = archiveFolder();
        Result<Contest> contest = openContest(archive);

        Tally tally;
        StationOptions options;
        options.archiveFolder = archive;
        options.zeroAfter = o->zeroAfter;
        Station station(*bus, options, [&](const RecorderReport& r) {
            if (!r.connected ||
                (r.stage != RecorderStage::Done && r.stage != RecorderStage::Failed)) {
                return;
            }
            const std::lock_guard lock(tally.mutex);
            if (r.stage == RecorderStage::Done) {
                ++tally.flights;
                const Result<FlightRecord> record = loadFlightRecord(r.archiveFile, true);
                std::cout << (record ? summaryLine(r.archiveFile.string(), *record.value)
                                     : r.archiveFile.filename().string())
                          << "  " << r.archiveFile.string() << std::endl;
                if (!r.reason.empty()) {
                    std::cerr << r.place.text() << ": " << r.reason << '\n';
                }
                if (contest) {
                    if (const Status added = addContestFlight(*contest.value, r.archiveFile);
                        !added) {
                        std::cerr << added.error << '\n';
                    }
                    writeContestStandings(*contest.value);
                }
            } else {
                ++tally.failures;
                std::cerr << r.place.text() << ": failed: " << r.reason << std::endl;
            }
            tally.visits[r.visit] = r.stage == RecorderStage::Done;
            tally.changed.notify_all();
        });
        const InterruptHandler interruptHandler;
        station.start();
        const std::size_t simulated = o->simulate.size();
        {
            std::unique_lock lock(tally.mutex);
            while (interrupts == 0) {
                if (o->count > 0 && tally.flights >= o->count) {
                    break;
                }
                if (simulated > 0 && tally.visits.size() >= simulated && station.running() == 0) {
                    break;
                }
                tally.changed.wait_for(lock, std::chrono::milliseconds(100));
            }
        }
        station.stopWatching();
        // Transfers under way finish; a second Ctrl-C cancels them.
        while (station.running() > 0) {
            if (interrupts > 1) {
                station.cancel();
            }
            std::unique_lock lock(tally.mutex);
            tally.changed.wait_for(lock, std::chrono::milliseconds(100));
        }
        station.waitIdle();
        const std::lock_guard lock(tally.mutex);
        std::cerr << tally.flights << " flight(s) downloaded, " << tally.failures << " failed\n";
        for (const auto& visit : tally.visits) {
            if (!visit.second) {
                throw CLI::RuntimeError(kFailureExit);
            }
        }
    });
}

void addStandings(CLI::App& app, const StandingsPdf& pdf) {
    struct Options : FilterOptions {
        std::vector<std::string> inputs;
        std::string out;
    };
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand(
        "standings", "Write the standings: one row per competitor ranked by best maximum");
    cmd->add_option("FILE", o->inputs,
                    "measurement files or folders of them (none: the open contest)");
    cmd->add_option("-o,--output", o->out,
                    "output file, CSV or a one-page PDF when it ends in .pdf (standard output "
                    "when absent or -)");
    addFilterOptions(*cmd, *o, "rank by the maxima of the filtered curves");
    cmd->callback([o, pdf] {
        std::vector<fs::path> paths(o->inputs.begin(), o->inputs.end());
        std::string title;
        if (paths.empty()) {
            const Result<Contest> contest = openContest(archiveFolder());
            if (!contest) {
                fail(contest.status.error);
            }
            paths = contest.value->flights;
            title = contest.value->name + "  " + contest.value->date;
        }
        for (const std::string& input : o->inputs) {
            refuseOutputOverInput(o->out, input);
        }
        const bool asPdf = o->out.size() > 4 && o->out.substr(o->out.size() - 4) == ".pdf";
        if (asPdf && !pdf) {
            fail("this build cannot draw PDF files");
        }
        refuseUnwritableOutput(o->out);
        std::optional<FilterParams> filter;
        if (o->filter) {
            filter = o->params();
        }
        const StandingsInput input = readStandingsFlights(paths, filter);
        const std::vector<StandingsRow> rows = rankStandings(input.flights);
        if (asPdf) {
            const std::string bytes = pdf(title, rows);
            if (bytes.empty()) {
                fail("Cannot write " + o->out);
            }
            writeOutput(bytes, o->out);
        } else {
            writeOutput(standingsCsv(rows), o->out);
        }
        for (const std::string& why : input.unreadable) {
            std::cerr << "kestrom-cli: left out " << why << '\n';
        }
        if (!input.unreadable.empty()) {
            throw CLI::RuntimeError(kFailureExit);
        }
    });
}

} // namespace

void addStationCommands(CLI::App& app, StandingsPdf pdf) {
    addWatch(app);
    addStandings(app, pdf);
}

void addStationCommandsWithoutPdf(CLI::App& app) { addStationCommands(app, nullptr); }

} // namespace kestrom::cli
