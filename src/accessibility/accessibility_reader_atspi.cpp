// readAccessibilityStrings on AT-SPI (libatspi).
//
// Every libatspi call, atspi_init included, runs on one worker thread that owns
// its own GMainContext: libatspi dispatches its D-Bus traffic on "the" main
// context, which in Wendrel is Qt's event loop, and a walk that let it re-enter
// that loop would run Qt event handlers in the middle of a read. The caller
// blocks until the worker hands back the walk's texts, so the read stays
// synchronous.

#include "accessibility/accessibility_reader.h"
#include "accessibility/accessibility_walk.h"

#include <atspi/atspi.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using namespace accessibility;
using Clock = std::chrono::steady_clock;

// A map application that stops answering must not freeze Wendrel for the
// D-Bus default of 25 s on each of thousands of calls.
constexpr int callTimeoutMs = 1000;
// A call that took the whole timeout was not answered. A slow answer on a
// busy machine that still arrives within the timeout counts as an answer.
constexpr auto unansweredAfter = std::chrono::milliseconds(callTimeoutMs - 20);
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
using TextPtr = std::unique_ptr<AtspiText, Unref>;
using ValuePtr = std::unique_ptr<AtspiValue, Unref>;

// Times one call and tells a refusal from a call that was not answered.
// libatspi reports an expired reply in several ways (an error, a null result,
// or an empty string and no error at all), so the time the call took decides:
// an application that needs the whole timeout to answer is not answering.
class CallTimer {
public:
    CallOutcome outcome(bool succeeded) const {
        if (timedOut()) return CallOutcome::notAnswering;
        if (!succeeded || error_) return CallOutcome::failed;
        return CallOutcome::ok;
    }
    GError** error() { return &error_; }
    ~CallTimer() {
        if (error_) g_error_free(error_);
    }

private:
    bool timedOut() const {
        if (Clock::now() - start_ >= unansweredAfter) return true;
        // libdbus's own wording for an expired reply timeout.
        return error_ && error_->message &&
               (std::strstr(error_->message, "NoReply") || std::strstr(error_->message, "Did not receive a reply"));
    }
    Clock::time_point start_ = Clock::now();
    GError* error_ = nullptr;
};

// Takes ownership of a string that libatspi returns.
Reply<AttributeValue> textReply(gchar* text, const CallTimer& timer) {
    std::unique_ptr<gchar, decltype(&g_free)> owned(text, &g_free);
    auto outcome = timer.outcome(text != nullptr);
    if (outcome != CallOutcome::ok) return Reply<AttributeValue>{outcome, std::nullopt};
    return Reply<AttributeValue>::answered(AttributeValue::plain(text));
}

class AtspiElement final : public Element {
public:
    // Drops whatever libatspi remembered of the element from an earlier walk:
    // its cache goes stale when the application changes its panel.
    explicit AtspiElement(AccessiblePtr accessible) : accessible_(std::move(accessible)) {
        atspi_accessible_clear_cache(accessible_.get());
    }

    Reply<std::vector<std::string>> attributeNames() override {
        std::vector<std::string> names{std::string(roleAttribute), std::string(roleDescriptionAttribute),
                                       std::string(identifierAttribute)};
        CallTimer timer;
        GHashTable* attributes = atspi_accessible_get_attributes(accessible_.get(), timer.error());
        auto outcome = timer.outcome(attributes != nullptr);
        if (outcome == CallOutcome::notAnswering) return Reply<std::vector<std::string>>::timedOut();
        if (attributes) {
            keepObjectAttributes(attributes, names);
            g_hash_table_unref(attributes);
        }
        return Reply<std::vector<std::string>>::answered(std::move(names));
    }

    Reply<AttributeValue> attributeValue(std::string_view name) override {
        if (name == titleAttribute) return stringCall(atspi_accessible_get_name);
        if (name == descriptionAttribute) return stringCall(atspi_accessible_get_description);
        if (name == valueAttribute) return valueText();
        if (name == helpAttribute) return helpText();
        if (name == roleAttribute) return stringCall(atspi_accessible_get_role_name);
        if (name == roleDescriptionAttribute) return stringCall(atspi_accessible_get_localized_role_name);
        if (name == identifierAttribute) return stringCall(atspi_accessible_get_accessible_id);
        if (name.starts_with(objectAttributePrefix)) return objectAttribute(name);
        return Reply<AttributeValue>::failed();
    }

