#include "model/route_model.h"
#include "text/text_rules.h"

#include <nlohmann/json.hpp>

AmapRouteOption::AmapRouteOption(std::string label, std::int64_t durationSeconds, double distanceKm,
                                 std::optional<double> toll)
    : label_(std::move(label)), durationSeconds_(durationSeconds), distanceKm_(distanceKm), toll_(toll) {}

bool operator==(const AmapRouteOption& a, const AmapRouteOption& b) {
    return text::canonicallyEqual(a.label_, b.label_) && a.durationSeconds_ == b.durationSeconds_ &&
           a.distanceKm_ == b.distanceKm_ && a.toll_ == b.toll_;
}

AmapReadResult::AmapReadResult(std::optional<std::string> origin, std::optional<std::string> destination,
                               std::vector<AmapRouteOption> options, std::string source,
                               std::string vehicleType, std::string readAt)
    : origin_(std::move(origin)),
      destination_(std::move(destination)),
      options_(std::move(options)),
      source_(std::move(source)),
      vehicleType_(std::move(vehicleType)),
      readAt_(std::move(readAt)) {}

namespace {

bool sameOptionalText(const std::optional<std::string>& a, const std::optional<std::string>& b) {
    if (a.has_value() != b.has_value()) return false;
    return !a || text::canonicallyEqual(*a, *b);
}

}  // namespace

bool operator==(const AmapReadResult& a, const AmapReadResult& b) {
    return sameOptionalText(a.origin_, b.origin_) && sameOptionalText(a.destination_, b.destination_) &&
           a.options_ == b.options_ && text::canonicallyEqual(a.source_, b.source_) &&
           text::canonicallyEqual(a.vehicleType_, b.vehicleType_) && text::canonicallyEqual(a.readAt_, b.readAt_);
}

// ---- Decoding ----

namespace {

using nlohmann::json;

// Thrown inside the decoder only; turned into a CodingError at its edge.
struct DecodeFailure {
    std::string description;
};

const json& member(const json& object, const char* key, const char* path) {
    const auto it = object.find(key);
    if (it == object.end() || it->is_null())
        throw DecodeFailure{std::string(path) + "缺少必需成员“" + key + "”"};
    return *it;
}

[[noreturn]] void wrongType(const char* key, const char* path, const char* expected) {
    throw DecodeFailure{std::string(path) + "成员“" + key + "”应为" + expected};
}

std::string requiredText(const json& object, const char* key, const char* path) {
    const json& value = member(object, key, path);
    if (!value.is_string()) wrongType(key, path, "字符串");
    return value.get<std::string>();
}

std::optional<std::string> optionalText(const json& object, const char* key, const char* path) {
    const auto it = object.find(key);
    if (it == object.end() || it->is_null()) return std::nullopt;
    if (!it->is_string()) wrongType(key, path, "字符串");
    return it->get<std::string>();
}

double numberValue(const json& value, const char* key, const char* path) {
    if (!value.is_number()) wrongType(key, path, "数字");
    return value.get<double>();
}

std::int64_t integerValue(const json& value, const char* key, const char* path) {
    if (value.is_number_integer() && !(value.is_number_unsigned() && value.get<std::uint64_t>() > INT64_MAX))
        return value.get<std::int64_t>();
    wrongType(key, path, "64 位整数");
}

AmapRouteOption optionFromJson(const json& object, const char* path) {
    if (!object.is_object()) throw DecodeFailure{std::string(path) + "应为 JSON 对象"};
    std::optional<double> toll;
    if (const auto it = object.find("toll"); it != object.end() && !it->is_null())
        toll = numberValue(*it, "toll", path);
    return AmapRouteOption(requiredText(object, "label", path),
                           integerValue(member(object, "durationSeconds", path), "durationSeconds", path),
                           numberValue(member(object, "distanceKm", path), "distanceKm", path), toll);
}

AmapReadResult resultFromJson(const json& object) {
    const char* path = "读取结果";
    if (!object.is_object()) throw DecodeFailure{std::string(path) + "应为 JSON 对象"};
    const json& list = member(object, "options", path);
    if (!list.is_array()) wrongType("options", path, "数组");
    std::vector<AmapRouteOption> options;
    options.reserve(list.size());
    for (const json& entry : list) options.push_back(optionFromJson(entry, "路线方案"));
    return AmapReadResult(optionalText(object, "origin", path), optionalText(object, "destination", path),
                          std::move(options), requiredText(object, "source", path),
                          requiredText(object, "vehicleType", path), requiredText(object, "readAt", path));
}

template <class T, class Build>
Expected<T, CodingError> decodeWith(std::string_view text, Build build) {
    try {
        return build(json::parse(text));
    } catch (const DecodeFailure& failure) {
        return CodingError{failure.description};
    } catch (const json::exception& e) {
        // The parser's message quotes the bytes it stopped at, which may end
        // inside a character.
        return CodingError{"不是有效的 JSON：" + text::wellFormedUtf8(e.what())};
    }
}

}  // namespace

Expected<AmapRouteOption, CodingError> decodeRouteOption(std::string_view json) {
    return decodeWith<AmapRouteOption>(json, [](const nlohmann::json& j) { return optionFromJson(j, "路线方案"); });
}

Expected<AmapReadResult, CodingError> decodeReadResult(std::string_view json) {
    return decodeWith<AmapReadResult>(json, [](const nlohmann::json& j) { return resultFromJson(j); });
}

Expected<AmapReadResult, CodingError> decodePayload(std::string_view payload) {
    if (!payload.starts_with(clipboardPrefix))
        return CodingError{"不是 Wendrel 结果：应以“" + std::string(clipboardPrefix) + "”开头"};
    return decodeReadResult(payload.substr(clipboardPrefix.size()));
}
