#pragma once
// The window's fonts and the plain way it makes its named labels, fields and buttons: each control
// takes its Qt object name, place and font at creation, as the layout gives them.

#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>
#include <QString>

namespace kestrom::ui {

inline QFont uiFont(int points, bool bold = false) {
    QFont font(QStringLiteral("Liberation Sans"), points);
    font.setBold(bold);
    return font;
}

inline QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                         const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    label->move(left, top);
    label->adjustSize();
    return label;
}

inline QLineEdit* makeField(QWidget* parent, const char* name, const QRect& geometry,
                            const QFont& font, bool readOnly = true) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setGeometry(geometry);
    field->setFont(font);
    field->setReadOnly(readOnly);
    return field;
}

inline QPushButton* makeButton(QWidget* parent, const char* name, const QRect& geometry,
                               const QFont& font, const QString& text = {}) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setFont(font);
    return button;
}

} // namespace kestrom::ui
