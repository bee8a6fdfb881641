#include "platform/macos/cf_text.h"

#include "platform/utf16_text.h"

#include <vector>

namespace macos {

std::string utf8FromCfString(CFStringRef string) {
    if (!string) return {};
    const CFIndex length = CFStringGetLength(string);
    if (length <= 0) return {};
    std::vector<UniChar> units(static_cast<std::size_t>(length));
    CFStringGetCharacters(string, CFRangeMake(0, length), units.data());
    const std::u16string text(units.begin(), units.end());
    return platform_text::utf8FromUtf16(text.data(), text.size());
}

CfRef<CFStringRef> cfStringFromUtf8(std::string_view text) {
    return CfRef<CFStringRef>(CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(text.data()),
                                                      static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8, false));
}

}  // namespace macos
