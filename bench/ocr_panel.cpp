#include "ocr_panel.h"

#include "model/route_model.h"
#include "parser/amap_parser.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string_view>

namespace ocrcorpus {
namespace {

const std::vector<std::string_view> places = {
    "北京市朝阳区望京街道",   "天津市滨海新区于家堡",   "上海市浦东新区外高桥港区", "广州市白云区太和镇",
    "河北省石家庄市长安区",   "山东省济南市历城区",     "江苏省苏州市工业园区",     "浙江省宁波市北仑港",
    "河南省郑州市经开区",     "湖北省武汉市东西湖区",   "四川省成都市青白江区",     "陕西省西安市国际港务区",
    "辽宁省沈阳市于洪区",     "安徽省合肥市肥东县",     "福建省厦门市海沧区",       "重庆市沙坪坝区团结村",
    "山西省太原市小店区",     "内蒙古包头市九原区",     "江西省南昌市新建区",       "湖南省长沙市望城区",
};

const std::vector<std::string_view> labels = {"推荐方案", "高速优先", "少收费",   "躲避拥堵", "大路优先",
                                              "时间优先", "不走高速", "距离最短", "方案二",   "方案三",
                                              "常规路线", "经济路线"};

const std::vector<std::string_view> mapNames = {"朝阳公园", "望京SOHO", "京承高速", "东五环", "温榆河",
                                                "首都机场", "G45",      "S12",      "来广营",  "酒仙桥",
                                                "北苑路",   "广顺北大街", "K12+300", "东湖渠"};

std::string travelTimeText(std::mt19937& random) {
    std::uniform_int_distribution<int> kind(0, 4);
    std::uniform_int_distribution<int> hours(1, 23), minutes(1, 59), shortMinutes(5, 59);
    switch (kind(random)) {
        case 0: return std::to_string(shortMinutes(random)) + "分钟";
        case 1: return std::to_string(hours(random)) + "小时";
        default: return std::to_string(hours(random)) + "小时" + std::to_string(minutes(random)) + "分";
    }
}

std::string distanceText(std::mt19937& random) {
    std::uniform_int_distribution<int> tenths(50, 25000);
    const int value = tenths(random);
    std::string text = std::to_string(value / 10);
    if (value % 10 != 0 || random() % 3 == 0) text += "." + std::to_string(value % 10);
    return text + "公里";
}

std::string tollText(std::mt19937& random) {
    if (random() % 6 == 0) return "免费";
    return "¥" + std::to_string(std::uniform_int_distribution<int>(5, 1800)(random));
}

QString q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

struct Colours {
    QColor map, road, majorRoad, park, water, mapText, sidebar, text, secondary, accent, card;
};

Colours coloursOf(bool dark) {
    if (dark)
        return {QColor(0x24, 0x26, 0x2b), QColor(0x3a, 0x3d, 0x45), QColor(0x6b, 0x5a, 0x2e), QColor(0x23, 0x3a, 0x2c),
                QColor(0x1d, 0x2f, 0x45), QColor(0x8a, 0x90, 0x99), QColor(0x1c, 0x1d, 0x21), QColor(0xe8, 0xea, 0xed),
                QColor(0x9a, 0xa0, 0xa6), QColor(0x4c, 0x9a, 0xff), QColor(0x2a, 0x2c, 0x31)};
    return {QColor(0xf2, 0xef, 0xe9), QColor(0xff, 0xff, 0xff), QColor(0xfc, 0xd6, 0x8a), QColor(0xc8, 0xe6, 0xc0),
            QColor(0xaa, 0xd3, 0xf0), QColor(0x70, 0x70, 0x70), QColor(0xff, 0xff, 0xff), QColor(0x1f, 0x23, 0x29),
            QColor(0x6b, 0x72, 0x80), QColor(0x1a, 0x73, 0xe8), QColor(0xf4, 0xf6, 0xf9)};
}

QFont fontOf(const PanelStyle& style, int pixelSize, bool bold) {
    QFont font(style.serif ? "Noto Serif CJK SC" : "Noto Sans CJK SC");
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// The map behind and beside the sidebar: roads, parks, water and place names.
void drawMap(QPainter& p, const Colours& c, const PanelStyle& style, std::mt19937& random) {
    p.fillRect(QRectF(0, 0, windowWidthPoints, windowHeightPoints), c.map);
    if (!style.clutter) return;
    std::uniform_real_distribution<double> x(440, windowWidthPoints), y(0, windowHeightPoints);
    for (int i = 0; i < 4; ++i) {
        QPolygonF blob;
        const double cx = x(random), cy = y(random);
        for (int k = 0; k < 7; ++k)
            blob << QPointF(cx + std::cos(k * 0.9) * (60 + random() % 80), cy + std::sin(k * 0.9) * (40 + random() % 60));
        p.setPen(Qt::NoPen);
        p.setBrush(i % 2 ? c.park : c.water);
        p.drawPolygon(blob);
    }
    for (int i = 0; i < 14; ++i) {
        QPainterPath road(QPointF(x(random), y(random)));
        road.cubicTo(QPointF(x(random), y(random)), QPointF(x(random), y(random)), QPointF(x(random), y(random)));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(i < 4 ? c.majorRoad : c.road, i < 4 ? 9 : 5, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(road);
    }
    p.setPen(QPen(c.accent, 7, Qt::SolidLine, Qt::RoundCap));  // the planned route
    p.drawLine(QPointF(x(random), y(random)), QPointF(x(random), y(random)));
    p.setPen(c.mapText);
    p.setFont(fontOf(style, 11, false));
    for (int i = 0; i < 10; ++i) p.drawText(QPointF(x(random), y(random)), q(mapNames[random() % mapNames.size()]));
}

void drawIcon(QPainter& p, QPointF centre, const QColor& colour, int shape) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    if (shape == 0) p.drawEllipse(centre, 5, 5);
    else p.drawRoundedRect(QRectF(centre.x() - 8, centre.y() - 6, 16, 12), 3, 3);
}

void drawText(QPainter& p, const QFont& font, const QColor& colour, QPointF centreTop, std::string_view text) {
    p.setFont(font);
    p.setPen(colour);
    const QFontMetricsF metrics(font);
    const QString s = q(text);
    p.drawText(QPointF(centreTop.x() - metrics.horizontalAdvance(s) / 2, centreTop.y() + metrics.ascent()), s);
}

void drawLeftText(QPainter& p, const QFont& font, const QColor& colour, QPointF leftTop, std::string_view text) {
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QPointF(leftTop.x(), leftTop.y() + QFontMetricsF(font).ascent()), q(text));
}

// The sidebar: vehicle tabs, origin and destination, the options side by
// side (label, travel time, distance, toll), and the route's details.
void drawSidebar(QPainter& p, const Panel& panel, const Colours& c, std::mt19937& random) {
    const PanelStyle& style = panel.style;
    const int size = style.pointSize;
    p.fillRect(QRectF(0, 0, 420, windowHeightPoints), c.sidebar);

    const QFont small = fontOf(style, std::max(10, size - 2), false);
    const QFont body = fontOf(style, size, false);
    const QFont time = fontOf(style, size + 4, true);
    double x = 30;
    for (const char* tab : {"驾车", "货车", "公交", "摩托"}) {
        drawLeftText(p, small, std::string_view(tab) == "货车" ? c.accent : c.secondary, QPointF(x, 18), tab);
        x += 70;
    }

    p.fillRect(QRectF(16, 50, 388, 100), c.card);
    if (style.markers) {
        drawIcon(p, QPointF(30, 72), QColor(0x2e, 0xb8, 0x72), 0);
        drawIcon(p, QPointF(30, 122), QColor(0xe5, 0x4b, 0x4b), 0);
    }
    drawLeftText(p, body, c.text, QPointF(58, 62), panel.origin);
    drawLeftText(p, body, c.text, QPointF(58, 112), panel.destination);

    const double columnWidth = 130;
    const double top = 200;
    if (style.clutter) drawLeftText(p, small, c.accent, QPointF(24, 172), "高德推荐");
    for (std::size_t i = 0; i < panel.columns.size(); ++i) {
        const RouteColumn& column = panel.columns[i];
        const double centre = 16 + columnWidth * (static_cast<double>(i) + 0.5);
        if (i == 0) p.fillRect(QRectF(centre - 62, top - 10, 124, 150), c.card);
        drawText(p, body, i == 0 ? c.accent : c.text, QPointF(centre, top), column.label);
        drawText(p, time, c.text, QPointF(centre, top + 32), column.travelTime);
        drawText(p, body, c.secondary, QPointF(centre, top + 68), column.distance);
        drawText(p, small, c.secondary, QPointF(centre, top + 98), column.toll);
    }

    p.fillRect(QRectF(16, 380, 388, 1), c.secondary);
    drawLeftText(p, small, c.secondary, QPointF(24, 400), "途经 G4京港澳高速  G1京哈高速");
    drawLeftText(p, small, c.secondary, QPointF(24, 430), "红绿灯 " + std::to_string(3 + random() % 40) + " 个");
    if (style.clutter) {
        drawLeftText(p, small, c.secondary, QPointF(24, 460), "限高4.5米  限重49吨");
        drawIcon(p, QPointF(390, 410), c.accent, 1);
    }
    p.fillRect(QRectF(110, 820, 200, 44), c.accent);
    drawText(p, body, QColor(Qt::white), QPointF(210, 832), "开始导航");
}

}  // namespace

Panel randomPanel(std::uint32_t seed) {
    std::mt19937 random(seed);
    Panel panel;
    const std::size_t from = random() % places.size();
    std::size_t to = random() % places.size();
    if (to == from) to = (to + 1) % places.size();
    panel.origin = places[from];
    panel.destination = places[to];

    std::vector<std::string_view> names = labels;
    std::shuffle(names.begin(), names.end(), random);
    const int columns = 1 + static_cast<int>(random() % 3 != 0 ? 2 : random() % 2);  // mostly three
    for (int i = 0; i < columns; ++i)
        panel.columns.push_back({std::string(names[static_cast<std::size_t>(i)]), travelTimeText(random),
                                 distanceText(random), tollText(random)});

    panel.style.serif = random() % 2 == 0;
    panel.style.pointSize = 11 + static_cast<int>(random() % 5);
    panel.style.dark = random() % 2 == 0;
    panel.style.clutter = random() % 5 != 0;
    panel.style.markers = random() % 2 == 0;
    return panel;
}

QImage render(const Panel& panel, int scale, std::uint32_t clutterSeed) {
    QImage image(windowWidthPoints * scale, windowHeightPoints * scale, QImage::Format_RGB32);
    std::mt19937 random(clutterSeed);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(scale, scale);
    const Colours colours = coloursOf(panel.style.dark);
    drawMap(p, colours, panel.style, random);
    drawSidebar(p, panel, colours, random);
    p.end();
    return image;
}

WindowImage windowImageOf(const QImage& source) {
    const QImage rgba = source.convertToFormat(QImage::Format_RGBA8888);
    WindowImage image{rgba.width(), rgba.height(), {}};
    image.rgba.resize(static_cast<std::size_t>(rgba.width()) * static_cast<std::size_t>(rgba.height()) * 4);
    const auto rowBytes = static_cast<std::size_t>(rgba.width()) * 4;
    for (int y = 0; y < rgba.height(); ++y)
        std::copy_n(rgba.constScanLine(y), rowBytes, image.rgba.begin() + static_cast<std::ptrdiff_t>(rowBytes * y));
    return image;
}

std::string expectedPayload(const Panel& panel, std::chrono::system_clock::time_point date) {
    std::string block = panel.origin + "\n" + panel.destination + "\n通知";
    for (const RouteColumn& column : panel.columns)
        block += "\n" + column.label + "\n" + column.travelTime + "\n" + column.distance;
    const auto result = AmapParser::parse(std::vector<std::string>{block}, date);
    if (!result || result->options().size() != panel.columns.size()) return {};
    const auto payload = payloadText(*result);
    return payload ? payload.value() : std::string();
}

}  // namespace ocrcorpus
