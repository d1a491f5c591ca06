#pragma once
// FT201X bridges on the kernel's USB device interface, emulated with umockdev: libusb and libftdi1
// see real device nodes under /dev/bus/usb, and every usbdevfs call on them reaches this emulator,
// which answers as the chip does (descriptors, vendor requests, URBs with the two modem-status
// bytes in front of every 64-byte packet) and hands the command frames to a SimulatedRecorder.
// A program using it must run under umockdev-wrapper.

#include "device/simulated_bus.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrom::test {

struct BridgeSetup {
    std::string description = "FT201X USB I2C"; // the product string
    std::string serial = "KS000001";
    std::uint16_t productId = 0x6015;
    bool recorder = true;               // false: a bridge with nothing behind it that answers
    std::string kernelDriver;           // a kernel driver bound to the interface, e.g. "ftdi_sio"
    bool claimedByAnother = false;      // another program holds the interface: claiming it is EBUSY
    std::uint32_t bytesPerSecond = 0;   // the recorder's pace (0: as fast as the bus takes it)
    std::vector<std::uint8_t> flight{}; // held by the recorder from the moment it is plugged in
};

class Ft201xEmulator {
public:
    Ft201xEmulator();
    ~Ft201xEmulator();
    Ft201xEmulator(const Ft201xEmulator&) = delete;
    Ft201xEmulator& operator=(const Ft201xEmulator&) = delete;

    // Plugs in a bridge on bus 1 at the next free port and returns its position (0, 1, ...).
    std::size_t plug(const BridgeSetup& setup = {});

    // The recorder behind the bridge at `position` (its state and fault switches). Change it only
    // while no action runs.
    SimulatedRecorder& recorder(std::size_t position);

    // Unplugs the bridge: every call on its node fails with ENODEV as the kernel's does once the
    // device has gone, and URBs in flight end as killed. It stays listed in /sys (opening it then
    // fails). plugBack() brings it back under the same node; handles from before stay dead.
    void unplug(std::size_t position);
    void plugBack(std::size_t position);

    // Pulls the bridge out as the kernel sees it: its node and /sys entry go and a removal
    // event is sent (hot-plug listeners hear it). attach() puts it back with an arrival event.
    void detach(std::size_t position);
    void attach(std::size_t position);

    // The bridge is pulled out once this many bytes of recorder data have gone to the host.
    void unplugAfterBytes(std::size_t position, std::size_t bytes);

    // The node's file mode: 0 makes opening it fail with EACCES for a process without the
    // capability to override file permissions.
    void setNodeMode(std::size_t position, unsigned mode);

    // The kernel driver bound to the bridge's interface now ("" when none).
    std::string kernelDriver(std::size_t position) const;

    // Data bytes handed to the host in bulk IN packets, modem-status bytes not counted.
    std::size_t bytesToHost(std::size_t position) const;

    // The emulated tree's root (for a test that writes files beside it).
    std::string rootDir() const;

    struct State;

private:
    std::unique_ptr<State> state_;
};

// Drops the calling thread's capabilities to override file permissions while it lives, so that a
// test run as root meets file modes as a user does. Nothing changes for an unprivileged user.
class WithoutPermissionOverride {
public:
    WithoutPermissionOverride();
    ~WithoutPermissionOverride();
    WithoutPermissionOverride(const WithoutPermissionOverride&) = delete;
    WithoutPermissionOverride& operator=(const WithoutPermissionOverride&) = delete;

private:
    bool dropped_ = false;
};

} // namespace kestrom::test
