#include "platform/linux/x11_windows.h"

#include <xcb/composite.h>
#include <xcb/xcb_xrm.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

namespace x11 {
namespace {

// xcb hands out replies allocated with malloc; they are released with free.
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_atom_t internAtom(xcb_connection_t* c, std::string_view name) {
    const auto cookie = xcb_intern_atom(c, 1, static_cast<std::uint16_t>(name.size()), name.data());
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

struct Atoms {
    xcb_atom_t wmState = XCB_ATOM_NONE;
    xcb_atom_t netClientList = XCB_ATOM_NONE;
    xcb_atom_t netWmPid = XCB_ATOM_NONE;
};

Atoms internAtoms(xcb_connection_t* c) {
    // only_if_exists: an atom nobody has created cannot be set on any window.
    return {internAtom(c, "WM_STATE"), internAtom(c, "_NET_CLIENT_LIST"), internAtom(c, "_NET_WM_PID")};
}

xcb_get_property_cookie_t askProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property,
                                      xcb_atom_t type, std::uint32_t longLength) {
    return xcb_get_property(c, 0, window, property, type, 0, longLength);
}

// Window ids listed in a 32-bit WINDOW property; absent when the property is missing.
std::optional<std::vector<xcb_window_t>> windowListProperty(xcb_connection_t* c, xcb_window_t window,
                                                            xcb_atom_t property) {
    if (property == XCB_ATOM_NONE) return std::nullopt;
    const Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, askProperty(c, window, property, XCB_ATOM_WINDOW, 1u << 16), nullptr));
    if (!reply || reply->type != XCB_ATOM_WINDOW || reply->format != 32) return std::nullopt;
    const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    return std::vector<xcb_window_t>(ids, ids + count);
}

bool hasProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property) {
    if (property == XCB_ATOM_NONE) return false;
    const Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, askProperty(c, window, property, XCB_ATOM_ANY, 0), nullptr));
    return reply && reply->type != XCB_ATOM_NONE;
}

std::vector<xcb_window_t> childrenOf(xcb_connection_t* c, xcb_window_t window) {
    const Reply<xcb_query_tree_reply_t> reply(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    if (!reply) return {};
    const xcb_window_t* children = xcb_query_tree_children(reply.get());
    return {children, children + xcb_query_tree_children_length(reply.get())};
}

// The client window inside a window manager's frame: the frame itself or the
// first descendant (breadth first) that carries WM_STATE.
std::optional<xcb_window_t> clientInside(xcb_connection_t* c, xcb_window_t frame, xcb_atom_t wmState) {
    std::vector<xcb_window_t> level{frame};
    // Frames are shallow; the depth bound guards against a pathological tree.
    for (int depth = 0; depth < 8 && !level.empty(); ++depth) {
        std::vector<xcb_window_t> next;
        for (xcb_window_t window : level) {
            if (hasProperty(c, window, wmState)) return window;
            const auto children = childrenOf(c, window);
            next.insert(next.end(), children.begin(), children.end());
        }
        level = std::move(next);
    }
    return std::nullopt;
}

bool isOverrideRedirect(xcb_connection_t* c, xcb_window_t window) {
    const Reply<xcb_get_window_attributes_reply_t> reply(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    return !reply || reply->override_redirect;
}

// The root's children in stacking order (bottom first), each replaced by the
// client inside it; with no window manager the child itself is the client.
std::vector<xcb_window_t> clientsByStacking(xcb_connection_t* c, xcb_window_t root, xcb_atom_t wmState) {
    std::vector<xcb_window_t> clients;
    for (xcb_window_t child : childrenOf(c, root)) {
        if (auto client = clientInside(c, child, wmState)) {
            clients.push_back(*client);
        } else if (!isOverrideRedirect(c, child)) {
            clients.push_back(child);
        }
    }
    return clients;
}

// Requests for one window, sent together so that the replies arrive in one round trip.
struct PendingWindow {
    xcb_window_t id;
    xcb_get_property_cookie_t wmClass;
    std::optional<xcb_get_property_cookie_t> pid;  // absent when no client ever set _NET_WM_PID
    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_geometry_cookie_t geometry;
};

PendingWindow askAbout(xcb_connection_t* c, xcb_window_t window, const Atoms& atoms) {
    PendingWindow pending{window, askProperty(c, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 256), {}, {}, {}};
    if (atoms.netWmPid != XCB_ATOM_NONE) pending.pid = askProperty(c, window, atoms.netWmPid, XCB_ATOM_CARDINAL, 1);
    pending.attributes = xcb_get_window_attributes(c, window);
    pending.geometry = xcb_get_geometry(c, window);
    return pending;
}

// WM_CLASS holds two NUL-terminated strings: the instance, then the class.
void readWmClass(xcb_get_property_reply_t* reply, ClientWindow& window) {
    if (!reply || reply->format != 8) return;
    const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply));
    const std::string_view value(bytes, static_cast<std::size_t>(xcb_get_property_value_length(reply)));
    const std::size_t end = value.find('\0');
    window.instance = std::string(value.substr(0, end));
    if (end == std::string_view::npos) return;
    const std::string_view rest = value.substr(end + 1);
    window.windowClass = std::string(rest.substr(0, rest.find('\0')));
}

