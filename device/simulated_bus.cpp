#include "device/simulated_bus.h"

#include <algorithm>
#include <thread>

namespace kestrom {

// Real or virtual time, in microseconds since the bus was made.
struct SimulatedBus::Clock {
    bool realTime = false;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::chrono::microseconds virtualNow{0};

    std::chrono::microseconds now() const {
        if (realTime) {
            return std::chrono::duration_cast<std::chrono::microseconds>(
                std::chrono::steady_clock::now() - start);
        }
        return virtualNow;
    }
    void waitUntil(std::chrono::microseconds when) {
        if (realTime) {
            std::this_thread::sleep_until(start + when);
        } else {
            virtualNow = std::max(virtualNow, when);
        }
    }
};

struct SimulatedBus::Slot {
    std::string description;
    std::unique_ptr<SimulatedRecorder> recorder; // null: a device that never answers
    bool plugged = true;
    bool openFails = false;
    int opens = 0;
    int generation = 0; // grows on every unplug, so handles from before stay dead
    // Bytes on their way to the PC with the time each becomes readable.
    std::deque<std::pair<std::chrono::microseconds, std::uint8_t>> outgoing;
    std::chrono::microseconds lastScheduled{0};
    std::vector<std::uint8_t> partialFrame;
    std::optional<std::size_t> unplugAfter; // data bytes still to be read before it is pulled out
};

namespace {

using std::chrono::microseconds;

class SimulatedBridge : public BridgeDevice {
public:
    SimulatedBridge(SimulatedBus::Slot& slot, SimulatedBus::Clock& clock,
                    const SimulatedTiming& timing, std::mutex& mutex)
        : slot_(slot), clock_(clock), timing_(timing), mutex_(mutex), generation_(slot.generation) {
    }

    bool setTimeouts(int readTimeoutMs, int writeTimeoutMs) override {
        const std::lock_guard lock(mutex_);
        if (!alive()) {
            return false;
        }
        readTimeout_ = microseconds(std::int64_t{readTimeoutMs} * 1000);
        (void)writeTimeoutMs;
        return true;
    }

    bool purge() override {
        const std::lock_guard lock(mutex_);
        if (!alive()) {
            return false;
        }
        slot_.outgoing.clear();
        slot_.partialFrame.clear();
        return true;
    }

    bool write(std::span<const std::uint8_t> bytes) override {
        const std::lock_guard lock(mutex_);
        if (!alive()) {
            return false;
        }
        for (const std::uint8_t byte : bytes) {
            slot_.partialFrame.push_back(byte);
            if (slot_.partialFrame.size() == 8 && slot_.recorder) {
                std::array<std::uint8_t, 8> frame{};
                std::copy(slot_.partialFrame.begin(), slot_.partialFrame.end(), frame.begin());
                schedule(slot_.recorder->respond(frame));
            }
            if (slot_.partialFrame.size() == 8) {
                slot_.partialFrame.clear();
            }
        }
        return true;
    }

    std::size_t read(std::span<std::uint8_t> bytes) override {
        std::unique_lock lock(mutex_);
        if (!alive()) {
            return 0;
        }
        const microseconds deadline = clock_.now() + readTimeout_;
        std::size_t got = 0;
        while (got < bytes.size() && alive()) {
            auto& queue = slot_.outgoing;
            while (got < bytes.size() && !queue.empty() && queue.front().first <= clock_.now()) {
                bytes[got++] = queue.front().second;
                queue.pop_front();
                if (slot_.unplugAfter && --*slot_.unplugAfter == 0) {
                    SimulatedBus::pull(slot_);
                    return got;
                }
            }
            if (got == bytes.size()) {
                break;
            }
            // Wait for the next byte if it comes before the time-out, else for the time-out.
            const bool byteDue = !queue.empty() && queue.front().first <= deadline;
            const microseconds until = byteDue ? queue.front().first : deadline;
            if (clock_.realTime) {
                // Other bridges of the bus go on meanwhile.
                lock.unlock();
                clock_.waitUntil(until);
                lock.lock();
            } else {
                clock_.waitUntil(until);
            }
            if (!byteDue) {
                break;
            }
        }
        return got;
    }

private:
    bool alive() const { return slot_.plugged && slot_.generation == generation_; }

