#pragma once
// A window on the offscreen platform for the analysis and output tests: a folder for the program
// file, its configuration and the flight files, a simulated bus without recorders, and the fake
// prompts. Flights are made by the generator and loaded through the window's own buttons.

#include "tests/support/fake_prompts.h"
#include "tests/support/recorder_wait.h"
#include "tests/support/window_controls.h"

#include "app/program.h"
#include "device/simulated_bus.h"
#include "files/measurement_file.h"
#include "flight/generator.h"
#include "ui/main_window.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QtGlobal>

#include <memory>
#include <string>
#include <vector>

namespace kestrom::test {

struct WindowRun {
    QTemporaryDir dir;
    SimulatedBus bus;
    FakePrompts prompts;
    std::unique_ptr<ui::TKestrom_BMP> window;
    bool archiveSet = false;

    WindowRun() = default;
    explicit WindowRun(SimulatedTiming timing) : bus(timing) {}
    ~WindowRun() {
        if (archiveSet) {
            qunsetenv("KESTROM_ARCHIVE_DIR");
        }
    }
    // Downloads go to this folder (by default "archive" in the run's) until the run ends.
    QString archiveTo(QString folder = {}) {
        if (folder.isEmpty()) {
            folder = dir.filePath(QStringLiteral("archive"));
        }
        qputenv("KESTROM_ARCHIVE_DIR", folder.toUtf8());
        archiveSet = true;
        return folder;
    }
    // Opens the window as the program of that name in the run's folder would.
    ui::TKestrom_BMP& open(const char* programName = "kestrom") {
        const std::string program = path(programName);
        window = std::make_unique<ui::TKestrom_BMP>(bus, prompts, app::loadWindowConfig(program),
                                                    program);
        prompts.languageSource = [w = window.get()] { return w->CurrentLanguage(); };
        return *window;
    }
    QString configPath() const { return dir.filePath(QStringLiteral("kestpar")); }
    std::string path(const char* name) const {
        return dir.filePath(QString::fromLatin1(name)).toStdString();
    }
    // Writes a generated flight as a measurement file and returns its path.
    std::string flightFile(const char* name, const GeneratorOptions& options) const {
        const std::string file = path(name);
        const std::vector<std::uint8_t> bytes = generateFlight(options);
        (void)writeWholeFile(file, bytes);
        return file;
    }
    // Loads a file as the recorder flight (BOdczyt) or as the comparison (B_Porownanie).
    void load(const std::string& file) {
        prompts.fileNames.push_back(file);
        window->BLaduj_pomiarClick();
    }
    void compare(const std::string& file) {
        prompts.fileNames.push_back(file);
        window->B_PorownanieClick();
    }
};

// Keeps the default locale for one test and puts the old one back.
struct LocaleScope {
    QLocale old;
    explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(old); }
};

inline std::vector<double> seriesValues(const ui::Chart& chart, ui::SeriesId id) {
    std::vector<double> v;
    for (int i = 0; i < chart.pointCount(id); ++i) {
        v.push_back(chart.pointValue(id, i));
    }
    return v;
}

inline GeneratorOptions flightAt(unsigned rateCode, std::uint32_t seed = 1) {
    return {.seed = seed, .rateCode = rateCode};
}

} // namespace kestrom::test
