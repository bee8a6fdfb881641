// How long one accessibility walk holds Wendrel: the walk's own cost over an
// in-memory tree, and a read of each stand-in map application (Qt, GTK and
// the page in Chromium) over AT-SPI with 500 and 3,500 elements, beside the walk as it was before
// its requests went out ahead of it and the same walk made with libatspi's
// plain per-attribute getters; and whether the reader's texts are those of
// the earlier walk over every scenario, hostile ones included (run under
// tests/e2e/with-desktop.sh; without a desktop stack those cases are skipped).

#include "accessibility/accessibility_reader.h"
#include "accessibility/accessibility_walk.h"
#include "accessibility_walk_before.h"
#include "standin_process.h"
#include "standin_scenario.h"

#include <atspi/atspi.h>
#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <thread>

namespace {

using namespace accessibility;

// An in-memory element: a title, a role and an identifier, and children, like
// a label of a real application; answers instantly.
class MemoryElement final : public Element {
public:
    MemoryElement(int index, int count, int fanOut) : index_(index), count_(count), fanOut_(fanOut) {}
    Reply<std::vector<std::string>> attributeNames() override {
        return Reply<std::vector<std::string>>::answered({"AXRole", "AXRoleDescription", "AXIdentifier"});
    }
    Reply<AttributeValue> attributeValue(std::string_view name) override {
        if (name == titleAttribute) return Reply<AttributeValue>::answered(AttributeValue::plain("图层 " + std::to_string(index_)));
        if (name == "AXRole") return Reply<AttributeValue>::answered(AttributeValue::plain("label"));
        return Reply<AttributeValue>::failed();
    }
    Reply<Elements> children() override {
        Elements out;
        for (int i = 1; i <= fanOut_; ++i) {
            int child = index_ * fanOut_ + i;
            if (child < count_) out.push_back(std::make_unique<MemoryElement>(child, count_, fanOut_));
        }
        return Reply<Elements>::answered(std::move(out));
    }
    Reply<Elements> windows() override { return Reply<Elements>::failed(); }

private:
    int index_;
    int count_;
    int fanOut_;
};

void walkInMemory(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        MemoryElement root(0, count, 8);
        benchmark::DoNotOptimize(readAccessibilityStrings(root));
    }
}
BENCHMARK(walkInMemory)->Arg(500)->Arg(3500)->Unit(benchmark::kMicrosecond);

// The stand-ins: the Qt one and the GTK one, whose trees differ a little in
// shape (GTK puts a box between the window and the panel), and the page in
// Chromium, whose own window holds some hundred elements around the page.
struct Standin {
    const char* program;
    int fixedElements;  // window, panel, map (and GTK's box); -1: counted
    const char* label;
};
constexpr Standin standins[] = {
    {WENDREL_STANDIN, 3, "qt"}, {WENDREL_STANDIN_GTK, 4, "gtk"}, {WENDREL_STANDIN_BROWSER, -1, "browser"}};

// The three-option scenario with `filler` filler labels, in a scratch file.
std::string scenarioWithFiller(int filler) {
    auto json = nlohmann::json::parse(std::ifstream(std::string(WENDREL_SCENARIOS) + "/three-options.json"));
    json["filler"] = filler;
    const char* dir = std::getenv("WENDREL_E2E_DIR");
    std::string path = std::string(dir ? dir : "/tmp") + "/bench-" + std::to_string(filler) + ".json";
    std::ofstream(path) << json.dump();
    return path;
}

// ---- The same walk with libatspi's per-attribute getters, for comparison ----

struct GObjectUnref {
    void operator()(gpointer object) const {
        if (object) g_object_unref(object);
    }
};
using AccessiblePtr = std::unique_ptr<AtspiAccessible, GObjectUnref>;

void keep(std::vector<std::string>& texts, gchar* text) {
    if (text && *text) texts.emplace_back(text);
    g_free(text);
}

