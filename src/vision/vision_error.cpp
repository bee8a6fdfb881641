#include "vision/amap_vision_reader.h"

std::string_view errorDescription(AmapVisionReaderError error) {
    switch (error) {
        case AmapVisionReaderError::windowNotFound: return "没有找到高德地图窗口";
        case AmapVisionReaderError::captureFailed: return "无法读取高德地图窗口画面";
        case AmapVisionReaderError::recognitionFailed: return "没有识别到高德路线文字";
    }
    return {};
}

std::string VisionError::localizedDescription() const {
    if (isReaderError()) return std::string(errorDescription(readerError()));
    return platformError().description;
}

bool operator==(const VisionError& a, const VisionError& b) {
    if (a.isReaderError() != b.isReaderError()) return false;
    if (a.isReaderError()) return a.readerError() == b.readerError();
    const PlatformError& x = a.platformError();
    const PlatformError& y = b.platformError();
    return x.domain == y.domain && x.code == y.code && x.description == y.description;
}
