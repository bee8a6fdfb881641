#pragma once
// An element of the macOS Accessibility API as the walk reads it, written
// against the three calls it makes so that it is the same everywhere and
// testable: the element's attribute names, then in one more call
// (AXUIElementCopyMultipleAttributeValues) the values of every name the walk
// reads together with the element's children, where each used to be one call
// and one round trip to the application.

#include "accessibility/accessibility_walk.h"
#include "accessibility/ax_value_rules.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace accessibility::ax {

inline constexpr std::string_view childrenAttribute = "AXChildren";
inline constexpr std::string_view windowsAttribute = "AXWindows";

// One attribute's value as a call gave it.
struct Answer {
    // An error of the attribute's own: a multiple-attribute answer holds an
    // AXValue of the error type in its place.
    int error = errorSuccess;
    bool hasValue = false;  // false for no value (null, or CFNull in a list of values)
    ValueType type = ValueType::other;
    std::string text;   // the plain string of a string or attributed string
    Elements elements;  // the elements of a list
};

// The Accessibility API calls made of one element; each returns the call's
// result code (an AXError).
class Calls {
public:
    virtual ~Calls() = default;
    // AXUIElementCopyAttributeNames.
    virtual int copyAttributeNames(std::vector<std::string>& names) = 0;
    // AXUIElementCopyAttributeValue.
    virtual int copyAttributeValue(std::string_view name, Answer& answer) = 0;
    // AXUIElementCopyMultipleAttributeValues without stopping at an error:
    // one answer for each name, in order.
    virtual int copyMultipleAttributeValues(const std::vector<std::string>& names, std::vector<Answer>& answers) = 0;
};

// Two calls per element: its names, then everything else at once. The walk's
// outcome is the one that a call per attribute gives: an attribute's own
// error counts as that call's result code would, and when the call for all
// of them fails as a whole (other than by not answering), they are asked one
// at a time.
class AxElement final : public Element {
public:
    explicit AxElement(std::unique_ptr<Calls> calls) : calls_(std::move(calls)) {}

    Reply<std::vector<std::string>> attributeNames() override;
    Reply<AttributeValue> attributeValue(std::string_view name) override;
    Reply<Elements> children() override;
    Reply<Elements> windows() override;

private:
    // The answers of the one call for all the names to read and the children.
    void readAll();
    Reply<Elements> elementsOf(std::string_view name);

    std::unique_ptr<Calls> calls_;
    std::vector<std::string> namesToRead_ = namesToRead({});
    bool read_ = false;
    bool notAnswering_ = false;
    std::map<std::string, Answer, std::less<>> answers_;
};

}  // namespace accessibility::ax
