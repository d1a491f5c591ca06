// The bus of real bridges through libftdi1: the one place that includes <ftdi.h>.

#include "device/ftdi_bridge.h"
#include "device/usb_diagnosis.h"

#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <map>
#include <mutex>
#include <thread>
#include <tuple>
#include <vector>

namespace kestrom {
namespace {

struct ContextDeleter {
    void operator()(ftdi_context* context) const { ftdi_free(context); }
};
using Context = std::unique_ptr<ftdi_context, ContextDeleter>;

int clampedSize(std::size_t size) { return static_cast<int>(std::min<std::size_t>(size, INT_MAX)); }

class LibftdiPort : public FtdiPort {
public:
    explicit LibftdiPort(Context context) : context_(std::move(context)) {}
    ~LibftdiPort() override { ftdi_usb_close(context_.get()); }
    LibftdiPort(const LibftdiPort&) = delete;
    LibftdiPort& operator=(const LibftdiPort&) = delete;

    int readData(std::span<std::uint8_t> bytes) override {
        return ftdi_read_data(context_.get(), bytes.data(), clampedSize(bytes.size()));
    }
    int writeData(std::span<const std::uint8_t> bytes) override {
        return ftdi_write_data(context_.get(), bytes.data(), clampedSize(bytes.size()));
    }
    int purgeBoth() override { return ftdi_tcioflush(context_.get()); }
    void setUsbTimeouts(int readTimeoutMs, int writeTimeoutMs) override {
        context_->usb_read_timeout = readTimeoutMs;
        context_->usb_write_timeout = writeTimeoutMs;
    }

private:
    Context context_;
};

// Where a device sits on the bus: the same for the same socket from one listing to the next.
std::tuple<int, std::vector<std::uint8_t>> busPlace(libusb_device* device) {
    std::array<std::uint8_t, 8> ports{};
    const int depth = libusb_get_port_numbers(device, ports.data(), static_cast<int>(ports.size()));
    std::vector<std::uint8_t> path(ports.begin(), ports.begin() + std::max(depth, 0));
    return {libusb_get_bus_number(device), path};
}

// Opens `device` with `context`; the device must come from a listing of a context that outlives
// the bridge (the bus's own, or `context` itself).
std::unique_ptr<BridgeDevice> openDevice(Context context, libusb_device* device) {
    // Opening detaches the kernel's serial driver from the bridge.
    if (!context || ftdi_usb_open_dev(context.get(), device) < 0) {
        return nullptr;
    }
    // Short latency so a read's 40 ms deadline is not overshot by a 16 ms packet wait.
    ftdi_set_latency_timer(context.get(), kLatencyTimerMs);
    return std::make_unique<FtdiBridge>(std::make_unique<LibftdiPort>(std::move(context)));
}

// libusb's hot-plug notices on a context of their own, served by a thread of their own.
class PlugWatch {
public:
    explicit PlugWatch(std::function<void()> changed) : changed_(std::move(changed)) {}
    ~PlugWatch() { stop(); }
    PlugWatch(const PlugWatch&) = delete;
    PlugWatch& operator=(const PlugWatch&) = delete;

    bool start() {
        if (libusb_init(&context_) != 0) {
            context_ = nullptr;
            return false;
        }
        if (libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) == 0 ||
            libusb_hotplug_register_callback(
                context_,
                static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                                  LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
                static_cast<libusb_hotplug_flag>(0), kBridgeVendorId, kBridgeProductId,
                LIBUSB_HOTPLUG_MATCH_ANY, &PlugWatch::onEvent, this, &handle_) != 0) {
            libusb_exit(context_);
            context_ = nullptr;
            return false;
        }
        thread_ = std::thread([this] {
            timeval tick{0, 100'000};
            while (!stopping_) {
                libusb_handle_events_timeout_completed(context_, &tick, nullptr);
            }
        });
        return true;
    }

    void stop() {
        if (context_ == nullptr) {
            return;
        }
        stopping_ = true;
        libusb_hotplug_deregister_callback(context_, handle_); // also wakes the event thread
        thread_.join();
        libusb_exit(context_);
        context_ = nullptr;
    }

private:
    static int LIBUSB_CALL onEvent(libusb_context*, libusb_device*, libusb_hotplug_event,
                                   void* self) {
        static_cast<PlugWatch*>(self)->changed_();
        return 0; // stay registered
    }

    std::function<void()> changed_;
    libusb_context* context_ = nullptr;
    libusb_hotplug_callback_handle handle_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

class LibftdiBus : public DeviceBus {
public:
    LibftdiBus() : context_(ftdi_new()) {}
    ~LibftdiBus() override {
        stopWatching();
        releaseList();
    }
    LibftdiBus(const LibftdiBus&) = delete;
    LibftdiBus& operator=(const LibftdiBus&) = delete;

