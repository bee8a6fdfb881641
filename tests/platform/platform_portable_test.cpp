// UTF-16 from the platform's string objects to UTF-8, and the privacy
// settings address.

#include "platform/privacy_settings.h"
#include "platform/utf16_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Utf16Text, EveryUnitSequenceBecomesValidUtf8) {
    const struct {
        const char* name;
        std::u16string units;
        std::string utf8;
    } cases[] = {
        {"empty", u"", ""},
        {"ascii", u"AB 1", "AB 1"},
        {"two-byte and three-byte", u"é高德", "é高德"},
        {"surrogate pair", u"a\U0001F69B", "a\U0001F69B"},
        {"lone high surrogate inside", std::u16string{u'方', 0xD83D, u'案'}, "方\uFFFD案"},
        {"lone high surrogate at the end", std::u16string{u'x', 0xD83D}, "x\uFFFD"},
        {"lone low surrogate", std::u16string{0xDE9B, u'y'}, "\uFFFDy"},
        {"two high surrogates then a low", std::u16string{0xD83D, 0xD83D, 0xDE9B}, "\uFFFD\U0001F69B"},
        {"embedded NUL kept", std::u16string{u'a', 0, u'b'}, std::string("a\0b", 3)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform_text::utf8FromUtf16(c.units.data(), c.units.size()), c.utf8) << c.name;
    }
    EXPECT_EQ(platform_text::utf8FromUtf16(nullptr, 3), "");
}

TEST(PrivacySettings, ScreenOpensScreenRecordingEverythingElseAccessibility) {
    const struct {
        const char* permission;
        const char* url;
    } cases[] = {
        {"screen", "x-apple.systempreferences:com.apple.preference.security?Privacy_ScreenCapture"},
        {"accessibility", "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"},
        {"Screen", "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"},
        {"", "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"},
    };
    for (const auto& c : cases) EXPECT_EQ(platform_settings::privacySettingsUrl(c.permission), c.url) << c.permission;
}

}  // namespace
