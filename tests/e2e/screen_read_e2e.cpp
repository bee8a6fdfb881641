// End-to-end cases of the screen-recognition read, run inside the private
// desktop stack (with-desktop.sh): the stand-in map application shows a
// scenario, Wendrel is started and its read button pressed (Return), and the
// outcome is checked where the user sees it: the clipboard on success, the
// summary label (read through Wendrel's own accessibility tree) on failure.
//
//   screen-read-e2e CASE --standin PATH --wendrel PATH --scenarios DIR
//
// Cases:
//   labels-accessible    labels mode, accessibility on: the tree gives no
//                        route, recognition reads the window
//   panel-text-disabled  panel-text mode with the accessibility bus's
//                        IsEnabled false: straight to recognition (the
//                        origin "我的位置" tells which read it was)
//   covered              a window covers the stand-in completely
//   minimised            the stand-in's window is unmapped (iconified)
//   too-small            the stand-in's window is 300 × 250 points
//
// Exit 0 when the case passes, 1 with the reason when it fails.

#include "accessibility/accessibility_reader.h"
#include "fixtures/standin_scenario.h"
#include "model/route_model.h"
#include "parser/amap_parser.h"
#include "platform/linux/x11_windows.h"

#include <QCoreApplication>
#include <QProcess>
#include <QThread>

#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr const char* standinIdentifier = "com.autonavi.amap";
constexpr const char* windowNotFoundText = "没有找到高德地图窗口";

struct Failure {
    std::string reason;
};

struct Paths {
    QString standin, wendrel, scenarios;
};

// Polls `probe` every 100 ms until it gives a value or the time is up.
template <class T>
T waitFor(std::chrono::milliseconds timeout, const std::string& what, const std::function<std::optional<T>()>& probe) {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        if (auto value = probe()) return *value;
        if (Clock::now() >= deadline) throw Failure{"timed out waiting for " + what};
        QThread::msleep(100);
    }
}

std::string run(const QString& program, const QStringList& arguments, int* exitCode = nullptr) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(20000)) throw Failure{"'" + program.toStdString() + "' did not finish"};
    if (exitCode) *exitCode = process.exitCode();
    return process.readAllStandardOutput().toStdString();
}

// A started program, ended when the case ends.
class Program {
public:
    Program(const QString& path, const QStringList& arguments) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(path, arguments);
        if (!process_.waitForStarted(10000)) throw Failure{"cannot start " + path.toStdString()};
    }
    ~Program() {
        process_.terminate();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    std::int32_t pid() const { return static_cast<std::int32_t>(process_.processId()); }
    void waitForLine(const QByteArray& line) {
        waitFor<bool>(30s, "'" + line.toStdString() + "' from the stand-in", [&]() -> std::optional<bool> {
            process_.waitForReadyRead(100);
            seen_ += process_.readAllStandardOutput();
            if (seen_.contains(line)) return true;
            return std::nullopt;
        });
    }
    // The process that owns the stand-in's window: the one a "map-pid N" line
    // names (the browser, for the page), else the stand-in itself.
    std::int32_t mapPid() const {
        for (const QByteArray& line : seen_.split('\n')) {
            if (line.startsWith("map-pid ")) return line.mid(8).toInt();
        }
        return pid();
    }

private:
    QProcess process_;
    QByteArray seen_;
};

x11::Connection openDisplay() {
    auto connection = x11::Connection::open();
    if (!connection) throw Failure{"no X display (run under tests/e2e/with-desktop.sh)"};
    return std::move(*connection);
}

xcb_window_t windowOfPid(const x11::Connection& display, std::int32_t pid, const std::string& what) {
    return waitFor<xcb_window_t>(20s, what + "'s window", [&]() -> std::optional<xcb_window_t> {
        for (const x11::ClientWindow& w : x11::clientWindows(display))
            if (w.viewable && w.pid == pid) return w.id;
        return std::nullopt;
    });
}

std::string windowId(xcb_window_t id) { return std::to_string(id); }

void xdotool(const QStringList& arguments) {
    int code = 0;
    run("xdotool", arguments, &code);
    if (code != 0) throw Failure{"xdotool " + arguments.join(' ').toStdString() + " failed"};
}

