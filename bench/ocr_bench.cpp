// Recognition accuracy and speed on rendered route panels: each panel is read
// the way the read task reads a captured window (recognition, layout, parse)
// and judged against the panel's truth: full (every option, each toll the
// panel shows, both endpoints), partial (something left out, nothing wrong),
// none (no result) or wrong (a label, figure, toll or endpoint the panel does
// not show, or an extra option). Beside these it counts the options found,
// the tolls carried and the reads with both endpoints. Panels come at native
// 2× and at 1× enlarged to 2× (what an X11 screen at scale 1 gives), light
// and dark, in windows 1000 to 2560 points wide and 700 to 1440 high. It goes
// through the recogniser's own interface, so it measures whichever
// recogniser is linked.
//
// The first read of the process loads the recogniser's models: it is timed
// on its own on a 1440×900 window at 2× (2880×1800), then that image is read
// again warm, a second later. For comparison, plain `tesseract IMAGE - -l chi_sim+eng` reads
// the first few images and its text is parsed as one block.
//
//   wendrel-ocr-bench [--count N] [--plain N] [--seed S] [--keep DIR | --replay DIR] [--verbose]
//                     [--native | --enlarged] [--first-read-only] [--images-only]

#include "ocr_panel.h"

#include "model/route_model.h"
#include "parser/amap_parser.h"
#include "tools/inspect.h"
#include "vision/text_observations.h"
#include "vision/text_recognition.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <numeric>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using ocrcorpus::Outcome;

struct Settings {
    int count = 100;  // panels per variant
    int plain = 0;    // panels per variant also read by a plain tesseract command, when one is installed
    std::uint32_t seed = 1;
    QString keep;     // directory to keep the images in, for looking at failures
    QString replay;   // directory of fragments kept by an earlier run: lay them out again instead of recognising
    bool verbose = false;
    bool firstReadOnly = false;  // time the first read and a warm one, then stop
    bool imagesOnly = false;     // write the images to --keep and read nothing
    int firstVariant = 0, lastVariant = 1;  // native 2x, 1x enlarged to 2x
};

struct Tally {
    int images = 0;
    int outcomes[4] = {0, 0, 0, 0};  // by Outcome
    int allOptions = 0;              // reads that found every option
    int tolls = 0, tollsCarried = 0;
    int endpoints = 0;               // reads with both endpoints right
    int withNotice = 0, endpointsWithNotice = 0;  // the same of the panels with the notice row under the endpoints
    std::vector<double> seconds;

    void add(const ocrcorpus::Judgement& j, double s, bool notice) {
        ++images;
        withNotice += notice ? 1 : 0;
        endpointsWithNotice += notice && j.endpoints ? 1 : 0;
        ++outcomes[static_cast<int>(j.outcome)];
        allOptions += j.outcome != Outcome::wrong && j.optionsFound == j.options ? 1 : 0;
        tolls += j.tolls;
        tollsCarried += j.outcome != Outcome::wrong ? j.tollsCarried : 0;
        endpoints += j.endpoints ? 1 : 0;
        seconds.push_back(s);
    }
    int count(Outcome outcome) const { return outcomes[static_cast<int>(outcome)]; }
    double mean() const {
        return seconds.empty() ? 0 : std::accumulate(seconds.begin(), seconds.end(), 0.0) / seconds.size();
    }
    double percentile(double p) const {
        if (seconds.empty()) return 0;
        std::vector<double> sorted = seconds;
        std::sort(sorted.begin(), sorted.end());
        return sorted[std::min(sorted.size() - 1, static_cast<std::size_t>(p * sorted.size()))];
    }
};

const auto readDate = std::chrono::sys_days{std::chrono::year{2026} / 12 / 6} + std::chrono::hours{8};

const char* nameOf(Outcome outcome) {
    switch (outcome) {
        case Outcome::full: return "full";
        case Outcome::partial: return "partial";
        case Outcome::none: return "none";
        case Outcome::wrong: return "WRONG";
    }
    return "?";
}

