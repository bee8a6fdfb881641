// Window capture on X11: the window is redirected off screen with the
// Composite extension, asked to repaint, and its own pixmap is read, so
// windows covering it do not show.

#include "vision/window_capture.h"

#include "platform/linux/x11_windows.h"
#include "vision/recognition_cleanup.h"
#include "vision/window_choice.h"

#include <xcb/composite.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace AmapVisionReader {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How long the window may take to repaint after the redirect, and how long a
// pause in its painting means it is done.
constexpr milliseconds firstPaintTimeout{1500};
constexpr milliseconds paintSettleTime{60};
constexpr milliseconds pollInterval{5};

template <class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <class T>
Reply<T> owned(T* reply) {
    return Reply<T>(reply, &std::free);
}

std::string errorName(std::uint8_t code) {
    static const char* const names[] = {"Success",  "BadRequest", "BadValue",    "BadWindow", "BadPixmap",
                                        "BadAtom",  "BadCursor",  "BadFont",     "BadMatch",  "BadDrawable",
                                        "BadAccess", "BadAlloc",  "BadColormap", "BadGC",     "BadIDChoice",
                                        "BadName",  "BadLength",  "BadImplementation"};
    if (code < sizeof names / sizeof names[0]) return names[code];
    return "extension error";
}

PlatformError x11Error(const xcb_generic_error_t& error, std::string_view step) {
    return PlatformError{"X11", error.error_code,
                         "X 服务器拒绝了" + std::string(step) + "：" + errorName(error.error_code) + "（错误码 " +
                             std::to_string(error.error_code) + "，请求 " + std::to_string(error.major_code) + "." +
                             std::to_string(error.minor_code) + "）"};
}

PlatformError x11Failure(long code, std::string description) {
    return PlatformError{"X11", code, std::move(description)};
}

// Reports an error of a checked request; absent when it succeeded.
std::optional<PlatformError> check(xcb_connection_t* c, xcb_void_cookie_t cookie, std::string_view step) {
    const auto error = owned(xcb_request_check(c, cookie));
    if (error) return x11Error(*error, step);
    return std::nullopt;
}

struct Target {
    xcb_window_t id;
    int pixelWidth;
    int pixelHeight;
    double scale;
};

std::optional<Target> chooseWindow(const x11::Connection& connection, std::string_view identifier) {
    const std::vector<x11::ClientWindow> windows = x11::windowsOf(connection, std::string(identifier));
    const double scale = x11::displayScale(connection);
    std::vector<capture::WindowSize> sizes;
    for (const x11::ClientWindow& w : windows) sizes.push_back({w.width / scale, w.height / scale});
    const auto chosen = capture::largestQualifyingWindow(sizes);
    if (!chosen) return std::nullopt;
    const x11::ClientWindow& w = windows[*chosen];
    return Target{w.id, w.width, w.height, scale};
}

std::optional<std::uint8_t> damageEventType(xcb_connection_t* c) {
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_damage_id);
    if (!extension || !extension->present) return std::nullopt;
    const auto version = owned(xcb_damage_query_version_reply(
        c, xcb_damage_query_version(c, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION), nullptr));
    if (!version) return std::nullopt;
    return static_cast<std::uint8_t>(extension->first_event + XCB_DAMAGE_NOTIFY);
}

