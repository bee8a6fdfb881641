#include "app/wendrel_app.h"

#include "app/route_summary.h"
#include "app/window_elements.h"
#include "parser/amap_parser.h"

#include <chrono>

using wendrel::NamedColor;

namespace {

const char* const readingStatus = "正在读取高德地图…";
const char* const failedStatus = "未能读取";
const char* const noResultRoute = "尚未复制结果";
const char* const successStatus = "✓ 已读取并复制，可以回到运费网站导入";
const char* const mapNotRunning = "没有找到正在运行的高德地图，请先打开 Mac 高德地图。";
const char* const screenCaptureRefused =
    "请在系统设置 → 隐私与安全性 → 屏幕与系统音频录制中允许本助手，然后重新打开助手。";
const char* const payloadFailedPrefix = "结果生成失败：";
const char* const clipboardFailed = "结果复制失败：无法写入剪贴板。";

}  // namespace

WendrelApp::WendrelApp(wendrel::DesktopServices services, wendrel::MainWindow& window,
                       std::chrono::milliseconds recognitionLimit)
    : services_(std::move(services)),
      window_(window),
      screenReader_(std::move(services_.screenReader)),
      recognition_(screenReader_, recognitionLimit),
      handoff_([&window](std::function<void()> work) { window.postToMainThread(std::move(work)); }) {}

WendrelApp::~WendrelApp() { applicationWillTerminate(); }

void WendrelApp::applicationDidFinishLaunching() {
    window_.open({[this] { readAmap(); }, [this] { openPermissionSettings(); }});
    refreshPermissionState(false);
    // The recogniser's first request may take a minute; with Screen
    // Recording granted a read will need it, so it is readied now, off the
    // main thread, while the dispatcher plans the route.
    if (screenRecordingAtLaunch_) recognition_.warmUp();
}

void WendrelApp::applicationWillTerminate() {
    // Release a task that waits for a hand-off, then wait for it to end: it
    // touches nothing of ours once the gate is closed.
    handoff_.close();
    recognition_.close();
    joinReadTask();
}

void WendrelApp::showSettingsButton() { window_.showSettingsButton(wendrel::window::settingsButtonTitle); }

// ---- Permissions ----

void WendrelApp::refreshPermissionState(bool prompt) {
    const bool trusted = services_.accessibilityTrust->isTrusted(prompt);
    const bool screen = services_.screenCapture->preflight();
    screenRecordingAtLaunch_ = screen;
    if (trusted) {
        window_.setStatus("✓ 可直接读取高德窗口", NamedColor::green);
        window_.hideSettingsButton();
    } else if (screen) {
        window_.setStatus("✓ 可使用本机视觉识别", NamedColor::green);
        window_.hideSettingsButton();
    } else {
        window_.setStatus("首次读取需要授权", NamedColor::orange);
        window_.setResultText("点击“读取”后，允许录制高德地图窗口。助手只在本机识别当前高德窗口，不保存、不上传截图。");
        showSettingsButton();
        permissionSettings_ = "screen";
    }
    window_.setReadEnabled(true);
}

void WendrelApp::openPermissionSettings() { services_.settings->openPrivacySettings(permissionSettings_); }

// ---- Result output ----

void WendrelApp::copyAndRender(const AmapReadResult& result) {
    const auto payload = payloadText(result);
    if (!payload) {
        window_.setReadEnabled(true);
        showFailure(payloadFailedPrefix + payload.error().description);
        return;
    }
    // A clipboard that did not take the payload is a failed read, not a
    // success the user would only discover when the import finds nothing.
    if (!services_.clipboard->writeText(payload.value())) {
        window_.setReadEnabled(true);
        showFailure(clipboardFailed);
        return;
    }
    lastPayload_ = result;
    render(result);
    window_.setReadEnabled(true);
}

void WendrelApp::render(const AmapReadResult& result) {
    window_.setStatus(successStatus, NamedColor::green);
    window_.setRouteText(summary::routeLine(result));
    window_.setResultText(summary::optionLines(result));
    services_.sounds->playSuccess();
}

std::string WendrelApp::format(double km) { return summary::distanceText(km); }

void WendrelApp::showFailure(const std::string& message) {
    window_.setStatus(failedStatus, NamedColor::red);
    window_.setRouteText(noResultRoute);
    window_.setResultText(message);
    services_.sounds->alert();
}

// ---- Read workflow ----

void WendrelApp::readAmap() {
    // The button is disabled while a screen read runs; this also covers a
    // press that was already queued when it was disabled.
    if (readTaskRunning_) return;
    const std::vector<std::int32_t> pids = services_.runningApplications->processIdentifiers(amapBundleIdentifier);
    if (pids.empty()) {
        showFailure(mapNotRunning);
        return;
    }
    // The window shows it at once: the accessibility walk below holds the
    // main thread.
    window_.setStatus(readingStatus, NamedColor::blue);

    if (services_.accessibilityTrust->isTrusted(false)) {
        const auto strings = services_.accessibilityHarvest->readStrings(pids.front());
        if (auto result = AmapParser::parse(strings, std::chrono::system_clock::now())) {
            copyAndRender(*result);
            return;
        }
    }

    if (!screenCaptureGranted()) {
        permissionSettings_ = "screen";
        showSettingsButton();
        showFailure(screenCaptureRefused);
        return;
    }
    // A recognition that hangs keeps its thread; reading again cannot help.
    if (const auto unusable = recognition_.unusable()) {
        showFailure(unusable->localizedDescription());
        return;
    }
    window_.setReadEnabled(false);
    startReadTask();
}

bool WendrelApp::screenCaptureGranted() {
    wendrel::ScreenCaptureAccess& access = *services_.screenCapture;
    if (access.preflight()) return true;
    const bool granted = access.request();
    // The request may return false without a prompt and without listing
    // Wendrel under Screen Recording; asking ScreenCaptureKit does both.
    access.askCaptureService();
    return granted;
}

void WendrelApp::startReadTask() {
    joinReadTask();  // the previous task has already handed off and is ending
    readTaskRunning_ = true;
    readTask_ = std::thread([this] {
        wendrel::ScreenReader& reader = *screenReader_;
        auto failed = [this](VisionError error) {
            handoff_.runAndWait([this, error = std::move(error)] {
                finishReadTask();
                window_.setReadEnabled(true);
                showFailure(wendrel::recogniserUnusable(error) ? error.localizedDescription()
                                                               : summary::screenReadFailureMessage(error));
            });
        };
        auto image = reader.captureWindow(amapBundleIdentifier);
        if (!image) return failed(image.error());
        const auto strings = recognition_.recognizeRouteStrings(std::move(image.value()));
        if (!strings) return failed(strings.error());
        auto result = AmapParser::parse(strings.value(), std::chrono::system_clock::now());
        if (!result) return failed(AmapVisionReaderError::recognitionFailed);
        handoff_.runAndWait([this, result = std::move(*result)] {
            finishReadTask();
            copyAndRender(result);
        });
    });
}

void WendrelApp::finishReadTask() { readTaskRunning_ = false; }

void WendrelApp::joinReadTask() {
    if (readTask_.joinable()) readTask_.join();
}
