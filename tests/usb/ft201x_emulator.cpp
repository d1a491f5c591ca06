#include "tests/usb/ft201x_emulator.h"

#include "device/link.h"

#include <umockdev.h>

#include <sys/ioctl.h>

#include <linux/capability.h>
#include <linux/usbdevice_fs.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace kestrom::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kPacketBytes = 64;
constexpr std::size_t kSetupBytes = 8;
// The two modem-status bytes an FT-X chip puts in front of every packet to the host.
constexpr std::array<std::uint8_t, 2> kModemStatus{0x01, 0x60};
constexpr std::uint8_t kDefaultLatencyMs = 16;

// FTDI vendor requests (bRequest of a vendor control transfer).
constexpr std::uint8_t kSioReset = 0x00;
constexpr std::uint8_t kSioSetLatency = 0x09;
constexpr std::uint8_t kSioGetLatency = 0x0A;
constexpr std::uint16_t kPurgeFromHost = 1; // the data the host sent, not yet taken
constexpr std::uint16_t kPurgeToHost = 2;   // the data waiting to go to the host

bool logging() { return std::getenv("KESTROM_USB_EMULATOR_LOG") != nullptr; }

std::string hex(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    for (const std::uint8_t byte : bytes) {
        std::array<char, 3> two{};
        std::snprintf(two.data(), two.size(), "%02x", byte);
        text += two.data();
    }
    return text;
}

std::vector<std::uint8_t> deviceDescriptor(std::uint16_t productId) {
    return {0x12,
            0x01,
            0x00,
            0x02,
            0x00,
            0x00,
            0x00,
            0x08,
            0x03,
            0x04,
            static_cast<std::uint8_t>(productId & 0xFF),
            static_cast<std::uint8_t>(productId >> 8),
            0x00,
            0x10, // bcdDevice 0x1000: the FT-X series
            0x01,
            0x02,
            0x03,
            0x01};
}

// One configuration, one vendor interface, bulk IN 0x81 and bulk OUT 0x02 of 64 bytes.
std::vector<std::uint8_t> configurationDescriptor() {
    return {0x09, 0x02, 0x20, 0x00, 0x01, 0x01, 0x00, 0xA0, 0x2D, 0x09, 0x04,
            0x00, 0x00, 0x02, 0xFF, 0xFF, 0xFF, 0x02, 0x07, 0x05, 0x81, 0x02,
            0x40, 0x00, 0x00, 0x07, 0x05, 0x02, 0x02, 0x40, 0x00, 0x00};
}

std::vector<std::uint8_t> stringDescriptor(const std::string& text) {
    std::vector<std::uint8_t> d{static_cast<std::uint8_t>(2 + 2 * text.size()), 0x03};
    for (const char c : text) {
        d.push_back(static_cast<std::uint8_t>(c));
        d.push_back(0x00);
    }
    return d;
}

struct Urb {
    UMockdevIoctlData* data = nullptr; // the resolved usbdevfs_urb, one reference held
    Clock::time_point submitted;
    usbdevfs_urb* get() const { return reinterpret_cast<usbdevfs_urb*>(data->data); }
};

struct Bridge {
    BridgeSetup setup;
    std::string syspath;
    std::string record; // what umockdev is given to add it
    Clock::time_point paceStart;
    std::size_t pacedBytes = 0;
    std::string devnode;
    std::unique_ptr<SimulatedRecorder> recorder;
    UMockdevIoctlBase* handler = nullptr;
    bool plugged = true;
    int generation = 0;
    std::string kernelDriver;
    std::uint8_t latencyMs = kDefaultLatencyMs;
    std::deque<std::uint8_t> toHost;
    std::vector<std::uint8_t> partialFrame;
    std::optional<std::size_t> unplugAfter;
    std::size_t sentBytes = 0;
};

void release(std::vector<Urb>& urbs) {
    for (Urb& urb : urbs) {
        g_object_unref(urb.data);
    }
    urbs.clear();
}

