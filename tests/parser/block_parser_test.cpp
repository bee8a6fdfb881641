#include "parser/amap_parser.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono;
using Options = std::vector<AmapRouteOption>;

const AmapParser::Date readDate = sys_days{2026y / December / 6} + 8h + 51min + 8s + 900ms;

std::string joinLines(const std::vector<std::string>& lines, const std::string& separator = "\n") {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) out += (i ? separator : "") + lines[i];
    return out;
}

const std::vector<std::string> workedLines{"天津港", "石家庄物流园", "方案一",   "4小时20分", "312.5公里", "¥268",
                                           "免费方案", "4小时45分",   "298公里", "方案三",    "4小时30分", "305.8公里"};

TEST(ParseBlock, WorkedExampleGivesThreeOptionsAndTheEndpoints) {
    const auto result = AmapParser::parse(std::string_view(joinLines(workedLines)), readDate);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->options(), (Options{AmapRouteOption("方案一", 15600, 312.5, 268.0),
                                          AmapRouteOption("免费方案", 17100, 298, 0.0),
                                          AmapRouteOption("方案三", 16200, 305.8, std::nullopt)}));
    EXPECT_EQ(result->origin(), "天津港");
    EXPECT_EQ(result->destination(), "石家庄物流园");
    EXPECT_EQ(result->source(), "amap-mac-accessibility");
    EXPECT_EQ(result->vehicleType(), "重型货车");
    EXPECT_EQ(result->readAt(), "2026-12-06T08:51:08Z");
}

struct BlockCase {
    const char* name;
    std::vector<std::string> lines;
    Options options;  // empty: no result
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const BlockCase& c, std::ostream* os) { *os << c.name; }

class ParseBlockOptions : public testing::TestWithParam<BlockCase> {};

TEST_P(ParseBlockOptions, AnchorsOptionsOnTheTravelTimeLine) {
    const auto result = AmapParser::parse(std::string_view(joinLines(GetParam().lines)), readDate);
    if (GetParam().options.empty()) {
        EXPECT_FALSE(result);
    } else {
        ASSERT_TRUE(result);
        EXPECT_EQ(result->options(), GetParam().options);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseBlockOptions,
    testing::Values(
        BlockCase{"TravelTimeFirstLine", {"4小时20分", "312.5公里", "¥268"}, {}},
        BlockCase{"TravelTimeLastLine", {"方案一", "4小时20分"}, {}},
        BlockCase{"DistanceTwoLinesLater", {"方案一", "4小时20分", "¥268", "312.5公里"}, {}},
        BlockCase{"RejectedLabel", {"约3公里", "4小时20分", "312.5公里"}, {}},
        BlockCase{"FreeWordBeatsATollLine", {"免费优先", "2小时", "100公里", "¥50"}, {AmapRouteOption("免费优先", 7200, 100, 0.0)}},
        BlockCase{"TollOnTheDistanceLine", {"方案一", "2小时", "100公里 ¥30", "¥50"}, {AmapRouteOption("方案一", 7200, 100, 30.0)}},
        BlockCase{"TollOnTheNextLabelLineIsNotRead",
                  {"方案一", "2小时", "100公里", "方案二", "3小时", "150公里"},
                  {AmapRouteOption("方案一", 7200, 100, std::nullopt), AmapRouteOption("方案二", 10800, 150, std::nullopt)}},
        BlockCase{"RepeatedPanelGivesOneOption",
                  {"方案一", "2小时", "100公里", "¥5", "方案一", "2小时", "100公里", "¥5"},
                  {AmapRouteOption("方案一", 7200, 100, 5.0)}},
        BlockCase{"SameLabelOtherDistanceGivesTwo",
                  {"方案一", "2小时", "100公里", "¥5", "方案一", "2小时", "101公里", "¥5"},
                  {AmapRouteOption("方案一", 7200, 100, 5.0), AmapRouteOption("方案一", 7200, 101, 5.0)}},
        BlockCase{"SevenOptionsKeepTheFirstFive",
                  {"A1", "1小时", "1公里", "A2", "2小时", "2公里", "A3", "3小时", "3公里", "A4", "4小时", "4公里", "A5",
                   "5小时", "5公里", "A6", "6小时", "6公里", "A7", "7小时", "7公里"},
                  {AmapRouteOption("A1", 3600, 1, std::nullopt), AmapRouteOption("A2", 7200, 2, std::nullopt),
                   AmapRouteOption("A3", 10800, 3, std::nullopt), AmapRouteOption("A4", 14400, 4, std::nullopt),
                   AmapRouteOption("A5", 18000, 5, std::nullopt)}},
        BlockCase{"BlankLinesVanishBeforeIndexing",
                  {"方案一", "   ", "\t", "\u00a0\u3000", "2小时", "", "100公里"},
                  {AmapRouteOption("方案一", 7200, 100, std::nullopt)}}),
    [](const testing::TestParamInfo<BlockCase>& c) { return c.param.name; });

TEST(ParseBlock, LineBreakStylesSplitAlike) {
    const auto expected = AmapParser::parse(std::string_view(joinLines(workedLines)), readDate);
    for (const char* separator : {"\r\n", "\r", "\n\n"}) {
        const auto result = AmapParser::parse(std::string_view(joinLines(workedLines, separator)), readDate);
        ASSERT_TRUE(result) << separator;
        EXPECT_EQ(*result, *expected);
    }
}

TEST(ParseBlock, NoEndpointsGivesAResultWithoutThem) {
    const auto result = AmapParser::parse(std::string_view("路况\n方案一\n2小时\n100公里"), readDate);
    ASSERT_TRUE(result);
    EXPECT_FALSE(result->origin());
    EXPECT_FALSE(result->destination());
}

TEST(ParseBlock, NoBreakSpaceBeforeTheUnitBecomesAPlainSpace) {
    const auto result = AmapParser::parse(std::string_view("方案一\n2小时\n12.5\u00a0公里"), readDate);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->options()[0].distanceKm(), 12.5);
}

