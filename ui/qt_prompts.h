#pragma once
// The prompts as the user sees them: Qt message boxes without icon or owner, the toolkit's
// error display, and the window's file dialogs, each remembering the name chosen last in it.

#include "core/prompts.h"

#include <QString>

#include <array>
#include <functional>

namespace kestrom::ui {

class QtPrompts : public Prompts {
public:
    // `languageSource` tells the language in force at the moment a message is shown.
    explicit QtPrompts(std::function<Language()> languageSource = {});

    void setLanguageSource(std::function<Language()> source) {
        languageSource_ = std::move(source);
    }

    Answer showMessage(Message text, Message caption, Buttons buttons) override;
    void showError(const std::string& text) override;
    std::optional<std::string> askFileName(FileDialog dialog) override;
    Language language() const override;

private:
    std::function<Language()> languageSource_;
    std::array<QString, 5> lastNames_; // per dialog: Save, Open, Picture, Report, Standings
};

} // namespace kestrom::ui
