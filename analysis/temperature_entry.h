#pragma once
// The temperature fields E_TempGl (recorder flight) and E_TempPor (comparison flight): which typed
// characters they take, how their text becomes a ground temperature, and what an entry evaluates.

#include "analysis/compare_flight.h"
#include "flight/flight_record.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace kestrom {

inline constexpr char32_t kKeyEnter = U'\r';
inline constexpr char32_t kKeyBackspace = U'\b';
inline constexpr char32_t kKeyMinus = U'-';
// Digits are taken while the text is shorter than this, whatever part of it is selected.
inline constexpr std::size_t kTemperatureDigitsBelowLength = 3;
// A text converting to this is refused like one that does not convert.
inline constexpr int kRefusedTemperature = 65535;

// Whether a temperature field takes the typed character key while its text is textLength
// characters long: a digit while the text is shorter than three characters; Enter, Backspace and
// the minus sign always; nothing else.
bool temperatureKeyAccepted(char32_t key, std::size_t textLength);

// The temperature in whole degrees Celsius of a field's text at Enter; nullopt for a text that is
// not a whole number (empty, a lone minus, a minus after a digit) or that is 65535. The caller then
// shows MsgWrongTemperature and nothing changes.
std::optional<int> convertTemperatureText(std::string_view text);

enum class TemperatureEntry {
    Refused,   // not a temperature: show MsgWrongTemperature, nothing changed
    Stored,    // groundTemp set; no flight that can be evaluated
    Evaluated, // groundTemp set and the flight evaluated again
};

// Enter in E_TempGl: sets the recorder flight's groundTemp and evaluates it again when wordCount
// is 16 or more. The panel's temperature text is left as typed.
TemperatureEntry enterRecorderTemperature(FlightRecord& recorder, std::string_view text,
                                          bool accelView);

// Enter in E_TempPor: sets the comparison's groundTemp and evaluates it again when
// compareSampleBytes is 24 or more; leftAxisMax is the chart's current left-axis maximum.
TemperatureEntry enterCompareTemperature(CompareFlight& compare, std::string_view text,
                                         double leftAxisMax);

} // namespace kestrom
