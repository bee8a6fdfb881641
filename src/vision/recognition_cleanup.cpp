#include "vision/recognition_cleanup.h"

#include "parser/text_rules.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace AmapVisionReader::recognition {
namespace {

constexpr char32_t yenSign = U'\u00A5';
constexpr char32_t fullWidthYenSign = U'\uFFE5';

std::u32string decode(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(s.data());
    const auto length = static_cast<std::int32_t>(s.size());
    for (std::int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT(bytes, i, length, c);
        out.push_back(c < 0 ? U'\uFFFD' : static_cast<char32_t>(c));
    }
    return out;
}

std::string encode(const std::u32string& s) {
    std::string out;
    out.reserve(s.size() * 3);
    for (const char32_t c : s) {
        std::uint8_t buffer[4];
        std::int32_t length = 0;
        U8_APPEND_UNSAFE(buffer, length, static_cast<UChar32>(c));
        out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length));
    }
    return out;
}

// Ideographs, kana, CJK symbols and punctuation, and the full-width forms:
// a recogniser for Chinese never puts a space next to these.
bool isCjk(char32_t c) {
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF);
}

// Marks that belong to the panel's own texts even at a line's ends: currency,
// brackets and quotation marks, per cent, and the dots and bullets that mark
// endpoints.
bool isMeaningfulMark(char32_t c) {
    switch (u_charType(static_cast<UChar32>(c))) {
        case U_START_PUNCTUATION:
        case U_END_PUNCTUATION: return true;
        default: break;
    }
    return c == yenSign || c == U'$' || c == U'%' || c == U'\u00B7' || c == U'\u2022' || c == U'\u25CF' ||
           c == U'\u201C' || c == U'\u201D' || c == U'\u2018' || c == U'\u2019';
}

// A stray symbol or punctuation mark, as an icon next to a text reads.
bool isDebris(char32_t c) {
    if (isMeaningfulMark(c)) return false;
    switch (u_charType(static_cast<UChar32>(c))) {
        case U_MATH_SYMBOL:
        case U_CURRENCY_SYMBOL:
        case U_MODIFIER_SYMBOL:
        case U_OTHER_SYMBOL:
        case U_CONNECTOR_PUNCTUATION:
        case U_DASH_PUNCTUATION:
        case U_INITIAL_PUNCTUATION:
        case U_FINAL_PUNCTUATION:
        case U_OTHER_PUNCTUATION: return true;
        default: return false;
    }
}

// A closing quotation mark cannot begin a text, nor an opening one end it.
bool isDebrisAtStart(char32_t c) { return isDebris(c) || c == U'\u201D' || c == U'\u2019'; }
bool isDebrisAtEnd(char32_t c) { return isDebris(c) || c == U'\u201C' || c == U'\u2018'; }

bool isSpace(char32_t c) { return text::isWhitespaceOrNewline(c); }

std::u32string collapseWhiteSpace(const std::u32string& s) {
    std::u32string out;
    for (const char32_t c : s) {
        if (!isSpace(c)) {
            out.push_back(c == fullWidthYenSign ? yenSign : c);
        } else if (!out.empty() && out.back() != U' ') {
            out.push_back(U' ');
        }
    }
    return out;
}

bool isAsciiDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

// Tesseract reads a thin "1" as "]", "|", "l" or "I" now and then; next to a
// figure or a unit of time or distance it can only be the figure.
std::u32string restoreOnes(std::u32string s) {
    auto looksLikeOne = [](char32_t c) { return c == U']' || c == U'[' || c == U'|' || c == U'l' || c == U'I'; };
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (!looksLikeOne(s[i])) continue;
        const char32_t before = i > 0 ? s[i - 1] : U'\0';
        const char32_t after = i + 1 < s.size() ? s[i + 1] : U'\0';
        if (isAsciiDigit(before) || isAsciiDigit(after) || before == U'时' || after == U'小' || after == U'分' ||
            after == U'公')
            s[i] = U'1';
    }
    return s;
}

std::u32string dropSpacesNextToCjk(const std::u32string& s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == U' ' && i > 0 && i + 1 < s.size() &&
            (isCjk(s[i - 1]) || isCjk(s[i + 1]) || s[i - 1] == yenSign))
            continue;
        out.push_back(s[i]);
    }
    return out;
}

