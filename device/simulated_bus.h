#pragma once
// A bus of simulated bridges: recorders that speak the 8-byte protocol, and other devices that
// never answer. Used by the tests, by kestrom-demo and by kestrom-cli --simulate. Time is either
// real (reads wait, a paced stream trickles in) or virtual (reads return at once and the bus
// only counts the time they would have taken), so tests of time-outs run fast.

#include "device/bridge.h"
#include "device/protocol.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kestrom {

// What a simulated recorder keeps in its memory.
struct RecorderState {
    std::uint16_t competitorNumber = 0;
    std::uint16_t serialNumber = 1234;
    std::int8_t temperatureC = 21;
    std::uint16_t triggerQuarterMetres = 120;
    std::uint8_t rateCode = 1;
    bool newFlight = true;
    std::uint8_t manualZeroing = 1; // the byte last written by eC
    std::uint16_t delayHundredths = 18000;
    std::uint16_t deviceFactor = 10000;
    std::uint8_t versionMinor = 3;
    std::uint8_t versionYear = 18;
    // The flight stream e1 sends: header, samples and the end marker, exactly as stored.
    std::vector<std::uint8_t> flight;
    // How many e223 frames it has obeyed. A complete e1 stream clears newFlight.
    int zeroings = 0;
};

// Ways a simulated recorder misbehaves. Defaults: a well-behaved recorder.
struct RecorderFaults {
    bool silent = false;              // answers nothing at all
    bool handshakeThreeBytes = false; // answers eT with 3 bytes
    bool handshakeA5InByte0 = false;  // answers eT with 0xA5 in byte 0 instead of byte 1
    // Per command code: replace the reply by these bytes (empty = no reply).
    std::array<std::optional<std::vector<std::uint8_t>>, 256> replyOverride{};
    // Every information and acknowledgement reply shortened (negative) or lengthened by this.
    int replyLengthDelta = 0;
    // The flight stream stops after this many bytes.
    std::optional<std::size_t> cutStreamAfter;
    bool omitEndMarker = false;              // the stored flight's last 0xFF 0xFF is not sent
    std::vector<std::uint8_t> trailingBytes; // sent after the flight stream
};

// The simulated recorder's command handling: one frame in, the reply bytes out.
class SimulatedRecorder {
public:
    RecorderState state;
    RecorderFaults faults;
    // Every frame received, in order, for tests to inspect.
    std::vector<std::array<std::uint8_t, 8>> frames;

    // Stores a flight stream as the recorder's last flight and takes the settings its header
    // was recorded with (competitor, serial number, rate code, device value), so what the
    // recorder reports agrees with the flight it hands over. A stream shorter than the header
    // changes only the flight.
    void holdFlight(std::vector<std::uint8_t> stream);

    // Handles one complete frame and returns what the recorder sends back.
    std::vector<std::uint8_t> respond(const std::array<std::uint8_t, 8>& frame);
};

struct SimulatedTiming {
    bool realTime = false;
    // Bytes per second of the flight stream and of replies; 0 sends them all at once.
    std::uint32_t bytesPerSecond = 0;
    // Bytes the recorder hands to the bridge at a time (the stream arrives in such chunks).
    std::size_t chunkBytes = 64;
};

class SimulatedBus : public DeviceBus {
public:
    explicit SimulatedBus(SimulatedTiming timing = {});
    ~SimulatedBus() override;

    // Attaches a recorder behind a bridge with this description; the reference stays valid for
    // the bus's life.
    SimulatedRecorder& addRecorder(std::string description = "FT201X USB I2C");
    // Attaches a recorder already holding this flight (see holdFlight), so that a watcher never
    // sees it empty; returns its attach position. For plugging recorders in while others are read.
    std::size_t plugRecorder(std::vector<std::uint8_t> flight,
                             std::string description = "FT201X USB I2C");
    // Attaches another device that is listed but never answers.
    void addOtherDevice(std::string description);
    // Unplugs (false) or plugs back (true) the device at this attach position: an unplugged
    // device disappears from the list and its open handle fails every call.
    void setPlugged(std::size_t position, bool plugged);
    // The device at this attach position refuses to open.
    void setOpenFails(std::size_t position, bool fails);
    // The listing itself fails.
    void setListFails(bool fails);
    // Bytes waiting in the bridge at this attach position before anyone reads (left from an
    // earlier session); a purge discards them.
    void injectBytes(std::size_t position, const std::vector<std::uint8_t>& bytes);

    // The bridge is pulled out once this many more bytes of recorder data have been read from it.
    void unplugAfterBytes(std::size_t position, std::size_t bytes);
    // Zeroings the recorder at this attach position has obeyed.
    int zeroings(std::size_t position) const;

    // Time the bus has spent waiting: real or virtual, since construction.
    std::chrono::microseconds elapsed() const;
    // How often each attach position was opened.
    int openCount(std::size_t position) const;

    std::optional<std::vector<std::string>> listDescriptions(std::size_t maxDevices) override;
    std::unique_ptr<BridgeDevice> open(std::size_t index) override;
    // A simulated device sits on bus 0 at port (attach position + 1). Several bridges may be open
    // and read from different threads at once: every call on the bus and its bridges is locked.
    std::optional<std::vector<BridgePlace>> listPlaces(std::size_t maxDevices) override;
    std::unique_ptr<BridgeDevice> openAt(const BridgePlace& place) override;

    struct Slot;
    struct Clock;
    // Pulls the device out: its handles die and what was on its way is lost. Caller holds the lock.
    static void pull(Slot& slot);

private:
    SimulatedTiming timing_;
    std::unique_ptr<Clock> clock_;
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Slot>> slots_;
    std::vector<std::size_t> lastListing_; // list index -> attach position
    bool listFails_ = false;
};

// A flight stream for tests and the demo when no generated flight is at hand: a 32-byte header
// (competitor, serial, UT, rate code, calibration words of a typical sensor), `samples` samples of
// a steady pressure, and the end-marker sample.
std::vector<std::uint8_t> makeSimpleFlight(std::size_t samples, std::uint8_t rateCode = 1);

} // namespace kestrom
