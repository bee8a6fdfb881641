#pragma once
// What the platform's recogniser reports, one observation per recognised
// piece of text, and how observations become fragments. Portable, so the
// rules are tested without the recogniser.

#include "vision/amap_vision_reader.h"

#include <optional>
#include <string>
#include <vector>

namespace AmapVisionReader::recognition {

struct TextObservation {
    std::optional<std::string> topCandidate;  // absent when the recogniser offers none
    NormalizedRect boundingBox;               // normalised, origin lower-left, y up
};

// One fragment per observation whose best reading is not blank after
// trimming, in the recogniser's order; the box is the observation's own.
std::vector<AmapRecognizedFragment> fragmentsFromObservations(const std::vector<TextObservation>& observations);

// routeBlocks of the fragments of a window of the given size in points;
// recognitionFailed when there are none.
Expected<std::vector<std::string>, VisionError> routeStringsFromFragments(
    const std::vector<AmapRecognizedFragment>& fragments, WindowSize window);

}  // namespace AmapVisionReader::recognition
