#pragma once
// The capture of one application's window, in the order the platform's
// capture service is asked: the on-screen windows first, then the window
// choice, then one image of the chosen window. The platform supplies the two
// requests; the order and every decision between them live here.

#include "vision/amap_vision_reader.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace AmapVisionReader::capture {

// One on-screen window as the capture service lists it.
struct ListedWindow {
    std::optional<std::string> bundleIdentifier;  // absent without an owning application
    double width = 0;                             // frame size in points
    double height = 0;
};

// What one image of a listed window is asked with. The boxes of the
// recognised text are fractions of the image, so the image must hold the
// window's frame and nothing else, filling exactly the size asked for.
struct ImageRequest {
    std::size_t window = 0;  // index in the last list
    int pixelWidth = 0;
    int pixelHeight = 0;
    bool showsCursor = false;
    // Scaled up as well as down to the size asked for. A service that only
    // scales down leaves a window of fewer pixels (a 1x display) in the
    // top-left corner of a blank image, and every box lands in the wrong place.
    bool scalesToFit = false;
    // The window's frame alone: a shadow around it would make the image
    // larger than the frame and shift the boxes again.
    bool ignoresShadow = false;
    bool operator==(const ImageRequest&) const = default;
};

class CaptureService {
public:
    virtual ~CaptureService() = default;
    // The windows on screen, in the service's order.
    virtual Expected<std::vector<ListedWindow>, PlatformError> onScreenWindows() = 0;
    // One image of a window of the last list, by itself, as `request` says.
    virtual Expected<WindowImage, PlatformError> captureImage(const ImageRequest& request) = 0;
};

// The largest window of the application wider than 300 and taller than 250
// points (the first on equal areas) at twice its size in points, scaled to
// fit, without shadow or cursor. Fails with windowNotFound, or with the
// service's error unchanged.
Expected<WindowImage, VisionError> captureLargestWindow(CaptureService& service, std::string_view bundleIdentifier);

// The error for a capture request whose answer never came.
PlatformError captureServiceSilent(std::string_view request);

}  // namespace AmapVisionReader::capture
