#include "device/link.h"

#include "device/protocol.h"

#include <algorithm>
#include <span>
#include <thread>

namespace kestrom {

DeviceLink::DeviceLink(DeviceBus& bus)
    : rxBuffer(kRxBufferBytes, 0),
      sleep([](std::chrono::milliseconds wait) { std::this_thread::sleep_for(wait); }), bus_(bus) {}

bool DeviceLink::CloseDevice() {
    if (!deviceHandle) {
        return false;
    }
    deviceHandle.reset();
    return true;
}

bool DeviceLink::SendFrame() {
    if (!deviceHandle) {
        return false;
    }
    return deviceHandle->write(std::span<const std::uint8_t>(txBuffer));
}

std::int32_t DeviceLink::ReadReply() {
    if (!deviceHandle) {
        return 0;
    }
    rxBuffer[0] = 0;
    // Never past the buffer: a reply appended behind earlier bytes gets only the room left.
    const auto start = static_cast<std::size_t>(
        std::clamp<std::int32_t>(rxCount, 0, static_cast<std::int32_t>(kRxBufferBytes)));
    const std::size_t room = std::min(kReplyReadBytes, kRxBufferBytes - start);
    if (room == 0) {
        return 0;
    }
    const std::size_t got =
        deviceHandle->read(std::span<std::uint8_t>(rxBuffer).subspan(start, room));
    const auto gotCount = static_cast<std::int32_t>(std::min(got, room));
    rxCount = static_cast<std::int32_t>(start) + gotCount;
    return gotCount;
}

bool DeviceLink::handshake() {
    if (!deviceHandle) {
        return false;
    }
    txBuffer[0] = kFrameLead;
    txBuffer[1] = command::kHandshake;
    SendFrame();
    rxBuffer[0] = 0;
    const std::size_t got =
        deviceHandle->read(std::span<std::uint8_t>(rxBuffer).first(kHandshakeReadBytes));
    return got == 2 && rxBuffer[1] == kAckByte;
}

void DeviceLink::sendCommand(std::uint8_t code) {
    rxCount = 0;
    rxPos = 0;
    txBuffer[0] = kFrameLead;
    txBuffer[1] = code;
    SendFrame();
}

std::int32_t DeviceLink::exchange(std::uint8_t code) {
    sendCommand(code);
    return ReadReply();
}

void DeviceLink::ConnectDevice(Prompts& prompts) {
    if (deviceHandle) {
        // A connection left open by an earlier action: only prove the recorder still answers.
        if (handshake()) {
            return;
        }
        CloseDevice();
    }

    if (const auto descriptions = bus_.listDescriptions(kMaxListedDevices)) {
        const std::size_t count = std::min(descriptions->size(), kMaxListedDevices);
        for (std::size_t index = 0; index < count && !deviceHandle; ++index) {
            if ((*descriptions)[index].find(kRecorderDescription) == std::string::npos) {
                continue;
            }
            deviceHandle = bus_.open(index);
            if (!deviceHandle) {
                continue;
            }
            deviceHandle->setTimeouts(kReadTimeoutMs, kWriteTimeoutMs);
            deviceHandle->purge();
            if (!handshake()) {
                CloseDevice();
            }
        }
    }

    if (!deviceHandle) {
        prompts.showMessage(Message::PortError, Message::ProblemCaption, Buttons::Ok);
    }
}

} // namespace kestrom
