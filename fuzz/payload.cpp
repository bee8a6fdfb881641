// The payload writer and decoder. An input starting with the payload prefix is
// decoded; any result it gives must encode and decode back to itself. Any
// other input describes a result for the writer, records separated by U+001E
// and fields by tabs: "origin<TAB>destination<TAB>readAt<TAB>source<TAB>
// vehicleType", then one record per option "label<TAB>seconds<TAB>km<TAB>toll".
// A missing field is an absent member (or zero); numbers are read with
// std::from_chars, so "nan" and "inf" reach the writer.

#include "fuzz_checks.h"

#include "text/text_rules.h"

#include <charconv>
#include <cmath>

namespace {

std::optional<std::string> field(const std::vector<std::string_view>& fields, std::size_t i) {
    if (i >= fields.size()) return std::nullopt;
    return std::string(fields[i]);
}

template <class Number>
Number numberField(const std::vector<std::string_view>& fields, std::size_t i) {
    Number value{};
    if (i < fields.size()) std::from_chars(fields[i].data(), fields[i].data() + fields[i].size(), value);
    return value;
}

AmapReadResult resultOf(std::string_view input) {
    const auto pieces = fuzz::records(input);
    const auto header = fuzz::records(pieces[0], '\t');
    std::vector<AmapRouteOption> options;
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        const auto fields = fuzz::records(pieces[i], '\t');
        std::optional<double> toll;
        if (fields.size() > 3) toll = numberField<double>(fields, 3);
        options.emplace_back(field(fields, 0).value_or(""), numberField<std::int64_t>(fields, 1),
                             numberField<double>(fields, 2), toll);
    }
    return AmapReadResult(field(header, 0), field(header, 1), std::move(options), field(header, 3).value_or(""),
                          field(header, 4).value_or(""), field(header, 2).value_or(""));
}

bool texts(const AmapReadResult& r, bool (*holds)(std::string_view)) {
    for (const auto& t : {r.origin(), r.destination()})
        if (t && !holds(*t)) return false;
    for (const AmapRouteOption& o : r.options())
        if (!holds(o.label())) return false;
    return holds(r.readAt()) && holds(r.source()) && holds(r.vehicleType());
}

bool numbersFinite(const AmapReadResult& r) {
    for (const AmapRouteOption& o : r.options())
        if (!std::isfinite(o.distanceKm()) || (o.toll() && !std::isfinite(*o.toll()))) return false;
    return true;
}

void checkDecoded(std::string_view payload) {
    const auto decoded = decodePayload(payload);
    if (!decoded) return;
    const AmapReadResult& result = decoded.value();
    fuzz::require(texts(result, text::isValidUtf8), "decoded text not UTF-8");
    fuzz::require(numbersFinite(result), "decoded a number that is not finite");
    const auto encoded = payloadText(result);
    fuzz::require(encoded.hasValue(), "decoded result cannot be written");
    fuzz::checkPayload(result, encoded.value());
}

void checkWritten(std::string_view input) {
    const AmapReadResult result = resultOf(input);
    const auto payload = payloadText(result);
    const bool writable = numbersFinite(result) && texts(result, text::isValidUtf8);
    fuzz::require(payload.hasValue() == writable, "writer refused a good result or wrote a bad one");
    if (payload) fuzz::checkPayload(result, payload.value());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::asText(data, size);
    if (input.starts_with(clipboardPrefix)) checkDecoded(input);
    else checkWritten(input);
    return 0;
}