void release(std::deque<Urb>& urbs) {
    for (Urb& urb : urbs) {
        g_object_unref(urb.data);
    }
    urbs.clear();
}

// One open handle: the plug-in generation it was opened in (older ones are dead), its URBs in
// flight and those done but not reaped. Kept on the client object, so it ends with the handle.
struct Handle {
    int generation = 0;
    std::vector<Urb> inFlight;
    std::deque<Urb> done;
    ~Handle() {
        release(inFlight);
        release(done);
    }
};

constexpr const char* kHandleKey = "kestrom-handle";

Handle& handleOf(UMockdevIoctlClient* client, int generation) {
    auto* handle = static_cast<Handle*>(g_object_get_data(G_OBJECT(client), kHandleKey));
    if (handle == nullptr) {
        handle = new Handle{generation, {}, {}};
        g_object_set_data_full(G_OBJECT(client), kHandleKey, handle,
                               [](gpointer h) { delete static_cast<Handle*>(h); });
    }
    return *handle;
}

} // namespace

struct Ft201xEmulator::State {
    UMockdevTestbed* testbed = nullptr;
    GMainContext* context = nullptr;
    GMainLoop* loop = nullptr;
    std::thread thread;
    mutable std::mutex mutex;
    std::vector<std::unique_ptr<Bridge>> bridges;

    // Runs `work` on the handler thread and waits for it: ioctl handlers are attached there, so
    // their signals arrive on that thread's context.
    void runOnLoop(std::function<void()> work) {
        std::promise<void> finished;
        struct Call {
            std::function<void()>* work;
            std::promise<void>* finished;
        } call{&work, &finished};
        g_main_context_invoke(
            context,
            [](gpointer data) -> gboolean {
                auto* c = static_cast<Call*>(data);
                (*c->work)();
                c->finished->set_value();
                return G_SOURCE_REMOVE;
            },
            &call);
        finished.get_future().wait();
    }

    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        auto* pair = static_cast<std::pair<State*, Bridge*>*>(self);
        bool idle = false;
        gboolean handled = FALSE;
        {
            std::lock_guard lock(pair->first->mutex);
            handled = pair->first->handle(*pair->second, client, idle);
        }
        if (idle) {
            // The node always polls ready, so libusb asks again at once: a short pause keeps
            // the two threads from spinning against each other on a loaded machine.
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        return handled;
    }
    std::vector<std::unique_ptr<std::pair<State*, Bridge*>>> signalData;

    bool handle(Bridge& b, UMockdevIoctlClient* client, bool& idle);
    void control(Bridge& b, Urb& urb);
    void bulkOut(Bridge& b, Urb& urb);
    bool bulkIn(Bridge& b, Urb& urb, Clock::time_point now);
    void pull(Bridge& b) {
        b.plugged = false;
        ++b.generation;
        b.toHost.clear();
        b.partialFrame.clear();
    }
};

