#include "inspect_test_support.h"

#include <gtest/gtest.h>

namespace {

using Outcome = InspectOutcome;

const std::string panel =
    R"(["高德地图","天津港\n石家庄物流园\n方案一\n4小时20分\n312.5公里\n¥268\n免费方案\n4小时45分\n298公里\n方案三\n4小时30分\n305.8公里"])";

TEST(InspectParse, PrintsThePayloadLineAndOneNewline) {
    const Outcome o = runInspect({"parse", "--date", "2026-12-06T08:51:08.9Z"}, panel);
    EXPECT_EQ(o.code, 0);
    EXPECT_EQ(o.out,
              R"(WENDREL_V1:{"destination":"石家庄物流园","options":[{"distanceKm":312.5,"durationSeconds":15600,"label":"方案一","toll":268},{"distanceKm":298,"durationSeconds":17100,"label":"免费方案","toll":0},{"distanceKm":305.8,"durationSeconds":16200,"label":"方案三"}],"origin":"天津港","readAt":"2026-12-06T08:51:08Z","source":"amap-mac-accessibility","vehicleType":"重型货车"})"
              "\n");
    EXPECT_EQ(o.err, "");
}

TEST(InspectParse, DateWithOffsetIsConvertedToUtc) {
    const Outcome o = runInspect({"parse", "--date=2026-12-06T16:51:08+08:00"}, panel);
    ASSERT_EQ(o.code, 0);
    EXPECT_NE(o.out.find(R"("readAt":"2026-12-06T08:51:08Z")"), std::string::npos);
}

TEST(InspectParse, NoRouteExitsOneWithAReasonAndNothingOnStandardOutput) {
    const Outcome o = runInspect({"parse"}, R"(["天津港","方案一","4小时20分","312.5公里"])");
    EXPECT_EQ(o.code, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err, "");
}

struct BadCase {
    const char* name;
    std::vector<std::string> args;
    std::string input;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class InspectParseBadInput : public testing::TestWithParam<BadCase> {};

TEST_P(InspectParseBadInput, ExitsTwoWithAMessageAndNothingOnStandardOutput) {
    const Outcome o = runInspect(GetParam().args, GetParam().input);
    EXPECT_EQ(o.code, 2);
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InspectParseBadInput,
    testing::Values(BadCase{"NotJson", {"parse"}, "天津港"},
                    BadCase{"Object", {"parse"}, R"({"a":"b"})"},
                    BadCase{"NumberInArray", {"parse"}, R"(["a", 3])"},
                    BadCase{"InvalidUtf8", {"parse"}, "[\"\xff\xfe\"]"},
                    BadCase{"TruncatedJson", {"parse"}, R"(["a")"},
                    BadCase{"DateWithoutZone", {"parse", "--date", "2026-12-06T08:51:08"}, "[]"},
                    BadCase{"DateOutOfRange", {"parse", "--date", "2026-02-30T08:51:08Z"}, "[]"},
                    BadCase{"DateBeforeTheClock", {"parse", "--date", "0001-01-01T00:00:00Z"}, "[]"},
                    BadCase{"DateAfterTheClock", {"parse", "--date", "9999-12-31T23:59:59.999Z"}, "[]"},
                    BadCase{"DateMissingValue", {"parse", "--date"}, "[]"},
                    BadCase{"UnknownOption", {"parse", "--fast"}, "[]"},
                    BadCase{"UnknownCommand", {"frobnicate"}, "[]"},
                    BadCase{"NoCommand", {}, "[]"}),
    [](const testing::TestParamInfo<BadCase>& c) { return c.param.name; });

TEST(InspectParse, HelpIsAvailableForTheToolAndTheCommand) {
    for (const auto& args : {std::vector<std::string>{"--help"}, std::vector<std::string>{"parse", "--help"}}) {
        const Outcome o = runInspect(args, "");
        EXPECT_EQ(o.code, 0);
        EXPECT_NE(o.out.find("parse"), std::string::npos);
    }
}

}  // namespace
