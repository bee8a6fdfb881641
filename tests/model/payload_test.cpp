#include "model/route_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace std::chrono;

AmapReadResult workedExample() {
    return AmapReadResult("天津港", "石家庄物流园",
                          {AmapRouteOption("方案一", 15600, 312.5, 268.0), AmapRouteOption("免费方案", 17100, 298.0, 0.0),
                           AmapRouteOption("方案三", 16200, 305.8, std::nullopt)},
                          "amap-mac-accessibility", "重型货车", "2026-12-06T08:51:08Z");
}

TEST(Payload, WorkedExampleIsByteForByteTheContractLine) {
    const auto payload = payloadText(workedExample());
    ASSERT_TRUE(payload);
    EXPECT_EQ(payload.value(),
              R"(WENDREL_V1:{"destination":"石家庄物流园","options":[{"distanceKm":312.5,"durationSeconds":15600,"label":"方案一","toll":268},{"distanceKm":298,"durationSeconds":17100,"label":"免费方案","toll":0},{"distanceKm":305.8,"durationSeconds":16200,"label":"方案三"}],"origin":"天津港","readAt":"2026-12-06T08:51:08Z","source":"amap-mac-accessibility","vehicleType":"重型货车"})");
}

TEST(Payload, ResultWithoutEndpointsHasExactlyFourMembers) {
    const AmapReadResult result(std::nullopt, std::nullopt, {AmapRouteOption("方案一", 60, 1, std::nullopt)},
                                "amap-mac-accessibility", "重型货车", "2026-12-06T08:51:08Z");
    EXPECT_EQ(encodeJson(result).value(),
              R"({"options":[{"distanceKm":1,"durationSeconds":60,"label":"方案一"}],"readAt":"2026-12-06T08:51:08Z","source":"amap-mac-accessibility","vehicleType":"重型货车"})");
}

TEST(Payload, OneEndpointAloneIsWrittenAlone) {
    const AmapReadResult result("天津港", std::nullopt, {}, "s", "v", "t");
    EXPECT_EQ(encodeJson(result).value(), R"({"options":[],"origin":"天津港","readAt":"t","source":"s","vehicleType":"v"})");
}

TEST(Payload, StartsWithThePrefixAndHoldsNoLineBreak) {
    const AmapReadResult result("a\nb", "c", {AmapRouteOption("x\ny", 1, 1, 1.0)}, "s", "v", "t");
    const std::string payload = payloadText(result).value();
    EXPECT_EQ(payload.substr(0, 12), "WENDREL_V1:{");
    EXPECT_EQ(payload.find('\n'), std::string::npos);
    EXPECT_EQ(payload.find('\r'), std::string::npos);
    EXPECT_EQ(payload.back(), '}');
}

struct NumberCase {
    double value;
    const char* text;
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << c.text; }

class JsonNumber : public testing::TestWithParam<NumberCase> {};