// Answers one usbdevfs ioctl of an open handle.
bool Ft201xEmulator::State::handle(Bridge& b, UMockdevIoctlClient* client, bool& idle) {
    const gulong request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    Handle& h = handleOf(client, b.generation);
    const bool alive = b.plugged && h.generation == b.generation;
    if (logging()) {
        std::fprintf(stderr, "usb emulator %s: ioctl 0x%lx%s\n", b.devnode.c_str(), request,
                     alive ? "" : " (gone)");
    }

    if (request == USBDEVFS_GET_CAPABILITIES) {
        UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(guint32), nullptr);
        *reinterpret_cast<guint32*>(d->data) = USBDEVFS_CAP_BULK_CONTINUATION |
                                               USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                               USBDEVFS_CAP_ZERO_PACKET;
        g_object_unref(d);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    if (!alive && request != USBDEVFS_REAPURB && request != USBDEVFS_REAPURBNDELAY &&
        request != USBDEVFS_DISCARDURB) {
        // The kernel answers every call on a node whose device has gone with ENODEV.
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return TRUE;
    }

    switch (request) {
    case USBDEVFS_CLAIMINTERFACE:
        umockdev_ioctl_client_complete(client, b.setup.claimedByAnother ? -1 : 0,
                                       b.setup.claimedByAnother ? EBUSY : 0);
        return TRUE;
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESET:
    case USBDEVFS_RESETEP:
    case USBDEVFS_SETCONFIGURATION:
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    case USBDEVFS_GETDRIVER: {
        UMockdevIoctlData* d =
            umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_getdriver), nullptr);
        auto* driver = reinterpret_cast<usbdevfs_getdriver*>(d->data);
        if (b.kernelDriver.empty()) {
            g_object_unref(d);
            umockdev_ioctl_client_complete(client, -1, ENODATA);
            return TRUE;
        }
        std::snprintf(driver->driver, sizeof(driver->driver), "%s", b.kernelDriver.c_str());
        g_object_unref(d);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    case USBDEVFS_IOCTL: {
        UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_ioctl), nullptr);
        const int code = reinterpret_cast<usbdevfs_ioctl*>(d->data)->ioctl_code;
        g_object_unref(d);
        if (code == static_cast<int>(USBDEVFS_DISCONNECT)) {
            const bool bound = !b.kernelDriver.empty();
            b.kernelDriver.clear();
            umockdev_ioctl_client_complete(client, bound ? 0 : -1, bound ? 0 : ENODATA);
        } else {
            umockdev_ioctl_client_complete(client, -1, ENOTTY);
        }
        return TRUE;
    }
    case USBDEVFS_SUBMITURB: {
        UMockdevIoctlData* data =
            umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
        auto* raw = reinterpret_cast<usbdevfs_urb*>(data->data);
        UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
            data, G_STRUCT_OFFSET(usbdevfs_urb, buffer), raw->buffer_length, nullptr);
        g_object_unref(buffer); // kept alive by `data`, which synchronises it back on reaping
        Urb urb{data, Clock::now()};
        raw->actual_length = 0;
        raw->status = 0;
        if (raw->type == USBDEVFS_URB_TYPE_CONTROL) {
            control(b, urb);
            h.done.push_back(urb);
        } else if (raw->type == USBDEVFS_URB_TYPE_BULK && (raw->endpoint & 0x80) == 0) {
            bulkOut(b, urb);
            h.done.push_back(urb);
        } else if (raw->type == USBDEVFS_URB_TYPE_BULK) {
            h.inFlight.push_back(urb);
        } else {
            g_object_unref(data);
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return TRUE;
        }
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    case USBDEVFS_DISCARDURB: {
        const auto address = reinterpret_cast<gulong>(*reinterpret_cast<void**>(arg->data));
        auto& flying = h.inFlight;
        const auto it = std::find_if(flying.begin(), flying.end(), [address](const Urb& u) {
            return u.data->client_addr == address;
        });
        if (it == flying.end()) {
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return TRUE;
        }
        it->get()->status = -ENOENT;
        h.done.push_back(*it);
        flying.erase(it);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY: {
        const auto now = Clock::now();
        auto& flying = h.inFlight;
        for (auto it = flying.begin(); it != flying.end();) {
            if (alive && bulkIn(b, *it, now)) {
                h.done.push_back(*it);
                it = flying.erase(it);
            } else {
                ++it;
            }
        }
        const bool stillThere = alive && b.plugged && b.generation == h.generation;
        if (!stillThere) {
            // Unplugging kills what was in flight; those URBs are reaped, then ENODEV follows.
            for (Urb& urb : flying) {
                urb.get()->status = -ESHUTDOWN;
                h.done.push_back(urb);
            }
            flying.clear();
        }
        auto& ready = h.done;
        if (ready.empty()) {
            // Nothing completed yet: libusb polls with the non-blocking reap.
            idle = stillThere;
            umockdev_ioctl_client_complete(client, -1, stillThere ? EAGAIN : ENODEV);
            return TRUE;
        }
        Urb urb = ready.front();
        ready.pop_front();
        UMockdevIoctlData* pointer = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
        umockdev_ioctl_data_set_ptr(pointer, 0, urb.data);
        g_object_unref(pointer);
        g_object_unref(urb.data);
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }
    default:
        if (logging()) {
            std::fprintf(stderr, "usb emulator: ioctl 0x%lx not handled\n", request);
        }
        return FALSE;
    }
}

