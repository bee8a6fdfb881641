#include "app/wendrel_app.h"

#include "app/route_summary.h"
#include "parser/amap_parser.h"

#include <QApplication>
#include <QFont>
#include <QKeySequence>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextDocument>
#include <QtMath>
#include <QVBoxLayout>

#include <chrono>
#include <initializer_list>

using wendrel::NamedColor;

namespace {

const char* const readButtonTitle = "读取当前高德货车结果";
const char* const settingsButtonTitle = "打开屏幕录制设置";
const char* const readingStatus = "正在读取高德地图…";
const char* const failedStatus = "未能读取";
const char* const noResultRoute = "尚未复制结果";
const char* const successStatus = "✓ 已读取并复制，可以回到运费网站导入";
const char* const mapNotRunning = "没有找到正在运行的高德地图，请先打开 Mac 高德地图。";
const char* const screenCaptureRefused =
    "请在系统设置 → 隐私与安全性 → 屏幕与系统音频录制中允许本助手，然后重新打开助手。";
const char* const payloadFailedPrefix = "结果生成失败：";
const char* const clipboardFailed = "结果复制失败：无法写入剪贴板。";

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The card behind the three status labels: a rounded, filled panel with a
// hairline border, painted rather than styled so the labels keep the
// application's own style.
class StatusCard : public QWidget {
public:
    StatusCard(QColor fill, QColor border) : fill_(fill), border_(border) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(border_, 1));
        painter.setBrush(fill_);
        // Half a pixel in, so the 1-px border falls on whole pixels.
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    }

private:
    QColor fill_;
    QColor border_;
};

// The height that `lines` lines of text take in a label with `font`. Laid
// out as the label lays out its own text, because Chinese glyphs usually
// come from a fallback font whose lines are taller than the primary font says.
int linesHeight(const QFont& font, int lines) {
    QTextDocument document;
    document.setDefaultFont(font);
    document.setDocumentMargin(0);
    QStringList sample;
    for (int i = 0; i < lines; ++i) sample.append(QStringLiteral("高德 Ag"));
    document.setPlainText(sample.join(QLatin1Char('\n')));
    return qCeil(document.size().height());
}

// The system's sans-serif with a Simplified Chinese face first, so Latin and
// Chinese text share one design and one line height.
QFont uiFont(int pixelSize, QFont::Weight weight) {
    QFont font = QApplication::font();
    QStringList families{QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC"),
                         QStringLiteral("WenQuanYi Micro Hei")};
    families.append(font.families());
    font.setFamilies(families);
    // Sizes are those of the design, in device-independent pixels, so the
    // window keeps its proportions whatever the screen's DPI setting.
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

}  // namespace

WendrelApp::WendrelApp(wendrel::DesktopServices services, std::chrono::milliseconds recognitionLimit)
    : services_(std::move(services)),
      screenReader_(std::move(services_.screenReader)),
      recognition_(screenReader_, recognitionLimit) {}

WendrelApp::~WendrelApp() {
    // Release a task that waits for a hand-off, then wait for it to end: it
    // touches nothing of ours once the gate is closed.
    handoff_.close();
    recognition_.close();
    joinReadTask();
}

void WendrelApp::applicationDidFinishLaunching() {
    buildWindow();
    window_->show();
    window_->raise();
    window_->activateWindow();
    refreshPermissionState(false);
    // The recogniser's first request may take a minute; with Screen
    // Recording granted a read will need it, so it is readied now, off the
    // main thread, while the dispatcher plans the route.
    if (screenRecordingAtLaunch_) recognition_.warmUp();
}

// ---- Window ----

QLabel* WendrelApp::label(const QString& text, int size, QFont::Weight weight, NamedColor color, int maxLines) {
    auto* label = new QLabel(text);
    // Plain text always: route names come from another program and must
    // never be taken for markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFont(uiFont(size, weight));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, services_.colors->color(color));
    label->setPalette(palette);
    if (maxLines > 0) label->setMaximumHeight(linesHeight(label->font(), maxLines));
    return label;
}

