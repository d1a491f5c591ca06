#pragma once
// The program's one connection to the recorder: finding it among the attached bridges, the
// handshake, 8-byte command frames out and reply bytes appended to the receive buffer.
// A plain object owned by the main window (or the command-line tool); no globals.

#include "core/prompts.h"
#include "device/bridge.h"
#include "device/protocol.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace kestrom {

inline constexpr std::size_t kRxBufferBytes = 90'000;
inline constexpr std::size_t kReplyReadBytes = 256;
inline constexpr std::size_t kHandshakeReadBytes = 16;
inline constexpr int kReadTimeoutMs = 40;
inline constexpr int kWriteTimeoutMs = 15;
// Bridges listed per search; more attached devices than this are not looked at.
inline constexpr std::size_t kMaxListedDevices = 64;
// The text a recorder's bridge description holds (case-sensitive, anywhere in the description).
inline constexpr std::string_view kRecorderDescription = "FT201X";

// Blocking wait used between a frame and its read; tests put in one that only records.
using SleepFunction = std::function<void(std::chrono::milliseconds)>;

// Writes a command's parameters into the frame (see the writers in device/protocol.h).
using FrameWriter = std::function<void(Frame& frame)>;

class DeviceLink {
public:
    // The bus must outlive the link.
    explicit DeviceLink(DeviceBus& bus);

    // Waits of the default setup and the "OK" display; std::this_thread::sleep_for by default.
    SleepFunction sleep;

    // Makes sure a recorder answers: repeats the handshake on an open connection, otherwise lists
    // the bridges and opens the first whose description holds "FT201X" and answers the handshake
    // (time-outs 40/15 ms, both directions purged). Afterwards connected() is true exactly when a
    // recorder answered; otherwise the not-found message has been shown once.
    void ConnectDevice(Prompts& prompts);

    // Ties the link to the bridge at this place: ConnectDevice then opens that one alone (a
    // station's link per recorder). std::nullopt goes back to the first recorder found.
    void pinTo(std::optional<BridgePlace> place) { pinned_ = std::move(place); }

    // Closes the connection. False when none was open.
    bool CloseDevice();

    // True while a connection to a recorder is open. At most one connection exists.
    bool connected() const { return deviceHandle_ != nullptr; }

    // Writes bytes 0-7 of txBuffer. True when the driver accepted the write; false without a
    // connection. Callers do not look at the result: a lost write shows up as a missing reply.
    bool SendFrame();

    // Appends one read of up to 256 bytes (fewer when the buffer is nearly full) at rxCount and
    // returns the count received, 0 without a connection. Returns after 256 bytes or the 40 ms
    // read time-out. Sets byte 0 of rxBuffer to 0 first, as every read does.
    std::int32_t ReadReply();

    // Sends the handshake eT (bytes 2-7 as they stand) and reads up to 16 bytes to offset 0 of
    // rxBuffer; true when exactly 2 bytes came and the second is 0xA5. rxCount is left alone.
    bool handshake();

    // Sets rxCount to 0, lets `parameters` write the command's bytes 2-7 (bytes it does not set
    // keep what stood there), writes the command code (and bytes 0-1) and sends the frame.
    void sendCommand(std::uint8_t code, const FrameWriter& parameters = {});

    // sendCommand followed by one ReadReply; returns the count.
    std::int32_t exchange(std::uint8_t code, const FrameWriter& parameters = {});

    // The 8-byte frame as it was last sent, or will be sent next. Never cleared.
    const Frame& txBuffer() const { return txBuffer_; }
    // The bytes appended by ReadReply since the last command: its reply, or the flight so far.
    std::span<const std::uint8_t> received() const;
    // Their count.
    std::int32_t rxCount() const { return rxCount_; }
    // 32-byte blocks the recorder announced for the last download's progress display; kept when
    // a later device-information reply is missing.
    std::uint32_t expectedBlocks() const { return expectedBlocks_; }
    void setExpectedBlocks(std::uint32_t blocks) { expectedBlocks_ = blocks; }

private:
    DeviceBus& bus_;
    std::optional<BridgePlace> pinned_;
    // The open recorder; null while no connection is open.
    std::unique_ptr<BridgeDevice> deviceHandle_;
    // Bytes a command does not set keep what an earlier command left there (zero before any
    // command set them): the recorder sees exactly those bytes.
    Frame txBuffer_{};
    // Command replies and the downloaded flight image, always kRxBufferBytes long.
    std::vector<std::uint8_t> rxBuffer_;
    // Bytes appended to rxBuffer_ since the last command reset it to 0.
    std::int32_t rxCount_ = 0;
    std::uint32_t expectedBlocks_ = 0;
};

} // namespace kestrom
