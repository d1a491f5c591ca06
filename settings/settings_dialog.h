#pragma once
// The device settings dialog `TFormUstawienia` and the two menu actions built on it.
//
// For the main window:
//   QDialog* form = app::makeSettingsDialog(window);  // once, after the window: a child of it that
//                                                // keeps state().samplingList up to date
//   Ustawienia1 > Kestrom1 triggered:  form->exec() (or Ustawienia1Click()): connects, reads the
//                                      recorder into the controls, then shows the dialog
//   Ustawienia1 > Se1 triggered:       Se1Click(EUstawieniaOK)
//   the sampling text a flight panel shows: samplingText(code, samplingList())
// The dialog runs FormActivate by itself whenever it is shown or becomes active. Texts follow
// prompts.language() at the moment they are set.

#include "core/prompts.h"
#include "flight/flight_header.h"
#include "settings/settings_texts.h"

#include <QDialog>
#include <QString>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrom {
class DeviceLink;
struct DeviceSettingsReply;
} // namespace kestrom

namespace kestrom::settings {

class TFormUstawienia : public QDialog {
    Q_OBJECT

public:
    // Creates the dialog hidden, with its start values: "0" in the trigger and temperature
    // fields and the yes/no items of the language in force.
    TFormUstawienia(QWidget* parent, DeviceLink& link, Prompts& prompts);

    // Menu item Kestrom1: connects, reads the recorder into the controls and shows the dialog
    // modally. On a failed read shows "Communication Error " and closes the connection.
    // Returns the dialog's result, Rejected when it was not shown.
    int Ustawienia1Click();

    // The same as Ustawienia1Click: the dialog is never shown without a fresh read.
    int exec() override;

    // Menu item Se1 "Setup Default": writes the default settings without showing the dialog,
    // then shows `okField` (the window's EUstawieniaOK), repaints it, keeps it 1000 ms and
    // hides it (the waits are the link's sleep). Nothing is shown when no recorder answers or
    // the first two writes fail.
    void Se1Click(QWidget* okField);

    // The sampling-rate list's item `code` as the list reads now (the design items before the
    // first activation); an empty text for a code outside the list.
    QString samplingItemText(int code) const;
    // Which texts the sampling-rate list holds now: the design items until the first
    // activation, then those of the language in force at the last activation.
    SamplingList samplingList() const { return samplingList_; }
    // Told the list's new state after every activation (the window keeps it for its panels).
    void setSamplingListObserver(std::function<void(SamplingList)> observer);

    // Runs the dialog's recorder exchanges: `work` talks to the recorder with the prompts it is
    // given, off the window's thread, and the runner returns once it has ended; false when it
    // could not run or was abandoned (the window closes), and the dialog then stops there.
    // Without a runner the exchanges run on the calling thread.
    using RecorderRunner = std::function<bool(const std::function<void(Prompts&)>& work)>;
    void setRecorderRunner(RecorderRunner runner) { runner_ = std::move(runner); }

    // Captions and both lists in the language in force; the selections are kept.
    void FormActivate();

    // Performs the four settings reads and fills the controls as the replies arrive.
    // False on the first reply that is not 8 bytes long (what was filled stays filled).
    bool ReadDeviceSettings();
    // Fills the controls from replies already read; returns reply.ok.
    bool showDeviceSettings(const DeviceSettingsReply& reply);

    // The Save button: checks, writes e5, eC and e7 and closes the dialog after e7.
    void BWyslijPClick();

    // True (after showing the message) when the trigger, delay or competitor field is empty.
    bool CheckEmptyFields();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void E_Poziom_Ent();
    void E_Kal_zaduzo();
    void E_nrZaw_zaduzo();
    void E_CzasOpChange();
    void E_Poziom_Exit();
    void E_CzasOpExit();

    void buildControls();
    Language language() const;
    void fillLists();
    bool runOnRecorder(const std::function<void(Prompts&)>& work);

    DeviceLink& link_;
    Prompts& prompts_;
    SamplingList samplingList_ = SamplingList::DesignItems;
    std::function<void(SamplingList)> samplingListObserver_;
    RecorderRunner runner_;

    QLabel* L_PoziomWyzwalania = nullptr;
    QLineEdit* E_Poziom = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* L_Kalibracja_Temp = nullptr;
    QLineEdit* E_Kal_Temp = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* L_Ust_Probk = nullptr;
    QComboBox* ComboBox_ImPomiarow = nullptr;
    QLabel* LZerReczne = nullptr;
    QComboBox* ComboB_Zer = nullptr;
    QLabel* L_Numer_Zawodnika = nullptr;
    QLineEdit* E_NrZaw = nullptr;
    QLabel* L_CzasOp = nullptr;
    QLineEdit* E_CzasOp = nullptr;
    QLabel* L_Sek = nullptr;
    QLabel* L_NrSer = nullptr;
    QLineEdit* E_NrSer = nullptr;
    QLabel* Label_Wersja = nullptr;
    QLineEdit* Edit_Wersja = nullptr;
    QPushButton* B_wyslij = nullptr;
};

} // namespace kestrom::settings
