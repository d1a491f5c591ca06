#include "settings/field_checks.h"

#include "core/whole_number.h"
#include "device/actions.h"

#include <limits>

namespace kestrom::settings {

std::optional<std::int32_t> parseInteger(std::string_view text) {
    return parseWholeNumber(text, Blanks::LeadingSpacesAndTabs);
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
