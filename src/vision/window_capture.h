#pragma once
// Captures the largest qualifying window of an application by itself, at
// twice its size in points. One implementation per platform.

#include "vision/amap_vision_reader.h"

namespace AmapVisionReader {

// Fails with windowNotFound when no window is wider than 300 and taller than
// 250 points, or with the platform's own error, unchanged.
Expected<WindowImage, VisionError> captureWindow(std::string_view bundleIdentifier);

}  // namespace AmapVisionReader
