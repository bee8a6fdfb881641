#pragma once
// What the application asks of the desktop, one small interface per concern.
// Each platform supplies its implementations through makeDesktopServices()
// (the platform's file is chosen by CMake); the tests supply fakes.

#include "model/expected.h"
#include "vision/amap_vision_reader.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wendrel {

// The running instances of an application, first instance first.
class RunningApplications {
public:
    virtual ~RunningApplications() = default;
    virtual std::vector<std::int32_t> processIdentifiers(std::string_view bundleIdentifier) = 0;
};

// Whether this program may read other programs' accessibility trees.
class AccessibilityTrust {
public:
    virtual ~AccessibilityTrust() = default;
    // With `prompt` false nothing is ever shown to the user.
    virtual bool isTrusted(bool prompt) = 0;
};

// Whether this program may capture other programs' windows.
class ScreenCaptureAccess {
public:
    virtual ~ScreenCaptureAccess() = default;
    // Never shows anything.
    virtual bool preflight() = 0;
    // May ask the user; true when access is granted now.
    virtual bool request() = 0;
    // Asks the capture service what this program may capture and does not
    // wait for the answer. On macOS 15 and later the request alone may
    // neither prompt nor list the program under Screen Recording; asking
    // ScreenCaptureKit does both.
    virtual void askCaptureService() = 0;
};

// The system clipboard, plain text only.
class Clipboard {
public:
    virtual ~Clipboard() = default;
    // Replaces the clipboard's contents with `text` alone; false when the
    // clipboard does not hold exactly that text afterwards.
    virtual bool writeText(const std::string& text) = 0;
};

class Sounds {
public:
    virtual ~Sounds() = default;
    // A short success sound; nothing when the platform has none.
    virtual void playSuccess() = 0;
    // The system alert sound.
    virtual void alert() = 0;
};

// Opens the system's privacy settings at the list that grants a permission:
// "screen" for screen capture, anything else for accessibility. Platforms
// without such a page open nothing.
class SettingsOpener {
public:
    virtual ~SettingsOpener() = default;
    virtual void openPrivacySettings(std::string_view permission) = 0;
};

// The texts of an application's accessibility tree. Called on the main thread.
class AccessibilityHarvest {
public:
    virtual ~AccessibilityHarvest() = default;
    virtual std::vector<std::string> readStrings(std::int32_t pid) = 0;
};

// Window capture and text recognition. Called on the read task's background
// thread, never on two threads at once.
class ScreenReader {
public:
    virtual ~ScreenReader() = default;
    virtual Expected<WindowImage, VisionError> captureWindow(std::string_view bundleIdentifier) = 0;
    virtual Expected<std::vector<std::string>, VisionError> recognizeRouteStrings(const WindowImage& image) = 0;
    // Readies the recogniser for a first read (blocking, off the main
    // thread); the recogniser's own error when it failed.
    virtual std::optional<VisionError> warmUpRecognition() { return std::nullopt; }
};

struct DesktopServices {
    std::unique_ptr<RunningApplications> runningApplications;
    std::unique_ptr<AccessibilityTrust> accessibilityTrust;
    std::unique_ptr<ScreenCaptureAccess> screenCapture;
    std::unique_ptr<Clipboard> clipboard;
    std::unique_ptr<Sounds> sounds;
    std::unique_ptr<SettingsOpener> settings;
    std::unique_ptr<AccessibilityHarvest> accessibilityHarvest;
    std::unique_ptr<ScreenReader> screenReader;
};

// The platform's services, with the given readers. On Linux it needs a
// QApplication (the clipboard is Qt's).
DesktopServices makeDesktopServices(std::unique_ptr<AccessibilityHarvest> accessibilityHarvest,
                                    std::unique_ptr<ScreenReader> screenReader);

}  // namespace wendrel
