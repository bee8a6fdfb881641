#include "ocr_panel.h"

#include "model/route_model.h"
#include "parser/amap_parser.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string_view>
#include <utility>

namespace ocrcorpus {
namespace {

const std::vector<std::string_view> places = {
    "北京市朝阳区望京街道",   "天津市滨海新区于家堡",   "上海市浦东新区外高桥港区", "广州市白云区太和镇",
    "河北省石家庄市长安区",   "山东省济南市历城区",     "江苏省苏州市工业园区",     "浙江省宁波市北仑港",
    "河南省郑州市经开区",     "湖北省武汉市东西湖区",   "四川省成都市青白江区",     "陕西省西安市国际港务区",
    "辽宁省沈阳市于洪区",     "安徽省合肥市肥东县",     "福建省厦门市海沧区",       "重庆市沙坪坝区团结村",
    "山西省太原市小店区",     "内蒙古包头市九原区",     "江西省南昌市新建区",       "湖南省长沙市望城区",
};

// Places as a dispatcher often types them: a port, a station, a city.
const std::vector<std::string_view> shortPlaces = {
    "天津港", "北京南站", "沈阳",   "石家庄物流园", "郑州东站", "青岛港", "廊坊", "武汉",   "成都",
    "西安北站", "太原", "保定",   "唐山港",       "宁波北仑港", "合肥", "南昌", "济南",   "苏州工业园",
};

// What a real window may show above and beside the endpoints: not only the
// panel's own tabs, and many of them short words or places that a place
// name could be. None of it is ever an endpoint.
const std::vector<std::string_view> toolbarItems = {
    "路线",   "附近",   "收藏",     "导航",   "发现",     "出行",     "打车",   "公交",     "地铁",     "驾车",
    "货车",   "骑行",   "步行",     "摩托",   "足迹",     "消息",     "通知",   "设置",     "帮助",     "反馈",
    "登录",   "更多",   "工具",     "图层",   "测距",     "截图",     "全屏",   "离线地图", "历史",     "首页",
    "我的",   "路况",   "卫星",     "天气",   "限行",     "货车导航", "常用路线", "我的车辆", "车辆管理", "路线规划",
    "服务区", "停车场", "加油站",   "分享",   "收起",     "发送到手机", "打印", "工具箱",   "周边",     "我的位置"};
const std::vector<std::string_view> cities = {"北京", "上海", "天津", "石家庄", "郑州", "广州", "北京市", "天津市",
                                              "沈阳", "济南", "成都", "西安", "武汉", "合肥", "青岛", "保定"};
const std::vector<std::string_view> titles = {"高德地图", "货车路线",         "路线规划",   "北京市 - 高德地图",
                                              "地图",     "天津港 - 路线规划", "货车导航",   "重型货车路线",
                                              "沈阳",     "高德地图 - 货车",   "规划路线",   "石家庄物流园"};
const std::vector<std::string_view> searchTexts = {
    "搜索地点、公交站、地铁站", "搜地点、查公交、找路线", "请输入目的地", "搜索", "查找地点", "输入地址或地名",
    "天津港",                   "北京南站",             "廊坊",         "搜索货车停车场", "唐山港 附近的加油站",
    "石家庄物流园"};
const std::vector<std::string_view> headingsAboveTheCard = {"货车路线", "路线规划", "规划路线", "我的行程",
                                                            "常用路线", "重型货车 6轴", "出发地和目的地", "行程"};
const std::vector<std::string_view> buttonsBeside = {"添加途经点", "途经", "交换", "收藏", "编辑", "清除", "+",
                                                     "我的位置", "地图选点", "历史"};
const std::vector<std::string_view> linesUnderTheDestination = {"现在出发", "添加途经点", "避开限行区域",
                                                                 "出发时间 今天", "途经点 0 个"};
const std::vector<std::string_view> waypoints = {"保定", "廊坊服务区", "唐山", "沧州市运河区", "德州"};

// Notices the panel shows beside its mark "通知", under the endpoints.
const std::vector<std::string_view> panelNotices = {
    "部分路段限行", "京港澳高速部分路段施工", "今日货车限行", "前方2公里施工 请绕行", "途经限高4.2米路段",
    "沿途有雨雪天气", "部分路段限重49吨",
};

const std::vector<std::string_view> labels = {"推荐方案", "高速优先", "少收费",   "躲避拥堵", "大路优先",
                                              "时间优先", "不走高速", "距离最短", "方案二",   "方案三",
                                              "常规路线", "经济路线", "方案一",   "推荐"};

// Names on the map: districts, roads, road numbers, parks and places; now
// and then a long one.
const std::vector<std::string_view> mapNames = {
    "朝阳公园", "望京SOHO",  "京承高速", "东五环",   "温榆河",   "首都机场", "G45",      "S12",
    "来广营",   "酒仙桥",    "北苑路",   "广顺北大街", "K12+300", "东湖渠",   "顺义区",   "通州",
    "廊坊",     "武清区",    "G4",       "G1",       "S32",      "杨村",     "北辰区",   "永定河",
    "天津南站", "奥林匹克森林公园", "首都国际机场T3", "京津塘高速公路", "马驹桥物流园"};

// Notices the map shows beside the sidebar: restrictions and events on the route.
const std::vector<std::pair<std::string_view, std::string_view>> routeNotices = {
    {"限行提醒", "今日 7:00-21:00 货车限行"},
    {"限高提醒", "途经限高 4.2 米路段"},
    {"道路施工", "前方2公里施工 请减速慢行"},
    {"收费站", "途经 3 个收费站"},
    {"拥堵", "京津塘高速 缓行 12 分钟"},
    {"天气", "沿途有小雨 注意行车安全"},
};

// One option's figures, consistent as the map application's are: a truck
// averages 40 to 85 km/h, and a toll road costs up to 1.6 yuan a kilometre.
RouteColumn routeOption(std::string_view label, int tenthsOfKm, std::mt19937& random) {
    RouteColumn option;
    option.label = label;
    std::string distance = std::to_string(tenthsOfKm / 10);
    if (tenthsOfKm % 10 != 0 || random() % 3 == 0) distance += "." + std::to_string(tenthsOfKm % 10);
    option.distance = distance + "公里";

    const double km = tenthsOfKm / 10.0;
    const int minutes = std::max(1, static_cast<int>(km / std::uniform_real_distribution<double>(40, 85)(random) * 60));
    if (minutes < 60) option.travelTime = std::to_string(minutes) + "分钟";
    else if (minutes % 60 == 0) option.travelTime = std::to_string(minutes / 60) + "小时";
    else option.travelTime = std::to_string(minutes / 60) + "小时" + std::to_string(minutes % 60) + "分";

    const int toll = static_cast<int>(km * std::uniform_real_distribution<double>(0.1, 1.6)(random));
    // A toll-free option shows "¥0" or the word "免费".
    if (random() % 6 == 0 || toll == 0) option.toll = random() % 3 == 0 ? "免费" : "¥0";
    else option.toll = "¥" + std::to_string(toll);
    return option;
}

QString q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

struct Colours {
    QColor map, road, majorRoad, park, water, mapText, sidebar, text, secondary, accent, card, selectedCard, line;
};

Colours coloursOf(bool dark) {
    if (dark)
        return {QColor(0x24, 0x26, 0x2b), QColor(0x3a, 0x3d, 0x45), QColor(0x6b, 0x5a, 0x2e), QColor(0x23, 0x3a, 0x2c),
                QColor(0x1d, 0x2f, 0x45), QColor(0x8a, 0x90, 0x99), QColor(0x1e, 0x1f, 0x23), QColor(0xe8, 0xea, 0xed),
                QColor(0x9a, 0xa0, 0xa6), QColor(0x3d, 0x8b, 0xff), QColor(0x2c, 0x2e, 0x33), QColor(0x22, 0x30, 0x45),
                QColor(0x3a, 0x3c, 0x42)};
    return {QColor(0xf2, 0xef, 0xe9), QColor(0xff, 0xff, 0xff), QColor(0xfc, 0xd6, 0x8a), QColor(0xc8, 0xe6, 0xc0),
            QColor(0xaa, 0xd3, 0xf0), QColor(0x70, 0x70, 0x70), QColor(0xff, 0xff, 0xff), QColor(0x1f, 0x23, 0x29),
            QColor(0x86, 0x8c, 0x96), QColor(0x1a, 0x73, 0xe8), QColor(0xf5, 0xf6, 0xf8), QColor(0xea, 0xf2, 0xfe),
            QColor(0xe3, 0xe5, 0xe8)};
}

QFont fontOf(const PanelStyle& style, int pixelSize, bool bold) {
    QFont font(style.serif ? "Noto Serif CJK SC" : "Noto Sans CJK SC");
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// The sidebar's width in points, the same in every window.
constexpr double sidebarWidth = 432;

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

// The font made smaller until the text fits the width, as the map
// application shrinks a card's line rather than let it run into the next
// card (where no reader, human or not, could tell the two apart).
QFont fitted(QFont font, std::string_view text, double width) {
    while (font.pixelSize() > 8 && QFontMetricsF(font).horizontalAdvance(q(text)) > width)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

void drawLeftText(QPainter& p, const QFont& font, const QColor& colour, QPointF leftTop, std::string_view text) {
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QPointF(leftTop.x(), leftTop.y() + QFontMetricsF(font).ascent()), q(text));
}

// A rounded label on the map: white (or dark) bubble, thin border, text.
void drawBubble(QPainter& p, const QFont& font, const Colours& c, QPointF leftTop, std::string_view text,
                const QColor& textColour) {
    const QFontMetricsF metrics(font);
    const QRectF box(leftTop, QSizeF(metrics.horizontalAdvance(q(text)) + 16, metrics.height() + 8));
    p.setPen(QPen(c.line, 1));
    p.setBrush(c.sidebar);
    p.drawRoundedRect(box, 6, 6);
    drawLeftText(p, font, textColour, leftTop + QPointF(8, 4), text);
}

// The map beside the sidebar: parks, water, roads, the planned routes with
// their time bubbles, place names, road numbers and a route notice.
void drawMap(QPainter& p, const Panel& panel, const Colours& c, std::mt19937& random) {
    const PanelStyle& style = panel.style;
    const double width = style.windowWidth, height = style.windowHeight;
    p.fillRect(QRectF(0, 0, width, height), c.map);
    if (!style.clutter) return;
    std::uniform_real_distribution<double> x(sidebarWidth, width), y(0, height);
    const double area = (width - sidebarWidth) * height / (1000.0 * 900.0);  // about 1 for a 1440×900 window
    const auto count = [area](int base) { return std::max(1, static_cast<int>(base * area)); };
    for (int i = 0; i < count(4); ++i) {
        QPolygonF blob;
        const double cx = x(random), cy = y(random);
        for (int k = 0; k < 7; ++k)
            blob << QPointF(cx + std::cos(k * 0.9) * (60 + random() % 80), cy + std::sin(k * 0.9) * (40 + random() % 60));
        p.setPen(Qt::NoPen);
        p.setBrush(i % 2 ? c.park : c.water);
        p.drawPolygon(blob);
    }
    // Roads run a few hundred points, bending a little.
    std::uniform_real_distribution<double> step(-400, 400);
    for (int i = 0; i < count(16); ++i) {
        const QPointF from(x(random), y(random));
        const QPointF to = from + QPointF(step(random), step(random));
        QPainterPath road(from);
        road.cubicTo(from + QPointF(step(random), step(random)) / 3, to + QPointF(step(random), step(random)) / 3, to);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(i < 4 ? c.majorRoad : c.road, i < 4 ? 9 : 5, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(road);
    }
    // The planned routes, the chosen one on top in the accent colour, each
    // with a bubble giving its label and travel time.
    const QFont bubbleFont = fontOf(style, std::max(11, style.pointSize - 1), false);
    for (std::size_t i = 0; i < panel.columns.size(); ++i) {
        const bool chosen = static_cast<int>(i) == style.selected;
        QPainterPath route(QPointF(x(random), y(random)));
        route.cubicTo(QPointF(x(random), y(random)), QPointF(x(random), y(random)), QPointF(x(random), y(random)));
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(chosen ? c.accent : c.secondary, chosen ? 7 : 5, Qt::SolidLine, Qt::RoundCap));
        p.drawPath(route);
        const QPointF at = route.pointAtPercent(0.3 + 0.4 * (random() % 100) / 100.0);
        if (random() % 3 != 0)
            drawBubble(p, bubbleFont, c, at, panel.columns[i].label + " " + panel.columns[i].travelTime,
                       chosen ? c.accent : c.text);
    }
    // Endpoint pins at the ends of the chosen route.
    drawIcon(p, QPointF(x(random), y(random)), QColor(0x2e, 0xb8, 0x72), 0);
    drawIcon(p, QPointF(x(random), y(random)), QColor(0xe5, 0x4b, 0x4b), 0);

    const QFont nameFont = fontOf(style, 11 + static_cast<int>(random() % 3), false);
    for (int i = 0; i < count(10); ++i)
        drawLeftText(p, nameFont, c.mapText, QPointF(x(random), y(random)), mapNames[random() % mapNames.size()]);
    // Names just right of the sidebar, level with its top rows.
    std::uniform_real_distribution<double> nearX(sidebarWidth + 6, sidebarWidth + 220), nearY(30, 200);
    for (int i = static_cast<int>(random() % 4); i > 0; --i)
        drawLeftText(p, nameFont, c.mapText, QPointF(nearX(random), nearY(random)), mapNames[random() % mapNames.size()]);

    // A route notice floating beside the sidebar.
    if (random() % 3 != 0) {
        const auto& [title, body] = routeNotices[random() % routeNotices.size()];
        const QFont small = fontOf(style, std::max(11, style.pointSize - 1), false);
        const QFont titleFont = fontOf(style, std::max(11, style.pointSize - 1), true);
        const QRectF card(sidebarWidth + 12, 180 + random() % 200, 250, 64);
        p.setPen(QPen(c.line, 1));
        p.setBrush(c.sidebar);
        p.drawRoundedRect(card, 8, 8);
        drawIcon(p, card.topLeft() + QPointF(18, 20), QColor(0xf5, 0xa6, 0x23), 0);
        drawLeftText(p, titleFont, c.text, card.topLeft() + QPointF(30, 10), title);
        drawLeftText(p, small, c.secondary, card.topLeft() + QPointF(14, 36), body);
    }
}

double cardWidthOf(const PanelStyle& style) { return std::min(style.columnPitch - 8, 150.0); }

// About how wide a line of the panel's figures is, in points: ideographs one
// em, digits and the yen sign a little over half, the point and the space a
// quarter. Enough to tell whether "1553.3公里 ¥2416" fits its card.
double estimatedWidth(std::string_view text, int pointSize, bool bold) {
    double ems = 0;
    for (const char32_t c : QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUcs4())
        ems += c >= 0x2E80 ? 1.0 : (c == U'.' || c == U' ') ? 0.28 : 0.6;
    return ems * pointSize * (bold ? 1.05 : 1.0);
}

// One option's card: label, travel time, distance and toll, centred.
void drawOption(QPainter& p, const PanelStyle& style, const Colours& c, const RouteColumn& column, double centre,
                double top, bool chosen) {
    const int size = style.pointSize;
    const QFont label = fontOf(style, size, false);
    const QFont time = fontOf(style, size + 5, true);
    const QFont figures = fontOf(style, size, style.boldFigures);
    const QFont small = fontOf(style, std::max(10, size - 1), false);
    const double cardWidth = cardWidthOf(style);
    const double timeTop = top + 1.9 * size;
    const double distanceTop = timeTop + 1.55 * (size + 5);
    const double bottom = distanceTop + (style.tollBesideDistance ? 1.7 : 3.4) * size;
    const QRectF card(centre - cardWidth / 2, top - 12, cardWidth, bottom - top + 20);
    p.setPen(chosen ? QPen(c.accent, 1.5) : Qt::NoPen);
    p.setBrush(chosen ? c.selectedCard : c.card);
    p.drawRoundedRect(card, 8, 8);

    const double inside = cardWidth - 8;
    const auto line = [&](const QFont& font, const QColor& colour, double lineTop, const std::string& text) {
        drawText(p, fitted(font, text, inside), colour, QPointF(centre, lineTop), text);
    };
    line(label, chosen ? c.accent : c.secondary, top, column.label);
    line(time, c.text, timeTop, column.travelTime);
    if (style.tollBesideDistance) {
        line(figures, c.secondary, distanceTop, column.distance + " " + column.toll);
    } else {
        line(figures, c.secondary, distanceTop, column.distance);
        line(small, c.secondary, distanceTop + 1.7 * size, column.toll);
    }
}

}  // namespace

SidebarRows sidebarRowsOf(const Panel& panel) {
    const PanelChrome& chrome = panel.chrome;
    SidebarRows rows;
    double y = 18;
    if (!chrome.title.empty()) {
        rows.title = 8;
        y = 40;
    }
    if (!chrome.toolbar.empty()) {
        rows.toolbar = y;
        y += 32;
    }
    if (!chrome.search.empty()) {
        rows.search = y;
        y += 50;
    }
    if (!chrome.heading.empty()) {
        rows.heading = y;
        y += 30;
    }
    rows.cardTop = std::max(y, 50.0);
    rows.origin = rows.cardTop + 12;
    rows.via = chrome.via.empty() ? 0 : rows.origin + chrome.rowPitch;
    rows.destination = rows.origin + chrome.rowPitch * (chrome.via.empty() ? 1 : 2);
    rows.below = chrome.belowDestination.empty() ? 0 : rows.destination + chrome.rowPitch * chrome.belowPitch;
    rows.cardBottom = std::max(rows.destination, rows.below) + 38;
    return rows;
}

namespace {

// The window's title and the toolbar row: tabs, buttons, a city picker.
void drawToolbar(QPainter& p, const Panel& panel, const SidebarRows& rows, const Colours& c) {
    const PanelChrome& chrome = panel.chrome;
    const QFont small = fontOf(panel.style, std::max(10, panel.style.pointSize - 2), false);
    if (!chrome.title.empty()) {
        const QFont title = fontOf(panel.style, std::max(11, panel.style.pointSize - 1), true);
        drawText(p, title, c.text, QPointF(sidebarWidth / 2, rows.title), chrome.title);
    }
    double x = chrome.toolbarLeft;
    for (std::size_t i = 0; i < chrome.toolbar.size(); ++i) {
        const std::string& item = chrome.toolbar[i];
        const QColor colour = static_cast<int>(i) == chrome.toolbarSelected ? c.accent : c.secondary;
        drawLeftText(p, small, colour, QPointF(x, rows.toolbar), item);
        double width = QFontMetricsF(small).horizontalAdvance(q(item));
        if (i == 0 && chrome.cityPicker) {
            // The picker's ▾, drawn as a small triangle.
            const double mid = rows.toolbar + QFontMetricsF(small).height() / 2;
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawPolygon(QPolygonF{QPointF(x + width + 4, mid - 2), QPointF(x + width + 12, mid - 2),
                                    QPointF(x + width + 8, mid + 3)});
            width += 14;
        }
        x += std::max(70.0, width + 28);
    }
}

// A search field under the toolbar: a rounded box, a magnifier, its hint.
void drawSearchField(QPainter& p, const Panel& panel, const SidebarRows& rows, const Colours& c) {
    const QRectF field(16, rows.search, sidebarWidth - 32, 38);
    p.setPen(QPen(c.line, 1));
    p.setBrush(c.card);
    p.drawRoundedRect(field, 8, 8);
    p.setPen(QPen(c.secondary, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(34, rows.search + 17), 5, 5);
    p.drawLine(QPointF(38, rows.search + 21), QPointF(42, rows.search + 25));
    const QFont body = fontOf(panel.style, panel.style.pointSize, false);
    drawLeftText(p, body, c.secondary, QPointF(52, rows.search + 19 - QFontMetricsF(body).height() / 2),
                 panel.chrome.search);
}

void drawMarker(QPainter& p, const Panel& panel, const Colours& c, double rowTop, const QColor& colour,
                std::string_view badge) {
    const PanelChrome& chrome = panel.chrome;
    const QFont body = fontOf(panel.style, panel.style.pointSize, false);
    const double mid = rowTop + QFontMetricsF(body).height() / 2;
    switch (chrome.markerShape) {
        case MarkerShape::dotApart: drawIcon(p, QPointF(30, mid), colour, 0); break;
        case MarkerShape::bulletBeforeText:
            drawLeftText(p, body, colour, QPointF(chrome.endpointLeft - QFontMetricsF(body).horizontalAdvance(q("● ")),
                                                  rowTop), "●");
            break;
        case MarkerShape::badge: {
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawEllipse(QPointF(30, mid), 10, 10);
            const QFont letter = fontOf(panel.style, 11, true);
            drawText(p, letter, QColor(Qt::white), QPointF(30, mid - QFontMetricsF(letter).height() / 2), badge);
            break;
        }
    }
    (void)c;
}

// The two-arrow swap icon at the card's right, between the rows.
void drawSwapIcon(QPainter& p, const Colours& c, double top, double bottom) {
    const double x = sidebarWidth - 44, mid = (top + bottom) / 2;
    p.setPen(QPen(c.secondary, 1.5));
    p.drawLine(QPointF(x - 4, mid - 10), QPointF(x - 4, mid + 10));
    p.drawLine(QPointF(x + 4, mid - 10), QPointF(x + 4, mid + 10));
    p.drawLine(QPointF(x - 4, mid - 10), QPointF(x - 8, mid - 5));
    p.drawLine(QPointF(x + 4, mid + 10), QPointF(x + 8, mid + 5));
}

// The endpoints' card: origin, an optional waypoint, destination, each in
// its row, with their markers and the buttons beside them.
void drawEndpointCard(QPainter& p, const Panel& panel, const SidebarRows& rows, const Colours& c) {
    const PanelChrome& chrome = panel.chrome;
    const QFont body = fontOf(panel.style, panel.style.pointSize, false);
    const QFont small = fontOf(panel.style, std::max(10, panel.style.pointSize - 2), false);
    p.setPen(Qt::NoPen);
    p.setBrush(c.card);
    p.drawRoundedRect(QRectF(16, rows.cardTop, sidebarWidth - 32, rows.cardBottom - rows.cardTop), 8, 8);
    const QColor green(0x2e, 0xb8, 0x72), red(0xe5, 0x4b, 0x4b), grey(0x9a, 0xa0, 0xa6);
    const auto row = [&](double top, std::string_view name, const QColor& marker, std::string_view badge,
                         std::string_view beside) {
        if (panel.style.markers) drawMarker(p, panel, c, top, marker, badge);
        drawLeftText(p, body, c.text, QPointF(chrome.endpointLeft, top), name);
        if (!beside.empty()) {
            const double width = QFontMetricsF(small).horizontalAdvance(q(beside));
            drawLeftText(p, small, c.accent, QPointF(sidebarWidth - 40 - width, top + 2), beside);
        }
    };
    row(rows.origin, panel.origin, green, "起", chrome.besideOrigin);
    if (!chrome.via.empty()) row(rows.via, chrome.via, grey, "经", "");
    row(rows.destination, panel.destination, red, "终", chrome.besideDestination);
    if (!chrome.belowDestination.empty())
        drawLeftText(p, fontOf(panel.style, std::max(10, panel.style.pointSize - 1), false), c.secondary,
                     QPointF(chrome.endpointLeft, rows.below), chrome.belowDestination);
    if (chrome.swapIcon) drawSwapIcon(p, c, rows.origin, rows.destination + 18);
}

// The sidebar: the window's chrome, origin and destination, the notice, the
// options side by side, and the chosen route's details.
void drawSidebar(QPainter& p, const Panel& panel, const Colours& c, std::mt19937& random) {
    const PanelStyle& style = panel.style;
    const int size = style.pointSize;
    const double height = style.windowHeight;
    p.fillRect(QRectF(0, 0, sidebarWidth, height), c.sidebar);
    p.fillRect(QRectF(sidebarWidth - 1, 0, 1, height), c.line);

    const QFont small = fontOf(style, std::max(10, size - 2), false);
    const QFont body = fontOf(style, size, false);
    const SidebarRows rows = sidebarRowsOf(panel);
    drawToolbar(p, panel, rows, c);
    if (!panel.chrome.search.empty()) drawSearchField(p, panel, rows, c);
    if (!panel.chrome.heading.empty()) drawLeftText(p, body, c.text, QPointF(24, rows.heading), panel.chrome.heading);
    drawEndpointCard(p, panel, rows, c);

    // The notice row, then the headings over the route cards.
    double headings = rows.cardBottom + 18;
    if (!panel.notice.empty()) {
        const QFont mark = fontOf(style, std::max(10, size - 2), true);
        drawLeftText(p, mark, c.accent, QPointF(24, style.noticeTop), "通知");
        drawLeftText(p, small, c.secondary, QPointF(34 + QFontMetricsF(mark).horizontalAdvance(q("通知")), style.noticeTop),
                     panel.notice);
        headings = style.noticeTop + 34;
    }
    if (style.clutter) {
        const bool routeTab = random() % 2 == 0;
        if (routeTab) drawLeftText(p, small, c.text, QPointF(24, headings), "路线");
        drawLeftText(p, small, c.accent, QPointF(routeTab ? 72 : 24, headings), "高德推荐");
    }
    const double top = headings + 32;
    const double n = static_cast<double>(panel.columns.size());
    const double left = (sidebarWidth - style.columnPitch * n) / 2;
    for (std::size_t i = 0; i < panel.columns.size(); ++i) {
        const double centre = left + style.columnPitch * (static_cast<double>(i) + 0.5);
        drawOption(p, style, c, panel.columns[i], centre, top, static_cast<int>(i) == style.selected);
    }

    const double details = top + 6 * size + 70;
    p.fillRect(QRectF(16, details, sidebarWidth - 32, 1), c.line);
    drawLeftText(p, small, c.secondary, QPointF(24, details + 18), "途经 G4京港澳高速  G1京哈高速");
    drawLeftText(p, small, c.secondary, QPointF(24, details + 46), "红绿灯 " + std::to_string(3 + random() % 40) + " 个");
    if (style.clutter) {
        drawLeftText(p, small, c.secondary, QPointF(24, details + 74), "限高4.5米  限重49吨");
        drawIcon(p, QPointF(sidebarWidth - 30, details + 28), c.accent, 1);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(c.accent);
    p.drawRoundedRect(QRectF(sidebarWidth / 2 - 100, height - 80, 200, 44), 8, 8);
    drawText(p, body, QColor(Qt::white), QPointF(sidebarWidth / 2, height - 68), "开始导航");
}

template <typename Words>
std::string pick(const Words& words, std::mt19937& random) {
    return std::string(words[random() % words.size()]);
}

// One chance in `n`.
bool oneIn(std::uint32_t n, std::mt19937& random) { return random() % n == 0; }

PanelChrome randomChrome(const Panel& panel, std::mt19937& random) {
    PanelChrome chrome;
    // A quarter of the windows keep the vehicle tabs; the others show one to
    // three other items, now and then a city picker first.
    if (!oneIn(4, random)) {
        chrome.toolbar.clear();
        chrome.cityPicker = oneIn(3, random);
        if (chrome.cityPicker) chrome.toolbar.push_back(pick(cities, random));
        const std::size_t items = 1 + random() % 3;
        while (chrome.toolbar.size() < items) {
            std::string item = pick(toolbarItems, random);
            if (std::find(chrome.toolbar.begin(), chrome.toolbar.end(), item) == chrome.toolbar.end())
                chrome.toolbar.push_back(std::move(item));
        }
        chrome.toolbarSelected = oneIn(3, random) ? -1 : static_cast<int>(random() % chrome.toolbar.size());
    }
    if (oneIn(4, random)) chrome.title = pick(titles, random);
    if (oneIn(3, random)) chrome.search = pick(searchTexts, random);
    if (oneIn(5, random)) chrome.heading = pick(headingsAboveTheCard, random);
    if (oneIn(20, random)) chrome.via = pick(waypoints, random);
    if (oneIn(4, random)) chrome.besideOrigin = pick(buttonsBeside, random);
    if (oneIn(4, random)) chrome.besideDestination = pick(buttonsBeside, random);
    chrome.swapIcon = oneIn(3, random);
    const std::uint32_t shape = random() % 6;
    chrome.markerShape = shape < 3 ? MarkerShape::dotApart : shape < 5 ? MarkerShape::bulletBeforeText : MarkerShape::badge;
    // A badge is as wide as a dot is apart from the name; a bullet just
    // before the name is read with it.
    chrome.endpointLeft = std::uniform_real_distribution<double>(chrome.markerShape == MarkerShape::badge ? 56 : 44, 70)(random);
    chrome.rowPitch = std::uniform_real_distribution<double>(2.6, 4.2)(random) * panel.style.pointSize;
    // The toolbar may start where the names do; the card may hold a line
    // under the destination, aligned with the names at the card's pitch.
    chrome.toolbarLeft = std::uniform_real_distribution<double>(24, 64)(random);
    if (oneIn(20, random)) {
        chrome.belowDestination = pick(linesUnderTheDestination, random);
        chrome.belowPitch = std::uniform_real_distribution<double>(0.9, 1.1)(random);
    }
    return chrome;
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
    // A third of the endpoints are short names.
    if (random() % 3 == 0) panel.origin = shortPlaces[random() % shortPlaces.size()];
    if (random() % 3 == 0) {
        panel.destination = shortPlaces[random() % shortPlaces.size()];
        if (panel.destination == panel.origin) panel.destination = places[to];
    }
    if (random() % 3 != 0) panel.notice = panelNotices[random() % panelNotices.size()];

    std::vector<std::string_view> names = labels;
    std::shuffle(names.begin(), names.end(), random);
    const int columns = random() % 3 == 0 ? 2 : 3;
    // The options of one route differ by up to a fifth in length.
    const int tenths = std::uniform_int_distribution<int>(50, 25000)(random);
    for (int i = 0; i < columns; ++i) {
        const int length = std::max(10, static_cast<int>(tenths * std::uniform_real_distribution<double>(0.9, 1.1)(random)));
        panel.columns.push_back(routeOption(names[static_cast<std::size_t>(i)], length, random));
    }

    PanelStyle& style = panel.style;
    style.serif = random() % 3 == 0;
    style.pointSize = 11 + static_cast<int>(random() % 5);
    style.dark = random() % 2 == 0;
    style.clutter = random() % 6 != 0;
    style.markers = random() % 3 != 0;
    style.windowWidth = std::uniform_int_distribution<int>(1000, 2560)(random);
    style.windowHeight = std::uniform_int_distribution<int>(700, 1440)(random);
    style.noticeTop = std::uniform_real_distribution<double>(172, 215)(random);
    // Three options share the sidebar; two may spread out over it.
    style.columnPitch = std::uniform_real_distribution<double>(124, columns == 3 ? 134 : 190)(random);
    style.selected = static_cast<int>(random() % static_cast<std::uint32_t>(columns));
    style.boldFigures = random() % 2 == 0;
    style.tollBesideDistance = random() % 3 == 0;
    // The map application puts the toll under the distance when the two do
    // not fit side by side in the card.
    for (const RouteColumn& column : panel.columns)
        if (estimatedWidth(column.distance + " " + column.toll, style.pointSize, style.boldFigures) >
            cardWidthOf(style) - 12)
            style.tollBesideDistance = false;
    // The chrome comes from a stream of its own, so that a seed's values and
    // style are what they were before the chrome varied.
    std::mt19937 chromeRandom(seed ^ 0x9e3779b9u);
    panel.chrome = randomChrome(panel, chromeRandom);
    const SidebarRows rows = sidebarRowsOf(panel);
    style.noticeTop = rows.cardBottom + std::uniform_real_distribution<double>(22, 65)(random);
    return panel;
}

QImage render(const Panel& panel, int scale, std::uint32_t clutterSeed) {
    QImage image(panel.style.windowWidth * scale, panel.style.windowHeight * scale, QImage::Format_RGB32);
    std::mt19937 random(clutterSeed);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(scale, scale);
    const Colours colours = coloursOf(panel.style.dark);
    drawMap(p, panel, colours, random);
    drawSidebar(p, panel, colours, random);
    p.end();
    return image;
}

QImage enlargedTwice(const QImage& image) {
    return image.scaled(image.width() * 2, image.height() * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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

std::optional<AmapReadResult> expectedResult(const Panel& panel, std::chrono::system_clock::time_point date) {
    std::string block = panel.origin + "\n" + panel.destination + "\n通知";
    for (const RouteColumn& column : panel.columns)
        block += "\n" + column.label + "\n" + column.travelTime + "\n" + column.distance +
                 (panel.style.tollBesideDistance ? " " : "\n") + column.toll;
    auto result = AmapParser::parse(std::vector<std::string>{block}, date);
    if (!result || result->options().size() != panel.columns.size()) return std::nullopt;
    return result;
}

std::string expectedPayload(const Panel& panel, std::chrono::system_clock::time_point date) {
    const auto result = expectedResult(panel, date);
    if (!result) return {};
    const auto payload = payloadText(*result);
    return payload ? payload.value() : std::string();
}

namespace {

// Whether the read option is the panel's option with nothing wrong: the same
// label, travel time and distance, and its toll either the same or not read.
bool readWithoutFault(const AmapRouteOption& truth, const AmapRouteOption& read) {
    return truth.label() == read.label() && truth.durationSeconds() == read.durationSeconds() &&
           truth.distanceKm() == read.distanceKm() && (!read.toll() || read.toll() == truth.toll());
}

// An endpoint read is right or absent.
bool endpointWithoutFault(const std::optional<std::string>& truth, const std::optional<std::string>& read) {
    return !read || read == truth;
}

}  // namespace

Judgement judge(const AmapReadResult& truth, const std::optional<AmapReadResult>& read) {
    Judgement j;
    const auto& want = truth.options();
    j.options = static_cast<int>(want.size());
    for (const AmapRouteOption& option : want) j.tolls += option.toll() ? 1 : 0;
    if (!read) return j;

    bool wrong = !endpointWithoutFault(truth.origin(), read->origin()) ||
                 !endpointWithoutFault(truth.destination(), read->destination());
    j.endpoints = !wrong && read->origin() && read->destination();
    // Every option read must be one of the panel's, in panel order.
    std::size_t next = 0;
    for (const AmapRouteOption& option : read->options()) {
        while (next < want.size() && !readWithoutFault(want[next], option)) ++next;
        if (next == want.size()) {
            wrong = true;
            break;
        }
        ++j.optionsFound;
        j.tollsCarried += want[next].toll() && option.toll() ? 1 : 0;
        ++next;
    }
    j.outcome = wrong ? Outcome::wrong : *read == truth ? Outcome::full : Outcome::partial;
    return j;
}

}  // namespace ocrcorpus
