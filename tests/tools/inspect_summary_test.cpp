#include "inspect_test_support.h"

#include <gtest/gtest.h>

namespace {

using Outcome = InspectOutcome;

Outcome runSummary(const std::string& input, const std::vector<std::string>& options = {}) {
    std::vector<std::string> args{"summary"};
    for (const std::string& option : options) args.push_back(option);
    return runInspect(args, input);
}

const std::string workedPayload =
    R"(WENDREL_V1:{"destination":"石家庄物流园","options":[{"distanceKm":312.5,"durationSeconds":15600,"label":"方案一","toll":268},{"distanceKm":298,"durationSeconds":17100,"label":"免费方案","toll":0},{"distanceKm":305.8,"durationSeconds":16200,"label":"方案三"}],"origin":"天津港","readAt":"2026-12-06T08:51:08Z","source":"amap-mac-accessibility","vehicleType":"重型货车"})";

TEST(InspectSummary, PrintsRouteLineThenOneLinePerOption) {
    const std::string expected =
        "天津港 → 石家庄物流园\n"
        "1. 方案一\u3000312.5 km\u30004小时20分\u3000¥268\n"
        "2. 免费方案\u3000298 km\u30004小时45分\u3000¥0\n"
        "3. 方案三\u3000305.8 km\u30004小时30分\u3000通行费未显示\n";
    for (const char* ending : {"", "\n", "\r\n"}) {
        const Outcome o = runSummary(workedPayload + ending);
        EXPECT_EQ(o.code, 0) << o.err;
        EXPECT_EQ(o.out, expected);
        EXPECT_EQ(o.err, "");
    }
}

TEST(InspectSummary, WithoutEndpointsTheRouteLineIsEmpty) {
    const Outcome o = runSummary(
        R"(WENDREL_V1:{"options":[{"distanceKm":12.96,"durationSeconds":3599,"label":"A","toll":12.5}],"readAt":"x","source":"s","vehicleType":"v"})");
    EXPECT_EQ(o.code, 0) << o.err;
    EXPECT_EQ(o.out, "\n1. A\u300013.0 km\u300059分钟\u3000¥13\n");
}

struct BadCase {
    const char* name;
    std::string input;
    friend void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }
};

class InspectSummaryBadInput : public testing::TestWithParam<BadCase> {};

TEST_P(InspectSummaryBadInput, ExitsTwoWithAMessageAndNothingOnStandardOutput) {
    const Outcome o = runSummary(GetParam().input);
    EXPECT_EQ(o.code, 2);
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find("wendrel-inspect summary: "), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InspectSummaryBadInput,
    testing::Values(BadCase{"Empty", ""},
                    BadCase{"WrongPrefix", "WENDREL_V2:" + workedPayload.substr(11)},
                    BadCase{"JsonWithoutPrefix", workedPayload.substr(11)},
                    BadCase{"NotJson", "WENDREL_V1:{options"},
                    BadCase{"MissingMember", R"(WENDREL_V1:{"options":[],"source":"s","vehicleType":"v"})"},
                    BadCase{"WrongType", R"(WENDREL_V1:{"options":"none","readAt":"x","source":"s","vehicleType":"v"})"},
                    BadCase{"TwoLines", workedPayload + "\n" + workedPayload},
                    BadCase{"JsonArray", "WENDREL_V1:[]"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(InspectSummary, TakesNoArguments) {
    EXPECT_EQ(runSummary(workedPayload, {"extra"}).code, 2);
    EXPECT_EQ(runSummary(workedPayload, {"--date", "2026-12-06T08:51:08Z"}).code, 2);
}

}  // namespace
