// Text recognition with Tesseract 5: Simplified Chinese then English, LSTM
// engine. The layout of the whole window image is found once; then each text
// line is read on its own from a crop made for it, on both cores.

#include "vision/text_recognition.h"

#include "parser/text_rules.h"
#include "vision/line_crops.h"
#include "vision/recognition_cleanup.h"

#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#if defined(_OPENMP)
#include <omp.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace AmapVisionReader {
namespace {

using recognition::LineCrop;
using recognition::PixelBox;

constexpr const char* languages = "chi_sim+eng";
// The window image is twice the window's size in points: 144 pixels per inch.
constexpr int sourceResolution = 144;
// Lines are read on two engines at once: these machines have two cores.
constexpr unsigned readerCount = 2;

PlatformError tesseractError(long code, std::string description) {
    return PlatformError{"Tesseract", code, std::move(description)};
}

// The Debian build starts more OpenMP threads than there are cores and runs
// several times slower for it; each engine stays on its own thread instead.
// The setting belongs to the calling thread and must be made before the
// engine's first parallel region on it.
void keepEachEngineSerial() {
#if defined(_OPENMP)
    omp_set_max_active_levels(0);
#endif
}

std::unique_ptr<tesseract::TessBaseAPI> loadEngine() {
    auto api = std::make_unique<tesseract::TessBaseAPI>();
    if (api->Init(nullptr, languages, tesseract::OEM_LSTM_ONLY) != 0) return nullptr;
    api->SetVariable("preserve_interword_spaces", "1");
    return api;
}

// The loaded models, kept for the whole run: loading costs about a sixth of
// a second per engine. An engine is not re-entrant, so one recognition runs
// at a time.
struct Engines {
    std::mutex mutex;
    std::vector<std::unique_ptr<tesseract::TessBaseAPI>> readers;
};

Engines& engines() {
    static Engines instance;
    return instance;
}

// Tesseract keeps the loaded dictionaries in a cache of its own that is made
// while loading, so it is torn down before a static engine would be; the
// engines are therefore released first, at exit, once no recognition runs.
void releaseEnginesAtExit() {
    Engines& e = engines();
    const std::lock_guard lock(e.mutex);
    for (auto& api : e.readers) api->End();
    e.readers.clear();
}

bool loadEngines(Engines& e) {
    for (unsigned i = 0; i < readerCount; ++i) {
        auto api = loadEngine();
        if (!api) {
            e.readers.clear();
            return false;
        }
        e.readers.push_back(std::move(api));
    }
    std::atexit(releaseEnginesAtExit);
    return true;
}

// The layout's text lines, each as its words' boxes, left to right. Sparse
// text keeps the panel's side-by-side columns as separate lines; the fully
// automatic modes merge them into one line.
std::vector<std::vector<PixelBox>> layoutLines(tesseract::TessBaseAPI& api, const std::vector<std::uint8_t>& grey,
                                               int width, int height) {
    api.SetPageSegMode(tesseract::PSM_SPARSE_TEXT);
    api.SetImage(grey.data(), width, height, 1, width);
    api.SetSourceResolution(sourceResolution);
    std::vector<std::vector<PixelBox>> lines;
    if (const std::unique_ptr<tesseract::PageIterator> it(api.AnalyseLayout()); it) do {
            if (lines.empty() || it->IsAtBeginningOf(tesseract::RIL_TEXTLINE)) lines.emplace_back();
            PixelBox box;
            if (it->BoundingBox(tesseract::RIL_WORD, &box.left, &box.top, &box.right, &box.bottom))
                lines.back().push_back(box);
        } while (it->Next(tesseract::RIL_WORD));
    api.Clear();  // an empty page gives no iterator
    return lines;
}

struct Word {
    std::string text;
    PixelBox box;
};

struct Reading {
    std::vector<Word> words;
    std::string tidied;  // the words joined and tidied, for comparing readings
};

Reading read(tesseract::TessBaseAPI& api, const LineCrop& crop, tesseract::PageSegMode mode) {
    Reading reading;
    api.SetPageSegMode(mode);
    api.SetImage(crop.pixels.data(), crop.width, crop.height, 1, crop.width);
    api.SetSourceResolution(sourceResolution);
    if (api.Recognize(nullptr) == 0) {
        const std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
        if (it) do {
                const std::unique_ptr<char[]> text(it->GetUTF8Text(tesseract::RIL_WORD));
                PixelBox box;
                if (!text || !it->BoundingBox(tesseract::RIL_WORD, &box.left, &box.top, &box.right, &box.bottom))
                    continue;
                box.left = crop.imageColumn(box.left);
                box.right = crop.imageColumn(box.right - 1) + 1;
                box.top += crop.originY;
                box.bottom += crop.originY;
                reading.words.push_back(Word{text.get(), box});
            } while (it->Next(tesseract::RIL_WORD));
    }
    api.Clear();
    std::string joined;
    for (const Word& w : reading.words) joined += (joined.empty() ? "" : " ") + w.text;
    reading.tidied = recognition::tidyLine(joined);
    return reading;
}

bool hasAsciiDigit(const std::string& s) { return s.find_first_of("0123456789") != std::string::npos; }

// One piece read as one line. The fast models misread now and then in ways
// that depend on small differences of the image, so a piece is read twice:
// - figures again with its glyphs spaced apart, taken when that reads as a
//   figure of the panel (the engine runs two equal figures into one, "11" as
//   "1", but never makes up a whole figure);
// - other text again with its contrast raised, and when the two differ, a
//   third time as a raw line; the reading two of the three agree on wins,
//   the first one otherwise ("白云" in a bold serif face read as "白去");
//   when both have a character twice in a row, the raw line decides whether
//   it is there once ("太和和镇").
Reading readPiece(tesseract::TessBaseAPI& api, recognition::GreyView grey, const PixelBox& piece) {
    const LineCrop plain = recognition::cropForReading(grey, piece, {});
    Reading first = read(api, plain, tesseract::PSM_SINGLE_LINE);
    if (hasAsciiDigit(first.tidied)) {
        Reading spaced = read(api, recognition::cropForReading(grey, piece, {1.0, true}), tesseract::PSM_SINGLE_LINE);
        return recognition::isFigureReading(spaced.tidied) ? spaced : first;
    }
    const Reading contrasted = read(api, recognition::cropForReading(grey, piece, {2.0, false}), tesseract::PSM_SINGLE_LINE);
    const bool agreed = contrasted.tidied == first.tidied;
    if (agreed && !recognition::hasDoubledCharacter(first.tidied)) return first;
    Reading raw = read(api, plain, tesseract::PSM_RAW_LINE);
    if (agreed) return recognition::doublesOneCharacterOf(first.tidied, raw.tidied) ? raw : first;
    return raw.tidied == contrasted.tidied ? contrasted : first;
}

// Every piece read, in order, the pieces shared out between the engines.
std::vector<Reading> readPieces(const std::vector<std::unique_ptr<tesseract::TessBaseAPI>>& readers,
                                recognition::GreyView grey, const std::vector<PixelBox>& pieces) {
    std::vector<Reading> readings(pieces.size());
    std::atomic<std::size_t> next{0};
    auto work = [&](tesseract::TessBaseAPI& api) {
        keepEachEngineSerial();  // the setting is each thread's own
        for (std::size_t i; (i = next.fetch_add(1)) < pieces.size();) readings[i] = readPiece(api, grey, pieces[i]);
    };
    std::vector<std::thread> helpers;
    try {
        for (std::size_t r = 1; r < readers.size(); ++r) helpers.emplace_back(work, std::ref(*readers[r]));
    } catch (const std::system_error&) {
        // No thread to be had: the engines that did start read everything.
    }
    work(*readers.front());
    for (std::thread& t : helpers) t.join();
    return readings;
}

std::vector<PixelBox> piecesToRead(const std::vector<std::vector<PixelBox>>& lines) {
    std::vector<PixelBox> pieces;
    for (const std::vector<PixelBox>& line : lines)
        for (const PixelBox& piece : recognition::piecesOfLine(line))
            if (recognition::isReadablePiece(piece)) pieces.push_back(piece);
    return pieces;
}

PixelBox boxOf(const std::vector<Word>& words) {
    PixelBox box = words.front().box;
    for (const Word& w : words) {
        box.left = std::min(box.left, w.box.left);
        box.top = std::min(box.top, w.box.top);
        box.right = std::max(box.right, w.box.right);
        box.bottom = std::max(box.bottom, w.box.bottom);
    }
    return box;
}

std::vector<AmapRecognizedFragment> fragmentsOf(const std::vector<Reading>& readings, int width, int height) {
    std::vector<const Reading*> read;
    std::vector<PixelBox> boxes;
    for (const Reading& r : readings) {
        if (r.words.empty()) continue;
        read.push_back(&r);
        boxes.push_back(boxOf(r.words));
    }
    // The layout now and then makes a line of the detached top strokes of a
    // row of characters; such a line overlaps the row's own line.
    const std::vector<bool> keep = recognition::linesToKeep(boxes);
    std::vector<AmapRecognizedFragment> fragments;
    for (std::size_t i = 0; i < read.size(); ++i) {
        std::string line = text::trim(read[i]->tidied);
        if (!keep[i] || line.empty()) continue;
        fragments.emplace_back(std::move(line), recognition::normalizedBox(boxes[i], width, height));
    }
    return fragments;
}

}  // namespace

