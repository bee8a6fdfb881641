#include "vision/line_crops.h"

#include "parser/text_rules.h"

#include <algorithm>
#include <array>

namespace AmapVisionReader::recognition {
namespace {

constexpr int maxTextHeightPixels = 100;
constexpr int verticalMargin = 2;
constexpr double sideMarginPerHeight = 0.6;
constexpr double groundQuantile = 0.9;
constexpr double middleGrey = 128.0;
constexpr std::uint8_t inkBelow = 160;         // a column with no pixel darker is blank
constexpr double letterSpacePerHeight = 0.1;

std::size_t at(int x, int y, int width) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
}

// The value below which `groundQuantile` of the box's pixels lie: the line's
// ground, whatever its shade.
int groundOf(GreyView image, const PixelBox& box) {
    std::array<long, 256> histogram{};
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) ++histogram[image.pixels[at(x, y, image.width)]];
    const double total = static_cast<double>(box.right - box.left) * (box.bottom - box.top);
    long seen = 0;
    for (int v = 0; v < 256; ++v) {
        seen += histogram[static_cast<std::size_t>(v)];
        if (static_cast<double>(seen) >= groundQuantile * total) return v;
    }
    return 255;
}

// Lifts the ground to white, keeping black black, then applies the gain.
std::array<std::uint8_t, 256> toneCurve(int ground, double gain) {
    std::array<std::uint8_t, 256> curve{};
    for (int v = 0; v < 256; ++v) {
        const int stretched = ground > 0 ? std::clamp(v * 255 / ground, 0, 255) : 255;
        curve[static_cast<std::size_t>(v)] =
            static_cast<std::uint8_t>(std::clamp(middleGrey + (stretched - middleGrey) * gain, 0.0, 255.0));
    }
    return curve;
}

// After every run of ink columns inside the text, `extra` white columns.
void spaceLetters(LineCrop& crop, int extra) {
    std::vector<bool> blank(static_cast<std::size_t>(crop.width), true);
    for (int x = 0; x < crop.width; ++x)
        for (int y = 0; y < crop.height; ++y)
            if (crop.pixels[at(x, y, crop.width)] < inkBelow) {
                blank[static_cast<std::size_t>(x)] = false;
                break;
            }
    const auto first = std::find(blank.begin(), blank.end(), false);
    if (first == blank.end()) return;
    const int firstInk = static_cast<int>(first - blank.begin());
    const int lastInk = crop.width - 1 - static_cast<int>(std::find(blank.rbegin(), blank.rend(), false) - blank.rbegin());

    std::vector<int> sources;  // crop column per new column, -1 for an added white one
    for (int x = 0; x < crop.width; ++x) {
        sources.push_back(x);
        const bool glyphEnds = x > firstInk && x < lastInk && blank[static_cast<std::size_t>(x)] &&
                               !blank[static_cast<std::size_t>(x - 1)];
        if (glyphEnds) sources.insert(sources.end(), static_cast<std::size_t>(extra), -1);
    }
    const int width = static_cast<int>(sources.size());
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(crop.height), 255);
    std::vector<int> columns(static_cast<std::size_t>(width));
    int last = 0;
    for (int x = 0; x < width; ++x) {
        const int source = sources[static_cast<std::size_t>(x)];
        if (source >= 0) last = source;
        columns[static_cast<std::size_t>(x)] = crop.imageColumns[static_cast<std::size_t>(last)];
        if (source < 0) continue;
        for (int y = 0; y < crop.height; ++y) pixels[at(x, y, width)] = crop.pixels[at(source, y, crop.width)];
    }
    crop.pixels = std::move(pixels);
    crop.width = width;
    crop.imageColumns = std::move(columns);
}

}  // namespace

std::vector<PixelBox> piecesOfLine(const std::vector<PixelBox>& words) {
    int height = 0;
    for (const PixelBox& w : words) height = std::max(height, w.bottom - w.top);
    std::vector<PixelBox> pieces;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const PixelBox& w = words[i];
        if (i == 0 || w.left - words[i - 1].right > height) {
            pieces.push_back(w);
            continue;
        }
        PixelBox& p = pieces.back();
        p.left = std::min(p.left, w.left);
        p.top = std::min(p.top, w.top);
        p.right = std::max(p.right, w.right);
        p.bottom = std::max(p.bottom, w.bottom);
    }
    return pieces;
}

bool isReadablePiece(const PixelBox& piece) {
    return piece.right > piece.left && piece.bottom > piece.top && piece.bottom - piece.top <= maxTextHeightPixels;
}

int LineCrop::imageColumn(int x) const {
    if (imageColumns.empty()) return x;
    return imageColumns[static_cast<std::size_t>(std::clamp(x, 0, static_cast<int>(imageColumns.size()) - 1))];
}

LineCrop cropForReading(GreyView image, PixelBox piece, CropStyle style) {
    const int sideMargin = std::max(verticalMargin, static_cast<int>(sideMarginPerHeight * (piece.bottom - piece.top)));
    PixelBox box{std::max(0, piece.left - sideMargin), std::max(0, piece.top - verticalMargin),
                 std::min(image.width, piece.right + sideMargin), std::min(image.height, piece.bottom + verticalMargin)};
    box.right = std::max(box.right, box.left + 1);
    box.bottom = std::max(box.bottom, box.top + 1);
    const int boxHeight = box.bottom - box.top;
    const int pad = std::max(8, boxHeight / 2);

    LineCrop crop;
    crop.width = box.right - box.left + 2 * pad;
    crop.height = boxHeight + 2 * pad;
    crop.originY = box.top - pad;
    crop.pixels.assign(static_cast<std::size_t>(crop.width) * static_cast<std::size_t>(crop.height), 255);
    crop.imageColumns.resize(static_cast<std::size_t>(crop.width));
    for (int x = 0; x < crop.width; ++x) crop.imageColumns[static_cast<std::size_t>(x)] = box.left - pad + x;

    const auto curve = toneCurve(groundOf(image, box), style.contrastGain);
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            crop.pixels[at(x - box.left + pad, y - box.top + pad, crop.width)] = curve[image.pixels[at(x, y, image.width)]];

    if (style.letterSpaced) spaceLetters(crop, std::max(1, static_cast<int>(letterSpacePerHeight * boxHeight)));
    return crop;
}

bool isFigureReading(std::string_view line) {
    static const text::Pattern figure(
        R"(^(?:[0-9]+小时(?:[0-9]+分)?|[0-9]+分钟|[0-9]+(?:\.[0-9]+)?公里|¥[0-9]+)$)");
    return figure.matchesIn(line);
}

}  // namespace AmapVisionReader::recognition
