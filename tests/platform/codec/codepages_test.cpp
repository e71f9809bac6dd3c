#include "platform/codepages.h"
#include "platform/cp932codec.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

namespace cp = velmo::codepage;

TEST(CodePages, CharsetToCodePage)
{
    const std::pair<int, int> cases[] = {
        {0, 1252},    {2, cp::kSymbol}, {77, 10000}, {128, 932},  {129, 949}, {130, 1361},
        {134, 936},   {136, 950},       {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255},
        {178, 1256},  {186, 1257},      {204, 1251}, {222, 874},  {238, 1250}, {254, 437},
        {255, 932},
    };
    for (auto [charset, codePage] : cases)
        EXPECT_EQ(cp::codePageForCharset(charset, 932), codePage) << charset;
    // DEFAULT_CHARSET and anything unknown follow the document's code page.
    EXPECT_EQ(cp::codePageForCharset(1, 932), 932);
    EXPECT_EQ(cp::codePageForCharset(1), 1252);
    EXPECT_EQ(cp::codePageForCharset(99, 1251), 1251);
}

TEST(CodePages, DecodeAndEncodeSamples)
{
    struct Case {
        int codePage;
        std::string bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {1252, "caf\xE9 \x80 \x93q\x94", u"caf\u00E9 \u20AC \u201Cq\u201D"},
        {1251, "\xCF\xF0\xE8", u"\u041F\u0440\u0438"},
        {1253, "\xE1\xE2", u"\u03B1\u03B2"},
        {932, "\x93\xFA\x96\x7B\xB1", u"\u65E5\u672C\uFF71"},
        {936, "\xC4\xE3\xBA\xC3", u"\u4F60\u597D"},
        {949, "\xC7\xD1\xB1\xDB", u"\uD55C\uAE00"},
        {950, "\xA4\xA4\xA4\xE5", u"\u4E2D\u6587"},
        {10000, "\x8A", u"\u00E4"},
        {1258, "\xE0" "a\xF2", u"\u00E0\u1EA1"},            // a letter and a combining mark
        {cp::kSymbol, "\xB7\x41", u"\uF0B7\uF041"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.codePage);
        EXPECT_EQ(cp::decode(c.codePage, c.bytes), c.text);
        EXPECT_EQ(cp::encode(c.codePage, c.text), c.bytes);
        EXPECT_TRUE(cp::isSupported(c.codePage));
    }
}

TEST(CodePages, DamagedBytesDecodeToReplacements)
{
    struct Case {
        int codePage;
        std::string bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {936, "\xC4", u"\uFFFD"},                     // lead byte cut off at the end
        {936, "a\xC4\xE3\xC4", u"a\u4F60\uFFFD"},
        {949, "\xC7 x", u"\uFFFD x"},                 // lead byte with no trail
        {1258, "a\x81", u"a\uFFFD"},                 // the held-back letter is kept
        {1252, "\x81\x8D", u"\u0081\u008D"},          // unassigned: C1 controls, as Windows
        {932, "\x82", u"\uF782"},                     // 932 keeps the byte itself
        {99999, "caf\xE9", u"caf\u00E9"},             // unknown code page: read as 1252
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.codePage);
        EXPECT_EQ(cp::decode(c.codePage, c.bytes), c.text);
    }
    EXPECT_FALSE(cp::isSupported(99999));
}

