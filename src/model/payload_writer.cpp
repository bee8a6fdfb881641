// The JSON writer of the clipboard payload. Its exact bytes are what the
// freight site was built against: sorted keys, compact, "/" escaped as "\/",
// control characters escaped, everything else raw UTF-8, and numbers in the
// shortest form that reads back as the same double.

#include "model/route_model.h"
#include "text/text_rules.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

void appendEscapedString(std::string& out, std::string_view s) {
    static constexpr char hex[] = "0123456789abcdef";
    out.push_back('"');
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '/': out += "\\/"; break;
            case 0x08: out += "\\b"; break;
            case 0x0C: out += "\\f"; break;
            case 0x0A: out += "\\n"; break;
            case 0x0D: out += "\\r"; break;
            case 0x09: out += "\\t"; break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out.push_back(hex[c >> 4]);
                    out.push_back(hex[c & 0x0F]);
                } else {
                    out.push_back(ch);
                }
        }
    }
    out.push_back('"');
}

// Writes members in the order they are added; callers add them by ascending key.
class ObjectWriter {
public:
    explicit ObjectWriter(std::string& out) : out_(out) { out_.push_back('{'); }
    ~ObjectWriter() { out_.push_back('}'); }
    ObjectWriter(const ObjectWriter&) = delete;
    ObjectWriter& operator=(const ObjectWriter&) = delete;

    std::string& key(std::string_view name) {
        if (!first_) out_.push_back(',');
        first_ = false;
        appendEscapedString(out_, name);
        out_.push_back(':');
        return out_;
    }

private:
    std::string& out_;
    bool first_ = true;
};

CodingError nonFiniteError(std::string_view key) {
    return CodingError{"数值无法编码为 JSON：“" + std::string(key) + "”不是有限数"};
}

// Appends the number, or returns false when it is not finite.
bool appendNumber(std::string& out, double value) {
    const auto text = jsonNumber(value);
    if (!text) return false;
    out += *text;
    return true;
}

bool appendOption(std::string& out, const AmapRouteOption& option, std::optional<CodingError>& error) {
    ObjectWriter object(out);
    if (!appendNumber(object.key("distanceKm"), option.distanceKm())) {
        error = nonFiniteError("distanceKm");
        return false;
    }
    object.key("durationSeconds") += std::to_string(option.durationSeconds());
    appendEscapedString(object.key("label"), option.label());
    if (option.toll() && !appendNumber(object.key("toll"), *option.toll())) {
        error = nonFiniteError("toll");
        return false;
    }
    return true;
}

Expected<std::string, CodingError> finish(std::string json, const std::optional<CodingError>& error) {
    if (error) return *error;
    if (!text::isValidUtf8(json)) return CodingError{"结果文本不是有效的 UTF-8，无法写成纯文本"};
    return json;
}

}  // namespace

std::optional<std::string> jsonNumber(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    // Zero is "0" whatever its sign: a decoder reads "-0" as the integer 0, so
    // "-0" would not survive a decode and encode unchanged.
    if (value == 0) return "0";
    char buffer[64];
    const double magnitude = std::fabs(value);
    const bool exponentForm = magnitude != 0 && (magnitude < 1e-4 || magnitude >= 1e16);
    const auto format = exponentForm ? std::chars_format::scientific : std::chars_format::fixed;
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, format);
    if (error != std::errc()) return std::nullopt;
    return std::string(buffer, end);
}

std::string isoTimestamp(std::chrono::system_clock::time_point date) {
    using namespace std::chrono;
    const auto seconds = floor<std::chrono::seconds>(date);
    const auto day = floor<days>(seconds);
    const year_month_day ymd{day};
    const hh_mm_ss<std::chrono::seconds> time{seconds - day};
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return buffer;
}

Expected<std::string, CodingError> encodeJson(const AmapRouteOption& option) {
    std::string out;
    std::optional<CodingError> error;
    appendOption(out, option, error);
    return finish(std::move(out), error);
}

Expected<std::string, CodingError> encodeJson(const AmapReadResult& result) {
    std::string out;
    std::optional<CodingError> error;
    {
        ObjectWriter object(out);
        if (result.destination()) appendEscapedString(object.key("destination"), *result.destination());
        std::string& options = object.key("options");
        options.push_back('[');
        for (std::size_t i = 0; i < result.options().size() && !error; ++i) {
            if (i > 0) options.push_back(',');
            appendOption(options, result.options()[i], error);
        }
        options.push_back(']');
        if (result.origin()) appendEscapedString(object.key("origin"), *result.origin());
        appendEscapedString(object.key("readAt"), result.readAt());
        appendEscapedString(object.key("source"), result.source());
        appendEscapedString(object.key("vehicleType"), result.vehicleType());
    }
    return finish(std::move(out), error);
}

Expected<std::string, CodingError> payloadText(const AmapReadResult& result) {
    auto json = encodeJson(result);
    if (!json) return json.error();
    return std::string(clipboardPrefix) + json.value();
}
