// The settings dialog against the simulated recorder, with prompts that record what was shown.

#include "settings/settings_dialog.h"
#include "tests/support/window_test.h"

#include "device/link.h"
#include "device/protocol.h"
#include "device/simulated_bus.h"
#include "tests/support/fake_prompts.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QtTest>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

using namespace kestrom;
using kestrom::settings::TFormUstawienia;

Q_DECLARE_METATYPE(std::vector<std::uint8_t>)
Q_DECLARE_METATYPE(std::vector<kestrom::Message>)

namespace {

using Frame = std::array<std::uint8_t, 8>;

// One recorder on a simulated bus, a link, recording prompts and the dialog built on them.
struct Rig {
    SimulatedBus bus;
    SimulatedRecorder& recorder = bus.addRecorder();
    DeviceLink link{bus};
    test::FakePrompts prompts;
    std::vector<std::pair<std::chrono::milliseconds, bool>> sleeps; // wait, OK field shown
    QLineEdit okField;
    std::unique_ptr<TFormUstawienia> form;

    explicit Rig(Language language = kPolish) {
        prompts.lang = language;
        link.sleep = [this](std::chrono::milliseconds wait) {
            sleeps.emplace_back(wait, okField.isVisible());
        };
        form = std::make_unique<TFormUstawienia>(nullptr, link, prompts);
    }

    template <typename T> T* control(const char* name) const {
        auto* found = form->findChild<T*>(QString::fromLatin1(name));
        if (found == nullptr) {
            qFatal("control %s missing", name);
        }
        return found;
    }
    QLineEdit* edit(const char* name) const { return control<QLineEdit>(name); }
    QComboBox* combo(const char* name) const { return control<QComboBox>(name); }

    // Closes the dialog once its own loop runs; the timer fires inside that loop only if the
    // dialog was shown.
    bool dialogShown = false;
    void closeWhenShown() {
        QTimer::singleShot(0, form.get(), [this] {
            dialogShown = form->isVisible();
            form->reject();
        });
    }

    // Connects and fills the dialog as opening it from the menu does, without showing it.
    bool read() {
        link.ConnectDevice(prompts);
        return form->ReadDeviceSettings();
    }

    // The command codes of the frames received from position `from` on.
    QByteArray commandsSince(std::size_t from) const {
        QByteArray codes;
        for (std::size_t i = from; i < recorder.frames.size(); ++i) {
            codes.append(static_cast<char>(recorder.frames[i][1]));
        }
        return codes;
    }
    const Frame& lastFrame(std::uint8_t code) const {
        for (auto it = recorder.frames.rbegin(); it != recorder.frames.rend(); ++it) {
            if ((*it)[1] == code) {
                return *it;
            }
        }
        qFatal("no frame with code %c", code);
    }
};

} // namespace

class SettingsDialogTest : public QObject {
    Q_OBJECT

private slots:
    void fillsFromRecorder_data();
    void fillsFromRecorder();
    void rateAndZeroSelection_data();
    void rateAndZeroSelection();
    void versionField_data();
    void versionField();
    void shortReplyStopsOpening();
    void noRecorderNoDialog();
    void openFromMenuAndSave();
    void save_data();
    void save();
    void englishTextsAndKeptSelections();
    void designItemsUntilFirstActivation();
    void layoutAndTabOrder();
    void typingAndLeavingFields();
    void setupDefault_data();
    void setupDefault();
};

