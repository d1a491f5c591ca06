#include "ui/temperature_key_filter.h"

#include "analysis/temperature_entry.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace kestrom::ui {

bool TemperatureKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    auto* field = qobject_cast<QLineEdit*>(watched);
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (field == nullptr || text.isEmpty()) {
        return false;
    }
    const QList<uint> characters = text.toUcs4();
    const char32_t typed = characters.isEmpty() ? U'\0' : static_cast<char32_t>(characters[0]);
    // Control characters other than Enter and Backspace come from shortcuts and Delete, which the
    // field handles itself; every printable character goes through the rules.
    const bool printable = typed >= U' ' && typed != U'\x7f';
    if (!printable) {
        return false;
    }
    const bool accepted =
        characters.size() == 1 &&
        temperatureKeyAccepted(typed, static_cast<std::size_t>(field->text().size()));
    return !accepted;
}

} // namespace kestrom::ui
