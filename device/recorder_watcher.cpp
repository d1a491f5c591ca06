#include "device/recorder_watcher.h"

#include "device/link.h"

#include <algorithm>

namespace kestrom {

RecorderWatcher::RecorderWatcher(DeviceBus& bus, Events events, std::chrono::milliseconds period)
    : bus_(bus), events_(std::move(events)), period_(period) {}

RecorderWatcher::~RecorderWatcher() { stop(); }

void RecorderWatcher::check() {
    const auto listed = bus_.listPlaces(kMaxListedDevices);
    if (!listed) {
        return;
    }
    std::vector<BridgePlace> now;
    for (const BridgePlace& place : *listed) {
        if (place.description.find(kRecorderDescription) != std::string::npos) {
            now.push_back(place);
        }
    }
    std::sort(now.begin(), now.end());
    for (const BridgePlace& place : known_) {
        if (!std::binary_search(now.begin(), now.end(), place) && events_.left) {
            events_.left(place);
        }
    }
    for (const BridgePlace& place : now) {
        if (!std::binary_search(known_.begin(), known_.end(), place) && events_.arrived) {
            events_.arrived(place);
        }
    }
    known_ = std::move(now);
}

void RecorderWatcher::start() {
    if (thread_.joinable()) {
        return;
    }
    stopping_ = false;
    hotPlug_ = bus_.watchPlugging([this] {
        const std::lock_guard lock(mutex_);
        changed_ = true;
        wake_.notify_one();
    });
    thread_ = std::thread([this] {
        std::unique_lock lock(mutex_);
        while (!stopping_) {
            changed_ = false;
            lock.unlock();
            check();
            lock.lock();
            wake_.wait_for(lock, period_, [this] { return stopping_ || changed_; });
        }
    });
}

void RecorderWatcher::stop() {
    if (!thread_.joinable()) {
        return;
    }
    bus_.stopWatching();
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        wake_.notify_one();
    }
    thread_.join();
}

} // namespace kestrom
