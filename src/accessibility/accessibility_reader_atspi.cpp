// readAccessibilityStrings over the AT-SPI D-Bus protocol, with libdbus alone.
//
// The reader owns everything it talks through: one thread, and on it a private
// connection to the accessibility bus (its address from org.a11y.Bus on the
// session bus) that no other code sees and no main loop dispatches. Only that
// thread sends, waits and reads on it. Nothing is attached to any GLib
// context, so no accessibility traffic ever runs on the window's event loop,
// and events the applications publish never reach this process: the
// connection asks for none.
//
// The application of a process is found through the registry: the children of
// its root are the applications, and the bus daemon names each one's process.
// When the application's bridge offers a direct connection, the walk opens one
// for itself and goes over it, on the same thread.
//
// The walk keeps up to 120 requests in flight: the requests about every
// element it already knows of go out in the order the walk will read them
// (parent before children, children in order), each element's all at once,
// and the answers are taken in as they arrive; an element's children are
// known, and asked about, as soon as its parent's list of children comes in.
// A request still unanswered 1 s after it went out ends the walk when the walk
// comes to it, keeping what was read.
// The walk itself still reads the elements one after the other, so the texts
// come out in the same order as when every answer was waited for in turn.
// Nothing of an earlier read is kept, so a panel that changed is never read
// from a stale copy.
//
// The caller blocks until the thread hands back the walk's texts, so the read
// stays synchronous for it.

#include "accessibility/accessibility_reader.h"
#include "accessibility/accessibility_walk.h"
#include "accessibility/atspi_bus.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

using namespace accessibility;
using namespace accessibility::atspi;
using Clock = std::chrono::steady_clock;

// Safety net for the caller: the walk itself ends within its 5 s budget plus
// one call; a thread that hangs anyway (a bus that accepts the connection but
// never answers) costs one empty read, not a frozen window.
constexpr auto callerWaitLimit = std::chrono::seconds(8);
constexpr auto callTimeout = std::chrono::milliseconds(callTimeoutMs);

// Requests sent and not yet answered, at most. Enough to keep the application
// and the bus daemon busy while answers travel (from 64 on, more made no
// difference over either stand-in); more would only queue up in them. A bus
// daemon whose configuration sets no limit refuses more than 128 from one
// connection, and the element the walk waits on may go a few beyond this.
constexpr std::size_t requestsInFlight = 120;

constexpr std::string_view roleAttribute = "AXRole";
constexpr std::string_view roleDescriptionAttribute = "AXRoleDescription";
constexpr std::string_view identifierAttribute = "AXIdentifier";
// Object attributes ("toolkit", "id", ...) are listed under this prefix.
constexpr std::string_view objectAttributePrefix = "AXAttribute:";

// What the walk takes from an element, each the answer to one request; on a
// bridge that answers GetAll, the first five come in one answer. On a bridge
// built on ATK the role's number comes first, and the role names and
// interfaces may be known from it.
enum class Ask : std::uint8_t {
    name, description, identifier, help, attributes, role, localizedRole, interfaces, text, children, roleNumber
};
constexpr std::size_t askCount = 11;
constexpr std::size_t propertiesCount = 5;  // name to attributes

constexpr std::size_t at(Ask ask) { return static_cast<std::size_t>(ask); }

// Where an element stands in the walk: the indexes of its ancestors and its
// own in their lists (the walk's order is theirs, compared in turn), its depth
// (windows are 0, the application -1), and the fewest elements that the walk
// reads before it.
struct Position {
    std::vector<std::uint32_t> path;
    std::int64_t depth = -1;
    std::int64_t fewestBefore = -1;

    Position child(std::size_t index) const {
        Position p{path, depth + 1, fewestBefore + 1 + static_cast<std::int64_t>(index)};
        p.path.push_back(static_cast<std::uint32_t>(index));
        return p;
    }
};

struct WalkOrder {
    bool operator()(const std::vector<std::uint32_t>* a, const std::vector<std::uint32_t>* b) const {
        return *a < *b;
    }
};

class AtspiElement;

