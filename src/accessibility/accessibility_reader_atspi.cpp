// readAccessibilityStrings over the AT-SPI D-Bus protocol, with libdbus alone.
//
// The reader owns everything it talks through: one thread, and on it a private
// connection to the accessibility bus (its address from org.a11y.Bus on the
// session bus) that no other code sees and no main loop dispatches. Only that
// thread sends, waits and dispatches on it. Nothing is attached to any GLib
// context, so no accessibility traffic ever runs on the window's event loop,
// and events the applications publish never reach this process: the
// connection asks for none.
//
// The application of a process is found through the registry: the children of
// its root are the applications, and the bus daemon names each one's process.
// When the application's bridge offers a direct connection, the walk opens one
// for itself and goes over it, on the same thread.
// The walk sends plain AT-SPI calls: every call about one element goes out at
// once, and the next siblings are asked ahead, so a read waits for about one
// round trip per element instead of one per call. Nothing of an earlier read is
// kept, so a panel that changed is never read from a stale copy.
//
// The caller blocks until the thread hands back the walk's texts, so the read
// stays synchronous for it.

#include "accessibility/accessibility_reader.h"
#include "accessibility/accessibility_walk.h"
#include "accessibility/atspi_address.h"

#include <dbus/dbus.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace accessibility;

// A map application that stops answering must not freeze Wendrel for the
// D-Bus default of 25 s on each of thousands of calls.
constexpr int callTimeoutMs = 1000;
// The bus launcher and the registry may be started on demand by the first
// call; they are not the application being read, so they get longer.
constexpr int discoveryTimeoutMs = 3000;
// Safety net for the caller: the walk itself ends within its 5 s budget plus
// one call; a thread that hangs anyway (a bus that accepts the connection but
// never answers) costs one empty read, not a frozen window.
constexpr auto callerWaitLimit = std::chrono::seconds(8);

constexpr std::string_view roleAttribute = "AXRole";
constexpr std::string_view roleDescriptionAttribute = "AXRoleDescription";
constexpr std::string_view identifierAttribute = "AXIdentifier";
// Object attributes ("toolkit", "id", ...) are listed under this prefix.
constexpr std::string_view objectAttributePrefix = "AXAttribute:";

constexpr const char* accessibleInterface = "org.a11y.atspi.Accessible";
constexpr const char* textInterface = "org.a11y.atspi.Text";
constexpr const char* valueInterface = "org.a11y.atspi.Value";
constexpr const char* propertiesInterface = "org.freedesktop.DBus.Properties";
constexpr const char* registryName = "org.a11y.atspi.Registry";
constexpr const char* rootPath = "/org/a11y/atspi/accessible/root";

// A private connection: closed before it is released.
struct CloseConnection {
    void operator()(DBusConnection* connection) const {
        dbus_connection_close(connection);
        dbus_connection_unref(connection);
    }
};
using ConnectionPtr = std::unique_ptr<DBusConnection, CloseConnection>;

// What one application's accessibility bridge offers, learnt during a walk.
// Help texts are a recent addition many bridges lack; once one answered that
// it has none, its other elements are not asked.
struct Bridge {
    bool offersHelpText = true;
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

// One method call in flight. Its answer is collected on demand; a call that
// is dropped unanswered is cancelled.
class PendingCall {
public:
    PendingCall() = default;
    // Sends `message` (taking it over) on `bus`.
    PendingCall(DBusConnection* bus, DBusMessage* message, int timeoutMs = callTimeoutMs) {
        if (!message) return;
        if (!dbus_connection_send_with_reply(bus, message, &pending_, timeoutMs)) pending_ = nullptr;
        dbus_message_unref(message);
    }
    PendingCall(PendingCall&& other) noexcept { *this = std::move(other); }
    PendingCall& operator=(PendingCall&& other) noexcept {
        std::swap(pending_, other.pending_);
        std::swap(reply_, other.reply_);
        std::swap(outcome_, other.outcome_);
        return *this;
    }
    PendingCall(const PendingCall&) = delete;
    PendingCall& operator=(const PendingCall&) = delete;
    ~PendingCall() {
        if (pending_) {
            dbus_pending_call_cancel(pending_);
            dbus_pending_call_unref(pending_);
        }
        if (reply_) dbus_message_unref(reply_);
    }

