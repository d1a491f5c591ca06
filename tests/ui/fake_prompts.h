#pragma once
// Prompts for window tests: records every message, error and file dialog, answers questions and
// file dialogs from queues (OK and "cancelled" when a queue is empty), and shows messages in the
// window's language like the real prompts.

#include "app/prompts.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace kestrom::test {

struct AskedMessage {
    Message text;
    Message caption;
    Buttons buttons;
    Language language;
};

class WindowPrompts : public Prompts {
public:
    std::vector<AskedMessage> messages;
    std::vector<std::string> errors;
    std::vector<FileDialog> dialogs;
    std::deque<Answer> answers;
    std::deque<std::optional<std::string>> fileNames;
    std::function<Language()> languageSource;
    std::function<void()> onMessage; // runs as each message is shown, to look at the window then

    Answer showMessage(Message text, Message caption, Buttons buttons) override {
        messages.push_back({text, caption, buttons, language()});
        if (onMessage) {
            onMessage();
        }
        if (answers.empty()) {
            return Answer::Ok;
        }
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    void showError(const std::string& text) override { errors.push_back(text); }
    std::optional<std::string> askFileName(FileDialog dialog) override {
        dialogs.push_back(dialog);
        if (fileNames.empty()) {
            return std::nullopt;
        }
        auto name = fileNames.front();
        fileNames.pop_front();
        return name;
    }
    Language language() const override { return languageSource ? languageSource() : kPolish; }

    std::vector<Message> texts() const {
        std::vector<Message> out;
        for (const auto& m : messages) {
            out.push_back(m.text);
        }
        return out;
    }
};

} // namespace kestrom::test