void SettingsDialogTest::fillsFromRecorder_data() {
    QTest::addColumn<int>("temperature");
    QTest::addColumn<int>("competitor");
    QTest::addColumn<int>("triggerQuarters");
    QTest::addColumn<int>("delayHundredths");
    QTest::addColumn<QString>("shownTemperature");
    QTest::addColumn<QString>("shownTrigger");
    QTest::addColumn<QString>("shownDelay");
    QTest::addColumn<int>("tooLargeMessages");

    // temperature, competitor, trigger in quarters, delay in hundredths; the three fields shown;
    // how many too-large messages.
    const auto row = [](const char* name, int t, int c, int q, int d, const char* shownT,
                        const char* shownQ, const char* shownD, int messages) {
        QTest::newRow(name) << t << c << q << d << QString(shownT) << QString(shownQ)
                            << QString(shownD) << messages;
    };
    row("30 C shown as 24", 30, 17, 803, 18099, "24", "200", "180", 0);
    row("0 C unchanged", 0, 0, 0, 0, "0", "0", "0", 0);
    row("-5 C unchanged and too large", -5, 1, 4, 100, "-5", "1", "1", 1);
    row("86 C shown as 70", 86, 1, 4, 100, "70", "1", "1", 0);
    row("87 C shown as 71 is too large", 87, 1, 4, 100, "71", "1", "1", 1);
    row("-128 C", -128, 1, 4, 100, "-128", "1", "1", 1);
    row("competitor above 10000", 20, 12345, 4, 100, "16", "1", "1", 1);
    row("trigger 250 m", 20, 1, 1000, 100, "16", "250", "1", 1);
    // 655 s is above what Save accepts, but the typing check counts hundredths.
    row("delay 655 s", 20, 1, 4, 65535, "16", "1", "655", 0);
    row("every field too large", -1, 65535, 65535, 18000, "-1", "16383", "180", 3);
}

void SettingsDialogTest::fillsFromRecorder() {
    QFETCH(int, temperature);
    QFETCH(int, competitor);
    QFETCH(int, triggerQuarters);
    QFETCH(int, delayHundredths);
    Rig rig;
    rig.recorder.state.temperatureC = static_cast<std::int8_t>(temperature);
    rig.recorder.state.competitorNumber = static_cast<std::uint16_t>(competitor);
    rig.recorder.state.serialNumber = 54321;
    rig.recorder.state.triggerQuarterMetres = static_cast<std::uint16_t>(triggerQuarters);
    rig.recorder.state.delayHundredths = static_cast<std::uint16_t>(delayHundredths);

    QVERIFY(rig.read());

    QTEST(rig.edit("E_Kal_Temp")->text(), "shownTemperature");
    QTEST(rig.edit("E_Poziom")->text(), "shownTrigger");
    QTEST(rig.edit("E_CzasOp")->text(), "shownDelay");
    QCOMPARE(rig.edit("E_NrZaw")->text(), QString::number(competitor));
    QCOMPARE(rig.edit("E_NrSer")->text(), QStringLiteral("54321"));
    QFETCH(int, tooLargeMessages);
    QCOMPARE(rig.prompts.texts(), std::vector<Message>(tooLargeMessages, Message::ValueTooLarge));
    for (const auto& shown : rig.prompts.shown) {
        QCOMPARE(shown.caption, Message::ProblemCaption);
    }
}

void SettingsDialogTest::rateAndZeroSelection_data() {
    QTest::addColumn<int>("rateCode");
    QTest::addColumn<bool>("newFlight");
    QTest::addColumn<int>("zeroByte");
    QTest::addColumn<int>("rateIndex");
    QTest::addColumn<int>("zeroIndex");

    QTest::newRow("code 0") << 0 << false << 0 << 0 << 0;
    QTest::newRow("code 5 with the new-flight bit") << 5 << true << 1 << 5 << 1;
    QTest::newRow("code 6 leaves no selection") << 6 << false << 1 << -1 << 1;
    QTest::newRow("code 15 leaves no selection") << 15 << true << 0 << -1 << 0;
    QTest::newRow("only bit 0 of the zero byte counts") << 2 << false << 3 << 2 << 1;
    QTest::newRow("zero byte 2 reads as no") << 2 << false << 2 << 2 << 0;
}