    // Waits for the answer; libdbus ends the wait with NoReply after the
    // per-call timeout.
    CallOutcome wait() {
        if (!pending_) return outcome_;
        dbus_pending_call_block(pending_);
        reply_ = dbus_pending_call_steal_reply(pending_);
        dbus_pending_call_unref(pending_);
        pending_ = nullptr;
        outcome_ = classify(reply_);
        return outcome_;
    }
    DBusMessage* reply() const { return outcome_ == CallOutcome::ok ? reply_ : nullptr; }

private:
    static CallOutcome classify(DBusMessage* reply) {
        if (!reply) return CallOutcome::failed;
        if (dbus_message_get_type(reply) != DBUS_MESSAGE_TYPE_ERROR) return CallOutcome::ok;
        const char* name = dbus_message_get_error_name(reply);
        if (name && std::strcmp(name, DBUS_ERROR_NO_REPLY) == 0) return CallOutcome::notAnswering;
        return CallOutcome::failed;
    }

    DBusPendingCall* pending_ = nullptr;
    DBusMessage* reply_ = nullptr;
    CallOutcome outcome_ = CallOutcome::failed;
};

// ---- Reading replies ----

std::optional<std::string> stringIn(DBusMessageIter* it) {
    if (dbus_message_iter_get_arg_type(it) != DBUS_TYPE_STRING) return std::nullopt;
    const char* text = nullptr;
    dbus_message_iter_get_basic(it, &text);
    return std::string(text ? text : "");
}

// A reply of one string ("s"), or a property reply of one string ("v" of "s").
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

// Walks the entries of an array reply ("a..."), each handed to `each`.
template <typename Each>
bool forEachEntry(DBusMessage* reply, Each each) {
    DBusMessageIter it;
    if (!reply || !dbus_message_iter_init(reply, &it) || dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_ARRAY) {
        return false;
    }
    DBusMessageIter entry;
    dbus_message_iter_recurse(&it, &entry);
    while (dbus_message_iter_get_arg_type(&entry) != DBUS_TYPE_INVALID) {
        each(&entry);
        dbus_message_iter_next(&entry);
    }
    return true;
}

// Two strings of a dict entry ("{ss}") or a struct ("(so)").
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

Reply<AttributeValue> textAnswer(PendingCall& call) {
    auto outcome = call.wait();
    if (outcome != CallOutcome::ok) return Reply<AttributeValue>{outcome, std::nullopt};
    auto text = replyString(call.reply());
    if (!text) return Reply<AttributeValue>::failed();
    return Reply<AttributeValue>::answered(AttributeValue::plain(std::move(*text)));
}

DBusMessage* methodCall(const Target& target, const char* interface, const char* method) {
    return dbus_message_new_method_call(target.busName.c_str(), target.path.c_str(), interface, method);
}

// org.freedesktop.DBus.Properties.Get of an Accessible property.
PendingCall askProperty(const Target& target, const char* property) {
    DBusMessage* message = methodCall(target, propertiesInterface, "Get");
    if (message) {
        const char* interface = accessibleInterface;
        dbus_message_append_args(message, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &property,
                                 DBUS_TYPE_INVALID);
    }
    return PendingCall(target.bus, message);
}

PendingCall askAccessible(const Target& target, const char* method) {
    return PendingCall(target.bus, methodCall(target, accessibleInterface, method));
}

// The whole text: from offset 0 to -1, the end.
PendingCall askWholeText(const Target& target) {
    DBusMessage* message = methodCall(target, textInterface, "GetText");
    if (message) {
        dbus_int32_t start = 0;
        dbus_int32_t end = -1;
        dbus_message_append_args(message, DBUS_TYPE_INT32, &start, DBUS_TYPE_INT32, &end, DBUS_TYPE_INVALID);
    }
    return PendingCall(target.bus, message);
}

class AtspiElement;

// Siblings are asked ahead of the walk: while one child's subtree is read, the
// next children's answers are already on their way, so a level costs about
// one round trip instead of one per call.
struct Siblings {
    std::vector<AtspiElement*> elements;
    void askAhead(std::size_t from);
};
constexpr std::size_t askAheadCount = 16;

// The walk reads no more elements than this in all, so children past that many
// under one parent are never read. Not making them keeps memory bounded when an
// application reports 100,000 children under one parent (that cost some 50 MB).
constexpr std::size_t mostChildrenKept = static_cast<std::size_t>(WalkLimits{}.maxElements);

// One element read with plain AT-SPI D-Bus calls on the reader's connection.
// Nothing is cached: every walk asks afresh, so a panel that changed is never
// read from a stale copy. All calls that do not depend on one another are sent
// at once.
class AtspiElement final : public Element {
public:
    AtspiElement(Target target, std::shared_ptr<Siblings> siblings, std::size_t index)
        : target_(std::move(target)), siblings_(std::move(siblings)), index_(index) {}

