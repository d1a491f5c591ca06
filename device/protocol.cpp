#include "device/protocol.h"

namespace kestrom {

StatusBlock parseStatusBlock(std::span<const std::uint8_t, kInfoReplyBytes> reply) {
    StatusBlock block;
    block.competitorNumber = readU16le(reply, 0);
    block.serialNumber = readU16le(reply, 2);
    block.temperatureC = static_cast<std::int8_t>(reply[4]);
    block.triggerQuarterMetres = readU16le(reply, 5);
    block.statusByte = reply[7];
    return block;
}

DeviceInfo parseDeviceInfo(std::span<const std::uint8_t, kInfoReplyBytes> reply) {
    DeviceInfo info;
    info.deviceFactor = readU16le(reply, 2);
    info.expectedBlocks = readU16le(reply, 4);
    info.versionMinor = reply[4];
    info.versionYear = reply[5];
    return info;
}

std::int32_t clampDeviceFactor(std::int32_t value) {
    if (value < kMinDeviceFactor || value > kMaxDeviceFactor) {
        return kDefaultDeviceFactor;
    }
    return value;
}

int shownTemperature(std::int8_t temperatureC) {
    int shown = temperatureC;
    if (shown > 0) {
        // Truncation toward zero of the product, as the recorder's readings are shown.
        shown = static_cast<int>(static_cast<double>(shown) * 0.82);
    }
    return shown;
}

std::optional<std::string> versionText(std::uint8_t minor, std::uint8_t year) {
    if (minor == 255) {
        return std::string("V 2013.12");
    }
    if (minor < 13 && year >= 16 && year <= 29) {
        return "V " + std::to_string(2000 + year) + "." + std::to_string(minor);
    }
    return std::nullopt;
}

bool streamEndSeen(std::span<const std::uint8_t> received) {
    const std::size_t n = received.size();
    if (n < kFlightHeaderBytes) {
        return false;
    }
    // Six pairs counted back from the end: (n-2, n-1) ... (n-12, n-11).
    for (std::size_t back = 2; back <= 12; back += 2) {
        if (received[n - back] == 0xFF && received[n - back + 1] == 0xFF) {
            return true;
        }
    }
    return false;
}

std::string progressText(std::uint32_t receivedBytes, std::uint32_t expectedBytes) {
    if (expectedBytes == 0) {
        return "   -- %";
    }
    // The per-cent figure in 32-bit unsigned arithmetic, as the display always showed it.
    const std::uint32_t percent = receivedBytes * 100u / expectedBytes;
    return "   " + std::to_string(percent) + " %";
}

} // namespace kestrom
