#include "analysis/filter_dialog.h"

#include "analysis/whole_number.h"

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

} // namespace kestrom
