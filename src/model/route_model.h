#pragma once
// The two records every read produces, and the clipboard payload built from a
// read result: "WENDREL_V1:" followed by compact, sorted-key JSON. The payload
// bytes are the contract with the freight site that imports them.

#include "model/expected.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The first characters of every payload.
inline constexpr std::string_view clipboardPrefix = "WENDREL_V1:";

// One route choice of the map application's truck-route panel.
class AmapRouteOption {
public:
    AmapRouteOption(std::string label, std::int64_t durationSeconds, double distanceKm,
                    std::optional<double> toll);

    const std::string& label() const { return label_; }
    std::int64_t durationSeconds() const { return durationSeconds_; }
    double distanceKm() const { return distanceKm_; }
    // Yuan; 0 for a toll-free route, absent when no toll could be read.
    const std::optional<double>& toll() const { return toll_; }

    // Memberwise; texts compare under canonical equivalence.
    friend bool operator==(const AmapRouteOption& a, const AmapRouteOption& b);

private:
    std::string label_;
    std::int64_t durationSeconds_;
    double distanceKm_;
    std::optional<double> toll_;
};

// One whole read: the endpoints, the route options in panel order, how and when.
class AmapReadResult {
public:
    AmapReadResult(std::optional<std::string> origin, std::optional<std::string> destination,
                   std::vector<AmapRouteOption> options, std::string source,
                   std::string vehicleType, std::string readAt);

    const std::optional<std::string>& origin() const { return origin_; }
    const std::optional<std::string>& destination() const { return destination_; }
    const std::vector<AmapRouteOption>& options() const { return options_; }
    const std::string& source() const { return source_; }
    const std::string& vehicleType() const { return vehicleType_; }
    const std::string& readAt() const { return readAt_; }

    friend bool operator==(const AmapReadResult& a, const AmapReadResult& b);

private:
    std::optional<std::string> origin_;
    std::optional<std::string> destination_;
    std::vector<AmapRouteOption> options_;
    std::string source_;
    std::string vehicleType_;
    std::string readAt_;
};

// Why a record could not be encoded or decoded; `description` is shown to the
// user after a fixed first part.
struct CodingError {
    std::string description;
};

// The compact JSON of a record: keys ascending, absent members left out, no
// white space, "/" escaped, non-ASCII as raw UTF-8. A non-finite number is an
// error and nothing is written.
Expected<std::string, CodingError> encodeJson(const AmapRouteOption& option);
Expected<std::string, CodingError> encodeJson(const AmapReadResult& result);

// clipboardPrefix immediately followed by the result's JSON; no line break.
Expected<std::string, CodingError> payloadText(const AmapReadResult& result);

// Decodes the JSON form: required members present with the right JSON type,
// optional members missing or null are absent, unknown members are ignored.
Expected<AmapRouteOption, CodingError> decodeRouteOption(std::string_view json);
Expected<AmapReadResult, CodingError> decodeReadResult(std::string_view json);
// A whole payload line: the prefix, then the JSON of a read result.
Expected<AmapReadResult, CodingError> decodePayload(std::string_view payload);

// The shortest decimal text that reads back as the same double, a whole value
// without ".0", exponent form below 1e-4 and from 1e16 up (1e-05, 1e+16).
// Absent for a non-finite number.
std::optional<std::string> jsonNumber(double value);

// `date` as YYYY-MM-DDTHH:MM:SSZ in UTC; a fraction of a second is dropped.
std::string isoTimestamp(std::chrono::system_clock::time_point date);
