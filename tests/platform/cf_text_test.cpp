// Core Foundation strings to UTF-8 on macOS: what another process's texts
// hold, lone surrogates included, comes out as valid UTF-8.

#include "platform/macos/cf_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(CfText, StringsBecomeUtf8WithLoneSurrogatesReplaced) {
    const struct {
        const char* name;
        std::vector<UniChar> units;
        std::string utf8;
    } cases[] = {
        {"empty", {}, ""},
        {"Chinese", {0x9AD8, 0x5FB7}, "高德"},
        {"surrogate pair", {0xD83D, 0xDE9B}, "\U0001F69B"},
        {"lone high surrogate", {0x65B9, 0xD83D, 0x6848}, "方\uFFFD案"},
        {"lone low surrogate at the end", {0x0041, 0xDE9B}, "A\uFFFD"},
    };
    for (const auto& c : cases) {
        const macos::CfRef<CFStringRef> string(CFStringCreateWithCharacters(
            kCFAllocatorDefault, c.units.data(), static_cast<CFIndex>(c.units.size())));
        ASSERT_TRUE(string) << c.name;
        EXPECT_EQ(macos::utf8FromCfString(string.get()), c.utf8) << c.name;
    }
    EXPECT_EQ(macos::utf8FromCfString(nullptr), "");
}

TEST(CfText, Utf8RoundTrips) {
    for (const std::string text : {"", "AXTitle", "✓ 已读取并复制", "天津港 → 石家庄物流园"}) {
        const macos::CfRef<CFStringRef> string = macos::cfStringFromUtf8(text);
        ASSERT_TRUE(string) << text;
        EXPECT_EQ(macos::utf8FromCfString(string.get()), text);
    }
}

}  // namespace
