// AmapParser::parse over a list of texts: the input's pieces between record
// separators (U+001E), each one harvested text.

#include "fuzz_checks.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::asText(data, size);
    std::vector<std::string> texts;
    for (const std::string_view piece : fuzz::records(input)) texts.emplace_back(piece);
    fuzz::checkParseBothWays(texts, fuzz::dateFor(input));
    return 0;
}