bool isAsciiLetter(char32_t c) { return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z'); }
bool isIdeograph(char32_t c) { return (c >= 0x3400 && c <= 0x9FFF) || (c >= 0x20000 && c <= 0x3FFFF); }

bool isDoubledAt(const std::u32string& s, std::size_t i) { return isIdeograph(s[i]) && s[i] == s[i + 1]; }

// A round marker or icon read as a letter, a zero or an at sign.
bool looksLikeIcon(char32_t c) { return isAsciiLetter(c) || c == U'0' || c == U'@'; }

bool isQuoteOrStop(char32_t c) {
    return c == U'"' || c == U'\u201C' || c == U'\u201D' || c == U'\u3002' || c == U'\u300C' || c == U'\u300D';
}

// How many characters at `from` (stepping by `step`, +1 or -1) are an icon
// read as one or two Latin letters ("O", "CO", "0", "e@") that stand right
// against a Chinese text, with at most a space between; 0 when there is none.
std::size_t latinIconLength(const std::u32string& s, std::size_t from, int step) {
    std::size_t letters = 0;
    auto at = [&](std::size_t k) { return s[step > 0 ? from + k : from - k]; };
    const std::size_t room = step > 0 ? s.size() - from : from + 1;
    while (letters < room && looksLikeIcon(at(letters))) ++letters;
    if (letters == 0 || letters > 2) return 0;
    std::size_t next = letters;
    if (next < room && at(next) == U' ') ++next;
    return next < room && isIdeograph(at(next)) ? next : 0;
}

// A marker read as one or two characters and a quotation mark or full stop
// before a Chinese text ("四”", "CO。”"): how many characters to drop from the
// start, 0 when the line does not start so.
std::size_t quotedIconLength(const std::u32string& s) {
    for (std::size_t i = 1; i <= 3 && i < s.size(); ++i) {
        if (!isQuoteOrStop(s[i])) continue;
        // One character, or one or two icon-like ones, before the mark.
        const bool oneCharacter = i == 1 || (i == 2 && s[1] == U' ');
        const bool iconLike = std::all_of(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(i),
                                          [](char32_t c) { return looksLikeIcon(c) || c == U' '; });
        if (!oneCharacter && !iconLike) return 0;
        std::size_t next = i + 1;
        while (next < s.size() && (isQuoteOrStop(s[next]) || s[next] == U' ')) ++next;
        return next < s.size() && isIdeograph(s[next]) ? next : 0;
    }
    return 0;
}

std::u32string stripDebrisAtEnds(std::u32string s) {
    std::size_t begin = 0, end = s.size();
    for (bool changed = true; changed && begin < end;) {
        changed = false;
        while (begin < end && (isSpace(s[begin]) || isDebrisAtStart(s[begin]))) ++begin, changed = true;
        while (end > begin && (isSpace(s[end - 1]) || isDebrisAtEnd(s[end - 1]))) --end, changed = true;
        if (begin >= end) break;
        const std::u32string middle = s.substr(begin, end - begin);
        if (const std::size_t q = quotedIconLength(middle)) begin += q, changed = true;
        else if (const std::size_t n = latinIconLength(middle, 0, 1)) begin += n, changed = true;
        else if (const std::size_t m = latinIconLength(middle, middle.size() - 1, -1)) end -= m, changed = true;
    }
    return s.substr(begin, end - begin);
}

// Weights of the source samples that make up each output sample along one
// axis: two neighbours when enlarging, the covered span when reducing.
struct Tap {
    int index;
    float weight;
};
std::vector<std::vector<Tap>> axisTaps(int from, int to) {
    std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(to));
    const double ratio = static_cast<double>(from) / to;
    for (int o = 0; o < to; ++o) {
        auto& list = taps[static_cast<std::size_t>(o)];
        if (to >= from) {
            const double centre = std::clamp((o + 0.5) * ratio - 0.5, 0.0, static_cast<double>(from - 1));
            const int low = static_cast<int>(centre);
            const int high = std::min(low + 1, from - 1);
            const auto t = static_cast<float>(centre - low);
            list.push_back({low, 1 - t});
            if (high != low) list.push_back({high, t});
        } else {
            const double start = o * ratio, stop = (o + 1) * ratio;
            for (int i = static_cast<int>(start); i < from && i < stop; ++i) {
                const double covered = std::min(stop, i + 1.0) - std::max(start, static_cast<double>(i));
                if (covered > 0) list.push_back({i, static_cast<float>(covered / ratio)});
            }
        }
    }
    return taps;
}

}  // namespace

