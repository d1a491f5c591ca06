#pragma once
// Number texts: the "0.0" pattern of the maximum and minimum fields and the value form of the text
// export. Both round on the exact decimal value of their argument, ties away from zero (12.25 gives
// "12.3"), never write "-0.0", and always use fixed-point form.

#include <cstdint>
#include <string>

namespace kestrom {

// value with exactly one decimal, separated by decimalSeparator; "NAN", "INF" or "-INF" for
// values that are not finite.
std::string formatOneDecimal(double value, char decimalSeparator = '.');

// An altitude in cm as the export writes it: metres rounded to four significant digits, written
// with exactly one decimal (123456 cm gives "1235.0", -250 cm gives "-2.5", 1234560 cm gives
// "12350.0").
std::string formatExportValue(std::int32_t altitudeCm, char decimalSeparator = '.');

// The same, appended to out (no allocation per value when out has room).
void appendExportValue(std::string& out, std::int32_t altitudeCm, char decimalSeparator);

} // namespace kestrom
