#pragma once
// The measurement file: one raw flight image, no magic number, no version; its size is its only
// length information.

#include "core/status.h"
#include "files/whole_file.h"
#include "flight/flight_image.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace kestrom {

// Reads at most the first kMaxFileReadBytes (the 90,000 bytes a download can fill) of path as a
// flight image. Only a regular file is read: a folder, a FIFO or a device fails with ReadFailed
// before anything waits on it. Fails with OpenFailed or ReadFailed (text naming the file), or
// with TooShort for a file of fewer than 32 bytes.
Result<FlightImage> readMeasurementFile(const std::filesystem::path& path);

// The same from an open descriptor of any kind (standard input), named `name` in the texts; reads
// until its end or kMaxFileReadBytes, whichever comes first.
Result<FlightImage> readMeasurementStream(int fd, const std::string& name);

// Saves image to path (see writeWholeFile).
Status writeMeasurementFile(const std::filesystem::path& path, const FlightImage& image);

} // namespace kestrom
