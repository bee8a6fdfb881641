#import <AppKit/AppKit.h>

#include "platform/macos/macos_services.h"
#include "platform/macos/ns_bridge.h"

namespace wendrel::macos_desktop {
namespace {

class AppKitRunningApplications final : public RunningApplications {
public:
    std::vector<std::int32_t> processIdentifiers(std::string_view bundleIdentifier) override {
        @autoreleasepool {
            NSString* identifier = macos::nsStringFromUtf8(bundleIdentifier);
            if (!identifier) return {};
            std::vector<std::int32_t> pids;
            for (NSRunningApplication* application in
                 [NSRunningApplication runningApplicationsWithBundleIdentifier:identifier]) {
                // An instance without a process answers -1; there is nothing to read in it.
                const pid_t pid = application.processIdentifier;
                if (pid > 0) pids.push_back(pid);
            }
            return pids;
        }
    }
};

}  // namespace

std::unique_ptr<RunningApplications> makeAppKitRunningApplications() {
    return std::make_unique<AppKitRunningApplications>();
}

}  // namespace wendrel::macos_desktop
