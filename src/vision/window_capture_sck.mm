// Window capture with ScreenCaptureKit: the on-screen windows (desktop
// windows not excluded), then one image of the chosen window by itself,
// scaled to fill exactly the size asked for, without shadow or cursor. Which
// window, what size and which settings is decided in capture_steps.cpp.
//
// Both requests answer through completion handlers on the service's own
// threads. Each handler hands its outcome over exactly once; the read task
// waits for it at most `requestTimeLimit`, and a handler that comes later
// finds nobody waiting and changes nothing.

#import <CoreGraphics/CoreGraphics.h>
#import <ScreenCaptureKit/ScreenCaptureKit.h>

#include "platform/macos/cf_ref.h"
#include "platform/macos/ns_bridge.h"
#include "vision/capture_steps.h"
#include "vision/completion_once.h"
#include "vision/window_capture.h"

#include <chrono>
#include <optional>

namespace AmapVisionReader {
namespace {

using macos::CfRef;

// The window list comes within a fraction of a second and one image within
// about one; a request still unanswered after this long will not be.
constexpr std::chrono::seconds requestTimeLimit{10};

struct ListOutcome {
    NSArray<SCWindow*>* windows = nil;
    std::optional<PlatformError> error;
};

// The image's pixels as 8-bit RGBA, top row first.
std::optional<WindowImage> rgbaOf(CGImageRef image) {
    const std::size_t width = CGImageGetWidth(image);
    const std::size_t height = CGImageGetHeight(image);
    if (width == 0 || height == 0 || width > 1'000'000 || height > 1'000'000) return std::nullopt;
    WindowImage pixels{static_cast<int>(width), static_cast<int>(height), std::vector<std::uint8_t>(width * height * 4)};
    const CfRef<CGColorSpaceRef> sRGB(CGColorSpaceCreateWithName(kCGColorSpaceSRGB));
    const uint32_t layout = static_cast<uint32_t>(kCGImageAlphaPremultipliedLast) | kCGBitmapByteOrder32Big;
    const CfRef<CGContextRef> context(
        CGBitmapContextCreate(pixels.rgba.data(), width, height, 8, width * 4, sRGB.get(), layout));
    if (!context) return std::nullopt;
    CGContextDrawImage(context.get(), CGRectMake(0, 0, static_cast<CGFloat>(width), static_cast<CGFloat>(height)), image);
    return pixels;
}

// Without scalesToFit the service only scales down: on a 1x display a window
// has half the pixels asked for and would sit in a corner of a blank image.
// ignoreShadowsSingleWindow (macOS 14) keeps the shadow out of the image.
SCStreamConfiguration* configurationFor(const capture::ImageRequest& request) {
    SCStreamConfiguration* configuration = [[SCStreamConfiguration alloc] init];
    configuration.width = static_cast<std::size_t>(request.pixelWidth);
    configuration.height = static_cast<std::size_t>(request.pixelHeight);
    configuration.showsCursor = request.showsCursor;
    configuration.scalesToFit = request.scalesToFit;
    configuration.ignoreShadowsSingleWindow = request.ignoresShadow;
    return configuration;
}

class ScreenCaptureKitService final : public capture::CaptureService {
public:
    Expected<std::vector<capture::ListedWindow>, PlatformError> onScreenWindows() override {
        const completion::Once<ListOutcome> once;
        [SCShareableContent getShareableContentExcludingDesktopWindows:NO
                                                   onScreenWindowsOnly:YES
                                                     completionHandler:^(SCShareableContent* content, NSError* error) {
                                                       if (content)
                                                           once.deliver(ListOutcome{content.windows, std::nullopt});
                                                       else
                                                           once.deliver(ListOutcome{
                                                               nil, macos::platformErrorOf(error, "ScreenCaptureKit")});
                                                     }];
        std::optional<ListOutcome> outcome = once.waitFor(requestTimeLimit);
        if (!outcome) return capture::captureServiceSilent("窗口列表");
        if (outcome->error) return *outcome->error;
        windows_ = outcome->windows;

        std::vector<capture::ListedWindow> listed;
        for (SCWindow* window in windows_) {
            SCRunningApplication* owner = window.owningApplication;
            const CGRect frame = window.frame;
            listed.push_back({owner ? std::optional(macos::utf8FromNSString(owner.bundleIdentifier)) : std::nullopt,
                              frame.size.width, frame.size.height});
        }
        return listed;
    }

    Expected<WindowImage, PlatformError> captureImage(const capture::ImageRequest& request) override {
        if (!windows_ || request.window >= windows_.count)
            return PlatformError{"ScreenCaptureKit", -1, "要截取的窗口已不在列表中"};
        SCContentFilter* filter = [[SCContentFilter alloc] initWithDesktopIndependentWindow:windows_[request.window]];
        SCStreamConfiguration* configuration = configurationFor(request);

        const completion::Once<Expected<WindowImage, PlatformError>> once;
        [SCScreenshotManager captureImageWithFilter:filter
                                      configuration:configuration
                                  completionHandler:^(CGImageRef image, NSError* error) {
                                    // The image belongs to the service and lives only as long as the
                                    // handler runs, so its pixels are copied out here.
                                    if (!image) {
                                        once.deliver(macos::platformErrorOf(error, "ScreenCaptureKit"));
                                        return;
                                    }
                                    std::optional<WindowImage> pixels = rgbaOf(image);
                                    if (pixels)
                                        once.deliver(std::move(*pixels));
                                    else
                                        once.deliver(PlatformError{"CoreGraphics", -1, "无法读取截取的窗口画面"});
                                  }];
        std::optional<Expected<WindowImage, PlatformError>> outcome = once.waitFor(requestTimeLimit);
        if (!outcome) return capture::captureServiceSilent("窗口画面");
        return std::move(*outcome);
    }

private:
    NSArray<SCWindow*>* windows_ = nil;
};

}  // namespace

Expected<WindowImage, VisionError> captureWindow(std::string_view bundleIdentifier) {
    @autoreleasepool {
        ScreenCaptureKitService service;
        return capture::captureLargestWindow(service, bundleIdentifier);
    }
}

}  // namespace AmapVisionReader
