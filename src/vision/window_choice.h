#pragma once
// Which of an application's windows the capture takes: portable, so the rule
// is the same on every platform and can be tested without a display.

#include <cstddef>
#include <optional>
#include <vector>

namespace AmapVisionReader::capture {

// A window's frame size in points.
struct WindowSize {
    double width = 0;
    double height = 0;
};

inline constexpr double minimumWidth = 300;   // a window must be wider than this
inline constexpr double minimumHeight = 250;  // and taller than this

// The index of the largest window (by area) among those wider than 300 and
// taller than 250 points, the first one on equal areas; absent when none
// qualifies.
std::optional<std::size_t> largestQualifyingWindow(const std::vector<WindowSize>& windows);

}  // namespace AmapVisionReader::capture
