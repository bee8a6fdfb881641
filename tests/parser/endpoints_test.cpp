#include "parser/amap_parser.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

struct EndpointCase {
    const char* name;
    Lines lines;
    std::string firstLabel;
    std::optional<std::string> origin;
    std::optional<std::string> destination;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const EndpointCase& c, std::ostream* os) { *os << c.name; }

class ParseEndpoints : public testing::TestWithParam<EndpointCase> {};

TEST_P(ParseEndpoints, FindsOriginAboveDestination) {
    const auto endpoints = AmapParser::parseEndpoints(GetParam().lines, GetParam().firstLabel);
    EXPECT_EQ(endpoints.origin, GetParam().origin);
    EXPECT_EQ(endpoints.destination, GetParam().destination);
}

const std::string longLine(81 * 3, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseEndpoints,
    testing::Values(
        EndpointCase{"NoticeTakesTheTwoLinesAbove", {"天津港", "石家庄物流园", "通知", "方案一"}, "方案一", "天津港", "石家庄物流园"},
        EndpointCase{"NoticeAtPositionOneFallsBackToLabelRule", {"石家庄物流园", "通知", "天津港", "保定站", "方案一"},
                     "方案一", "天津港", "保定站"},
        EndpointCase{"NoticeBelowOptionsTakesWhateverStandsAbove",
                     {"天津港", "石家庄", "方案一", "4小时20分", "312.5公里", "通知"}, "方案一", "4小时20分", "312.5公里"},
        EndpointCase{"NoticeLinesAreTakenWithoutTheCandidateTest", {"津", "高德推荐", "通知", "方案一"}, "方案一", "津",
                     "高德推荐"},
        EndpointCase{"ExcludedWordsAreSkipped", {"天津港", "石家庄", "路况", "方案一"}, "方案一", "天津港", "石家庄"},
        EndpointCase{"SingleCandidateGivesNothing", {"天津港", "方案一"}, "方案一", {}, {}},
        EndpointCase{"BareDistanceIsSkipped", {"天津港", "石家庄", "3.5公里", "800米", "方案一"}, "方案一", "天津港", "石家庄"},
        EndpointCase{"DistanceWithSpaceIsACandidate", {"天津港", "3.5 公里", "方案一"}, "方案一", "天津港", "3.5 公里"},
        EndpointCase{"OneCharacterAndOverlongLinesAreSkipped", {"天津港", "石家庄", "津", longLine, "方案一"}, "方案一",
                     "天津港", "石家庄"},
        EndpointCase{"FirstOccurrenceOfTheLabelIsUsed", {"甲地", "乙地", "方案一", "丙地", "丁地", "方案一"}, "方案一", "甲地",
                     "乙地"},
        EndpointCase{"LabelNotAmongTheLines", {"天津港", "石家庄"}, "方案一", {}, {}},
        EndpointCase{"CandidatesFurtherUpAreIgnored", {"北京", "天津港", "石家庄", "方案一"}, "方案一", "天津港", "石家庄"}),
    [](const testing::TestParamInfo<EndpointCase>& c) { return c.param.name; });

TEST(IsEndpointCandidate, LengthExclusionsAndBareDistances) {
    EXPECT_TRUE(AmapParser::isEndpointCandidate("天津"));
    EXPECT_FALSE(AmapParser::isEndpointCandidate("津"));
    EXPECT_TRUE(AmapParser::isEndpointCandidate(std::string(80, 'a')));
    EXPECT_FALSE(AmapParser::isEndpointCandidate(std::string(81, 'a')));
    EXPECT_FALSE(AmapParser::isEndpointCandidate("通行费已支持按轴数计算"));
    EXPECT_TRUE(AmapParser::isEndpointCandidate("通行费已支持按轴数计算。"));
    EXPECT_FALSE(AmapParser::isEndpointCandidate("12公里"));
    EXPECT_FALSE(AmapParser::isEndpointCandidate("１２米"));
}

}  // namespace
