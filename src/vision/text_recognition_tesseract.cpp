// Text recognition with Tesseract 5: Simplified Chinese then English, LSTM
// engine, one pass over the whole window image, text lines as observations.

#include "vision/text_recognition.h"

#include "parser/text_rules.h"
#include "vision/recognition_cleanup.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#if defined(_OPENMP)
#include <omp.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>

namespace AmapVisionReader {
namespace {

constexpr const char* languages = "chi_sim+eng";
// The window image is twice the window's size in points: 144 pixels per inch.
constexpr int sourceResolution = 144;

PlatformError tesseractError(long code, std::string description) {
    return PlatformError{"Tesseract", code, std::move(description)};
}

// The Debian build starts more OpenMP threads than there are cores and runs
// several times slower for it; recognition is one pass, so keep it serial.
// This must happen before the engine's first parallel region.
void keepRecognitionSerial() {
#if defined(_OPENMP)
    omp_set_max_active_levels(0);
#endif
}

// The loaded models, kept for the whole run: loading costs about a sixth of
// a second. The engine is not re-entrant, so one recognition runs at a time.
struct Engine {
    std::mutex mutex;
    std::unique_ptr<tesseract::TessBaseAPI> api;
    bool loaded = false;
};

bool load(Engine& engine) {
    keepRecognitionSerial();
    engine.api = std::make_unique<tesseract::TessBaseAPI>();
    if (engine.api->Init(nullptr, languages, tesseract::OEM_LSTM_ONLY) != 0) return false;
    // Sparse text keeps the panel's side-by-side columns as separate lines;
    // the fully automatic modes merge them into one line.
    engine.api->SetPageSegMode(tesseract::PSM_SPARSE_TEXT);
    engine.api->SetVariable("preserve_interword_spaces", "1");
    return true;
}

Engine& engine() {
    static Engine instance;
    return instance;
}

// Tesseract keeps the loaded dictionaries in a cache of its own that is made
// while loading, so it is torn down before a static engine would be; the
// engine is therefore released first, at exit, once no recognition runs.
void releaseEngineAtExit() {
    Engine& e = engine();
    const std::lock_guard lock(e.mutex);
    if (e.api) e.api->End();
    e.api.reset();
    e.loaded = false;
}

struct Word {
    std::string text;
    recognition::PixelBox box;
};

// The recogniser's text lines, each as its words with their boxes.
std::vector<std::vector<Word>> wordsByLine(tesseract::TessBaseAPI& api) {
    std::vector<std::vector<Word>> lines;
    const std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (!it) return lines;
    do {
        if (lines.empty() || it->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) lines.emplace_back();
        const std::unique_ptr<char[]> reading(it->GetUTF8Text(tesseract::RIL_WORD));
        Word word;
        if (!reading || !it->BoundingBox(tesseract::RIL_WORD, &word.box.left, &word.box.top, &word.box.right,
                                         &word.box.bottom))
            continue;
        word.text = reading.get();
        lines.back().push_back(std::move(word));
    } while (it->Next(tesseract::RIL_WORD));
    return lines;
}

// Sparse-text mode still joins words that stand far apart on one row, such
// as an endpoint's marker icon and the endpoint; the platform recogniser
// reports those as separate pieces, so a gap wider than the line is tall
// starts a new piece.
std::vector<std::vector<Word>> splitAtWideGaps(const std::vector<Word>& line) {
    int height = 0;
    for (const Word& w : line) height = std::max(height, w.box.bottom - w.box.top);
    std::vector<std::vector<Word>> pieces;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (i == 0 || line[i].box.left - line[i - 1].box.right > height) pieces.emplace_back();
        pieces.back().push_back(line[i]);
    }
    return pieces;
}

recognition::PixelBox boxOf(const std::vector<Word>& words) {
    recognition::PixelBox box = words.front().box;
    for (const Word& w : words) {
        box.left = std::min(box.left, w.box.left);
        box.top = std::min(box.top, w.box.top);
        box.right = std::max(box.right, w.box.right);
        box.bottom = std::max(box.bottom, w.box.bottom);
    }
    return box;
}

std::optional<AmapRecognizedFragment> fragmentOf(const std::vector<Word>& words, int width, int height) {
    std::string reading;
    for (const Word& w : words) reading += (reading.empty() ? "" : " ") + w.text;
    const recognition::PixelBox box = boxOf(words);
    std::string line = text::trim(recognition::tidyLine(reading));
    if (line.empty()) return std::nullopt;
    return AmapRecognizedFragment(std::move(line), recognition::normalizedBox(box, width, height));
}

std::vector<AmapRecognizedFragment> linesOf(tesseract::TessBaseAPI& api, int width, int height) {
    std::vector<std::vector<Word>> lines;
    for (std::vector<Word>& line : wordsByLine(api))
        if (!line.empty()) lines.push_back(std::move(line));
    std::vector<recognition::PixelBox> boxes;
    for (const std::vector<Word>& line : lines) boxes.push_back(boxOf(line));
    // Sparse-text mode now and then makes a line of the detached top strokes
    // of a row of characters; such a line overlaps the row's own line.
    const std::vector<bool> keep = recognition::linesToKeep(boxes);
    std::vector<AmapRecognizedFragment> fragments;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!keep[i]) continue;
        for (const std::vector<Word>& piece : splitAtWideGaps(lines[i]))
            if (auto fragment = fragmentOf(piece, width, height)) fragments.push_back(std::move(*fragment));
    }
    return fragments;
}

}  // namespace

Expected<std::vector<AmapRecognizedFragment>, VisionError> recognizeFragments(const WindowImage& image) {
    if (image.width <= 0 || image.height <= 0 ||
        image.rgba.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4)
        return VisionError(tesseractError(1, "窗口画面为空或不完整，无法识别文字"));
    Engine& e = engine();
    const std::lock_guard lock(e.mutex);
    if (!e.loaded) {
        if (!load(e)) {
            e.api.reset();
            return VisionError(tesseractError(2, "无法加载 Tesseract 中文和英文识别模型（chi_sim、eng）"));
        }
        e.loaded = true;
        std::atexit(releaseEngineAtExit);
    }
    tesseract::TessBaseAPI& api = *e.api;
    const std::vector<std::uint8_t> grey = recognition::recognitionGrey(image);
    api.SetImage(grey.data(), image.width, image.height, 1, image.width);
    api.SetSourceResolution(sourceResolution);
    if (api.Recognize(nullptr) != 0) {
        api.Clear();
        return VisionError(tesseractError(3, "Tesseract 文字识别失败"));
    }
    std::vector<AmapRecognizedFragment> fragments = linesOf(api, image.width, image.height);
    api.Clear();
    return fragments;
}

Expected<std::vector<std::string>, VisionError> recognizeRouteStrings(const WindowImage& image) {
    auto fragments = recognizeFragments(image);
    if (!fragments) return fragments.error();
    if (fragments.value().empty()) return VisionError(AmapVisionReaderError::recognitionFailed);
    return routeBlocks(fragments.value());
}

}  // namespace AmapVisionReader
