#include "vision/route_layout_detail.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Fragments = std::vector<AmapRecognizedFragment>;
using Blocks = std::vector<std::string>;

// A fragment by its edges: left, bottom, right, top (y grows upwards).
AmapRecognizedFragment at(std::string text, double left, double bottom, double right, double top) {
    return {std::move(text), NormalizedRect{left, bottom, right - left, top - bottom}};
}

// A panel column centred at midX: label on top, travel time, distance below.
Fragments column(const std::string& label, const std::string& time, const std::string& distance, double midX) {
    return {at(label, midX - 0.06, 0.60, midX + 0.06, 0.63), at(time, midX - 0.06, 0.55, midX + 0.06, 0.59),
            at(distance, midX - 0.045, 0.51, midX + 0.045, 0.54)};
}

// A column as the recogniser boxes it in a wide window: narrow boxes, each
// line raised by its own share of dy (negative lowers it).
Fragments narrowColumn(const std::string& label, const std::string& time, const std::string& distance, double midX,
                       double dy) {
    return {at(label, midX - 0.02, 0.60 + dy, midX + 0.02, 0.62 + dy),
            at(time, midX - 0.025, 0.57 + dy / 2, midX + 0.025, 0.59 + dy / 2),
            at(distance, midX - 0.02, 0.545 + dy, midX + 0.02, 0.565 + dy)};
}

