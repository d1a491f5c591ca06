// Ranking of the standings: by best maximum as shown, ties sharing the lower rank in competitor
// order, each competitor's maxima in time order.

#include "analysis/standings.h"

#include <gtest/gtest.h>

namespace kestrom {
namespace {

struct RankCase {
    const char* name;
    std::vector<StandingsFlight> flights; // path, time, competitor, maximum
    const char* csv;
};

class Standings : public ::testing::TestWithParam<RankCase> {};

TEST_P(Standings, RanksAsTheCsvSays) {
    EXPECT_EQ(standingsCsv(rankStandings(GetParam().flights)), GetParam().csv);
}

INSTANTIATE_TEST_SUITE_P(
    Ranking, Standings,
    ::testing::Values(
        RankCase{"ByBestMaximum",
                 {{"a", 1, 3, "50.0"}, {"b", 2, 1, "80.2"}, {"c", 3, 2, "61.0"}},
                 "rank,competitor,flights,best_max_m,maxima_m\n"
                 "1,1,1,80.2,80.2\n2,2,1,61.0,61.0\n3,3,1,50.0,50.0\n"},
        RankCase{"TiesShareTheLowerRankInCompetitorOrder",
                 {{"a", 1, 9, "70.0"},
                  {"b", 2, 4, "70.0"},
                  {"c", 3, 5, "65.5"},
                  {"d", 4, 2, "70.0"},
                  {"e", 5, 7, "12.0"}},
                 "rank,competitor,flights,best_max_m,maxima_m\n"
                 "1,2,1,70.0,70.0\n1,4,1,70.0,70.0\n1,9,1,70.0,70.0\n4,5,1,65.5,65.5\n"
                 "5,7,1,12.0,12.0\n"},
        RankCase{"SeveralFlightsPerCompetitorInTimeOrder",
                 {{"a", 30, 1, "40.0"},
                  {"b", 10, 1, "55.5"},
                  {"c", 20, 1, "30.0"},
                  {"d", 40, 2, "50.0"},
                  {"e", 5, 2, "56.1"}},
                 "rank,competitor,flights,best_max_m,maxima_m\n"
                 "1,2,2,56.1,56.1 50.0\n2,1,3,55.5,55.5 30.0 40.0\n"},
        RankCase{"BelowZeroRanksBelowZero",
                 {{"a", 1, 1, "-1.5"}, {"b", 2, 2, "0.0"}, {"c", 3, 3, "-0.4"}},
                 "rank,competitor,flights,best_max_m,maxima_m\n"
                 "1,2,1,0.0,0.0\n2,3,1,-0.4,-0.4\n3,1,1,-1.5,-1.5\n"},
        RankCase{"NoFlightsOnlyTheHeader", {}, "rank,competitor,flights,best_max_m,maxima_m\n"}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace kestrom
