#pragma once
// The measurement file: one raw flight image, no magic number, no version; its size is its only
// length information.

#include "core/status.h"
#include "flight/flight_image.h"

#include <cstdint>
#include <filesystem>
#include <span>

namespace kestrom {

// Reads at most the first 33,000 bytes of path as a flight image. Fails with OpenFailed or
// ReadFailed (text naming the file), or with TooShort for a file of fewer than 32 bytes.
Result<FlightImage> readMeasurementFile(const std::filesystem::path& path);

// Writes bytes as the whole file at path. An existing file is replaced only as a whole: the bytes
// go to a temporary file in the same folder which is then renamed over it, so a failure leaves the
// old file as it was. Fails with CreateFailed or WriteFailed (text naming the file).
Status writeWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Saves image to path (see writeWholeFile).
Status writeMeasurementFile(const std::filesystem::path& path, const FlightImage& image);

} // namespace kestrom
