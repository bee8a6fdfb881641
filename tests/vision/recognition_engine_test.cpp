// Recognition with the on-device engine on rendered route panels, and the
// wendrel-inspect image subcommand that replays it from an image file.

#include "ocr_panel.h"

#include "model/route_model.h"
#include "parser/amap_parser.h"
#include "text/text_rules.h"
#include "tools/inspect.h"
#include "vision/text_recognition.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

using namespace AmapVisionReader;

namespace {

const auto readDate = std::chrono::sys_days{std::chrono::year{2026} / 12 / 6} + std::chrono::hours{8};

// Rendering text needs a GUI application; an offscreen one does.
void ensureGui() {
    static int argc = 1;
    static char name[] = "recognition_tests";
    static char* argv[] = {name, nullptr};
    if (!QGuiApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static QGuiApplication app(argc, argv);
    }
}

ocrcorpus::Panel standinLikePanel(bool dark, bool serif, const char* thirdToll = "免费") {
    ocrcorpus::Panel panel;
    panel.origin = "北京市朝阳区望京街道";
    panel.destination = "天津市滨海新区于家堡";
    panel.notice = "部分路段限行";  // the endpoints are the two rows above it
    panel.columns = {{"推荐方案", "4小时20分", "312.5公里", "¥268"},
                     {"高速优先", "3小时58分", "298公里", "¥315"},
                     {"少收费", "5小时5分", "305.8公里", thirdToll}};
    panel.style = {serif, 13, dark, true, false};
    return panel;
}

WindowImage rendered(const ocrcorpus::Panel& panel) {
    ensureGui();
    return ocrcorpus::windowImageOf(ocrcorpus::render(panel, 2, 7));
}

WindowImage blank(int width, int height) {
    WindowImage image{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4, 255)};
    return image;
}

struct PanelCase {
    const char* name;
    bool dark;
    bool serif;
    const char* thirdToll = "免费";
};

class RenderedPanel : public testing::TestWithParam<PanelCase> {};

TEST_P(RenderedPanel, ReadsThePayloadOfAPerfectRead) {
    const ocrcorpus::Panel panel = standinLikePanel(GetParam().dark, GetParam().serif, GetParam().thirdToll);
    const auto strings = recognizeRouteStrings(rendered(panel));
    ASSERT_TRUE(strings) << strings.error().localizedDescription();
    const auto result = AmapParser::parse(strings.value(), readDate);
    ASSERT_TRUE(result);
    EXPECT_EQ(payloadText(*result).value(), ocrcorpus::expectedPayload(panel, readDate));
}

INSTANTIATE_TEST_SUITE_P(Styles, RenderedPanel,
                         testing::Values(PanelCase{"lightSans", false, false}, PanelCase{"darkSans", true, false},
                                         PanelCase{"lightSerif", false, true},
                                         // a toll of two characters: a short line
                                         PanelCase{"tollFreeAsZero", false, false, "¥0"},
                                         PanelCase{"darkTollFreeAsZero", true, false, "¥0"}),
                         [](const auto& param) { return std::string(param.param.name); });

// Texts the engine misreads at first sight in some faces: repeated figures
// run into one ("11小时" as "1小时"), a bold serif "白云" read as "白去", a
// marker dot taken for the endpoint's first character.
TEST(Recognition, ReadsRepeatedFiguresAndBoldSerifNames) {
    ocrcorpus::Panel panel;
    panel.origin = "河北省石家庄市长安区";
    panel.destination = "广州市白云区太和镇";
    panel.notice = "部分路段限行";
    panel.columns = {{"常规路线", "11小时33分", "896.1公里", "¥206"}, {"方案二", "22小时5分", "1111.2公里", "¥118"}};
    for (const bool dark : {false, true}) {
        panel.style = {true, 14, dark, true, true};
        const auto strings = recognizeRouteStrings(rendered(panel));
        ASSERT_TRUE(strings) << strings.error().localizedDescription();
        const auto result = AmapParser::parse(strings.value(), readDate);
        ASSERT_TRUE(result) << (dark ? "dark" : "light");
        EXPECT_EQ(payloadText(*result).value(), ocrcorpus::expectedPayload(panel, readDate)) << (dark ? "dark" : "light");
    }
}

// Letting the models go between reads (and again when nothing is loaded)
// must not change what a read gives, even at another window size.
TEST(Recognition, ReadsTheSameAfterTheModelsWereLetGo) {
    const WindowImage image = rendered(standinLikePanel(false, false));
    const auto before = recognizeFragments(image);
    ASSERT_TRUE(before);
    releaseRecognitionModels();
    releaseRecognitionModels();
    EXPECT_TRUE(recognizeFragments(blank(800, 600)));
    releaseRecognitionModels();
    const auto after = recognizeFragments(image);
    ASSERT_TRUE(after);
    EXPECT_EQ(after.value(), before.value());
}