TEST_P(JsonNumber, IsShortestRoundTripInTheEncoderForm) {
    EXPECT_EQ(jsonNumber(GetParam().value).value_or("<absent>"), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, JsonNumber,
    testing::Values(NumberCase{298.0, "298"}, NumberCase{0.0, "0"}, NumberCase{-0.0, "0"}, NumberCase{268.0, "268"},
                    NumberCase{312.5, "312.5"}, NumberCase{305.8, "305.8"}, NumberCase{0.5, "0.5"},
                    NumberCase{5000.0, "5000"}, NumberCase{100000.0, "100000"}, NumberCase{0.1 + 0.2, "0.30000000000000004"},
                    NumberCase{1280.5, "1280.5"}, NumberCase{-12.25, "-12.25"}, NumberCase{0.0001, "0.0001"},
                    NumberCase{0.00012, "0.00012"}, NumberCase{1e-5, "1e-05"}, NumberCase{1.5e-5, "1.5e-05"},
                    NumberCase{1e15, "1000000000000000"}, NumberCase{1e16, "1e+16"}, NumberCase{1.25e17, "1.25e+17"},
                    NumberCase{1e-300, "1e-300"}));

TEST(JsonNumber, NonFiniteIsAbsent) {
    EXPECT_FALSE(jsonNumber(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(jsonNumber(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(jsonNumber(-std::numeric_limits<double>::infinity()));
}

TEST(Payload, NonFiniteNumberIsAnErrorAndNothingIsWritten) {
    for (const auto& option : {AmapRouteOption("a", 1, std::nan(""), 1.0),
                               AmapRouteOption("a", 1, 1, std::numeric_limits<double>::infinity())}) {
        const AmapReadResult result("o", "d", {option}, "s", "v", "t");
        const auto payload = payloadText(result);
        ASSERT_FALSE(payload);
        EXPECT_FALSE(payload.error().description.empty());
    }
}

struct EscapeCase {
    const char* name;
    std::string raw;
    std::string written;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const EscapeCase& c, std::ostream* os) { *os << c.name; }

class StringEscape : public testing::TestWithParam<EscapeCase> {};

TEST_P(StringEscape, FollowsTheEncoderRules) {
    const AmapRouteOption option(GetParam().raw, 1, 1, std::nullopt);
    EXPECT_EQ(encodeJson(option).value(), R"({"distanceKm":1,"durationSeconds":1,"label":")" + GetParam().written + "\"}");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StringEscape,
    testing::Values(EscapeCase{"Slash", "京/津", "京\\/津"}, EscapeCase{"Quote", "a\"b", "a\\\"b"},
                    EscapeCase{"Backslash", "a\\b", "a\\\\b"},
                    EscapeCase{"NamedControls", "\b\f\n\r\t", "\\b\\f\\n\\r\\t"},
                    EscapeCase{"OtherControls", std::string("\x01\x1f\x00", 3), "\\u0001\\u001f\\u0000"},
                    EscapeCase{"ChineseRaw", "石家庄物流园", "石家庄物流园"}, EscapeCase{"DeleteRaw", "\x7f", "\x7f"},
                    EscapeCase{"LineSeparatorRaw", "a\u2028b", "a\u2028b"}, EscapeCase{"YenRaw", "¥268", "¥268"}),
    [](const testing::TestParamInfo<EscapeCase>& c) { return c.param.name; });

TEST(Payload, InvalidUtf8TextIsAnErrorNotAHalfWrittenLine) {
    const AmapReadResult result("\xff", "d", {AmapRouteOption("a", 1, 1, std::nullopt)}, "s", "v", "t");
    EXPECT_FALSE(payloadText(result));
}

// Texts are repaired where they enter; the writer still never writes a text
// that is not UTF-8, in any member, whatever the ill-formed piece.
struct IllFormedCase {
    const char* name;
    AmapReadResult result;
};

void PrintTo(const IllFormedCase& c, std::ostream* os) { *os << c.name; }

class PayloadIllFormed : public testing::TestWithParam<IllFormedCase> {};

TEST_P(PayloadIllFormed, RefusedAndNothingWritten) {
    const auto payload = payloadText(GetParam().result);
    ASSERT_FALSE(payload);
    EXPECT_NE(payload.error().description.find("UTF-8"), std::string::npos);
}

AmapReadResult withText(int member, const std::string& bad) {
    auto text = [&](int m) { return m == member ? bad : std::string("天津港"); };
    return AmapReadResult(text(0), text(1), {AmapRouteOption(text(2), 60, 1, std::nullopt)}, text(3), text(4), text(5));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PayloadIllFormed,
    testing::Values(IllFormedCase{"OriginOverlongSlash", withText(0, "a\xc0\xaf")},
                    IllFormedCase{"DestinationEncodedSurrogate", withText(1, "\xed\xa0\x80")},
                    IllFormedCase{"LabelTruncatedCharacter", withText(2, "方案\xe4\xb8")},
                    IllFormedCase{"SourceStrayContinuation", withText(3, "\x80")},
                    IllFormedCase{"VehicleTypeAboveU10FFFF", withText(4, "\xf4\x90\x80\x80")},
                    IllFormedCase{"ReadAtInvalidLead", withText(5, "2026\xfe")}),
    [](const testing::TestParamInfo<IllFormedCase>& c) { return c.param.name; });

struct TimeCase {
    sys_time<milliseconds> date;
    const char* text;
};

void PrintTo(const TimeCase& c, std::ostream* os) { *os << c.text; }

class IsoTimestamp : public testing::TestWithParam<TimeCase> {};

TEST_P(IsoTimestamp, WholeSecondsInUtc) {
    EXPECT_EQ(isoTimestamp(time_point_cast<system_clock::duration>(GetParam().date)), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Dates, IsoTimestamp,
    testing::Values(
        TimeCase{sys_days{2026y / December / 6} + 8h + 51min + 8s + 900ms, "2026-12-06T08:51:08Z"},
        TimeCase{sys_days{2026y / December / 6} + 8h + 51min + 8s, "2026-12-06T08:51:08Z"},
        TimeCase{sys_days{2024y / February / 29} + 23h + 59min + 59s + 999ms, "2024-02-29T23:59:59Z"},
        TimeCase{sys_days{1970y / January / 1}, "1970-01-01T00:00:00Z"},
        TimeCase{sys_days{1969y / December / 31} + 23h + 59min + 59s + 500ms, "1969-12-31T23:59:59Z"}));

TEST(Equality, TollAbsentAndPresentDiffer) {
    EXPECT_NE(AmapRouteOption("a", 1, 2, std::nullopt), AmapRouteOption("a", 1, 2, 0.0));
    EXPECT_EQ(AmapRouteOption("a", 1, 2, std::nullopt), AmapRouteOption("a", 1, 2, std::nullopt));
    EXPECT_NE(AmapRouteOption("a", 1, 2, 3.0), AmapRouteOption("a", 1, 2.5, 3.0));
}

TEST(Equality, TextsCompareUnderCanonicalEquivalence) {
    const std::string precomposed = "Caf\u00e9";
    const std::string decomposed = "Cafe\u0301";
    EXPECT_EQ(AmapRouteOption(precomposed, 1, 2, std::nullopt), AmapRouteOption(decomposed, 1, 2, std::nullopt));
    const auto result = [](std::optional<std::string> origin) {
        return AmapReadResult(std::move(origin), "d", {}, "s", "v", "t");
    };
    EXPECT_EQ(result(precomposed), result(decomposed));
    EXPECT_NE(result(precomposed), result(std::nullopt));
}

TEST(Equality, OptionListsCompareInOrder) {
    const AmapRouteOption a("a", 1, 1, std::nullopt), b("b", 1, 1, std::nullopt);
    const auto result = [](std::vector<AmapRouteOption> options) {
        return AmapReadResult("o", "d", std::move(options), "s", "v", "t");
    };
    EXPECT_EQ(result({a, b}), result({a, b}));
    EXPECT_NE(result({a, b}), result({b, a}));
    EXPECT_NE(result({a}), result({a, b}));
}

}  // namespace
