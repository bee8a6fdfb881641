#import <AppKit/AppKit.h>

#include "platform/macos/macos_services.h"

namespace wendrel::macos_desktop {
namespace {

class AppKitSounds final : public Sounds {
public:
    // A missing sound is nil, and a message to nil does nothing.
    void playSuccess() override { [[NSSound soundNamed:@"Glass"] play]; }
    void alert() override { NSBeep(); }
};

}  // namespace

std::unique_ptr<Sounds> makeAppKitSounds() { return std::make_unique<AppKitSounds>(); }

}  // namespace wendrel::macos_desktop
