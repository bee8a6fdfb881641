#pragma once
// Text rules shared by the route parser and the screen-text layout: trimming,
// lengths in user-perceived characters, ICU regular expressions and
// canonical-equivalence comparison. All texts are UTF-8.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace text {

// True for the characters that trimming removes: U+0009..U+000D, U+0085 and
// every space, line or paragraph separator (U+0020, U+00A0, U+1680,
// U+2000..U+200A, U+2028, U+2029, U+202F, U+205F, U+3000).
bool isWhitespaceOrNewline(char32_t c);

// Removes white space and line breaks from both ends; inner characters stay.
std::string trim(std::string_view s);

// Removes from both ends every code point for which `drop` is true.
std::string trimWhere(std::string_view s, bool (*drop)(char32_t));

// Length in extended grapheme clusters (a Chinese character counts as one).
std::size_t graphemeLength(std::string_view s);

// Equality under canonical equivalence: precomposed and decomposed forms match.
bool canonicallyEqual(std::string_view a, std::string_view b);

// Whether the bytes are well-formed UTF-8.
bool isValidUtf8(std::string_view s);

// The length in bytes of the longest well-formed UTF-8 start of `s`: the
// offset of the first ill-formed byte, or the size when there is none.
std::size_t wellFormedPrefixLength(std::string_view s);

// The bytes as well-formed UTF-8, for texts that come from another process or
// a recogniser. Each ill-formed piece (a stray continuation byte, a truncated
// sequence, an overlong form, an encoded surrogate, a code point above
// U+10FFFF) becomes one U+FFFD per maximal ill-formed subpart, so nothing is
// dropped and the rest of the text keeps its place. NUL stays U+0000 and does
// not end the text. Well-formed texts come back unchanged, U+FEFF and the
// bidirectional controls included (see the definition for why).
std::string wellFormedUtf8(std::string_view bytes);

// Replaces every occurrence of `from` by `to`.
std::string replaceAll(std::string_view s, std::string_view from, std::string_view to);

bool contains(std::string_view haystack, std::string_view needle);

// Converts a text of ASCII digits only ("0".."9", leading zeros allowed).
std::optional<long long> asciiInteger(std::string_view s);
// Converts ASCII digits with an optional "." and ASCII fraction digits.
std::optional<double> asciiDecimal(std::string_view s);

// One capture of a match: its text and its byte range in the searched text.
struct Capture {
    std::string text;           // empty when the group took no part
    std::size_t begin = 0;      // byte offsets; both 0 when the group took no part
    std::size_t end = 0;
    bool participated = false;
};

// An ICU regular expression compiled with no flags: case-sensitive, ^ and $
// anchor at the ends of the whole text, \d is any Unicode decimal digit and
// \s any Unicode white space. A compiled pattern is immutable and may be
// shared between threads; every search makes its own matcher.
class Pattern {
public:
    explicit Pattern(std::string_view pattern);
    ~Pattern();
    Pattern(Pattern&&) noexcept;
    Pattern& operator=(Pattern&&) noexcept;
    Pattern(const Pattern&) = delete;
    Pattern& operator=(const Pattern&) = delete;

    bool valid() const;
    // The leftmost match's capture groups 1..n (group 0 left out); absent
    // when there is no match or the pattern did not compile.
    std::optional<std::vector<Capture>> firstMatch(std::string_view s) const;
    // Whether the pattern matches anywhere in the text.
    bool matchesIn(std::string_view s) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The capture texts of the leftmost match of `pattern` in `s`: one entry per
// group, the empty string for a group that took no part. Absent when the
// pattern does not compile or does not match.
std::optional<std::vector<std::string>> firstMatch(std::string_view pattern, std::string_view s);

// The code point that starts at byte offset `at`, if any.
std::optional<char32_t> codePointAt(std::string_view s, std::size_t at);

// Whether the code point is a Unicode decimal digit (general category Nd).
bool isDecimalDigit(char32_t c);

}  // namespace text
