#pragma once
// The contest window: the recorders plugged in now and their state, the open contest's flights
// and its standings. While it is shown the station downloads every recorder plugged in, and each
// flight it keeps joins the open contest. The station's reports come from its worker threads and
// reach the window's thread by queued calls, so the window never waits for a recorder. Hiding
// the window (or destroying it with the program) stops the downloads under way at their next
// read.

#include "analysis/standings.h"
#include "core/prompts.h"
#include "core/texts.h"
#include "device/station.h"
#include "files/contest.h"
#include "files/flight_archive.h"
#include "settings/settings_texts.h"

#include <QDialog>
#include <QString>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;
class QTableWidget;

namespace kestrom::ui {

class FlightListModel;

struct ContestNaming {
    std::string name;
    std::string date;
};

// The contest window's own dialogs, given to it so that tests answer them.
class ContestDialogs {
public:
    virtual ~ContestDialogs() = default;
    // The name and date of a new contest; std::nullopt when cancelled.
    virtual std::optional<ContestNaming> askNewContest(Language language) = 0;
    // Measurement files to add, chosen starting in folder; empty when cancelled.
    virtual std::vector<std::string> askFlightFiles(Language language,
                                                    const std::filesystem::path& folder) = 0;
    // A longer text to read (the connection diagnosis) under a title.
    virtual void showText(const QString& title, const QString& text) = 0;
};

struct ContestWindowSetup {
    DeviceBus* bus = nullptr; // must outlive the window
    Prompts* prompts = nullptr;
    ContestDialogs* dialogs = nullptr;
    std::filesystem::path archive; // downloads go here; contests under its "contests"
    // Opens a flight in the main window; returns whether it was taken.
    std::function<bool(const std::string& path)> openFlight;
    // How often a bus that cannot tell plugging itself is listed.
    std::chrono::milliseconds listingPeriod = kPlugListingPeriod;
    ArchiveWriter archiveWriter; // empty: archiveFlight
};

// What the window shows of a contest flight, read from its file.
struct ContestFlight {
    FlightSummary summary;
    std::optional<StandingsFlight> standing; // none when the file has no maximum to rank
};
ContestFlight readContestFlight(const std::filesystem::path& path);

class ContestWindow : public QDialog {
    Q_OBJECT
public:
    enum RecorderColumn { Socket, State, Competitor, Serial, Maximum, File, kRecorderColumns };
    enum StandingsColumn { Rank, StandingsCompetitor, Flights, Best, Maxima, kStandingsColumns };

    explicit ContestWindow(ContestWindowSetup setup, QWidget* parent = nullptr);
    ~ContestWindow() override;

    void setLanguage(Language language, SamplingList samplingList);

    // The open contest, if any.
    const std::optional<Contest>& contest() const { return contest_; }

    // The buttons. Failures are shown through the prompts.
    void newContest();
    void addFlights();
    void removeSelectedFlights();
    // The standings as CSV (as kestrom-cli standings writes them) or as the one-page PDF into a
    // file the prompts name; false when nothing was written.
    bool exportCsv();
    bool exportPdf();
    // Zeroing after a safe download; switching it on is confirmed first. Returns the state now.
    bool setZeroAfter(bool on);

    // The station runs (the window is shown).
    bool stationRunning() const { return station_ != nullptr; }

    QTableWidget* recordersTable() const { return recorders_; }
    QTableView* flightsTable() const { return flights_; }
    QTableWidget* standingsTable() const { return standings_; }
    QCheckBox* zeroAfterBox() const { return zeroAfter_; }

signals:
    // A station report reached the window's thread and is shown.
    void recorderReported();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void startStation();
    void stopStation();
    // On the window's thread. Reports of an earlier run of the station only add their flight.
    void apply(const RecorderReport& report, int run);
    void showRecorders();
    // Reads the flight once; the tables and the standings file are drawn from what was read.
    void remember(const std::filesystem::path& flight);
    void contestChanged();
    std::vector<StandingsRow> rankedStandings() const;
    void retranslate();
    QString recorderState(const RecorderReport& report) const;

    ContestWindowSetup setup_;
    Language language_ = kPolish;
    SamplingList samplingList_ = SamplingList::DesignItems;
    std::optional<Contest> contest_;
    // What each contest flight's file holds, read when it joined.
    std::map<std::filesystem::path, ContestFlight> read_;
    // One row per socket: its latest plugging in.
    std::map<BridgePlace, RecorderReport> recorderRows_;
    std::vector<RecorderStage> recorderShape_; // the stages the column widths were fitted to
    std::unique_ptr<Station> station_;
    int run_ = 0;
    bool zeroAfterOn_ = false;

    QLabel* title_ = nullptr;
    QLabel* recordersLabel_ = nullptr;
    QLabel* flightsLabel_ = nullptr;
    QLabel* standingsLabel_ = nullptr;
    QTableWidget* recorders_ = nullptr;
    QTableView* flights_ = nullptr;
    FlightListModel* flightsModel_ = nullptr;
    QTableWidget* standings_ = nullptr;
    QPushButton* new_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* csv_ = nullptr;
    QPushButton* pdf_ = nullptr;
    QCheckBox* zeroAfter_ = nullptr;
};

} // namespace kestrom::ui