    std::optional<std::vector<std::string>> listDescriptions(std::size_t maxDevices) override {
        releaseList();
        if (!context_) {
            return std::nullopt;
        }
        // Vendor and product 0 select FTDI's standard ids, the FT-X family's 0x6015 among them.
        if (ftdi_usb_find_all(context_.get(), &list_, 0, 0) < 0) {
            return std::nullopt;
        }
        for (ftdi_device_list* entry = list_; entry != nullptr; entry = entry->next) {
            devices_.push_back(entry->dev);
        }
        std::stable_sort(devices_.begin(), devices_.end(), [](libusb_device* a, libusb_device* b) {
            return busPlace(a) < busPlace(b);
        });
        if (devices_.size() > maxDevices) {
            devices_.resize(maxDevices);
        }
        std::vector<std::string> descriptions;
        for (libusb_device* device : devices_) {
            std::array<char, 128> product{};
            // A device we may not open (no permission, busy) gets no description: not a match.
            if (ftdi_usb_get_strings2(context_.get(), device, nullptr, 0, product.data(),
                                      static_cast<int>(product.size()), nullptr, 0) < 0) {
                product[0] = '\0';
            }
            product.back() = '\0';
            descriptions.emplace_back(product.data());
        }
        return descriptions;
    }

    std::unique_ptr<BridgeDevice> open(std::size_t index) override {
        if (index >= devices_.size()) {
            return nullptr;
        }
        return openDevice(Context(ftdi_new()), devices_[index]);
    }

    std::optional<std::vector<BridgePlace>> listPlaces(std::size_t maxDevices) override {
        const std::lock_guard lock(placeMutex_);
        if (!placeContext_) {
            placeContext_.reset(ftdi_new());
        }
        ftdi_device_list* list = nullptr;
        if (!placeContext_ || ftdi_usb_find_all(placeContext_.get(), &list, 0, 0) < 0) {
            return std::nullopt;
        }
        std::vector<BridgePlace> places;
        std::map<BridgePlace, std::string> seen;
        for (ftdi_device_list* entry = list; entry != nullptr && places.size() < maxDevices;
             entry = entry->next) {
            auto [bus, path] = busPlace(entry->dev);
            BridgePlace place{bus, std::move(path), {}};
            // The product string is asked once per place: asking opens the device, which a
            // download from it may be using.
            if (const auto known = descriptions_.find(place); known != descriptions_.end()) {
                place.description = known->second;
            } else {
                std::array<char, 128> product{};
                if (ftdi_usb_get_strings2(placeContext_.get(), entry->dev, nullptr, 0,
                                          product.data(), static_cast<int>(product.size()), nullptr,
                                          0) < 0) {
                    product[0] = '\0';
                }
                product.back() = '\0';
                place.description = product.data();
            }
            // A device without a readable description is asked again in the next listing.
            if (!place.description.empty()) {
                seen.emplace(place, place.description);
            }
            places.push_back(std::move(place));
        }
        ftdi_list_free(&list);
        descriptions_ = std::move(seen);
        std::sort(places.begin(), places.end());
        return places;
    }

    std::unique_ptr<BridgeDevice> openAt(const BridgePlace& place) override {
        return openBridgeAt(place.busNumber, place.portPath);
    }

    bool watchPlugging(std::function<void()> changed) override {
        stopWatching();
        auto watch = std::make_unique<PlugWatch>(std::move(changed));
        if (!watch->start()) {
            return false;
        }
        watch_ = std::move(watch);
        return true;
    }

    void stopWatching() override { watch_.reset(); }

private:
    void releaseList() {
        devices_.clear();
        if (list_ != nullptr) {
            ftdi_list_free(&list_);
        }
    }

    Context context_;
    ftdi_device_list* list_ = nullptr;
    std::vector<libusb_device*> devices_;
    // Listing places has a context of its own, so it never disturbs the link's index listing.
    std::mutex placeMutex_;
    Context placeContext_;
    std::map<BridgePlace, std::string> descriptions_;
    std::unique_ptr<PlugWatch> watch_;
};

} // namespace

std::unique_ptr<DeviceBus> makeHardwareBus() { return std::make_unique<LibftdiBus>(); }

std::unique_ptr<BridgeDevice> openBridgeAt(int busNumber, std::span<const std::uint8_t> portPath) {
    Context context(ftdi_new());
    ftdi_device_list* list = nullptr;
    if (!context ||
        ftdi_usb_find_all(context.get(), &list, kBridgeVendorId, kBridgeProductId) < 0) {
        return nullptr;
    }
    const std::tuple<int, std::vector<std::uint8_t>> wanted{
        busNumber, std::vector<std::uint8_t>(portPath.begin(), portPath.end())};
    libusb_device* found = nullptr;
    for (ftdi_device_list* entry = list; entry != nullptr && found == nullptr;
         entry = entry->next) {
        if (busPlace(entry->dev) == wanted) {
            found = entry->dev;
        }
    }
    // The open handle keeps its own reference to the device; the listing may go.
    std::unique_ptr<BridgeDevice> bridge;
    if (found != nullptr) {
        libusb_ref_device(found);
        ftdi_list_free(&list);
        // The context that listed the device opens it and lives as long as the bridge.
        bridge = openDevice(std::move(context), found);
        libusb_unref_device(found);
    } else {
        ftdi_list_free(&list);
    }
    return bridge;
}

bool hardwareBusAvailable() { return true; }

} // namespace kestrom
