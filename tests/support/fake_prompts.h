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
#include <utility>
#include <vector>

namespace kestrom::test {

// Takes the next of a queue of answers; `none` once the queue is empty.
template <typename T> T takeFront(std::deque<T>& queue, T none = {}) {
    if (queue.empty()) {
        return none;
    }
    T front = std::move(queue.front());
    queue.pop_front();
    return front;
}

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
        return takeFront(answers, Answer::Ok);
    }
    void showError(const std::string& text) override { errors.push_back(text); }
    std::optional<std::string> askFileName(FileDialog dialog) override {
        dialogs.push_back(dialog);
        if (onFileDialog) {
            onFileDialog();
        }
        return takeFront(fileNames);
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