void SettingsDialogTest::rateAndZeroSelection() {
    QFETCH(int, rateCode);
    QFETCH(bool, newFlight);
    QFETCH(int, zeroByte);
    Rig rig;
    // Start from another selection so that "no selection" cannot be the untouched state.
    rig.combo("ComboBox_ImPomiarow")->setCurrentIndex(3);
    rig.recorder.state.rateCode = static_cast<std::uint8_t>(rateCode);
    rig.recorder.state.newFlight = newFlight;
    rig.recorder.state.manualZeroing = static_cast<std::uint8_t>(zeroByte);

    QVERIFY(rig.read());

    QTEST(rig.combo("ComboBox_ImPomiarow")->currentIndex(), "rateIndex");
    QTEST(rig.combo("ComboB_Zer")->currentIndex(), "zeroIndex");
}

void SettingsDialogTest::versionField_data() {
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("year");
    QTest::addColumn<QString>("shown");

    QTest::newRow("minor 255") << 255 << 0 << "V 2013.12";
    QTest::newRow("3 / 18") << 3 << 18 << "V 2018.3";
    QTest::newRow("0 / 16") << 0 << 16 << "V 2016.0";
    QTest::newRow("12 / 29") << 12 << 29 << "V 2029.12";
    QTest::newRow("year 15 keeps the text") << 3 << 15 << "V 2017.5";
    QTest::newRow("year 30 keeps the text") << 3 << 30 << "V 2017.5";
    QTest::newRow("minor 13 keeps the text") << 13 << 18 << "V 2017.5";
}

void SettingsDialogTest::versionField() {
    QFETCH(int, minor);
    QFETCH(int, year);
    Rig rig;
    rig.recorder.state.versionMinor = 5;
    rig.recorder.state.versionYear = 17;
    QVERIFY(rig.read());
    QCOMPARE(rig.edit("Edit_Wersja")->text(), QStringLiteral("V 2017.5"));

    rig.recorder.state.versionMinor = static_cast<std::uint8_t>(minor);
    rig.recorder.state.versionYear = static_cast<std::uint8_t>(year);
    QVERIFY(rig.read());
    QTEST(rig.edit("Edit_Wersja")->text(), "shown");
}

void SettingsDialogTest::shortReplyStopsOpening() {
    Rig rig;
    rig.recorder.state.competitorNumber = 77;
    rig.recorder.faults.replyOverride[command::kReadManualZero] =
        std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0};
    rig.closeWhenShown();

    rig.form->Ustawienia1Click();
    QCoreApplication::processEvents();

    QVERIFY(!rig.dialogShown);
    QCOMPARE(rig.prompts.texts(), std::vector<Message>{Message::PortError});
    QCOMPARE(rig.prompts.shown.front().caption, Message::ProblemCaption);
    QVERIFY(!rig.link.connected());
    // What was read before the short reply stays in the controls.
    QCOMPARE(rig.edit("E_NrZaw")->text(), QStringLiteral("77"));
    QCOMPARE(rig.commandsSince(0), QByteArray("T4B"));
}

void SettingsDialogTest::noRecorderNoDialog() {
    Rig rig;
    rig.bus.setPlugged(0, false);
    rig.closeWhenShown();

    // The window opens the dialog with exec(), which reads the recorder first just the same.
    QCOMPARE(rig.form->exec(), int{QDialog::Rejected});
    QCoreApplication::processEvents();

    QVERIFY(!rig.dialogShown);
    // Only the link's own not-found message.
    QCOMPARE(rig.prompts.texts(), std::vector<Message>{Message::PortError});
    QVERIFY(rig.recorder.frames.empty());
}