// A read announced ahead (as the read task does when its capture starts),
// reads of windows of other sizes between, and the fresh detector of each
// read give the same fragments.
TEST(Recognition, ReadsTheSameWhenAnnouncedAndAfterOtherSizes) {
    const WindowImage image = rendered(standinLikePanel(false, false));
    prepareRecognition();
    const auto first = recognizeFragments(image);
    ASSERT_TRUE(first);
    for (const WindowImage& other : {blank(800, 600), rendered(standinLikePanel(true, true))}) {
        prepareRecognition();
        EXPECT_TRUE(recognizeFragments(other));
    }
    releaseRecognitionModels();
    prepareRecognition();  // the models load beside, as during a capture
    const auto again = recognizeFragments(image);
    ASSERT_TRUE(again);
    EXPECT_EQ(again.value(), first.value());
}

const AmapRecognizedFragment* find(const std::vector<AmapRecognizedFragment>& fragments, std::string_view text) {
    const auto it = std::find_if(fragments.begin(), fragments.end(), [&](const auto& f) { return f.text == text; });
    return it == fragments.end() ? nullptr : &*it;
}

TEST(Recognition, FragmentsAreTidyAndBoxedFromTheLowerLeft) {
    const auto fragments = recognizeFragments(rendered(standinLikePanel(false, false)));
    ASSERT_TRUE(fragments);
    for (const AmapRecognizedFragment& f : fragments.value()) {
        EXPECT_FALSE(f.text.empty());
        EXPECT_EQ(f.text, text::trim(f.text));
        EXPECT_GE(f.minX(), 0.0);
        EXPECT_GE(f.minY(), 0.0);
        EXPECT_LE(f.maxX(), 1.0);
        EXPECT_LE(f.maxY(), 1.0);
    }
    const auto* origin = find(fragments.value(), "北京市朝阳区望京街道");
    const auto* label = find(fragments.value(), "推荐方案");
    const auto* time = find(fragments.value(), "4小时20分");
    const auto* distance = find(fragments.value(), "312.5公里");
    ASSERT_TRUE(origin && label && time && distance);
    // The panel is drawn top to bottom: origin, label, time, distance.
    EXPECT_GT(origin->minY(), 0.81);
    EXPECT_LT(origin->minX(), 0.3);
    EXPECT_GT(label->minY(), time->maxY());
    EXPECT_GT(time->minY(), distance->maxY());
    EXPECT_NEAR(label->midX(), time->midX(), 0.02);
}

TEST(Recognition, FailureCases) {
    const auto nothing = recognizeRouteStrings(blank(640, 400));
    ASSERT_FALSE(nothing);
    EXPECT_EQ(nothing.error(), VisionError(AmapVisionReaderError::recognitionFailed));

    WindowImage broken = blank(640, 400);
    broken.rgba.resize(100);  // fewer bytes than the size says
    const auto engine = recognizeRouteStrings(broken);
    ASSERT_FALSE(engine);
    EXPECT_FALSE(engine.error().isReaderError());
    EXPECT_EQ(engine.error().platformError().domain, "OpenCV");
}

struct ImageRun {
    int status;
    std::string out, err;
};

ImageRun inspect(const std::vector<std::string>& args) {
    std::vector<std::string> command{"image"};
    command.insert(command.end(), args.begin(), args.end());
    std::istringstream in;
    std::ostringstream out, err;
    inspect::Io io{in, out, err};
    ImageRun run;
    run.status = inspect::run(command, io);
    run.out = std::move(out).str();
    run.err = std::move(err).str();
    return run;
}

TEST(InspectImage, ExitStatusSaysWhatHappened) {
    ensureGui();
    QTemporaryDir dir;
    const std::string panelFile = dir.filePath("panel.png").toStdString();
    const std::string blankFile = dir.filePath("blank.jpg").toStdString();
    const std::string textFile = dir.filePath("notes.png").toStdString();
    const ocrcorpus::Panel panel = standinLikePanel(false, false);
    ASSERT_TRUE(ocrcorpus::render(panel, 2, 7).save(QString::fromStdString(panelFile)));
    QImage white(640, 400, QImage::Format_RGB32);
    white.fill(Qt::white);
    ASSERT_TRUE(white.save(QString::fromStdString(blankFile)));
    std::ofstream(textFile) << "not an image";

    const ImageRun read = inspect({panelFile, "--date", "2026-12-06T08:00:00Z"});
    EXPECT_EQ(read.status, inspect::ok) << read.err;
    EXPECT_EQ(read.out, ocrcorpus::expectedPayload(panel, readDate) + "\n");

    const ImageRun fragments = inspect({panelFile, "--fragments"});
    EXPECT_EQ(fragments.status, inspect::ok);
    EXPECT_NE(fragments.out.find("{\"box\":["), std::string::npos);
    EXPECT_NE(fragments.out.find("\"text\":\"4小时20分\""), std::string::npos);

    const ImageRun nothing = inspect({blankFile});
    EXPECT_EQ(nothing.status, inspect::noResult);
    EXPECT_NE(nothing.err.find("没有识别到高德路线文字"), std::string::npos);

    const struct {
        std::vector<std::string> args;
        const char* message;
    } bad[] = {
        {{textFile}, "is not a PNG or JPEG image"},
        {{dir.filePath("missing.png").toStdString()}, "cannot open"},
        {{}, "expected 1 argument"},
        {{panelFile, "--date", "yesterday"}, "bad --date"},
    };
    for (const auto& c : bad) {
        const ImageRun run = inspect(c.args);
        EXPECT_EQ(run.status, inspect::badInput) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
}

}  // namespace
