#include "fake_services.h"

namespace {

using namespace wendrel;

struct Running : RunningApplications {
    explicit Running(FakeDesktop& d) : desktop(d) {}
    std::vector<std::int32_t> processIdentifiers(std::string_view id) override {
        return id == "com.autonavi.amap" ? desktop.pids : std::vector<std::int32_t>{};
    }
    FakeDesktop& desktop;
};

struct Trust : AccessibilityTrust {
    explicit Trust(FakeDesktop& d) : desktop(d) {}
    bool isTrusted(bool prompt) override {
        desktop.trustPrompts.push_back(prompt);
        return desktop.trusted;
    }
    FakeDesktop& desktop;
};

struct Capture : ScreenCaptureAccess {
    explicit Capture(FakeDesktop& d) : desktop(d) {}
    bool preflight() override {
        ++desktop.preflightCalls;
        desktop.captureAccessCalls.emplace_back("preflight");
        return desktop.screenPreflight;
    }
    bool request() override {
        ++desktop.requestCalls;
        desktop.captureAccessCalls.emplace_back("request");
        return desktop.screenRequest;
    }
    void askCaptureService() override { desktop.captureAccessCalls.emplace_back("ask capture service"); }
    FakeDesktop& desktop;
};

struct FakeClipboard : Clipboard {
    explicit FakeClipboard(FakeDesktop& d) : desktop(d) {}
    bool writeText(const std::string& text) override {
        if (!desktop.clipboardAccepts) return false;
        desktop.clipboard = text;
        return true;
    }
    FakeDesktop& desktop;
};

struct FakeSounds : Sounds {
    explicit FakeSounds(FakeDesktop& d) : desktop(d) {}
    void playSuccess() override { ++desktop.successSounds; }
    void alert() override {
        ++desktop.alerts;
        if (desktop.onAlert) desktop.onAlert();
    }
    FakeDesktop& desktop;
};

struct Settings : SettingsOpener {
    explicit Settings(FakeDesktop& d) : desktop(d) {}
    void openPrivacySettings(std::string_view permission) override {
        desktop.settingsOpened.emplace_back(permission);
    }
    FakeDesktop& desktop;
};

struct Harvest : AccessibilityHarvest {
    explicit Harvest(FakeDesktop& d) : desktop(d) {}
    std::vector<std::string> readStrings(std::int32_t pid) override {
        desktop.harvestedPids.push_back(pid);
        return desktop.accessibilityStrings;
    }
    FakeDesktop& desktop;
};

struct Reader : ScreenReader {
    explicit Reader(FakeDesktop& d) : keepAlive(d.shared_from_this()), desktop(d) {}
    std::shared_ptr<FakeDesktop> keepAlive;
    Expected<WindowImage, VisionError> captureWindow(std::string_view id) override {
        ++desktop.captures;
        if (desktop.captureHook) desktop.captureHook();
        if (id != "com.autonavi.amap") return VisionError(AmapVisionReaderError::windowNotFound);
        if (desktop.captureError) return *desktop.captureError;
        return WindowImage{2, 2, std::vector<std::uint8_t>(16, 255)};
    }
    Expected<std::vector<std::string>, VisionError> recognizeRouteStrings(const WindowImage&) override {
        ++desktop.recognitions;
        if (desktop.recognitionHook) desktop.recognitionHook();
        ++desktop.recognitionsEnded;
        if (desktop.recognitionError) return *desktop.recognitionError;
        return desktop.recognizedStrings;
    }
    std::optional<VisionError> warmUpRecognition() override {
        ++desktop.warmUps;
        if (desktop.warmUpHook) desktop.warmUpHook();
        ++desktop.recognitionsEnded;
        return desktop.warmUpError;
    }
    FakeDesktop& desktop;
};

}  // namespace

wendrel::DesktopServices FakeDesktop::services() {
    DesktopServices s;
    s.runningApplications = std::make_unique<Running>(*this);
    s.accessibilityTrust = std::make_unique<Trust>(*this);
    s.screenCapture = std::make_unique<Capture>(*this);
    s.clipboard = std::make_unique<FakeClipboard>(*this);
    s.sounds = std::make_unique<FakeSounds>(*this);
    s.settings = std::make_unique<Settings>(*this);
    s.accessibilityHarvest = std::make_unique<Harvest>(*this);
    s.screenReader = std::make_unique<Reader>(*this);
    return s;
}

