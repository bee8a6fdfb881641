// The Vision recogniser on rendered route panels (macOS): what it reads
// gives the panel's options, its boxes are normalised from the lower left, and
// nothing or a broken image fails as the reader says.

#include "panel_image.h"

#include "model/route_model.h"
#include "parser/amap_parser.h"
#include "vision/text_recognition.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace AmapVisionReader;

namespace {

const auto readDate = std::chrono::sys_days{std::chrono::year{2026} / 12 / 6} + std::chrono::hours{8};

panel_image::Panel panelIn(bool dark) {
    panel_image::Panel panel;
    panel.origin = "北京市朝阳区望京街道";
    panel.destination = "天津市滨海新区于家堡";
    panel.columns = {{"推荐方案", "4小时20分", "312.5公里", "¥268"},
                     {"高速优先", "3小时58分", "298公里", "¥315"},
                     {"少收费", "5小时5分", "305.8公里", "免费"}};
    panel.dark = dark;
    return panel;
}

// What a perfect read of the panel gives: its texts as one block, parsed.
std::optional<AmapReadResult> truthOf(const panel_image::Panel& panel) {
    std::string block = panel.origin + "\n" + panel.destination + "\n通知";
    for (const auto& column : panel.columns)
        block += "\n" + column.label + "\n" + column.travelTime + "\n" + column.distance + "\n" + column.toll;
    return AmapParser::parse(std::vector<std::string>{block}, readDate);
}

// The panel is drawn in the Mac's own font, not the one the layout was
// measured with, so what is pinned is the options found: each label, travel
// time and distance, in panel order. Tolls and endpoints are left to the
// recogniser's accuracy measured elsewhere.
TEST(VisionRecognition, ReadsTheOptionsOfARenderedPanel) {
    for (const bool dark : {false, true}) {
        const panel_image::Panel panel = panelIn(dark);
        const auto strings = recognizeRouteStrings(panel_image::render(panel));
        ASSERT_TRUE(strings) << strings.error().localizedDescription();
        const auto result = AmapParser::parse(strings.value(), readDate);
        ASSERT_TRUE(result) << (dark ? "dark" : "light");
        const auto truth = truthOf(panel);
        ASSERT_TRUE(truth);
        ASSERT_EQ(result->options().size(), truth->options().size()) << (dark ? "dark" : "light");
        for (std::size_t i = 0; i < truth->options().size(); ++i) {
            const AmapRouteOption& read = result->options()[i];
            const AmapRouteOption& want = truth->options()[i];
            EXPECT_EQ(read.label(), want.label()) << i;
            EXPECT_EQ(read.durationSeconds(), want.durationSeconds()) << want.label();
            EXPECT_EQ(read.distanceKm(), want.distanceKm()) << want.label();
        }
    }
}

TEST(VisionRecognition, BoxesAreNormalisedFromTheLowerLeft) {
    const auto fragments = recognizeFragments(panel_image::render(panelIn(false)));
    ASSERT_TRUE(fragments) << fragments.error().localizedDescription();
    const auto find = [&](std::string_view text) -> const AmapRecognizedFragment* {
        const auto it = std::find_if(fragments->begin(), fragments->end(), [&](const auto& f) { return f.text == text; });
        return it == fragments->end() ? nullptr : &*it;
    };
    const auto* origin = find("北京市朝阳区望京街道");
    const auto* time = find("4小时20分");
    const auto* distance = find("312.5公里");
    ASSERT_TRUE(origin && time && distance);
    // The origin is drawn near the top, the distance under the time.
    EXPECT_GT(origin->minY(), 0.5);
    EXPECT_GT(time->minY(), distance->maxY());
    for (const AmapRecognizedFragment& f : fragments.value()) {
        EXPECT_GE(f.minX(), -0.01);
        EXPECT_LE(f.maxY(), 1.01);
    }
}

TEST(VisionRecognition, NothingToReadAndBrokenImagesFail) {
    const WindowImage white{640, 400, std::vector<std::uint8_t>(640 * 400 * 4, 255)};
    const auto nothing = recognizeRouteStrings(white);
    ASSERT_FALSE(nothing);
    EXPECT_EQ(nothing.error(), VisionError(AmapVisionReaderError::recognitionFailed));

    WindowImage broken = white;
    broken.rgba.resize(100);
    const auto refused = recognizeRouteStrings(broken);
    ASSERT_FALSE(refused);
    EXPECT_FALSE(refused.error().isReaderError());
}

}  // namespace
