#include "accessibility/accessibility_walk.h"

#include "text/text_rules.h"

#include <algorithm>
#include <unordered_set>

namespace accessibility {

std::vector<std::string> namesToRead(std::vector<std::string> own) {
    std::vector<std::string> names{std::string(valueAttribute), std::string(titleAttribute),
                                   std::string(descriptionAttribute), std::string(helpAttribute)};
    for (auto& name : own) {
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
    }
    return names;
}

WalkGuard::WalkGuard(std::chrono::milliseconds budget, SteadyClock clock, std::int64_t textBytes)
    : clock_(clock ? std::move(clock) : SteadyClock([] { return std::chrono::steady_clock::now(); })),
      deadline_(clock_() + budget),
      textBytesLeft_(textBytes) {}

bool WalkGuard::stopped() {
    if (!stopped_ && clock_() >= deadline_) stopped_ = true;
    return stopped_;
}

bool WalkGuard::accept(CallOutcome outcome) {
    if (outcome == CallOutcome::notAnswering) stopped_ = true;
    return outcome == CallOutcome::ok && !stopped();
}

bool WalkGuard::admitText(std::size_t bytes) {
    if (static_cast<std::int64_t>(bytes) > textBytesLeft_) return false;
    textBytesLeft_ -= static_cast<std::int64_t>(bytes);
    return true;
}

namespace {

// An element whose names cannot be had is read for the four texts alone.
std::vector<std::string> namesToReadOf(Element& element, WalkGuard& guard) {
    auto own = element.attributeNames();
    if (!guard.accept(own.outcome) || !own.value) return namesToRead({});
    return namesToRead(std::move(*own.value));
}

// U+FFFC, the object replacement character, in UTF-8.
constexpr std::string_view objectMark = "\xEF\xBF\xBC";

// A text marks the place of each child embedded in it (a browser's link,
// image or button in a paragraph, an attachment in a rich text) with U+FFFC.
// The child is an element of its own and read as one, so the mark is only a
// placeholder; left in, it became part of a route's label or place name.
std::string withoutObjectMarks(std::string text) {
    for (std::size_t at = text.find(objectMark); at != std::string::npos; at = text.find(objectMark, at)) {
        text.erase(at, objectMark.size());
    }
    return text;
}

std::optional<std::string> textOf(const AttributeValue& value) {
    switch (value.kind) {
        case AttributeValue::Kind::text:
        case AttributeValue::Kind::attributedText:
            // Whatever the other process sent, only well-formed UTF-8 goes on to
            // the parser and the payload.
            return withoutObjectMarks(text::wellFormedUtf8(value.text));
        case AttributeValue::Kind::number:
        case AttributeValue::Kind::other:
            break;
    }
    return std::nullopt;
}

void collectTexts(Element& element, std::vector<std::string>& results, WalkGuard& guard) {
    for (const auto& name : namesToReadOf(element, guard)) {
        if (guard.stopped()) return;
        auto value = element.attributeValue(name);
        if (!guard.accept(value.outcome) || !value.value) continue;
        auto text = textOf(*value.value);
        if (!text) continue;
        auto trimmed = text::trim(*text);
        if (!trimmed.empty() && guard.admitText(trimmed.size())) results.push_back(std::move(trimmed));
    }
}

}  // namespace

void collectStrings(Element& element, std::int64_t depth, std::int64_t& visited,
                    std::vector<std::string>& results, WalkGuard& guard, const WalkLimits& limits) {
    if (depth > limits.deepestDepth || visited >= limits.maxElements || guard.stopped()) return;
    ++visited;
    collectTexts(element, results, guard);
    if (guard.stopped()) return;
    auto children = element.children();
    if (!guard.accept(children.outcome) || !children.value) return;
    for (auto& child : *children.value) {
        if (guard.stopped()) return;
        collectStrings(*child, depth + 1, visited, results, guard, limits);
    }
}

std::vector<std::string> withoutRepeats(std::vector<std::string> texts) {
    std::unordered_set<std::string> seen;
    std::vector<std::string> kept;
    kept.reserve(texts.size());
    for (auto& t : texts) {
        if (seen.insert(t).second) kept.push_back(std::move(t));
    }
    return kept;
}

std::vector<std::string> readAccessibilityStrings(Element& application, const WalkLimits& limits,
                                                  SteadyClock clock) {
    WalkGuard guard(limits.timeBudget, std::move(clock), limits.maxTextBytes);
    std::int64_t visited = 0;
    std::vector<std::string> results;
    auto windows = application.windows();
    if (guard.accept(windows.outcome) && windows.value && !windows.value->empty()) {
        for (auto& window : *windows.value) collectStrings(*window, 0, visited, results, guard, limits);
    } else if (!guard.stopped()) {
        collectStrings(application, 0, visited, results, guard, limits);
    }
    return withoutRepeats(std::move(results));
}

}  // namespace accessibility
