// readAccessibilityStrings on AT-SPI.
//
// libatspi connects to the accessibility bus and finds the application of a
// process through the registry. The walk itself sends plain AT-SPI D-Bus calls
// on libatspi's connection: every call about one element goes out at once,
// and the next siblings are asked ahead, so a read waits for about one round
// trip per element instead of one per call. Nothing of an earlier read is kept,
// so a panel that changed is never read from a stale copy.
//
// Every libatspi and D-Bus call, atspi_init included, runs on one worker thread
// that owns its own GMainContext: libatspi dispatches its D-Bus traffic on "the"
// main context, which in Wendrel is Qt's event loop, and a walk that let it
// re-enter that loop would run Qt event handlers in the middle of a read. The
// caller blocks until the worker hands back the walk's texts, so the read stays
// synchronous.

#include "accessibility/accessibility_reader.h"
#include "accessibility/accessibility_walk.h"

#include <atspi/atspi.h>
#include <dbus/dbus.h>

#include <chrono>
#include <condition_variable>
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
// Safety net for the caller: the walk itself ends within its 5 s budget plus
// one call; a worker that hangs anyway (libatspi still looking for its bus)
// costs one empty read, not a frozen window.
constexpr auto callerWaitLimit = std::chrono::seconds(8);

constexpr std::string_view roleAttribute = "AXRole";
constexpr std::string_view roleDescriptionAttribute = "AXRoleDescription";
constexpr std::string_view identifierAttribute = "AXIdentifier";
// Object attributes ("toolkit", "id", ...) are listed under this prefix.
constexpr std::string_view objectAttributePrefix = "AXAttribute:";

struct Unref {
    void operator()(gpointer object) const {
        if (object) g_object_unref(object);
    }
};
using AccessiblePtr = std::unique_ptr<AtspiAccessible, Unref>;

constexpr const char* accessibleInterface = "org.a11y.atspi.Accessible";
constexpr const char* textInterface = "org.a11y.atspi.Text";
constexpr const char* valueInterface = "org.a11y.atspi.Value";
constexpr const char* propertiesInterface = "org.freedesktop.DBus.Properties";

// Where one element lives: the connection, the owner's bus name, the path.
struct Target {
    DBusConnection* bus = nullptr;
    std::string busName;
    std::string path;
};

// One method call in flight. Its answer is collected on demand; a call that
// is dropped unanswered is cancelled.
class PendingCall {
public:
    PendingCall() = default;
    // Sends `message` (taking it over) on `bus`.
    PendingCall(DBusConnection* bus, DBusMessage* message) {
        if (!message) return;
        if (!dbus_connection_send_with_reply(bus, message, &pending_, callTimeoutMs)) pending_ = nullptr;
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

// One element read with plain AT-SPI D-Bus calls on the connection libatspi
// opened. Nothing is cached: every walk asks afresh, so a panel that changed
// is never read from a stale copy. All calls that do not depend on one another
// are sent at once.
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
#ifdef WENDREL_ATSPI_HELP_TEXT
        help_ = askProperty(target_, "HelpText");
#endif
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
        if (name == helpAttribute) return textAnswer(help_);
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
    // A child that another process embeds lives on the accessibility bus
    // under its own name.
    Target childTarget(const std::pair<std::string, std::string>& reference) const {
        DBusConnection* bus = reference.first == target_.busName ? target_.bus : atspi_get_a11y_bus();
        return Target{bus, reference.first, reference.second};
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

// The AT-SPI application whose connection belongs to `pid`; the registry
// answers these calls, so a stopped application does not hold them up.
AccessiblePtr findApplication(std::int32_t pid) {
    AccessiblePtr desktop(atspi_get_desktop(0));
    if (!desktop) return nullptr;
    // The list of applications is asked afresh: an application that started
    // since the last read must be found.
    atspi_accessible_set_cache_mask(desktop.get(), ATSPI_CACHE_INTERFACES);
    atspi_accessible_clear_cache(desktop.get());
    gint count = atspi_accessible_get_child_count(desktop.get(), nullptr);
    for (gint i = 0; i < count; ++i) {
        AccessiblePtr app(atspi_accessible_get_child_at_index(desktop.get(), i, nullptr));
        if (!app) continue;
        GError* error = nullptr;
        guint appPid = atspi_accessible_get_process_id(app.get(), &error);
        if (error) {
            g_error_free(error);
            continue;
        }
        if (static_cast<std::int64_t>(appPid) == pid) return app;
    }
    return nullptr;
}

std::vector<std::string> walkProcess(std::int32_t pid) {
    AccessiblePtr app = findApplication(pid);
    if (!app) return {};
    const AtspiObject* object = ATSPI_OBJECT(app.get());
    if (!object->app || !object->app->bus || !object->app->bus_name || !object->path) return {};
    AtspiElement application(Target{object->app->bus, object->app->bus_name, object->path}, nullptr, 0);
    return readAccessibilityStrings(application);
}

// The one thread that talks to libatspi.
class AtspiWorker {
public:
    static AtspiWorker& instance() {
        static AtspiWorker worker;
        return worker;
    }

    std::vector<std::string> read(std::int32_t pid) {
        std::packaged_task<std::vector<std::string>()> task([this, pid] { return walkOnWorker(pid); });
        auto result = task.get_future();
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        wake_.notify_one();
        if (result.wait_for(callerWaitLimit) != std::future_status::ready) return {};
        return result.get();
    }

    ~AtspiWorker() {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_one();
        if (thread_.joinable()) thread_.join();
    }

    AtspiWorker(const AtspiWorker&) = delete;
    AtspiWorker& operator=(const AtspiWorker&) = delete;

private:
    AtspiWorker() : thread_([this] { run(); }) {}

    void run() {
        context_ = g_main_context_new();
        g_main_context_push_thread_default(context_);
        while (auto task = nextTask()) (*task)();
        g_main_context_pop_thread_default(context_);
        g_main_context_unref(context_);
    }

    std::optional<std::packaged_task<std::vector<std::string>()>> nextTask() {
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return quit_ || !tasks_.empty(); });
        if (quit_) return std::nullopt;
        auto task = std::move(tasks_.front());
        tasks_.pop_front();
        return task;
    }

    std::vector<std::string> walkOnWorker(std::int32_t pid) {
        if (!initialized_) initialize();
        if (!connected_) return {};
        dispatchPending();
        return walkProcess(pid);
    }

    // atspi_init hooks the bus to the default context; it is moved to this
    // thread's context at once, while the caller is still blocked waiting.
    void initialize() {
        initialized_ = true;
        connected_ = atspi_init() != 2;
        atspi_set_main_context(context_);
        atspi_set_timeout(callTimeoutMs, 0);
    }

    // Lets libatspi see which applications came and went since the last read.
    void dispatchPending() {
        for (int i = 0; i < 10000 && g_main_context_iteration(context_, FALSE); ++i) {
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::packaged_task<std::vector<std::string>()>> tasks_;
    bool quit_ = false;
    bool initialized_ = false;
    bool connected_ = false;
    GMainContext* context_ = nullptr;
    std::thread thread_;
};

}  // namespace

std::vector<std::string> readAccessibilityStrings(std::int32_t pid) {
    return AtspiWorker::instance().read(pid);
}
