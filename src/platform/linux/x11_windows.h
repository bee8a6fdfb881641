#pragma once
// The X11 plumbing shared by the running-application lookup and the window
// capture: one connection to the display and the list of client windows.

#include <xcb/xcb.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace x11 {

// An open connection to the X display named by $DISPLAY; closes on scope exit.
class Connection {
public:
    // Absent when no display is reachable.
    static std::optional<Connection> open();
    ~Connection();
    Connection(Connection&&) noexcept;
    Connection& operator=(Connection&&) noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    xcb_connection_t* get() const { return connection_; }
    xcb_screen_t* screen() const { return screen_; }
    xcb_window_t root() const { return screen_->root; }

private:
    Connection(xcb_connection_t* connection, xcb_screen_t* screen) : connection_(connection), screen_(screen) {}
    xcb_connection_t* connection_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
};

// A top-level client window (one that carries WM_STATE, or a direct child of
// the root when no window manager runs).
struct ClientWindow {
    xcb_window_t id = 0;
    std::string instance;             // WM_CLASS instance
    std::string windowClass;          // WM_CLASS class
    std::optional<std::int32_t> pid;  // _NET_WM_PID
    bool viewable = false;            // map state IsViewable
    int width = 0;                    // pixels
    int height = 0;
};

// The client windows in _NET_CLIENT_LIST order when a window manager
// publishes it, else in stacking order of the root's children.
std::vector<ClientWindow> clientWindows(const Connection& connection);

// Viewable client windows whose WM_CLASS instance or class equals `identifier`.
std::vector<ClientWindow> windowsOf(const Connection& connection, const std::string& identifier);

// The display's scale: Xft.dpi / 96 from the resource database, 1 when unset.
double displayScale(const Connection& connection);

// Whether the display has the Composite extension.
bool hasComposite(const Connection& connection);

}  // namespace x11
