// Compares the flight computations with a plain, step-by-step second rendering of the same
// algorithms (literal_model), on the bundled samples, generated flights and random images.
#include "analysis/compare_flight.h"
#include "analysis/filter.h"
#include "analysis/filter_plot.h"
#include "analysis/temperature_entry.h"
#include "files/text_export.h"
#include "flight/conversions.h"
#include "flight/evaluation.h"
#include "flight/flight_header.h"
#include "flight/generator.h"
#include "flight/number_format.h"
#include "literal_model.h"
#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <filesystem>
#include <random>
#include <sstream>
#include <type_traits>

namespace {

namespace fs = std::filesystem;

// How many filter runs were compared, and how many the model gave up on.
int gFilterCompared = 0;
int gFilterCapped = 0;

literal::Calibration toModel(const kestrom::Calibration& c) {
    return {c.ac1, c.ac2, c.ac3, c.ac4, c.ac5, c.ac6, c.b1, c.b2, c.mb, c.mc, c.md};
}

kestrom::Calibration randomCalibration(std::mt19937& rng) {
    std::uniform_int_distribution<int> word(0, 0xFFFF);
    auto s = [&] { return static_cast<std::int16_t>(static_cast<std::uint16_t>(word(rng))); };
    auto u = [&] { return static_cast<std::uint16_t>(word(rng)); };
    // Braced lists run left to right: the same draws in the same fields as before.
    return {s(), s(), s(), u(), u(), u(), s(), s(), s(), s(), s()};
}

// Floats equal bit for bit (so -0.0 and NaN are told apart as they would print).
bool sameFloat(float a, float b) {
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

// Differences found for one image, as readable lines; empty when both sides agree.
struct Diffs {
    std::ostringstream out;
    int count = 0;
    template <typename T, typename U>
    void note(const char* what, std::size_t at, const T& ours, const U& model) {
        if (count++ < 8)
            out << what << "[" << at << "]: project " << ours << ", model " << model << "\n";
    }
    template <typename T, typename U>
    void check(const char* what, std::size_t at, const T& ours, const U& model) {
        if (ours != model)
            note(what, at, ours, model);
    }
    void checkFloat(const char* what, std::size_t at, float ours, float model) {
        if (!sameFloat(ours, model))
            note(what, at, ours, model);
    }
    // Point by point, once both have the same length ("<what>.size" otherwise).
    template <typename T>
    void checkEach(const std::string& what, const std::vector<T>& ours,
                   const std::vector<T>& model) {
        if (ours.size() != model.size()) {
            note((what + ".size").c_str(), 0, ours.size(), model.size());
            return;
        }
        for (std::size_t i = 0; i < ours.size(); ++i) {
            if constexpr (std::is_same_v<T, float>)
                checkFloat(what.c_str(), i, ours[i], model[i]);
            else
                check(what.c_str(), i, ours[i], model[i]);
        }
    }
};

// The recorder evaluation, the filter of its curve and the export, both ways.
void crossRecorder(const std::vector<std::uint8_t>& bytes, std::uint32_t words, float groundTemp,
                   bool accelView, bool filter, const kestrom::FilterParams& params, Diffs& d) {
    const kestrom::FlightImage image(bytes);
    const kestrom::FlightHeader h = kestrom::ApplyFlightHeader(image);
    kestrom::EvaluationInput in;
    in.image = &image;
    in.words = words;
    in.rateTimes10 = h.rateTimes10;
    in.calibration = h.calibration;
    in.groundTemp = groundTemp;
    in.accelView = accelView;
    const kestrom::FlightEvaluation ours = kestrom::EvaluateFlight(in);
    const literal::Header mh = literal::readHeader(bytes);
    const literal::RecorderResult model =
        literal::evaluateFlight(bytes, words, mh.cal, mh.rateTimes10, groundTemp, accelView);

    d.checkFloat("refPressure", 0, ours.refPressure, model.refPressure);
    d.checkFloat("maxAltitude", 0, ours.maxAltitude, model.maxAltitude);
    d.checkFloat("minAltitude", 0, ours.minAltitude, model.minAltitude);
    d.check("lastPointIndex", 0, ours.lastPointIndex, model.lastPointIndex);
    d.check("leftAxisMax", 0, ours.leftAxisMax, static_cast<std::int32_t>(model.leftAxisMax));
    d.check("minorTicks", 0, ours.bottomMinorTicks, model.minorTicks);
    const std::string maxText = kestrom::formatOneDecimal(ours.maxAltitude);
    const std::string minText = kestrom::formatOneDecimal(ours.minAltitude);
    d.check("maxText", 0, maxText, model.maxText);
    d.check("minText", 0, minText, model.minText);
    const bool curvesEqual =
        std::equal(ours.altitudeCm.begin(), ours.altitudeCm.end(), model.altitudeCm.begin()) &&
        std::equal(ours.dhdtCm.begin(), ours.dhdtCm.end(), model.dhdtCm.begin());
    for (std::size_t i = 0; !curvesEqual && i < literal::kCurveLength; ++i) {
        d.check("altitudeCm", i, ours.altitudeCm[i], model.altitudeCm[i]);
        d.check("dhdtCm", i, ours.dhdtCm[i], model.dhdtCm[i]);
    }
    if (ours.series1.size() != model.series1.size()) {
        d.note("series1.size", 0, ours.series1.size(), model.series1.size());
    } else {
        std::size_t label = 0;
        for (std::size_t i = 0; i < ours.series1.size(); ++i) {
            d.checkFloat("series1", i, ours.series1[i].value, model.series1[i]);
            std::string expected;
            if (label < model.labels.size() &&
                static_cast<std::size_t>(model.labels[label].index) == i)
                expected = model.labels[label++].text;
            d.check("label", i, ours.series1[i].label, expected);
        }
    }
    d.checkEach("series2", ours.series2, model.series2);

    // Export: the plotted points, lastPointIndex - 2 lines.
    const auto exported = kestrom::textExportBytes(ours.altitudeCm, ours.lastPointIndex, '.');
    std::string expected;
    for (std::int32_t i = 0; i + 3 <= model.lastPointIndex; ++i) {
        const std::int32_t v = model.altitudeCm[static_cast<std::size_t>(i)];
        if (v == literal::kEndMark)
            break;
        expected += literal::exportValue(v) + "\n\r";
    }
    const std::string got = exported ? *exported.value : std::string();
    if (got != expected) {
        std::size_t at = 0;
        while (at < got.size() && at < expected.size() && got[at] == expected[at])
            ++at;
        const std::size_t from = at > 20 ? at - 20 : 0;
        d.note("export.byte", at, got.substr(from, 40), expected.substr(from, 40));
    }

    if (filter && words >= 32) {
        kestrom::FilterWork work;
        const auto plot =
            kestrom::filterRecorderFlight(work, ours.altitudeCm, params, words, h.rateTimes10);
        literal::FilterParams mp{params.preCutCm, params.finalCutCm, params.prefilterWidth,
                                 params.finalFilterWidth};
        bool capped = false;
        const std::vector<std::int32_t> mf = literal::filterAltitude(model.altitudeCm, mp, capped);
        ++(capped ? gFilterCapped : gFilterCompared);
        if (!plot) {
            d.note("filter", 0, std::string("none"), std::string("a curve"));
        } else if (!capped) {
            d.checkEach("filtered", plot->filteredCm, mf);
            const literal::FilterExtremes e = literal::filterExtremes(mf);
            d.check("filteredMaxText", 0, plot->maxText, e.maxText);
            d.check("filteredMinText", 0, plot->minText, e.minText);
        }
    }
}

// The comparison evaluation, both ways, with the left axis's maximum before it.
void crossCompare(const std::vector<std::uint8_t>& bytes, float groundTemp, double axisBefore,
                  Diffs& d) {
    if (bytes.size() < 32 + 24)
        return;
    const kestrom::FlightImage image(bytes);
    const kestrom::FlightHeader h = kestrom::ApplyFlightHeader(image);
    kestrom::CompareEvaluationInput in;
    in.image = &image;
    in.bytes = static_cast<std::uint32_t>(bytes.size() - 32);
    in.rateTimes10 = h.rateTimes10;
    in.calibration = h.calibration;
    in.groundTemp = groundTemp;
    in.leftAxisMax = axisBefore;
    const kestrom::CompareEvaluation ours = kestrom::EvaluateCompareFlight(in);
    const literal::CompareResult model = literal::evaluateCompareFlight(
        bytes, in.bytes, literal::readHeader(bytes).cal, groundTemp, axisBefore);
    d.checkFloat("cmp.refPressure", 0, ours.refPressure, model.refPressure);
    d.checkFloat("cmp.maxAltitude", 0, ours.maxAltitude, model.maxAltitude);
    d.checkFloat("cmp.minAltitude", 0, ours.minAltitude, model.minAltitude);
    d.check("cmp.leftAxisMax", 0, ours.leftAxisMax, model.leftAxisMax);
    const std::string none = "<unwritten>";
    const std::string oMax = ours.maxText.value_or(none), oMin = ours.minText.value_or(none);
    const std::string mMax = model.maxWritten ? model.maxText : none;
    const std::string mMin = model.minWritten ? model.minText : none;
    d.check("cmp.maxText", 0, oMax, mMax);
    d.check("cmp.minText", 0, oMin, mMin);
    const bool curveEqual = std::equal(ours.compareAltitudeCm.begin(), ours.compareAltitudeCm.end(),
                                       model.altitudeCm.begin());
    for (std::size_t i = 0; !curveEqual && i < literal::kCurveLength; ++i)
        d.check("compareAltitudeCm", i, ours.compareAltitudeCm[i], model.altitudeCm[i]);
    d.checkEach("series3", ours.series3, model.series3);
}

// The filter plot of a curve both ways: output, point values and labels, raw points, extremes.
void crossFilterPlot(const std::optional<kestrom::FilterPlot>& plot,
                     const std::vector<std::int32_t>& curve, bool labelled,
                     std::uint32_t rateTimes10, const kestrom::FilterParams& params, Diffs& d) {
    if (!plot) {
        d.note("filterPlot", 0, std::string("none"), std::string("a plot"));
        return;
    }
    bool capped = false;
    const std::vector<std::int32_t> mf = literal::filterAltitude(
        curve, {params.preCutCm, params.finalCutCm, params.prefilterWidth, params.finalFilterWidth},
        capped);
    ++(capped ? gFilterCapped : gFilterCompared);
    if (capped)
        return;
    if (plot->filteredCm != mf)
        d.note("filterPlot.filteredCm", 0, plot->filteredCm.size(), mf.size());
    if (plot->filteredPoints.size() != mf.size() || plot->rawPoints.size() != mf.size()) {
        d.note("filterPlot.points", 0, plot->filteredPoints.size(), mf.size());
        return;
    }
    for (std::size_t i = 0; i < mf.size(); ++i) {
        const float value = static_cast<float>(mf[i] * 0.01);
        const float raw = static_cast<float>(curve[i] * 0.01);
        const std::uint32_t t = static_cast<std::uint32_t>(i) * 10;
        const std::string label = labelled && rateTimes10 != 0 && t % rateTimes10 == 0
                                      ? std::to_string(t / rateTimes10)
                                      : std::string();
        d.checkFloat("filterPlot.value", i, plot->filteredPoints[i].value, value);
        d.check("filterPlot.label", i, plot->filteredPoints[i].label, label);
        d.checkFloat("filterPlot.raw", i, plot->rawPoints[i], raw);
    }
    const literal::FilterExtremes e = literal::filterExtremes(mf);
    d.check("filterPlot.maxText", 0, plot->maxText, e.maxText);
    d.check("filterPlot.minText", 0, plot->minText, e.minText);
}

// A measurement file as the window's Load and the comparison's load take it, then a temperature
// entry in each panel, as kestrom-cli json does with --temp.
void crossFile(const std::vector<std::uint8_t>& file, Diffs& d, bool filter = true,
               const kestrom::FilterParams& params = {}, int enteredTemp = 7) {
    std::vector<std::uint8_t> bytes = file;
    if (bytes.size() > 33000)
        bytes.resize(33000);
    if (bytes.size() < 32)
        return;
    const literal::Header mh = literal::readHeader(bytes);
    const auto words = static_cast<std::uint32_t>((bytes.size() - 32) / 2);

    kestrom::FlightRecord record;
    kestrom::setFlightImage(record, kestrom::FlightImage(bytes));
    const kestrom::FlightHeader& h = record.header;
    d.check("competitor", 0, h.competitor, mh.competitor);
    d.check("serial", 0, h.serial, mh.serial);
    d.check("headerTemp", 0, int{h.headerTemp}, mh.headerTemp);
    d.check("rateTimes10", 0, record.rateTimes10, mh.rateTimes10);
    d.check("deviceFactor", 0, h.deviceFactor, mh.deviceFactor);
    if (toModel(record.calibration).ac4 != mh.cal.ac4 || record.calibration.md != mh.cal.md ||
        record.calibration.ac1 != mh.cal.ac1 || record.calibration.mc != mh.cal.mc)
        d.note("calibration", 0, record.calibration.ac1, mh.cal.ac1);
    d.check("wordCount", 0, record.wordCount, words);

    const auto checkRecord = [&](float groundTemp) {
        const bool evaluated = kestrom::evaluateRecord(record, true);
        d.check("evaluated", 0, evaluated, words >= 16);
        if (!evaluated)
            return;
        const literal::RecorderResult m =
            literal::evaluateFlight(bytes, words, mh.cal, mh.rateTimes10, groundTemp, true);
        const kestrom::FlightEvaluation& e = record.evaluation;
        if (!sameFloat(e.maxAltitude, m.maxAltitude) ||
            !std::equal(e.altitudeCm.begin(), e.altitudeCm.end(), m.altitudeCm.begin()))
            d.note("record.evaluation", 0, e.maxAltitude, m.maxAltitude);
        if (filter) {
            kestrom::FilterWork work;
            const auto plot = kestrom::filterRecorderFlight(work, e.altitudeCm, params, words,
                                                            record.rateTimes10);
            if (words < 32) {
                if (plot)
                    d.note("filterPlot", 0, std::string("a plot"), std::string("none"));
            } else {
                crossFilterPlot(plot, m.altitudeCm, true, mh.rateTimes10, params, d);
            }
        }
    };
    checkRecord(static_cast<float>(mh.headerTemp));
    if (words >= 16)
        crossRecorder(bytes, words, static_cast<float>(mh.headerTemp), true, false, params, d);
    kestrom::setGroundTemperature(record, enteredTemp);
    checkRecord(static_cast<float>(enteredTemp));

    // Comparison: load, then a temperature entry; texts stay where the second run writes none.
    kestrom::CompareFlight compare;
    const kestrom::Status loaded = kestrom::loadCompareFlight(compare, bytes, 0.0);
    if (!loaded) {
        d.note("loadCompareFlight", 0, std::string("refused"), std::string("loaded"));
        return;
    }
    const auto sampleBytes = static_cast<std::uint32_t>(bytes.size() - 32);
    std::string maxText, minText;
    double axis = 0.0;
    const auto checkCompare = [&](float groundTemp) {
        d.check("cmp.evaluated", 0, compare.evaluated, sampleBytes >= 24);
        if (sampleBytes < 24)
            return;
        const literal::CompareResult m =
            literal::evaluateCompareFlight(bytes, sampleBytes, mh.cal, groundTemp, axis);
        if (m.maxWritten)
            maxText = m.maxText;
        if (m.minWritten)
            minText = m.minText;
        axis = m.leftAxisMax;
        d.check("cmp.record.maxText", 0, compare.maxText, maxText);
        d.check("cmp.record.minText", 0, compare.minText, minText);
        d.check("cmp.record.leftAxisMax", 0, compare.evaluation.leftAxisMax, axis);
        if (!std::equal(compare.evaluation.compareAltitudeCm.begin(),
                        compare.evaluation.compareAltitudeCm.end(), m.altitudeCm.begin()))
            d.note("cmp.record.curve", 0, compare.evaluation.pointCount(), m.series3.size());
        if (filter && compare.evaluated) {
            kestrom::FilterWork work;
            const auto plot = kestrom::filterCompareFlight(
                work, compare.evaluation.compareAltitudeCm, params, sampleBytes);
            if (sampleBytes < 32) {
                if (plot)
                    d.note("cmp.filterPlot", 0, std::string("a plot"), std::string("none"));
            } else {
                crossFilterPlot(plot, m.altitudeCm, false, 0, params, d);
            }
        }
    };
    checkCompare(static_cast<float>(mh.headerTemp));
    if (sampleBytes >= 24)
        crossCompare(bytes, static_cast<float>(mh.headerTemp), 0.0, d);
    kestrom::enterCompareTemperature(compare, std::to_string(enteredTemp),
                                     compare.evaluation.leftAxisMax);
    checkCompare(static_cast<float>(enteredTemp));
}

TEST(Crosscheck, SampleFilesAgreeWithTheLiteralModel) {
    int files = 0;
    for (const auto& entry : fs::directory_iterator(KESTROM_SAMPLES_DIR)) {
        if (entry.path().extension() != ".bin")
            continue;
        ++files;
        const auto file = kestrom::test::readBytes(entry.path());
        for (const float temp : {-1000.0f, 0.0f, 15.0f, 37.0f}) {
            Diffs d;
            std::vector<std::uint8_t> bytes = file;
            if (bytes.size() > 33000)
                bytes.resize(33000);
            const kestrom::FlightHeader h = kestrom::ApplyFlightHeader(kestrom::FlightImage(bytes));
            const float t = temp == -1000.0f ? h.groundTemp : temp;
            crossRecorder(bytes, static_cast<std::uint32_t>((bytes.size() - 32) / 2), t,
                          temp != 37.0f, true, {}, d);
            crossCompare(bytes, t, 100.0, d);
            EXPECT_EQ(d.count, 0) << entry.path() << " temp " << t << "\n" << d.out.str();
        }
    }
    EXPECT_GE(files, 6);
}

struct GenCase {
    unsigned rateCode;
    std::uint32_t spikes;
    double noise;
    double tempC;
    std::uint32_t maxSamples;
    std::uint32_t trailing;
};

TEST(Crosscheck, GeneratedFlightsAgreeAtEveryRateAndLength) {
    std::vector<GenCase> cases;
    const std::uint32_t lengths[] = {0,  1,  5,  6,   8,   9,    18,   19,   21,    22,    23,
                                     40, 43, 60, 101, 500, 8241, 8242, 8243, 16998, 16999, 17000};
    unsigned i = 0;
    for (unsigned rate = 0; rate < 6; ++rate)
        for (const std::uint32_t spikes : {0u, 7u})
            cases.push_back({rate, spikes, rate % 2 ? 0.0 : 6.0, -20.0 + 15.0 * rate, 0, 0});
    for (const std::uint32_t len : lengths)
        cases.push_back({i++ % 6, i % 3, 2.0, 20.0, len, (i * 7) % 9});
    for (const GenCase& c : cases) {
        const std::vector<std::uint8_t> image =
            kestrom::generateFlight({.seed = 100 + c.rateCode * 7 + c.spikes + c.maxSamples,
                                     .rateCode = c.rateCode,
                                     .spikes = c.spikes,
                                     .groundTempC = c.tempC,
                                     .glideSeconds = c.maxSamples > 8000 ? 2000.0 : 60.0,
                                     .noiseCounts = c.noise,
                                     .maxSamples = c.maxSamples,
                                     .trailingBytes = c.trailing});
        Diffs d;
        crossFile(image, d, true, {}, static_cast<int>(c.tempC) + 3);
        // The whole image, beyond what a file load keeps, through the evaluation directly.
        const auto words =
            static_cast<std::uint32_t>(image.size() > 32 ? (image.size() - 32) / 2 : 0);
        if (words >= 16) {
            const float gt = kestrom::ApplyFlightHeader(kestrom::FlightImage(image)).groundTemp;
            crossRecorder(image, words, gt, true, c.maxSamples > 8000, {}, d);
            crossCompare(image, gt, 50.0, d);
        }
        EXPECT_EQ(d.count, 0) << "rate " << c.rateCode << " spikes " << c.spikes << " len "
                              << c.maxSamples << "\n"
                              << d.out.str();
    }
}

TEST(Crosscheck, ConversionsAgreeForRandomWordsAndCalibrations) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<std::uint32_t> word(0, 0xFFFF);
    int mismatches = 0;
    std::ostringstream first;
    for (int n = 0; n < 200000; ++n) {
        const kestrom::Calibration cal =
            n < 50000 ? kestrom::Calibration{} : randomCalibration(rng);
        const std::uint32_t up = word(rng), ut = n % 4 == 0 ? word(rng) : 20000 + word(rng) % 20000;
        const auto m = toModel(cal);
        const std::int32_t p = kestrom::CompensatePressure(up, ut, cal);
        const std::int32_t mp = literal::compensatePressure(m, up, ut);
        const int t = kestrom::HeaderTemperature(ut, cal);
        const int mt = literal::headerTemperature(m, ut);
        if (p != mp || t != mt) {
            if (mismatches++ < 5)
                first << "up " << up << " ut " << ut << " p " << p << "/" << mp << " t " << t << "/"
                      << mt << "\n";
        }
    }
    std::uniform_real_distribution<float> hpa(300.0f, 1100.0f), temp(-40.0f, 60.0f);
    for (int n = 0; n < 100000; ++n) {
        const float p = hpa(rng), ref = hpa(rng), g = n % 3 ? std::round(temp(rng)) : temp(rng);
        if (!sameFloat(kestrom::Altitude(p, ref, g), literal::altitude(p, ref, g)) &&
            mismatches++ < 10)
            first << "Altitude(" << p << ", " << ref << ", " << g << ")\n";
    }
    EXPECT_EQ(mismatches, 0) << first.str();
}

TEST(Crosscheck, NumberTextsAgree) {
    std::mt19937 rng(11);
    int mismatches = 0;
    std::ostringstream first;
    auto check = [&](const std::string& ours, const std::string& model, double v) {
        if (ours != model && mismatches++ < 10)
            first << v << ": " << ours << " vs " << model << "\n";
    };
    for (std::int32_t cm = -200000; cm <= 200000; ++cm)
        check(kestrom::formatExportValue(cm), literal::exportValue(cm), cm);
    std::uniform_int_distribution<std::int32_t> any(INT32_MIN, INT32_MAX);
    for (int n = 0; n < 100000; ++n) {
        const std::int32_t cm = any(rng);
        check(kestrom::formatExportValue(cm), literal::exportValue(cm), cm);
        const float f = static_cast<float>(cm % 2000000 * 0.01);
        check(kestrom::formatOneDecimal(f), literal::formatOneDecimal(f), f);
        check(kestrom::centimetresText(cm), literal::centimetresOneDecimal(cm), cm);
    }
    EXPECT_EQ(mismatches, 0) << first.str();
}

TEST(Crosscheck, RandomAndCorruptImagesAgree) {
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int> byte(0, 255);
    // A stock of generated flights to corrupt, every rate code up to 15 among them.
    std::vector<std::vector<std::uint8_t>> stock;
    for (unsigned i = 0; i < 48; ++i) {
        stock.push_back(kestrom::generateFlight(
            {.seed = i + 1, .rateCode = i % 16, .spikes = i % 5, .glideSeconds = 20.0}));
    }
    int failed = 0;
    std::ostringstream first;
    for (int n = 0; n < 2000; ++n) {
        std::vector<std::uint8_t> bytes;
        const int kind = n % 4;
        if (kind == 0) {
            // Pure noise of random length.
            bytes.resize(std::uniform_int_distribution<std::size_t>(0, 2000)(rng));
            for (auto& b : bytes)
                b = static_cast<std::uint8_t>(byte(rng));
        } else {
            bytes = stock[static_cast<std::size_t>(n) % stock.size()];
            if (kind == 1) {
                // Random calibration words, some of them making a divisor zero.
                for (std::size_t i = 10; i < 32; ++i)
                    bytes[i] = static_cast<std::uint8_t>(byte(rng));
                if (n % 3 == 0) {
                    bytes[28] = 0;
                    bytes[29] = 0;
                }
                if (n % 5 == 0) {
                    bytes[16] = 0;
                    bytes[17] = 0;
                }
            } else if (kind == 2) {
                // Flipped bytes anywhere and a cut at a random place.
                for (int f = 0; f < 20; ++f)
                    bytes[std::uniform_int_distribution<std::size_t>(0, bytes.size() - 1)(rng)] =
                        static_cast<std::uint8_t>(byte(rng));
                bytes.resize(std::uniform_int_distribution<std::size_t>(0, bytes.size())(rng));
            } else {
                // Trailing junk after the end marker.
                for (int f = 0; f < 40; ++f)
                    bytes.push_back(static_cast<std::uint8_t>(byte(rng)));
            }
        }
        Diffs d;
        crossFile(bytes, d, n % 10 == 3, {}, n % 120 - 40);
        if (d.count != 0 && failed++ < 5)
            first << "image " << n << " kind " << kind << "\n" << d.out.str();
    }
    EXPECT_EQ(failed, 0) << first.str();
    std::printf("filter runs compared %d, given up by the model %d\n", gFilterCompared,
                gFilterCapped);
}

// Synthetic curves that make both cut stages restart: steps, climbs steeper than the pre-cut,
// square waves, jumpy random walks, with random parameters.
TEST(Crosscheck, FilterAgreesOnCurvesThatForceRestarts) {
    std::mt19937 rng(99);
    const auto before = literal::restartCounts();
    int failed = 0;
    std::ostringstream first;
    for (int n = 0; n < 100; ++n) {
        const std::size_t len = std::uniform_int_distribution<std::size_t>(2, 800)(rng);
        std::vector<std::int32_t> curve(len);
        std::int32_t v = 0;
        for (std::size_t i = 0; i < len; ++i) {
            switch (n % 5) {
            case 0: // step up and down
                v = (i / 300) % 2 ? 1500 : 0;
                break;
            case 1: // climb of 5 to 25 m per sample
                v = static_cast<std::int32_t>(i) * (500 + 500 * (n % 5));
                break;
            case 2: // square wave of random height
                v = (i / 37) % 2 ? 2000 + n * 10 : -500;
                break;
            case 3: // random walk with jumps
                v += std::uniform_int_distribution<std::int32_t>(-30, 30)(rng);
                if (i % 97 == 0)
                    v += std::uniform_int_distribution<std::int32_t>(-5000, 5000)(rng);
                break;
            default: // noise on a slope, spikes of both signs
                v = static_cast<std::int32_t>(i) * 40 +
                    std::uniform_int_distribution<std::int32_t>(-300, 300)(rng) +
                    (i % 13 == 0 ? 3000 : 0) - (i % 29 == 0 ? 6000 : 0);
            }
            curve[i] = v;
        }
        curve.push_back(literal::kEndMark);
        const kestrom::FilterParams params{
            std::uniform_int_distribution<std::int32_t>(0, 800)(rng),
            std::uniform_int_distribution<std::int32_t>(0, 600)(rng),
            std::uniform_int_distribution<std::int32_t>(-2, 110)(rng),
            std::uniform_int_distribution<std::int32_t>(-2, 60)(rng)};
        kestrom::FilterWork work;
        const auto rate = static_cast<std::uint32_t>(
            n % 7 == 6 ? 0 : kestrom::kRateTimes10[static_cast<std::size_t>(n % 6)]);
        const auto plot = kestrom::filterCurve(work, curve, params, n % 2 == 0, rate);
        Diffs d;
        crossFilterPlot(plot, curve, n % 2 == 0, rate, params, d);
        if (d.count != 0 && failed++ < 5)
            first << "curve " << n << " params " << params.preCutCm << "," << params.finalCutCm
                  << "," << params.prefilterWidth << "," << params.finalFilterWidth << "\n"
                  << d.out.str();
    }
    EXPECT_EQ(failed, 0) << first.str();
    const auto after = literal::restartCounts();
    std::printf("restarts: pre-cut %ld, band %ld\n", after.first - before.first,
                after.second - before.second);
    EXPECT_GT(after.first, before.first);
    EXPECT_GT(after.second, before.second);
}

TEST(Crosscheck, FilterAgreesForOtherParameters) {
    const kestrom::FilterParams params[] = {
        {350, 250, 8, 12},    {100, 50, 4, 6},   {1000, 600, 20, 30}, {0, 0, 1, 1},
        {350, 250, 100, 200}, {350, 250, 0, -5}, {30, 10, 5, 7},      {350, 250, 150, 12},
        {-100, 250, 8, 12},   {350, -50, 8, 12}};
    // Negative cuts too: the scan starts from the negative limit and loosens it from there.
    int failed = 0;
    std::ostringstream first;
    unsigned seed = 1;
    for (const auto& p : params) {
        for (const std::uint32_t len : {30u, 41u, 42u, 43u, 60u, 120u, 3000u}) {
            // The rate follows the seed after its increment.
            const kestrom::GeneratorOptions o{.seed = seed++,
                                              .rateCode = seed % 6,
                                              .spikes = 12,
                                              .noiseCounts = 8.0,
                                              .maxSamples = len};
            Diffs d;
            crossFile(kestrom::generateFlight(o), d, true, p);
            if (d.count != 0 && failed++ < 5)
                first << "params " << p.preCutCm << "," << p.finalCutCm << "," << p.prefilterWidth
                      << "," << p.finalFilterWidth << " len " << len << "\n"
                      << d.out.str();
        }
    }
    EXPECT_EQ(failed, 0) << first.str();
}

} // namespace
