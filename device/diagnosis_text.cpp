#include "device/diagnosis_text.h"

#include <array>
#include <cstdio>
#include <sstream>

namespace kestrom {

std::string BridgeReport::place() const {
    std::string text = std::to_string(busNumber);
    for (std::size_t i = 0; i < portPath.size(); ++i) {
        // Appended piece by piece: g++ 12 at -O3 warns falsely about a literal + string.
        text += i == 0 ? '-' : '.';
        text += std::to_string(portPath[i]);
    }
    return text;
}

std::string BridgeReport::node() const {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "/dev/bus/usb/%03d/%03d", busNumber, address);
    return text.data();
}

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

std::string diagnosisText(const UsbDiagnosis& diagnosis) {
    std::ostringstream out;
    if (!diagnosis.listed) {
        out << "The USB devices could not be listed (" << diagnosis.listError << ").\n";
        return out.str();
    }
    out << "FT201X bridges (USB 0403:6015): " << diagnosis.bridges.size() << '\n';
    for (const BridgeReport& bridge : diagnosis.bridges) {
        reportBridge(bridge, diagnosis.udevRule.has_value(), out);
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
    out << (recorderAnswered(diagnosis) ? "A recorder answered: Kestrom will find it.\n"
                                        : "No recorder answered.\n");
    return out.str();
}

bool recorderAnswered(const UsbDiagnosis& diagnosis) {
    for (const BridgeReport& bridge : diagnosis.bridges) {
        if (bridge.answered) {
            return true;
        }
    }
    return false;
}

} // namespace kestrom
