#include "platform/cp932codec.h"

#include "platform/componenterror.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <memory>

namespace velmo::cp932 {

namespace {

constexpr const char *kUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);

constexpr std::uint16_t kNoCode = 0xFFFF; // never a code: 0xFF is no trail byte
constexpr char16_t kNoChar = 0;           // no double-byte code maps to U+0000

constexpr bool isLead(unsigned char b) { return isLeadByte(b); }
constexpr bool isTrail(unsigned char b) { return isTrailByte(b); }
constexpr bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
constexpr bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
constexpr bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The mapping in both directions, asked of iconv once and kept for the life of the
// process: iconv per character is far too slow for a 10 MB file or a width per keystroke.
struct Tables {
    std::array<char16_t, 256> single{};        // what a byte means on its own
    std::array<char16_t, 128 * 256> dbcs{};    // [(lead - 0x80) * 256 + trail]
    std::array<std::uint16_t, 0x10000> code{}; // BMP character -> byte (< 0x100) or pair
    // Other pairs of the same character (at most three codes share one), kNoCode if none.
    std::array<std::array<std::uint16_t, 2>, 0x10000> others{};

    char16_t pair(unsigned char lead, unsigned char trail) const { return dbcs[(lead - 0x80) * 256 + trail]; }
};

class Converter {
public:
    Converter(const char *to, const char *from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (cd_ != kNoDescriptor)
            iconv_close(cd_);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;
    bool valid() const { return cd_ != kNoDescriptor; }

    // Converts one whole character; the output is empty when iconv refuses it or the input
    // was not used up.
    std::string convert(const void *data, size_t size)
    {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buffer[16];
        char *in = static_cast<char *>(const_cast<void *>(data));
        size_t inLeft = size;
        char *out = buffer;
        size_t outLeft = sizeof buffer;
        if (iconv(cd_, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
            return {};
        return std::string(buffer, out);
    }

private:
    iconv_t cd_;
};

// The one UTF-16 unit that a byte sequence decodes to, or kNoChar.
char16_t decodeOne(Converter &toUnicode, const unsigned char *bytes, size_t size)
{
    const std::string out = toUnicode.convert(bytes, size);
    if (out.size() != sizeof(char16_t))
        return kNoChar;
    char16_t c;
    std::memcpy(&c, out.data(), sizeof c);
    return isSurrogate(c) ? kNoChar : c;
}

std::uint16_t encodeOne(Converter &fromUnicode, char16_t c)
{
    const std::string out = fromUnicode.convert(&c, sizeof c);
    if (out.size() == 1)
        return static_cast<unsigned char>(out[0]);
    if (out.size() == 2)
        return static_cast<std::uint16_t>(static_cast<unsigned char>(out[0]) << 8 | static_cast<unsigned char>(out[1]));
    return kNoCode;
}

std::unique_ptr<Converter> openConverter(bool toUnicode)
{
    for (const char *name : {"CP932", "WINDOWS-31J", "MS932"}) {
        auto c = toUnicode ? std::make_unique<Converter>(kUtf16, name) : std::make_unique<Converter>(name, kUtf16);
        if (c->valid())
            return c;
    }
    throw ComponentError("文字コード変換 (CP932) を利用できません");
}

std::unique_ptr<Tables> buildTables()
{
    auto t = std::make_unique<Tables>();
    auto toUnicode = openConverter(true);
    auto fromUnicode = openConverter(false);

    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        const char16_t c = b < 0x80 ? char16_t(b) : decodeOne(*toUnicode, &byte, 1);
        t->single[b] = (b < 0x80 || (c != kNoChar && !isLead(byte))) ? c : char16_t(kRawByteBase + b);
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!isLead(lead))
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (!isTrail(trail))
                continue;
            const unsigned char pair[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
            char16_t c = decodeOne(*toUnicode, pair, 2);
            // The user-defined area, 0xF040..0xF9FC in rows of 188 codes onto U+E000..U+E757,
            // by Windows' own rule, in case the C library leaves it out.
            if (c == kNoChar && lead >= 0xF0 && lead <= 0xF9)
                c = static_cast<char16_t>(0xE000 + (lead - 0xF0) * 188 + (trail - 0x40) - (trail > 0x7F ? 1 : 0));
            t->dbcs[(lead - 0x80) * 256 + trail] = c;
        }
    }

    t->code.fill(kNoCode);
    t->others.fill({kNoCode, kNoCode});
    auto decodesTo = [&](std::uint16_t code, char16_t c) {
        if (code < 0x100)
            return t->single[code] == c;
        return isLead(code >> 8) && isTrail(code & 0xFF) && t->pair(code >> 8, code & 0xFF) == c;
    };
    // Where several codes give the same character, iconv's encoder names the one Windows
    // writes; the first code seen is the fallback should it name none of them.
    auto learn = [&](char16_t c, std::uint16_t seen) {
        if (t->code[c] != kNoCode)
            return;
        const std::uint16_t preferred = encodeOne(*fromUnicode, c);
        t->code[c] = preferred != kNoCode && decodesTo(preferred, c) ? preferred : seen;
    };
    for (int b = 0; b < 256; ++b) {
        if (b < 0x80)
            t->code[b] = static_cast<std::uint16_t>(b);
        else if (!isRawByte(t->single[b]))
            learn(t->single[b], static_cast<std::uint16_t>(b));
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        for (int trail = 0x40; isLead(lead) && trail <= 0xFC; ++trail) {
            const char16_t c = isTrail(trail) ? t->pair(lead, trail) : kNoChar;
            if (c != kNoChar) {
                const auto seen = static_cast<std::uint16_t>(lead << 8 | trail);
                learn(c, seen);
                if (t->code[c] != seen)
                    for (std::uint16_t &other : t->others[c])
                        if (other == kNoCode) {
                            other = seen;
                            break;
                        }
            }
        }
    }
    // The other spelling of a JIS character shares its code. Only where no code decodes to
    // it already: a C library that knows the pair both ways keeps its own answer.
    for (const JisVariant &v : kJisVariants) {
        if (t->code[v.variant] == kNoCode)
            t->code[v.variant] = t->code[v.cp932];
    }
    // Raw bytes go back to the byte they came from.
    for (int b = 0; b < 256; ++b)
        t->code[kRawByteBase + b] = static_cast<std::uint16_t>(b);
    return t;
}

const Tables &tables()
{
    static const std::unique_ptr<Tables> instance = buildTables();
    return *instance;
}

} // namespace

std::u16string decode(std::string_view bytes)
{
    const Tables &t = tables();
    std::u16string out(bytes.size(), u'\0');
    char16_t *dst = out.data();
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            *dst++ = b;
            ++p;
            continue;
        }
        if (isLead(b) && end - p >= 2) {
            const char16_t c = t.pair(b, p[1]);
            if (c != kNoChar) {
                *dst++ = c;
                p += 2;
                continue;
            }
        }
        // Half-width katakana, or a byte that is no character: a lead byte without a valid
        // trail keeps only itself, and the next byte is read afresh.
        *dst++ = t.single[b];
        ++p;
    }
    out.resize(static_cast<size_t>(dst - out.data()));
    return out;
}

