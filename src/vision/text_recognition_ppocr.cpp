// Text recognition with a text detector and a line recogniser run through
// OpenCV's DNN module: the detector finds the text lines of the window at its
// size in points, then every line is cut out of the full image and read on
// its own. The detector's one call is spread by the engine over the cores;
// the lines are read by two readers with one engine thread each, as a line
// is too small a call for the engine to spread well. The models are loaded
// when a read is about to start (or by the read itself) and kept while reads
// follow one another; a minute without a read lets them go.

#include "vision/text_recognition.h"

#include "vision/line_reading.h"
#include "vision/text_observations.h"

#include <opencv2/core.hpp>
#include <opencv2/dnn.hpp>
#include <opencv2/imgproc.hpp>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <numeric>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#ifndef WENDREL_MODEL_DIR
#error "WENDREL_MODEL_DIR must name the directory of the recognition models"
#endif

namespace AmapVisionReader {
namespace {

using reading::PixelBox;
namespace fs = std::filesystem;

constexpr const char* errorDomain = "OpenCV";

// The detector's input: BGR, the ImageNet mean taken off, scaled by the
// ImageNet deviation. Its output is the probability of text per pixel; the
// thresholds and growth are the ones the models were trained with.
const cv::Scalar detectorMean{123.675, 116.28, 103.53};
constexpr double detectorScale = 1.0 / (255.0 * 0.226);
constexpr float binaryThreshold = 0.3f;
constexpr double boxThreshold = 0.6;
constexpr double unclipRatio = 1.5;
constexpr int shortestSide = 3;          // pixels of the detector's input
constexpr int maximumLines = 1000;

// The recogniser reads BGR lines 48 pixels tall, scaled to -1..1, at any
// width; a line goes to the narrowest of a few input widths that holds it, as
// the cost grows with the width and each change of width costs the engine a
// new set of buffers.
constexpr int recognizerHeight = 48;
constexpr int recognizerWidths[] = {128, 160, 192, 224, 256, 320, 480, 640, 960};
// A short line ("¥0", "¥118", "杨村") in an input of 96 is read as nothing,
// with unsure figures, or as another character ("苔" for "¥0", "Y118"): the
// recogniser was trained on lines padded to 320, and reads them in an input
// that wide.
constexpr int shortLineInput = 320;
// Lines whose tops are this close (in pixels of the full image) are one row.
constexpr int rowTolerance = 20;
// The models take memory while loaded (the two recognisers some 80 MB with
// their buffers, the detector 20 MB between its runs), and a dispatcher reads a
// route now and then: after this long without a read they are let go, and
// the next read loads them again.
constexpr std::chrono::seconds idleBeforeRelease{60};
// The lines are read by this many readers, one engine thread and recogniser
// each: one per core of a dispatcher's machine.
constexpr std::size_t readers = 2;

PlatformError recognitionError(long code, std::string description) {
    return PlatformError{errorDomain, code, std::move(description)};
}

const char* detectorFile = "text_detector.onnx";
const char* recognizerFile = "text_recognizer.onnx";
const char* keysFile = "text_recognizer_keys.txt";

bool holdsModels(const fs::path& dir) {
    std::error_code ec;
    return fs::is_regular_file(dir / detectorFile, ec) && fs::is_regular_file(dir / recognizerFile, ec) &&
           fs::is_regular_file(dir / keysFile, ec);
}

// Installed, the models lie in share/wendrel/models beside the program's bin
// directory; in a build tree, where the set-up script put them.
std::optional<fs::path> modelDirectory() {
    std::error_code ec;
    const fs::path program = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const fs::path installed = program.parent_path().parent_path() / "share" / "wendrel" / "models";
        if (holdsModels(installed)) return installed;
    }
    if (holdsModels(WENDREL_MODEL_DIR)) return fs::path(WENDREL_MODEL_DIR);
    return std::nullopt;
}

struct Models {
    std::mutex mutex;  // one recognition at a time; guards everything below
    bool loaded = false;
    bool loadWanted = false;  // a read is about to start
    std::chrono::steady_clock::time_point lastRead;
    std::condition_variable wake;  // a read was announced or ended, or the process ends
    bool stopping = false;
    bool kept = false;  // the keeper runs: see startKeeper
    fs::path dir;
    cv::dnn::Net detector;  // empty between its runs: see detectLines
    cv::dnn::Net recognizers[readers];
    std::vector<std::string> alphabet;
};

void release(Models& m) {
    m.detector = cv::dnn::Net();
    for (cv::dnn::Net& r : m.recognizers) r = cv::dnn::Net();
    m.loaded = false;
    // The buffers were freed in pieces; hand the heap's free pages back.
    malloc_trim(0);
}

std::optional<PlatformError> load(Models& m);

// A freshly imported detector; false when the engine refuses it.
bool importDetector(Models& m) {
    try {
        m.detector = cv::dnn::readNetFromONNX((m.dir / detectorFile).string());
        return true;
    } catch (const cv::Exception&) {
        m.detector = cv::dnn::Net();
        return false;
    }
}

// Loads the models when a read announces itself, and lets them go once
// reads have stopped for idleBeforeRelease.
void keepModels(Models& m) {
    std::unique_lock lock(m.mutex);
    while (!m.stopping) {
        if (m.loadWanted) {
            if (!m.loaded) load(m);  // a failure is the read's to report: it tries again
            m.loadWanted = false;
        } else if (!m.loaded) {
            m.wake.wait(lock);
        } else if (m.detector.empty()) {
            if (!importDetector(m)) release(m);  // the next read loads the models again, or says why not
        } else if (m.wake.wait_until(lock, m.lastRead + idleBeforeRelease) == std::cv_status::timeout &&
                   m.loaded && std::chrono::steady_clock::now() >= m.lastRead + idleBeforeRelease) {
            release(m);
        }
    }
}

Models& models() {
    static Models m;
    return m;
}

// The thread that loads the models ahead of a read and lets them go when
// reads stop, joined when the program ends. It may be importing a network
// then, using the engine's own static objects: it is made after the process's
// first load (see noteRead), so that it ends before they are destroyed.
struct Keeper {
    Models& m;
    std::thread thread;
    explicit Keeper(Models& models) : m(models) {
        try {
            thread = std::thread(keepModels, std::ref(m));
            m.kept = true;
        } catch (const std::system_error&) {
            // No thread to be had: the reads load the models and keep them.
        }
    }
    ~Keeper() {
        {
            const std::lock_guard lock(m.mutex);
            m.stopping = true;
        }
        m.wake.notify_all();
        if (thread.joinable()) thread.join();
    }
};

void startKeeper(Models& m) { static Keeper keeper(m); }

// Keeps the models for another idle period.
void noteRead(Models& m) {
    m.lastRead = std::chrono::steady_clock::now();
    if (m.loaded) startKeeper(m);
    m.wake.notify_all();
}

std::optional<PlatformError> load(Models& m) {
    const std::optional<fs::path> dir = modelDirectory();
    if (!dir)
        return recognitionError(2, std::string("找不到文字识别模型（") + detectorFile + " 等），请先运行 scripts/setup-models.sh");
    try {
        std::ifstream keys(*dir / keysFile);
        m.alphabet = reading::alphabetFromKeys(keys);
        m.detector = cv::dnn::readNetFromONNX((*dir / detectorFile).string());
        for (cv::dnn::Net& r : m.recognizers) r = cv::dnn::readNetFromONNX((*dir / recognizerFile).string());
    } catch (const cv::Exception& e) {
        m.detector = cv::dnn::Net();
        for (cv::dnn::Net& r : m.recognizers) r = cv::dnn::Net();
        return recognitionError(3, std::string("无法加载文字识别模型：") + e.what());
    }
    m.dir = *dir;
    m.loaded = true;
    m.lastRead = std::chrono::steady_clock::now();
    return std::nullopt;
}

cv::Mat bgrOf(const WindowImage& image) {
    const cv::Mat rgba(image.height, image.width, CV_8UC4, const_cast<std::uint8_t*>(image.rgba.data()));
    cv::Mat bgr;
    cv::cvtColor(rgba, bgr, cv::COLOR_RGBA2BGR);
    return bgr;
}

PixelBox pixelBoxOf(const cv::Rect& r) { return PixelBox{r.x, r.y, r.x + r.width, r.y + r.height}; }

// The mean text probability inside the region's outline.
double regionScore(const cv::Mat& probability, const std::vector<cv::Point>& contour, const cv::Rect& bounds) {
    cv::Mat mask = cv::Mat::zeros(bounds.size(), CV_8U);
    const std::vector<std::vector<cv::Point>> outline{contour};
    cv::fillPoly(mask, outline, cv::Scalar(1), cv::LINE_8, 0, -bounds.tl());
    return cv::mean(probability(bounds), mask)[0];
}

// Lets go of the detector once it has run, with its working buffers (some
// 300 MB for a window of 1440 points), and hands the freed pages back. The
// engine keeps them for as long as the network lives, and a detector once
// run finds nothing at another input size anyway: each read gets a freshly
// imported one, which the keeper imports after the read.
struct DetectorRun {
    Models& m;
    ~DetectorRun() {
        m.detector = cv::dnn::Net();
        malloc_trim(0);
    }
};

// The text lines of the window, in the full image's pixels.
std::vector<PixelBox> detectLines(Models& m, const cv::Mat& bgr) {
    const auto [width, height] = reading::detectionSize(bgr.cols, bgr.rows, reading::maximumDetectionArea);
    const DetectorRun run{m};
    if (m.detector.empty()) m.detector = cv::dnn::readNetFromONNX((m.dir / detectorFile).string());
    cv::Mat small;
    cv::resize(bgr, small, cv::Size(width, height), 0, 0, cv::INTER_AREA);
    m.detector.setInput(cv::dnn::blobFromImage(small, detectorScale, cv::Size(), detectorMean, false, false));
    const cv::Mat output = m.detector.forward();
    const cv::Mat probability(height, width, CV_32F, const_cast<float*>(output.ptr<float>()));
    cv::Mat text = probability > binaryThreshold;
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(text, contours, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE);
    std::vector<PixelBox> lines;
    for (const auto& contour : contours) {
        if (lines.size() >= maximumLines) break;
        const cv::Rect bounds = cv::boundingRect(contour);
        if (std::min(bounds.width, bounds.height) < shortestSide) continue;
        if (regionScore(probability, contour, bounds) < boxThreshold) continue;
        const PixelBox grown = reading::unclipped(pixelBoxOf(bounds), unclipRatio);
        if (std::min(grown.right - grown.left, grown.bottom - grown.top) < shortestSide + 2) continue;
        const PixelBox box = reading::scaledToImage(grown, width, height, bgr.cols, bgr.rows);
        if (box.right > box.left && box.bottom > box.top) lines.push_back(box);
    }
    return lines;
}

// The line as the recogniser's input: scaled to its height, -1..1, and padded
// on the right with 0 (mid grey). Padding with the line's own ground makes the
// recogniser read characters into it.
cv::Mat recognizerInput(const cv::Mat& bgr, const PixelBox& box, reading::CropFit fit) {
    const cv::Mat crop = bgr(cv::Rect(box.left, box.top, box.right - box.left, box.bottom - box.top));
    cv::Mat scaled;
    cv::resize(crop, scaled, cv::Size(fit.scaledWidth, recognizerHeight), 0, 0, cv::INTER_LINEAR);
    const int shape[] = {1, 3, recognizerHeight, fit.inputWidth};
    cv::Mat blob(4, shape, CV_32F, cv::Scalar(0));
    std::vector<cv::Mat> planes;
    cv::split(scaled, planes);
    for (int c = 0; c < 3; ++c) {
        cv::Mat plane(recognizerHeight, fit.inputWidth, CV_32F, blob.ptr<float>(0, c));
        planes[static_cast<std::size_t>(c)].convertTo(plane.colRange(0, fit.scaledWidth), CV_32F, 1.0 / 127.5, -1.0);
    }
    return blob;
}

reading::CropFit fitFor(const PixelBox& box) {
    return reading::fitCrop(box.right - box.left, box.bottom - box.top, recognizerHeight, recognizerWidths,
                            shortLineInput);
}

std::vector<reading::ReadCharacter> readLine(cv::dnn::Net& recognizer, const std::vector<std::string>& alphabet,
                                             const cv::Mat& bgr, const PixelBox& box) {
    const reading::CropFit fit = fitFor(box);
    recognizer.setInput(recognizerInput(bgr, box, fit));
    const cv::Mat scores = recognizer.forward();  // [1, steps, classes]
    const int steps = scores.size[1], classes = scores.size[2];
    const std::span<const float> values(scores.ptr<float>(), static_cast<std::size_t>(steps) * classes);
    return reading::decodeGreedy(values, steps, classes, alphabet);
}

// The engine's threads for the calls made while it lives: one per reader
// while the lines are read, so that two readers keep two cores busy without
// four threads fighting for them.
struct EngineThreads {
    int before = cv::getNumThreads();
    explicit EngineThreads(int threads) { cv::setNumThreads(threads); }
    ~EngineThreads() { cv::setNumThreads(before); }
    EngineThreads(const EngineThreads&) = delete;
    EngineThreads& operator=(const EngineThreads&) = delete;
};

// Every line read, in order. They are read by input width, the widest first
// (the engine sets up its buffers anew for each width), shared out in turn
// between the readers, each with its own recogniser; a failure of any is the
// read's.
std::vector<std::vector<reading::ReadCharacter>> readLines(Models& m, const cv::Mat& bgr,
                                                           const std::vector<PixelBox>& boxes) {
    std::vector<std::size_t> order(boxes.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::vector<int> widths(boxes.size());
    for (std::size_t i = 0; i < boxes.size(); ++i) widths[i] = fitFor(boxes[i]).inputWidth;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return widths[a] > widths[b]; });
    std::vector<std::vector<reading::ReadCharacter>> lines(boxes.size());
    std::exception_ptr failures[readers];
    auto readShare = [&](std::size_t reader) {
        try {
            for (std::size_t k = reader; k < order.size(); k += readers)
                lines[order[k]] = readLine(m.recognizers[reader], m.alphabet, bgr, boxes[order[k]]);
        } catch (...) {
            failures[reader] = std::current_exception();
        }
    };
    const EngineThreads oneEach(1);
    std::vector<std::thread> others;
    for (std::size_t reader = 1; reader < readers; ++reader) {
        try {
            others.emplace_back(readShare, reader);
        } catch (const std::system_error&) {
            readShare(reader);  // no thread to be had: this thread reads that share too
        }
    }
    readShare(0);
    for (std::thread& other : others) other.join();
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);
    return lines;
}

