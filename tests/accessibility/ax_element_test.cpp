// The macOS element read with two calls, over fake Accessibility API calls:
// the same texts in the same order as one call per attribute gives (the path
// it falls back to), and the calls it makes per element.

#include "accessibility/ax_element.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace accessibility;

namespace {

constexpr int cannotComplete = -25204;
constexpr int unsupported = -25205;
constexpr int notImplemented = -25208;
constexpr int noValue = -25212;

struct Node;
using NodePtr = std::shared_ptr<Node>;

// An attribute's answer without elements, so that it can be copied.
struct Value {
    int error = ax::errorSuccess;
    bool hasValue = false;
    ax::ValueType type = ax::ValueType::other;
    std::string text;
};

struct Node {
    std::vector<std::string> names;  // its own
    std::map<std::string, Value, std::less<>> values;
    std::vector<NodePtr> children, windows;
    int allAtOnce = 0;      // the result code of the call for all values
    bool stalled = false;   // answers nothing after its names
};

struct CallCount {
    int names = 0, single = 0, multiple = 0;
};

Value text(ax::ValueType type, std::string s) { return {ax::errorSuccess, true, type, std::move(s)}; }
Value error(int code) { return {code, false, ax::ValueType::other, {}}; }

class FakeCalls final : public ax::Calls {
public:
    FakeCalls(NodePtr node, CallCount* calls, bool allAtOnce) : node_(std::move(node)), calls_(calls), allAtOnce_(allAtOnce) {}

    int copyAttributeNames(std::vector<std::string>& names) override {
        ++calls_->names;
        names = node_->names;
        return ax::errorSuccess;
    }
    int copyAttributeValue(std::string_view name, ax::Answer& answer) override {
        ++calls_->single;
        if (node_->stalled) return cannotComplete;
        answer = answerFor(name);
        return std::exchange(answer.error, ax::errorSuccess);
    }
    int copyMultipleAttributeValues(const std::vector<std::string>& names, std::vector<ax::Answer>& answers) override {
        ++calls_->multiple;
        if (!allAtOnce_) return notImplemented;
        if (node_->stalled) return cannotComplete;
        if (node_->allAtOnce != ax::errorSuccess) return node_->allAtOnce;
        for (const auto& name : names) answers.push_back(answerFor(name));
        return ax::errorSuccess;
    }

private:
    ax::Answer answerFor(std::string_view name) {
        if (name == "AXChildren" || name == "AXWindows") {
            ax::Answer list{ax::errorSuccess, true, ax::ValueType::array, {}, {}};
            for (const auto& child : name == "AXChildren" ? node_->children : node_->windows) {
                list.elements.push_back(std::make_unique<ax::AxElement>(std::make_unique<FakeCalls>(child, calls_, allAtOnce_)));
            }
            return list;
        }
        auto it = node_->values.find(name);
        const Value value = it == node_->values.end() ? error(unsupported) : it->second;
        return {value.error, value.hasValue, value.type, value.text, {}};
    }

    NodePtr node_;
    CallCount* calls_;
    bool allAtOnce_;
};

// A label: its title, role and role description, a number as value, an
// unsupported help text.
NodePtr label(const std::string& title) {
    auto node = std::make_shared<Node>();
    node->names = {"AXRole", "AXRoleDescription", "AXTitle", "AXValue", "AXChildren", "AXParent"};
    node->values = {{"AXTitle", text(ax::ValueType::attributedString, " " + title + "\n")},
                    {"AXRole", text(ax::ValueType::string, "AXStaticText")},
                    {"AXRoleDescription", text(ax::ValueType::string, "文本")},
                    {"AXValue", text(ax::ValueType::number, "")},
                    {"AXDescription", Value{}},  // no value
                    {"AXParent", text(ax::ValueType::element, "")}};
    return node;
}

// An application with one window: a panel of three labels, then a map of two.
NodePtr application(const std::function<void(std::vector<NodePtr>&)>& change = {}) {
    std::vector<NodePtr> labels{label("方案一"), label("4小时20分"), label("312.5公里"), label("图层 1"), label("图层 2")};
    if (change) change(labels);
    auto panel = label("路线方案");
    panel->children = {labels[0], labels[1], labels[2]};
    auto map = label("地图");
    map->names = {"AXRole"};  // its children only through the one call
    map->children = {labels[3], labels[4]};
    auto window = label("高德地图");
    window->children = {panel, map};
    auto app = std::make_shared<Node>();
    app->windows = {window};
    return app;
}

struct Walked {
    std::vector<std::string> texts;
    CallCount calls;
};

Walked walk(const NodePtr& app, bool allAtOnce) {
    Walked walked;
    ax::AxElement element(std::make_unique<FakeCalls>(app, &walked.calls, allAtOnce));
    walked.texts = readAccessibilityStrings(element);
    return walked;
}

TEST(AxElement, ReadsTheSameTextsWithTwoCallsPerElement) {
    const struct {
        const char* name;
        std::function<void(std::vector<NodePtr>&)> change;
        int elementsRead;
        int singleCalls;  // besides the application's windows
    } cases[] = {
        {"every attribute answers", {}, 8, 0},
        {"an attribute's own error is skipped",
         [](auto& labels) { labels[1]->values["AXTitle"] = error(noValue); }, 8, 0},
        {"an attribute that cannot complete ends the walk there",
         [](auto& labels) { labels[1]->values["AXRoleDescription"] = error(cannotComplete); }, 4, 0},
        {"an element that does not answer ends the walk there",
         [](auto& labels) { labels[2]->stalled = true; }, 5, 0},
        {"a call for all values that fails is made one per attribute",
         [](auto& labels) { labels[0]->allAtOnce = -25200; }, 8, 9},
    };
    for (const auto& c : cases) {
        const Walked oneByOne = walk(application(c.change), false);
        const Walked atOnce = walk(application(c.change), true);
        EXPECT_EQ(atOnce.texts, oneByOne.texts) << c.name;
        EXPECT_EQ(atOnce.calls.names, c.elementsRead) << c.name;
        EXPECT_EQ(atOnce.calls.multiple, c.elementsRead) << c.name;
        EXPECT_EQ(atOnce.calls.single, 1 + c.singleCalls) << c.name;
    }
    const std::vector<std::string> panel{"高德地图", "AXStaticText", "文本", "路线方案", "方案一", "4小时20分", "312.5公里",
                                         "地图", "图层 1", "图层 2"};
    EXPECT_EQ(walk(application(), true).texts, panel);
}

}  // namespace
