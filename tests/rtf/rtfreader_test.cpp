// The reader on hand-written RTF: what real writers put in files, and damaged input.
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace velmo::rtf;

namespace {

// A Japanese rich-edit style header: font 0 Shift-JIS, font 1 Windows-1252, two colours.
const std::string kHeader =
    "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1033\\deflangfe1041"
    "{\\fonttbl{\\f0\\fnil\\fcharset128 \\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9;}"
    "{\\f1\\fswiss\\fprq2\\fcharset0 Arial;}{\\f2\\froman\\fcharset2 Symbol;}}\r\n"
    "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue128;}\r\n"
    "\\viewkind4\\uc1\\pard\\lang1041\\f0\\fs20 ";

Document readBody(const std::string &body)
{
    ReadResult r = read(kHeader + body);
    EXPECT_TRUE(r.ok()) << r.message;
    return r.document;
}

std::string printable(const std::u16string &s)
{
    std::string out;
    for (char16_t c : s) {
        if (c >= 0x20 && c < 0x7F) {
            out += char(c);
        } else {
            char buf[16];
            std::snprintf(buf, sizeof buf, "<%04X>", unsigned(c));
            out += buf;
        }
    }
    return out;
}

struct TextCase {
    const char *name;
    std::string body;
    std::u16string text; // paragraphs joined by '\n'
};

TEST(RtfReader, TextAsWritersPutIt)
{
    const TextCase cases[] = {
        {"shift-jis pairs", "\\'82\\'a0\\'82\\'a2\\'93\\'fa\\'96\\'7b}", u"あい日本"},
        {"trail byte written as an escaped backslash", "\\'83\\\\\\'95\\\\}", u"ソ表"},
        {"trail byte written literally", "\\'82`}", u"Ａ"},
        {"half-width katakana", "\\'b1\\'b2}", u"ｱｲ"},
        {"latin font decodes as 1252", "\\f1 caf\\'e9 \\'80}", u"café €"},
        {"\\u with one fallback byte", "\\u26085?\\u26412?}", u"日本"},
        {"\\uc2 with a Shift-JIS fallback", "\\uc2\\u26085\\'93\\'fa\\u26412\\'96\\'7b}", u"日本"},
        {"\\uc0", "\\uc0\\u26085 x}", u"日x"},
        {"negative \\u: surrogate pair", "\\u-10179?\\u-8694?}", u"\U0001F60A"},
        {"brace ends a fallback", "\\uc3\\u26085{x}y}", u"日xy"},
        {"\\upr keeps the unicode half", "{\\upr{\\'93\\'fa?}{\\*\\ud{\\u26085?}}}}", u"日"},
        {"unknown starred destination", "{\\*\\generator Riched20 10.0;}{\\*\\foo bar}x}", u"x"},
        {"info, stylesheet, header", "{\\info{\\title T}{\\author A}}{\\stylesheet{\\s0 Normal;}}"
                                     "{\\header head\\par}{\\footer foot}x}", u"x"},
        {"picture with binary data", "{\\pict\\wmetafile8\\bin5 }{\\}{}x}", u"x"},
        {"field keeps its result", "{\\field{\\*\\fldinst HYPERLINK \"http://a\"}{\\fldrslt link}}"
                                   " {\\field{\\fldinst PAGE}{\\fldrslt 1}}}", u"link 1"},
        {"table: cells by tabs, rows by paragraphs",
         "\\trowd\\cellx100\\cellx200 a\\cell b\\cell\\row\\trowd\\cellx100\\cellx200 c\\cell\\cell\\row"
         "\\pard after}", u"a\tb\nc\t\nafter"},
        {"breaks, tabs and special characters",
         "a\\line b\\tab c\\emdash\\endash\\~\\{\\}\\\\\\bullet\\lquote\\rdblquote}",
         u"a\vb\tc—–\u00A0{}\\•‘”"},
        {"trailing paragraph mark", "a\\par b\\par\r\n}", u"a\nb"},
        {"empty last paragraph", "a\\par\\par}", u"a\n"},
        {"no paragraph mark", "a\\par b}", u"a\nb"},
        {"empty document", "}", u""},
        {"backslash line end is a paragraph", "a\\\nb}", u"a\nb"},
        {"hidden text is shown", "a{\\v hidden}b\\v c\\v0 d}", u"ahiddenbcd"},
        {"bullet text of old and new lists",
         "{\\pntext\\f2\\'b7\\tab}one\\par{\\listtext\\pard\\plain \\u8226\\'95\\tab}two}", u"one\ntwo"},
        {"line ends and control bytes in text", std::string("a\r\nb\x01" "c\td}"), u"abc\td"},
        {"page break ends a paragraph once", "a\\page b\\par\\page c}", u"a\nb\nc"},
        // As word processors show them: a section break ends a paragraph unless a paragraph
        // mark just did; a paragraph holding only a page break is one; so is a section's only.
        {"section break after a paragraph mark", "a\\par\\sect b\\sect c\\par\\sect}", u"a\nb\nc"},
        {"page and section break alone", "a\\par\\pard{\\page\\sect}\\sectd\\pard b\\par}", u"a\n\nb"},
        {"page break at the end", "a\\par\\page}", u"a\n"},
        {"two section breaks", "a\\par\\sect\\sect b\\par}", u"a\n\nb"},
    };
    for (const TextCase &c : cases) {
        SCOPED_TRACE(c.name);
        const Document d = readBody(c.body);
        EXPECT_EQ(printable(d.plainText()), printable(c.text));
    }
}

// Fields are not computed: what shows is the result their writer stored, however the
// writer marked it. A symbol field stored without a result shows its character.
TEST(RtfReader, FieldsShowWhatTheirWriterStored)
{
    const TextCase cases[] = {
        {"hyperlink with a starred result",
         "mail <{\\field{\\*\\fldinst {\\f1 HYPERLINK \"mailto:a@b.jp\"}}{\\*\\fldrslt {\\f1 a@b.jp}}}>}",
         u"mail <a@b.jp>"},
        {"Japanese link text", "\\'8f\\'da\\'82\\'b5\\'82\\'ad\\'82\\'cd{\\field{\\*\\fldinst HYPERLINK \"#s\"}"
                               "{\\*\\fldrslt \\'8e\\'d0\\'93\\'e0}}}", u"詳しくは社内"},
        {"fields in a result", "{\\field{\\*\\fldinst HYPERLINK \"#p\"}{\\fldrslt page "
                               "{\\field{\\*\\fldinst PAGE}{\\fldrslt 3}}}}}", u"page 3"},
        {"a field in an instruction is no text",
         "{\\field{\\*\\fldinst IF {\\field{\\*\\fldinst PAGE}{\\fldrslt 1}} = 1 \"a\" \"b\"}{\\fldrslt a}}}", u"a"},
        {"no stored result", "foo{\\field{\\*\\fldinst {\\f1 PAGE }}}bar}", u"foobar"},
        {"symbol in a listed symbol font", "{\\field{\\*\\fldinst SYMBOL 183 \\\\f \"Symbol\" \\\\s 10}{\\fldrslt }}}",
         u"\uF0B7"},
        {"symbol stored with its result", "{\\field{\\*\\fldinst SYMBOL 183 \\\\f \"Symbol\"}{\\fldrslt\\f2 \\'b7}}}",
         u"\uF0B7"},
        {"symbol by Unicode", "{\\field{\\*\\fldinst SYMBOL 9733 \\\\u}{\\fldrslt}}}", u"★"},
        {"symbol by Shift-JIS code", "{\\field{\\*\\fldinst SYMBOL 0x82A0 \\\\j}{\\fldrslt}}}", u"あ"},
        {"symbol in the current font", "{\\field{\\*\\fldinst SYMBOL 65}}}", u"A"},
        {"symbol field cut off", "{\\field{\\*\\fldinst SYMBOL 66}", u"B"},
        {"not a number", "{\\field{\\*\\fldinst SYMBOL x}{\\fldrslt}}{\\field{\\*\\fldinst SYMBOL}}"
                         "{\\field{\\*\\fldinst SYMBOL 9}}{\\field{\\*\\fldinst SYMBOL 99999999999}}}", u""},
        {"formula lowering its text", "Sub{\\field{\\*\\fldinst{ EQ \\\\s\\\\do5({\\fs16 1})}}{\\fldrslt }}}", u"Sub1"},
        {"formula raising its text", "x{\\field{\\*\\fldinst eq \\\\s \\\\up 8(2 a)}}}", u"x2 a"},
        {"other formulas, and one stored with its result",
         "{\\field{\\*\\fldinst EQ \\\\f(1,2)}{\\fldrslt }}{\\field{\\*\\fldinst EQ \\\\s\\\\up8(a)}{\\fldrslt b}}"
         "{\\field{\\*\\fldinst EQUATION \\\\s\\\\up8(c)}}{\\field{\\*\\fldinst EQ \\\\s\\\\do5(d}}}", u"b"},
    };
    for (const TextCase &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(printable(readBody(c.body).plainText()), printable(c.text));
    }

    // A font the document does not list: the code is Latin-1, in that font, at that size.
    const Document d = readBody("{\\fs20 a{\\field{\\*\\fldinst SYMBOL 253 \\\\f \"Wingdings\" \\\\s 5.5}"
                                "{\\fldrslt\\f1\\fs10}}b}}");
    ASSERT_EQ(d.paragraphs.size(), 1u);
    const auto &runs = d.paragraphs[0].runs;
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[1].text, u"\u00FD");
    EXPECT_EQ(runs[1].format.face, u"Wingdings");
    EXPECT_EQ(runs[1].format.sizeHalfPoints, 11);
    EXPECT_EQ(runs[2].format.face, runs[0].format.face);
    EXPECT_EQ(runs[2].format.sizeHalfPoints, 20);
}

