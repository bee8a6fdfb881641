#pragma once
// The pieces routeBlocks is built from, visible here so that their rules can be
// tested one by one. Nothing outside the layout and its tests uses them.

#include "text/text_rules.h"
#include "vision/amap_vision_reader.h"

#include <string>
#include <string_view>

namespace AmapVisionReader::detail {

// A travel time is hours with optional minutes, or minutes alone.
inline constexpr std::string_view travelTimePattern = "\\d{1,2}\\s*小时(?:\\s*\\d{1,2}\\s*分)?|\\d{1,4}\\s*分钟";
inline constexpr std::string_view distancePattern = "\\d{1,4}(?:\\.\\d+)?\\s*公里";

// The panel's geometry, as fractions of the reference window (1440 × 900
// points). A route option is a column: label on top, travel time (the
// anchor) below it, distance below that, the toll below the distance.
inline constexpr double labelOverlap = 0.006;           // label bottom may dip this far below the anchor top
inline constexpr double labelReach = 0.09;              // label bottom lies less than this above the anchor top
inline constexpr double labelColumnHalfWidth = 0.075;   // label centre this close to the anchor centre
inline constexpr double distanceOverlap = 0.01;         // distance top may rise this far above the anchor bottom
inline constexpr double distanceReach = 0.07;           // distance top lies less than this below the anchor bottom
inline constexpr double distanceColumnHalfWidth = 0.085;
// Origin and destination stand in the panel, the window's left 0.3, and with
// the notice row below them in its upper part, whatever the window's chrome
// above them: a title, a toolbar, a search field.
inline constexpr double endpointLeftLimit = 0.3;        // minX below this
inline constexpr double endpointTopLimit = 1 - 420.0 / 900;  // minY above this: the top 420 points

// How the panel shows origin and destination, in points: two rows, one
// under the other, each a place name at the left of the panel (a marker
// may stand before it, buttons far to its right), their left edges
// aligned, with the notice row directly below the lower one.
inline constexpr double endpointColumnWidth = 216;  // a place name starts left of this
inline constexpr double endpointAlignment = 8;      // the two names' left edges this close, as the recogniser boxes them
inline constexpr double endpointNoticeReach = 100;  // from the lower name's bottom to the notice's top
// Between the rows' centres: this many times the names' height, more than
// the lines of one name wrapped in two.
inline constexpr double endpointPitchLow = 1.2;
inline constexpr double endpointPitchHigh = 5;
inline constexpr double endpointHeightRatio = 1.45;  // the taller name's box at most this much taller: one font
// A third aligned row this many times the pair's pitch from it continues
// the pair: the two are not told from a waypoint or another line of the card.
inline constexpr double endpointContinuationLow = 0.87;
inline constexpr double endpointContinuationHigh = 1.15;
// Its left edge this close to theirs: about a character, as the recogniser
// may box a marker it does not read with the name.
inline constexpr double endpointContinuationAlignment = 10;
// A text this many name heights right of a name or nearer belongs to its
// row's name (a label before it, the rest of a long name).
inline constexpr double endpointNeighbourGap = 1.5;

// The same distances in the normalised units of one window. The panel is laid
// out in points from the window's top-left corner, so each distance is the
// same number of points in every window: 0.09 of the reference's 900 points
// is 81 points, which is 0.058 of a window 1400 points high. The endpoint
// corner is measured from the top edge. In the reference window these are
// the constants above, exactly.
struct Geometry {
    double labelOverlap = detail::labelOverlap;
    double labelReach = detail::labelReach;
    double labelColumnHalfWidth = detail::labelColumnHalfWidth;
    double distanceOverlap = detail::distanceOverlap;
    double distanceReach = detail::distanceReach;
    double distanceColumnHalfWidth = detail::distanceColumnHalfWidth;
    double endpointLeftLimit = detail::endpointLeftLimit;
    double endpointTopLimit = detail::endpointTopLimit;
    WindowSize window = referenceWindow;  // the window's size in points, for the rules drawn up in points
};
Geometry geometryOf(WindowSize window);

inline constexpr std::string_view lineSeparator = "\n";
inline constexpr std::string_view noticeLine = "通知";

// Whether the pattern matches anywhere in the text (unanchored).
bool contains(const text::Pattern& pattern, std::string_view s);

// How far apart the two fragments' vertical centres are.
double verticalDistance(const AmapRecognizedFragment& a, const AmapRecognizedFragment& b);

// Bars removed, bullets "•" written as middle dots "·", ends trimmed.
std::string clean(std::string_view s);

// clean, then dots, bullets and spaces trimmed from both ends.
std::string cleanEndpoint(std::string_view s);

// A toll as the panel shows it on a line of its own: a yen figure or the
// toll-free word, and nothing else.
inline constexpr std::string_view tollLinePattern = "^(?:[¥￥]\\s*\\d[\\d,]*(?:\\.\\d+)?|免费)$";
// A yen figure anywhere in a text: a distance line that carries its toll.
inline constexpr std::string_view yenFigurePattern = "[¥￥]\\s*\\d";

// Whether a fragment's text, as recognised, may be a route option's label.
bool isRouteLabel(std::string_view s);

// Whether a fragment's text may be the origin or the destination: a name of
// 2 to 80 characters once cleaned, no heading, tab or notice of the panel.
// (The layout also turns away texts holding a travel time or a distance.)
bool isEndpoint(std::string_view s);

// Whether the text is the panel's notice mark "通知", or starts with it (the
// mark and the notice beside it read as one line).
bool isNoticeMark(std::string_view s);

// Whether every edge and the centre of the box are finite numbers; a box that
// is not cannot be placed in the panel.
bool isPlaceable(const AmapRecognizedFragment& fragment);

}  // namespace AmapVisionReader::detail