// Starts Wendrel below the stand-in and returns its process and window.
struct Wendrel {
    std::unique_ptr<Program> program;
    xcb_window_t window = 0;
};
Wendrel startWendrel(const Paths& paths, const x11::Connection& display) {
    Wendrel w;
    w.program = std::make_unique<Program>(paths.wendrel, QStringList{});
    w.window = windowOfPid(display, w.program->pid(), "Wendrel");
    xdotool({"windowmove", QString::fromStdString(windowId(w.window)), "1200", "0"});
    QThread::msleep(500);  // launch finishes and the permission state shows
    return w;
}

void pressRead(const Wendrel& w) {
    xdotool({"windowfocus", QString::fromStdString(windowId(w.window))});
    xdotool({"key", "--clearmodifiers", "Return"});
}

std::string clipboard() {
    int code = 0;
    const std::string text = run("xclip", {"-selection", "clipboard", "-o"}, &code);
    return code == 0 ? text : std::string();
}

std::string waitForPayload() {
    return waitFor<std::string>(90s, "a payload on the clipboard", []() -> std::optional<std::string> {
        const std::string text = clipboard();
        if (text.starts_with(clipboardPrefix)) return text;
        return std::nullopt;
    });
}

void waitForFailureText(const Wendrel& w, const std::string& ending) {
    waitFor<bool>(90s, "Wendrel to show a failure ending in '" + ending + "'", [&]() -> std::optional<bool> {
        for (const std::string& text : readAccessibilityStrings(w.program->pid()))
            if (text.ends_with(ending)) return true;
        return std::nullopt;
    });
}

// The payload's options must be the scenario's, label, travel time, distance
// and toll each, as a parse of the panel's own text gives them; origin and
// destination are the scenario's or, where the screen read cannot tell them,
// left out, never another text.
void expectScenarioOptions(const std::string& payload, const standin::Scenario& scenario) {
    const auto result = decodePayload(payload);
    if (!result) throw Failure{"the clipboard does not hold a payload: " + payload};
    const auto truth = AmapParser::parse(std::vector<std::string>{standin::panelText(scenario)});
    if (!truth) throw Failure{"the scenario's panel text does not parse"};
    if (result.value().options() != truth->options())
        throw Failure{"the options differ from the panel's: " + payload};
    const auto& origin = result.value().origin();
    const auto& destination = result.value().destination();
    if ((origin && origin != truth->origin()) || (destination && destination != truth->destination()))
        throw Failure{"an endpoint differs from the panel's: " + payload};
}

// The whole panel: its options and both its endpoints, whatever stands above
// them in the window.
void expectWholePanel(const std::string& payload, const standin::Scenario& scenario) {
    expectScenarioOptions(payload, scenario);
    if (!decodePayload(payload).value().origin()) throw Failure{"the endpoints were left out: " + payload};
}
void setAccessibilityEnabled(bool enabled) {
    int code = 0;
    run("dbus-send", {"--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                      "org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status", "string:IsEnabled",
                      enabled ? "variant:boolean:true" : "variant:boolean:false"},
        &code);
    if (code != 0) throw Failure{"cannot set the accessibility bus's IsEnabled"};
}

struct Standin {
    std::unique_ptr<Program> program;
    standin::Scenario scenario;
    xcb_window_t window = 0;
};
Standin startStandin(const Paths& paths, const x11::Connection& display, const char* scenarioFile) {
    const std::string path = paths.scenarios.toStdString() + "/" + scenarioFile;
    auto scenario = standin::loadScenario(path);
    if (!scenario) throw Failure{"scenario " + path + ": " + scenario.error()};
    Standin s{std::make_unique<Program>(paths.standin, QStringList{"--scenario", QString::fromStdString(path)}),
              scenario.value(), 0};
    s.program->waitForLine("ready 1");
    s.window = windowOfPid(display, s.program->mapPid(), "the stand-in");
    xdotool({"windowmove", QString::fromStdString(windowId(s.window)), "0", "0"});
    return s;
}

