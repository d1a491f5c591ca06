// kestrom-cli devices.

#include "cli/devices_command.h"

#include "cli/commands.h"
#include "device/diagnosis_text.h"

#include <iostream>

namespace kestrom::cli {

int reportDiagnosis(const UsbDiagnosis& diagnosis, std::ostream& out) {
    out << diagnosisText(diagnosis);
    if (!diagnosis.listed) {
        return kFailureExit;
    }
    return recorderAnswered(diagnosis) ? kRecorderAnswered : kNoRecorderAnswered;
}

void addDevicesCommand(CLI::App& app) {
    CLI::App* cmd = app.add_subcommand(
        "devices", "List the FT201X bridges and say why a recorder is not found (exit 0 when a "
                   "recorder answered, 1 when none did)");
    cmd->callback([] {
        const int status = reportDiagnosis(diagnoseBridges(), std::cout);
        if (status != 0) {
            throw CLI::RuntimeError(status);
        }
    });
}

} // namespace kestrom::cli
