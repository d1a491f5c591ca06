#pragma once
// One flight's panel: the group box over the maximum, minimum, competitor number, serial number,
// ground temperature and sampling fields. The recorder flight's panel (GroupB_Alt) and the
// comparison's (GroupB_Por) are two of these; they differ only in their controls' given names,
// places and title colour.

#include "core/texts.h"
#include "flight/flight_header.h"
#include "settings/settings_texts.h"

#include <QGroupBox>
#include <QString>

class QLabel;
class QLineEdit;

namespace kestrom::ui {

class FlightPanel : public QGroupBox {
    Q_OBJECT
public:
    enum class Side { Recorder, Comparison };

    FlightPanel(Side side, QWidget* parent);

    // The header's competitor, serial number, temperature and sampling; the temperature becomes
    // editable, and each text shows its beginning.
    void showHeader(const FlightHeader& header, SamplingList list);
    void setMaximum(const QString& text);
    void setMinimum(const QString& text);
    // Empties the six fields and puts the panel's title back.
    void clear(const QString& title);
    // The captions of the competitor, serial, temperature and sampling labels.
    void applyLanguage(Language language);

    QLineEdit& maximumField() const { return *maximum_; }
    QLineEdit& minimumField() const { return *minimum_; }
    QLineEdit& competitorField() const { return *competitor_; }
    QLineEdit& serialField() const { return *serial_; }
    QLineEdit& temperatureField() const { return *temperature_; }
    QLineEdit& samplingField() const { return *sampling_; }

private:
    QLineEdit* maximum_ = nullptr;
    QLineEdit* minimum_ = nullptr;
    QLineEdit* competitor_ = nullptr;
    QLineEdit* serial_ = nullptr;
    QLineEdit* temperature_ = nullptr;
    QLineEdit* sampling_ = nullptr;
    QLabel* competitorLabel_ = nullptr;
    QLabel* serialLabel_ = nullptr;
    QLabel* temperatureLabel_ = nullptr;
    QLabel* samplingLabel_ = nullptr;
};

} // namespace kestrom::ui