// A control transfer: the 8-byte setup packet, then the data stage.
void Ft201xEmulator::State::control(Bridge& b, Urb& urb) {
    usbdevfs_urb* u = urb.get();
    auto* buffer = static_cast<std::uint8_t*>(u->buffer);
    if (u->buffer_length < static_cast<int>(kSetupBytes)) {
        u->status = -EPIPE;
        return;
    }
    const std::uint8_t requestType = buffer[0];
    const std::uint8_t request = buffer[1];
    const auto value = static_cast<std::uint16_t>(buffer[2] | (buffer[3] << 8));
    const auto length = static_cast<std::size_t>(buffer[6] | (buffer[7] << 8));
    std::vector<std::uint8_t> reply;
    bool stall = false;

    if (requestType == 0x80 && request == 0x06) { // GET_DESCRIPTOR
        const auto type = static_cast<std::uint8_t>(value >> 8);
        const auto index = static_cast<std::uint8_t>(value & 0xFF);
        if (type == 0x01) {
            reply = deviceDescriptor(b.setup.productId);
        } else if (type == 0x02) {
            reply = configurationDescriptor();
        } else if (type == 0x03 && index == 0) {
            reply = {0x04, 0x03, 0x09, 0x04}; // English (US)
        } else if (type == 0x03 && index == 1) {
            reply = stringDescriptor("FTDI");
        } else if (type == 0x03 && index == 2) {
            reply = stringDescriptor(b.setup.description);
        } else if (type == 0x03 && index == 3) {
            reply = stringDescriptor(b.setup.serial);
        } else {
            stall = true;
        }
    } else if (requestType == 0x80 && request == 0x08) { // GET_CONFIGURATION
        reply = {0x01};
    } else if (requestType == 0x40 && request == kSioReset) {
        if (value == kPurgeToHost) {
            b.toHost.clear();
        } else if (value == kPurgeFromHost) {
            b.partialFrame.clear();
        }
    } else if (requestType == 0x40 && request == kSioSetLatency) {
        b.latencyMs = static_cast<std::uint8_t>(std::max<int>(value & 0xFF, 1));
    } else if (requestType == 0xC0 && request == kSioGetLatency) {
        reply = {b.latencyMs};
    } else if (requestType == 0xC0 && request == 0x05) { // modem status
        reply = {kModemStatus[0], kModemStatus[1]};
    } else if ((requestType & 0x80) != 0 && logging()) {
        std::fprintf(stderr, "usb emulator: control IN %02x %02x %04x not known\n", requestType,
                     request, value);
    }
    // Other requests (baud rate, line and flow settings, modem lines) only need accepting.
    if (stall) {
        u->status = -EPIPE;
        return;
    }
    const std::size_t room = static_cast<std::size_t>(u->buffer_length) - kSetupBytes;
    const std::size_t n = std::min({reply.size(), length, room});
    std::copy_n(reply.begin(), n, buffer + kSetupBytes);
    u->actual_length = static_cast<int>(n);
}

