#pragma once
// How the macOS Accessibility API's answers become the walk's values: which
// result codes count, and which kinds of attribute value give a text. Kept
// free of Apple's headers so the rules are the same everywhere and testable.

#include "accessibility/accessibility_walk.h"

#include <string>

namespace accessibility::ax {

// The AXError codes the walk tells apart (Apple's values; the reader checks
// them against the SDK's constants at compile time).
inline constexpr int errorSuccess = 0;
inline constexpr int errorCannotComplete = -25204;

// Success answers; "cannot complete" is what a call that ran into the
// messaging timeout returns, so the application is not answering; every
// other code is "no value here".
CallOutcome callOutcomeOf(int axError);

// The kinds of value an attribute can hold, as far as the walk cares.
enum class ValueType { string, attributedString, number, boolean, element, array, other };

// The walk's value for an attribute of the given kind; `text` is the value's
// plain string for strings and attributed strings and ignored otherwise.
AttributeValue attributeValueOf(ValueType type, std::string text);

}  // namespace accessibility::ax
