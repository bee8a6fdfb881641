#pragma once
// The window on Linux, built with Qt Widgets from the element table.

#include "app/main_window.h"
#include "app/window_elements.h"
#include "platform/qt/qt_services.h"

#include <QObject>

#include <memory>

class QLabel;
class QPushButton;
class QWidget;

namespace wendrel::qt_desktop {

class QtMainWindow final : public MainWindow {
public:
    explicit QtMainWindow(std::unique_ptr<ColorScheme> colors);
    ~QtMainWindow() override;

    void open(WindowActions actions) override;
    void setStatus(std::string_view text, NamedColor color) override;
    void setRouteText(std::string_view text) override;
    void setResultText(std::string_view text) override;
    void setReadEnabled(bool enabled) override;
    void showSettingsButton(std::string_view title) override;
    void hideSettingsButton() override;
    void postToMainThread(std::function<void()> work) override;

    // The widgets, once open() has built them.
    QWidget* widget() const { return window_.get(); }
    QLabel* statusLabel() const { return statusLabel_; }
    QLabel* routeLabel() const { return routeLabel_; }
    QLabel* resultLabel() const { return resultLabel_; }
    QPushButton* readButton() const { return readButton_; }
    QPushButton* settingsButton() const { return settingsButton_; }

private:
    void build();
    QLabel* label(const window::LabelStyle& style, std::string_view text);
    QWidget* buildStatusCard();
    void buildButtons();

    std::unique_ptr<ColorScheme> colors_;
    WindowActions actions_;
    // The main thread's context of the queued hand-offs, from construction on.
    QObject context_;
    std::unique_ptr<QWidget> window_;
    QLabel* statusLabel_ = nullptr;
    QLabel* routeLabel_ = nullptr;
    QLabel* resultLabel_ = nullptr;
    QPushButton* readButton_ = nullptr;
    QPushButton* settingsButton_ = nullptr;
};

}  // namespace wendrel::qt_desktop
