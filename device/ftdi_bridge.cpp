#include "device/ftdi_bridge.h"

#include <algorithm>

namespace kestrom {

std::size_t readWithDeadline(FtdiPort& port, std::span<std::uint8_t> bytes,
                             std::chrono::milliseconds timeout, const SteadyNow& now) {
    const auto deadline = now() + timeout;
    std::size_t got = 0;
    while (got < bytes.size()) {
        const int result = port.readData(bytes.subspan(got));
        if (result > 0) {
            got += std::min(static_cast<std::size_t>(result), bytes.size() - got);
        } else if (result != 0 && result != kUsbTimeoutCode) {
            break; // the device failed or went away: keep what came before
        }
        if (got == bytes.size() || now() >= deadline) {
            break;
        }
    }
    return got;
}

FtdiBridge::FtdiBridge(std::unique_ptr<FtdiPort> port, SteadyNow now)
    : port_(std::move(port)),
      now_(now ? std::move(now) : SteadyNow([] { return std::chrono::steady_clock::now(); })) {}

bool FtdiBridge::setTimeouts(int readTimeoutMs, int writeTimeoutMs) {
    if (readTimeoutMs < 0 || writeTimeoutMs < 0) {
        return false;
    }
    readTimeout_ = std::chrono::milliseconds(readTimeoutMs);
    // Each USB transfer may take the whole read time-out at most, so a dead chip overshoots the
    // deadline by no more than that; a live one answers every latency period.
    port_->setUsbTimeouts(std::max(readTimeoutMs, 1), std::max(writeTimeoutMs, 1));
    return true;
}

bool FtdiBridge::purge() { return port_->purgeBoth() >= 0; }

bool FtdiBridge::write(std::span<const std::uint8_t> bytes) { return port_->writeData(bytes) >= 0; }

std::size_t FtdiBridge::read(std::span<std::uint8_t> bytes) {
    return readWithDeadline(*port_, bytes, readTimeout_, now_);
}

} // namespace kestrom
