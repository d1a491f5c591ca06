#pragma once
// Interpretation of the 32-byte flight header: competitor, serial number, rate code, device
// factor, calibration words and start temperature, plus the texts the flight panels show.

#include "flight/conversions.h"
#include "flight/flight_image.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

inline constexpr std::size_t kRateCodes = 6;
// Ten times the samples per second of rate codes 0..5.
inline constexpr std::array<std::uint32_t, kRateCodes> kRateTimes10{200, 150, 100, 50, 10, 5};

// rateTimes10 of a rate code; 0 for codes above 5 (no labels, no minor ticks, nothing divides).
std::uint32_t rateTimes10ForCode(unsigned code);

inline constexpr std::int32_t kDeviceFactorMin = 9700;
inline constexpr std::int32_t kDeviceFactorMax = 10500;
inline constexpr std::int32_t kDeviceFactorDefault = 10000;

// The stored device value with its range rule: below 9700 or above 10500 it becomes 10000.
std::int32_t clampDeviceFactor(std::int32_t value);

// What a header holds, after the range rules.
struct FlightHeader {
    std::uint16_t competitor = 0;
    std::uint16_t serial = 0;
    std::uint16_t rawUt = 0;
    std::uint8_t rateCode = 0; // byte 7 AND 0x0F
    std::uint32_t rateTimes10 = 0;
    std::int32_t deviceFactor = kDeviceFactorDefault; // 9700..10500, otherwise 10000
    Calibration calibration;
    std::int8_t headerTemp = 0; // whole degrees Celsius
    float groundTemp = 0.0f;    // headerTemp as a float

    // Panel texts: plain decimal numbers.
    std::string competitorText;
    std::string serialText;
    std::string temperatureText;
};

// Reads the header at the start of image (bytes beyond a short image read as 0); never fails.
FlightHeader ApplyFlightHeader(const FlightImage& image);

// Stores the eleven calibration words into header bytes 10-31 of image (grown when shorter), in
// the order and signedness ApplyFlightHeader reads them.
void writeCalibrationWords(std::vector<std::uint8_t>& image, const Calibration& cal);

// Whether the header's calibration words cannot come from the sensor: it never stores 0x0000 or
// 0xFFFF as one, and its words never read as the characters of a text export (a text file loaded
// as a flight). Such a file is still evaluated; the caller warns that it is no flight.
bool calibrationImpossible(const FlightImage& image);

} // namespace kestrom