Expected<std::vector<AmapRecognizedFragment>, VisionError> recognizeFragments(const WindowImage& image) {
    if (image.width <= 0 || image.height <= 0 ||
        image.rgba.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4)
        return VisionError(tesseractError(1, "窗口画面为空或不完整，无法识别文字"));
    keepEachEngineSerial();  // each read may come on a thread of its own
    Engines& e = engines();
    const std::lock_guard lock(e.mutex);
    if (e.readers.empty() && !loadEngines(e))
        return VisionError(tesseractError(2, "无法加载 Tesseract 中文和英文识别模型（chi_sim、eng）"));
    const std::vector<std::uint8_t> grey = recognition::recognitionGrey(image);
    const std::vector<std::vector<PixelBox>> lines = layoutLines(*e.readers.front(), grey, image.width, image.height);
    const recognition::GreyView view{grey.data(), image.width, image.height};
    return fragmentsOf(readPieces(e.readers, view, piecesToRead(lines)), image.width, image.height);
}

Expected<std::vector<std::string>, VisionError> recognizeRouteStrings(const WindowImage& image) {
    auto fragments = recognizeFragments(image);
    if (!fragments) return fragments.error();
    if (fragments.value().empty()) return VisionError(AmapVisionReaderError::recognitionFailed);
    return routeBlocks(fragments.value());
}

}  // namespace AmapVisionReader
