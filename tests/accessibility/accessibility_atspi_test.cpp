// The AT-SPI reader against the stand-in map application on a real desktop
// stack. Run through tests/e2e/with-desktop.sh.
#include "accessibility/accessibility_reader.h"
#include "parser/amap_parser.h"
#include "standin_process.h"
#include "standin_scenario.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <chrono>
#include <fstream>
#include <future>
#include <sstream>
#include <string_view>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string scenarioPath(const std::string& name) { return std::string(WENDREL_SCENARIOS) + "/" + name + ".json"; }

std::string panelTextOf(const std::string& name) {
    auto scenario = standin::loadScenario(scenarioPath(name));
    if (!scenario) throw std::runtime_error(scenario.error());
    return standin::panelText(*scenario);
}

bool has(const std::vector<std::string>& texts, const std::string& t) {
    return std::find(texts.begin(), texts.end(), t) != texts.end();
}

// Each line of `panel` after the one before it (a repeat is listed once, where
// it came first): the texts follow the tree, in whatever order answers came.
bool inOrder(const std::vector<std::string>& texts, const std::string& panel) {
    auto at = texts.begin();
    std::istringstream lines(panel);
    for (std::string line; std::getline(lines, line);) {
        if (std::find(texts.begin(), at, line) != at) continue;
        at = std::find(at, texts.end(), line);
        if (at == texts.end()) return false;
    }
    return true;
}

bool mentions(const std::vector<std::string>& texts, const std::string& part) {
    return std::any_of(texts.begin(), texts.end(), [&](const auto& t) { return t.find(part) != std::string::npos; });
}

// The Qt stand-in, or the GTK one when WENDREL_TEST_STANDIN is "gtk".
const char* standinProgram() {
    const char* kind = std::getenv("WENDREL_TEST_STANDIN");
    return kind && std::string_view(kind) == "gtk" ? WENDREL_STANDIN_GTK : WENDREL_STANDIN;
}

// Starts the stand-in and waits until it has joined the accessibility bus.
std::unique_ptr<standin::Process> startStandin(const std::string& scenario) {
    auto process = std::make_unique<standin::Process>(standinProgram(), scenarioPath(scenario));
    auto deadline = Clock::now() + 10s;
    while (readAccessibilityStrings(process->pid()).empty()) {
        if (Clock::now() > deadline) throw std::runtime_error("the stand-in never joined the accessibility bus");
        std::this_thread::sleep_for(100ms);
    }
    return process;
}

