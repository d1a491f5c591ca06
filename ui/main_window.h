#pragma once
// The main window: recorder buttons and panel, disk buttons, comparison button and panel, the
// chart, the hidden busy fields and the menu. It builds the controls and connects each to its
// handler; what is done with flights is FlightFlows' (ui/flight_flows.h). It owns the shared state
// of a run (the two flight records, the configuration record, the device link). The bus, the
// prompts and the configuration as start-up read it are given to it; it creates none of them.

#include "analysis/compare_flight.h"
#include "analysis/filter.h"
#include "analysis/shown_flights.h"
#include "core/prompts.h"
#include "core/texts.h"
#include "device/link.h"
#include "files/config.h"
#include "flight/flight_header.h"
#include "flight/flight_record.h"
#include "settings/settings_texts.h"
#include "ui/chart.h"
#include "ui/flight_panel.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPrinter;
class QPushButton;
class QScrollArea;
class QShortcut;

namespace kestrom::ui {

class FlightFlows;
class RecorderTask;
class TFoInfo;

// The configuration as the program's start-up read it, handed to the window, which keeps it
// for the run and writes it back when the user changes a choice and at the end.
struct WindowConfig {
    ConfigRecord record;
    std::string path;
    bool kept = false; // the file could not be read: it is never written in this run
    std::string error; // why, shown when the window opens
};

// Everything a run keeps, owned by the window and handed by reference to whoever works on it.
// The language is config.Language; the menus' check marks are kept by their actions only.
struct WindowState {
    ConfigRecord config;
    std::string configPath;
    bool configKept = false; // the file could not be read: it is never written in this run
    // The two flights and everything the chart, the panels and the reports show of them.
    ShownFlights shown;
    FilterWork filter; // working curves of the two Filter buttons
    // What the settings dialog's sampling list reads now; the panels show its items.
    SamplingList samplingList = SamplingList::DesignItems;
};

class TKestrom_BMP : public QMainWindow {
    Q_OBJECT
public:
    // `config` is what start-up read; `programPath` is the running program's file, beside which
    // the user guide is looked for. bus and prompts must outlive the window.
    TKestrom_BMP(DeviceBus& bus, Prompts& prompts, WindowConfig config,
                 const std::string& programPath, QWidget* parent = nullptr);
    ~TKestrom_BMP() override;

    WindowState& state() { return state_; }
    const WindowState& state() const { return state_; }
    DeviceLink& link() { return link_; }
    // Runs the recorder actions off the window's thread; only its actions use the link.
    RecorderTask& recorderTask() { return *task_; }
    // A recorder action (download, zeroing, settings, default set-up) is running.
    bool recorderBusy() const;
    Prompts& prompts() { return prompts_; }
    Chart& chart() { return *Chart1; }
    const Chart& chart() const { return *Chart1; }
    Language CurrentLanguage() const { return languageFromStored(state_.config.Language); }
    // The two flight panels, GroupB_Alt and GroupB_Por.
    const FlightPanel& recorderPanel() const { return *GroupB_Alt; }
    const FlightPanel& comparisonPanel() const { return *GroupB_Por; }
    // The comparison is shown: the check mark of Porownanie1.
    bool comparisonShown() const;
    // Porownanie1, for those that act when the comparison is taken off or put back.
    QAction& comparisonAction() const { return *Porownanie1; }
    // MenuJezyk, before which further menus are put.
    QMenu& languageMenu() const { return *MenuJezyk; }

    // The dialogs created after the window in start-up order; the window opens them from the menu.
    void setSettingsDialog(QDialog* dialog) { settingsDialog_ = dialog; }
    void setFilterDialog(QDialog* dialog) { filterDialog_ = dialog; }
    void setAboutBox(TFoInfo* box) { aboutBox_ = box; }
    QDialog* settingsDialog() const { return settingsDialog_; }
    QDialog* filterDialog() const { return filterDialog_; }

    // How a document is handed to the desktop's open handler (the user guide); returns whether
    // it was opened. Tests replace it.
    void setDocumentOpener(std::function<bool(const QString& path)> opener) {
        openDocument_ = std::move(opener);
    }
    // The user guide of the current language: the help file named for it in the current folder
    // if there is one, else the HTML guide in help/ beside the program, else the installed one
    // (../share/kestrom/help from the program's folder). Nothing when none exists.
    std::optional<QString> findUserGuide() const;

    // Writes the configuration record; a failure is shown through the prompts' error display.
    // Returns whether it was written. A file that could not be read at start-up is left alone.
    bool saveConfiguration();

    // Puts every language-dependent caption into the current language.
    void ApplyLanguage();

    // Lays the controls out for the current client size (the part of the client the window
    // shows); skipped for a width of 0 or above 128000. The client grows beyond that size to hold
    // controls the rules push out, and scrolls.
    void FormResize();

    // Puts the three-line output heading and a white background into the chart, and takes them
    // out again (title "        Wysokosc / Altitude", the remembered background).
    void PrepareOutputTitle();
    void RestoreChartTitle();
    // The current printer: chosen in the printer set-up, used by every print.
    QPrinter& printer();
    // How the printer set-up dialog is shown for the current printer; tests replace it.
    void setPrinterSetup(std::function<void(QPrinter&)> setup) { printerSetup_ = std::move(setup); }

