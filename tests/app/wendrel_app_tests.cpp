// WendrelApp's read workflow, result output, failure and permission display
// against fake desktop services and a fake window: no toolkit, no display.

#include "app/wendrel_app.h"
#include "fake_services.h"
#include "fake_window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <limits>
#include <mutex>
#include <thread>
#include <algorithm>

namespace {

using wendrel::NamedColor;

const std::string panelText =
    "天津港\n石家庄物流园\n方案一\n4小时20分\n312.5公里\n¥268\n免费方案\n4小时45分\n298公里\n方案三\n4小时30分\n305.8公里";
const std::string otherPanelText = "方案一\n2小时\n100公里\n¥5";
const std::string firstFailureLine = "没有找到完整的货车路线结果。请确认高德当前显示了货车路线方案后重试。\n";
const std::string mapNotRunning = "没有找到正在运行的高德地图，请先打开 Mac 高德地图。";
const std::string screenRefused = "请在系统设置 → 隐私与安全性 → 屏幕与系统音频录制中允许本助手，然后重新打开助手。";
const std::string initialResult = "请先在高德地图选择“货车 → 重型货车 → 开始路线规划”。";
const std::string recognitionTimedOut =
    "屏幕文字识别超过 30 秒仍未完成，系统的文字识别可能卡住了。请退出 Wendrel 并重新打开，然后再读取。";
const std::string recognitionStillHangs =
    "上一次屏幕文字识别仍未完成，系统的文字识别卡住了。请退出 Wendrel 并重新打开，然后再读取。";
const std::string recogniserNotReady = "系统的文字识别没能准备好。请退出 Wendrel 并重新打开，然后再读取。";


class WendrelAppTest : public ::testing::Test {
protected:
    void launch() {
        app = std::make_unique<WendrelApp>(desktop.services(), window, recognitionLimit);
        app->applicationDidFinishLaunching();
    }

    // Runs the main thread's hand-offs until `done` holds; fails the test
    // after five seconds.
    template <class Predicate>
    void waitUntil(Predicate done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!done() && std::chrono::steady_clock::now() < deadline) {
            window.runPosted();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(done()) << "timed out";
    }

    // Until `count` recognitions (warm-ups included) have ended and the
    // guard has taken each one's end in.
    void waitForRecognitionsEnded(int count) {
        waitUntil([&] { return desktop.recognitionsEnded == count && !app->recognitionRunning(); });
    }

    void read() {
        window.pressRead();
        waitUntil([&] { return !app->readTaskRunning(); });
    }

    void expectFailure(const std::string& message) {
        EXPECT_EQ(window.status, "未能读取");
        EXPECT_EQ(window.statusColor, NamedColor::red);
        EXPECT_EQ(window.route, "尚未复制结果");
        EXPECT_EQ(window.result, message);
        EXPECT_EQ(desktop.alerts, 1);
        EXPECT_EQ(desktop.successSounds, 0);
        EXPECT_TRUE(window.readEnabled);
        EXPECT_FALSE(app->lastPayload().has_value());
        EXPECT_FALSE(desktop.clipboard.has_value());
    }

    void expectSuccess() {
        EXPECT_EQ(window.status, "✓ 已读取并复制，可以回到运费网站导入");
        EXPECT_EQ(window.statusColor, NamedColor::green);
        EXPECT_EQ(window.route, "天津港 → 石家庄物流园");
        EXPECT_EQ(window.result.substr(0, 12), "1. 方案一");
        EXPECT_EQ(std::count(window.result.begin(), window.result.end(), '\n'), 2);
        ASSERT_TRUE(app->lastPayload().has_value());
        ASSERT_TRUE(desktop.clipboard.has_value());
        EXPECT_EQ(*desktop.clipboard, payloadText(*app->lastPayload()).value());
        EXPECT_EQ(desktop.clipboard->rfind("WENDREL_V1:{\"destination\":\"石家庄物流园\"", 0), 0u);
        EXPECT_EQ(desktop.successSounds, 1);
        EXPECT_EQ(desktop.alerts, 0);
        EXPECT_TRUE(window.readEnabled);
    }

