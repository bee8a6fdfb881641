#include "text/text_rules.h"

#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/regex.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utext.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <charconv>
#include <limits>

namespace text {
namespace {

// Closes an ICU UText when it leaves scope.
struct UTextCloser {
    void operator()(UText* t) const { utext_close(t); }
};
using UTextPtr = std::unique_ptr<UText, UTextCloser>;

UTextPtr openUtf8(std::string_view s, UErrorCode& status) {
    return UTextPtr(utext_openUTF8(nullptr, s.data(), static_cast<int64_t>(s.size()), &status));
}

struct DecodedCodePoint {
    char32_t value;
    std::size_t size;
};

// Decodes one code point; ill-formed bytes decode as U+FFFD of one byte.
DecodedCodePoint decodeAt(std::string_view s, std::size_t at) {
    int32_t i = static_cast<int32_t>(at);
    UChar32 c = 0;
    U8_NEXT(reinterpret_cast<const uint8_t*>(s.data()), i, static_cast<int32_t>(s.size()), c);
    if (c < 0) return {0xFFFD, static_cast<std::size_t>(i) - at};
    return {static_cast<char32_t>(c), static_cast<std::size_t>(i) - at};
}

// The start of the code point that ends at byte offset `end`.
std::size_t previousStart(std::string_view s, std::size_t end) {
    int32_t i = static_cast<int32_t>(end);
    UChar32 c = 0;
    U8_PREV(reinterpret_cast<const uint8_t*>(s.data()), 0, i, c);
    (void)c;
    return static_cast<std::size_t>(i);
}

}  // namespace

bool isWhitespaceOrNewline(char32_t c) {
    if (c >= 0x09 && c <= 0x0D) return true;
    if (c == 0x85) return true;
    const int8_t category = u_charType(static_cast<UChar32>(c));
    return category == U_SPACE_SEPARATOR || category == U_LINE_SEPARATOR ||
           category == U_PARAGRAPH_SEPARATOR;
}

std::string trimWhere(std::string_view s, bool (*drop)(char32_t)) {
    std::size_t begin = 0;
    while (begin < s.size()) {
        const auto cp = decodeAt(s, begin);
        if (!drop(cp.value)) break;
        begin += cp.size;
    }
    std::size_t end = s.size();
    while (end > begin) {
        const std::size_t start = previousStart(s, end);
        if (!drop(decodeAt(s, start).value)) break;
        end = start;
    }
    return std::string(s.substr(begin, end - begin));
}

std::string trim(std::string_view s) { return trimWhere(s, isWhitespaceOrNewline); }

std::size_t graphemeLength(std::string_view s) {
    if (s.empty()) return 0;
    UErrorCode status = U_ZERO_ERROR;
    // Character break iterators are costly to make; one per thread is reused.
    thread_local std::unique_ptr<icu::BreakIterator> iterator(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (!iterator) return static_cast<std::size_t>(icu::UnicodeString::fromUTF8(s).countChar32());
    status = U_ZERO_ERROR;
    UTextPtr ut = openUtf8(s, status);
    iterator->setText(ut.get(), status);
    if (U_FAILURE(status)) return static_cast<std::size_t>(icu::UnicodeString::fromUTF8(s).countChar32());
    std::size_t count = 0;
    for (int32_t p = iterator->next(); p != icu::BreakIterator::DONE; p = iterator->next()) ++count;
    // The iterator keeps a reference to the UText; detach it before it closes.
    icu::UnicodeString empty;
    iterator->setText(empty);
    return count;
}

bool canonicallyEqual(std::string_view a, std::string_view b) {
    if (a == b) return true;
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) return false;
    const icu::UnicodeString na = nfc->normalize(icu::UnicodeString::fromUTF8(a), status);
    const icu::UnicodeString nb = nfc->normalize(icu::UnicodeString::fromUTF8(b), status);
    return U_SUCCESS(status) && na == nb;
}

std::size_t wellFormedPrefixLength(std::string_view s) {
    std::size_t at = 0;
    while (at < s.size()) {
        // At most four bytes at a time keep ICU's 32-bit offsets valid.
        const auto* data = reinterpret_cast<const uint8_t*>(s.data() + at);
        const auto window = static_cast<int32_t>(std::min<std::size_t>(s.size() - at, 4));
        int32_t i = 0;
        UChar32 c = 0;
        U8_NEXT(data, i, window, c);
        if (c < 0) return at;
        at += static_cast<std::size_t>(i);
    }
    return at;
}

bool isValidUtf8(std::string_view s) { return wellFormedPrefixLength(s) == s.size(); }

// U+FEFF and the bidirectional controls (U+061C, U+200E/F, U+202A..U+202E,
// U+2066..U+2069) are well-formed characters and are kept: a place name in a
// right-to-left script may need them to display in order, and dropping them
// would change the text without telling anyone. A line they wrap no longer
// matches the panel's exact patterns, so such a line is simply not read as a
// travel time or distance; no figure is ever taken from a text they altered.
std::string wellFormedUtf8(std::string_view bytes) {
    static constexpr std::string_view replacement = "\uFFFD";
    std::string out;
    out.reserve(bytes.size());
    std::size_t at = 0;
    while (at < bytes.size()) {
        // One code point needs at most four bytes; looking at no more keeps
        // ICU's 32-bit offsets valid for texts of any length.
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.data() + at);
        const auto window = static_cast<int32_t>(std::min<std::size_t>(bytes.size() - at, 4));
        int32_t i = 0;
        UChar32 c = 0;
        U8_NEXT(data, i, window, c);
        if (c < 0) out.append(replacement);
        else out.append(bytes.substr(at, static_cast<std::size_t>(i)));
        at += static_cast<std::size_t>(i);
    }
    return out;
}

