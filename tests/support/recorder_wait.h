#pragma once
// The window's recorder actions run off its thread: a click only starts them. These wait for the
// action's end while the window's events go on, as a user waits, and stop the test when it never
// ends.

#include "tests/support/window_controls.h"

#include "ui/main_window.h"
#include "ui/recorder_task.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QPushButton>
#include <QTimer>
#include <QtGlobal>

namespace kestrom::test {

inline void waitForRecorder(ui::TKestrom_BMP& window, int timeoutMs = 120'000) {
    if (!window.recorderBusy()) {
        return;
    }
    QEventLoop loop;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&window.recorderTask(), &ui::RecorderTask::runningChanged, &loop,
                     [&loop](bool running) {
                         if (!running) {
                             loop.quit();
                         }
                     });
    guard.start(timeoutMs);
    loop.exec();
    if (window.recorderBusy()) {
        qFatal("the recorder action did not end within %d ms", timeoutMs);
    }
    // The chart draws what the action's end gave it on the next turn.
    QCoreApplication::processEvents();
}

// Clicks one of the window's recorder buttons and waits for its action to end.
inline void clickAndWait(ui::TKestrom_BMP& window, const char* button) {
    child<QPushButton>(window, button)->click();
    waitForRecorder(window);
}

} // namespace kestrom::test
