// kestrom-cli: the command-line companion for batch work at a contest and for checking the core
// without a window.

#include "cli/archive_commands.h"
#include "cli/commands.h"
#include "cli/device_commands.h"
#ifdef KESTROM_HAS_REPORT
#include "cli/report_command.h"
#endif
#include "cli/devices_command.h"
#include "cli/run.h"
#include "cli/station_commands.h"
#include "cli/table_command.h"

int main(int argc, char** argv) {
    CLI::App app{"Kestrom command-line companion: flight files, exports and generated flights"};
    app.require_subcommand(1);
    kestrom::cli::addFlightCommands(app);
    kestrom::cli::addDeviceCommands(app);
    kestrom::cli::addArchiveCommand(app);
    kestrom::cli::addTableCommand(app);
#ifdef KESTROM_HAS_REPORT
    kestrom::cli::addReportCommand(app);
    kestrom::cli::addStationCommands(app, kestrom::cli::standingsPdfMaker());
#else
    kestrom::cli::addStationCommands(app);
#endif
    kestrom::cli::addDevicesCommand(app);
    return kestrom::cli::runCommandLine(app, argc, argv);
}
