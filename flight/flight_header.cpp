#include "flight/flight_header.h"

namespace kestrom {

std::uint32_t rateTimes10ForCode(unsigned code) {
    return code < kRateCodes ? kRateTimes10[code] : 0U;
}

std::int32_t clampDeviceFactor(std::int32_t value) {
    return (value < kDeviceFactorMin || value > kDeviceFactorMax) ? kDeviceFactorDefault : value;
}

FlightHeader ApplyFlightHeader(const FlightImage& image) {
    FlightHeader h;
    h.competitor = image.wordAt(kOffsetCompetitor);
    h.serial = image.wordAt(kOffsetSerial);
    h.rawUt = image.wordAt(kOffsetHeaderUt);

    h.deviceFactor = clampDeviceFactor(image.wordAt(kOffsetDeviceFactor));

    // All eleven words come from the header, each with its own signedness.
    Calibration& c = h.calibration;
    std::size_t at = kOffsetCalibration;
    const auto s16 = [&] {
        const std::int16_t v = image.signedWordAt(at);
        at += 2;
        return v;
    };
    const auto u16 = [&] {
        const std::uint16_t v = image.wordAt(at);
        at += 2;
        return v;
    };
    c.ac1 = s16();
    c.ac2 = s16();
    c.ac3 = s16();
    c.ac4 = u16();
    c.ac5 = u16();
    c.ac6 = u16();
    c.b1 = s16();
    c.b2 = s16();
    c.mb = s16();
    c.mc = s16();
    c.md = s16();

    // The temperature uses the calibration of this header.
    h.headerTemp = HeaderTemperature(h.rawUt, c);
    h.groundTemp = static_cast<float>(h.headerTemp);

    h.rateCode = static_cast<std::uint8_t>(image.byteAt(kOffsetRateCode) & 0x0F);
    h.rateTimes10 = rateTimes10ForCode(h.rateCode);

    h.competitorText = std::to_string(h.competitor);
    h.serialText = std::to_string(h.serial);
    h.temperatureText = std::to_string(static_cast<int>(h.headerTemp));
    return h;
}

void writeCalibrationWords(std::vector<std::uint8_t>& image, const Calibration& cal) {
    const std::array<std::uint16_t, 11> words{static_cast<std::uint16_t>(cal.ac1),
                                              static_cast<std::uint16_t>(cal.ac2),
                                              static_cast<std::uint16_t>(cal.ac3),
                                              cal.ac4,
                                              cal.ac5,
                                              cal.ac6,
                                              static_cast<std::uint16_t>(cal.b1),
                                              static_cast<std::uint16_t>(cal.b2),
                                              static_cast<std::uint16_t>(cal.mb),
                                              static_cast<std::uint16_t>(cal.mc),
                                              static_cast<std::uint16_t>(cal.md)};
    for (std::size_t w = 0; w < words.size(); ++w) {
        writeU16le(image, kOffsetCalibration + 2 * w, words[w]);
    }
}

bool calibrationImpossible(const FlightImage& image) {
    constexpr std::size_t kWords = 11;
    bool allText = true;
    for (std::size_t w = 0; w < kWords; ++w) {
        const std::size_t at = kOffsetCalibration + 2 * w;
        const std::uint16_t word = image.wordAt(at);
        if (word == 0x0000 || word == 0xFFFF) {
            return true;
        }
        for (const std::uint8_t byte : {image.byteAt(at), image.byteAt(at + 1)}) {
            // What the text export writes: digits, sign, separator, line ends.
            const bool exportCharacter = (byte >= '0' && byte <= '9') || byte == '-' ||
                                         byte == '.' || byte == ',' || byte == 0x0A || byte == 0x0D;
            allText = allText && exportCharacter;
        }
    }
    return allText;
}

} // namespace kestrom
