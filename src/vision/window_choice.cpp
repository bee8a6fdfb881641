#include "vision/window_choice.h"

namespace AmapVisionReader::capture {

std::optional<std::size_t> largestQualifyingWindow(const std::vector<WindowSize>& windows) {
    std::optional<std::size_t> chosen;
    double chosenArea = 0;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const WindowSize& w = windows[i];
        if (!(w.width > minimumWidth && w.height > minimumHeight)) continue;
        const double area = w.width * w.height;
        // A later window replaces the choice only when strictly larger.
        if (!chosen || area > chosenArea) {
            chosen = i;
            chosenArea = area;
        }
    }
    return chosen;
}

}  // namespace AmapVisionReader::capture