    // The recorder hands its answer to the bridge in chunks; at a byte rate each chunk becomes
    // readable once its last byte has been sent.
    void schedule(const std::vector<std::uint8_t>& reply) {
        const microseconds now = clock_.now();
        microseconds sent = std::max(now, slot_.lastScheduled);
        const std::size_t chunk = std::max<std::size_t>(timing_.chunkBytes, 1);
        for (std::size_t begin = 0; begin < reply.size(); begin += chunk) {
            const std::size_t end = std::min(reply.size(), begin + chunk);
            if (timing_.bytesPerSecond > 0) {
                sent += microseconds(static_cast<std::int64_t>((end - begin) * 1'000'000ull /
                                                               timing_.bytesPerSecond));
            }
            for (std::size_t i = begin; i < end; ++i) {
                slot_.outgoing.emplace_back(sent, reply[i]);
            }
        }
        slot_.lastScheduled = sent;
    }

    SimulatedBus::Slot& slot_;
    SimulatedBus::Clock& clock_;
    const SimulatedTiming& timing_;
    std::mutex& mutex_;
    int generation_;
    microseconds readTimeout_{0};
};

std::vector<std::uint8_t> settingsReply(const RecorderState& s) {
    std::vector<std::uint8_t> reply(8, 0);
    writeU16le(reply, 0, s.competitorNumber);
    writeU16le(reply, 2, s.serialNumber);
    reply[4] = static_cast<std::uint8_t>(s.temperatureC);
    writeU16le(reply, 5, s.triggerQuarterMetres);
    reply[7] = static_cast<std::uint8_t>((s.rateCode & 0x0F) | (s.newFlight ? 0x80 : 0x00));
    return reply;
}

std::vector<std::uint8_t> flightStream(RecorderState& state, const RecorderFaults& faults) {
    std::vector<std::uint8_t> stream = state.flight;
    const std::size_t n = stream.size();
    const bool endsWithMarker =
        n >= kHeaderBytes + 4 && stream[n - 2] == 0xFF && stream[n - 1] == 0xFF;
    if (faults.omitEndMarker && endsWithMarker) {
        stream.resize(n - 4); // the whole end-marker sample
    }
    stream.insert(stream.end(), faults.trailingBytes.begin(), faults.trailingBytes.end());
    if (faults.cutStreamAfter && *faults.cutStreamAfter < stream.size()) {
        stream.resize(*faults.cutStreamAfter);
    } else {
        state.newFlight = false; // the recorder has handed over its flight
    }
    return stream;
}

} // namespace

void SimulatedRecorder::holdFlight(std::vector<std::uint8_t> stream) {
    if (stream.size() >= kHeaderBytes) {
        state.competitorNumber = readU16le(stream, kOffsetCompetitor);
        state.serialNumber = readU16le(stream, kOffsetSerial);
        state.rateCode = static_cast<std::uint8_t>(stream[kOffsetRateCode] & 0x0F);
        state.deviceFactor = readU16le(stream, kOffsetDeviceFactor);
    }
    state.flight = std::move(stream);
    state.newFlight = true;
}

std::vector<std::uint8_t> SimulatedRecorder::respond(const std::array<std::uint8_t, 8>& frame) {
    frames.push_back(frame);
    if (faults.silent || frame[0] != kFrameLead) {
        return {};
    }
    const std::uint8_t code = frame[1];
    if (faults.replyOverride[code]) {
        return *faults.replyOverride[code];
    }

    std::vector<std::uint8_t> reply;
    const std::vector<std::uint8_t> ack{0x00, kAckByte};
    switch (code) {
    case command::kHandshake:
        if (faults.handshakeThreeBytes) {
            return {0x00, kAckByte, 0x00};
        }
        if (faults.handshakeA5InByte0) {
            return {kAckByte, 0x00};
        }
        return ack;
    case command::kTransfer:
        return flightStream(state, faults);
    case command::kZero:
        if (!zeroKeyPresent(frame)) {
            return {};
        }
        ++state.zeroings;
        reply = {0xAA, 0xAA};
        break;
    case command::kStatus:
        reply = settingsReply(state);
        break;
    case command::kDeviceInfo:
        reply.assign(8, 0);
        writeU16le(reply, 2, state.deviceFactor);
        reply[4] = state.versionMinor;
        reply[5] = state.versionYear;
        break;
    case command::kReadManualZero:
        reply.assign(8, 0);
        reply[0] = state.manualZeroing;
        break;
    case command::kReadDelay:
        reply.assign(8, 0);
        writeU16le(reply, 0, state.delayHundredths);
        break;
    case command::kWriteSettings: {
        const SettingsParams settings = settingsOf(frame);
        state.competitorNumber = settings.competitorNumber;
        state.triggerQuarterMetres = settings.triggerQuarterMetres;
        state.rateCode = settings.rateCode;
        reply = ack;
        break;
    }
    case command::kWriteManualZero:
        state.manualZeroing = manualZeroOf(frame);
        reply = ack;
        break;
    case command::kWriteDelay:
        state.delayHundredths = delayOf(frame);
        reply = ack;
        break;
    default:
        return {};
    }
    if (faults.replyLengthDelta < 0) {
        const auto cut = static_cast<std::size_t>(-faults.replyLengthDelta);
        reply.resize(reply.size() > cut ? reply.size() - cut : 0);
    } else {
        reply.resize(reply.size() + static_cast<std::size_t>(faults.replyLengthDelta), 0x00);
    }
    return reply;
}

SimulatedBus::SimulatedBus(SimulatedTiming timing)
    : timing_(timing), clock_(std::make_unique<Clock>()) {
    clock_->realTime = timing.realTime;
}

SimulatedBus::~SimulatedBus() = default;

SimulatedRecorder& SimulatedBus::addRecorder(std::string description) {
    auto slot = std::make_unique<Slot>();
    slot->description = std::move(description);
    slot->recorder = std::make_unique<SimulatedRecorder>();
    const std::lock_guard lock(mutex_);
    slots_.push_back(std::move(slot));
    return *slots_.back()->recorder;
}

void SimulatedBus::addOtherDevice(std::string description) {
    auto slot = std::make_unique<Slot>();
    slot->description = std::move(description);
    const std::lock_guard lock(mutex_);
    slots_.push_back(std::move(slot));
}

void SimulatedBus::pull(Slot& slot) {
    if (slot.plugged) {
        ++slot.generation;
        slot.outgoing.clear();
        slot.partialFrame.clear();
        // Without power the recorder stops sending: a stream cut off here no longer holds back
        // the answers it gives once plugged in again.
        slot.lastScheduled = std::chrono::microseconds{0};
        slot.unplugAfter.reset();
    }
    slot.plugged = false;
}

void SimulatedBus::setPlugged(std::size_t position, bool plugged) {
    const std::lock_guard lock(mutex_);
    Slot& slot = *slots_.at(position);
    if (plugged) {
        slot.plugged = true;
    } else {
        pull(slot);
    }
}

void SimulatedBus::unplugAfterBytes(std::size_t position, std::size_t bytes) {
    const std::lock_guard lock(mutex_);
    slots_.at(position)->unplugAfter = std::max<std::size_t>(bytes, 1);
}

int SimulatedBus::zeroings(std::size_t position) const {
    const std::lock_guard lock(mutex_);
    const Slot& slot = *slots_.at(position);
    return slot.recorder ? slot.recorder->state.zeroings : 0;
}

std::size_t SimulatedBus::plugRecorder(std::vector<std::uint8_t> flight, std::string description) {
    auto slot = std::make_unique<Slot>();
    slot->description = std::move(description);
    slot->recorder = std::make_unique<SimulatedRecorder>();
    slot->recorder->holdFlight(std::move(flight));
    const std::lock_guard lock(mutex_);
    slots_.push_back(std::move(slot));
    return slots_.size() - 1;
}

void SimulatedBus::setOpenFails(std::size_t position, bool fails) {
    const std::lock_guard lock(mutex_);
    slots_.at(position)->openFails = fails;
}

void SimulatedBus::setListFails(bool fails) {
    const std::lock_guard lock(mutex_);
    listFails_ = fails;
}

void SimulatedBus::injectBytes(std::size_t position, const std::vector<std::uint8_t>& bytes) {
    const std::lock_guard lock(mutex_);
    for (const std::uint8_t byte : bytes) {
        slots_.at(position)->outgoing.emplace_back(clock_->now(), byte);
    }
}

std::chrono::microseconds SimulatedBus::elapsed() const {
    const std::lock_guard lock(mutex_);
    return clock_->now();
}

int SimulatedBus::openCount(std::size_t position) const {
    const std::lock_guard lock(mutex_);
    return slots_.at(position)->opens;
}

std::optional<std::vector<std::string>> SimulatedBus::listDescriptions(std::size_t maxDevices) {
    const std::lock_guard lock(mutex_);
    if (listFails_) {
        return std::nullopt;
    }
    lastListing_.clear();
    std::vector<std::string> descriptions;
    for (std::size_t position = 0; position < slots_.size(); ++position) {
        if (slots_[position]->plugged && descriptions.size() < maxDevices) {
            lastListing_.push_back(position);
            descriptions.push_back(slots_[position]->description);
        }
    }
    return descriptions;
}

std::unique_ptr<BridgeDevice> SimulatedBus::open(std::size_t index) {
    const std::lock_guard lock(mutex_);
    if (index >= lastListing_.size()) {
        return nullptr;
    }
    Slot& slot = *slots_[lastListing_[index]];
    if (!slot.plugged || slot.openFails) {
        return nullptr;
    }
    ++slot.opens;
    return std::make_unique<SimulatedBridge>(slot, *clock_, timing_, mutex_);
}

std::optional<std::vector<BridgePlace>> SimulatedBus::listPlaces(std::size_t maxDevices) {
    const std::lock_guard lock(mutex_);
    if (listFails_) {
        return std::nullopt;
    }
    std::vector<BridgePlace> places;
    for (std::size_t position = 0; position < slots_.size() && places.size() < maxDevices;
         ++position) {
        if (slots_[position]->plugged) {
            places.push_back(
                {0, {static_cast<std::uint8_t>(position + 1)}, slots_[position]->description});
        }
    }
    return places;
}

std::unique_ptr<BridgeDevice> SimulatedBus::openAt(const BridgePlace& place) {
    const std::lock_guard lock(mutex_);
    if (place.busNumber != 0 || place.portPath.size() != 1 || place.portPath[0] == 0 ||
        place.portPath[0] > slots_.size()) {
        return nullptr;
    }
    Slot& slot = *slots_[place.portPath[0] - 1u];
    if (!slot.plugged || slot.openFails) {
        return nullptr;
    }
    ++slot.opens;
    return std::make_unique<SimulatedBridge>(slot, *clock_, timing_, mutex_);
}

std::vector<std::uint8_t> makeSimpleFlight(std::size_t samples, std::uint8_t rateCode) {
    constexpr std::uint16_t kUt = 27898; // near 15 degrees with the default calibration words
    std::vector<std::uint8_t> image(kHeaderBytes + kSampleBytes * (samples + 1), 0);
    writeU16le(image, kOffsetCompetitor, 17);
    writeU16le(image, kOffsetSerial, 1001);
    writeU16le(image, kOffsetHeaderUt, kUt);
    image[kOffsetRateCode] = rateCode;
    writeU16le(image, kOffsetDeviceFactor, static_cast<std::uint16_t>(kDeviceFactorDefault));
    writeCalibrationWords(image, Calibration{});
    // Each sample: the UT word, then the UP word.
    for (std::size_t i = 0; i < samples; ++i) {
        const std::size_t at = kHeaderBytes + kSampleBytes * i;
        writeU16le(image, at, kUt);
        // A gentle climb and descent in the pressure word; never 0xFFFF.
        const auto step =
            static_cast<std::uint16_t>(i < samples / 2 ? i % 400 : (samples - i) % 400);
        writeU16le(image, at + 2, static_cast<std::uint16_t>(23843 - step));
    }
    const std::size_t end = kHeaderBytes + kSampleBytes * samples;
    writeU16le(image, end, kUt);
    writeU16le(image, end + 2, kEndMarkerWord);
    return image;
}

} // namespace kestrom
