#include "ui/qt_prompts.h"

#include "ui/qt_text.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace kestrom::ui {

QtPrompts::QtPrompts(std::function<Language()> languageSource)
    : languageSource_(std::move(languageSource)) {}

Language QtPrompts::language() const { return languageSource_ ? languageSource_() : kPolish; }

Answer QtPrompts::showMessage(Message text, Message caption, Buttons buttons) {
    const Language lang = language();
    QMessageBox box(
        QMessageBox::NoIcon, qs(messageText(caption, lang)), qs(messageText(text, lang)),
        buttons == Buttons::Ok ? QMessageBox::Ok : QMessageBox::Ok | QMessageBox::Cancel);
    // Only OK lets a question's caller go on; closing the box any other way is Cancel.
    return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

void QtPrompts::showError(const std::string& text) {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(),
                    QString::fromStdString(text), QMessageBox::Ok);
    box.exec();
}

std::optional<std::string> QtPrompts::askFileName(FileDialog dialog) {
    QString& last = lastNames_[static_cast<std::size_t>(dialog)];
    QString chosen;
    switch (dialog) {
    case FileDialog::Save:
        chosen = QFileDialog::getSaveFileName(nullptr, {}, last, {}, nullptr,
                                              QFileDialog::DontConfirmOverwrite);
        break;
    case FileDialog::Open:
        chosen = QFileDialog::getOpenFileName(nullptr, {}, last);
        break;
    case FileDialog::Picture: {
        // An open-style dialog in which a new name may be typed.
        QFileDialog picker(nullptr, {}, last);
        picker.setAcceptMode(QFileDialog::AcceptOpen);
        picker.setFileMode(QFileDialog::AnyFile);
        if (picker.exec() == QDialog::Accepted && !picker.selectedFiles().isEmpty()) {
            chosen = picker.selectedFiles().constFirst();
        }
        break;
    }
    case FileDialog::Report:
        chosen = QFileDialog::getSaveFileName(nullptr, {}, last, QStringLiteral("PDF (*.pdf)"));
        break;
    case FileDialog::Standings:
        chosen = QFileDialog::getSaveFileName(nullptr, {}, last, QStringLiteral("CSV (*.csv)"));
        break;
    }
    if (chosen.isNull()) {
        return std::nullopt;
    }
    last = chosen;
    return chosen.toStdString();
}

} // namespace kestrom::ui
