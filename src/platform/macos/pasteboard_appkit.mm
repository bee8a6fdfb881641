#import <AppKit/AppKit.h>

#include "platform/macos/macos_services.h"
#include "platform/macos/ns_bridge.h"

namespace wendrel::macos_desktop {
namespace {

class AppKitPasteboard final : public Clipboard {
public:
    // Cleared first, so that the pasteboard holds the payload as plain text
    // and nothing else. setString:forType: answers NO when another program
    // took the pasteboard meanwhile: the read then fails rather than report
    // a copy that did not happen.
    bool writeText(const std::string& text) override {
        @autoreleasepool {
            NSString* payload = macos::nsStringFromUtf8(text);
            if (!payload) return false;
            NSPasteboard* pasteboard = NSPasteboard.generalPasteboard;
            [pasteboard clearContents];
            return [pasteboard setString:payload forType:NSPasteboardTypeString];
        }
    }
};

}  // namespace

std::unique_ptr<Clipboard> makeAppKitPasteboard() { return std::make_unique<AppKitPasteboard>(); }

}  // namespace wendrel::macos_desktop
