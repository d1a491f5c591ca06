// Thousands of random, truncated and corrupted images through load, evaluation, export and JSON:
// nothing may crash, hang or read outside a buffer (the sanitizer build checks the last).

#include "cli/flight_json.h"
#include "files/measurement_file.h"
#include "files/text_export.h"
#include "flight/generator.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

namespace kestrom {
namespace {

class Mutator {
public:
    explicit Mutator(std::uint32_t seed) : rng_(seed) {}
    std::uint32_t below(std::uint32_t n) {
        return n == 0 ? 0 : static_cast<std::uint32_t>(rng_() % n);
    }
    std::uint8_t byte() { return static_cast<std::uint8_t>(rng_() & 0xFF); }

    std::vector<std::uint8_t> next(const std::vector<std::vector<std::uint8_t>>& bases) {
        std::vector<std::uint8_t> img = bases[below(static_cast<std::uint32_t>(bases.size()))];
        switch (below(6)) {
        case 0: // cut anywhere, the header included
            img.resize(below(static_cast<std::uint32_t>(img.size()) + 1));
            break;
        case 1: // flip bytes
            for (std::uint32_t n = 1 + below(64); n > 0 && !img.empty(); --n) {
                img[below(static_cast<std::uint32_t>(img.size()))] = byte();
            }
            break;
        case 2: {                     // pure noise of any length up to a full receive buffer
            img.resize(below(90001)); // a download buffer holds 90,000 bytes
            for (auto& b : img) {
                b = byte();
            }
            break;
        }
        case 3: // extreme calibration words
            for (std::size_t at = kOffsetCalibration; at + 1 < kHeaderBytes && at + 1 < img.size();
                 at += 2) {
                const std::uint16_t extremes[] = {0, 0xFFFF, 0x8000, 0x7FFF, 1};
                writeU16le(img, at, extremes[below(5)]);
            }
            break;
        case 4: // end markers in odd places, also among the reference samples
            for (std::uint32_t n = 1 + below(4); n > 0 && img.size() > kHeaderBytes; --n) {
                writeU16le(img,
                           kHeaderBytes + 2 * below(static_cast<std::uint32_t>(
                                                  (img.size() - kHeaderBytes) / 2)),
                           0xFFFF);
            }
            break;
        default: // rate codes beyond the table and odd lengths
            if (img.size() > kOffsetRateCode) {
                img[kOffsetRateCode] = byte();
            }
            img.resize(img.size() + below(3));
            break;
        }
        return img;
    }

private:
    std::mt19937 rng_;
};

std::vector<std::vector<std::uint8_t>> baseImages() {
    std::vector<std::vector<std::uint8_t>> bases;
    for (unsigned rate = 0; rate < 6; ++rate) {
        bases.push_back(generateFlight(
            {.seed = rate + 100, .rateCode = rate, .spikes = rate, .trailingBytes = rate * 3}));
    }
    // Beyond the arrays and the file limit.
    bases.push_back(generateFlight({.rateCode = 0, .glideSinkMps = 0.05, .glideSeconds = 1200}));
    return bases;
}

TEST(Robustness, RandomTruncatedAndCorruptImages) {
    const auto bases = baseImages();
    Mutator mutate(20240611);
    for (int round = 0; round < 2000; ++round) {
        const std::vector<std::uint8_t> bytes = mutate.next(bases);
        FlightRecord record;
        setFlightImage(record, FlightImage(bytes));
        const bool accelView = round % 2 == 0;
        const bool evaluated = evaluateRecord(record, accelView);
        ASSERT_EQ(evaluated, record.wordCount >= 16);
        if (evaluated) {
            const FlightEvaluation& e = record.evaluation;
            const std::int64_t samples =
                std::min<std::int64_t>(record.wordCount / 2, kMaxEvaluatedSamples);
            ASSERT_TRUE(e.series1.empty() ||
                        static_cast<std::int64_t>(e.series1.size()) == samples - 5);
            ASSERT_LE(e.lastPointIndex, samples - 3);
            ASSERT_EQ(e.altitudeCm.size(), kCurveLength);
            const Result<std::string> text = textExportBytes(e.altitudeCm, e.lastPointIndex, ',');
            ASSERT_TRUE(text || text.status.kind == ErrorKind::NoData);
        }
        // The JSON of every third flight is built; every tenth image is evaluated a second time
        // from a fresh record and must give the same JSON (nothing left from earlier flights).
        if (round % 10 == 0) {
            FlightRecord again;
            setFlightImage(again, FlightImage(bytes));
            evaluateRecord(again, accelView);
            ASSERT_EQ(cli::flightJson(record, accelView).dump(),
                      cli::flightJson(again, accelView).dump())
                << "round " << round;
        } else if (round % 3 == 0) {
            ASSERT_TRUE(cli::flightJson(record, accelView).is_object());
        }
    }
}

TEST(Robustness, CorruptFilesThroughLoad) {
    const auto bases = baseImages();
    Mutator mutate(99);
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("kestrom-robust-" + std::to_string(::getpid()) + ".bin");
    for (int round = 0; round < 300; ++round) {
        const std::vector<std::uint8_t> bytes = mutate.next(bases);
        {
            std::ofstream out(file, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<std::streamsize>(bytes.size()));
        }
        const Result<FlightRecord> r = cli::loadFlightRecord(file, true);
        if (bytes.size() < kHeaderBytes) {
            ASSERT_EQ(r.status.kind, ErrorKind::TooShort);
            continue;
        }
        ASSERT_TRUE(r) << r.status.error;
        ASSERT_EQ(r.value->image.size(), std::min(bytes.size(), kMaxFileReadBytes));
        ASSERT_FALSE(cli::flightJson(*r.value, true).dump().empty());
    }
    std::filesystem::remove(file);
}

} // namespace
} // namespace kestrom
