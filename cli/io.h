#pragma once
// Where kestrom-cli's commands read and write: input flight files (or standard input), output
// files (or standard output), and the checks of the options that name them or feed them.

#include "core/status.h"
#include "flight/flight_image.h"

#include <CLI/CLI.hpp>
#include <cstdint>
#include <span>
#include <string>

namespace kestrom::cli {

// Names standard input as an input file and standard output as an output file.
inline constexpr const char* kStandardStream = "-";

// Reports text on stderr and ends the command with exit status 2.
[[noreturn]] void fail(const std::string& text);

// Reads an input file as the window's Load does (at most the 90,000-byte receive buffer, at least
// a 32-byte header); "-" reads standard input. A folder, a FIFO or a device is refused, so
// nothing waits for ever. Fails as readMeasurementFile does.
Result<FlightImage> readInput(const std::string& path);

// Warns on stderr, in English, when image cannot be a flight (impossible calibration words); the
// command goes on as the window does.
void warnIfNoFlight(const std::string& path, const FlightImage& image);

// Writes bytes to path, replaced as a whole (see writeWholeFile); "-" or an empty path writes them
// to standard output. A failure ends the command with exit status 2.
void writeOutput(std::span<const std::uint8_t> bytes, const std::string& path);
void writeOutput(const std::string& bytes, const std::string& path);

// Ends the command with exit status 2, before anything is written, when the output is the same
// regular file as the input (device and inode compared, so through any link or /dev/fd name);
// "-" is standard output as an output and standard input as an input. Input and output untouched.
void refuseOutputOverInput(const std::string& output, const std::string& input);

// Whether output sends its bytes to standard output: "-", or a name of the very file standard
// output is (/dev/stdout, /dev/fd/1, or the file standard output was sent to).
bool isStandardOutput(const std::string& output);

// Ends the command with exit status 2 when output could not be written (see checkWritable), so
// that no long work (a transfer, a report) is done for nothing; standard output always passes.
void refuseUnwritableOutput(const std::string& output);

// The values a temperature field can hold: a whole number of at most three characters, -99 to
// 999. Leading zeros are dropped so that the number reads as decimal ("010" is 10); give it to
// CLI::Option::transform so that the dropped zeros stay dropped.
CLI::Validator temperatureText();

// A decimal number written plainly (digits, an optional leading "-" and, unless whole, one
// decimal point with digits after it) from min to max. Hexadecimal, exponents, "nan", "inf" and
// empty texts are refused.
CLI::Validator numberIn(double min, double max, bool whole);

// A decimal separator: "." or "," only.
CLI::Validator decimalSeparatorText();

} // namespace kestrom::cli