std::string replaceAll(std::string_view s, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(s.size());
    std::size_t pos = 0;
    while (true) {
        const std::size_t hit = s.find(from, pos);
        if (hit == std::string_view::npos || from.empty()) break;
        out.append(s.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(s.substr(pos));
    return out;
}

bool contains(std::string_view haystack, std::string_view needle) {
    return haystack.find(needle) != std::string_view::npos;
}

std::optional<long long> asciiInteger(std::string_view s) {
    if (s.empty()) return std::nullopt;
    long long value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        if (value > (std::numeric_limits<long long>::max() - (c - '0')) / 10) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<double> asciiDecimal(std::string_view s) {
    const std::size_t dot = s.find('.');
    const std::string_view whole = s.substr(0, dot);
    if (whole.empty() || !asciiInteger(whole)) return std::nullopt;
    if (dot != std::string_view::npos) {
        const std::string_view fraction = s.substr(dot + 1);
        if (fraction.empty() || !asciiInteger(fraction)) return std::nullopt;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (error != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

struct Pattern::Impl {
    std::unique_ptr<icu::RegexPattern> compiled;
};

Pattern::Pattern(std::string_view pattern) : impl_(std::make_unique<Impl>()) {
    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    impl_->compiled.reset(
        icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(pattern), 0, parseError, status));
    if (U_FAILURE(status)) impl_->compiled.reset();
}

Pattern::~Pattern() = default;
Pattern::Pattern(Pattern&&) noexcept = default;
Pattern& Pattern::operator=(Pattern&&) noexcept = default;

bool Pattern::valid() const { return impl_ && impl_->compiled; }

std::optional<std::vector<Capture>> Pattern::firstMatch(std::string_view s) const {
    if (!valid()) return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    UTextPtr ut = openUtf8(s, status);
    std::unique_ptr<icu::RegexMatcher> matcher(impl_->compiled->matcher(status));
    if (U_FAILURE(status) || !matcher) return std::nullopt;
    matcher->reset(ut.get());
    if (!matcher->find(status) || U_FAILURE(status)) return std::nullopt;
    std::vector<Capture> captures;
    const int32_t groups = matcher->groupCount();
    captures.reserve(static_cast<std::size_t>(groups));
    for (int32_t g = 1; g <= groups; ++g) {
        Capture capture;
        const int64_t begin = matcher->start64(g, status);
        const int64_t end = matcher->end64(g, status);
        if (U_SUCCESS(status) && begin >= 0 && end >= begin && static_cast<std::size_t>(end) <= s.size()) {
            capture.begin = static_cast<std::size_t>(begin);
            capture.end = static_cast<std::size_t>(end);
            capture.text = std::string(s.substr(capture.begin, capture.end - capture.begin));
            capture.participated = true;
        }
        status = U_ZERO_ERROR;
        captures.push_back(std::move(capture));
    }
    return captures;
}

bool Pattern::matchesIn(std::string_view s) const {
    if (!valid()) return false;
    UErrorCode status = U_ZERO_ERROR;
    UTextPtr ut = openUtf8(s, status);
    std::unique_ptr<icu::RegexMatcher> matcher(impl_->compiled->matcher(status));
    if (U_FAILURE(status) || !matcher) return false;
    matcher->reset(ut.get());
    return matcher->find(status) && U_SUCCESS(status);
}

std::optional<std::vector<std::string>> firstMatch(std::string_view pattern, std::string_view s) {
    const Pattern compiled(pattern);
    auto captures = compiled.firstMatch(s);
    if (!captures) return std::nullopt;
    std::vector<std::string> texts;
    texts.reserve(captures->size());
    for (auto& capture : *captures) texts.push_back(std::move(capture.text));
    return texts;
}

std::optional<char32_t> codePointAt(std::string_view s, std::size_t at) {
    if (at >= s.size()) return std::nullopt;
    return decodeAt(s, at).value;
}

bool isDecimalDigit(char32_t c) { return u_isdigit(static_cast<UChar32>(c)) != 0; }

}  // namespace text
