// Rebuilds the route panel's lines from where the recognised fragments stand in
// the window. The panel shows its route options side by side, each a column of
// label, travel time and distance; origin and destination stand in the window's
// top-left corner. The parser wants them as one text in panel order: origin,
// destination, "通知", then label, travel time and distance of every option,
// left to right.

#include "vision/route_layout_detail.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace AmapVisionReader {
namespace detail {
namespace {

// Panel words that a label or an endpoint fragment is never made of: tabs,
// navigation and notices that happen to stand in the same places.
constexpr std::array<std::string_view, 7> wordsNotInLabels = {"通知", "高德推荐", "货车", "驾车",
                                                              "我的", "首页", "到达"};
constexpr std::array<std::string_view, 9> wordsNotInEndpoints = {"高德推荐", "预计", "首页", "我的", "货车",
                                                                 "驾车",     "公交", "摩托", "通知"};
// Short texts of the panel that are headings, tabs or switches, never a
// place or an option's label: whole-text matches, as a place name or a
// label ("常规路线") may hold such a word.
constexpr std::array<std::string_view, 13> panelHeadings = {"路线", "高德地图", "路况", "未开启", "禁区显示",
                                                            "长途信息", "步行", "骑行", "打车", "起点",
                                                            "终点", "途经点", "添加途经点"};

constexpr std::string_view truncatedLabel = "方案";
constexpr std::size_t shortestLabel = 2;
constexpr std::size_t longestLabel = 24;
constexpr std::size_t shortestEndpoint = 2;
constexpr std::size_t longestEndpoint = 80;

template <std::size_t N>
bool containsAnyOf(std::string_view s, const std::array<std::string_view, N>& words) {
    return std::any_of(words.begin(), words.end(), [s](std::string_view word) { return text::contains(s, word); });
}

bool isPanelHeading(std::string_view s) {
    return std::find(panelHeadings.begin(), panelHeadings.end(), s) != panelHeadings.end();
}

// The recogniser often reads the dots and bullets drawn beside a place name as
// part of it.
bool isEndpointDecoration(char32_t c) { return c == U'·' || c == U'●' || c == U'•' || c == U' '; }

}  // namespace

bool contains(const text::Pattern& pattern, std::string_view s) { return pattern.matchesIn(s); }

double verticalDistance(const AmapRecognizedFragment& a, const AmapRecognizedFragment& b) {
    return std::abs(a.midY() - b.midY());
}

std::string clean(std::string_view s) {
    // The recogniser reads column rules as "|" and draws bullets either way.
    return text::trim(text::replaceAll(text::replaceAll(s, "|", ""), "•", "·"));
}

std::string cleanEndpoint(std::string_view s) { return text::trimWhere(clean(s), isEndpointDecoration); }

bool isRouteLabel(std::string_view s) {
    const std::size_t length = text::graphemeLength(s);
    if (length < shortestLabel || length > longestLabel) return false;
    // The panel numbers its plain options "方案一" to "方案三"; a bare "方案"
    // is one whose numeral, a single stroke, the recogniser lost.
    const std::string cleaned = clean(s);
    if (cleaned == truncatedLabel || isPanelHeading(cleaned)) return false;
    return !containsAnyOf(s, wordsNotInLabels);
}

bool isEndpoint(std::string_view s) {
    const std::string cleaned = cleanEndpoint(s);
    const std::size_t length = text::graphemeLength(cleaned);
    if (length < shortestEndpoint || length > longestEndpoint) return false;
    if (isPanelHeading(cleaned)) return false;
    return !containsAnyOf(cleaned, wordsNotInEndpoints);
}

bool isNoticeMark(std::string_view s) { return clean(s).starts_with(noticeLine); }

Geometry geometryOf(WindowSize window) {
    const bool usable = std::isfinite(window.width) && std::isfinite(window.height) && window.width > 0 &&
                        window.height > 0;
    if (!usable) window = referenceWindow;
    // A distance of the reference window in this window's units; a factor of
    // exactly 1 in the reference window, so its rules stay as they are.
    const double across = referenceWindow.width / window.width;
    const double down = referenceWindow.height / window.height;
    Geometry g;
    g.labelOverlap = labelOverlap * down;
    g.labelReach = labelReach * down;
    g.labelColumnHalfWidth = labelColumnHalfWidth * across;
    g.distanceOverlap = distanceOverlap * down;
    g.distanceReach = distanceReach * down;
    g.distanceColumnHalfWidth = distanceColumnHalfWidth * across;
    g.endpointLeftLimit = endpointLeftLimit * across;
    g.endpointTopLimit = 1 - (1 - endpointTopLimit) * down;
    g.window = window;
    return g;
}

bool isPlaceable(const AmapRecognizedFragment& f) {
    return std::isfinite(f.minX()) && std::isfinite(f.maxX()) && std::isfinite(f.minY()) &&
           std::isfinite(f.maxY()) && std::isfinite(f.midX()) && std::isfinite(f.midY());
}

}  // namespace detail