    // Load a named measurement file as the recorder flight or as the comparison, as BOdczyt and
    // B_Porownanie do with the name their dialog gave. A failure is shown as there; returns
    // whether the file was taken.
    bool loadRecorderFile(const std::string& name);
    bool loadCompareFile(const std::string& name);

    // How a delivered download is kept: called on the recorder's worker with the flight's image,
    // so the window does not wait for the disk; what it returns (may be empty) runs on the
    // window's thread once the flight is taken in.
    using DownloadKeeper = std::function<std::function<void()>(const FlightImage& image)>;
    void setDownloadKeeper(DownloadKeeper keeper) { keeper_ = std::move(keeper); }

signals:
    // A file was loaded (comparison = false) or compared (true) through either path above.
    void flightFileOpened(const QString& path, bool comparison);
    // A download delivered a flight: the recorder record holds its image.
    void flightDownloaded();
    // Every caption is now in the current language.
    void languageApplied();
    // The chart and the panels have drawn a new state of state().shown.
    void shownChanged();

public slots:
    // Recorder and disk (download, zeroing, save, load).
    void B_Odczyt_KestromuClick();
    void BZerowanieClick();
    void BZapisz_PomiarClick();
    void BLaduj_pomiarClick();
    // B_Anuluj and Esc: stop the download at its next read; what arrived is shown, not archived.
    void B_AnulujClick();

    // Menu.
    void Ustawienia1Click();
    void Ustawienia2Click();
    void Se1Click();
    void Przyspieszenie1Click();
    void Porownanie1Click();
    void Warto1Click();
    void UstawDrukarke1Click();
    void Drukuj1Click();
    void ZapiszObraz1Click();
    void ZapiszdoExcela1Click();
    void Polski1Click();
    void English1Click();
    void Info1Click();
    void Help1Click();
    void FormHelp();

    // Filter and comparison buttons.
    void B_Filtr_AltClick();
    void B_Filtr_porClick();
    void B_PorownanieClick();

    // Chart events.
    void ppp();
    void xxx(kestrom::ui::SeriesId series);
    void Chart1Zoom();
    void Chart1UndoZoom();

    // Enter in a temperature field (the key filter is an event filter on both fields).
    void E_TempGlKeyPress();
    void E_TempPorKeyPress();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The central widget: it shows the client that holds the controls.
    QScrollArea* clientScroll_ = nullptr;
    // Controls, named as their Qt object names; the panels' fields are the panels' own.
    QPushButton* B_Odczyt_Kestromu = nullptr;
    QPushButton* BZerowanie = nullptr;
    QPushButton* B_Filtr_Alt = nullptr;
    FlightPanel* GroupB_Alt = nullptr;
    QGroupBox* GBDysk_ZapisOdczyt = nullptr;
    QPushButton* BZapisz = nullptr;
    QPushButton* BOdczyt = nullptr;
    QPushButton* B_Porownanie = nullptr;
    QPushButton* B_Filtr_por = nullptr;
    FlightPanel* GroupB_Por = nullptr;
    Chart* Chart1 = nullptr;
    QLineEdit* E_PobDan = nullptr;
    QLineEdit* ECzekaj = nullptr;
    QPushButton* B_Anuluj = nullptr;
    QShortcut* CancelKey = nullptr;
    QLineEdit* EUstawieniaOK = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;

    // Menu.
    QMenu* Ustawienia1 = nullptr;
    QAction* Kestrom1 = nullptr;
    QAction* Filtr3 = nullptr;
    QAction* Se1 = nullptr;
    QMenu* Widok1 = nullptr;
    QAction* Przyspieszenie1 = nullptr;
    QAction* Porownanie1 = nullptr;
    QAction* Warto1 = nullptr;
    QMenu* E1 = nullptr;
    QAction* UstawDrukarke1 = nullptr;
    QAction* Drukuj1 = nullptr;
    QAction* ZapiszObraz1 = nullptr;
    QAction* ZapiszdoExcela1 = nullptr;
    QMenu* MenuJezyk = nullptr;
    QAction* Polski1 = nullptr;
    QAction* English1 = nullptr;
    std::array<QAction*, kLanguageCount> languageEntries_{}; // by table column
    QAction* Info1 = nullptr;
    QAction* Help1 = nullptr;

    void buildControls();
    void buildMenu();
    void connectHandlers();
    void switchLanguage(Language language);
    // While an action runs, the controls that would start another one are disabled.
    void followRecorderTask(bool running);
    QString caption(Caption key) const;

    Prompts& prompts_;
    DeviceLink link_;
    WindowState state_;
    QDialog* settingsDialog_ = nullptr;
    QDialog* filterDialog_ = nullptr;
    TFoInfo* aboutBox_ = nullptr;
    std::function<bool(const QString&)> openDocument_;
    QString programFolder_;

    std::unique_ptr<FlightFlows> flows_; // download, save, load, comparison and their drawing
    DownloadKeeper keeper_;

    // Analysis and output (analysis_actions.cpp, output_actions.cpp).
    void connectAnalysisActions();
    // Replaces the current printer by a fresh one with the same printer, file, page and colour
    // choices.
    void renewPrinter();
    QColor savedBackground_;
    std::shared_ptr<QPrinter> printer_; // created on first use
    std::function<void(QPrinter&)> printerSetup_;

    // Last, so that it ends (and waits for its worker) before anything its actions use.
    std::unique_ptr<RecorderTask> task_;
};

} // namespace kestrom::ui
