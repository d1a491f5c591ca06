#include "ui/window_features.h"

#include "ui/main_window.h"
#include "ui/measure_bracket.h"
#include "ui/recent_files.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>

#include <array>

namespace kestrom::ui {
namespace {

// Texts of the features, Polish and English.
enum class Text { FlightsMenu, RecentMenu, NoRecentFiles };

constexpr std::array<std::array<const char*, 2>, 3> kTexts{{
    {"Loty", "Flights"},
    {"Ostatnie pliki", "Recent files"},
    {"(brak)", "(none)"},
}};

QString textOf(Text key, Language language) {
    return QString::fromUtf8(kTexts[static_cast<std::size_t>(key)][language == kPolish ? 0 : 1]);
}

// The first local file of a drag, if any.
QString droppedFile(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls()) {
        return {};
    }
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) {
            return url.toLocalFile();
        }
    }
    return {};
}

} // namespace

WindowFeatures::WindowFeatures(TKestrom_BMP& window)
    : QObject(&window), window_(window),
      settingsPath_(QFileInfo(QString::fromStdString(window.state().configPath)).absolutePath() +
                    QStringLiteral("/kestrom-window.ini")),
      recent_(std::make_unique<RecentFiles>(settingsPath_)) {
    setObjectName(QStringLiteral("WindowFeatures"));
    measure_ = new MeasureBracket(
        window.chart(),
        [&window](SeriesId curve) {
            return curve == SeriesId::Series3 ? window.state().comparison.record.rateTimes10
                                              : window.state().recorder.rateTimes10;
        },
        [&window] { return window.CurrentLanguage(); });

    flightsMenu_ = new QMenu(&window);
    flightsMenu_->setObjectName(QStringLiteral("FlightsMenu"));
    window.menuBar()->insertMenu(window.MenuJezyk->menuAction(), flightsMenu_);
    recentMenu_ = flightsMenu_->addMenu(QString());
    recentMenu_->setObjectName(QStringLiteral("RecentMenu"));

    window.setAcceptDrops(true);
    window.installEventFilter(this);

    connect(&window, &TKestrom_BMP::languageApplied, this, &WindowFeatures::retranslate);
    connect(&window, &TKestrom_BMP::flightFileOpened, this, [this](const QString& path, bool) {
        // A new curve under the bracket would make its numbers wrong.
        measure_->clear();
        recent_->add(path);
        rebuildRecentMenu();
    });
    connect(&window, &TKestrom_BMP::flightDownloaded, this, [this] { measure_->clear(); });
    connect(window.Porownanie1, &QAction::triggered, this, [this] {
        if (measure_->curve() == SeriesId::Series3) {
            measure_->clear();
        }
    });
    retranslate();
}

WindowFeatures::~WindowFeatures() = default;

void WindowFeatures::retranslate() {
    const Language language = window_.CurrentLanguage();
    flightsMenu_->setTitle(textOf(Text::FlightsMenu, language));
    recentMenu_->setTitle(textOf(Text::RecentMenu, language));
    rebuildRecentMenu();
    measure_->retranslate();
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

void WindowFeatures::dropFile(const QString& path, bool rightHalf) {
    if (rightHalf) {
        window_.loadCompareFile(path.toStdString());
    } else {
        window_.loadRecorderFile(path.toStdString());
    }
}

bool WindowFeatures::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &window_) {
        return false;
    }
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (droppedFile(drag->mimeData()).isEmpty()) {
            return false;
        }
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString file = droppedFile(drop->mimeData());
        if (file.isEmpty()) {
            return false;
        }
        drop->acceptProposedAction();
        dropFile(file, drop->position().x() >= window_.width() / 2.0);
        return true;
    }
    default:
        return false;
    }
}

WindowFeatures& attachWindowFeatures(TKestrom_BMP& window) { return *new WindowFeatures(window); }

} // namespace kestrom::ui
