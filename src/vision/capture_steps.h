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

class CaptureService {
public:
    virtual ~CaptureService() = default;
    // The windows on screen, in the service's order.
    virtual Expected<std::vector<ListedWindow>, PlatformError> onScreenWindows() = 0;
    // One image of the window at `index` of the last list, by itself, at
    // exactly the given size in pixels, without the cursor.
    virtual Expected<WindowImage, PlatformError> captureImage(std::size_t index, int pixelWidth,
                                                              int pixelHeight) = 0;
};

// The largest window of the application wider than 300 and taller than 250
// points (the first on equal areas) at twice its size in points. Fails with
// windowNotFound, or with the service's error unchanged.
Expected<WindowImage, VisionError> captureLargestWindow(CaptureService& service, std::string_view bundleIdentifier);

// The error for a capture request whose answer never came.
PlatformError captureServiceSilent(std::string_view request);

}  // namespace AmapVisionReader::capture
