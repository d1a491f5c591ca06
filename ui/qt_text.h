#pragma once
// The window's conversions from the core's UTF-8 texts to Qt strings.

#include <QLocale>
#include <QString>

#include <string>
#include <string_view>

namespace kestrom::ui {

// A UTF-8 text of the core (captions, messages, panel texts) as a Qt string.
inline QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// File name after the last separator; '/' as well as '\\', so names typed either way show whole.
inline QString baseName(const std::string& path) {
    const auto cut = path.find_last_of("/\\");
    return QString::fromStdString(cut == std::string::npos ? path : path.substr(cut + 1));
}

// The decimal separator of the user's locale, '.' when it is not a single ASCII character.
inline char decimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 128 ? static_cast<char>(point[0].unicode())
                                                         : '.';
}

} // namespace kestrom::ui