// Bulk OUT: the bytes reach the recorder, which answers every complete 8-byte frame.
void Ft201xEmulator::State::bulkOut(Bridge& b, Urb& urb) {
    usbdevfs_urb* u = urb.get();
    const auto* bytes = static_cast<const std::uint8_t*>(u->buffer);
    for (int i = 0; i < u->buffer_length; ++i) {
        b.partialFrame.push_back(bytes[i]);
        if (b.partialFrame.size() == kFrameBytes) {
            std::array<std::uint8_t, kFrameBytes> frame{};
            std::copy(b.partialFrame.begin(), b.partialFrame.end(), frame.begin());
            b.partialFrame.clear();
            if (b.recorder) {
                const std::vector<std::uint8_t> reply = b.recorder->respond(frame);
                if (b.toHost.empty()) {
                    b.paceStart = Clock::now();
                    b.pacedBytes = 0;
                }
                b.toHost.insert(b.toHost.end(), reply.begin(), reply.end());
            }
        }
    }
    u->actual_length = u->buffer_length;
}

// Bulk IN: what waits goes out in 64-byte packets, each led by the modem status; a short packet
// ends the transfer. With nothing waiting the chip sends the status alone once its latency timer
// runs out. False while the transfer has to wait.
bool Ft201xEmulator::State::bulkIn(Bridge& b, Urb& urb, Clock::time_point now) {
    usbdevfs_urb* u = urb.get();
    if (u->status != 0) {
        return true;
    }
    // At the recorder's pace only what it has sent so far waits in the chip.
    std::size_t waiting = b.toHost.size();
    if (b.setup.bytesPerSecond > 0) {
        const double sent = std::chrono::duration<double>(now - b.paceStart).count() *
                            static_cast<double>(b.setup.bytesPerSecond);
        const auto due = static_cast<std::size_t>(sent);
        waiting = std::min(waiting, due > b.pacedBytes ? due - b.pacedBytes : 0);
    }
    if (waiting == 0 && now - urb.submitted < std::chrono::milliseconds(b.latencyMs)) {
        return false;
    }
    auto* buffer = static_cast<std::uint8_t*>(u->buffer);
    const auto capacity = static_cast<std::size_t>(u->buffer_length);
    std::size_t used = 0;
    while (used + kModemStatus.size() <= capacity) {
        std::size_t payload = std::min(
            {kPacketBytes - kModemStatus.size(), waiting, capacity - used - kModemStatus.size()});
        waiting -= payload;
        b.pacedBytes += payload;
        if (b.unplugAfter) {
            payload = std::min(payload, *b.unplugAfter - std::min(*b.unplugAfter, b.sentBytes));
        }
        std::copy(kModemStatus.begin(), kModemStatus.end(), buffer + used);
        used += kModemStatus.size();
        std::copy_n(b.toHost.begin(), payload, buffer + used);
        b.toHost.erase(b.toHost.begin(), b.toHost.begin() + static_cast<std::ptrdiff_t>(payload));
        used += payload;
        b.sentBytes += payload;
        if (b.unplugAfter && b.sentBytes >= *b.unplugAfter) {
            b.unplugAfter.reset();
            pull(b);
            break;
        }
        if (payload + kModemStatus.size() < kPacketBytes) {
            break; // a short packet ends the transfer
        }
    }
    u->actual_length = static_cast<int>(used);
    return true;
}

Ft201xEmulator::Ft201xEmulator() : state_(std::make_unique<State>()) {
    state_->testbed = umockdev_testbed_new();
    if (state_->testbed == nullptr) {
        throw std::runtime_error("umockdev test bed could not be made");
    }
    state_->context = g_main_context_new();
    state_->loop = g_main_loop_new(state_->context, FALSE);
    State* s = state_.get();
    std::promise<void> running;
    state_->thread = std::thread([s, &running] {
        // Handlers attached on this thread are served by this context.
        g_main_context_push_thread_default(s->context);
        running.set_value();
        g_main_loop_run(s->loop);
        g_main_context_pop_thread_default(s->context);
    });
    running.get_future().wait();
}

