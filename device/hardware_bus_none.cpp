// Built without libftdi1: the hardware bus has no devices and nothing can be diagnosed.

#include "device/bridge.h"
#include "device/usb_diagnosis.h"

namespace kestrom {
namespace {

class EmptyBus : public DeviceBus {
public:
    std::optional<std::vector<std::string>> listDescriptions(std::size_t) override {
        return std::vector<std::string>{};
    }
    std::unique_ptr<BridgeDevice> open(std::size_t) override { return nullptr; }
};

} // namespace

std::unique_ptr<DeviceBus> makeHardwareBus() { return std::make_unique<EmptyBus>(); }

bool hardwareBusAvailable() { return false; }

std::unique_ptr<BridgeDevice> openBridgeAt(int, std::span<const std::uint8_t>) { return nullptr; }

UsbDiagnosis diagnoseBridges(const DiagnosisOptions&) {
    UsbDiagnosis result;
    result.listError = "built without libftdi1 and libusb";
    return result;
}

} // namespace kestrom
