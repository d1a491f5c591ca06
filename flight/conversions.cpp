#include "flight/conversions.h"

#include "flight/int32_math.h"

#include <cmath>

namespace kestrom {
namespace {

// Constants of the altitude formula; the quotients are products with reciprocals held in
// extended precision.
constexpr double kExponent = 0.190266669;
constexpr double kHeightScaleM = 44330.76923;
constexpr double kKelvinOffset = 273.15;
constexpr long double kInvStandardPressure = 1.0L / 1013.25L;
constexpr long double kInvStandardTempK = 1.0L / 288.15L;

// B5 of the compensation, shared by the pressure and the header temperature.
std::int32_t computeB5(std::uint32_t ut, const Calibration& cal) {
    const std::int32_t utWord = static_cast<std::int32_t>(ut & 0xFFFFU);
    const std::int32_t x1 =
        truncDiv(wrapMul(utWord - static_cast<std::int32_t>(cal.ac6), cal.ac5), 1 << 15);
    const std::int32_t x2 = truncDiv(cal.mc * (1 << 11), wrapAdd(x1, cal.md));
    return wrapAdd(x1, x2);
}

// Standard-atmosphere height of a pressure in hPa; the power in double precision.
double standardHeight(float pHpa) {
    const double ratio = static_cast<double>(static_cast<long double>(pHpa) * kInvStandardPressure);
    return (1.0 - std::pow(ratio, kExponent)) * kHeightScaleM;
}

} // namespace

std::int32_t truncateToInt32(long double value) {
    if (std::isnan(value)) {
        return INT32_MIN;
    }
    const long double whole = std::trunc(value);
    if (whole < -2147483648.0L || whole > 2147483647.0L) {
        return INT32_MIN;
    }
    return static_cast<std::int32_t>(whole);
}

std::int32_t CompensatePressure(std::uint32_t up, std::uint32_t ut, const Calibration& cal) {
    const std::int32_t b5 = computeB5(ut, cal);
    const std::int32_t b6 = wrapSub(b5, 4000);
    const std::int32_t b6Sq = truncDiv(wrapMul(b6, b6), 1 << 12);

    std::int32_t x1 = truncDiv(wrapMul(cal.b2, b6Sq), 1 << 11);
    std::int32_t x2 = truncDiv(wrapMul(cal.ac2, b6), 1 << 11);
    std::int32_t x3 = wrapAdd(x1, x2);
    // No rounding term before the division by 4.
    const std::int32_t b3 = truncDiv(wrapAdd(cal.ac1 * 4, x3), 4);

    x1 = truncDiv(wrapMul(cal.ac3, b6), 1 << 13);
    x2 = truncDiv(wrapMul(cal.b1, b6Sq), 1 << 16);
    x3 = truncDiv(wrapAdd(wrapAdd(x1, x2), 2), 4);
    const std::uint32_t b4 =
        (static_cast<std::uint32_t>(cal.ac4) * static_cast<std::uint32_t>(wrapAdd(x3, 32768))) >>
        15;
    const std::int32_t upWord = static_cast<std::int32_t>(up & 0xFFFFU);
    const std::uint32_t b7 = static_cast<std::uint32_t>(wrapMul(wrapSub(upWord, b3), 50000));

    std::uint32_t pu = 0;
    if (b4 != 0) {
        pu = b7 < 0x80000000U ? (b7 * 2U) / b4 : (b7 / b4) * 2U;
    }
    std::int32_t p = static_cast<std::int32_t>(pu);

    // The square of p / 256 is taken without truncating first. In extended precision both the
    // quotient and its square (at most 62 significant bits) are exact, so the truncated square is
    // exactly p x p / 2^16 in integers; above the 32-bit range it becomes -2147483648.
    const std::int64_t square = (static_cast<std::int64_t>(p) * p) / 65536;
    x1 = square > INT32_MAX ? INT32_MIN : static_cast<std::int32_t>(square);
    x1 = truncDiv(wrapMul(x1, 3038), 1 << 16);
    x2 = truncDiv(wrapMul(-7357, p), 1 << 16);
    return wrapAdd(p, truncDiv(wrapAdd(wrapAdd(x1, x2), 3791), 16));
}

std::int8_t HeaderTemperature(std::uint32_t ut, const Calibration& cal) {
    const std::int32_t b5 = computeB5(ut, cal);
    const std::int32_t tenths = truncDiv(wrapAdd(b5, 8), 16);
    auto t = static_cast<std::int8_t>(truncDiv(tenths, 10));
    if (t > 0) {
        t = static_cast<std::int8_t>(truncateToInt32(static_cast<long double>(t * 0.81)));
    }
    if (t > 80) {
        t = 20;
    }
    if (t < -30) {
        t = 20;
    }
    return t;
}

float pressureHpa(std::int32_t pa) { return static_cast<float>(pa * kPaToHpa); }

AltitudeScale::AltitudeScale(float refPressureHpa, float groundTempC)
    : h0_(static_cast<float>(standardHeight(refPressureHpa))), groundTempC_(groundTempC) {}

float AltitudeScale::metres(float pHpa) const {
    const double h = standardHeight(pHpa);
    const auto d = static_cast<float>(h - static_cast<double>(h0_));
    // Left to right: ((groundTemp + 273.15) x d) x (1 / 288.15).
    return static_cast<float>((static_cast<double>(groundTempC_) + kKelvinOffset) *
                              static_cast<double>(d) * kInvStandardTempK);
}

std::int32_t AltitudeScale::sampleCm(std::uint16_t up, std::uint16_t ut,
                                     const Calibration& cal) const {
    const float pHpa = pressureHpa(CompensatePressure(up, ut, cal));
    return truncateToInt32(static_cast<double>(metres(pHpa)) * 100.0);
}

float Altitude(float pHpa, float refPressureHpa, float groundTempC) {
    return AltitudeScale(refPressureHpa, groundTempC).metres(pHpa);
}

std::int32_t sampleAltitudeCm(std::uint16_t up, std::uint16_t ut, const Calibration& cal,
                              float refPressureHpa, float groundTempC) {
    return AltitudeScale(refPressureHpa, groundTempC).sampleCm(up, ut, cal);
}

} // namespace kestrom