template <typename F>
std::chrono::milliseconds timed(F&& f) {
    auto start = Clock::now();
    f();
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

struct ModeCase {
    const char* scenario;
    std::size_t options;  // 0: no route in the accessibility text
};

class PresentationMode : public ::testing::TestWithParam<ModeCase> {};

TEST_P(PresentationMode, DecidesWhetherTheTextHoldsARoute) {
    auto standin = startStandin(GetParam().scenario);
    auto texts = readAccessibilityStrings(standin->pid());
    EXPECT_TRUE(has(texts, "高德地图"));  // the window's title
    EXPECT_EQ(has(texts, panelTextOf(GetParam().scenario)), GetParam().options > 0);
    // In labels mode every line of the panel is a label of its own.
    if (GetParam().options == 0) {
        EXPECT_TRUE(inOrder(texts, panelTextOf(GetParam().scenario)));
    }
    auto result = AmapParser::parse(texts);
    ASSERT_EQ(result.has_value(), GetParam().options > 0);
    if (result) {
        EXPECT_EQ(result->options().size(), GetParam().options);
        EXPECT_EQ(result->origin(), std::optional<std::string>("天津港"));
    }
}

INSTANTIATE_TEST_SUITE_P(Panels, PresentationMode,
                         ::testing::Values(ModeCase{"three-options", 3}, ModeCase{"labels", 0}));

// A second read after the panel changed in place must see the change, never
// a copy kept from the first. In panel-text mode the panel's text changes; in
// labels mode the names of the same label elements do.
struct ChangeCase {
    const char* name;
    const char* before;
    const char* after;
    const char* oldLine;
    const char* newLine;
};

class ChangedPanel : public ::testing::TestWithParam<ChangeCase> {};

TEST_P(ChangedPanel, SecondReadSeesTheChangedPanel) {
    const auto& c = GetParam();
    auto standin = startStandin(c.before);
    auto before = readAccessibilityStrings(standin->pid());
    ASSERT_TRUE(mentions(before, c.oldLine));
    standin->change(scenarioPath(c.after));
    auto after = readAccessibilityStrings(standin->pid());
    EXPECT_TRUE(mentions(after, c.newLine));
    EXPECT_FALSE(mentions(after, c.oldLine));
}

INSTANTIATE_TEST_SUITE_P(
    Panels, ChangedPanel,
    ::testing::Values(ChangeCase{"panel_text", "three-options", "three-options-changed", "石家庄物流园", "郑州国际陆港"},
                      ChangeCase{"labels", "labels", "labels-changed", "石家庄物流园", "郑州国际陆港"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(AtspiReader, AProcessWithoutAccessibleApplicationGivesNothing) {
    auto self = static_cast<std::int32_t>(getpid());
    // The first read also starts the registry on a fresh accessibility bus.
    EXPECT_TRUE(readAccessibilityStrings(self).empty());
    std::vector<std::string> texts{"x"};
    auto took = timed([&] { texts = readAccessibilityStrings(self); });
    EXPECT_TRUE(texts.empty());
    EXPECT_LT(took, 1000ms);
}

TEST(AtspiReader, ReadsAtMost3500ElementsOfALargeTree) {
    auto standin = startStandin("elements-3500");
    std::vector<std::string> texts;
    auto took = timed([&] { texts = readAccessibilityStrings(standin->pid()); });
    EXPECT_TRUE(has(texts, panelTextOf("elements-3500")));
    EXPECT_LE(texts.size(), 3500u * 7);
    EXPECT_FALSE(has(texts, "图层 4000"));
    EXPECT_LT(took, 6500ms);  // the 5 s budget and one unfinished call at most
}

// A map application that stops answering costs one call timeout, not a
// frozen window: the walk ends at the first unanswered call.
TEST(AtspiReader, AStoppedApplicationEndsTheReadWithinTwoSeconds) {
    auto standin = startStandin("three-options");
    standin->stop();
    std::vector<std::string> texts;
    auto took = timed([&] { texts = readAccessibilityStrings(standin->pid()); });
    EXPECT_LT(took, 2000ms);
    EXPECT_FALSE(has(texts, panelTextOf("three-options")));
    standin->resume();
    EXPECT_TRUE(has(readAccessibilityStrings(standin->pid()), panelTextOf("three-options")));
}

TEST(AtspiReader, StoppingTheApplicationDuringAReadKeepsWhatWasCollected) {
    auto standin = startStandin("elements-3500");
    auto read = std::async(std::launch::async, [&] { return readAccessibilityStrings(standin->pid()); });
    std::this_thread::sleep_for(300ms);
    auto stoppedAt = Clock::now();
    standin->stop();
    auto texts = read.get();
    auto afterStop = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - stoppedAt);
    EXPECT_LT(afterStop, 2000ms);
    EXPECT_TRUE(has(texts, panelTextOf("elements-3500")));
    EXPECT_FALSE(has(texts, "图层 4000"));
}

// ---- Bridges that differ ----

// A program run for one test, ended with it; started once it printed a line.
class Child {
public:
    explicit Child(std::vector<std::string> args) {
        int out[2];
        if (pipe(out) != 0) throw std::runtime_error("no pipe");
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            std::vector<char*> argv;
            for (auto& arg : args) argv.push_back(arg.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        char c = 0;
        while (read(out[0], &c, 1) == 1 && c != '\n') {
        }
        close(out[0]);
    }
    ~Child() {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    std::int32_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

// The same small tree through bridges that answer differently: GetAll or not,
// with or without the object attributes and the count of children, a Qt
// bridge (which crashes on GetAll) never sent it, Chromium's asked with it;
// the same texts in the same order. An element that never answers ends the
// read there, within a second or so, keeping the texts before it.
TEST(AtspiReader, EveryBridgeGivesTheSameTexts) {
    const std::vector<std::string> tree{"高德地图", "frame",  "框架",  "fake", "天津港\n方案一", "路线方案", "panel",
                                        "面板",     "方案一", "label", "标签", "4小时20分",      "地图",     "图层 1"};
    const struct {
        std::vector<std::string> options;
        std::size_t kept;  // of the tree's texts, from the first
    } cases[] = {
        {{}, 14},
        {{"--refuse-getall"}, 14},
        {{"--getall-without-attributes"}, 14},
        {{"--getall-without-childcount"}, 14},
        {{"--toolkit", "Qt"}, 14},
        {{"--toolkit", "Chromium"}, 14},
        {{"--silent", "l2"}, 11},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{WENDREL_FAKE_BRIDGE};
        args.insert(args.end(), c.options.begin(), c.options.end());
        Child bridge(args);
        std::vector<std::string> texts;
        auto took = timed([&] { texts = readAccessibilityStrings(bridge.pid()); });
        const std::vector<std::string> kept(tree.begin(), tree.begin() + static_cast<std::ptrdiff_t>(c.kept));
        EXPECT_EQ(texts, kept) << ::testing::PrintToString(c.options);
        EXPECT_LT(took, 2000ms) << ::testing::PrintToString(c.options);
    }
}

// What a main loop running on `context` would watch and run: the number of
// descriptors it polls and whether anything is ready. One whole iteration
// (prepare, query, check, dispatch) without blocking.
struct LoopLoad {
    int descriptors = 0;
    bool ready = false;
    bool operator==(const LoopLoad&) const = default;
};

LoopLoad loadOf(GMainContext* context) {
    EXPECT_TRUE(g_main_context_acquire(context));
    gint priority = 0;
    g_main_context_prepare(context, &priority);
    std::vector<GPollFD> fds(64);
    gint timeout = 0;
    gint count = g_main_context_query(context, priority, &timeout, fds.data(), static_cast<gint>(fds.size()));
    fds.resize(static_cast<std::size_t>(std::min<gint>(count, 64)));
    LoopLoad load{count, g_main_context_check(context, priority, fds.data(), static_cast<gint>(fds.size())) != 0};
    g_main_context_dispatch(context);
    g_main_context_release(context);
    return load;
}

bool mapped(const std::string& library) {
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        if (line.find(library) != std::string::npos) return true;
    }
    return false;
}

// The reader's traffic runs on its own thread and connection: a window's main
// loop (the default GLib context) gets nothing to watch or run from a read,
// and libatspi, whose handlers would run there, is not even loaded.
TEST(AtspiReader, ReadingLeavesNothingOnTheDefaultMainContext) {
    GMainContext* context = g_main_context_default();
    const LoopLoad before = loadOf(context);
    auto standin = startStandin("three-options");
    EXPECT_TRUE(has(readAccessibilityStrings(standin->pid()), panelTextOf("three-options")));
    EXPECT_EQ(loadOf(context), before);
    EXPECT_FALSE(g_main_context_pending(context));
    EXPECT_FALSE(mapped("libatspi"));
}

}  // namespace
