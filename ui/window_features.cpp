#include "ui/window_features.h"

#include "files/config.h"
#include "files/flight_archive.h"
#include "ui/flights_window.h"
#include "ui/main_window.h"
#include "ui/measure_bracket.h"
#include "ui/qt_text.h"
#include "ui/recent_files.h"
#include "ui/window_report.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QUrl>

#include <chrono>

namespace kestrom::ui {
namespace {

const QString kArchiveKey = QStringLiteral("archive/enabled");

QString textOf(Text key, Language language) { return qs(text(key, language)); }

// The local files of a drag, in its order.
QStringList droppedFiles(const QMimeData* mime) {
    QStringList files;
    if (mime == nullptr || !mime->hasUrls()) {
        return files;
    }
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            files << url.toLocalFile();
        }
    }
    return files;
}

} // namespace

WindowFeatures::WindowFeatures(TKestrom_BMP& window)
    : QObject(&window), window_(window),
      settingsPath_(QString::fromStdString(
          windowSettingsPath(QFileInfo(QString::fromStdString(window.state().configPath))
                                 .absoluteFilePath()
                                 .toStdString())
              .string())),
      recent_(std::make_unique<RecentFiles>(settingsPath_)) {
    setObjectName(QStringLiteral("WindowFeatures"));
    measure_ = new MeasureBracket(window.chart(),
                                  [&window]() -> ShownFlights& { return window.state().shown; });

    flightsMenu_ = new QMenu(&window);
    flightsMenu_->setObjectName(QStringLiteral("FlightsMenu"));
    window.menuBar()->insertMenu(window.languageMenu().menuAction(), flightsMenu_);
    flightsAction_ = flightsMenu_->addAction(QString());
    flightsAction_->setObjectName(QStringLiteral("FlightsList"));
    connect(flightsAction_, &QAction::triggered, this, &WindowFeatures::showFlightsWindow);
    recentMenu_ = flightsMenu_->addMenu(QString());
    recentMenu_->setObjectName(QStringLiteral("RecentMenu"));
    connect(recentMenu_, &QMenu::aboutToShow, this, [this] {
        if (recent_->dropVanished()) {
            rebuildRecentMenu();
        }
    });
    flightsMenu_->addSeparator();
    archiveAction_ = flightsMenu_->addAction(QString());
    archiveAction_->setObjectName(QStringLiteral("ArchiveDownloads"));
    archiveAction_->setCheckable(true);
    archiveAction_->setChecked(archiving());
    connect(archiveAction_, &QAction::toggled, this, &WindowFeatures::setArchiving);
    flightsMenu_->addSeparator();
    reportAction_ = flightsMenu_->addAction(QString());
    reportAction_->setObjectName(QStringLiteral("ContestReport"));
    connect(reportAction_, &QAction::triggered, this, &WindowFeatures::writeReport);

    window.setAcceptDrops(true);
    window.installEventFilter(this);
    // The fields take drops of their own and would take a file's name as text.
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (child->acceptDrops() && child->window() == &window) {
            child->installEventFilter(this);
        }
    }

    connect(&window, &TKestrom_BMP::languageApplied, this, &WindowFeatures::retranslate);
    // The bracket follows its curve, and goes with its flight.
    connect(&window, &TKestrom_BMP::shownChanged, measure_, &MeasureBracket::update);
    connect(&window, &TKestrom_BMP::flightFileOpened, this, [this](const QString& path, bool) {
        recent_->add(path);
        rebuildRecentMenu();
        reloadFlightsWindow();
    });
    window.setDownloadKeeper([this](const FlightImage& image) { return archiveDownload(image); });
    retranslate();
}

WindowFeatures::~WindowFeatures() = default;

void WindowFeatures::retranslate() {
    const Language language = window_.CurrentLanguage();
    flightsMenu_->setTitle(textOf(Text::FlightsMenu, language));
    recentMenu_->setTitle(textOf(Text::RecentMenu, language));
    flightsAction_->setText(textOf(Text::FlightsList, language));
    archiveAction_->setText(textOf(Text::Archiving, language));
    reportAction_->setText(textOf(Text::ContestReport, language));
    rebuildRecentMenu();
    measure_->retranslate();
    if (flights_ != nullptr) {
        flights_->setLanguage(language, window_.state().samplingList);
    }
}

bool WindowFeatures::archiving() const {
    // Read by the rule kestrom-cli follows too, so both agree on whether a download is kept.
    return archivingOn(settingsPath_.toStdString());
}

void WindowFeatures::setArchiving(bool on) {
    QSettings settings(settingsPath_, QSettings::IniFormat);
    settings.setValue(kArchiveKey, on);
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        window_.prompts().showError(settingsPath_.toStdString() + ": cannot be written");
    }
}

