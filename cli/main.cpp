// kestrom-cli: the command-line companion for batch work at a contest and for checking the core
// without a window.

#include "cli/archive_commands.h"
#include "cli/commands.h"
#include "cli/device_commands.h"
#ifdef KESTROM_HAS_REPORT
#include "cli/report_command.h"
#endif
#include "cli/table_command.h"

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
#endif
    try {
        app.parse(argc, argv);
    } catch (const CLI::RuntimeError& e) {
        return e.get_exit_code();
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        // Usage errors share the failure status; help and version keep 0.
        return code == 0 ? 0 : kestrom::cli::kFailureExit;
    }
    return 0;
}
