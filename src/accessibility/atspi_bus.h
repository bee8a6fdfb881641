#pragma once
// The AT-SPI conversation over libdbus that the reader is built on: private
// connections, the messages it sends, reading their replies, and finding the
// application of a process. Linux only; nothing here is attached to a main
// loop.

#include "accessibility/accessibility_walk.h"
#include "accessibility/atspi_toolkit.h"

#include <dbus/dbus.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

namespace accessibility::atspi {

// A map application that stops answering must not freeze Wendrel for the
// D-Bus default of 25 s on each of thousands of calls.
inline constexpr int callTimeoutMs = 1000;
// The bus launcher and the registry may be started on demand by the first
// call; they are not the application being read, so they get longer.
inline constexpr int discoveryTimeoutMs = 3000;

inline constexpr const char* accessibleInterface = "org.a11y.atspi.Accessible";
inline constexpr const char* textInterface = "org.a11y.atspi.Text";
inline constexpr const char* valueInterface = "org.a11y.atspi.Value";

// A private connection: closed before it is released.
struct CloseConnection {
    void operator()(DBusConnection* connection) const {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
    }
};
using ConnectionPtr = std::unique_ptr<DBusConnection, CloseConnection>;

// What the elements of one role have in common on a bridge built on ATK:
// the role's two names, and whether its elements were seen with a text and
// without one.
struct RoleTraits {
    std::optional<std::string> name;
    std::optional<std::string> localizedName;
    bool withText = false;
    bool withoutText = false;
};

// What one application's accessibility bridge offers, learnt during a walk.
struct Bridge {
    // Help texts and identifiers are recent additions many bridges lack (Qt's
    // has neither); once one answered that it has no such property, its other
    // elements are not asked.
    bool offersHelpText = true;
    bool offersIdentifier = true;
    // Whether one Properties.GetAll gives an element's texts: only on a bridge
    // built on ATK (bridgeIsBuiltOnAtk); Qt's crashes on it.
    bool answersGetAll = false;
    // Whether a role's names follow from its number, as they do on a bridge
    // built on ATK, and what its elements share, by role number.
    bool rolesByNumber = false;
    std::unordered_map<std::uint32_t, RoleTraits> roles;
};

// Where one element lives: the connection, the owner's bus name, the path.
// `bus` is the accessibility bus or a direct connection to the application;
// an element another process embeds is reached through `accessibilityBus`.
struct Target {
    DBusConnection* bus = nullptr;
    std::string busName;
    std::string path;
    std::shared_ptr<Bridge> bridge = std::make_shared<Bridge>();
    DBusConnection* accessibilityBus = nullptr;
};

// Success, an error, or no answer in time: the bus daemon and libdbus both
// say NoReply when the other side never answered or went away.
CallOutcome outcomeOf(DBusMessage* reply);
// Whether an error says that the object has no such property at all, as
// opposed to an object that went away or a value that could not be had.
bool saysNoSuchProperty(DBusMessage* reply);

// One method call in flight, waited for on its own. Its answer is collected
// on demand; a call that is dropped unanswered is cancelled.
class PendingCall {
public:
    PendingCall() = default;
    // Sends `message` (taking it over) on `bus`.
    PendingCall(DBusConnection* bus, DBusMessage* message, int timeoutMs = callTimeoutMs);
    PendingCall(PendingCall&& other) noexcept { *this = std::move(other); }
    PendingCall& operator=(PendingCall&& other) noexcept;
    PendingCall(const PendingCall&) = delete;
    PendingCall& operator=(const PendingCall&) = delete;
    ~PendingCall();

    // Waits for the answer; libdbus ends the wait with NoReply after the
    // call's timeout.
    CallOutcome wait();
    DBusMessage* reply() const { return outcome_ == CallOutcome::ok ? reply_ : nullptr; }

private:
    DBusPendingCall* pending_ = nullptr;
    DBusMessage* reply_ = nullptr;
    CallOutcome outcome_ = CallOutcome::failed;
};

// ---- Messages ----

DBusMessage* methodCall(const Target& target, const char* interface, const char* method);
// org.freedesktop.DBus.Properties.Get of an Accessible property.
DBusMessage* propertyCall(const Target& target, const char* property);
// org.freedesktop.DBus.Properties.GetAll of the Accessible interface.
DBusMessage* allPropertiesCall(const Target& target);
// The whole text of the Text interface: from offset 0 to -1, the end.
DBusMessage* wholeTextCall(const Target& target);

// ---- Reading replies ----

std::optional<std::string> stringIn(DBusMessageIter* it);
// A reply of one string ("s"), or a property reply of one string ("v" of "s").
std::optional<std::string> replyString(DBusMessage* reply);
// A reply of one unsigned 32-bit number ("u").
std::optional<std::uint32_t> replyUint32(DBusMessage* reply);
// Two strings of a dict entry ("{ss}") or a struct ("(so)").
std::optional<std::pair<std::string, std::string>> stringPair(DBusMessageIter* entry);

// Walks the entries of the array ("a...") at `it`, each handed to `each`.
template <typename Each>
bool forEachEntry(DBusMessageIter* it, Each each) {
    if (dbus_message_iter_get_arg_type(it) != DBUS_TYPE_ARRAY) return false;
    DBusMessageIter entry;
    dbus_message_iter_recurse(it, &entry);
    while (dbus_message_iter_get_arg_type(&entry) != DBUS_TYPE_INVALID) {
        each(&entry);
        dbus_message_iter_next(&entry);
    }
    return true;
}

// The same for a reply whose first argument is the array.
template <typename Each>
bool forEachEntry(DBusMessage* reply, Each each) {
    DBusMessageIter it;
    if (!reply || !dbus_message_iter_init(reply, &it)) return false;
    return forEachEntry(&it, each);
}

// ---- Connections and the application ----

ConnectionPtr openAccessibilityBus();

// The application element of `pid`, found through the registry.
std::optional<Target> findApplication(DBusConnection* bus, std::int32_t pid);

// What the walk learns of the application before it starts: the direct
// connection its bridge offers, if any, and how its bridge is asked. False
// when the application did not answer.
bool prepareApplication(Target& application, ConnectionPtr& direct);

// Hands whatever arrived besides replies (the bus's own greetings, a stray
// call, an answer to a walk that ended) to libdbus, which answers calls with
// an error; keeps the queue short.
void drainIncoming(DBusConnection* bus);

}  // namespace accessibility::atspi
