#include "ui/filter_dialog_widget.h"

#include "analysis/filter_dialog.h"
#include "ui/qt_text.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>

namespace kestrom::ui {
namespace {

// The four field captions, then Save and Default.
constexpr std::array<Text, 6> kCaptions{Text::PreCut,      Text::Prefilter,  Text::FinalCut,
                                        Text::FinalFilter, Text::FilterSave, Text::FilterDefault};

QString captionOf(std::size_t index, Language language) {
    return qs(text(kCaptions.at(index), language));
}

} // namespace

TF_Filtr::TF_Filtr(ConfigRecord& config, std::function<Language()> language,
                   std::function<void()> saveConfig, QWidget* parent)
    : QDialog(parent), config_(config), language_(std::move(language)),
      saveConfig_(std::move(saveConfig)) {
    setObjectName(QStringLiteral("F_Filtr"));
    setGeometry(670, 283, 175, 347);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    setFont(font);

    auto label = [this](const char* name, int top) {
        auto* l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        l->move(32, top);
        return l;
    };
    auto field = [this](const char* name, int top) {
        auto* f = new QLineEdit(this);
        f->setObjectName(QString::fromLatin1(name));
        f->setGeometry(32, top, 81, 21);
        return f;
    };
    auto button = [this](const char* name, int top) {
        auto* b = new QPushButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(32, top, 75, 25);
        b->setAutoDefault(false);
        return b;
    };
    Label1 = label("Label1", 24);
    Ed_Obc_Zgr = field("Ed_Obc_Zgr", 40);
    Label2 = label("Label2", 72);
    Ed_Filtr1 = field("Ed_Filtr1", 88);
    Label3 = label("Label3", 120);
    Ed_ObcDokl = field("Ed_ObcDokl", 136);
    Label4 = label("Label4", 168);
    Ed_Filtr2 = field("Ed_Filtr2", 184);
    Button2 = button("Button2", 216);
    Button1 = button("Button1", 272);
    // Tab order of the design: the four fields, Default, Save.
    setTabOrder(Ed_Obc_Zgr, Ed_Filtr1);
    setTabOrder(Ed_Filtr1, Ed_ObcDokl);
    setTabOrder(Ed_ObcDokl, Ed_Filtr2);
    setTabOrder(Ed_Filtr2, Button1);
    setTabOrder(Button1, Button2);

    connect(Button1, &QPushButton::clicked, this, &TF_Filtr::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TF_Filtr::Button2Click);
    FormCreate();
    FormActivate();
}

void TF_Filtr::FormCreate() {
    const FilterDialogTexts texts = filterTextsOf(filterParamsOf(config_));
    Ed_Obc_Zgr->setText(QString::fromStdString(texts[0]));
    Ed_ObcDokl->setText(QString::fromStdString(texts[1]));
    Ed_Filtr1->setText(QString::fromStdString(texts[2]));
    Ed_Filtr2->setText(QString::fromStdString(texts[3]));
}

void TF_Filtr::FormActivate() {
    const Language language = language_ ? language_() : kPolish;
    setWindowTitle(qs(text(Text::FilterWindowTitle, language)));
    const std::array<QLabel*, 4> labels{Label1, Label2, Label3, Label4};
    for (std::size_t i = 0; i < labels.size(); ++i) {
        labels[i]->setText(captionOf(i, language));
        labels[i]->adjustSize();
    }
    Button2->setText(captionOf(4, language));
    Button1->setText(captionOf(5, language));
}

void TF_Filtr::Button1Click() {
    const FilterDialogTexts texts = defaultFilterTexts();
    Ed_Obc_Zgr->setText(QString::fromStdString(texts[0]));
    Ed_ObcDokl->setText(QString::fromStdString(texts[1]));
    Ed_Filtr1->setText(QString::fromStdString(texts[2]));
    Ed_Filtr2->setText(QString::fromStdString(texts[3]));
}

void TF_Filtr::Button2Click() {
    const FilterParams params =
        filterParamsFromTexts({Ed_Obc_Zgr->text().toStdString(), Ed_ObcDokl->text().toStdString(),
                               Ed_Filtr1->text().toStdString(), Ed_Filtr2->text().toStdString()});
    storeFilterParams(config_, params);
    if (saveConfig_) {
        saveConfig_();
    }
    accept();
}

void TF_Filtr::showEvent(QShowEvent* event) {
    FormActivate();
    QDialog::showEvent(event);
}

} // namespace kestrom::ui
