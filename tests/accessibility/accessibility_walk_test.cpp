// The walk over fake trees: limits, text kinds, trimming, repeats, failing
// calls and an application that stops answering.
#include "accessibility/accessibility_walk.h"
#include "parser/amap_parser.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace accessibility;
using namespace std::chrono_literals;

struct FakeNode;
using NodePtr = std::shared_ptr<FakeNode>;

struct FakeNode {
    std::map<std::string, Reply<AttributeValue>, std::less<>> values;
    Reply<std::vector<std::string>> names = Reply<std::vector<std::string>>::answered({});
    std::vector<NodePtr> children;
    CallOutcome childrenOutcome = CallOutcome::ok;
    std::vector<NodePtr> windows;
    CallOutcome windowsOutcome = CallOutcome::failed;
    std::map<std::string, int, std::less<>> valueReads;
    int reads = 0;  // attribute-name queries, one per visit
};

NodePtr titled(std::string title) {
    auto node = std::make_shared<FakeNode>();
    node->values[std::string(titleAttribute)] = Reply<AttributeValue>::answered(AttributeValue::plain(std::move(title)));
    return node;
}

// Every call advances the shared fake clock by `tick`.
struct FakeTime {
    std::chrono::steady_clock::time_point now{};
    std::chrono::milliseconds tick{0};
    SteadyClock clock() {
        return [this] { return now; };
    }
};

class FakeElement final : public Element {
public:
    FakeElement(NodePtr node, FakeTime* time) : node_(std::move(node)), time_(time) {}

    Reply<std::vector<std::string>> attributeNames() override {
        advance();
        ++node_->reads;
        return node_->names;
    }
    Reply<AttributeValue> attributeValue(std::string_view name) override {
        advance();
        ++node_->valueReads[std::string(name)];
        auto it = node_->values.find(name);
        return it == node_->values.end() ? Reply<AttributeValue>::failed() : it->second;
    }
    Reply<Elements> children() override { return elements(node_->children, node_->childrenOutcome); }
    Reply<Elements> windows() override { return elements(node_->windows, node_->windowsOutcome); }

private:
    void advance() {
        if (time_) time_->now += time_->tick;
    }
    Reply<Elements> elements(const std::vector<NodePtr>& nodes, CallOutcome outcome) {
        advance();
        if (outcome != CallOutcome::ok) return Reply<Elements>{outcome, std::nullopt};
        Elements out;
        for (const auto& n : nodes) out.push_back(std::make_unique<FakeElement>(n, time_));
        return Reply<Elements>::answered(std::move(out));
    }
    NodePtr node_;
    FakeTime* time_;
};

std::vector<std::string> walk(const NodePtr& app, FakeTime* time = nullptr) {
    FakeElement element(app, time);
    return readAccessibilityStrings(element, {}, time ? time->clock() : SteadyClock{});
}

NodePtr appWithWindows(std::vector<NodePtr> windows) {
    auto app = titled("app");
    app->windows = std::move(windows);
    app->windowsOutcome = CallOutcome::ok;
    return app;
}

// A chain root -> d1 -> d2 ... titled "d0".."d<n-1>".
NodePtr chain(int length) {
    NodePtr root = titled("d0");
    NodePtr last = root;
    for (int i = 1; i < length; ++i) {
        auto next = titled("d" + std::to_string(i));
        last->children.push_back(next);
        last = next;
    }
    return root;
}

bool has(const std::vector<std::string>& texts, const std::string& t) {
    return std::find(texts.begin(), texts.end(), t) != texts.end();
}

// ---- Limits ----

struct DepthCase {
    const char* name;
    bool windowsAsRoots;
    const char* deepestRead;
    const char* firstSkipped;
};

class DepthLimit : public ::testing::TestWithParam<DepthCase> {};

TEST_P(DepthLimit, ReadsDownToDepthSixteenOnly) {
    const auto& c = GetParam();
    auto window = chain(20);
    NodePtr app = c.windowsAsRoots ? appWithWindows({window}) : titled("app");
    if (!c.windowsAsRoots) app->children.push_back(window);
    auto texts = walk(app);
    EXPECT_TRUE(has(texts, c.deepestRead));
    EXPECT_FALSE(has(texts, c.firstSkipped));
    EXPECT_EQ(has(texts, "app"), !c.windowsAsRoots);
}