TEST(RtfReader, CharacterFormats)
{
    // Word-style font switching, sizes, colours and every style with its "off" form.
    const Document d = readBody(
        "\\loch\\f1 ab\\dbch\\f0 \\'82\\'a0\\plain "
        "\\fs21\\b\\i\\ul\\strike\\cf1\\highlight2 x\\b0\\i0\\ulnone\\strike0\\cf0\\highlight0 y"
        "{\\uldb z}\\plain w\\par}");
    ASSERT_EQ(d.paragraphs.size(), 1u);
    const auto &runs = d.paragraphs[0].runs;
    ASSERT_EQ(runs.size(), 6u);

    EXPECT_EQ(runs[0].text, u"ab");
    EXPECT_EQ(runs[0].format.face, u"Arial");
    EXPECT_EQ(runs[0].format.charset, 0);
    EXPECT_EQ(runs[0].format.pitchAndFamily, kFamilySwiss | kVariablePitch);
    EXPECT_EQ(runs[0].format.sizeHalfPoints, 20);

    EXPECT_EQ(runs[1].text, u"あ");
    EXPECT_EQ(runs[1].format.face, u"ＭＳ 明朝");
    EXPECT_EQ(runs[1].format.charset, kShiftJisCharset);

    EXPECT_EQ(runs[2].text, u"x");
    EXPECT_EQ(runs[2].format.face, u"ＭＳ 明朝"); // \plain returns to the default font
    EXPECT_EQ(runs[2].format.sizeHalfPoints, 21);
    EXPECT_DOUBLE_EQ(runs[2].format.points(), 10.5);
    EXPECT_TRUE(runs[2].format.bold && runs[2].format.italic && runs[2].format.underline
                && runs[2].format.strikeOut);
    EXPECT_EQ(runs[2].format.colour, Colour(0x0000FF));
    EXPECT_EQ(runs[2].format.highlight, Colour(0x800000));

    EXPECT_EQ(runs[3].text, u"y");
    EXPECT_FALSE(runs[3].format.bold || runs[3].format.italic || runs[3].format.underline
                 || runs[3].format.strikeOut);
    EXPECT_EQ(runs[3].format.colour, Colour{});
    EXPECT_EQ(runs[3].format.highlight, Colour{});

    EXPECT_EQ(runs[4].text, u"z");
    EXPECT_TRUE(runs[4].format.underline);
    EXPECT_EQ(runs[5].text, u"w");
    EXPECT_EQ(runs[5].format.sizeHalfPoints, kDefaultSizeHalfPoints);

    EXPECT_EQ(d.defaultFormat.face, u"ＭＳ 明朝");
    EXPECT_EQ(d.defaultFormat.sizeHalfPoints, kDefaultSizeHalfPoints);
}