// Name, description, role names, object attributes and the whole text of every
// element, depth first, within the walk's limits: what the reader asks, one
// blocking call at a time.
void walkWithGetters(AtspiAccessible* element, int depth, int& visited, std::vector<std::string>& texts) {
    const WalkLimits limits;
    if (depth > limits.deepestDepth || visited >= limits.maxElements) return;
    ++visited;
    keep(texts, atspi_accessible_get_name(element, nullptr));
    keep(texts, atspi_accessible_get_description(element, nullptr));
    keep(texts, atspi_accessible_get_role_name(element, nullptr));
    keep(texts, atspi_accessible_get_localized_role_name(element, nullptr));
    keep(texts, atspi_accessible_get_accessible_id(element, nullptr));
    if (GHashTable* attributes = atspi_accessible_get_attributes(element, nullptr)) g_hash_table_unref(attributes);
    if (AtspiText* text = atspi_accessible_get_text_iface(element)) {
        keep(texts, atspi_text_get_text(text, 0, -1, nullptr));
        g_object_unref(text);
    }
    gint count = atspi_accessible_get_child_count(element, nullptr);
    for (gint i = 0; i < count; ++i) {
        AccessiblePtr child(atspi_accessible_get_child_at_index(element, i, nullptr));
        if (child) walkWithGetters(child.get(), depth + 1, visited, texts);
    }
}

AccessiblePtr applicationOf(pid_t pid) {
    AccessiblePtr desktop(atspi_get_desktop(0));
    atspi_accessible_clear_cache(desktop.get());
    gint count = atspi_accessible_get_child_count(desktop.get(), nullptr);
    for (gint i = 0; i < count; ++i) {
        AccessiblePtr app(atspi_accessible_get_child_at_index(desktop.get(), i, nullptr));
        if (app && static_cast<pid_t>(atspi_accessible_get_process_id(app.get(), nullptr)) == pid) return app;
    }
    return nullptr;
}

// `elements`, when given, is set to the number of elements the walk read.
std::vector<std::string> readWithGetters(pid_t pid, int* elements = nullptr) {
    std::vector<std::string> texts;
    AccessiblePtr app = applicationOf(pid);
    if (!app) return texts;
    // Nothing from an earlier walk: every element is asked afresh.
    atspi_accessible_clear_cache(app.get());
    int visited = 0;
    gint windows = atspi_accessible_get_child_count(app.get(), nullptr);
    for (gint i = 0; i < windows; ++i) {
        AccessiblePtr window(atspi_accessible_get_child_at_index(app.get(), i, nullptr));
        if (window) walkWithGetters(window.get(), 0, visited, texts);
    }
    if (elements) *elements = visited;
    return withoutRepeats(std::move(texts));
}

// ---- Reads of a running stand-in ----

using Clock = std::chrono::steady_clock;

bool hasDesktop(benchmark::State& state) {
    if (std::getenv("WENDREL_E2E_DIR")) return true;
    state.SkipWithError("needs a desktop stack: run under tests/e2e/with-desktop.sh");
    return false;
}

