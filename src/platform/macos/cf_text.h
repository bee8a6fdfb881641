#pragma once
// Texts between Core Foundation strings and UTF-8.

#include <CoreFoundation/CoreFoundation.h>

#include "platform/macos/cf_ref.h"

#include <string>
#include <string_view>

namespace macos {

// The string's UTF-16 units as UTF-8; a lone surrogate becomes U+FFFD, so a
// malformed text from another process is kept, never dropped. Null gives "".
std::string utf8FromCfString(CFStringRef string);

// A new string (owned by the holder); invalid UTF-8 gives a null holder.
CfRef<CFStringRef> cfStringFromUtf8(std::string_view text);

}  // namespace macos
