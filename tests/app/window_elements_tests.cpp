// The window's element table, which both the Qt and the AppKit window build
// from: every label's text, size, weight, colour and line limit, the
// elements' order and the window's measures.

#include "app/window_elements.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace wendrel::window;
using wendrel::NamedColor;

struct LabelRow {
    const char* name;
    LabelStyle style;
    std::string text;
    int size;
    FontWeight weight;
    NamedColor color;
    int maxLines;
};

TEST(WindowElements, EveryLabelAsTheWindowShowsIt) {
    const LabelRow rows[] = {
        {"banner", bannerLabel, "WENDREL", 11, FontWeight::semibold, NamedColor::teal, 0},
        {"heading", headingLabel, "读取 Mac 高德货车路线", 24, FontWeight::bold, NamedColor::label, 0},
        {"explanation", explanationLabel,
         "在高德地图中完成货车路线规划后，点击下方按钮。助手优先读取页面文字，必要时使用 Mac 本机视觉识别窗口，不会上传截图。",
         13, FontWeight::regular, NamedColor::secondaryLabel, 3},
        {"status", statusLabel, "正在检查权限…", 13, FontWeight::semibold, NamedColor::label, 0},
        {"route", routeLabel, "尚未读取路线", 12, FontWeight::regular, NamedColor::secondaryLabel, 0},
        {"result", resultLabel, "请先在高德地图选择“货车 → 重型货车 → 开始路线规划”。", 12, FontWeight::regular,
         NamedColor::secondaryLabel, 9},
        {"footer", footerLabel, footerText(), 11, FontWeight::regular, NamedColor::tertiaryLabel, 2},
    };
    for (const LabelRow& row : rows) {
        const std::string text = row.style.text.empty() ? footerText() : std::string(row.style.text);
        EXPECT_EQ(text, row.text) << row.name;
        EXPECT_EQ(row.style.size, row.size) << row.name;
        EXPECT_EQ(row.style.weight, row.weight) << row.name;
        EXPECT_EQ(row.style.color, row.color) << row.name;
        EXPECT_EQ(row.style.maxLines, row.maxLines) << row.name;
    }
    EXPECT_EQ(footerText(), "读取成功后，回到 freight.example.com 的“货车路线校准”，点击“导入 Mac 高德结果”。");

    EXPECT_EQ(title, "Wendrel");
    EXPECT_EQ(width, 560);
    EXPECT_EQ(height, 510);
    EXPECT_EQ((std::array{marginLeading, marginTrailing, marginTop, marginBottom, spacing}),
              (std::array{28, 28, 25, 24, 13}));
    EXPECT_EQ((std::array{cardPaddingHorizontal, cardPaddingVertical, cardSpacing, cardMinimumHeight,
                          cardCornerRadius, cardBorderWidth}),
              (std::array{16, 14, 8, 175, 10, 1}));
    EXPECT_EQ(cardFill, NamedColor::controlBackground);
    EXPECT_EQ(cardBorder, NamedColor::separator);
    EXPECT_EQ(readButtonTitle, "读取当前高德货车结果");
    EXPECT_EQ(settingsButtonTitle, "打开屏幕录制设置");
    EXPECT_EQ(elements, (std::array{Element::banner, Element::heading, Element::explanation, Element::statusCard,
                                    Element::readButton, Element::settingsButton, Element::footer}));
}

}  // namespace
