#pragma once
// The JSON form of a flight record as kestrom-cli json prints it; other commands and options build
// on it (they may add keys to the object it returns).

#include "files/measurement_file.h"
#include "flight/flight_record.h"

#include <filesystem>
#include <nlohmann/json.hpp>

namespace kestrom::cli {

// Loads path ("-": standard input) as the window's Load does: at most the first 90,000 bytes,
// header applied, wordCount = (bytes - 32) / 2; evaluated (with the dh/dt view as given) only when
// wordCount >= 16, cut to the curves' 16,999 samples as a download is. Fails for unreadable files,
// anything but a regular file or standard input, and files shorter than 32 bytes.
Result<FlightRecord> loadFlightRecord(const std::filesystem::path& path, bool accelView);

// A 32-bit float as a JSON number that reads back as the same float (nine significant digits).
nlohmann::ordered_json floatNumber(float value);

// Header values, counts and, when evaluated, the evaluation's values, curve, labels, dh/dt (when
// accelView) and left-axis maximum.
nlohmann::ordered_json flightJson(const FlightRecord& record, bool accelView);

} // namespace kestrom::cli
