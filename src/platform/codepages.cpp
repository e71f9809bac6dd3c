#include "platform/codepages.h"

#include "platform/cp932codec.h"

#include <algorithm>
#include <bit>
#include <cstdint>
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

// Apple's double-byte codes beyond JIS X 0208: circled, parenthesised and roman numbers,
// units, arrows and suits in rows 0x85..0x88, and vertical forms in rows 0xEB..0xED. Rows
// 0x87 and 0xED are code page 932's too, with other characters: a Mac file means Apple's.
// These stand for one Unicode character each, and that character is written back as them.
struct AppleCode {
    std::uint16_t code;
    char16_t c;
};
constexpr AppleCode kAppleCodes[] = {
    {0x8640, 0x339C}, {0x8641, 0x339F}, {0x8642, 0x339D}, {0x8643, 0x33A0}, {0x8644, 0x33A4},
    {0x8646, 0x33A1}, {0x8647, 0x33A5}, {0x8648, 0x339E}, {0x8649, 0x33A2}, {0x864A, 0x338E},
    {0x864C, 0x338F}, {0x864D, 0x33C4}, {0x864E, 0x3396}, {0x864F, 0x3397}, {0x8650, 0x2113},
    {0x8651, 0x3398}, {0x8652, 0x33B3}, {0x8653, 0x33B2}, {0x8654, 0x33B1}, {0x8655, 0x33B0},
    {0x8656, 0x2109}, {0x8657, 0x33D4}, {0x8658, 0x33CB}, {0x8659, 0x3390}, {0x865A, 0x3385},
    {0x865B, 0x3386}, {0x865C, 0x3387}, {0x869B, 0x2116}, {0x869C, 0x33CD}, {0x869D, 0x2121},
    {0x869E, 0x213B}, {0x869F, 0x2664}, {0x86A0, 0x2667}, {0x86A1, 0x2661}, {0x86A2, 0x2662},
    {0x86A3, 0x2660}, {0x86A4, 0x2663}, {0x86A5, 0x2665}, {0x86A6, 0x2666}, {0x86B3, 0x3020},
    {0x86B4, 0x260E}, {0x86B5, 0x3004}, {0x86C7, 0x261E}, {0x86C8, 0x261C}, {0x86C9, 0x261D},
    {0x86CA, 0x261F}, {0x86CB, 0x21C6}, {0x86CC, 0x21C4}, {0x86CD, 0x21C5}, {0x86CF, 0x21E8},
    {0x86D0, 0x21E6}, {0x86D1, 0x21E7}, {0x86D2, 0x21E9}, {0x86D3, 0x27A1}, {0x86D4, 0x2B05},
    {0x86D5, 0x2B06}, {0x86D6, 0x2B07},
    {0x8740, 0x3230}, {0x8741, 0x322A}, {0x8742, 0x322B}, {0x8743, 0x322C}, {0x8744, 0x322D},
    {0x8745, 0x322E}, {0x8746, 0x322F}, {0x8747, 0x3240}, {0x8748, 0x3237}, {0x8749, 0x3242},
    {0x874A, 0x3243}, {0x874B, 0x3239}, {0x874C, 0x323A}, {0x874D, 0x3231}, {0x874E, 0x323E},
    {0x874F, 0x3234}, {0x8750, 0x3232}, {0x8751, 0x323B}, {0x8752, 0x3236}, {0x8753, 0x3233},
    {0x8754, 0x3235}, {0x8755, 0x323C}, {0x8756, 0x323D}, {0x8757, 0x323F}, {0x8758, 0x3238},
    {0x8793, 0x32A4}, {0x8794, 0x32A5}, {0x8795, 0x32A6}, {0x8796, 0x32A7}, {0x8797, 0x32A8},
    {0x8798, 0x32A9}, {0x8799, 0x3296}, {0x879A, 0x329D}, {0x879B, 0x3298}, {0x879C, 0x329E},
    {0x879E, 0x3299}, {0x879F, 0x3349}, {0x87A0, 0x3322}, {0x87A1, 0x334D}, {0x87A2, 0x3314},
    {0x87A3, 0x3316}, {0x87A4, 0x3305}, {0x87A5, 0x3333}, {0x87A6, 0x334E}, {0x87A7, 0x3303},
    {0x87A8, 0x3336}, {0x87A9, 0x3318}, {0x87AA, 0x3315}, {0x87AB, 0x3327}, {0x87AC, 0x3351},
    {0x87AD, 0x334A}, {0x87AE, 0x3339}, {0x87AF, 0x3357}, {0x87B0, 0x330D}, {0x87B1, 0x3342},
    {0x87B2, 0x3323}, {0x87B3, 0x3326}, {0x87B4, 0x333B}, {0x87B5, 0x332B}, {0x87BD, 0x3300},
    {0x87BE, 0x331E}, {0x87BF, 0x332A}, {0x87C0, 0x3331}, {0x87C1, 0x3347}, {0x87E5, 0x337E},
    {0x87E6, 0x337D}, {0x87E7, 0x337C}, {0x87E8, 0x337B}, {0x87FA, 0x337F},
    {0x8840, 0x222E}, {0x8841, 0x221F}, {0x8842, 0x22BF}, {0x8854, 0x301D}, {0x8855, 0x301F},
    {0x8868, 0x3094}, {0x886A, 0x30F7}, {0x886B, 0x30F8}, {0x886C, 0x30F9}, {0x886D, 0x30FA},
    {0xEB51, 0xFE33}, {0xEB5C, 0xFE31}, {0xEB64, 0xFE30}, {0xEB69, 0xFE35}, {0xEB6A, 0xFE36},
    {0xEB6B, 0xFE39}, {0xEB6C, 0xFE3A}, {0xEB6D, 0xFE47}, {0xEB6E, 0xFE48}, {0xEB6F, 0xFE37},
    {0xEB70, 0xFE38}, {0xEB71, 0xFE3F}, {0xEB72, 0xFE40}, {0xEB73, 0xFE3D}, {0xEB74, 0xFE3E},
    {0xEB75, 0xFE41}, {0xEB76, 0xFE42}, {0xEB77, 0xFE43}, {0xEB78, 0xFE44}, {0xEB79, 0xFE3B},
    {0xEB7A, 0xFE3C},
};

