#include "device/usb_diagnosis.h"

#include "device/link.h"

#include <libusb.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <tuple>

namespace kestrom {
namespace {

namespace fs = std::filesystem;

// A bus holding only the bridge under diagnosis, so the link connects to it exactly as the
// program would: time-outs, purge, handshake.
class OneBridgeBus : public DeviceBus {
public:
    explicit OneBridgeBus(const BridgeReport& bridge) : bridge_(bridge) {}
    std::optional<std::vector<std::string>> listDescriptions(std::size_t) override {
        return std::vector<std::string>{bridge_.description};
    }
    std::unique_ptr<BridgeDevice> open(std::size_t index) override {
        return index == 0 ? openBridgeAt(bridge_.busNumber, bridge_.portPath) : nullptr;
    }

private:
    const BridgeReport& bridge_;
};

class QuietPrompts : public Prompts {
public:
    Answer showMessage(Message, Message, Buttons) override { return Answer::Ok; }
    void showError(const std::string&) override {}
    std::optional<std::string> askFileName(FileDialog) override { return std::nullopt; }
    Language language() const override { return kEnglish; }
};

std::string firstLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string stringDescriptor(libusb_device_handle* handle, std::uint8_t index) {
    std::array<unsigned char, 128> text{};
    if (index == 0 || libusb_get_string_descriptor_ascii(handle, index, text.data(),
                                                         static_cast<int>(text.size())) < 0) {
        return {};
    }
    text.back() = '\0';
    return reinterpret_cast<const char*>(text.data());
}

// Processes that hold the node open, as "PID name"; only those this user may look at.
std::vector<std::string> holdersOf(const std::string& node) {
    std::vector<std::string> holders;
    std::error_code ec;
    for (const auto& process : fs::directory_iterator("/proc", ec)) {
        const std::string pid = process.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::error_code fdError;
        for (const auto& fd : fs::directory_iterator(process.path() / "fd", fdError)) {
            std::error_code linkError;
            if (fs::read_symlink(fd.path(), linkError) == node) {
                holders.push_back(pid + " " + firstLine(process.path() / "comm"));
                break;
            }
        }
    }
    return holders;
}

void examine(libusb_device* device, const libusb_device_descriptor& descriptor,
             BridgeReport& report) {
    const fs::path sysfs = fs::path("/sys/bus/usb/devices") / report.place();
    libusb_device_handle* handle = nullptr;
    const int opened = libusb_open(device, &handle);
    if (opened != LIBUSB_SUCCESS) {
        report.access = opened == LIBUSB_ERROR_ACCESS      ? BridgeAccess::NoPermission
                        : opened == LIBUSB_ERROR_NO_DEVICE ? BridgeAccess::Gone
                        : opened == LIBUSB_ERROR_BUSY      ? BridgeAccess::Busy
                                                           : BridgeAccess::Failed;
        report.accessError = libusb_error_name(opened);
        // Without opening, the kernel's copy of the product string is all there is.
        report.description = firstLine(sysfs / "product");
        report.serial = firstLine(sysfs / "serial");
        return;
    }
    report.description = stringDescriptor(handle, descriptor.iProduct);
    report.serial = stringDescriptor(handle, descriptor.iSerialNumber);
    if (report.description.empty()) {
        report.description = firstLine(sysfs / "product");
    }
    report.kernelDriverBound = libusb_kernel_driver_active(handle, 0) == 1;
    if (report.kernelDriverBound) {
        std::error_code ec;
        report.kernelDriver =
            fs::read_symlink(sysfs.string() + ":1.0/driver", ec).filename().string();
        report.access = BridgeAccess::Opened; // the program detaches the driver itself
    } else {
        const int claimed = libusb_claim_interface(handle, 0);
        if (claimed == LIBUSB_SUCCESS) {
            libusb_release_interface(handle, 0);
            report.access = BridgeAccess::Opened;
        } else {
            report.access = claimed == LIBUSB_ERROR_BUSY        ? BridgeAccess::Busy
                            : claimed == LIBUSB_ERROR_NO_DEVICE ? BridgeAccess::Gone
                                                                : BridgeAccess::Failed;
            report.accessError = libusb_error_name(claimed);
        }
    }
    libusb_close(handle);
    if (report.access == BridgeAccess::Busy) {
        report.holders = holdersOf(report.node());
    }
}

} // namespace

UsbDiagnosis diagnoseBridges(const DiagnosisOptions& options) {
    UsbDiagnosis result;
    for (const std::string& file : options.ruleFiles) {
        std::error_code ec;
        if (fs::exists(file, ec)) {
            result.udevRule = file;
            break;
        }
    }

    libusb_context* context = nullptr;
    if (const int init = libusb_init(&context); init != LIBUSB_SUCCESS) {
        result.listError = libusb_error_name(init);
        return result;
    }
    libusb_device** devices = nullptr;
    const ssize_t count = libusb_get_device_list(context, &devices);
    if (count < 0) {
        result.listError = libusb_error_name(static_cast<int>(count));
        libusb_exit(context);
        return result;
    }
    result.listed = true;
    for (ssize_t i = 0; i < count; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(devices[i], &descriptor) != LIBUSB_SUCCESS ||
            descriptor.idVendor != kBridgeVendorId || descriptor.idProduct != kBridgeProductId) {
            continue;
        }
        BridgeReport report;
        report.busNumber = libusb_get_bus_number(devices[i]);
        report.address = libusb_get_device_address(devices[i]);
        std::array<std::uint8_t, 8> ports{};
        const int depth =
            libusb_get_port_numbers(devices[i], ports.data(), static_cast<int>(ports.size()));
        report.portPath.assign(ports.begin(), ports.begin() + std::max(depth, 0));
        examine(devices[i], descriptor, report);
        result.bridges.push_back(std::move(report));
    }
    libusb_free_device_list(devices, 1);
    libusb_exit(context);

    std::sort(result.bridges.begin(), result.bridges.end(), [](const auto& a, const auto& b) {
        return std::tie(a.busNumber, a.portPath) < std::tie(b.busNumber, b.portPath);
    });
    for (BridgeReport& bridge : result.bridges) {
        bridge.descriptionMatches =
            bridge.description.find(kRecorderDescription) != std::string::npos;
        if (!options.tryHandshake || !bridge.descriptionMatches ||
            bridge.access != BridgeAccess::Opened) {
            continue;
        }
        OneBridgeBus bus(bridge);
        DeviceLink link(bus);
        QuietPrompts quiet;
        bridge.handshakeTried = true;
        link.ConnectDevice(quiet);
        bridge.answered = link.connected();
    }
    return result;
}

} // namespace kestrom
