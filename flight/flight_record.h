#pragma once
// Everything the program keeps about one flight. The recorder flight and the comparison flight
// each own one, so re-evaluating one never uses the other's image, calibration or temperature.

#include "flight/evaluation.h"
#include "flight/flight_header.h"
#include "flight/flight_image.h"

#include <cstdint>
#include <string>

namespace kestrom {

inline constexpr std::uint32_t kMinEvaluatedWords = 16;

struct FlightRecord {
    FlightImage image;             // this flight's own bytes
    FlightHeader header;           // values read from its header
    std::uint32_t wordCount = 0;   // (bytes - 32) / 2 of the image; 0 = no flight
    std::uint32_t flightBytes = 0; // bytes received by the last download; 0 = none
    std::uint32_t rateTimes10 = 0;
    Calibration calibration;     // defaults until a header is read
    float groundTemp = 20.0f;    // degrees Celsius used by the altitude formula
    std::string groundTempText;  // the temperature as the panel shows it
    bool evaluated = false;      // evaluation holds a result for this image
    FlightEvaluation evaluation; // result of the last evaluation
};

// Takes image as the record's flight: applies its header (calibration, rate, temperature and
// their texts), sets wordCount, and marks the record as not evaluated. flightBytes is not touched.
void setFlightImage(FlightRecord& record, FlightImage image);

// Evaluates the record's own image with its own values when wordCount >= 16; otherwise leaves it
// unevaluated (evaluation reset to its empty state). Returns whether it evaluated.
bool evaluateRecord(FlightRecord& record, bool accelView);

// Sets the ground temperature to a whole number of degrees (temperature re-entry); the panel text
// groundTempText and the header values stay as they were.
void setGroundTemperature(FlightRecord& record, int degreesC);

} // namespace kestrom