void SettingsDialogTest::openFromMenuAndSave() {
    Rig rig(kEnglish);
    rig.recorder.state.rateCode = 2;
    rig.recorder.state.manualZeroing = 0;
    bool checkedInside = false;
    QTimer::singleShot(0, rig.form.get(), [&] {
        QVERIFY(rig.form->isVisible());
        QVERIFY(rig.form->isModal());
        // Activation put the lists into English and kept the selections read.
        QCOMPARE(rig.combo("ComboBox_ImPomiarow")->currentText(), QStringLiteral("10 mes/sek"));
        QCOMPARE(rig.combo("ComboB_Zer")->currentText(), QStringLiteral("No"));
        rig.edit("E_Poziom")->setText(QStringLiteral("200"));
        rig.edit("E_NrZaw")->setText(QStringLiteral("10000"));
        rig.edit("E_CzasOp")->setText(QStringLiteral("300"));
        rig.combo("ComboBox_ImPomiarow")->setCurrentIndex(4);
        rig.combo("ComboB_Zer")->setCurrentIndex(1);
        checkedInside = true;
        rig.control<QPushButton>("B_wyslij")->click();
    });
    const std::size_t before = rig.recorder.frames.size();

    QCOMPARE(rig.form->Ustawienia1Click(), int{QDialog::Accepted});

    QVERIFY(checkedInside);
    QVERIFY(!rig.form->isVisible());
    QCOMPARE(rig.commandsSince(before), QByteArray("T4B6D5C7"));
    QCOMPARE(rig.prompts.texts(), std::vector<Message>{Message::SetupOk});
    QCOMPARE(rig.prompts.shown.front().caption, Message::SetupCaption);
    QVERIFY(rig.link.connected()); // the connection stays open
    const RecorderState& state = rig.recorder.state;
    QCOMPARE(state.triggerQuarterMetres, 800);
    QCOMPARE(state.competitorNumber, 10000);
    QCOMPARE(state.rateCode, 4);
    QCOMPARE(state.manualZeroing, 1);
    QCOMPARE(state.delayHundredths, 30000);
}

void SettingsDialogTest::save_data() {
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QString>("competitor");
    QTest::addColumn<QString>("delay");
    QTest::addColumn<int>("rateIndex");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<std::vector<Message>>("messages");
    QTest::addColumn<QString>("error");
    QTest::addColumn<bool>("closed");

    const auto row = [](const char* name, const char* trigger, const char* competitor,
                        const char* delay, int rateIndex, const char* sent, Message shown,
                        const char* error = "") {
        const std::vector<Message> messages =
            *error ? std::vector<Message>{} : std::vector<Message>{shown};
        QTest::newRow(name) << QString(trigger) << QString(competitor) << QString(delay)
                            << rateIndex << QByteArray(sent) << messages << QString(error)
                            << (*sent != 0);
    };
    const Message tooLarge = Message::ValueTooLarge;
    row("limits accepted", "200", "10000", "300", 1, "5C7", Message::SetupOk);
    row("zeros accepted", "0", "0", "0", 0, "5C7", Message::SetupOk);
    row("trigger 201", "201", "1", "10", 1, "", tooLarge);
    row("competitor 10001", "10", "10001", "10", 1, "", tooLarge);
    row("competitor -1", "10", "-1", "10", 1, "", tooLarge);
    // A refused delay refuses the whole Save: nothing is written, the dialog stays open.
    row("delay 301", "10", "1", "301", 1, "", tooLarge);
    row("delay -1", "10", "1", "-1", 1, "", tooLarge);
    // 42949673 x 100 wraps to 4 in 32 bits; it must not be written as 0.04 s.
    row("delay that wraps", "10", "1", "42949673", 1, "", tooLarge);
    row("empty trigger", "", "1", "10", 1, "", Message::FieldEmpty);
    row("all empty", "", "", "", 1, "", Message::FieldEmpty);
    row("trigger not a number", "1O", "1", "10", 1, "", {}, "'1O' is not a valid integer value");
    row("delay not a number", "10", "1", "3 s", 1, "", {}, "'3 s' is not a valid integer value");
    row("no rate selected", "10", "1", "10", -1, "", Message::SelectionMissing);
    // -2: a text typed into the editable list that is no item counts as no selection.
    row("rate text typed", "10", "1", "10", -2, "", Message::SelectionMissing);
}

