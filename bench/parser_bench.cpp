// How long the parser takes over what one read hands it: a whole accessibility
// harvest (3,500 texts, one of them the route panel) and one long panel block.

#include "parser/amap_parser.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

const std::string routePanel =
    "天津港\n石家庄物流园\n通行费已支持按轴数计算\n高德推荐\n4小时20分\n312.5公里\n¥268\n免费方案\n4小时45分\n298公里\n"
    "方案三\n4小时30分\n305.8公里\n¥240";

// What a map application's tree exposes besides its route panel: role names,
// button titles, map labels, and now and then a text with a distance or a time.
std::vector<std::string> realisticHarvest(std::size_t count) {
    const std::vector<std::string> chrome{"push button", "按钮", "static text", "标签", "group", "窗口", "高德地图",
                                          "货车",        "重型货车",   "开始路线规划", "路况", "禁区显示", "图层",
                                          "搜索地点、公交、地铁", "我的", "首页", "长途信息", "通知"};
    std::vector<std::string> texts;
    texts.reserve(count);
    for (std::size_t i = 0; texts.size() + 1 < count; ++i) {
        switch (i % 50) {
            case 7: texts.push_back("前方" + std::to_string(i % 900) + "公里有服务区"); break;
            case 19: texts.push_back("预计" + std::to_string(i % 59) + "分钟后到达"); break;
            case 31: texts.push_back("途经G" + std::to_string(i % 99) + "，约" + std::to_string(i % 400) + "公里，" +
                                     std::to_string(i % 9) + "小时"); break;
            default: texts.push_back(chrome[i % chrome.size()] + (i % 3 ? "" : std::to_string(i))); break;
        }
        if (i == count / 2) texts.push_back(routePanel);
    }
    return texts;
}

std::string longPanelBlock(std::size_t lines) {
    std::string block = "天津港\n石家庄物流园\n";
    std::size_t written = 2;
    for (int option = 1; written < lines; ++option) {
        block += "方案" + std::to_string(option) + "\n" + std::to_string(option % 70) + "小时" +
                 std::to_string(option % 60) + "分\n" + std::to_string(100 + option) + ".5公里\n¥" +
                 std::to_string(option * 3) + "\n途经服务区\n";
        written += 5;
    }
    return block;
}

void BM_ParseHarvest3500(benchmark::State& state) {
    const auto texts = realisticHarvest(3500);
    for (auto _ : state) {
        auto result = AmapParser::parse(texts);
        benchmark::DoNotOptimize(result);
        if (!result) state.SkipWithError("the harvest held no route");
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts.size()));
}
BENCHMARK(BM_ParseHarvest3500)->Unit(benchmark::kMicrosecond);

void BM_ParseBlock200Lines(benchmark::State& state) {
    const std::string block = longPanelBlock(200);
    for (auto _ : state) {
        auto result = AmapParser::parse(std::vector<std::string>{block});
        benchmark::DoNotOptimize(result);
        if (!result) state.SkipWithError("the block held no route");
    }
}
BENCHMARK(BM_ParseBlock200Lines)->Unit(benchmark::kMicrosecond);

}  // namespace
