// The portable steps around capture and recognition: the reader's messages,
// the window choice, line tidying, box conversion and resampling.

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
                    ChoiceCase{"fractionalPoints", {{300.5, 250.5}}, 0}),
    [](const auto& param) { return std::string(param.param.name); });

struct TidyCase {
    const char* name;
    const char* reading;
    const char* tidy;
};

class LineTidying : public testing::TestWithParam<TidyCase> {};

TEST_P(LineTidying, ReadsLikeThePanel) { EXPECT_EQ(recognition::tidyLine(GetParam().reading), GetParam().tidy); }

INSTANTIATE_TEST_SUITE_P(
    Cases, LineTidying,
    testing::Values(
        TidyCase{"alreadyTidy", "4小时20分", "4小时20分"},
        TidyCase{"spacesBetweenChinese", "推 荐 方案", "推荐方案"},
        TidyCase{"figureAndUnit", "4 小时 20 分", "4小时20分"},
        TidyCase{"distanceUnit", "312.5  公里", "312.5公里"},
        TidyCase{"fullWidthYen", "￥268", "¥268"},
        TidyCase{"spaceAfterYen", "￥ 268", "¥268"},
        TidyCase{"latinWordsKeepOneSpace", "Via  G4   Beijing", "Via G4 Beijing"},
        TidyCase{"tabsAndIdeographicSpace", "\t北京市\u3000朝阳区 \n", "北京市朝阳区"},
        TidyCase{"fullWidthPunctuation", "北京 ， 天津", "北京，天津"},
        TidyCase{"iconDebrisAtEnds", "© | 高速优先 »", "高速优先"},
        TidyCase{"debrisAroundTime", "~ 2小时5分 .", "2小时5分"},
        TidyCase{"bracketsAndBulletsStay", "● 北京南站（东门） ·", "●北京南站（东门）·"},
        TidyCase{"innerMarksStay", "方案|二", "方案|二"},
        TidyCase{"percentStays", "拥堵 12%", "拥堵12%"},
        TidyCase{"markerReadAsLetters", "CO四川省成都市青白江区", "四川省成都市青白江区"},
        TidyCase{"markerLetterAndSpace", "O 天津港 e", "天津港"},
        TidyCase{"roadNamesAndWordsStay", "G4京港澳 望京SOHO", "G4京港澳望京SOHO"},
        TidyCase{"latinOnlyLineStays", "OK", "OK"},
        TidyCase{"oneReadAsBracket", "15小时]分", "15小时1分"},
        TidyCase{"oneReadAsBarBeforeUnit", "|小时5分", "1小时5分"},
        TidyCase{"oneReadAsSeparateWord", "15小时 ] 分", "15小时1分"},
        TidyCase{"oneReadAsLetterInFigure", "l2l.5 公里", "121.5公里"},
        TidyCase{"lettersInWordsStay", "Hotel Ibis", "Hotel Ibis"},
        TidyCase{"markerReadAsZero", "0湖北省武汉市东西湖区", "湖北省武汉市东西湖区"},
        TidyCase{"markerReadAsCharAndQuote", "四”陕西省西安市国际港务区", "陕西省西安市国际港务区"},
        TidyCase{"markerReadAsLettersStopQuote", "CO。”山东省济南市历城区", "山东省济南市历城区"},
        TidyCase{"markerReadAsLetterAt", "e@ ”广州市白云区太和镇", "广州市白云区太和镇"},
        TidyCase{"quotedNameStays", "“高德”推荐", "“高德”推荐"},
        TidyCase{"closingQuoteCannotStart", "© ” 河南省郑州市经开区 “", "河南省郑州市经开区"},
        TidyCase{"timeStays", "10小时5分", "10小时5分"},
        TidyCase{"onlyDebris", " | © ", ""},
        TidyCase{"onlySpaces", "   ", ""},
        TidyCase{"brokenUtf8Kept", "a\xff b", "a\xEF\xBF\xBD b"}),
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

WindowImage filled(int width, int height, std::array<std::uint8_t, 3> colour) {
    WindowImage image{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4, 255)};
    for (std::size_t i = 0; i < image.rgba.size(); i += 4) std::copy(colour.begin(), colour.end(), &image.rgba[i]);
    return image;
}