void SettingsDialogTest::save() {
    QFETCH(QString, trigger);
    QFETCH(QString, competitor);
    QFETCH(QString, delay);
    QFETCH(int, rateIndex);
    Rig rig;
    const RecorderState untouched = rig.recorder.state;
    QVERIFY(rig.read());
    rig.form->show();
    rig.edit("E_Poziom")->setText(trigger);
    rig.edit("E_NrZaw")->setText(competitor);
    rig.edit("E_CzasOp")->setText(delay);
    if (rateIndex == -2) {
        rig.combo("ComboBox_ImPomiarow")->setCurrentIndex(1);
        rig.combo("ComboBox_ImPomiarow")->setEditText(QStringLiteral("7 pom/sek"));
    } else {
        rig.combo("ComboBox_ImPomiarow")->setCurrentIndex(rateIndex);
    }
    rig.combo("ComboB_Zer")->setCurrentIndex(0);
    rig.prompts.shown.clear(); // the typing checks are tested elsewhere
    rig.prompts.errors.clear();
    const std::size_t before = rig.recorder.frames.size();

    rig.form->BWyslijPClick();

    QTEST(rig.commandsSince(before), "sent");
    QTEST(rig.prompts.texts(), "messages");
    QFETCH(QString, error);
    if (error.isEmpty()) {
        QVERIFY(rig.prompts.errors.empty());
    } else {
        QCOMPARE(rig.prompts.errors, std::vector<std::string>{error.toStdString()});
    }
    QFETCH(bool, closed);
    QCOMPARE(!rig.form->isVisible(), closed);

    // The recorder keeps exactly what the frames carried, and nothing when none was sent.
    const QByteArray sent = rig.commandsSince(before);
    const RecorderState& state = rig.recorder.state;
    if (sent.contains('5')) {
        const Frame& e5 = rig.lastFrame(command::kWriteSettings);
        QCOMPARE(e5[4], 0);
        QCOMPARE(readU16le(e5, 5), static_cast<std::uint16_t>(trigger.toInt() * 4));
        QCOMPARE(readU16le(e5, 2), static_cast<std::uint16_t>(competitor.toInt()));
        QCOMPARE(e5[7], rateIndex);
        QCOMPARE(state.triggerQuarterMetres, readU16le(e5, 5));
        QCOMPARE(state.competitorNumber, readU16le(e5, 2));
        QCOMPARE(state.rateCode, e5[7]);
        QCOMPARE(state.manualZeroing, rig.lastFrame(command::kWriteManualZero)[2]);
    } else {
        QCOMPARE(state.triggerQuarterMetres, untouched.triggerQuarterMetres);
        QCOMPARE(state.competitorNumber, untouched.competitorNumber);
    }
    if (sent.contains('7')) {
        const Frame& e7 = rig.lastFrame(command::kWriteDelay);
        QCOMPARE(readU16le(e7, 2), static_cast<std::uint16_t>(delay.toInt() * 100));
        QCOMPARE(state.delayHundredths, readU16le(e7, 2));
    } else {
        QCOMPARE(state.delayHundredths, untouched.delayHundredths);
    }
    if (trigger == QStringLiteral("200")) {
        const Frame& e5 = rig.lastFrame(command::kWriteSettings);
        QCOMPARE(e5[5], 0x20);
        QCOMPARE(e5[6], 0x03);
    }
}