TEST(RtfReader, ParagraphFormats)
{
    const Document d = readBody(
        "\\qc centre\\par\\pard\\qr right\\par\\pard\\qj justified\\par"
        "\\pard\\fi-360\\li720\\ri240 indented\\par"
        "\\pard{\\pntext\\f2\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'b7}}\\fi-200\\li200 old bullet\\par"
        "\\pard\\ls1\\ilvl0 list the file does not define\\par"
        "\\pard plain\\par"
        "{\\qc grouped}\\par}");
    ASSERT_EQ(d.paragraphs.size(), 8u);
    const auto &p = d.paragraphs;
    EXPECT_EQ(p[0].align, Alignment::Centre);
    EXPECT_EQ(p[1].align, Alignment::Right);
    EXPECT_EQ(p[2].align, Alignment::Left);
    EXPECT_EQ(p[3].firstIndentTwips, -360);
    EXPECT_EQ(p[3].leftIndentTwips, 720);
    EXPECT_EQ(p[3].rightIndentTwips, 240);
    EXPECT_DOUBLE_EQ(p[3].leftIndentPoints(), 36.0);
    EXPECT_TRUE(p[4].bullet);
    EXPECT_EQ(p[4].text(), u"old bullet");
    EXPECT_FALSE(p[5].bullet);
    EXPECT_FALSE(p[6].bullet);
    EXPECT_EQ(p[6].leftIndentTwips, 0);
    // Paragraph formatting is the one in effect at the paragraph mark.
    EXPECT_EQ(p[7].align, Alignment::Left);
}

