#include "vision/recognition_cleanup.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace AmapVisionReader::recognition {
namespace {

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

int capturePixels(double points) {
    const double pixels = points * 2.0;
    if (!(pixels >= 1.0)) return 1;
    if (pixels >= 1'000'000.0) return 1'000'000;
    return static_cast<int>(pixels);
}

}  // namespace AmapVisionReader::recognition
