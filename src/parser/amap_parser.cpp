#include "parser/amap_parser.h"
#include "text/text_rules.h"

#include <algorithm>
#include <array>

namespace AmapParser {
namespace {

// The panel's fixed patterns, compiled once; a compiled pattern is immutable.
const text::Pattern& hoursPattern() {
    static const text::Pattern p(R"(^(\d{1,2})小时(?:(\d{1,2})分)?$)");
    return p;
}
const text::Pattern& minutesPattern() {
    static const text::Pattern p(R"(^(\d{1,4})分钟$)");
    return p;
}
// The whole figure before "公里": not preceded by a digit or a comma, commas
// only between groups of three digits, so "12345公里" is never read as 2345.
const text::Pattern& distancePattern() {
    static const text::Pattern p(R"((?<![\d,])((?:\d{1,3}(?:,\d{3})+|\d+)(?:\.\d+)?)\s*公里)");
    return p;
}
// Tried in this order; the first that matches decides.
const std::array<text::Pattern, 3>& tollPatterns() {
    static const std::array<text::Pattern, 3> p{
        text::Pattern(R"([¥￥]\s*(\d{1,6}(?:\.\d+)?))"),
        text::Pattern(R"((?:通行费|过路费|收费)[^\d]{0,6}(\d{1,6}(?:\.\d+)?))"),
        text::Pattern(R"(^(\d{1,6}(?:\.\d+)?)$)"),
    };
    return p;
}
const text::Pattern& bareDistancePattern() {
    static const text::Pattern p(R"(^\d+(?:\.\d+)?(?:米|公里)$)");
    return p;
}

constexpr std::string_view freeWord = "免费";
constexpr std::string_view noticeLine = "通知";
constexpr std::size_t optionLimit = 5;
constexpr double maxDistanceKm = 5000;
constexpr double maxTollYuan = 100000;

constexpr std::array<std::string_view, 6> labelExclusions{"长途信息", "通知", "路线详情", "查看全部", "货车", "驾车"};
constexpr std::array<std::string_view, 7> endpointExclusions{"高德推荐", "路况", "未开启", "禁区显示",
                                                             "长途信息", "通知", "通行费已支持按轴数计算"};

bool passesKeywordFilter(std::string_view block) {
    return text::contains(block, "公里") && (text::contains(block, "小时") || text::contains(block, "分钟"));
}

template <std::size_t N>
bool isOneOf(std::string_view line, const std::array<std::string_view, N>& words) {
    return std::find(words.begin(), words.end(), line) != words.end();
}

std::optional<std::int64_t> hoursAndMinutes(const std::vector<text::Capture>& captures) {
    const auto hours = text::asciiInteger(captures[0].text);
    if (!hours) return std::nullopt;  // a figure that does not convert is no travel time
    long long minutes = 0;
    if (captures.size() > 1 && !captures[1].text.empty()) {
        const auto parsed = text::asciiInteger(captures[1].text);
        if (!parsed) return std::nullopt;
        minutes = *parsed;
    }
    if (*hours > 72 || minutes >= 60) return std::nullopt;
    return (*hours * 60 + minutes) * 60;
}

}  // namespace

std::string normalizeBlock(std::string_view block) {
    std::string s = text::replaceAll(block, "\r\n", "\n");
    s = text::replaceAll(s, "\r", "\n");
    return text::replaceAll(s, "\u00A0", " ");
}

std::vector<std::string> blockLines(std::string_view block) {
    const std::string normalized = normalizeBlock(block);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= normalized.size()) {
        std::size_t end = normalized.find('\n', start);
        if (end == std::string::npos) end = normalized.size();
        std::string line = text::trim(std::string_view(normalized).substr(start, end - start));
        if (!line.empty()) lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

std::optional<std::vector<std::string>> firstMatch(std::string_view pattern, std::string_view line) {
    return text::firstMatch(pattern, line);
}

std::optional<std::int64_t> parseDuration(std::string_view line) {
    if (const auto captures = hoursPattern().firstMatch(line)) return hoursAndMinutes(*captures);
    if (const auto captures = minutesPattern().firstMatch(line)) {
        const auto minutes = text::asciiInteger((*captures)[0].text);
        if (!minutes || *minutes > 4320) return std::nullopt;
        return *minutes * 60;
    }
    return std::nullopt;
}

std::optional<double> parseDistance(std::string_view line) {
    const auto captures = distancePattern().firstMatch(line);
    if (!captures) return std::nullopt;
    const auto km = text::asciiDecimal(text::replaceAll((*captures)[0].text, ",", ""));
    if (!km || !(*km > 0 && *km <= maxDistanceKm)) return std::nullopt;
    return km;
}

std::optional<double> parseToll(std::string_view line) {
    const std::string cleaned = text::replaceAll(line, ",", "");
    for (const text::Pattern& pattern : tollPatterns()) {
        const auto captures = pattern.firstMatch(cleaned);
        if (!captures) continue;
        const text::Capture& amount = (*captures)[0];
        // "¥1000000" must not be read as its first six digits.
        const auto next = text::codePointAt(cleaned, amount.end);
        if (next && text::isDecimalDigit(*next)) return std::nullopt;
        const auto yuan = text::asciiDecimal(amount.text);
        if (!yuan || *yuan > maxTollYuan) return std::nullopt;
        return yuan;
    }
    return std::nullopt;
}

bool isRouteLabel(std::string_view line) {
    return text::graphemeLength(line) <= 24 && !isOneOf(line, labelExclusions) && !text::contains(line, "公里") &&
           !text::contains(line, "服务区");
}

bool isEndpointCandidate(std::string_view line) {
    const std::size_t length = text::graphemeLength(line);
    return length >= 2 && length <= 80 && !isOneOf(line, endpointExclusions) &&
           !bareDistancePattern().matchesIn(line);
}

Endpoints parseEndpoints(const std::vector<std::string>& lines, std::string_view firstRouteLabel) {
    const auto notice = std::find(lines.begin(), lines.end(), noticeLine);
    if (notice != lines.end() && notice - lines.begin() >= 2) return {*(notice - 2), *(notice - 1)};

    const auto label = std::find(lines.begin(), lines.end(), firstRouteLabel);
    if (label == lines.end()) return {};
    std::vector<const std::string*> candidates;
    for (auto it = std::make_reverse_iterator(label); it != lines.rend() && candidates.size() < 2; ++it)
        if (isEndpointCandidate(*it)) candidates.push_back(&*it);
    if (candidates.size() < 2) return {};
    return {*candidates[1], *candidates[0]};
}

std::optional<AmapReadResult> parse(std::string_view block, Date date) {
    const std::vector<std::string> lines = blockLines(block);
    const std::size_t n = lines.size();
    std::vector<AmapRouteOption> options;
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const auto seconds = parseDuration(lines[i]);
        if (!seconds) continue;
        const auto km = parseDistance(lines[i + 1]);
        if (!km) continue;
        const std::string& label = lines[i - 1];
        if (!isRouteLabel(label)) continue;
        std::optional<double> toll;
        if (text::contains(label, freeWord)) {
            toll = 0.0;
        } else {
            toll = parseToll(lines[i + 1]);
            if (!toll && i + 2 < n) toll = parseToll(lines[i + 2]);
        }
        AmapRouteOption option(label, *seconds, *km, toll);
        if (std::find(options.begin(), options.end(), option) == options.end()) options.push_back(std::move(option));
    }
    if (options.empty()) return std::nullopt;

    Endpoints endpoints = parseEndpoints(lines, options.front().label());
    if (options.size() > optionLimit) options.erase(options.begin() + optionLimit, options.end());
    return AmapReadResult(std::move(endpoints.origin), std::move(endpoints.destination), std::move(options),
                          std::string(source), std::string(vehicleType), isoTimestamp(date));
}

std::optional<AmapReadResult> parse(const std::vector<std::string>& strings, Date date) {
    std::optional<AmapReadResult> best;
    for (const std::string& raw : strings) {
        const std::string block = normalizeBlock(raw);
        if (!passesKeywordFilter(block)) continue;
        auto result = parse(std::string_view(block), date);
        if (result && (!best || result->options().size() > best->options().size())) best = std::move(result);
    }
    return best;
}

}  // namespace AmapParser