TEST(RtfReader, CodePagesFollowFontsAndDocument)
{
    // \ansicpg decides for fonts of the default character set; \fcharset for the others.
    const std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset1 Def;}{\\f1\\fcharset134 Song;}"
        "{\\f2\\fcharset129 Gulim;}{\\f3\\fcharset136 Ming;}{\\f4\\fcharset2 Symbol;}"
        "{\\f5\\fcharset128 \\'82\\'6c\\'82\\'72 \\'83\\'53\\'83\\'56\\'83\\'62\\'83\\'4e;}}"
        "\\f0\\'c0\\f1\\'d6\\'d0\\f2\\'c7\\'d1\\f3\\'a4\\'a4\\f4\\'b7\\f5\\'82\\'a0}";
    const ReadResult r = read(rtf);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(printable(r.document.plainText()), printable(u"\u0410中한中\uF0B7あ"));
    EXPECT_EQ(r.document.paragraphs[0].runs.back().format.face, u"ＭＳ ゴシック");
}

TEST(RtfReader, TextOfOtherSystemsAndDamagedFiles)
{
    // Files from Mac word processors and from writers of unescaped Shift-JIS, as those
    // programs and other readers show them.
    const struct {
        const char *name;
        std::string rtf;
        std::u16string text;
    } cases[] = {
        {"Mac Japanese font", "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset78 Osaka;}}"
                              "\\f0 \\'82\\'cd\\'82\\'b6\\'82\\'df\\'82\\'c9 \\'fd\\'fe\\'ff\\'80\\'a0}",
         u"はじめに ©™…\\\u00A0"},
        {"Mac Japanese document", "{\\rtf1\\mac\\ansicpg10001{\\fonttbl{\\f0 Osaka;}}\\f0 \\'82\\'cd\\'82\\'b6\\'ff}",
         u"はじ…"},
        {"Mac Roman font", "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset77 Geneva;}}\\f0 \\'80\\'8a\\'d2}", u"Ää“"},
        {"Mac Roman document", "{\\rtf1\\ansi\\ansicpg10000{\\fonttbl{\\f0 Geneva;}}\\f0 \\'80\\'8a}", u"Ää"},
        {"charset beyond the table: the document's code page",
         "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset256 Helvetica;}}\\f0 \\'c4}", u"Ä"},
        {"raw Shift-JIS whose second byte is a backslash or a brace",
         "{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 \x82\x6c\x82\x72 \x96\xbe\x92\xa9;}"
         "{\\f1\\fcharset0 Arial;}}\\f0 \x83\x5c\x95\x5c\x81\x7b\x81\x7d{\\b \x83\x5c}\\par"
         "\\f1 \x83\\tab x}",
         u"ソ表＋±ソ\n\u0192\tx"},
        {"a stray lead byte in a skipped destination closes it as usual",
         "{\\rtf1\\ansicpg932{\\*\\generator x\x82}after}", u"after"},
        {"carriage returns and line feeds as escapes end paragraphs",
         "{\\rtf1 foo\\'0dbar\\'0abaz\\u13?\\u10?quux}", u"foo\nbar\nbaz\n\nquux"},
        {"cell text in a nested table's properties", "{\\rtf1 a{\\*\\nesttableprops cell}b}", u"acellb"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const ReadResult r = read(c.rtf);
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(printable(r.document.plainText()), printable(c.text));
    }

    // The face name of a double-byte font written unescaped is read the same way.
    const ReadResult face = read("{\\rtf1{\\fonttbl{\\f0\\fcharset128 \x83\x5c\x83\x74\x83\x67;}}\\f0 x}");
    ASSERT_TRUE(face.ok());
    EXPECT_EQ(face.document.defaultFormat.face, u"ソフト");
}

// Paragraphs as "text" for the body and "n[text]" for frame n's.
std::string framed(const Document &d)
{
    std::string out;
    for (const Paragraph &p : d.paragraphs)
        out += (p.frame ? std::to_string(p.frame) + "[" : "") + printable(p.text()) + (p.frame ? "] " : " ");
    return out;
}

TEST(RtfReader, FramesTextBoxesAndShapesKeepTheirText)
{
    // A text box's paragraphs come before the body paragraph it is anchored in, whose text
    // stays whole; a paragraph placed on the page is a frame's. Each box is a frame of its
    // own, and so are neighbouring paragraphs placed differently.
    const struct {
        const char *name;
        std::string body;
        std::string paragraphs;
    } cases[] = {
        {"text box in the middle of a paragraph",
         "a{\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 202}}{\\shptxt\\pard\\qc in box\\par}}"
         "{\\shprslt{\\*\\do\\dptxbx{\\dptxbxtext in box\\par}}}}b\\par next}",
         "1[in box] ab next "},
        {"text boxes in a group of shapes",
         "a{\\shpgrp{\\*\\shpinst{\\shp{\\*\\shpinst{\\shptxt one\\par}}}{\\shp{\\*\\shpinst{\\shptxt two}}}}}b}",
         "1[one] 2[two] ab "},
        {"text box of an old-style drawing object", "a{\\*\\do\\dobxpage\\dptxbx{\\dptxbxtext\\pard in box\\par}\\dpx10}b}",
         "1[in box] ab "},
        {"old-style text boxes one after the other",
         "{\\*\\do\\dptxbx{\\dptxbxtext a\\par}}{\\*\\do\\dprect}{\\*\\do\\dptxbx{\\dptxbxtext b\\par}}}",
         "1[a] 2[b] "},
        {"text box in a table cell", "\\intbl A\\cell{\\shp{\\*\\shpinst{\\shptxt C\\par}}}B\\cell\\row after}",
         "1[C] A<0009>B after "},
        {"a shape's text cut off by the end of the file", "a{\\shp{\\*\\shpinst{\\shptxt\\pard cut", "1[cut] a "},
        {"a note in a text box, cut off", "a{\\shp{\\*\\shpinst{\\shptxt\\footnote note", "2[1] a "},
        {"paragraphs placed on the page until \\pard",
         "\\phpg\\pvpg\\posx100\\posy200\\absw3000 one\\par two\\par\\pard body\\par}", "1[one] 1[two] body "},
        {"placed alike in other words, placed differently, placed alike after body text",
         "\\pard\\phpg\\posx100 a\\par\\pard\\posx100\\phpg b\\par\\pard\\phpg\\posx200 c\\par"
         "\\pard\\phpg\\posx200\\posy1 d\\par\\pard\\phmrg\\phpg\\posx200\\posy1 e\\par\\pard f\\par"
         "\\pard\\phpg\\posx200 g\\par}",
         "1[a] 1[b] 2[c] 3[d] 3[e] f 4[g] "},
        {"placed by alignment or by anchor alone",
         "\\pard\\posxc a\\par\\pard\\pvpara b\\par\\pard\\absh-300 c\\par\\pard d}", "1[a] 2[b] 3[c] d "},
        {"sizes of zero place nothing", "\\pard\\absw0\\posx0\\posy0 a\\par\\pard b}", "a b "},
        {"notes numbered as their marks stand, the box's text before its paragraph",
         "a{\\footnote x}b{\\shp{\\*\\shpinst{\\shptxt c{\\footnote y}\\par}}}d\\par}", "2[c1] a2bd "},
        {"frames numbered in the order of the text, a note's before its paragraph",
         "\\pard\\posx100 a{\\footnote x}{\\shp{\\*\\shpinst{\\shptxt b\\par}}}\\par}", "1[b] 3[a1] "},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const Document d = readBody(c.body);
        EXPECT_EQ(framed(d), c.paragraphs);
        // Written and read again, every frame stays what it was.
        Document again = read(write(d)).document;
        again.dropped = d.dropped;
        EXPECT_EQ(framed(again), framed(d));
        EXPECT_TRUE(again == d);
    }

    // The text box's own paragraph format stays inside it.
    const Document d = readBody("{\\shp{\\*\\shpinst{\\shptxt\\pard\\qr\\li200 box\\par}}}after\\par}");
    ASSERT_EQ(d.paragraphs.size(), 2u);
    EXPECT_EQ(d.paragraphs[0].align, Alignment::Right);
    EXPECT_EQ(d.paragraphs[1].align, Alignment::Left);
    EXPECT_EQ(d.paragraphs[1].leftIndentTwips, 0);
    EXPECT_FALSE(d.paragraphs[1].frame);
}

TEST(RtfReader, HiddenTextAndNotesAreKept)
{
    const Document d = readBody(
        "before{\\super\\chftn}{\\footnote\\pard\\plain{\\super\\chftn} note\\par second}"
        "{\\v hidden}{\\super\\chftn}{\\footnote\\ftnalt end}after\\par}");
    ASSERT_EQ(d.paragraphs.size(), 1u);
    EXPECT_EQ(d.dropped, kDroppedNothing);
    EXPECT_EQ(printable(d.plainText()), "before1hiddeniafter");
    const auto &runs = d.paragraphs[0].runs;
    ASSERT_EQ(runs.size(), 5u);
    ASSERT_TRUE(runs[1].note);
    EXPECT_EQ(runs[1].note->kind, Note::Kind::Footnote);
    ASSERT_EQ(runs[1].note->paragraphs.size(), 2u);
    EXPECT_EQ(runs[1].note->paragraphs[0].text(), u" note");
    EXPECT_EQ(runs[1].note->paragraphs[1].text(), u"second");
    EXPECT_TRUE(runs[2].format.hidden);
    EXPECT_FALSE(runs[3].format.hidden);
    ASSERT_TRUE(runs[3].note);
    EXPECT_EQ(runs[3].note->kind, Note::Kind::Endnote);
    EXPECT_EQ(runs[3].note->paragraphs.at(0).text(), u"end");

    // A note cut off by the end of the file keeps what it holds.
    const Document cut = readBody("a{\\footnote note");
    ASSERT_EQ(cut.paragraphs.size(), 1u);
    ASSERT_EQ(cut.paragraphs[0].runs.size(), 2u);
    ASSERT_TRUE(cut.paragraphs[0].runs[1].note);
    EXPECT_EQ(cut.paragraphs[0].runs[1].note->paragraphs.at(0).text(), u"note");
}

TEST(RtfReader, NumberedLists)
{
    using Style = Numbering::Style;
    // Word's list table (\ls through the override table to a list), and the old-style
    // numbering that rich-edit controls and older writers use.
    const Document d = readBody(
        "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc0\\levelstartat3{\\leveltext\\'02\\'00.;}"
        "{\\levelnumbers\\'01;}}{\\listlevel\\levelnfc4\\levelstartat1}{\\listname ;}\\listid7}"
        "{\\list{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8226 ?;}}\\listid8}"
        "{\\list{\\listlevel\\levelnfc1\\levelstartat1}\\listid9}}"
        "{\\*\\listoverridetable{\\listoverride\\listid7\\listoverridecount0\\ls1}"
        "{\\listoverride\\listid8\\ls2}{\\listoverride\\listid9\\ls3}}"
        "\\pard{\\listtext 3.\\tab}\\ls1 three\\par"
        "\\pard\\ls1\\ilvl1 sub a\\par"
        "\\pard\\ls2 bullet\\par"
        "\\pard\\ls3 roman\\par"
        "\\pard\\ls4 unknown list\\par"
        "\\pard{\\pntext 2.\\tab}{\\*\\pn\\pnlvlbody\\pnstart2\\pndec{\\pntxta .}}old decimal\\par"
        "\\pard{\\*\\pn\\pnlvlbody\\pnucltr}old letter\\par"
        "\\pard{\\*\\pn\\pnlvlbody\\pnlcrm\\pnstart4}old roman\\par"
        "\\pard{\\*\\pn\\pnlvlcont}continued\\par}");
    const struct {
        bool item;
        Style style;
        int start;
    } expected[] = {
        {true, Style::Decimal, 3}, {true, Style::LowerLetter, 1}, {true, Style::Bullet, 1},
        {true, Style::UpperRoman, 1}, {false, Style::Bullet, 1}, {true, Style::Decimal, 2},
        {true, Style::UpperLetter, 1}, {true, Style::LowerRoman, 4}, {false, Style::Bullet, 1},
    };
    ASSERT_EQ(d.paragraphs.size(), std::size(expected)) << printable(d.plainText());
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(printable(d.paragraphs[i].text()));
        EXPECT_EQ(d.paragraphs[i].bullet, expected[i].item);
        if (expected[i].item) {
            EXPECT_EQ(d.paragraphs[i].numbering.style, expected[i].style);
            EXPECT_EQ(d.paragraphs[i].numbering.start, expected[i].start);
        }
    }
    EXPECT_EQ(d.paragraphs[0].text(), u"three"); // the label is no text of the paragraph

    const struct {
        Numbering numbering;
        int index;
        std::u16string label;
    } labels[] = {
        {{Style::Decimal, 1}, 0, u"1."},      {{Style::Decimal, 3}, 9, u"12."},
        {{Style::LowerLetter, 1}, 1, u"b."},  {{Style::UpperLetter, 1}, 26, u"AA."},
        {{Style::LowerRoman, 1}, 3, u"iv."},  {{Style::UpperRoman, 1}, 1993, u"MCMXCIV."},
        {{Style::UpperRoman, 0}, 0, u"0."},   {{Style::Bullet, 1}, 5, u"\u2022"},
        {{Style::DecimalZero, 1}, 0, u"01."}, {{Style::DecimalZero, 0}, 10, u"10."},
    };
    for (const auto &l : labels)
        EXPECT_EQ(printable(numberLabel(l.numbering, l.index)), printable(l.label));
}

