// The Linux desktop services without a desktop: Qt's offscreen platform, no
// X display and no session bus. What needs a display or a bus is covered by
// the e2e tests.

#include "platform/linux/linux_services.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPalette>

#include <gtest/gtest.h>

#include <cstdlib>

// Fontconfig keeps a cache it never frees; not a leak of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }

namespace {

using namespace wendrel;
using namespace wendrel::linux_desktop;

QApplication& application() {
    static int argc = 1;
    static char name[] = "linux_services_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        unsetenv("DISPLAY");
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
        return new QApplication(argc, argv);
    }();
    return *app;
}

class LinuxServicesTest : public ::testing::Test {
protected:
    void SetUp() override { application(); }
};

TEST_F(LinuxServicesTest, ClipboardHoldsOnlyThePayloadAfterAWrite) {
    auto* previous = new QMimeData;
    previous->setHtml("<b>old</b>");
    previous->setText("old");
    QGuiApplication::clipboard()->setMimeData(previous);

    const std::string payload = R"(WENDREL_V1:{"options":[],"origin":"天津港\/北"})";
    EXPECT_TRUE(makeQtClipboard()->writeText(payload));
    const QMimeData* now = QGuiApplication::clipboard()->mimeData();
    EXPECT_EQ(now->text().toStdString(), payload);
    EXPECT_FALSE(now->hasHtml());
}

TEST_F(LinuxServicesTest, NamedColoursFollowThePalette) {
    const QPalette saved = QApplication::palette();
    auto scheme = makePaletteColorScheme();

    struct Case {
        QColor window, text;
        bool dark;
    };
    for (const Case& c : {Case{Qt::white, Qt::black, false}, Case{QColor(30, 30, 30), QColor(230, 230, 230), true}}) {
        QPalette palette(c.text, c.window);
        palette.setColor(QPalette::WindowText, c.text);
        palette.setColor(QPalette::Base, c.window.lighter(110));
        palette.setColor(QPalette::Mid, Qt::gray);
        QApplication::setPalette(palette);

        EXPECT_EQ(scheme->color(NamedColor::label), c.text);
        EXPECT_EQ(scheme->color(NamedColor::controlBackground), palette.color(QPalette::Base));
        EXPECT_EQ(scheme->color(NamedColor::separator), QColor(Qt::gray));
        const QColor secondary = scheme->color(NamedColor::secondaryLabel);
        EXPECT_EQ(secondary.rgb(), c.text.rgb());
        EXPECT_LT(secondary.alphaF(), 1.0f);
        // Every accent stands out from the window background.
        for (NamedColor accent : {NamedColor::teal, NamedColor::blue, NamedColor::red, NamedColor::green,
                                  NamedColor::orange}) {
            const int lightness = scheme->color(accent).lightness();
            if (c.dark) EXPECT_GT(lightness, 100);
            else EXPECT_LT(lightness, 140);
        }
    }
    QApplication::setPalette(saved);
}

TEST_F(LinuxServicesTest, WithoutDisplayNothingRunsAndNothingCanBeCaptured) {
    EXPECT_TRUE(makeX11RunningApplications()->processIdentifiers("com.autonavi.amap").empty());
    auto access = makeX11ScreenCaptureAccess();
    EXPECT_FALSE(access->preflight());
    EXPECT_FALSE(access->request());
}

TEST_F(LinuxServicesTest, WithoutSessionBusAccessibilityIsNotTrusted) {
    auto trust = makeAtSpiAccessibilityTrust();
    EXPECT_FALSE(trust->isTrusted(false));
    EXPECT_FALSE(trust->isTrusted(true));
}

TEST_F(LinuxServicesTest, SoundsNeverFailWithoutASoundServer) {
    auto sounds = makeLinuxSounds();
    sounds->playSuccess();
    sounds->playSuccess();
    sounds->alert();
    SUCCEED();
}

}  // namespace
