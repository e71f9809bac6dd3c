#include "rtf/rtftokenizer.h"

#include <limits>

namespace velmo::rtf {

namespace {

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

Token Tokenizer::next()
{
    const std::size_t size = m_in.size();
    for (;;) {
        if (m_pos >= size)
            return {};
        const char c = m_in[m_pos];
        if (c == '{') {
            ++m_pos;
            return Token(Token::GroupOpen);
        }
        if (c == '}') {
            ++m_pos;
            return Token(Token::GroupClose);
        }
        if (c == '\r' || c == '\n') {
            ++m_pos;
            continue;
        }
        if (c != '\\') {
            const std::size_t start = m_pos;
            while (m_pos < size) {
                const char d = m_in[m_pos];
                if (d == '\\' || d == '{' || d == '}' || d == '\r' || d == '\n')
                    break;
                ++m_pos;
                // A line end is never a second byte: it is no text in RTF at all.
                if (static_cast<unsigned char>(d) >= 0x80 && m_pos < size && m_in[m_pos] != '\r'
                    && m_in[m_pos] != '\n' && m_isLead && m_isLead(static_cast<unsigned char>(d)))
                    ++m_pos;
            }
            Token t(Token::Text);
            t.text = m_in.substr(start, m_pos - start);
            return t;
        }
        // A backslash.
        if (m_pos + 1 >= size) {
            m_pos = size;
            return {};
        }
        const char s = m_in[m_pos + 1];
        if (isLetter(s))
            return controlWord();
        m_pos += 2;
        if (s == '\'') {
            // Two hex digits; a truncated or malformed escape is dropped and whatever
            // follows it is read as usual.
            const int high = m_pos < size ? hexValue(m_in[m_pos]) : -1;
            if (high < 0)
                continue;
            ++m_pos;
            const int low = m_pos < size ? hexValue(m_in[m_pos]) : -1;
            if (low < 0)
                continue;
            ++m_pos;
            Token t(Token::HexByte);
            t.byte = static_cast<unsigned char>(high * 16 + low);
            return t;
        }
        if (s == '\r' || s == '\n') {
            // A backslash before a line end is a paragraph mark.
            Token t(Token::ControlWord);
            t.text = "par";
            return t;
        }
        Token t(Token::ControlSymbol);
        t.symbol = s;
        return t;
    }
}

Token Tokenizer::controlWord()
{
    const std::size_t size = m_in.size();
    const std::size_t start = ++m_pos; // past the backslash
    while (m_pos < size && isLetter(m_in[m_pos]))
        ++m_pos;
    Token t(Token::ControlWord);
    t.text = m_in.substr(start, m_pos - start);

    bool negative = false;
    if (m_pos + 1 < size && m_in[m_pos] == '-' && isDigit(m_in[m_pos + 1])) {
        negative = true;
        ++m_pos;
    }
    if (m_pos < size && isDigit(m_in[m_pos])) {
        // Parameters are 32-bit; longer digit strings saturate instead of overflowing.
        std::int64_t value = 0;
        while (m_pos < size && isDigit(m_in[m_pos])) {
            if (value <= std::numeric_limits<std::int32_t>::max())
                value = value * 10 + (m_in[m_pos] - '0');
            ++m_pos;
        }
        if (negative)
            value = -value;
        if (value > std::numeric_limits<std::int32_t>::max())
            value = std::numeric_limits<std::int32_t>::max();
        if (value < std::numeric_limits<std::int32_t>::min())
            value = std::numeric_limits<std::int32_t>::min();
        t.hasParam = true;
        t.param = static_cast<std::int32_t>(value);
    }
    if (m_pos < size && m_in[m_pos] == ' ')
        ++m_pos; // the delimiter belongs to the word

    if (t.text == "bin") {
        // Binary data follows; a length past the end of the input takes what is there.
        const std::size_t want = t.hasParam && t.param > 0 ? std::size_t(t.param) : 0;
        const std::size_t take = want < size - m_pos ? want : size - m_pos;
        Token b(Token::Binary);
        b.text = m_in.substr(m_pos, take);
        m_pos += take;
        return b;
    }
    return t;
}

} // namespace velmo::rtf
