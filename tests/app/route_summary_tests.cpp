#include "app/route_summary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using summary::distanceText;
using summary::durationText;
using summary::tollText;

const char* const IS = "\u3000";

TEST(RouteSummary, DurationTexts) {
    const std::pair<std::int64_t, std::string> cases[] = {
        {15600, "4小时20分"}, {3600, "1小时0分"}, {3540, "59分钟"},   {0, "0分钟"},
        {262740, "72小时59分"}, {3599, "59分钟"}, {3661, "1小时1分"}, {59, "0分钟"},
    };
    for (const auto& [seconds, text] : cases) EXPECT_EQ(durationText(seconds), text) << seconds;
}

TEST(RouteSummary, DistanceTexts) {
    const std::pair<double, std::string> cases[] = {
        {298.0, "298"}, {305.8, "305.8"}, {305.84, "305.8"}, {12.96, "13.0"}, {0.04, "0.0"},
        {312.5, "312.5"}, {13.0, "13"}, {5000.0, "5000"}, {0.5, "0.5"}, {1234.56, "1234.6"},
    };
    for (const auto& [km, text] : cases) EXPECT_EQ(distanceText(km), text) << km;
}

TEST(RouteSummary, NonFiniteNumbersAreNotShownAsNumbers) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(distanceText(nan), "nan");
    EXPECT_EQ(distanceText(inf), "inf");
    EXPECT_EQ(tollText(inf), "¥inf");
}

TEST(RouteSummary, TollTexts) {
    const std::pair<std::optional<double>, std::string> cases[] = {
        {0.0, "¥0"}, {13.0, "¥13"}, {12.5, "¥13"}, {12.4, "¥12"}, {268.0, "¥268"},
        {100000.0, "¥100000"}, {std::nullopt, "通行费未显示"},
    };
    for (const auto& [toll, text] : cases) EXPECT_EQ(tollText(toll), text);
}

AmapReadResult resultWith(std::optional<std::string> origin, std::optional<std::string> destination,
                          std::vector<AmapRouteOption> options) {
    return AmapReadResult(std::move(origin), std::move(destination), std::move(options), "amap-mac-accessibility",
                          "重型货车", "2026-12-06T08:51:08Z");
}

TEST(RouteSummary, OptionLinesOfTheWorkedExample) {
    const AmapReadResult result = resultWith("天津港", "石家庄物流园",
                                             {AmapRouteOption("方案一", 15600, 312.5, 268.0),
                                              AmapRouteOption("免费方案", 17100, 298.0, 0.0),
                                              AmapRouteOption("方案三", 16200, 305.8, std::nullopt)});
    const std::string expected = std::string("1. 方案一") + IS + "312.5 km" + IS + "4小时20分" + IS + "¥268\n" +
                                 "2. 免费方案" + IS + "298 km" + IS + "4小时45分" + IS + "¥0\n" + "3. 方案三" + IS +
                                 "305.8 km" + IS + "4小时30分" + IS + "通行费未显示";
    EXPECT_EQ(summary::optionLines(result), expected);
}

TEST(RouteSummary, FiveOptionsGiveFiveNumberedLines) {
    std::vector<AmapRouteOption> options;
    for (int i = 1; i <= 5; ++i) options.emplace_back("A" + std::to_string(i), i * 60, i, std::nullopt);
    const std::string lines = summary::optionLines(resultWith(std::nullopt, std::nullopt, options));
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 4);
    EXPECT_EQ(lines.substr(0, 8), "1. A1\u3000");
    EXPECT_NE(lines.find("\n5. A5\u3000"), std::string::npos);
    EXPECT_NE(lines.back(), '\n');
}

TEST(RouteSummary, RouteLineWithOneOrBothEndpoints) {
    const AmapRouteOption option("方案一", 60, 1, std::nullopt);
    struct Case {
        std::optional<std::string> origin, destination;
        std::string line;
    };
    const Case cases[] = {
        {"天津港", "石家庄物流园", "天津港 → 石家庄物流园"},
        {"天津港", std::nullopt, "天津港"},
        {std::nullopt, "石家庄物流园", "石家庄物流园"},
        {std::nullopt, std::nullopt, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(summary::routeLine(resultWith(c.origin, c.destination, {option})), c.line);
}

TEST(RouteSummary, ScreenReadFailureMessages) {
    const std::string first = "没有找到完整的货车路线结果。请确认高德当前显示了货车路线方案后重试。\n";
    EXPECT_EQ(summary::screenReadFailureMessage(AmapVisionReaderError::recognitionFailed), first + "没有识别到高德路线文字");
    EXPECT_EQ(summary::screenReadFailureMessage(AmapVisionReaderError::windowNotFound), first + "没有找到高德地图窗口");
    EXPECT_EQ(summary::screenReadFailureMessage(PlatformError{"X11", 3, "BadWindow"}), first + "BadWindow");
}

}  // namespace
