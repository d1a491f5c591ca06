#pragma once
// The recorder's 8-byte command frames and the payloads of its replies. Every 16-bit value on the
// wire is little-endian. Pure functions over bytes; no I/O.

#include "flight/flight_header.h"
#include "flight/flight_image.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kestrom {

// Byte 0 of every frame, the letter e.
inline constexpr std::uint8_t kFrameLead = 0x65;

// Command codes (frame byte 1); a command is named by its two characters.
namespace command {
inline constexpr std::uint8_t kHandshake = 0x54;       // eT
inline constexpr std::uint8_t kZero = 0x32;            // e223, bytes 2-3 = 0x32 0x33
inline constexpr std::uint8_t kStatus = 0x34;          // e4
inline constexpr std::uint8_t kDeviceInfo = 0x44;      // eD
inline constexpr std::uint8_t kTransfer = 0x31;        // e1
inline constexpr std::uint8_t kReadManualZero = 0x42;  // eB
inline constexpr std::uint8_t kReadDelay = 0x36;       // e6
inline constexpr std::uint8_t kWriteSettings = 0x35;   // e5
inline constexpr std::uint8_t kWriteManualZero = 0x43; // eC
inline constexpr std::uint8_t kWriteDelay = 0x37;      // e7
} // namespace command

// Parameters of the commands that carry any. Each writer sets only its own bytes of the frame:
// the others keep what an earlier command left there, and the recorder sees exactly those bytes.
// The actions write frames with these; the simulated recorder reads them back with the readers.
inline constexpr std::size_t kFrameBytes = 8;
using Frame = std::array<std::uint8_t, kFrameBytes>;

// e223: bytes 2-3 are the characters '2' and '3'; the recorder zeroes only with them.
void putZeroKey(Frame& frame);
bool zeroKeyPresent(const Frame& frame);

// e5: competitor in bytes 2-3, trigger level in quarter metres in bytes 5-6, rate code in byte 7.
struct SettingsParams {
    std::uint16_t competitorNumber = 0;
    std::uint16_t triggerQuarterMetres = 0;
    std::uint8_t rateCode = 0;
    bool operator==(const SettingsParams&) const = default;
};
void putSettings(Frame& frame, const SettingsParams& params);
SettingsParams settingsOf(const Frame& frame);
// The default setup's e5: competitor 0, trigger 120 (30 m), rate code 1, and byte 4 cleared.
void putDefaultSettings(Frame& frame);

// eC: the manual-zeroing item in byte 2.
void putManualZero(Frame& frame, std::uint8_t item);
std::uint8_t manualZeroOf(const Frame& frame);

// e7: the delay in hundredths of a second in bytes 2-3.
void putDelay(Frame& frame, std::uint16_t hundredths);
std::uint16_t delayOf(const Frame& frame);

inline constexpr std::uint8_t kAckByte = 0xA5;
inline constexpr std::uint16_t kZeroAck = 0xAAAA;
inline constexpr std::size_t kInfoReplyBytes = 8;

// Settings block of the status reply e4 (exactly 8 bytes).
struct StatusBlock {
    std::uint16_t competitorNumber = 0;
    std::uint16_t serialNumber = 0;
    std::int8_t temperatureC = 0;           // the recorder's own reading, whole degrees
    std::uint16_t triggerQuarterMetres = 0; // trigger level in quarter metres
    std::uint8_t statusByte = 0;            // bits 0-3 rate code, bit 7 new flight stored
    bool newFlight() const { return (statusByte & 0x80) != 0; }
    int rateCode() const { return statusByte & 0x0F; }
};
StatusBlock parseStatusBlock(std::span<const std::uint8_t, kInfoReplyBytes> reply);

// Device information reply eD (exactly 8 bytes).
struct DeviceInfo {
    std::uint16_t deviceFactor = 0;   // bytes 2-3 as sent, before the range rule
    std::uint16_t expectedBlocks = 0; // bytes 4-5 as one value: the download's block count
    std::uint8_t versionMinor = 0;    // byte 4
    std::uint8_t versionYear = 0;     // byte 5: year minus 2000
};
DeviceInfo parseDeviceInfo(std::span<const std::uint8_t, kInfoReplyBytes> reply);

// The recorder's temperature as the settings dialog shows it: a positive reading times 0.82,
// truncated toward zero; zero and negative readings unchanged.
int shownTemperature(std::int8_t temperatureC);

// The version text for the minor number and the year byte: "V 2013.12" for minor 255, "V 2018.3"
// for minor 3 and year 18 (minor below 13, year 16..29); std::nullopt leaves the field as it was.
std::optional<std::string> versionText(std::uint8_t minor, std::uint8_t year);

// True when the last up-to-twelve received bytes, taken as pairs counted back from the end, hold
// 0xFF 0xFF. Never true for fewer than 32 received bytes (the header alone).
bool streamEndSeen(std::span<const std::uint8_t> received);

// The progress text: three blanks, received * 100 / expected bytes, a blank and '%'. With no
// announced size (0 bytes) it shows no number: "   -- %".
std::string progressText(std::uint32_t receivedBytes, std::uint32_t expectedBytes);

} // namespace kestrom