std::string payloadOf(const AmapReadResult& result) {
    const auto payload = payloadText(result);
    return payload ? payload.value() : "(payload failed)";
}

struct Read {
    std::optional<AmapReadResult> result;
    std::string shown;  // the payload, or why there is none
    double seconds = 0;
};

// The parse of the read's blocks, or why there are none.
Read readOfStrings(const Expected<std::vector<std::string>, VisionError>& strings, Clock::time_point start) {
    Read read;
    if (strings) read.result = AmapParser::parse(strings.value(), readDate);
    read.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!strings) read.shown = "(" + strings.error().localizedDescription() + ")";
    else if (!read.result) read.shown = "(no route)";
    else read.shown = payloadOf(*read.result);
    return read;
}

// Layout and parse of recognised fragments, as the read task does them.
Read readOf(const Expected<std::vector<AmapRecognizedFragment>, VisionError>& fragments, WindowSize window,
            Clock::time_point start) {
    if (!fragments) return readOfStrings(fragments.error(), start);
    return readOfStrings(AmapVisionReader::recognition::routeStringsFromFragments(fragments.value(), window), start);
}

// Recognition, layout and parse through the recogniser's own interface.
Read readWithRecognizer(const WindowImage& image) {
    const auto start = Clock::now();
    return readOfStrings(AmapVisionReader::recognizeRouteStrings(image), start);
}

// The same read, the recognised fragments kept in `file` as `wendrel-inspect
// read` takes them, to lay them out again without recognising.
Read readKeepingFragments(const WindowImage& image, const std::string& file) {
    const auto start = Clock::now();
    const auto fragments = AmapVisionReader::recognizeFragments(image);
    if (fragments) std::ofstream(file) << inspect::fragmentsJson(fragments.value()) << "\n";
    return readOf(fragments, AmapVisionReader::windowOfImage(image), start);
}

// The read again from fragments kept by an earlier run; none when the file
// is missing or not fragments.
Read replayedRead(const std::string& file, WindowSize window) {
    const auto start = Clock::now();
    std::ifstream in(file);
    std::stringstream content;
    content << in.rdbuf();
    try {
        return readOf(inspect::readFragments(content.str()), window, start);
    } catch (const inspect::BadInput& e) {
        Read read;
        read.shown = "(" + file + ": " + e.message + ")";
        return read;
    }
}

Read readWithPlainTesseract(const QString& file) {
    Read read;
    const std::string command = "tesseract '" + file.toStdString() + "' - -l chi_sim+eng 2>/dev/null";
    const auto start = Clock::now();
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return read;
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int status = pclose(pipe);
    read.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (status == 0) read.result = AmapParser::parse(std::vector<std::string>{out}, readDate);
    return read;
}

[[noreturn]] void usage() {
    std::cerr << "usage: wendrel-ocr-bench [--count N] [--plain N] [--seed S] [--keep DIR | --replay DIR] [--verbose]\n"
                 "                         [--native | --enlarged] [--first-read-only] [--images-only]\n";
    std::exit(2);
}

Settings parseArguments(int argc, char** argv) {
    Settings s;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--count" && hasValue) s.count = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--plain" && hasValue) s.plain = std::max(0, std::atoi(argv[++i]));
        else if (arg == "--seed" && hasValue) s.seed = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        else if (arg == "--keep" && hasValue) s.keep = argv[++i];
        else if (arg == "--replay" && hasValue) s.replay = argv[++i];
        else if (arg == "--verbose") s.verbose = true;
        else if (arg == "--native") s.lastVariant = 0;
        else if (arg == "--enlarged") s.firstVariant = 1;
        else if (arg == "--first-read-only") s.firstReadOnly = true;
        else if (arg == "--images-only") s.imagesOnly = true;
        else usage();
    }
    if ((s.imagesOnly && s.keep.isEmpty()) || (!s.replay.isEmpty() && (s.imagesOnly || s.plain > 0))) usage();
    return s;
}

