// The walk over another application's tree through the macOS Accessibility
// API. Every element and value obtained from a Create or Copy call is held by
// a CfRef and released once; elements taken out of a list (Get rule) are
// retained by their holder first.

#include "accessibility/accessibility_reader.h"
#include "accessibility/accessibility_walk.h"
#include "accessibility/ax_value_rules.h"
#include "platform/macos/cf_ref.h"
#include "platform/macos/cf_text.h"

#include <ApplicationServices/ApplicationServices.h>

#include <memory>

namespace accessibility {
namespace {

using macos::CfRef;

static_assert(kAXErrorSuccess == ax::errorSuccess);
static_assert(kAXErrorCannotComplete == ax::errorCannotComplete);

// A call that gets no answer within this time fails with "cannot complete"
// and ends the walk. The timeout belongs to one element object, not to the
// elements equal to it, so every element the walk holds gets it.
constexpr float messagingTimeoutSeconds = 1.0F;

ax::ValueType valueTypeOf(CFTypeRef value) {
    const CFTypeID type = CFGetTypeID(value);
    if (type == CFStringGetTypeID()) return ax::ValueType::string;
    if (type == CFAttributedStringGetTypeID()) return ax::ValueType::attributedString;
    if (type == CFNumberGetTypeID()) return ax::ValueType::number;
    if (type == CFBooleanGetTypeID()) return ax::ValueType::boolean;
    if (type == AXUIElementGetTypeID()) return ax::ValueType::element;
    if (type == CFArrayGetTypeID()) return ax::ValueType::array;
    return ax::ValueType::other;
}

std::string plainStringOf(CFTypeRef value, ax::ValueType type) {
    if (type == ax::ValueType::string) return macos::utf8FromCfString(static_cast<CFStringRef>(value));
    if (type == ax::ValueType::attributedString)
        return macos::utf8FromCfString(CFAttributedStringGetString(static_cast<CFAttributedStringRef>(value)));
    return {};
}

class AxElement final : public Element {
public:
    explicit AxElement(CfRef<AXUIElementRef> element) : element_(std::move(element)) {
        AXUIElementSetMessagingTimeout(element_.get(), messagingTimeoutSeconds);
    }

    Reply<std::vector<std::string>> attributeNames() override {
        CfRef<CFArrayRef> names;
        const CallOutcome outcome = ax::callOutcomeOf(AXUIElementCopyAttributeNames(element_.get(), names.out()));
        if (outcome != CallOutcome::ok) return {outcome, std::nullopt};
        std::vector<std::string> result;
        const CFIndex count = names ? CFArrayGetCount(names.get()) : 0;
        for (CFIndex i = 0; i < count; ++i) {
            const CFTypeRef name = CFArrayGetValueAtIndex(names.get(), i);
            if (name && CFGetTypeID(name) == CFStringGetTypeID())
                result.push_back(macos::utf8FromCfString(static_cast<CFStringRef>(name)));
        }
        return Reply<std::vector<std::string>>::answered(std::move(result));
    }

    Reply<AttributeValue> attributeValue(std::string_view name) override {
        CfRef<CFTypeRef> value;
        const CallOutcome outcome = copyValue(name, value);
        if (outcome != CallOutcome::ok) return {outcome, std::nullopt};
        if (!value) return Reply<AttributeValue>::failed();
        const ax::ValueType type = valueTypeOf(value.get());
        return Reply<AttributeValue>::answered(ax::attributeValueOf(type, plainStringOf(value.get(), type)));
    }

    Reply<Elements> children() override { return elementsOf("AXChildren"); }
    Reply<Elements> windows() override { return elementsOf("AXWindows"); }

private:
    CallOutcome copyValue(std::string_view name, CfRef<CFTypeRef>& value) {
        const CfRef<CFStringRef> attribute = macos::cfStringFromUtf8(name);
        if (!attribute) return CallOutcome::failed;
        return ax::callOutcomeOf(AXUIElementCopyAttributeValue(element_.get(), attribute.get(), value.out()));
    }

    // A list of elements; any other value counts as none.
    Reply<Elements> elementsOf(std::string_view name) {
        CfRef<CFTypeRef> value;
        const CallOutcome outcome = copyValue(name, value);
        if (outcome != CallOutcome::ok) return {outcome, std::nullopt};
        if (!value || CFGetTypeID(value.get()) != CFArrayGetTypeID()) return Reply<Elements>::failed();
        const auto list = static_cast<CFArrayRef>(value.get());
        Elements elements;
        const CFIndex count = CFArrayGetCount(list);
        for (CFIndex i = 0; i < count; ++i) {
            const CFTypeRef item = CFArrayGetValueAtIndex(list, i);
            if (!item || CFGetTypeID(item) != AXUIElementGetTypeID()) continue;
            elements.push_back(
                std::make_unique<AxElement>(CfRef<AXUIElementRef>::retained(static_cast<AXUIElementRef>(item))));
        }
        return Reply<Elements>::answered(std::move(elements));
    }

    CfRef<AXUIElementRef> element_;
};

}  // namespace
}  // namespace accessibility

std::vector<std::string> readAccessibilityStrings(std::int32_t pid) {
    accessibility::AxElement application(macos::CfRef<AXUIElementRef>(AXUIElementCreateApplication(pid)));
    return accessibility::readAccessibilityStrings(application);
}
