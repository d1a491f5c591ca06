#include "ui/fo_info.h"

#include <QLabel>

namespace kestrom::ui {
namespace {

QLabel* line(QWidget* parent, const QString& text, int left, int top, const QFont& font,
             const QColor& colour = Qt::black) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QFont face(const char* family, int points, bool bold, bool italic = false) {
    QFont font(QString::fromLatin1(family), points);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

} // namespace

TFoInfo::TFoInfo(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TFoInfo"));
    setWindowTitle(QStringLiteral("Kestrom"));
    setFixedSize(339, 317);
    move(460, 384);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(240, 240, 240));
    setPalette(palette);

    line(this, QStringLiteral("Ver. 2018.3  FTDI"), 72, 16, face("Liberation Sans", 18, true));
    line(this, QStringLiteral("for the FTDI adapter"), 96, 56, face("Liberation Sans", 11, true));
    line(this, QStringLiteral("Kestrom"), 104, 96, face("Liberation Serif", 24, true, true),
         QColor(128, 0, 0));
    const QFont serif = face("Liberation Serif", 11, false);
    line(this, QStringLiteral("Open-source project"), 136, 144, serif);
    line(this, QStringLiteral("https://kestrom.example.org"), 96, 176, serif);
    line(this, QStringLiteral("kestrom@example.org"), 48, 208, serif);
    line(this, QStringLiteral("no telephone"), 88, 240, serif);
}

} // namespace kestrom::ui