// The first read of the process (models loading), then the same window warm.
// The process's resident memory (VmRSS), in MB.
long residentMegabytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:")) return std::atol(line.c_str() + 6) / 1024;
    return -1;
}

void timeFirstRead() {
    ocrcorpus::Panel panel = ocrcorpus::randomPanel(0);
    panel.style.windowWidth = ocrcorpus::windowWidthPoints;
    panel.style.windowHeight = ocrcorpus::windowHeightPoints;
    const WindowImage image = ocrcorpus::windowImageOf(ocrcorpus::render(panel, 2, 0));
    const long before = residentMegabytes();
    const Read cold = readWithRecognizer(image);
    // A dispatcher's next read comes seconds later, not at once: what the
    // recogniser prepares between reads (a fresh detector) is ready by then.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const Read warm = readWithRecognizer(image);
    const long afterReads = residentMegabytes();
    AmapVisionReader::releaseRecognitionModels();
    std::printf("window %dx%d: first read (models loading) %.3f s, warm read %.3f s; resident %ld MB before, %ld MB "
                "after the reads, %ld MB once the models are let go\n",
                image.width, image.height, cold.seconds, warm.seconds, before, afterReads, residentMegabytes());
}

WindowImage imageOf(const ocrcorpus::Panel& panel, int variant, std::uint32_t seed) {
    if (variant == 0) return ocrcorpus::windowImageOf(ocrcorpus::render(panel, 2, seed));
    return ocrcorpus::windowImageOf(ocrcorpus::enlargedTwice(ocrcorpus::render(panel, 1, seed)));
}

std::string describe(const ocrcorpus::Panel& panel) {
    const ocrcorpus::PanelStyle& s = panel.style;
    const ocrcorpus::PanelChrome& c = panel.chrome;
    std::string toolbar;
    for (const std::string& item : c.toolbar) toolbar += (toolbar.empty() ? "" : " ") + item;
    const char* markers[] = {"dots apart", "bullets", "badges"};
    return std::to_string(s.windowWidth) + "x" + std::to_string(s.windowHeight) + "pt, " +
           std::to_string(panel.columns.size()) + " columns " + std::to_string(static_cast<int>(s.columnPitch)) +
           "pt apart, " + (s.serif ? "serif " : "sans ") + std::to_string(s.pointSize) + "pt, " +
           (s.dark ? "dark" : "light") + (s.clutter ? ", clutter" : "") +
           (s.markers ? std::string(", ") + markers[static_cast<int>(c.markerShape)] : "") +
           (s.boldFigures ? ", bold figures" : "") + (s.tollBesideDistance ? ", toll beside distance" : "") +
           (panel.notice.empty() ? "" : ", notice") + "; toolbar [" + toolbar + "]" +
           (c.title.empty() ? "" : ", title " + c.title) + (c.search.empty() ? "" : ", search " + c.search) +
           (c.heading.empty() ? "" : ", heading " + c.heading) + (c.via.empty() ? "" : ", via " + c.via) +
           (c.belowDestination.empty() ? "" : ", under the destination " + c.belowDestination) +
           (c.besideOrigin.empty() ? "" : ", beside origin " + c.besideOrigin) +
           (c.besideDestination.empty() ? "" : ", beside destination " + c.besideDestination) +
           (c.swapIcon ? ", swap icon" : "");
}

const char* variantNames[2] = {"native 2x", "1x enlarged to 2x"};

