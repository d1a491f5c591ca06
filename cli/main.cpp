// kestrom-cli: the command-line companion for batch work at a contest and for checking the core
// without a window.

#include "cli/archive_commands.h"
#include "cli/commands.h"
#include "cli/device_commands.h"
#ifdef KESTROM_HAS_REPORT
#include "cli/report_command.h"
#endif
#include "cli/devices_command.h"
#include "cli/station_commands.h"
#include "cli/table_command.h"

#include <cstdio>
#include <iostream>

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
    int code = 0;
    try {
        app.parse(argc, argv);
    } catch (const CLI::RuntimeError& e) {
        code = e.get_exit_code();
    } catch (const CLI::ParseError& e) {
        // Usage errors share the failure status; help and version keep 0.
        code = app.exit(e) == 0 ? 0 : kestrom::cli::kFailureExit;
    }
    // Whatever a verb printed must have arrived: a full disk or a closed pipe is a failure too.
    std::cout.flush();
    const bool lost = !std::cout || std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
    if (lost && code == 0) {
        std::cerr << "kestrom-cli: cannot write to standard output\n";
        return kestrom::cli::kFailureExit;
    }
    return code;
}
