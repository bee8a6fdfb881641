#pragma once
// Portable steps around the on-device recogniser: tidying each recognised
// line so it reads like a platform recogniser's output, converting the
// engine's pixel boxes into normalised lower-left-origin rectangles, and
// resampling a window image to the size the recogniser expects.

#include "vision/amap_vision_reader.h"

#include <cstdint>
#include <string>
#include <vector>
#include <string_view>

namespace AmapVisionReader::recognition {

// One recognised line made to read like "4小时20分", "312.5公里", "¥268":
// runs of white space become one space, a space next to a CJK character or
// CJK/full-width punctuation (or after a yen sign) goes, the full-width yen
// sign becomes "¥", icon debris (stray symbols) at either end is stripped, and
// a "1" misread as "]", "|", "l" or "I" next to a figure or unit is restored.
// The result is trimmed and may be empty.
std::string tidyLine(std::string_view line);

// A box in image pixels, origin top-left, right and bottom exclusive.
struct PixelBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Whether `reading` is `other` with one Chinese character written twice in a
// row ("太和和镇" against "太和镇"): the engine now and then reads one
// character twice.
bool doublesOneCharacterOf(std::string_view reading, std::string_view other);

// Whether the reading has a Chinese character twice in a row.
bool hasDoubledCharacter(std::string_view reading);

// Which of the recognised lines to keep: text lines on a page do not
// overlap, so a line whose box shares rows with a taller line's box and lies
// mostly (half its width or more) across the same columns is a piece split
// off that line's glyphs (the separate top strokes of "公交" read as "ANTRR")
// and is dropped. One flag per box, in order; equal heights keep both.
std::vector<bool> linesToKeep(const std::vector<PixelBox>& boxes);

// The box in normalised image coordinates (0..1, origin lower-left, y up),
// clipped to the image. The image must not be empty.
NormalizedRect normalizedBox(const PixelBox& box, int imageWidth, int imageHeight);

// The image resampled to width × height with a smooth filter: bilinear when
// enlarging, an area average when reducing. The same size returns a copy.
// Both sizes must be at least 1 and the image's pixel buffer complete.
WindowImage resampled(const WindowImage& image, int width, int height);

// The image as 8-bit luma (Rec. 601 weights), one byte a pixel, rows top to
// bottom; dark-themed images (mean luma below the middle) come out inverted,
// so the recogniser always sees dark text on a light ground. The recogniser's
// own colour conversion loses coloured text (a blue label on dark grey).
std::vector<std::uint8_t> recognitionGrey(const WindowImage& image);

// The image's size in pixels for a window of the given size in points:
// twice the points, truncated, at least 1.
int capturePixels(double points);

}  // namespace AmapVisionReader::recognition