// The walk's requests on its connections. Elements the walk knows of wait
// their turn in the walk's order and are asked about while fewer than
// requestsInFlight requests are unanswered; answers are handed to the element
// that asked as they arrive.
class Requests {
public:
    explicit Requests(const WalkLimits& limits) : limits_(limits) {}
    Requests(const Requests&) = delete;
    Requests& operator=(const Requests&) = delete;

    const WalkLimits& limits() const { return limits_; }

    // Sends `message` (taking it over) about `element`'s `ask` (all five
    // properties at once when `all`); its serial, or nothing when it could not
    // be sent.
    std::optional<dbus_uint32_t> send(DBusConnection* bus, DBusMessage* message, AtspiElement* element, Ask ask,
                                      bool all = false);
    // The element is gone: the answer to this request is dropped.
    void forget(DBusConnection* bus, dbus_uint32_t serial);

    void enqueue(AtspiElement& element, const std::vector<std::uint32_t>& path) { waiting_.emplace(&path, &element); }
    void dequeue(const std::vector<std::uint32_t>& path) { waiting_.erase(&path); }

    // Takes in what arrived on `bus`, asks about further elements while there
    // is room, and waits for more until `deadline`. False once the deadline
    // has passed or the connection has gone away, however much arrives.
    bool receive(DBusConnection* bus, Clock::time_point deadline);
    // The same without waiting.
    void poll(DBusConnection* bus);

    // Bytes of text taken in and not yet read by the walk.
    void hold(std::int64_t bytes) { heldBytes_ += bytes; }

private:
    struct Sent {
        AtspiElement* element;
        Ask ask;
        bool all;
    };
    using Line = std::unordered_map<dbus_uint32_t, Sent>;

    Line& lineOf(DBusConnection* bus);
    bool takeArrived(DBusConnection* bus);
    void askFurther();

    const WalkLimits& limits_;
    std::vector<std::pair<DBusConnection*, Line>> lines_;
    std::size_t inFlight_ = 0;
    std::int64_t heldBytes_ = 0;
    std::map<const std::vector<std::uint32_t>*, AtspiElement*, WalkOrder> waiting_;
};

// One element read with plain AT-SPI D-Bus calls on the reader's connections.
// Nothing is cached: every walk asks afresh. It is made when its parent's list
// of children arrives, within the walk's depth and element limits, and asked
// about when its turn comes or when the walk reaches it, whichever is first.
class AtspiElement final : public Element {
public:
    AtspiElement(Requests& requests, Target target, Position position)
        : requests_(requests), target_(std::move(target)), position_(std::move(position)) {
        requests_.enqueue(*this, position_.path);
    }
    ~AtspiElement() override;
    AtspiElement(const AtspiElement&) = delete;
    AtspiElement& operator=(const AtspiElement&) = delete;

    // Sends every request about the element at once.
    void ask();
    // The answer to a request sent with Requests::send.
    void take(Ask which, bool all, DBusMessage* reply);

    Reply<std::vector<std::string>> attributeNames() override;
    Reply<AttributeValue> attributeValue(std::string_view name) override;
    Reply<Elements> children() override;
    // The application's children are its top-level windows.
    Reply<Elements> windows() override { return children(); }

private:
    struct Slot {
        enum class State : std::uint8_t { unsent, sent, answered } state = State::unsent;
        CallOutcome outcome = CallOutcome::failed;
        Clock::time_point sentAt{};
        dbus_uint32_t serial = 0;
    };

    void send(Ask which, DBusMessage* message);
    void sendIf(bool offered, Ask which, const char* property);
    bool sendProperties();
    void sendRoleAndInterfaces();
    void sendRoleNames();
    void sendChildren();
    void answer(Ask which, CallOutcome outcome);
    bool awaited(Ask which) const;
    void keepText(Ask which, std::optional<std::string> value);
    void takeProperties(DBusMessage* reply, bool childrenWait);
    void takeRoleNumber(DBusMessage* reply, CallOutcome outcome);
    void takeRoleName(Ask which, DBusMessage* reply);
    void takeInterfaces(DBusMessage* reply);
    void takeAttributes(DBusMessageIter* list);
    void takeChildren(DBusMessage* reply);
    const Slot* pendingFor(Ask which) const;
    CallOutcome await(Ask which);
    Reply<AttributeValue> textReply(Ask which);
    Reply<AttributeValue> objectAttribute(std::string_view name);
    Target childTarget(const std::pair<std::string, std::string>& reference) const;
    void releaseTexts();