void readPid(xcb_get_property_reply_t* reply, ClientWindow& window) {
    if (!reply || reply->type != XCB_ATOM_CARDINAL || reply->format != 32 || xcb_get_property_value_length(reply) < 4)
        return;
    std::uint32_t pid = 0;
    std::memcpy(&pid, xcb_get_property_value(reply), sizeof pid);
    if (pid > 0 && pid <= 0x7fffffffu) window.pid = static_cast<std::int32_t>(pid);
}

// Absent when the window vanished between the listing and the questions.
std::optional<ClientWindow> collect(xcb_connection_t* c, const PendingWindow& pending) {
    const Reply<xcb_get_property_reply_t> wmClass(xcb_get_property_reply(c, pending.wmClass, nullptr));
    const Reply<xcb_get_property_reply_t> pid(pending.pid ? xcb_get_property_reply(c, *pending.pid, nullptr) : nullptr);
    const Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, pending.attributes, nullptr));
    const Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, pending.geometry, nullptr));
    if (!attributes || !geometry) return std::nullopt;

    ClientWindow window;
    window.id = pending.id;
    readWmClass(wmClass.get(), window);
    readPid(pid.get(), window);
    window.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    window.width = geometry->width;
    window.height = geometry->height;
    return window;
}

}  // namespace

std::optional<Connection> Connection::open() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return std::nullopt;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && it.rem > 0; ++i) xcb_screen_next(&it);
    if (it.rem == 0 || it.data == nullptr) {
        xcb_disconnect(connection);
        return std::nullopt;
    }
    return Connection(connection, it.data);
}

Connection::~Connection() {
    if (connection_) xcb_disconnect(connection_);
}

Connection::Connection(Connection&& other) noexcept
    : connection_(std::exchange(other.connection_, nullptr)), screen_(std::exchange(other.screen_, nullptr)) {}

Connection& Connection::operator=(Connection&& other) noexcept {
    if (this != &other) {
        if (connection_) xcb_disconnect(connection_);
        connection_ = std::exchange(other.connection_, nullptr);
        screen_ = std::exchange(other.screen_, nullptr);
    }
    return *this;
}

std::vector<ClientWindow> clientWindows(const Connection& connection) {
    xcb_connection_t* c = connection.get();
    const Atoms atoms = internAtoms(c);
    auto listed = windowListProperty(c, connection.root(), atoms.netClientList);
    const std::vector<xcb_window_t> ids =
        listed ? std::move(*listed) : clientsByStacking(c, connection.root(), atoms.wmState);
    std::vector<PendingWindow> pending;
    pending.reserve(ids.size());
    for (xcb_window_t id : ids) pending.push_back(askAbout(c, id, atoms));

    std::vector<ClientWindow> windows;
    windows.reserve(ids.size());
    for (const PendingWindow& p : pending) {
        if (auto window = collect(c, p)) windows.push_back(std::move(*window));
    }
    return windows;
}

std::vector<ClientWindow> windowsOf(const Connection& connection, const std::string& identifier) {
    std::vector<ClientWindow> matching;
    for (ClientWindow& window : clientWindows(connection)) {
        if (window.viewable && (window.instance == identifier || window.windowClass == identifier))
            matching.push_back(std::move(window));
    }
    return matching;
}

double displayScale(const Connection& connection) {
    xcb_xrm_database_t* database = xcb_xrm_database_from_default(connection.get());
    if (!database) return 1.0;
    char* value = nullptr;
    double scale = 1.0;
    if (xcb_xrm_resource_get_string(database, "Xft.dpi", nullptr, &value) == 0 && value) {
        // from_chars ignores the process locale, which may use a decimal comma.
        const std::string_view text(value);
        double dpi = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), dpi);
        // A malformed or absurd value leaves the scale at 1 rather than
        // shrinking or blowing up every captured window.
        if (error == std::errc() && end != text.data() && dpi >= 24.0 && dpi <= 960.0) scale = dpi / 96.0;
    }
    std::free(value);
    xcb_xrm_database_free(database);
    return scale;
}

bool hasComposite(const Connection& connection) {
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection.get(), &xcb_composite_id);
    return extension && extension->present;
}

}  // namespace x11
