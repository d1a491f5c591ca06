// kestrom-cli json, csv, summary and gen.

#include "cli/analysis_json.h"
#include "cli/commands.h"
#include "cli/flight_json.h"
#include "cli/io.h"
#include "files/measurement_file.h"
#include "files/text_export.h"
#include "flight/flight_header.h"
#include "flight/generator.h"
#include "flight/number_format.h"
#include "settings/settings_texts.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrom::cli {
namespace {

// Loads a flight, then applies a temperature entry (whole degrees) as the window does: the
// flight is evaluated again with it when it can be evaluated at all.
FlightRecord loadOrFail(const std::string& path, std::optional<int> tempC, bool accelView) {
    Result<FlightRecord> loaded = loadFlightRecord(path, accelView);
    if (!loaded) {
        fail(loaded.status.error);
    }
    FlightRecord record = std::move(*loaded.value);
    warnIfNoFlight(path, record.image);
    if (tempC) {
        setGroundTemperature(record, *tempC);
        evaluateRecord(record, accelView);
    }
    return record;
}

void addJson(CLI::App& app) {
    struct Options {
        std::string file;
        std::optional<int> temp;
        bool noDhdt = false;
    };
    auto o = std::make_shared<Options>();
    CLI::App* cmd =
        app.add_subcommand("json", "Print a flight file's header and evaluation as JSON");
    cmd->add_option("FILE", o->file, "measurement file (- for standard input)")->required();
    cmd->add_option("--temp", o->temp,
                    "ground temperature in whole degrees C (-99 to 999), then evaluate again")
        ->transform(temperatureText());
    cmd->add_flag("--no-dhdt", o->noDhdt, "evaluate with the dh/dt view off");
    const auto analysis = addAnalysisJsonOptions(*cmd);
    cmd->callback([o, analysis] {
        if (analysis->asComparison) {
            const Result<nlohmann::ordered_json> compare =
                comparisonJson(o->file, o->temp, *analysis);
            if (!compare) {
                fail(compare.status.error);
            }
            writeOutput(compare.value->dump() + "\n", "");
            return;
        }
        const bool accelView = !o->noDhdt;
        const FlightRecord record = loadOrFail(o->file, o->temp, accelView);
        nlohmann::ordered_json json = flightJson(record, accelView);
        addRecorderFilterJson(json, record, *analysis);
        writeOutput(json.dump() + "\n", "");
    });
}

void addCsv(CLI::App& app) {
    struct Options {
        std::string file;
        std::string out;
        char decimal = '.';
        std::optional<int> temp;
    };
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand("csv", "Write the text export of a flight file");
    cmd->add_option("FILE", o->file, "measurement file (- for standard input)")->required();
    cmd->add_option("-o,--output", o->out, "output file (standard output when absent or -)");
    cmd->add_option("--decimal", o->decimal, "decimal separator: . or ,")
        ->check(decimalSeparatorText());
    cmd->add_option("--temp", o->temp,
                    "ground temperature in whole degrees C (-99 to 999), then evaluate again")
        ->transform(temperatureText());
    cmd->callback([o] {
        refuseOutputOverInput(o->out, o->file);
        const FlightRecord record = loadOrFail(o->file, o->temp, true);
        if (!record.evaluated) {
            fail(o->file + ": No data");
        }
        const Result<std::string> text = textExportBytes(
            record.evaluation.altitudeCm, record.evaluation.lastPointIndex, o->decimal);
        if (!text) {
            fail(o->file + ": " + text.status.error);
        }
        writeOutput(*text.value, o->out);
    });
}

void addSummary(CLI::App& app) {
    auto files = std::make_shared<std::vector<std::string>>();
    CLI::App* cmd = app.add_subcommand("summary", "One line per flight file: who, rate, extremes");
    cmd->add_option("FILE", *files, "measurement files (- for standard input)")->required();
    cmd->callback([files] {
        std::vector<std::array<std::string, 7>> rows;
        bool anyFailed = false;
        for (const std::string& path : *files) {
            Result<FlightRecord> loaded = loadFlightRecord(path, true);
            if (!loaded) {
                std::cerr << "kestrom-cli: " << loaded.status.error << '\n';
                anyFailed = true;
                continue;
            }
            const FlightRecord& r = *loaded.value;
            warnIfNoFlight(path, r.image);
            const std::string_view sampling =
                samplingText(r.header.rateCode, SamplingList::ActivatedEnglish);
            rows.push_back({std::filesystem::path(path).filename().string(),
                            r.header.competitorText, r.header.serialText,
                            sampling.empty() ? "-" : std::string(sampling), r.groundTempText,
                            r.evaluated ? formatOneDecimal(r.evaluation.maxAltitude) : "-",
                            r.evaluated ? formatOneDecimal(r.evaluation.minAltitude) : "-"});
        }
        std::array<std::size_t, 7> width{};
        for (const auto& row : rows) {
            for (std::size_t c = 0; c < row.size(); ++c) {
                width[c] = std::max(width[c], row[c].size());
            }
        }
        std::string out;
        for (const auto& row : rows) {
            std::string line;
            for (std::size_t c = 0; c < row.size(); ++c) {
                // The name reads left-aligned, the values right-aligned.
                const std::string pad(width[c] - row[c].size(), ' ');
                line += c == 0 ? row[c] + pad : pad + row[c];
                line += c + 1 < row.size() ? "  " : "";
            }
            out += line + '\n';
        }
        writeOutput(out, "");
        if (anyFailed) {
            throw CLI::RuntimeError(kFailureExit);
        }
    });
}

void addGen(CLI::App& app) {
    struct Options {
        std::string out;
        GeneratorOptions gen;
        bool noEndMarker = false;
    };
    auto o = std::make_shared<Options>();
    GeneratorOptions& g = o->gen;
    CLI::App* cmd = app.add_subcommand("gen", "Write a generated flight image");
    cmd->add_option("OUT", o->out, "measurement file to write (- for standard output)")->required();
    // Every value checked as typed: CLI11 alone would take "0x10", "nan" or "inf", and a value
    // outside what a flight can hold would make a file no reader takes.
    const auto whole = [](double min, double max) { return numberIn(min, max, true); };
    const auto number = [](double min, double max) { return numberIn(min, max, false); };
    constexpr double kMaxSeconds = 86400;
    cmd->add_option("--seed", g.seed, "random seed")
        ->check(whole(0, 4294967295.0))
        ->capture_default_str();
    cmd->add_option("--rate", g.rateCode, "sampling-rate code 0..15 (0..5 have a rate)")
        ->check(whole(0, 15))
        ->capture_default_str();
    cmd->add_option("--spikes", g.spikes, "single-sample pressure spikes")
        ->check(whole(0, kMaxGeneratedSamples))
        ->capture_default_str();
    cmd->add_option("--competitor", g.competitor, "competitor number")
        ->check(whole(0, 65535))
        ->capture_default_str();
    cmd->add_option("--serial", g.serial, "recorder serial number")
        ->check(whole(0, 65535))
        ->capture_default_str();
    cmd->add_option("--device-factor", g.deviceFactor, "stored device value")
        ->check(whole(0, 65535))
        ->capture_default_str();
    // The sensor's working range: -40 to 85 C, 300 to 1100 hPa.
    cmd->add_option("--temp", g.groundTempC, "ground air temperature, C (-40 to 85)")
        ->check(number(-40, 85))
        ->capture_default_str();
    cmd->add_option("--pressure", g.groundPressurePa, "ground pressure, Pa (30000 to 110000)")
        ->check(number(30000, 110000))
        ->capture_default_str();
    cmd->add_option("--ground", g.groundSeconds, "seconds on the ground before the launch")
        ->check(number(0, kMaxSeconds))
        ->capture_default_str();
    cmd->add_option("--climb", g.climbSeconds, "climb duration, s")
        ->check(number(0, kMaxSeconds))
        ->capture_default_str();
    cmd->add_option("--climb-rate", g.climbRateMps, "climb rate, m/s")
        ->check(number(0, 100))
        ->capture_default_str();
    cmd->add_option("--glide", g.glideSeconds, "glide duration, s")
        ->check(number(0, kMaxSeconds))
        ->capture_default_str();
    cmd->add_option("--sink", g.glideSinkMps, "sink rate in the glide, m/s")
        ->check(number(0, 100))
        ->capture_default_str();
    cmd->add_option("--landed", g.landedSeconds, "seconds on the ground after the landing")
        ->check(number(0, kMaxSeconds))
        ->capture_default_str();
    cmd->add_option("--noise", g.noiseCounts, "raw pressure noise, +- counts")
        ->check(number(0, 1000))
        ->capture_default_str();
    cmd->add_option("--samples", g.maxSamples, "cut the flight to this many samples (0: no cut)")
        ->check(whole(0, kMaxGeneratedSamples))
        ->capture_default_str();
    cmd->add_option("--trailing", g.trailingBytes,
                    "bytes after the end marker (cut so that the file stays within 90,000 bytes)")
        ->check(whole(0, kMaxGeneratedBytes))
        ->capture_default_str();
    cmd->add_flag("--no-end-marker", o->noEndMarker, "leave out the end-marker sample");
    cmd->callback([o] {
        GeneratorOptions options = o->gen;
        options.endMarker = !o->noEndMarker;
        const std::vector<std::uint8_t> bytes = generateFlight(options);
        writeOutput(bytes, o->out);
    });
}

} // namespace

void addFlightCommands(CLI::App& app) {
    addJson(app);
    addCsv(app);
    addSummary(app);
    addGen(app);
}

} // namespace kestrom::cli