Fragments concat(std::initializer_list<Fragments> parts) {
    Fragments all;
    for (const Fragments& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::string lines(std::initializer_list<std::string> parts) {
    std::string joined;
    for (const std::string& part : parts) joined += (joined.empty() ? "" : "\n") + part;
    return joined;
}

// The full-text block: every text as recognised, in recognition order.
std::string fullText(const Fragments& fragments) {
    std::string joined;
    for (std::size_t i = 0; i < fragments.size(); ++i) joined += (i == 0 ? "" : "\n") + fragments[i].text;
    return joined;
}

struct LayoutCase {
    std::string name;
    Fragments fragments;
    std::string routeBlock;  // empty: no route block expected
    WindowSize window = AmapVisionReader::referenceWindow;
    std::vector<std::string> notInFullText = {};  // recognised texts the full-text block leaves out
};

// A fragment placed in points from the window's top-left corner, as the
// panel is laid out.
AmapRecognizedFragment inPoints(std::string text, double left, double top, double right, double bottom,
                                WindowSize w) {
    return at(std::move(text), left / w.width, 1 - bottom / w.height, right / w.width, 1 - top / w.height);
}

// The panel's top rows and one option card, in points, in window w: tabs,
// origin and destination, the notice row, the option below; `omit` drops
// the fragments holding that text.
Fragments panelInPoints(WindowSize w, const std::vector<std::string>& omit = {}) {
    Fragments all = {inPoints("货车", 98, 18, 128, 37, w),        inPoints("天津港", 57, 64, 110, 82, w),
                     inPoints("沈阳", 57, 114, 92, 132, w),        inPoints("通知", 24, 200, 50, 216, w),
                     inPoints("部分路段限行", 60, 200, 170, 216, w), inPoints("方案一", 120, 280, 170, 298, w),
                     inPoints("4小时20分", 100, 306, 200, 330, w),  inPoints("312.5公里", 117, 336, 185, 354, w),
                     inPoints("¥268", 134, 360, 170, 378, w)};
    std::erase_if(all, [&](const AmapRecognizedFragment& f) {
        return std::find(omit.begin(), omit.end(), f.text) != omit.end();
    });
    return all;
}

constexpr WindowSize reference = AmapVisionReader::referenceWindow;
// panelInPoints' option without its endpoints.
const std::string optionInPoints = lines({"方案一", "4小时20分", "312.5公里", "¥268"});

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

Blocks expectedBlocks(const LayoutCase& c) {
    Blocks blocks;
    if (!c.routeBlock.empty()) blocks.push_back(c.routeBlock);
    Fragments kept = c.fragments;
    std::erase_if(kept, [&](const AmapRecognizedFragment& f) {
        return std::find(c.notInFullText.begin(), c.notInFullText.end(), f.text) != c.notInFullText.end();
    });
    if (!kept.empty()) blocks.push_back(fullText(kept));
    return blocks;
}

const std::string optionA = lines({"推荐方案", "1小时20分", "85.3公里"});
// The notice mark under two place rows at 0.85 and above.
const AmapRecognizedFragment notice = at("通知", 0.05, 0.80, 0.08, 0.82);

std::vector<LayoutCase> layoutCases() {
    std::vector<LayoutCase> cases = {
        // Fragments A, B, C: both blocks are the same three lines.
        {"WorkedExample",
         {at("推荐方案", 0.40, 0.60, 0.52, 0.63), at("1小时20分", 0.40, 0.55, 0.52, 0.59),
          at("85.3公里", 0.41, 0.51, 0.50, 0.54)},
         optionA},
        {"ColumnsLeftToRightWhateverTheRecognitionOrder",
         concat({column("方案二", "2小时", "120公里", 0.7), column("方案一", "1小时", "80公里", 0.3)}),
         lines({"方案一", "1小时", "80公里", "方案二", "2小时", "120公里"})},
        {"RecommendedTagNearerThanTheLabelIsPassedOver",
         concat({column("推荐方案", "1小时20分", "85.3公里", 0.46), {at("高德推荐", 0.40, 0.595, 0.52, 0.605)}}),
         optionA},
        {"TextWithATravelTimeIsNoLabel",
         {at("大路优先 2小时", 0.40, 0.60, 0.52, 0.63), at("1小时20分", 0.40, 0.55, 0.52, 0.59),
          at("85.3公里", 0.41, 0.51, 0.50, 0.54)},
         ""},
        {"TextWithADistanceIsNoLabel",
         {at("约12公里", 0.40, 0.60, 0.52, 0.63), at("1小时20分", 0.40, 0.55, 0.52, 0.59),
          at("85.3公里", 0.41, 0.51, 0.50, 0.54)},
         ""},
        {"AnchorWithoutDistanceSkippedOthersStay",
         concat({{at("方案二", 0.64, 0.60, 0.76, 0.63), at("2小时", 0.64, 0.55, 0.76, 0.59)},
                 column("推荐方案", "1小时20分", "85.3公里", 0.3)}),
         optionA},
        // With options built, a travel time without its label stays out of
        // the full text too (see TravelTimeWithoutItsLabelIsLeftOutOfBoth).
        {"AnchorWithoutLabelSkippedOthersStay",
         concat({{at("2小时", 0.64, 0.55, 0.76, 0.59), at("120公里", 0.65, 0.51, 0.74, 0.54)},
                 column("推荐方案", "1小时20分", "85.3公里", 0.3)}),
         optionA,
         AmapVisionReader::referenceWindow,
         {"2小时"}},
        {"VerticallyNearerLabelWins",
         {at("远处标题", 0.40, 0.64, 0.52, 0.67), at("推荐方案", 0.40, 0.60, 0.52, 0.63),
          at("1小时20分", 0.40, 0.55, 0.52, 0.59), at("85.3公里", 0.41, 0.51, 0.50, 0.54)},
         optionA},
        {"EquallyNearLabelsFirstRecognisedWins",
         {at("推荐方案", 0.40, 0.60, 0.52, 0.63), at("另一方案", 0.42, 0.60, 0.54, 0.63),
          at("1小时20分", 0.40, 0.55, 0.52, 0.59), at("85.3公里", 0.41, 0.51, 0.50, 0.54)},
         optionA},
        {"NearerDistanceWins",
         {at("推荐方案", 0.40, 0.60, 0.52, 0.63), at("1小时20分", 0.40, 0.55, 0.52, 0.59),
          at("99公里", 0.41, 0.49, 0.50, 0.52), at("85.3公里", 0.41, 0.51, 0.50, 0.54)},
         optionA},
        {"LabelTooFarAbove",
         {at("推荐方案", 0.40, 0.69, 0.52, 0.72), at("1小时20分", 0.40, 0.55, 0.52, 0.59),
          at("85.3公里", 0.41, 0.51, 0.50, 0.54)},
         ""},
        {"LabelMayDipSlightlyBelowTheAnchorTop",
         {at("推荐方案", 0.40, 0.586, 0.52, 0.62), at("1小时20分", 0.40, 0.55, 0.52, 0.59),
          at("85.3公里", 0.41, 0.51, 0.50, 0.54)},
         optionA},
        {"LabelDippingTooFarIsNoLabel",
         {at("推荐方案", 0.40, 0.582, 0.52, 0.62), at("1小时20分", 0.40, 0.55, 0.52, 0.59),
          at("85.3公里", 0.41, 0.51, 0.50, 0.54)},
         ""},
        // 0.08 to the side: outside the label column (0.075), inside the distance column (0.085).
        {"LabelColumnIsNarrowerThanDistanceColumn",
         {at("推荐方案", 0.48, 0.60, 0.60, 0.63), at("1小时20分", 0.40, 0.55, 0.52, 0.59),
          at("85.3公里", 0.495, 0.51, 0.585, 0.54), at("标题", 0.44, 0.60, 0.48, 0.63)},
         lines({"标题", "1小时20分", "85.3公里"})},
        {"DistanceTooFarBelow",
         {at("推荐方案", 0.40, 0.60, 0.52, 0.63), at("1小时20分", 0.40, 0.55, 0.52, 0.59),
          at("85.3公里", 0.41, 0.44, 0.50, 0.47)},
         ""},
        {"DistanceMayRiseSlightlyAboveTheAnchorBottom",
         {at("推荐方案", 0.40, 0.60, 0.52, 0.63), at("1小时20分", 0.40, 0.55, 0.52, 0.59),
          at("85.3公里", 0.41, 0.525, 0.50, 0.555)},
         optionA},
        {"DistanceRisingTooFarIsNoDistance",
         {at("推荐方案", 0.40, 0.60, 0.52, 0.63), at("1小时20分", 0.40, 0.55, 0.52, 0.59),
          at("85.3公里", 0.41, 0.535, 0.50, 0.565)},
         ""},
        // A flat anchor holding a distance too is its own distance.
        {"FlatAnchorIsItsOwnDistance",
         {at("推荐方案", 0.40, 0.60, 0.52, 0.63), at("1小时 85公里", 0.40, 0.59, 0.52, 0.598)},
         lines({"推荐方案", "1小时 85公里", "1小时 85公里"})},
        // Exactly halfway between two anchors of a row (binary fractions, so the
        // two offsets are equal), the label belongs to neither column more.
        {"OneLabelMayServeTwoAnchors",
         {at("共同标题", 0.40625, 0.60, 0.46875, 0.63), at("1小时", 0.375, 0.55, 0.4375, 0.59),
          at("2小时", 0.4375, 0.55, 0.5, 0.59), at("80公里", 0.375, 0.51, 0.4375, 0.54),
          at("90公里", 0.4375, 0.51, 0.5, 0.54)},
         lines({"共同标题", "1小时", "80公里", "共同标题", "2小时", "90公里"})},
        {"LabelOfTwoRowsServesBoth",
         {at("共同标题", 0.40, 0.60, 0.52, 0.63), at("1小时", 0.36, 0.55, 0.46, 0.59),
          at("2小时", 0.47, 0.54, 0.57, 0.549), at("80公里", 0.37, 0.51, 0.45, 0.54),
          at("90公里", 0.48, 0.50, 0.56, 0.53)},
         lines({"共同标题", "1小时", "80公里", "共同标题", "2小时", "90公里"})},
        // Options listed one below the other in one column: each keeps its own lines.
        {"TwoRowsInOneColumn",
         concat({{at("方案一", 0.40, 0.70, 0.52, 0.73), at("1小时", 0.40, 0.65, 0.52, 0.69),
                  at("80公里", 0.41, 0.61, 0.50, 0.64)},
                 column("方案二", "2小时", "120公里", 0.46)}),
         lines({"方案一", "1小时", "80公里", "方案二", "2小时", "120公里"})},
        // The full-text block keeps them as recognised.
        {"BarsRemovedAndBulletsUnifiedInEmittedLines",
         {at("方案|二", 0.40, 0.60, 0.52, 0.63), at("1小时•20分", 0.40, 0.55, 0.52, 0.59),
          at("85.3公里•免费", 0.41, 0.51, 0.50, 0.54)},
         lines({"方案二", "1小时·20分", "85.3公里·免费"})},
        {"NoAnchorNoEndpointsGivesTheFullTextAlone", {at("高德地图", 0.1, 0.9, 0.3, 0.95)}, ""},
        {"EmptyInput", {}, ""},
        {"TwoEndpointsWithoutOption",
         {at("天津港集装箱码头", 0.05, 0.90, 0.25, 0.93), at("石家庄物流园区", 0.05, 0.85, 0.25, 0.88), notice},
         lines({"天津港集装箱码头", "石家庄物流园区", "通知"})},
        {"OneEndpointAloneGivesNoNotice",
         concat({{at("天津港集装箱码头", 0.05, 0.90, 0.25, 0.93)}, column("推荐方案", "1小时20分", "85.3公里", 0.46)}),
         optionA},
        // Three place rows at one pitch: a waypoint between origin and
        // destination, and which is which cannot be told.
        {"ThreeAlignedPlaceRowsGiveNoEndpoints",
         concat({{at("第三个地点名称", 0.05, 0.82, 0.25, 0.84), at("石家庄物流园区", 0.05, 0.86, 0.25, 0.88),
                  at("天津港集装箱码头", 0.05, 0.905, 0.25, 0.925), at("通知", 0.05, 0.78, 0.08, 0.80)},
                 column("推荐方案", "1小时20分", "85.3公里", 0.46)}),
         optionA},
        {"EndpointDotsAndBulletsTrimmed",
         {at("· 朝阳区望京街道 ●", 0.05, 0.90, 0.25, 0.93), at("• 海淀·中关村大街", 0.05, 0.85, 0.25, 0.88)},
         lines({"朝阳区望京街道", "海淀·中关村大街", "通知"})},
        {"EndpointOfFourCharactersAfterCleaningTaken",
         {at("天津港集装箱码头", 0.05, 0.90, 0.25, 0.93), at("● 朝阳公园 ●", 0.05, 0.85, 0.25, 0.88), notice},
         lines({"天津港集装箱码头", "朝阳公园", "通知"})},
        // The notice mark read far smaller than a marker beside it: the row
        // holds no text but still marks where the endpoints end.
        {"NoticeReadAsAMarkerBesideOneStillMarksItsRow",
         {at("天津港集装箱码头", 0.05, 0.90, 0.25, 0.93), at("石家庄物流园区", 0.05, 0.85, 0.25, 0.88),
          at("通知", 0.05, 0.805, 0.07, 0.815), at("●", 0.075, 0.79, 0.10, 0.83)},
         lines({"天津港集装箱码头", "石家庄物流园区", "通知"})},
        {"EndpointOfOneCharacterAfterCleaningRejected",
         {at("天津港集装箱码头", 0.05, 0.90, 0.25, 0.93), at("● 港 ●", 0.05, 0.85, 0.25, 0.88)},
         ""},
        {"EndpointWithExcludedWordsRejected",
         {at("预计下午三点到达", 0.05, 0.90, 0.25, 0.93), at("公交线路推荐方案", 0.05, 0.85, 0.25, 0.88),
          at("石家庄物流园区", 0.05, 0.82, 0.25, 0.84)},
         ""},
        {"EndpointOutsideTheTopLeftCornerRejected",
         {at("天津港集装箱码头", 0.31, 0.90, 0.45, 0.93), at("石家庄物流园区", 0.05, 0.79, 0.25, 0.83),
          at("保定市物流中心", 0.05, 0.85, 0.25, 0.88)},
         ""},
        // In a wide window the corner reaches past the panel into the map: a
        // place name there, right of the options, is no endpoint, even above
        // the origin.
        {"MapNameRightOfThePanelIsNoEndpoint",
         concat({{at("京津塘高速公路", 0.20, 0.95, 0.27, 0.97), at("天津港集装箱码头", 0.03, 0.93, 0.10, 0.95),
                  at("石家庄物流园区", 0.03, 0.90, 0.09, 0.92), at("通知", 0.02, 0.87, 0.035, 0.885)},
                 narrowColumn("方案一", "1小时", "80公里", 0.05, 0), narrowColumn("方案二", "2小时", "90公里", 0.11, 0)}),
         lines({"天津港集装箱码头", "石家庄物流园区", "通知", "方案一", "1小时", "80公里", "方案二", "2小时", "90公里"})},
        // A box that is not finite cannot be placed; its text still reaches the full-text block.
        {"NonFiniteBoxesAreNotPlaced",
         concat({{at("3小时", std::numeric_limits<double>::quiet_NaN(), 0.55, 0.5, 0.59),
                  at("4小时", 0.2, 0.55, std::numeric_limits<double>::infinity(), 0.59),
                  at("天津港集装箱码头", 0.05, std::numeric_limits<double>::quiet_NaN(), 0.25, 0.93),
                  at("石家庄物流园区", 0.05, 0.85, 0.25, 0.88)},
                 column("推荐方案", "1小时20分", "85.3公里", 0.46)}),
         optionA},
        // A toll on a line of its own under the distance follows it; a
        // distance line that carries its toll needs none.
        {"TollUnderTheDistanceFollowsIt",
         concat({column("推荐方案", "1小时20分", "85.3公里", 0.46), {at("¥268", 0.44, 0.47, 0.48, 0.50)}}),
         lines({"推荐方案", "1小时20分", "85.3公里", "¥268"})},
        {"ZeroTollUnderTheDistance",
         concat({column("推荐方案", "1小时20分", "85.3公里", 0.46), {at("¥0", 0.45, 0.47, 0.47, 0.50)}}),
         lines({"推荐方案", "1小时20分", "85.3公里", "¥0"})},
        {"TollFreeWordUnderTheDistance",
         concat({column("推荐方案", "1小时20分", "85.3公里", 0.46), {at("免费", 0.44, 0.47, 0.48, 0.50)}}),
         lines({"推荐方案", "1小时20分", "85.3公里", "免费"})},
        {"DistanceLineCarryingItsTollTakesNoTollLine",
         {at("推荐方案", 0.40, 0.60, 0.52, 0.63), at("1小时20分", 0.40, 0.55, 0.52, 0.59),
          at("85.3公里 ¥45", 0.41, 0.51, 0.50, 0.54), at("¥99", 0.44, 0.47, 0.48, 0.50)},
         lines({"推荐方案", "1小时20分", "85.3公里 ¥45"})},
        {"TextUnderTheDistanceThatIsNoTollAlone",
         concat({column("推荐方案", "1小时20分", "85.3公里", 0.46), {at("收费¥268起", 0.43, 0.47, 0.49, 0.50)}}),
         optionA},
        {"TollTooFarUnderTheDistance",
         concat({column("推荐方案", "1小时20分", "85.3公里", 0.46), {at("¥268", 0.44, 0.40, 0.48, 0.43)}}),
         optionA},
        // Endpoints: short names too, but no tab, heading or notice, no text
        // with a figure, and none when the two stand in one row.
        {"ShortNamesAboveTheNoticeAreEndpoints",
         {at("货车", 0.07, 0.96, 0.09, 0.98), at("天津港", 0.04, 0.91, 0.08, 0.93), at("沈阳", 0.04, 0.86, 0.06, 0.88),
          at("通知", 0.02, 0.82, 0.035, 0.835), at("部分路段限行", 0.04, 0.82, 0.12, 0.835)},
         lines({"天津港", "沈阳", "通知"})},
        {"NoticeBesideItsMarkIsNoDestination",
         {at("天津港", 0.04, 0.91, 0.08, 0.93), at("通知", 0.02, 0.82, 0.035, 0.835),
          at("部分路段限行", 0.04, 0.82, 0.12, 0.835)},
         ""},
        {"NoticeReadWithItsMarkIsNoDestination",
         {at("天津港", 0.04, 0.91, 0.08, 0.93), at("通知 部分路段限行", 0.02, 0.82, 0.12, 0.835)}, ""},
        {"HeadingsAndTabsAreNoEndpoints",
         {at("天津港", 0.04, 0.91, 0.08, 0.93), at("路线", 0.02, 0.82, 0.04, 0.835),
          at("高德推荐", 0.05, 0.82, 0.10, 0.835), at("步行", 0.10, 0.96, 0.12, 0.98)},
         ""},
        {"TextWithAFigureIsNoEndpoint",
         {at("天津港", 0.04, 0.91, 0.08, 0.93), at("全程312公里", 0.04, 0.86, 0.10, 0.88)}, ""},
        {"TwoUppermostInOneRowGiveNoEndpoints",
         {at("天津港", 0.04, 0.91, 0.08, 0.93), at("北京南站", 0.12, 0.905, 0.17, 0.925),
          at("沈阳", 0.04, 0.86, 0.06, 0.88)},
         ""},
        // Origin and destination are the two place rows directly above the
        // notice row, by where they stand, whatever stands higher and
        // whatever its words: a short toolbar tab, a typed search, the
        // toolbar's own notifications button.
        {"ShortToolbarTabIsNoOrigin",
         concat({panelInPoints(reference), {inPoints("附近", 30, 18, 58, 37, reference)}}),
         lines({"天津港", "沈阳", "通知", "方案一", "4小时20分", "312.5公里", "¥268"})},
        {"TypedSearchAboveTheEndpointsIsNoOrigin",
         concat({panelInPoints(reference, {"货车"}), {inPoints("北京南站", 52, 30, 110, 48, reference)}}),
         lines({"天津港", "沈阳", "通知", "方案一", "4小时20分", "312.5公里", "¥268"})},
        {"NotificationsButtonInTheToolbar",
         concat({panelInPoints(reference, {"货车"}), {inPoints("通知", 30, 18, 56, 37, reference)}}),
         lines({"天津港", "沈阳", "通知", "方案一", "4小时20分", "312.5公里", "¥268"})},
        // What the recogniser reads beside the names: a marker with one name
        // only, a dot taken for a letter, the swap icon between the rows.
        {"MarkerReadWithOneNameOnly",
         {inPoints("●北京南站", 42.5, 113, 109, 131.5, reference),
          inPoints("江苏省苏州市工业园区", 53.5, 163.5, 179, 180.5, reference),
          inPoints("通知", 22, 238.5, 47.5, 253.5, reference)},
         lines({"北京南站", "江苏省苏州市工业园区", "通知"})},
        {"DotReadAsALetterBeforeTheOrigin",
         {inPoints("太原", 39, 64.5, 75, 83.5, reference), inPoints("O", 26, 68.5, 38, 77.5, reference),
          inPoints("成都", 42, 117.5, 75, 136.5, reference), inPoints("通知", 22, 189, 51, 204, reference)},
         lines({"太原", "成都", "通知"})},
        {"SwapIconBetweenTheRowsAtTheRight",
         concat({panelInPoints(reference), {inPoints("11", 388, 92, 400, 108, reference)}}),
         lines({"天津港", "沈阳", "通知", "方案一", "4小时20分", "312.5公里", "¥268"})},
        // Anything less certain gives none: a label close before a name,
        // the rest of a name beside it, a smaller row between the
        // destination and the notice, rows not aligned.
        {"LabelCloseBeforeTheNameGivesNone",
         concat({panelInPoints(reference, {"货车"}), {inPoints("出发", 24, 64, 50, 82, reference)}}), optionInPoints},
        {"NameSplitInTwoGivesNone",
         concat({panelInPoints(reference, {"货车"}), {inPoints("物流园", 100, 114, 150, 132, reference)}}),
         optionInPoints},
        {"SmallerRowBetweenTheDestinationAndTheNoticeGivesNone",
         concat({panelInPoints(reference, {"货车"}), {inPoints("添加途经", 57, 150, 97, 162, reference)}}),
         optionInPoints},
        {"MarkerMisreadAsPunctuationGivesNone",
         {inPoints("●江西省南昌市新建区", 36, 63, 165, 80, reference),
          inPoints("）浙江省宁波市北仑港", 36, 100, 165, 117, reference),
          inPoints("通知", 23, 171, 46.5, 183, reference)},
         ""},
        {"RowsNotAlignedGiveNone",
         {inPoints("天津港", 57, 64, 110, 82, reference), inPoints("沈阳", 80, 114, 115, 132, reference),
          inPoints("通知", 24, 200, 50, 216, reference)},
         ""},
        // Without a notice mark in view, only two rows that both carry the
        // markers read with the names, and no third row at their pitch.
        {"TwoMarkedRowsWithoutANoticeAreEndpoints",
         {inPoints("●廊坊", 36, 85, 80, 104, reference), inPoints("●湖北省武汉市东西湖区", 35, 130, 184, 148, reference)},
         lines({"廊坊", "湖北省武汉市东西湖区", "通知"})},
        {"WaypointBelowTwoMarkedRowsGivesNone",
         {inPoints("●廊坊", 36, 85, 80, 104, reference), inPoints("●沧州市运河区", 35, 130, 131, 148, reference),
          inPoints("湖北省武汉市东西湖区", 47.5, 173, 184, 193, reference)},
         ""},
        {"UnmarkedRowsWithoutANoticeGiveNone",
         {inPoints("天津港", 57, 64, 110, 82, reference), inPoints("沈阳", 57, 114, 92, 132, reference)}, ""},
        // In a window 1400 points high the panel's rows stand where they do
        // at 900: the notice row, 200 points down, is below the endpoints'
        // corner of 171 points, though above 0.19 of the height.
        {"TallWindowNoticeIsNoDestination",
         panelInPoints({1440, 1400}, {"沈阳", "通知"}),
         lines({"方案一", "4小时20分", "312.5公里", "¥268"}),
         {1440, 1400}},
        {"TallWindowPanelReadWhole",
         panelInPoints({1440, 1400}),
         lines({"天津港", "沈阳", "通知", "方案一", "4小时20分", "312.5公里", "¥268"}),
         {1440, 1400}},
        // A heading 96 points above the travel time is beyond the label's
        // reach of 81 points, though within 0.09 of a window 1400 high.
        {"TallWindowHeadingBeyondTheLabelsReach",
         concat({panelInPoints({1440, 1400}, {"方案一"}), {inPoints("全部方案", 110, 190, 180, 210, {1440, 1400})}}),
         lines({"天津港", "沈阳", "通知"}),
         {1440, 1400}},
        // In a window 2560 points wide the corner is the panel's 432 points,
        // not 0.3 of the width: a map name at 500 points is no endpoint.
        {"WideWindowMapNameIsNoEndpoint",
         {inPoints("天津港", 57, 64, 110, 82, {2560, 900}), inPoints("京承高速", 500, 100, 560, 118, {2560, 900})},
         "",
         {2560, 900}},
    };

    // Columns of a panel of fixed point width in a wide window stand closer than
    // the column half-widths; boxes jitter by a few thousandths, so a
    // neighbour's label or distance may lie vertically nearer. Each column
    // still takes its own.
    for (const double apart : {0.06, 0.075, 0.09}) {
        for (const double jitter : {0.005, -0.005}) {
            cases.push_back({"ThreeNarrowColumnsEachTakeTheirOwn" + std::to_string(static_cast<int>(apart * 1000)) +
                                 (jitter > 0 ? "NeighbourHigher" : "NeighbourLower"),
                             concat({narrowColumn("方案一", "1小时", "80公里", 0.40, 0),
                                     narrowColumn("方案二", "2小时", "90公里", 0.40 + apart, jitter),
                                     narrowColumn("方案三", "3小时", "100公里", 0.40 + 2 * apart, -jitter)}),
                             lines({"方案一", "1小时", "80公里", "方案二", "2小时", "90公里", "方案三", "3小时",
                                    "100公里"})});
            // Without the middle column's travel time no anchor marks its
            // column; its label and distance still stand beside the others'.
            Fragments middle = narrowColumn("方案二", "2小时", "90公里", 0.40 + apart, jitter);
            middle.erase(middle.begin() + 1);
            cases.push_back({"MiddleTravelTimeMissed" + std::to_string(static_cast<int>(apart * 1000)) +
                                 (jitter > 0 ? "NeighbourHigher" : "NeighbourLower"),
                             concat({narrowColumn("方案一", "1小时", "80公里", 0.40, 0), middle,
                                     narrowColumn("方案三", "3小时", "100公里", 0.40 + 2 * apart, 0)}),
                             lines({"方案一", "1小时", "80公里", "方案三", "3小时", "100公里"})});
            // The middle column shows no toll: its neighbours' stand in the
            // same row and are not its own.
            const auto toll = [&](const char* text, double midX, double dy) {
                return at(text, midX - 0.012, 0.52 + dy, midX + 0.012, 0.54 + dy);
            };
            cases.push_back({"MiddleTollMissing" + std::to_string(static_cast<int>(apart * 1000)) +
                                 (jitter > 0 ? "NeighbourHigher" : "NeighbourLower"),
                             concat({narrowColumn("方案一", "1小时", "80公里", 0.40, 0), {toll("¥12", 0.40, 0)},
                                     narrowColumn("方案二", "2小时", "90公里", 0.40 + apart, jitter),
                                     narrowColumn("方案三", "3小时", "100公里", 0.40 + 2 * apart, -jitter),
                                     {toll("¥0", 0.40 + 2 * apart, -jitter)}}),
                             lines({"方案一", "1小时", "80公里", "¥12", "方案二", "2小时", "90公里", "方案三",
                                    "3小时", "100公里", "¥0"})});
        }
    }

    // A text holding one of these words never labels an option.
    for (const auto& [word, name] : std::vector<std::pair<std::string, std::string>>{
             {"高德推荐", "Recommended"}, {"货车", "Truck"}, {"驾车", "Car"}, {"我的", "Mine"},
             {"首页", "Home"}, {"到达", "Arrive"}, {"通知", "Notice"}}) {
        cases.push_back({"LabelWithWord" + name, column("新" + word, "1小时20分", "85.3公里", 0.46), ""});
    }
    // Label lengths count user-perceived characters: 2 to 24.
    const std::string twentyFour = "一二三四五六七八九十一二三四五六七八九十一二三四";
    struct Length {
        std::string name;
        std::string label;
        bool accepted;
    };
    for (const Length& c : std::vector<Length>{{"One", "甲", false},
                                               {"Two", "甲乙", true},
                                               {"TwoWithSkinToneEmoji", "👍🏽乙", true},
                                               {"TwentyFour", twentyFour, true},
                                               {"TwentyFive", twentyFour + "五", false}}) {
        cases.push_back({"LabelLength" + c.name, column(c.label, "1小时20分", "85.3公里", 0.46),
                         c.accepted ? lines({c.label, "1小时20分", "85.3公里"}) : ""});
    }
    return cases;
}

class RouteBlocks : public testing::TestWithParam<LayoutCase> {};

// Where neighbouring columns nearly touch, the recogniser may box the lines of
// two columns as one. Its first figure would go to whichever column the box
// leans to, so it is left out of both blocks and the two options are lost.
TEST(RouteBlocks, LinesOfTwoColumnsRunTogetherAreLeftOut) {
    const Fragments first = narrowColumn("方案一", "26小时", "1420.8公里", 0.05, 0);
    const Fragments labels = {at("时间优先", 0.08, 0.60, 0.105, 0.62), at("方案三", 0.135, 0.60, 0.155, 0.62)};
    struct Case {
        std::string name;
        Fragments rest;
        AmapRecognizedFragment runTogether;
    };
    for (const Case& c : std::vector<Case>{
             {"Distances",
              {at("29小时1分", 0.07, 0.57, 0.11, 0.59), at("19小时44分", 0.12, 0.57, 0.165, 0.59)},
              at("1554.1公里¥22931553.3公里¥2416", 0.064, 0.545, 0.171, 0.565)},
             {"TravelTimes",
              {at("1554.1公里", 0.075, 0.545, 0.105, 0.565), at("1553.3公里", 0.13, 0.545, 0.16, 0.565)},
              at("29小时1分19小时44分", 0.07, 0.57, 0.165, 0.59)},
         }) {
        const Fragments kept = concat({first, labels, c.rest});
        EXPECT_EQ(AmapVisionReader::routeBlocks(concat({kept, {c.runTogether}})),
                  (Blocks{lines({"方案一", "26小时", "1420.8公里"}), fullText(kept)}))
            << c.name;
    }
}

// A column whose label was not recognised gives no option, and its travel
// time stays out of the full text too, where the line read before it would
// be taken for its label. A bare "方案" is such a label, its numeral lost.
TEST(RouteBlocks, TravelTimeWithoutItsLabelIsLeftOutOfBoth) {
    const Fragments first = {at("方案一", 0.08, 0.66, 0.12, 0.68), at("1小时", 0.08, 0.62, 0.12, 0.65),
                             at("80公里", 0.08, 0.59, 0.12, 0.61), at("¥12", 0.09, 0.56, 0.11, 0.58)};
    const Fragments rest = {at("90公里", 0.18, 0.59, 0.22, 0.61), at("¥34", 0.19, 0.56, 0.21, 0.58)};
    for (const Fragments& label : {Fragments{}, Fragments{at("方案", 0.18, 0.66, 0.22, 0.68)}}) {
        const Fragments kept = concat({first, label, rest});
        const Fragments all = concat({first, label, {at("2小时", 0.18, 0.62, 0.22, 0.65)}, rest});
        EXPECT_EQ(AmapVisionReader::routeBlocks(all), (Blocks{lines({"方案一", "1小时", "80公里", "¥12"}), fullText(kept)}))
            << label.size();
    }
}

TEST_P(RouteBlocks, GivesTheRouteBlockThenTheFullTextBlock) {
    EXPECT_EQ(AmapVisionReader::routeBlocks(GetParam().fragments, GetParam().window), expectedBlocks(GetParam()));
}

// The rules are drawn up in points of the reference window: there they are
// the constants exactly, elsewhere the same points; a size that cannot be a
// window's is taken as the reference.
TEST(LayoutGeometry, TheSamePointsInEveryWindow) {
    using namespace AmapVisionReader::detail;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const WindowSize w : {WindowSize{1440, 900}, WindowSize{0, 900}, WindowSize{nan, 900}, WindowSize{-1, -1}}) {
        const Geometry g = geometryOf(w);
        EXPECT_EQ(g.labelReach, labelReach);
        EXPECT_EQ(g.distanceColumnHalfWidth, distanceColumnHalfWidth);
        EXPECT_EQ(g.endpointLeftLimit, endpointLeftLimit);
        EXPECT_EQ(g.endpointTopLimit, endpointTopLimit);
    }
    const Geometry tall = geometryOf({2880, 1400});
    EXPECT_DOUBLE_EQ(tall.labelReach * 1400, 81);
    EXPECT_DOUBLE_EQ(tall.distanceColumnHalfWidth * 2880, 122.4);
    EXPECT_DOUBLE_EQ(tall.endpointLeftLimit * 2880, 432);
    EXPECT_DOUBLE_EQ((1 - tall.endpointTopLimit) * 1400, 420);
}

INSTANTIATE_TEST_SUITE_P(Layout, RouteBlocks, testing::ValuesIn(layoutCases()),
                         [](const testing::TestParamInfo<LayoutCase>& c) { return c.param.name; });

// ---- The single-text rules ----

struct TextCase {
    std::string input;
    std::string clean;
    std::string cleanEndpoint;
    bool routeLabel;
    bool endpoint;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << '"' << c.input << '"'; }

class LayoutTextRules : public testing::TestWithParam<TextCase> {};

TEST_P(LayoutTextRules, CleanAndClassify) {
    using namespace AmapVisionReader::detail;
    const TextCase& c = GetParam();
    EXPECT_EQ(clean(c.input), c.clean);
    EXPECT_EQ(cleanEndpoint(c.input), c.cleanEndpoint);
    EXPECT_EQ(isRouteLabel(c.input), c.routeLabel);
    EXPECT_EQ(isEndpoint(c.input), c.endpoint);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LayoutTextRules,
    testing::Values(
        TextCase{"方案|二", "方案二", "方案二", true, true},
        TextCase{"||", "", "", true, false},  // the label test looks at the text as recognised
        TextCase{"\u3000• 朝阳区望京街道 ●\t", "· 朝阳区望京街道 ●", "朝阳区望京街道", true, true},
        TextCase{"·北京·朝阳区·", "·北京·朝阳区·", "北京·朝阳区", true, true},
        TextCase{" ● 朝阳公园", "● 朝阳公园", "朝阳公园", true, true},
        TextCase{"沈阳", "沈阳", "沈阳", true, true},
        TextCase{"● 港", "● 港", "港", true, false},
        TextCase{"路线", "路线", "路线", false, false},
        TextCase{"通知 部分路段限行", "通知 部分路段限行", "通知 部分路段限行", false, false},
        TextCase{"我的位置", "我的位置", "我的位置", false, false},
        TextCase{"·\t朝阳区望京街道", "·\t朝阳区望京街道", "\t朝阳区望京街道", true, true},
        TextCase{"高德推荐路线", "高德推荐路线", "高德推荐路线", false, false},
        TextCase{"到达石家庄物流园", "到达石家庄物流园", "到达石家庄物流园", false, true},
        TextCase{"预计下午到达", "预计下午到达", "预计下午到达", false, false},
        TextCase{"摩托车道路线", "摩托车道路线", "摩托车道路线", true, false},
        TextCase{"方案", "方案", "方案", false, true}));

TEST(LayoutPatterns, MatchAnywhereInTheText) {
    using namespace AmapVisionReader::detail;
    const text::Pattern travelTime(travelTimePattern);
    const text::Pattern distance(distancePattern);
    for (const char* s : {"2小时", "约 1 小时 5 分 到达", "45分钟", "大路优先 2小时", "１２分钟"})
        EXPECT_TRUE(contains(travelTime, s)) << s;
    for (const char* s : {"两小时", "45分", "小时", "200公里"}) EXPECT_FALSE(contains(travelTime, s)) << s;
    for (const char* s : {"约12公里", "85.3 公里 ¥20", "12345公里"}) EXPECT_TRUE(contains(distance, s)) << s;
    for (const char* s : {"800米", "公里", "85.公里"}) EXPECT_FALSE(contains(distance, s)) << s;
}

}  // namespace