    Requests& requests_;
    Target target_;
    Position position_;
    bool asked_ = false;
    bool valueIsNumber_ = false;
    RoleTraits* role_ = nullptr;  // what the bridge's elements of this role share
    bool textGuessed_ = false;    // the text was asked without the interfaces
    std::array<Slot, askCount> slots_{};
    std::array<std::string, askCount> texts_{};
    std::vector<std::pair<std::string, std::string>> objectAttributes_;
    std::int64_t heldBytes_ = 0;
    Elements children_;
};

// ---- Requests ----

Requests::Line& Requests::lineOf(DBusConnection* bus) {
    for (auto& [connection, line] : lines_) {
        if (connection == bus) return line;
    }
    return lines_.emplace_back(bus, Line{}).second;
}

std::optional<dbus_uint32_t> Requests::send(DBusConnection* bus, DBusMessage* message, AtspiElement* element,
                                            Ask ask, bool all) {
    if (!message) return std::nullopt;
    dbus_uint32_t serial = 0;
    const bool sent = dbus_connection_send(bus, message, &serial);
    dbus_message_unref(message);
    if (!sent) return std::nullopt;
    lineOf(bus).emplace(serial, Sent{element, ask, all});
    ++inFlight_;
    return serial;
}

void Requests::forget(DBusConnection* bus, dbus_uint32_t serial) {
    auto& line = lineOf(bus);
    if (auto it = line.find(serial); it != line.end()) it->second.element = nullptr;
}

bool Requests::takeArrived(DBusConnection* bus) {
    bool took = false;
    while (DBusMessage* message = dbus_connection_pop_message(bus)) {
        took = true;
        const int type = dbus_message_get_type(message);
        if (type == DBUS_MESSAGE_TYPE_METHOD_RETURN || type == DBUS_MESSAGE_TYPE_ERROR) {
            auto& line = lineOf(bus);
            if (auto it = line.find(dbus_message_get_reply_serial(message)); it != line.end()) {
                const Sent sent = it->second;
                line.erase(it);
                --inFlight_;
                if (sent.element) sent.element->take(sent.ask, sent.all, message);
            }
        } else if (type == DBUS_MESSAGE_TYPE_METHOD_CALL && !dbus_message_get_no_reply(message)) {
            // Nobody calls the reader; whoever does gets an error, not silence.
            if (DBusMessage* error = dbus_message_new_error(message, DBUS_ERROR_UNKNOWN_METHOD, "")) {
                dbus_connection_send(bus, error, nullptr);
                dbus_message_unref(error);
            }
        }
        dbus_message_unref(message);
    }
    return took;
}

// A walk never holds more unread text than it could collect: past that, the
// walk catches up before further elements are asked about.
void Requests::askFurther() {
    while (inFlight_ < requestsInFlight && heldBytes_ < limits_.maxTextBytes && !waiting_.empty()) {
        AtspiElement* next = waiting_.begin()->second;
        next->ask();
    }
}

bool Requests::receive(DBusConnection* bus, Clock::time_point deadline) {
    const bool took = takeArrived(bus);
    askFurther();
    const auto now = Clock::now();
    if (now >= deadline || !dbus_connection_get_is_connected(bus)) return false;
    if (took) return true;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    dbus_connection_read_write(bus, static_cast<int>(left.count()));
    return true;
}

void Requests::poll(DBusConnection* bus) {
    dbus_connection_read_write(bus, 0);
    takeArrived(bus);
    askFurther();
}

// ---- AtspiElement ----

