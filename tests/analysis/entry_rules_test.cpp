#include "analysis/filter_dialog.h"
#include "analysis/temperature_entry.h"
#include "core/whole_number.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kestrom {
namespace {

// A temperature field: keys go through the filter and land at the caret.
struct TemperatureField {
    std::string text;
    std::size_t caret = 0;

    void type(char key) {
        if (!temperatureKeyAccepted(static_cast<char32_t>(key), text.size())) {
            return;
        }
        text.insert(caret, 1, key);
        ++caret;
    }
};

TEST(TemperatureKeyTest, DigitsOnlyBelowThreeCharactersOthersAlwaysOrNever) {
    struct Case {
        char32_t key;
        std::size_t length;
        bool accepted;
    };
    const Case cases[] = {
        {U'0', 0, true},      {U'9', 2, true},       {U'5', 3, false},     {U'5', 7, false},
        {kKeyMinus, 3, true}, {kKeyMinus, 9, true},  {kKeyEnter, 3, true}, {kKeyBackspace, 3, true},
        {U'+', 0, false},     {U'.', 0, false},      {U',', 1, false},     {U' ', 0, false},
        {U'a', 0, false},     {U'\u0105', 0, false}, {U'\n', 0, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(temperatureKeyAccepted(c.key, c.length), c.accepted)
            << static_cast<unsigned>(c.key) << " at length " << c.length;
    }
}

TEST(TemperatureKeyTest, TypedSequences) {
    TemperatureField field;
    for (const char key : std::string("1234")) {
        field.type(key);
    }
    EXPECT_EQ(field.text, "123"); // the fourth digit is discarded

    TemperatureField trailingMinus = field;
    trailingMinus.type('-');
    EXPECT_EQ(trailingMinus.text, "123-");
    EXPECT_FALSE(convertTemperatureText(trailingMinus.text));

    TemperatureField leadingMinus = field;
    leadingMinus.caret = 0;
    leadingMinus.type('-');
    EXPECT_EQ(leadingMinus.text, "-123");
    EXPECT_EQ(convertTemperatureText(leadingMinus.text), -123);

    TemperatureField minusFive;
    minusFive.type('-');
    minusFive.type('5');
    EXPECT_EQ(convertTemperatureText(minusFive.text), -5);
}

TEST(TemperatureTextTest, Conversion) {
    struct Case {
        const char* text;
        std::optional<int> degrees;
    };
    const Case cases[] = {
        {"", std::nullopt},
        {"-", std::nullopt},
        {"12-", std::nullopt},
        {"1-2", std::nullopt},
        {"--5", std::nullopt},
        {"65535", std::nullopt},
        {"2.5", std::nullopt},
        {"abc", std::nullopt},
        {"0", 0},
        {"-0", 0},
        {"999", 999},
        {"-999", -999},
        {"65534", 65534},
        {"-65535", -65535},
        {"007", 7},
        {"99999999999", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(convertTemperatureText(c.text), c.degrees) << '"' << c.text << '"';
    }
}

TEST(WholeNumberTest, RangeAndForm) {
    struct Case {
        const char* text;
        std::optional<std::int32_t> value;
    };
    const Case cases[] = {
        {"2147483647", 2147483647},
        {"2147483648", std::nullopt},
        {"-2147483648", -2147483647 - 1},
        {"-2147483649", std::nullopt},
        {"+12", 12},
        {" 12 ", 12},
        {"1 2", std::nullopt},
        {"0x10", std::nullopt},
        {"+", std::nullopt},
        {"12a", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseWholeNumber(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(FilterDialogTest, SaveFallsBackPerField) {
    struct Case {
        FilterDialogTexts texts;
        FilterParams stored;
    };
    const Case cases[] = {
        {{"400", "200", "6", "20"}, {400, 200, 6, 20}},
        {{"", "", "", ""}, {350, 350, 8, 13}},
        {{"x", "2,5", "8.0", "twelve"}, {350, 350, 8, 13}},
        {{"", "250", "8", "12"}, {350, 250, 8, 12}},
        {{"350", "250", "8", "1x"}, {350, 250, 8, 13}},
        // No range test at Save: what the user typed is stored.
        {{"-5", "0", "0", "-3"}, {-5, 0, 0, -3}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(filterParamsFromTexts(c.texts), c.stored) << c.texts[0] << "|" << c.texts[1];
    }
}

TEST(FilterDialogTest, DefaultTextsAndStoredValuesRoundTrip) {
    EXPECT_EQ(defaultFilterTexts(), (FilterDialogTexts{"350", "250", "8", "12"}));
    const FilterParams stored{-20, 1234, 100, 30};
    EXPECT_EQ(filterParamsFromTexts(filterTextsOf(stored)), stored);
}

} // namespace
} // namespace kestrom
