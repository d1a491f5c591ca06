#pragma once
// Reaches a window's controls by their Qt object names, as a user's tools would: the controls
// under the client area and the menu bar, not those of the window's dialogs (which reuse some
// names). A name that is missing or found twice stops the test.

#include <QByteArray>
#include <QList>
#include <QMainWindow>
#include <QMenuBar>
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

} // namespace kestrom::test
