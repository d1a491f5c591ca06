#include "cli/flight_json.h"

#include "cli/io.h"
#include "flight/number_format.h"

#include <cstdio>
#include <cstdlib>

namespace kestrom::cli {

Result<FlightRecord> loadFlightRecord(const std::filesystem::path& path, bool accelView) {
    Result<FlightImage> image = readInput(path.string());
    if (!image) {
        return Result<FlightRecord>::failure(image.status.kind, image.status.error);
    }
    FlightRecord record;
    setFlightImage(record, std::move(*image.value));
    evaluateRecord(record, accelView);
    return Result<FlightRecord>::success(std::move(record));
}

nlohmann::ordered_json floatNumber(float value) {
    // "%.9g" reads back as the same float; storing that decimal as a double keeps the JSON text
    // short, because the writer prints the shortest form of the double.
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return std::strtod(text, nullptr);
}

nlohmann::ordered_json flightJson(const FlightRecord& record, bool accelView) {
    const FlightHeader& h = record.header;
    const Calibration& c = record.calibration;
    nlohmann::ordered_json j;
    j["competitor"] = h.competitor;
    j["serial"] = h.serial;
    j["rateCode"] = h.rateCode;
    j["rateTimes10"] = record.rateTimes10;
    j["deviceFactor"] = h.deviceFactor;
    j["calibration"] = {c.ac1, c.ac2, c.ac3, c.ac4, c.ac5, c.ac6, c.b1, c.b2, c.mb, c.mc, c.md};
    j["headerTemp"] = static_cast<int>(h.headerTemp);
    j["groundTemp"] = floatNumber(record.groundTemp);
    j["wordCount"] = record.wordCount;
    j["evaluated"] = record.evaluated;
    if (!record.evaluated) {
        return j;
    }
    const FlightEvaluation& e = record.evaluation;
    j["refPressure"] = floatNumber(e.refPressure);
    j["maxAltitude"] = floatNumber(e.maxAltitude);
    j["minAltitude"] = floatNumber(e.minAltitude);
    j["maxText"] = formatOneDecimal(e.maxAltitude, '.');
    j["minText"] = formatOneDecimal(e.minAltitude, '.');
    j["lastPointIndex"] = e.lastPointIndex;
    const std::size_t points = e.pointCount();
    j["altitudeCm"] = std::vector<std::int32_t>(e.altitudeCm.begin(),
                                                e.altitudeCm.begin() + static_cast<long>(points));
    nlohmann::ordered_json labels = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < points; ++i) {
        if (!e.series1[i].label.empty()) {
            labels.push_back({i, e.series1[i].label});
        }
    }
    j["labels"] = std::move(labels);
    if (accelView) {
        nlohmann::ordered_json dhdt = nlohmann::ordered_json::array();
        for (const float d : e.series2) {
            dhdt.push_back(floatNumber(d));
        }
        j["dhdt"] = std::move(dhdt);
    }
    j["leftAxisMax"] = e.leftAxisMax;
    return j;
}

} // namespace kestrom::cli
