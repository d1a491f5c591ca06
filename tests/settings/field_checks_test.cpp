#include "settings/field_checks.h"

#include "tests/support/fake_prompts.h"

#include <gtest/gtest.h>
#include <ostream>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrom::settings {
namespace {

using test::FakePrompts;

struct ParseCase {
    std::string text;
    std::optional<std::int32_t> value;
};

// Named by what the case is about, so test names stay the same from build to build.
void PrintTo(const ParseCase& c, std::ostream* out) { *out << ::testing::PrintToString(c.text); }

class ParseIntegerTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseIntegerTest, AcceptsOnlyWholeNumbersWithin32Bits) {
    EXPECT_EQ(parseInteger(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseIntegerTest,
    testing::Values(ParseCase{"0", 0}, ParseCase{"200", 200}, ParseCase{"  12", 12},
                    ParseCase{"+7", 7}, ParseCase{"-5", -5}, ParseCase{"007", 7},
                    ParseCase{"2147483647", 2147483647}, ParseCase{"-2147483648", -2147483647 - 1},
                    ParseCase{"2147483648", std::nullopt}, ParseCase{"-2147483649", std::nullopt},
                    ParseCase{"99999999999999999999", std::nullopt}, ParseCase{"", std::nullopt},
                    ParseCase{" ", std::nullopt}, ParseCase{"-", std::nullopt},
                    ParseCase{"+", std::nullopt}, ParseCase{"12 ", std::nullopt},
                    ParseCase{"1 2", std::nullopt}, ParseCase{"1e3", std::nullopt},
                    ParseCase{"0x10", std::nullopt}, ParseCase{"3.5", std::nullopt},
                    ParseCase{"--1", std::nullopt}, ParseCase{"abc", std::nullopt}));

struct ChangeCase {
    std::string text;
    std::uint32_t limit;
    bool tooLarge;     // "Too large value" expected
    std::string error; // the conversion error expected, empty for none
};

void PrintTo(const ChangeCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(c.text) << " limit " << c.limit;
}

class FieldChangeTest : public testing::TestWithParam<ChangeCase> {};

TEST_P(FieldChangeTest, ReportsWhatTheTextDeserves) {
    const ChangeCase& c = GetParam();
    FakePrompts prompts;
    checkFieldChange(c.text, c.limit, prompts);

    std::vector<test::ShownMessage> expected;
    if (c.tooLarge) {
        expected.push_back({Message::ValueTooLarge, Message::ProblemCaption, Buttons::Ok});
    }
    EXPECT_EQ(prompts.shown, expected) << '"' << c.text << '"';
    if (c.error.empty()) {
        EXPECT_TRUE(prompts.errors.empty());
    } else {
        EXPECT_EQ(prompts.errors, std::vector<std::string>{c.error});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Limits, FieldChangeTest,
    testing::Values(
        // An empty field is left for the empty-field check.
        ChangeCase{"", 200, false, ""}, ChangeCase{"200", 200, false, ""},
        ChangeCase{"201", 200, true, ""}, ChangeCase{"0", 70, false, ""},
        ChangeCase{"70", 70, false, ""}, ChangeCase{"71", 70, true, ""},
        // Compared unsigned: every negative number is too large.
        ChangeCase{"-1", 10000, true, ""}, ChangeCase{"-5", 70, true, ""},
        ChangeCase{"-2147483648", 30000, true, ""}, ChangeCase{"10000", 10000, false, ""},
        ChangeCase{"10001", 10000, true, ""},
        // The delay field's typing limit is in hundredths, so 301 s passes while typing.
        ChangeCase{"301", 30000, false, ""}, ChangeCase{"30001", 30000, true, ""},
        ChangeCase{"abc", 200, false, "'abc' is not a valid integer value"},
        ChangeCase{"-", 200, false, "'-' is not a valid integer value"},
        ChangeCase{" ", 200, false, "' ' is not a valid integer value"},
        ChangeCase{"4294967296", 200, false, "'4294967296' is not a valid integer value"}));

struct EmptyCase {
    std::string trigger;
    std::string delay;
    std::string competitor;
    bool empty;
};

void PrintTo(const EmptyCase& c, std::ostream* out) {
    *out << ::testing::PrintToString(c.trigger) << ' ' << ::testing::PrintToString(c.delay) << ' '
         << ::testing::PrintToString(c.competitor);
}

class EmptyFieldsTest : public testing::TestWithParam<EmptyCase> {};

TEST_P(EmptyFieldsTest, OneMessageForAnyNumberOfEmptyFields) {
    const EmptyCase& c = GetParam();
    FakePrompts prompts;
    EXPECT_EQ(CheckEmptyFields(c.trigger, c.delay, c.competitor, prompts), c.empty);
    std::vector<test::ShownMessage> expected;
    if (c.empty) {
        expected.push_back({Message::FieldEmpty, Message::ProblemCaption, Buttons::Ok});
    }
    EXPECT_EQ(prompts.shown, expected);
}

INSTANTIATE_TEST_SUITE_P(Fields, EmptyFieldsTest,
                         testing::Values(EmptyCase{"1", "2", "3", false},
                                         // A blank is text, not an empty field.
                                         EmptyCase{" ", "2", "3", false},
                                         EmptyCase{"", "2", "3", true},
                                         EmptyCase{"1", "", "3", true},
                                         EmptyCase{"1", "2", "", true},
                                         EmptyCase{"", "", "", true}));

} // namespace
} // namespace kestrom::settings
