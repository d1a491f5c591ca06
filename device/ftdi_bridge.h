#pragma once
// The bridge over libftdi1, written against a thin port interface (one method per libftdi call it
// uses) so that the read loop can be tried without hardware. Only ftdi_bus.cpp knows <ftdi.h>.

#include "device/bridge.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace kestrom {

// libusb's code for a transfer that timed out: for a read it only means nothing came yet.
inline constexpr int kUsbTimeoutCode = -7;
// The chip's latency timer: how often it sends a (possibly empty) packet, in milliseconds.
inline constexpr std::uint8_t kLatencyTimerMs = 2;

// The libftdi calls on one open device.
class FtdiPort {
public:
    virtual ~FtdiPort() = default;
    // ftdi_read_data: bytes placed in `bytes`, 0 when nothing has arrived, negative on error.
    virtual int readData(std::span<std::uint8_t> bytes) = 0;
    // ftdi_write_data: bytes written or negative on error.
    virtual int writeData(std::span<const std::uint8_t> bytes) = 0;
    // ftdi_tcioflush: both directions; negative on error.
    virtual int purgeBoth() = 0;
    // The context's USB read and write time-outs in milliseconds.
    virtual void setUsbTimeouts(int readTimeoutMs, int writeTimeoutMs) = 0;
};

using SteadyNow = std::function<std::chrono::steady_clock::time_point()>;

// Reads until bytes.size() bytes have arrived or `timeout` has run out on the steady clock `now`;
// returns the count placed in `bytes`. Nothing yet (0 or a USB time-out) keeps waiting; another
// error ends the read with the bytes already received.
std::size_t readWithDeadline(FtdiPort& port, std::span<std::uint8_t> bytes,
                             std::chrono::milliseconds timeout, const SteadyNow& now);

// A BridgeDevice over an FtdiPort; destroying it closes the port.
class FtdiBridge : public BridgeDevice {
public:
    explicit FtdiBridge(std::unique_ptr<FtdiPort> port, SteadyNow now = nullptr);

    bool setTimeouts(int readTimeoutMs, int writeTimeoutMs) override;
    bool purge() override;
    bool write(std::span<const std::uint8_t> bytes) override;
    std::size_t read(std::span<std::uint8_t> bytes) override;

private:
    std::unique_ptr<FtdiPort> port_;
    SteadyNow now_;
    std::chrono::milliseconds readTimeout_{0};
};

} // namespace kestrom
