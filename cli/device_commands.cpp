// kestrom-cli download, zero and settings.

#include "cli/device_commands.h"

#include "cli/archive_commands.h"
#include "cli/commands.h"
#include "cli/io.h"
#include "core/prompts.h"
#include "core/texts.h"
#include "device/actions.h"
#include "device/simulated_bus.h"
#include "files/measurement_file.h"
#include "files/whole_file.h"
#include "flight/flight_header.h"
#include "flight/flight_record.h"
#include "flight/generator.h"
#include "flight/number_format.h"
#include "settings/settings_texts.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kestrom::cli {
namespace {

// Message boxes as lines on stderr, in English. A question is answered by --yes, or by the user
// on a terminal; anything else counts as Cancel.
class ConsolePrompts : public Prompts {
public:
    explicit ConsolePrompts(bool assumeYes) : assumeYes_(assumeYes) {}

    Answer showMessage(Message text, Message caption, Buttons buttons) override {
        std::cerr << messageText(caption, kEnglish) << ": " << messageText(text, kEnglish);
        if (buttons == Buttons::Ok) {
            std::cerr << '\n';
            return Answer::Ok;
        }
        if (assumeYes_) {
            std::cerr << " yes\n";
            return Answer::Ok;
        }
        if (isatty(STDIN_FILENO) == 0) {
            std::cerr << " (no terminal to answer; use --yes)\n";
            return Answer::Cancel;
        }
        std::cerr << " [y/N] " << std::flush;
        std::string line;
        std::getline(std::cin, line);
        return !line.empty() && (line[0] == 'y' || line[0] == 'Y') ? Answer::Ok : Answer::Cancel;
    }
    void showError(const std::string& text) override { std::cerr << text << '\n'; }
    std::optional<std::string> askFileName(FileDialog) override { return std::nullopt; }
    Language language() const override { return kEnglish; }

private:
    bool assumeYes_;
};

// The simulated recorder's flight, read as Load reads a file.
std::vector<std::uint8_t> readFlightFile(const std::string& path) {
    Result<FlightImage> image = readInput(path);
    if (!image) {
        fail(image.status.error);
    }
    return image.value->bytes();
}

// The bus the command talks to: real bridges, or one simulated recorder holding `flight`.
struct Connection {
    std::unique_ptr<DeviceBus> bus;
    SimulatedRecorder* recorder = nullptr;
    std::unique_ptr<DeviceLink> link;
};

Connection connectTo(bool simulate, const std::string& flightPath, std::uint32_t bytesPerSecond) {
    Connection c;
    if (simulate) {
        auto bus = std::make_unique<SimulatedBus>(SimulatedTiming{true, bytesPerSecond, 64});
        c.recorder = &bus->addRecorder();
        // The recorder reports the competitor, serial number, rate and device value its flight
        // was stored with.
        c.recorder->holdFlight(flightPath.empty() ? generateFlight(GeneratorOptions{})
                                                  : readFlightFile(flightPath));
        c.bus = std::move(bus);
    } else {
        if (!hardwareBusAvailable()) {
            std::cerr << "kestrom-cli: built without libftdi1; only --simulate works\n";
        }
        c.bus = makeHardwareBus();
    }
    c.link = std::make_unique<DeviceLink>(*c.bus);
    return c;
}

// A bar on a terminal, nothing otherwise.
void drawProgress(std::uint32_t received, std::uint32_t expected) {
    if (isatty(STDERR_FILENO) == 0) {
        return;
    }
    constexpr int kWidth = 30;
    if (expected == 0) {
        std::fprintf(stderr, "\r%u bytes", received);
        return;
    }
    const auto percent = static_cast<unsigned>(
        std::min<std::uint64_t>(100, std::uint64_t{received} * 100 / expected));
    const int filled = static_cast<int>(percent) * kWidth / 100;
    std::fprintf(stderr, "\r[%s%s] %3u %% %u bytes", std::string(filled, '#').c_str(),
                 std::string(kWidth - filled, ' ').c_str(), percent, received);
}

} // namespace

std::string summaryLine(const std::string& path, const FlightRecord& r) {
    const std::string_view sampling =
        samplingText(r.header.rateCode, SamplingList::ActivatedEnglish);
    const std::vector<std::string> fields{
        std::filesystem::path(path).filename().string(),
        r.header.competitorText,
        r.header.serialText,
        sampling.empty() ? "-" : std::string(sampling),
        r.groundTempText,
        r.evaluated ? formatOneDecimal(r.evaluation.maxAltitude) : "-",
        r.evaluated ? formatOneDecimal(r.evaluation.minAltitude) : "-"};
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        line += (i == 0 ? "" : "  ") + fields[i];
    }
    return line;
}

