#include "platform/cp932codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace cp932 = velmo::cp932;

namespace {

std::string pairBytes(int code) { return {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)}; }

int codeOf(const std::string &bytes)
{
    return static_cast<unsigned char>(bytes[0]) << 8 | static_cast<unsigned char>(bytes[1]);
}

// Where several codes stand for one character, Windows writes the JIS X 0208 code first,
// then NEC row 13 (0x87), then the IBM extensions (0xFA..0xFC), and last the NEC-selected
// IBM extensions (0xED, 0xEE).
int preference(int code)
{
    const int lead = code >> 8;
    if (lead == 0x87)
        return 1;
    if (lead >= 0xFA)
        return 2;
    if (lead == 0xED || lead == 0xEE)
        return 3;
    return 0;
}

std::string hex(const std::string &bytes)
{
    std::string s;
    char buf[4];
    for (unsigned char b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", b);
        s += buf;
    }
    return s;
}

} // namespace

TEST(Cp932, EveryDoubleByteCodeComesBackAsItselfOrItsCanonicalDuplicate)
{
    std::map<char16_t, std::vector<int>> codesOfChar;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const std::u16string text = cp932::decode(pairBytes(lead << 8 | trail));
            if (text.size() == 1)
                codesOfChar[text[0]].push_back(lead << 8 | trail);
        }
    }
    // Code page 932 holds about 7,700 characters in two bytes plus 1,880 user-defined ones.
    EXPECT_GT(codesOfChar.size(), 9000u);

    int duplicates = 0;
    for (const auto &[c, codes] : codesOfChar) {
        const cp932::EncodeResult r = cp932::encode(std::u16string(1, c));
        ASSERT_TRUE(r.unrepresentable.empty()) << std::hex << int(c);
        ASSERT_EQ(r.bytes.size(), 2u) << std::hex << int(c);
        const int written = codeOf(r.bytes);
        int canonical = codes.front();
        for (int code : codes)
            if (preference(code) < preference(canonical))
                canonical = code;
        EXPECT_EQ(written, canonical) << "U+" << std::hex << int(c);
        duplicates += codes.size() > 1;
    }
    EXPECT_GT(duplicates, 300); // the NEC and IBM duplicates are really there
}

TEST(Cp932, WindowsMappings)
{
    struct Case {
        const char *bytes;
        char16_t expected;
    };
    const Case cases[] = {
        {"\x5C", u'\\'},        {"\x7E", u'~'},         // no yen sign, no overline
        {"\x81\x60", 0xFF5E},   {"\x81\x5F", 0xFF3C},   // FULLWIDTH TILDE, REVERSE SOLIDUS
        {"\x81\x7C", 0xFF0D},   {"\x81\x61", 0x2225},   // FULLWIDTH HYPHEN-MINUS, PARALLEL TO
        {"\x81\x5C", 0x2015},   {"\x81\x91", 0xFFE0},   // HORIZONTAL BAR, FULLWIDTH CENT
        {"\x81\x92", 0xFFE1},   {"\x81\xCA", 0xFFE2},   // FULLWIDTH POUND, NOT SIGN
        {"\x82\xA0", 0x3042},   {"\x88\x9F", 0x4E9C},   // HIRAGANA A, first level-1 kanji
        {"\x87\x40", 0x2460},   {"\xFA\x5C", 0x7E8A},   // NEC circled 1, IBM extension
        {"\xED\x40", 0x7E8A},   {"\xA1", 0xFF61},       // NEC-selected IBM, half-width katakana
        {"\xDF", 0xFF9F},       {"\xF0\x40", 0xE000},   // user-defined area, first
        {"\xF0\x7E", 0xE03E},   {"\xF0\x80", 0xE03F},   // across the gap at trail 0x7F
        {"\xF9\xFC", 0xE757},                           // user-defined area, last
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(hex(c.bytes));
        EXPECT_EQ(cp932::decode(c.bytes), std::u16string(1, c.expected));
    }
}

