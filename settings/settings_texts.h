#pragma once
// Texts of the device settings dialog: its own caption table (the entries it shares with the
// main window come from that window's table) and the items of its two lists per language.

#include "app/texts.h"

#include <array>
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
