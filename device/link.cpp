#include "device/link.h"

#include "device/protocol.h"

#include <algorithm>
#include <span>
#include <thread>

namespace kestrom {

DeviceLink::DeviceLink(DeviceBus& bus)
    : sleep([](std::chrono::milliseconds wait) { std::this_thread::sleep_for(wait); }), bus_(bus),
      rxBuffer_(kRxBufferBytes, 0) {}

std::span<const std::uint8_t> DeviceLink::received() const {
    return std::span<const std::uint8_t>(rxBuffer_).first(static_cast<std::size_t>(rxCount_));
}

bool DeviceLink::CloseDevice() {
    if (!deviceHandle_) {
        return false;
    }
    deviceHandle_.reset();
    return true;
}

bool DeviceLink::SendFrame() {
    if (!deviceHandle_) {
        return false;
    }
    return deviceHandle_->write(std::span<const std::uint8_t>(txBuffer_));
}

std::int32_t DeviceLink::ReadReply() {
    if (!deviceHandle_) {
        return 0;
    }
    rxBuffer_[0] = 0;
    // Never past the buffer: a reply appended behind earlier bytes gets only the room left.
    const auto start = static_cast<std::size_t>(
        std::clamp<std::int32_t>(rxCount_, 0, static_cast<std::int32_t>(kRxBufferBytes)));
    const std::size_t room = std::min(kReplyReadBytes, kRxBufferBytes - start);
    if (room == 0) {
        return 0;
    }
    const std::size_t got =
        deviceHandle_->read(std::span<std::uint8_t>(rxBuffer_).subspan(start, room));
    const auto gotCount = static_cast<std::int32_t>(std::min(got, room));
    rxCount_ = static_cast<std::int32_t>(start) + gotCount;
    return gotCount;
}

bool DeviceLink::handshake() {
    if (!deviceHandle_) {
        return false;
    }
    txBuffer_[0] = kFrameLead;
    txBuffer_[1] = command::kHandshake;
    SendFrame();
    rxBuffer_[0] = 0;
    const std::size_t got =
        deviceHandle_->read(std::span<std::uint8_t>(rxBuffer_).first(kHandshakeReadBytes));
    return got == 2 && rxBuffer_[1] == kAckByte;
}

void DeviceLink::sendCommand(std::uint8_t code, const FrameWriter& parameters) {
    rxCount_ = 0;
    if (parameters) {
        parameters(txBuffer_);
    }
    txBuffer_[0] = kFrameLead;
    txBuffer_[1] = code;
    SendFrame();
}

std::int32_t DeviceLink::exchange(std::uint8_t code, const FrameWriter& parameters) {
    sendCommand(code, parameters);
    return ReadReply();
}

void DeviceLink::ConnectDevice(Prompts& prompts) {
    if (deviceHandle_) {
        // A connection left open by an earlier action: only prove the recorder still answers.
        if (handshake()) {
            return;
        }
        CloseDevice();
    }

    if (pinned_) {
        deviceHandle_ = bus_.openAt(*pinned_);
        if (deviceHandle_) {
            deviceHandle_->setTimeouts(kReadTimeoutMs, kWriteTimeoutMs);
            deviceHandle_->purge();
            if (!handshake()) {
                CloseDevice();
            }
        }
    } else if (const auto descriptions = bus_.listDescriptions(kMaxListedDevices)) {
        const std::size_t count = std::min(descriptions->size(), kMaxListedDevices);
        for (std::size_t index = 0; index < count && !deviceHandle_; ++index) {
            if ((*descriptions)[index].find(kRecorderDescription) == std::string::npos) {
                continue;
            }
            deviceHandle_ = bus_.open(index);
            if (!deviceHandle_) {
                continue;
            }
            deviceHandle_->setTimeouts(kReadTimeoutMs, kWriteTimeoutMs);
            deviceHandle_->purge();
            if (!handshake()) {
                CloseDevice();
            }
        }
    }

    if (!deviceHandle_) {
        prompts.showMessage(Message::PortError, Message::ProblemCaption, Buttons::Ok);
    }
}

} // namespace kestrom
