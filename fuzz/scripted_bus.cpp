#include "scripted_bus.h"

#include "fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace kestrom::fuzz {
namespace {

using kestrom::fuzz::require;

class ScriptedDevice : public BridgeDevice {
public:
    explicit ScriptedDevice(ScriptReader& reader) : reader_(reader) {}
    bool setTimeouts(int, int) override { return reader_.byte() == 0; }
    bool purge() override { return reader_.byte() == 0; }
    bool write(std::span<const std::uint8_t>) override { return reader_.byte() == 0; }
    std::size_t read(std::span<std::uint8_t> bytes) override {
        const std::size_t count = std::min<std::size_t>(reader_.word(), bytes.size());
        return reader_.bytes(bytes, count);
    }

private:
    ScriptReader& reader_;
};

class RecordingDevice : public BridgeDevice {
public:
    RecordingDevice(std::unique_ptr<BridgeDevice> inner, std::vector<std::uint8_t>& script)
        : inner_(std::move(inner)), script_(script) {}
    bool setTimeouts(int readTimeoutMs, int writeTimeoutMs) override {
        return note(inner_->setTimeouts(readTimeoutMs, writeTimeoutMs));
    }
    bool purge() override { return note(inner_->purge()); }
    bool write(std::span<const std::uint8_t> bytes) override { return note(inner_->write(bytes)); }
    std::size_t read(std::span<std::uint8_t> bytes) override {
        const std::size_t got = inner_->read(bytes);
        script_.push_back(static_cast<std::uint8_t>(got & 0xFF));
        script_.push_back(static_cast<std::uint8_t>(got >> 8));
        script_.insert(script_.end(), bytes.begin(), bytes.begin() + static_cast<long>(got));
        return got;
    }

private:
    bool note(bool ok) {
        script_.push_back(ok ? 0 : 1);
        return ok;
    }
    std::unique_ptr<BridgeDevice> inner_;
    std::vector<std::uint8_t>& script_;
};

std::int16_t signedWord(ScriptReader& reader) { return static_cast<std::int16_t>(reader.word()); }

} // namespace

std::uint8_t ScriptReader::byte() { return pos_ < script_.size() ? script_[pos_++] : 0; }

std::uint16_t ScriptReader::word() {
    const std::uint8_t low = byte();
    return static_cast<std::uint16_t>(low | (byte() << 8));
}

std::size_t ScriptReader::bytes(std::span<std::uint8_t> out, std::size_t count) {
    const std::size_t n = std::min(count, script_.size() - std::min(pos_, script_.size()));
    std::copy_n(script_.begin() + static_cast<long>(pos_), n, out.begin());
    pos_ += n;
    return n;
}

std::optional<std::vector<std::string>> ScriptedBus::listDescriptions(std::size_t maxDevices) {
    const std::uint8_t head = reader_.byte();
    if (head == 0xFF) {
        return std::nullopt;
    }
    std::vector<std::string> descriptions;
    for (int i = 0; i < head % 4; ++i) {
        const std::string_view text = kDescriptions[reader_.byte() % kDescriptions.size()];
        if (descriptions.size() < maxDevices) {
            descriptions.emplace_back(text);
        }
    }
    listed_ = descriptions.size();
    return descriptions;
}

std::unique_ptr<BridgeDevice> ScriptedBus::open(std::size_t index) {
    // The link must only open what the last listing offered.
    require(index < listed_, "index < listed_");
    if (reader_.byte() != 0) {
        return nullptr;
    }
    return std::make_unique<ScriptedDevice>(reader_);
}

std::optional<std::vector<std::string>> RecordingBus::listDescriptions(std::size_t maxDevices) {
    auto listing = inner_.listDescriptions(std::min<std::size_t>(maxDevices, 3));
    if (!listing) {
        script_.push_back(0xFF);
        return listing;
    }
    script_.push_back(static_cast<std::uint8_t>(listing->size()));
    for (const std::string& text : *listing) {
        const auto known = std::find(kDescriptions.begin(), kDescriptions.end(), text);
        // An unknown description is recorded as the one that is not a recorder.
        script_.push_back(known == kDescriptions.end()
                              ? 1
                              : static_cast<std::uint8_t>(known - kDescriptions.begin()));
    }
    return listing;
}