void SettingsDialogTest::englishTextsAndKeptSelections() {
    Rig rig(kPolish);
    std::vector<SamplingList> observed;
    rig.form->setSamplingListObserver([&](SamplingList list) { observed.push_back(list); });
    rig.form->show();
    QCOMPARE(rig.form->windowTitle(), QStringLiteral("Ustawienia"));
    QVERIFY(!observed.empty());
    QCOMPARE(observed.back(), SamplingList::ActivatedPolish);
    QCOMPARE(rig.control<QLabel>("LZerReczne")->text(), QStringLiteral("Zerowanie ręczne"));
    QCOMPARE(rig.combo("ComboBox_ImPomiarow")->itemText(3), QStringLiteral(" 5 pom/sek"));
    rig.combo("ComboBox_ImPomiarow")->setCurrentIndex(3);
    rig.combo("ComboB_Zer")->setCurrentIndex(1);
    rig.form->hide();

    rig.prompts.lang = kEnglish;
    rig.form->show();

    QCOMPARE(rig.form->windowTitle(), QStringLiteral("Setup"));
    const std::pair<const char*, const char*> captions[] = {
        {"L_PoziomWyzwalania", "Setup Heigh Trigger"},
        {"L_Kalibracja_Temp", "Temperature"},
        {"L_Ust_Probk", "Sampling"},
        {"LZerReczne", "Manual reset"},
        {"L_Numer_Zawodnika", "Competitor No."},
        {"L_NrSer", "Serial No."},
        {"L_CzasOp", "Delay"},
        {"L_Sek", "[sec]"},
        {"Label_Wersja", "Software version"},
        {"Label1", "[m]"},
        {"Label2", "[°C]"},
    };
    for (const auto& [name, text] : captions) {
        QCOMPARE(rig.control<QLabel>(name)->text(), QString::fromUtf8(text));
    }
    QCOMPARE(rig.control<QPushButton>("B_wyslij")->text(), QStringLiteral("Save"));
    QStringList rates;
    for (int i = 0; i < rig.combo("ComboBox_ImPomiarow")->count(); ++i) {
        rates << rig.combo("ComboBox_ImPomiarow")->itemText(i);
    }
    QCOMPARE(rates, (QStringList{"20 mes/sek", "15 mes/sek", "10 mes/sek", " 5 mes/sek",
                                 " 1 mes/sek", " 2 sek/mes"}));
    QCOMPARE(rig.combo("ComboB_Zer")->itemText(0), QStringLiteral("No"));
    QCOMPARE(rig.combo("ComboB_Zer")->itemText(1), QStringLiteral("Yes"));
    QCOMPARE(rig.combo("ComboBox_ImPomiarow")->currentIndex(), 3);
    QCOMPARE(rig.combo("ComboB_Zer")->currentText(), QStringLiteral("Yes"));
    QCOMPARE(observed.back(), SamplingList::ActivatedEnglish);

    // A switch of language alone leaves the lists until the next activation.
    rig.prompts.lang = kPolish;
    QCOMPARE(rig.form->samplingItemText(0), QStringLiteral("20 mes/sek"));
    QCOMPARE(rig.form->samplingList(), SamplingList::ActivatedEnglish);
}

void SettingsDialogTest::designItemsUntilFirstActivation() {
    Rig rig(kEnglish);
    QCOMPARE(rig.form->samplingList(), SamplingList::DesignItems);
    QCOMPARE(rig.form->samplingItemText(3), QStringLiteral("  5 pom/sek"));
    QCOMPARE(rig.form->samplingItemText(0), QStringLiteral("20 pom/sek"));
    QCOMPARE(rig.form->samplingItemText(6), QString());
    // The constructor's start values, the yes/no items already in the language in force.
    QCOMPARE(rig.edit("E_Poziom")->text(), QStringLiteral("0"));
    QCOMPARE(rig.edit("E_Kal_Temp")->text(), QStringLiteral("0"));
    QCOMPARE(rig.combo("ComboB_Zer")->itemText(1), QStringLiteral("Yes"));
    // Reading the recorder does not activate the dialog.
    QVERIFY(rig.read());
    QCOMPARE(rig.form->samplingItemText(5), QStringLiteral("  2 sek/pom"));
    QVERIFY(rig.prompts.shown.empty());
}

