#pragma once
// The recorder actions of the main window and the command-line tool, as plain functions over the
// link and the prompts: zeroing, download, reading and writing the settings, default setup.
// Every message goes through Prompts; every wait through DeviceLink::sleep.

#include "core/prompts.h"
#include "device/link.h"
#include "device/protocol.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrom {

// ---- Zeroing -------------------------------------------------------------------------------

enum class ZeroOutcome { NotConnected, Cancelled, Done, Failed };

// The zeroing button: connect, ask "Reset. Sure?", send e223, require exactly the two bytes
// 0xAA 0xAA. Shows the result; a failure closes the connection.
ZeroOutcome zeroRecorder(DeviceLink& link, Prompts& prompts);

// ---- Download ------------------------------------------------------------------------------

inline constexpr int kTransferReadBudget = 1020;

// How the window follows a download. Every member may be left empty.
struct DownloadView {
    // The busy field E_PobDan shown (true) or hidden (false), repainted at once. Shown after the
    // connection stands (the window also puts the device caption on its recorder group then).
    std::function<void(bool shown)> showBusy;
    // Just before the transfer command: reset the chart (undo zoom, clear the recorder curves,
    // left axis from 0) and show three blanks as maximum and minimum.
    std::function<void()> transferStarting;
    // The progress field ECzekaj shown with this text and repainted ("   0 %" first).
    std::function<void(const std::string& progressText)> showProgress;
    // The same progress as byte counts (expected 0 when no block count was announced), for a
    // progress bar of the command-line tool.
    std::function<void(std::uint32_t receivedBytes, std::uint32_t expectedBytes)> progressBytes;
    // The progress field hidden at the end of the transfer.
    std::function<void()> hideProgress;
    // The image is complete (deviceFactor already in bytes 8-9); the window applies the header to
    // its recorder panel here, before the no-measurement message can appear.
    std::function<void(std::span<const std::uint8_t> image)> headerReady;
    // Asked before every read of the transfer; true stops it there, and the download ends as a
    // stream that broke off does (what arrived is used). Called on the downloading thread.
    std::function<bool()> cancelRequested;
};

enum class DownloadOutcome {
    NotConnected,   // only the not-found message was shown
    StatusFailed,   // e4 reply not 8 bytes: message shown, connection closed
    TransferFailed, // fewer than 32 bytes: message shown, connection closed
    NoFlight,       // fewer than 16 words after the header: header applied, message shown
    Ok,             // evaluate the image with wordCount
};

struct DownloadResult {
    DownloadOutcome outcome = DownloadOutcome::NotConnected;
    // The received bytes (header, samples, end marker and anything after it) with deviceFactor
    // written into bytes 8-9. Empty unless the outcome is NoFlight or Ok.
    std::vector<std::uint8_t> image;
    std::uint32_t flightBytes = 0; // bytes received after the transfer command (also on failure)
    std::uint32_t wordCount = 0;   // (flightBytes - 32) / 2; 0 for NoFlight
    std::int32_t deviceFactor = kDeviceFactorDefault;
    bool newFlight = false; // the status said a new measurement was stored
    bool endSeen = false;   // the end marker ended the transfer (else the budget or a full buffer)
    bool cancelled = false; // cancelRequested stopped the transfer before its end
    int readsUsed = 0;
};

// The download button's device part: connect, e4 (new-flight bit), eD (deviceFactor, block
// count), e1 and the transfer loop of at most 1020 reads until 0xFF 0xFF ends the stream or the
// 90,000-byte buffer is full. Raises the process priority for the transfer where permitted and
// always restores it. Does not evaluate the flight: the caller does that for outcome Ok.
DownloadResult downloadFlight(DeviceLink& link, Prompts& prompts, const DownloadView& view = {});

// ---- Settings ------------------------------------------------------------------------------

// The raw values the settings dialog shows, filled in the order they are read; a field stays
// empty when the read stopped before it.
struct DeviceSettingsReply {
    bool ok = false;                              // all four replies were 8 bytes
    std::optional<StatusBlock> status;            // e4
    std::optional<bool> manualZeroing;            // eB byte 0 bit 0
    std::optional<std::uint16_t> delayHundredths; // e6 bytes 0-1
    std::optional<DeviceInfo> info;               // eD (version bytes 4 and 5)
};

// Reads e4, eB, e6, eD over an open connection; stops at the first reply that is not exactly
// 8 bytes. Shows nothing: the dialog fills its controls, then reports a failure with
// Message::PortError and closes the connection.
DeviceSettingsReply ReadDeviceSettings(DeviceLink& link);

// Limits of the settings (compared as unsigned 32-bit, so negative counts as too large).
inline constexpr std::uint32_t kMaxTriggerMetres = 200;
inline constexpr std::uint32_t kMaxCompetitorNumber = 10000;
inline constexpr std::uint32_t kMaxDelayHundredths = 30000;

// True when a field's number is above its limit, taken as unsigned 32-bit.
constexpr bool aboveLimit(std::int32_t value, std::uint32_t limit) {
    return static_cast<std::uint32_t>(value) > limit;
}

// What Save writes, already converted from the dialog's fields (the dialog checks for empty
// fields and for text that is not a number first).
struct SettingsToWrite {
    std::int32_t triggerMetres = 0;
    std::int32_t competitorNumber = 0;
    int rateIndex = 0;          // selected sampling-rate item, -1 for none
    int manualZeroingIndex = 0; // selected manual-zeroing item, -1 for none
    std::int32_t delaySeconds = 0;
};

enum class SaveOutcome {
    NotConnected, // no open connection: nothing sent, no message
    Refused,      // a limit or a missing selection: message shown, the dialog stays open
    Acknowledged, // e7 acknowledged: "Setup OK" shown, close the dialog
    Failed,       // e7 not acknowledged: "Setup failed" shown, close the dialog
};

// The settings dialog's Save: e5 (trigger x 4, competitor, rate), eC (manual zeroing), e7 (delay
// in hundredths) with their limits and checks. A trigger above 200 m, a competitor above 10000,
// a delay above 300 s or a missing selection refuses before anything is sent: the settings are
// written whole or not at all.
SaveOutcome saveDeviceSettings(DeviceLink& link, Prompts& prompts, const SettingsToWrite& values);

// "Setup Default": connect; e5 competitor 0, trigger 120 (30 m), rate 1; eC manual zeroing on;
// e223; e7 180 s; with the 20 ms waits. Stops and closes only when e5 or eC fail. At the end the
// window's "OK" field is shown for 1000 ms through showOk(true) ... showOk(false).
// Returns false when no recorder answered or the first two writes failed.
bool setupDefault(DeviceLink& link, Prompts& prompts,
                  const std::function<void(bool shown)>& showOk);

} // namespace kestrom
