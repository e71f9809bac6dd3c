#include "platform/codepages.h"

#include "platform/cp932codec.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <iconv.h>
#include <string>
#include <unordered_map>

namespace velmo::codepage {

namespace {

constexpr const char *kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
constexpr char16_t kReplacement = 0xFFFD;
const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);

// glibc's name for a Windows code page; most are simply "CP<n>".
std::string iconvName(int codePage)
{
    switch (codePage) {
    case 10000: return "MACINTOSH";
    case 10002: return "BIG5";       // Mac Traditional Chinese
    case 10003: return "EUC-KR";     // Mac Korean
    case 10007: return "MAC-CYRILLIC";
    case 10008: return "EUC-CN";     // Mac Simplified Chinese
    case 10017: return "MACUKRAINIAN";
    case 10029: return "MAC-CENTRALEUROPE";
    case 10079: return "MAC-IS";
    case 1361: return "JOHAB";
    case 20127: return "ASCII";
    case 20932:
    case 51932: return "EUC-JP";
    case 50220:
    case 50221:
    case 50222: return "ISO-2022-JP";
    case 65001: return "UTF-8";
    default: break;
    }
    if (codePage >= 28591 && codePage <= 28606)
        return "ISO-8859-" + std::to_string(codePage - 28590);
    return "CP" + std::to_string(codePage);
}

// iconv_open is slow, so each thread keeps its descriptors for the life of the thread.
// A descriptor is stateful and must not be shared between threads.
struct Descriptors {
    iconv_t toUnicode = kNoDescriptor;
    iconv_t fromUnicode = kNoDescriptor;
    Descriptors() = default;
    Descriptors(const Descriptors &) = delete;
    Descriptors &operator=(const Descriptors &) = delete;
    ~Descriptors()
    {
        if (toUnicode != kNoDescriptor)
            iconv_close(toUnicode);
        if (fromUnicode != kNoDescriptor)
            iconv_close(fromUnicode);
    }
    bool valid() const { return toUnicode != kNoDescriptor && fromUnicode != kNoDescriptor; }
};

// A file can name any number of code pages; past a few dozen the cache starts afresh, so
// that hostile input cannot make it grow without bound.
constexpr std::size_t kMaxCachedCodePages = 64;

const Descriptors &descriptorsFor(int codePage)
{
    thread_local std::unordered_map<int, Descriptors> cache;
    if (cache.size() >= kMaxCachedCodePages && cache.find(codePage) == cache.end())
        cache.clear();
    auto [it, inserted] = cache.try_emplace(codePage);
    if (inserted) {
        const std::string name = iconvName(codePage);
        it->second.toUnicode = iconv_open(kUtf16, name.c_str());
        it->second.fromUnicode = iconv_open(name.c_str(), kUtf16);
    }
    return it->second;
}

// The converters for a code page, or for 1252 when iconv does not know it. Valid until the
// next lookup.
struct Usable {
    const Descriptors *descriptors = nullptr;
    int codePage = kWindowsLatin1;
};

Usable usableDescriptors(int codePage)
{
    const Descriptors &d = descriptorsFor(codePage);
    if (d.valid())
        return {&d, codePage};
    const Descriptors &fallback = descriptorsFor(kWindowsLatin1);
    return {fallback.valid() ? &fallback : nullptr, kWindowsLatin1};
}

char16_t undecodableByte(int codePage, unsigned char b)
{
    if (codePage == kWindowsLatin1 && (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D))
        return b;
    return kReplacement;
}

std::u16string decodeWithIconv(int codePage, iconv_t cd, std::string_view bytes)
{
    std::u16string out;
    size_t used = 0;
    // Converts the input (or, given none, writes out what a stateful decoder such as
    // Windows-1258's still holds back), growing the output as needed.
    auto run = [&](char **in, size_t *inLeft) {
        for (;;) {
            const size_t room = (inLeft ? *inLeft : 0) * 2 + 8;
            if (out.size() - used < room)
                out.resize(used + room);
            char *outPtr = reinterpret_cast<char *>(out.data() + used);
            size_t outLeft = (out.size() - used) * sizeof(char16_t);
            const size_t before = outLeft;
            const size_t rc = iconv(cd, in, inLeft, &outPtr, &outLeft);
            used += (before - outLeft) / sizeof(char16_t);
            if (rc != static_cast<size_t>(-1) || errno != E2BIG)
                return rc != static_cast<size_t>(-1);
        }
    };
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = bytes.size();
    while (!run(&in, &inLeft) && inLeft > 0) {
        // EILSEQ, or EINVAL for a character cut off at the end: keep what came before,
        // give one replacement for the byte and go on with the next.
        run(nullptr, nullptr);
        out.resize(std::max(out.size(), used + 1));
        out[used++] = undecodableByte(codePage, static_cast<unsigned char>(*in));
        ++in;
        --inLeft;
    }
    run(nullptr, nullptr);
    out.resize(used);
    return out;
}

std::optional<std::string> encodeWithIconv(iconv_t cd, std::u16string_view text)
{
    std::string out(text.size() * 2 + 8, '\0');
    size_t used = 0;
    // Converts the input (or, with no input, flushes the shift state), growing the output
    // as needed; false when a character has no form in the code page.
    auto run = [&](char **in, size_t *inLeft) {
        for (;;) {
            char *outPtr = out.data() + used;
            size_t outLeft = out.size() - used;
            const size_t before = outLeft;
            const size_t rc = iconv(cd, in, inLeft, &outPtr, &outLeft);
            used += before - outLeft;
            if (rc != static_cast<size_t>(-1))
                return true;
            if (errno != E2BIG)
                return false;
            out.resize(out.size() * 2);
        }
    };
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char *in = const_cast<char *>(reinterpret_cast<const char *>(text.data()));
    size_t inLeft = text.size() * sizeof(char16_t);
    if (!run(&in, &inLeft) || !run(nullptr, nullptr))
        return std::nullopt;
    out.resize(used);
    return out;
}

// Apple's single bytes in Mac Japanese where code page 932 has none (0x80, 0xA0, 0xFD..0xFF
// are no characters there) or a lead byte that starts no character of JIS X 0208.
char16_t macJapaneseSingle(unsigned char b)
{
    switch (b) {
    case 0x80: return u'\\';
    case 0xA0: return 0x00A0;
    case 0xFD: return 0x00A9;
    case 0xFE: return 0x2122;
    case 0xFF: return 0x2026;
    default: return 0;
    }
}

// Mac Japanese: code page 932 for everything but Apple's own single bytes. Double-byte codes
// Apple added beyond JIS X 0208 (its rows 0x85, 0x86 and 0xEB..0xED) decode as code page
// 932 does, which keeps unknown bytes as raw-byte characters: nothing is lost.
std::u16string decodeMacJapanese(std::string_view bytes)
{
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t from = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (cp932::isLeadByte(b) && i + 1 < bytes.size()) {
            ++i; // a pair: its trail byte is never one of Apple's singles
            continue;
        }
        if (const char16_t c = macJapaneseSingle(b)) {
            out += cp932::decode(bytes.substr(from, i - from));
            out += c;
            from = i + 1;
        }
    }
    out += cp932::decode(bytes.substr(from));
    return out;
}

} // namespace

