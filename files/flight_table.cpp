#include "files/flight_table.h"

#include "flight/number_format.h"

#include <charconv>
#include <cmath>

namespace kestrom {
namespace {

// value with exactly two decimals, never "-0.00".
void appendTwoDecimals(std::string& out, double value) {
    char text[64];
    const auto [end, ec] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
    if (ec != std::errc{}) {
        return;
    }
    std::string_view written(text, static_cast<std::size_t>(end - text));
    if (written == "-0.00") {
        written = "0.00";
    }
    out += written;
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
            appendTwoDecimals(out, static_cast<double>(speed[j]) * rateTimes10 / 10.0);
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
