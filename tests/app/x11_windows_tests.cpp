// Runs against a private Xvfb display (see run_under_xvfb.sh): the test plays
// both the applications, by creating windows with WM_CLASS and _NET_WM_PID,
// and, where a case asks for it, the window manager's published client list.

#include "platform/linux/x11_windows.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

class X11WindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display";
        auto opened = x11::Connection::open();
        ASSERT_TRUE(opened.has_value());
        connection_.emplace(std::move(*opened));
    }

    void TearDown() override {
        if (!connection_) return;
        for (xcb_window_t w : created_) xcb_destroy_window(c(), w);
        deleteRootProperty("_NET_CLIENT_LIST");
        deleteRootProperty("RESOURCE_MANAGER");
        xcb_aux_sync();
    }

    xcb_connection_t* c() const { return connection_->get(); }

    xcb_atom_t atom(std::string_view name) {
        auto* reply = xcb_intern_atom_reply(
            c(), xcb_intern_atom(c(), 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr);
        const xcb_atom_t value = reply->atom;
        std::free(reply);
        return value;
    }

    // A window under `parent` with the given WM_CLASS (instance, class) and pid.
    xcb_window_t makeWindow(xcb_window_t parent, std::string_view instance, std::string_view windowClass,
                            std::optional<std::uint32_t> pid, bool mapped, bool withWmState) {
        const xcb_window_t w = xcb_generate_id(c());
        xcb_create_window(c(), XCB_COPY_FROM_PARENT, w, parent, 0, 0, 400, 300, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          connection_->screen()->root_visual, 0, nullptr);
        std::string wmClass(instance);
        wmClass.push_back('\0');
        wmClass.append(windowClass);
        wmClass.push_back('\0');
        xcb_change_property(c(), XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            static_cast<std::uint32_t>(wmClass.size()), wmClass.data());
        if (pid)
            xcb_change_property(c(), XCB_PROP_MODE_REPLACE, w, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &*pid);
        if (withWmState) {
            const std::uint32_t state[2] = {1, 0};
            const xcb_atom_t wmState = atom("WM_STATE");
            xcb_change_property(c(), XCB_PROP_MODE_REPLACE, w, wmState, wmState, 32, 2, state);
        }
        if (mapped) xcb_map_window(c(), w);
        created_.push_back(w);
        return w;
    }

    xcb_window_t topLevel(std::string_view instance, std::string_view windowClass, std::uint32_t pid,
                          bool mapped = true) {
        return makeWindow(connection_->root(), instance, windowClass, pid, mapped, false);
    }

    void publishClientList(const std::vector<xcb_window_t>& ids) {
        xcb_change_property(c(), XCB_PROP_MODE_REPLACE, connection_->root(), atom("_NET_CLIENT_LIST"),
                            XCB_ATOM_WINDOW, 32, static_cast<std::uint32_t>(ids.size()), ids.data());
        xcb_aux_sync();
    }

    void setResources(std::string_view resources) {
        xcb_change_property(c(), XCB_PROP_MODE_REPLACE, connection_->root(), atom("RESOURCE_MANAGER"),
                            XCB_ATOM_STRING, 8, static_cast<std::uint32_t>(resources.size()), resources.data());
        xcb_aux_sync();
    }

    void deleteRootProperty(std::string_view name) { xcb_delete_property(c(), connection_->root(), atom(name)); }

    // Waits for the server to have handled every request sent so far.
    void xcb_aux_sync() { std::free(xcb_get_input_focus_reply(c(), xcb_get_input_focus(c()), nullptr)); }

    std::vector<std::int32_t> pidsOf(std::string_view identifier) {
        std::vector<std::int32_t> pids;
        for (const auto& w : x11::windowsOf(*connection_, std::string(identifier))) pids.push_back(w.pid.value_or(-1));
        return pids;
    }

    std::optional<x11::Connection> connection_;
    std::vector<xcb_window_t> created_;
};