INSTANTIATE_TEST_SUITE_P(Roots, DepthLimit,
                         ::testing::Values(DepthCase{"windows", true, "d16", "d17"},
                                           // Without windows the application is the root and
                                           // its windows start at depth 1.
                                           DepthCase{"application", false, "d15", "d16"}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(ElementLimit, ReadsExactlyTheFirst3500InWalkOrder) {
    auto first = titled("w0");
    for (int i = 0; i < 3600; ++i) first->children.push_back(titled("e" + std::to_string(i)));
    auto second = titled("w1");
    auto app = appWithWindows({first, second});
    auto texts = walk(app);
    ASSERT_EQ(texts.size(), 3500u);
    EXPECT_EQ(texts.front(), "w0");
    EXPECT_EQ(texts.back(), "e3498");
    EXPECT_FALSE(has(texts, "w1"));  // a later window contributes nothing
}

TEST(ElementLimit, ElementsBelowTheDepthLimitDoNotCount) {
    auto window = chain(30);  // d17..d29 are never read or counted
    for (int i = 0; i < 3500 - 17 - 1; ++i) window->children.push_back(titled("e" + std::to_string(i)));
    auto later = titled("late");
    auto app = appWithWindows({window, later});
    auto texts = walk(app);
    EXPECT_TRUE(has(texts, "d16"));
    EXPECT_FALSE(has(texts, "d17"));
    EXPECT_TRUE(has(texts, "late"));  // exactly the 3500th element
}

TEST(TextBudget, ATextThatDoesNotFitIsLeftOutAndSmallerOnesStillComeIn) {
    auto window = titled("abcde");
    for (const char* t : {"fghijk", "lmnop", "q"}) window->children.push_back(titled(t));
    FakeElement element(appWithWindows({window}), nullptr);
    WalkLimits limits;
    limits.maxTextBytes = 10;
    EXPECT_EQ(readAccessibilityStrings(element, limits), (std::vector<std::string>{"abcde", "lmnop"}));
}

// ---- Texts ----

struct TextCase {
    const char* name;
    Reply<AttributeValue> value;
    std::vector<std::string> expected;
};

class TextKinds : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextKinds, OnlyNonEmptyTrimmedTextsAreCollected) {
    auto window = std::make_shared<FakeNode>();
    window->values[std::string(valueAttribute)] = GetParam().value;
    EXPECT_EQ(walk(appWithWindows({window})), GetParam().expected);
}

using V = AttributeValue;
using R = Reply<AttributeValue>;
INSTANTIATE_TEST_SUITE_P(
    Values, TextKinds,
    ::testing::Values(TextCase{"plain", R::answered(V::plain("方案一")), {"方案一"}},
                      TextCase{"attributed", R::answered(V::attributed("4小时20分")), {"4小时20分"}},
                      TextCase{"number", R::answered(V::number()), {}},
                      TextCase{"other", R::answered(V::other()), {}},
                      TextCase{"trimmed", R::answered(V::plain("  高德推荐\n")), {"高德推荐"}},
                      TextCase{"inner_breaks_stay", R::answered(V::plain("\n天津港\n方案一 \n")), {"天津港\n方案一"}},
                      TextCase{"only_spaces", R::answered(V::plain(" \u3000\u00a0\r\n\t\u2028")), {}},
                      TextCase{"failed_call", R::failed(), {}},
                      // Another process's bytes become well-formed UTF-8: nothing is dropped and
                      // a NUL does not cut the text short.
                      TextCase{"ill_formed", R::answered(V::plain("\xE5\xA4方案\xC0\xAF一")), {"\uFFFD方案\uFFFD\uFFFD一"}},
                      TextCase{"inner_nul", R::answered(V::plain(std::string("天津\0港", 10))), {std::string("天津\0港", 10)}},
                      // The marks of embedded children go; a text of nothing else is empty.
                      TextCase{"object_marks", R::answered(V::plain("天津港\uFFFC\n\uFFFC\n方案\uFFFC一 \uFFFC")),
                               {"天津港\n\n方案一"}},
                      TextCase{"only_object_marks", R::answered(V::plain("\uFFFC\uFFFC \uFFFC")), {}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(Texts, FixedNamesThenOwnNamesEachReadOnce) {
    auto window = titled("窗口");
    window->names = Reply<std::vector<std::string>>::answered({"AXRole", "AXTitle", "AXRole"});
    window->values["AXRole"] = R::answered(V::plain("AXWindow"));
    window->values[std::string(helpAttribute)] = R::answered(V::plain("帮助"));
    auto texts = walk(appWithWindows({window}));
    EXPECT_EQ(texts, (std::vector<std::string>{"窗口", "帮助", "AXWindow"}));
    EXPECT_EQ(window->valueReads["AXTitle"], 1);
    EXPECT_EQ(window->valueReads["AXRole"], 1);
    EXPECT_EQ(window->valueReads[std::string(descriptionAttribute)], 1);
}

TEST(Texts, RepeatsKeepTheirFirstPlaceAndParentsComeFirst) {
    auto window = titled("路线");
    auto a = titled("方案一");
    auto b = titled("路线");
    auto c = titled("方案二");
    a->children.push_back(titled("方案二"));
    window->children = {a, b, c};
    EXPECT_EQ(walk(appWithWindows({window})), (std::vector<std::string>{"路线", "方案一", "方案二"}));
}

TEST(Texts, AnElementOfferedTwiceIsReadTwice) {
    auto shared = titled("重复");
    auto window = titled("窗口");
    window->children = {shared, shared};
    EXPECT_EQ(walk(appWithWindows({window})), (std::vector<std::string>{"窗口", "重复"}));
    EXPECT_EQ(shared->reads, 2);
}

// A browser's panel whose lines hold the marks of embedded icons and links:
// no mark reaches a label or a place name.
TEST(Texts, APanelWithObjectMarksParsesAsWithout) {
    const std::string marked =
        "天津港\uFFFC\n石家庄物流园\n\uFFFC\n通知 \uFFFC\n\uFFFC方案一\n4小时20分\uFFFC\n312.5公里\n¥268\uFFFC";
    const std::string plain = "天津港\n石家庄物流园\n通知\n方案一\n4小时20分\n312.5公里\n¥268";
    const auto read = AmapParser::parse(walk(appWithWindows({titled(marked)})));
    const auto expected = AmapParser::parse(std::vector<std::string>{plain});
    ASSERT_TRUE(read.has_value());
    ASSERT_TRUE(expected.has_value());
    EXPECT_EQ(read->options(), expected->options());
    EXPECT_EQ(read->origin(), std::optional<std::string>("天津港"));
    EXPECT_EQ(read->destination(), std::optional<std::string>("石家庄物流园"));
}

// ---- Failing calls ----

TEST(FailingCalls, MeanNoValueAtThatPoint) {
    auto window = titled("窗口");
    window->names = Reply<std::vector<std::string>>::failed();
    window->values[std::string(descriptionAttribute)] = R::answered(V::plain("说明"));
    window->children = {titled("hidden")};
    window->childrenOutcome = CallOutcome::failed;
    auto app = titled("app");
    app->windows = {window};
    app->windowsOutcome = CallOutcome::failed;  // the application becomes the root
    auto sibling = titled("sibling");
    app->children = {window, sibling};
    EXPECT_EQ(walk(app), (std::vector<std::string>{"app", "窗口", "说明", "sibling"}));
}

TEST(FailingCalls, AnEmptyWindowListFallsBackToTheApplication) {
    auto app = appWithWindows({});
    app->children = {titled("窗口")};
    EXPECT_EQ(walk(app), (std::vector<std::string>{"app", "窗口"}));
}

struct StopCase {
    const char* name;
    void (*breakTree)(FakeNode& second);
};

class NotAnswering : public ::testing::TestWithParam<StopCase> {};

// The first window is read; the second stops answering at some call; the third
// is never asked. What came before the unanswered call is kept.
TEST_P(NotAnswering, EndsTheWalkAndKeepsWhatWasRead) {
    auto first = titled("first");
    auto second = titled("second");
    second->children = {titled("child")};
    GetParam().breakTree(*second);
    auto third = titled("third");
    auto texts = walk(appWithWindows({first, second, third}));
    EXPECT_TRUE(has(texts, "first"));
    EXPECT_FALSE(has(texts, "child"));
    EXPECT_FALSE(has(texts, "third"));
    EXPECT_EQ(third->reads, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, NotAnswering,
    ::testing::Values(StopCase{"names", [](FakeNode& n) { n.names = Reply<std::vector<std::string>>::timedOut(); }},
                      StopCase{"value", [](FakeNode& n) { n.values[std::string(titleAttribute)] = R::timedOut(); }},
                      StopCase{"children", [](FakeNode& n) { n.childrenOutcome = CallOutcome::notAnswering; }}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(TimeBudget, StopsAfterFiveSecondsKeepingWhatWasCollected) {
    auto window = titled("w");
    for (int i = 0; i < 100; ++i) window->children.push_back(titled("e" + std::to_string(i)));
    FakeTime time;
    time.tick = 10ms;  // every call takes 10 ms: about 60 ms per element
    auto texts = walk(appWithWindows({window}), &time);
    EXPECT_TRUE(has(texts, "e50"));
    EXPECT_FALSE(has(texts, "e99"));
    EXPECT_LE(time.now.time_since_epoch(), 5000ms + 10ms);
}

}  // namespace
