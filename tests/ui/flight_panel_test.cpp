// The flight panel both sides of the window are made of: its given control names, which fields
// the user may type in, a header shown and cleared, and its captions in either language.

#include "tests/support/window_test.h"
#include "ui/flight_panel.h"

#include "ui/qt_text.h"

#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using namespace kestrom;
using kestrom::ui::FlightPanel;

Q_DECLARE_METATYPE(FlightPanel::Side)

namespace {

// The six fields of a side in the order maximum, minimum, competitor, serial, temperature,
// sampling, and the competitor label.
struct Names {
    QStringList fields;
    QString competitorLabel;
};

Names namesOf(FlightPanel::Side side) {
    if (side == FlightPanel::Side::Recorder) {
        return {{"E_MaxGl", "EMinimum", "E_NrZawodnika", "E_NrSeryjny", "E_TempGl", "E_probkGl"},
                "LZaw1"};
    }
    return {{"E_Max_Por", "E_Min_Por", "E_Zaw_Por", "E_NrS_Por", "E_TempPor", "E_probkPor"},
            "LZaw2"};
}

QLineEdit* field(const FlightPanel& panel, const QString& name) {
    auto* found = panel.findChild<QLineEdit*>(name);
    if (found == nullptr) {
        qFatal("no field %s", qPrintable(name));
    }
    return found;
}

} // namespace

class FlightPanelTest : public QObject {
    Q_OBJECT
private slots:
    void showsAHeaderAndClearsIt_data();
    void showsAHeaderAndClearsIt();
    void labelsFollowTheLanguage_data() { showsAHeaderAndClearsIt_data(); }
    void labelsFollowTheLanguage();
};

void FlightPanelTest::showsAHeaderAndClearsIt_data() {
    QTest::addColumn<FlightPanel::Side>("side");
    QTest::newRow("recorder") << FlightPanel::Side::Recorder;
    QTest::newRow("comparison") << FlightPanel::Side::Comparison;
}

void FlightPanelTest::showsAHeaderAndClearsIt() {
    QFETCH(FlightPanel::Side, side);
    const Names names = namesOf(side);
    FlightPanel panel(side, nullptr);
    QCOMPARE(panel.objectName(), side == FlightPanel::Side::Recorder
                                     ? QStringLiteral("GroupB_Alt")
                                     : QStringLiteral("GroupB_Por"));
    // Only the recorder flight's competitor number is typed in; the temperature once a flight
    // is shown.
    const bool recorder = side == FlightPanel::Side::Recorder;
    for (const QString& name : names.fields) {
        QCOMPARE(field(panel, name)->isReadOnly(), !(recorder && name == names.fields[2]));
    }

    FlightHeader header;
    header.rateCode = 2;
    header.competitorText = "17";
    header.serialText = "1234567890123"; // wider than its field
    header.temperatureText = "-3";
    panel.showHeader(header, SamplingList::DesignItems);
    panel.setMaximum(QStringLiteral("512,3"));
    panel.setMinimum(QStringLiteral("-1,0"));
    const QStringList shown{"512,3", "-1,0",
                            "17",    "1234567890123",
                            "-3",    ui::qs(samplingText(2, SamplingList::DesignItems))};
    for (int i = 0; i < names.fields.size(); ++i) {
        QCOMPARE(field(panel, names.fields[i])->text(), shown[i]);
    }
    QVERIFY(!field(panel, names.fields[4])->isReadOnly());
    QCOMPARE(field(panel, names.fields[3])->cursorPosition(), 0);

    panel.clear(QStringLiteral("Plik"));
    for (const QString& name : names.fields) {
        QVERIFY2(field(panel, name)->text().isEmpty(), qPrintable(name));
    }
    QCOMPARE(panel.title(), QStringLiteral("Plik"));
}

void FlightPanelTest::labelsFollowTheLanguage() {
    QFETCH(FlightPanel::Side, side);
    FlightPanel panel(side, nullptr);
    auto* label = panel.findChild<QLabel*>(namesOf(side).competitorLabel);
    QVERIFY(label != nullptr);
    for (Language language : {kEnglish, kPolish}) {
        panel.applyLanguage(language);
        QCOMPARE(label->text(), ui::qs(captionText(Caption::CompetitorNo, language)));
        QVERIFY(label->width() >= label->sizeHint().width()); // the caption is not cut off
    }
}

KESTROM_WINDOW_TEST(FlightPanelTest)
#include "flight_panel_test.moc"
