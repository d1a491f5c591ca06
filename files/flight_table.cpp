#include "files/flight_table.h"

#include "flight/number_format.h"

#include <cmath>
#include <cstdlib>

namespace kestrom {
namespace {

// The whole centimetres a dh/dt point holds as metres (cm x 0.01 made a float).
std::int64_t centimetresOf(float metres) {
    const std::int64_t nearest = std::llround(static_cast<double>(metres) * 100.0);
    for (const std::int64_t cm : {nearest, nearest - 1, nearest + 1}) {
        if (static_cast<float>(static_cast<double>(cm) * 0.01) == metres) {
            return cm;
        }
    }
    return nearest;
}

// The vertical speed of perSampleM metres per sample interval in m/s with exactly two decimals,
// rounded half away from zero from the exact value (cm x rateTimes10 / 10 hundredths), as the
// altitude texts are; never "-0.00".
void appendSpeed(std::string& out, float perSampleM, std::uint32_t rateTimes10) {
    const std::int64_t tenths = centimetresOf(perSampleM) * std::int64_t{rateTimes10};
    const std::int64_t hundredths = (std::llabs(tenths) + 5) / 10;
    if (tenths < 0 && hundredths != 0) {
        out += '-';
    }
    out += std::to_string(hundredths / 100);
    out += '.';
    out += static_cast<char>('0' + hundredths % 100 / 10);
    out += static_cast<char>('0' + hundredths % 10);
}

// j x 10 / rateTimes10 seconds with three decimals, rounded half up on the exact fraction.
void appendTime(std::string& out, std::uint64_t j, std::uint32_t rateTimes10) {
    const std::uint64_t millis = (j * 10U * 1000U * 2U + rateTimes10) / (2U * rateTimes10);
    out += std::to_string(millis / 1000U);
    out += '.';
    const std::string fraction = std::to_string(millis % 1000U);
    out.append(3 - fraction.size(), '0');
    out += fraction;
}

} // namespace

Result<std::string> flightTableCsv(const FlightEvaluation& evaluation, std::uint32_t rateTimes10,
                                   std::optional<std::span<const std::int32_t>> filteredCm) {
    const std::vector<std::int32_t>& curve = evaluation.altitudeCm;
    const std::int64_t last = static_cast<std::int64_t>(evaluation.lastPointIndex) - 3;
    std::size_t points = 0;
    while (static_cast<std::int64_t>(points) <= last && points < curve.size() &&
           curve[points] != kCurveEndMark) {
        ++points;
    }
    if (points == 0) {
        return Result<std::string>::failure(ErrorKind::NoData, "No data");
    }
    std::string out = "time_s,altitude_m,vertical_speed_m_s";
    out += filteredCm ? ",filtered_altitude_m\n" : "\n";
    out.reserve(out.size() + points * 40);
    const std::vector<float>& speed = evaluation.series2;
    for (std::size_t j = 0; j < points; ++j) {
        if (rateTimes10 != 0) {
            appendTime(out, j, rateTimes10);
        }
        out += ',';
        appendExportValue(out, curve[j], '.');
        out += ',';
        if (rateTimes10 != 0 && j < speed.size()) {
            appendSpeed(out, speed[j], rateTimes10);
        }
        if (filteredCm) {
            out += ',';
            if (j < filteredCm->size()) {
                appendExportValue(out, (*filteredCm)[j], '.');
            }
        }
        out += '\n';
    }
    return Result<std::string>::success(std::move(out));
}

} // namespace kestrom
