#pragma once
// The application object: it owns the one window, its labels and buttons,
// the last result put on the clipboard and the choice of privacy page for
// the settings button, and it runs the read workflow. Everything here runs
// on the main thread except the screen read, which runs on a background
// thread and hands its outcome back to the main thread.

#include "app/desktop_services.h"
#include "app/main_thread_handoff.h"
#include "app/recognition_guard.h"
#include "model/route_model.h"

#include <QColor>
#include <QFont>
#include <QObject>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

class QLabel;
class QPushButton;
class QWidget;

// The bundle identifier by which the map application is found; on X11 the
// WM_CLASS instance or class of its windows.
inline constexpr std::string_view amapBundleIdentifier = "com.autonavi.amap";

// The host of the freight-rate site that imports the payload, named in the footer.
inline constexpr std::string_view freightSiteHost = "freight.example.com";

class WendrelApp : public QObject {
public:
    // `recognitionLimit`: how long one text recognition may take.
    explicit WendrelApp(wendrel::DesktopServices services,
                        std::chrono::milliseconds recognitionLimit = wendrel::recognitionTimeLimit);
    ~WendrelApp() override;
    WendrelApp(const WendrelApp&) = delete;
    WendrelApp& operator=(const WendrelApp&) = delete;

    // Builds and shows the window, then shows the permission state without
    // ever prompting.
    void applicationDidFinishLaunching();

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

    QWidget* window() const { return window_.get(); }
    QLabel* statusLabel() const { return statusLabel_; }
    QLabel* routeLabel() const { return routeLabel_; }
    QLabel* resultLabel() const { return resultLabel_; }
    QPushButton* readButton() const { return readButton_; }
    QPushButton* settingsButton() const { return settingsButton_; }
    const std::optional<AmapReadResult>& lastPayload() const { return lastPayload_; }
    const std::string& permissionSettings() const { return permissionSettings_; }

private:
    void buildWindow();
    // Every label of the window: wrapping, selectable plain text in the
    // system font; `maxLines` 0 means no limit.
    QLabel* label(const QString& text, int size, QFont::Weight weight = QFont::Normal,
                  wendrel::NamedColor color = wendrel::NamedColor::label, int maxLines = 0);
    QWidget* buildStatusCard();
    void buildButtons();
    void setStatus(const QString& text, wendrel::NamedColor color);
    void showSettingsButton();
    bool screenCaptureGranted();
    void startReadTask();
    void finishReadTask();
    void joinReadTask();

    wendrel::DesktopServices services_;
    std::unique_ptr<QWidget> window_;
    QLabel* statusLabel_ = nullptr;
    QLabel* routeLabel_ = nullptr;
    QLabel* resultLabel_ = nullptr;
    QPushButton* readButton_ = nullptr;
    QPushButton* settingsButton_ = nullptr;
    std::optional<AmapReadResult> lastPayload_;
    std::string permissionSettings_ = "screen";
    bool screenRecordingAtLaunch_ = false;

    std::shared_ptr<wendrel::ScreenReader> screenReader_;
    wendrel::RecognitionGuard recognition_;

    wendrel::MainThreadHandoff handoff_{this};
    std::thread readTask_;
    bool readTaskRunning_ = false;
};