namespace {

// "flight.kes" -> "flight_2.kes", "flight_3.kes", ...: a free name beside a file that is taken.
std::filesystem::path besideName(const std::filesystem::path& taken, int n) {
    return taken.parent_path() /
           (taken.stem().string() + "_" + std::to_string(n) + taken.extension().string());
}

// Writes the downloaded flight to out. Without force an existing file is never replaced, also
// one that appeared during the transfer: the command then fails, saying where the flight is
// kept (its archive copy, else a new file beside out).
void writeDownload(const std::vector<std::uint8_t>& image, const std::string& out, bool force,
                   const std::optional<std::filesystem::path>& archived) {
    const Status written = writeWholeFile(out, image, force ? Replace::Allowed : Replace::Never);
    if (written) {
        return;
    }
    if (written.kind != ErrorKind::Exists) {
        fail(written.error + (archived ? "; the flight is kept in " + archived->string() : ""));
    }
    const std::string clash = out + " appeared during the download and was not replaced";
    if (archived) {
        fail(clash + "; the flight is kept in " + archived->string());
    }
    constexpr int kMaxBesideNames = 999;
    for (int n = 2; n <= kMaxBesideNames; ++n) {
        const std::filesystem::path beside = besideName(out, n);
        const Status kept = writeWholeFile(beside, image, Replace::Never);
        if (kept) {
            fail(clash + "; the flight is kept in " + beside.string());
        }
        if (kept.kind != ErrorKind::Exists) {
            fail(clash + "; the flight could not be kept beside it: " + kept.error);
        }
    }
    fail(clash + "; no free name beside it to keep the flight");
}

void addDownload(CLI::App& app) {
    struct Options {
        std::string out;
        std::optional<std::string> simulate;
        bool force = false;
        bool noArchive = false;
        std::uint32_t byteRate = 0;
    };
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand("download", "Download the recorder's last flight");
    cmd->add_option("-o,--output", o->out, "measurement file to write (- for standard output)")
        ->required();
    cmd->add_option("--simulate", o->simulate,
                    "use a simulated recorder holding FLIGHT (a generated flight without it; - "
                    "for standard input)")
        ->expected(0, 1);
    cmd->add_flag("--force", o->force, "replace an existing file");
    cmd->add_flag("--no-archive", o->noArchive,
                  "do not keep a copy in the flight archive (as when the window's archive "
                  "item is off)");
    cmd->add_option("--byte-rate", o->byteRate,
                    "simulated recorder's bytes per second (0: as fast as possible)")
        ->capture_default_str();
    cmd->callback([o] {
        if (o->out.empty()) {
            fail("-o needs a file name (- for standard output)");
        }
        // The flight alone goes wherever standard output is; the summary line then goes beside
        // it on stderr, never into the flight.
        const bool toStdout = isStandardOutput(o->out);
        if (o->simulate) {
            refuseOutputOverInput(o->out, *o->simulate);
        }
        if (!toStdout) {
            // Before the transfer: a recorder is not read for a path that cannot be written.
            refuseUnwritableOutput(o->out);
            // Only a regular file is kept from being replaced; a FIFO or a device is written to.
            struct stat st {};
            if (!o->force && ::stat(o->out.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
                fail(o->out + " exists; use --force to replace it");
            }
        }
        Connection c = connectTo(o->simulate.has_value(), o->simulate.value_or(""), o->byteRate);
        ConsolePrompts prompts(false);
        DownloadView view;
        view.progressBytes = drawProgress;
        view.hideProgress = [] {
            if (isatty(STDERR_FILENO) != 0) {
                std::cerr << '\n';
            }
        };
        const auto start = std::chrono::steady_clock::now();
        auto transferStart = start;
        view.transferStarting = [&transferStart] {
            transferStart = std::chrono::steady_clock::now();
        };
        const DownloadResult result = downloadFlight(*c.link, prompts, view);
        const auto end = std::chrono::steady_clock::now();
        const std::chrono::duration<double> spent = end - start;
        const std::chrono::duration<double> transfer = end - transferStart;
        if (result.outcome != DownloadOutcome::Ok) {
            throw CLI::RuntimeError(kFailureExit); // the message is on stderr already
        }
        std::fprintf(stderr, "%u bytes in %.3f s (transfer %.3f s)%s\n", result.flightBytes,
                     spent.count(), transfer.count(), result.endSeen ? "" : ", no end marker");
        // Kept first, so a flight is not lost when the output file cannot be written.
        // The window's archive item, when off, holds here too.
        std::optional<std::filesystem::path> archived;
        if (!o->noArchive) {
            if (const std::optional<std::filesystem::path> off = archivingSwitchedOff()) {
                std::cerr << "not archived: archiving is switched off in " << off->string() << '\n';
            } else {
                archived = archiveDownload(FlightImage(result.image));
            }
        }
        if (toStdout) {
            writeOutput(result.image, kStandardStream);
        } else {
            writeDownload(result.image, o->out, o->force, archived);
        }
        FlightRecord record;
        record.flightBytes = result.flightBytes;
        setFlightImage(record, FlightImage(result.image));
        evaluateRecord(record, true);
        (toStdout ? std::cerr : std::cout) << summaryLine(o->out, record) << '\n';
    });
}

void addZero(CLI::App& app) {
    struct Options {
        bool yes = false;
        bool simulate = false;
    };
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand("zero", "Zero the recorder");
    cmd->add_flag("--yes", o->yes, "do not ask");
    cmd->add_flag("--simulate", o->simulate, "use a simulated recorder");
    cmd->callback([o] {
        Connection c = connectTo(o->simulate, "", 0);
        ConsolePrompts prompts(o->yes);
        switch (zeroRecorder(*c.link, prompts)) {
        case ZeroOutcome::Done:
            return;
        case ZeroOutcome::Cancelled:
            throw CLI::RuntimeError(1);
        default:
            throw CLI::RuntimeError(kFailureExit);
        }
    });
}

// "trigger=30,rate=2" into its pairs; numbers as the dialog converts them.
std::map<std::string, std::int32_t> parseSettings(const std::string& text) {
    static const std::vector<std::string> kKeys{"trigger", "competitor", "rate", "manual", "delay"};
    std::map<std::string, std::int32_t> values;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        const std::size_t end = std::min(text.find(',', begin), text.size());
        const std::string item = text.substr(begin, end - begin);
        const std::size_t eq = item.find('=');
        const std::string key = item.substr(0, eq);
        if (eq == std::string::npos || std::find(kKeys.begin(), kKeys.end(), key) == kKeys.end()) {
            fail("unknown setting '" + item + "' (trigger, competitor, rate, manual, delay)");
        }
        const std::string number = item.substr(eq + 1);
        try {
            std::size_t used = 0;
            const long long value = std::stoll(number, &used);
            if (used != number.size() || value < INT32_MIN || value > INT32_MAX) {
                throw std::invalid_argument(number);
            }
            values[key] = static_cast<std::int32_t>(value);
        } catch (const std::exception&) {
            fail("'" + number + "' is not a valid integer value");
        }
        begin = end + 1;
    }
    return values;
}

void printSettings(const DeviceSettingsReply& reply) {
    const StatusBlock& s = *reply.status;
    const std::string_view rate =
        samplingText(static_cast<unsigned>(s.rateCode()), SamplingList::ActivatedEnglish);
    std::cout << "trigger=" << s.triggerQuarterMetres / 4 << " m\n"
              << "temperature=" << shownTemperature(s.temperatureC) << " C\n"
              << "rate=" << s.rateCode() << " (" << (rate.empty() ? "-" : std::string(rate))
              << ")\n"
              << "manual=" << (*reply.manualZeroing ? 1 : 0) << '\n'
              << "competitor=" << s.competitorNumber << '\n'
              << "delay=" << *reply.delayHundredths / 100 << " s\n"
              << "serial=" << s.serialNumber << '\n'
              << "version="
              << versionText(reply.info->versionMinor, reply.info->versionYear).value_or("-")
              << '\n';
}

void addSettings(CLI::App& app) {
    struct Options {
        bool simulate = false;
        std::optional<std::string> set;
    };
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand("settings", "Read the recorder's settings, or change them");
    cmd->add_flag("--simulate", o->simulate, "use a simulated recorder");
    cmd->add_option("--set", o->set,
                    "trigger=M,competitor=N,rate=CODE,manual=0|1,delay=S (others kept)");
    cmd->callback([o] {
        const auto changes =
            o->set ? parseSettings(*o->set) : std::map<std::string, std::int32_t>{};
        Connection c = connectTo(o->simulate, "", 0);
        ConsolePrompts prompts(false);
        DeviceLink& link = *c.link;
        link.ConnectDevice(prompts);
        if (!link.connected()) {
            throw CLI::RuntimeError(kFailureExit);
        }
        const DeviceSettingsReply reply = ReadDeviceSettings(link);
        if (!reply.ok) {
            prompts.showMessage(Message::PortError, Message::ProblemCaption, Buttons::Ok);
            link.CloseDevice();
            throw CLI::RuntimeError(kFailureExit);
        }
        if (!o->set) {
            printSettings(reply);
            return;
        }
        // Start from what the recorder holds, as the dialog does, and change what was given.
        const StatusBlock& s = *reply.status;
        SettingsToWrite values{s.triggerQuarterMetres / 4, s.competitorNumber, s.rateCode(),
                               *reply.manualZeroing ? 1 : 0, *reply.delayHundredths / 100};
        const auto get = [&changes](const char* key, std::int32_t current) {
            const auto it = changes.find(key);
            return it == changes.end() ? current : it->second;
        };
        values.triggerMetres = get("trigger", values.triggerMetres);
        values.competitorNumber = get("competitor", values.competitorNumber);
        values.rateIndex = get("rate", values.rateIndex);
        values.manualZeroingIndex = get("manual", values.manualZeroingIndex);
        values.delaySeconds = get("delay", values.delaySeconds);
        // The lists offer six rates and two zeroing modes; anything else has no item to select.
        if (values.rateIndex > 5) {
            values.rateIndex = -1;
        }
        if (values.manualZeroingIndex > 1) {
            values.manualZeroingIndex = -1;
        }
        if (saveDeviceSettings(link, prompts, values) != SaveOutcome::Acknowledged) {
            throw CLI::RuntimeError(kFailureExit);
        }
    });
}

} // namespace

void addDeviceCommands(CLI::App& app) {
    addDownload(app);
    addZero(app);
    addSettings(app);
}

} // namespace kestrom::cli