    Reply<Elements> children() override {
        CallTimer countTimer;
        gint count = atspi_accessible_get_child_count(accessible_.get(), countTimer.error());
        auto outcome = countTimer.outcome(count >= 0);
        if (outcome != CallOutcome::ok) return Reply<Elements>{outcome, std::nullopt};
        Elements children;
        for (gint i = 0; i < count; ++i) {
            CallTimer timer;
            AccessiblePtr child(atspi_accessible_get_child_at_index(accessible_.get(), i, timer.error()));
            auto childOutcome = timer.outcome(child != nullptr);
            if (childOutcome == CallOutcome::notAnswering) return Reply<Elements>::timedOut();
            if (child) children.push_back(std::make_unique<AtspiElement>(std::move(child)));
        }
        return Reply<Elements>::answered(std::move(children));
    }

    // The application's children are its top-level windows.
    Reply<Elements> windows() override { return children(); }

private:
    template <typename Getter>
    Reply<AttributeValue> stringCall(Getter getter) {
        CallTimer timer;
        gchar* text = getter(accessible_.get(), timer.error());
        return textReply(text, timer);
    }

    // The whole text of the Text interface; a numeric Value gives no text.
    Reply<AttributeValue> valueText() {
        CallTimer interfaceTimer;
        TextPtr text(atspi_accessible_get_text_iface(accessible_.get()));
        if (!text) {
            auto outcome = interfaceTimer.outcome(false);
            if (outcome == CallOutcome::notAnswering) return Reply<AttributeValue>::timedOut();
            ValuePtr value(atspi_accessible_get_value_iface(accessible_.get()));
            if (value) return Reply<AttributeValue>::answered(AttributeValue::number());
            return Reply<AttributeValue>::failed();
        }
        CallTimer timer;
        gchar* whole = atspi_text_get_text(text.get(), 0, -1, timer.error());
        return textReply(whole, timer);
    }

    Reply<AttributeValue> helpText() {
#ifdef WENDREL_ATSPI_HELP_TEXT
        return stringCall(atspi_accessible_get_help_text);
#else
        return Reply<AttributeValue>::failed();
#endif
    }

    Reply<AttributeValue> objectAttribute(std::string_view name) const {
        auto key = name.substr(objectAttributePrefix.size());
        for (const auto& [k, v] : objectAttributes_) {
            if (k == key) return Reply<AttributeValue>::answered(AttributeValue::plain(v));
        }
        return Reply<AttributeValue>::failed();
    }

    void keepObjectAttributes(GHashTable* attributes, std::vector<std::string>& names) {
        GHashTableIter it;
        gpointer key = nullptr;
        gpointer value = nullptr;
        g_hash_table_iter_init(&it, attributes);
        while (g_hash_table_iter_next(&it, &key, &value)) {
            std::string k = key ? static_cast<const char*>(key) : "";
            names.push_back(std::string(objectAttributePrefix) + k);
            objectAttributes_.emplace_back(std::move(k), value ? static_cast<const char*>(value) : "");
        }
    }

    AccessiblePtr accessible_;
    std::vector<std::pair<std::string, std::string>> objectAttributes_;
};

// The AT-SPI application whose connection belongs to `pid`; the registry
// answers these calls, so a stopped application does not hold them up.
AccessiblePtr findApplication(std::int32_t pid) {
    AccessiblePtr desktop(atspi_get_desktop(0));
    if (!desktop) return nullptr;
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
    // Only the interfaces an element offers stay cached within one walk;
    // names, texts and children are asked afresh every time.
    atspi_accessible_set_cache_mask(app.get(), ATSPI_CACHE_INTERFACES);
    AtspiElement application(std::move(app));
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