namespace {

using namespace detail;
using Fragments = std::vector<AmapRecognizedFragment>;

// What the patterns say about one fragment's text. Worked out once per
// fragment instead of once per fragment and anchor: the answers are the same,
// and a busy window has hundreds of fragments.
struct TextKind {
    bool runTogether = false;  // two travel times or two distances: see classify
    bool placeable = false;
    bool travelTime = false;
    bool distance = false;
    bool label = false;      // no travel time, no distance, and a label's wording
    bool toll = false;       // a yen figure or the toll-free word, alone
    bool yenFigure = false;  // a yen figure anywhere in the text
    bool endpoint = false;   // no travel time, no distance, and a place's wording
    bool notice = false;     // the notice mark "通知"
};

// Twice the pattern in one text, one after the other.
std::string twice(std::string_view pattern) {
    const std::string once = "(?:" + std::string(pattern) + ")";
    return once + ".*" + once;
}

// A fragment holding two travel times or two distances is the lines of two
// neighbouring columns run together (the recogniser boxed them as one line
// where the columns' texts nearly touch). Which figure belongs to which
// column cannot be told, and the first one read would go to whichever
// column the box leans to: such a fragment is left out of both blocks.
std::vector<TextKind> classify(const Fragments& fragments) {
    const text::Pattern travelTime(travelTimePattern);
    const text::Pattern distance(distancePattern);
    const text::Pattern twoTravelTimes(twice(travelTimePattern));
    const text::Pattern twoDistances(twice(distancePattern));
    const text::Pattern tollLine(tollLinePattern);
    const text::Pattern yenFigure(yenFigurePattern);
    std::vector<TextKind> kinds;
    kinds.reserve(fragments.size());
    for (const AmapRecognizedFragment& f : fragments) {
        TextKind kind;
        const bool travelTimeIn = contains(travelTime, f.text);
        const bool distanceIn = contains(distance, f.text);
        // Looked for twice only where found once: most fragments hold neither.
        kind.runTogether = (travelTimeIn && contains(twoTravelTimes, f.text)) ||
                           (distanceIn && contains(twoDistances, f.text));
        if (!kind.runTogether) {
            kind.placeable = isPlaceable(f);
            kind.travelTime = travelTimeIn;
            kind.distance = distanceIn;
            kind.label = !travelTimeIn && !distanceIn && isRouteLabel(f.text);
            kind.toll = contains(tollLine, clean(f.text));
            kind.yenFigure = contains(yenFigure, f.text);
            kind.endpoint = !travelTimeIn && !distanceIn && isEndpoint(f.text);
            kind.notice = isNoticeMark(f.text);
        }
        kinds.push_back(kind);
    }
    return kinds;
}

// The label's bottom edge sits just above the anchor's top edge (it may dip a
// little below it), in the anchor's column.
bool standsAsLabelOf(const AmapRecognizedFragment& f, const AmapRecognizedFragment& anchor, const Geometry& g) {
    return f.minY() >= anchor.maxY() - g.labelOverlap && f.minY() - anchor.maxY() < g.labelReach &&
           std::abs(f.midX() - anchor.midX()) < g.labelColumnHalfWidth;
}

// The fragment's top edge sits just below the upper one's bottom edge (it may
// rise a little above it), in the column centred at `column`, slightly wider
// than the label's: a distance below its travel time, a toll below its
// distance.
bool standsBelow(const AmapRecognizedFragment& f, const AmapRecognizedFragment& upper, double column,
                 const Geometry& g) {
    return f.maxY() <= upper.minY() + g.distanceOverlap && upper.minY() - f.maxY() < g.distanceReach &&
           std::abs(f.midX() - column) < g.distanceColumnHalfWidth;
}

bool overlapVertically(const AmapRecognizedFragment& a, const AmapRecognizedFragment& b) {
    return a.minY() < b.maxY() && b.minY() < a.maxY();
}

// Of the accepted fragments, those standing in one row are the same line of
// neighbouring columns: only the one horizontally nearest to the anchor is
// its own (even when the neighbour's travel time was not recognised, so that
// no other anchor marks the neighbour's column). Of what is left, the one
// whose centre is vertically nearest to the anchor's; on a tie the one
// recognised first. Null when none is accepted.
template <typename Accept>
const AmapRecognizedFragment* nearestTo(const AmapRecognizedFragment& anchor, const Fragments& fragments,
                                        Accept accept) {
    std::vector<std::size_t> accepted;
    for (std::size_t i = 0; i < fragments.size(); ++i)
        if (accept(i)) accepted.push_back(i);
    const auto offset = [&](std::size_t i) { return std::abs(fragments[i].midX() - anchor.midX()); };
    const auto besideANearerOne = [&](std::size_t i) {
        return std::any_of(accepted.begin(), accepted.end(), [&](std::size_t j) {
            return j != i && overlapVertically(fragments[j], fragments[i]) && offset(j) < offset(i);
        });
    };
    const AmapRecognizedFragment* best = nullptr;
    double bestDistance = 0;
    for (const std::size_t i : accepted) {
        if (besideANearerOne(i)) continue;
        const double distance = verticalDistance(fragments[i], anchor);
        if (best == nullptr || distance < bestDistance) {
            best = &fragments[i];
            bestDistance = distance;
        }
    }
    return best;
}

// Travel-time fragments, left to right; equal centres keep recognition order.
std::vector<std::size_t> anchorsLeftToRight(const Fragments& fragments, const std::vector<TextKind>& kinds) {
    std::vector<std::size_t> anchors;
    for (std::size_t i = 0; i < fragments.size(); ++i)
        if (kinds[i].placeable && kinds[i].travelTime) anchors.push_back(i);
    std::stable_sort(anchors.begin(), anchors.end(), [&fragments](std::size_t a, std::size_t b) {
        return fragments[a].midX() < fragments[b].midX();
    });
    return anchors;
}

// Whether the fragment belongs to the column of another anchor of the same
// row: the panel has a fixed width in points, so in a wide window its columns
// stand closer together than the column half-widths, and a neighbour's
// distance would otherwise be a candidate too.
bool nearerToAnotherAnchorOfTheRow(const AmapRecognizedFragment& f, std::size_t anchor, const Fragments& fragments,
                                   const std::vector<std::size_t>& anchors) {
    const double ownOffset = std::abs(f.midX() - fragments[anchor].midX());
    return std::any_of(anchors.begin(), anchors.end(), [&](std::size_t other) {
        return other != anchor && overlapVertically(fragments[other], fragments[anchor]) &&
               std::abs(f.midX() - fragments[other].midX()) < ownOffset;
    });
}

// Label, travel time, distance and toll of every option that has the first
// three, how far right the options reach (the right edge of their travel
// times), and the travel times that have no label of their own.
struct RouteLines {
    std::vector<std::string> lines;
    std::optional<double> rightEdge;
    std::vector<bool> withoutLabel;  // by fragment
};

RouteLines routeLines(const Fragments& fragments, const std::vector<TextKind>& kinds, const Geometry& g) {
    RouteLines route;
    std::vector<std::string>& lines = route.lines;
    route.withoutLabel.assign(fragments.size(), false);
    const std::vector<std::size_t> anchors = anchorsLeftToRight(fragments, kinds);
    for (const std::size_t a : anchors) {
        const AmapRecognizedFragment& anchor = fragments[a];
        const auto inOwnColumn = [&](std::size_t i) {
            return kinds[i].placeable && !nearerToAnotherAnchorOfTheRow(fragments[i], a, fragments, anchors);
        };
        const AmapRecognizedFragment* label = nearestTo(anchor, fragments, [&](std::size_t i) {
            return kinds[i].label && standsAsLabelOf(fragments[i], anchor, g) && inOwnColumn(i);
        });
        const AmapRecognizedFragment* distance = nearestTo(anchor, fragments, [&](std::size_t i) {
            return kinds[i].distance && standsBelow(fragments[i], anchor, anchor.midX(), g) && inOwnColumn(i);
        });
        route.withoutLabel[a] = label == nullptr;
        if (label == nullptr || distance == nullptr) continue;
        lines.push_back(clean(label->text));
        lines.push_back(clean(anchor.text));
        lines.push_back(clean(distance->text));
        route.rightEdge = std::max(route.rightEdge.value_or(anchor.maxX()), anchor.maxX());
        // The toll stands under the distance by the distance's own column
        // rules; the parser reads it from the line after the distance. A
        // distance line that carries its toll needs none.
        if (kinds[static_cast<std::size_t>(distance - fragments.data())].yenFigure) continue;
        const AmapRecognizedFragment* toll = nearestTo(anchor, fragments, [&](std::size_t i) {
            return kinds[i].toll && standsBelow(fragments[i], *distance, anchor.midX(), g) && inOwnColumn(i);
        });
        if (toll != nullptr) lines.push_back(clean(toll->text));
    }
    return route;
}

// A fragment's box in points from the window's top-left corner, as the
// panel is laid out.
struct PointBox {
    double left = 0, top = 0, right = 0, bottom = 0;
    double nameLeft = 0;  // where a name's first character starts, after a marker read with it
    double height() const { return bottom - top; }
    double midY() const { return (top + bottom) / 2; }
};

PointBox inPoints(const AmapRecognizedFragment& f, const Geometry& g) {
    const double left = f.minX() * g.window.width;
    return {left, (1 - f.maxY()) * g.window.height, f.maxX() * g.window.width, (1 - f.minY()) * g.window.height,
            left};
}

// The marks drawn before a place name, when the recogniser reads them.
bool isMarkerOnly(std::string_view s) { return !s.empty() && cleanEndpoint(s).empty(); }
bool startsWithMarker(std::string_view s) {
    const std::string cleaned = clean(s);  // a bullet "•" is a middle dot "·" now
    return cleaned.starts_with("·") || cleaned.starts_with("●");
}

// One row of texts of the panel's upper part, left to right, and what it
// holds at its left: the notice mark, or a name that may be a place.
struct PanelRow {
    std::vector<std::size_t> fragments;  // left to right, without markers
    std::size_t leftmost = 0;            // the row's leftmost text, marker or not
    std::optional<std::size_t> name;     // the leftmost text that is no marker
    bool marked = false;                 // a marker before the name, read with it or on its own
    bool notice = false;                 // the row starts with the notice mark
};

// A marker the recogniser read on its own: its bullet, or a dot or icon
// taken for a letter ("O"), far smaller than the row's texts.
bool isMarkerBeside(const AmapRecognizedFragment& f, double rowHeight, const Geometry& g) {
    if (isMarkerOnly(f.text)) return true;
    return text::graphemeLength(clean(f.text)) <= 2 && inPoints(f, g).height() < 0.6 * rowHeight;
}

// The texts of the panel's upper part in rows, top to bottom: the texts
// that start in its left column, each joining the row whose first text its
// centre stands in; the panel's other texts (buttons, icons at its right)
// join a row where they stand in one and are left out where they stand
// between rows.
std::vector<PanelRow> panelRows(const Fragments& fragments, const std::vector<TextKind>& kinds, const Geometry& g,
                                double leftLimit) {
    std::vector<std::size_t> upper;
    for (std::size_t i = 0; i < fragments.size(); ++i)
        if (kinds[i].placeable && fragments[i].minX() < leftLimit && fragments[i].minY() > g.endpointTopLimit)
            upper.push_back(i);
    std::stable_sort(upper.begin(), upper.end(), [&](std::size_t a, std::size_t b) {
        return fragments[a].maxY() > fragments[b].maxY();
    });
    const auto inColumn = [&](std::size_t i) { return inPoints(fragments[i], g).left < endpointColumnWidth; };
    std::vector<PanelRow> rows;
    std::vector<std::size_t> firsts;
    for (const bool column : {true, false}) {
        for (const std::size_t i : upper) {
            if (inColumn(i) != column) continue;
            const double mid = inPoints(fragments[i], g).midY();
            const auto row = std::find_if(firsts.begin(), firsts.end(), [&](std::size_t first) {
                const PointBox box = inPoints(fragments[first], g);
                return mid > box.top && mid < box.bottom;
            });
            if (row != firsts.end()) {
                rows[static_cast<std::size_t>(row - firsts.begin())].fragments.push_back(i);
            } else if (column) {
                firsts.push_back(i);
                rows.emplace_back().fragments = {i};
            }
        }
    }
    for (PanelRow& row : rows) {
        std::stable_sort(row.fragments.begin(), row.fragments.end(),
                         [&](std::size_t a, std::size_t b) { return fragments[a].minX() < fragments[b].minX(); });
        double height = 0;
        for (const std::size_t i : row.fragments) height = std::max(height, inPoints(fragments[i], g).height());
        // Markers read on their own are no texts of the row: one before the
        // name marks it.
        std::vector<std::size_t> texts;
        for (const std::size_t i : row.fragments) {
            if (!isMarkerBeside(fragments[i], height, g)) texts.push_back(i);
            else if (texts.empty()) row.marked = true;
        }
        row.leftmost = row.fragments.front();
        row.notice = kinds[row.leftmost].notice;
        row.fragments = std::move(texts);
        if (row.fragments.empty()) continue;
        row.name = row.fragments.front();
        row.marked = row.marked || startsWithMarker(fragments[*row.name].text);
    }
    return rows;
}

// A name's box and where its first character starts: a marker read with
// the name is about one character wide, and the names are aligned without
// it (when the recogniser read one row's marker and not the other's).
PointBox nameBox(const AmapRecognizedFragment& f, const Geometry& g) {
    PointBox box = inPoints(f, g);
    if (startsWithMarker(f.text)) {
        const auto characters = std::max<std::size_t>(1, text::graphemeLength(clean(f.text)));
        box.nameLeft += (box.right - box.left) / static_cast<double>(characters);
    }
    return box;
}

// Whether the row's name stands alone in the panel's left column: no other
// text starts in the column, as the items of a toolbar stand one beside the
// other, and nothing close to its right could be the rest of it or a name
// of which it is the label. A button far right of it may stand in the row.
bool standsAlone(const PanelRow& row, const Fragments& fragments, const Geometry& g) {
    if (!row.name) return false;
    const PointBox name = nameBox(fragments[*row.name], g);
    if (name.nameLeft >= endpointColumnWidth) return false;
    return std::none_of(row.fragments.begin(), row.fragments.end(), [&](std::size_t i) {
        const PointBox other = inPoints(fragments[i], g);
        return i != *row.name && other.left > name.left &&
               (other.left < endpointColumnWidth || other.left - name.right < endpointNeighbourGap * name.height());
    });
}

// A name that starts or ends with punctuation or a symbol other than the
// markers: a marker the recogniser misread ("）浙江省…"), where the name
// starts cannot be told, or a control such as a city picker ("武汉▼").
bool hasAStrayMark(std::string_view s) {
    static const text::Pattern mark("^[\\p{P}\\p{S}]|[\\p{P}\\p{S}]$");
    return mark.matchesIn(cleanEndpoint(s));
}

// Whether the row holds a place name: alone, and worded as a place may be.
bool holdsAPlace(const PanelRow& row, const Fragments& fragments, const std::vector<TextKind>& kinds,
                 const Geometry& g) {
    return standsAlone(row, fragments, g) && kinds[*row.name].endpoint && !hasAStrayMark(fragments[*row.name].text);
}

// Whether two rows' names stand as the panel's two place rows: left edges
// aligned, one font, about a row's pitch apart.
bool standOneUnderTheOther(const PointBox& upper, const PointBox& lower, double alignment = endpointAlignment) {
    const double taller = std::max(upper.height(), lower.height());
    const double shorter = std::min(upper.height(), lower.height());
    const double pitch = lower.midY() - upper.midY();
    const double height = (upper.height() + lower.height()) / 2;
    // A marker read with a name stands somewhere in its first character's
    // width: the other name may start anywhere from the marker to there.
    const auto alignedWith = [alignment](const PointBox& a, const PointBox& b) {
        return b.left >= a.left - alignment && b.left <= a.nameLeft + alignment;
    };
    const bool aligned = std::abs(upper.left - lower.left) <= alignment || alignedWith(upper, lower) ||
                         alignedWith(lower, upper) || std::abs(upper.nameLeft - lower.nameLeft) <= alignment;
    return aligned && shorter > 0 &&
           taller <= endpointHeightRatio * shorter && pitch >= endpointPitchLow * height &&
           pitch <= endpointPitchHigh * height;
}

// Whether a third row continues the pair at about its pitch, as a waypoint
// between origin and destination would, or a line of the card under the
// destination: then which two rows are origin and destination cannot be
// told. `beyond` stands above `upper` or below `lower`.
bool continuesThePair(const PointBox& beyond, const PointBox& upper, const PointBox& lower) {
    const double pitch = lower.midY() - upper.midY();
    const bool above = beyond.midY() < upper.midY();
    const double beyondPitch = above ? upper.midY() - beyond.midY() : beyond.midY() - lower.midY();
    return (above ? standOneUnderTheOther(beyond, upper, endpointContinuationAlignment)
                  : standOneUnderTheOther(lower, beyond, endpointContinuationAlignment)) &&
           beyondPitch >= endpointContinuationLow * pitch && beyondPitch <= endpointContinuationHigh * pitch;
}

// The fragments of the origin and the destination.
struct Places {
    std::size_t origin = 0;
    std::size_t destination = 0;
};

// The pair of rows rows[at - 1] (upper) and rows[at] (lower), when they are
// the panel's place rows and no row beside them that could be a place
// continues them.
std::optional<Places> placeRowsEndingAt(const std::vector<PanelRow>& rows, std::size_t at, const Fragments& fragments,
                                        const std::vector<TextKind>& kinds, const Geometry& g) {
    if (at < 1 || at >= rows.size()) return std::nullopt;
    const PanelRow& upperRow = rows[at - 1];
    const PanelRow& lowerRow = rows[at];
    if (!holdsAPlace(upperRow, fragments, kinds, g) || !holdsAPlace(lowerRow, fragments, kinds, g))
        return std::nullopt;
    const PointBox upper = nameBox(fragments[*upperRow.name], g);
    const PointBox lower = nameBox(fragments[*lowerRow.name], g);
    if (!standOneUnderTheOther(upper, lower)) return std::nullopt;
    const auto continues = [&](const PanelRow& row) {
        return holdsAPlace(row, fragments, kinds, g) && continuesThePair(nameBox(fragments[*row.name], g), upper, lower);
    };
    if (at >= 2 && continues(rows[at - 2])) return std::nullopt;
    if (at + 1 < rows.size() && continues(rows[at + 1])) return std::nullopt;
    return Places{*upperRow.name, *lowerRow.name};
}

// The place rows directly above the notice row. The first notice row from
// the top that has them: a toolbar may show a notifications button "通知".
std::optional<Places> placesAboveTheNotice(const std::vector<PanelRow>& rows, const Fragments& fragments,
                                           const std::vector<TextKind>& kinds, const Geometry& g) {
    for (std::size_t at = 1; at < rows.size(); ++at) {
        if (!rows[at].notice || !rows[at - 1].name) continue;
        // The notice mark itself: a row may hold nothing else but markers.
        const PointBox notice = inPoints(fragments[rows[at].leftmost], g);
        const PointBox lower = inPoints(fragments[*rows[at - 1].name], g);
        if (notice.top - lower.bottom > endpointNoticeReach) continue;
        if (const auto places = placeRowsEndingAt(rows, at - 1, fragments, kinds, g)) return places;
    }
    return std::nullopt;
}

// The two rows that carry markers, one directly under the other, when no
// other row carries one.
std::optional<Places> placesByTheirMarkers(const std::vector<PanelRow>& rows, const Fragments& fragments,
                                           const std::vector<TextKind>& kinds, const Geometry& g) {
    std::vector<std::size_t> marked;
    for (std::size_t at = 0; at < rows.size(); ++at)
        if (rows[at].marked) marked.push_back(at);
    if (marked.size() != 2 || marked[1] != marked[0] + 1) return std::nullopt;
    return placeRowsEndingAt(rows, marked[1], fragments, kinds, g);
}

// Origin and destination by the panel's structure, never by their words
// alone: the two place rows directly above the notice row (whatever stands
// higher, a toolbar, a title, a search field, a heading, is never one); with
// no notice mark in view, the two rows that carry the markers the recogniser
// reads before the names, when they are the only two. Then "通知", as the
// parser takes the two lines above a notice line as origin and destination.
// Anything less certain gives no endpoints: a missing endpoint is better
// than a wrong one. The panel has a fixed width in points: in a wide window
// its left 0.3 reaches past it into the map, so when options were found
// its texts also start left of the options' right edge.
std::vector<std::string> endpointLines(const Fragments& fragments, const std::vector<TextKind>& kinds,
                                       const Geometry& g, std::optional<double> panelRightEdge) {
    const double leftLimit = std::min(g.endpointLeftLimit, panelRightEdge.value_or(g.endpointLeftLimit));
    const std::vector<PanelRow> rows = panelRows(fragments, kinds, g, leftLimit);
    const bool noticeInView = std::any_of(rows.begin(), rows.end(), [](const PanelRow& r) { return r.notice; });
    const std::optional<Places> places = noticeInView ? placesAboveTheNotice(rows, fragments, kinds, g)
                                                      : placesByTheirMarkers(rows, fragments, kinds, g);
    if (!places) return {};
    return {cleanEndpoint(fragments[places->origin].text), cleanEndpoint(fragments[places->destination].text),
            std::string(noticeLine)};
}

template <typename Texts>
std::string joinLines(const Texts& texts) {
    std::string joined;
    bool first = true;
    for (const auto& text : texts) {
        if (!first) joined += lineSeparator;
        joined += text;
        first = false;
    }
    return joined;
}

}  // namespace

