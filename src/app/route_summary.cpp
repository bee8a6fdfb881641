#include "app/route_summary.h"

#include <array>
#include <charconv>
#include <cmath>

namespace summary {
namespace {

constexpr std::string_view ideographicSpace = "\u3000";

// Numbers are written with to_chars: plain ASCII digits, "." as the decimal
// point, no grouping, independent of the user's locale.
std::string fixed(double value, int decimals) {
    std::array<char, 400> buffer{};  // %.1f of the largest double fits
    const auto [end, error] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, decimals);
    if (error != std::errc()) return "?";
    return std::string(buffer.data(), end);
}

bool isWhole(double value) { return value == std::round(value); }

}  // namespace

std::string distanceText(double km) {
    // NaN and infinities are not whole; to_chars writes them as "nan"/"inf"
    // rather than inventing a number.
    if (std::isfinite(km) && isWhole(km)) return fixed(std::round(km), 0);
    return fixed(km, 1);
}

std::string durationText(std::int64_t seconds) {
    const std::int64_t hours = seconds / 3600;
    const std::int64_t minutes = (seconds % 3600) / 60;
    if (hours >= 1) return std::to_string(hours) + "小时" + std::to_string(minutes) + "分";
    return std::to_string(minutes) + "分钟";
}

std::string tollText(const std::optional<double>& toll) {
    if (!toll) return "通行费未显示";
    // std::round rounds halves away from zero: 12.5 gives 13.
    return "¥" + (std::isfinite(*toll) ? fixed(std::round(*toll), 0) : fixed(*toll, 0));
}

std::string optionLine(std::size_t index, const AmapRouteOption& option) {
    std::string line = std::to_string(index + 1) + ". " + option.label();
    line += ideographicSpace;
    line += distanceText(option.distanceKm()) + " km";
    line += ideographicSpace;
    line += durationText(option.durationSeconds());
    line += ideographicSpace;
    line += tollText(option.toll());
    return line;
}

std::string routeLine(const AmapReadResult& result) {
    if (result.origin() && result.destination()) return *result.origin() + " → " + *result.destination();
    return result.origin().value_or(result.destination().value_or(""));
}

std::string optionLines(const AmapReadResult& result) {
    std::string lines;
    for (std::size_t i = 0; i < result.options().size(); ++i) {
        if (i > 0) lines += '\n';
        lines += optionLine(i, result.options()[i]);
    }
    return lines;
}

std::string screenReadFailureMessage(const VisionError& error) {
    return "没有找到完整的货车路线结果。请确认高德当前显示了货车路线方案后重试。\n" + error.localizedDescription();
}

}  // namespace summary
