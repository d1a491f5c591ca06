#include "settings/field_checks.h"

#include "device/actions.h"

#include <limits>

namespace kestrom::settings {

std::optional<std::int32_t> parseInteger(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos == text.size()) {
        return std::nullopt;
    }
    // Accumulate the magnitude in 64 bits so that the bound test cannot overflow.
    constexpr std::int64_t kMaxMagnitude = std::int64_t{std::numeric_limits<std::int32_t>::max()};
    const std::int64_t bound = negative ? kMaxMagnitude + 1 : kMaxMagnitude;
    std::int64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > bound) {
            return std::nullopt;
        }
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::string invalidIntegerText(std::string_view text) {
    std::string message = "'";
    message += text;
    message += "' is not a valid integer value";
    return message;
}

std::optional<std::int32_t> convertField(std::string_view text, Prompts& prompts) {
    const auto value = parseInteger(text);
    if (!value) {
        prompts.showError(invalidIntegerText(text));
    }
    return value;
}

void checkFieldChange(std::string_view text, std::uint32_t limit, Prompts& prompts) {
    if (text.empty()) {
        return;
    }
    const auto value = convertField(text, prompts);
    if (value && aboveLimit(*value, limit)) {
        prompts.showMessage(Message::ValueTooLarge, Message::ProblemCaption, Buttons::Ok);
    }
}

bool CheckEmptyFields(std::string_view triggerText, std::string_view delayText,
                      std::string_view competitorText, Prompts& prompts) {
    if (triggerText.empty() || delayText.empty() || competitorText.empty()) {
        prompts.showMessage(Message::FieldEmpty, Message::ProblemCaption, Buttons::Ok);
        return true;
    }
    return false;
}

} // namespace kestrom::settings
