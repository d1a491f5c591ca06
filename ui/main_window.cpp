#include "ui/main_window.h"

#include "device/actions.h"
#include "ui/controls.h"
#include "ui/flight_flows.h"
#include "ui/fo_info.h"
#include "ui/qt_text.h"
#include "ui/recorder_task.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QUrl>

#include <algorithm>
#include <array>

namespace kestrom::ui {
namespace {

const QColor kSilver(192, 192, 192);
const QColor kScrollBarGrey(200, 200, 200);
// The object names of the Language menu's entries, by table column.
constexpr std::array<const char*, kLanguageCount> kLanguageEntryNames{"Polski1", "English1"};

} // namespace

TKestrom_BMP::TKestrom_BMP(DeviceBus& bus, Prompts& prompts, WindowConfig config,
                           const std::string& programPath, QWidget* parent)
    : QMainWindow(parent), prompts_(prompts), link_(bus) {
    setObjectName(QStringLiteral("TKestrom_BMP"));
    state_.config = config.record;
    state_.configPath = std::move(config.path);
    state_.configKept = config.kept;
    state_.shown.accelView = state_.config.accelView != 0;
    state_.shown.language = languageFromStored(state_.config.Language);
    buildControls();
    buildMenu();
    flows_ =
        std::make_unique<FlightFlows>(state_, link_, prompts_,
                                      FlightFlows::Controls{*Chart1, *GroupB_Alt, *GroupB_Por,
                                                            *E_PobDan, *ECzekaj, *Porownanie1});
    flows_->shownChanged = [this] { emit shownChanged(); };
    task_ = std::make_unique<RecorderTask>(prompts_);
    connectHandlers();
    connectAnalysisActions();
    openDocument_ = [](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    programFolder_ = QFileInfo(QString::fromStdString(programPath)).absolutePath();

    // Everything that depends on the configuration.
    Przyspieszenie1->setChecked(state_.config.accelView != 0);
    ApplyLanguage();
    if (state_.configKept) {
        // The window still opens, with the defaults.
        prompts_.showError(std::string(messageText(Message::ConfigNotRead, CurrentLanguage())) +
                           "\n" + config.error);
    }
    Chart1->clearSeries(SeriesId::Series1);
    state_.shown.recorder.groundTemp = 20.0f;
    resize(1300, 834);
}

TKestrom_BMP::~TKestrom_BMP() = default;

void TKestrom_BMP::buildControls() {
    // The controls lie on a client of their own inside a scroll area without a frame: where the
    // layout rules push controls beyond a small window (or a screen at a large scale), the
    // scroll bars reach them; at every size that holds the layout there are none.
    clientScroll_ = new QScrollArea(this);
    clientScroll_->setObjectName(QStringLiteral("ClientScroll"));
    clientScroll_->setFrameShape(QFrame::NoFrame);
    clientScroll_->setWidgetResizable(false);
    clientScroll_->setFocusPolicy(Qt::NoFocus); // keys stay with the controls and the window
    auto* client = new QWidget;
    client->setObjectName(QStringLiteral("client"));
    client->setAutoFillBackground(true);
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window, kSilver);
    client->setPalette(palette);
    clientScroll_->setWidget(client);
    setCentralWidget(clientScroll_);
    setFont(uiFont(8));
    clientScroll_->viewport()->installEventFilter(this);

    const QFont plain = uiFont(8);
    const QFont bold = uiFont(8, true);
    B_Odczyt_Kestromu = makeButton(client, "B_Odczyt_Kestromu", {8, 8, 145, 41}, bold);
    BZerowanie = makeButton(client, "BZerowanie", {8, 70, 81, 27}, plain);
    B_Filtr_Alt = makeButton(client, "B_Filtr_Alt", {96, 70, 57, 27}, plain);

    GroupB_Alt = new FlightPanel(FlightPanel::Side::Recorder, client);
    GroupB_Alt->setGeometry(168, 0, 281, 113);

    GBDysk_ZapisOdczyt = new QGroupBox(client);
    GBDysk_ZapisOdczyt->setObjectName(QStringLiteral("GBDysk_ZapisOdczyt"));
    GBDysk_ZapisOdczyt->setGeometry(528, 0, 129, 113);
    GBDysk_ZapisOdczyt->setFont(uiFont(10));
    BZapisz = makeButton(GBDysk_ZapisOdczyt, "BZapisz", {16, 30, 97, 25}, plain);
    BOdczyt = makeButton(GBDysk_ZapisOdczyt, "BOdczyt", {16, 69, 97, 25}, plain);

    B_Porownanie = makeButton(client, "B_Porownanie", {864, 8, 97, 41}, bold);
    B_Filtr_por = makeButton(client, "B_Filtr_por", {864, 72, 75, 25}, plain);

    GroupB_Por = new FlightPanel(FlightPanel::Side::Comparison, client);
    GroupB_Por->setGeometry(976, 0, 297, 113);

    Chart1 = new Chart(client);
    Chart1->setGeometry(8, 120, 1265, 745);
    const QFont unitFont = uiFont(9, true);
    Label6 = makeLabel(Chart1, "Label6", QStringLiteral("[m]"), 8, 794, unitFont);
    Label2 = makeLabel(Chart1, "Label2", {}, 1143, 799, unitFont);
    Label4 = makeLabel(Chart1, "Label4", QStringLiteral("dh/dt"), 1168, 8, unitFont);
    EUstawieniaOK = makeField(Chart1, "EUstawieniaOK", {560, 192, 89, 37}, uiFont(18));
    EUstawieniaOK->setText(QStringLiteral("    OK"));
    EUstawieniaOK->hide();

    QPalette busy;
    busy.setColor(QPalette::Base, kScrollBarGrey);
    E_PobDan = makeField(client, "E_PobDan", {520, 232, 177, 32}, uiFont(16));
    E_PobDan->setPalette(busy);
    E_PobDan->hide();
    ECzekaj = makeField(client, "ECzekaj", {560, 272, 113, 32}, uiFont(16));
    ECzekaj->setPalette(busy);
    ECzekaj->setText(caption(Caption::Wait));
    ECzekaj->hide();
    B_Anuluj = makeButton(client, "B_Anuluj", {560, 312, 113, 32}, uiFont(12, true));
    B_Anuluj->hide();
}

void TKestrom_BMP::buildMenu() {
    QMenuBar* bar = menuBar();
    auto item = [](QMenu* menu, const char* name, const QString& text, bool checkable = false,
                   bool checked = false) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setCheckable(checkable);
        action->setChecked(checked);
        return action;
    };
    auto menu = [bar](const char* name, const QString& text) {
        QMenu* m = bar->addMenu(text);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    Ustawienia1 = menu("Ustawienia1", {});
    Kestrom1 = item(Ustawienia1, "Kestrom1", {});
    Filtr3 = item(Ustawienia1, "Filtr3", {});
    Se1 = item(Ustawienia1, "Se1", {});
    Widok1 = menu("Widok1", {});
    Przyspieszenie1 = item(Widok1, "Przyspieszenie1", {}, true, true);
    Porownanie1 = item(Widok1, "Porownanie1", {}, true, true);
    Warto1 = item(Widok1, "Warto1", {}, true, false);
    E1 = menu("E1", {});
    UstawDrukarke1 = item(E1, "UstawDrukarke1", {});
    Drukuj1 = item(E1, "Drukuj1", {});
    ZapiszObraz1 = item(E1, "ZapiszObraz1", {});
    ZapiszdoExcela1 = item(E1, "ZapiszdoExcela1", {});
    MenuJezyk = menu("MenuJezyk", {});
    // One checkable entry per language, in the order of the text table's columns.
    for (const Language language : kLanguages) {
        const std::size_t column = languageColumn(language);
        QAction* entry = item(MenuJezyk, kLanguageEntryNames[column],
                              qs(languageMenuName(language)), true, false);
        connect(entry, &QAction::triggered, this, [this, language] { switchLanguage(language); });
        languageEntries_[column] = entry;
    }
    Polski1 = languageEntries_[languageColumn(kPolish)];
    English1 = languageEntries_[languageColumn(kEnglish)];
    Info1 = bar->addAction(QString());
    Info1->setObjectName(QStringLiteral("Info1"));
    Help1 = bar->addAction(QString());
    Help1->setObjectName(QStringLiteral("Help1"));
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setObjectName(QStringLiteral("HelpKey"));
    connect(f1, &QShortcut::activated, this, &TKestrom_BMP::FormHelp);
    CancelKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    CancelKey->setObjectName(QStringLiteral("CancelKey"));
    CancelKey->setEnabled(false);
}

void TKestrom_BMP::connectHandlers() {
    connect(B_Odczyt_Kestromu, &QPushButton::clicked, this, &TKestrom_BMP::B_Odczyt_KestromuClick);
    connect(BZerowanie, &QPushButton::clicked, this, &TKestrom_BMP::BZerowanieClick);
    connect(B_Filtr_Alt, &QPushButton::clicked, this, &TKestrom_BMP::B_Filtr_AltClick);
    connect(BZapisz, &QPushButton::clicked, this, &TKestrom_BMP::BZapisz_PomiarClick);
    connect(BOdczyt, &QPushButton::clicked, this, &TKestrom_BMP::BLaduj_pomiarClick);
    connect(B_Porownanie, &QPushButton::clicked, this, &TKestrom_BMP::B_PorownanieClick);
    connect(B_Filtr_por, &QPushButton::clicked, this, &TKestrom_BMP::B_Filtr_porClick);
    connect(B_Anuluj, &QPushButton::clicked, this, &TKestrom_BMP::B_AnulujClick);
    connect(CancelKey, &QShortcut::activated, this, &TKestrom_BMP::B_AnulujClick);
    connect(task_.get(), &RecorderTask::runningChanged, this, &TKestrom_BMP::followRecorderTask);

    connect(Kestrom1, &QAction::triggered, this, &TKestrom_BMP::Ustawienia1Click);
    connect(Filtr3, &QAction::triggered, this, &TKestrom_BMP::Ustawienia2Click);
    connect(Se1, &QAction::triggered, this, &TKestrom_BMP::Se1Click);
    connect(Przyspieszenie1, &QAction::triggered, this, &TKestrom_BMP::Przyspieszenie1Click);
    connect(Porownanie1, &QAction::triggered, this, &TKestrom_BMP::Porownanie1Click);
    connect(Warto1, &QAction::triggered, this, &TKestrom_BMP::Warto1Click);
    connect(UstawDrukarke1, &QAction::triggered, this, &TKestrom_BMP::UstawDrukarke1Click);
    connect(Drukuj1, &QAction::triggered, this, &TKestrom_BMP::Drukuj1Click);
    connect(ZapiszObraz1, &QAction::triggered, this, &TKestrom_BMP::ZapiszObraz1Click);
    connect(ZapiszdoExcela1, &QAction::triggered, this, &TKestrom_BMP::ZapiszdoExcela1Click);
    connect(Info1, &QAction::triggered, this, &TKestrom_BMP::Info1Click);
    connect(Help1, &QAction::triggered, this, &TKestrom_BMP::Help1Click);

    connect(Chart1, &Chart::legendClicked, this, &TKestrom_BMP::ppp);
    connect(Chart1, &Chart::seriesClicked, this, &TKestrom_BMP::xxx);
    connect(Chart1, &Chart::zoomed, this, &TKestrom_BMP::Chart1Zoom);
    connect(Chart1, &Chart::zoomUndone, this, &TKestrom_BMP::Chart1UndoZoom);
    connect(&GroupB_Alt->temperatureField(), &QLineEdit::returnPressed, this,
            &TKestrom_BMP::E_TempGlKeyPress);
    connect(&GroupB_Por->temperatureField(), &QLineEdit::returnPressed, this,
            &TKestrom_BMP::E_TempPorKeyPress);
}

QString TKestrom_BMP::caption(Caption key) const { return qs(captionText(key, CurrentLanguage())); }

bool TKestrom_BMP::comparisonShown() const { return Porownanie1->isChecked(); }

void TKestrom_BMP::ApplyLanguage() {
    for (const Language language : kLanguages) {
        languageEntries_[languageColumn(language)]->setChecked(language == CurrentLanguage());
    }
    B_Filtr_Alt->setText(caption(Caption::FilterButton));
    B_Filtr_por->setText(caption(Caption::FilterButton));
    Label2->setText(caption(Caption::SecondsUnit));
    Filtr3->setText(caption(Caption::FilterButton));
    Se1->setText(caption(Caption::SetupDefault));
    Warto1->setText(caption(Caption::ValuesMenu));
    E1->setTitle(caption(Caption::PrintExportMenu));
    MenuJezyk->setTitle(caption(Caption::LanguageMenu));
    Info1->setText(caption(Caption::InfoMenu));
    Help1->setText(caption(Caption::HelpMenu));
    BZerowanie->setText(caption(Caption::Reset));
    B_Odczyt_Kestromu->setText(caption(Caption::ReadDevice));
    GBDysk_ZapisOdczyt->setTitle(caption(Caption::DiskGroup));
    BZapisz->setText(caption(Caption::Save));
    BOdczyt->setText(caption(Caption::Load));
    GroupB_Alt->applyLanguage(CurrentLanguage());
    GroupB_Por->applyLanguage(CurrentLanguage());
    B_Porownanie->setText(caption(Caption::Compare));
    GroupB_Alt->setTitle(caption(Caption::Device));
    GroupB_Por->setTitle(caption(Caption::File));
    setWindowTitle(caption(Caption::WindowTitle));
    E_PobDan->setText(caption(Caption::ReadingData));
    B_Anuluj->setText(caption(Caption::CancelTransfer));
    Ustawienia1->setTitle(caption(Caption::Setup));
    Kestrom1->setText(caption(Caption::Device));
    Widok1->setTitle(caption(Caption::Charts));
    Przyspieszenie1->setText(caption(Caption::Acceleration));
    Porownanie1->setText(caption(Caption::Compare));
    UstawDrukarke1->setText(caption(Caption::PrinterSetup));
    Drukuj1->setText(caption(Caption::Print));
    ZapiszObraz1->setText(caption(Caption::SavePicture));
    ZapiszdoExcela1->setText(caption(Caption::Export));
    Chart1->setSeriesTitle(SeriesId::Series1, caption(Caption::Altitude));
    Chart1->setSeriesTitle(SeriesId::Series2, caption(Caption::Acceleration));
    Chart1->setSeriesTitle(SeriesId::Series3, caption(Caption::Compare));
    emit languageApplied();
}

void TKestrom_BMP::FormResize() {
    // The client area is what the scroll area shows of the client.
    const QSize area = clientScroll_->viewport()->size();
    const int W = area.width();
    const int H = area.height();
    if (W <= 0 || W > 128000) {
        return; // the scale divisor would be 0
    }
    const int k = 128000 / W;
    const int chartHeight = std::max(H - 120, 200);
    const int chartWidth = std::max(W - 15, 500);
    Chart1->setGeometry(Chart1->x(), 120, chartWidth, chartHeight);
    Label6->move(Label6->x(), chartHeight - 20);
    Label2->move(chartWidth - 85, chartHeight - 20);
    Label4->move(chartWidth - 85, Label4->y());

    const int x0 = 1000 / k;
    B_Odczyt_Kestromu->move(x0, B_Odczyt_Kestromu->y());
    BZerowanie->move(x0, BZerowanie->y());
    B_Filtr_Alt->move(std::max(9600 / k, x0 + BZerowanie->width() + 7), B_Filtr_Alt->y());
    GroupB_Alt->move(std::max(18400 / k, x0 + B_Odczyt_Kestromu->width() + 3), GroupB_Alt->y());
    GBDysk_ZapisOdczyt->move(std::max(53600 / k, GroupB_Alt->x() + GroupB_Alt->width() + 3),
                             GBDysk_ZapisOdczyt->y());
    const int d = std::max(W - B_Porownanie->width() - GroupB_Por->width() - (1500 / k) - 8,
                           GBDysk_ZapisOdczyt->x() + GBDysk_ZapisOdczyt->width() + 5);
    B_Porownanie->move(d, B_Porownanie->y());
    B_Filtr_por->move(d, B_Filtr_por->y());
    GroupB_Por->move(std::max(W - GroupB_Por->width() - 8, d + B_Porownanie->width() + 5),
                     GroupB_Por->y());

    // The client holds whatever the rules put beyond the area (with the margin of 8 the
    // comparison panel has at the right), so the scroll bars reach it.
    const QRect used = clientScroll_->widget()->childrenRect();
    const int usedWidth = used.right() + 1;
    clientScroll_->widget()->resize(usedWidth > W ? usedWidth + 8 : W,
                                    std::max(H, used.bottom() + 1));
}

bool TKestrom_BMP::eventFilter(QObject* watched, QEvent* event) {
    if (watched == clientScroll_->viewport() && event->type() == QEvent::Resize) {
        FormResize();
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TKestrom_BMP::saveConfiguration() {
    if (state_.configKept) {
        return false; // said at start-up
    }
    if (auto error = SaveConfig(state_.configPath, state_.config)) {
        prompts_.showError(*error);
        return false;
    }
    return true;
}

void TKestrom_BMP::closeEvent(QCloseEvent* event) {
    // Koniec: no question. A running action is stopped and its worker waited for (nothing of
    // it is shown or archived any more); the link is released, then the choices are written.
    task_->abandon();
    link_.CloseDevice();
    saveConfiguration(); // a failure is reported and the program still ends
    event->accept();
}

void TKestrom_BMP::switchLanguage(Language language) {
    state_.config.Language = storedLanguage(language);
    state_.shown = setLanguage(std::move(state_.shown), language);
    ApplyLanguage();
    saveConfiguration();
}

void TKestrom_BMP::Polski1Click() { switchLanguage(kPolish); }

void TKestrom_BMP::English1Click() { switchLanguage(kEnglish); }

void TKestrom_BMP::Info1Click() {
    if (aboutBox_ != nullptr) {
        aboutBox_->exec();
    }
}

std::optional<QString> TKestrom_BMP::findUserGuide() const {
    const QString helpFile = caption(Caption::HelpFile);
    const QString guide = caption(Caption::GuideFile);
    const QStringList candidates{
        QDir::current().absoluteFilePath(helpFile),
        QDir(programFolder_).absoluteFilePath(QStringLiteral("help/") + guide),
        QDir(programFolder_).absoluteFilePath(QStringLiteral("../share/kestrom/help/") + guide),
    };
    for (const QString& candidate : candidates) {
        const QString path = QDir::cleanPath(candidate);
        if (QFileInfo(path).isFile()) {
            return path;
        }
    }
    return std::nullopt;
}

void TKestrom_BMP::Help1Click() {
    const std::optional<QString> guide = findUserGuide();
    if (!guide) {
        prompts_.showMessage(Message::HelpNotFound, Message::ProblemCaption, Buttons::Ok);
        return;
    }
    if (!openDocument_(*guide)) {
        // Without a browser the user can still open the guide by hand: say where it lies.
        prompts_.showError(std::string(messageText(Message::HelpNotOpened, CurrentLanguage())) +
                           ":\n" + QDir::toNativeSeparators(*guide).toStdString());
    }
}

void TKestrom_BMP::FormHelp() { Help1Click(); }

// ---- Recorder flight -----------------------------------------------------------------------

bool TKestrom_BMP::recorderBusy() const { return task_->running(); }

void TKestrom_BMP::followRecorderTask(bool running) {
    for (QWidget* control :
         {static_cast<QWidget*>(B_Odczyt_Kestromu), static_cast<QWidget*>(BZerowanie)}) {
        control->setEnabled(!running);
    }
    Kestrom1->setEnabled(!running);
    Se1->setEnabled(!running);
    CancelKey->setEnabled(running);
    if (!running) {
        B_Anuluj->hide();
    }
}

void TKestrom_BMP::B_Odczyt_KestromuClick() {
    struct Finished {
        FlightFlows::PreparedDownload download;
        std::function<void()> kept; // the keeper's step on this thread
    };
    auto finished = std::make_shared<Finished>();
    const DownloadView view = postedView(flows_->downloadView(), *task_);
    // The flight is evaluated and kept where it arrives; this thread only takes it in.
    const bool accelView = state_.config.accelView != 0;
    const bool started = task_->start(
        [this, view, finished, accelView, keeper = keeper_](Prompts& prompts) {
            finished->download =
                FlightFlows::prepareDownload(downloadFlight(link_, prompts, view), accelView);
            const DownloadResult& result = finished->download.result;
            // A stopped transfer is shown as far as it came, but it is no flight to keep.
            if (keeper && result.outcome == DownloadOutcome::Ok && !result.cancelled) {
                finished->kept = keeper(finished->download.flight.record.image);
            }
        },
        [this, finished] {
            const bool cancelled = finished->download.result.cancelled;
            if (flows_->takeDownload(std::move(finished->download)) && !cancelled) {
                if (finished->kept) {
                    finished->kept();
                }
                emit flightDownloaded();
            }
        });
    if (started) {
        B_Anuluj->show();
        B_Anuluj->raise();
    }
}

void TKestrom_BMP::B_AnulujClick() {
    if (task_->running()) {
        task_->cancel();
    }
}

void TKestrom_BMP::BZerowanieClick() {
    task_->start([this](Prompts& prompts) { zeroRecorder(link_, prompts); });
}

void TKestrom_BMP::Przyspieszenie1Click() {
    // The configuration decides, so a click (which has already toggled the mark) and a direct
    // call agree.
    const bool on = state_.config.accelView == 0;
    Przyspieszenie1->setChecked(on);
    flows_->setAccelerationView(on);
}

void TKestrom_BMP::BZapisz_PomiarClick() { flows_->save(); }

void TKestrom_BMP::BLaduj_pomiarClick() {
    const std::optional<std::string> name = prompts_.askFileName(FileDialog::Open);
    if (!name || name->empty()) {
        return;
    }
    loadRecorderFile(*name);
}

bool TKestrom_BMP::loadRecorderFile(const std::string& name) {
    if (!flows_->loadRecorder(name)) {
        return false;
    }
    emit flightFileOpened(QString::fromStdString(name), false);
    return true;
}

} // namespace kestrom::ui

namespace kestrom::ui {

// ---- Settings menu ---------------------------------------------------------------------------

void TKestrom_BMP::Ustawienia1Click() {
    if (settingsDialog_ != nullptr) {
        settingsDialog_->exec();
    }
}

void TKestrom_BMP::Ustawienia2Click() {
    if (filterDialog_ != nullptr) {
        filterDialog_->exec();
    }
}

void TKestrom_BMP::Se1Click() {
    task_->start([this](Prompts& prompts) {
        setupDefault(link_, prompts, [this](bool shown) {
            task_->post([this, shown] { EUstawieniaOK->setVisible(shown); });
        });
    });
}

} // namespace kestrom::ui
