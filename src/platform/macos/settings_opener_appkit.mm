#import <AppKit/AppKit.h>

#include "platform/macos/macos_services.h"
#include "platform/macos/ns_bridge.h"
#include "platform/privacy_settings.h"

namespace wendrel::macos_desktop {
namespace {

class WorkspaceSettingsOpener final : public SettingsOpener {
public:
    // An address that is no valid URL opens nothing; the workspace's answer
    // is not examined, since a refused page leaves nothing to do.
    void openPrivacySettings(std::string_view permission) override {
        @autoreleasepool {
            NSString* address = macos::nsStringFromUtf8(platform_settings::privacySettingsUrl(permission));
            NSURL* url = address ? [NSURL URLWithString:address] : nil;
            if (url) [NSWorkspace.sharedWorkspace openURL:url];
        }
    }
};

}  // namespace

std::unique_ptr<SettingsOpener> makeWorkspaceSettingsOpener() { return std::make_unique<WorkspaceSettingsOpener>(); }

}  // namespace wendrel::macos_desktop
