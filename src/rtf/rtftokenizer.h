// Splits RTF into its lexical pieces: braces, control words with their parameters, control
// symbols, \'hh bytes, binary data and runs of plain text. It knows nothing of what the
// words mean; the reader's dispatcher does.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace velmo::rtf {

struct Token {
    enum Kind {
        End,            // no more input
        GroupOpen,      // {
        GroupClose,     // }
        ControlWord,    // \word or \wordN; text holds the letters
        ControlSymbol,  // \ followed by one non-letter; symbol holds it
        HexByte,        // \'hh; byte holds the value
        Text,           // plain bytes, line ends removed; text holds them
        Binary,         // the data of \binN; text holds it
    };
    Token() = default;
    explicit Token(Kind k) : kind(k) {}

    Kind kind = End;
    std::string_view text;
    std::int32_t param = 0;
    bool hasParam = false;
    char symbol = 0;
    unsigned char byte = 0;
};

class Tokenizer {
public:
    explicit Tokenizer(std::string_view input) : m_in(input) {}

    // Whether a byte of plain text starts a double-byte character in the text's code page
    // as it stands (the reader knows the font). Such a byte takes the next byte as its
    // second, even a brace or a backslash, as writers of unescaped Shift-JIS expect.
    // Asked only for bytes of 0x80 and above.
    void setLeadBytes(std::function<bool(unsigned char)> isLead) { m_isLead = std::move(isLead); }

    Token next();
    std::size_t position() const { return m_pos; }

private:
    Token controlWord();

    std::string_view m_in;
    std::size_t m_pos = 0;
    std::function<bool(unsigned char)> m_isLead;
};

} // namespace velmo::rtf
