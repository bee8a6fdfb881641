// Trust for the Accessibility API, asked of the system. Access for screen
// capture is in screen_capture_access_macos.mm.

#include "platform/macos/cf_ref.h"
#include "platform/macos/macos_services.h"

#include <ApplicationServices/ApplicationServices.h>

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

}  // namespace

std::unique_ptr<AccessibilityTrust> makeAxAccessibilityTrust() { return std::make_unique<AxAccessibilityTrust>(); }

}  // namespace wendrel::macos_desktop
