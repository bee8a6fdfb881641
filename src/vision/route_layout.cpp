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
constexpr std::array<std::string_view, 8> wordsNotInEndpoints = {"高德推荐", "预计", "首页", "我的",
                                                                 "货车",     "驾车", "公交", "摩托"};

constexpr std::size_t shortestLabel = 2;
constexpr std::size_t longestLabel = 24;
constexpr std::size_t shortestEndpoint = 5;
constexpr std::size_t longestEndpoint = 80;

template <std::size_t N>
bool containsAnyOf(std::string_view s, const std::array<std::string_view, N>& words) {
    return std::any_of(words.begin(), words.end(), [s](std::string_view word) { return text::contains(s, word); });
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
    return !containsAnyOf(s, wordsNotInLabels);
}

bool isEndpoint(std::string_view s) {
    const std::string cleaned = cleanEndpoint(s);
    const std::size_t length = text::graphemeLength(cleaned);
    if (length < shortestEndpoint || length > longestEndpoint) return false;
    return !containsAnyOf(cleaned, wordsNotInEndpoints);
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
    bool label = false;  // no travel time, no distance, and a label's wording
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
        }
        kinds.push_back(kind);
    }
    return kinds;
}

// The label's bottom edge sits just above the anchor's top edge (it may dip a
// little below it), in the anchor's column.
bool standsAsLabelOf(const AmapRecognizedFragment& f, const AmapRecognizedFragment& anchor) {
    return f.minY() >= anchor.maxY() - labelOverlap && f.minY() - anchor.maxY() < labelReach &&
           std::abs(f.midX() - anchor.midX()) < labelColumnHalfWidth;
}

// The distance's top edge sits just below the anchor's bottom edge (it may rise
// a little above it), in a slightly wider column than the label's.
bool standsAsDistanceOf(const AmapRecognizedFragment& f, const AmapRecognizedFragment& anchor) {
    return f.maxY() <= anchor.minY() + distanceOverlap && anchor.minY() - f.maxY() < distanceReach &&
           std::abs(f.midX() - anchor.midX()) < distanceColumnHalfWidth;
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

// Label, travel time and distance of every option that has all three, and
// how far right the options reach: the right edge of their travel times.
struct RouteLines {
    std::vector<std::string> lines;
    std::optional<double> rightEdge;
};

RouteLines routeLines(const Fragments& fragments, const std::vector<TextKind>& kinds) {
    RouteLines route;
    std::vector<std::string>& lines = route.lines;
    const std::vector<std::size_t> anchors = anchorsLeftToRight(fragments, kinds);
    for (const std::size_t a : anchors) {
        const AmapRecognizedFragment& anchor = fragments[a];
        const auto inOwnColumn = [&](std::size_t i) {
            return !nearerToAnotherAnchorOfTheRow(fragments[i], a, fragments, anchors);
        };
        const AmapRecognizedFragment* label = nearestTo(anchor, fragments, [&](std::size_t i) {
            return kinds[i].placeable && kinds[i].label && standsAsLabelOf(fragments[i], anchor) && inOwnColumn(i);
        });
        const AmapRecognizedFragment* distance = nearestTo(anchor, fragments, [&](std::size_t i) {
            return kinds[i].placeable && kinds[i].distance && standsAsDistanceOf(fragments[i], anchor) &&
                   inOwnColumn(i);
        });
        if (label == nullptr || distance == nullptr) continue;
        lines.push_back(clean(label->text));
        lines.push_back(clean(anchor.text));
        lines.push_back(clean(distance->text));
        route.rightEdge = std::max(route.rightEdge.value_or(anchor.maxX()), anchor.maxX());
    }
    return route;
}

// The two uppermost place names of the top-left corner, then "通知": the
// parser takes the two lines above a notice line as origin and destination.
// Origin and destination stand in the panel, which has a fixed width in
// points: in a wide window the corner reaches past it into the map, whose
// place names are no endpoints. So when options were found, an endpoint
// also starts left of the options' right edge.
std::vector<std::string> endpointLines(const Fragments& fragments, const std::vector<TextKind>& kinds,
                                       std::optional<double> panelRightEdge) {
    const double leftLimit = std::min(endpointLeftLimit, panelRightEdge.value_or(endpointLeftLimit));
    std::vector<std::size_t> candidates;
    for (std::size_t i = 0; i < fragments.size(); ++i) {
        const AmapRecognizedFragment& f = fragments[i];
        if (kinds[i].placeable && f.minX() < leftLimit && f.minY() > endpointTopLimit && isEndpoint(f.text))
            candidates.push_back(i);
    }
    if (candidates.size() < 2) return {};
    std::stable_sort(candidates.begin(), candidates.end(), [&fragments](std::size_t a, std::size_t b) {
        return fragments[a].midY() > fragments[b].midY();
    });
    return {cleanEndpoint(fragments[candidates[0]].text), cleanEndpoint(fragments[candidates[1]].text),
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

std::vector<std::string> routeBlocks(const std::vector<AmapRecognizedFragment>& fragments) {
    const std::vector<TextKind> kinds = classify(fragments);
    RouteLines route = routeLines(fragments, kinds);
    std::vector<std::string> lines = endpointLines(fragments, kinds, route.rightEdge);
    for (std::string& line : route.lines) lines.push_back(std::move(line));

    const std::string routeBlock = joinLines(lines);
    std::vector<std::string_view> texts;
    for (std::size_t i = 0; i < fragments.size(); ++i)
        if (!kinds[i].runTogether) texts.push_back(fragments[i].text);
    const std::string fullText = joinLines(texts);

    std::vector<std::string> blocks;
    if (!routeBlock.empty()) blocks.push_back(routeBlock);
    if (!fullText.empty()) blocks.push_back(fullText);
    return blocks;
}

}  // namespace AmapVisionReader