TEST(Cp932, InvalidBytesBecomeRawBytesAndSurviveEncoding)
{
    constexpr char16_t raw = cp932::kRawByteBase;
    struct Case {
        std::string bytes;
        std::u16string expected;
    };
    const Case cases[] = {
        {"\x82", {char16_t(raw + 0x82)}},                         // lone lead byte at the end
        {"ab\x82", {u'a', u'b', char16_t(raw + 0x82)}},
        {"\x82 ", {char16_t(raw + 0x82), u' '}},                  // lead byte, trail out of range
        {"\x81\x7F", {char16_t(raw + 0x81), 0x7F}},               // 0x7F is never a trail
        {"\x85\x40", {char16_t(raw + 0x85), u'@'}},               // unassigned row
        {"\x85\x82\xA0", {char16_t(raw + 0x85), 0x3042}},         // the trail starts afresh
        {"\x80\xA0\xFD\xFE\xFF", {0xF780, 0xF7A0, 0xF7FD, 0xF7FE, 0xF7FF}},
        {std::string("a\0b", 3), {u'a', 0, u'b'}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(hex(c.bytes));
        const std::u16string text = cp932::decode(c.bytes);
        EXPECT_EQ(text, c.expected);
        const cp932::EncodeResult back = cp932::encode(text);
        EXPECT_EQ(back.bytes, c.bytes);
        EXPECT_TRUE(back.unrepresentable.empty());
        for (char16_t ch : text) {
            if (cp932::isRawByte(ch)) {
                EXPECT_EQ(cp932::byteWidth(ch), 1);
            }
        }
    }
}

TEST(Cp932, AnyByteSequenceSurvivesDecodeAndEncode)
{
    // A duplicate code comes back canonical, which is the one change allowed: every
    // other byte comes back as it was.
    auto check = [](const std::string &bytes) {
        const std::u16string text = cp932::decode(bytes);
        ASSERT_EQ(cp932::byteLength(text), bytes.size()) << hex(bytes);
        const cp932::EncodeResult r = cp932::encode(text);
        ASSERT_TRUE(r.unrepresentable.empty()) << hex(bytes);
        ASSERT_EQ(r.bytes.size(), bytes.size()) << hex(bytes);
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == r.bytes[i])
                continue;
            ASSERT_LT(i + 1, bytes.size()) << hex(bytes);
            const std::u16string was = cp932::decode(bytes.substr(i, 2));
            ASSERT_EQ(was.size(), 1u) << hex(bytes) << "at " << i;
            ASSERT_EQ(cp932::decode(r.bytes.substr(i, 2)), was) << hex(bytes) << "at " << i;
            ++i;
        }
        // And the bytes written read as the same text: a canonical code never starts with a
        // byte that pairs with a lead byte standing alone before it.
        ASSERT_EQ(cp932::decode(r.bytes), text) << hex(bytes);
    };
    int changed = 0;
    for (int code = 0; code <= 0xFFFF; ++code) {
        const std::string bytes = pairBytes(code);
        check(bytes);
        changed += cp932::encode(cp932::decode(bytes)).bytes != bytes;
    }
    EXPECT_GT(changed, 300);  // the duplicates
    EXPECT_LT(changed, 1000); // and nothing else

    // EE EE is no character, so the first EE stands alone; EE 65 and EE 5B are duplicates
    // whose canonical codes (FB xx) would make a character with it.
    check("K\xEE\xEE\x65y");
    check("\xEE\xEE\x5B[Velmo]");

    // UTF-8 opened by mistake, and random bytes.
    check("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E caf\xC3\xA9 \xF0\x9F\x98\x80");
    std::mt19937 random(932);
    std::uniform_int_distribution<int> byte(0, 255), length(0, 64);
    for (int i = 0; i < 20000; ++i) {
        std::string bytes(static_cast<size_t>(length(random)), '\0');
        for (char &b : bytes)
            b = static_cast<char>(byte(random));
        check(bytes);
    }
}