// The groups a read counts in, besides its variant's: theme, tall windows,
// the chrome around the endpoints.
std::vector<std::string> groupsOf(const ocrcorpus::Panel& panel, int variant) {
    const ocrcorpus::PanelChrome& chrome = panel.chrome;
    const std::string v = variant == 0 ? "2x" : "1x";
    std::vector<std::string> groups = {variantNames[variant], v + (panel.style.dark ? ", dark" : ", light")};
    if (panel.style.windowHeight >= 1100) groups.push_back(v + ", tall");
    const bool vehicleTabs = chrome.toolbar == ocrcorpus::PanelChrome{}.toolbar;
    groups.push_back("toolbar: " + (vehicleTabs ? std::string("vehicle tabs")
                                                : std::to_string(chrome.toolbar.size()) + " item" +
                                                      (chrome.toolbar.size() > 1 ? "s" : "")));
    if (!chrome.title.empty()) groups.push_back("window title");
    if (!chrome.search.empty()) groups.push_back("search field");
    if (!chrome.heading.empty()) groups.push_back("heading over the card");
    if (!chrome.besideOrigin.empty() || !chrome.besideDestination.empty()) groups.push_back("buttons beside");
    if (!chrome.via.empty()) groups.push_back("waypoint row");
    if (!chrome.belowDestination.empty()) groups.push_back("line under the destination");
    if (panel.style.markers && chrome.markerShape == ocrcorpus::MarkerShape::bulletBeforeText)
        groups.push_back("bullets before names");
    groups.push_back(panel.notice.empty() ? "no notice row" : "notice row");
    return groups;
}

// Whether the panel shows its notice row directly under origin and
// destination, as the map application draws it: no waypoint between them,
// no other line of the card under the destination.
bool noticeUnderTheEndpoints(const ocrcorpus::Panel& panel) {
    return !panel.notice.empty() && panel.chrome.via.empty() && panel.chrome.belowDestination.empty();
}

// Tallies by group, in the order of groupOrder (the variants' own groups
// after their variant), others after them.
const std::vector<std::string> groupOrder = {
    "native 2x", "2x, light", "2x, dark", "2x, tall", "1x enlarged to 2x", "1x, light", "1x, dark", "1x, tall",
    "toolbar: vehicle tabs", "toolbar: 1 item", "toolbar: 2 items", "toolbar: 3 items", "window title",
    "search field", "heading over the card", "buttons beside", "waypoint row", "line under the destination",
    "bullets before names",
    "notice row", "no notice row"};

struct Groups {
    std::vector<std::pair<std::string, Tally>> rows;
    void add(const std::string& group, const ocrcorpus::Judgement& j, double seconds, bool notice) {
        auto row = std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r.first == group; });
        if (row == rows.end()) {
            const auto rank = [](const std::string& g) { return std::find(groupOrder.begin(), groupOrder.end(), g); };
            row = std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return rank(r.first) > rank(group); });
            row = rows.insert(row, {group, Tally{}});
        }
        row->second.add(j, seconds, notice);
    }
};

double percent(int part, int whole) { return whole ? 100.0 * part / whole : 0.0; }

void printHeader() {
    std::printf("| %-18s | %-26s | %5s | %4s | %7s | %4s | %5s | %8s | %6s | %10s | %7s | %7s | %7s |\n", "reader",
                "images", "count", "full", "partial", "none", "WRONG", "options%", "tolls%", "endpoints%", "notice%",
                "mean s", "p95 s");
    std::printf("|--------------------|----------------------------|-------|------|---------|------|-------|----------|-----"
                "---|------------|---------|---------|---------|\n");
}

