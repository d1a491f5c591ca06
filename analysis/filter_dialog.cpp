#include "analysis/filter_dialog.h"

#include "core/whole_number.h"

namespace kestrom {

FilterDialogTexts defaultFilterTexts() { return filterTextsOf(FilterParams{}); }

FilterDialogTexts filterTextsOf(const FilterParams& params) {
    return {std::to_string(params.preCutCm), std::to_string(params.finalCutCm),
            std::to_string(params.prefilterWidth), std::to_string(params.finalFilterWidth)};
}

FilterParams filterParamsFromTexts(const FilterDialogTexts& texts) {
    const auto field = [&](std::size_t index, std::int32_t fallback) {
        return parseWholeNumber(texts[index]).value_or(fallback);
    };
    return {field(0, kFilterSaveFallbacks.preCutCm), field(1, kFilterSaveFallbacks.finalCutCm),
            field(2, kFilterSaveFallbacks.prefilterWidth),
            field(3, kFilterSaveFallbacks.finalFilterWidth)};
}

FilterParams filterParamsOf(const ConfigRecord& config) {
    return {config.PreCutCm, config.FinalCutCm, config.PrefilterWidth, config.FinalFilterWidth};
}

void storeFilterParams(ConfigRecord& config, const FilterParams& params) {
    config.PreCutCm = params.preCutCm;
    config.FinalCutCm = params.finalCutCm;
    config.PrefilterWidth = params.prefilterWidth;
    config.FinalFilterWidth = params.finalFilterWidth;
}

} // namespace kestrom
