#include "ui/main_window.h"

#include "device/actions.h"
#include "files/measurement_file.h"
#include "flight/number_format.h"
#include "ui/fo_info.h"
#include "ui/qt_text.h"

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
#include <QShortcut>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <filesystem>

namespace kestrom::ui {
namespace {

QFont uiFont(int points, bool bold = false) {
    QFont font(QStringLiteral("Liberation Sans"), points);
    font.setBold(bold);
    return font;
}

const QColor kSilver(192, 192, 192);
const QColor kScrollBarGrey(200, 200, 200);

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int left, int top,
                  const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QLineEdit* makeField(QWidget* parent, const char* name, const QRect& geometry, const QFont& font,
                     bool readOnly = true) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setGeometry(geometry);
    field->setFont(font);
    field->setReadOnly(readOnly);
    return field;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QRect& geometry, const QFont& font,
                        const QString& text = {}) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setFont(font);
    return button;
}

} // namespace

TKestrom_BMP::TKestrom_BMP(DeviceBus& bus, Prompts& prompts, const std::string& programPath,
                           QWidget* parent)
    : QMainWindow(parent), prompts_(prompts), link_(bus) {
    setObjectName(QStringLiteral("TKestrom_BMP"));
    buildControls();
    buildMenu();
    connectHandlers();
    connectAnalysisActions();
    openDocument_ = [](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    programFolder_ = QFileInfo(QString::fromStdString(programPath)).absolutePath();

    // Start-up: configuration first, then everything that depends on it.
    // Beside the program; an installed program keeps it in the user's configuration folder.
    const QString userFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    state_.configPath = chooseConfigPath(
        programPath,
        userFolder.isEmpty() ? std::string() : (userFolder + "/kestrom").toStdString());
    ConfigLoadResult loaded = LoadConfig(state_.configPath);
    state_.config = loaded.record;
    // What could not be read is never overwritten: the user may still mend it.
    state_.configKept = loaded.status == ConfigLoad::Unreadable;
    Przyspieszenie1->setChecked(state_.config.accelView != 0);
    state_.CurrentLanguage = languageIndex(state_.config.Language);
    Polski1->setChecked(state_.CurrentLanguage == kPolish);
    English1->setChecked(state_.CurrentLanguage != kPolish);
    ApplyLanguage();
    if (state_.configKept) {
        // The window still opens, with the defaults.
        prompts_.showError(
            std::string(messageText(Message::ConfigNotRead, state_.CurrentLanguage)) + "\n" +
            loaded.error);
    }
    Chart1->clearSeries(SeriesId::Series1);
    state_.recorder.groundTemp = 20.0f;
    resize(1300, 834);
}

TKestrom_BMP::~TKestrom_BMP() = default;

void TKestrom_BMP::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setAutoFillBackground(true);
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window, kSilver);
    client->setPalette(palette);
    setCentralWidget(client);
    setFont(uiFont(8));
    client->installEventFilter(this);

    const QFont plain = uiFont(8);
    const QFont bold = uiFont(8, true);
    B_Odczyt_Kestromu = makeButton(client, "B_Odczyt_Kestromu", {8, 8, 145, 41}, bold);
    BZerowanie = makeButton(client, "BZerowanie", {8, 70, 81, 27}, plain);
    B_Filtr_Alt = makeButton(client, "B_Filtr_Alt", {96, 70, 57, 27}, plain, "Filtr");

    GroupB_Alt = new QGroupBox(client);
    GroupB_Alt->setObjectName(QStringLiteral("GroupB_Alt"));
    GroupB_Alt->setGeometry(168, 0, 281, 113);
    buildPanel(GroupB_Alt, true);

    GBDysk_ZapisOdczyt = new QGroupBox(client);
    GBDysk_ZapisOdczyt->setObjectName(QStringLiteral("GBDysk_ZapisOdczyt"));
    GBDysk_ZapisOdczyt->setGeometry(528, 0, 129, 113);
    GBDysk_ZapisOdczyt->setFont(uiFont(10));
    BZapisz = makeButton(GBDysk_ZapisOdczyt, "BZapisz", {16, 30, 97, 25}, plain);
    BOdczyt = makeButton(GBDysk_ZapisOdczyt, "BOdczyt", {16, 69, 97, 25}, plain);

    B_Porownanie = makeButton(client, "B_Porownanie", {864, 8, 97, 41}, bold);
    B_Filtr_por = makeButton(client, "B_Filtr_por", {864, 72, 75, 25}, plain, "Filtr");

    GroupB_Por = new QGroupBox(client);
    GroupB_Por->setObjectName(QStringLiteral("GroupB_Por"));
    GroupB_Por->setGeometry(976, 0, 297, 113);
    buildPanel(GroupB_Por, false);

    Chart1 = new Chart(client);
    Chart1->setGeometry(8, 120, 1265, 745);
    const QFont unitFont = uiFont(9, true);
    Label6 = makeLabel(Chart1, "Label6", QStringLiteral("[m]"), 8, 794, unitFont);
    Label2 = makeLabel(Chart1, "Label2", QStringLiteral("[sek]"), 1143, 799, unitFont);
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
    ECzekaj->setText(QStringLiteral("    Czekaj"));
    ECzekaj->hide();
}

