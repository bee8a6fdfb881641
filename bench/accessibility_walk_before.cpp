// The AT-SPI walk as it was before requests went out ahead of it, kept for the
// bench to time beside today's and to compare texts with: every call about an
// element goes out at once when the walk reaches it, the next 16 siblings are
// asked ahead, the text of the Text interface is asked once GetInterfaces has
// answered, and every call is waited for on its own.

#include "accessibility_walk_before.h"

#include "accessibility/accessibility_walk.h"
#include "accessibility/atspi_bus.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace accessibility;
using namespace accessibility::atspi;

constexpr std::string_view roleAttribute = "AXRole";
constexpr std::string_view roleDescriptionAttribute = "AXRoleDescription";
constexpr std::string_view identifierAttribute = "AXIdentifier";
constexpr std::string_view objectAttributePrefix = "AXAttribute:";

Reply<AttributeValue> textAnswer(PendingCall& call) {
    auto outcome = call.wait();
    if (outcome != CallOutcome::ok) return Reply<AttributeValue>{outcome, std::nullopt};
    auto text = replyString(call.reply());
    if (!text) return Reply<AttributeValue>::failed();
    return Reply<AttributeValue>::answered(AttributeValue::plain(std::move(*text)));
}

PendingCall askAccessible(const Target& target, const char* method) {
    return PendingCall(target.bus, methodCall(target, accessibleInterface, method));
}

class ElementBefore;

struct Siblings {
    std::vector<ElementBefore*> elements;
    void askAhead(std::size_t from);
};
constexpr std::size_t askAheadCount = 16;
constexpr std::size_t mostChildrenKept = static_cast<std::size_t>(WalkLimits{}.maxElements);

class ElementBefore final : public Element {
public:
    ElementBefore(Target target, std::shared_ptr<Siblings> siblings, std::size_t index)
        : target_(std::move(target)), siblings_(std::move(siblings)), index_(index) {}

    void ask() {
        if (asked_) return;
        asked_ = true;
        name_ = PendingCall(target_.bus, propertyCall(target_, "Name"));
        description_ = PendingCall(target_.bus, propertyCall(target_, "Description"));
        identifier_ = PendingCall(target_.bus, propertyCall(target_, "AccessibleId"));
        if (target_.bridge->offersHelpText) help_ = PendingCall(target_.bus, propertyCall(target_, "HelpText"));
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
        if (attributes_.wait() == CallOutcome::notAnswering) return Reply<std::vector<std::string>>::timedOut();
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
        if (name.starts_with(objectAttributePrefix)) {
            auto key = name.substr(objectAttributePrefix.size());
            for (const auto& [k, v] : objectAttributes_) {
                if (k == key) return Reply<AttributeValue>::answered(AttributeValue::plain(v));
            }
        }
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
            auto child = std::make_unique<ElementBefore>(childTarget(*reference), siblings, children.size());
            siblings->elements.push_back(child.get());
            children.push_back(std::move(child));
        });
        siblings->askAhead(0);
        return Reply<Elements>::answered(std::move(children));
    }

    Reply<Elements> windows() override { return children(); }

private:
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
            PendingCall whole(target_.bus, wholeTextCall(target_));
            return textAnswer(whole);
        }
        if (value) return Reply<AttributeValue>::answered(AttributeValue::number());
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

}  // namespace

// Its connection to the accessibility bus is kept from one read to the next,
// as the reader keeps its own.
std::vector<std::string> readOneElementAtATime(std::int32_t pid) {
    static ConnectionPtr bus;
    if (bus && !dbus_connection_get_is_connected(bus.get())) bus.reset();
    if (!bus) bus = openAccessibilityBus();
    if (!bus) return {};
    drainIncoming(bus.get());
    auto target = findApplication(bus.get(), pid);
    if (!target) return {};
    ConnectionPtr direct;
    if (!prepareApplication(*target, direct)) return {};
    ElementBefore application(std::move(*target), nullptr, 0);
    return readAccessibilityStrings(application);
}