bool isPair(unsigned char lead, unsigned char trail)
{
    return isLead(lead) && tables().pair(lead, trail) != kNoChar;
}

EncodeResult encode(std::u16string_view text, char replacement)
{
    const Tables &t = tables();
    EncodeResult result;
    result.bytes.resize(text.size() * 2);
    char *dst = result.bytes.data();
    const size_t n = text.size();
    // A lead byte written on its own (a raw byte): the next pair must not start with a byte
    // that makes a character with it, or the bytes would read back as other characters.
    unsigned char rawLead = 0;
    for (size_t i = 0; i < n; ++i) {
        const char16_t c = text[i];
        const unsigned char before = rawLead;
        rawLead = 0;
        if (c < 0x80) {
            *dst++ = static_cast<char>(c);
            continue;
        }
        std::uint16_t code = t.code[c];
        if (before && code != kNoCode && code >= 0x100 && t.pair(before, code >> 8) != kNoChar) {
            for (const std::uint16_t other : t.others[c])
                if (other != kNoCode && t.pair(before, other >> 8) == kNoChar) {
                    code = other;
                    break;
                }
        }
        if (isRawByte(c) && code < 0x100 && isLead(static_cast<unsigned char>(code)))
            rawLead = static_cast<unsigned char>(code);
        if (code == kNoCode) {
            // A surrogate pair is one character, reported at its first unit.
            result.unrepresentable.push_back(i);
            *dst++ = replacement;
            if (isHighSurrogate(c) && i + 1 < n && isLowSurrogate(text[i + 1]))
                ++i;
        } else if (code < 0x100) {
            *dst++ = static_cast<char>(code);
        } else {
            *dst++ = static_cast<char>(code >> 8);
            *dst++ = static_cast<char>(code & 0xFF);
        }
    }
    result.bytes.resize(static_cast<size_t>(dst - result.bytes.data()));
    return result;
}

int byteWidth(char32_t c)
{
    if (c < 0x80)
        return 1;
    if (c > 0xFFFF)
        return kUnrepresentableWidth;
    const std::uint16_t code = tables().code[c];
    if (code == kNoCode)
        return kUnrepresentableWidth;
    return code < 0x100 ? 1 : 2;
}

std::size_t byteLength(std::u16string_view text)
{
    const Tables &t = tables();
    std::size_t length = 0;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        const char16_t c = text[i];
        if (c < 0x80) {
            ++length;
            continue;
        }
        const std::uint16_t code = t.code[c];
        if (code == kNoCode) {
            length += kUnrepresentableWidth;
            if (isHighSurrogate(c) && i + 1 < n && isLowSurrogate(text[i + 1]))
                ++i;
        } else {
            length += code < 0x100 ? 1 : 2;
        }
    }
    return length;
}

} // namespace velmo::cp932
