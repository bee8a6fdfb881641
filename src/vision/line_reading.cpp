#include "vision/line_reading.h"

#include "text/text_rules.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <tuple>

namespace AmapVisionReader::reading {
namespace {

constexpr int detectorStride = 32;

bool isAsciiDigit(const std::string& s) { return s.size() == 1 && s[0] >= '0' && s[0] <= '9'; }

// Whether the UTF-8 character is a CJK unified ideograph.
bool isIdeograph(const std::string& s) {
    if (s.size() != 3) return false;
    const auto b0 = static_cast<unsigned char>(s[0]), b1 = static_cast<unsigned char>(s[1]);
    const unsigned code = ((b0 & 0x0Fu) << 12) | ((b1 & 0x3Fu) << 6) | (static_cast<unsigned char>(s[2]) & 0x3Fu);
    return (b0 & 0xF0u) == 0xE0u && code >= 0x4E00 && code <= 0x9FFF;
}

bool isZeroLike(const std::string& s) { return s == "0" || s == "O" || s == "o"; }

bool isDash(const std::string& s) {
    return s == "-" || s == "\u2010" || s == "\u2013" || s == "\u2014" || s == "\u2015" || s == "\u30FC" || s == "\u2500";
}

int height(const PixelBox& b) { return b.bottom - b.top; }
int width(const PixelBox& b) { return b.right - b.left; }

// One line right under the other in one column.
bool areStacked(const PixelBox& a, const PixelBox& b) {
    const int overlap = std::min(a.right, b.right) - std::max(a.left, b.left);
    if (2 * overlap < std::min(width(a), width(b))) return false;
    const int gap = std::max(a.top, b.top) - std::min(a.bottom, b.bottom);
    return gap <= std::max(height(a), height(b));
}

// Top to bottom, and left to right among boxes whose tops are within
// `rowTolerance` of each other. Boxes of zero size take no part.
std::vector<std::size_t> pageOrder(const std::vector<PixelBox>& boxes, int rowTolerance) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < boxes.size(); ++i)
        if (width(boxes[i]) > 0 || height(boxes[i]) > 0) order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return std::pair(boxes[a].top, boxes[a].left) < std::pair(boxes[b].top, boxes[b].left);
    });
    // Boxes of one row whose tops differ by a pixel or two go left to right.
    for (std::size_t i = 1; i < order.size(); ++i)
        for (std::size_t j = i; j > 0; --j) {
            const PixelBox& before = boxes[order[j - 1]];
            const PixelBox& after = boxes[order[j]];
            if (std::abs(after.top - before.top) >= rowTolerance || after.left >= before.left) break;
            std::swap(order[j - 1], order[j]);
        }
    return order;
}

}  // namespace

DetectionSize detectionSize(int imageWidth, int imageHeight, int maximumArea) {
    const double points = (std::max(imageWidth, 0) / 2.0) * (std::max(imageHeight, 0) / 2.0);
    const double scale = points > maximumArea ? std::sqrt(maximumArea / points) : 1.0;
    auto side = [&](int pixels) {
        const double target = std::max(pixels, 0) / 2 * scale;
        const int stride = detectorStride;
        const int rounded = scale < 1.0 ? static_cast<int>(target) / stride * stride
                                        : static_cast<int>(target + stride / 2) / stride * stride;
        return std::max(rounded, stride);
    };
    return DetectionSize{side(imageWidth), side(imageHeight)};
}

PixelBox unclipped(const PixelBox& box, double ratio) {
    const double w = box.right - box.left, h = box.bottom - box.top;
    if (w <= 0 || h <= 0) return box;
    const int d = static_cast<int>(std::lround(w * h * ratio / (2 * (w + h))));
    return PixelBox{box.left - d, box.top - d, box.right + d, box.bottom + d};
}

PixelBox scaledToImage(const PixelBox& box, int fromWidth, int fromHeight, int imageWidth, int imageHeight) {
    const double sx = static_cast<double>(imageWidth) / fromWidth, sy = static_cast<double>(imageHeight) / fromHeight;
    auto x = [&](int v) { return std::clamp(static_cast<int>(std::lround(v * sx)), 0, imageWidth); };
    auto y = [&](int v) { return std::clamp(static_cast<int>(std::lround(v * sy)), 0, imageHeight); };
    return PixelBox{x(box.left), y(box.top), x(box.right), y(box.bottom)};
}

CropFit fitCrop(int cropWidth, int cropHeight, int inputHeight, std::span<const int> inputWidths,
                int shortLineInput) {
    const int widest = inputWidths.back();
    const double scaled = std::ceil(static_cast<double>(cropWidth) * inputHeight / cropHeight);
    const int width = std::clamp(static_cast<int>(scaled), 1, widest);
    const bool isShort = width <= 2 * inputHeight;
    const int holding = isShort ? std::clamp(shortLineInput, width, widest) : width;
    const auto input = std::find_if(inputWidths.begin(), inputWidths.end(), [&](int w) { return w >= holding; });
    return CropFit{width, *input};
}

