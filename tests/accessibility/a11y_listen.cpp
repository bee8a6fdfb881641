// a11y-listen: registers with the accessibility registry as a listener for
// object and window events, as a screen reader does, so that applications
// publish their events on the accessibility bus; then counts the events that
// arrive. Prints "listening" once registered and "events N" when it ends
// (SIGTERM or SIGINT). The end-to-end soak runs it beside the reads.
#include <dbus/dbus.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

namespace {

volatile std::sig_atomic_t stopRequested = 0;
extern "C" void requestStop(int) { stopRequested = 1; }

struct CloseConnection {
    void operator()(DBusConnection* c) const {
        dbus_connection_close(c);
        dbus_connection_unref(c);
    }
};
using ConnectionPtr = std::unique_ptr<DBusConnection, CloseConnection>;

// Sends a call and waits for its reply; false on an error reply or none.
bool call(DBusConnection* bus, DBusMessage* message, std::string* text = nullptr) {
    if (!message) return false;
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(bus, message, 3000, &error);
    dbus_message_unref(message);
    bool ok = reply != nullptr;
    if (ok && text) {
        const char* s = nullptr;
        ok = dbus_message_get_args(reply, &error, DBUS_TYPE_STRING, &s, DBUS_TYPE_INVALID) && s;
        if (ok) *text = s;
    }
    if (!ok && dbus_error_is_set(&error)) std::cerr << "a11y-listen: " << error.message << "\n";
    if (reply) dbus_message_unref(reply);
    dbus_error_free(&error);
    return ok;
}

ConnectionPtr connect() {
    DBusError error;
    dbus_error_init(&error);
    ConnectionPtr session(dbus_bus_get_private(DBUS_BUS_SESSION, &error));
    std::string address;
    if (session) {
        dbus_connection_set_exit_on_disconnect(session.get(), FALSE);
        call(session.get(), dbus_message_new_method_call("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress"),
             &address);
    }
    ConnectionPtr bus(address.empty() ? nullptr : dbus_connection_open_private(address.c_str(), &error));
    if (bus && !dbus_bus_register(bus.get(), &error)) bus.reset();
    if (dbus_error_is_set(&error)) std::cerr << "a11y-listen: " << error.message << "\n";
    dbus_error_free(&error);
    return bus;
}

bool registerEvent(DBusConnection* bus, const char* event) {
    DBusMessage* m = dbus_message_new_method_call("org.a11y.atspi.Registry", "/org/a11y/atspi/registry",
                                                  "org.a11y.atspi.Registry", "RegisterEvent");
    if (m) dbus_message_append_args(m, DBUS_TYPE_STRING, &event, DBUS_TYPE_INVALID);
    return call(bus, m);
}

unsigned long events = 0;

DBusHandlerResult countEvent(DBusConnection*, DBusMessage* message, void*) {
    const char* interface = dbus_message_get_interface(message);
    if (dbus_message_get_type(message) == DBUS_MESSAGE_TYPE_SIGNAL && interface &&
        std::string(interface).starts_with("org.a11y.atspi.Event.")) {
        ++events;
    }
    return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
}

}  // namespace

int main() {
    std::signal(SIGTERM, requestStop);
    std::signal(SIGINT, requestStop);
    ConnectionPtr bus = connect();
    if (!bus) return 1;
    // The registry may still be starting (or starting again) when the
    // listener comes up: ask it again for a few seconds before giving up.
    for (const char* event : {"object:", "window:"}) {
        int attempt = 0;
        while (!registerEvent(bus.get(), event)) {
            if (++attempt == 20) return 1;
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
    }
    dbus_bus_add_match(bus.get(), "type='signal'", nullptr);
    dbus_connection_add_filter(bus.get(), countEvent, nullptr, nullptr);
    std::cout << "listening" << std::endl;
    while (!stopRequested && dbus_connection_read_write_dispatch(bus.get(), 100)) {
    }
    std::cout << "events " << events << std::endl;
    return 0;
}