TEST(CodePages, MacJapaneseCodesOfApplesOwn)
{
    struct Case {
        std::string bytes;
        std::u16string text;
        std::string written; // empty: as read
    };
    const Case cases[] = {
        {"\x85\x40\x85\x53", u"\u2460\u2473", ""},             // circled 1 and 20
        {"\x85\x7E\x85\x80", u"\u2778\u2779", ""},             // a run across trail byte 0x7F
        {"\x85\xA8\x85\xF4", u"\u2169\u24B5", ""},             // roman ten, parenthesised z
        {"\x86\x40\x86\xD3", u"\u339C\u27A1", ""},             // square mm, black arrow
        {"\x87\x40\x87\x4D", u"\u3230\u3231", ""},             // row 0x87 is Apple's here, not 932's
        {"\x88\x6A\xEB\x69", u"\u30F7\uFE35", ""},             // katakana VA, vertical parenthesis
        {"\x85\xAB", u"XIII", "XIII"},                              // a sequence of characters
        {"\xEB\x41\xED\x40", u"\u3001\u30A1", "\x81\x41\x83\x40"}, // vertical forms of plain kana
        {"\x82\xA0\x85\x30", u"\u3042\uF785\u0030", ""},           // no code of Apple's: bytes kept
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(cp::decode(cp::kMacJapanese, c.bytes), c.text);
        EXPECT_EQ(cp::encode(cp::kMacJapanese, c.text), c.written.empty() ? c.bytes : c.written);
    }
    // Code page 932's own row 0x87 is not Mac Japanese.
    EXPECT_EQ(cp::decode(932, "\x87\x40"), u"\u2460");
}

TEST(CodePages, EncodeRefusesWhatTheCodePageLacks)
{
    EXPECT_FALSE(cp::encode(1252, u"\u3042").has_value());
    EXPECT_FALSE(cp::canEncode(936, u"\U0001F600"));
    EXPECT_FALSE(cp::canEncode(932, u"\u00A5"));       // best fit only: reads back as '\'
    EXPECT_FALSE(cp::canEncode(932, u"\u301C"));       // written as 0x8160, which reads back as U+FF5E
    EXPECT_FALSE(cp::canEncode(cp::kSymbol, u"\u3042"));
    EXPECT_TRUE(cp::canEncode(cp::kSymbol, u"a\u00E9\uF0FF"));
    EXPECT_TRUE(cp::canEncode(1252, u""));
}

TEST(CodePages, LeadBytes)
{
    struct Case {
        int codePage;
        unsigned char byte;
        bool lead;
    };
    const Case cases[] = {
        {932, 0x80, false}, {932, 0x81, true},  {932, 0x9F, true},  {932, 0xA0, false}, {932, 0xB1, false},
        {932, 0xE0, true},  {932, 0xFC, true},  {932, 0xFD, false}, {932, 'A', false},
        {936, 0x81, true},  {936, 0xFE, true},  {936, 0x80, false}, {949, 0xC7, true},
        {950, 0xA4, true},  {1252, 0x93, false}, {cp::kSymbol, 0xB7, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(cp::isLeadByte(c.codePage, c.byte), c.lead) << c.codePage << " " << int(c.byte);
}

TEST(CodePages, ManyCodePagesInOneFile)
{
    // A hostile file may name thousands of code pages; each still converts correctly.
    for (int i = 0; i < 300; ++i) {
        const int unknown = 40000 + i;
        ASSERT_EQ(cp::decode(unknown, "\xE9"), u"\u00E9") << unknown;
        ASSERT_EQ(cp::decode(1251, "\xCF"), u"\u041F") << i;
        ASSERT_EQ(cp::encode(i % 2 ? 1251 : unknown, u"\u00E9"), i % 2 ? std::nullopt : std::optional<std::string>("\xE9"));
    }
}

TEST(CodePages, ConvertersAreNotSharedBetweenThreads)
{
    // Each thread interleaves two code pages whose decoders keep state between calls.
    auto work = [](int seed) {
        std::string bytes;
        for (int i = 0; i < 2000; ++i)
            bytes += (i + seed) % 2 ? "\xC4\xE3" : "\xC7\xD1";
        for (int round = 0; round < 50; ++round) {
            const std::u16string a = cp::decode(936, bytes);
            const std::u16string b = cp::decode(949, bytes);
            if (a.size() != 2000 || b.size() != 2000 || cp::encode(936, a) != bytes || cp::encode(949, b) != bytes)
                return false;
        }
        return true;
    };
    std::vector<std::future<bool>> results;
    for (int t = 0; t < 4; ++t)
        results.push_back(std::async(std::launch::async, work, t));
    for (auto &r : results)
        EXPECT_TRUE(r.get());
}