std::vector<std::string> alphabetFromKeys(std::istream& keys) {
    std::vector<std::string> alphabet{""};
    for (std::string line; std::getline(keys, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        alphabet.push_back(line == "\uFFE5" ? "\u00A5" : line);
    }
    alphabet.emplace_back(" ");
    return alphabet;
}

std::vector<ReadCharacter> decodeGreedy(std::span<const float> scores, int steps, int classes,
                                        const std::vector<std::string>& alphabet) {
    std::vector<std::size_t> zeros;
    for (std::size_t k = 0; k < alphabet.size() && k < static_cast<std::size_t>(classes); ++k)
        if (isZeroLike(alphabet[k])) zeros.push_back(k);
    constexpr int zeroRun = -1;  // the run class of every zero-like class
    std::vector<ReadCharacter> line;
    int previous = 0;
    for (int t = 0; t < steps; ++t) {
        const auto row = scores.subspan(static_cast<std::size_t>(t) * classes, static_cast<std::size_t>(classes));
        const auto best = static_cast<int>(std::max_element(row.begin(), row.end()) - row.begin());
        const float score = row[static_cast<std::size_t>(best)];
        const bool known = best != 0 && static_cast<std::size_t>(best) < alphabet.size();
        const bool zeroLike = known && isZeroLike(alphabet[static_cast<std::size_t>(best)]);
        float zeroScore = 0;
        if (zeroLike)
            for (const std::size_t k : zeros) zeroScore += row[k];
        const int run = zeroLike ? zeroRun : best;
        if (best != 0 && run == previous && !line.empty()) {
            line.back().confidence = std::max(line.back().confidence, score);
            line.back().zeroConfidence = std::max(line.back().zeroConfidence, zeroScore);
        } else if (known) {
            line.push_back(ReadCharacter{alphabet[static_cast<std::size_t>(best)], score, zeroScore});
        }
        previous = run;
    }
    return line;
}

std::vector<ReadCharacter> withDashesAsOne(std::vector<ReadCharacter> line) {
    for (std::size_t i = 1; i < line.size(); ++i) {
        const bool closesAWord = i + 1 == line.size() || isIdeograph(line[i + 1].text);
        if (isDash(line[i].text) && isIdeograph(line[i - 1].text) && closesAWord) line[i].text = "\u4E00";
    }
    return line;
}

std::vector<ReadCharacter> withYenBeforeFigures(std::vector<ReadCharacter> line) {
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        const bool opensAFigure = i == 0 || line[i - 1].text == " " || line[i - 1].text == "里";
        const bool yenLike = line[i].text == "Y" || line[i].text == "V";
        if (yenLike && opensAFigure && isAsciiDigit(line[i + 1].text)) line[i].text = "\u00A5";
    }
    return line;
}

std::vector<ReadCharacter> withZerosInFigures(std::vector<ReadCharacter> line) {
    const auto figureBefore = [](const std::string& s) { return isAsciiDigit(s) || s == "." || s == "\u00A5"; };
    const auto figureAfter = [](const std::string& s) { return isAsciiDigit(s) || s == "."; };
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i].zeroConfidence <= 0) continue;
        const bool inFigure =
            (i > 0 && figureBefore(line[i - 1].text)) || (i + 1 < line.size() && figureAfter(line[i + 1].text));
        if (!inFigure) continue;
        line[i].text = "0";
        line[i].confidence = std::max(line[i].confidence, line[i].zeroConfidence);
    }
    return line;
}

std::optional<std::string> trustedText(const std::vector<ReadCharacter>& line, float minimumConfidence) {
    const auto isDigit = [](const ReadCharacter& c) { return isAsciiDigit(c.text); };
    const auto first = std::find_if(line.begin(), line.end(), isDigit);
    const auto last = std::find_if(line.rbegin(), line.rend(), isDigit).base();
    const auto unsure = std::find_if(first, last, [&](const ReadCharacter& c) {
        return c.confidence < minimumConfidence && c.text != " " && c.text != "\u00A5";
    });
    auto end = line.end();
    if (unsure != last) {
        // A distance read surely keeps its line up to its unit: what was
        // unsure comes after it (the toll beside it, its yen sign read as
        // "Y"), and is lost rather than the distance.
        end = unsure;
        while (end - first >= 2 && !((end - 2)->text == "公" && (end - 1)->text == "里")) --end;
        if (end - first < 2) return std::nullopt;
    }
    std::string joined;
    for (auto c = line.begin(); c != end; ++c) joined += c->text;
    // The alphabet is read from a file: whatever it holds, only well-formed
    // UTF-8 goes on to the layout and the payload.
    std::string trimmed = text::trim(text::wellFormedUtf8(joined));
    if (trimmed.empty()) return std::nullopt;
    return trimmed;
}

std::vector<std::size_t> readingOrder(const std::vector<PixelBox>& boxes, int rowTolerance) {
    // The blocks, as sets joined by their stacked lines.
    std::vector<std::size_t> block(boxes.size());
    std::iota(block.begin(), block.end(), std::size_t{0});
    auto root = [&](std::size_t i) {
        while (block[i] != i) i = block[i] = block[block[i]];
        return i;
    };
    for (std::size_t a = 0; a < boxes.size(); ++a)
        for (std::size_t b = a + 1; b < boxes.size(); ++b)
            if (areStacked(boxes[a], boxes[b])) block[root(a)] = root(b);

    std::vector<PixelBox> blockBoxes(boxes.size());
    std::vector<bool> used(boxes.size(), false);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const std::size_t r = root(i);
        PixelBox& box = blockBoxes[r];
        box = used[r] ? PixelBox{std::min(box.left, boxes[i].left), std::min(box.top, boxes[i].top),
                                 std::max(box.right, boxes[i].right), std::max(box.bottom, boxes[i].bottom)}
                      : boxes[i];
        used[r] = true;
    }
    const std::vector<std::size_t> blocks = pageOrder(blockBoxes, rowTolerance);
    std::vector<std::size_t> rank(boxes.size());
    for (std::size_t i = 0; i < blocks.size(); ++i) rank[blocks[i]] = i;

    std::vector<std::size_t> order(boxes.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return std::tuple(rank[root(a)], boxes[a].top, boxes[a].left) <
               std::tuple(rank[root(b)], boxes[b].top, boxes[b].left);
    });
    return order;
}

}  // namespace AmapVisionReader::reading
