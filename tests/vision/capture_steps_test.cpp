// The capture's requests in order with a scripted capture service, the
// recogniser's observations as fragments, and the completion hand-off.

#include "vision/capture_steps.h"
#include "vision/completion_once.h"
#include "vision/text_observations.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace AmapVisionReader;

namespace {

constexpr const char* amap = "com.autonavi.amap";

// The request every image is asked with: scaled to fit, no shadow, no cursor.
capture::ImageRequest fitted(std::size_t window, int width, int height) {
    return {.window = window, .pixelWidth = width, .pixelHeight = height, .showsCursor = false,
            .scalesToFit = true, .ignoresShadow = true};
}

class ScriptedService final : public capture::CaptureService {
public:
    ScriptedService(Expected<std::vector<capture::ListedWindow>, PlatformError> windows,
                    std::optional<PlatformError> captureError)
        : windows_(std::move(windows)), captureError_(std::move(captureError)) {}

    Expected<std::vector<capture::ListedWindow>, PlatformError> onScreenWindows() override { return windows_; }

    Expected<WindowImage, PlatformError> captureImage(const capture::ImageRequest& request) override {
        requests.push_back(request);
        if (captureError_) return *captureError_;
        const auto bytes = static_cast<std::size_t>(request.pixelWidth) * request.pixelHeight * 4;
        return WindowImage{request.pixelWidth, request.pixelHeight, std::vector<std::uint8_t>(bytes)};
    }

