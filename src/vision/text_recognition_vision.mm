// On-device text recognition with Vision: one accurate pass over the whole
// window image, Simplified Chinese first, language correction on, the best
// reading of every observation with its normalised, lower-left-origin box.
// What becomes of the observations is decided in text_observations.cpp.

#import <CoreGraphics/CoreGraphics.h>
#import <CoreText/CoreText.h>
#import <Vision/Vision.h>

#include "platform/macos/cf_ref.h"
#include "platform/macos/ns_bridge.h"
#include "vision/text_observations.h"
#include "vision/text_recognition.h"

namespace AmapVisionReader {
namespace {

using macos::CfRef;

bool isComplete(const WindowImage& image) {
    return image.width > 0 && image.height > 0 &&
           image.rgba.size() == static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4;
}

// A CGImage over a copy of the RGBA bytes; the alpha byte is ignored.
CfRef<CGImageRef> cgImageOf(const WindowImage& image) {
    const CfRef<CFDataRef> bytes(
        CFDataCreate(kCFAllocatorDefault, image.rgba.data(), static_cast<CFIndex>(image.rgba.size())));
    if (!bytes) return {};
    const CfRef<CGDataProviderRef> provider(CGDataProviderCreateWithCFData(bytes.get()));
    const CfRef<CGColorSpaceRef> sRGB(CGColorSpaceCreateWithName(kCGColorSpaceSRGB));
    if (!provider || !sRGB) return {};
    const auto width = static_cast<std::size_t>(image.width);
    const auto height = static_cast<std::size_t>(image.height);
    const CGBitmapInfo layout = static_cast<CGBitmapInfo>(kCGImageAlphaNoneSkipLast) | kCGBitmapByteOrderDefault;
    return CfRef<CGImageRef>(CGImageCreate(width, height, 8, 32, width * 4, sRGB.get(), layout, provider.get(), nullptr,
                                           false, kCGRenderingIntentDefault));
}

recognition::TextObservation observationOf(VNRecognizedTextObservation* observation) {
    recognition::TextObservation result;
    VNRecognizedText* best = [observation topCandidates:1].firstObject;
    if (best) result.topCandidate = macos::utf8FromNSString(best.string);
    const CGRect box = observation.boundingBox;
    result.boundingBox = NormalizedRect{box.origin.x, box.origin.y, box.size.width, box.size.height};
    return result;
}

// A line of the panel's kind, black on white in the system's Chinese font:
// enough for Vision to run its accurate detector and recogniser once.
CfRef<CGImageRef> sampleLine() {
    constexpr std::size_t width = 480, height = 96;
    const CfRef<CGColorSpaceRef> sRGB(CGColorSpaceCreateWithName(kCGColorSpaceSRGB));
    const CfRef<CGContextRef> context(CGBitmapContextCreate(nullptr, width, height, 8, width * 4, sRGB.get(),
                                                            static_cast<uint32_t>(kCGImageAlphaNoneSkipLast)));
    if (!context) return {};
    CGContextSetRGBFillColor(context.get(), 1, 1, 1, 1);
    CGContextFillRect(context.get(), CGRectMake(0, 0, width, height));
    const CfRef<CTFontRef> font(CTFontCreateUIFontForLanguage(kCTFontUIFontSystem, 40, CFSTR("zh-Hans")));
    if (!font) return {};
    const void* keys[] = {kCTFontAttributeName, kCTForegroundColorFromContextAttributeName};
    const void* values[] = {font.get(), kCFBooleanTrue};
    const CfRef<CFDictionaryRef> attributes(CFDictionaryCreate(kCFAllocatorDefault, keys, values, 2,
                                                               &kCFTypeDictionaryKeyCallBacks,
                                                               &kCFTypeDictionaryValueCallBacks));
    const CfRef<CFAttributedStringRef> text(
        CFAttributedStringCreate(kCFAllocatorDefault, CFSTR("方案一 312.5公里"), attributes.get()));
    const CfRef<CTLineRef> line(CTLineCreateWithAttributedString(text.get()));
    CGContextSetRGBFillColor(context.get(), 0, 0, 0, 1);
    CGContextSetTextPosition(context.get(), 16, 30);
    CTLineDraw(line.get(), context.get());
    return CfRef<CGImageRef>(CGBitmapContextCreateImage(context.get()));
}

std::optional<PlatformError> performAccurateRequest(CGImageRef image, VNRecognizeTextRequest* request) {
    VNImageRequestHandler* handler = [[VNImageRequestHandler alloc] initWithCGImage:image options:@{}];
    NSError* error = nil;
    // Synchronous: when it returns YES the request's results are complete.
    if (![handler performRequests:@[ request ] error:&error]) return macos::platformErrorOf(error, "Vision");
    return std::nullopt;
}

VNRecognizeTextRequest* accurateRequest() {
    VNRecognizeTextRequest* request = [[VNRecognizeTextRequest alloc] init];
    request.recognitionLevel = VNRequestTextRecognitionLevelAccurate;
    request.recognitionLanguages = @[ @"zh-Hans", @"en-US" ];
    request.usesLanguageCorrection = YES;
    return request;
}

}  // namespace

Expected<std::vector<AmapRecognizedFragment>, VisionError> recognizeFragments(const WindowImage& image) {
    if (!isComplete(image)) return VisionError(PlatformError{"Vision", 1, "窗口画面为空或不完整，无法识别文字"});
    @autoreleasepool {
        const CfRef<CGImageRef> cgImage = cgImageOf(image);
        if (!cgImage) return VisionError(PlatformError{"CoreGraphics", 1, "无法把窗口画面交给文字识别"});

        VNRecognizeTextRequest* request = accurateRequest();
        if (auto error = performAccurateRequest(cgImage.get(), request)) return VisionError(std::move(*error));

        // Absent results (nil) enumerate as none.
        std::vector<recognition::TextObservation> observations;
        for (VNRecognizedTextObservation* observation in request.results) {
            observations.push_back(observationOf(observation));
        }
        return recognition::fragmentsFromObservations(observations);
    }
}

// Each read makes its own Vision request; nothing is kept between reads,
// and nothing needs loading ahead of one.
void prepareRecognition() {}

// The same accurate request as a read's, on one short line: Vision prepares
// its model on a process's first request, so the read after this one does
// not wait for it.
std::optional<VisionError> warmUpRecognition() {
    @autoreleasepool {
        const CfRef<CGImageRef> sample = sampleLine();
        // Without a sample the read's own request is the first: no fault of Vision.
        if (!sample) return std::nullopt;
        if (auto error = performAccurateRequest(sample.get(), accurateRequest())) return VisionError(std::move(*error));
        return std::nullopt;
    }
}

void releaseRecognitionModels() {}

Expected<std::vector<std::string>, VisionError> recognizeRouteStrings(const WindowImage& image) {
    auto fragments = recognizeFragments(image);
    if (!fragments) return fragments.error();
    return recognition::routeStringsFromFragments(fragments.value(), windowOfImage(image));
}

}  // namespace AmapVisionReader
