#include "files/text_export.h"

#include "files/measurement_file.h"
#include "flight/flight_image.h"
#include "flight/number_format.h"

#include <algorithm>

namespace kestrom {

Result<std::string> textExportBytes(std::span<const std::int32_t> altitudeCm,
                                    std::int32_t lastPointIndex, char decimalSeparator) {
    // The plotted points are 0 .. lastPointIndex - 3; the position after them holds the end
    // mark, which is never written as a value.
    std::size_t lines = lastPointIndex > 2 ? static_cast<std::size_t>(lastPointIndex - 2) : 0;
    lines = std::min(lines, altitudeCm.size());
    std::string out;
    out.reserve(lines * 9);
    for (std::size_t i = 0; i < lines && altitudeCm[i] != kCurveEndMark; ++i) {
        appendExportValue(out, altitudeCm[i], decimalSeparator);
        out.push_back('\x0A');
        out.push_back('\x0D');
    }
    if (out.empty()) {
        return Result<std::string>::failure(ErrorKind::NoData, "No data");
    }
    return Result<std::string>::success(std::move(out));
}

Status writeTextExport(const std::filesystem::path& path, std::span<const std::int32_t> altitudeCm,
                       std::int32_t lastPointIndex, char decimalSeparator) {
    Result<std::string> text = textExportBytes(altitudeCm, lastPointIndex, decimalSeparator);
    if (!text) {
        return text.status;
    }
    const std::string& bytes = *text.value;
    return writeWholeFile(
        path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

std::string exportFileName(const std::string& chosen) {
    return chosen.find(".csv") == std::string::npos ? chosen + ".csv" : chosen;
}

} // namespace kestrom