AtspiElement::~AtspiElement() {
    if (!asked_) requests_.dequeue(position_.path);
    for (const Slot& slot : slots_) {
        if (slot.state == Slot::State::sent) requests_.forget(target_.bus, slot.serial);
    }
    requests_.hold(-heldBytes_);
}

void AtspiElement::ask() {
    if (asked_) return;
    asked_ = true;
    requests_.dequeue(position_.path);
    const bool countComing = sendProperties();
    sendRoleAndInterfaces();
    // The children of an element at the deepest depth are never read. Where
    // GetAll went out, its count of children says whether there are any.
    if (position_.depth >= requests_.limits().deepestDepth) {
        answer(Ask::children, CallOutcome::ok);
    } else if (!countComing) {
        sendChildren();
    }
}

// Where the role's number tells the rest, it alone is asked first.
void AtspiElement::sendRoleAndInterfaces() {
    if (target_.bridge->rolesByNumber) {
        send(Ask::roleNumber, methodCall(target_, accessibleInterface, "GetRole"));
        if (awaited(Ask::roleNumber)) return;
    }
    sendRoleNames();
    // The text is asked once the interfaces show there is one: GTK's bridge
    // logs a critical warning for every GetText on an element without it.
    send(Ask::interfaces, methodCall(target_, accessibleInterface, "GetInterfaces"));
}

void AtspiElement::sendRoleNames() {
    send(Ask::role, methodCall(target_, accessibleInterface, "GetRoleName"));
    send(Ask::localizedRole, methodCall(target_, accessibleInterface, "GetLocalizedRoleName"));
}

void AtspiElement::sendChildren() { send(Ask::children, methodCall(target_, accessibleInterface, "GetChildren")); }

void AtspiElement::send(Ask which, DBusMessage* message) {
    const auto serial = requests_.send(target_.bus, message, this, which);
    if (!serial) return answer(which, CallOutcome::failed);
    slots_[at(which)] = Slot{Slot::State::sent, CallOutcome::failed, Clock::now(), *serial};
}

// Name, description, identifier, help text and object attributes: in one
// GetAll where the bridge answers it (true), else one request each.
bool AtspiElement::sendProperties() {
    if (target_.bridge->answersGetAll) {
        if (auto serial = requests_.send(target_.bus, allPropertiesCall(target_), this, Ask::name, true)) {
            const auto now = Clock::now();
            for (std::size_t i = 0; i < propertiesCount; ++i) {
                slots_[i] = Slot{Slot::State::sent, CallOutcome::failed, now, *serial};
            }
            return true;
        }
    }
    send(Ask::name, propertyCall(target_, "Name"));
    send(Ask::description, propertyCall(target_, "Description"));
    sendIf(target_.bridge->offersIdentifier, Ask::identifier, "AccessibleId");
    sendIf(target_.bridge->offersHelpText, Ask::help, "HelpText");
    send(Ask::attributes, methodCall(target_, accessibleInterface, "GetAttributes"));
    return false;
}

// A property the bridge is known not to have is not asked for.
void AtspiElement::sendIf(bool offered, Ask which, const char* property) {
    if (offered) return send(which, propertyCall(target_, property));
    answer(which, CallOutcome::failed);
}

void AtspiElement::answer(Ask which, CallOutcome outcome) {
    slots_[at(which)].state = Slot::State::answered;
    slots_[at(which)].outcome = outcome;
}

bool AtspiElement::awaited(Ask which) const { return slots_[at(which)].state == Slot::State::sent; }

void AtspiElement::keepText(Ask which, std::optional<std::string> value) {
    if (!value) return answer(which, CallOutcome::failed);
    heldBytes_ += static_cast<std::int64_t>(value->size());
    requests_.hold(static_cast<std::int64_t>(value->size()));
    texts_[at(which)] = std::move(*value);
    answer(which, CallOutcome::ok);
}