Ft201xEmulator::~Ft201xEmulator() {
    State* s = state_.get();
    s->runOnLoop([s] {
        for (auto& bridge : s->bridges) {
            umockdev_testbed_detach_ioctl(s->testbed, bridge->devnode.c_str(), nullptr);
        }
    });
    g_main_loop_quit(s->loop);
    s->thread.join();
    for (auto& bridge : s->bridges) {
        g_object_unref(bridge->handler);
    }
    g_main_loop_unref(s->loop);
    g_main_context_unref(s->context);
    g_object_unref(s->testbed);
}

std::size_t Ft201xEmulator::plug(const BridgeSetup& setup) {
    State* s = state_.get();
    auto bridge = std::make_unique<Bridge>();
    const std::size_t position = s->bridges.size();
    const int port = static_cast<int>(position) + 1;
    const int devnum = static_cast<int>(position) + 2;
    bridge->setup = setup;
    bridge->kernelDriver = setup.kernelDriver;
    bridge->syspath = "/sys/devices/usb1/1-" + std::to_string(port);
    std::array<char, 32> node{};
    std::snprintf(node.data(), node.size(), "/dev/bus/usb/001/%03d", devnum);
    bridge->devnode = node.data();
    if (setup.recorder) {
        bridge->recorder = std::make_unique<SimulatedRecorder>();
        if (!setup.flight.empty()) {
            bridge->recorder->holdFlight(setup.flight);
        }
    }
    bridge->handler = umockdev_ioctl_base_new();
    Bridge* b = bridge.get();
    {
        std::lock_guard lock(s->mutex);
        s->bridges.push_back(std::move(bridge));
    }
    s->signalData.push_back(std::make_unique<std::pair<State*, Bridge*>>(s, b));
    gpointer data = s->signalData.back().get();
    g_signal_connect(b->handler, "handle-ioctl", G_CALLBACK(&State::onIoctl), data);

    std::vector<std::uint8_t> descriptors = deviceDescriptor(setup.productId);
    const auto config = configurationDescriptor();
    descriptors.insert(descriptors.end(), config.begin(), config.end());
    std::array<char, 8> pid{};
    std::snprintf(pid.data(), pid.size(), "%04x", setup.productId);
    const std::string description = "P: /devices/usb1/1-" + std::to_string(port) + "\n" +
                                    "N: " + b->devnode.substr(5) + "\n" +
                                    "E: DEVNAME=" + b->devnode + "\n" +
                                    "E: SUBSYSTEM=usb\n"
                                    "E: DEVTYPE=usb_device\n"
                                    "E: DRIVER=usb\n"
                                    "A: idVendor=0403\n"
                                    "A: idProduct=" +
                                    pid.data() + "\n" +
                                    "A: busnum=1\\n\n"
                                    "A: devnum=" +
                                    std::to_string(devnum) + "\\n\n" +
                                    "A: speed=12\\n\n"
                                    "A: bConfigurationValue=1\\n\n"
                                    "A: product=" +
                                    setup.description + "\\n\n" + "A: serial=" + setup.serial +
                                    "\\n\n" + "H: descriptors=" + hex(descriptors) + "\n";
    // The handler first, so the node answers from the moment the device appears.
    bool attached = false;
    s->runOnLoop([s, b, &attached] {
        attached = umockdev_testbed_attach_ioctl(s->testbed, b->devnode.c_str(), b->handler,
                                                 nullptr) != FALSE;
    });
    GError* error = nullptr;
    b->record = description;
    const bool added =
        umockdev_testbed_add_from_string(s->testbed, description.c_str(), &error) != FALSE;
    // Listeners already running (libusb's hot-plug) learn of it as of a real device.
    umockdev_testbed_uevent(s->testbed, b->syspath.c_str(), "add");
    if (!attached || !added) {
        const std::string why = error != nullptr ? error->message : "attach failed";
        g_clear_error(&error);
        throw std::runtime_error("emulated bridge not added: " + why);
    }
    return position;
}

