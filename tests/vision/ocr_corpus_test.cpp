// The rendered corpus the recognition benchmark measures with: how a read is
// judged against the perfect read, and what the generator draws.

#include "ocr_panel.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using ocrcorpus::Outcome;
using Options = std::vector<AmapRouteOption>;

const AmapRouteOption one{"方案一", 15600, 312.5, 268.0};
const AmapRouteOption two{"方案二", 14280, 298, std::nullopt};
const AmapRouteOption three{"方案三", 16200, 305.8, 0.0};

// Origin and destination are read together or not at all.
AmapReadResult resultOf(Options options, std::optional<std::string> origin = "天津港集装箱码头") {
    std::optional<std::string> destination;
    if (origin) destination = "石家庄物流园区";
    return {std::move(origin), std::move(destination), std::move(options), "amap-mac-accessibility", "重型货车",
            "2026-12-06T08:00:00Z"};
}

struct JudgeCase {
    const char* name;
    std::optional<AmapReadResult> read;
    Outcome outcome;
    int optionsFound;
    int tollsCarried;  // of the two the panel shows
    bool endpoints;
};

void PrintTo(const JudgeCase& c, std::ostream* os) { *os << c.name; }

class JudgeAgainstThePanel : public testing::TestWithParam<JudgeCase> {};

TEST_P(JudgeAgainstThePanel, JudgesTheRead) {
    const JudgeCase& c = GetParam();
    const ocrcorpus::Judgement j = ocrcorpus::judge(resultOf({one, two, three}), c.read);
    EXPECT_EQ(j.outcome, c.outcome);
    EXPECT_EQ(j.options, 3);
    EXPECT_EQ(j.tolls, 2);
    EXPECT_EQ(j.optionsFound, c.optionsFound);
    EXPECT_EQ(j.tollsCarried, c.tollsCarried);
    EXPECT_EQ(j.endpoints, c.endpoints);
}

const AmapRouteOption oneWithoutToll{"方案一", 15600, 312.5, std::nullopt};

INSTANTIATE_TEST_SUITE_P(
    Reads, JudgeAgainstThePanel,
    testing::Values(
        JudgeCase{"same", resultOf({one, two, three}), Outcome::full, 3, 2, true},
        JudgeCase{"nothing", std::nullopt, Outcome::none, 0, 0, false},
        JudgeCase{"neighboursDistance", resultOf({one, {"方案二", 14280, 305.8, std::nullopt}, three}),
                  Outcome::wrong, 1, 1, true},
        JudgeCase{"otherTime", resultOf({one, two, {"方案三", 16260, 305.8, 0.0}}), Outcome::wrong, 2, 1, true},
        JudgeCase{"tollWhereNoneIs", resultOf({one, {"方案二", 14280, 298, 12.0}, three}), Outcome::wrong, 1, 1,
                  true},
        JudgeCase{"otherToll", resultOf({{"方案一", 15600, 312.5, 28.0}, two, three}), Outcome::wrong, 0, 0, true},
        JudgeCase{"extraOption", resultOf({one, two, three, {"方案四", 600, 5, std::nullopt}}), Outcome::wrong, 3, 2,
                  true},
        JudgeCase{"otherOrigin", resultOf({one, two, three}, "天津港集装箱码"), Outcome::wrong, 3, 2, false},
        JudgeCase{"labelMisread", resultOf({one, {"方案=", 14280, 298, std::nullopt}, three}), Outcome::wrong, 1, 1,
                  true},
        JudgeCase{"middleOptionLost", resultOf({one, three}), Outcome::partial, 2, 2, true},
        JudgeCase{"tollNotRead", resultOf({oneWithoutToll, two, three}), Outcome::partial, 3, 1, true},
        JudgeCase{"endpointsLeftOut", resultOf({one, two, three}, {}), Outcome::partial, 3, 2, false}),
    [](const testing::TestParamInfo<JudgeCase>& c) { return std::string(c.param.name); });

// Every panel the generator draws parses as drawn, and its sidebar's options
// stand 0.05 to 0.2 of the window apart, as in windows 1000 to 2560 points wide.
TEST(Corpus, PanelsParseAndColumnsStandCloseInWideWindows) {
    const auto date = std::chrono::sys_days{std::chrono::year{2026} / 12 / 6};
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        const ocrcorpus::Panel panel = ocrcorpus::randomPanel(seed);
        EXPECT_TRUE(ocrcorpus::expectedResult(panel, date)) << seed;
        const double apart = panel.style.columnPitch / panel.style.windowWidth;
        EXPECT_GE(apart, 0.048) << seed;
        EXPECT_LE(apart, 0.2) << seed;
    }
}

}  // namespace
