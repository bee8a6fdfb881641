#pragma once
// On-device text recognition of a window image. One implementation per platform.

#include "vision/amap_vision_reader.h"

#include <optional>

namespace AmapVisionReader {

// The recognised, trimmed, non-empty text lines with their boxes, in the
// recogniser's order. Fails with the engine's own error.
Expected<std::vector<AmapRecognizedFragment>, VisionError> recognizeFragments(const WindowImage& image);

// A read is about to start: the recogniser may load its models now, beside
// the window's capture, instead of at the start of recognizeFragments.
// Returns at once.
void prepareRecognition();

// Readies the recogniser for a first read and waits until it is: Vision
// prepares its accurate model on a process's first request, which can take
// a minute. Off the main thread only. The recogniser's own error when it
// failed; nothing when there is nothing to ready.
std::optional<VisionError> warmUpRecognition();

// Lets go of what the recogniser keeps between reads (its models); the next
// read loads them again. The recogniser also does this by itself once reads
// have stopped for a while.
void releaseRecognitionModels();

// routeBlocks of the recognised fragments; recognitionFailed when nothing
// was recognised.
Expected<std::vector<std::string>, VisionError> recognizeRouteStrings(const WindowImage& image);

}  // namespace AmapVisionReader
