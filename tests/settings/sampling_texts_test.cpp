// The text table as the user reads it: captions, messages and list items in each language, the
// language a stored configuration names, and numbers with the decimal sign.
#include "settings/settings_texts.h"

#include <gtest/gtest.h>

namespace kestrom {
namespace {

TEST(FlightHeader, RatesAndSamplingTexts) {
    const struct {
        unsigned code;
        std::uint32_t rate;
        const char* design;
        const char* polish;
        const char* english;
    } cases[] = {
        {0, 200, "20 pom/sek", "20 pom/sek", "20 mes/sek"},
        {3, 50, "  5 pom/sek", " 5 pom/sek", " 5 mes/sek"},
        {4, 10, "  1 pom/sek", " 1 pom/sek", " 1 mes/sek"},
        {5, 5, "  2 sek/pom", " 2 sek/pom", " 2 sek/mes"},
        {6, 0, "", "", ""},
        {15, 0, "", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rateTimes10ForCode(c.code), c.rate);
        EXPECT_EQ(samplingText(c.code, SamplingList::DesignItems), c.design);
        EXPECT_EQ(samplingText(c.code, activatedSamplingList(kPolish)), c.polish);
        EXPECT_EQ(samplingText(c.code, activatedSamplingList(kEnglish)), c.english);
    }
}

// A few entries of each part of the table, blanks and Polish letters as shown.
TEST(TextTable, EntriesReadAsShown) {
    const struct {
        Text key;
        const char* polish;
        const char* english;
    } cases[] = {
        {Text::ReadingData, "   Odczyt danych", "     Load data"},
        {Text::Compare, "Porównanie", "Compare   "},
        {Text::ReadFrom, "Odczyt z: ", "Read from:"},
        {Text::PortError, "Błąd komunikacji z portem ", "Communication Error "},
        {Text::NoFlight, "Brak pomiaru   ", "No measurement "},
        {Text::WrongTemperature, "Zła wartośc temperatury", "Wrong temperature"},
        {Text::HelpFile, "Kes_HELPP.chm", "Kes_HELPA.chm"},
        {Text::LanguageMenu, "Język/Language", "Język/Language"},
        {Text::Wait, "    Czekaj", "    Czekaj"},
        {Text::ChartTitle, "            Wysokosc / Altitude", "            Wysokosc / Altitude"},
        {Text::ManualZero, "Zerowanie ręczne", "Manual reset"},
        {Text::TriggerLevel, "Wysokosc Startu Pomiaru", "Setup Heigh Trigger"},
        {Text::FinalFilter, "Filtr dokladny [4 - 30]", "Final Filter [6-30]"},
        {Text::FlightsList, "Lista lotów...", "Flights list..."},
        {Text::NotArchived, "Lotu nie zapisano w archiwum: ", "The flight was not archived: "},
        {Text::ListDuration, "Czas lotu [s]", "Duration [s]"},
        {Text::MeanVerticalSpeed, "średnia prędkość pionowa", "mean vertical speed"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(text(c.key, Language::Polish), c.polish);
        EXPECT_EQ(text(c.key, Language::English), c.english);
    }
    EXPECT_EQ(settings::dialogCaption(settings::DialogCaption::Send, kPolish), "Zapisz");
    EXPECT_EQ(settings::dialogCaption(settings::DialogCaption::Seconds, kEnglish), "[sec]");
    EXPECT_EQ(settings::zeroItemText(1, kPolish), "Tak");
    EXPECT_EQ(settings::zeroItemText(0, kEnglish), "No");
}

// The configuration's language field: 0 and 1 name their languages, any other value has always
// meant English; what is stored back names the language chosen.
TEST(TextTable, StoredLanguage) {
    const struct {
        std::int32_t stored;
        Language language;
    } cases[] = {{0, kPolish}, {1, kEnglish}, {2, kEnglish}, {-7, kEnglish}, {65536, kEnglish}};
    for (const auto& c : cases) {
        EXPECT_EQ(languageFromStored(c.stored), c.language) << c.stored;
    }
    for (const Language language : kLanguages) {
        EXPECT_EQ(languageFromStored(storedLanguage(language)), language);
    }
    EXPECT_EQ(languageMenuName(kPolish), "Polski");
    EXPECT_EQ(languageMenuName(kEnglish), "English");
}

// Numbers the window shows: the separator given, never the process locale's; no "-0".
TEST(TextTable, DecimalText) {
    const struct {
        double value;
        int decimals;
        char separator;
        const char* expected;
    } cases[] = {
        {40.0, 2, ',', "40,00"},      {-0.6049, 2, '.', "-0.60"}, {-24.35, 1, ',', "-24,4"},
        {-0.04, 1, ',', "0,0"},       {-0.0, 2, '.', "0.00"},     {1234.56, 1, '.', "1234.6"},
        {123456.0, 0, ',', "123456"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decimalText(c.value, c.decimals, c.separator), c.expected) << c.value;
    }
}

} // namespace
} // namespace kestrom
