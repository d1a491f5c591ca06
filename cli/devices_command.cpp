// kestrom-cli devices.

#include "cli/devices_command.h"

#include "cli/commands.h"

#include <iostream>

namespace kestrom::cli {
namespace {

constexpr const char* kInstallRule =
    "      sudo cp packaging/70-kestrom-ft201x.rules /etc/udev/rules.d/\n"
    "      sudo udevadm control --reload && sudo udevadm trigger\n"
    "    then unplug and replug the recorder. (An installed package puts the rule in\n"
    "    /usr/lib/udev/rules.d/; then only the second command and the replugging are needed.)\n";

void reportBridge(const BridgeReport& b, bool ruleInstalled, std::ostream& out) {
    out << "Bridge on bus " << b.busNumber << " port " << b.place() << " (" << b.node() << ")\n"
        << "  description: "
        << (b.description.empty() ? "(not readable)" : "\"" + b.description + "\"") << '\n'
        << "  serial: " << (b.serial.empty() ? "(not readable)" : b.serial) << '\n';
    if (b.kernelDriverBound) {
        out << "  kernel serial driver: "
            << (b.kernelDriver.empty() ? "bound" : b.kernelDriver + " bound")
            << " (Kestrom detaches it when it opens the bridge; nothing to do)\n";
    } else if (b.access == BridgeAccess::Opened || b.access == BridgeAccess::Busy) {
        out << "  kernel serial driver: none bound\n";
    }
    switch (b.access) {
    case BridgeAccess::Opened:
        out << "  open: yes\n";
        break;
    case BridgeAccess::NoPermission:
        out << "  open: no, permission denied (" << b.accessError << ")\n"
            << "    This user may not open the bridge. "
            << (ruleInstalled ? "The udev rule is installed but has not taken effect: run\n"
                              : "Install the udev rule:\n")
            << kInstallRule;
        break;
    case BridgeAccess::Busy:
        out << "  open: no, busy: another program holds the bridge (" << b.accessError << ")\n";
        for (const std::string& holder : b.holders) {
            out << "    held by process " << holder << '\n';
        }
        out << "    Close the other program (a second Kestrom, a terminal or flashing tool), then "
               "try again.\n";
        break;
    case BridgeAccess::Gone:
        out << "  open: no, the bridge went away while it was looked at (unplugged?)\n";
        break;
    case BridgeAccess::Failed:
        out << "  open: no (" << b.accessError << ")\n"
            << "    Try another USB socket or cable; look at the end of 'sudo dmesg' for USB "
               "errors.\n";
        break;
    }
    if (!b.descriptionMatches && b.access == BridgeAccess::Opened) {
        out << "  recorder: not tried: its description does not hold \"FT201X\", so Kestrom "
               "does not take it for a recorder\n";
    } else if (b.handshakeTried) {
        out << "  recorder: "
            << (b.answered ? "answered the handshake"
                           : "no answer to the handshake (is the recorder switched on and its "
                             "battery charged? reconnect it and try again)")
            << '\n';
    }
}

} // namespace

int reportDiagnosis(const UsbDiagnosis& diagnosis, std::ostream& out) {
    if (!diagnosis.listed) {
        out << "The USB devices could not be listed (" << diagnosis.listError << ").\n";
        return kFailureExit;
    }
    out << "FT201X bridges (USB 0403:6015): " << diagnosis.bridges.size() << '\n';
    bool answered = false;
    for (const BridgeReport& bridge : diagnosis.bridges) {
        reportBridge(bridge, diagnosis.udevRule.has_value(), out);
        answered = answered || bridge.answered;
    }
    if (diagnosis.udevRule) {
        out << "udev rule: installed (" << *diagnosis.udevRule << ")\n";
    } else {
        out << "udev rule: not installed. Without it only root may open the recorder; install "
               "it with:\n"
            << kInstallRule;
    }
    if (diagnosis.bridges.empty()) {
        out << "No FT201X bridge is attached: check the cable and the USB socket (try another); "
               "'lsusb' should list 0403:6015 once the recorder is plugged in.\n";
    }
    out << (answered ? "A recorder answered: Kestrom will find it.\n" : "No recorder answered.\n");
    return answered ? kRecorderAnswered : kNoRecorderAnswered;
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