// Whether a damage event arrived before the deadline; other events are dropped.
bool waitForDamage(xcb_connection_t* c, std::uint8_t damageEvent, Clock::time_point deadline) {
    for (;;) {
        while (const auto event = owned(xcb_poll_for_event(c))) {
            if ((event->response_type & 0x7f) == damageEvent) return true;
        }
        if (xcb_connection_has_error(c) || Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(pollInterval);
    }
}

// A redirected window's pixmap holds only what was on screen until the
// window paints again: ask it to repaint (an exposure of the whole window)
// and wait until its painting has settled. Without the Damage extension a
// short fixed wait stands in.
void waitForRepaint(xcb_connection_t* c, xcb_window_t window) {
    const auto damageEvent = damageEventType(c);
    xcb_damage_damage_t damage = 0;
    if (damageEvent) {
        damage = xcb_generate_id(c);
        xcb_damage_create(c, damage, window, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    }
    xcb_clear_area(c, 1, window, 0, 0, 0, 0);
    xcb_flush(c);
    if (!damageEvent) {
        std::this_thread::sleep_for(milliseconds{200});
        return;
    }
    const auto start = Clock::now();
    if (waitForDamage(c, *damageEvent, start + firstPaintTimeout)) {
        while (waitForDamage(c, *damageEvent, Clock::now() + paintSettleTime) && Clock::now() - start < firstPaintTimeout) {
        }
    }
    xcb_damage_destroy(c, damage);
}

int bitsPerPixel(const xcb_setup_t* setup, std::uint8_t depth) {
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == depth) return it.data->bits_per_pixel;
    return 0;
}

Expected<WindowImage, VisionError> readPixmap(xcb_connection_t* c, xcb_pixmap_t pixmap, int width, int height) {
    xcb_generic_error_t* rawError = nullptr;
    const auto reply = owned(xcb_get_image_reply(
        c,
        xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, 0, 0, static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(height), ~0u),
        &rawError));
    const auto error = owned(rawError);
    if (error) return VisionError(x11Error(*error, "读取窗口画面"));
    if (!reply) return VisionError(x11Failure(0, "与 X 服务器的连接中断，无法读取窗口画面"));

    const xcb_setup_t* setup = xcb_get_setup(c);
    const int bpp = bitsPerPixel(setup, reply->depth);
    const auto length = static_cast<std::size_t>(xcb_get_image_data_length(reply.get()));
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if ((reply->depth != 24 && reply->depth != 32) || bpp != 32 || length < pixels * 4)
        return VisionError(x11Failure(0, "不支持的窗口像素格式（色深 " + std::to_string(reply->depth) + "）"));

    // 32-bit pixels with red in bits 16..23, green 8..15, blue 0..7.
    const std::uint8_t* data = xcb_get_image_data(reply.get());
    const bool lsbFirst = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    WindowImage image{width, height, std::vector<std::uint8_t>(pixels * 4)};
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint8_t* p = data + i * 4;
        const std::uint32_t v = lsbFirst ? (p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24)
                                         : (p[3] | p[2] << 8 | p[1] << 16 | static_cast<std::uint32_t>(p[0]) << 24);
        image.rgba[i * 4] = static_cast<std::uint8_t>(v >> 16);
        image.rgba[i * 4 + 1] = static_cast<std::uint8_t>(v >> 8);
        image.rgba[i * 4 + 2] = static_cast<std::uint8_t>(v);
        image.rgba[i * 4 + 3] = 255;
    }
    return image;
}

Expected<WindowImage, VisionError> captureRedirected(xcb_connection_t* c, const Target& target) {
    // The extension's version must be agreed before its other requests.
    std::free(xcb_composite_query_version_reply(c, xcb_composite_query_version(c, 0, 4), nullptr));
    if (auto error = check(c, xcb_composite_redirect_window_checked(c, target.id, XCB_COMPOSITE_REDIRECT_AUTOMATIC),
                           "窗口重定向"))
        return VisionError(*error);
    waitForRepaint(c, target.id);
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    if (auto error = check(c, xcb_composite_name_window_pixmap_checked(c, target.id, pixmap), "窗口画面命名")) {
        xcb_composite_unredirect_window(c, target.id, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
        return VisionError(*error);
    }
    auto image = readPixmap(c, pixmap, target.pixelWidth, target.pixelHeight);
    xcb_free_pixmap(c, pixmap);
    xcb_composite_unredirect_window(c, target.id, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
    xcb_flush(c);
    return image;
}

}  // namespace

Expected<WindowImage, VisionError> captureWindow(std::string_view bundleIdentifier) {
    const auto connection = x11::Connection::open();
    if (!connection) return VisionError(x11Failure(0, "无法连接 X 显示服务器（DISPLAY 未设置或不可用）"));
    const auto target = chooseWindow(*connection, bundleIdentifier);
    if (!target) return VisionError(AmapVisionReaderError::windowNotFound);
    if (!x11::hasComposite(*connection))
        return VisionError(x11Failure(0, "X 服务器没有 Composite 扩展，无法单独截取窗口"));

    auto captured = captureRedirected(connection->get(), *target);
    if (!captured) return captured;
    // Twice the window's size in points, whatever the display's own scale.
    const int width = recognition::capturePixels(target->pixelWidth / target->scale);
    const int height = recognition::capturePixels(target->pixelHeight / target->scale);
    return recognition::resampled(captured.value(), width, height);
}

}  // namespace AmapVisionReader
