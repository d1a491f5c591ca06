#pragma once
// Prompts that record every message and answer questions from a queue (OK when it is empty).

#include "app/prompts.h"

#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace kestrom::test {

struct ShownMessage {
    Message text;
    Message caption;
    Buttons buttons;
    bool operator==(const ShownMessage&) const = default;
};

class FakePrompts : public Prompts {
public:
    std::vector<ShownMessage> shown;
    std::deque<Answer> answers;
    std::vector<std::string> errors;
    Language lang = kEnglish;

    Answer showMessage(Message text, Message caption, Buttons buttons) override {
        shown.push_back({text, caption, buttons});
        if (answers.empty()) {
            return Answer::Ok;
        }
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void showError(const std::string& text) override { errors.push_back(text); }
    std::optional<std::string> askFileName(FileDialog) override { return std::nullopt; }
    Language language() const override { return lang; }

    std::vector<Message> texts() const {
        std::vector<Message> result;
        for (const auto& m : shown) {
            result.push_back(m.text);
        }
        return result;
    }
};

} // namespace kestrom::test
