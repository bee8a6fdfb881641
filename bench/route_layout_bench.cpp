// routeBlocks over a busy map window: the route panel's columns, the places in
// the top-left corner, and a few hundred map and interface labels around them.

#include "vision/amap_vision_reader.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

AmapRecognizedFragment at(std::string text, double left, double bottom, double width, double height) {
    return {std::move(text), NormalizedRect{left, bottom, width, height}};
}

// A small fixed-seed generator, so every run lays out the same window.
class Scatter {
public:
    double next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state_ >> 11) / static_cast<double>(1ULL << 53);
    }

private:
    std::uint64_t state_ = 42;
};

// `total` fragments of which `anchors` are route columns' travel times. The
// rest are map labels scattered below the panel; some look like distances or
// labels, as map text does, so every pattern and classifier gets its work.
std::vector<AmapRecognizedFragment> busyWindow(std::size_t total, std::size_t anchors) {
    std::vector<AmapRecognizedFragment> fragments = {at("● 天津港集装箱码头", 0.03, 0.90, 0.21, 0.03),
                                                     at("● 石家庄物流园区", 0.03, 0.86, 0.19, 0.03)};
    const double columnWidth = 0.9 / static_cast<double>(anchors);
    for (std::size_t i = 0; i < anchors; ++i) {
        const double left = 0.05 + columnWidth * static_cast<double>(i);
        const std::string n = std::to_string(i + 1);
        fragments.push_back(at("方案" + n, left, 0.62, columnWidth * 0.8, 0.03));
        fragments.push_back(at(n + "小时" + n + "分", left, 0.57, columnWidth * 0.8, 0.04));
        fragments.push_back(at(n + "12.5公里 ¥" + n + "8", left, 0.53, columnWidth * 0.7, 0.03));
    }
    const char* words[] = {"北京市", "G4京港澳高速", "保定", "服务区 12公里", "收费站", "高德推荐", "路况",
                           "我的", "首页", "红绿灯12个", "途经 S7", "廊坊市物流园区"};
    Scatter scatter;
    for (std::size_t i = 0; fragments.size() < total; ++i)
        fragments.push_back(at(words[i % std::size(words)], scatter.next() * 0.9, scatter.next() * 0.47, 0.08, 0.025));
    return fragments;
}

void BM_RouteBlocks(benchmark::State& state) {
    const auto fragments =
        busyWindow(static_cast<std::size_t>(state.range(0)), static_cast<std::size_t>(state.range(1)));
    for (auto _ : state) benchmark::DoNotOptimize(AmapVisionReader::routeBlocks(fragments));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// 300 fragments with 5 anchors is a busy window; the others show how it grows.
BENCHMARK(BM_RouteBlocks)->Args({300, 5})->Args({100, 3})->Args({1000, 5})->Args({300, 50})->Unit(benchmark::kMicrosecond);

}  // namespace
