#pragma once
// Measuring between two points of a plotted altitude curve: the time between them, the height
// gained (negative when lost) and the mean vertical speed. Plain data for the chart's bracket.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace kestrom {

struct CurveMeasurement {
    std::size_t fromIndex = 0; // the earlier of the two points
    std::size_t toIndex = 0;   // the later one
    double fromMetres = 0.0;
    double toMetres = 0.0;
    double deltaMetres = 0.0; // toMetres - fromMetres
    // Seconds between the points and metres per second over them; absent when the flight has no
    // sampling rate (rateTimes10 = 0), the speed also when both points are the same.
    std::optional<double> deltaSeconds;
    std::optional<double> metresPerSecond;
};

// Measures between points a and b (in either order) of a curve with one point per sample at
// rateTimes10 / 10 samples per second, `curveM` holding the plotted values in metres. nullopt
// when a point lies outside the curve.
std::optional<CurveMeasurement> measureCurve(std::span<const double> curveM,
                                             std::uint32_t rateTimes10, std::size_t a,
                                             std::size_t b);

} // namespace kestrom
