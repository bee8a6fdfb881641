#pragma once
// Turns the texts that one read gathered (accessibility texts or recognised
// screen blocks) into the best read result. Pure functions; the date is a
// parameter so that every block of one read carries the same readAt.

#include "model/route_model.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace AmapParser {

using Date = std::chrono::system_clock::time_point;

inline constexpr std::string_view source = "amap-mac-accessibility";
inline constexpr std::string_view vehicleType = "重型货车";

// Every text is one candidate block. Blocks holding "公里" and "小时" or
// "分钟" are parsed; the result with the most options wins, the first on a tie.
std::optional<AmapReadResult> parse(const std::vector<std::string>& strings,
                                    Date date = std::chrono::system_clock::now());

// One block of panel lines. Each option is anchored on its travel-time line:
// label above, distance below, toll on the distance line or the one after.
std::optional<AmapReadResult> parse(std::string_view block, Date date = std::chrono::system_clock::now());

// "\r\n" and lone "\r" become "\n"; no-break spaces become plain spaces.
std::string normalizeBlock(std::string_view block);

// The trimmed, non-empty lines of a normalised block, in order.
std::vector<std::string> blockLines(std::string_view block);

// Field recognisers: each looks at one trimmed line exactly as given.
std::optional<std::int64_t> parseDuration(std::string_view line);
std::optional<double> parseDistance(std::string_view line);
std::optional<double> parseToll(std::string_view line);
bool isRouteLabel(std::string_view line);

// The capture texts of the leftmost match (see text::firstMatch).
std::optional<std::vector<std::string>> firstMatch(std::string_view pattern, std::string_view line);

struct Endpoints {
    std::optional<std::string> origin;
    std::optional<std::string> destination;
};

// The origin and destination among the block's lines: the two lines above a
// "通知" line, else the last two candidate lines above the first route label.
Endpoints parseEndpoints(const std::vector<std::string>& lines, std::string_view firstRouteLabel);
bool isEndpointCandidate(std::string_view line);

}  // namespace AmapParser
