#include "app/program.h"

#include "app/dialogs.h"
#include "ui/main_window.h"
#include "ui/qt_prompts.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include <exception>
#include <memory>

namespace kestrom::app {

int runProgram(const char* programName, DeviceBus& bus) {
    // Only the program's name reaches Qt: the program takes no arguments.
    int argc = 1;
    char* argv[] = {const_cast<char*>(programName), nullptr};
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KestromBMP"));
    try {
        ui::QtPrompts prompts;
        const std::string programPath = QCoreApplication::applicationFilePath().toStdString();
        ui::TKestrom_BMP window(bus, prompts, programPath);
        prompts.setLanguageSource([&window] { return window.CurrentLanguage(); });
        createDialogs(window);
        // Without a window manager (a bare X server) the maximise request has nobody to obey
        // it: the window takes the screen's free area itself first.
        if (const QScreen* screen = window.screen()) {
            window.setGeometry(screen->availableGeometry());
        }
        window.showMaximized();
        QApplication::exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QApplication::applicationName(),
                              QString::fromUtf8(error.what()));
    }
    return 0;
}

} // namespace kestrom::app
