#include "platform/qt/main_window_qt.h"

#include <QApplication>
#include <QFont>
#include <QKeySequence>
#include <QLabel>
#include <QMetaObject>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QtMath>

namespace wendrel::qt_desktop {
namespace {

QString qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QFont::Weight qtWeight(window::FontWeight weight) {
    switch (weight) {
    case window::FontWeight::semibold: return QFont::DemiBold;
    case window::FontWeight::bold: return QFont::Bold;
    case window::FontWeight::regular: break;
    }
    return QFont::Normal;
}

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
        painter.setPen(QPen(border_, window::cardBorderWidth));
        painter.setBrush(fill_);
        // Half a pixel in, so the 1-px border falls on whole pixels.
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), window::cardCornerRadius,
                                window::cardCornerRadius);
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

void setTextColor(QLabel* label, const QColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

}  // namespace

QtMainWindow::QtMainWindow(std::unique_ptr<ColorScheme> colors) : colors_(std::move(colors)) {}

QtMainWindow::~QtMainWindow() = default;

void QtMainWindow::open(WindowActions actions) {
    actions_ = std::move(actions);
    build();
    window_->show();
    window_->raise();
    window_->activateWindow();
}

// ---- Building ----

QLabel* QtMainWindow::label(const window::LabelStyle& style, std::string_view text) {
    auto* label = new QLabel(qs(text));
    // Plain text always: route names come from another program and must
    // never be taken for markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFont(uiFont(style.size, qtWeight(style.weight)));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setTextColor(label, colors_->color(style.color));
    if (style.maxLines > 0) label->setMaximumHeight(linesHeight(label->font(), style.maxLines));
    return label;
}

QWidget* QtMainWindow::buildStatusCard() {
    auto* card = new StatusCard(colors_->color(window::cardFill), colors_->color(window::cardBorder));
    statusLabel_ = label(window::statusLabel, window::statusLabel.text);
    routeLabel_ = label(window::routeLabel, window::routeLabel.text);
    resultLabel_ = label(window::resultLabel, window::resultLabel.text);
    auto* stack = new QVBoxLayout(card);
    stack->setContentsMargins(window::cardPaddingHorizontal, window::cardPaddingVertical,
                              window::cardPaddingHorizontal, window::cardPaddingVertical);
    stack->setSpacing(window::cardSpacing);
    stack->addWidget(statusLabel_);
    stack->addWidget(routeLabel_);
    stack->addWidget(resultLabel_);
    stack->addStretch(1);
    card->setMinimumHeight(window::cardMinimumHeight);
    return card;
}

void QtMainWindow::build() {
    window_ = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                     Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                                     Qt::WindowCloseButtonHint);
    window_->setWindowTitle(qs(window::title));
    window_->setFixedSize(window::width, window::height);
    if (const QScreen* screen = window_->screen())
        window_->move(screen->availableGeometry().center() - window_->rect().center());

    QLabel* banner = label(window::bannerLabel, window::bannerLabel.text);
    QLabel* heading = label(window::headingLabel, window::headingLabel.text);
    QLabel* explanation = label(window::explanationLabel, window::explanationLabel.text);
    QWidget* card = buildStatusCard();
    buildButtons();
    QLabel* footer = label(window::footerLabel, window::footerText());

    // A hidden widget takes no room in a box layout, so the settings button
    // only pushes the footer down while it is shown.
    auto* stack = new QVBoxLayout(window_.get());
    stack->setContentsMargins(window::marginLeading, window::marginTop, window::marginTrailing, window::marginBottom);
    stack->setSpacing(window::spacing);
    for (const window::Element element : window::elements) {
        switch (element) {
        case window::Element::banner: stack->addWidget(banner); break;
        case window::Element::heading: stack->addWidget(heading); break;
        case window::Element::explanation: stack->addWidget(explanation); break;
        case window::Element::statusCard: stack->addWidget(card); break;
        case window::Element::readButton: stack->addWidget(readButton_); break;
        case window::Element::settingsButton: stack->addWidget(settingsButton_); break;
        case window::Element::footer: stack->addWidget(footer); break;
        }
    }
    stack->addStretch(1);
}

void QtMainWindow::buildButtons() {
    // Qt's push buttons have no large control size: the read button's
    // larger font and height stand in for it.
    readButton_ = new QPushButton(qs(window::readButtonTitle));
    readButton_->setFont(uiFont(14, QFont::Normal));
    readButton_->setMinimumHeight(36);
    QObject::connect(readButton_, &QPushButton::clicked, readButton_, [this] { actions_.read(); });

    settingsButton_ = new QPushButton(qs(window::settingsButtonTitle));
    settingsButton_->setFont(uiFont(13, QFont::Normal));
    settingsButton_->hide();
    QObject::connect(settingsButton_, &QPushButton::clicked, settingsButton_, [this] { actions_.openSettings(); });

    // Return and Enter press the read button wherever the focus is.
    for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), window_.get());
        QObject::connect(shortcut, &QShortcut::activated, readButton_, [this] {
            if (readButton_->isEnabled()) readButton_->click();
        });
    }
}

// ---- What the application changes ----

void QtMainWindow::setStatus(std::string_view text, NamedColor color) {
    statusLabel_->setText(qs(text));
    setTextColor(statusLabel_, colors_->color(color));
    // Painted now: the application may hold the main thread next.
    statusLabel_->repaint();
}

void QtMainWindow::setRouteText(std::string_view text) { routeLabel_->setText(qs(text)); }

void QtMainWindow::setResultText(std::string_view text) { resultLabel_->setText(qs(text)); }

void QtMainWindow::setReadEnabled(bool enabled) { readButton_->setEnabled(enabled); }

void QtMainWindow::showSettingsButton(std::string_view title) {
    settingsButton_->show();
    settingsButton_->setText(qs(title));
}

void QtMainWindow::hideSettingsButton() { settingsButton_->hide(); }

void QtMainWindow::postToMainThread(std::function<void()> work) {
    // Queued to the main thread; Qt drops the call if the context is
    // destroyed first.
    QMetaObject::invokeMethod(&context_, std::move(work), Qt::QueuedConnection);
}

}  // namespace wendrel::qt_desktop
