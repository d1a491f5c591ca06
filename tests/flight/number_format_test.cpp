#include "flight/number_format.h"

#include <gtest/gtest.h>
#include <limits>

namespace kestrom {
namespace {

TEST(NumberFormat, OneDecimalRoundsTheExactValueAwayFromZero) {
    const std::pair<double, const char*> cases[] = {
        {12.25, "12.3"}, // a tie: away from zero (printf would give 12.2)
        {-12.25, "-12.3"},
        {12.35, "12.3"},                       // the double lies below 12.35
        {static_cast<double>(12.35f), "12.4"}, // the float lies above
        {0.05, "0.1"},
        {-0.04, "0.0"},
        {-0.0, "0.0"},
        {0.0, "0.0"},
        {-0.05, "-0.1"},
        {9.96, "10.0"},
        {-99.95, "-100.0"},
        {999.94, "999.9"},
        {10000.0, "10000.0"},
        {12345.6, "12345.6"},
        {1e12, "1000000000000.0"},
        {static_cast<double>(-2147483648.0f * 0.01f), "-21474836.0"},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(formatOneDecimal(value), text) << value;
    }
    EXPECT_EQ(formatOneDecimal(-3.25, ','), "-3,3");
    EXPECT_EQ(formatOneDecimal(std::numeric_limits<double>::quiet_NaN()), "NAN");
}

TEST(NumberFormat, ExportValueHasFourSignificantDigitsAndOneDecimal) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {123456, "1235.0"},
        {12340, "123.4"},
        {-250, "-2.5"},
        {0, "0.0"},
        {1234560, "12350.0"},
        {12325, "123.3"},
        {-12325, "-123.3"},
        {15, "0.2"},
        {-4, "0.0"},
        {-5, "-0.1"},
        {99996, "1000.0"},
        {999949, "9999.0"},
        {999950, "10000.0"},
        {9999, "100.0"},
        {8447, "84.5"},
        {2147483647, "21470000.0"},
        {INT32_MIN, "-21470000.0"},
    };
    for (const auto& [cm, text] : cases) {
        EXPECT_EQ(formatExportValue(cm), text) << cm;
    }
    EXPECT_EQ(formatExportValue(123456, ','), "1235,0");
}

} // namespace
} // namespace kestrom
