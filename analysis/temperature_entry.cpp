#include "analysis/temperature_entry.h"

#include "core/whole_number.h"

namespace kestrom {

bool temperatureKeyAccepted(char32_t key, std::size_t textLength) {
    if (key >= U'0' && key <= U'9') {
        return textLength < kTemperatureDigitsBelowLength;
    }
    return key == kKeyEnter || key == kKeyBackspace || key == kKeyMinus;
}

std::optional<int> convertTemperatureText(std::string_view text) {
    const std::optional<std::int32_t> value = parseWholeNumber(text);
    if (!value || *value == kRefusedTemperature) {
        return std::nullopt;
    }
    return *value;
}

TemperatureEntry enterRecorderTemperature(FlightRecord& recorder, std::string_view text,
                                          bool accelView) {
    const std::optional<int> degrees = convertTemperatureText(text);
    if (!degrees) {
        return TemperatureEntry::Refused;
    }
    recorder.groundTemp = static_cast<float>(*degrees);
    if (recorder.wordCount < kMinEvaluatedWords) {
        return TemperatureEntry::Stored;
    }
    evaluateRecord(recorder, accelView);
    return TemperatureEntry::Evaluated;
}

TemperatureEntry enterCompareTemperature(CompareFlight& compare, std::string_view text,
                                         double leftAxisMax) {
    const std::optional<int> degrees = convertTemperatureText(text);
    if (!degrees) {
        return TemperatureEntry::Refused;
    }
    compare.record.groundTemp = static_cast<float>(*degrees);
    return reevaluateCompareFlight(compare, leftAxisMax) ? TemperatureEntry::Evaluated
                                                         : TemperatureEntry::Stored;
}

} // namespace kestrom
