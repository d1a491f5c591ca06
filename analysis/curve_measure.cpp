#include "analysis/curve_measure.h"

#include <algorithm>

namespace kestrom {

std::optional<CurveMeasurement> measureCurve(std::span<const double> curveM,
                                             std::uint32_t rateTimes10, std::size_t a,
                                             std::size_t b) {
    if (a >= curveM.size() || b >= curveM.size()) {
        return std::nullopt;
    }
    CurveMeasurement m;
    m.fromIndex = std::min(a, b);
    m.toIndex = std::max(a, b);
    m.fromMetres = curveM[m.fromIndex];
    m.toMetres = curveM[m.toIndex];
    m.deltaMetres = m.toMetres - m.fromMetres;
    if (rateTimes10 != 0) {
        // Point j lies j x 10 / rateTimes10 seconds into the flight, as the axis labels do.
        const double seconds =
            static_cast<double>(m.toIndex - m.fromIndex) * 10.0 / static_cast<double>(rateTimes10);
        m.deltaSeconds = seconds;
        if (seconds > 0.0) {
            m.metresPerSecond = m.deltaMetres / seconds;
        }
    }
    return m;
}

} // namespace kestrom
