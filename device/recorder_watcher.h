#pragma once
// Sees recorders' bridges appear and leave: libusb's hot-plug notices where the bus has them, and
// a listing every half second in any case (the only way where there are none). Every bridge whose
// description holds "FT201X" counts. Events come from the watcher's own thread.

#include "device/bridge.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kestrom {

inline constexpr std::chrono::milliseconds kPlugListingPeriod{500};

class RecorderWatcher {
public:
    struct Events {
        std::function<void(const BridgePlace&)> arrived;
        std::function<void(const BridgePlace&)> left;
    };

    // The bus must outlive the watcher.
    RecorderWatcher(DeviceBus& bus, Events events,
                    std::chrono::milliseconds period = kPlugListingPeriod);
    ~RecorderWatcher();
    RecorderWatcher(const RecorderWatcher&) = delete;
    RecorderWatcher& operator=(const RecorderWatcher&) = delete;

    // Lists at once, then keeps watching on a thread until stop().
    void start();
    void stop();
    // True when the bus reports plugging itself (else only the periodic listing notices it).
    bool hotPlug() const { return hotPlug_; }

    // Lists once and reports the differences to the last listing. A failed listing changes
    // nothing: a recorder is not taken for gone because the bus could not be read once.
    void check();

private:
    DeviceBus& bus_;
    Events events_;
    std::chrono::milliseconds period_;
    std::vector<BridgePlace> known_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool changed_ = false;
    bool stopping_ = false;
    bool hotPlug_ = false;
    std::thread thread_;
};

} // namespace kestrom
