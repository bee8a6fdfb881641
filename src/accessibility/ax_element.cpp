#include "accessibility/ax_element.h"

#include <algorithm>

namespace accessibility::ax {

namespace {

// What an attribute's answer is for the walk: an error as its call's result
// code; no value, as a call that gave none.
Reply<AttributeValue> valueOf(const Answer& answer) {
    if (answer.error != errorSuccess) return {callOutcomeOf(answer.error), std::nullopt};
    if (!answer.hasValue) return Reply<AttributeValue>::failed();
    return Reply<AttributeValue>::answered(attributeValueOf(answer.type, answer.text));
}

// A list of elements; any other value counts as none.
Reply<Elements> elementsIn(Answer& answer) {
    if (answer.error != errorSuccess) return {callOutcomeOf(answer.error), std::nullopt};
    if (!answer.hasValue || answer.type != ValueType::array) return Reply<Elements>::failed();
    return Reply<Elements>::answered(std::move(answer.elements));
}

}  // namespace

Reply<std::vector<std::string>> AxElement::attributeNames() {
    std::vector<std::string> names;
    const CallOutcome outcome = callOutcomeOf(calls_->copyAttributeNames(names));
    if (outcome != CallOutcome::ok) return {outcome, std::nullopt};
    namesToRead_ = namesToRead(names);
    return Reply<std::vector<std::string>>::answered(std::move(names));
}

// Asked when the walk wants the first value, so that a walk that stops after
// the names makes no further call.
void AxElement::readAll() {
    if (read_) return;
    read_ = true;
    std::vector<std::string> names = namesToRead_;
    if (std::find(names.begin(), names.end(), childrenAttribute) == names.end()) {
        names.emplace_back(childrenAttribute);
    }
    std::vector<Answer> answers;
    const int code = calls_->copyMultipleAttributeValues(names, answers);
    if (callOutcomeOf(code) == CallOutcome::notAnswering) {
        notAnswering_ = true;
        return;
    }
    if (code != errorSuccess || answers.size() != names.size()) return;
    for (std::size_t i = 0; i < names.size(); ++i) answers_.emplace(std::move(names[i]), std::move(answers[i]));
}

Reply<AttributeValue> AxElement::attributeValue(std::string_view name) {
    readAll();
    if (notAnswering_) return Reply<AttributeValue>::timedOut();
    if (auto it = answers_.find(name); it != answers_.end()) return valueOf(it->second);
    Answer answer;
    const int code = calls_->copyAttributeValue(name, answer);
    if (code != errorSuccess) return {callOutcomeOf(code), std::nullopt};
    return valueOf(answer);
}

Reply<Elements> AxElement::children() {
    readAll();
    if (notAnswering_) return Reply<Elements>::timedOut();
    if (auto it = answers_.find(childrenAttribute); it != answers_.end()) return elementsIn(it->second);
    return elementsOf(childrenAttribute);
}

// Asked of the application element alone, once.
Reply<Elements> AxElement::windows() { return elementsOf(windowsAttribute); }

Reply<Elements> AxElement::elementsOf(std::string_view name) {
    Answer answer;
    const int code = calls_->copyAttributeValue(name, answer);
    if (code != errorSuccess) return {callOutcomeOf(code), std::nullopt};
    return elementsIn(answer);
}

}  // namespace accessibility::ax
