// The walk over another application's tree through the macOS Accessibility
// API. Each element is read with two calls (ax_element.h): its attribute
// names, then the values of every attribute the walk reads and its children
// at once. Every element and value obtained from a Create or Copy call is held
// by a CfRef and released once; elements taken out of a list (Get rule) are
// retained by their holder first.

#include "accessibility/accessibility_reader.h"
#include "accessibility/accessibility_walk.h"
#include "accessibility/ax_element.h"
#include "accessibility/ax_value_rules.h"
#include "platform/macos/cf_ref.h"
#include "platform/macos/cf_text.h"

#include <ApplicationServices/ApplicationServices.h>

#include <memory>
#include <optional>

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

// In a list of values, an AXValue of the error type stands for the error that
// attribute gave; the code it holds, or none.
std::optional<int> errorIn(CFTypeRef value) {
    if (CFGetTypeID(value) != AXValueGetTypeID()) return std::nullopt;
    const auto wrapped = static_cast<AXValueRef>(value);
    if (AXValueGetType(wrapped) != kAXValueTypeAXError) return std::nullopt;
    AXError error = kAXErrorFailure;
    if (!AXValueGetValue(wrapped, kAXValueTypeAXError, &error)) return kAXErrorFailure;
    return static_cast<int>(error);
}

class ApiCalls final : public ax::Calls {
public:
    explicit ApiCalls(CfRef<AXUIElementRef> element) : element_(std::move(element)) {
        AXUIElementSetMessagingTimeout(element_.get(), messagingTimeoutSeconds);
    }

    int copyAttributeNames(std::vector<std::string>& names) override {
        CfRef<CFArrayRef> list;
        const AXError code = AXUIElementCopyAttributeNames(element_.get(), list.out());
        const CFIndex count = list ? CFArrayGetCount(list.get()) : 0;
        for (CFIndex i = 0; i < count; ++i) {
            const CFTypeRef name = CFArrayGetValueAtIndex(list.get(), i);
            if (name && CFGetTypeID(name) == CFStringGetTypeID())
                names.push_back(macos::utf8FromCfString(static_cast<CFStringRef>(name)));
        }
        return code;
    }

    int copyAttributeValue(std::string_view name, ax::Answer& answer) override {
        const CfRef<CFStringRef> attribute = macos::cfStringFromUtf8(name);
        if (!attribute) return kAXErrorIllegalArgument;
        CfRef<CFTypeRef> value;
        const AXError code = AXUIElementCopyAttributeValue(element_.get(), attribute.get(), value.out());
        if (code == kAXErrorSuccess && value) answer = answerOf(value.get());
        return code;
    }

    int copyMultipleAttributeValues(const std::vector<std::string>& names,
                                    std::vector<ax::Answer>& answers) override {
        CfRef<CFMutableArrayRef> attributes(
            CFArrayCreateMutable(kCFAllocatorDefault, static_cast<CFIndex>(names.size()), &kCFTypeArrayCallBacks));
        if (!attributes) return kAXErrorFailure;
        for (const auto& name : names) {
            const CfRef<CFStringRef> attribute = macos::cfStringFromUtf8(name);
            if (!attribute) return kAXErrorIllegalArgument;
            CFArrayAppendValue(attributes.get(), attribute.get());
        }
        CfRef<CFArrayRef> values;
        const AXError code = AXUIElementCopyMultipleAttributeValues(element_.get(), attributes.get(), 0, values.out());
        const CFIndex count = values ? CFArrayGetCount(values.get()) : 0;
        for (CFIndex i = 0; i < count; ++i) answers.push_back(itemOf(CFArrayGetValueAtIndex(values.get(), i)));
        return code;
    }

private:
    // One position of a multiple-attribute answer: an error, no value, or a value.
    static ax::Answer itemOf(CFTypeRef value) {
        if (!value || value == kCFNull) return {};
        if (auto error = errorIn(value)) {
            ax::Answer answer;
            answer.error = *error;
            return answer;
        }
        return answerOf(value);
    }

    static ax::Answer answerOf(CFTypeRef value) {
        ax::Answer answer;
        answer.hasValue = true;
        answer.type = valueTypeOf(value);
        answer.text = plainStringOf(value, answer.type);
        if (answer.type == ax::ValueType::array) answer.elements = elementsIn(static_cast<CFArrayRef>(value));
        return answer;
    }

    // The elements of a list; anything else in it is passed over.
    static Elements elementsIn(CFArrayRef list) {
        Elements elements;
        const CFIndex count = CFArrayGetCount(list);
        for (CFIndex i = 0; i < count; ++i) {
            const CFTypeRef item = CFArrayGetValueAtIndex(list, i);
            if (!item || CFGetTypeID(item) != AXUIElementGetTypeID()) continue;
            elements.push_back(std::make_unique<ax::AxElement>(
                std::make_unique<ApiCalls>(CfRef<AXUIElementRef>::retained(static_cast<AXUIElementRef>(item)))));
        }
        return elements;
    }

    CfRef<AXUIElementRef> element_;
};

}  // namespace
}  // namespace accessibility

std::vector<std::string> readAccessibilityStrings(std::int32_t pid) {
    accessibility::ax::AxElement application(std::make_unique<accessibility::ApiCalls>(
        macos::CfRef<AXUIElementRef>(AXUIElementCreateApplication(pid))));
    return accessibility::readAccessibilityStrings(application);
}
