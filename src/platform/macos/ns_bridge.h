#pragma once
// Foundation values at the edge of the Objective-C++ files: strings and
// errors become plain C++ values here and nowhere else.

#import <Foundation/Foundation.h>

#include "platform/macos/cf_text.h"
#include "vision/amap_vision_reader.h"

#include <string>
#include <string_view>
#include <utility>

namespace macos {

// Nil gives ""; a lone surrogate becomes U+FFFD (UTF8String would give NULL).
inline std::string utf8FromNSString(NSString* string) {
    return utf8FromCfString((__bridge CFStringRef)string);
}

// Invalid UTF-8 gives nil.
inline NSString* nsStringFromUtf8(std::string_view text) {
    return [[NSString alloc] initWithBytes:text.data() length:text.size() encoding:NSUTF8StringEncoding];
}

// The service's error as it is: domain, code and the description the user
// reads. A failure reported without an error object keeps `domain`.
inline PlatformError platformErrorOf(NSError* error, std::string domain) {
    if (!error) return PlatformError{std::move(domain), -1, "系统服务失败，没有说明原因"};
    return PlatformError{utf8FromNSString(error.domain), static_cast<long>(error.code),
                         utf8FromNSString(error.localizedDescription)};
}

}  // namespace macos