WindowSize windowOfImage(const WindowImage& image) { return {image.width / 2.0, image.height / 2.0}; }

std::vector<std::string> routeBlocks(const std::vector<AmapRecognizedFragment>& fragments, WindowSize window) {
    const Geometry g = geometryOf(window);
    const std::vector<TextKind> kinds = classify(fragments);
    RouteLines route = routeLines(fragments, kinds, g);
    std::vector<std::string> lines = endpointLines(fragments, kinds, g, route.rightEdge);
    for (std::string& line : route.lines) lines.push_back(std::move(line));

    const std::string routeBlock = joinLines(lines);
    // Where the layout built options, the full text could only give more by
    // an option whose label it did not find, taking the line read before its
    // travel time (another column's toll, a heading) for that label: such a
    // travel time stays out of the full text. Where it built none, the full
    // text stays whole.
    const bool optionsBuilt = !route.lines.empty();
    std::vector<std::string_view> texts;
    for (std::size_t i = 0; i < fragments.size(); ++i)
        if (!kinds[i].runTogether && !(optionsBuilt && route.withoutLabel[i])) texts.push_back(fragments[i].text);
    const std::string fullText = joinLines(texts);

    std::vector<std::string> blocks;
    if (!routeBlock.empty()) blocks.push_back(routeBlock);
    if (!fullText.empty()) blocks.push_back(fullText);
    return blocks;
}

}  // namespace AmapVisionReader
