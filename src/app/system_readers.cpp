#include "app/system_readers.h"

// CMake defines these when the reader libraries are part of the build.
#ifdef WENDREL_HAVE_ACCESSIBILITY
#include "accessibility/accessibility_reader.h"
#endif
#ifdef WENDREL_HAVE_VISION_PLATFORM
#include "vision/text_recognition.h"
#include "vision/window_capture.h"
#endif

namespace wendrel {
namespace {

class SystemAccessibilityHarvest final : public AccessibilityHarvest {
public:
    std::vector<std::string> readStrings(std::int32_t pid) override {
#ifdef WENDREL_HAVE_ACCESSIBILITY
        return readAccessibilityStrings(pid);
#else
        // TEMPORARY until the accessibility walk is part of the build: no
        // texts, so every read goes on to screen recognition.
        (void)pid;
        return {};
#endif
    }
};

class SystemScreenReader final : public ScreenReader {
public:
    Expected<WindowImage, VisionError> captureWindow(std::string_view bundleIdentifier) override {
#ifdef WENDREL_HAVE_VISION_PLATFORM
        return AmapVisionReader::captureWindow(bundleIdentifier);
#else
        // TEMPORARY until window capture and recognition are part of the build.
        (void)bundleIdentifier;
        return VisionError(PlatformError{"Wendrel", 1, "本程序未包含屏幕文字识别组件（recogniser not built）"});
#endif
    }

    Expected<std::vector<std::string>, VisionError> recognizeRouteStrings(const WindowImage& image) override {
#ifdef WENDREL_HAVE_VISION_PLATFORM
        return AmapVisionReader::recognizeRouteStrings(image);
#else
        (void)image;
        return VisionError(PlatformError{"Wendrel", 1, "本程序未包含屏幕文字识别组件（recogniser not built）"});
#endif
    }
};

}  // namespace

std::unique_ptr<AccessibilityHarvest> makeSystemAccessibilityHarvest() {
    return std::make_unique<SystemAccessibilityHarvest>();
}

std::unique_ptr<ScreenReader> makeSystemScreenReader() { return std::make_unique<SystemScreenReader>(); }

}  // namespace wendrel
