#pragma once
// Conversion of a text typed by the user into a whole number.

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrom {

// The whole number a text spells: an optional sign followed by decimal digits, within the 32-bit
// signed range; blanks around it are ignored. nullopt for anything else, the empty text included.
std::optional<std::int32_t> parseWholeNumber(std::string_view text);

} // namespace kestrom
