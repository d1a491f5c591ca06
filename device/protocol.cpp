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
    if (n < kHeaderBytes) {
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

void putZeroKey(Frame& frame) {
    frame[2] = 0x32;
    frame[3] = 0x33;
}

bool zeroKeyPresent(const Frame& frame) { return frame[2] == 0x32 && frame[3] == 0x33; }

void putSettings(Frame& frame, const SettingsParams& params) {
    writeU16le(frame, 2, params.competitorNumber);
    writeU16le(frame, 5, params.triggerQuarterMetres);
    frame[7] = params.rateCode;
}

SettingsParams settingsOf(const Frame& frame) {
    return {readU16le(frame, 2), readU16le(frame, 5), frame[7]};
}

void putDefaultSettings(Frame& frame) {
    putSettings(frame, {0, 120, 1});
    frame[4] = 0;
}

void putManualZero(Frame& frame, std::uint8_t item) { frame[2] = item; }

std::uint8_t manualZeroOf(const Frame& frame) { return frame[2]; }

void putDelay(Frame& frame, std::uint16_t hundredths) { writeU16le(frame, 2, hundredths); }

std::uint16_t delayOf(const Frame& frame) { return readU16le(frame, 2); }

} // namespace kestrom
