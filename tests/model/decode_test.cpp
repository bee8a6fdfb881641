#include "model/route_model.h"

#include <gtest/gtest.h>

namespace {

const std::string workedLine =
    R"(WENDREL_V1:{"destination":"石家庄物流园","options":[{"distanceKm":312.5,"durationSeconds":15600,"label":"方案一","toll":268},{"distanceKm":298,"durationSeconds":17100,"label":"免费方案","toll":0},{"distanceKm":305.8,"durationSeconds":16200,"label":"方案三"}],"origin":"天津港","readAt":"2026-12-06T08:51:08Z","source":"amap-mac-accessibility","vehicleType":"重型货车"})";

TEST(Decode, PayloadRoundTripsToTheSameBytes) {
    const auto result = decodePayload(workedLine);
    ASSERT_TRUE(result) << result.error().description;
    EXPECT_EQ(result->origin(), "天津港");
    ASSERT_EQ(result->options().size(), 3u);
    EXPECT_EQ(result->options()[2].toll(), std::nullopt);
    EXPECT_EQ(payloadText(*result).value(), workedLine);
}

TEST(Decode, OptionalMembersMissingOrNullAreAbsentAndUnknownOnesIgnored) {
    const auto result = decodeReadResult(
        R"({"origin":null,"options":[{"label":"a","durationSeconds":60,"distanceKm":1.5,"toll":null,"extra":[1]}],
            "readAt":"t","source":"s","vehicleType":"v","future":{"x":1}})");
    ASSERT_TRUE(result) << result.error().description;
    EXPECT_FALSE(result->origin());
    EXPECT_FALSE(result->destination());
    EXPECT_EQ(result->options()[0], AmapRouteOption("a", 60, 1.5, std::nullopt));
}

struct BadDocument {
    const char* name;
    const char* json;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const BadDocument& c, std::ostream* os) { *os << c.name; }

class DecodeRejects : public testing::TestWithParam<BadDocument> {};

TEST_P(DecodeRejects, WithAClearError) {
    const auto result = decodeReadResult(GetParam().json);
    ASSERT_FALSE(result);
    EXPECT_FALSE(result.error().description.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Documents, DecodeRejects,
    testing::Values(
        BadDocument{"NotJson", "WENDREL"}, BadDocument{"Array", "[]"},
        BadDocument{"MissingOptions", R"({"readAt":"t","source":"s","vehicleType":"v"})"},
        BadDocument{"OptionsNull", R"({"options":null,"readAt":"t","source":"s","vehicleType":"v"})"},
        BadDocument{"OptionsNotArray", R"({"options":{},"readAt":"t","source":"s","vehicleType":"v"})"},
        BadDocument{"MissingReadAt", R"({"options":[],"source":"s","vehicleType":"v"})"},
        BadDocument{"SourceNumber", R"({"options":[],"readAt":"t","source":1,"vehicleType":"v"})"},
        BadDocument{"OriginNumber", R"({"origin":5,"options":[],"readAt":"t","source":"s","vehicleType":"v"})"},
        BadDocument{"OptionNotObject", R"({"options":["a"],"readAt":"t","source":"s","vehicleType":"v"})"},
        BadDocument{"MissingLabel",
                    R"({"options":[{"durationSeconds":1,"distanceKm":1}],"readAt":"t","source":"s","vehicleType":"v"})"},
        BadDocument{"FractionalDuration",
                    R"({"options":[{"label":"a","durationSeconds":1.5,"distanceKm":1}],"readAt":"t","source":"s","vehicleType":"v"})"},
        BadDocument{"DurationTooLarge",
                    R"({"options":[{"label":"a","durationSeconds":18446744073709551615,"distanceKm":1}],"readAt":"t","source":"s","vehicleType":"v"})"},
        BadDocument{"DistanceText",
                    R"({"options":[{"label":"a","durationSeconds":1,"distanceKm":"1"}],"readAt":"t","source":"s","vehicleType":"v"})"},
        BadDocument{"TollText",
                    R"({"options":[{"label":"a","durationSeconds":1,"distanceKm":1,"toll":"¥5"}],"readAt":"t","source":"s","vehicleType":"v"})"}),
    [](const testing::TestParamInfo<BadDocument>& c) { return c.param.name; });

TEST(Decode, PayloadNeedsThePrefix) {
    EXPECT_FALSE(decodePayload(workedLine.substr(11)));
    EXPECT_FALSE(decodePayload("WENDREL_V2:" + workedLine.substr(11)));
    EXPECT_FALSE(decodePayload(""));
}

}  // namespace
