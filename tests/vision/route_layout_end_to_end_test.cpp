// From recognised fragments to the clipboard line: the layout's route block
// must be one the parser reads completely, endpoints included.

#include "model/route_model.h"
#include "parser/amap_parser.h"
#include "vision/amap_vision_reader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using namespace std::chrono;
using Fragments = std::vector<AmapRecognizedFragment>;

AmapRecognizedFragment at(std::string text, double left, double bottom, double right, double top) {
    return {std::move(text), NormalizedRect{left, bottom, right - left, top - bottom}};
}

// The truck-route panel of a map window: places in the top-left corner, tabs
// and notices around them, three route columns with a tag and a details line,
// and map labels to the right. Listed in no particular order, as a recogniser
// returns them.
Fragments threeColumnWindow() {
    return {
        at("306个红绿灯", 0.42, 0.48, 0.54, 0.51),
        at("方案三", 0.42, 0.62, 0.54, 0.65),
        at("北京市", 0.70, 0.72, 0.76, 0.75),
        at("4小时20分", 0.06, 0.57, 0.18, 0.61),
        at("● 石家庄物流园区", 0.03, 0.86, 0.22, 0.89),
        at("免费方案", 0.24, 0.62, 0.36, 0.65),
        at("首页", 0.02, 0.96, 0.06, 0.99),
        at("305.8公里", 0.435, 0.53, 0.525, 0.56),
        at("高德推荐", 0.07, 0.67, 0.17, 0.70),
        at("G4京港澳高速 25公里", 0.66, 0.30, 0.86, 0.33),
        at("驾车", 0.30, 0.95, 0.34, 0.98),
        at("4小时45分", 0.24, 0.57, 0.36, 0.61),
        at("● 天津港集装箱码头", 0.03, 0.90, 0.24, 0.93),
        at("312.5公里 ¥268", 0.065, 0.53, 0.175, 0.56),
        at("货车", 0.36, 0.95, 0.40, 0.98),
        at("通行费已支持按轴数计算", 0.03, 0.78, 0.28, 0.80),
        at("298公里", 0.255, 0.53, 0.345, 0.56),
        at("4小时30分", 0.42, 0.57, 0.54, 0.61),
        at("方案一", 0.06, 0.62, 0.18, 0.65),
        at("保定", 0.62, 0.55, 0.66, 0.58),
        at("开始导航", 0.40, 0.05, 0.60, 0.09),
    };
}

TEST(RouteLayoutEndToEnd, ThreeColumnWindowBecomesThePayloadLine) {
    const std::vector<std::string> blocks = AmapVisionReader::routeBlocks(threeColumnWindow());
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0],
              "天津港集装箱码头\n石家庄物流园区\n通知\n"
              "方案一\n4小时20分\n312.5公里 ¥268\n"
              "免费方案\n4小时45分\n298公里\n"
              "方案三\n4小时30分\n305.8公里");

    const auto readAt = sys_days{year{2026} / December / 6} + hours{8} + minutes{51} + seconds{8} + milliseconds{900};
    const auto result = AmapParser::parse(blocks, time_point_cast<system_clock::duration>(readAt));
    ASSERT_TRUE(result.has_value());
    const auto payload = payloadText(*result);
    ASSERT_TRUE(payload.hasValue());
    EXPECT_EQ(payload.value(),
              R"(WENDREL_V1:{"destination":"石家庄物流园区","options":[{"distanceKm":312.5,"durationSeconds":15600,"label":"方案一","toll":268},{"distanceKm":298,"durationSeconds":17100,"label":"免费方案","toll":0},{"distanceKm":305.8,"durationSeconds":16200,"label":"方案三"}],"origin":"天津港集装箱码头","readAt":"2026-12-06T08:51:08Z","source":"amap-mac-accessibility","vehicleType":"重型货车"})");
}

}  // namespace
