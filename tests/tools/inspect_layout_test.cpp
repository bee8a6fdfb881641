#include "inspect_test_support.h"

#include <gtest/gtest.h>

namespace {

using Outcome = InspectOutcome;

// The worked panel column: label, travel time, distance.
const std::string column = R"([
  {"text": "推荐方案", "box": [0.40, 0.60, 0.12, 0.03]},
  {"text": "1小时20分", "box": [0.40, 0.55, 0.12, 0.04]},
  {"text": "85.3公里", "box": [0.41, 0.51, 0.09, 0.03]}
])";

// Two places in the top-left corner and the same column.
const std::string panel = R"([
  {"text": "1小时20分", "box": [0.40, 0.55, 0.12, 0.04]},
  {"text": "● 石家庄物流园区", "box": [0.03, 0.86, 0.19, 0.03]},
  {"text": "85.3公里 ¥45", "box": [0.41, 0.51, 0.09, 0.03]},
  {"text": "● 天津港集装箱码头", "box": [0.03, 0.90, 0.21, 0.03]},
  {"text": "推荐方案", "box": [0.40, 0.60, 0.12, 0.03]}
])";

TEST(InspectBlocks, PrintsTheRouteBlockAndTheFullTextAsOneJsonArray) {
    const Outcome o = runInspect({"blocks"}, column);
    EXPECT_EQ(o.code, 0);
    EXPECT_EQ(o.out, R"(["推荐方案\n1小时20分\n85.3公里","推荐方案\n1小时20分\n85.3公里"])" "\n");
    EXPECT_EQ(o.err, "");
}

TEST(InspectBlocks, EmptyArrayPrintsAnEmptyArray) {
    const Outcome o = runInspect({"blocks"}, "[]");
    EXPECT_EQ(o.code, 0);
    EXPECT_EQ(o.out, "[]\n");
}

TEST(InspectRead, FragmentsBecomeThePayloadLine) {
    const Outcome o = runInspect({"read", "--date", "2026-12-06T08:51:08.9Z"}, panel);
    EXPECT_EQ(o.code, 0);
    EXPECT_EQ(o.out,
              R"(WENDREL_V1:{"destination":"石家庄物流园区","options":[{"distanceKm":85.3,"durationSeconds":4800,"label":"推荐方案","toll":45}],"origin":"天津港集装箱码头","readAt":"2026-12-06T08:51:08Z","source":"amap-mac-accessibility","vehicleType":"重型货车"})"
              "\n");
    EXPECT_EQ(o.err, "");
}

TEST(InspectRead, NoRouteExitsOneWithAReasonAndNothingOnStandardOutput) {
    for (const char* input : {"[]", R"([{"text": "1小时20分", "box": [0.40, 0.55, 0.12, 0.04]}])"}) {
        const Outcome o = runInspect({"read"}, input);
        EXPECT_EQ(o.code, 1) << input;
        EXPECT_EQ(o.out, "") << input;
        EXPECT_NE(o.err, "") << input;
    }
}

struct BadCase {
    const char* name;
    std::string input;
};

class InspectLayoutBadInput : public testing::TestWithParam<BadCase> {};

// Both commands read the same fragments and reject the same bad input.
TEST_P(InspectLayoutBadInput, ExitsTwoWithAMessageAndNothingOnStandardOutput) {
    for (const char* command : {"blocks", "read"}) {
        const Outcome o = runInspect({command}, GetParam().input);
        EXPECT_EQ(o.code, 2) << command;
        EXPECT_EQ(o.out, "") << command;
        EXPECT_NE(o.err, "") << command;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InspectLayoutBadInput,
    testing::Values(BadCase{"NotJson", "推荐方案"}, BadCase{"TruncatedJson", R"([{"text": "a")"},
                    BadCase{"NotAnArray", R"({"text": "a", "box": [0, 0, 1, 1]})"},
                    BadCase{"StringInsteadOfFragment", R"(["推荐方案"])"},
                    BadCase{"TextMissing", R"([{"box": [0, 0, 1, 1]}])"},
                    BadCase{"TextNotAString", R"([{"text": 12, "box": [0, 0, 1, 1]}])"},
                    BadCase{"BoxMissing", R"([{"text": "a"}])"},
                    BadCase{"BoxOfThreeNumbers", R"([{"text": "a", "box": [0, 0, 1]}])"},
                    BadCase{"BoxOfFiveNumbers", R"([{"text": "a", "box": [0, 0, 1, 1, 1]}])"},
                    BadCase{"BoxWithAString", R"([{"text": "a", "box": [0, "0", 1, 1]}])"},
                    BadCase{"BoxWithNull", R"([{"text": "a", "box": [0, null, 1, 1]}])"},
                    BadCase{"BoxAsObject", R"([{"text": "a", "box": {"x": 0, "y": 0, "w": 1, "h": 1}}])"},
                    BadCase{"BoxOverflowsToInfinity", R"([{"text": "a", "box": [1e400, 0, 1, 1]}])"},
                    BadCase{"NegativeWidth", R"([{"text": "a", "box": [0.5, 0, -0.1, 1]}])"},
                    BadCase{"InvalidUtf8", "[{\"text\": \"\xff\xfe\", \"box\": [0, 0, 1, 1]}]"},
                    BadCase{"SecondFragmentBad", R"([{"text": "a", "box": [0, 0, 1, 1]}, {"text": "b"}])"}),
    [](const testing::TestParamInfo<BadCase>& c) { return c.param.name; });

TEST(InspectLayout, BadOptionsExitTwo) {
    for (const auto& args : {std::vector<std::string>{"blocks", "--date", "2026-12-06T08:51:08Z"},
                             std::vector<std::string>{"blocks", "extra"},
                             std::vector<std::string>{"read", "--date", "yesterday"},
                             std::vector<std::string>{"read", "--fast"},
                             std::vector<std::string>{"blocks", "--window", "1440"},
                             std::vector<std::string>{"read", "--window=50x900"},
                             std::vector<std::string>{"blocks", "--window", "1440x"}}) {
        const Outcome o = runInspect(args, column);
        EXPECT_EQ(o.code, 2) << args[1];
        EXPECT_EQ(o.out, "") << args[1];
        EXPECT_NE(o.err, "") << args[1];
    }
}

// Place rows over a notice 360 points down a window 900 points high stand in
// the panel's upper part, where its endpoints are; at the same fraction of a
// window 1400 points high they are 560 points down, below it.
TEST(InspectLayout, WindowSizeIsInPoints) {
    const std::string rows = R"([
  {"text": "天津港", "box": [0.04, 0.70, 0.04, 0.02]},
  {"text": "沈阳", "box": [0.04, 0.65, 0.03, 0.02]},
  {"text": "通知", "box": [0.02, 0.60, 0.02, 0.02]}
])";
    EXPECT_EQ(runInspect({"blocks"}, rows).out, "[\"天津港\\n沈阳\\n通知\",\"天津港\\n沈阳\\n通知\"]\n");
    EXPECT_EQ(runInspect({"blocks", "--window", "1440x1400"}, rows).out, "[\"天津港\\n沈阳\\n通知\"]\n");
}

TEST(InspectLayout, HelpDescribesTheFragmentInputAndIsListed) {
    for (const char* command : {"blocks", "read"}) {
        const Outcome o = runInspect({command, "--help"}, "");
        EXPECT_EQ(o.code, 0);
        EXPECT_NE(o.out.find("\"box\""), std::string::npos) << command;
        const Outcome tool = runInspect({"--help"}, "");
        EXPECT_NE(tool.out.find(std::string("  ") + command + "\t"), std::string::npos) << command;
    }
}

}  // namespace