void AtspiElement::take(Ask which, bool all, DBusMessage* reply) {
    const CallOutcome outcome = outcomeOf(reply);
    if (which == Ask::roleNumber) return takeRoleNumber(reply, outcome);
    // A text asked of an element without one: its role's elements are asked
    // for their interfaces from now on.
    if (which == Ask::text && textGuessed_ && outcome == CallOutcome::failed) role_->withoutText = true;
    const bool childrenWait = all && slots_[at(Ask::children)].state == Slot::State::unsent;
    if (all && outcome == CallOutcome::failed) {
        // A bridge that refuses GetAll is asked one property at a time.
        target_.bridge->answersGetAll = false;
        sendProperties();
        if (childrenWait) sendChildren();
        return;
    }
    if (outcome != CallOutcome::ok) {
        const std::size_t end = all ? propertiesCount : at(which) + 1;
        for (std::size_t i = at(which); i < end; ++i) answer(static_cast<Ask>(i), outcome);
        if (which == Ask::interfaces) answer(Ask::text, outcome);
        if (childrenWait) answer(Ask::children, outcome);
        if (which == Ask::identifier && saysNoSuchProperty(reply)) target_.bridge->offersIdentifier = false;
        if (which == Ask::help && saysNoSuchProperty(reply)) target_.bridge->offersHelpText = false;
        return;
    }
    if (all) return takeProperties(reply, childrenWait);
    if (which == Ask::children) return takeChildren(reply);
    if (which == Ask::interfaces) return takeInterfaces(reply);
    if (which == Ask::role || which == Ask::localizedRole) return takeRoleName(which, reply);
    if (which == Ask::attributes) {
        DBusMessageIter it;
        if (dbus_message_iter_init(reply, &it)) takeAttributes(&it);
        return answer(Ask::attributes, CallOutcome::ok);
    }
    keepText(which, replyString(reply));
}

// A GetAll answer: a dictionary of the Accessible interface's properties. A
// property it leaves out has no value, as its Get would have had none; object
// attributes missing from it (older bridges list them only through
// GetAttributes) are asked for. Children are asked for unless the count says
// there are none (GTK's bridge counts them as GetChildren lists them).
void AtspiElement::takeProperties(DBusMessage* reply, bool childrenWait) {
    std::optional<dbus_int32_t> childCount;
    static constexpr std::array<std::pair<std::string_view, Ask>, 4> properties{
        {{"Name", Ask::name}, {"Description", Ask::description}, {"AccessibleId", Ask::identifier},
         {"HelpText", Ask::help}}};
    forEachEntry(reply, [&](DBusMessageIter* entry) {
        DBusMessageIter fields;
        dbus_message_iter_recurse(entry, &fields);
        const auto key = stringIn(&fields);
        if (!key || !dbus_message_iter_next(&fields) || dbus_message_iter_get_arg_type(&fields) != DBUS_TYPE_VARIANT) {
            return;
        }
        DBusMessageIter value;
        dbus_message_iter_recurse(&fields, &value);
        for (const auto& [property, which] : properties) {
            if (*key == property && awaited(which)) keepText(which, stringIn(&value));
        }
        if (*key == "Attributes" && awaited(Ask::attributes)) {
            takeAttributes(&value);
            answer(Ask::attributes, CallOutcome::ok);
        }
        if (*key == "ChildCount" && dbus_message_iter_get_arg_type(&value) == DBUS_TYPE_INT32) {
            dbus_int32_t count = 0;
            dbus_message_iter_get_basic(&value, &count);
            childCount = count;
        }
    });
    for (const auto& [property, which] : properties) {
        if (awaited(which)) answer(which, CallOutcome::failed);
    }
    if (awaited(Ask::attributes)) send(Ask::attributes, methodCall(target_, accessibleInterface, "GetAttributes"));
    if (!childrenWait) return;
    if (childCount == 0) return answer(Ask::children, CallOutcome::ok);
    sendChildren();
}

