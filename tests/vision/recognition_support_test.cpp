// The portable steps around capture and recognition: the reader's messages,
// the window choice, box conversion and resampling.

#include "vision/amap_vision_reader.h"
#include "vision/recognition_cleanup.h"
#include "vision/window_choice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using namespace AmapVisionReader;

namespace {

TEST(ReaderErrors, EachCaseHasItsFixedMessage) {
    const struct {
        AmapVisionReaderError error;
        const char* message;
    } cases[] = {
        {AmapVisionReaderError::windowNotFound, "没有找到高德地图窗口"},
        {AmapVisionReaderError::captureFailed, "无法读取高德地图窗口画面"},
        {AmapVisionReaderError::recognitionFailed, "没有识别到高德路线文字"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(errorDescription(c.error), c.message);
        const VisionError wrapped(c.error);
        EXPECT_TRUE(wrapped.isReaderError());
        EXPECT_EQ(wrapped.localizedDescription(), c.message);
    }
}

TEST(ReaderErrors, PlatformErrorsKeepTheirOwnDescriptionAndCompareMemberwise) {
    const VisionError platform(PlatformError{"X11", 3, "X 服务器拒绝了窗口重定向：BadWindow"});
    EXPECT_FALSE(platform.isReaderError());
    EXPECT_EQ(platform.localizedDescription(), "X 服务器拒绝了窗口重定向：BadWindow");
    EXPECT_EQ(platform, VisionError(PlatformError{"X11", 3, "X 服务器拒绝了窗口重定向：BadWindow"}));
    EXPECT_FALSE(platform == VisionError(PlatformError{"X11", 4, "X 服务器拒绝了窗口重定向：BadWindow"}));
    EXPECT_FALSE(platform == VisionError(AmapVisionReaderError::windowNotFound));
    EXPECT_FALSE(VisionError(AmapVisionReaderError::windowNotFound) ==
                 VisionError(AmapVisionReaderError::recognitionFailed));
}

struct ChoiceCase {
    const char* name;
    std::vector<capture::WindowSize> windows;
    std::optional<std::size_t> chosen;
};

class WindowChoice : public testing::TestWithParam<ChoiceCase> {};

TEST_P(WindowChoice, TakesTheLargestQualifyingWindow) {
    EXPECT_EQ(capture::largestQualifyingWindow(GetParam().windows), GetParam().chosen);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowChoice,
    testing::Values(ChoiceCase{"none", {}, std::nullopt},
                    ChoiceCase{"exactly300Wide", {{300, 800}}, std::nullopt},
                    ChoiceCase{"exactly250High", {{800, 250}}, std::nullopt},
                    ChoiceCase{"just301By251", {{301, 251}}, 0},
                    ChoiceCase{"mainWindowOverDialog", {{400, 300}, {1200, 800}}, 1},
                    ChoiceCase{"equalAreasFirstWins", {{600, 400}, {400, 600}, {480, 500}}, 0},
                    ChoiceCase{"smallOnesSkipped", {{200, 2000}, {320, 260}}, 1},
                    // A browser's 10 × 10 leader window beside its app window.
                    ChoiceCase{"browserLeaderSkipped", {{10, 10}, {1180, 640}}, 1},
                    ChoiceCase{"fractionalPoints", {{300.5, 250.5}}, 0}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(BoxConversion, PixelBoxesBecomeLowerLeftOriginFractions) {
    const struct {
        recognition::PixelBox box;
        NormalizedRect expected;
    } cases[] = {
        {{0, 0, 100, 50}, {0, 0.75, 0.5, 0.25}},            // top-left corner
        {{100, 150, 200, 200}, {0.5, 0, 0.5, 0.25}},        // bottom-right corner
        {{50, 100, 150, 150}, {0.25, 0.25, 0.5, 0.25}},     // middle
        {{-20, -10, 250, 260}, {0, 0, 1, 1}},               // clipped to the image
    };
    for (const auto& c : cases) {
        const NormalizedRect r = recognition::normalizedBox(c.box, 200, 200);
        EXPECT_DOUBLE_EQ(r.x, c.expected.x);
        EXPECT_DOUBLE_EQ(r.y, c.expected.y);
        EXPECT_DOUBLE_EQ(r.width, c.expected.width);
        EXPECT_DOUBLE_EQ(r.height, c.expected.height);
    }
}

TEST(CaptureSize, TwiceThePointsTruncatedAtLeastOne) {
    const struct {
        double points;
        int pixels;
    } cases[] = {{1440, 2880}, {900.6, 1801}, {900.4, 1800}, {0.3, 1}, {0, 1}, {-5, 1}, {std::nan(""), 1}};
    for (const auto& c : cases) EXPECT_EQ(recognition::capturePixels(c.points), c.pixels) << c.points;
}

WindowImage uniform(int width, int height, std::uint8_t grey) {
    WindowImage image{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4, grey)};
    for (std::size_t i = 3; i < image.rgba.size(); i += 4) image.rgba[i] = 255;
    return image;
}

std::uint8_t red(const WindowImage& image, int x, int y) {
    return image.rgba[(static_cast<std::size_t>(y) * image.width + x) * 4];
}

TEST(Resampling, KeepsUniformImagesAndHasTheRequestedSize) {
    const struct {
        int fromW, fromH, toW, toH;
    } cases[] = {{10, 8, 20, 16}, {20, 16, 10, 8}, {7, 5, 7, 5}, {3, 3, 1, 1}, {1, 1, 5, 4}, {12, 9, 25, 4}};
    for (const auto& c : cases) {
        const WindowImage out = recognition::resampled(uniform(c.fromW, c.fromH, 200), c.toW, c.toH);
        ASSERT_EQ(out.width, c.toW);
        ASSERT_EQ(out.height, c.toH);
        ASSERT_EQ(out.rgba.size(), static_cast<std::size_t>(c.toW) * c.toH * 4);
        for (std::size_t i = 0; i < out.rgba.size(); ++i) ASSERT_EQ(out.rgba[i], (i % 4 == 3) ? 255 : 200) << i;
    }
}

TEST(Resampling, EnlargesSmoothlyAndReducesByAveraging) {
    // A black column next to a white one.
    WindowImage edge = uniform(2, 1, 255);
    for (int c = 0; c < 3; ++c) edge.rgba[static_cast<std::size_t>(c)] = 0;

    const WindowImage wide = recognition::resampled(edge, 4, 1);
    EXPECT_EQ(red(wide, 0, 0), 0);
    EXPECT_EQ(red(wide, 1, 0), 64);   // a quarter of the way into the white
    EXPECT_EQ(red(wide, 2, 0), 191);
    EXPECT_EQ(red(wide, 3, 0), 255);

    const WindowImage narrow = recognition::resampled(edge, 1, 1);
    EXPECT_EQ(red(narrow, 0, 0), 128);  // the mean of black and white
}

}  // namespace
