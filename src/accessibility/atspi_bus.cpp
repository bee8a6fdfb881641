#include "accessibility/atspi_bus.h"

#include "accessibility/atspi_address.h"
#include "accessibility/atspi_toolkit.h"

#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

namespace accessibility::atspi {

namespace {

constexpr const char* propertiesInterface = "org.freedesktop.DBus.Properties";
constexpr const char* applicationInterface = "org.a11y.atspi.Application";
constexpr const char* registryName = "org.a11y.atspi.Registry";
constexpr const char* rootPath = "/org/a11y/atspi/accessible/root";

DBusMessage* propertyOf(const Target& target, const char* interface, const char* property) {
    DBusMessage* message = methodCall(target, propertiesInterface, "Get");
    if (message) {
        dbus_message_append_args(message, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &property,
                                 DBUS_TYPE_INVALID);
    }
    return message;
}

}  // namespace

CallOutcome outcomeOf(DBusMessage* reply) {
    if (!reply) return CallOutcome::failed;
    if (dbus_message_get_type(reply) != DBUS_MESSAGE_TYPE_ERROR) return CallOutcome::ok;
    const char* name = dbus_message_get_error_name(reply);
    if (name && std::strcmp(name, DBUS_ERROR_NO_REPLY) == 0) return CallOutcome::notAnswering;
    return CallOutcome::failed;
}

bool saysNoSuchProperty(DBusMessage* reply) {
    // GTK's bridge says UnknownProperty, Qt's UnknownInterface, GDBus's
    // InvalidArgs.
    for (const char* name : {DBUS_ERROR_UNKNOWN_PROPERTY, DBUS_ERROR_UNKNOWN_INTERFACE, DBUS_ERROR_INVALID_ARGS}) {
        if (reply && dbus_message_is_error(reply, name)) return true;
    }
    return false;
}

// ---- PendingCall ----

PendingCall::PendingCall(DBusConnection* bus, DBusMessage* message, int timeoutMs) {
    if (!message) return;
    if (!dbus_connection_send_with_reply(bus, message, &pending_, timeoutMs)) pending_ = nullptr;
    dbus_message_unref(message);
}

PendingCall& PendingCall::operator=(PendingCall&& other) noexcept {
    std::swap(pending_, other.pending_);
    std::swap(reply_, other.reply_);
    std::swap(outcome_, other.outcome_);
    return *this;
}

PendingCall::~PendingCall() {
    if (pending_) {
        dbus_pending_call_cancel(pending_);
        dbus_pending_call_unref(pending_);
    }
    if (reply_) dbus_message_unref(reply_);
}

CallOutcome PendingCall::wait() {
    if (!pending_) return outcome_;
    dbus_pending_call_block(pending_);
    reply_ = dbus_pending_call_steal_reply(pending_);
    dbus_pending_call_unref(pending_);
    pending_ = nullptr;
    outcome_ = outcomeOf(reply_);
    return outcome_;
}

// ---- Messages ----

DBusMessage* methodCall(const Target& target, const char* interface, const char* method) {
    return dbus_message_new_method_call(target.busName.c_str(), target.path.c_str(), interface, method);
}

DBusMessage* propertyCall(const Target& target, const char* property) {
    return propertyOf(target, accessibleInterface, property);
}

DBusMessage* allPropertiesCall(const Target& target) {
    DBusMessage* message = methodCall(target, propertiesInterface, "GetAll");
    if (message) {
        const char* interface = accessibleInterface;
        dbus_message_append_args(message, DBUS_TYPE_STRING, &interface, DBUS_TYPE_INVALID);
    }
    return message;
}

DBusMessage* wholeTextCall(const Target& target) {
    DBusMessage* message = methodCall(target, textInterface, "GetText");
    if (message) {
        dbus_int32_t start = 0;
        dbus_int32_t end = -1;
        dbus_message_append_args(message, DBUS_TYPE_INT32, &start, DBUS_TYPE_INT32, &end, DBUS_TYPE_INVALID);
    }
    return message;
}

// ---- Reading replies ----

std::optional<std::string> stringIn(DBusMessageIter* it) {
    if (dbus_message_iter_get_arg_type(it) != DBUS_TYPE_STRING) return std::nullopt;
    const char* text = nullptr;
    dbus_message_iter_get_basic(it, &text);
    return std::string(text ? text : "");
}

std::optional<std::string> replyString(DBusMessage* reply) {
    DBusMessageIter it;
    if (!reply || !dbus_message_iter_init(reply, &it)) return std::nullopt;
    if (dbus_message_iter_get_arg_type(&it) == DBUS_TYPE_VARIANT) {
        DBusMessageIter inner;
        dbus_message_iter_recurse(&it, &inner);
        return stringIn(&inner);
    }
    return stringIn(&it);
}

std::optional<std::uint32_t> replyUint32(DBusMessage* reply) {
    DBusMessageIter it;
    if (!reply || !dbus_message_iter_init(reply, &it) || dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_UINT32) {
        return std::nullopt;
    }
    dbus_uint32_t value = 0;
    dbus_message_iter_get_basic(&it, &value);
    return value;
}

std::optional<std::pair<std::string, std::string>> stringPair(DBusMessageIter* entry) {
    DBusMessageIter fields;
    dbus_message_iter_recurse(entry, &fields);
    auto first = stringIn(&fields);
    dbus_message_iter_next(&fields);
    std::optional<std::string> second;
    if (dbus_message_iter_get_arg_type(&fields) == DBUS_TYPE_OBJECT_PATH) {
        const char* path = nullptr;
        dbus_message_iter_get_basic(&fields, &path);
        second = std::string(path ? path : "");
    } else {
        second = stringIn(&fields);
    }
    if (!first || !second) return std::nullopt;
    return std::make_pair(*first, *second);
}

// ---- Finding the application ----

namespace {

// The references (bus name, path) of a GetChildren reply.
std::vector<std::pair<std::string, std::string>> references(DBusMessage* reply) {
    std::vector<std::pair<std::string, std::string>> found;
    forEachEntry(reply, [&](DBusMessageIter* entry) {
        if (auto reference = stringPair(entry)) found.push_back(std::move(*reference));
    });
    return found;
}

PendingCall askProcessId(DBusConnection* bus, const std::string& busName) {
    DBusMessage* message = dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS,
                                                        "GetConnectionUnixProcessID");
    if (message) {
        const char* name = busName.c_str();
        dbus_message_append_args(message, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
    }
    return PendingCall(bus, message, discoveryTimeoutMs);
}

// One string from a method without arguments, or nothing.
std::optional<std::string> askString(DBusConnection* bus, const char* name, const char* path, const char* interface,
                                     const char* method) {
    PendingCall call(bus, dbus_message_new_method_call(name, path, interface, method), discoveryTimeoutMs);
    if (call.wait() != CallOutcome::ok) return std::nullopt;
    return replyString(call.reply());
}

// Where the accessibility bus is: the session's bus launcher knows, unless the
// environment names it.
std::optional<std::string> accessibilityBusAddress() {
    if (const char* address = std::getenv("AT_SPI_BUS_ADDRESS"); address && *address) return std::string(address);
    DBusError error;
    dbus_error_init(&error);
    ConnectionPtr session(dbus_bus_get_private(DBUS_BUS_SESSION, &error));
    dbus_error_free(&error);
    if (!session) return std::nullopt;
    dbus_connection_set_exit_on_disconnect(session.get(), FALSE);
    return askString(session.get(), "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress");
}

}  // namespace

// The registry lists the applications, the bus daemon says whose each
// connection is. Neither is the application itself, so a stopped application
// does not hold these calls up. The list is asked afresh every time: an
// application that started since the last read must be found.
std::optional<Target> findApplication(DBusConnection* bus, std::int32_t pid) {
    PendingCall list(bus, dbus_message_new_method_call(registryName, rootPath, accessibleInterface, "GetChildren"),
                     discoveryTimeoutMs);
    if (list.wait() != CallOutcome::ok) return std::nullopt;
    auto applications = references(list.reply());
    std::vector<PendingCall> owners;
    owners.reserve(applications.size());
    for (const auto& application : applications) owners.push_back(askProcessId(bus, application.first));
    for (std::size_t i = 0; i < applications.size(); ++i) {
        if (owners[i].wait() != CallOutcome::ok) continue;
        auto owner = replyUint32(owners[i].reply());
        if (owner && static_cast<std::int64_t>(*owner) == pid) {
            return Target{bus, applications[i].first, applications[i].second, std::make_shared<Bridge>(), bus};
        }
    }
    return std::nullopt;
}

ConnectionPtr openAccessibilityBus() {
    auto address = accessibilityBusAddress();
    if (!address || address->empty()) return nullptr;
    DBusError error;
    dbus_error_init(&error);
    ConnectionPtr bus(dbus_connection_open_private(address->c_str(), &error));
    if (bus) {
        dbus_connection_set_exit_on_disconnect(bus.get(), FALSE);
        if (!dbus_bus_register(bus.get(), &error)) bus.reset();
    }
    dbus_error_free(&error);
    return bus;
}

// Some bridges (GTK's, Chromium's) offer a connection straight to the
// application, with no bus daemon passing every message on; their walk is a
// good deal faster over it. Opened for one walk, owned and dispatched by the walk's thread
// alone. The toolkit's name is asked at the same time.
bool prepareApplication(Target& application, ConnectionPtr& direct) {
    PendingCall address(application.bus, methodCall(application, applicationInterface, "GetApplicationBusAddress"));
    PendingCall toolkit(application.bus, propertyOf(application, applicationInterface, "ToolkitName"));
    if (address.wait() == CallOutcome::notAnswering) return false;
    if (toolkit.wait() == CallOutcome::ok) {
        const bool atk = bridgeIsBuiltOnAtk(replyString(toolkit.reply()).value_or(""));
        application.bridge->answersGetAll = atk;
        application.bridge->rolesByNumber = atk;
    }
    auto directAddress = replyString(address.reply());
    if (!directAddress || !isDirectConnectionAddress(*directAddress)) return true;
    DBusError error;
    dbus_error_init(&error);
    direct.reset(dbus_connection_open_private(directAddress->c_str(), &error));
    dbus_error_free(&error);
    if (direct) {
        dbus_connection_set_exit_on_disconnect(direct.get(), FALSE);
        application.bus = direct.get();
    }
    return true;
}

void drainIncoming(DBusConnection* bus) {
    for (int i = 0; i < 10000 && dbus_connection_dispatch(bus) == DBUS_DISPATCH_DATA_REMAINS; ++i) {
    }
}

}  // namespace accessibility::atspi
