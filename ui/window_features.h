#pragma once
// What the window offers beyond its own controls, attached from outside so the window class keeps
// to them: the Flights menu (flights list, recent files, archiving of downloads, contest report),
// files dropped on the window, and the measuring bracket on the chart.

#include "core/texts.h"
#include "flight/flight_image.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QAction;
class QEvent;
class QMenu;
class QWidget;

namespace kestrom::ui {

class FlightsWindow;
class MeasureBracket;
class RecentFiles;
class TKestrom_BMP;

class WindowFeatures : public QObject {
    Q_OBJECT
public:
    // Attaches to the window (which owns the result). Its settings file lies beside the
    // configuration record.
    explicit WindowFeatures(TKestrom_BMP& window);
    ~WindowFeatures() override;

    // The window's own settings (archiving switch, recent files), beside the configuration.
    QString settingsPath() const { return settingsPath_; }

    MeasureBracket& measureBracket() { return *measure_; }
    RecentFiles& recentFiles() { return *recent_; }

    // A dropped file: on the left half of the window it is loaded, on the right half compared.
    void dropFile(const QString& path, bool rightHalf);
    // Several files at once (a command line, a drop of more than one): the first is loaded, the
    // second compared; any further ones are not opened, and a message names them.
    void openFiles(const QStringList& files);

    QMenu* flightsMenu() const { return flightsMenu_; }
    QMenu* recentMenu() const { return recentMenu_; }
    QAction* flightsAction() const { return flightsAction_; }
    QAction* archiveAction() const { return archiveAction_; }
    QAction* reportAction() const { return reportAction_; }

    // The contest report of the flights on screen into a PDF file the prompts name. Returns the
    // pages written; nothing on screen, a cancelled dialog or a failure (shown) give 0.
    int writeReport();

    // Whether downloads are archived (the check item, kept in the settings file).
    bool archiving() const;
    // The Flights window, created on first use and filled from the archive and the recent files.
    FlightsWindow& flightsWindow();
    void showFlightsWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void retranslate();
    void rebuildRecentMenu();
    // A download delivered a flight: kept in the archive unless archiving is off. Runs on the
    // recorder's worker, so the window does not wait for the disk; what it returns runs on the
    // window's thread afterwards (a failure told, the Flights window read again).
    std::function<void()> archiveDownload(const FlightImage& image);
    void setArchiving(bool on);
    void reloadFlightsWindow();
    // Reads the archive and the recent files (dropping vanished ones) into the Flights window.
    void readFlightsWindow();
    // A drag of a local file on the window or one of its fields: taken, and dropped where the
    // point lies in the window. Any other drag is left to the receiver.
    bool takeFileDrag(QWidget& receiver, QEvent* event);

    TKestrom_BMP& window_;
    QString settingsPath_;
    MeasureBracket* measure_ = nullptr; // owned by the chart
    std::unique_ptr<RecentFiles> recent_;
    QMenu* flightsMenu_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QAction* flightsAction_ = nullptr;
    QAction* archiveAction_ = nullptr;
    QAction* reportAction_ = nullptr;
    FlightsWindow* flights_ = nullptr; // owned by the window
};

// Attaches the features to a window (start-up and tests).
WindowFeatures& attachWindowFeatures(TKestrom_BMP& window);

} // namespace kestrom::ui
