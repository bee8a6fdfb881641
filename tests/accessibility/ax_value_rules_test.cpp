// The macOS Accessibility API's result codes and value kinds as the walk sees
// them, and what a slow application does to a walk through those rules.

#include "accessibility/ax_value_rules.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace accessibility;

namespace {

TEST(AxRules, OnlySuccessAnswersAndOnlyCannotCompleteMeansNotAnswering) {
    const struct {
        int code;
        CallOutcome outcome;
    } cases[] = {
        {0, CallOutcome::ok},
        {-25204, CallOutcome::notAnswering},  // cannot complete: the messaging timeout
        {-25200, CallOutcome::failed},        // failure
        {-25202, CallOutcome::failed},        // invalid element: the process quit
        {-25205, CallOutcome::failed},        // attribute unsupported
        {-25211, CallOutcome::failed},        // not trusted
        {-25212, CallOutcome::failed},        // no value
    };
    for (const auto& c : cases) EXPECT_EQ(ax::callOutcomeOf(c.code), c.outcome) << c.code;
}

TEST(AxRules, OnlyStringsAndAttributedStringsCarryText) {
    const struct {
        ax::ValueType type;
        AttributeValue::Kind kind;
        const char* text;
    } cases[] = {
        {ax::ValueType::string, AttributeValue::Kind::text, " 高德推荐\n"},
        {ax::ValueType::attributedString, AttributeValue::Kind::attributedText, " 高德推荐\n"},
        {ax::ValueType::number, AttributeValue::Kind::number, ""},
        {ax::ValueType::boolean, AttributeValue::Kind::number, ""},
        {ax::ValueType::element, AttributeValue::Kind::other, ""},
        {ax::ValueType::array, AttributeValue::Kind::other, ""},
        {ax::ValueType::other, AttributeValue::Kind::other, ""},
    };
    for (const auto& c : cases) {
        const AttributeValue value = ax::attributeValueOf(c.type, " 高德推荐\n");
        EXPECT_EQ(value.kind, c.kind);
        EXPECT_EQ(value.text, c.text);
    }
}

// A window whose titles answer with AX codes: the walk keeps what it read
// before the first "cannot complete" and asks nothing after it.
class CodedElement final : public Element {
public:
    CodedElement(std::map<std::string, int> codes, int* calls) : codes_(std::move(codes)), calls_(calls) {}
    Reply<std::vector<std::string>> attributeNames() override { return Reply<std::vector<std::string>>::answered({}); }
    Reply<AttributeValue> attributeValue(std::string_view name) override {
        ++*calls_;
        const auto it = codes_.find(std::string(name));
        const int code = it == codes_.end() ? -25205 : it->second;
        const CallOutcome outcome = ax::callOutcomeOf(code);
        if (outcome == CallOutcome::ok) return Reply<AttributeValue>::answered(ax::attributeValueOf(ax::ValueType::string, std::string(name) + " text"));
        return {outcome, std::nullopt};
    }
    Reply<Elements> children() override { return Reply<Elements>::answered({}); }
    Reply<Elements> windows() override { return Reply<Elements>::failed(); }

private:
    std::map<std::string, int> codes_;
    int* calls_;
};

TEST(AxRules, AWalkStopsAtTheFirstCallThatCannotComplete) {
    const struct {
        const char* name;
        std::map<std::string, int> codes;
        std::vector<std::string> texts;
        int calls;
    } cases[] = {
        {"all answer", {{"AXValue", 0}, {"AXTitle", 0}, {"AXDescription", 0}, {"AXHelp", 0}},
         {"AXValue text", "AXTitle text", "AXDescription text", "AXHelp text"}, 4},
        {"unsupported is skipped", {{"AXValue", 0}, {"AXTitle", -25205}, {"AXDescription", 0}},
         {"AXValue text", "AXDescription text"}, 4},
        {"timeout ends the walk", {{"AXValue", 0}, {"AXTitle", -25204}, {"AXDescription", 0}, {"AXHelp", 0}},
         {"AXValue text"}, 2},
    };
    for (const auto& c : cases) {
        int calls = 0;
        CodedElement application(c.codes, &calls);
        EXPECT_EQ(readAccessibilityStrings(application), c.texts) << c.name;
        EXPECT_EQ(calls, c.calls) << c.name;
    }
}

}  // namespace
