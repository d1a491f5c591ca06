#include "device/actions.h"

#include "device/priority.h"

#include <algorithm>

namespace kestrom {
namespace {

constexpr std::chrono::milliseconds kSetupWait{20};
constexpr std::chrono::milliseconds kOkShown{1000};

std::span<const std::uint8_t, kInfoReplyBytes> infoReply(const DeviceLink& link) {
    return link.received().first<kInfoReplyBytes>();
}

bool isAck(const DeviceLink& link, std::int32_t got) {
    return got == 2 && link.received()[1] == kAckByte;
}

template <typename F, typename... Args> void call(const F& f, Args&&... args) {
    if (f) {
        f(std::forward<Args>(args)...);
    }
}

} // namespace

ZeroOutcome zeroRecorder(DeviceLink& link, Prompts& prompts) {
    link.ConnectDevice(prompts);
    if (!link.connected()) {
        link.CloseDevice();
        return ZeroOutcome::NotConnected;
    }
    if (prompts.showMessage(Message::ResetConfirm, Message::ResetConfirmCaption,
                            Buttons::OkCancel) != Answer::Ok) {
        return ZeroOutcome::Cancelled;
    }
    link.exchange(command::kZero, putZeroKey);
    if (link.rxCount() == 2 && readU16le(link.received(), 0) == kZeroAck) {
        prompts.showMessage(Message::ResetDone, Message::ResetDoneCaption, Buttons::Ok);
        return ZeroOutcome::Done;
    }
    prompts.showMessage(Message::ResetError, Message::ProblemCaption, Buttons::Ok);
    link.CloseDevice();
    return ZeroOutcome::Failed;
}

DownloadResult downloadFlight(DeviceLink& link, Prompts& prompts, const DownloadView& view) {
    DownloadResult result;
    PriorityBoost priority;

    link.ConnectDevice(prompts);
    if (!link.connected()) {
        link.CloseDevice();
        return result;
    }
    call(view.showBusy, true);

    // Status: is a new measurement stored?
    if (link.exchange(command::kStatus) != static_cast<std::int32_t>(kInfoReplyBytes)) {
        priority.restore();
        prompts.showMessage(Message::CommError, Message::ProblemCaption, Buttons::Ok);
        link.CloseDevice();
        call(view.showBusy, false);
        result.outcome = DownloadOutcome::StatusFailed;
        return result;
    }
    result.newFlight = parseStatusBlock(infoReply(link)).newFlight();
    if (!result.newFlight) {
        // The stored flight is read again all the same.
        prompts.showMessage(Message::NoNewFlight, Message::ProblemCaption, Buttons::Ok);
    }

    // Device information: the stored device value and the block count for the progress.
    std::int32_t deviceFactor = kDeviceFactorDefault;
    if (link.exchange(command::kDeviceInfo) == static_cast<std::int32_t>(kInfoReplyBytes)) {
        const DeviceInfo info = parseDeviceInfo(infoReply(link));
        deviceFactor = clampDeviceFactor(info.deviceFactor);
        link.setExpectedBlocks(info.expectedBlocks);
    }
    result.deviceFactor = deviceFactor;

    call(view.transferStarting);
    link.sendCommand(command::kTransfer);

    std::uint32_t received = 0;
    int readsLeft = kTransferReadBudget;
    const std::uint32_t expectedBytes = link.expectedBlocks() * 32u;
    call(view.showProgress, std::string("   0 %"));
    bool endSeen = false;
    bool bufferFull = false;
    while (!endSeen && !bufferFull && readsLeft != 0) {
        if (view.cancelRequested && view.cancelRequested()) {
            result.cancelled = true;
            break;
        }
        --readsLeft;
        received += static_cast<std::uint32_t>(link.ReadReply());
        call(view.showProgress, progressText(received, expectedBytes));
        call(view.progressBytes, received, expectedBytes);
        endSeen = streamEndSeen(link.received());
        // A stream that fills the whole buffer ends there; what arrived is used as usual.
        bufferFull = link.received().size() >= kRxBufferBytes;
    }
    result.readsUsed = kTransferReadBudget - readsLeft;
    result.endSeen = endSeen;

    priority.restore();
    call(view.hideProgress);
    call(view.showBusy, false);
    result.flightBytes = received;

    if (received < kHeaderBytes) {
        prompts.showMessage(Message::CommError, Message::ProblemCaption, Buttons::Ok);
        link.CloseDevice();
        result.outcome = DownloadOutcome::TransferFailed;
        return result;
    }

    result.wordCount = (received - static_cast<std::uint32_t>(kHeaderBytes)) / 2u;
    const auto bytes = link.received().first(received);
    result.image.assign(bytes.begin(), bytes.end());
    writeU16le(result.image, kOffsetDeviceFactor, static_cast<std::uint16_t>(deviceFactor));
    call(view.headerReady, std::span<const std::uint8_t>(result.image));

    if (result.wordCount < 16) {
        result.wordCount = 0;
        prompts.showMessage(Message::NoFlight, Message::ProblemCaption, Buttons::Ok);
        result.outcome = DownloadOutcome::NoFlight;
        return result;
    }
    result.outcome = DownloadOutcome::Ok;
    return result;
}

DeviceSettingsReply ReadDeviceSettings(DeviceLink& link) {
    DeviceSettingsReply reply;
    constexpr auto kInfo = static_cast<std::int32_t>(kInfoReplyBytes);
    if (link.exchange(command::kStatus) != kInfo) {
        return reply;
    }
    reply.status = parseStatusBlock(infoReply(link));
    if (link.exchange(command::kReadManualZero) != kInfo) {
        return reply;
    }
    reply.manualZeroing = (link.received()[0] & 0x01) != 0;
    if (link.exchange(command::kReadDelay) != kInfo) {
        return reply;
    }
    reply.delayHundredths = readU16le(link.received(), 0);
    if (link.exchange(command::kDeviceInfo) != kInfo) {
        return reply;
    }
    reply.info = parseDeviceInfo(infoReply(link));
    reply.ok = true;
    return reply;
}

SaveOutcome saveDeviceSettings(DeviceLink& link, Prompts& prompts, const SettingsToWrite& values) {
    if (!link.connected()) {
        return SaveOutcome::NotConnected;
    }
    // Every limit is checked before the first write, so a refused delay never leaves a new
    // trigger, competitor and rate in the recorder. The delay is checked on the seconds as well,
    // so a huge number cannot wrap into a small delay.
    const std::int64_t delayHundredths = static_cast<std::int64_t>(values.delaySeconds) * 100;
    if (aboveLimit(values.triggerMetres, kMaxTriggerMetres) ||
        aboveLimit(values.competitorNumber, kMaxCompetitorNumber) || values.delaySeconds < 0 ||
        delayHundredths > static_cast<std::int64_t>(kMaxDelayHundredths)) {
        prompts.showMessage(Message::ValueTooLarge, Message::ProblemCaption, Buttons::Ok);
        return SaveOutcome::Refused;
    }
    // No selection would go out as 0xFF, which the recorder would store as a rate or mode.
    if (values.rateIndex < 0 || values.manualZeroingIndex < 0) {
        prompts.showMessage(Message::SelectionMissing, Message::ProblemCaption, Buttons::Ok);
        return SaveOutcome::Refused;
    }

    const SettingsParams settings{static_cast<std::uint16_t>(values.competitorNumber),
                                  static_cast<std::uint16_t>(values.triggerMetres * 4),
                                  static_cast<std::uint8_t>(values.rateIndex)};
    // A refusal needs an answer of two bytes; a missing or odd-sized answer goes on silently.
    if (const auto got = link.exchange(command::kWriteSettings,
                                       [&settings](Frame& frame) { putSettings(frame, settings); });
        got == 2 && link.received()[1] != kAckByte) {
        prompts.showMessage(Message::SetupFailed, Message::SetupCaption, Buttons::Ok);
    }

    const auto zeroItem = static_cast<std::uint8_t>(values.manualZeroingIndex);
    if (const auto got =
            link.exchange(command::kWriteManualZero,
                          [zeroItem](Frame& frame) { putManualZero(frame, zeroItem); });
        got == 2 && link.received()[1] != kAckByte) {
        prompts.showMessage(Message::SetupFailed, Message::SetupCaption, Buttons::Ok);
    }

    const auto delay = static_cast<std::uint16_t>(delayHundredths);
    if (isAck(link, link.exchange(command::kWriteDelay,
                                  [delay](Frame& frame) { putDelay(frame, delay); }))) {
        prompts.showMessage(Message::SetupOk, Message::SetupCaption, Buttons::Ok);
        return SaveOutcome::Acknowledged;
    }
    prompts.showMessage(Message::SetupFailed, Message::SetupCaption, Buttons::Ok);
    return SaveOutcome::Failed;
}

bool setupDefault(DeviceLink& link, Prompts& prompts,
                  const std::function<void(bool shown)>& showOk) {
    link.ConnectDevice(prompts);
    if (!link.connected()) {
        return false;
    }
    // A one-byte answer has no byte 1 of its own: what stands there is left from an earlier
    // reply, so it cannot count as an acknowledgement.
    const auto refused = [&link](std::int32_t got) {
        return got < 2 || link.received()[1] != kAckByte;
    };

    link.sendCommand(command::kWriteSettings, putDefaultSettings);
    link.sleep(kSetupWait);
    if (refused(link.ReadReply())) {
        prompts.showMessage(Message::SetupFailed, Message::SetupCaption, Buttons::Ok);
        link.CloseDevice();
        return false;
    }

    // Manual zeroing on; bytes 3-7 still hold the e5 payload.
    if (refused(link.exchange(command::kWriteManualZero,
                              [](Frame& frame) { putManualZero(frame, 1); }))) {
        prompts.showMessage(Message::SetupFailed, Message::SetupCaption, Buttons::Ok);
        link.CloseDevice();
        return false;
    }

    link.sendCommand(command::kZero, putZeroKey);
    link.sleep(kSetupWait);
    // Only an answer longer than two bytes is judged here, unlike the zeroing button.
    if (const auto got = link.ReadReply();
        got > 2 && !(link.received()[1] == 0xAA && link.received()[2] == 0xAA)) {
        prompts.showMessage(Message::ResetError, Message::ProblemCaption, Buttons::Ok);
    }

    // 180 s.
    if (!isAck(link,
               link.exchange(command::kWriteDelay, [](Frame& frame) { putDelay(frame, 18000); }))) {
        prompts.showMessage(Message::ResetError, Message::ProblemCaption, Buttons::Ok);
    }

    call(showOk, true);
    link.sleep(kOkShown);
    call(showOk, false);
    return true;
}

} // namespace kestrom
