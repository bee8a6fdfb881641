#pragma once
// The texts the window shows for a read result and for a failed read. Pure
// functions, so that every rule is tested without a window.

#include "model/route_model.h"
#include "vision/amap_vision_reader.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace summary {

// A whole number of kilometres without a point ("298"), otherwise one
// decimal with "." whatever the locale ("305.8", "13.0", "0.0").
std::string distanceText(double km);

// "4小时20分" from one hour up (minutes always written), else "59分钟";
// seconds below a whole minute are dropped.
std::string durationText(std::int64_t seconds);

// "¥268" with the toll rounded half away from zero, "通行费未显示" when absent.
std::string tollText(const std::optional<double>& toll);

// "1. 方案一　312.5 km　4小时20分　¥268" for the option at zero-based `index`,
// the fields separated by the ideographic space U+3000.
std::string optionLine(std::size_t index, const AmapRouteOption& option);

// Origin and destination joined by " → ", whichever are present.
std::string routeLine(const AmapReadResult& result);

// One option line per option, joined by single line feeds.
std::string optionLines(const AmapReadResult& result);

// The message of a failed screen read: the fixed first line, a line break,
// then the error's own description.
std::string screenReadFailureMessage(const VisionError& error);

}  // namespace summary
