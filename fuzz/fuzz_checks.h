#pragma once
// What every fuzz target checks besides "no crash": the promises the parser,
// the payload and the layout make about any result they build. A broken
// promise aborts with a message, which libFuzzer reports as a finding.

#include "model/route_model.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

using Date = std::chrono::system_clock::time_point;

// Aborts with `what` when `holds` is false.
void require(bool holds, const std::string& what);

// The fuzz input as text.
std::string_view asText(const std::uint8_t* data, std::size_t size);

// The texts of one input: pieces separated by the record separator U+001E.
std::vector<std::string_view> records(std::string_view input, char separator = '\x1e');

// A read time in the system clock's range chosen by the input's bytes, so that
// one input always gets the same time.
Date dateFor(std::string_view input);

// The options, numbers, texts and readAt of a result the parser built from
// well-formed texts at `date` (any time when absent: readAt then only has its
// 20 characters); then its payload: one line of well-formed UTF-8 that
// decodes to an equal result and encodes again to the same bytes.
void checkParsedResult(const AmapReadResult& result, std::optional<Date> date);

// A payload the writer produced: the prefix, one line of well-formed UTF-8,
// decoding to a result equal to `result` whose payload is the same bytes.
void checkPayload(const AmapReadResult& result, std::string_view payload);

// Parses the texts twice: the same result bytes each time (or none both
// times). With `wellFormed` texts every result passes checkParsedResult;
// otherwise its payload is either refused or well-formed.
void checkParse(const std::vector<std::string>& texts, Date date, bool wellFormed);

// Parses the texts as given, then as the text boundary repairs them.
void checkParseBothWays(const std::vector<std::string>& texts, Date date);

}  // namespace fuzz
