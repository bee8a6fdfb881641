#include "platform/linux/linux_services.h"

#include <QApplication>

#ifdef WENDREL_HAVE_CANBERRA
#include <canberra.h>
#endif

namespace wendrel::linux_desktop {
namespace {

class LinuxSounds final : public Sounds {
public:
    LinuxSounds() = default;
    LinuxSounds(const LinuxSounds&) = delete;
    LinuxSounds& operator=(const LinuxSounds&) = delete;
    ~LinuxSounds() override {
#ifdef WENDREL_HAVE_CANBERRA
        if (context_) ca_context_destroy(context_);
#endif
    }

    void playSuccess() override {
#ifdef WENDREL_HAVE_CANBERRA
        // The context lives as long as the program: the sound plays
        // asynchronously and would be cut off if it were destroyed at once.
        if (!context_ && ca_context_create(&context_) != CA_SUCCESS) {
            context_ = nullptr;
            return;
        }
        // A missing theme sound or sound server is no reason to bother the user.
        ca_context_play(context_, 0, CA_PROP_EVENT_ID, "complete", CA_PROP_EVENT_DESCRIPTION, "Route copied",
                        CA_PROP_APPLICATION_NAME, "Wendrel", nullptr);
#endif
    }

    void alert() override { QApplication::beep(); }

private:
#ifdef WENDREL_HAVE_CANBERRA
    ca_context* context_ = nullptr;
#endif
};

}  // namespace

std::unique_ptr<Sounds> makeLinuxSounds() { return std::make_unique<LinuxSounds>(); }

}  // namespace wendrel::linux_desktop