std::string tidyLine(std::string_view line) {
    return encode(stripDebrisAtEnds(restoreOnes(dropSpacesNextToCjk(collapseWhiteSpace(decode(line))))));
}

std::vector<bool> linesToKeep(const std::vector<PixelBox>& boxes) {
    std::vector<bool> keep(boxes.size(), true);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const PixelBox& piece = boxes[i];
        const int height = piece.bottom - piece.top, width = piece.right - piece.left;
        for (const PixelBox& line : boxes) {
            if (line.bottom - line.top <= height) continue;
            const int rows = std::min(piece.bottom, line.bottom) - std::max(piece.top, line.top);
            const int columns = std::min(piece.right, line.right) - std::max(piece.left, line.left);
            if (rows > 0 && columns > 0 && 2 * columns >= width) {
                keep[i] = false;
                break;
            }
        }
    }
    return keep;
}

NormalizedRect normalizedBox(const PixelBox& box, int imageWidth, int imageHeight) {
    const double w = imageWidth, h = imageHeight;
    const double left = std::clamp(box.left / w, 0.0, 1.0), right = std::clamp(box.right / w, left, 1.0);
    const double top = std::clamp(box.top / h, 0.0, 1.0), bottom = std::clamp(box.bottom / h, top, 1.0);
    return NormalizedRect{left, 1.0 - bottom, right - left, bottom - top};
}

WindowImage resampled(const WindowImage& image, int width, int height) {
    if (image.width == width && image.height == height) return image;
    const auto xTaps = axisTaps(image.width, width);
    const auto yTaps = axisTaps(image.height, height);
    // Across first, into a float buffer of the new width and the old height.
    std::vector<float> across(static_cast<std::size_t>(width) * static_cast<std::size_t>(image.height) * 4);
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* row = image.rgba.data() + static_cast<std::size_t>(y) * image.width * 4;
        float* out = across.data() + static_cast<std::size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x)
            for (const Tap& tap : xTaps[static_cast<std::size_t>(x)])
                for (int c = 0; c < 4; ++c) out[x * 4 + c] += tap.weight * row[tap.index * 4 + c];
    }
    WindowImage result{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4)};
    std::vector<float> sum(static_cast<std::size_t>(width) * 4);
    for (int y = 0; y < height; ++y) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        for (const Tap& tap : yTaps[static_cast<std::size_t>(y)]) {
            const float* row = across.data() + static_cast<std::size_t>(tap.index) * width * 4;
            for (std::size_t i = 0; i < sum.size(); ++i) sum[i] += tap.weight * row[i];
        }
        std::uint8_t* out = result.rgba.data() + static_cast<std::size_t>(y) * width * 4;
        for (std::size_t i = 0; i < sum.size(); ++i)
            out[i] = static_cast<std::uint8_t>(std::clamp(std::lround(sum[i]), 0L, 255L));
    }
    return result;
}

std::vector<std::uint8_t> recognitionGrey(const WindowImage& image) {
    const std::size_t pixels = image.rgba.size() / 4;
    std::vector<std::uint8_t> grey(pixels);
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint8_t* p = image.rgba.data() + i * 4;
        grey[i] = static_cast<std::uint8_t>((299u * p[0] + 587u * p[1] + 114u * p[2] + 500u) / 1000u);
        total += grey[i];
    }
    if (pixels > 0 && total < 128u * pixels)
        for (std::uint8_t& v : grey) v = static_cast<std::uint8_t>(255 - v);
    return grey;
}

int capturePixels(double points) {
    const double pixels = points * 2.0;
    if (!(pixels >= 1.0)) return 1;
    if (pixels >= 1'000'000.0) return 1'000'000;
    return static_cast<int>(pixels);
}

bool hasDoubledCharacter(std::string_view reading) {
    const std::u32string s = decode(reading);
    for (std::size_t i = 0; i + 1 < s.size(); ++i)
        if (isDoubledAt(s, i)) return true;
    return false;
}

bool doublesOneCharacterOf(std::string_view reading, std::string_view other) {
    const std::u32string s = decode(reading), once = decode(other);
    if (s.size() != once.size() + 1) return false;
    for (std::size_t i = 0; i + 1 < s.size(); ++i)
        if (isDoubledAt(s, i) && s.substr(0, i) + s.substr(i + 1) == once) return true;
    return false;
}

}  // namespace AmapVisionReader::recognition