    void ask() {
        if (asked_) return;
        asked_ = true;
        name_ = askProperty(target_, "Name");
        description_ = askProperty(target_, "Description");
        identifier_ = askProperty(target_, "AccessibleId");
        if (target_.bridge->offersHelpText) help_ = askProperty(target_, "HelpText");
        role_ = askAccessible(target_, "GetRoleName");
        localizedRole_ = askAccessible(target_, "GetLocalizedRoleName");
        attributes_ = askAccessible(target_, "GetAttributes");
        interfaces_ = askAccessible(target_, "GetInterfaces");
        children_ = askAccessible(target_, "GetChildren");
    }

    Reply<std::vector<std::string>> attributeNames() override {
        ask();
        if (siblings_) siblings_->askAhead(index_ + 1);
        std::vector<std::string> names{std::string(roleAttribute), std::string(roleDescriptionAttribute),
                                       std::string(identifierAttribute)};
        auto outcome = attributes_.wait();
        if (outcome == CallOutcome::notAnswering) return Reply<std::vector<std::string>>::timedOut();
        forEachEntry(attributes_.reply(), [&](DBusMessageIter* entry) {
            if (auto pair = stringPair(entry)) {
                names.push_back(std::string(objectAttributePrefix) + pair->first);
                objectAttributes_.push_back(std::move(*pair));
            }
        });
        return Reply<std::vector<std::string>>::answered(std::move(names));
    }

    Reply<AttributeValue> attributeValue(std::string_view name) override {
        ask();
        if (name == titleAttribute) return textAnswer(name_);
        if (name == descriptionAttribute) return textAnswer(description_);
        if (name == valueAttribute) return valueText();
        if (name == helpAttribute) return helpText();
        if (name == roleAttribute) return textAnswer(role_);
        if (name == roleDescriptionAttribute) return textAnswer(localizedRole_);
        if (name == identifierAttribute) return textAnswer(identifier_);
        if (name.starts_with(objectAttributePrefix)) return objectAttribute(name);
        return Reply<AttributeValue>::failed();
    }

    Reply<Elements> children() override {
        ask();
        auto outcome = children_.wait();
        if (outcome != CallOutcome::ok) return Reply<Elements>{outcome, std::nullopt};
        auto siblings = std::make_shared<Siblings>();
        Elements children;
        forEachEntry(children_.reply(), [&](DBusMessageIter* entry) {
            if (children.size() >= mostChildrenKept) return;
            auto reference = stringPair(entry);
            if (!reference) return;
            auto child = std::make_unique<AtspiElement>(childTarget(*reference), siblings, children.size());
            siblings->elements.push_back(child.get());
            children.push_back(std::move(child));
        });
        siblings->askAhead(0);
        return Reply<Elements>::answered(std::move(children));
    }

    // The application's children are its top-level windows.
    Reply<Elements> windows() override { return children(); }

private:
    // A child that another process embeds has a bridge of its own.
    Target childTarget(const std::pair<std::string, std::string>& reference) const {
        if (reference.first == target_.busName) {
            return Target{target_.bus, reference.first, reference.second, target_.bridge, target_.accessibilityBus};
        }
        return Target{target_.accessibilityBus, reference.first, reference.second, std::make_shared<Bridge>(),
                      target_.accessibilityBus};
    }

    Reply<AttributeValue> helpText() {
        auto reply = textAnswer(help_);
        if (reply.outcome == CallOutcome::failed) target_.bridge->offersHelpText = false;
        return reply;
    }

    // The whole text of the Text interface; a numeric Value gives no text.
    Reply<AttributeValue> valueText() {
        auto outcome = interfaces_.wait();
        if (outcome != CallOutcome::ok) return Reply<AttributeValue>{outcome, std::nullopt};
        bool text = false;
        bool value = false;
        forEachEntry(interfaces_.reply(), [&](DBusMessageIter* entry) {
            auto name = stringIn(entry);
            text = text || name == textInterface;
            value = value || name == valueInterface;
        });
        if (text) {
            PendingCall whole = askWholeText(target_);
            return textAnswer(whole);
        }
        if (value) return Reply<AttributeValue>::answered(AttributeValue::number());
        return Reply<AttributeValue>::failed();
    }

    Reply<AttributeValue> objectAttribute(std::string_view name) const {
        auto key = name.substr(objectAttributePrefix.size());
        for (const auto& [k, v] : objectAttributes_) {
            if (k == key) return Reply<AttributeValue>::answered(AttributeValue::plain(v));
        }
        return Reply<AttributeValue>::failed();
    }

