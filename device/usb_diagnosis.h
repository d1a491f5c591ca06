#pragma once
// Why a recorder "is not found": every FT201X bridge (0403:6015) on the USB buses, whether it
// can be opened and why not, whether a kernel serial driver holds it, whether the udev rule is
// installed and whether a recorder answers the handshake behind it. For kestrom-cli devices.

#include "device/bridge.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrom {

inline constexpr std::uint16_t kBridgeVendorId = 0x0403;
inline constexpr std::uint16_t kBridgeProductId = 0x6015;

enum class BridgeAccess {
    Opened,       // opened and its interface could be claimed
    NoPermission, // the node may not be opened by this user
    Busy,         // another program has claimed the interface
    Gone,         // unplugged while it was looked at
    Failed,       // another error; see accessError
};

struct BridgeReport {
    int busNumber = 0;
    std::vector<std::uint8_t> portPath; // hub ports from the root, e.g. {2} or {1, 4}
    int address = 0;
    std::string description; // product string; empty when it could not be read
    std::string serial;
    BridgeAccess access = BridgeAccess::Failed;
    std::string accessError;          // libusb's name for the failure
    std::vector<std::string> holders; // "PID name" of processes holding the node open
    bool kernelDriverBound = false;   // a kernel driver held the interface before opening
    std::string kernelDriver;         // its name where the system tells it
    bool descriptionMatches = false;  // the program would try it (description holds "FT201X")
    bool handshakeTried = false;
    bool answered = false; // a recorder answered the handshake

    // "1-2" or "1-1.4": bus and ports as the kernel names the device.
    std::string place() const;
    // "/dev/bus/usb/001/002".
    std::string node() const;
};

struct UsbDiagnosis {
    bool listed = false;   // the USB buses could be listed at all
    std::string listError; // why not
    std::vector<BridgeReport> bridges;
    std::optional<std::string> udevRule; // the rule file found, if any
};

struct DiagnosisOptions {
    // Where the udev rule may be installed, looked at in this order.
    std::vector<std::string> ruleFiles{"/etc/udev/rules.d/70-kestrom-ft201x.rules",
                                       "/usr/lib/udev/rules.d/70-kestrom-ft201x.rules",
                                       "/lib/udev/rules.d/70-kestrom-ft201x.rules"};
    bool tryHandshake = true;
};

// Looks at every FT201X bridge. Opening a bridge for the handshake detaches a kernel serial
// driver from it, as the program does.
UsbDiagnosis diagnoseBridges(const DiagnosisOptions& options = {});

// Opens the FT201X bridge at this place through the libftdi1 bus (as the program does when it
// connects); nullptr when it cannot be opened or when this build has no libftdi1.
std::unique_ptr<BridgeDevice> openBridgeAt(int busNumber, std::span<const std::uint8_t> portPath);

} // namespace kestrom