void TKestrom_BMP::buildPanel(QGroupBox* box, bool recorder) {
    box->setFont(uiFont(12, true));
    QPalette palette = box->palette();
    palette.setColor(QPalette::WindowText, recorder ? QColor(255, 0, 0) : QColor(255, 255, 0));
    box->setPalette(palette);
    QPalette black = palette;
    black.setColor(QPalette::WindowText, Qt::black);

    const QFont label = uiFont(9);
    auto L = [&](const char* name, const QString& text, int left, int top) {
        QLabel* l = makeLabel(box, name, text, left, top, label);
        l->setPalette(black);
        return l;
    };
    auto F = [&](const char* name, const QRect& r, const QFont& font = {}) {
        QLineEdit* f = makeField(box, name, r, font == QFont() ? uiFont(9) : font);
        f->setPalette(black);
        return f;
    };
    if (recorder) {
        LabMaximum = L("LabMaximum", QStringLiteral("Maximum"), 12, 18);
        E_MaxGl = F("E_MaxGl", {13, 32, 68, 27}, uiFont(12, true));
        LmMax = L("LmMax", QStringLiteral("m"), 84, 40);
        LMinimum = L("LMinimum", QStringLiteral("Minimum"), 12, 66);
        EMinimum = F("EMinimum", {13, 80, 68, 25});
        LmMin = L("LmMin", QStringLiteral("m"), 84, 88);
        LZaw1 = L("LZaw1", {}, 104, 18);
        E_NrZawodnika = F("E_NrZawodnika", {104, 32, 57, 26});
        E_NrZawodnika->setReadOnly(false);
        L_NumSer1 = L("L_NumSer1", {}, 104, 66);
        E_NrSeryjny = F("E_NrSeryjny", {104, 80, 57, 25});
        LTemp1 = L("LTemp1", {}, 189, 18);
        E_TempGl = F("E_TempGl", {189, 32, 68, 24});
        Label14 = L("Label14", QStringLiteral("C"), 261, 40);
        LProbk1 = L("LProbk1", {}, 189, 66);
        E_probkGl = F("E_probkGl", {188, 80, 61, 24}, uiFont(8)); // "10 pom/sek" fits whole
    } else {
        Label1 = L("Label1", QStringLiteral("Maximum"), 16, 18);
        E_Max_Por = F("E_Max_Por", {13, 32, 68, 25});
        Label7 = L("Label7", QStringLiteral("m"), 85, 40);
        Label3 = L("Label3", QStringLiteral("Minimum"), 13, 66);
        E_Min_Por = F("E_Min_Por", {13, 80, 68, 25});
        Label8 = L("Label8", QStringLiteral("m"), 85, 88);
        LZaw2 = L("LZaw2", {}, 112, 18);
        E_Zaw_Por = F("E_Zaw_Por", {112, 32, 57, 25});
        L_NumSer2 = L("L_NumSer2", {}, 112, 66);
        E_NrS_Por = F("E_NrS_Por", {112, 80, 57, 25});
        LTemp2 = L("LTemp2", {}, 205, 18);
        E_TempPor = F("E_TempPor", {205, 32, 68, 24});
        Label9 = L("Label9", QStringLiteral("C"), 277, 40);
        LProbk2 = L("LProbk2", {}, 205, 66);
        E_probkPor = F("E_probkPor", {205, 80, 60, 24}, uiFont(8));
    }
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
    Filtr3 = item(Ustawienia1, "Filtr3", QStringLiteral("Filtr"));
    Se1 = item(Ustawienia1, "Se1", QStringLiteral("Setup Default"));
    Widok1 = menu("Widok1", {});
    Przyspieszenie1 = item(Widok1, "Przyspieszenie1", {}, true, true);
    Porownanie1 = item(Widok1, "Porownanie1", {}, true, true);
    Warto1 = item(Widok1, "Warto1", QStringLiteral("Wartosci"), true, false);
    E1 = menu("E1", QStringLiteral("Print/Export"));
    UstawDrukarke1 = item(E1, "UstawDrukarke1", {});
    Drukuj1 = item(E1, "Drukuj1", {});
    ZapiszObraz1 = item(E1, "ZapiszObraz1", {});
    ZapiszdoExcela1 = item(E1, "ZapiszdoExcela1", {});
    MenuJezyk = menu("MenuJezyk", QStringLiteral("Język/Language"));
    Polski1 = item(MenuJezyk, "Polski1", QStringLiteral("Polski"), true, true);
    English1 = item(MenuJezyk, "English1", QStringLiteral("English"), true, false);
    Info1 = bar->addAction(QStringLiteral("Info"));
    Info1->setObjectName(QStringLiteral("Info1"));
    Help1 = bar->addAction(QStringLiteral("Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    f1->setObjectName(QStringLiteral("HelpKey"));
    connect(f1, &QShortcut::activated, this, &TKestrom_BMP::FormHelp);
}

void TKestrom_BMP::connectHandlers() {
    connect(B_Odczyt_Kestromu, &QPushButton::clicked, this, &TKestrom_BMP::B_Odczyt_KestromuClick);
    connect(BZerowanie, &QPushButton::clicked, this, &TKestrom_BMP::BZerowanieClick);
    connect(B_Filtr_Alt, &QPushButton::clicked, this, &TKestrom_BMP::B_Filtr_AltClick);
    connect(BZapisz, &QPushButton::clicked, this, &TKestrom_BMP::BZapisz_PomiarClick);
    connect(BOdczyt, &QPushButton::clicked, this, &TKestrom_BMP::BLaduj_pomiarClick);
    connect(B_Porownanie, &QPushButton::clicked, this, &TKestrom_BMP::B_PorownanieClick);
    connect(B_Filtr_por, &QPushButton::clicked, this, &TKestrom_BMP::B_Filtr_porClick);

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
    connect(Polski1, &QAction::triggered, this, &TKestrom_BMP::Polski1Click);
    connect(English1, &QAction::triggered, this, &TKestrom_BMP::English1Click);
    connect(Info1, &QAction::triggered, this, &TKestrom_BMP::Info1Click);
    connect(Help1, &QAction::triggered, this, &TKestrom_BMP::Help1Click);

    connect(Chart1, &Chart::legendClicked, this, &TKestrom_BMP::ppp);
    connect(Chart1, &Chart::seriesClicked, this, &TKestrom_BMP::xxx);
    connect(Chart1, &Chart::zoomed, this, &TKestrom_BMP::Chart1Zoom);
    connect(Chart1, &Chart::zoomUndone, this, &TKestrom_BMP::Chart1UndoZoom);
    connect(E_TempGl, &QLineEdit::returnPressed, this, &TKestrom_BMP::E_TempGlKeyPress);
    connect(E_TempPor, &QLineEdit::returnPressed, this, &TKestrom_BMP::E_TempPorKeyPress);
}

QString TKestrom_BMP::caption(Caption key) const {
    return qs(captionText(key, state_.CurrentLanguage));
}

char TKestrom_BMP::decimalSeparator() const {
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 128 ? static_cast<char>(point[0].unicode())
                                                         : '.';
}

void TKestrom_BMP::ApplyLanguage() {
    BZerowanie->setText(caption(Caption::Reset));
    B_Odczyt_Kestromu->setText(caption(Caption::ReadDevice));
    GBDysk_ZapisOdczyt->setTitle(caption(Caption::DiskGroup));
    BZapisz->setText(caption(Caption::Save));
    BOdczyt->setText(caption(Caption::Load));
    for (QLabel* l : {LTemp1, LTemp2}) {
        l->setText(caption(Caption::Temperature));
    }
    for (QLabel* l : {LProbk1, LProbk2}) {
        l->setText(caption(Caption::Sampling));
    }
    for (QLabel* l : {LZaw1, LZaw2}) {
        l->setText(caption(Caption::CompetitorNo));
    }
    for (QLabel* l : {L_NumSer1, L_NumSer2}) {
        l->setText(caption(Caption::SerialNo));
    }
    for (QLabel* l : {LTemp1, LTemp2, LProbk1, LProbk2, LZaw1, LZaw2, L_NumSer1, L_NumSer2}) {
        l->adjustSize();
    }
    B_Porownanie->setText(caption(Caption::Compare));
    GroupB_Alt->setTitle(caption(Caption::Device));
    GroupB_Por->setTitle(caption(Caption::File));
    setWindowTitle(caption(Caption::WindowTitle));
    E_PobDan->setText(caption(Caption::ReadingData));
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
    QWidget* client = centralWidget();
    const int W = client->width();
    const int H = client->height();
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
}

bool TKestrom_BMP::eventFilter(QObject* watched, QEvent* event) {
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
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
    // Koniec: no question; the link is released, then the choices are written.
    link_.CloseDevice();
    saveConfiguration(); // a failure is reported and the program still ends
    event->accept();
}

void TKestrom_BMP::switchLanguage(Language language) {
    Polski1->setChecked(language == kPolish);
    English1->setChecked(language != kPolish);
    state_.config.Language = language;
    state_.CurrentLanguage = language;
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
    const bool english = state_.CurrentLanguage != kPolish;
    const QString helpFile =
        english ? QStringLiteral("Kes_HELPA.chm") : QStringLiteral("Kes_HELPP.chm");
    const QString guide =
        english ? QStringLiteral("kestrom-guide-en.html") : QStringLiteral("kestrom-guide-pl.html");
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
        prompts_.showMessage(Message::HelpNotOpened, Message::ProblemCaption, Buttons::Ok);
    }
}

void TKestrom_BMP::FormHelp() { Help1Click(); }

// ---- Recorder flight -----------------------------------------------------------------------

void TKestrom_BMP::showRecorderHeader(const FlightHeader& header) {
    E_NrZawodnika->setText(QString::fromStdString(header.competitorText));
    E_NrSeryjny->setText(QString::fromStdString(header.serialText));
    E_TempGl->setText(QString::fromStdString(header.temperatureText));
    E_TempGl->setReadOnly(false);
    E_probkGl->setText(qs(samplingText(header.rateCode, state_.samplingList)));
    for (QLineEdit* field : {E_NrZawodnika, E_NrSeryjny, E_TempGl, E_probkGl}) {
        field->setCursorPosition(0); // a text wider than its field shows its beginning
    }
}

void TKestrom_BMP::resetRecorderChart() {
    Chart1->undoZoom();
    for (SeriesId id :
         {SeriesId::Series1, SeriesId::Series2, SeriesId::Series4, SeriesId::Series5}) {
        Chart1->clearSeries(id);
    }
    AxisRule& left = Chart1->leftAxisRule();
    left.minimum = 0.0;
    left.automatic = false;
    left.autoMaximum = false;
    left.autoMinimum = true;
    state_.recorderFilter.reset(); // its dashed curve has just gone
}

void TKestrom_BMP::drawRecorderFlight() {
    const FlightEvaluation& ev = state_.recorder.evaluation;
    Chart1->clearSeries(SeriesId::Series1);
    Chart1->clearSeries(SeriesId::Series2);
    Chart1->setBottomMinorGridVisible(false);
    Chart1->setBottomMinorTickCount(ev.bottomMinorTicks);
    for (const Series1Point& point : ev.series1) {
        Chart1->appendPoint(SeriesId::Series1, static_cast<double>(point.value),
                            QString::fromStdString(point.label));
    }
    for (float value : ev.series2) {
        Chart1->appendPoint(SeriesId::Series2, static_cast<double>(value));
    }
    E_MaxGl->setText(QString::fromStdString(formatOneDecimal(ev.maxAltitude, decimalSeparator())));
    EMinimum->setText(QString::fromStdString(formatOneDecimal(ev.minAltitude, decimalSeparator())));
    AxisRule& left = Chart1->leftAxisRule();
    left.automatic = false;
    left.autoMaximum = false;
    left.autoMinimum = true;
    left.maximum = static_cast<double>(ev.leftAxisMax);
    // The comparison moves with the recorder flight's rate.
    placeComparison();
    Chart1->refresh();
}

void TKestrom_BMP::B_Odczyt_KestromuClick() {
    DownloadView view;
    view.showBusy = [this](bool shown) {
        if (shown) {
            GroupB_Alt->setTitle(caption(Caption::Device));
        }
        E_PobDan->setVisible(shown);
        E_PobDan->repaint();
    };
    view.transferStarting = [this] {
        resetRecorderChart();
        E_MaxGl->setText(QStringLiteral("   "));
        EMinimum->setText(QStringLiteral("   "));
        Chart1->refresh();
    };
    view.showProgress = [this](const std::string& text) {
        ECzekaj->setText(QString::fromStdString(text));
        ECzekaj->show();
        ECzekaj->repaint();
    };
    view.hideProgress = [this] { ECzekaj->hide(); };
    view.headerReady = [this](std::span<const std::uint8_t> image) {
        showRecorderHeader(ApplyFlightHeader(FlightImage({image.begin(), image.end()})));
    };

    DownloadResult result = downloadFlight(link_, prompts_, view);
    E_PobDan->hide();
    ECzekaj->hide();
    if (result.outcome != DownloadOutcome::Ok && result.outcome != DownloadOutcome::NoFlight) {
        return;
    }
    FlightRecord& rec = state_.recorder;
    setFlightImage(rec, FlightImage(std::move(result.image)));
    rec.flightBytes = result.flightBytes;
    if (result.outcome == DownloadOutcome::NoFlight) {
        rec.wordCount = 0;
        return;
    }
    if (evaluateRecord(rec, state_.config.accelView != 0)) {
        drawRecorderFlight();
    }
    emit flightDownloaded();
}

void TKestrom_BMP::BZerowanieClick() { zeroRecorder(link_, prompts_); }

void TKestrom_BMP::Przyspieszenie1Click() {
    FlightRecord& rec = state_.recorder;
    if (state_.config.accelView != 0) {
        Przyspieszenie1->setChecked(false);
        state_.config.accelView = 0;
        Chart1->clearSeries(SeriesId::Series2);
        return;
    }
    Przyspieszenie1->setChecked(true);
    state_.config.accelView = 1;
    if (rec.wordCount == 0) {
        return;
    }
    AxisRule& left = Chart1->leftAxisRule();
    left.minimum = 0.0;
    left.automatic = false;
    left.autoMaximum = false;
    left.autoMinimum = true;
    if (evaluateRecord(rec, true)) {
        drawRecorderFlight();
    } else {
        Chart1->clearSeries(SeriesId::Series1);
        Chart1->clearSeries(SeriesId::Series2);
    }
}

void TKestrom_BMP::BZapisz_PomiarClick() {
    const FlightRecord& rec = state_.recorder;
    if (rec.flightBytes == 0) {
        prompts_.showMessage(Message::NoData, Message::ProblemCaption, Buttons::Ok);
        return;
    }
    const std::optional<std::string> name = prompts_.askFileName(FileDialog::Save);
    if (!name || name->empty()) {
        return;
    }
    std::error_code ec;
    if (std::filesystem::exists(*name, ec) &&
        prompts_.showMessage(Message::FileExists, Message::SaveCaption, Buttons::OkCancel) !=
            Answer::Ok) {
        return;
    }
    // The panel's own flight: after a load that is the loaded image, never a mixture.
    if (Status written = writeMeasurementFile(*name, rec.image); !written) {
        prompts_.showError(written.error);
    }
}

std::optional<FlightImage> TKestrom_BMP::readFlightFile(const std::string& name) {
    Result<FlightImage> read = readMeasurementFile(name);
    if (read) {
        return std::move(*read.value);
    }
    if (read.status.kind == ErrorKind::TooShort) {
        prompts_.showMessage(Message::FileTooShort, Message::ProblemCaption, Buttons::Ok);
    } else {
        prompts_.showError(read.status.error);
    }
    return std::nullopt;
}

void TKestrom_BMP::BLaduj_pomiarClick() {
    const std::optional<std::string> name = prompts_.askFileName(FileDialog::Open);
    if (!name || name->empty()) {
        return;
    }
    loadRecorderFile(*name);
}

bool TKestrom_BMP::loadRecorderFile(const std::string& name) {
    std::optional<FlightImage> read = readFlightFile(name);
    if (!read) {
        return false; // nothing of the panel or the chart has changed
    }
    GroupB_Alt->setTitle(baseName(name));
    resetRecorderChart();
    FlightRecord& rec = state_.recorder;
    setFlightImage(rec, std::move(*read));
    showRecorderHeader(rec.header);
    if (evaluateRecord(rec, state_.config.accelView != 0)) {
        drawRecorderFlight();
    } else {
        Chart1->refresh();
    }
    // Shown as loaded all the same; the warning comes with the curve already there.
    if (calibrationImpossible(rec.image)) {
        prompts_.showMessage(Message::NotAFlight, Message::ProblemCaption, Buttons::Ok);
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
    setupDefault(link_, prompts_, [this](bool shown) {
        EUstawieniaOK->setVisible(shown);
        EUstawieniaOK->repaint();
    });
}

} // namespace kestrom::ui
