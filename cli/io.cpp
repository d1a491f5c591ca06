#include "cli/io.h"

#include "cli/commands.h"
#include "core/texts.h"
#include "files/measurement_file.h"
#include "flight/flight_header.h"

#include <algorithm>
#include <cctype>
#include <iostream>
#include <unistd.h>

namespace kestrom::cli {

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

void refuseOutputOverInput(const std::string& output, const std::string& input) {
    if (output.empty() || output == kStandardStream || input == kStandardStream) {
        return;
    }
    if (sameFile(output, input)) {
        fail(output + " is the input file; give another output");
    }
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

CLI::Validator decimalSeparatorText() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            return text == "." || text == "," ? std::string() : "the decimal separator is . or ,";
        },
        "./,");
}

} // namespace kestrom::cli