int codePageForCharset(int rtfCharset, int documentCodePage)
{
    switch (rtfCharset) {
    case 0: return 1252;    // ANSI
    case 2: return kSymbol; // SYMBOL
    case 77: return 10000;  // MAC: Mac Roman
    case 78: return 10001;  // Mac Japanese
    case 79: return 10003;  // Mac Korean
    case 80: return 10008;  // Mac Simplified Chinese
    case 81: return 10002;  // Mac Traditional Chinese
    case 83: return 10005;  // Mac Hebrew
    case 84: return 10004;  // Mac Arabic
    case 85: return 10006;  // Mac Greek
    case 86: return 10081;  // Mac Turkish
    case 87: return 10021;  // Mac Thai
    case 88: return 10029;  // Mac Central European
    case 89: return 10007;  // Mac Cyrillic
    case 128: return 932;   // SHIFTJIS
    case 129: return 949;   // HANGUL
    case 130: return 1361;  // JOHAB
    case 134: return 936;   // GB2312
    case 136: return 950;   // CHINESEBIG5
    case 161: return 1253;  // GREEK
    case 162: return 1254;  // TURKISH
    case 163: return 1258;  // VIETNAMESE
    case 177: return 1255;  // HEBREW
    case 178: return 1256;  // ARABIC
    case 186: return 1257;  // BALTIC
    case 204: return 1251;  // RUSSIAN
    case 222: return 874;   // THAI
    case 238: return 1250;  // EASTEUROPE
    case 254: return 437;   // PC437
    case 255: return 932;   // OEM: the OEM code page of a Japanese system
    default: return documentCodePage;
    }
}

