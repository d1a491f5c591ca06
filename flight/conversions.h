#pragma once
// Conversions of the sensor's raw words: compensated pressure (Pa), header temperature (whole
// degrees Celsius) and altitude above a reference pressure (m). Integer steps wrap at 32 bits and
// every division truncates toward zero, divisions by powers of two included.

#include <climits>
#include <cstdint>

namespace kestrom {

// Pascals to hectopascals, in extended precision as the conversions and the reference pressure
// use it.
inline constexpr long double kPaToHpa = 0.01L;

// The sensor's eleven calibration words, each with its own signedness; the defaults are the
// values in force before any flight header has been read. MB is carried but never used.
struct Calibration {
    std::int16_t ac1 = 7728;
    std::int16_t ac2 = -1282;
    std::int16_t ac3 = -14533;
    std::uint16_t ac4 = 33406;
    std::uint16_t ac5 = 25087;
    std::uint16_t ac6 = 20576;
    std::int16_t b1 = 5498;
    std::int16_t b2 = 70;
    std::int16_t mb = -32768;
    std::int16_t mc = -11075;
    std::int16_t md = 2432;

    bool operator==(const Calibration&) const = default;
};

// Float to 32-bit integer, truncating toward zero; NaN and values outside the 32-bit range give
// -2147483648.
std::int32_t truncateToInt32(long double value);
// The same for a double, without going through extended precision.
inline std::int32_t truncateToInt32(double value) {
    // Comparisons with NaN are false, so NaN falls through to the mark as well.
    if (value > -2147483649.0 && value < 2147483648.0) {
        return static_cast<std::int32_t>(value);
    }
    return INT32_MIN;
}

// Compensated pressure in Pa of one sample's raw words (zero-extended 16-bit). A zero divisor
// (X1 + MD, or B4) gives a quotient of 0 and the computation goes on; never fails.
std::int32_t CompensatePressure(std::uint32_t up, std::uint32_t ut, const Calibration& cal);

// Header temperature of the raw word UT in whole degrees Celsius: scaled by 0.81 when positive,
// 20 when the result lies above 80 or below -30. A zero divisor gives a quotient of 0.
std::int8_t HeaderTemperature(std::uint32_t ut, const Calibration& cal);

// Pa to hPa as the evaluation feeds Altitude: pa x 0.01 in extended precision, stored as float.
float pressureHpa(std::int32_t pa);

// Height in metres of pHpa above refPressureHpa, scaled to the ground temperature (degrees C).
float Altitude(float pHpa, float refPressureHpa, float groundTempC);

// Altitude with the reference's standard height worked out once, for converting a whole flight;
// gives exactly what Altitude gives.
class AltitudeScale {
public:
    AltitudeScale(float refPressureHpa, float groundTempC);
    // Height in metres of pHpa above the reference.
    float metres(float pHpa) const;
    // One sample's altitude in whole centimetres (truncated toward zero).
    std::int32_t sampleCm(std::uint16_t up, std::uint16_t ut, const Calibration& cal) const;

private:
    float h0_;
    float groundTempC_;
};

// One sample's altitude in whole centimetres above refPressureHpa (truncated toward zero): the
// conversion every evaluation applies per sample.
std::int32_t sampleAltitudeCm(std::uint16_t up, std::uint16_t ut, const Calibration& cal,
                              float refPressureHpa, float groundTempC);

} // namespace kestrom
