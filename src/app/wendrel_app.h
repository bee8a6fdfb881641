#pragma once
// The application object: it drives the one window, holds the last result
// put on the clipboard and the choice of privacy page for the settings
// button, and runs the read workflow. Everything here runs on the main
// thread except the screen read, which runs on a background thread and
// hands its outcome back to the main thread. Free of any toolkit: the
// window is behind main_window.h, the desktop behind desktop_services.h.

#include "app/desktop_services.h"
#include "app/main_thread_handoff.h"
#include "app/main_window.h"
#include "app/recognition_guard.h"
#include "model/route_model.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

// The bundle identifier by which the map application is found; on X11 the
// WM_CLASS instance or class of its windows.
inline constexpr std::string_view amapBundleIdentifier = "com.autonavi.amap";

class WendrelApp {
public:
    // `window` outlives the application object. `recognitionLimit`: how
    // long one text recognition may take.
    WendrelApp(wendrel::DesktopServices services, wendrel::MainWindow& window,
               std::chrono::milliseconds recognitionLimit = wendrel::recognitionTimeLimit);
    ~WendrelApp();
    WendrelApp(const WendrelApp&) = delete;
    WendrelApp& operator=(const WendrelApp&) = delete;

    // Builds and shows the window, then shows the permission state without
    // ever prompting, and readies the recogniser when it will be needed.
    void applicationDidFinishLaunching();
    // The program is quitting: a screen read still under way is let go of
    // and waited for (it hands off nothing more).
    void applicationWillTerminate();

    // The read button's action.
    void readAmap();
    // Shows which of the two ways of reading is available; with `prompt` the
    // platform may ask the user for accessibility.
    void refreshPermissionState(bool prompt);
    // The settings button's action.
    void openPermissionSettings();

    // Puts the result's payload on the clipboard and shows its summary.
    void copyAndRender(const AmapReadResult& result);
    // Fills the three labels with the result and plays the success sound.
    void render(const AmapReadResult& result);
    static std::string format(double km);
    // The one display of a failed read; changes neither button.
    void showFailure(const std::string& message);

    // True while the screen read's background task exists.
    bool readTaskRunning() const { return readTaskRunning_; }
    // True while a recognition (the launch's warm-up included) has not ended.
    bool recognitionRunning() const { return recognition_.running(); }

    const std::optional<AmapReadResult>& lastPayload() const { return lastPayload_; }
    const std::string& permissionSettings() const { return permissionSettings_; }

private:
    void showSettingsButton();
    bool screenCaptureGranted();
    void startReadTask();
    void finishReadTask();
    void joinReadTask();

    wendrel::DesktopServices services_;
    wendrel::MainWindow& window_;
    std::optional<AmapReadResult> lastPayload_;
    std::string permissionSettings_ = "screen";
    bool screenRecordingAtLaunch_ = false;

    std::shared_ptr<wendrel::ScreenReader> screenReader_;
    wendrel::RecognitionGuard recognition_;
    wendrel::MainThreadHandoff handoff_;
    std::thread readTask_;
    bool readTaskRunning_ = false;
};
