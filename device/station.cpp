#include "device/station.h"

#include "core/prompts.h"
#include "device/actions.h"
#include "device/link.h"
#include "files/flight_archive.h"

#include <fstream>
#include <iterator>

namespace kestrom {
namespace {

constexpr int kConnectAttempts = 3;
constexpr std::chrono::milliseconds kConnectRetryWait{300};

// A worker's prompts: no message box ever opens. A message that ends the download becomes the
// recorder's failure reason; questions (only the zeroing's "Sure?", asked when zeroing after a
// safe download was switched on) are answered yes.
class StationPrompts : public Prompts {
public:
    explicit StationPrompts(Language language) : language_(language) {}

    Answer showMessage(Message text, Message, Buttons) override {
        switch (text) {
        case Message::ResetConfirm:
        case Message::ResetDone:
            break;
        case Message::NoNewFlight:
            noNewFlight = true;
            break;
        default:
            if (reason.empty()) {
                reason = std::string(messageText(text, language_));
                // The link's not-found text ends in a blank meant for a port name after it.
                while (!reason.empty() && reason.back() == ' ') {
                    reason.pop_back();
                }
            }
        }
        return Answer::Ok;
    }
    void showError(const std::string& text) override {
        if (reason.empty()) {
            reason = text;
        }
    }
    std::optional<std::string> askFileName(FileDialog) override { return std::nullopt; }
    Language language() const override { return language_; }

    std::string reason;
    bool noNewFlight = false;

private:
    Language language_;
};

std::optional<std::vector<std::uint8_t>> readBack(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace

Station::Station(DeviceBus& bus, StationOptions options, ReportSink report)
    : bus_(bus), options_(std::move(options)), report_(std::move(report)) {
    zeroAfter_ = options_.zeroAfter;
    if (!options_.archive) {
        options_.archive = archiveFlight;
    }
}

Station::~Station() {
    stopWatching();
    cancel();
    waitIdle();
    for (std::thread& worker : workers_) {
        worker.join();
    }
}

void Station::start() {
    cancel_ = false;
    if (!watcher_) {
        watcher_ = std::make_unique<RecorderWatcher>(
            bus_,
            RecorderWatcher::Events{[this](const BridgePlace& p) { arrived(p); },
                                    [this](const BridgePlace& p) { left(p); }},
            options_.listingPeriod);
    }
    watcher_->start();
}

void Station::stopWatching() {
    if (watcher_) {
        watcher_->stop();
    }
}

void Station::cancel() { cancel_ = true; }

void Station::waitIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return running_ == 0; });
}

int Station::running() const {
    const std::lock_guard lock(mutex_);
    return running_;
}

void Station::setZeroAfter(bool on) { zeroAfter_ = on; }

void Station::arrived(const BridgePlace& place) {
    const std::lock_guard lock(mutex_);
    Entry& entry = entries_[place];
    entry.present = true;
    if (entry.running) {
        entry.again = true;
        return;
    }
    begin(place, entry);
}

void Station::begin(const BridgePlace& place, Entry& entry) {
    entry.running = true;
    entry.again = false;
    entry.visit = ++visits_;
    ++running_;
    workers_.emplace_back([this, place, visit = entry.visit] { download(place, visit); });
}

void Station::left(const BridgePlace& place) {
    RecorderReport gone;
    {
        const std::lock_guard lock(mutex_);
        const auto found = entries_.find(place);
        if (found == entries_.end()) {
            return;
        }
        found->second.present = false;
        found->second.again = false;
        // A running download reports its own end when its reads fail.
        if (found->second.running) {
            return;
        }
        gone = found->second.last;
    }
    gone.connected = false;
    send(gone);
}

void Station::send(const RecorderReport& report) {
    const std::lock_guard lock(reportMutex_);
    if (report_) {
        report_(report);
    }
}

