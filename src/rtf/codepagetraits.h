// Facts about code pages that the reader and the writer both rely on.
#pragma once

#include "platform/codepages.h"

#include <string>
#include <unordered_map>

namespace velmo::rtf {

// Whether the code page decodes every printable ASCII byte as that same character. Most
// do; a symbol font (letters are glyph numbers), Johab (0x5C is the won sign) and EBCDIC
// pages do not, and their ASCII bytes must go through the codec too. Asked once per code
// page and remembered by the caller's instance, so it stays cheap and thread-safe.
class AsciiTransparency {
public:
    bool operator()(int codePage)
    {
        auto [it, inserted] = m_known.try_emplace(codePage, false);
        if (inserted) {
            std::string ascii;
            std::u16string expected;
            for (char c = 0x20; c < 0x7F; ++c) {
                ascii += c;
                expected += char16_t(c);
            }
            it->second = codepage::decode(codePage, ascii) == expected;
        }
        return it->second;
    }

private:
    std::unordered_map<int, bool> m_known;
};

} // namespace velmo::rtf
