#pragma once
// The contest station: every recorder plugged in is downloaded on a worker of its own, archived as
// the download button archives, and reported on by itself. One recorder failing or pulled out
// never holds up the others. Reports come from the workers' threads; a window passes them on to
// its own thread.

#include "core/status.h"
#include "core/texts.h"
#include "device/bridge.h"
#include "device/recorder_watcher.h"
#include "flight/flight_image.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kestrom {

enum class RecorderStage { Waiting, Downloading, Done, Failed };

// One recorder's state as the station last saw it.
struct RecorderReport {
    BridgePlace place;
    int visit = 0;         // counts the recorders seen, 1 for the first: one row per plugging in
    bool connected = true; // false once it was pulled out
    RecorderStage stage = RecorderStage::Waiting;
    std::uint32_t receivedBytes = 0;
    std::uint32_t expectedBytes = 0; // 0 while unknown
    // Known once a flight arrived (from its header and the archived file).
    std::uint16_t competitor = 0;
    std::uint16_t serial = 0;
    std::uint8_t rateCode = 0;
    bool evaluated = false;
    float maxAltitude = 0.0f; // m, as the maximum field shows it
    float minAltitude = 0.0f;
    std::optional<double> durationSeconds;
    std::filesystem::path archiveFile; // empty unless archived
    bool newFlight = false;            // the recorder said its flight was new
    bool zeroed = false;
    // Why it failed (or, when done, what went wrong after the flight was kept); "" otherwise.
    std::string reason;
};

// Writes the flight into the archive folder; archiveFlight unless a test plants another.
using ArchiveWriter = std::function<Result<std::filesystem::path>(
    const std::filesystem::path& folder, const FlightImage& image,
    std::chrono::system_clock::time_point when)>;

struct StationOptions {
    std::filesystem::path archiveFolder;
    // Zero each recorder once its archived file has been read back equal to what was received.
    bool zeroAfter = false;
    Language language = kEnglish; // of the failure reasons
    ArchiveWriter archive;        // empty: archiveFlight
    std::chrono::milliseconds listingPeriod = kPlugListingPeriod;
};

class Station {
public:
    using ReportSink = std::function<void(const RecorderReport&)>;

    // The bus must outlive the station. report is called from the station's threads, one call at
    // a time.
    Station(DeviceBus& bus, StationOptions options, ReportSink report);
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // Starts watching the bus: each recorder that appears is downloaded.
    void start();
    // No new recorders are taken; downloads under way go on.
    void stopWatching();
    // Downloads under way stop at their next read and are reported failed ("cancelled").
    void cancel();
    // Waits until no download runs.
    void waitIdle();
    // Downloads running now.
    int running() const;

    void setZeroAfter(bool on);

    // For the watcher (and tests that drive the station without one).
    void arrived(const BridgePlace& place);
    void left(const BridgePlace& place);

private:
    struct Entry {
        bool running = false;
        bool present = false;
        bool again = false; // plugged back in while its last download still ran
        int visit = 0;
        RecorderReport last;
    };
    void begin(const BridgePlace& place, Entry& entry);
    void download(BridgePlace place, int visit);
    void send(const RecorderReport& report);

    DeviceBus& bus_;
    StationOptions options_;
    ReportSink report_;
    std::atomic<bool> cancel_{false};
    std::atomic<bool> zeroAfter_{false};
    mutable std::mutex mutex_;
    std::mutex reportMutex_;
    std::condition_variable idle_;
    std::map<BridgePlace, Entry> entries_;
    int visits_ = 0;
    int running_ = 0;
    std::vector<std::thread> workers_;
    std::unique_ptr<RecorderWatcher> watcher_;
};

} // namespace kestrom
