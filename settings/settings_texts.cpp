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

namespace kestrom {
namespace {

constexpr std::array<std::string_view, kRateCodes> kSamplingPolish{
    "20 pom/sek", "15 pom/sek", "10 pom/sek", " 5 pom/sek", " 1 pom/sek", " 2 sek/pom"};
constexpr std::array<std::string_view, kRateCodes> kSamplingEnglish{
    "20 mes/sek", "15 mes/sek", "10 mes/sek", " 5 mes/sek", " 1 mes/sek", " 2 sek/mes"};
// The list's items before its dialog was first shown: two blanks before a one-digit number.
constexpr std::array<std::string_view, kRateCodes> kSamplingDesign{
    "20 pom/sek", "15 pom/sek", "10 pom/sek", "  5 pom/sek", "  1 pom/sek", "  2 sek/pom"};

} // namespace

std::string_view samplingText(unsigned code, SamplingList list) {
    if (code >= kRateCodes) {
        return {};
    }
    switch (list) {
    case SamplingList::DesignItems:
        return kSamplingDesign[code];
    case SamplingList::ActivatedPolish:
        return kSamplingPolish[code];
    case SamplingList::ActivatedEnglish:
        return kSamplingEnglish[code];
    }
    return {};
}

} // namespace kestrom