    std::shared_ptr<FakeDesktop> sharedDesktop = std::make_shared<FakeDesktop>();
    FakeDesktop& desktop = *sharedDesktop;
    std::chrono::milliseconds recognitionLimit = wendrel::recognitionTimeLimit;
    FakeWindow window;
    std::unique_ptr<WendrelApp> app;
};

// ---- Launch ----




struct LaunchCase {
    const char* name;
    bool trusted;
    bool screen;
    std::string status;
    NamedColor color;
    std::string result;
    bool settingsShown;
    friend void PrintTo(const LaunchCase& c, std::ostream* os) { *os << c.name; }
};

class LaunchPermissionTest : public WendrelAppTest, public ::testing::WithParamInterface<LaunchCase> {};

TEST_P(LaunchPermissionTest, ShowsThePermissionStateWithoutPrompting) {
    const LaunchCase& c = GetParam();
    desktop.trusted = c.trusted;
    desktop.screenPreflight = c.screen;
    launch();
    EXPECT_EQ(desktop.trustPrompts, std::vector<bool>{false});
    EXPECT_EQ(desktop.preflightCalls, 1);
    EXPECT_EQ(desktop.requestCalls, 0);
    EXPECT_EQ(window.status, c.status);
    EXPECT_EQ(window.statusColor, c.color);
    EXPECT_EQ(window.result, c.result);
    EXPECT_EQ(window.settingsShown, c.settingsShown);
    EXPECT_EQ(window.settingsTitle, "打开屏幕录制设置");
    EXPECT_EQ(app->permissionSettings(), "screen");
    EXPECT_TRUE(window.readEnabled);
    EXPECT_EQ(window.route, "尚未读取路线");
}

INSTANTIATE_TEST_SUITE_P(
    ThreeStates, LaunchPermissionTest,
    ::testing::Values(
        LaunchCase{"AccessibilityScreenToo", true, true, "✓ 可直接读取高德窗口", NamedColor::green, initialResult, false},
        LaunchCase{"AccessibilityOnly", true, false, "✓ 可直接读取高德窗口", NamedColor::green, initialResult, false},
        LaunchCase{"ScreenOnly", false, true, "✓ 可使用本机视觉识别", NamedColor::green, initialResult, false},
        LaunchCase{"Neither", false, false, "首次读取需要授权", NamedColor::orange,
                   "点击“读取”后，允许录制高德地图窗口。助手只在本机识别当前高德窗口，不保存、不上传截图。", true}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(WendrelAppTest, SettingsButtonOpensTheScreenCapturePage) {
    desktop.trusted = false;
    desktop.screenPreflight = false;
    launch();
    window.pressSettings();
    EXPECT_EQ(desktop.settingsOpened, std::vector<std::string>{"screen"});
}

// ---- Read outcomes ----

TEST_F(WendrelAppTest, NoRunningMapFailsAtOnceWithoutReading) {
    launch();
    desktop.pids.clear();
    window.pressRead();
    expectFailure(mapNotRunning);
    EXPECT_EQ(window.statuses.back(), "未能读取");
    EXPECT_EQ(std::count(window.statuses.begin(), window.statuses.end(), "正在读取高德地图…"), 0);
    EXPECT_EQ(desktop.preflightCalls, 1);  // the launch check only
    EXPECT_EQ(desktop.trustPrompts.size(), 1u);
    EXPECT_EQ(desktop.captures, 0);
    EXPECT_EQ(window.disables, 0);
}

TEST_F(WendrelAppTest, RefusedScreenCaptureShowsTheSettingsButton) {
    launch();
    desktop.screenPreflight = false;
    desktop.screenRequest = false;
    window.pressRead();
    expectFailure(screenRefused);
    EXPECT_EQ(desktop.requestCalls, 1);
    EXPECT_TRUE(window.settingsShown);
    EXPECT_EQ(window.settingsTitle, "打开屏幕录制设置");
    EXPECT_EQ(app->permissionSettings(), "screen");
    EXPECT_EQ(desktop.captures, 0);
    EXPECT_EQ(window.disables, 0);
}

struct ScreenFailureCase {
    const char* name;
    std::optional<VisionError> captureError;
    std::optional<VisionError> recognitionError;
    std::vector<std::string> recognized;
    std::string description;
    friend void PrintTo(const ScreenFailureCase& c, std::ostream* os) { *os << c.name; }
};

class ScreenFailureTest : public WendrelAppTest, public ::testing::WithParamInterface<ScreenFailureCase> {};

TEST_P(ScreenFailureTest, EnablesTheButtonThenShowsTheTwoLineMessage) {
    const ScreenFailureCase& c = GetParam();
    desktop.captureError = c.captureError;
    desktop.recognitionError = c.recognitionError;
    desktop.recognizedStrings = c.recognized;
    launch();
    std::vector<bool> enabledAtAlert;
    desktop.onAlert = [&] { enabledAtAlert.push_back(window.readEnabled); };
    read();
    expectFailure(firstFailureLine + c.description);
    EXPECT_EQ(enabledAtAlert, std::vector<bool>{true});
    EXPECT_EQ(window.disables, 1);
    EXPECT_EQ(desktop.requestCalls, 0);  // preflight already allowed it
}

INSTANTIATE_TEST_SUITE_P(
    EveryStage, ScreenFailureTest,
    ::testing::Values(
        ScreenFailureCase{"WindowNotFound", VisionError(AmapVisionReaderError::windowNotFound), std::nullopt, {},
                          "没有找到高德地图窗口"},
        ScreenFailureCase{"CaptureServiceError", VisionError(PlatformError{"X11", 8, "BadMatch (invalid parameter attributes)"}),
                          std::nullopt, {}, "BadMatch (invalid parameter attributes)"},
        ScreenFailureCase{"NothingRecognised", std::nullopt, VisionError(AmapVisionReaderError::recognitionFailed), {},
                          "没有识别到高德路线文字"},
        ScreenFailureCase{"RecogniserError", std::nullopt, VisionError(PlatformError{"Tesseract", 1, "语言数据缺失"}), {},
                          "语言数据缺失"},
        ScreenFailureCase{"TextWithoutRoute", std::nullopt, std::nullopt, {"高德地图", "天津港"},
                          "没有识别到高德路线文字"}),
    [](const auto& param) { return std::string(param.param.name); });

struct SuccessCase {
    const char* name;
    bool trusted;
    std::vector<std::string> accessibilityStrings;
    bool preflight;
    bool request;
    std::vector<std::int32_t> harvested;  // pids the accessibility walk read
    int captures;                         // also the times the read button was disabled
    int requests;
    friend void PrintTo(const SuccessCase& c, std::ostream* os) { *os << c.name; }
};

class SuccessPathTest : public WendrelAppTest, public ::testing::WithParamInterface<SuccessCase> {};

TEST_P(SuccessPathTest, ReadsThroughTheRightPath) {
    const SuccessCase& c = GetParam();
    desktop.pids = {7, 8};
    desktop.trusted = c.trusted;
    desktop.accessibilityStrings = c.accessibilityStrings;
    desktop.recognizedStrings = {panelText};
    launch();
    desktop.screenPreflight = c.preflight;
    desktop.screenRequest = c.request;
    const int launchPreflights = desktop.preflightCalls;
    read();
    expectSuccess();
    EXPECT_EQ(desktop.harvestedPids, c.harvested);
    EXPECT_EQ(desktop.captures, c.captures);
    EXPECT_EQ(window.disables, c.captures);
    EXPECT_EQ(desktop.requestCalls, c.requests);
    // No screen-capture check at all when the accessibility text was enough.
    if (c.captures == 0) {
        EXPECT_EQ(desktop.preflightCalls, launchPreflights);
    }
}

INSTANTIATE_TEST_SUITE_P(
    EitherPath, SuccessPathTest,
    ::testing::Values(
        SuccessCase{"AccessibilityTextSuffices", true, {"高德地图", panelText}, false, false, {7}, 0, 0},
        SuccessCase{"AccessibilityTextWithoutRoute", true, {"高德地图"}, true, false, {7}, 1, 0},
        SuccessCase{"UntrustedAndCaptureAllowed", false, {panelText}, true, false, {}, 1, 0},
        SuccessCase{"UntrustedAndCaptureGrantedOnRequest", false, {panelText}, false, true, {}, 1, 1}),
    [](const auto& param) { return std::string(param.param.name); });

struct CaptureAccessCase {
    const char* name;
    bool preflight;
    bool request;
    std::vector<std::string> calls;
    bool captured;
    friend void PrintTo(const CaptureAccessCase& c, std::ostream* os) { *os << c.name; }
};

class CaptureAccessOrderTest : public WendrelAppTest, public ::testing::WithParamInterface<CaptureAccessCase> {};

// Without a grant the request alone may neither prompt nor list Wendrel, so
// the capture service is asked too; the request's answer decides.
TEST_P(CaptureAccessOrderTest, AsksTheCaptureServiceAfterARequest) {
    const CaptureAccessCase& c = GetParam();
    desktop.recognizedStrings = {panelText};
    launch();
    desktop.screenPreflight = c.preflight;
    desktop.screenRequest = c.request;
    desktop.captureAccessCalls.clear();
    read();
    EXPECT_EQ(desktop.captureAccessCalls, c.calls);
    EXPECT_EQ(desktop.captures, c.captured ? 1 : 0);
    if (!c.captured) {
        expectFailure(screenRefused);
        EXPECT_TRUE(window.settingsShown);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Grants, CaptureAccessOrderTest,
    ::testing::Values(CaptureAccessCase{"AllowedAlready", true, false, {"preflight"}, true},
                      CaptureAccessCase{"GrantedOnRequest", false, true,
                                        {"preflight", "request", "ask capture service"}, true},
                      CaptureAccessCase{"Refused", false, false, {"preflight", "request", "ask capture service"}, false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(WendrelAppTest, ARecognitionThatHangsFailsTheReadAndTheNextOneAtOnce) {
    recognitionLimit = std::chrono::milliseconds(100);
    desktop.recognizedStrings = {panelText};
    CaptureGate gate;
    desktop.recognitionHook = gate.hook();
    launch();
    waitForRecognitionsEnded(1);  // the launch's warm-up
    read();
    expectFailure(recognitionTimedOut);

    // The stuck request keeps its thread; no second one is started.
    window.pressRead();
    EXPECT_FALSE(app->readTaskRunning());
    EXPECT_EQ(window.result, recognitionStillHangs);
    EXPECT_EQ(desktop.captures, 1);
    EXPECT_EQ(desktop.recognitions, 1);
    EXPECT_TRUE(window.readEnabled);

    // Once it has come back, reads work again.
    gate.release();
    waitForRecognitionsEnded(2);
    read();
    EXPECT_EQ(window.status, "✓ 已读取并复制，可以回到运费网站导入");
    EXPECT_EQ(desktop.recognitions, 2);
}

struct WarmUpCase {
    const char* name;
    bool trusted;
    bool screen;
    int warmUps;
    friend void PrintTo(const WarmUpCase& c, std::ostream* os) { *os << c.name; }
};

class WarmUpTest : public WendrelAppTest, public ::testing::WithParamInterface<WarmUpCase> {};

TEST_P(WarmUpTest, TheRecogniserIsReadiedAtLaunchWhenScreenRecordingIsGranted) {
    const WarmUpCase& c = GetParam();
    desktop.trusted = c.trusted;
    desktop.screenPreflight = c.screen;
    launch();
    waitForRecognitionsEnded(c.warmUps);
    EXPECT_EQ(desktop.warmUps, c.warmUps);
}

INSTANTIATE_TEST_SUITE_P(Grants, WarmUpTest,
                         ::testing::Values(WarmUpCase{"ScreenRecording", false, true, 1},
                                           WarmUpCase{"BothGrants", true, true, 1},
                                           WarmUpCase{"AccessibilityOnly", true, false, 0},
                                           WarmUpCase{"Neither", false, false, 0}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(WendrelAppTest, AReadWaitsForTheWarmUpInsteadOfStartingASecondRequest) {
    desktop.recognizedStrings = {panelText};
    CaptureGate gate;
    desktop.warmUpHook = gate.hook();
    launch();
    window.pressRead();
    waitUntil([&] { return desktop.captures == 1; });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(desktop.recognitions, 0);
    gate.release();
    waitUntil([&] { return !app->readTaskRunning(); });
    expectSuccess();
    EXPECT_EQ(desktop.recognitions, 1);
}

TEST_F(WendrelAppTest, AFailedWarmUpMakesEveryScreenReadSayToReopen) {
    desktop.warmUpError = VisionError(PlatformError{"Vision", 13, "e5rt execution stream failed"});
    launch();
    waitForRecognitionsEnded(1);
    window.pressRead();
    expectFailure(recogniserNotReady);
    EXPECT_EQ(desktop.captures, 0);
    EXPECT_EQ(window.disables, 0);
}

TEST_F(WendrelAppTest, WhileReadingOnlyTheStatusChangesAndTheButtonIsDisabled) {
    desktop.recognizedStrings = {panelText};
    launch();
    CaptureGate gate;
    desktop.captureHook = gate.hook();
    window.pressRead();
    EXPECT_TRUE(app->readTaskRunning());
    EXPECT_FALSE(window.readEnabled);
    EXPECT_EQ(window.status, "正在读取高德地图…");
    EXPECT_EQ(window.statusColor, NamedColor::blue);
    EXPECT_EQ(window.route, "尚未读取路线");
    EXPECT_EQ(window.result, initialResult);
    // A second press (Return, or a click already queued) starts nothing.
    app->readAmap();
    gate.release();
    waitUntil([&] { return !app->readTaskRunning(); });
    expectSuccess();
    EXPECT_EQ(desktop.captures, 1);
}

TEST_F(WendrelAppTest, SecondSuccessReplacesEverythingAndFailureKeepsIt) {
    desktop.recognizedStrings = {panelText};
    launch();
    read();
    const std::string firstPayload = *desktop.clipboard;

    desktop.recognizedStrings = {otherPanelText};
    read();
    EXPECT_NE(*desktop.clipboard, firstPayload);
    EXPECT_EQ(app->lastPayload()->options().size(), 1u);
    EXPECT_EQ(window.route, "");
    EXPECT_EQ(window.result, "1. 方案一\u3000100 km\u30002小时0分\u3000¥5");
    const std::string secondPayload = *desktop.clipboard;

    desktop.recognizedStrings = {"无关文字"};
    read();
    EXPECT_EQ(window.status, "未能读取");
    EXPECT_EQ(*desktop.clipboard, secondPayload);
    EXPECT_EQ(app->lastPayload()->options().size(), 1u);
}

TEST_F(WendrelAppTest, PayloadThatCannotBeBuiltIsShownAsFailure) {
    launch();
    window.setReadEnabled(false);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    app->copyAndRender(AmapReadResult("甲", "乙", {AmapRouteOption("方案一", 60, nan, std::nullopt)},
                                      "amap-mac-accessibility", "重型货车", "2026-12-06T08:51:08Z"));
    EXPECT_EQ(window.result.rfind("结果生成失败：", 0), 0u);
    EXPECT_GT(window.result.size(), std::string("结果生成失败：").size());
    EXPECT_EQ(desktop.alerts, 1);
    EXPECT_TRUE(window.readEnabled);
    EXPECT_FALSE(desktop.clipboard.has_value());
    EXPECT_FALSE(app->lastPayload().has_value());
}

TEST_F(WendrelAppTest, RefusedClipboardWriteIsAFailure) {
    desktop.recognizedStrings = {panelText};
    launch();
    read();
    const auto stored = app->lastPayload();
    desktop.clipboardAccepts = false;
    desktop.recognizedStrings = {otherPanelText};
    std::vector<bool> enabledAtAlert;
    desktop.onAlert = [&] { enabledAtAlert.push_back(window.readEnabled); };
    read();
    EXPECT_EQ(window.status, "未能读取");
    EXPECT_EQ(window.route, "尚未复制结果");
    EXPECT_EQ(window.result, "结果复制失败：无法写入剪贴板。");
    EXPECT_EQ(enabledAtAlert, std::vector<bool>{true});
    EXPECT_EQ(app->lastPayload(), stored);
    EXPECT_EQ(desktop.successSounds, 1);
}


// ---- Shutting down while a read runs ----


TEST_F(WendrelAppTest, QuittingWaitsForARunningRecognitionWithinItsLimit) {
    desktop.recognizedStrings = {panelText};
    CaptureGate gate;
    desktop.recognitionHook = gate.hook();
    launch();
    waitForRecognitionsEnded(1);  // the launch's warm-up
    window.pressRead();
    waitUntil([&] { return app->recognitionRunning(); });
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        gate.release();
    });
    app.reset();
    // The recognition ended before the application was gone, not after.
    EXPECT_EQ(desktop.recognitionsEnded, 2);
    releaser.join();
}

TEST_F(WendrelAppTest, QuittingWhileAHandOffWaitsDoesNotHang) {
    desktop.captureError = VisionError(AmapVisionReaderError::windowNotFound);
    launch();
    window.pressRead();
    // The task hands off to a main thread that no longer runs its event loop
    // and waits there until the application goes away.
    while (desktop.captures == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    app.reset();
    window.runPosted();
    EXPECT_EQ(desktop.alerts, 0);
}

}  // namespace
