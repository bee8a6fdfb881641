// close-window WINDOW_ID: asks a window to close the way a window manager's
// close button does (a WM_DELETE_WINDOW client message), so a test can close
// a program's window under a bare X server.

#include "platform/linux/x11_windows.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

xcb_atom_t atom(xcb_connection_t* c, std::string_view name) {
    auto* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr);
    const xcb_atom_t value = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return value;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: close-window WINDOW_ID\n");
        return 2;
    }
    char* end = nullptr;
    const unsigned long id = std::strtoul(argv[1], &end, 0);
    if (end == argv[1] || *end != '\0' || id == 0 || id > 0xffffffffUL) {
        std::fprintf(stderr, "close-window: bad window id '%s'\n", argv[1]);
        return 2;
    }
    auto connection = x11::Connection::open();
    if (!connection) {
        std::fprintf(stderr, "close-window: no X display\n");
        return 1;
    }
    xcb_connection_t* c = connection->get();
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof event);
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = static_cast<xcb_window_t>(id);
    event.type = atom(c, "WM_PROTOCOLS");
    event.data.data32[0] = atom(c, "WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, event.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    const auto cookie = xcb_get_input_focus(c);  // a round trip: the event has been delivered
    std::free(xcb_get_input_focus_reply(c, cookie, nullptr));
    return 0;
}
