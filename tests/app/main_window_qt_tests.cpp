// The Linux window, built with Qt from the element table, on Qt's offscreen
// platform, with WendrelApp and fake desktop services behind it.

#include "app/wendrel_app.h"
#include "fake_services.h"
#include "platform/qt/main_window_qt.h"

#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

// Fontconfig keeps a cache it never frees; that is the library's business,
// not a leak of ours, under the sanitizer build.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

namespace {

using wendrel::NamedColor;

const std::string panelText =
    "天津港\n石家庄物流园\n方案一\n4小时20分\n312.5公里\n¥268\n免费方案\n4小时45分\n298公里\n方案三\n4小时30分\n305.8公里";
const std::string mapNotRunning = "没有找到正在运行的高德地图，请先打开 Mac 高德地图。";

QApplication& application() {
    static int argc = 1;
    static char name[] = "main_window_qt_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

// A distinct colour per name, so a test can tell which one a label got.
QColor colorOf(NamedColor name) { return QColor::fromHsv(static_cast<int>(name) * 35, 200, 180); }

struct FakeColors final : wendrel::ColorScheme {
    QColor color(NamedColor name) override { return colorOf(name); }
};

std::string text(const QLabel* label) { return label->text().toStdString(); }
QColor colorOf(const QLabel* label) { return label->palette().color(QPalette::WindowText); }

class QtWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        application();
        QApplication::setQuitOnLastWindowClosed(false);
    }

    void launch() {
        app = std::make_unique<WendrelApp>(desktop.services(), window);
        app->applicationDidFinishLaunching();
    }

    QWidget* widget() const { return window.widget(); }

    std::shared_ptr<FakeDesktop> sharedDesktop = std::make_shared<FakeDesktop>();
    FakeDesktop& desktop = *sharedDesktop;
    wendrel::qt_desktop::QtMainWindow window{std::make_unique<FakeColors>()};
    std::unique_ptr<WendrelApp> app;
};

TEST_F(QtWindowTest, WindowIsFixedTitledAndSettingsButtonTakesNoRoom) {
    launch();
    QWidget* w = widget();
    EXPECT_EQ(w->windowTitle(), "Wendrel");
    EXPECT_EQ(w->size(), QSize(560, 510));
    EXPECT_EQ(w->minimumSize(), QSize(560, 510));
    EXPECT_EQ(w->maximumSize(), QSize(560, 510));
    EXPECT_FALSE(w->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(window.readButton()->text(), "读取当前高德货车结果");
    EXPECT_EQ(window.readButton()->width(), w->width() - 56);

    // While hidden the settings button leaves no gap: showing it moves what follows.
    EXPECT_TRUE(window.settingsButton()->isHidden());
    const QList<QLabel*> labels = w->findChildren<QLabel*>();
    QLabel* footer = *std::find_if(labels.begin(), labels.end(),
                                   [](QLabel* l) { return l->text().contains("freight.example.com"); });
    EXPECT_EQ(footer->text().toStdString(),
              "读取成功后，回到 freight.example.com 的“货车路线校准”，点击“导入 Mac 高德结果”。");
    const int footerTop = footer->geometry().top();
    EXPECT_EQ(footerTop, window.readButton()->geometry().bottom() + 1 + 13);
    window.settingsButton()->show();
    w->layout()->activate();
    EXPECT_GT(footer->geometry().top(), footerTop);
}

TEST_F(QtWindowTest, EveryLabelIsSelectablePlainTextInItsNamedColour) {
    launch();
    const QList<QLabel*> labels = widget()->findChildren<QLabel*>();
    EXPECT_EQ(labels.size(), 7);
    for (const QLabel* label : labels) {
        EXPECT_TRUE(label->textInteractionFlags() & Qt::TextSelectableByMouse) << label->text().toStdString();
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
    }
    // The launch state is drawn in the scheme's colour for its name.
    EXPECT_EQ(colorOf(window.statusLabel()), colorOf(NamedColor::green));
    EXPECT_EQ(colorOf(window.routeLabel()), colorOf(NamedColor::secondaryLabel));
}

TEST_F(QtWindowTest, LabelsShowAtMostTheirLineLimit) {
    launch();
    auto lines = [](int n) {
        QStringList list;
        for (int i = 1; i <= n; ++i) list.append(QStringLiteral("第%1行 Ag").arg(i));
        return list.join('\n');
    };
    const QList<QLabel*> labels = widget()->findChildren<QLabel*>();
    auto labelStarting = [&](const char* start) {
        return *std::find_if(labels.begin(), labels.end(), [&](QLabel* l) { return l->text().startsWith(start); });
    };
    struct Limit {
        QLabel* label;
        int lines;
    };
    const Limit limits[] = {{window.resultLabel(), 9}, {labelStarting("在高德地图中"), 3}, {labelStarting("读取成功后"), 2}};
    for (const Limit& limit : limits) {
        QLabel* label = limit.label;
        label->setText(lines(limit.lines));
        EXPECT_LE(label->heightForWidth(label->width()), label->maximumHeight()) << limit.lines;
        label->setText(lines(limit.lines + 1));
        EXPECT_GT(label->heightForWidth(label->width()), label->maximumHeight()) << limit.lines;
    }
}

TEST_F(QtWindowTest, TheButtonsRunTheirActions) {
    desktop.screenPreflight = false;
    launch();
    desktop.pids.clear();
    window.readButton()->click();
    EXPECT_EQ(desktop.alerts, 1);
    EXPECT_EQ(text(window.resultLabel()), mapNotRunning);
    ASSERT_FALSE(window.settingsButton()->isHidden());
    window.settingsButton()->click();
    EXPECT_EQ(desktop.settingsOpened, std::vector<std::string>{"screen"});
}

TEST_F(QtWindowTest, ReturnAndEnterPressTheReadButton) {
    launch();
    desktop.pids.clear();
    QWidget* w = widget();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    QTest::keyClick(w, Qt::Key_Return);
    EXPECT_EQ(desktop.alerts, 1);
    QTest::keyClick(w, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(desktop.alerts, 2);
    EXPECT_EQ(text(window.resultLabel()), mapNotRunning);
}

TEST_F(QtWindowTest, ClosingTheWindowDuringCaptureQuitsCleanly) {
    desktop.recognizedStrings = {panelText};
    launch();
    CaptureGate gate;
    desktop.captureHook = gate.hook();
    window.readButton()->click();
    ASSERT_TRUE(app->readTaskRunning());

    QApplication::setQuitOnLastWindowClosed(true);
    QTimer::singleShot(0, widget(), [this] { widget()->close(); });
    QTimer::singleShot(5000, [] { QApplication::exit(7); });  // a guard, not the expected path
    EXPECT_EQ(QApplication::exec(), 0);

    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        gate.release();
    });
    app.reset();  // waits for the task, which must not hand off any more
    releaser.join();
    QCoreApplication::processEvents();
    EXPECT_FALSE(desktop.clipboard.has_value());
    EXPECT_EQ(desktop.successSounds, 0);
    EXPECT_EQ(desktop.alerts, 0);
}

}  // namespace
