#include "accessibility/ax_value_rules.h"

namespace accessibility::ax {

CallOutcome callOutcomeOf(int axError) {
    if (axError == errorSuccess) return CallOutcome::ok;
    if (axError == errorCannotComplete) return CallOutcome::notAnswering;
    return CallOutcome::failed;
}

AttributeValue attributeValueOf(ValueType type, std::string text) {
    switch (type) {
        case ValueType::string: return AttributeValue::plain(std::move(text));
        case ValueType::attributedString: return AttributeValue::attributed(std::move(text));
        case ValueType::number:
        case ValueType::boolean: return AttributeValue::number();
        case ValueType::element:
        case ValueType::array:
        case ValueType::other: break;
    }
    return AttributeValue::other();
}

}  // namespace accessibility::ax