// Starts the stand-in and waits until it has joined the accessibility bus.
std::unique_ptr<standin::Process> startStandin(const char* program, const std::string& scenario) {
    auto standin = std::make_unique<standin::Process>(program, scenario);
    auto deadline = Clock::now() + std::chrono::seconds(15);
    while (readAccessibilityStrings(standin->mapPid()).empty() && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return standin;
}

// The elements of a stand-in without filler, counted once: the rest of the
// tree is filler labels in groups of 50.
int fixedElementsOf(const Standin& standin) {
    if (standin.fixedElements >= 0) return standin.fixedElements;
    static std::map<const char*, int> counted;
    if (auto it = counted.find(standin.program); it != counted.end()) return it->second;
    auto process = startStandin(standin.program, scenarioWithFiller(0));
    int elements = 0;
    readWithGetters(process->mapPid(), &elements);
    return counted[standin.program] = elements;
}

// A stand-in's scenario whose tree holds `elements` elements.
std::string scenarioWithElements(const Standin& standin, int elements) {
    const int fixed = fixedElementsOf(standin);
    int filler = 0;
    while (fixed + filler + (filler + 49) / 50 < elements) ++filler;
    return scenarioWithFiller(filler);
}

template <typename Read>
double secondsOf(Read read, std::vector<std::string>& texts) {
    const auto start = Clock::now();
    texts = read();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Texts that change between two reads of the same tree are compared without
// what changes: the names of the changing-names map give the call ("图层 7
// 第12次"), and the browser's tab names the page's memory use ("高德地图 -
// Memory usage - 22.6 MB").
std::vector<std::string> withoutChangingFigures(std::vector<std::string> texts) {
    static const std::regex changing("第[0-9]+次|Memory usage - [0-9.]+ [KMG]B");
    for (auto& text : texts) text = std::regex_replace(text, changing, "");
    return texts;
}

// One row per stand-in and size: the reader's time, and in its counters the
// earlier walk's and libatspi's, each read in turn in every iteration so that
// a load on the machine falls on all three alike, and how many times faster
// the reader is than each.
void readStandin(benchmark::State& state) {
    if (!hasDesktop(state)) return;
    const Standin& kind = standins[state.range(0)];
    const int elements = static_cast<int>(state.range(1));
    auto standin = startStandin(kind.program, scenarioWithElements(kind, elements));
    const auto pid = standin->mapPid();
    std::vector<std::string> texts, before, getters;
    int elementsRead = 0;
    double beforeSeconds = 0;
    double gettersSeconds = 0;
    double readerSeconds = 0;
    // A browser builds its accessibility tree when a client first asks for
    // it; a dispatcher's map page has long had it when Wendrel reads. One
    // walk before the timed ones, for every walk alike.
    readAccessibilityStrings(pid);
    for (auto _ : state) {
        const double seconds = secondsOf([&] { return readAccessibilityStrings(pid); }, texts);
        state.SetIterationTime(seconds);
        readerSeconds += seconds;
        beforeSeconds += secondsOf([&] { return readOneElementAtATime(pid); }, before);
        gettersSeconds += secondsOf([&] { return readWithGetters(pid, &elementsRead); }, getters);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["before_ms"] = beforeSeconds / n * 1000;
    state.counters["libatspi_ms"] = gettersSeconds / n * 1000;
    state.counters["x_before"] = beforeSeconds / readerSeconds;
    state.counters["x_libatspi"] = gettersSeconds / readerSeconds;
    // Each filler label adds one text of its own; far fewer than the elements
    // means the 5 s budget ended the walk.
    state.counters["texts"] = static_cast<double>(texts.size());
    state.counters["elements"] = elementsRead;
    state.counters["same_texts"] = withoutChangingFigures(texts) == withoutChangingFigures(before) ? 1 : 0;
    state.SetLabel(kind.label);
}

// Arguments: the stand-in (0 Qt, 1 GTK, 2 the page in Chromium) and the
// number of elements.
BENCHMARK(readStandin)
    ->ArgsProduct({{0, 1, 2}, {500, 3500}})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();


// The reader's texts and the earlier walk's over one scenario: the same texts
// in the same order, or an error naming the first difference.
void sameTexts(benchmark::State& state, const char* program, std::string scenario) {
    if (!hasDesktop(state)) return;
    auto standin = startStandin(program, scenario);
    std::vector<std::string> texts, before;
    for (auto _ : state) {
        texts = withoutChangingFigures(readAccessibilityStrings(standin->mapPid()));
        before = withoutChangingFigures(readOneElementAtATime(standin->mapPid()));
    }
    state.counters["texts"] = static_cast<double>(texts.size());
    if (texts == before) return;
    std::size_t i = 0;
    while (i < texts.size() && i < before.size() && texts[i] == before[i]) ++i;
    state.SkipWithError(("texts differ from the earlier walk's at " + std::to_string(i) + " of " +
                         std::to_string(texts.size()) + " and " + std::to_string(before.size()))
                            .c_str());
}

// Every scenario with every stand-in; only the Qt one shows the hostile maps.
const bool sameTextsRegistered = [] {
    for (const auto& entry : std::filesystem::directory_iterator(WENDREL_SCENARIOS)) {
        const std::string name = entry.path().stem().string();
        for (const Standin& kind : standins) {
            if (kind.program != standins[0].program && name.starts_with("hostile")) continue;
            benchmark::RegisterBenchmark(("sameTexts/" + std::string(kind.label) + "/" + name).c_str(), sameTexts,
                                         kind.program, entry.path().string())
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond);
        }
    }
    return true;
}();

}  // namespace
