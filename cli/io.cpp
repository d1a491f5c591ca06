#include "cli/io.h"

#include "cli/commands.h"
#include "core/texts.h"
#include "files/measurement_file.h"
#include "flight/flight_header.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrom::cli {

namespace {

// A range limit as typed: "0.5", "100".
std::string formatPlain(double value) {
    std::string text = std::to_string(value);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') {
        text.pop_back();
    }
    return text;
}

} // namespace

void fail(const std::string& text) {
    std::cerr << "kestrom-cli: " << text << '\n';
    throw CLI::RuntimeError(kFailureExit);
}

Result<FlightImage> readInput(const std::string& path) {
    if (path == kStandardStream) {
        return readMeasurementStream(STDIN_FILENO, "standard input");
    }
    return readMeasurementFile(path);
}

void warnIfNoFlight(const std::string& path, const FlightImage& image) {
    if (calibrationImpossible(image)) {
        std::cerr << "kestrom-cli: warning: " << path << ": "
                  << messageText(Message::NotAFlight, kEnglish) << '\n';
    }
}

void writeOutput(std::span<const std::uint8_t> bytes, const std::string& path) {
    if (path.empty() || path == kStandardStream) {
        std::cout.write(reinterpret_cast<const char*>(bytes.data()),
                        static_cast<std::streamsize>(bytes.size()));
        std::cout.flush();
        if (!std::cout) {
            fail("cannot write to standard output");
        }
        return;
    }
    if (const Status written = writeWholeFile(path, bytes); !written) {
        fail(written.error);
    }
}

void writeOutput(const std::string& bytes, const std::string& path) {
    writeOutput(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), path);
}

namespace {

// What path names, or the standard stream fd for "-" (and for an empty output path).
std::optional<struct stat> fileBehind(const std::string& path, int standardFd) {
    struct stat st {};
    const bool found = path.empty() || path == kStandardStream ? ::fstat(standardFd, &st) == 0
                                                               : ::stat(path.c_str(), &st) == 0;
    return found ? std::optional<struct stat>(st) : std::nullopt;
}

bool sameNode(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

void refuseOutputOverInput(const std::string& output, const std::string& input) {
    const std::optional<struct stat> out = fileBehind(output, STDOUT_FILENO);
    const std::optional<struct stat> in = fileBehind(input, STDIN_FILENO);
    // Only a regular file loses its bytes; a terminal may well be both ends.
    if (out && in && S_ISREG(out->st_mode) && sameNode(*out, *in)) {
        const std::string shownOutput =
            output.empty() || output == kStandardStream ? "standard output" : output;
        fail(shownOutput + " is the input file; give another output");
    }
}

bool isStandardOutput(const std::string& output) {
    if (output == kStandardStream) {
        return true;
    }
    const std::optional<struct stat> named = fileBehind(output, STDOUT_FILENO);
    const std::optional<struct stat> standard = fileBehind(kStandardStream, STDOUT_FILENO);
    return named && standard && sameNode(*named, *standard);
}

void refuseUnwritableOutput(const std::string& output) {
    if (output.empty() || output == kStandardStream) {
        return;
    }
    if (const Status writable = checkWritable(output); !writable) {
        fail(writable.error);
    }
}

CLI::Validator temperatureText() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const std::size_t digitsFrom = !text.empty() && text[0] == '-' ? 1 : 0;
            const bool digits = text.size() > digitsFrom &&
                                std::all_of(text.begin() + digitsFrom, text.end(),
                                            [](unsigned char c) { return std::isdigit(c); });
            if (!digits || text.size() > 3) {
                return "a temperature is a whole number of at most three characters (-99 to 999)";
            }
            // Read as decimal, not as octal.
            const std::size_t firstSignificant =
                std::min(text.find_first_not_of('0', digitsFrom), text.size() - 1);
            text = text.substr(0, digitsFrom) + text.substr(firstSignificant);
            if (text == "-0") {
                text = "0";
            }
            return {};
        },
        "TEMP");
}

CLI::Validator numberIn(double min, double max, bool whole) {
    const std::string range = whole
                                  ? "a whole number from " + std::to_string(std::llround(min)) +
                                        " to " + std::to_string(std::llround(max))
                                  : "a number from " + formatPlain(min) + " to " + formatPlain(max);
    return CLI::Validator(
        [range, min, max, whole](const std::string& text) -> std::string {
            std::size_t at = !text.empty() && text[0] == '-' ? 1 : 0;
            const std::size_t digitsFrom = at;
            while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
                ++at;
            }
            bool plain = at > digitsFrom;
            if (plain && !whole && at < text.size() && text[at] == '.') {
                const std::size_t fractionFrom = ++at;
                while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) {
                    ++at;
                }
                plain = at > fractionFrom;
            }
            if (!plain || at != text.size()) {
                return "'" + text + "' is not " + range;
            }
            const double value = std::strtod(text.c_str(), nullptr);
            if (!std::isfinite(value) || value < min || value > max) {
                return "'" + text + "' is out of range: " + range + " is expected";
            }
            return {};
        },
        whole ? "INT" : "NUMBER");
}

CLI::Validator decimalSeparatorText() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            return text == "." || text == "," ? std::string() : "the decimal separator is . or ,";
        },
        "./,");
}

} // namespace kestrom::cli
