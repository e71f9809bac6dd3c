// Windows code pages other than 932, as RTF names them (\ansicpg, \fcharset, \cpg): bytes to
// UTF-16 and back through glibc iconv. Code page 932 goes through the cp932 codec. Plain C++.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmo::codepage {

// Windows' number for the Symbol character set. Its bytes are glyph indexes of a symbol
// font, conventionally carried in Unicode as U+F000 + byte (what Windows itself does).
constexpr int kSymbol = 42;
constexpr int kShiftJis = 932;
constexpr int kWindowsLatin1 = 1252;
constexpr int kMacRoman = 10000;
// Mac OS Japanese: Shift-JIS with a few codes of Apple's own (see decode()).
constexpr int kMacJapanese = 10001;

// The code page of an RTF \fcharset value, Windows' character sets and the Mac ones
// (77..89) alike. 1 (DEFAULT_CHARSET), and values we do not know, give documentCodePage,
// the code page of the document (its \ansicpg).
int codePageForCharset(int rtfCharset, int documentCodePage = kWindowsLatin1);

// Whether decode() and encode() know the code page. An unknown one decodes as 1252.
bool isSupported(int codePage);

// Whether the code page is double-byte and b starts a two-byte character in it. RTF
// delivers a double-byte character as two \'hh escapes (sometimes the second byte as a
// literal character); the reader collects a run of bytes and decodes it as a whole.
bool isLeadByte(int codePage, unsigned char b);

// Bytes to UTF-16; any bytes are accepted. Code page 932 keeps invalid bytes as U+F700 + byte (see
// cp932codec.h), and so does Mac Japanese, which is code page 932's JIS X 0208 with Apple's
// single bytes 0x80 (backslash), 0xA0 (no-break space), 0xFD (©), 0xFE (™) and 0xFF (…)
// and Apple's double-byte codes (numbers in circles, units, vertical forms and the like);
// Symbol gives U+F000 + byte; in the other code pages a byte that is not
// part of a valid character gives U+FFFD, except that Windows-1252's five unassigned
// bytes give the C1 control of the same value, as Windows does.
std::u16string decode(int codePage, std::string_view bytes);

// UTF-16 to bytes, or nothing when a character of the text has no exact form in the code
// page (one that would not decode back to itself, such as a best-fit substitute).
// Symbol holds U+0000..U+00FF and U+F000..U+F0FF.
std::optional<std::string> encode(int codePage, std::u16string_view text);
bool canEncode(int codePage, std::u16string_view text);

} // namespace velmo::codepage
