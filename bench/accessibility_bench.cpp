// How long one accessibility walk holds Wendrel: the walk's own cost over an
// in-memory tree, and a read of the stand-in map application over AT-SPI with
// 500 and 3,500 elements (run under tests/e2e/with-desktop.sh; without a
// desktop stack those cases are skipped).

#include "accessibility/accessibility_reader.h"
#include "accessibility/accessibility_walk.h"
#include "standin_process.h"
#include "standin_scenario.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
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

// A stand-in whose tree holds `elements` elements: the window, the panel and
// the map, then filler labels in groups of 50.
std::string scenarioWithElements(int elements) {
    auto json = nlohmann::json::parse(std::ifstream(std::string(WENDREL_SCENARIOS) + "/three-options.json"));
    int filler = 0;
    while (3 + filler + (filler + 49) / 50 < elements) ++filler;
    json["filler"] = filler;
    const char* dir = std::getenv("WENDREL_E2E_DIR");
    std::string path = std::string(dir ? dir : "/tmp") + "/bench-" + std::to_string(elements) + ".json";
    std::ofstream(path) << json.dump();
    return path;
}

void readStandin(benchmark::State& state) {
    if (!std::getenv("WENDREL_E2E_DIR")) {
        state.SkipWithError("needs a desktop stack: run under tests/e2e/with-desktop.sh");
        return;
    }
    const int elements = static_cast<int>(state.range(0));
    standin::Process standin(WENDREL_STANDIN, scenarioWithElements(elements));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (readAccessibilityStrings(standin.pid()).empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::size_t texts = 0;
    for (auto _ : state) texts = readAccessibilityStrings(standin.pid()).size();
    // Each filler label adds one text of its own; far fewer than the elements
    // means the 5 s budget ended the walk.
    state.counters["texts"] = static_cast<double>(texts);
}
BENCHMARK(readStandin)->Arg(500)->Arg(3500)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
