#include "vision/amap_vision_reader.h"

namespace AmapVisionReader {

std::vector<std::string> routeBlocks(const std::vector<AmapRecognizedFragment>&) { return {}; }

}  // namespace AmapVisionReader
