#include "app/program.h"

#include "app/dialogs.h"
#include "app/open_arguments.h"
#include "files/flight_archive.h"
#include "ui/contest_dialogs.h"
#include "ui/contest_menu.h"
#include "ui/qt_prompts.h"
#include "ui/window_features.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>
#include <QStandardPaths>

#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace kestrom::app {

ui::WindowConfig loadWindowConfig(const std::string& programPath) {
    const QString userFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    ui::WindowConfig config;
    config.path = chooseConfigPath(programPath, userFolder.isEmpty()
                                                    ? std::string()
                                                    : (userFolder + "/kestrom").toStdString());
    ConfigLoadResult loaded = LoadConfig(config.path);
    config.record = loaded.record;
    config.kept = loaded.status == ConfigLoad::Unreadable;
    config.error = std::move(loaded.error);
    return config;
}

int runProgram(int argc, char** argv, DeviceBus& bus, const ProgramStarted& started) {
    // Qt takes its own options (-platform and the like) out first; the rest name files.
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KestromBMP"));
    std::vector<std::string> arguments;
    for (const QString& argument : QCoreApplication::arguments().mid(1)) {
        arguments.push_back(argument.toStdString());
    }
    const OpenArguments open = parseOpenArguments(arguments);
    const std::string program =
        QFileInfo(QCoreApplication::arguments().value(0)).fileName().toStdString();
    if (!open.error.empty()) {
        std::cerr << program << ": " << open.error << '\n' << openUsage(program);
        return 2;
    }
    if (open.help) {
        std::cout << openUsage(program);
        return 0;
    }
    try {
        ui::QtPrompts prompts;
        ui::QtContestDialogs contestDialogs;
        const std::string programPath = QCoreApplication::applicationFilePath().toStdString();
        // Start-up: the configuration first, then everything that depends on it.
        ui::TKestrom_BMP window(bus, prompts, loadWindowConfig(programPath), programPath);
        prompts.setLanguageSource([&window] { return window.CurrentLanguage(); });
        createDialogs(window);
        ui::WindowFeatures& features = ui::attachWindowFeatures(window);
        ui::ContestWindowSetup contestSetup;
        contestSetup.bus = &bus;
        contestSetup.dialogs = &contestDialogs;
        contestSetup.archive = archiveFolder();
        ui::ContestMenu& contest = ui::attachContestMenu(window, contestSetup, {});
        // Without a window manager (a bare X server) the maximise request has nobody to obey
        // it: the window takes the screen's free area itself first.
        if (const QScreen* screen = window.screen()) {
            window.setGeometry(screen->availableGeometry());
        }
        window.showMaximized();
        // Opened like BOdczyt and B_Porownanie: a file that does not read is shown and skipped;
        // files beyond the second are named in the window.
        QStringList files;
        for (const std::string* file : {&open.flight, &open.compare}) {
            if (!file->empty()) {
                files << QString::fromStdString(*file);
            }
        }
        for (const std::string& file : open.notOpened) {
            files << QString::fromStdString(file);
        }
        features.openFiles(files);
        if (started) {
            started(window, contest);
        }
        QApplication::exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QApplication::applicationName(),
                              QString::fromUtf8(error.what()));
    }
    return 0;
}

} // namespace kestrom::app
