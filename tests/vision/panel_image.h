#pragma once
// A route panel of the map application drawn as a window image, for the
// tests of the platform's recogniser: the sidebar of a 1440 × 900-point
// window at two pixels a point, with origin and destination at its top and
// the options side by side below them, as the panel lays them out.

#include "vision/amap_vision_reader.h"

#include <string>
#include <vector>

namespace panel_image {

struct Column {
    std::string label;
    std::string travelTime;  // "4小时20分"
    std::string distance;    // "312.5公里"
    std::string toll;        // "¥268" or "免费"
};

struct Panel {
    std::string origin;
    std::string destination;
    std::vector<Column> columns;  // 1 to 3
    bool dark = false;
};

// In the system's Chinese font (macOS: CoreText).
WindowImage render(const Panel& panel);

}  // namespace panel_image
