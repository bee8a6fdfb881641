#include "vision/line_reading.h"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

using namespace AmapVisionReader::reading;

namespace {

std::tuple<int, int, int, int> edges(const PixelBox& b) { return {b.left, b.top, b.right, b.bottom}; }

TEST(LineReading, DetectionIsAtThePointSizeOnTheDetectorsStrideWithinTheArea) {
    const struct {
        int width, height, area, detectedWidth, detectedHeight;
    } cases[] = {
        {2880, 1800, 2'700'000, 1440, 896},
        {2000, 100, 2'700'000, 992, 64},
        {10, 0, 2'700'000, 32, 32},
        {4986, 2880, 2'700'000, 2144, 1248},  // 2493 x 1440 points: scaled to fit, rounded down
        {2000, 2000, 250'000, 480, 480},
    };
    for (const auto& c : cases) {
        const DetectionSize size = detectionSize(c.width, c.height, c.area);
        EXPECT_EQ(size.width, c.detectedWidth) << c.width << "x" << c.height;
        EXPECT_EQ(size.height, c.detectedHeight) << c.width << "x" << c.height;
        EXPECT_LE(size.width * size.height, std::max(c.area, 32 * 32));
    }
}

TEST(LineReading, BoxesGrowAndMapOntoTheImage) {
    // 100 x 10: area 1000, perimeter 220, grown by 1.5 * 1000 / 220 = 6.8 on each side.
    EXPECT_EQ(edges(unclipped(PixelBox{10, 20, 110, 30}, 1.5)), edges(PixelBox{3, 13, 117, 37}));
    EXPECT_EQ(edges(unclipped(PixelBox{5, 5, 5, 9}, 1.5)), edges(PixelBox{5, 5, 5, 9}));

    const struct {
        PixelBox box, mapped;
    } cases[] = {
        {{10, 20, 30, 40}, {20, 40, 60, 80}},  // twice the size
        {{-5, -3, 30, 40}, {0, 0, 60, 80}},     // clipped at the top-left
        {{700, 440, 730, 460}, {1400, 880, 1440, 900}},  // and at the bottom-right
    };
    for (const auto& c : cases) EXPECT_EQ(edges(scaledToImage(c.box, 720, 450, 1440, 900)), edges(c.mapped));
}

TEST(LineReading, CropsGoToTheNarrowestInputThatHoldsThem) {
    const int widths[] = {96, 160, 320};
    const struct {
        int width, height, scaled, input;
    } cases[] = {
        {40, 48, 40, 320},     // already 48 tall; short
        {160, 48, 160, 160},   // exactly fits
        {97, 48, 97, 160},
        {100, 24, 200, 320},   // doubled to 48 tall
        {1000, 48, 320, 320},  // wider than the widest: squeezed
        {1, 96, 1, 320},
        {44, 36, 59, 320},     // "¥0": short, padded to the short lines' input
        {70, 36, 94, 320},     // "¥118": no wider than twice its height, still short
        {73, 36, 98, 160},     // a little wider: where it fits
    };
    for (const auto& c : cases) {
        const CropFit fit = fitCrop(c.width, c.height, 48, widths, 320);
        EXPECT_EQ(fit.scaledWidth, c.scaled) << c.width << "x" << c.height;
        EXPECT_EQ(fit.inputWidth, c.input) << c.width << "x" << c.height;
    }
}

TEST(LineReading, AlphabetHasTheBlankFirstAndTheSpaceLast) {
    std::istringstream keys("公\r\n里\n\xEF\xBF\xA5\n1");
    const std::vector<std::string> alphabet = alphabetFromKeys(keys);
    EXPECT_EQ(alphabet, (std::vector<std::string>{"", "公", "里", "¥", "1", " "}));
}

// One row per step: the probabilities of blank, "1", "2", "公".
std::vector<float> steps(std::initializer_list<std::array<float, 4>> rows) {
    std::vector<float> out;
    for (const auto& r : rows) out.insert(out.end(), r.begin(), r.end());
    return out;
}

struct DecodeCase {
    const char* name;
    std::vector<float> scores;
    std::vector<std::string> text;
    std::vector<float> confidence;
};

class GreedyDecoding : public testing::TestWithParam<DecodeCase> {};

TEST_P(GreedyDecoding, ReadsRunsBetweenBlanks) {
    const std::vector<std::string> alphabet{"", "1", "2", "公"};
    const DecodeCase& c = GetParam();
    const auto line = decodeGreedy(c.scores, static_cast<int>(c.scores.size() / 4), 4, alphabet);
    std::vector<std::string> text;
    std::vector<float> confidence;
    for (const ReadCharacter& ch : line) {
        text.push_back(ch.text);
        confidence.push_back(ch.confidence);
    }
    EXPECT_EQ(text, c.text);
    EXPECT_EQ(confidence, c.confidence);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GreedyDecoding,
    testing::Values(
        DecodeCase{"runIsOneCharacterAtItsBestScore",
                   steps({{{0.1f, 0.6f, 0.2f, 0.1f}}, {{0.1f, 0.8f, 0.1f, 0.0f}}, {{0.7f, 0.1f, 0.1f, 0.1f}}}),
                   {"1"}, {0.8f}},
        DecodeCase{"blankSeparatesRepeats",
                   steps({{{0.1f, 0.9f, 0, 0}}, {{0.9f, 0.1f, 0, 0}}, {{0.1f, 0.5f, 0.4f, 0}}}), {"1", "1"},
                   {0.9f, 0.5f}},
        DecodeCase{"classChangeWithoutBlank",
                   steps({{{0, 0.9f, 0.1f, 0}}, {{0, 0.1f, 0.2f, 0.7f}}}), {"1", "公"}, {0.9f, 0.7f}},
        DecodeCase{"onlyBlanks", steps({{{1, 0, 0, 0}}, {{1, 0, 0, 0}}}), {}, {}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(LineReading, ClassesBeyondTheAlphabetAreDropped) {
    const std::vector<std::string> alphabet{"", "1"};
    const auto scores = steps({{{0, 0.1f, 0, 0.9f}}, {{0, 0.9f, 0, 0.1f}}});
    const auto line = decodeGreedy(scores, 2, 4, alphabet);
    ASSERT_EQ(line.size(), 1u);
    EXPECT_EQ(line[0].text, "1");
}

std::string textOf(const std::vector<ReadCharacter>& line) {
    std::string out;
    for (const ReadCharacter& c : line) out += c.text;
    return out;
}

std::vector<ReadCharacter> charactersOf(std::initializer_list<const char*> texts) {
    std::vector<ReadCharacter> line;
    for (const char* t : texts) line.push_back({t, 0.9f});
    return line;
}

TEST(LineReading, AZeroInAFigureHoldsTheProbabilityOfItsLookAlikes) {
    const std::vector<std::string> alphabet{"", "¥", "0", "O", "1"};
    const struct {
        std::vector<float> scores;  // steps of blank, "¥", "0", "O", "1"
        const char* text;
        float lastConfidence;
    } cases[] = {
        {{0, 1, 0, 0, 0, /**/ 0, 0, 0.42f, 0.53f, 0.05f}, "¥0", 0.95f},  // "O" after the yen sign
        {{0, 1, 0, 0, 0, /**/ 0, 0, 0.55f, 0.40f, 0.05f, /**/ 0, 0, 0.3f, 0.6f, 0.1f}, "¥0", 0.95f},  // one run
        {{0, 0, 0.4f, 0.5f, 0.1f, /**/ 0, 0, 0.1f, 0, 0.9f}, "01", 0.9f},  // before a figure
        {{0, 0, 0.4f, 0.5f, 0.1f}, "O", 0.5f},                             // alone: a letter
        {{0, 0, 0, 0, 1, /**/ 1, 0, 0, 0, 0, /**/ 0, 0, 0.6f, 0.1f, 0.3f}, "10", 0.7f},  // "1" is no zero
    };
    for (const auto& c : cases) {
        const auto line =
            withZerosInFigures(decodeGreedy(c.scores, static_cast<int>(c.scores.size() / 5), 5, alphabet));
        std::string text;
        for (const ReadCharacter& ch : line) text += ch.text;
        EXPECT_EQ(text, c.text);
        ASSERT_FALSE(line.empty());
        EXPECT_FLOAT_EQ(line.back().confidence, c.lastConfidence) << c.text;
    }
}

TEST(LineReading, ADashAfterAnIdeographIsTheIdeographOne) {
    const struct {
        std::initializer_list<const char*> read;
        const char* text;
    } cases[] = {
        {{"方", "案", "-"}, "方案一"},
        {{"方", "案", "\u2014", "号"}, "方案一号"},
        {{"第", "ー", "条"}, "第一条"},
        {{"G", "4", "-", "京"}, "G4-京"},          // after a figure: a dash
        {{"京", "-", "G", "4"}, "京-G4"},          // before a figure: a dash
        {{"-", "方"}, "-方"},
        {{"3", "-", "5"}, "3-5"},
    };
    for (const auto& c : cases) EXPECT_EQ(textOf(withDashesAsOne(charactersOf(c.read))), c.text) << c.text;
}

TEST(LineReading, AYOrVOpeningAFigureIsTheYenSign) {
    const struct {
        std::initializer_list<const char*> read;
        const char* text;
    } cases[] = {
        {{"Y", "1", "1", "9", "1"}, "¥1191"},
        {{"5", "公", "里", " ", "Y", "1", "9"}, "5公里 ¥19"},
        {{"5", "公", "里", "V", "1"}, "5公里¥1"},
        {{"G", "Y", "1", "2"}, "GY12"},  // inside a word: a letter
        {{"Y", "a"}, "Ya"},
        {{"Y"}, "Y"},
    };
    for (const auto& c : cases) EXPECT_EQ(textOf(withYenBeforeFigures(charactersOf(c.read))), c.text) << c.text;
}

struct TrustCase {
    const char* name;
    std::vector<ReadCharacter> line;
    std::optional<std::string> text;
};

class FigureTrust : public testing::TestWithParam<TrustCase> {};

TEST_P(FigureTrust, UnsureDigitsDropTheLine) {
    EXPECT_EQ(trustedText(GetParam().line, 0.9f), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FigureTrust,
    testing::Values(
        TrustCase{"sureFigure", {{"3", 0.99f}, {"1", 0.95f}, {"公", 0.5f}, {"里", 0.6f}}, "31公里"},
        TrustCase{"unsureDigit", {{"3", 0.99f}, {"1", 0.89f}, {"公", 0.99f}, {"里", 0.99f}}, std::nullopt},
        TrustCase{"unsureWordsKept", {{"方", 0.3f}, {"案", 0.4f}}, "方案"},
        TrustCase{"unsureBetweenDigits", {{"5", 0.99f}, {"小", 0.99f}, {"时", 0.99f}, {"+", 0.5f}, {"7", 0.99f}},
                  std::nullopt},
        TrustCase{"unsureAroundDigits", {{"¥", 0.5f}, {"4", 0.99f}, {"元", 0.5f}}, "¥4元"},
        TrustCase{"yenAndSpaceBetweenDigits", {{"3", 0.99f}, {"公", 0.99f}, {" ", 0.4f}, {"¥", 0.5f}, {"2", 0.99f}},
                  "3公 ¥2"},
        TrustCase{"unsureTollAfterASureDistance",
                  {{"9", 0.99f}, {"8", 0.99f}, {".", 0.99f}, {"2", 0.99f}, {"公", 0.99f}, {"里", 0.99f},
                   {" ", 0.65f}, {"V", 0.39f}, {"3", 0.99f}, {"2", 0.99f}},
                  "98.2公里"},
        TrustCase{"unsureBeforeTheDistanceUnit",
                  {{"1", 0.99f}, {"小", 0.99f}, {"时", 0.99f}, {"9", 0.5f}, {"公", 0.99f}, {"里", 0.99f}},
                  std::nullopt},
        TrustCase{"unsureAfterTheUnitOfAnUnsureDistance",
                  {{"9", 0.5f}, {"公", 0.99f}, {"里", 0.99f}, {"Y", 0.3f}, {"3", 0.99f}}, std::nullopt},
        TrustCase{"trimmed", {{" ", 0.9f}, {"¥", 0.9f}, {"8", 0.99f}, {" ", 0.5f}}, "¥8"},
        TrustCase{"onlySpaces", {{" ", 0.9f}}, std::nullopt},
        TrustCase{"nothing", {}, std::nullopt}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(LineReading, LinesOfARowReadLeftToRight) {
    const std::vector<PixelBox> boxes{
        {300, 102, 400, 130},  // row 2, right
        {10, 10, 100, 40},     // row 1
        {100, 100, 200, 130},  // row 2, left, a little higher
        {10, 200, 100, 230},   // row 3
        {0, 98, 50, 130},      // row 2, leftmost
    };
    EXPECT_EQ(readingOrder(boxes, 20), (std::vector<std::size_t>{1, 4, 2, 0, 3}));
}

TEST(LineReading, ColumnsOfStackedLinesReadOneAfterTheOther) {
    const std::vector<PixelBox> boxes{
        {200, 32, 300, 52},  // right column, second line
        {0, 30, 100, 50},    // left column, second line
        {200, 2, 280, 22},   // right column, first line
        {10, 60, 70, 80},    // left column, third line
        {0, 0, 80, 20},      // left column, first line
        {60, 200, 150, 220}, // far below: a block of its own
    };
    EXPECT_EQ(readingOrder(boxes, 20), (std::vector<std::size_t>{4, 1, 3, 2, 0, 5}));
}

}  // namespace
