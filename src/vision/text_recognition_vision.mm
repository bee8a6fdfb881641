// On-device text recognition with Vision: one accurate pass over the whole
// window image, Simplified Chinese first, language correction on, the best
// reading of every observation with its normalised, lower-left-origin box.
// What becomes of the observations is decided in text_observations.cpp.

#import <CoreGraphics/CoreGraphics.h>
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

}  // namespace

Expected<std::vector<AmapRecognizedFragment>, VisionError> recognizeFragments(const WindowImage& image) {
    if (!isComplete(image)) return VisionError(PlatformError{"Vision", 1, "窗口画面为空或不完整，无法识别文字"});
    @autoreleasepool {
        const CfRef<CGImageRef> cgImage = cgImageOf(image);
        if (!cgImage) return VisionError(PlatformError{"CoreGraphics", 1, "无法把窗口画面交给文字识别"});

        VNRecognizeTextRequest* request = [[VNRecognizeTextRequest alloc] init];
        request.recognitionLevel = VNRequestTextRecognitionLevelAccurate;
        request.recognitionLanguages = @[ @"zh-Hans", @"en-US" ];
        request.usesLanguageCorrection = YES;

        VNImageRequestHandler* handler = [[VNImageRequestHandler alloc] initWithCGImage:cgImage.get() options:@{}];
        NSError* error = nil;
        // Synchronous: when it returns YES the request's results are complete.
        if (![handler performRequests:@[ request ] error:&error])
            return VisionError(macos::platformErrorOf(error, "Vision"));

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

void releaseRecognitionModels() {}

Expected<std::vector<std::string>, VisionError> recognizeRouteStrings(const WindowImage& image) {
    auto fragments = recognizeFragments(image);
    if (!fragments) return fragments.error();
    return recognition::routeStringsFromFragments(fragments.value(), windowOfImage(image));
}

}  // namespace AmapVisionReader
