#include "settings/settings_dialog.h"

#include "device/actions.h"
#include "settings/field_checks.h"
#include "settings/settings_texts.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <string>
#include <utility>

namespace kestrom::settings {
namespace {

QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string stdText(const QLineEdit* edit) { return edit->text().toStdString(); }

// The index the list counts as selected: a text typed into the editable list that is not
// the current item's text leaves no selection.
int selectedIndex(const QComboBox* combo) {
    const int index = combo->currentIndex();
    if (index < 0 || combo->currentText() != combo->itemText(index)) {
        return -1;
    }
    return index;
}

// A code outside the list leaves it without a selection.
void selectItem(QComboBox* combo, int index) {
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

} // namespace

TFormUstawienia::TFormUstawienia(QWidget* parent, DeviceLink& link, Prompts& prompts)
    : QDialog(parent), link_(link), prompts_(prompts) {
    setObjectName(QStringLiteral("FormUstawienia"));
    // The design's title until the first activation puts the language's in.
    setWindowTitle(qText(text(Text::DialogTitle, Language::Polish)));
    QFont designFont(QStringLiteral("MS Sans Serif"));
    designFont.setPixelSize(11);
    setFont(designFont);
    move(505, 202);
    resize(196, 491);
    buildControls();

    E_Poziom->setText(QStringLiteral("0"));
    E_Kal_Temp->setText(QStringLiteral("0"));
    for (int code = 0; code < static_cast<int>(kRateCodes); ++code) {
        ComboBox_ImPomiarow->addItem(
            qText(samplingText(static_cast<unsigned>(code), SamplingList::DesignItems)));
    }
    for (int item = 0; item < kZeroItemCount; ++item) {
        ComboB_Zer->addItem(qText(zeroItemText(item, language())));
    }
}

void TFormUstawienia::buildControls() {
    auto label = [this](const char* name, int left, int top, const QString& text) {
        auto* created = new QLabel(text, this);
        created->setObjectName(QString::fromLatin1(name));
        created->move(left, top);
        created->adjustSize();
        return created;
    };
    auto edit = [this](const char* name, int top, bool readOnly) {
        auto* created = new QLineEdit(this);
        created->setObjectName(QString::fromLatin1(name));
        created->setGeometry(32, top, 81, 21);
        created->setReadOnly(readOnly);
        return created;
    };
    auto combo = [this](const char* name, int top) {
        auto* created = new QComboBox(this);
        created->setObjectName(QString::fromLatin1(name));
        created->setGeometry(32, top, 81, 21);
        created->setEditable(true);
        // Typed text never becomes an item; it only clears the selection.
        created->setInsertPolicy(QComboBox::NoInsert);
        // The narrow design width shows an item from its start, not scrolled to its end.
        connect(created, &QComboBox::currentIndexChanged, created,
                [created] { created->lineEdit()->setCursorPosition(0); });
        return created;
    };

    L_PoziomWyzwalania = label("L_PoziomWyzwalania", 32, 16, QString());
    E_Poziom = edit("E_Poziom", 32, false);
    Label1 = label("Label1", 117, 36, QStringLiteral("[m]"));
    L_Kalibracja_Temp = label("L_Kalibracja_Temp", 32, 64, QString());
    E_Kal_Temp = edit("E_Kal_Temp", 80, true);
    Label2 = label("Label2", 117, 86, QStringLiteral("[°C]"));
    L_Ust_Probk = label("L_Ust_Probk", 32, 112, QString());
    ComboBox_ImPomiarow = combo("ComboBox_ImPomiarow", 128);
    LZerReczne = label("LZerReczne", 32, 160, QString());
    ComboB_Zer = combo("ComboB_Zer", 176);
    L_Numer_Zawodnika = label("L_Numer_Zawodnika", 32, 208, QString());
    E_NrZaw = edit("E_NrZaw", 224, false);
    L_CzasOp = label("L_CzasOp", 32, 256, QString());
    E_CzasOp = edit("E_CzasOp", 272, false);
    L_Sek = label("L_Sek", 117, 276, QString());
    L_NrSer = label("L_NrSer", 32, 304, QString());
    E_NrSer = edit("E_NrSer", 320, true);
    Label_Wersja = label("Label_Wersja", 32, 352, QString());
    Edit_Wersja = edit("Edit_Wersja", 368, true);
    B_wyslij = new QPushButton(this);
    B_wyslij->setObjectName(QStringLiteral("B_wyslij"));
    B_wyslij->setGeometry(32, 400, 89, 33);
    B_wyslij->setAutoDefault(false);

    // The design's tab order: 0 E_Poziom ... 8 Edit_Wersja.
    QWidget::setTabOrder(E_Poziom, E_Kal_Temp);
    QWidget::setTabOrder(E_Kal_Temp, E_NrZaw);
    QWidget::setTabOrder(E_NrZaw, ComboBox_ImPomiarow);
    QWidget::setTabOrder(ComboBox_ImPomiarow, B_wyslij);
    QWidget::setTabOrder(B_wyslij, ComboB_Zer);
    QWidget::setTabOrder(ComboB_Zer, E_NrSer);
    QWidget::setTabOrder(E_NrSer, E_CzasOp);
    QWidget::setTabOrder(E_CzasOp, Edit_Wersja);

    connect(E_Poziom, &QLineEdit::textChanged, this, [this] { E_Poziom_Ent(); });
    connect(E_Kal_Temp, &QLineEdit::textChanged, this, [this] { E_Kal_zaduzo(); });
    connect(E_NrZaw, &QLineEdit::textChanged, this, [this] { E_nrZaw_zaduzo(); });
    connect(E_CzasOp, &QLineEdit::textChanged, this, [this] { E_CzasOpChange(); });
    for (QLineEdit* watched : {E_Poziom, E_Kal_Temp, E_NrZaw, E_CzasOp}) {
        watched->installEventFilter(this);
    }
    connect(B_wyslij, &QPushButton::clicked, this, [this] { BWyslijPClick(); });
}

Language TFormUstawienia::language() const { return prompts_.language(); }

bool TFormUstawienia::event(QEvent* event) {
    // Shown modally or brought back to the front: captions and lists follow the language.
    if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate) {
        FormActivate();
    }
    return QDialog::event(event);
}

bool TFormUstawienia::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // Only a move to another control counts as leaving the field: a message box or a
        // popup taking the focus must not ask again.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == E_CzasOp) {
                E_CzasOpExit();
            } else {
                E_Poziom_Exit();
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormUstawienia::FormActivate() {
    const Language lang = language();
    setWindowTitle(qText(dialogCaption(DialogCaption::Title, lang)));
    const std::pair<QLabel*, DialogCaption> captions[] = {
        {L_PoziomWyzwalania, DialogCaption::TriggerLevel},
        {L_Kalibracja_Temp, DialogCaption::Temperature},
        {L_Ust_Probk, DialogCaption::Sampling},
        {LZerReczne, DialogCaption::ManualZero},
        {L_Numer_Zawodnika, DialogCaption::CompetitorNo},
        {L_NrSer, DialogCaption::SerialNo},
        {L_CzasOp, DialogCaption::Delay},
        {L_Sek, DialogCaption::Seconds},
        {Label_Wersja, DialogCaption::Version},
    };
    for (const auto& [target, key] : captions) {
        target->setText(qText(dialogCaption(key, lang)));
        target->adjustSize();
    }
    B_wyslij->setText(qText(dialogCaption(DialogCaption::Send, lang)));

    samplingList_ = activatedSamplingList(lang);
    fillLists();
    if (samplingListObserver_) {
        samplingListObserver_(samplingList_);
    }
}

void TFormUstawienia::fillLists() {
    const int rate = selectedIndex(ComboBox_ImPomiarow);
    const int zero = selectedIndex(ComboB_Zer);
    ComboBox_ImPomiarow->clear();
    for (int code = 0; code < static_cast<int>(kRateCodes); ++code) {
        ComboBox_ImPomiarow->addItem(
            qText(samplingText(static_cast<unsigned>(code), samplingList_)));
    }
    ComboB_Zer->clear();
    for (int item = 0; item < kZeroItemCount; ++item) {
        ComboB_Zer->addItem(qText(zeroItemText(item, language())));
    }
    selectItem(ComboBox_ImPomiarow, rate);
    selectItem(ComboB_Zer, zero);
}

QString TFormUstawienia::samplingItemText(int code) const {
    if (code < 0 || code >= ComboBox_ImPomiarow->count()) {
        return {};
    }
    return ComboBox_ImPomiarow->itemText(code);
}

bool TFormUstawienia::runOnRecorder(const std::function<void(Prompts&)>& work) {
    if (runner_) {
        return runner_(work);
    }
    work(prompts_);
    return true;
}

int TFormUstawienia::Ustawienia1Click() {
    bool connected = false;
    DeviceSettingsReply reply;
    const bool ran = runOnRecorder([this, &connected, &reply](Prompts& prompts) {
        link_.ConnectDevice(prompts);
        connected = link_.connected();
        if (!connected) {
            link_.CloseDevice();
            return;
        }
        reply = ::kestrom::ReadDeviceSettings(link_);
    });
    if (!ran || !connected) {
        return Rejected;
    }
    if (!showDeviceSettings(reply)) {
        prompts_.showMessage(Message::PortError, Message::ProblemCaption, Buttons::Ok);
        link_.CloseDevice();
        return Rejected;
    }
    // The connection stays open while the dialog is shown and after it closes.
    return QDialog::exec();
}

int TFormUstawienia::exec() { return Ustawienia1Click(); }

void TFormUstawienia::setSamplingListObserver(std::function<void(SamplingList)> observer) {
    samplingListObserver_ = std::move(observer);
}

bool TFormUstawienia::ReadDeviceSettings() {
    return showDeviceSettings(::kestrom::ReadDeviceSettings(link_));
}

bool TFormUstawienia::showDeviceSettings(const DeviceSettingsReply& reply) {
    // Setting a field's text runs its on-change check, so a value out of range read from the
    // recorder is reported while the dialog is filled.
    if (reply.status) {
        const StatusBlock& status = *reply.status;
        E_Kal_Temp->setText(QString::number(shownTemperature(status.temperatureC)));
        E_NrZaw->setText(QString::number(status.competitorNumber));
        E_NrSer->setText(QString::number(status.serialNumber));
        E_Poziom->setText(QString::number(status.triggerQuarterMetres / 4));
        selectItem(ComboBox_ImPomiarow, status.rateCode());
    }
    if (reply.manualZeroing) {
        selectItem(ComboB_Zer, *reply.manualZeroing ? 1 : 0);
    }
    if (reply.delayHundredths) {
        E_CzasOp->setText(QString::number(*reply.delayHundredths / 100));
    }
    if (reply.info) {
        if (const auto version = versionText(reply.info->versionMinor, reply.info->versionYear)) {
            Edit_Wersja->setText(QString::fromStdString(*version));
        }
    }
    return reply.ok;
}

void TFormUstawienia::BWyslijPClick() {
    if (CheckEmptyFields() || !link_.connected()) {
        return;
    }
    // All three numbers are converted before anything is sent, so a typing slip in the delay
    // never leaves the recorder half written.
    const auto trigger = convertField(stdText(E_Poziom), prompts_);
    if (!trigger) {
        return;
    }
    const auto competitor = convertField(stdText(E_NrZaw), prompts_);
    if (!competitor) {
        return;
    }
    const auto delay = convertField(stdText(E_CzasOp), prompts_);
    if (!delay) {
        return;
    }
    SettingsToWrite values;
    values.triggerMetres = *trigger;
    values.competitorNumber = *competitor;
    values.rateIndex = selectedIndex(ComboBox_ImPomiarow);
    values.manualZeroingIndex = selectedIndex(ComboB_Zer);
    values.delaySeconds = *delay;
    SaveOutcome outcome = SaveOutcome::NotConnected;
    if (!runOnRecorder([this, &outcome, &values](Prompts& prompts) {
            outcome = saveDeviceSettings(link_, prompts, values);
        })) {
        return;
    }
    if (outcome == SaveOutcome::Acknowledged || outcome == SaveOutcome::Failed) {
        accept();
    }
}

bool TFormUstawienia::CheckEmptyFields() {
    return settings::CheckEmptyFields(stdText(E_Poziom), stdText(E_CzasOp), stdText(E_NrZaw),
                                      prompts_);
}

void TFormUstawienia::Se1Click(QWidget* okField) {
    setupDefault(link_, prompts_, [okField](bool shown) {
        if (okField == nullptr) {
            return;
        }
        okField->setVisible(shown);
        if (shown) {
            okField->repaint();
        }
    });
}

void TFormUstawienia::E_Poziom_Ent() {
    checkFieldChange(stdText(E_Poziom), kMaxTriggerMetres, prompts_);
}
void TFormUstawienia::E_Kal_zaduzo() {
    checkFieldChange(stdText(E_Kal_Temp), kMaxTemperatureField, prompts_);
}
void TFormUstawienia::E_nrZaw_zaduzo() {
    checkFieldChange(stdText(E_NrZaw), kMaxCompetitorNumber, prompts_);
}
void TFormUstawienia::E_CzasOpChange() {
    checkFieldChange(stdText(E_CzasOp), kMaxDelayField, prompts_);
}
void TFormUstawienia::E_Poziom_Exit() { CheckEmptyFields(); }
void TFormUstawienia::E_CzasOpExit() { CheckEmptyFields(); }

} // namespace kestrom::settings
