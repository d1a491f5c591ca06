// kestrom-cli table.

#include "cli/table_command.h"

#include "analysis/filter_plot.h"
#include "cli/commands.h"
#include "cli/filter_options.h"
#include "cli/flight_json.h"
#include "cli/io.h"
#include "files/flight_table.h"
#include "files/measurement_file.h"

#include <memory>
#include <string>
#include <vector>

namespace kestrom::cli {

void addTableCommand(CLI::App& app) {
    struct Options : FilterOptions {
        std::string file;
        std::string out;
    };
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand(
        "table", "Write a flight as a comma-separated table: time, altitude, vertical speed");
    cmd->add_option("FILE", o->file, "measurement file (- for standard input)")->required();
    cmd->add_option("-o,--output", o->out, "output file (standard output when absent or -)");
    addFilterOptions(*cmd, *o, "add the filtered altitude as the Filter button computes it");
    cmd->callback([o] {
        refuseOutputOverInput(o->out, o->file);
        const Result<FlightRecord> loaded = loadFlightRecord(o->file, true);
        if (!loaded) {
            fail(loaded.status.error);
        }
        const FlightRecord& record = *loaded.value;
        warnIfNoFlight(o->file, record.image);
        std::optional<FilterPlot> plot;
        if (o->filter) {
            plot = filterRecorderFlight(record, o->params());
        }
        std::optional<std::span<const std::int32_t>> filtered;
        if (o->filter) {
            // A flight too short for the filter keeps the column, empty.
            filtered = plot ? std::span<const std::int32_t>(plot->filteredCm)
                            : std::span<const std::int32_t>();
        }
        const Result<std::string> table =
            record.evaluated ? flightTableCsv(record.evaluation, record.rateTimes10, filtered)
                             : Result<std::string>::failure(ErrorKind::NoData, "");
        if (!table) {
            fail(o->file + ": No data");
        }
        writeOutput(*table.value, o->out);
    });
}

} // namespace kestrom::cli