// The labels word processors show: one list counts on over plain paragraphs and over its
// sub-lists, a sub-list restarts under each item, overrides of one \listid share the count,
// and a level's text puts the numbers of the levels above in its label.
TEST(RtfReader, ListsCountAsWordProcessorsCount)
{
    const std::string tables =
        "{\\*\\listtable{\\list{\\listlevel\\levelnfc0\\levelstartat1{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}}"
        "{\\listlevel\\levelnfc0\\levelstartat1{\\leveltext\\'04\\'00.\\'01.;}{\\levelnumbers\\'01\\'03;}}"
        "{\\listlevel\\levelnfc23{\\leveltext\\'01\\u9702 ?;}{\\levelnumbers;}}\\listid1}"
        "{\\list{\\listlevel\\levelnfc4\\levelstartat3{\\leveltext\\'03(\\'00);}{\\levelnumbers\\'02;}}"
        "{\\listlevel\\levelnfc2{\\leveltext\\'02\\'01.;}{\\levelnumbers\\'01;}}\\listid2}"
        "{\\list{\\listlevel\\levelnfc23{\\leveltext\\'01\\'b7;}{\\levelnumbers;}}\\listid3}"
        "{\\list{\\listlevel\\levelnfc22\\levelstartat9{\\leveltext\\'02\\'00.;}{\\levelnumbers\\'01;}}"
        "{\\listlevel\\levelnfc22\\levelnfcn22{\\leveltext\\'04\\'00.\\'01.;}{\\levelnumbers\\'01\\'03;}}\\listid4}}"
        "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}{\\listoverride\\listid1\\ls2}"
        "{\\listoverride\\listid2\\ls3}{\\listoverride\\listid3\\ls4}{\\listoverride\\listid4\\ls5}}";
    const struct {
        const char *name;
        std::string body;
        std::u16string labels; // the paragraphs' labels, "-" for no label, one a line
    } cases[] = {
        {"sub-list and plain paragraph between items",
         "\\pard\\ls1 a\\par\\pard\\ls1 b\\par\\pard\\ls1\\ilvl1 b1\\par\\pard\\ls2\\ilvl1 b2\\par"
         "\\pard plain\\par\\pard\\ls1 c\\par\\pard\\ls1\\ilvl1 c1\\par",
         u"1.\n2.\n2.1.\n2.2.\n-\n3.\n3.1."},
        {"a level's own text and start, a bullet character of the file",
         "\\pard\\ls3 x\\par\\pard\\ls3 y\\par\\pard\\ls3\\ilvl1 y1\\par\\pard\\ls1\\ilvl2 dot\\par"
         "\\pard\\ls3 z\\par",
         u"(c)\n(d)\ni.\n\u25E6\n(e)"},
        {"a bullet in a symbol font's code is a round bullet", "\\pard\\ls4 s\\par", u"\u2022"},
        {"a level above with no item yet shows its first number",
         "\\pard\\ls1\\ilvl1 deep\\par\\pard\\ls1 top\\par", u"1.1.\n1."},
        {"numbers with a leading zero below ten",
         "\\pard\\ls5 a\\par\\pard\\ls5\\ilvl1 a1\\par\\pard\\ls5 b\\par", u"09.\n09.01.\n10."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const Document d = read("{\\rtf1\\ansi" + tables + c.body + "}").document;
        std::u16string labels;
        ListNumberer numberer;
        for (const Paragraph &p : d.paragraphs) {
            const std::u16string label = numberer.next(p);
            labels += (labels.empty() ? u"" : u"\n") + (p.bullet ? label : u"-");
        }
        EXPECT_EQ(printable(labels), printable(c.labels));
        // Written and read again, every item keeps its list, level and label.
        EXPECT_EQ(read(write(d)).document, d);
    }
}

// A list in a table cell: Velmo keeps a row as one paragraph with tabs between the cells,
// but a list item is a paragraph of its own, ending with its cell, so that its label stands
// before its own text and not before the row's.
TEST(RtfReader, ListItemsInTableCellsAreParagraphsOfTheirOwn)
{
    const Document d = read("{\\rtf1{\\*\\listtable{\\list{\\listlevel\\levelnfc23}\\listid1}}"
                            "{\\*\\listoverridetable{\\listoverride\\listid1\\ls1}}"
                            "\\trowd\\pard\\intbl Menu\\cell\\pard\\intbl\\ls1 Home\\par\\pard\\intbl\\ls1 News\\cell"
                            "\\pard\\intbl More\\cell\\row\\pard After\\par}")
                           .document;
    std::u16string shown;
    for (const Paragraph &p : d.paragraphs)
        shown += (p.bullet ? u"* " : u"") + p.text() + u"\n";
    EXPECT_EQ(printable(shown), printable(u"Menu\n* Home\n* News\nMore\nAfter\n"));
}

TEST(RtfReader, RefusesWhatIsNotRtf)
{
    for (const char *input : {"", "plain text", "{rtf1}", "\\rtf1", "{\\rt"}) {
        const ReadResult r = read(input);
        EXPECT_EQ(r.error, ReadError::NotRtf) << input;
        EXPECT_FALSE(r.message.empty());
    }
    EXPECT_TRUE(looksLikeRtf("\r\n  {\\rtf1}"));
    EXPECT_TRUE(read("{\\rtf}").ok());
}

struct DamageCase {
    const char *name;
    std::string rtf;
    std::u16string text;
};

TEST(RtfReader, DamagedInputGivesTheTextThatIsThere)
{
    const DamageCase cases[] = {
        {"unclosed group", "{\\rtf1 abc{\\b def", u"abcdef"},
        {"extra closing braces", "{\\rtf1 abc}}}} def", u"abc"},
        {"truncated hex escape at the end", "{\\rtf1 a\\'4", u"a"},
        {"malformed hex escape", "{\\rtf1 a\\'zzb}", u"azzb"},
        {"lone lead byte before the end", "{\\rtf1\\ansicpg932 a\\'82}", u"a\uF782"},
        {"\\bin longer than the input", "{\\rtf1 x\\bin99999 abc}", u"x"},
        {"negative \\bin", "{\\rtf1 x\\bin-5 abc}", u"xabc"},
        {"huge parameters", "{\\rtf1 \\fs99999999999999999999\\u99999999999 \\li-99999999999 a}", u"\uFFFFa"},
        {"huge \\uc", "{\\rtf1 \\uc2147483647\\u65 skipped{kept}}", u"Akept"},
        {"backslash at the end", "{\\rtf1 a\\", u"a"},
        {"font numbers at the end of the range", "{\\rtf1{\\fonttbl{\\f2147483647 A;}{B;}{C;}}x}", u"x"},
        {"very long control word", "{\\rtf1 \\" + std::string(100000, 'x') + " a}", u"a"},
    };
    for (const DamageCase &c : cases) {
        SCOPED_TRACE(c.name);
        const ReadResult r = read(c.rtf);
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(printable(r.document.plainText()), printable(c.text));
    }
}

TEST(RtfReader, OverlongFaceNameIsCut)
{
    // Every run carries its face; a megabyte of name copied into each of many runs would
    // make reading quadratic.
    const std::string rtf = "{\\rtf1{\\fonttbl{\\f0 " + std::string(1 << 20, 'A') + ";}}"
                            + [] {
                                  std::string runs;
                                  for (int i = 0; i < 20000; ++i)
                                      runs += "{\\b x}y";
                                  return runs;
                              }()
                            + "}";
    const ReadResult r = read(rtf);
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.document.paragraphs.size(), 1u);
    EXPECT_EQ(r.document.paragraphs[0].runs.size(), 40000u);
    EXPECT_EQ(r.document.defaultFormat.face, std::u16string(255, u'A'));
}