// Runs of consecutive codes (trail byte 0x7F is no code) for consecutive characters.
struct AppleRun {
    std::uint16_t first;
    int count;
    char16_t c;
};
constexpr AppleRun kAppleRuns[] = {
    {0x8540, 20, 0x2460}, // circled 1..20
    {0x855E, 20, 0x2474}, // parenthesised 1..20
    {0x857C, 9, 0x2776},  // negative circled 1..9
    {0x8592, 9, 0x2488},  // 1. .. 9.
    {0x859F, 12, 0x2160}, // roman numerals I..XII
    {0x85B3, 12, 0x2170}, // small roman numerals i..xii
    {0x85DB, 26, 0x249C}, // parenthesised a..z
};

// Codes Apple gives as a sequence of characters or as another form of an ordinary
// character (a vertical comma is a comma in horizontal text). They are read as that text;
// Apple's private-use hints around it mean nothing elsewhere and are left out. The text is
// written back as its ordinary codes.
struct AppleText {
    std::uint16_t code;
    const char16_t *text;
};
constexpr AppleText kAppleTexts[] = {
    {0x8591, u"0."}, {0x85AB, u"XIII"}, {0x85AC, u"XIV"}, {0x85AD, u"XV"}, {0x85BF, u"xiii"},
    {0x85C0, u"xiv"}, {0x85C1, u"xv"}, {0x8645, u"\uFF4D"}, {0x864B, u"\uFF47"}, {0x865D, u"TB"},
    {0x86CE, u"\u2193\u2191"}, {0x8791, u"\u5927\u20DD"}, {0x8792, u"\u5C0F\u20DD"},
    {0x879D, u"\u63A7\u20DD"}, {0x87FB, u"\u6709\u9650\u4F1A\u793E"},
    {0x87FC, u"\u8CA1\u56E3\u6CD5\u4EBA"},
    // vertical forms
    {0xEB41, u"\u3001"}, {0xEB42, u"\u3002"}, {0xEB50, u"\uFFE3"}, {0xEB5B, u"\u30FC"},
    {0xEB5D, u"\u2010"}, {0xEB60, u"\u301C"}, {0xEB61, u"\u2016"}, {0xEB62, u"\uFF5C"},
    {0xEB63, u"\u2026"}, {0xEB81, u"\uFF1D"}, {0xEC9F, u"\u3041"}, {0xECA1, u"\u3043"},
    {0xECA3, u"\u3045"}, {0xECA5, u"\u3047"}, {0xECA7, u"\u3049"}, {0xECC1, u"\u3063"},
    {0xECE1, u"\u3083"}, {0xECE3, u"\u3085"}, {0xECE5, u"\u3087"}, {0xECEC, u"\u308E"},
    {0xED40, u"\u30A1"}, {0xED42, u"\u30A3"}, {0xED44, u"\u30A5"}, {0xED46, u"\u30A7"},
    {0xED48, u"\u30A9"}, {0xED62, u"\u30C3"}, {0xED83, u"\u30E3"}, {0xED85, u"\u30E5"},
    {0xED87, u"\u30E7"}, {0xED8E, u"\u30EE"}, {0xED95, u"\u30F5"}, {0xED96, u"\u30F6"},
};

struct AppleTables {
    std::unordered_map<std::uint16_t, std::u16string> decode;
    std::unordered_map<char16_t, std::uint16_t> encode;
};

const AppleTables &appleTables()
{
    static const AppleTables tables = [] {
        AppleTables t;
        auto add = [&t](std::uint16_t code, char16_t c) {
            t.decode.emplace(code, std::u16string(1, c));
            t.encode.emplace(c, code);
        };
        for (const AppleCode &a : kAppleCodes)
            add(a.code, a.c);
        for (const AppleRun &r : kAppleRuns) {
            std::uint16_t code = r.first;
            for (int k = 0; k < r.count; ++k, ++code) {
                if ((code & 0xFF) == 0x7F)
                    ++code;
                add(code, char16_t(r.c + k));
            }
        }
        for (const AppleText &a : kAppleTexts)
            t.decode.emplace(a.code, a.text);
        return t;
    }();
    return tables;
}

// Mac Japanese: code page 932 for everything but Apple's own single bytes and double-byte
// codes. Codes neither has keep their bytes as raw-byte characters: nothing is lost.
std::u16string decodeMacJapanese(std::string_view bytes)
{
    const auto &apple = appleTables().decode;
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t from = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (cp932::isLeadByte(b) && i + 1 < bytes.size()) {
            // A pair: its trail byte is never one of Apple's singles.
            const auto code = std::uint16_t(b << 8 | static_cast<unsigned char>(bytes[i + 1]));
            if (const auto it = apple.find(code); it != apple.end()) {
                out += cp932::decode(bytes.substr(from, i - from));
                out += it->second;
                from = i + 2;
            }
            ++i;
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
        // Apple's singles and codes are written as Apple's bytes, everything else as code
        // page 932 writes it where that reads back the same.
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
            const auto &apple = appleTables().encode;
            if (const auto it = apple.find(c); it != apple.end()) {
                out.push_back(static_cast<char>(it->second >> 8));
                out.push_back(static_cast<char>(it->second & 0xFF));
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