std::vector<AmapRecognizedFragment> fragmentsOf(const std::vector<PixelBox>& boxes,
                                                const std::vector<std::vector<reading::ReadCharacter>>& lines,
                                                int width, int height) {
    std::vector<AmapRecognizedFragment> fragments;
    for (const std::size_t i : reading::readingOrder(boxes, rowTolerance)) {
        // The recogniser's look-alikes read as the panel's characters, then
        // its figures judged.
        const auto read = reading::withZerosInFigures(reading::withYenBeforeFigures(reading::withDashesAsOne(lines[i])));
        std::optional<std::string> text = reading::trustedText(read, reading::minimumDigitConfidence);
        if (text) fragments.emplace_back(std::move(*text), recognition::normalizedBox(boxes[i], width, height));
    }
    return fragments;
}

}  // namespace

void prepareRecognition() {
    Models& m = models();
    const std::lock_guard lock(m.mutex);
    // The process's first load is the read's own (see Keeper).
    if (!m.kept) return;
    m.lastRead = std::chrono::steady_clock::now();
    m.loadWanted = true;
    m.wake.notify_all();
}

Expected<std::vector<AmapRecognizedFragment>, VisionError> recognizeFragments(const WindowImage& image) {
    if (image.width <= 0 || image.height <= 0 ||
        image.rgba.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4)
        return VisionError(recognitionError(1, "窗口画面为空或不完整，无法识别文字"));
    Models& m = models();
    const std::lock_guard lock(m.mutex);
    if (!m.loaded)
        if (const auto error = load(m)) return VisionError(*error);
    // Whatever the read's outcome, the idle period starts when it ends.
    const struct NoteReadAtEnd {
        Models& m;
        ~NoteReadAtEnd() { noteRead(m); }
    } noteReadAtEnd{m};
    try {
        const cv::Mat bgr = bgrOf(image);
        const std::vector<PixelBox> boxes = detectLines(m, bgr);
        return fragmentsOf(boxes, readLines(m, bgr, boxes), image.width, image.height);
    } catch (const cv::Exception& e) {
        return VisionError(recognitionError(4, std::string("文字识别失败：") + e.what()));
    }
}

// The models load beside each read's capture; there is nothing to ready.
std::optional<VisionError> warmUpRecognition() { return std::nullopt; }

void releaseRecognitionModels() {
    Models& m = models();
    const std::lock_guard lock(m.mutex);
    if (m.loaded) release(m);
}

Expected<std::vector<std::string>, VisionError> recognizeRouteStrings(const WindowImage& image) {
    auto fragments = recognizeFragments(image);
    if (!fragments) return fragments.error();
    return recognition::routeStringsFromFragments(fragments.value(), windowOfImage(image));
}

}  // namespace AmapVisionReader
