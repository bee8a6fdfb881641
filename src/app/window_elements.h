#pragma once
// The window's elements, as both platforms' windows build them: one fixed
// window of 560 × 510 points holding one vertical stack of seven elements
// (banner, heading, explanation, status card, read button, settings button,
// footer); the card holds the status, route and result labels.

#include "app/main_window.h"

#include <array>
#include <string>
#include <string_view>

namespace wendrel::window {

enum class FontWeight { regular, semibold, bold };

// A label: wrapping, selectable plain text in the system font.
struct LabelStyle {
    std::string_view text;  // the initial text
    int size;               // points
    FontWeight weight;
    NamedColor color;
    int maxLines;  // 0: no limit
};

// The host of the freight-rate site that imports the payload, named in the footer.
inline constexpr std::string_view freightSiteHost = "freight.example.com";

inline constexpr std::string_view title = "Wendrel";
inline constexpr int width = 560;
inline constexpr int height = 510;

// The main stack: its margins to the window's edges and its spacing.
inline constexpr int marginLeading = 28;
inline constexpr int marginTrailing = 28;
inline constexpr int marginTop = 25;
inline constexpr int marginBottom = 24;
inline constexpr int spacing = 13;

inline constexpr LabelStyle bannerLabel{"WENDREL", 11, FontWeight::semibold, NamedColor::teal, 0};
inline constexpr LabelStyle headingLabel{"读取 Mac 高德货车路线", 24, FontWeight::bold, NamedColor::label, 0};
inline constexpr LabelStyle explanationLabel{
    "在高德地图中完成货车路线规划后，点击下方按钮。助手优先读取页面文字，必要时使用 Mac 本机视觉识别窗口，不会上传截图。",
    13, FontWeight::regular, NamedColor::secondaryLabel, 3};
// The footer's text is footerText(); the rest of it is here.
inline constexpr LabelStyle footerLabel{"", 11, FontWeight::regular, NamedColor::tertiaryLabel, 2};

// The status card: a rounded, filled box with a hairline border, and its
// own stack of three labels.
inline constexpr int cardPaddingHorizontal = 16;
inline constexpr int cardPaddingVertical = 14;
inline constexpr int cardSpacing = 8;
inline constexpr int cardMinimumHeight = 175;
inline constexpr int cardCornerRadius = 10;
inline constexpr int cardBorderWidth = 1;
inline constexpr NamedColor cardFill = NamedColor::controlBackground;
inline constexpr NamedColor cardBorder = NamedColor::separator;

inline constexpr LabelStyle statusLabel{"正在检查权限…", 13, FontWeight::semibold, NamedColor::label, 0};
inline constexpr LabelStyle routeLabel{"尚未读取路线", 12, FontWeight::regular, NamedColor::secondaryLabel, 0};
inline constexpr LabelStyle resultLabel{"请先在高德地图选择“货车 → 重型货车 → 开始路线规划”。", 12,
                                       FontWeight::regular, NamedColor::secondaryLabel, 9};

inline constexpr std::string_view readButtonTitle = "读取当前高德货车结果";
inline constexpr std::string_view settingsButtonTitle = "打开屏幕录制设置";

// The seven elements of the main stack, top to bottom.
enum class Element { banner, heading, explanation, statusCard, readButton, settingsButton, footer };
inline constexpr std::array<Element, 7> elements{Element::banner,     Element::heading,    Element::explanation,
                                                 Element::statusCard, Element::readButton, Element::settingsButton,
                                                 Element::footer};

// "读取成功后，回到 freight.example.com 的“货车路线校准”，点击“导入 Mac 高德结果”。"
std::string footerText();

}  // namespace wendrel::window