QWidget* WendrelApp::buildStatusCard() {
    auto* card = new StatusCard(services_.colors->color(NamedColor::controlBackground),
                                services_.colors->color(NamedColor::separator));
    statusLabel_ = label(QStringLiteral("正在检查权限…"), 13, QFont::DemiBold);
    routeLabel_ = label(QStringLiteral("尚未读取路线"), 12, QFont::Normal, NamedColor::secondaryLabel);
    resultLabel_ = label(QStringLiteral("请先在高德地图选择“货车 → 重型货车 → 开始路线规划”。"), 12, QFont::Normal,
                         NamedColor::secondaryLabel, 9);
    auto* stack = new QVBoxLayout(card);
    stack->setContentsMargins(16, 14, 16, 14);
    stack->setSpacing(8);
    stack->addWidget(statusLabel_);
    stack->addWidget(routeLabel_);
    stack->addWidget(resultLabel_);
    stack->addStretch(1);
    card->setMinimumHeight(175);
    return card;
}

void WendrelApp::buildWindow() {
    window_ = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                     Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                                     Qt::WindowCloseButtonHint);
    window_->setWindowTitle(QStringLiteral("Wendrel"));
    window_->setFixedSize(560, 510);
    if (const QScreen* screen = window_->screen())
        window_->move(screen->availableGeometry().center() - window_->rect().center());

    QLabel* banner = label(QStringLiteral("WENDREL"), 11, QFont::DemiBold, NamedColor::teal);
    QLabel* heading = label(QStringLiteral("读取 Mac 高德货车路线"), 24, QFont::Bold);
    QLabel* explanation = label(QStringLiteral("在高德地图中完成货车路线规划后，点击下方按钮。助手优先读取页面文字，"
                                               "必要时使用 Mac 本机视觉识别窗口，不会上传截图。"),
                                13, QFont::Normal, NamedColor::secondaryLabel, 3);
    QWidget* card = buildStatusCard();
    buildButtons();
    QLabel* footer = label(QStringLiteral("读取成功后，回到 ") + qs(freightSiteHost) +
                               QStringLiteral(" 的“货车路线校准”，点击“导入 Mac 高德结果”。"),
                           11, QFont::Normal, NamedColor::tertiaryLabel, 2);

    // A hidden widget takes no room in a box layout, so the settings button
    // only pushes the footer down while it is shown.
    auto* stack = new QVBoxLayout(window_.get());
    stack->setContentsMargins(28, 25, 28, 24);
    stack->setSpacing(13);
    const std::initializer_list<QWidget*> elements{banner, heading, explanation, card, readButton_, settingsButton_, footer};
    for (QWidget* element : elements) stack->addWidget(element);
    stack->addStretch(1);
}

void WendrelApp::buildButtons() {
    readButton_ = new QPushButton(QString::fromUtf8(readButtonTitle));
    readButton_->setFont(uiFont(14, QFont::Normal));
    readButton_->setMinimumHeight(36);
    connect(readButton_, &QPushButton::clicked, this, [this] { readAmap(); });

    settingsButton_ = new QPushButton(QString::fromUtf8(settingsButtonTitle));
    settingsButton_->setFont(uiFont(13, QFont::Normal));
    settingsButton_->hide();
    connect(settingsButton_, &QPushButton::clicked, this, [this] { openPermissionSettings(); });

    // Return and Enter press the read button wherever the focus is.
    for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), window_.get());
        connect(shortcut, &QShortcut::activated, this, [this] {
            if (readButton_->isEnabled()) readButton_->click();
        });
    }
}

void WendrelApp::setStatus(const QString& text, NamedColor color) {
    statusLabel_->setText(text);
    QPalette palette = statusLabel_->palette();
    palette.setColor(QPalette::WindowText, services_.colors->color(color));
    statusLabel_->setPalette(palette);
}

void WendrelApp::showSettingsButton() {
    settingsButton_->show();
    settingsButton_->setText(QString::fromUtf8(settingsButtonTitle));
}

// ---- Permissions ----

void WendrelApp::refreshPermissionState(bool prompt) {
    const bool trusted = services_.accessibilityTrust->isTrusted(prompt);
    const bool screen = services_.screenCapture->preflight();
    screenRecordingAtLaunch_ = screen;
    if (trusted) {
        setStatus(QStringLiteral("✓ 可直接读取高德窗口"), NamedColor::green);
        settingsButton_->hide();
    } else if (screen) {
        setStatus(QStringLiteral("✓ 可使用本机视觉识别"), NamedColor::green);
        settingsButton_->hide();
    } else {
        setStatus(QStringLiteral("首次读取需要授权"), NamedColor::orange);
        resultLabel_->setText(
            QStringLiteral("点击“读取”后，允许录制高德地图窗口。助手只在本机识别当前高德窗口，不保存、不上传截图。"));
        showSettingsButton();
        permissionSettings_ = "screen";
    }
    readButton_->setEnabled(true);
}

