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

AmapReadResult resultOf(Options options, std::string origin = "天津港集装箱码头") {
    return {std::move(origin), "石家庄物流园区", std::move(options), "amap-mac-accessibility", "重型货车",
            "2026-12-06T08:00:00Z"};
}

struct CompareCase {
    const char* name;
    std::optional<AmapReadResult> read;
    Outcome outcome;
};

void PrintTo(const CompareCase& c, std::ostream* os) { *os << c.name; }

class CompareWithPerfectRead : public testing::TestWithParam<CompareCase> {};

TEST_P(CompareWithPerfectRead, JudgesTheRead) {
    EXPECT_EQ(ocrcorpus::compare(resultOf({one, two, three}), GetParam().read), GetParam().outcome);
}

INSTANTIATE_TEST_SUITE_P(
    Reads, CompareWithPerfectRead,
    testing::Values(
        CompareCase{"same", resultOf({one, two, three}), Outcome::exact},
        CompareCase{"nothing", std::nullopt, Outcome::noResult},
        CompareCase{"neighboursDistance", resultOf({one, {"方案二", 14280, 305.8, std::nullopt}, three}),
                    Outcome::wrongNumber},
        CompareCase{"otherTime", resultOf({one, two, {"方案三", 16260, 305.8, 0.0}}), Outcome::wrongNumber},
        CompareCase{"tollWhereNoneIs", resultOf({one, {"方案二", 14280, 298, 12.0}, three}), Outcome::wrongNumber},
        CompareCase{"otherToll", resultOf({{"方案一", 15600, 312.5, 28.0}, two, three}), Outcome::wrongNumber},
        CompareCase{"extraOption", resultOf({one, two, three, {"方案四", 600, 5, std::nullopt}}),
                    Outcome::wrongNumber},
        CompareCase{"otherOrigin", resultOf({one, two, three}, "天津港集装箱码"), Outcome::wrongNumber},
        CompareCase{"middleOptionLost", resultOf({one, three}), Outcome::optionsLost},
        CompareCase{"optionLostAndAnotherWrong", resultOf({one, {"方案三", 16200, 35.8, 0.0}}),
                    Outcome::wrongNumber},
        CompareCase{"tollNotRead", resultOf({{"方案一", 15600, 312.5, std::nullopt}, two, three}),
                    Outcome::otherwise},
        CompareCase{"labelMisread", resultOf({one, {"方案=", 14280, 298, std::nullopt}, three}),
                    Outcome::otherwise}),
    [](const testing::TestParamInfo<CompareCase>& c) { return std::string(c.param.name); });

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