// The role's number. Its names are asked once a walk; its elements' text is
// asked straight away once every earlier element of the role had one (an
// element without one answers with an error, as it would have had none), else
// once the interfaces show one. A number that stands for roles of several
// names (unknown, extended) teaches nothing.
void AtspiElement::takeRoleNumber(DBusMessage* reply, CallOutcome outcome) {
    answer(Ask::roleNumber, outcome);
    if (outcome == CallOutcome::notAnswering) {
        for (Ask which : {Ask::role, Ask::localizedRole, Ask::interfaces, Ask::text}) answer(which, outcome);
        return;
    }
    const auto number = outcome == CallOutcome::ok ? replyUint32(reply) : std::nullopt;
    role_ = number && rolesShareTraits(*number) ? &target_.bridge->roles[*number] : nullptr;
    if (role_ && role_->name && role_->localizedName) {
        keepText(Ask::role, role_->name);
        keepText(Ask::localizedRole, role_->localizedName);
    } else {
        sendRoleNames();
    }
    if (role_ && role_->withText && !role_->withoutText) {
        answer(Ask::interfaces, CallOutcome::ok);
        textGuessed_ = true;
        return send(Ask::text, wholeTextCall(target_));
    }
    send(Ask::interfaces, methodCall(target_, accessibleInterface, "GetInterfaces"));
}

void AtspiElement::takeRoleName(Ask which, DBusMessage* reply) {
    auto name = replyString(reply);
    if (role_ && name) (which == Ask::role ? role_->name : role_->localizedName) = *name;
    keepText(which, std::move(name));
}

// The element's text is the whole text of its Text interface; a numeric
// Value gives no text, and neither does an element with neither.
void AtspiElement::takeInterfaces(DBusMessage* reply) {
    answer(Ask::interfaces, CallOutcome::ok);
    bool text = false;
    bool value = false;
    forEachEntry(reply, [&](DBusMessageIter* entry) {
        auto name = stringIn(entry);
        text = text || name == textInterface;
        value = value || name == valueInterface;
    });
    if (role_) (text ? role_->withText : role_->withoutText) = true;
    if (text) return send(Ask::text, wholeTextCall(target_));
    valueIsNumber_ = value;
    answer(Ask::text, value ? CallOutcome::ok : CallOutcome::failed);
}

void AtspiElement::takeAttributes(DBusMessageIter* list) {
    forEachEntry(list, [&](DBusMessageIter* entry) {
        if (auto pair = stringPair(entry)) {
            const auto bytes = static_cast<std::int64_t>(pair->first.size() + pair->second.size());
            heldBytes_ += bytes;
            requests_.hold(bytes);
            objectAttributes_.push_back(std::move(*pair));
        }
    });
}

// Children that the walk cannot read are not made: past the deepest depth
// (never asked for), or when at least the walk's whole count of elements comes
// before them. So an application that reports 100,000 children under one
// parent costs no more than the walk can read (they once cost some 50 MB).
void AtspiElement::takeChildren(DBusMessage* reply) {
    const std::int64_t maxElements = requests_.limits().maxElements;
    forEachEntry(reply, [&](DBusMessageIter* entry) {
        if (position_.fewestBefore + 1 + static_cast<std::int64_t>(children_.size()) >= maxElements) return;
        auto reference = stringPair(entry);
        if (!reference) return;
        children_.push_back(
            std::make_unique<AtspiElement>(requests_, childTarget(*reference), position_.child(children_.size())));
    });
    answer(Ask::children, CallOutcome::ok);
}

// A child that another process embeds has a bridge of its own.
Target AtspiElement::childTarget(const std::pair<std::string, std::string>& reference) const {
    if (reference.first == target_.busName) {
        return Target{target_.bus, reference.first, reference.second, target_.bridge, target_.accessibilityBus};
    }
    return Target{target_.accessibilityBus, reference.first, reference.second, std::make_shared<Bridge>(),
                  target_.accessibilityBus};
}

// Waits for one answer. The walk has come to this element, so whatever it has
// not asked yet goes out now; an answer that has not come within the call
// timeout of its request ends the walk.
CallOutcome AtspiElement::await(Ask which) {
    if (!asked_) {
        requests_.poll(target_.bus);
        ask();
    }
    Slot& slot = slots_[at(which)];
    while (slot.state != Slot::State::answered) {
        const Slot* request = pendingFor(which);
        if (!request) {
            answer(which, CallOutcome::failed);
        } else if (!requests_.receive(target_.bus, request->sentAt + callTimeout) &&
                   request->state == Slot::State::sent) {
            answer(which, CallOutcome::notAnswering);
        }
    }
    return slot.outcome;
}

