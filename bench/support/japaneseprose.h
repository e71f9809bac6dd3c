// Real Japanese prose for the benchmarks' samples: the paragraphs of the Japanese manual
// pages (Debian's manpages-ja, installed by scripts/benchsetup.sh), stripped of their roff
// markup, in a fixed order. Varied text matters: one sentence repeated shapes, breaks and
// searches unlike any document.
#pragma once

#include "platform/cp932codec.h"

#include <iconv.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace velmo::bench {

inline const char *const kManualPages = "/usr/share/man/ja";

namespace prose_detail {

// Every manual page, decompressed and run together in the order of their names (each
// begins with requests, which end the paragraph before it).
inline std::string readManualPages()
{
    std::string out;
    const std::string command = std::string("find ") + kManualPages
                                + " -name '*.gz' -print0 2>/dev/null | sort -z | xargs -0r zcat -f 2>/dev/null";
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    pclose(pipe);
    return out;
}

// The text of one roff line without its escapes (fonts, sizes, special characters).
inline std::string stripEscapes(const std::string &line)
{
    std::string out;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\\') {
            out += line[i];
            continue;
        }
        if (++i >= line.size())
            break;
        switch (line[i]) {
        case 'f': case 's': case '*': case 'n': case 'k': case 'm': case 'F': case 'g':
            // \fB \f(CW \f[BI] \s-1 \*(xx \*[name]: a font, a size or a string: dropped.
            if (i + 1 < line.size() && line[i + 1] == '(')
                i += 3;
            else if (i + 1 < line.size() && line[i + 1] == '[')
                i = std::min(line.size() - 1, line.find(']', i));
            else if (line[i] == 's' && i + 1 < line.size() && (line[i + 1] == '-' || line[i + 1] == '+'))
                i += 2;
            else
                ++i;
            break;
        case '(': i += 2; break;          // a special character: dropped
        case '-': out += '-'; break;
        case 'e': out += '\\'; break;
        case ' ': case '~': out += ' '; break;
        case '"': i = line.size(); break; // a comment
        default: break;                   // \& \c \| \^ and the like
        }
    }
    return out;
}

inline std::u16string fromUtf8(const std::string &utf8)
{
    static iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
    std::u16string out(utf8.size(), u'\0');
    char *in = const_cast<char *>(utf8.data());
    std::size_t inLeft = utf8.size();
    char *outPtr = reinterpret_cast<char *>(out.data());
    std::size_t outLeft = out.size() * 2;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == std::size_t(-1))
        return {}; // not UTF-8: left out
    out.resize(out.size() - outLeft / 2);
    return out;
}

inline std::string toUtf8(const std::u16string &text)
{
    static iconv_t cd = iconv_open("UTF-8", "UTF-16LE");
    std::string out(text.size() * 3, '\0');
    char *in = reinterpret_cast<char *>(const_cast<char16_t *>(text.data()));
    std::size_t inLeft = text.size() * 2;
    char *outPtr = out.data();
    std::size_t outLeft = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.resize(out.size() - outLeft);
    return out;
}

inline bool hasJapanese(const std::u16string &text)
{
    return std::any_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x3040 && c <= 0x9FFF; });
}

} // namespace prose_detail

// The paragraphs, each at least partly Japanese and representable in code page 932. Empty
// when the manual pages are not installed.
inline const std::vector<std::u16string> &japaneseParagraphs()
{
    static const std::vector<std::u16string> paragraphs = [] {
        std::vector<std::u16string> out;
        auto flush = [&](std::string &utf8) {
            if (!utf8.empty()) {
                const std::u16string text = prose_detail::fromUtf8(utf8);
                // Only what Shift-JIS can hold, so that every program reads the same text.
                if (prose_detail::hasJapanese(text) && cp932::encode(text).unrepresentable.empty())
                    out.push_back(text);
            }
            utf8.clear();
        };
        {
            const std::string source = prose_detail::readManualPages();
            std::string paragraph;
            std::size_t begin = 0;
            while (begin < source.size()) {
                std::size_t end = source.find('\n', begin);
                if (end == std::string::npos)
                    end = source.size();
                const std::string line = source.substr(begin, end - begin);
                begin = end + 1;
                if (line.empty() || line[0] == '.' || line[0] == '\'') {
                    flush(paragraph); // a request ends the running paragraph
                    continue;
                }
                const std::string text = prose_detail::stripEscapes(line);
                // Roff joins the lines of a paragraph; Japanese needs no space between them.
                if (!paragraph.empty() && static_cast<unsigned char>(paragraph.back()) < 0x80
                    && !text.empty() && static_cast<unsigned char>(text.front()) < 0x80)
                    paragraph += ' ';
                paragraph += text;
            }
            flush(paragraph);
        }
        return out;
    }();
    return paragraphs;
}

// The paragraphs or, when they are missing, a message and exit: a benchmark without its
// sample cannot measure anything worth a figure.
inline const std::vector<std::u16string> &requireJapaneseParagraphs()
{
    const auto &paragraphs = japaneseParagraphs();
    if (paragraphs.size() < 100) {
        std::fprintf(stderr, "no Japanese sample: the manual pages in %s are missing; "
                             "run scripts/benchsetup.sh\n", kManualPages);
        std::exit(2);
    }
    return paragraphs;
}

// Paragraphs in order, over and over, until the text holds `units` UTF-16 units; each
// paragraph ends with `lineEnd`.
inline std::u16string japaneseText(std::size_t units, const std::u16string &lineEnd = u"\r\n")
{
    const auto &paragraphs = requireJapaneseParagraphs();
    std::u16string text;
    text.reserve(units + 4096);
    for (std::size_t i = 0; text.size() < units; ++i)
        text += paragraphs[i % paragraphs.size()] + lineEnd;
    return text;
}

} // namespace velmo::bench
