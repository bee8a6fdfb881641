#include "platform/linux/linux_services.h"
#include "platform/linux/x11_windows.h"

#include <algorithm>

namespace wendrel::linux_desktop {
namespace {

class X11RunningApplications final : public RunningApplications {
public:
    std::vector<std::int32_t> processIdentifiers(std::string_view bundleIdentifier) override {
        const auto connection = x11::Connection::open();
        if (!connection) return {};
        std::vector<std::int32_t> pids;
        // One process may own several windows; it is listed once, where its
        // first window stands. A minimised application still runs, so
        // windows that are not viewable count too; the capture then reports
        // that it found no window to read.
        for (const x11::ClientWindow& window : x11::clientWindows(*connection)) {
            if (window.instance != bundleIdentifier && window.windowClass != bundleIdentifier) continue;
            if (window.pid && std::find(pids.begin(), pids.end(), *window.pid) == pids.end())
                pids.push_back(*window.pid);
        }
        return pids;
    }
};

class X11ScreenCaptureAccess final : public ScreenCaptureAccess {
public:
    bool preflight() override {
        const auto connection = x11::Connection::open();
        return connection && x11::hasComposite(*connection);
    }
    // X11 has no capture permission to grant: the answer is the same.
    bool request() override { return preflight(); }
    // Nor a list of programs to be entered in.
    void askCaptureService() override {}
};

}  // namespace

std::unique_ptr<RunningApplications> makeX11RunningApplications() {
    return std::make_unique<X11RunningApplications>();
}

std::unique_ptr<ScreenCaptureAccess> makeX11ScreenCaptureAccess() {
    return std::make_unique<X11ScreenCaptureAccess>();
}

}  // namespace wendrel::linux_desktop
