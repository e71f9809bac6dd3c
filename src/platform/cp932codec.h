// Shift-JIS as Windows writes it (code page 932): decoding, encoding and the byte width
// of each character as editor positions count it. Plain C++, no Qt.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmo::cp932 {

// Whether b starts a two-byte character (the one place that says so; the second byte is
// then 0x40..0xFC except 0x7F).
constexpr bool isLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
constexpr bool isTrailByte(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// A byte that is not part of a valid code-page-932 character decodes to U+F700 + byte.
// That block of the private-use area lies above the user-defined characters
// (0xF040.. -> U+E000..U+E757), so it never collides with a real character; encoding
// turns it back into the very same byte.
constexpr char16_t kRawByteBase = 0xF700;
constexpr bool isRawByte(char32_t c) { return c >= 0xF700 && c <= 0xF7FF; }

// Byte width of a character that code page 932 cannot hold (stored as "?" in a text
// file, as \uN in RTF). Counted like any double-byte character.
constexpr int kUnrepresentableWidth = 2;

// Decodes bytes to UTF-16; never fails and never loses a byte.
std::u16string decode(std::string_view bytes);

// Whether decode() reads the two bytes, at a character boundary, as one character. A lead
// byte whose next byte makes no character with it (an unassigned code, a byte outside the
// trail range) stands alone as a raw byte, and the next byte starts a character of its own.
bool isPair(unsigned char lead, unsigned char trail);

// The JIS X 0208 characters that other converters (and most documents written on Linux
// or macOS) spell differently from code page 932: {their spelling, code page 932's}.
// Encoding writes the first as the code of the second; decoding gives the second.
struct JisVariant {
    char16_t variant;
    char16_t cp932;
};
inline constexpr JisVariant kJisVariants[] = {
    {0x301C, 0xFF5E}, // WAVE DASH, FULLWIDTH TILDE
    {0x2016, 0x2225}, // DOUBLE VERTICAL LINE, PARALLEL TO
    {0x2212, 0xFF0D}, // MINUS SIGN, FULLWIDTH HYPHEN-MINUS
    {0x00A2, 0xFFE0}, // CENT SIGN
    {0x00A3, 0xFFE1}, // POUND SIGN
    {0x00AC, 0xFFE2}, // NOT SIGN
    {0x2014, 0x2015}, // EM DASH, HORIZONTAL BAR
};

struct EncodeResult {
    std::string bytes;
    // UTF-16 indexes of the characters that code page 932 cannot hold; each was written
    // as the replacement byte. Empty when every character has a code. The JIS X 0208
    // characters that Unicode spells twice (WAVE DASH U+301C and FULLWIDTH TILDE U+FF5E,
    // and the pairs in kJisVariants) are one code each and are written as that code,
    // although it decodes to the code page 932 spelling. A character held only as a
    // look-alike counts as one it cannot hold: YEN SIGN would be 0x5C, a backslash.
    // A surrogate pair is one character, reported at its first unit.
    std::vector<std::size_t> unrepresentable;
};
EncodeResult encode(std::u16string_view text, char replacement = '?');

// 1 for ASCII, half-width katakana and raw bytes, 2 for the other characters of code
// page 932, kUnrepresentableWidth for the rest. Table lookup, no allocation.
int byteWidth(char32_t c);

// Byte length of a UTF-16 text as the editor counts it (a surrogate pair is one character).
std::size_t byteLength(std::u16string_view text);

} // namespace velmo::cp932
