#pragma once
// kestrom-cli with the verbs that read and write flight files, the archive and the recorder, as
// the store tests run it.

#include "cli/archive_commands.h"
#include "cli/commands.h"
#include "cli/device_commands.h"
#include "cli/table_command.h"
#include "cli_runner.h"

#include <string>
#include <vector>

namespace kestrom::test {

inline CliRun runStoreCli(const std::vector<std::string>& args) {
    return runCliWith({cli::addFlightCommands, cli::addDeviceCommands, cli::addArchiveCommand,
                       cli::addTableCommand},
                      args);
}

} // namespace kestrom::test
