// The crops each recognised line is read from: pieces of a layout line,
// which pieces are read, the crop's tones, margins and letter spacing, and
// what counts as a reading of a figure, and a character read twice.

#include "vision/line_crops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace AmapVisionReader;
using recognition::PixelBox;

namespace {

bool operator==(const PixelBox& a, const PixelBox& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

struct PiecesCase {
    const char* name;
    std::vector<PixelBox> words;
    std::vector<PixelBox> pieces;
};

class LinePieces : public testing::TestWithParam<PiecesCase> {};

TEST_P(LinePieces, SplitAtGapsWiderThanTheLineIsTall) {
    const auto pieces = recognition::piecesOfLine(GetParam().words);
    ASSERT_EQ(pieces.size(), GetParam().pieces.size());
    for (std::size_t i = 0; i < pieces.size(); ++i) EXPECT_TRUE(pieces[i] == GetParam().pieces[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LinePieces,
    testing::Values(
        PiecesCase{"empty", {}, {}},
        PiecesCase{"oneWord", {{10, 5, 60, 25}}, {{10, 5, 60, 25}}},
        // A marker dot 47 pixels before an endpoint 28 pixels tall.
        PiecesCase{"markerThenEndpoint",
                   {{50, 234, 70, 254}, {117, 233, 415, 261}},
                   {{50, 234, 70, 254}, {117, 233, 415, 261}}},
        // Words of one text stand closer than the line is tall: one piece
        // spanning them all.
        PiecesCase{"wordsOfOneText",
                   {{100, 10, 160, 40}, {170, 8, 230, 40}, {255, 12, 300, 42}},
                   {{100, 8, 300, 42}}},
        // A gap exactly as wide as the line is tall keeps the words together.
        PiecesCase{"gapEqualToHeight", {{0, 0, 30, 30}, {60, 0, 90, 30}}, {{0, 0, 90, 30}}},
        PiecesCase{"gapOneWider", {{0, 0, 30, 30}, {61, 0, 90, 30}}, {{0, 0, 30, 30}, {61, 0, 90, 30}}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(ReadablePieces, TextUpToFiftyPointsTall) {
    EXPECT_TRUE(recognition::isReadablePiece({0, 0, 40, 100}));
    EXPECT_FALSE(recognition::isReadablePiece({0, 0, 40, 101}));
    EXPECT_FALSE(recognition::isReadablePiece({0, 0, 2880, 1800}));  // the whole window taken for a line
    EXPECT_FALSE(recognition::isReadablePiece({10, 10, 10, 20}));
    EXPECT_FALSE(recognition::isReadablePiece({10, 20, 30, 20}));
}

// A grey image of the given ground with dark bars (ink) at the given columns,
// rows 10..29.
struct Picture {
    int width = 200, height = 40;
    std::vector<std::uint8_t> pixels;
    Picture(std::uint8_t ground, std::uint8_t ink, std::vector<std::pair<int, int>> bars) {
        pixels.assign(static_cast<std::size_t>(width * height), ground);
        for (const auto& [from, to] : bars)
            for (int y = 10; y < 30; ++y)
                for (int x = from; x < to; ++x) pixels[static_cast<std::size_t>(y * width + x)] = ink;
    }
    recognition::GreyView view() const { return {pixels.data(), width, height}; }
};

std::uint8_t pixel(const recognition::LineCrop& crop, int x, int y) {
    return crop.pixels[static_cast<std::size_t>(y * crop.width + x)];
}

// The crop column showing image column x.
int cropColumnOf(const recognition::LineCrop& crop, int x) {
    for (int c = 0; c < crop.width; ++c)
        if (crop.imageColumn(c) == x) return c;
    return -1;
}

TEST(LineCrop, LiftsTheGroundToWhiteAndKeepsInkBlack) {
    // Grey secondary text: ink 100 on a ground of 200.
    const Picture picture(200, 100, {{60, 64}, {70, 74}});
    const auto crop = recognition::cropForReading(picture.view(), {60, 10, 74, 30}, {});
    const int row = 20 - crop.originY;
    EXPECT_EQ(pixel(crop, cropColumnOf(crop, 62), row), 127);  // 100 stretched by 255/200
    EXPECT_EQ(pixel(crop, cropColumnOf(crop, 66), row), 255);  // ground
    EXPECT_EQ(pixel(crop, 0, 0), 255);                          // padding
    EXPECT_EQ(pixel(crop, crop.width - 1, crop.height - 1), 255);
}

TEST(LineCrop, ContrastGainDarkensInkAndKeepsTheGround) {
    const Picture picture(200, 100, {{60, 64}, {70, 74}});
    const auto crop = recognition::cropForReading(picture.view(), {60, 10, 74, 30}, {2.0, false});
    const int row = 20 - crop.originY;
    EXPECT_EQ(pixel(crop, cropColumnOf(crop, 62), row), 126);  // 128 + (127 - 128) * 2
    EXPECT_EQ(pixel(crop, cropColumnOf(crop, 66), row), 255);
}

TEST(LineCrop, TakesInMarginsWithinTheImage) {
    const Picture picture(255, 0, {{100, 110}});
    // 20 rows tall: 2 pixels above and below, 12 at the sides.
    const auto crop = recognition::cropForReading(picture.view(), {100, 10, 110, 30}, {});
    const int pad = (20 + 4) / 2;
    EXPECT_EQ(crop.originY, 10 - 2 - pad);
    EXPECT_EQ(crop.height, 24 + 2 * pad);
    EXPECT_EQ(crop.width, 10 + 2 * 12 + 2 * pad);
    EXPECT_EQ(crop.imageColumn(pad), 100 - 12);
    // A thin stroke the layout left out, 8 pixels before the piece, is in.
    const Picture withOne(255, 0, {{90, 93}, {100, 110}});
    const auto wider = recognition::cropForReading(withOne.view(), {100, 10, 110, 30}, {});
    EXPECT_EQ(pixel(wider, cropColumnOf(wider, 91), 20 - wider.originY), 0);
    // At the image's edge the margin is cut off, not read from outside.
    const auto atEdge = recognition::cropForReading(picture.view(), {0, 0, 10, 20}, {});
    EXPECT_EQ(atEdge.width, 22 + 2 * 11);  // 0..21: no margin to the left
    EXPECT_EQ(atEdge.height, 22 + 2 * 11);
    EXPECT_EQ(atEdge.imageColumn(11), 0);
}

TEST(LineCrop, LetterSpacingWhitensAfterEachGlyphOnly) {
    // Two strokes of "11" three pixels apart.
    const Picture picture(255, 0, {{50, 54}, {57, 61}});
    const auto plain = recognition::cropForReading(picture.view(), {50, 10, 61, 30}, {});
    const auto spaced = recognition::cropForReading(picture.view(), {50, 10, 61, 30}, {1.0, true});
    const int extra = 2;  // a tenth of the 24 rows
    EXPECT_EQ(spaced.width, plain.width + extra);  // after the first stroke, not after the last
    EXPECT_EQ(spaced.height, plain.height);
    // The second stroke moved right by the added columns, and still maps back.
    const int row = 20 - spaced.originY;
    const int second = cropColumnOf(spaced, 57);
    EXPECT_EQ(second, cropColumnOf(plain, 57) + extra);
    EXPECT_EQ(pixel(spaced, second, row), 0);
    EXPECT_EQ(pixel(spaced, second - 1, row), 255);
    // Added columns map to the image column before them.
    EXPECT_EQ(spaced.imageColumn(second - 1), 56);
    // Only white: the ink pixel count is unchanged.
    EXPECT_EQ(std::count(spaced.pixels.begin(), spaced.pixels.end(), 0),
              std::count(plain.pixels.begin(), plain.pixels.end(), 0));
}

TEST(LineCrop, BlankPieceStaysWhite) {
    const Picture picture(180, 180, {});
    const auto crop = recognition::cropForReading(picture.view(), {20, 10, 60, 30}, {1.0, true});
    EXPECT_TRUE(std::all_of(crop.pixels.begin(), crop.pixels.end(), [](std::uint8_t v) { return v == 255; }));
}

struct FigureCase {
    const char* reading;
    bool figure;
};

class FigureReadings : public testing::TestWithParam<FigureCase> {};

TEST_P(FigureReadings, OnlyWholeFiguresOfThePanel) {
    EXPECT_EQ(recognition::isFigureReading(GetParam().reading), GetParam().figure) << GetParam().reading;
}

INSTANTIATE_TEST_SUITE_P(
    Readings, FigureReadings,
    testing::Values(FigureCase{"11小时33分", true}, FigureCase{"6小时", true}, FigureCase{"45分钟", true},
                    FigureCase{"312.5公里", true}, FigureCase{"298公里", true}, FigureCase{"¥268", true},
                    // A yen sign and a figure run together, a misread unit,
                    // full-width figures, extra text: not figures.
                    FigureCase{"到18", false}, FigureCase{"318.3公时", false}, FigureCase{"１１小时", false},
                    FigureCase{"途经G4京港澳高速", false}, FigureCase{"红绿灯21个", false},
                    FigureCase{"4小时20分 ¥268", false}, FigureCase{"", false}, FigureCase{"免费", false}));

struct DoubledCase {
    const char* reading;
    const char* other;
    bool doubled;  // hasDoubledCharacter(reading)
    bool doublesOneOfOther;
};

class DoubledCharacters : public testing::TestWithParam<DoubledCase> {};

TEST_P(DoubledCharacters, OneChineseCharacterReadTwice) {
    EXPECT_EQ(recognition::hasDoubledCharacter(GetParam().reading), GetParam().doubled);
    EXPECT_EQ(recognition::doublesOneCharacterOf(GetParam().reading, GetParam().other), GetParam().doublesOneOfOther);
}

INSTANTIATE_TEST_SUITE_P(
    Readings, DoubledCharacters,
    testing::Values(DoubledCase{"广州市白云区太和和镇", "广州市白云区太和镇", true, true},
                    DoubledCase{"和和辽宁", "和辽宁", true, true},
                    DoubledCase{"太和镇", "太和镇", false, false},
                    // Some other difference as well, or two characters more.
                    DoubledCase{"广州市白云区太和和镇", "广州市白去区太和镇", true, false},
                    DoubledCase{"太和和和镇", "太和镇", true, false},
                    // Figures and letters twice are not this misreading.
                    DoubledCase{"11小时", "1小时", false, false}, DoubledCase{"GG4", "G4", false, false},
                    DoubledCase{"", "", false, false}));

}  // namespace
