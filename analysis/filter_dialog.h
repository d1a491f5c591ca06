#pragma once
// The rules of the filter dialog TF_Filtr, without its widgets: the texts its fields show, the
// Default button's texts and what Save stores.

#include "analysis/filter.h"
#include "files/config.h"

#include <array>
#include <string>
#include <string_view>

namespace kestrom {

// The four fields in the order Ed_Obc_Zgr, Ed_ObcDokl, Ed_Filtr1, Ed_Filtr2.
using FilterDialogTexts = std::array<std::string, 4>;

// What Save stores for a text that is not a whole number, field by field. Not the Default values:
// the final cut falls back to 350 and the final filter width to 13.
inline constexpr FilterParams kFilterSaveFallbacks{350, 350, 8, 13};

// The texts the Default button puts into the fields ("350", "250", "8", "12"); nothing is stored.
FilterDialogTexts defaultFilterTexts();

// The fields as FormCreate fills them: the stored parameters in decimal.
FilterDialogTexts filterTextsOf(const FilterParams& params);

// What Save stores: each field converted to a whole number, a text that is not one giving its
// fallback. No range test: the filter clamps where it runs.
FilterParams filterParamsFromTexts(const FilterDialogTexts& texts);

// The filter parameters the configuration record stores, and storing them back into it.
FilterParams filterParamsOf(const ConfigRecord& config);
void storeFilterParams(ConfigRecord& config, const FilterParams& params);

} // namespace kestrom