void SettingsDialogTest::layoutAndTabOrder() {
    Rig rig;
    struct Placed {
        const char* name;
        QRect geometry; // width and height 0: only the position is fixed
        bool readOnly;
    };
    const Placed placed[] = {
        {"L_PoziomWyzwalania", {32, 16, 0, 0}, false},
        {"E_Poziom", {32, 32, 81, 21}, false},
        {"Label1", {117, 36, 0, 0}, false},
        {"L_Kalibracja_Temp", {32, 64, 0, 0}, false},
        {"E_Kal_Temp", {32, 80, 81, 21}, true},
        {"Label2", {117, 86, 0, 0}, false},
        {"L_Ust_Probk", {32, 112, 0, 0}, false},
        {"ComboBox_ImPomiarow", {32, 128, 81, 21}, false},
        {"LZerReczne", {32, 160, 0, 0}, false},
        {"ComboB_Zer", {32, 176, 81, 21}, false},
        {"L_Numer_Zawodnika", {32, 208, 0, 0}, false},
        {"E_NrZaw", {32, 224, 81, 21}, false},
        {"L_CzasOp", {32, 256, 0, 0}, false},
        {"E_CzasOp", {32, 272, 81, 21}, false},
        {"L_Sek", {117, 276, 0, 0}, false},
        {"L_NrSer", {32, 304, 0, 0}, false},
        {"E_NrSer", {32, 320, 81, 21}, true},
        {"Label_Wersja", {32, 352, 0, 0}, false},
        {"Edit_Wersja", {32, 368, 81, 21}, true},
        {"B_wyslij", {32, 400, 89, 33}, false},
    };
    for (const Placed& p : placed) {
        auto* widget = rig.control<QWidget>(p.name);
        QCOMPARE(widget->pos(), p.geometry.topLeft());
        if (p.geometry.width() != 0) {
            QCOMPARE(widget->size(), p.geometry.size());
        }
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            QVERIFY2(edit->isReadOnly() == p.readOnly, p.name);
        }
    }
    for (const char* name : {"ComboBox_ImPomiarow", "ComboB_Zer"}) {
        QVERIFY(rig.combo(name)->isEditable());
    }

    const QStringList order{"E_Poziom",   "E_Kal_Temp", "E_NrZaw", "ComboBox_ImPomiarow",
                            "B_wyslij",   "ComboB_Zer", "E_NrSer", "E_CzasOp",
                            "Edit_Wersja"};
    QStringList chain;
    QWidget* at = rig.control<QWidget>("E_Poziom");
    do {
        if (order.contains(at->objectName())) {
            chain << at->objectName();
        }
        at = at->nextInFocusChain();
    } while (at != rig.control<QWidget>("E_Poziom"));
    QCOMPARE(chain, order);
}

void SettingsDialogTest::typingAndLeavingFields() {
    Rig rig;
    rig.edit("E_CzasOp")->setText(QStringLiteral("5"));
    rig.form->show();
    rig.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));

    // Every key runs the check: the lone sign is no number, then -1 counts as too large.
    QLineEdit* competitor = rig.edit("E_NrZaw");
    competitor->setText(QStringLiteral("7"));
    competitor->setFocus();
    competitor->clear();
    QVERIFY(rig.prompts.shown.empty());
    QTest::keyClicks(competitor, "-1");
    QCOMPARE(rig.prompts.errors, std::vector<std::string>{"'-' is not a valid integer value"});
    QCOMPARE(rig.prompts.texts(), std::vector<Message>{Message::ValueTooLarge});
    rig.prompts.shown.clear();
    rig.prompts.errors.clear();

    // 301 s passes while typing (the field's check counts hundredths); 30001 does not.
    QLineEdit* delay = rig.edit("E_CzasOp");
    delay->setText(QStringLiteral("301"));
    QVERIFY(rig.prompts.shown.empty());
    delay->setText(QStringLiteral("30001"));
    QCOMPARE(rig.prompts.texts(), std::vector<Message>{Message::ValueTooLarge});
    delay->setText(QStringLiteral("5"));
    competitor->setText(QStringLiteral("5"));
    rig.prompts.shown.clear();

    // Leaving a field checks all three; a filled set says nothing.
    QLineEdit* trigger = rig.edit("E_Poziom");
    trigger->setFocus(Qt::TabFocusReason);
    rig.edit("E_Kal_Temp")->setFocus(Qt::TabFocusReason);
    QVERIFY(rig.prompts.shown.empty());

    trigger->setFocus(Qt::TabFocusReason);
    trigger->clear();
    QVERIFY(rig.prompts.shown.empty()); // an empty text has no on-change message
    rig.edit("E_Kal_Temp")->setFocus(Qt::TabFocusReason);
    QCOMPARE(rig.prompts.texts(), std::vector<Message>{Message::FieldEmpty});

    // Leaving the read-only temperature field checks too; so does leaving the delay.
    rig.edit("E_NrZaw")->setFocus(Qt::TabFocusReason);
    rig.edit("E_CzasOp")->setFocus(Qt::TabFocusReason);
    rig.edit("E_NrSer")->setFocus(Qt::TabFocusReason);
    QCOMPARE(rig.prompts.texts(), std::vector<Message>(4, Message::FieldEmpty));

    // Closing the dialog from an empty field is no move to another control.
    rig.prompts.shown.clear();
    rig.edit("E_Poziom")->setFocus(Qt::TabFocusReason);
    rig.form->reject();
    QCoreApplication::processEvents();
    QVERIFY(rig.prompts.shown.empty());
}