// An opaque black window over the stand-in, kept until the case ends; checks
// that the screen really shows black where the stand-in is.
void coverWindow(const x11::Connection& display, xcb_window_t target) {
    xcb_connection_t* c = display.get();
    const auto geometry = xcb_get_geometry_reply(c, xcb_get_geometry(c, target), nullptr);
    const auto position = xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, target, display.root(), 0, 0), nullptr);
    if (!geometry || !position) throw Failure{"cannot read the stand-in's geometry"};
    const xcb_window_t cover = xcb_generate_id(c);
    const std::uint32_t values[] = {display.screen()->black_pixel, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, cover, display.root(), static_cast<std::int16_t>(position->dst_x - 20),
                      static_cast<std::int16_t>(position->dst_y - 20), static_cast<std::uint16_t>(geometry->width + 40),
                      static_cast<std::uint16_t>(geometry->height + 40), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, cover);
    xcb_flush(c);
    QThread::msleep(300);
    const auto centre = xcb_get_image_reply(
        c,
        xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, display.root(),
                      static_cast<std::int16_t>(position->dst_x + geometry->width / 2),
                      static_cast<std::int16_t>(position->dst_y + geometry->height / 2), 1, 1, ~0u),
        nullptr);
    const bool black = centre && xcb_get_image_data_length(centre) >= 3 && xcb_get_image_data(centre)[0] == 0 &&
                       xcb_get_image_data(centre)[1] == 0 && xcb_get_image_data(centre)[2] == 0;
    std::free(geometry);
    std::free(position);
    std::free(centre);
    if (!black) throw Failure{"the covering window does not hide the stand-in on screen"};
}

void labelsAccessible(const Paths& paths) {
    const x11::Connection display = openDisplay();
    const Standin s = startStandin(paths, display, "labels.json");
    const Wendrel w = startWendrel(paths, display);
    pressRead(w);
    expectWholePanel(waitForPayload(), s.scenario);
}

void panelTextDisabled(const Paths& paths) {
    const x11::Connection display = openDisplay();
    const Standin s = startStandin(paths, display, "my-location.json");
    const Wendrel w = startWendrel(paths, display);
    setAccessibilityEnabled(false);
    pressRead(w);
    const std::string payload = waitForPayload();
    expectScenarioOptions(payload, s.scenario);
    // The accessibility text gives "我的位置" as the origin; the screen read
    // takes no tab word such as "我的" for a place, and so has no endpoints.
    if (decodePayload(payload).value().origin())
        throw Failure{"the read used the accessibility text although IsEnabled was false: " + payload};
}

void covered(const Paths& paths) {
    const x11::Connection display = openDisplay();
    const Standin s = startStandin(paths, display, "labels.json");
    const Wendrel w = startWendrel(paths, display);
    coverWindow(display, s.window);
    pressRead(w);
    expectScenarioOptions(waitForPayload(), s.scenario);
}

void minimised(const Paths& paths) {
    const x11::Connection display = openDisplay();
    const Standin s = startStandin(paths, display, "labels.json");
    const Wendrel w = startWendrel(paths, display);
    xdotool({"windowunmap", "--sync", QString::fromStdString(windowId(s.window))});
    pressRead(w);
    waitForFailureText(w, windowNotFoundText);
    if (clipboard().starts_with(clipboardPrefix)) throw Failure{"a failed read put a payload on the clipboard"};
}

void tooSmall(const Paths& paths) {
    const x11::Connection display = openDisplay();
    const Standin s = startStandin(paths, display, "labels.json");
    const Wendrel w = startWendrel(paths, display);
    // Exactly the limits: a window must be wider than 300 and taller than 250.
    xdotool({"windowsize", QString::fromStdString(windowId(s.window)), "300", "250"});
    QThread::msleep(300);
    pressRead(w);
    waitForFailureText(w, windowNotFoundText);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::map<std::string, void (*)(const Paths&)> cases = {{"labels-accessible", labelsAccessible},
                                                                  {"panel-text-disabled", panelTextDisabled},
                                                                  {"covered", covered},
                                                                  {"minimised", minimised},
                                                                  {"too-small", tooSmall}};
    Paths paths;
    std::string name;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--standin" && i + 1 < argc) paths.standin = argv[++i];
        else if (arg == "--wendrel" && i + 1 < argc) paths.wendrel = argv[++i];
        else if (arg == "--scenarios" && i + 1 < argc) paths.scenarios = argv[++i];
        else name = arg;
    }
    const auto found = cases.find(name);
    if (found == cases.end() || paths.standin.isEmpty() || paths.wendrel.isEmpty() || paths.scenarios.isEmpty()) {
        std::cerr << "usage: screen-read-e2e CASE --standin PATH --wendrel PATH --scenarios DIR\n";
        return 2;
    }
    try {
        found->second(paths);
    } catch (const Failure& failure) {
        std::cerr << "screen-read-e2e " << name << ": " << failure.reason << "\n";
        return 1;
    }
    std::cout << "screen-read-e2e " << name << ": passed\n";
    return 0;
}
