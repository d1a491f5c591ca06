#pragma once
// Conversion of a text typed by the user into a whole number, for every number field.

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrom {

// Which blanks a field lets stand around its number. The filter and temperature fields ignore
// spaces on both sides; the settings dialog's fields take spaces and tabs in front only, as the
// toolkit's conversion they were written against does.
enum class Blanks { SpacesAround, LeadingSpacesAndTabs };

// The whole number a text spells: an optional sign followed by decimal digits, within the 32-bit
// signed range, with the blanks `blanks` allows. nullopt for anything else, the empty text
// included.
std::optional<std::int32_t> parseWholeNumber(std::string_view text,
                                             Blanks blanks = Blanks::SpacesAround);

} // namespace kestrom
