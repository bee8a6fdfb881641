// Recognition accuracy and speed on rendered route panels: each panel is read
// the way the read task reads a captured window (recognition, layout, parse)
// and its payload compared with the payload of a perfect read. Panels come at
// native 2× and at 1× enlarged to 2× (what an X11 screen at scale 1 gives).
// For comparison, plain `tesseract IMAGE - -l chi_sim+eng` reads a subset of
// the same images and its text is parsed as one block.
//
//   wendrel-ocr-bench [--count N] [--plain N] [--seed S] [--keep DIR] [--verbose] [--native | --enlarged]

#include "ocr_panel.h"

#include "model/route_model.h"
#include "parser/amap_parser.h"
#include "vision/recognition_cleanup.h"
#include "vision/text_recognition.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <numeric>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Settings {
    int count = 100;      // panels per variant
    int plain = 20;       // panels per variant also read by the plain tesseract command
    std::uint32_t seed = 1;
    QString keep;         // directory to keep the images in, for looking at failures
    bool verbose = false;
    int firstVariant = 0, lastVariant = 1;  // native 2x, 1x enlarged to 2x
};

struct Tally {
    int panels = 0;
    int exact = 0;
    std::vector<double> seconds;

    void add(bool ok, double s) {
        ++panels;
        exact += ok ? 1 : 0;
        seconds.push_back(s);
    }
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

std::string payloadOf(const std::vector<std::string>& strings) {
    const auto result = AmapParser::parse(strings, readDate);
    if (!result) return "(no route)";
    const auto payload = payloadText(*result);
    return payload ? payload.value() : "(payload failed)";
}

std::string readWithRecognizer(const WindowImage& image, double& seconds) {
    const auto start = Clock::now();
    const auto strings = AmapVisionReader::recognizeRouteStrings(image);
    std::string payload = strings ? payloadOf(strings.value()) : "(" + strings.error().localizedDescription() + ")";
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return payload;
}

std::string readWithPlainTesseract(const QString& file, double& seconds) {
    const std::string command = "tesseract '" + file.toStdString() + "' - -l chi_sim+eng 2>/dev/null";
    const auto start = Clock::now();
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "(tesseract did not start)";
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int status = pclose(pipe);
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (status != 0) return "(tesseract failed)";
    return payloadOf({out});
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
        else if (arg == "--verbose") s.verbose = true;
        else if (arg == "--native") s.lastVariant = 0;
        else if (arg == "--enlarged") s.firstVariant = 1;
        else {
            std::cerr << "usage: wendrel-ocr-bench [--count N] [--plain N] [--seed S] [--keep DIR] [--verbose] [--native | --enlarged]\n";
            std::exit(2);
        }
    }
    return s;
}

void printRow(const char* reader, const char* variant, const Tally& t) {
    std::printf("| %-18s | %-20s | %6d | %5d | %6.1f%% | %8.3f | %8.3f |\n", reader, variant, t.panels, t.exact,
                t.panels ? 100.0 * t.exact / t.panels : 0.0, t.mean(), t.percentile(0.95));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const Settings settings = parseArguments(argc, argv);
    QTemporaryDir temporary;
    const QString imageDir = settings.keep.isEmpty() ? temporary.path() : settings.keep;
    QDir().mkpath(imageDir);

    // Load the models before timing anything.
    {
        const auto warm = ocrcorpus::windowImageOf(ocrcorpus::render(ocrcorpus::randomPanel(0), 2, 0));
        const auto start = Clock::now();
        (void)AmapVisionReader::recognizeFragments(warm);
        std::printf("first recognition, model load included: %.3f s\n",
                    std::chrono::duration<double>(Clock::now() - start).count());
    }

    Tally ours[2], plain[2];
    Tally byTheme[2][2];  // [variant][dark]
    const char* variants[2] = {"native 2x", "1x enlarged to 2x"};
    for (int i = 0; i < settings.count; ++i) {
        const std::uint32_t seed = settings.seed + static_cast<std::uint32_t>(i);
        const ocrcorpus::Panel panel = ocrcorpus::randomPanel(seed);
        const std::string expected = ocrcorpus::expectedPayload(panel, readDate);
        if (expected.empty()) {
            std::cerr << "panel " << seed << ": its own texts do not parse; generator fault\n";
            return 1;
        }
        for (int v = settings.firstVariant; v <= settings.lastVariant; ++v) {
            WindowImage image;
            if (v == 0) {
                image = ocrcorpus::windowImageOf(ocrcorpus::render(panel, 2, seed));
            } else {
                const WindowImage small = ocrcorpus::windowImageOf(ocrcorpus::render(panel, 1, seed));
                image = AmapVisionReader::recognition::resampled(small, small.width * 2, small.height * 2);
            }
            double seconds = 0;
            const std::string got = readWithRecognizer(image, seconds);
            ours[v].add(got == expected, seconds);
            byTheme[v][panel.style.dark ? 1 : 0].add(got == expected, seconds);
            if (settings.verbose && got != expected)
                std::cout << "panel " << seed << " " << variants[v] << " (" << (panel.style.serif ? "serif" : "sans")
                          << " " << panel.style.pointSize << "pt " << (panel.style.dark ? "dark" : "light")
                          << (panel.style.clutter ? " clutter" : "") << (panel.style.markers ? " markers" : "")
                          << ")\n  expected " << expected << "\n  got      "
                          << got << "\n";

            const bool keepImage = !settings.keep.isEmpty() || i < settings.plain;
            if (!keepImage) continue;
            const QString file = imageDir + QString("/panel-%1-%2.png").arg(seed).arg(v == 0 ? "2x" : "1x");
            QImage(image.rgba.data(), image.width, image.height, QImage::Format_RGBA8888).save(file);
            if (i < settings.plain) {
                const std::string plainGot = readWithPlainTesseract(file, seconds);
                plain[v].add(plainGot == expected, seconds);
            }
        }
    }

    std::printf("\nimages 2880x1800, read at %s\n", "2026-12-06T08:00:00Z");
    std::printf("| %-18s | %-20s | %6s | %5s | %7s | %8s | %8s |\n", "reader", "images", "panels", "exact", "share",
                "mean s", "p95 s");
    std::printf("|%s|%s|%s|%s|%s|%s|%s|\n", "--------------------", "----------------------", "--------", "-------",
                "---------", "----------", "----------");
    for (int v = 0; v < 2; ++v)
        if (ours[v].panels) printRow("wendrel recogniser", variants[v], ours[v]);
    for (int v = 0; v < 2; ++v)
        if (plain[v].panels) printRow("plain tesseract", variants[v], plain[v]);
    const char* themeRows[2][2] = {{"native 2x, light", "native 2x, dark"},
                                   {"1x to 2x, light", "1x to 2x, dark"}};
    for (int v = 0; v < 2; ++v)
        for (int dark = 0; dark < 2; ++dark)
            if (byTheme[v][dark].panels) printRow("wendrel recogniser", themeRows[v][dark], byTheme[v][dark]);
    return 0;
}
