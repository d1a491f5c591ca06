// A plain, step-by-step second rendering of the flight computations, written
// without reference to the production code, so that tests can compare the two.
// Nothing here is optimised: every loop is the written algorithm as it reads.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace literal {

inline constexpr int32_t kEndMark = 0x7FFFFFFF;
inline constexpr int32_t kConversionMark = 0x07FFFFFF;
inline constexpr std::size_t kCurveLength = 17000;

// AC1 AC2 AC3 AC4 AC5 AC6 B1 B2 MB MC MD, each held with its own signedness.
struct Calibration {
    int32_t ac1 = 7728, ac2 = -1282, ac3 = -14533;
    uint32_t ac4 = 33406, ac5 = 25087, ac6 = 20576;
    int32_t b1 = 5498, b2 = 70, mb = -32768, mc = -11075, md = 2432;
};

// Pressure in Pa from one sample's raw words.
int32_t compensatePressure(const Calibration& cal, uint32_t up, uint32_t ut);
// Whole degrees Celsius from the header's raw temperature word.
int32_t headerTemperature(const Calibration& cal, uint32_t ut);
// Height in metres of pressureHpa above refPressureHpa at groundTempC.
float altitude(float pressureHpa, float refPressureHpa, float groundTempC);
// float -> int32 truncating; NaN or out of range gives INT32_MIN.
int32_t truncToInt(long double v);
// "0.0" pattern: one decimal, exact decimal value rounded ties away from zero.
std::string formatOneDecimal(double v);
// Export value text of one altitude in cm, separator '.'. exactHundredths rounds the exact
// quotient cm / 100; otherwise the double product cm x 0.01 is rounded as it is held.
std::string exportValue(int32_t altitudeCm, bool exactHundredths = true);
// "0.0" text of an altitude in cm, rounding the exact quotient cm / 100.
std::string centimetresOneDecimal(int32_t altitudeCm);

struct Header {
    uint32_t competitor = 0, serial = 0, rateCode = 0, rateTimes10 = 0;
    int32_t deviceFactor = 0, headerTemp = 0;
    Calibration cal;
};
Header readHeader(const std::vector<uint8_t>& image);

struct Label {
    int index;
    std::string text;
};

struct RecorderResult {
    float refPressure = 0, maxAltitude = 0, minAltitude = 0;
    int32_t lastPointIndex = -1;
    std::vector<int32_t> altitudeCm; // full array
    std::vector<int32_t> dhdtCm;     // full array
    std::vector<float> series1;
    std::vector<Label> labels;
    std::vector<float> series2;
    int32_t plotted = 0;
    double leftAxisMax = 0;
    int minorTicks = 0;
    std::string maxText, minText;
};

// One evaluation of the recorder flight from an image (header included).
RecorderResult evaluateFlight(const std::vector<uint8_t>& image, uint32_t words,
                              const Calibration& cal, uint32_t rateTimes10, float groundTemp,
                              bool accelView);

struct CompareResult {
    float refPressure = 0, maxAltitude = 0, minAltitude = 0;
    std::vector<int32_t> altitudeCm;
    std::vector<float> series3;
    int32_t plotted = 0;
    double leftAxisMax = 0; // in: current maximum; out: after the raises
    bool maxWritten = false, minWritten = false;
    std::string maxText, minText;
};

CompareResult evaluateCompareFlight(const std::vector<uint8_t>& image, uint32_t bytes,
                                    const Calibration& cal, float groundTemp,
                                    double leftAxisMaxBefore);

struct FilterParams {
    int32_t preCutCm = 350, finalCutCm = 250, prefilterWidth = 8, finalFilterWidth = 12;
};

// Filters curve (values then the end mark); returns filterWork[0..n-1].
// capped is set when a stage hit the safety cap (pathological curves only).
std::vector<int32_t> filterAltitude(const std::vector<int32_t>& curveWithMark,
                                    const FilterParams& params, bool& capped);

// Restarts taken so far by the pre-cut and the band stage, to show that tests reach them.
std::pair<long, long> restartCounts();

// The Filter button's extremes (cm) and their texts.
struct FilterExtremes {
    int32_t maxCm, minCm;
    std::string maxText, minText;
};
FilterExtremes filterExtremes(const std::vector<int32_t>& filtered);

} // namespace literal
