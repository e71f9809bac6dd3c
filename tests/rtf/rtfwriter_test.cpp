// The writer: round trips through the reader, the shape other programs rely on, and
// LibreOffice and AbiWord reading what we write (where they are installed).
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include "rtf/utf8.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

using namespace velmo::rtf;
namespace fs = std::filesystem;

namespace {

CharFormat font(std::u16string face, int charset, int pitchAndFamily = 0)
{
    CharFormat f;
    f.face = std::move(face);
    f.charset = charset;
    f.pitchAndFamily = pitchAndFamily;
    return f;
}

const CharFormat kMincho = font(u"ＭＳ 明朝", kShiftJisCharset, kFixedPitch | kFamilyModern);

Document oneRun(std::u16string text, CharFormat format = kMincho)
{
    Document d;
    d.defaultFormat = kMincho;
    d.paragraphs.emplace_back();
    appendText(d.paragraphs.back(), text, format);
    return d;
}

// A document's structure for failure messages: paragraphs, their list labels, runs, notes.
std::string describe(const std::vector<Paragraph> &paragraphs)
{
    std::string out;
    for (const Paragraph &p : paragraphs) {
        out += "[" + std::to_string(int(p.align)) + " " + std::to_string(p.firstIndentTwips) + "/"
               + std::to_string(p.leftIndentTwips) + "/" + std::to_string(p.rightIndentTwips);
        if (p.bullet)
            out += " list " + std::to_string(p.numbering.list) + "." + std::to_string(p.numbering.level) + " "
                   + std::to_string(int(p.numbering.style)) + "@" + std::to_string(p.numbering.start) + " \""
                   + utf8(p.numbering.format) + "\"";
        if (p.frame)
            out += " frame " + std::to_string(p.frame);
        out += "]";
        for (const Run &r : p.runs) {
            const CharFormat &f = r.format;
            out += " <" + utf8(r.text) + "|" + utf8(f.face) + " " + std::to_string(f.charset) + " "
                   + std::to_string(f.sizeHalfPoints) + (f.bold ? "b" : "") + (f.italic ? "i" : "")
                   + (f.underline ? "u" : "") + (f.strikeOut ? "s" : "") + (f.hidden ? "v" : "")
                   + " c" + std::to_string(f.colour.value_or(-1)) + " h" + std::to_string(f.highlight.value_or(-1));
            if (r.note)
                out += " note" + std::to_string(int(r.note->kind)) + "{" + describe(r.note->paragraphs) + "}";
            out += ">";
        }
        out += "\n";
    }
    return out;
}

bool isSevenBit(const std::string &s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

TEST(RtfWriter, ShapeThatOtherReadersExpect)
{
    Document d = oneRun(u"あｱ日本\U0001F60A{\\}");
    appendText(d.paragraphs.back(), u"x", font(u"Arial", kAnsiCharset));
    const std::string rtf = write(d);

    EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg932\\deff0", 0), 0u) << rtf;
    EXPECT_TRUE(isSevenBit(rtf));
    // The face name is Shift-JIS in the font table, the text Shift-JIS pairs, half-width
    // katakana one byte, and a character beyond code page 932 \uN with a fallback.
    EXPECT_NE(rtf.find("\\fcharset128 \\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9;"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\'82\\'a0\\'b1\\'93\\'fa\\'96\\'7b\\u-10179?\\u-8694?\\{\\\\\\}"), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\uc1"), std::string::npos);
    EXPECT_NE(rtf.find("{\\colortbl ;"), std::string::npos);
}

TEST(RtfWriter, EveryCharacterSurvivesARoundTrip)
{
    // Characters whose forms differ between Shift-JIS variants, NEC and IBM extensions,
    // user-defined and raw-byte code points, characters beyond code page 932, controls.
    const std::u16string tricky =
        u"\u301C\uFF5E\u2016\u2212\uFFE0\uFFE2\u2225\u2252\u2160\u3231\u2170\uFFE4\uFF07"
        u"\uE000\uE757\uF780\uF782\uF7FF\u00E9\u0416\U0001F600\uFFFF\u0001\u007F"
        u"\\{}; \t\v~\u00A5\u203E\uFF61\uFF9F\uAC00\\"; // Johab reads 0x5C as the won sign
    // Unpaired halves of surrogate pairs too (broken text must not be mended silently).
    std::u16string withHalves = tricky;
    withHalves += char16_t(0xD800);
    withHalves += u'x';
    withHalves += char16_t(0xDC00);
    for (const CharFormat &f : {kMincho, font(u"Arial", kAnsiCharset), font(u"Symbol", kSymbolCharset),
                                font(u"SimSun", 134), font(u"Johab", 130), font(u"", kDefaultCharset)}) {
        SCOPED_TRACE(std::string(f.face.begin(), f.face.end()));
        Document d = oneRun(withHalves, f);
        appendText(d.paragraphs.back(), u"\uF0B7\uF041", font(u"Symbol", kSymbolCharset));
        const std::string rtf = write(d);
        ASSERT_TRUE(isSevenBit(rtf));
        const ReadResult r = read(rtf);
        ASSERT_TRUE(r.ok());
        EXPECT_EQ(r.document, d) << rtf;
    }
}

// Random documents in the reader's form: any format, any text, any paragraph settings.
Document randomDocument(std::mt19937 &rng)
{
    const std::u16string pool[] = {u"abc", u"日本語の文章", u"ｶﾀｶﾅ", u"\t", u"\v", u"{", u"\\",
                                   u"\U0001F600", u"\u301C", u"\uF781", u"é", u" ", u"①Ⅱ"};
    const CharFormat fonts[] = {kMincho, font(u"Arial", kAnsiCharset, kVariablePitch | kFamilySwiss),
                                font(u"Symbol", kSymbolCharset, kFamilyDecorative),
                                font(u"ＭＳ Ｐゴシック", kShiftJisCharset, kVariablePitch),
                                font(u"Times;New", kAnsiCharset, kFamilyRoman), font(u"", kDefaultCharset)};
    const Colour colours[] = {Colour{}, Colour(0), Colour(0xFF), Colour(0x123456), Colour(0xFFFFFF)};
    const auto pick = [&](auto &array) -> const auto & { return array[rng() % std::size(array)]; };
    const auto randomFormat = [&] {
        CharFormat f = pick(fonts);
        f.sizeHalfPoints = int(1 + rng() % 200);
        f.colour = pick(colours);
        f.highlight = pick(colours);
        f.bold = rng() % 2;
        f.italic = rng() % 2;
        f.underline = rng() % 2;
        f.strikeOut = rng() % 2;
        f.hidden = rng() % 5 == 0;
        return f;
    };
    Document d;
    d.defaultFormat = randomFormat();
    d.defaultFormat.hidden = false; // \plain is never hidden text
    int footnotes = 0;
    int endnotes = 0;
    int lists = 0;
    std::map<std::pair<int, int>, Numbering> levels;
    const int paragraphs = int(1 + rng() % 6);
    for (int i = 0; i < paragraphs; ++i) {
        Paragraph p;
        p.align = Alignment(rng() % 3);
        p.firstIndentTwips = int(rng() % 4000) - 2000;
        p.leftIndentTwips = int(rng() % 4000);
        p.rightIndentTwips = int(rng() % 4000);
        p.frame = rng() % 4 == 0 ? int(1 + rng() % 2) : 0; // a frame's paragraph, of one of two
        p.bullet = rng() % 3 == 0;
        if (p.bullet) {
            // A new list, or the next item of one begun before, on one of three levels;
            // the items of one level of a list are numbered alike.
            const int list = lists > 0 && rng() % 2 ? int(1 + rng() % lists) : ++lists;
            const int level = int(rng() % 3);
            const auto [known, added] = levels.try_emplace({list, level});
            Numbering &n = known->second;
            if (added) {
                n.style = Numbering::Style(rng() % 7);
                if (n.style != Numbering::Style::Bullet) // a bullet counts nothing
                    n.start = int(rng() % 5);
                if (rng() % 3 == 0) // a label of its own: "1-2)" or "◦"
                    n.format = n.style == Numbering::Style::Bullet ? u"\u25E6" : std::u16string{0, u'-', char16_t(level), u')'};
                n.list = list;
                n.level = level;
            }
            p.numbering = n;
        }
        const int runs = int(rng() % 5);
        for (int j = 0; j < runs; ++j)
            appendText(p, pick(pool), rng() % 3 ? d.defaultFormat : randomFormat());
        if (rng() % 6 == 0) {
            // A note, numbered as the reader counts them; its paragraphs are plain ones.
            Note note{rng() % 2 ? Note::Kind::Footnote : Note::Kind::Endnote, {}};
            for (int k = int(rng() % 3); k > 0; --k) {
                note.paragraphs.emplace_back();
                appendText(note.paragraphs.back(), pick(pool), randomFormat());
            }
            int &count = note.kind == Note::Kind::Footnote ? footnotes : endnotes;
            std::u16string mark;
            if (note.kind == Note::Kind::Footnote) {
                for (char c : std::to_string(++count))
                    mark += char16_t(c);
            } else {
                mark = numberLabel({Numbering::Style::LowerRoman, 1}, count++);
                mark.pop_back();
            }
            appendNote(p, mark, std::move(note), randomFormat());
        }
        d.paragraphs.push_back(std::move(p));
    }
    numberFrames(d);
    return d;
}

TEST(RtfWriter, RandomDocumentsRoundTrip)
{
    std::mt19937 rng(20261210);
    for (int i = 0; i < 500; ++i) {
        const Document d = randomDocument(rng);
        const std::string rtf = write(d);
        const ReadResult r = read(rtf);
        ASSERT_TRUE(r.ok());
        ASSERT_EQ(r.document, d) << "document " << i << "\n" << rtf << "\nread:\n"
                                 << describe(r.document.paragraphs) << "written:\n" << describe(d.paragraphs);
    }
}

// A temporary folder for one conversion by another program.
struct TempDir {
    fs::path path;
    TempDir()
    {
        path = fs::temp_directory_path() / ("velmo-rtf-" + std::to_string(::getpid()));
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
};

std::string slurp(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A converted text without byte-order mark and final line end, and the document as such.
std::string shownText(std::string converted)
{
    if (converted.rfind("\xEF\xBB\xBF", 0) == 0)
        converted.erase(0, 3);
    while (!converted.empty() && converted.back() == '\n')
        converted.pop_back();
    return converted;
}

// What a reader shows of the document, with list labels where the reader shows them and
// frames' paragraphs where it shows them in the text; white space at the start of a line is
// the reader's own indent.
std::string shownText(const Document &d, bool labels, bool frames)
{
    std::u16string text;
    ListNumberer numberer;
    bool first = true;
    for (const Paragraph &p : d.paragraphs) {
        const std::u16string label = numberer.next(p);
        if (p.frame && !frames)
            continue;
        const bool numbered = p.bullet && p.numbering.style != Numbering::Style::Bullet;
        if (!first)
            text += u'\n';
        first = false;
        if (numbered && labels)
            text += label + u' ';
        text += p.text();
    }
    return utf8(text);
}

std::string withoutIndents(const std::string &text)
{
    std::string out;
    bool lineStart = true;
    for (char c : text) {
        if (lineStart && (c == ' ' || c == '\t'))
            continue;
        lineStart = c == '\n';
        out += c;
    }
    return out;
}

bool installed(const char *program)
{
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// What a word processor shows of our document, line by line.
Document interopDocument()
{
    Document d;
    d.defaultFormat = kMincho;
    const auto para = [&](std::initializer_list<std::pair<std::u16string, CharFormat>> runs,
                          Alignment align = Alignment::Left) {
        Paragraph p;
        p.align = align;
        for (const auto &[text, format] : runs)
            appendText(p, text, format);
        d.paragraphs.push_back(std::move(p));
    };
    CharFormat bold = kMincho;
    bold.bold = true;
    bold.colour = rgb(255, 0, 0);
    bold.sizeHalfPoints = 28;
    para({{u"日本語の文書です。", kMincho}, {u"太字の赤", bold}}, Alignment::Centre);
    para({{u"半角ｶﾀｶﾅ、記号①Ⅱ〜、絵文字\U0001F600", kMincho}});
    para({{u"English text in Arial, é", font(u"Arial", kAnsiCharset)}, {u"\tタブの後", kMincho}});
    para({{u"波括弧 {} と \\ 記号", kMincho}});
    // A text box of two paragraphs.
    para({{u"枠の中の文", kMincho}});
    para({{u"枠の二行目", kMincho}}, Alignment::Centre);
    d.paragraphs.end()[-2].frame = d.paragraphs.end()[-1].frame = true;
    // A font of no character set (what a face the system knows no script of gets), holding
    // Japanese, Cyrillic and symbols.
    para({{u"既定の文字セット: 日本語 Кириллица ±≥≤ é", font(u"DejaVu Sans", kDefaultCharset)}});
    // Numbered lists count on from their start; the labels are part of what is shown.
    for (const auto &[style, start, text] :
         {std::tuple{Numbering::Style::Decimal, 1, u"一"}, {Numbering::Style::Decimal, 1, u"二"},
          {Numbering::Style::LowerLetter, 1, u"a"}, {Numbering::Style::LowerLetter, 1, u"b"},
          {Numbering::Style::UpperRoman, 3, u"III"}, {Numbering::Style::UpperRoman, 3, u"IV"}}) {
        para({{text, kMincho}});
        d.paragraphs.back().bullet = true;
        d.paragraphs.back().numbering = Numbering{style, start};
    }
    para({{u"最後", kMincho}});
    return d;
}

// LibreOffice's text export of what we write of d.
std::string libreOfficeText(const Document &d)
{
    TempDir dir;
    std::ofstream(dir.path / "doc.rtf", std::ios::binary) << write(d);
    const std::string command =
        "cd '" + dir.path.string() + "' && timeout 300 soffice -env:UserInstallation=file://"
        + dir.path.string() + "/profile --headless --convert-to 'txt:Text (encoded):UTF8' doc.rtf"
        " >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return shownText(slurp(dir.path / "doc.txt"));
}

TEST(RtfWriter, LibreOfficeReadsWhatWeWrite)
{
    if (!installed("soffice"))
        GTEST_SKIP() << "LibreOffice (soffice) is not installed; this check needs it";
    const Document d = interopDocument();
    // Its text export leaves frames out.
    EXPECT_EQ(withoutIndents(libreOfficeText(d)), withoutIndents(shownText(d, true, false)));
}

// Frames one after the other stay frames of their own, for us and for other readers.
TEST(RtfWriter, NeighbouringFramesStayApart)
{
    Document d;
    d.defaultFormat = kMincho;
    for (const auto &[frame, text] : {std::pair{1, u"一つ目の枠"}, {1, u"その続き"}, {2, u"二つ目の枠"},
                                      {3, u"三つ目の枠"}, {0, u""}}) {
        d.paragraphs.emplace_back();
        d.paragraphs.back().frame = frame;
        appendText(d.paragraphs.back(), text, kMincho);
    }
    EXPECT_EQ(describe(read(write(d)).document.paragraphs), describe(d.paragraphs));
    if (!installed("soffice"))
        GTEST_SKIP() << "LibreOffice (soffice) is not installed; the rest of this check needs it";
    // With no body text LibreOffice's text export gives the first frame's text, and only that.
    EXPECT_EQ(libreOfficeText(d), "一つ目の枠\nその続き");
}

TEST(RtfWriter, AbiWordReadsWhatWeWrite)
{
    if (!installed("abiword"))
        GTEST_SKIP() << "AbiWord is not installed; this check needs it";
    TempDir dir;
    const Document d = interopDocument();
    std::ofstream(dir.path / "doc.rtf", std::ios::binary) << write(d);
    const std::string command = "cd '" + dir.path.string()
                                + "' && HOME='" + dir.path.string() + "' timeout 300 abiword --to=txt"
                                  " --to-name=doc.txt doc.rtf >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    // AbiWord's text export leaves list labels out; it shows positioned paragraphs as text.
    EXPECT_EQ(withoutIndents(shownText(slurp(dir.path / "doc.txt"))), withoutIndents(shownText(d, false, true)));
}

} // namespace
