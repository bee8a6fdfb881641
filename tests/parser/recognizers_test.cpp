#include "parser/amap_parser.h"

#include <gtest/gtest.h>

namespace {

template <class T>
struct LineCase {
    std::string line;
    std::optional<T> expected;
};

template <class T>
void PrintTo(const LineCase<T>& c, std::ostream* os) {
    *os << "\"" << c.line << "\"";
}

using DurationCase = LineCase<std::int64_t>;
class ParseDuration : public testing::TestWithParam<DurationCase> {};

TEST_P(ParseDuration, ReadsWholeLineTravelTimes) {
    EXPECT_EQ(AmapParser::parseDuration(GetParam().line), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseDuration,
    testing::Values(DurationCase{"2小时", 7200}, DurationCase{"2小时30分", 9000}, DurationCase{"1小时05分", 3900},
                    DurationCase{"0小时", 0}, DurationCase{"72小时59分", 262740}, DurationCase{"73小时", {}},
                    DurationCase{"1小时60分", {}}, DurationCase{"45分钟", 2700}, DurationCase{"4320分钟", 259200},
                    DurationCase{"4321分钟", {}}, DurationCase{"0分钟", 0}, DurationCase{"1小时5分钟", {}},
                    DurationCase{"2 小时", {}}, DurationCase{"约2小时", {}}, DurationCase{"2小时30分 ", {}},
                    DurationCase{"100小时", {}},
                    // A figure in full-width digits matches but does not convert: no travel time
                    // rather than a two-hour trip read as 0 seconds.
                    DurationCase{"２小时", {}}, DurationCase{"2小时３０分", {}}, DurationCase{"４５分钟", {}}));

using DistanceCase = LineCase<double>;
class ParseDistance : public testing::TestWithParam<DistanceCase> {};

TEST_P(ParseDistance, ReadsTheWholeFigureBeforeKilometres) {
    EXPECT_EQ(AmapParser::parseDistance(GetParam().line), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseDistance,
    testing::Values(DistanceCase{"128公里", 128.0}, DistanceCase{"12.5 公里", 12.5},
                    DistanceCase{"全程约128公里 ¥85", 128.0}, DistanceCase{"0公里", {}},
                    DistanceCase{"5000公里", 5000.0}, DistanceCase{"5000.5公里", {}}, DistanceCase{"800米", {}},
                    DistanceCase{"312.5公里", 312.5}, DistanceCase{"12.5\u3000公里", 12.5},
                    DistanceCase{"3公里 5公里", 3.0}, DistanceCase{"０.5公里", {}},
                    // Thousands separators and long figures are read whole, never as their tail.
                    DistanceCase{"1,280公里", 1280.0}, DistanceCase{"1,280.5公里", 1280.5},
                    DistanceCase{"12345公里", {}}, DistanceCase{"12,345公里", {}}, DistanceCase{"1,2800公里", {}},
                    DistanceCase{"0128公里", 128.0}, DistanceCase{"公里", {}}));

using TollCase = LineCase<double>;
class ParseToll : public testing::TestWithParam<TollCase> {};

TEST_P(ParseToll, TheFirstMatchingFormDecides) { EXPECT_EQ(AmapParser::parseToll(GetParam().line), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Lines, ParseToll,
    testing::Values(TollCase{"¥85", 85.0}, TollCase{"￥ 1,280", 1280.0}, TollCase{"通行费85元", 85.0},
                    TollCase{"过路费约85", 85.0}, TollCase{"收费 12.5 元", 12.5}, TollCase{"85", 85.0},
                    TollCase{"85元", {}}, TollCase{"0", 0.0}, TollCase{"100000", 100000.0}, TollCase{"100001", {}},
                    TollCase{"1234567", {}}, TollCase{"¥200000 通行费85", {}}, TollCase{"312.5公里 ¥268", 268.0},
                    TollCase{"¥２６８", {}}, TollCase{"免费", {}},
                    // An amount longer than six figures is absent, not its first six digits.
                    TollCase{"¥1000000", {}}, TollCase{"¥1,000,000", {}}, TollCase{"通行费1234567元", {}},
                    TollCase{"¥100000", 100000.0}, TollCase{"¥268.5元", 268.5}));

struct LabelCase {
    std::string line;
    bool isLabel;
};

void PrintTo(const LabelCase& c, std::ostream* os) { *os << "\"" << c.line << "\""; }

class IsRouteLabel : public testing::TestWithParam<LabelCase> {};

TEST_P(IsRouteLabel, RejectsLongLinesPanelWordsAndDistances) {
    EXPECT_EQ(AmapParser::isRouteLabel(GetParam().line), GetParam().isLabel) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, IsRouteLabel,
    testing::Values(LabelCase{"高德推荐", true}, LabelCase{"货车", false}, LabelCase{"重型货车路线", true},
                    LabelCase{"驾车", false}, LabelCase{"长途信息", false}, LabelCase{"通知", false},
                    LabelCase{"路线详情", false}, LabelCase{"查看全部", false}, LabelCase{"方", true},
                    LabelCase{std::string(24 * 3, 'a').substr(0, 24), true},
                    LabelCase{"一二三四五六七八九十一二三四五六七八九十一二三四", true},
                    LabelCase{"一二三四五六七八九十一二三四五六七八九十一二三四五", false},
                    LabelCase{"约12公里", false}, LabelCase{"途经服务区", false}));

}  // namespace
