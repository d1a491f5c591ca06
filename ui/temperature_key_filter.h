#pragma once
// The key filter of the two temperature fields: typed characters reach the field only when the
// temperature entry rules take them. Keys without a character (arrows, Delete, shortcuts) are left
// to the field.

#include <QObject>

namespace kestrom::ui {

class TemperatureKeyFilter : public QObject {
    Q_OBJECT
public:
    explicit TemperatureKeyFilter(QObject* parent = nullptr) : QObject(parent) {}

protected:
    // Swallows a key press on a QLineEdit whose character the rules discard.
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace kestrom::ui