TEST(Cp932, EncodeReportsCharactersItCannotHold)
{
    struct Case {
        std::u16string text;
        std::string bytes;
        std::vector<std::size_t> unrepresentable;
    };
    const Case cases[] = {
        {u"a\U0001F600b\uAC00c", "a?b?c", {1, 4}},       // emoji (a surrogate pair), hangul
        {u"\u00A5100", "?100", {0}},                     // YEN SIGN: 0x5C is a backslash here
        {u"x\xD800y\xDC00", "x?y?", {1, 3}},             // unpaired surrogates
        {u"\uFF5E\uFF3C\uFF61", "\x81\x60\x81\x5F\xA1", {}},
    };
    for (const Case &c : cases) {
        const cp932::EncodeResult r = cp932::encode(c.text);
        EXPECT_EQ(r.bytes, c.bytes) << hex(c.bytes);
        EXPECT_EQ(r.unrepresentable, c.unrepresentable) << hex(c.bytes);
    }
    EXPECT_EQ(cp932::encode(u"\uAC00", '_').bytes, "_");
}

TEST(Cp932, OtherSpellingsOfJisCharactersShareTheirCode)
{
    // A document from another program spells these JIS characters the other way; each is
    // written as its code without a word, and reads back in the code page 932 spelling.
    struct Case {
        std::u16string text;
        std::string bytes;
        std::u16string readBack;
    };
    const Case cases[] = {
        {u"\u3042\u301C", "\x82\xA0\x81\x60", u"\u3042\uFF5E"}, // WAVE DASH
        {u"\u2016", "\x81\x61", u"\u2225"},  {u"\u2212", "\x81\x7C", u"\uFF0D"},
        {u"\u00A2", "\x81\x91", u"\uFFE0"},  {u"\u00A3", "\x81\x92", u"\uFFE1"},
        {u"\u00AC", "\x81\xCA", u"\uFFE2"},  {u"\u2014", "\x81\x5C", u"\u2015"},
    };
    for (const Case &c : cases) {
        const cp932::EncodeResult r = cp932::encode(c.text);
        EXPECT_EQ(r.bytes, c.bytes) << hex(c.bytes);
        EXPECT_TRUE(r.unrepresentable.empty()) << hex(c.bytes);
        EXPECT_EQ(cp932::decode(r.bytes), c.readBack) << hex(c.bytes);
        EXPECT_EQ(cp932::byteLength(c.text), c.bytes.size());
    }
}

TEST(Cp932, ByteWidths)
{
    struct Case {
        char32_t c;
        int width;
    };
    const Case cases[] = {
        {U'A', 1},     {U'\0', 1},     {0x7F, 1},   {0xFF61, 1}, {0xFF9F, 1}, // ASCII, half-width kana
        {0xF782, 1},   {0xF741, 1},                                         // raw bytes
        {0x3042, 2},   {0x4E9C, 2},    {0xFF5E, 2}, {0x2460, 2}, {0xE000, 2}, {0xE757, 2},
        {0xE758, cp932::kUnrepresentableWidth},                             // past the user area
        {0x00A5, cp932::kUnrepresentableWidth},
        {0xAC00, cp932::kUnrepresentableWidth},  {0x1F600, cp932::kUnrepresentableWidth},
        {0xD800, cp932::kUnrepresentableWidth},  {0x110000, cp932::kUnrepresentableWidth},
    };
    for (const Case &c : cases)
        EXPECT_EQ(cp932::byteWidth(c.c), c.width) << std::hex << int(c.c);

    EXPECT_EQ(cp932::byteLength(u""), 0u);
    EXPECT_EQ(cp932::byteLength(u"a\uFF71\u3042\r\n"), 6u);
    // A surrogate pair is one character; an unpaired surrogate is one too.
    EXPECT_EQ(cp932::byteLength(u"\U0001F600"), std::size_t(cp932::kUnrepresentableWidth));
    EXPECT_EQ(cp932::byteLength(u"\xD83D" "a"), std::size_t(cp932::kUnrepresentableWidth) + 1);
}
