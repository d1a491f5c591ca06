#pragma once
// The USB bridge seen as the few operations the recorder link needs: list the attached bridge
// devices with their descriptions, open one by its list index, set time-outs, purge, write, read
// and close. The libftdi1 bus talks to real hardware; the simulated bus hosts simulated recorders.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrom {

// One open bridge device. Destroying it closes the device.
class BridgeDevice {
public:
    virtual ~BridgeDevice() = default;

    // Sets the read and write time-outs in milliseconds. False when the driver refuses.
    virtual bool setTimeouts(int readTimeoutMs, int writeTimeoutMs) = 0;

    // Discards whatever waits in both directions. False when the driver refuses.
    virtual bool purge() = 0;

    // Writes the bytes; true when the driver accepted the write (the count is not promised).
    virtual bool write(std::span<const std::uint8_t> bytes) = 0;

    // Reads up to bytes.size() bytes: returns when that many have arrived or the read time-out has
    // run out, with the number of bytes placed at the start of `bytes`. A failed driver call counts
    // as nothing received; bytes that arrived before a failure are still returned.
    virtual std::size_t read(std::span<std::uint8_t> bytes) = 0;
};

// Where a bridge sits: bus number and hub ports from the root. The same socket gives the same place
// from one listing to the next, so a recorder is known by it while it stays plugged in.
struct BridgePlace {
    int busNumber = 0;
    std::vector<std::uint8_t> portPath;
    std::string description; // product string; not part of the place

    bool operator==(const BridgePlace& other) const {
        return busNumber == other.busNumber && portPath == other.portPath;
    }
    bool operator<(const BridgePlace& other) const {
        return busNumber != other.busNumber ? busNumber < other.busNumber
                                            : portPath < other.portPath;
    }
    // "1-2" or "1-1.4", as the kernel names the device.
    std::string text() const {
        std::string out = std::to_string(busNumber);
        for (std::size_t i = 0; i < portPath.size(); ++i) {
            out += (i == 0 ? "-" : ".") + std::to_string(portPath[i]);
        }
        return out;
    }
};

// The set of attached bridge devices. Owned by whoever creates the link (the main window, the
// command-line tool or a test) and must outlive every device it opened.
class DeviceBus {
public:
    virtual ~DeviceBus() = default;

    // Descriptions of the attached devices in a stable index order, at most maxDevices of them;
    // std::nullopt when the listing itself fails.
    virtual std::optional<std::vector<std::string>> listDescriptions(std::size_t maxDevices) = 0;

    // Opens the device at `index` of the last listing; nullptr when it cannot be opened (gone,
    // busy, no permission).
    virtual std::unique_ptr<BridgeDevice> open(std::size_t index) = 0;

    // The attached devices with their places, at most maxDevices; std::nullopt when the listing
    // fails or the bus cannot tell places. Safe to call from any thread.
    virtual std::optional<std::vector<BridgePlace>> listPlaces(std::size_t maxDevices) {
        (void)maxDevices;
        return std::nullopt;
    }

    // Opens the device at this place; nullptr when none is there or it cannot be opened. Safe to
    // call from any thread, several devices at once.
    virtual std::unique_ptr<BridgeDevice> openAt(const BridgePlace& place) {
        (void)place;
        return nullptr;
    }

    // Calls changed() (from a thread of the bus) whenever a device may have been plugged in or
    // pulled out, until stopWatching(). False when the platform cannot tell: list again instead.
    virtual bool watchPlugging(std::function<void()> changed) {
        (void)changed;
        return false;
    }
    virtual void stopWatching() {}
};

// The bus of real bridges through libftdi1. In a build without libftdi1 it is an empty bus, so
// every search ends in the not-found message.
std::unique_ptr<DeviceBus> makeHardwareBus();

// True when this build talks to real bridges.
bool hardwareBusAvailable();

} // namespace kestrom