std::unique_ptr<BridgeDevice> RecordingBus::open(std::size_t index) {
    auto device = inner_.open(index);
    script_.push_back(device ? 0 : 1);
    if (!device) {
        return nullptr;
    }
    return std::make_unique<RecordingDevice>(std::move(device), script_);
}

SessionParams readSessionParams(ScriptReader& reader) {
    SessionParams p;
    const std::uint8_t flags = reader.byte();
    p.cancelZeroing = (flags & 0x01) != 0;
    p.values.triggerMetres = reader.byte();
    p.values.competitorNumber = signedWord(reader);
    p.values.rateIndex = static_cast<std::int8_t>(reader.byte());
    p.values.manualZeroingIndex = static_cast<std::int8_t>(reader.byte());
    p.values.delaySeconds = signedWord(reader);
    return p;
}

void writeSessionParams(std::vector<std::uint8_t>& script, const SessionParams& p) {
    const auto low = [](std::int32_t v) { return static_cast<std::uint8_t>(v & 0xFF); };
    const auto high = [](std::int32_t v) { return static_cast<std::uint8_t>((v >> 8) & 0xFF); };
    script.push_back(p.cancelZeroing ? 1 : 0);
    script.push_back(low(p.values.triggerMetres));
    script.push_back(low(p.values.competitorNumber));
    script.push_back(high(p.values.competitorNumber));
    script.push_back(low(p.values.rateIndex));
    script.push_back(low(p.values.manualZeroingIndex));
    script.push_back(low(p.values.delaySeconds));
    script.push_back(high(p.values.delaySeconds));
}

Answer SessionPrompts::showMessage(Message text, Message, Buttons) {
    ++messages;
    return cancelZeroing_ && text == Message::ResetConfirm ? Answer::Cancel : Answer::Ok;
}

void runSession(DeviceLink& link, SessionPrompts& prompts, const SessionParams& params) {
    link.sleep = [](std::chrono::milliseconds) {};
    const auto withinBuffer = [&link] {
        return link.rxCount() >= 0 && static_cast<std::size_t>(link.rxCount()) <= kRxBufferBytes &&
               link.received().size() == static_cast<std::size_t>(link.rxCount());
    };

    link.ConnectDevice(prompts);
    zeroRecorder(link, prompts);
    require(withinBuffer(), "withinBuffer()");

    DownloadView view;
    std::uint32_t lastReceived = 0;
    view.progressBytes = [&](std::uint32_t received, std::uint32_t) {
        require(received >= lastReceived, "received >= lastReceived"); // the count only grows
        lastReceived = received;
    };
    view.showProgress = [](const std::string& text) { require(!text.empty(), "!text.empty()"); };
    const DownloadResult download = downloadFlight(link, prompts, view);
    require(withinBuffer(), "withinBuffer()");
    require(download.readsUsed <= kTransferReadBudget, "download.readsUsed <= kTransferReadBudget");
    if (download.outcome == DownloadOutcome::Ok || download.outcome == DownloadOutcome::NoFlight) {
        require(download.image.size() == download.flightBytes,
                "download.image.size() == download.flightBytes");
        require(download.flightBytes >= kHeaderBytes, "download.flightBytes >= kHeaderBytes");
        require(download.deviceFactor >= kDeviceFactorMin &&
                    download.deviceFactor <= kDeviceFactorMax,
                "download.deviceFactor >= kDeviceFactorMin &&                 "
                "download.deviceFactor <= kDeviceFactorMax");
        require(readU16le(download.image, 8) == download.deviceFactor,
                "readU16le(download.image, 8) == download.deviceFactor");
    }

    if (link.connected()) {
        const DeviceSettingsReply settings = ReadDeviceSettings(link);
        if (settings.info) {
            (void)versionText(settings.info->versionMinor, settings.info->versionYear);
        }
        if (settings.status) {
            (void)shownTemperature(settings.status->temperatureC);
        }
        if (!settings.ok) {
            link.CloseDevice();
        }
    }
    require(withinBuffer(), "withinBuffer()");

    link.ConnectDevice(prompts);
    saveDeviceSettings(link, prompts, params.values);
    setupDefault(link, prompts, [](bool) {});
    require(withinBuffer(), "withinBuffer()");
    link.CloseDevice();
}

} // namespace kestrom::fuzz
