#include "app/system_readers.h"

#include "accessibility/accessibility_reader.h"
#include "vision/text_recognition.h"
#include "vision/window_capture.h"

namespace wendrel {
namespace {

class SystemAccessibilityHarvest final : public AccessibilityHarvest {
public:
    std::vector<std::string> readStrings(std::int32_t pid) override { return readAccessibilityStrings(pid); }
};

class SystemScreenReader final : public ScreenReader {
public:
    Expected<WindowImage, VisionError> captureWindow(std::string_view bundleIdentifier) override {
        // Recognition follows the capture: its models load beside it.
        AmapVisionReader::prepareRecognition();
        return AmapVisionReader::captureWindow(bundleIdentifier);
    }

    Expected<std::vector<std::string>, VisionError> recognizeRouteStrings(const WindowImage& image) override {
        return AmapVisionReader::recognizeRouteStrings(image);
    }

    std::optional<VisionError> warmUpRecognition() override { return AmapVisionReader::warmUpRecognition(); }
};

}  // namespace

std::unique_ptr<AccessibilityHarvest> makeSystemAccessibilityHarvest() {
    return std::make_unique<SystemAccessibilityHarvest>();
}

std::unique_ptr<ScreenReader> makeSystemScreenReader() { return std::make_unique<SystemScreenReader>(); }

}  // namespace wendrel