SimulatedRecorder& Ft201xEmulator::recorder(std::size_t position) {
    std::lock_guard lock(state_->mutex);
    SimulatedRecorder* r = state_->bridges.at(position)->recorder.get();
    if (r == nullptr) {
        throw std::logic_error("this bridge has no recorder");
    }
    return *r;
}

void Ft201xEmulator::unplug(std::size_t position) {
    std::lock_guard lock(state_->mutex);
    state_->pull(*state_->bridges.at(position));
}

void Ft201xEmulator::plugBack(std::size_t position) {
    std::lock_guard lock(state_->mutex);
    Bridge& b = *state_->bridges.at(position);
    b.plugged = true;
    b.latencyMs = kDefaultLatencyMs;
    b.kernelDriver = b.setup.kernelDriver;
}

void Ft201xEmulator::detach(std::size_t position) {
    Bridge* b = nullptr;
    {
        std::lock_guard lock(state_->mutex);
        b = state_->bridges.at(position).get();
        state_->pull(*b);
    }
    umockdev_testbed_uevent(state_->testbed, b->syspath.c_str(), "remove");
    umockdev_testbed_remove_device(state_->testbed, b->syspath.c_str());
}

void Ft201xEmulator::attach(std::size_t position) {
    Bridge* b = nullptr;
    {
        std::lock_guard lock(state_->mutex);
        b = state_->bridges.at(position).get();
        b->plugged = true;
        b->latencyMs = kDefaultLatencyMs;
        b->kernelDriver = b->setup.kernelDriver;
    }
    GError* error = nullptr;
    if (umockdev_testbed_add_from_string(state_->testbed, b->record.c_str(), &error) == FALSE) {
        const std::string why = error != nullptr ? error->message : "add failed";
        g_clear_error(&error);
        throw std::runtime_error("emulated bridge not added again: " + why);
    }
    umockdev_testbed_uevent(state_->testbed, b->syspath.c_str(), "add");
}

void Ft201xEmulator::unplugAfterBytes(std::size_t position, std::size_t bytes) {
    std::lock_guard lock(state_->mutex);
    Bridge& b = *state_->bridges.at(position);
    b.unplugAfter = b.sentBytes + bytes;
}

void Ft201xEmulator::setNodeMode(std::size_t position, unsigned mode) {
    const std::string path = rootDir() + state_->bridges.at(position)->devnode;
    if (chmod(path.c_str(), static_cast<mode_t>(mode)) != 0) {
        throw std::runtime_error("chmod " + path + ": " + std::strerror(errno));
    }
}

std::string Ft201xEmulator::kernelDriver(std::size_t position) const {
    std::lock_guard lock(state_->mutex);
    return state_->bridges.at(position)->kernelDriver;
}

std::size_t Ft201xEmulator::bytesToHost(std::size_t position) const {
    std::lock_guard lock(state_->mutex);
    return state_->bridges.at(position)->sentBytes;
}

std::string Ft201xEmulator::rootDir() const {
    gchar* root = umockdev_testbed_get_root_dir(state_->testbed);
    std::string dir(root);
    g_free(root);
    return dir;
}

namespace {

constexpr std::uint32_t kOverrideCaps =
    (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

bool capabilities(std::array<__user_cap_data_struct, 2>& data, bool set) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return syscall(set ? SYS_capset : SYS_capget, &header, data.data()) == 0;
}

} // namespace

WithoutPermissionOverride::WithoutPermissionOverride() {
    std::array<__user_cap_data_struct, 2> data{};
    if (capabilities(data, false) && (data[0].effective & kOverrideCaps) != 0) {
        data[0].effective &= ~kOverrideCaps;
        dropped_ = capabilities(data, true);
    }
}

WithoutPermissionOverride::~WithoutPermissionOverride() {
    std::array<__user_cap_data_struct, 2> data{};
    if (dropped_ && capabilities(data, false)) {
        data[0].effective |= data[0].permitted & kOverrideCaps;
        capabilities(data, true);
    }
}

} // namespace kestrom::test