void WendrelApp::openPermissionSettings() { services_.settings->openPrivacySettings(permissionSettings_); }

// ---- Result output ----

void WendrelApp::copyAndRender(const AmapReadResult& result) {
    const auto payload = payloadText(result);
    if (!payload) {
        readButton_->setEnabled(true);
        showFailure(payloadFailedPrefix + payload.error().description);
        return;
    }
    // A clipboard that did not take the payload is a failed read, not a
    // success the user would only discover when the import finds nothing.
    if (!services_.clipboard->writeText(payload.value())) {
        readButton_->setEnabled(true);
        showFailure(clipboardFailed);
        return;
    }
    lastPayload_ = result;
    render(result);
    readButton_->setEnabled(true);
}

void WendrelApp::render(const AmapReadResult& result) {
    setStatus(QString::fromUtf8(successStatus), NamedColor::green);
    routeLabel_->setText(qs(summary::routeLine(result)));
    resultLabel_->setText(qs(summary::optionLines(result)));
    services_.sounds->playSuccess();
}

std::string WendrelApp::format(double km) { return summary::distanceText(km); }

void WendrelApp::showFailure(const std::string& message) {
    setStatus(QString::fromUtf8(failedStatus), NamedColor::red);
    routeLabel_->setText(QString::fromUtf8(noResultRoute));
    resultLabel_->setText(qs(message));
    services_.sounds->alert();
}

// ---- Read workflow ----

void WendrelApp::readAmap() {
    // The button is disabled while a screen read runs; this also covers a
    // press that was already queued when it was disabled.
    if (readTaskRunning_) return;
    const std::vector<std::int32_t> pids = services_.runningApplications->processIdentifiers(amapBundleIdentifier);
    if (pids.empty()) {
        showFailure(mapNotRunning);
        return;
    }
    setStatus(QString::fromUtf8(readingStatus), NamedColor::blue);
    // The accessibility walk below holds the main thread; paint the status
    // now so the user sees that the read has started.
    statusLabel_->repaint();

    if (services_.accessibilityTrust->isTrusted(false)) {
        const auto strings = services_.accessibilityHarvest->readStrings(pids.front());
        if (auto result = AmapParser::parse(strings, std::chrono::system_clock::now())) {
            copyAndRender(*result);
            return;
        }
    }

    if (!screenCaptureGranted()) {
        permissionSettings_ = "screen";
        showSettingsButton();
        showFailure(screenCaptureRefused);
        return;
    }
    // A recognition that hangs keeps its thread; reading again cannot help.
    if (const auto unusable = recognition_.unusable()) {
        showFailure(unusable->localizedDescription());
        return;
    }
    readButton_->setEnabled(false);
    startReadTask();
}

bool WendrelApp::screenCaptureGranted() {
    wendrel::ScreenCaptureAccess& access = *services_.screenCapture;
    if (access.preflight()) return true;
    const bool granted = access.request();
    // The request may return false without a prompt and without listing
    // Wendrel under Screen Recording; asking ScreenCaptureKit does both.
    access.askCaptureService();
    return granted;
}

void WendrelApp::startReadTask() {
    joinReadTask();  // the previous task has already handed off and is ending
    readTaskRunning_ = true;
    readTask_ = std::thread([this] {
        wendrel::ScreenReader& reader = *screenReader_;
        auto failed = [this](VisionError error) {
            handoff_.runAndWait([this, error = std::move(error)] {
                finishReadTask();
                readButton_->setEnabled(true);
                showFailure(wendrel::recogniserUnusable(error) ? error.localizedDescription()
                                                               : summary::screenReadFailureMessage(error));
            });
        };
        auto image = reader.captureWindow(amapBundleIdentifier);
        if (!image) return failed(image.error());
        const auto strings = recognition_.recognizeRouteStrings(std::move(image.value()));
        if (!strings) return failed(strings.error());
        auto result = AmapParser::parse(strings.value(), std::chrono::system_clock::now());
        if (!result) return failed(AmapVisionReaderError::recognitionFailed);
        handoff_.runAndWait([this, result = std::move(*result)] {
            finishReadTask();
            copyAndRender(result);
        });
    });
}

void WendrelApp::finishReadTask() { readTaskRunning_ = false; }

void WendrelApp::joinReadTask() {
    if (readTask_.joinable()) readTask_.join();
}
