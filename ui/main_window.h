#pragma once
// The main window: recorder buttons and panel, disk buttons, comparison button and panel, the
// chart, the hidden busy fields and the menu. It owns the shared state of a run (the two flight
// records, the configuration record, the language, the device link) and connects every control
// to its handler. The bus and the prompts are given to it; it creates neither.

#include "analysis/compare_flight.h"
#include "analysis/filter.h"
#include "core/prompts.h"
#include "core/texts.h"
#include "device/link.h"
#include "files/config.h"
#include "flight/flight_header.h"
#include "flight/flight_record.h"
#include "settings/settings_texts.h"
#include "ui/chart.h"

#include <QMainWindow>
#include <QString>

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

namespace kestrom::ui {

class TFoInfo;

// Everything a run keeps, owned by the window and handed by reference to whoever works on it.
struct WindowState {
    ConfigRecord config;
    std::string configPath;
    bool configKept = false; // the file could not be read: it is never written in this run
    Language CurrentLanguage = kPolish;
    FlightRecord recorder;    // downloaded or loaded flight, left panel, Series1/Series2
    CompareFlight comparison; // comparison flight with its own image, right panel, Series3
    FilterWork filter;        // working curves of the two Filter buttons
    bool compareMark = true;  // check mark of Porownanie1 (the action toggles itself first)
    // The parameters each flight was last filtered with by its Filter button; a temperature
    // entry filters the new evaluation again with them. Cleared when a new flight is shown.
    std::optional<FilterParams> recorderFilter;
    std::optional<FilterParams> compareFilter;
    // What the settings dialog's sampling list reads now; the panels show its items.
    SamplingList samplingList = SamplingList::DesignItems;
};

class TKestrom_BMP : public QMainWindow {
    Q_OBJECT
public:
    // `programPath` is the running program's file; its configuration file lies beside it.
    // bus and prompts must outlive the window.
    TKestrom_BMP(DeviceBus& bus, Prompts& prompts, const std::string& programPath,
                 QWidget* parent = nullptr);
    ~TKestrom_BMP() override;

    WindowState& state() { return state_; }
    const WindowState& state() const { return state_; }
    DeviceLink& link() { return link_; }
    Prompts& prompts() { return prompts_; }
    Chart& chart() { return *Chart1; }
    Language CurrentLanguage() const { return state_.CurrentLanguage; }

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

    // Lays the controls out for the current client size; skipped for a width of 0 or above 128000.
    void FormResize();

    // Shows a flight header in the recorder panel (makes the temperature field editable).
    void showRecorderHeader(const FlightHeader& header);
    // Clears the recorder curves and draws the recorder flight's evaluation with its extremes.
    void drawRecorderFlight();
    // The chart reset before a new recorder flight: undo zoom, clear Series1, 2, 4, 5, left axis
    // from 0 with an automatic minimum.
    void resetRecorderChart();

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

signals:
    // A file was loaded (comparison = false) or compared (true) through either path above.
    void flightFileOpened(const QString& path, bool comparison);
    // A download delivered a flight: the recorder record holds its image.
    void flightDownloaded();
    // Every caption is now in the current language.
    void languageApplied();

public slots:
    // Recorder and disk (download, zeroing, save, load).
    void B_Odczyt_KestromuClick();
    void BZerowanieClick();
    void BZapisz_PomiarClick();
    void BLaduj_pomiarClick();

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

public:
    // Controls, named as their Qt object names.
    QPushButton* B_Odczyt_Kestromu = nullptr;
    QPushButton* BZerowanie = nullptr;
    QPushButton* B_Filtr_Alt = nullptr;
    QGroupBox* GroupB_Alt = nullptr;
    QGroupBox* GBDysk_ZapisOdczyt = nullptr;
    QPushButton* BZapisz = nullptr;
    QPushButton* BOdczyt = nullptr;
    QPushButton* B_Porownanie = nullptr;
    QPushButton* B_Filtr_por = nullptr;
    QGroupBox* GroupB_Por = nullptr;
    Chart* Chart1 = nullptr;
    QLineEdit* E_PobDan = nullptr;
    QLineEdit* ECzekaj = nullptr;
    QLineEdit* EUstawieniaOK = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;

    // Recorder panel.
    QLabel* LabMaximum = nullptr;
    QLineEdit* E_MaxGl = nullptr;
    QLabel* LmMax = nullptr;
    QLabel* LMinimum = nullptr;
    QLineEdit* EMinimum = nullptr;
    QLabel* LmMin = nullptr;
    QLabel* LZaw1 = nullptr;
    QLineEdit* E_NrZawodnika = nullptr;
    QLabel* L_NumSer1 = nullptr;
    QLineEdit* E_NrSeryjny = nullptr;
    QLabel* LTemp1 = nullptr;
    QLineEdit* E_TempGl = nullptr;
    QLabel* Label14 = nullptr;
    QLabel* LProbk1 = nullptr;
    QLineEdit* E_probkGl = nullptr;

    // Comparison panel.
    QLabel* Label1 = nullptr;
    QLineEdit* E_Max_Por = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* E_Min_Por = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* LZaw2 = nullptr;
    QLineEdit* E_Zaw_Por = nullptr;
    QLabel* L_NumSer2 = nullptr;
    QLineEdit* E_NrS_Por = nullptr;
    QLabel* LTemp2 = nullptr;
    QLineEdit* E_TempPor = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* LProbk2 = nullptr;
    QLineEdit* E_probkPor = nullptr;

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
    QAction* Info1 = nullptr;
    QAction* Help1 = nullptr;

private:
    void buildControls();
    void buildPanel(QGroupBox* box, bool recorder);
    void buildMenu();
    void connectHandlers();
    void switchLanguage(Language language);
    // Reads a measurement file; a failure is shown (too short, or the error naming the file) and
    // gives nothing.
    std::optional<FlightImage> readFlightFile(const std::string& name);
    QString caption(Caption key) const;
    char decimalSeparator() const;

    Prompts& prompts_;
    DeviceLink link_;
    WindowState state_;
    QDialog* settingsDialog_ = nullptr;
    QDialog* filterDialog_ = nullptr;
    TFoInfo* aboutBox_ = nullptr;
    std::function<bool(const QString&)> openDocument_;
    QString programFolder_;

    // Analysis and output (analysis_actions.cpp, output_actions.cpp).
    void connectAnalysisActions();
    void clearRecorderPanel();
    void clearComparePanel();
    void drawCompareFlight();
    // The Filter buttons' drawing: filters the flight's current evaluation with these
    // parameters and shows the filtered curve solid, the raw one dashed and the filtered
    // extremes. False (nothing changed) for a flight too short to filter.
    bool drawRecorderFiltered(const FilterParams& params);
    bool drawCompareFiltered(const FilterParams& params);
    // Puts the comparison's points at its own times on the recorder flight's time axis.
    void placeComparison();
    // Raises the left axis' maximum so that no curve shown on it is cut off.
    void coverShownCurves();
    // Replaces the current printer by a fresh one with the same printer, file, page and colour
    // choices.
    void renewPrinter();
    QColor savedBackground_;
    std::shared_ptr<QPrinter> printer_; // created on first use
    std::function<void(QPrinter&)> printerSetup_;
};

} // namespace kestrom::ui
