#pragma once
// Checks of the settings dialog's number fields, without any widget: the whole-number
// conversion, the on-change limit check (the limits and their unsigned comparison are the
// device side's, so Save and typing agree) and the empty-field test of focus exit and Save.

#include "core/prompts.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrom::settings {

// Limits checked while the temperature and delay fields are typed in (Save checks the values it
// sends against the device side's limits).
inline constexpr std::uint32_t kMaxTemperatureField = 70;
inline constexpr std::uint32_t kMaxDelayField = 30000;

// Converts the text of a number field: optional leading blanks, an optional sign, decimal
// digits, nothing after them, within signed 32 bits (parseWholeNumber with the dialog's blanks).
// std::nullopt for anything else.
std::optional<std::int32_t> parseInteger(std::string_view text);

// The conversion error shown for text that is not a whole number:
// "'<text>' is not a valid integer value".
std::string invalidIntegerText(std::string_view text);

// Converts text, reporting a failure through the general error display.
// std::nullopt after the error was shown.
std::optional<std::int32_t> convertField(std::string_view text, Prompts& prompts);

// The on-change check of a number field: nothing for an empty text; the conversion error for
// text that is not a whole number; "Too large value" when the number is above limit. The text
// itself is never changed.
void checkFieldChange(std::string_view text, std::uint32_t limit, Prompts& prompts);

// Tests the trigger level, the delay and the competitor number in that order; at the first
// empty one shows "Field can not be empty" once and returns true. False when none is empty.
bool CheckEmptyFields(std::string_view triggerText, std::string_view delayText,
                      std::string_view competitorText, Prompts& prompts);

} // namespace kestrom::settings
