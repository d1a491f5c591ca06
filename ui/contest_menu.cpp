#include "ui/contest_menu.h"

#include "device/diagnosis_text.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

namespace kestrom::ui {

ContestMenu::ContestMenu(TKestrom_BMP& window, ContestWindowSetup setup,
                         std::function<UsbDiagnosis()> diagnose)
    : QObject(&window), window_(window), setup_(std::move(setup)), diagnose_(std::move(diagnose)) {
    setObjectName(QStringLiteral("ContestMenuFeatures"));
    setup_.prompts = &window.prompts();
    setup_.openFlight = [&window](const std::string& path) {
        const bool taken = window.loadRecorderFile(path);
        window.raise();
        window.activateWindow();
        return taken;
    };
    menu_ = new QMenu(&window);
    menu_->setObjectName(QStringLiteral("ContestMenu"));
    window.menuBar()->insertMenu(window.languageMenu().menuAction(), menu_);
    windowAction_ = menu_->addAction(QString());
    windowAction_->setObjectName(QStringLiteral("ContestWindowItem"));
    connect(windowAction_, &QAction::triggered, this, &ContestMenu::showContestWindow);
    menu_->addSeparator();
    diagnosisAction_ = menu_->addAction(QString());
    diagnosisAction_->setObjectName(QStringLiteral("RecorderNotFound"));
    connect(diagnosisAction_, &QAction::triggered, this, &ContestMenu::showDiagnosis);
    connect(&window, &TKestrom_BMP::languageApplied, this, &ContestMenu::retranslate);
    retranslate();
}

void ContestMenu::retranslate() {
    const Language language = window_.CurrentLanguage();
    menu_->setTitle(qs(text(Text::ContestMenu, language)));
    windowAction_->setText(qs(text(Text::ContestWindowItem, language)));
    diagnosisAction_->setText(qs(text(Text::RecorderNotFound, language)));
    if (contest_ != nullptr) {
        contest_->setLanguage(language, window_.state().samplingList);
    }
}

ContestWindow& ContestMenu::contestWindow() {
    if (contest_ == nullptr) {
        contest_ = new ContestWindow(setup_, &window_);
        contest_->setLanguage(window_.CurrentLanguage(), window_.state().samplingList);
    }
    return *contest_;
}

void ContestMenu::showContestWindow() {
    ContestWindow& contest = contestWindow();
    contest.setLanguage(window_.CurrentLanguage(), window_.state().samplingList);
    contest.show();
    contest.raise();
    contest.activateWindow();
}

QString ContestMenu::showDiagnosis() {
    // Listing and the handshakes take a moment per bridge.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const UsbDiagnosis diagnosis = diagnose_ ? diagnose_() : diagnoseBridges();
    QApplication::restoreOverrideCursor();
    const QString shown = QString::fromStdString(diagnosisText(diagnosis));
    setup_.dialogs->showText(qs(text(Text::RecorderNotFound, window_.CurrentLanguage())), shown);
    return shown;
}

ContestMenu& attachContestMenu(TKestrom_BMP& window, ContestWindowSetup setup,
                               std::function<UsbDiagnosis()> diagnose) {
    return *new ContestMenu(window, std::move(setup), std::move(diagnose));
}

} // namespace kestrom::ui
