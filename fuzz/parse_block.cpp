// The block parser on one arbitrary text, as given (no keyword filter).

#include "fuzz_checks.h"

#include "parser/amap_parser.h"
#include "text/text_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view block = fuzz::asText(data, size);
    const fuzz::Date date = fuzz::dateFor(block);
    const auto result = AmapParser::parse(block, date);
    const auto again = AmapParser::parse(block, date);
    fuzz::require(result.has_value() == again.has_value(), "block parse not deterministic");
    if (!result) return 0;
    const auto payload = payloadText(*result), payloadAgain = payloadText(*again);
    fuzz::require(payload.hasValue() == payloadAgain.hasValue() &&
                      (!payload || payload.value() == payloadAgain.value()),
                  "block parse not deterministic");
    if (text::isValidUtf8(block)) fuzz::checkParsedResult(*result, date);
    else if (payload) fuzz::checkPayload(*result, payload.value());
    return 0;
}
