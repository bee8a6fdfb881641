#pragma once
// UTF-16 code units (as the platform's string objects hold them) to UTF-8.
// Texts from another process may hold a lone surrogate; such a unit becomes
// U+FFFD instead of making the whole text unreadable.

#include <cstddef>
#include <string>

namespace platform_text {

std::string utf8FromUtf16(const char16_t* units, std::size_t count);

}  // namespace platform_text
