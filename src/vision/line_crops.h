#pragma once
// Each text line the recogniser's layout finds in the window is read on its
// own, from a crop of the grey window image made for that line: its contrast
// stretched up to the line's own ground, so grey secondary text, a
// blue label on dark grey and black text on white all reach the engine alike.
// These are the portable steps: cutting layout lines into pieces, building
// the crops, and judging a reading of figures.

#include "vision/recognition_cleanup.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace AmapVisionReader::recognition {

// A grey image, one byte a pixel, rows top to bottom, dark text on a light
// ground (see recognitionGrey).
struct GreyView {
    const std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};

// The pieces of one layout line, given its word boxes left to right: a gap
// wider than the line is tall starts a new piece, so an endpoint's marker dot
// is read apart from the endpoint, as a platform recogniser reports them.
std::vector<PixelBox> piecesOfLine(const std::vector<PixelBox>& words);

// Whether a piece is worth reading: no text of the panel stands taller than
// 50 points (100 pixels in the 2× window image); a taller "line" is a map
// area the layout took for text, and reading it costs as much as the rest.
bool isReadablePiece(const PixelBox& piece);

struct CropStyle {
    // Contrast around the middle grey after the stretch: 2 makes the
    // anti-aliased edges of light-on-dark glyphs, which render bolder, thin.
    double contrastGain = 1.0;
    // A few white columns added after every glyph, so the engine does not run
    // two equal figures into one ("11小时" read as "1小时").
    bool letterSpaced = false;
};

// A piece cut out for reading, with white padding around it.
struct LineCrop {
    std::vector<std::uint8_t> pixels;
    int width = 0;
    int height = 0;
    int originY = 0;                 // image row of the crop's first row
    std::vector<int> imageColumns;   // image column of each crop column

    // The image column of a crop column, clamped to the crop.
    int imageColumn(int x) const;
};

// The crop for reading `piece`: the piece with a margin of 2 pixels above and
// below and 0.6 of its height at the sides (a thin leading "1" the layout left
// out is taken in), its tones stretched so the lightest tenth (the ground)
// is white and black stays black, then `style`, then padded with white. The
// piece must lie within the image and not be empty.
LineCrop cropForReading(GreyView image, PixelBox piece, CropStyle style);

// Whether a tidied reading is one figure of the panel: a travel time
// ("11小时33分", "45分钟"), a distance ("312.5公里") or a toll ("¥268").
bool isFigureReading(std::string_view line);

}  // namespace AmapVisionReader::recognition