TEST(NormalizeBlock, OnlyTheThreeReplacements) {
    EXPECT_EQ(AmapParser::normalizeBlock("a\r\nb\rc\u00a0d\u2028e\u0085f"), "a\nb\nc d\u2028e\u0085f");
    EXPECT_EQ(AmapParser::normalizeBlock(AmapParser::normalizeBlock("a\r\r\nb")), "a\n\nb");
}

// ---- The driver over many harvested texts ----

std::string block(int options, const std::string& prefix = "P") {
    std::vector<std::string> lines;
    for (int i = 1; i <= options; ++i) {
        lines.push_back(prefix + std::to_string(i));
        lines.push_back(std::to_string(i) + "小时");
        lines.push_back(std::to_string(i * 10) + "公里");
    }
    return joinLines(lines);
}

TEST(ParseStrings, EmptyListOrNoCandidateGivesNothing) {
    EXPECT_FALSE(AmapParser::parse(std::vector<std::string>{}, readDate));
    EXPECT_FALSE(AmapParser::parse(std::vector<std::string>{"高德地图", "货车"}, readDate));
}

TEST(ParseStrings, PanelLinesAsSeparateTextsGiveNothing) {
    EXPECT_FALSE(AmapParser::parse(workedLines, readDate));
}

TEST(ParseStrings, KeywordFilterNeedsKilometresAndHoursOrMinutes) {
    EXPECT_TRUE(AmapParser::parse(std::vector<std::string>{"方案一\n45分钟\n30公里"}, readDate));
    // Travel times but no "公里" anywhere: the text is never parsed.
    EXPECT_FALSE(AmapParser::parse(std::vector<std::string>{"方案一\n2小时\n30km\n分钟"}, readDate));
}

TEST(ParseStrings, MostOptionsWinsTheFirstOnATie) {
    const auto result = AmapParser::parse(std::vector<std::string>{block(2, "A"), block(4, "B"), block(4, "C")}, readDate);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->options().size(), 4u);
    EXPECT_EQ(result->options()[0].label(), "B1");

    for (const auto& order : {std::vector<std::string>{block(5, "A"), block(3, "B")},
                              std::vector<std::string>{block(3, "B"), block(5, "A")}}) {
        const auto best = AmapParser::parse(order, readDate);
        ASSERT_TRUE(best);
        EXPECT_EQ(best->options()[0].label(), "A1");
    }
}

TEST(ParseStrings, CandidateWithoutOptionIsPassedOver) {
    const auto result = AmapParser::parse(std::vector<std::string>{"4小时\n12公里", block(1, "Z")}, readDate);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->options()[0].label(), "Z1");
}

TEST(ParseStrings, EveryResultCarriesTheDateOfTheCall) {
    const auto result = AmapParser::parse(std::vector<std::string>{block(1), block(2)}, readDate);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->readAt(), "2026-12-06T08:51:08Z");
}

TEST(ParseStrings, DefaultDateIsNow) {
    const auto before = floor<seconds>(system_clock::now());
    const auto result = AmapParser::parse(std::vector<std::string>{block(1)});
    ASSERT_TRUE(result);
    EXPECT_GE(result->readAt(), isoTimestamp(before));
}

}  // namespace
