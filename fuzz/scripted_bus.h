#pragma once
// A device bus whose every answer comes from a script of bytes, for the device fuzz target, and a
// bus that records a session with another bus (the simulated recorder) as such a script, for its
// seeds. Both follow one session of actions, runSession, so a recorded script replays the same
// conversation.
//
// Script layout, in the order the link asks:
//   session parameters: kSessionParamBytes bytes (see readSessionParams)
//   listing: one byte, 0xFF = the listing fails, else count % 4 then one byte per device naming
//            its description (kDescriptions, index % 4)
//   open, setTimeouts, purge, write: one byte each, 0 = success
//   read: a little-endian 16-bit count (cut to what was asked), then that many bytes
// An exhausted script reads as zeros: calls succeed, reads bring nothing, the listing is empty.

#include "core/prompts.h"
#include "device/actions.h"
#include "device/bridge.h"
#include "device/link.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace kestrom::fuzz {

inline constexpr std::array<std::string_view, 4> kDescriptions{"FT201X USB I2C", "FT232R USB UART",
                                                               "Dual RS232 FT201X-B", ""};
inline constexpr std::size_t kSessionParamBytes = 8;

// Reads a script front to back; past its end every byte is 0.
class ScriptReader {
public:
    explicit ScriptReader(std::span<const std::uint8_t> script) : script_(script) {}
    std::uint8_t byte();
    std::uint16_t word();
    // Copies up to count bytes into out (count <= out.size()); returns how many the script held.
    std::size_t bytes(std::span<std::uint8_t> out, std::size_t count);

private:
    std::span<const std::uint8_t> script_;
    std::size_t pos_ = 0;
};

class ScriptedBus : public DeviceBus {
public:
    explicit ScriptedBus(ScriptReader& reader) : reader_(reader) {}
    std::optional<std::vector<std::string>> listDescriptions(std::size_t maxDevices) override;
    std::unique_ptr<BridgeDevice> open(std::size_t index) override;

private:
    ScriptReader& reader_;
    std::size_t listed_ = 0;
};

// Passes every call to `inner` and appends its answers to `script` in the layout above.
class RecordingBus : public DeviceBus {
public:
    RecordingBus(DeviceBus& inner, std::vector<std::uint8_t>& script)
        : inner_(inner), script_(script) {}
    std::optional<std::vector<std::string>> listDescriptions(std::size_t maxDevices) override;
    std::unique_ptr<BridgeDevice> open(std::size_t index) override;

private:
    DeviceBus& inner_;
    std::vector<std::uint8_t>& script_;
};

// What the actions are asked to do besides talking to the recorder.
struct SessionParams {
    bool cancelZeroing = false;
    SettingsToWrite values;
};

SessionParams readSessionParams(ScriptReader& reader);
void writeSessionParams(std::vector<std::uint8_t>& script, const SessionParams& params);

// Prompts that answer OK, or Cancel to the zeroing question when asked to.
class SessionPrompts : public Prompts {
public:
    explicit SessionPrompts(bool cancelZeroing) : cancelZeroing_(cancelZeroing) {}
    Answer showMessage(Message text, Message caption, Buttons buttons) override;
    void showError(const std::string&) override {}
    std::optional<std::string> askFileName(FileDialog) override { return std::nullopt; }
    Language language() const override { return kEnglish; }
    int messages = 0;

private:
    bool cancelZeroing_;
};

// Connect, zeroing, download, settings read, settings save and default setup, in that order,
// with no real waits. Aborts when a result breaks what the actions promise (an image that is not
// the received bytes, a count beyond the receive buffer).
void runSession(DeviceLink& link, SessionPrompts& prompts, const SessionParams& params);

} // namespace kestrom::fuzz
