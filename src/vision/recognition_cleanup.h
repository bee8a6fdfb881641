#pragma once
// Portable steps around capture and recognition: converting the recogniser's
// pixel boxes into normalised lower-left-origin rectangles, and resampling a
// window image to the size the recogniser expects.

#include "vision/amap_vision_reader.h"

#include <vector>

namespace AmapVisionReader::recognition {

// A box in image pixels, origin top-left, right and bottom exclusive.
struct PixelBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The box in normalised image coordinates (0..1, origin lower-left, y up),
// clipped to the image. The image must not be empty.
NormalizedRect normalizedBox(const PixelBox& box, int imageWidth, int imageHeight);

// The image resampled to width × height with a smooth filter: bilinear when
// enlarging, an area average when reducing. The same size returns a copy.
// Both sizes must be at least 1 and the image's pixel buffer complete.
WindowImage resampled(const WindowImage& image, int width, int height);

// The image's size in pixels for a window of the given size in points:
// twice the points, truncated, at least 1.
int capturePixels(double points);

}  // namespace AmapVisionReader::recognition
