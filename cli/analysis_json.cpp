#include "cli/analysis_json.h"

#include "analysis/compare_flight.h"
#include "analysis/filter_plot.h"
#include "analysis/temperature_entry.h"
#include "cli/flight_json.h"
#include "cli/io.h"
#include "core/texts.h"
#include "files/measurement_file.h"

#include <string>

namespace kestrom::cli {
namespace {

// The chart's left-axis maximum before a comparison: no recorder flight has set one.
constexpr double kNoLeftAxisMax = 0.0;

void putFilterPlot(nlohmann::ordered_json& j, const std::optional<FilterPlot>& plot) {
    if (!plot) {
        return;
    }
    j["filtered"] = plot->filteredCm;
    j["filteredMaxText"] = plot->maxText;
    j["filteredMinText"] = plot->minText;
}

} // namespace

std::shared_ptr<AnalysisJsonOptions> addAnalysisJsonOptions(CLI::App& json) {
    auto o = std::make_shared<AnalysisJsonOptions>();
    addFilterOptions(json, *o, "filter the curve as the Filter button does");
    json.add_flag("--as-comparison", o->asComparison,
                  "load FILE as the comparison flight instead of the recorder flight");
    return o;
}

void addRecorderFilterJson(nlohmann::ordered_json& j, const FlightRecord& record,
                           const AnalysisJsonOptions& options) {
    if (options.filter) {
        putFilterPlot(j, filterRecorderFlight(record, options.params()));
    }
}

Result<nlohmann::ordered_json> comparisonJson(const std::filesystem::path& path,
                                              std::optional<int> tempC,
                                              const AnalysisJsonOptions& options) {
    using JsonResult = Result<nlohmann::ordered_json>;
    Result<FlightImage> image = readInput(path.string());
    if (!image) {
        return JsonResult::failure(image.status.kind, image.status.error);
    }
    warnIfNoFlight(path.string(), *image.value);
    CompareFlight compare;
    const Status loaded = loadCompareFlight(compare, image.value->bytes(), kNoLeftAxisMax);
    if (!loaded) {
        return JsonResult::failure(loaded.kind, path.string() + ": " + loaded.error);
    }
    if (tempC &&
        enterCompareTemperature(compare, std::to_string(*tempC), compare.evaluation.leftAxisMax) ==
            TemperatureEntry::Refused) {
        return JsonResult::failure(ErrorKind::None,
                                   std::string(messageText(Message::WrongTemperature, kEnglish)));
    }

    const FlightHeader& h = compare.record.header;
    const Calibration& c = compare.record.calibration;
    nlohmann::ordered_json j;
    j["competitor"] = h.competitor;
    j["serial"] = h.serial;
    j["rateCode"] = h.rateCode;
    j["rateTimes10"] = compare.record.rateTimes10;
    j["calibration"] = {c.ac1, c.ac2, c.ac3, c.ac4, c.ac5, c.ac6, c.b1, c.b2, c.mb, c.mc, c.md};
    j["headerTemp"] = static_cast<int>(h.headerTemp);
    j["groundTemp"] = floatNumber(compare.record.groundTemp);
    j["compareSampleBytes"] = compare.compareSampleBytes;
    j["evaluated"] = compare.evaluated;
    const CompareEvaluation& e = compare.evaluation;
    if (compare.evaluated) {
        j["refPressure"] = floatNumber(e.refPressure);
        j["maxAltitude"] = floatNumber(e.maxAltitude);
        j["minAltitude"] = floatNumber(e.minAltitude);
    }
    j["maxText"] = compare.maxText;
    j["minText"] = compare.minText;
    j["altitudeCm"] =
        std::vector<std::int32_t>(e.compareAltitudeCm.begin(),
                                  e.compareAltitudeCm.begin() + static_cast<long>(e.pointCount()));
    if (options.filter && compare.evaluated) {
        FilterWork work;
        putFilterPlot(j, filterCompareFlight(work, e.compareAltitudeCm, options.params(),
                                             compare.compareSampleBytes));
    }
    return JsonResult::success(std::move(j));
}

} // namespace kestrom::cli
