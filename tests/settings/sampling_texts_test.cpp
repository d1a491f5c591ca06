// The sampling list's texts, which the flight panels show beside each rate code's rate.
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

} // namespace
} // namespace kestrom
