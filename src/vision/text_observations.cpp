#include "vision/text_observations.h"

#include "text/text_rules.h"

namespace AmapVisionReader::recognition {

std::vector<AmapRecognizedFragment> fragmentsFromObservations(const std::vector<TextObservation>& observations) {
    std::vector<AmapRecognizedFragment> fragments;
    for (const TextObservation& observation : observations) {
        if (!observation.topCandidate) continue;
        std::string text = text::trim(*observation.topCandidate);
        if (text.empty()) continue;
        fragments.emplace_back(std::move(text), observation.boundingBox);
    }
    return fragments;
}

Expected<std::vector<std::string>, VisionError> routeStringsFromFragments(
    const std::vector<AmapRecognizedFragment>& fragments, WindowSize window) {
    if (fragments.empty()) return VisionError(AmapVisionReaderError::recognitionFailed);
    return routeBlocks(fragments, window);
}

}  // namespace AmapVisionReader::recognition