std::function<void()> WindowFeatures::archiveDownload(const FlightImage& image) {
    if (!archiving()) {
        return {};
    }
    // The download itself has succeeded: a failure here is told and nothing else changes.
    Result<std::filesystem::path> stored =
        archiveFlight(archiveFolder(), image, std::chrono::system_clock::now());
    if (!stored) {
        return [this, error = std::move(stored.status.error)] {
            window_.prompts().showError(
                textOf(Text::NotArchived, window_.CurrentLanguage()).toStdString() + error);
        };
    }
    return [this] { reloadFlightsWindow(); };
}

FlightsWindow& WindowFeatures::flightsWindow() {
    if (flights_ == nullptr) {
        flights_ = new FlightsWindow(
            [this](const std::string& path, bool comparison) {
                return comparison ? window_.loadCompareFile(path) : window_.loadRecorderFile(path);
            },
            &window_);
        flights_->setLanguage(window_.CurrentLanguage(), window_.state().samplingList);
        readFlightsWindow();
        connect(flights_, &FlightsWindow::refreshWanted, this,
                &WindowFeatures::reloadFlightsWindow);
    }
    return *flights_;
}

void WindowFeatures::showFlightsWindow() {
    FlightsWindow& flights = flightsWindow();
    flights.setLanguage(window_.CurrentLanguage(), window_.state().samplingList);
    readFlightsWindow();
    flights.show();
    flights.raise();
    flights.activateWindow();
}

void WindowFeatures::readFlightsWindow() {
    // Vanished files leave the Recent menu as they leave the list.
    if (recent_->dropVanished()) {
        rebuildRecentMenu();
    }
    flights_->reload(archiveFolder(), recent_->files());
}

void WindowFeatures::reloadFlightsWindow() {
    // A hidden list is read afresh when it is shown again.
    if (flights_ != nullptr && flights_->isVisible()) {
        readFlightsWindow();
    }
}

void WindowFeatures::rebuildRecentMenu() {
    recentMenu_->clear();
    const QStringList& files = recent_->files();
    if (files.isEmpty()) {
        recentMenu_->addAction(textOf(Text::NoRecentFiles, window_.CurrentLanguage()))
            ->setEnabled(false);
        return;
    }
    int number = 1;
    for (const QString& file : files) {
        QAction* action = recentMenu_->addAction(
            QStringLiteral("&%1 %2").arg(number++).arg(QFileInfo(file).fileName()));
        action->setToolTip(file);
        action->setData(file);
        connect(action, &QAction::triggered, this,
                [this, file] { window_.loadRecorderFile(file.toStdString()); });
    }
}

int WindowFeatures::writeReport() {
    if (windowReportPages(window_.state().shown).empty()) {
        window_.prompts().showMessage(Message::NoData, Message::ProblemCaption, Buttons::Ok);
        return 0;
    }
    const std::optional<std::string> name = window_.prompts().askFileName(FileDialog::Report);
    if (!name || name->empty()) {
        return 0;
    }
    const WindowReportResult written =
        writeWindowReport(window_, reportFileName(QString::fromStdString(*name)));
    if (!written.error.isEmpty()) {
        window_.prompts().showError(written.error.toStdString());
    }
    return written.pages;
}

void WindowFeatures::dropFile(const QString& path, bool rightHalf) {
    if (rightHalf) {
        window_.loadCompareFile(path.toStdString());
    } else {
        window_.loadRecorderFile(path.toStdString());
    }
}

void WindowFeatures::openFiles(const QStringList& files) {
    if (files.isEmpty()) {
        return;
    }
    window_.loadRecorderFile(files[0].toStdString());
    if (files.size() >= 2) {
        window_.loadCompareFile(files[1].toStdString());
    }
    if (files.size() > 2) {
        QString text = textOf(Text::NotOpened, window_.CurrentLanguage());
        for (qsizetype i = 2; i < files.size(); ++i) {
            text += QStringLiteral("\n") + files[i];
        }
        window_.prompts().showError(text.toStdString());
    }
}

bool WindowFeatures::takeFileDrag(QWidget& receiver, QEvent* event) {
    if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        const QStringList files = droppedFiles(drop->mimeData());
        if (files.isEmpty()) {
            return false;
        }
        drop->acceptProposedAction();
        if (files.size() > 1) {
            openFiles(files); // the drop point has no say: there is one flight and one comparison
            return true;
        }
        const QPointF at = receiver.mapTo(&window_, drop->position());
        dropFile(files[0], at.x() >= window_.width() / 2.0);
        return true;
    }
    auto* drag = static_cast<QDragMoveEvent*>(event);
    if (droppedFiles(drag->mimeData()).isEmpty()) {
        return false;
    }
    drag->acceptProposedAction();
    return true;
}

bool WindowFeatures::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr) {
        return false;
    }
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        // On a field as on the window: what the drop point's half of the window says.
        return takeFileDrag(*widget, event);
    case QEvent::KeyPress:
        // Esc that no control took (the chart takes its own while it has the focus).
        if (widget == &window_ && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
            measure_->isShown()) {
            measure_->clear();
            return true;
        }
        return false;
    default:
        return false;
    }
}

WindowFeatures& attachWindowFeatures(TKestrom_BMP& window) { return *new WindowFeatures(window); }

} // namespace kestrom::ui