TEST(RtfReader, DeepNestingNeitherOverflowsNorLosesText)
{
    const std::size_t depth = 200000;
    const std::string balanced =
        "{\\rtf1 " + std::string(depth, '{') + "\\b deep" + std::string(depth, '}') + " shallow}";
    const ReadResult r = read(balanced);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.document.plainText(), u"deep shallow");
    EXPECT_TRUE(r.document.paragraphs[0].runs[0].format.bold);
    EXPECT_FALSE(r.document.paragraphs[0].runs[1].format.bold);

    const ReadResult open = read("{\\rtf1 " + std::string(depth, '{') + "x");
    ASSERT_TRUE(open.ok());
    EXPECT_EQ(open.document.plainText(), u"x");
}

TEST(RtfReader, BinaryGarbageNeverBreaksTheReader)
{
    // A cheap stand-in for the fuzz target, so that plain test runs also see noise:
    // random bytes with a bias to RTF's special characters.
    std::mt19937 rng(1234);
    const char specials[] = "{}\\'*; 0123456789abuc\r\n\x82\xa0";
    for (int round = 0; round < 2000; ++round) {
        std::string rtf = "{\\rtf1\\ansicpg932";
        const int n = int(rng() % 300);
        for (int i = 0; i < n; ++i)
            rtf += rng() % 2 ? specials[rng() % (sizeof specials - 1)] : char(rng() & 0xFF);
        const ReadResult r = read(rtf);
        ASSERT_TRUE(r.ok());
        ASSERT_FALSE(r.document.paragraphs.empty());
    }
}

} // namespace