    Target target_;
    std::shared_ptr<Siblings> siblings_;
    std::size_t index_ = 0;
    bool asked_ = false;
    PendingCall name_, description_, identifier_, help_, role_, localizedRole_, attributes_, interfaces_, children_;
    std::vector<std::pair<std::string, std::string>> objectAttributes_;
};

void Siblings::askAhead(std::size_t from) {
    for (std::size_t i = from; i < elements.size() && i < from + askAheadCount; ++i) elements[i]->ask();
}

// ---- Finding the application ----

// The references (bus name, path) of a GetChildren reply.
std::vector<std::pair<std::string, std::string>> references(DBusMessage* reply) {
    std::vector<std::pair<std::string, std::string>> found;
    forEachEntry(reply, [&](DBusMessageIter* entry) {
        if (auto reference = stringPair(entry)) found.push_back(std::move(*reference));
    });
    return found;
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

PendingCall askProcessId(DBusConnection* bus, const std::string& busName) {
    DBusMessage* message = dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS,
                                                        "GetConnectionUnixProcessID");
    if (message) {
        const char* name = busName.c_str();
        dbus_message_append_args(message, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
    }
    return PendingCall(bus, message, discoveryTimeoutMs);
}

// The application element of `pid`: the registry lists the applications, the
// bus daemon says whose each connection is. Neither is the application
// itself, so a stopped application does not hold these calls up. The list is
// asked afresh every time: an application that started since the last read
// must be found.
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

// ---- The connection ----

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

// Hands whatever arrived besides replies (the bus's own greetings, a stray
// call) to libdbus, which answers calls with an error; keeps the queue short.
void drainIncoming(DBusConnection* bus) {
    for (int i = 0; i < 10000 && dbus_connection_dispatch(bus) == DBUS_DISPATCH_DATA_REMAINS; ++i) {
    }
}

// Some bridges (GTK's) offer a connection straight to the application, with
// no bus daemon passing every message on; their walk is a good deal faster
// over it. Opened for one walk, owned and dispatched by this thread alone.
// `answered` is false when the application did not answer the question.
ConnectionPtr openDirectConnection(const Target& application, bool& answered) {
    PendingCall call(application.bus,
                     methodCall(application, "org.a11y.atspi.Application", "GetApplicationBusAddress"));
    auto outcome = call.wait();
    answered = outcome != CallOutcome::notAnswering;
    auto address = replyString(call.reply());
    if (!address || !isDirectConnectionAddress(*address)) return nullptr;
    DBusError error;
    dbus_error_init(&error);
    ConnectionPtr direct(dbus_connection_open_private(address->c_str(), &error));
    dbus_error_free(&error);
    if (direct) dbus_connection_set_exit_on_disconnect(direct.get(), FALSE);
    return direct;
}

std::vector<std::string> walkProcess(DBusConnection* bus, std::int32_t pid) {
    auto target = findApplication(bus, pid);
    if (!target) return {};
    bool answered = true;
    ConnectionPtr direct = openDirectConnection(*target, answered);
    // An application that does not answer would not answer the walk's first
    // call either.
    if (!answered) return {};
    if (direct) target->bus = direct.get();
    AtspiElement application(std::move(*target), nullptr, 0);
    return readAccessibilityStrings(application);
}

// The one thread that talks to the accessibility bus, and its connection.
class ReaderThread {
public:
    static ReaderThread& instance() {
        static ReaderThread reader;
        return reader;
    }

    std::vector<std::string> read(std::int32_t pid) {
        std::packaged_task<std::vector<std::string>()> task([this, pid] { return walkOnThread(pid); });
        auto result = task.get_future();
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        wake_.notify_one();
        if (result.wait_for(callerWaitLimit) != std::future_status::ready) return {};
        return result.get();
    }

    ~ReaderThread() {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_one();
        if (thread_.joinable()) thread_.join();
    }

    ReaderThread(const ReaderThread&) = delete;
    ReaderThread& operator=(const ReaderThread&) = delete;

private:
    ReaderThread() : thread_([this] { run(); }) {}

    void run() {
        while (auto task = nextTask()) (*task)();
        bus_.reset();
    }

    std::optional<std::packaged_task<std::vector<std::string>()>> nextTask() {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return quit_ || !tasks_.empty(); });
        if (quit_) return std::nullopt;
        auto task = std::move(tasks_.front());
        tasks_.pop_front();
        return task;
    }

    // A bus that went away (its launcher restarted) is connected to afresh.
    std::vector<std::string> walkOnThread(std::int32_t pid) {
        if (bus_ && !dbus_connection_get_is_connected(bus_.get())) bus_.reset();
        if (!bus_) bus_ = openAccessibilityBus();
        if (!bus_) return {};
        drainIncoming(bus_.get());
        auto texts = walkProcess(bus_.get(), pid);
        drainIncoming(bus_.get());
        return texts;
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::packaged_task<std::vector<std::string>()>> tasks_;
    bool quit_ = false;
    ConnectionPtr bus_;  // used on the thread only
    std::thread thread_;
};

}  // namespace

std::vector<std::string> readAccessibilityStrings(std::int32_t pid) {
    return ReaderThread::instance().read(pid);
}
