#pragma once
// Renders route panels like the map application's truck-route sidebar, with
// varied values, fonts, sizes, themes, window sizes and map clutter, together
// with the payload a perfect read of each gives. Used by the recognition
// accuracy benchmark and by the recognition tests. Needs a QGuiApplication.
//
// The sidebar has a fixed width in points whatever the window's size, so in a
// wide window its columns stand close together in the window's normalised
// units (0.05 apart at 2560 points, 0.13 at 1000).

#include "model/route_model.h"
#include "vision/amap_vision_reader.h"

#include <QImage>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ocrcorpus {

// The window in points unless a panel says otherwise; rendered at `scale`
// pixels per point.
inline constexpr int windowWidthPoints = 1440;
inline constexpr int windowHeightPoints = 900;

struct PanelStyle {
    bool serif = false;      // Noto Serif CJK SC instead of Noto Sans CJK SC
    int pointSize = 13;      // 11..15; the travel times are drawn larger and bold
    bool dark = false;       // dark sidebar and map
    bool clutter = true;     // roads, parks, water, place names, route notices, icons
    bool markers = true;     // green and red dots before origin and destination
    int windowWidth = windowWidthPoints;    // points
    int windowHeight = windowHeightPoints;  // points
    double columnPitch = 130;  // points between the centres of neighbouring options
    int selected = 0;          // the chosen option: its card outlined, its label in the accent colour
    bool boldFigures = false;  // distances drawn bold too, not only the travel times
    bool tollBesideDistance = false;  // "312.5公里 ¥268" on one line instead of the toll below
    double noticeTop = 200;    // points: the notice row's top, when the panel has a notice
};

// How the origin and destination rows are marked, when they are.
enum class MarkerShape {
    dotApart,          // a green and a red dot well left of the names: the recogniser does not read them
    bulletBeforeText,  // a bullet just before each name, read with it ("● 天津港")
    badge,             // a round badge "起" or "终" left of the name
};

// What stands around the endpoints in a real window besides the panel's own
// rows: a title, a toolbar, a search field, a heading, buttons beside the
// rows, a waypoint. The default is the toolbar of vehicle tabs alone.
struct PanelChrome {
    std::string title;  // the window's title over the toolbar; empty: none
    std::vector<std::string> toolbar = {"驾车", "货车", "公交", "摩托"};  // tabs, a city picker, buttons
    int toolbarSelected = 1;   // drawn in the accent colour; -1: none
    bool cityPicker = false;   // the first toolbar item is a city, drawn with its ▾
    std::string search;        // a search field under the toolbar showing this hint or typed text; empty: none
    std::string heading;       // a heading over the endpoints' card; empty: none
    std::string via;           // a waypoint row between origin and destination; empty: none
    std::string besideOrigin;       // a button's text at the card's right end of the origin's row; empty: none
    std::string besideDestination;  // the same beside the destination's row
    bool swapIcon = false;     // the two-arrow swap icon between the rows, at the card's right
    MarkerShape markerShape = MarkerShape::dotApart;
    double endpointLeft = 58;  // points: the names' left edge
    double rowPitch = 50;      // points from one endpoint row's top to the next
    double toolbarLeft = 30;   // points: the first toolbar item's left edge
    std::string belowDestination;  // a line of the card under the destination ("现在出发"); empty: none
    double belowPitch = 0.8;       // its distance from the destination's row, in row pitches
};

struct RouteColumn {
    std::string label;
    std::string travelTime;  // "4小时20分", "45分钟"
    std::string distance;    // "312.5公里"
    std::string toll;        // "¥268", "¥0" or "免费"
};

struct Panel {
    std::string origin;       // 2 to 12 characters
    std::string destination;
    std::string notice;       // beside the mark "通知" under the endpoints; empty: no notice row
    std::vector<RouteColumn> columns;  // 1..3, left to right
    PanelStyle style;
    PanelChrome chrome;
};

// Where the sidebar's top rows stand, in points from the window's top.
struct SidebarRows {
    double title = 0, toolbar = 0, search = 0, heading = 0;  // tops of those that are drawn
    double cardTop = 0, origin = 0, via = 0, destination = 0, below = 0, cardBottom = 0;
};
SidebarRows sidebarRowsOf(const Panel& panel);

// A panel with values, style, window size and clutter drawn from the seed.
Panel randomPanel(std::uint32_t seed);

// The window image at `scale` pixels per point (2 for a native 2× window).
QImage render(const Panel& panel, int scale, std::uint32_t clutterSeed);

// A 1× window image enlarged to 2× with a smooth filter, as the capture hands
// a window of a screen at scale 1 to the recogniser.
QImage enlargedTwice(const QImage& image);

// The image as the capture hands it over: RGBA, rows top to bottom.
WindowImage windowImageOf(const QImage& image);

// What a perfect read of the panel gives at `date`: absent when the panel's
// own texts do not parse (a fault of the generator).
std::optional<AmapReadResult> expectedResult(const Panel& panel, std::chrono::system_clock::time_point date);

// The payload line of expectedResult; empty when there is none.
std::string expectedPayload(const Panel& panel, std::chrono::system_clock::time_point date);

// How a read compares with the panel's truth (the perfect read).
enum class Outcome {
    full,     // every option, each toll the panel shows, both endpoints: the same payload
    partial,  // something left out, nothing wrong
    none,     // nothing read
    wrong,    // a value the panel does not show: a label, figure, toll or endpoint, or an extra option
};

struct Judgement {
    Outcome outcome = Outcome::none;
    int options = 0;          // the panel's
    int optionsFound = 0;     // of those, read with the right label, travel time and distance
    int tolls = 0;            // the panel's options whose toll a perfect read carries
    int tollsCarried = 0;     // of those, read with the right toll
    bool endpoints = false;   // origin and destination both read right
};

Judgement judge(const AmapReadResult& truth, const std::optional<AmapReadResult>& read);

}  // namespace ocrcorpus
