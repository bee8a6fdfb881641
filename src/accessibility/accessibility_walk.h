#pragma once
// The walk over another application's accessibility tree, written against a
// small element interface so that it runs the same over AT-SPI, over the
// macOS Accessibility API and over the fake trees of the tests.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace accessibility {

// How one call to the other process went. `notAnswering` is a call that ran
// into the per-call timeout: the application is busy or stopped, and every
// further call would wait as long, so the walk ends there.
enum class CallOutcome { ok, failed, notAnswering };

template <typename T>
struct Reply {
    CallOutcome outcome = CallOutcome::failed;
    std::optional<T> value;  // present only when outcome is ok

    static Reply answered(T v) { return Reply{CallOutcome::ok, std::move(v)}; }
    static Reply failed() { return Reply{CallOutcome::failed, std::nullopt}; }
    static Reply timedOut() { return Reply{CallOutcome::notAnswering, std::nullopt}; }
};

// The value of one attribute. Only texts contribute to the walk; numbers
// (a check box's state, a slider's position) and any other kind give nothing.
struct AttributeValue {
    enum class Kind { text, attributedText, number, other };
    Kind kind = Kind::other;
    std::string text;  // the plain string for text and attributedText

    static AttributeValue plain(std::string s) { return {Kind::text, std::move(s)}; }
    static AttributeValue attributed(std::string s) { return {Kind::attributedText, std::move(s)}; }
    static AttributeValue number() { return {Kind::number, {}}; }
    static AttributeValue other() { return {Kind::other, {}}; }
};

class Element;
using Elements = std::vector<std::unique_ptr<Element>>;

// One node of another process's user interface. An element is owned by
// whoever asked for it and released when dropped.
class Element {
public:
    virtual ~Element() = default;
    // The names of the attributes the element has of its own.
    virtual Reply<std::vector<std::string>> attributeNames() = 0;
    virtual Reply<AttributeValue> attributeValue(std::string_view name) = 0;
    virtual Reply<Elements> children() = 0;
    // The application's windows; only asked of the application element.
    virtual Reply<Elements> windows() = 0;
};

// The texts that are asked of every element, whether it lists them or not.
inline constexpr std::string_view valueAttribute = "AXValue";
inline constexpr std::string_view titleAttribute = "AXTitle";
inline constexpr std::string_view descriptionAttribute = "AXDescription";
inline constexpr std::string_view helpAttribute = "AXHelp";

// The names the walk reads of an element, in order: the four above, then the
// element's own names (`own`), each name once.
std::vector<std::string> namesToRead(std::vector<std::string> own);

struct WalkLimits {
    std::int64_t deepestDepth = 16;  // roots are depth 0
    std::int64_t maxElements = 3500;
    // A tree that answers slowly must not hold the caller for long.
    std::chrono::milliseconds timeBudget{5000};
    // Bytes of text collected in all. A route panel's text is a few kB; an
    // application that sends texts of many MB must not make the walk, and the
    // parse after it, hold many times that in memory (a 16 MB text cost
    // 130 MB). A text that does not fit is left out; smaller ones still come in.
    std::int64_t maxTextBytes = std::int64_t{4} << 20;
};

using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;

// Whether the walk may go on: it stops for good at the first call the
// application did not answer, and once the time budget is spent. What was
// collected until then is kept.
class WalkGuard {
public:
    explicit WalkGuard(std::chrono::milliseconds budget, SteadyClock clock = {},
                       std::int64_t textBytes = WalkLimits{}.maxTextBytes);
    bool stopped();
    // Notes a call's outcome; true when the walk may use its answer.
    bool accept(CallOutcome outcome);
    // True, and counted, when a text of `bytes` still fits in the walk's text budget.
    bool admitText(std::size_t bytes);

private:
    SteadyClock clock_;
    std::chrono::steady_clock::time_point deadline_;
    std::int64_t textBytesLeft_;
    bool stopped_ = false;
};

// Reads one element and, depth first, its subtree: the element's texts come
// before those of its children. `visited` counts the elements read in this
// walk; texts are appended to `results` trimmed, repeats included, without
// the U+FFFC marks of embedded children.
void collectStrings(Element& element, std::int64_t depth, std::int64_t& visited,
                    std::vector<std::string>& results, WalkGuard& guard,
                    const WalkLimits& limits = {});

// The whole walk: the application's windows are the roots, or the application
// element itself when it offers none. Repeats are removed, keeping the first.
std::vector<std::string> readAccessibilityStrings(Element& application, const WalkLimits& limits = {},
                                                  SteadyClock clock = {});

// Keeps the first occurrence of every text, in order.
std::vector<std::string> withoutRepeats(std::vector<std::string> texts);

}  // namespace accessibility