void printRow(const char* reader, const char* group, const Tally& t) {
    std::printf("| %-18s | %-26s | %5d | %4d | %7d | %4d | %5d | %7.1f%% | %5.1f%% | %9.1f%% | %6.1f%% | %7.3f | %7.3f |\n",
                reader, group, t.images, t.count(Outcome::full), t.count(Outcome::partial), t.count(Outcome::none),
                t.count(Outcome::wrong), percent(t.allOptions, t.images), percent(t.tollsCarried, t.tolls),
                percent(t.endpoints, t.images), percent(t.endpointsWithNotice, t.withNotice), t.mean(),
                t.percentile(0.95));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const Settings settings = parseArguments(argc, argv);
    QTemporaryDir temporary;
    const QString imageDir = settings.keep.isEmpty() ? temporary.path() : settings.keep;
    QDir().mkpath(imageDir);

    if (!settings.imagesOnly && settings.replay.isEmpty()) timeFirstRead();
    if (settings.firstReadOnly) return 0;

    Tally plain[2];
    Groups groups;
    std::vector<std::string> wrong;
    const auto count = [&](const ocrcorpus::Panel& panel, const AmapReadResult& expected, const Read& read,
                           std::uint32_t seed, int v) {
        const ocrcorpus::Judgement judgement = ocrcorpus::judge(expected, read.result);
        for (const std::string& group : groupsOf(panel, v))
            groups.add(group, judgement, read.seconds, noticeUnderTheEndpoints(panel));
        if (judgement.outcome == Outcome::wrong)
            wrong.push_back("panel " + std::to_string(seed) + " " + variantNames[v] + ": " + read.shown);
        if (settings.verbose && judgement.outcome != Outcome::full)
            std::cout << "panel " << seed << " " << variantNames[v] << ": " << nameOf(judgement.outcome) << " ("
                      << describe(panel) << ")\n  expected " << payloadOf(expected) << "\n  got      " << read.shown
                      << "\n";
    };
    for (int i = 0; i < settings.count; ++i) {
        const std::uint32_t seed = settings.seed + static_cast<std::uint32_t>(i);
        const ocrcorpus::Panel panel = ocrcorpus::randomPanel(seed);
        const auto expected = ocrcorpus::expectedResult(panel, readDate);
        if (!expected) {
            std::cerr << "panel " << seed << ": its own texts do not parse; generator fault\n";
            return 1;
        }
        for (int v = settings.firstVariant; v <= settings.lastVariant; ++v) {
            const QString name = QString("/panel-%1-%2.png").arg(seed).arg(v == 0 ? "2x" : "1x");
            if (!settings.replay.isEmpty()) {
                const WindowSize window{static_cast<double>(panel.style.windowWidth),
                                        static_cast<double>(panel.style.windowHeight)};
                const Read read = replayedRead((settings.replay + name).toStdString() + ".fragments.json", window);
                count(panel, *expected, read, seed, v);
                continue;
            }
            const WindowImage image = imageOf(panel, v, seed);
            const QString file = imageDir + name;
            const bool keepImage = !settings.keep.isEmpty() || i < settings.plain;
            if (keepImage) QImage(image.rgba.data(), image.width, image.height, QImage::Format_RGBA8888).save(file);
            if (!settings.keep.isEmpty() && v == settings.firstVariant) {
                // What a perfect read of the panel gives, and how it was drawn.
                std::ofstream truth(QString(imageDir + "/panel-%1.txt").arg(seed).toStdString());
                truth << payloadOf(*expected) << "\n" << describe(panel) << "\n";
            }
            if (settings.imagesOnly) continue;

            count(panel, *expected, settings.keep.isEmpty()
                                        ? readWithRecognizer(image)
                                        : readKeepingFragments(image, file.toStdString() + ".fragments.json"),
                  seed, v);
            if (i < settings.plain) {
                const Read plainRead = readWithPlainTesseract(file);
                plain[v].add(ocrcorpus::judge(*expected, plainRead.result), plainRead.seconds,
                             noticeUnderTheEndpoints(panel));
            }
        }
    }
    if (settings.imagesOnly) return 0;

    std::printf("\nseeds %u to %u, read at 2026-12-06T08:00:00Z\n", settings.seed,
                settings.seed + static_cast<std::uint32_t>(settings.count) - 1);
    printHeader();
    for (const auto& [group, tally] : groups.rows) printRow("wendrel recogniser", group.c_str(), tally);
    for (int v = 0; v < 2; ++v)
        if (plain[v].images) printRow("plain tesseract", variantNames[v], plain[v]);
    std::printf("options%%: reads with every option; tolls%%: of the options whose panel shows a toll, those read with it;\n"
                "endpoints%%: reads with both endpoints (notice%%: of the reads whose panel shows its notice row directly\n"
                "under origin and destination, no waypoint or other line between);\n"
                "tall: windows 1100 points high or more; toolbar: the items of the row above the panel, vehicle tabs\n"
                "being the panel's own; bullets: a marker read with each name\n");
    for (const std::string& w : wrong) std::printf("wrong: %s\n", w.c_str());
    return 0;
}
