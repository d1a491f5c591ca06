#pragma once
// Reaches a window's controls by their Qt object names, as a user's tools would: the controls
// under the client area and the menu bar, not those of the window's dialogs (which reuse some
// names). A name that is missing or found twice stops the test.

#include <QAction>
#include <QByteArray>
#include <QGroupBox>
#include <QLineEdit>
#include <QList>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <QtGlobal>

namespace kestrom::test {

template <typename T> T* child(QMainWindow& window, const char* name) {
    const QString wanted = QString::fromLatin1(name);
    QList<T*> found;
    for (QWidget* root : {window.centralWidget(), static_cast<QWidget*>(window.menuBar())}) {
        if (root != nullptr) {
            found += root->findChildren<T*>(wanted);
        }
    }
    if (found.size() != 1) {
        qFatal("%d controls named %s", static_cast<int>(found.size()), name);
    }
    return found.front();
}

// What a user does with a named control, and what a field shows.
inline void click(QMainWindow& window, const char* button) {
    child<QPushButton>(window, button)->click();
}
inline void trigger(QMainWindow& window, const char* action) {
    child<QAction>(window, action)->trigger();
}
inline QString fieldText(QMainWindow& window, const char* field) {
    return child<QLineEdit>(window, field)->text();
}
inline QString groupTitle(QMainWindow& window, const char* group) {
    return child<QGroupBox>(window, group)->title();
}
inline bool isChecked(QMainWindow& window, const char* action) {
    return child<QAction>(window, action)->isChecked();
}

} // namespace kestrom::test
