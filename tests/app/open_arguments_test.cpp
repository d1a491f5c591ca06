// The window programs' command line: which files open, and which lines are refused.

#include "app/open_arguments.h"

#include <gtest/gtest.h>
#include <ostream>

namespace kestrom::app {
namespace {

struct ArgumentsCase {
    std::vector<std::string> arguments;
    std::string flight;
    std::string compare;
    bool help;
    bool error;
    std::vector<std::string> notOpened = {};
};

// Named by what the case is about, so test names stay the same from build to build.
void PrintTo(const ArgumentsCase& c, std::ostream* out) {
    *out << "args";
    for (const std::string& a : c.arguments) {
        *out << ' ' << ::testing::PrintToString(a);
    }
}

class OpenArgumentsTest : public testing::TestWithParam<ArgumentsCase> {};

TEST_P(OpenArgumentsTest, Reads) {
    const ArgumentsCase& c = GetParam();
    const OpenArguments got = parseOpenArguments(c.arguments);
    EXPECT_EQ(got.flight, c.flight);
    EXPECT_EQ(got.compare, c.compare);
    EXPECT_EQ(got.help, c.help);
    EXPECT_EQ(!got.error.empty(), c.error) << got.error;
    EXPECT_EQ(got.notOpened, c.notOpened);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, OpenArgumentsTest,
    testing::Values(ArgumentsCase{{}, "", "", false, false},
                    ArgumentsCase{{"a.kes"}, "a.kes", "", false, false},
                    ArgumentsCase{{"a.kes", "b.kes"}, "a.kes", "b.kes", false, false},
                    // A file manager's multi-open: the first two open, the rest are named.
                    ArgumentsCase{
                        {"a.kes", "b.kes", "c.kes"}, "a.kes", "b.kes", false, false, {"c.kes"}},
                    ArgumentsCase{{"a.kes", "--", "b.kes", "-c.kes", "d.kes"},
                                  "a.kes",
                                  "b.kes",
                                  false,
                                  false,
                                  {"-c.kes", "d.kes"}},
                    ArgumentsCase{{"--frobnicate", "a.kes"}, "", "", false, true},
                    ArgumentsCase{{"--", "-odd.kes"}, "-odd.kes", "", false, false},
                    ArgumentsCase{{"--help"}, "", "", true, false},
                    ArgumentsCase{{"-"}, "-", "", false, false},
                    ArgumentsCase{{""}, "", "", false, true},
                    ArgumentsCase{{"lot z Leszna.kes"}, "lot z Leszna.kes", "", false, false}));

} // namespace
} // namespace kestrom::app
