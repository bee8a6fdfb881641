// The two grants the program needs, asked of the system: trust for the
// Accessibility API and access for screen capture.

#include "platform/macos/cf_ref.h"
#include "platform/macos/macos_services.h"

#include <ApplicationServices/ApplicationServices.h>
#include <CoreGraphics/CoreGraphics.h>

namespace wendrel::macos_desktop {
namespace {

class AxAccessibilityTrust final : public AccessibilityTrust {
public:
    bool isTrusted(bool prompt) override {
        if (!prompt) return AXIsProcessTrusted();
        // The prompt is shown asynchronously; the answer is today's state.
        const void* keys[] = {kAXTrustedCheckOptionPrompt};
        const void* values[] = {kCFBooleanTrue};
        const macos::CfRef<CFDictionaryRef> options(CFDictionaryCreate(
            kCFAllocatorDefault, keys, values, 1, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
        return AXIsProcessTrustedWithOptions(options.get());
    }
};

class CgScreenCaptureAccess final : public ScreenCaptureAccess {
public:
    bool preflight() override { return CGPreflightScreenCaptureAccess(); }
    bool request() override { return CGRequestScreenCaptureAccess(); }
};

}  // namespace

std::unique_ptr<AccessibilityTrust> makeAxAccessibilityTrust() { return std::make_unique<AxAccessibilityTrust>(); }

std::unique_ptr<ScreenCaptureAccess> makeCgScreenCaptureAccess() { return std::make_unique<CgScreenCaptureAccess>(); }

}  // namespace wendrel::macos_desktop
