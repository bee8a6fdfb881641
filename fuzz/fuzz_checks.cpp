#include "fuzz_checks.h"

#include "parser/amap_parser.h"
#include "text/text_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace fuzz {
namespace {

// The ranges the field recognisers accept.
constexpr std::int64_t longestTravelSeconds = (72 * 60 + 59) * 60;
constexpr double longestDistanceKm = 5000;
constexpr double highestTollYuan = 100000;
constexpr std::size_t optionLimit = 5;

void checkOption(const AmapRouteOption& option) {
    require(!option.label().empty() && text::isValidUtf8(option.label()), "label empty or not UTF-8");
    require(option.durationSeconds() >= 0 && option.durationSeconds() <= longestTravelSeconds,
            "travel time out of range");
    require(std::isfinite(option.distanceKm()) && option.distanceKm() > 0 &&
                option.distanceKm() <= longestDistanceKm,
            "distance out of range");
    if (const auto& toll = option.toll())
        require(std::isfinite(*toll) && *toll >= 0 && *toll <= highestTollYuan, "toll out of range");
}

bool distinct(const std::vector<AmapRouteOption>& options) {
    for (std::size_t i = 0; i < options.size(); ++i)
        for (std::size_t j = i + 1; j < options.size(); ++j)
            if (options[i] == options[j]) return false;
    return true;
}

std::optional<std::string> payloadOf(const std::optional<AmapReadResult>& result) {
    if (!result) return std::nullopt;
    auto payload = payloadText(*result);
    return payload ? std::optional<std::string>(payload.value()) : std::optional<std::string>("<refused>");
}

}  // namespace

void require(bool holds, const std::string& what) {
    if (holds) return;
    std::fprintf(stderr, "property violated: %s\n", what.c_str());
    std::abort();
}

std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

std::vector<std::string_view> records(std::string_view input, char separator) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = input.find(separator, start);
        pieces.push_back(input.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return pieces;
        start = end + 1;
    }
}

Date dateFor(std::string_view input) {
    using namespace std::chrono;
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char c : input) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    // Any whole second the system clock can hold (the years 1677 to 2262).
    const auto first = ceil<seconds>(Date::min()), last = floor<seconds>(Date::max());
    const auto span = static_cast<std::uint64_t>((last - first).count()) + 1;
    return first + seconds{static_cast<long long>(hash % span)};
}

void checkPayload(const AmapReadResult& result, std::string_view payload) {
    require(payload.starts_with(clipboardPrefix), "payload without its prefix");
    require(text::isValidUtf8(payload), "payload not well-formed UTF-8");
    require(payload.find_first_of("\r\n") == std::string_view::npos, "payload not one line");
    const auto decoded = decodePayload(payload);
    require(decoded.hasValue(), "payload does not decode");
    require(decoded.value() == result, "payload decodes to a different result");
    const auto again = payloadText(decoded.value());
    require(again.hasValue() && again.value() == payload,
            "decoded result encodes to other bytes:\n" + std::string(payload) + "\n" +
                (again ? again.value() : again.error().description));
}

void checkParsedResult(const AmapReadResult& result, std::optional<Date> date) {
    const auto& options = result.options();
    require(!options.empty() && options.size() <= optionLimit, "not 1 to 5 options");
    require(distinct(options), "options not distinct");
    for (const AmapRouteOption& option : options) checkOption(option);
    require(result.readAt().size() == 20 && (!date || result.readAt() == isoTimestamp(*date)),
            "readAt not the read's time");
    require(result.source() == AmapParser::source && result.vehicleType() == AmapParser::vehicleType,
            "source or vehicle type changed");
    for (const auto& endpoint : {result.origin(), result.destination()})
        require(!endpoint || text::isValidUtf8(*endpoint), "endpoint not UTF-8");
    const auto payload = payloadText(result);
    require(payload.hasValue(), "payload refused for a parsed result");
    checkPayload(result, payload.value());
}

void checkParse(const std::vector<std::string>& texts, Date date, bool wellFormed) {
    const auto result = AmapParser::parse(texts, date);
    require(payloadOf(result) == payloadOf(AmapParser::parse(texts, date)), "parse not deterministic");
    if (!result) return;
    if (wellFormed) {
        checkParsedResult(*result, date);
    } else if (const auto payload = payloadText(*result)) {
        checkPayload(*result, payload.value());
    }
}

void checkParseBothWays(const std::vector<std::string>& texts, Date date) {
    const bool wellFormed = std::all_of(texts.begin(), texts.end(), [](const std::string& t) { return text::isValidUtf8(t); });
    checkParse(texts, date, wellFormed);
    if (wellFormed) return;
    std::vector<std::string> repaired;
    repaired.reserve(texts.size());
    for (const std::string& t : texts) repaired.push_back(text::wellFormedUtf8(t));
    checkParse(repaired, date, true);
}

}  // namespace fuzz
