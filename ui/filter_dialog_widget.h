#pragma once
// The filter dialog TF_Filtr: four fields with the filter parameters, Save and Default. It shows
// the stored parameters once, when it is created; Save stores the fields into the configuration
// record, writes the configuration file at once and closes the dialog.

#include "core/texts.h"
#include "files/config.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace kestrom::ui {

class TF_Filtr : public QDialog {
    Q_OBJECT
public:
    // config must outlive the dialog; language gives the language in force when the dialog is
    // shown; saveConfig writes the whole record and reports its own failure.
    TF_Filtr(ConfigRecord& config, std::function<Language()> language,
             std::function<void()> saveConfig, QWidget* parent = nullptr);

    // Fills the fields from the stored parameters (once, at creation).
    void FormCreate();
    // Captions in the current language (every time the dialog is shown).
    void FormActivate();
    // Default: the default texts into the fields; nothing is stored.
    void Button1Click();
    // Save: fields into the record (fallbacks for texts that are not whole numbers), the
    // configuration file written, the dialog closed.
    void Button2Click();

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Ed_Obc_Zgr = nullptr;
    QLineEdit* Ed_Filtr1 = nullptr;
    QLineEdit* Ed_ObcDokl = nullptr;
    QLineEdit* Ed_Filtr2 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    ConfigRecord& config_;
    std::function<Language()> language_;
    std::function<void()> saveConfig_;
};

} // namespace kestrom::ui
