// wendrel-inspect image: reads a window image from a PNG or JPEG file the way
// the read task reads a captured window: recognition, layout, parse.

#include "tools/inspect.h"

#include "vision/text_recognition.h"

#include <QImage>


#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace inspect {
namespace {

std::vector<unsigned char> readFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw BadInput{"cannot open '" + path + "'"};
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool isPngOrJpeg(const std::vector<unsigned char>& bytes) {
    static const unsigned char png[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    static const unsigned char jpeg[] = {0xFF, 0xD8, 0xFF};
    return (bytes.size() >= sizeof png && std::equal(std::begin(png), std::end(png), bytes.begin())) ||
           (bytes.size() >= sizeof jpeg && std::equal(std::begin(jpeg), std::end(jpeg), bytes.begin()));
}

// The file as a window image, RGBA top to bottom; bad input unless it is a
// PNG or JPEG image that decodes.
WindowImage loadWindowImage(const std::string& path) {
    const std::vector<unsigned char> bytes = readFileBytes(path);
    if (!isPngOrJpeg(bytes)) throw BadInput{"'" + path + "' is not a PNG or JPEG image"};
    QImage decoded;
    if (!decoded.loadFromData(bytes.data(), static_cast<int>(bytes.size())) || decoded.isNull())
        throw BadInput{"'" + path + "' could not be decoded as an image"};
    const QImage rgba = decoded.convertToFormat(QImage::Format_RGBA8888);
    WindowImage image{rgba.width(), rgba.height(), {}};
    const auto rowBytes = static_cast<std::size_t>(image.width) * 4;
    image.rgba.resize(rowBytes * static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y)
        std::memcpy(image.rgba.data() + rowBytes * static_cast<std::size_t>(y), rgba.constScanLine(y), rowBytes);
    return image;
}

int printFragments(const WindowImage& image, Io& io) {
    const auto fragments = AmapVisionReader::recognizeFragments(image);
    if (!fragments) {
        io.err << fragments.error().localizedDescription() << "\n";
        return noResult;
    }
    io.out << fragmentsJson(fragments.value()) << "\n";
    return ok;
}

int runImage(const std::vector<std::string>& args, Io& io) {
    const Options options = parseOptions(args, {"--fragments"}, true, 1);
    const WindowImage image = loadWindowImage(options.positional[0]);
    if (!options.flags.empty()) return printFragments(image, io);
    const auto strings = AmapVisionReader::recognizeRouteStrings(image);
    if (!strings) {
        io.err << strings.error().localizedDescription() << "\n";
        return noResult;
    }
    return printPayloadOf(strings.value(), dateOrNow(options), io, "没有识别到高德路线文字（no route in the recognised text）");
}

}  // namespace

Subcommand imageCommand() {
    return {"image", "recognise a window image (PNG or JPEG) and print the payload line",
            "Usage: wendrel-inspect image FILE [--date ISO8601] [--fragments]\n"
            "Recognises the text of a window image, lays it out and parses it the way\n"
            "the read task does after capturing the map window, and prints the payload\n"
            "line Wendrel would put on the clipboard. The image holds two pixels per\n"
            "point, as a capture does: the window is taken as half its size in points.\n"
            "  --date ISO8601   the read's time, e.g. 2026-12-06T08:51:08.9Z (default: now)\n"
            "  --fragments      print the recognised fragments instead, as the JSON that\n"
            "                   'wendrel-inspect blocks' and 'read' take (give them\n"
            "                   --window with half the image's size)\n"
            "Exit status: 0 printed, 1 nothing recognised or no route, 2 bad input\n"
            "(no such file, or not a PNG or JPEG image).\n",
            runImage};
}

}  // namespace inspect
