#include "text/text_rules.h"

#include <gtest/gtest.h>

namespace {

struct TrimCase {
    const char* name;
    std::string raw;
    std::string trimmed;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const TrimCase& c, std::ostream* os) { *os << c.name; }

class Trim : public testing::TestWithParam<TrimCase> {};

TEST_P(Trim, RemovesWhiteSpaceAndLineBreaksAtBothEndsOnly) { EXPECT_EQ(text::trim(GetParam().raw), GetParam().trimmed); }

INSTANTIATE_TEST_SUITE_P(
    Cases, Trim,
    testing::Values(TrimCase{"Plain", "  高德推荐\n", "高德推荐"},
                    TrimCase{"TabToCarriageReturn", "\t\v\f\r\n方案一\t", "方案一"},
                    TrimCase{"NextLineAndNoBreak", "\u0085\u00a0方案一\u00a0", "方案一"},
                    TrimCase{"IdeographicSpace", "\u3000方案一\u3000", "方案一"},
                    TrimCase{"SeparatorsAndThinSpaces", "\u2028\u2029\u2002\u202f\u205f\u1680方案\u2009", "方案"},
                    TrimCase{"InnerSpacesStay", " 4小时 20分 ", "4小时 20分"},
                    TrimCase{"OnlySpaces", " \u3000\n\u00a0", ""},
                    TrimCase{"ZeroWidthSpaceIsNotWhiteSpace", "\u200b方案\u200b", "\u200b方案\u200b"}),
    [](const testing::TestParamInfo<TrimCase>& c) { return c.param.name; });

TEST(GraphemeLength, CountsUserPerceivedCharacters) {
    EXPECT_EQ(text::graphemeLength(""), 0u);
    EXPECT_EQ(text::graphemeLength("高德推荐"), 4u);
    EXPECT_EQ(text::graphemeLength("Cafe\u0301"), 4u);
    EXPECT_EQ(text::graphemeLength("\U0001F468\u200D\U0001F469\u200D\U0001F467"), 1u);
    EXPECT_EQ(text::graphemeLength("\r\n"), 1u);
}

TEST(FirstMatch, ReturnsOneEntryPerGroupWithEmptyForNonParticipating) {
    EXPECT_EQ(text::firstMatch(R"(^(\d{1,2})小时(?:(\d{1,2})分)?$)", "2小时"),
              (std::vector<std::string>{"2", ""}));
}

TEST(FirstMatch, AbsentWithoutMatchOrWithABadPattern) {
    EXPECT_EQ(text::firstMatch(R"(^(\d+)分钟$)", "约45分钟"), std::nullopt);
    EXPECT_EQ(text::firstMatch("(unclosed", "unclosed"), std::nullopt);
}

TEST(FirstMatch, PatternWithoutGroupsGivesAPresentEmptyList) {
    EXPECT_EQ(text::firstMatch("公里", "12公里"), std::vector<std::string>{});
}

TEST(FirstMatch, IcuSemanticsForDigitsSpacesAndLeftmostMatch) {
    EXPECT_EQ(text::firstMatch(R"((\d+))", "ab１２3"), std::vector<std::string>{"１２3"});
    EXPECT_EQ(text::firstMatch(R"((\d)\s(\d))", "1\u30002"), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(text::firstMatch(R"((\d+)公里)", "5公里 7公里"), std::vector<std::string>{"5"});
    EXPECT_EQ(text::firstMatch(R"(^(.+)$)", "a\nb"), std::nullopt);
}

TEST(Pattern, CaptureOffsetsAreByteOffsetsIntoTheText) {
    const text::Pattern pattern(R"(¥(\d+))");
    const auto captures = pattern.firstMatch("通行费¥268元");
    ASSERT_TRUE(captures);
    const text::Capture& amount = (*captures)[0];
    EXPECT_EQ(std::string("通行费¥268元").substr(amount.begin, amount.end - amount.begin), "268");
}

TEST(CanonicallyEqual, PrecomposedAndDecomposedFormsAreEqual) {
    EXPECT_TRUE(text::canonicallyEqual("\u00e9", "e\u0301"));
    EXPECT_FALSE(text::canonicallyEqual("\u00e9", "e"));
    EXPECT_FALSE(text::canonicallyEqual("ﬁ", "fi"));  // compatibility, not canonical
}

TEST(AsciiConversion, AcceptsOnlyAsciiDigits) {
    EXPECT_EQ(text::asciiInteger("007"), 7);
    EXPECT_EQ(text::asciiInteger("２"), std::nullopt);
    EXPECT_EQ(text::asciiInteger(""), std::nullopt);
    EXPECT_EQ(text::asciiInteger("99999999999999999999"), std::nullopt);
    EXPECT_EQ(text::asciiDecimal("312.5"), 312.5);
    EXPECT_EQ(text::asciiDecimal("3.１"), std::nullopt);
    EXPECT_EQ(text::asciiDecimal("3."), std::nullopt);
    EXPECT_EQ(text::asciiDecimal(".5"), std::nullopt);
}

}  // namespace

namespace {

struct WellFormedCase {
    const char* name;
    std::string bytes;
    std::string text;
};

void PrintTo(const WellFormedCase& c, std::ostream* os) { *os << c.name; }

class WellFormedUtf8 : public testing::TestWithParam<WellFormedCase> {};

TEST_P(WellFormedUtf8, ReplacesEachIllFormedPieceAndKeepsTheRest) {
    const std::string repaired = text::wellFormedUtf8(GetParam().bytes);
    EXPECT_EQ(repaired, GetParam().text);
    EXPECT_TRUE(text::isValidUtf8(repaired));
}

const std::string fffd = "\uFFFD";
const std::string withNul("4小时\0" "20分", sizeof("4小时\0" "20分") - 1);

INSTANTIATE_TEST_SUITE_P(
    Cases, WellFormedUtf8,
    testing::Values(
        WellFormedCase{"WellFormedUnchanged", "京津塘高速 4小时20分 ¥268 😀", "京津塘高速 4小时20分 ¥268 😀"},
        WellFormedCase{"StrayContinuationBytes", "a\x80\xbf" "b", "a" + fffd + fffd + "b"},
        WellFormedCase{"InvalidLeadBytes", "\xff\xfe" "a", fffd + fffd + "a"},
        WellFormedCase{"TruncatedSequenceBeforeAscii", "\xe5\x8c" "1公里", fffd + "1公里"},
        WellFormedCase{"TruncatedAtTheEnd", "北京\xe4\xba", "北京" + fffd},
        WellFormedCase{"OverlongSlash", "\xc0\xaf", fffd + fffd},
        WellFormedCase{"OverlongNul", "a\xc0\x80" "b", "a" + fffd + fffd + "b"},
        WellFormedCase{"OverlongThreeBytes", "\xe0\x80\xaf", fffd + fffd + fffd},
        WellFormedCase{"EncodedHighSurrogate", "\xed\xa0\x80", fffd + fffd + fffd},
        WellFormedCase{"EncodedSurrogatePair", "\xed\xa0\xbd\xed\xb8\x80", fffd + fffd + fffd + fffd + fffd + fffd},
        WellFormedCase{"AboveU10FFFF", "\xf4\x90\x80\x80", fffd + fffd + fffd + fffd},
        WellFormedCase{"NulKeptInside", withNul, withNul},
        WellFormedCase{"ByteOrderMarkKept", "\xef\xbb\xbf高德推荐", "\uFEFF高德推荐"},
        WellFormedCase{"BidiControlsKept", "\u202b\u05ea\u05dc \u05d0\u05d1\u05d9\u05d1\u202c\u2066x\u2069\u200f",
                       "\u202b\u05ea\u05dc \u05d0\u05d1\u05d9\u05d1\u202c\u2066x\u2069\u200f"},
        WellFormedCase{"NoncharacterKept", "\uFFFE", "\uFFFE"}, WellFormedCase{"Empty", "", ""}),
    [](const testing::TestParamInfo<WellFormedCase>& c) { return c.param.name; });

}  // namespace
