// Standard input that is not UTF-8 is refused by every reader with the offset
// of the first bad byte, and no message ever carries a broken character.

#include "inspect_test_support.h"
#include "text/text_rules.h"

#include <gtest/gtest.h>

namespace {

struct Utf8Case {
    const char* name;
    std::vector<std::string> args;
    std::string input;
    std::string message;  // expected in standard error
};

void PrintTo(const Utf8Case& c, std::ostream* os) { *os << c.name; }

class InspectUtf8 : public testing::TestWithParam<Utf8Case> {};

TEST_P(InspectUtf8, RefusedWithAWellFormedMessage) {
    const InspectOutcome o = runInspect(GetParam().args, GetParam().input);
    EXPECT_EQ(o.code, 2);
    EXPECT_EQ(o.out, "");
    EXPECT_NE(o.err.find(GetParam().message), std::string::npos) << o.err;
    EXPECT_TRUE(text::isValidUtf8(o.err));
}

const std::string payload =
    R"(WENDREL_V1:{"options":[{"distanceKm":1,"durationSeconds":60,"label":"方案一"}],"readAt":"2026-12-06T08:51:08Z","source":"s","vehicleType":"v"})";

INSTANTIATE_TEST_SUITE_P(
    Cases, InspectUtf8,
    testing::Values(
        Utf8Case{"ParseGbkBytes", {"parse"}, "[\"\xb7\xbd\xb0\xb8\"]", "not UTF-8: ill-formed byte at offset 2"},
        Utf8Case{"ParseOverlongSlash", {"parse"}, "[\"a\xc0\xaf\"]", "at offset 3"},
        Utf8Case{"BlocksEncodedSurrogate", {"blocks"}, "[{\"text\": \"\xed\xa0\x80\", \"box\": [0, 0, 1, 1]}]",
                 "at offset 11"},
        Utf8Case{"ReadTruncatedCharacter", {"read"}, "[{\"text\": \"\xe6\x96\", \"box\": [0, 0, 1, 1]}]",
                 "at offset 11"},
        Utf8Case{"SummaryStrayByte", {"summary"}, payload + "\x80", "not UTF-8"},
        // The JSON parser stops inside a character after a broken escape and
        // quotes what it read; the message still holds whole characters only.
        Utf8Case{"ParseErrorQuotingHalfACharacter", {"parse"}, "[\"\\ud83d\\方\"]", "not valid JSON"},
        Utf8Case{"UnknownCommandWithABadByte", {"pars\xff"}, "[]", "unknown command 'pars\uFFFD'"}),
    [](const testing::TestParamInfo<Utf8Case>& c) { return c.param.name; });

}  // namespace
