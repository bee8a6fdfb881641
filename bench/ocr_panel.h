#pragma once
// Renders route panels like the map application's truck-route sidebar, with
// varied values, fonts, sizes, themes and map clutter, together with the
// payload a perfect read of each gives. Used by the recognition accuracy
// benchmark and by the recognition tests. Needs a QGuiApplication.

#include "vision/amap_vision_reader.h"

#include <QImage>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace ocrcorpus {

struct PanelStyle {
    bool serif = false;      // Noto Serif CJK SC instead of Noto Sans CJK SC
    int pointSize = 13;      // 11..15; the travel times are drawn larger and bold
    bool dark = false;       // dark sidebar and map
    bool clutter = true;     // roads, parks, water, place names, icons
    bool markers = true;     // green and red dots before origin and destination
};

struct RouteColumn {
    std::string label;
    std::string travelTime;  // "4小时20分", "45分钟"
    std::string distance;    // "312.5公里"
    std::string toll;        // "¥268" or "免费"
};

struct Panel {
    std::string origin;
    std::string destination;
    std::vector<RouteColumn> columns;  // 1..3, left to right
    PanelStyle style;
};

// The window in points; rendered at `scale` pixels per point.
inline constexpr int windowWidthPoints = 1440;
inline constexpr int windowHeightPoints = 900;

// A panel with values, style and clutter drawn from the seed.
Panel randomPanel(std::uint32_t seed);

// The window image at `scale` pixels per point (2 for a native 2× window).
QImage render(const Panel& panel, int scale, std::uint32_t clutterSeed);

// The image as the capture hands it over: RGBA, rows top to bottom.
WindowImage windowImageOf(const QImage& image);

// The payload line a perfect read of the panel gives at `date`; empty when
// the panel's own texts do not parse (a fault of the generator).
std::string expectedPayload(const Panel& panel, std::chrono::system_clock::time_point date);

}  // namespace ocrcorpus
