#pragma once
// The Contest menu the program adds beside its own: the contest window, and "Recorder not
// found?", which runs the connection diagnosis of kestrom-cli devices and shows its text.

#include "device/usb_diagnosis.h"
#include "ui/contest_window.h"

#include <QObject>

#include <functional>

class QAction;
class QMenu;

namespace kestrom::ui {

class TKestrom_BMP;

class ContestMenu : public QObject {
    Q_OBJECT
public:
    // setup gives the bus, the dialogs and the archive; the prompts and the opening of a flight
    // are the window's. diagnose looks at the USB buses (diagnoseBridges unless a test plants
    // one).
    ContestMenu(TKestrom_BMP& window, ContestWindowSetup setup,
                std::function<UsbDiagnosis()> diagnose);

    // Created on first use, a child of the main window.
    ContestWindow& contestWindow();
    void showContestWindow();
    // Runs the diagnosis and shows it; returns the text shown.
    QString showDiagnosis();

    QMenu* menu() const { return menu_; }
    QAction* windowAction() const { return windowAction_; }
    QAction* diagnosisAction() const { return diagnosisAction_; }

private:
    void retranslate();

    TKestrom_BMP& window_;
    ContestWindowSetup setup_;
    std::function<UsbDiagnosis()> diagnose_;
    QMenu* menu_ = nullptr;
    QAction* windowAction_ = nullptr;
    QAction* diagnosisAction_ = nullptr;
    ContestWindow* contest_ = nullptr; // owned by the window
};

// Attaches the menu to the window (which owns the result).
ContestMenu& attachContestMenu(TKestrom_BMP& window, ContestWindowSetup setup,
                               std::function<UsbDiagnosis()> diagnose);

} // namespace kestrom::ui
