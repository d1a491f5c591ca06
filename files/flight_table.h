#pragma once
// The table of a flight for spreadsheets: comma-separated, line feed line ends, '.' decimals, one
// row per plotted point of the altitude curve with its time, altitude and vertical speed, and
// optionally the filtered altitude.

#include "core/status.h"
#include "flight/evaluation.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kestrom {

// Header line and rows of the table. Rows are the text export's points j (0 .. lastPointIndex -
// 3 of altitudeCm, stopping at the end mark):
//   time_s: j x 10 / rateTimes10 with three decimals; empty when rateTimes10 is 0;
//   altitude_m: the export value of point j;
//   vertical_speed_m_s: dh/dt point j (series2, m per sample interval) x rateTimes10 / 10 with two
//     decimals; empty where series2 has no point j or rateTimes10 is 0 (no rate, no speed);
//   filtered_altitude_m (only when filteredCm is given): the export value form of filteredCm[j],
//     empty where it has no value j.
// Fails with NoData when the curve has no plotted point.
Result<std::string> flightTableCsv(const FlightEvaluation& evaluation, std::uint32_t rateTimes10,
                                   std::optional<std::span<const std::int32_t>> filteredCm);

} // namespace kestrom
