// Access for screen capture: CoreGraphics tests and requests the grant, and
// ScreenCaptureKit is asked for its shareable content so that macOS lists
// Wendrel under Screen & System Audio Recording and prompts.

#import <CoreGraphics/CoreGraphics.h>
#import <ScreenCaptureKit/ScreenCaptureKit.h>

#include "platform/macos/macos_services.h"

namespace wendrel::macos_desktop {
namespace {

class CgScreenCaptureAccess final : public ScreenCaptureAccess {
public:
    bool preflight() override { return CGPreflightScreenCaptureAccess(); }
    bool request() override { return CGRequestScreenCaptureAccess(); }

    // On macOS 15 and later CGRequestScreenCaptureAccess may answer false
    // without a prompt and without entering Wendrel in the list; a request
    // to ScreenCaptureKit does both. Its answer says nothing the request has
    // not said, so nobody waits for it.
    void askCaptureService() override {
        [SCShareableContent getShareableContentWithCompletionHandler:^(SCShareableContent*, NSError*){
        }];
    }
};

}  // namespace

std::unique_ptr<ScreenCaptureAccess> makeCgScreenCaptureAccess() { return std::make_unique<CgScreenCaptureAccess>(); }

}  // namespace wendrel::macos_desktop
