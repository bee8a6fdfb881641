#pragma once
// The portable steps around the Linux recogniser, a text detector and a line
// recogniser of the CTC kind: where a detected box lies in the window image,
// how a line is cut out and sized for the recogniser, how the recogniser's
// scores become text, and whether the figures of a line were read surely
// enough to be trusted.

#include "vision/recognition_cleanup.h"

#include <istream>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace AmapVisionReader::reading {

using recognition::PixelBox;

// The size the detector reads a window image at: the window's size in points
// (half the 2× image), rounded to the detector's stride of 32, and scaled
// down to at most `maximumArea` pixels: OpenCV 4.6 crashes on the detector
// at about 3.5 million (a window of 2496 × 1440 points).
struct DetectionSize {
    int width = 0;
    int height = 0;
};
inline constexpr int maximumDetectionArea = 2'700'000;
DetectionSize detectionSize(int imageWidth, int imageHeight, int maximumArea);

// A detected text region grown by `ratio` of its area over its perimeter on
// every side: the detector marks a shrunk core of each line.
PixelBox unclipped(const PixelBox& box, double ratio);

// A box of the detector's input mapped onto the image it was sized from and
// clipped to it. May come out empty.
PixelBox scaledToImage(const PixelBox& box, int fromWidth, int fromHeight, int imageWidth, int imageHeight);

// How a line crop reaches the recogniser: scaled to the recogniser's height
// keeping its aspect (squeezed only when wider than the widest input) and
// padded on the right to the narrowest input width that holds it. A short
// line, scaled to no more than twice its height (up to three or four
// characters: "¥0", "¥118"), is padded to at least `shortLineInput`.
struct CropFit {
    int scaledWidth = 0;
    int inputWidth = 0;
};
// `inputWidths` ascending and not empty; the crop not empty.
CropFit fitCrop(int cropWidth, int cropHeight, int inputHeight, std::span<const int> inputWidths,
                int shortLineInput);

// The recogniser's classes: class 0 is the CTC blank, class k the k-th line of
// its key file, the last class a space. The full-width yen sign is written as
// "¥", as the panel's tolls are read.
std::vector<std::string> alphabetFromKeys(std::istream& keys);

// One character read, and the probability the recogniser gave it.
struct ReadCharacter {
    std::string text;
    float confidence = 0;
    // For a zero or a letter that looks like one ("0", "O", "o"): the
    // probability the recogniser gave the three together, which it shares
    // between them; 0 for any other character.
    float zeroConfidence = 0;
};

// The greedy CTC reading of `steps` rows of `classes` scores: the best class
// of each step, a run of one class is one character, blanks separate runs;
// the zero and its look-alike letters count as one class for the runs. A
// character's confidence is the highest score of its run. Classes outside
// the alphabet are dropped.
std::vector<ReadCharacter> decodeGreedy(std::span<const float> scores, int steps, int classes,
                                        const std::vector<std::string>& alphabet);

// The line with a dash between two ideographs, or after the last one, read
// as the ideograph "一" it is: the recogniser takes the one-stroke character
// for a dash now and then ("方案一" as "方案-"), and no text of the panel has
// a dash there.
std::vector<ReadCharacter> withDashesAsOne(std::vector<ReadCharacter> line);

// The line with a "Y" or "V" that opens a figure, at the line's start or
// after a space or a distance's "里" ("Y1191", "312.5公里 V194"), read as the
// yen sign it is: the recogniser takes "¥1" for "Y1" now and then, and in a
// window enlarged from 1× for "V1"; no text of the panel has a letter there.
std::vector<ReadCharacter> withYenBeforeFigures(std::vector<ReadCharacter> line);

// The line with a zero or a look-alike letter standing in a figure (after a
// digit, a decimal point or the yen sign, or before a digit or a decimal
// point) read as the figure zero, with the confidence of the three
// together: the recogniser reads the zero of "¥0" as "O" now and then, or as
// "0" with much of its probability on "O", and no text of the panel has a
// letter there.
std::vector<ReadCharacter> withZerosInFigures(std::vector<ReadCharacter> line);

// The confidence below which a figure read is not trusted: a distance, travel
// time or toll read wrongly is worse than one not read at all.
inline constexpr float minimumDigitConfidence = 0.9f;

// The line's trimmed text, or nothing when it is empty or its figures were
// read with less than `minimumConfidence`: every character from the first
// digit to the last ("312.5", "4小时20") but spaces and the yen sign, whose
// probability the recogniser shares between its two forms.
// When the first unsure character follows a distance's "公里", the line up
// to that unit is kept: the toll beside the distance is lost, not the
// distance. A travel time is never cut so ("4小时" of "4小时2?分" would be
// a wrong number).
std::optional<std::string> trustedText(const std::vector<ReadCharacter>& line, float minimumConfidence);

// The order lines are reported in, as a page is read: lines stacked one
// under the other in one column (overlapping across half the narrower one's
// width, the gap between them no taller than the taller line) form a block,
// read top to bottom; blocks go top to bottom, and left to right among blocks
// whose tops are within `rowTolerance` pixels of each other. So each option of
// the route panel, a column of label, travel time, distance and toll, is
// reported as one run of lines.
std::vector<std::size_t> readingOrder(const std::vector<PixelBox>& boxes, int rowTolerance);

}  // namespace AmapVisionReader::reading
