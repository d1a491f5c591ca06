#pragma once
// The one fake of the prompts for every test: records every message (with the language it was
// shown in), error and file dialog, and answers questions and file dialogs from queues (OK and
// "cancelled" when a queue is empty). The language is a fixed value unless languageSource follows
// a window, as the real prompts do.

#include "core/prompts.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kestrom::test {

struct ShownMessage {
    Message text;
    Message caption;
    Buttons buttons;
    Language language = kEnglish;
    bool operator==(const ShownMessage&) const = default;
};

class FakePrompts : public Prompts {
public:
    std::vector<ShownMessage> shown;
    std::vector<std::string> errors;
    std::vector<FileDialog> dialogs;
    std::deque<Answer> answers;
    std::deque<std::optional<std::string>> fileNames;
    Language lang = kEnglish;
    std::function<Language()> languageSource;
    std::function<void()> onMessage;    // runs as each message is shown, to look at the window then
    std::function<void()> onFileDialog; // likewise as each file dialog is open

    Answer showMessage(Message text, Message caption, Buttons buttons) override {
        shown.push_back({text, caption, buttons, language()});
        if (onMessage) {
            onMessage();
        }
        if (answers.empty()) {
            return Answer::Ok;
        }
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void showError(const std::string& text) override { errors.push_back(text); }
    std::optional<std::string> askFileName(FileDialog dialog) override {
        dialogs.push_back(dialog);
        if (onFileDialog) {
            onFileDialog();
        }
        if (fileNames.empty()) {
            return std::nullopt;
        }
        auto name = fileNames.front();
        fileNames.pop_front();
        return name;
    }
    Language language() const override { return languageSource ? languageSource() : lang; }

    std::vector<Message> texts() const {
        std::vector<Message> result;
        for (const auto& m : shown) {
            result.push_back(m.text);
        }
        return result;
    }
};

} // namespace kestrom::test
