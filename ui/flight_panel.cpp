#include "ui/flight_panel.h"

#include "ui/controls.h"
#include "ui/qt_text.h"

namespace kestrom::ui {
namespace {

struct LabelPlace {
    const char* name;
    int left;
    int top;
};
struct FieldPlace {
    const char* name;
    QRect geometry;
};

// Each panel's given names and places, in the order the controls are made (their tab order).
struct PanelLayout {
    QColor title;
    LabelPlace maximumLabel, maximumUnit;
    FieldPlace maximum;
    LabelPlace minimumLabel, minimumUnit;
    FieldPlace minimum;
    LabelPlace competitorLabel;
    FieldPlace competitor;
    LabelPlace serialLabel;
    FieldPlace serial;
    LabelPlace temperatureLabel, temperatureUnit;
    FieldPlace temperature;
    LabelPlace samplingLabel;
    FieldPlace sampling;
};

const PanelLayout kRecorder{
    QColor(255, 0, 0),
    {"LabMaximum", 12, 18},
    {"LmMax", 84, 40},
    {"E_MaxGl", {13, 32, 68, 27}},
    {"LMinimum", 12, 66},
    {"LmMin", 84, 88},
    {"EMinimum", {13, 80, 68, 25}},
    {"LZaw1", 104, 18},
    {"E_NrZawodnika", {104, 32, 57, 26}},
    {"L_NumSer1", 104, 66},
    {"E_NrSeryjny", {104, 80, 57, 25}},
    {"LTemp1", 189, 18},
    {"Label14", 261, 40},
    {"E_TempGl", {189, 32, 68, 24}},
    {"LProbk1", 189, 66},
    {"E_probkGl", {188, 80, 61, 24}},
};

const PanelLayout kComparison{
    QColor(255, 255, 0),
    {"Label1", 16, 18},
    {"Label7", 85, 40},
    {"E_Max_Por", {13, 32, 68, 25}},
    {"Label3", 13, 66},
    {"Label8", 85, 88},
    {"E_Min_Por", {13, 80, 68, 25}},
    {"LZaw2", 112, 18},
    {"E_Zaw_Por", {112, 32, 57, 25}},
    {"L_NumSer2", 112, 66},
    {"E_NrS_Por", {112, 80, 57, 25}},
    {"LTemp2", 205, 18},
    {"Label9", 277, 40},
    {"E_TempPor", {205, 32, 68, 24}},
    {"LProbk2", 205, 66},
    {"E_probkPor", {205, 80, 60, 24}},
};

} // namespace

FlightPanel::FlightPanel(Side side, QWidget* parent) : QGroupBox(parent) {
    const bool recorder = side == Side::Recorder;
    const PanelLayout& at = recorder ? kRecorder : kComparison;
    setObjectName(recorder ? QStringLiteral("GroupB_Alt") : QStringLiteral("GroupB_Por"));
    setFont(uiFont(12, true));
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, at.title);
    setPalette(colours);
    QPalette black = colours;
    black.setColor(QPalette::WindowText, Qt::black);

    auto L = [&](const LabelPlace& place, const QString& text) {
        QLabel* l = makeLabel(this, place.name, text, place.left, place.top, uiFont(9));
        l->setPalette(black);
        return l;
    };
    auto F = [&](const FieldPlace& place, const QFont& font) {
        QLineEdit* f = makeField(this, place.name, place.geometry, font);
        f->setPalette(black);
        return f;
    };
    L(at.maximumLabel, QStringLiteral("Maximum"));
    // The recorder flight's maximum is the panel's headline figure.
    maximum_ = F(at.maximum, recorder ? uiFont(12, true) : uiFont(9));
    L(at.maximumUnit, QStringLiteral("m"));
    L(at.minimumLabel, QStringLiteral("Minimum"));
    minimum_ = F(at.minimum, uiFont(9));
    L(at.minimumUnit, QStringLiteral("m"));
    competitorLabel_ = L(at.competitorLabel, {});
    competitor_ = F(at.competitor, uiFont(9));
    // The competitor number of a downloaded flight may be typed in before it is saved.
    competitor_->setReadOnly(!recorder);
    serialLabel_ = L(at.serialLabel, {});
    serial_ = F(at.serial, uiFont(9));
    temperatureLabel_ = L(at.temperatureLabel, {});
    temperature_ = F(at.temperature, uiFont(9));
    L(at.temperatureUnit, QStringLiteral("C"));
    samplingLabel_ = L(at.samplingLabel, {});
    sampling_ = F(at.sampling, uiFont(8)); // "10 pom/sek" fits whole
}

void FlightPanel::showHeader(const FlightHeader& header, SamplingList list) {
    competitor_->setText(QString::fromStdString(header.competitorText));
    serial_->setText(QString::fromStdString(header.serialText));
    temperature_->setText(QString::fromStdString(header.temperatureText));
    temperature_->setReadOnly(false);
    sampling_->setText(qs(samplingText(header.rateCode, list)));
    for (QLineEdit* field : {competitor_, serial_, temperature_, sampling_}) {
        field->setCursorPosition(0); // a text wider than its field shows its beginning
    }
}

void FlightPanel::setMaximum(const QString& text) { maximum_->setText(text); }

void FlightPanel::setMinimum(const QString& text) { minimum_->setText(text); }

void FlightPanel::clear(const QString& title) {
    for (QLineEdit* field : {maximum_, minimum_, temperature_, sampling_, competitor_, serial_}) {
        field->clear();
    }
    setTitle(title);
}

void FlightPanel::applyLanguage(Language language) {
    competitorLabel_->setText(qs(captionText(Caption::CompetitorNo, language)));
    serialLabel_->setText(qs(captionText(Caption::SerialNo, language)));
    temperatureLabel_->setText(qs(captionText(Caption::Temperature, language)));
    samplingLabel_->setText(qs(captionText(Caption::Sampling, language)));
    for (QLabel* l : {temperatureLabel_, samplingLabel_, competitorLabel_, serialLabel_}) {
        l->adjustSize();
    }
}

} // namespace kestrom::ui