struct GreyCase {
    const char* name;
    std::array<std::uint8_t, 3> ground;
    std::array<std::uint8_t, 3> text;  // the first pixel's colour
    std::array<std::uint8_t, 3> other; // the second pixel's colour
    std::uint8_t groundGrey, textGrey, otherGrey;
};

class RecognitionGrey : public testing::TestWithParam<GreyCase> {};

// A 10×10 image of one colour with its first two pixels in others.
TEST_P(RecognitionGrey, GivesDarkTextOnALightGround) {
    const GreyCase& c = GetParam();
    WindowImage image = filled(10, 10, c.ground);
    std::copy(c.text.begin(), c.text.end(), &image.rgba[0]);
    std::copy(c.other.begin(), c.other.end(), &image.rgba[4]);
    const std::vector<std::uint8_t> grey = recognition::recognitionGrey(image);
    ASSERT_EQ(grey.size(), 100u);
    EXPECT_EQ(grey[0], c.textGrey);
    EXPECT_EQ(grey[1], c.otherGrey);
    EXPECT_EQ(grey[99], c.groundGrey);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RecognitionGrey,
    testing::Values(
        // Light grounds are plain Rec. 601 luma.
        GreyCase{"lightBlackText", {255, 255, 255}, {0, 0, 0}, {128, 128, 128}, 255, 0, 128},
        GreyCase{"lightBlueTextIsLuma", {255, 255, 255}, {0x1a, 0x73, 0xe8}, {0xff, 0x00, 0x00}, 255, 102, 76},
        GreyCase{"lightGroundNotStretched", {200, 200, 200}, {100, 100, 100}, {150, 150, 150}, 200, 100, 150},
        // Dark grounds: the luma inverted.
        GreyCase{"darkWhiteText", {28, 29, 33}, {232, 234, 237}, {255, 255, 255}, 226, 21, 0},
        GreyCase{"darkBlueTextInverted", {28, 29, 33}, {0x4c, 0x9a, 0xff}, {128, 128, 128}, 226, 113, 127},
        GreyCase{"darkRedIsLumaInverted", {0, 0, 0}, {255, 0, 0}, {0, 0, 100}, 255, 179, 244},
        GreyCase{"darkGreysInverted", {20, 20, 20}, {30, 30, 30}, {25, 25, 25}, 235, 225, 230}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(GreyConversion, EmptyImageGivesNothing) {
    EXPECT_TRUE(recognition::recognitionGrey(WindowImage{}).empty());
}

struct KeepCase {
    const char* name;
    std::vector<recognition::PixelBox> boxes;
    std::vector<bool> keep;
};

class OverlappingLines : public testing::TestWithParam<KeepCase> {};

TEST_P(OverlappingLines, DropsPiecesSplitOffATallerLine) {
    EXPECT_EQ(recognition::linesToKeep(GetParam().boxes), GetParam().keep);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OverlappingLines,
    testing::Values(
        KeepCase{"none", {}, {}},
        KeepCase{"splitOffTopOfTallerLine", {{340, 40, 388, 54}, {342, 44, 390, 68}}, {false, true}},
        KeepCase{"sideBySideOnOneRow", {{0, 40, 100, 60}, {120, 44, 200, 56}}, {true, true}},
        KeepCase{"stackedLinesTouching", {{0, 0, 100, 20}, {0, 20, 100, 30}}, {true, true}},
        KeepCase{"lessThanHalfAcross", {{90, 10, 130, 20}, {0, 0, 100, 30}}, {true, true}},
        KeepCase{"exactlyHalfAcross", {{80, 10, 120, 20}, {0, 0, 100, 30}}, {false, true}},
        KeepCase{"equalHeightsBothKept", {{0, 0, 100, 20}, {10, 5, 90, 25}}, {true, true}}),
    [](const auto& param) { return std::string(param.param.name); });

}  // namespace
