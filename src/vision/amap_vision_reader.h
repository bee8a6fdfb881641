#pragma once
// Screen recognition: the map window's image becomes recognised fragments,
// and the fragments' geometry rebuilds the panel's lines as candidate blocks
// for the parser. Everything here is portable; the capture and the recogniser
// live behind window_capture.h and text_recognition.h, one file per platform.

#include "model/expected.h"

#include <cstdint>
#include <utility>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// A rectangle in normalised image coordinates: 0..1 in each direction, origin
// at the lower-left corner, y growing upwards.
struct NormalizedRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    friend bool operator==(const NormalizedRect&, const NormalizedRect&) = default;
};

// One recognised piece of text and where it stands in the window image.
struct AmapRecognizedFragment {
    AmapRecognizedFragment(std::string recognizedText, NormalizedRect boundingBox)
        : text(std::move(recognizedText)), box(boundingBox) {}

    std::string text;  // trimmed, never empty
    NormalizedRect box;

    friend bool operator==(const AmapRecognizedFragment&, const AmapRecognizedFragment&) = default;

    double minX() const { return box.x; }
    double maxX() const { return box.x + box.width; }
    double minY() const { return box.y; }
    double maxY() const { return box.y + box.height; }
    double midX() const { return box.x + box.width / 2; }
    double midY() const { return box.y + box.height / 2; }
};

// The screen-recognition path's own failures, each with a fixed message.
enum class AmapVisionReaderError { windowNotFound, captureFailed, recognitionFailed };

// "没有找到高德地图窗口", "无法读取高德地图窗口画面", "没有识别到高德路线文字".
std::string_view errorDescription(AmapVisionReaderError error);

// An error of the platform's capture or recognition service, passed on with
// its own readable description.
struct PlatformError {
    std::string domain;  // e.g. "X11", "OpenCV"
    long code = 0;
    std::string description;
};

// What the screen-recognition path fails with: one of its own cases or a
// platform error, unchanged.
class VisionError {
public:
    VisionError(AmapVisionReaderError error) : error_(error) {}
    VisionError(PlatformError error) : error_(std::move(error)) {}

    bool isReaderError() const { return std::holds_alternative<AmapVisionReaderError>(error_); }
    // Only when isReaderError().
    AmapVisionReaderError readerError() const { return std::get<AmapVisionReaderError>(error_); }
    // Only when !isReaderError().
    const PlatformError& platformError() const { return std::get<PlatformError>(error_); }

    // What the user sees after the failure's fixed first line.
    std::string localizedDescription() const;

    friend bool operator==(const VisionError& a, const VisionError& b);

private:
    std::variant<AmapVisionReaderError, PlatformError> error_;
};

// A captured window image: 8-bit RGBA, rows top to bottom, no padding.
struct WindowImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

// A window's size in points. The map application lays its panel out in
// points from the window's top-left corner, whatever the window's size.
struct WindowSize {
    double width = 0;
    double height = 0;

    friend bool operator==(const WindowSize&, const WindowSize&) = default;
};

namespace AmapVisionReader {

// The window the layout's rules were drawn up in; a fragment's place is
// measured against it in points.
inline constexpr WindowSize referenceWindow{1440, 900};

// The size in points of the window a capture shows: the image holds two
// pixels per point.
WindowSize windowOfImage(const WindowImage& image);

// The route block (endpoints, "通知", then label, travel time, distance and,
// where the column shows one, toll of each option, left to right) and the
// full-text block, leaving out empty ones. The fragments' boxes are
// normalised to `window`, a size in points; a size that is not positive and
// finite is taken as the reference window. A fragment holding two travel
// times or two distances (two columns' lines run together) is in neither;
// where the layout built options, nor is a travel time without a label of
// its own.
std::vector<std::string> routeBlocks(const std::vector<AmapRecognizedFragment>& fragments,
                                     WindowSize window = referenceWindow);

}  // namespace AmapVisionReader
