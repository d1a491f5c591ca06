// Built without libftdi1: the hardware bus has no devices.

#include "device/bridge.h"

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

} // namespace kestrom
