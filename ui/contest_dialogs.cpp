#include "ui/contest_dialogs.h"

#include "ui/qt_text.h"

#include <QDate>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrom::ui {

std::optional<ContestNaming> QtContestDialogs::askNewContest(Language language) {
    QDialog dialog;
    dialog.setWindowTitle(qs(text(Text::ContestNew, language)));
    auto* name = new QLineEdit;
    auto* date = new QLineEdit(QDate::currentDate().toString(Qt::ISODate));
    auto* form = new QFormLayout(&dialog);
    form->addRow(qs(text(Text::ContestName, language)), name);
    form->addRow(qs(text(Text::ContestDate, language)), date);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(false);
    // A contest needs a name: its folder and its standings' title are made of it.
    QObject::connect(name, &QLineEdit::textChanged, ok,
                     [ok](const QString& typed) { ok->setEnabled(!typed.trimmed().isEmpty()); });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return ContestNaming{name->text().trimmed().toStdString(),
                         date->text().trimmed().toStdString()};
}

std::vector<std::string> QtContestDialogs::askFlightFiles(Language language,
                                                          const std::filesystem::path& folder) {
    const QStringList chosen =
        QFileDialog::getOpenFileNames(nullptr, qs(text(Text::ContestAddFlights, language)),
                                      QString::fromStdString(folder.string()));
    std::vector<std::string> files;
    for (const QString& file : chosen) {
        files.push_back(file.toStdString());
    }
    return files;
}

void QtContestDialogs::showText(const QString& title, const QString& shown) {
    QDialog dialog;
    dialog.setWindowTitle(title);
    auto* view = new QPlainTextEdit(shown);
    view->setObjectName(QStringLiteral("ShownText"));
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::NoWrap);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(view);
    layout->addWidget(buttons);
    dialog.resize(760, 480);
    dialog.exec();
}

} // namespace kestrom::ui
