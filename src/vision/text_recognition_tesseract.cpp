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

#include <memory>
#include <mutex>

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

std::vector<AmapRecognizedFragment> linesOf(tesseract::TessBaseAPI& api, int width, int height) {
    std::vector<AmapRecognizedFragment> fragments;
    std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (!it) return fragments;
    constexpr auto level = tesseract::RIL_TEXTLINE;
    do {
        const std::unique_ptr<char[]> reading(it->GetUTF8Text(level));
        if (!reading) continue;
        std::string line = text::trim(recognition::tidyLine(reading.get()));
        if (line.empty()) continue;
        recognition::PixelBox box;
        if (!it->BoundingBox(level, &box.left, &box.top, &box.right, &box.bottom)) continue;
        fragments.emplace_back(std::move(line), recognition::normalizedBox(box, width, height));
    } while (it->Next(level));
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
