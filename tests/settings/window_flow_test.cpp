// The settings dialog as the main window uses it: created by makeSettingsDialog, opened from the
// menu item Kestrom1, and its sampling list feeding the recorder panel's sampling text.

#include "tests/support/window_test.h"
#include "tests/ui/window_fixture.h"

#include "app/dialogs.h"
#include "settings/settings_dialog.h"

#include <QComboBox>
#include <QTimer>
#include <QtTest/QtTest>

#include <functional>

using namespace kestrom;

class SettingsWindowFlowTest : public QObject {
    Q_OBJECT

private slots:
    void menuOpensDialogAndPanelFollowsItsList();
    void saveWithTheDelayRefusedSaysSetupFailedAndCloses();
    void readAndSaveRunBesideAnAnsweringWindow();
};

namespace {

// Runs `inside` once the modal dialog is up (it shows after the recorder has been read, off the
// window's thread). Whatever happens there, a dialog still open afterwards is rejected, so a Save
// that fails to close it ends the test with a failure instead of waiting for ever.
void whileShown(QDialog* dialog, std::function<void()> inside) {
    auto* poll = new QTimer(dialog);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, dialog, [dialog, poll, inside = std::move(inside)] {
        if (!dialog->isVisible()) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        struct Closer {
            QDialog* dialog;
            ~Closer() {
                if (dialog->isVisible()) {
                    dialog->reject();
                }
            }
        } closer{dialog};
        inside();
    });
    poll->start();
}

// A window with the settings dialog as the start-up wires it, against one simulated recorder.
struct SettingsRig : test::WindowRun {
    SimulatedRecorder& recorder = bus.addRecorder();
    ui::TKestrom_BMP& window = open();
    QDialog* dialog = app::makeSettingsDialog(window);

    explicit SettingsRig(SimulatedTiming timing = {}) : WindowRun(timing) {
        window.setSettingsDialog(dialog);
    }
};

} // namespace

void SettingsWindowFlowTest::menuOpensDialogAndPanelFollowsItsList() {
    SettingsRig rig;
    SimulatedRecorder& recorder = rig.recorder;
    recorder.state.rateCode = 3;
    recorder.state.flight = makeSimpleFlight(200, 3);
    test::FakePrompts& prompts = rig.prompts;
    ui::TKestrom_BMP& window = rig.window;
    QDialog* dialog = rig.dialog;

    // Before the dialog was ever activated the panel shows its design item.
    test::clickAndWait(window, "B_Odczyt_Kestromu");
    QCOMPARE(test::fieldText(window, "E_probkGl"), QStringLiteral("  5 pom/sek"));

    test::trigger(window, "English1");
    bool inside = false;
    whileShown(dialog, [&] {
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Setup"));
        auto* rates = dialog->findChild<QComboBox*>(QStringLiteral("ComboBox_ImPomiarow"));
        QCOMPARE(rates->currentText(), QStringLiteral(" 5 mes/sek"));
        QCOMPARE(window.state().samplingList, SamplingList::ActivatedEnglish);
        dialog->findChild<QLineEdit*>(QStringLiteral("E_NrZaw"))->setText(QStringLiteral("42"));
        rates->setCurrentIndex(0);
        inside = true;
        dialog->findChild<QPushButton*>(QStringLiteral("B_wyslij"))->click();
    });
    const std::size_t before = prompts.shown.size();
    test::trigger(window, "Kestrom1");
    QVERIFY(inside);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), static_cast<int>(QDialog::Accepted)); // closed by Save
    QCOMPARE(prompts.shown.size(), before + 1);
    QCOMPARE(prompts.shown.back().text, Message::SetupOk);
    QCOMPARE(prompts.shown.back().language, kEnglish);
    QCOMPARE(recorder.state.competitorNumber, 42);
    QCOMPARE(recorder.state.rateCode, 0);

    // The panel takes the list as it reads now; a later switch of language leaves it alone.
    recorder.state.newFlight = true;
    test::trigger(window, "Polski1");
    test::clickAndWait(window, "B_Odczyt_Kestromu");
    QCOMPARE(test::fieldText(window, "E_probkGl"), QStringLiteral(" 5 mes/sek"));
}

void SettingsWindowFlowTest::saveWithTheDelayRefusedSaysSetupFailedAndCloses() {
    SettingsRig rig;
    SimulatedRecorder& recorder = rig.recorder;
    recorder.faults.replyOverride[command::kWriteDelay] = std::vector<std::uint8_t>{0x00, 0x00};
    test::FakePrompts& prompts = rig.prompts;
    ui::TKestrom_BMP& window = rig.window;
    QDialog* dialog = rig.dialog;

    bool inside = false;
    whileShown(dialog, [&] {
        dialog->findChild<QLineEdit*>(QStringLiteral("E_NrZaw"))->setText(QStringLiteral("77"));
        dialog->findChild<QLineEdit*>(QStringLiteral("E_CzasOp"))->setText(QStringLiteral("90"));
        inside = true;
        dialog->findChild<QPushButton*>(QStringLiteral("B_wyslij"))->click();
    });
    window.Ustawienia1Click();
    QVERIFY(inside);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(prompts.shown,
             (std::vector<test::ShownMessage>{
                 {Message::SetupFailed, Message::SetupCaption, Buttons::Ok, kPolish}}));
    QCOMPARE(messageText(Message::SetupFailed, kEnglish), std::string_view("Setup failed"));
    // The writes before the delay went through; the delay did not.
    QCOMPARE(recorder.state.competitorNumber, 77);
    QCOMPARE(recorder.state.delayHundredths, 18000);
}

// In real time every short reply waits out its 40 ms read time-out: the window's timers go on
// through the read before the dialog shows and through Save, and no other recorder action can
// start meanwhile.
void SettingsWindowFlowTest::readAndSaveRunBesideAnAnsweringWindow() {
    SettingsRig rig(SimulatedTiming{true, 0, 64});
    ui::TKestrom_BMP& window = rig.window;
    QDialog* dialog = rig.dialog;
    QPushButton* download = test::child<QPushButton>(window, "B_Odczyt_Kestromu");
    int ticksWhileBusy = 0;
    bool startableWhileBusy = false;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (window.recorderBusy()) {
            ++ticksWhileBusy;
            startableWhileBusy = startableWhileBusy || download->isEnabled();
        }
    });
    ticker.start();
    int ticksOfTheRead = -1;
    whileShown(dialog, [&] {
        ticksOfTheRead = ticksWhileBusy;
        QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("E_NrSer"))->text(),
                 QStringLiteral("1234"));
        dialog->findChild<QLineEdit*>(QStringLiteral("E_NrZaw"))->setText(QStringLiteral("42"));
        dialog->findChild<QPushButton*>(QStringLiteral("B_wyslij"))->click();
    });
    test::trigger(window, "Kestrom1");
    QVERIFY2(ticksOfTheRead >= 10, qPrintable(QString::number(ticksOfTheRead)));
    QVERIFY2(ticksWhileBusy - ticksOfTheRead >= 10, qPrintable(QString::number(ticksWhileBusy)));
    QVERIFY(!startableWhileBusy);
    QCOMPARE(dialog->result(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(rig.prompts.texts(), std::vector<Message>{Message::SetupOk});
    QCOMPARE(rig.recorder.state.competitorNumber, 42);
    QVERIFY(download->isEnabled());
}

KESTROM_WINDOW_TEST(SettingsWindowFlowTest)
#include "window_flow_test.moc"
