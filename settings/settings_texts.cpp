#include "settings/settings_texts.h"

#include <cstddef>

namespace kestrom::settings {
namespace {

struct DialogEntry {
    bool shared; // true: the main window's caption entry `caption` holds the pair
    Caption caption;
    std::string_view polish;
    std::string_view english;
};

// Built once at start-up in the order of DialogCaption.
constexpr std::array<DialogEntry, kDialogCaptionCount> kDialogCaptions{{
    {false, Caption::Setup, "Ustawienia", "Setup"},
    {false, Caption::Setup, "Wysokosc Startu Pomiaru", "Setup Heigh Trigger"},
    {false, Caption::Setup, "Temperatura", "Temperature"},
    {true, Caption::Sampling, {}, {}},
    {false, Caption::Setup, "Zerowanie ręczne", "Manual reset"},
    {true, Caption::CompetitorNo, {}, {}},
    {true, Caption::SerialNo, {}, {}},
    {false, Caption::Setup, "Czas Opoznienia", "Delay"},
    {false, Caption::Setup, "[sek]", "[sec]"},
    {true, Caption::SendSettings, {}, {}},
    {false, Caption::Setup, "Wersja programu", "Software version"},
}};

constexpr std::array<TextPair, kZeroItemCount> kZeroItems{{
    {"Nie", "No", 0},
    {"Tak", "Yes", 0},
}};

} // namespace

std::string_view dialogCaption(DialogCaption key, Language language) {
    const DialogEntry& entry = kDialogCaptions.at(static_cast<std::size_t>(key));
    if (entry.shared) {
        return captionText(entry.caption, language);
    }
    return languageIndex(language) == kPolish ? entry.polish : entry.english;
}

std::string_view zeroItemText(int index, Language language) {
    const TextPair& pair = kZeroItems.at(static_cast<std::size_t>(index));
    return languageIndex(language) == kPolish ? pair.polish : pair.english;
}

} // namespace kestrom::settings