void SettingsDialogTest::setupDefault_data() {
    QTest::addColumn<int>("refusedCode");
    QTest::addColumn<std::vector<std::uint8_t>>("reply");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<std::vector<Message>>("messages");
    QTest::addColumn<bool>("okShown");

    QTest::newRow("all acknowledged") << 0 << std::vector<std::uint8_t>{} << QByteArray("T5C27")
                                      << std::vector<Message>{} << true;
    QTest::newRow("e5 refused") << int{command::kWriteSettings}
                                << std::vector<std::uint8_t>{0x00, 0x00} << QByteArray("T5")
                                << std::vector<Message>{Message::SetupFailed} << false;
    QTest::newRow("e7 refused") << int{command::kWriteDelay}
                                << std::vector<std::uint8_t>{0x00, 0x00} << QByteArray("T5C27")
                                << std::vector<Message>{Message::ResetError} << true;
}

void SettingsDialogTest::setupDefault() {
    QFETCH(int, refusedCode);
    QFETCH(std::vector<std::uint8_t>, reply);
    Rig rig;
    RecorderState& state = rig.recorder.state;
    state.competitorNumber = 99;
    state.triggerQuarterMetres = 400;
    state.rateCode = 4;
    state.manualZeroing = 0;
    state.delayHundredths = 500;
    if (refusedCode != 0) {
        rig.recorder.faults.replyOverride[static_cast<std::size_t>(refusedCode)] = reply;
    }

    rig.form->Se1Click(&rig.okField);

    QTEST(rig.commandsSince(0), "sent");
    QTEST(rig.prompts.texts(), "messages");
    QVERIFY(!rig.okField.isVisible());
    QFETCH(bool, okShown);
    const std::pair<std::chrono::milliseconds, bool> shownSecond{std::chrono::milliseconds(1000),
                                                                 true};
    QCOMPARE(std::count(rig.sleeps.begin(), rig.sleeps.end(), shownSecond), okShown ? 1 : 0);
    QCOMPARE(!rig.link.connected(), !okShown);
    if (!okShown) {
        return;
    }
    const Frame& e5 = rig.lastFrame(command::kWriteSettings);
    QCOMPARE(e5, (Frame{0x65, 0x35, 0x00, 0x00, 0x00, 0x78, 0x00, 0x01}));
    QCOMPARE(rig.lastFrame(command::kWriteManualZero),
             (Frame{0x65, 0x43, 0x01, 0x00, 0x00, 0x78, 0x00, 0x01}));
    // The recorder keeps exactly the default frames.
    QCOMPARE(state.competitorNumber, 0);
    QCOMPARE(state.triggerQuarterMetres, 120);
    QCOMPARE(state.rateCode, 1);
    QCOMPARE(state.manualZeroing, 1);
    // A refused delay write is not stored.
    QCOMPARE(state.delayHundredths, refusedCode == command::kWriteDelay ? 500 : 18000);
}

KESTROM_WINDOW_TEST(SettingsDialogTest)
#include "settings_dialog_test.moc"