void Station::download(BridgePlace place, int visit) {
    RecorderReport report;
    report.place = place;
    report.visit = visit;
    send(report);

    const Language language = options_.language;
    const auto fail = [&](std::string reason) {
        report.stage = RecorderStage::Failed;
        report.reason = std::move(reason);
    };
    {
        DeviceLink link(bus_);
        link.pinTo(place);
        StationPrompts prompts(language);
        DownloadView view;
        view.showBusy = [&](bool shown) {
            if (shown) {
                report.stage = RecorderStage::Downloading;
                send(report);
            }
        };
        std::uint32_t lastPercent = 101;
        view.progressBytes = [&](std::uint32_t received, std::uint32_t expected) {
            report.receivedBytes = received;
            report.expectedBytes = expected;
            // One report per percent: a window need not repaint for every 256 bytes.
            const std::uint32_t percent =
                expected == 0
                    ? received / 1024
                    : static_cast<std::uint32_t>(std::uint64_t{received} * 100 / expected);
            if (percent != lastPercent) {
                lastPercent = percent;
                send(report);
            }
        };
        view.cancelRequested = [this] { return cancel_.load(); };

        // A bridge just plugged in may not answer at once (the system is still setting it up,
        // a hub is busy with its neighbours): a recorder that was not reached is tried again.
        DownloadResult result;
        for (int attempt = 1; attempt <= kConnectAttempts && !cancel_; ++attempt) {
            prompts.reason.clear();
            result = downloadFlight(link, prompts, view);
            if (result.outcome != DownloadOutcome::NotConnected) {
                break;
            }
            std::this_thread::sleep_for(kConnectRetryWait);
        }
        report.newFlight = result.newFlight;
        if (result.image.size() >= kHeaderBytes) {
            report.competitor = readU16le(result.image, kOffsetCompetitor);
            report.serial = readU16le(result.image, kOffsetSerial);
            report.rateCode = static_cast<std::uint8_t>(result.image[kOffsetRateCode] & 0x0F);
        }
        if (result.cancelled) {
            fail(std::string(messageText(Message::StationCancelled, language)));
        } else if (result.outcome != DownloadOutcome::Ok) {
            fail(prompts.reason.empty()
                     ? std::string(messageText(Message::StationNoRecorder, language))
                     : prompts.reason);
        } else if (!result.endSeen) {
            // Pulled out (or silent) half-way: a cut flight would stand in the results with a
            // wrong maximum, and the whole one is still in the recorder.
            fail(std::string(messageText(Message::StationBrokenOff, language)));
        } else {
            const Result<std::filesystem::path> archived =
                options_.archive(options_.archiveFolder, FlightImage(result.image),
                                 std::chrono::system_clock::now());
            if (!archived) {
                fail(std::string(messageText(Message::StationNotArchived, language)) +
                     archived.status.error);
            } else {
                report.archiveFile = *archived.value;
                const FlightSummary summary = readFlightSummary(report.archiveFile);
                report.evaluated = summary.evaluated;
                report.maxAltitude = summary.maxAltitude;
                report.minAltitude = summary.minAltitude;
                report.durationSeconds = summary.durationSeconds();
                report.stage = RecorderStage::Done;
                if (zeroAfter_) {
                    // Only a file that reads back exactly as received lets the recorder forget.
                    const auto back = readBack(report.archiveFile);
                    if (!back || *back != result.image) {
                        fail(std::string(messageText(Message::StationReadBackDiffers, language)));
                    } else if (zeroRecorder(link, prompts) == ZeroOutcome::Done) {
                        report.zeroed = true;
                    } else {
                        report.reason =
                            std::string(messageText(Message::StationZeroFailed, language));
                    }
                }
            }
        }
        link.CloseDevice();
    }
    send(report);

    const std::lock_guard lock(mutex_);
    Entry& entry = entries_[place];
    entry.last = report;
    entry.running = false;
    --running_;
    if (entry.again && entry.present && !cancel_) {
        begin(place, entry);
    }
    idle_.notify_all();
}

} // namespace kestrom