    std::vector<capture::ImageRequest> requests;

private:
    Expected<std::vector<capture::ListedWindow>, PlatformError> windows_;
    std::optional<PlatformError> captureError_;
};

const PlatformError notAllowed{"com.apple.ScreenCaptureKit.SCStreamErrorDomain", -3801, "用户拒绝了屏幕录制"};
const PlatformError captureBroke{"com.apple.ScreenCaptureKit.SCStreamErrorDomain", -3805, "无法截取"};

TEST(CaptureSteps, AsksForTheChosenWindowAtTwiceItsPointsScaledToFitAndPassesErrorsOn) {
    using W = capture::ListedWindow;
    const struct {
        const char* name;
        Expected<std::vector<W>, PlatformError> windows;
        std::optional<PlatformError> captureError;
        std::vector<capture::ImageRequest> requests;
        std::optional<VisionError> error;
    } cases[] = {
        {"largest of the application's windows",
         std::vector<W>{{amap, 400, 300}, {"com.other", 3000, 2000}, {amap, 1200, 800}}, {}, {fitted(2, 2400, 1600)}, {}},
        {"first on equal areas", std::vector<W>{{amap, 800, 600}, {amap, 600, 800}}, {}, {fitted(0, 1600, 1200)}, {}},
        {"fractional points truncated", std::vector<W>{{amap, 1440, 900.6}}, {}, {fitted(0, 2880, 1801)}, {}},
        {"the image is the frame alone filling the size: scaled up to fit, no shadow, no cursor",
         std::vector<W>{{amap, 1440, 900}}, {},
         {{.window = 0, .pixelWidth = 2880, .pixelHeight = 1800, .showsCursor = false, .scalesToFit = true,
           .ignoresShadow = true}},
         {}},
        {"a window without an owning application never qualifies", std::vector<W>{{std::nullopt, 1200, 800}}, {}, {},
         VisionError(AmapVisionReaderError::windowNotFound)},
        {"300 by 251 is too narrow", std::vector<W>{{amap, 300, 251}}, {}, {},
         VisionError(AmapVisionReaderError::windowNotFound)},
        {"no windows", std::vector<W>{}, {}, {}, VisionError(AmapVisionReaderError::windowNotFound)},
        {"listing fails: the service's error, nothing captured", notAllowed, {}, {}, VisionError(notAllowed)},
        {"capture fails: the service's error", std::vector<W>{{amap, 301, 251}}, captureBroke, {fitted(0, 602, 502)},
         VisionError(captureBroke)},
    };
    for (const auto& c : cases) {
        ScriptedService service(c.windows, c.captureError);
        const auto image = capture::captureLargestWindow(service, amap);
        EXPECT_EQ(service.requests, c.requests) << c.name;
        if (c.error) {
            ASSERT_FALSE(image) << c.name;
            EXPECT_EQ(image.error(), *c.error) << c.name;
        } else {
            ASSERT_TRUE(image) << c.name;
            EXPECT_EQ(image->width, c.requests.back().pixelWidth) << c.name;
        }
    }
}

TEST(TextObservations, BestReadingsTrimmedBlankOnesDroppedOrderAndBoxesKept) {
    const NormalizedRect a{0.1, 0.8, 0.2, 0.05};
    const NormalizedRect b{0.5, 0.2, 0.3, 0.04};
    const NormalizedRect c{0.3, 0.5, 0.1, 0.03};
    const std::vector<recognition::TextObservation> observations{
        {" 方案一\n", a}, {std::nullopt, b}, {"\u3000 \t", b}, {"7小时 20分", c}, {"天津港", a}};
    const auto fragments = recognition::fragmentsFromObservations(observations);
    ASSERT_EQ(fragments.size(), 3u);
    const struct {
        const char* text;
        NormalizedRect box;
    } expected[] = {{"方案一", a}, {"7小时 20分", c}, {"天津港", a}};
    for (std::size_t i = 0; i < fragments.size(); ++i) {
        EXPECT_EQ(fragments[i].text, expected[i].text);
        EXPECT_EQ(fragments[i].box.x, expected[i].box.x);
        EXPECT_EQ(fragments[i].box.y, expected[i].box.y);
        EXPECT_EQ(fragments[i].box.width, expected[i].box.width);
        EXPECT_EQ(fragments[i].box.height, expected[i].box.height);
    }
}

TEST(TextObservations, NothingRecognisedIsRecognitionFailed) {
    const std::vector<recognition::TextObservation> blank{{"  ", {0, 0, 1, 1}}, {std::nullopt, {0, 0, 1, 1}}};
    for (const auto& observations : {std::vector<recognition::TextObservation>{}, blank}) {
        const auto strings = recognition::routeStringsFromFragments(recognition::fragmentsFromObservations(observations),
                                                                  AmapVisionReader::referenceWindow);
        ASSERT_FALSE(strings);
        EXPECT_EQ(strings.error(), VisionError(AmapVisionReaderError::recognitionFailed));
    }
    const auto strings = recognition::routeStringsFromFragments({AmapRecognizedFragment("天津港", {0.1, 0.9, 0.2, 0.03})},
                                                              AmapVisionReader::referenceWindow);
    ASSERT_TRUE(strings);
    EXPECT_FALSE(strings->empty());
}

TEST(CompletionOnce, TheFirstOutcomeWinsAndALateOneIsHarmless) {
    const struct {
        const char* name;
        std::vector<int> deliveries;
        std::optional<int> waited;
    } cases[] = {
        {"one outcome", {7}, 7},
        {"called twice: the first stays", {7, 8}, 7},
        {"never called: nothing within the limit", {}, std::nullopt},
    };
    for (const auto& c : cases) {
        completion::Once<int> once;
        for (std::size_t i = 0; i < c.deliveries.size(); ++i) EXPECT_EQ(once.deliver(c.deliveries[i]), i == 0) << c.name;
        EXPECT_EQ(once.waitFor(std::chrono::milliseconds(0)), c.waited) << c.name;
    }
    // A handler that answers after the waiter gave up and went away.
    std::thread handler;
    {
        completion::Once<std::string> waiter;
        EXPECT_EQ(waiter.waitFor(std::chrono::milliseconds(0)), std::nullopt);
        handler = std::thread([copy = waiter]() mutable { EXPECT_TRUE(copy.deliver("image")); });
    }
    handler.join();
}

}  // namespace
