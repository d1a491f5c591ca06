#pragma once
// Evaluation of a flight image: reference pressure from the first ten samples, altitude of every
// sample, running three-point smoothing, dh/dt with its four-point mean, the chart points of the
// altitude series (Series1) and the dh/dt series (Series2), the extremes and the axis settings.
// Plain data only; the chart draws exactly what is here.

#include "flight/conversions.h"
#include "flight/flight_image.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrom {

// One point of the altitude series: value in metres and its bottom-axis label (whole seconds,
// empty for points between the labels). Its x value is its index.
struct Series1Point {
    float value = 0.0f;
    std::string label;
};

struct FlightEvaluation {
    float refPressure = 0.0f;             // hPa
    float maxAltitude = 0.0f;             // m
    float minAltitude = 10000.0f;         // m, lowest after the flight first exceeded 10 m
    std::int32_t lastPointIndex = -1;     // last smoothed position, -1 when nothing was smoothed
    std::vector<std::int32_t> altitudeCm; // kCurveLength entries; kCurveEndMark after the points
    std::vector<std::int32_t> dhdtCm;     // kCurveLength entries; cm per sample interval
    std::vector<Series1Point> series1;    // samples - 5 points, or none
    std::vector<float> series2;           // dh/dt in m per sample interval; empty with the view off
    std::int32_t leftAxisMax = 0;         // whole metres: maxAltitude / 30 + maxAltitude
    int bottomMinorTicks = 0;             // rateTimes10 / 10 - 1 above 10, else 0

    // Number of plotted points (= series1.size()).
    std::size_t pointCount() const { return series1.size(); }
};

// The per-flight inputs of an evaluation.
struct EvaluationInput {
    const FlightImage* image = nullptr; // must not be null
    std::uint32_t words = 0;            // wordCount of the flight
    std::uint32_t rateTimes10 = 0;      // 0: no labels
    Calibration calibration;
    float groundTemp = 20.0f; // degrees Celsius
    bool accelView = true;    // dh/dt view on: Series2 is filled
};

// Positions of the curve arrays that a flight can use: more samples are cut to this many.
inline constexpr std::uint32_t kMaxEvaluatedSamples = static_cast<std::uint32_t>(kCurveLength) - 1;

// Reference (ground) pressure in hPa: mean of CompensatePressure x 0.01 over those of the first
// ten samples whose UP lies within 4 counts of the first sample's UP (the sum held as a float).
// Samples beyond the image read as zero words. Never fails.
float referencePressure(const FlightImage& image, const Calibration& cal);

// Bottom-axis minor ticks between the one-second labels.
int bottomMinorTickCount(std::uint32_t rateTimes10);

// Left-axis maximum in whole metres for a flight maximum: maxAltitude / 30 + maxAltitude,
// truncated toward zero (300.0 m gives 310).
std::int32_t leftAxisMaximum(float maxAltitude);

// Evaluates a flight into out, reusing its arrays; the curve arrays are cleared first, so nothing
// of an earlier flight shows through. Never fails; flights shorter than 22 samples plot nothing.
void evaluateFlightInto(const EvaluationInput& input, FlightEvaluation& out);

// The same, returning a fresh result.
FlightEvaluation EvaluateFlight(const EvaluationInput& input);

} // namespace kestrom