// The request an answer not yet asked for waits on: the text is asked after
// the interfaces, they and the role names after the role's number, the
// children after the count of them. None when nothing it waits on is out.
const AtspiElement::Slot* AtspiElement::pendingFor(Ask which) const {
    for (Ask ask = which;;) {
        const Slot& slot = slots_[at(ask)];
        if (slot.state == Slot::State::sent) return &slot;
        if (slot.state == Slot::State::answered && ask != which) return nullptr;
        switch (ask) {
            case Ask::text: ask = Ask::interfaces; break;
            case Ask::interfaces:
            case Ask::role:
            case Ask::localizedRole: ask = Ask::roleNumber; break;
            case Ask::roleNumber:
            case Ask::name: return nullptr;
            default: ask = Ask::name;
        }
    }
}

Reply<AttributeValue> AtspiElement::textReply(Ask which) {
    const CallOutcome outcome = await(which);
    if (outcome != CallOutcome::ok) return {outcome, std::nullopt};
    if (which == Ask::text && valueIsNumber_) return Reply<AttributeValue>::answered(AttributeValue::number());
    return Reply<AttributeValue>::answered(AttributeValue::plain(texts_[at(which)]));
}

Reply<std::vector<std::string>> AtspiElement::attributeNames() {
    std::vector<std::string> names{std::string(roleAttribute), std::string(roleDescriptionAttribute),
                                   std::string(identifierAttribute)};
    if (await(Ask::attributes) == CallOutcome::notAnswering) return Reply<std::vector<std::string>>::timedOut();
    for (const auto& attribute : objectAttributes_) names.push_back(std::string(objectAttributePrefix) + attribute.first);
    return Reply<std::vector<std::string>>::answered(std::move(names));
}

Reply<AttributeValue> AtspiElement::attributeValue(std::string_view attribute) {
    if (attribute == titleAttribute) return textReply(Ask::name);
    if (attribute == descriptionAttribute) return textReply(Ask::description);
    if (attribute == valueAttribute) return textReply(Ask::text);
    if (attribute == helpAttribute) return textReply(Ask::help);
    if (attribute == roleAttribute) return textReply(Ask::role);
    if (attribute == roleDescriptionAttribute) return textReply(Ask::localizedRole);
    if (attribute == identifierAttribute) return textReply(Ask::identifier);
    if (attribute.starts_with(objectAttributePrefix)) return objectAttribute(attribute);
    return Reply<AttributeValue>::failed();
}

Reply<AttributeValue> AtspiElement::objectAttribute(std::string_view attribute) {
    auto key = attribute.substr(objectAttributePrefix.size());
    for (const auto& [k, v] : objectAttributes_) {
        if (k == key) return Reply<AttributeValue>::answered(AttributeValue::plain(v));
    }
    return Reply<AttributeValue>::failed();
}

// The walk asks for the children after the element's texts, so those are let go.
Reply<Elements> AtspiElement::children() {
    const CallOutcome outcome = await(Ask::children);
    releaseTexts();
    if (outcome != CallOutcome::ok) return {outcome, std::nullopt};
    return Reply<Elements>::answered(std::move(children_));
}

void AtspiElement::releaseTexts() {
    requests_.hold(-heldBytes_);
    heldBytes_ = 0;
    texts_ = {};
    objectAttributes_.clear();
}

// ---- The walk ----

std::vector<std::string> walkProcess(DBusConnection* bus, std::int32_t pid) {
    auto target = findApplication(bus, pid);
    if (!target) return {};
    ConnectionPtr direct;
    // An application that does not answer would not answer the walk's first
    // call either.
    if (!prepareApplication(*target, direct)) return {};
    const WalkLimits limits;
    Requests requests(limits);
    AtspiElement application(requests, std::move(*target), Position{});
    return readAccessibilityStrings(application, limits);
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
