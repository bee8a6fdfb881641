#include "vision/capture_steps.h"

#include "vision/recognition_cleanup.h"
#include "vision/window_choice.h"

namespace AmapVisionReader::capture {

Expected<WindowImage, VisionError> captureLargestWindow(CaptureService& service, std::string_view bundleIdentifier) {
    auto listed = service.onScreenWindows();
    if (!listed) return VisionError(listed.error());

    // Only the application's own windows take part in the choice; `owners`
    // maps each candidate back to its place in the service's list.
    std::vector<WindowSize> sizes;
    std::vector<std::size_t> owners;
    for (std::size_t i = 0; i < listed.value().size(); ++i) {
        const ListedWindow& window = listed.value()[i];
        if (!window.bundleIdentifier || *window.bundleIdentifier != bundleIdentifier) continue;
        sizes.push_back({window.width, window.height});
        owners.push_back(i);
    }
    const auto chosen = largestQualifyingWindow(sizes);
    if (!chosen) return VisionError(AmapVisionReaderError::windowNotFound);

    const WindowSize& size = sizes[*chosen];
    auto image = service.captureImage({.window = owners[*chosen],
                                       .pixelWidth = recognition::capturePixels(size.width),
                                       .pixelHeight = recognition::capturePixels(size.height),
                                       .showsCursor = false,
                                       .scalesToFit = true,
                                       .ignoresShadow = true});
    if (!image) return VisionError(image.error());
    return std::move(image).value();
}

PlatformError captureServiceSilent(std::string_view request) {
    return PlatformError{"ScreenCaptureKit", -1,
                         "屏幕录制服务没有应答（" + std::string(request) + "），请稍后再试"};
}

}  // namespace AmapVisionReader::capture
