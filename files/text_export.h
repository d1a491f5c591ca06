#pragma once
// The text export of the recorder flight: one altitude in metres per line, each line ended by
// line feed then carriage return, for a spreadsheet.

#include "core/status.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace kestrom {

// Bytes of the export: points 0 .. lastPointIndex - 3 of altitudeCm (the plotted points), each in
// the export value form followed by 0x0A 0x0D, stopping early at an end mark 0x7FFFFFFF. Fails
// with NoData when there is no point to write (lastPointIndex 2 or less).
Result<std::string> textExportBytes(std::span<const std::int32_t> altitudeCm,
                                    std::int32_t lastPointIndex, char decimalSeparator);

// Writes the export to path (replaced as a whole). Fails with NoData before touching the file, or
// with CreateFailed / WriteFailed.
Status writeTextExport(const std::filesystem::path& path, std::span<const std::int32_t> altitudeCm,
                       std::int32_t lastPointIndex, char decimalSeparator);

// The export's file name: path with ".csv" appended unless ".csv" occurs in it (case-sensitive).
std::string exportFileName(const std::string& chosen);

} // namespace kestrom
