#pragma once
// Texts of the device settings dialog, taken from the one text table: its captions in the order
// it sets them, the items of its manual-zeroing list and of its sampling list.

#include "core/texts.h"
#include "flight/flight_header.h"

#include <optional>
#include <string_view>

namespace kestrom::settings {

// Every caption the dialog sets on activation, in the order it sets them.
enum class DialogCaption {
    Title,
    TriggerLevel,
    Temperature,
    Sampling,
    ManualZero,
    CompetitorNo,
    SerialNo,
    Delay,
    Seconds,
    Send,
    Version,
};

inline constexpr int kDialogCaptionCount = 11;

// The caption in the given language (UTF-8). Sampling, CompetitorNo, SerialNo and Send are
// the main window's caption entries; the rest belong to the dialog.
std::string_view dialogCaption(DialogCaption key, Language language);

// Items of the manual-zeroing list: index 0 "no", index 1 "yes".
inline constexpr int kZeroItemCount = 2;
std::string_view zeroItemText(int index, Language language);

} // namespace kestrom::settings

// The sampling list is the settings dialog's, but the flight panels show its texts too.
namespace kestrom {

// Which texts the settings dialog's sampling list holds: its design items until the dialog is
// first activated, then the texts of the language current at that activation.
struct SamplingList {
    std::optional<Language> activatedIn; // empty: the design items

    static const SamplingList DesignItems;
    static const SamplingList ActivatedPolish;
    static const SamplingList ActivatedEnglish;
    friend constexpr bool operator==(const SamplingList&, const SamplingList&) = default;
};
inline constexpr SamplingList SamplingList::DesignItems{};
inline constexpr SamplingList SamplingList::ActivatedPolish{Language::Polish};
inline constexpr SamplingList SamplingList::ActivatedEnglish{Language::English};

// The list state after an activation in the given language.
constexpr SamplingList activatedSamplingList(Language language) { return {language}; }

// Item code of the sampling list as it reads in the given state (UTF-8); empty above code 5.
std::string_view samplingText(unsigned code, SamplingList list);

} // namespace kestrom