TEST_F(X11WindowsTest, MatchesInstanceOrClassOfViewableWindowsInStackingOrder) {
    topLevel("com.autonavi.amap", "Amap", 101);
    topLevel("other", "Other", 102);
    topLevel("amap", "com.autonavi.amap", 103);
    topLevel("com.autonavi.amap", "Amap", 104, /*mapped=*/false);
    xcb_aux_sync();

    EXPECT_EQ(pidsOf("com.autonavi.amap"), (std::vector<std::int32_t>{101, 103}));
    EXPECT_TRUE(pidsOf("com.autonavi").empty());
}

TEST_F(X11WindowsTest, ReadsGeometryClassAndPidOfEveryClient) {
    const xcb_window_t w = topLevel("inst", "Klass", 77);
    xcb_aux_sync();
    const auto windows = x11::clientWindows(*connection_);
    ASSERT_FALSE(windows.empty());
    const auto& found = windows.back();
    EXPECT_EQ(found.id, w);
    EXPECT_EQ(found.instance, "inst");
    EXPECT_EQ(found.windowClass, "Klass");
    EXPECT_EQ(found.pid, 77);
    EXPECT_TRUE(found.viewable);
    EXPECT_EQ(found.width, 400);
    EXPECT_EQ(found.height, 300);
}

TEST_F(X11WindowsTest, FindsClientInsideFrameThroughWmState) {
    const xcb_window_t frame = makeWindow(connection_->root(), "", "", std::nullopt, true, false);
    makeWindow(frame, "com.autonavi.amap", "Amap", 555, true, true);
    xcb_aux_sync();
    EXPECT_EQ(pidsOf("com.autonavi.amap"), (std::vector<std::int32_t>{555}));
}

TEST_F(X11WindowsTest, PublishedClientListDecidesOrder) {
    const xcb_window_t first = topLevel("com.autonavi.amap", "Amap", 201);
    const xcb_window_t second = topLevel("com.autonavi.amap", "Amap", 202);
    publishClientList({second, first});
    EXPECT_EQ(pidsOf("com.autonavi.amap"), (std::vector<std::int32_t>{202, 201}));

    // A window left out of the list is not a client of the window manager.
    publishClientList({first});
    EXPECT_EQ(pidsOf("com.autonavi.amap"), (std::vector<std::int32_t>{201}));
}

TEST_F(X11WindowsTest, WindowWithoutPidHasNone) {
    makeWindow(connection_->root(), "nopid", "NoPid", std::nullopt, true, false);
    xcb_aux_sync();
    const auto windows = x11::windowsOf(*connection_, "nopid");
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_FALSE(windows[0].pid.has_value());
}

TEST_F(X11WindowsTest, DisplayScaleFromXftDpi) {
    struct Case {
        std::string_view resources;
        double scale;
    };
    const Case cases[] = {
        {"Xft.dpi:\t192\n", 2.0},
        {"Xft.dpi:\t144.0\n", 1.5},
        {"Xft.antialias:\t1\n", 1.0},
        {"Xft.dpi:\tlarge\n", 1.0},
        {"Xft.dpi:\t100000\n", 1.0},
    };
    for (const Case& item : cases) {
        setResources(item.resources);
        EXPECT_DOUBLE_EQ(x11::displayScale(*connection_), item.scale) << item.resources;
    }
}

TEST_F(X11WindowsTest, XvfbOffersComposite) { EXPECT_TRUE(x11::hasComposite(*connection_)); }

TEST(X11Connection, NoDisplayGivesNoConnection) {
    const char* saved = std::getenv("DISPLAY");
    const std::string display = saved ? saved : "";
    setenv("DISPLAY", ":9999", 1);
    EXPECT_FALSE(x11::Connection::open().has_value());
    if (saved) setenv("DISPLAY", display.c_str(), 1);
    else unsetenv("DISPLAY");
}

}  // namespace