bool isSupported(int codePage)
{
    if (codePage == kShiftJis || codePage == kSymbol || codePage == kMacJapanese)
        return true;
    return descriptorsFor(codePage).valid();
}

bool isLeadByte(int codePage, unsigned char b)
{
    switch (codePage) {
    case 932:
    case 10001: return cp932::isLeadByte(b);
    case 936:
    case 949:
    case 950:
    case 10002: return b >= 0x81 && b <= 0xFE;
    case 10003:
    case 10008: return b >= 0xA1 && b <= 0xFE;
    case 1361: return (b >= 0x84 && b <= 0xD3) || (b >= 0xD8 && b <= 0xDE) || (b >= 0xE0 && b <= 0xF9);
    default: return false;
    }
}

std::u16string decode(int codePage, std::string_view bytes)
{
    if (codePage == kShiftJis)
        return cp932::decode(bytes);
    if (codePage == kMacJapanese)
        return decodeMacJapanese(bytes);
    if (codePage == kSymbol) {
        std::u16string out(bytes.size(), u'\0');
        for (size_t i = 0; i < bytes.size(); ++i)
            out[i] = static_cast<char16_t>(0xF000 + static_cast<unsigned char>(bytes[i]));
        return out;
    }
    const Usable u = usableDescriptors(codePage);
    if (!u.descriptors) {
        // No converter at all in this C library: keep the bytes as Latin-1.
        std::u16string out(bytes.size(), u'\0');
        for (size_t i = 0; i < bytes.size(); ++i)
            out[i] = static_cast<unsigned char>(bytes[i]);
        return out;
    }
    return decodeWithIconv(u.codePage, u.descriptors->toUnicode, bytes);
}

std::optional<std::string> encode(int codePage, std::u16string_view text)
{
    if (codePage == kShiftJis) {
        // Exact forms only: the other spelling of a JIS character would come back as code
        // page 932's spelling.
        for (const cp932::JisVariant &v : cp932::kJisVariants) {
            if (text.find(v.variant) != std::u16string_view::npos)
                return std::nullopt;
        }
        cp932::EncodeResult r = cp932::encode(text);
        if (!r.unrepresentable.empty())
            return std::nullopt;
        return std::move(r.bytes);
    }
    if (codePage == kMacJapanese) {
        // Written as code page 932 writes it, where that reads back the same; Apple's
        // singles are written as their bytes.
        std::string out;
        for (char16_t c : text) {
            unsigned char single = 0;
            for (unsigned b : {0x80u, 0xA0u, 0xFDu, 0xFEu, 0xFFu})
                if (macJapaneseSingle(static_cast<unsigned char>(b)) == c && c != u'\\')
                    single = static_cast<unsigned char>(b);
            if (single) {
                out.push_back(static_cast<char>(single));
                continue;
            }
            std::optional<std::string> bytes = encode(kShiftJis, std::u16string_view(&c, 1));
            if (!bytes || decodeMacJapanese(*bytes) != std::u16string_view(&c, 1))
                return std::nullopt;
            out += *bytes;
        }
        return out;
    }
    if (codePage == kSymbol) {
        std::string out;
        out.reserve(text.size());
        for (char16_t c : text) {
            if (c <= 0xFF || (c >= 0xF000 && c <= 0xF0FF))
                out.push_back(static_cast<char>(c & 0xFF));
            else
                return std::nullopt;
        }
        return out;
    }
    const Usable u = usableDescriptors(codePage);
    if (!u.descriptors)
        return std::nullopt;
    std::optional<std::string> bytes = encodeWithIconv(u.descriptors->fromUnicode, text);
    // Some converters substitute a look-alike (best fit) for a character they lack; that
    // is not the character, so only a conversion that decodes back to the text counts.
    if (bytes && decodeWithIconv(u.codePage, u.descriptors->toUnicode, *bytes) != text)
        return std::nullopt;
    return bytes;
}

bool canEncode(int codePage, std::u16string_view text)
{
    return encode(codePage, text).has_value();
}

} // namespace velmo::codepage
