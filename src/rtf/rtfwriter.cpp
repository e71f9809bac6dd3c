#include "rtf/rtfwriter.h"

#include "rtf/codepagetraits.h"

#include "platform/codepages.h"
#include "platform/cp932codec.h"

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <tuple>
#include <unordered_map>

namespace velmo::rtf {

namespace {

// A font without a character set of its own (DEFAULT_CHARSET, or a value no table knows)
// tells readers nothing about its bytes: each reader assumes its own code page. Its text
// beyond ASCII is written as \uN only, which every reader takes the same way.
constexpr int kUnicodeOnly = 0;

int codePageOfCharset(int charset)
{
    if (charset == kDefaultCharset)
        return kUnicodeOnly;
    return codepage::codePageForCharset(charset, kUnicodeOnly);
}

// RTF's \levelnfc for a numbering style.
int levelNfc(Numbering::Style style)
{
    switch (style) {
    case Numbering::Style::Decimal: return 0;
    case Numbering::Style::UpperRoman: return 1;
    case Numbering::Style::LowerRoman: return 2;
    case Numbering::Style::UpperLetter: return 3;
    case Numbering::Style::LowerLetter: return 4;
    case Numbering::Style::DecimalZero: return 22;
    case Numbering::Style::Bullet: break;
    }
    return 23;
}

// The old-style numbering word for a style; old-style numbers have no leading zeros.
const char *pnWord(Numbering::Style style)
{
    switch (style) {
    case Numbering::Style::UpperRoman: return "\\pnucrm";
    case Numbering::Style::LowerRoman: return "\\pnlcrm";
    case Numbering::Style::UpperLetter: return "\\pnucltr";
    case Numbering::Style::LowerLetter: return "\\pnlcltr";
    default: return "\\pndec";
    }
}

bool numbered(const Paragraph &p) { return p.bullet && p.numbering.style != Numbering::Style::Bullet; }

// How each character of one code page is written: as the bytes of that code page when it
// reads back as the same character, else as \uN. Built lazily, one entry per character met.
class ByteForms {
public:
    explicit ByteForms(int codePage) : m_codePage(codePage) {}

    // The code page's bytes for c (one or two, high byte first), or 0 for "write \uN".
    std::uint32_t of(char16_t c)
    {
        // Pages of 256 characters, made when first met: a short document costs little.
        std::unique_ptr<Page> &page = m_pages[c >> 8];
        if (!page) {
            page = std::make_unique<Page>();
            page->fill(kUnknown);
        }
        std::uint32_t &form = (*page)[c & 0xFF];
        if (form == kUnknown)
            form = compute(c);
        return form;
    }

private:
    static constexpr std::uint32_t kUnknown = 0xFFFFFFFF;

    std::uint32_t compute(char16_t c) const
    {
        if (c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF) || cp932::isRawByte(c))
            return 0; // controls, halves of pairs, and bytes kept from broken text
        const std::u16string_view text(&c, 1);
        std::string bytes;
        if (m_codePage == codepage::kShiftJis) {
            cp932::EncodeResult r = cp932::encode(text);
            if (!r.unrepresentable.empty())
                return 0;
            bytes = std::move(r.bytes);
        } else {
            std::optional<std::string> r = codepage::encode(m_codePage, text);
            if (!r)
                return 0;
            bytes = std::move(*r);
        }
        if (bytes.empty() || bytes.size() > 2 || codepage::decode(m_codePage, bytes) != text)
            return 0;
        std::uint32_t form = 0;
        for (char b : bytes)
            form = form << 8 | static_cast<unsigned char>(b);
        // A single byte is marked so that 0 stays free for "write \uN".
        return bytes.size() == 1 ? (form | 0x10000) : form;
    }

    using Page = std::array<std::uint32_t, 256>;
    int m_codePage;
    std::array<std::unique_ptr<Page>, 256> m_pages;
};

struct FontKey {
    std::u16string face;
    int charset;
    int pitchAndFamily;
    bool operator<(const FontKey &o) const
    {
        return std::tie(face, charset, pitchAndFamily) < std::tie(o.face, o.charset, o.pitchAndFamily);
    }
};

FontKey keyOf(const CharFormat &f) { return FontKey{f.face, f.charset, f.pitchAndFamily}; }

const char *familyWord(int pitchAndFamily)
{
    switch (pitchAndFamily & 0xF0) {
    case kFamilyRoman: return "\\froman";
    case kFamilySwiss: return "\\fswiss";
    case kFamilyModern: return "\\fmodern";
    case kFamilyScript: return "\\fscript";
    case kFamilyDecorative: return "\\fdecor";
    default: return "\\fnil";
    }
}

class Writer {
public:
    std::string write(const Document &doc);

private:
    int fontIndex(const CharFormat &f);
    int colourIndex(const Colour &c);
    ByteForms &formsFor(int codePage);

    void word(const char *w) { m_out += w; m_delimit = true; }
    void word(const char *w, long long n)
    {
        m_out += w;
        m_out += std::to_string(n);
        m_delimit = true;
    }
    void hexByte(unsigned b);
    void text(std::u16string_view s, int codePage, bool fontName = false);

    void fontTable();
    void colourTable();
    void listTables();
    void charFormat(const CharFormat &f, const CharFormat &base);
    void collect(const std::vector<Paragraph> &paragraphs);
    void collectLists(const std::vector<Paragraph> &paragraphs);
    void listLevel(const Numbering &n, int level);
    void paragraphs(const std::vector<Paragraph> &paragraphs);
    void paragraph(const Paragraph &p, const std::u16string &label, bool lowered);
    void note(const Note &n);
    void picture(const Picture &p);

    std::string m_out;
    bool m_delimit = false; // a control word was written last and needs its space before text
    std::map<FontKey, int> m_fontIds;
    std::vector<FontKey> m_fonts;
    std::map<std::uint32_t, int> m_colourIds;
    std::vector<std::uint32_t> m_colours;
    std::unordered_map<int, std::unique_ptr<ByteForms>> m_forms;
    AsciiTransparency m_asciiTransparent;
    int m_bulletFont = -1;
    bool m_anyBullet = false;
    std::size_t m_textSize = 0;
    // The lists, in the order their first items end (as readers number them): list i is
    // \ls i + 1, with the numbering of each level as its first item there has it. A list
    // without an id is each run of its items.
    std::vector<std::array<std::optional<Numbering>, kListLevels>> m_lists;
    std::unordered_map<int, std::size_t> m_listIndex;        // by the model's list id
    std::unordered_map<const Paragraph *, std::size_t> m_itemList; // the list of each item
    CharFormat m_default;
};

int Writer::fontIndex(const CharFormat &f)
{
    auto [it, inserted] = m_fontIds.try_emplace(keyOf(f), int(m_fonts.size()));
    if (inserted)
        m_fonts.push_back(it->first);
    return it->second;
}

int Writer::colourIndex(const Colour &c)
{
    if (!c)
        return 0; // the table's first, empty entry: automatic
    auto [it, inserted] = m_colourIds.try_emplace(*c, int(m_colours.size()) + 1);
    if (inserted)
        m_colours.push_back(*c);
    return it->second;
}

ByteForms &Writer::formsFor(int codePage)
{
    std::unique_ptr<ByteForms> &f = m_forms[codePage];
    if (!f)
        f = std::make_unique<ByteForms>(codePage);
    return *f;
}

void Writer::hexByte(unsigned b)
{
    static const char digits[] = "0123456789abcdef";
    m_out += "\\'";
    m_out += digits[(b >> 4) & 0xF];
    m_out += digits[b & 0xF];
    m_delimit = false;
}

void Writer::text(std::u16string_view s, int codePage, bool fontName)
{
    // ASCII is written as it stands where the code page reads it back as itself.
    const bool literalAscii = m_asciiTransparent(codePage);
    ByteForms *forms = nullptr;
    for (char16_t c : s) {
        // In the font table a semicolon would end the name.
        if (c >= 0x20 && c < 0x7F && literalAscii && !(fontName && c == ';')) {
            if (m_delimit) {
                m_out += ' ';
                m_delimit = false;
            }
            if (c == '\\' || c == '{' || c == '}')
                m_out += '\\';
            m_out += char(c);
            continue;
        }
        if (c == u'\t' && !fontName) {
            word("\\tab");
            continue;
        }
        if (c == u'\v' && !fontName) {
            word("\\line");
            continue;
        }
        if (!forms && codePage != kUnicodeOnly)
            forms = &formsFor(codePage);
        const std::uint32_t form = forms ? forms->of(c) : 0;
        if (form & 0x10000) {
            hexByte(form & 0xFF);
        } else if (form != 0) {
            hexByte(form >> 8);
            hexByte(form & 0xFF);
        } else {
            // RTF's \u takes a signed 16-bit number.
            m_out += "\\u";
            m_out += std::to_string(c > 0x7FFF ? int(c) - 0x10000 : int(c));
            m_out += '?';
            m_delimit = false;
        }
    }
}

void Writer::fontTable()
{
    m_out += "{\\fonttbl";
    for (std::size_t i = 0; i < m_fonts.size(); ++i) {
        const FontKey &f = m_fonts[i];
        m_out += "{";
        word("\\f", long(i));
        word(familyWord(f.pitchAndFamily));
        if (f.pitchAndFamily & 0x03)
            word("\\fprq", f.pitchAndFamily & 0x03);
        word("\\fcharset", f.charset);
        m_out += ' ';
        m_delimit = false;
        // Face names are in the font's own code page, as readers expect them; a symbol
        // font's name is ordinary text.
        int cp = codePageOfCharset(f.charset);
        text(f.face, cp == codepage::kSymbol ? codepage::kWindowsLatin1 : cp, true);
        m_out += ";}";
        m_delimit = false;
    }
    m_out += "}\r\n";
}

void Writer::colourTable()
{
    m_out += "{\\colortbl ;";
    for (std::uint32_t c : m_colours) {
        m_out += "\\red" + std::to_string(c & 0xFF) + "\\green" + std::to_string((c >> 8) & 0xFF)
                 + "\\blue" + std::to_string((c >> 16) & 0xFF) + ";";
    }
    m_out += "}\r\n";
    m_delimit = false;
}

// One level of a list: its number's form, its first number and its label, in which
// \'00 to \'08 stand for the numbers of the levels (\levelnumbers gives where they are).
void Writer::listLevel(const Numbering &n, int level)
{
    m_out += "{\\listlevel";
    m_delimit = false;
    word("\\levelnfc", levelNfc(n.style));
    word("\\levelnfcn", levelNfc(n.style));
    word("\\leveljc0");
    word("\\levelstartat", n.start);
    word("\\levelfollow0");
    const bool bullet = n.style == Numbering::Style::Bullet;
    const std::u16string label = !n.format.empty() ? n.format
                                 : bullet          ? std::u16string(u"\u2022")
                                                   : std::u16string{char16_t(level), u'.'};
    m_out += "{\\leveltext";
    m_delimit = false;
    hexByte(unsigned(std::min<std::size_t>(label.size(), 255)));
    std::string numbers;
    for (std::size_t i = 0; i < label.size() && i < 255; ++i) {
        if (label[i] < kListLevels) {
            hexByte(label[i]);
            numbers += "\\'";
            numbers += "0123456789abcdef"[((i + 1) >> 4) & 0xF];
            numbers += "0123456789abcdef"[(i + 1) & 0xF];
        } else if (label[i] < 0x20) {
            hexByte(label[i]); // a control character as the byte it was: \tab is no text here
        } else {
            text(std::u16string_view(&label[i], 1), kUnicodeOnly);
        }
    }
    m_out += ";}{\\levelnumbers" + numbers + ";}}";
    m_delimit = false;
}

void Writer::listTables()
{
    if (m_lists.empty())
        return;
    m_out += "{\\*\\listtable";
    for (std::size_t i = 0; i < m_lists.size(); ++i) {
        m_out += "{\\list";
        m_delimit = false;
        // Levels no item is on count like the first: decimal numbers from 1.
        for (int level = 0; level < kListLevels; ++level) {
            Numbering n;
            n.style = Numbering::Style::Decimal;
            listLevel(m_lists[i][std::size_t(level)].value_or(n), level);
        }
        m_out += "{\\listname ;}";
        word("\\listid", long(i) + 1);
        m_out += "}";
    }
    m_out += "}\r\n{\\*\\listoverridetable";
    for (std::size_t i = 0; i < m_lists.size(); ++i) {
        m_out += "{\\listoverride";
        m_delimit = false;
        word("\\listid", long(i) + 1);
        word("\\listoverridecount0");
        word("\\ls", long(i) + 1);
        m_out += "}";
    }
    m_out += "}\r\n";
    m_delimit = false;
}

// Writes the format as \plain and the words that differ from it. \plain means RTF's
// defaults to most readers and our \defchp to ours, so a property is written whenever it
// differs from either.
void Writer::charFormat(const CharFormat &f, const CharFormat &base)
{
    word("\\plain");
    word("\\f", fontIndex(f));
    word("\\fs", f.sizeHalfPoints);
    const auto flag = [&](bool value, bool baseValue, const char *on, const char *off) {
        if (value)
            word(on);
        else if (baseValue)
            word(off);
    };
    flag(f.bold, base.bold, "\\b", "\\b0");
    flag(f.italic, base.italic, "\\i", "\\i0");
    flag(f.underline, base.underline, "\\ul", "\\ulnone");
    flag(f.strikeOut, base.strikeOut, "\\strike", "\\strike0");
    flag(f.hidden, base.hidden, "\\v", "\\v0");
    if (f.colour || base.colour)
        word("\\cf", colourIndex(f.colour));
    if (f.highlight || base.highlight)
        word("\\highlight", colourIndex(f.highlight));
}

void Writer::paragraph(const Paragraph &p, const std::u16string &label, bool lowered)
{
    word("\\pard");
    if (numbered(p) || (p.bullet && !p.numbering.format.empty())) {
        // Old-style numbering with its label for readers that know no list table, and the
        // list for those that do.
        m_out += "{\\pntext";
        word("\\f", 0);
        text(label, kUnicodeOnly);
        word("\\tab");
        m_out += numbered(p) ? "}{\\*\\pn\\pnlvlbody" : "}{\\*\\pn\\pnlvlblt";
        m_delimit = true;
        word("\\pnf", 0);
        word("\\pnindent0");
        if (numbered(p)) {
            word("\\pnstart", p.numbering.start);
            word(pnWord(p.numbering.style));
            m_out += "{\\pntxta .}}";
        } else {
            m_out += "{\\pntxtb ";
            m_delimit = false;
            text(label, kUnicodeOnly);
            m_out += "}}";
        }
        m_delimit = false;
    } else if (p.bullet) {
        // Old-style bullets, which rich-edit controls write; \pntext is what readers that
        // do not know lists show instead.
        m_out += "{\\pntext";
        word("\\f", m_bulletFont);
        hexByte(0xB7);
        word("\\tab");
        m_out += "}{\\*\\pn\\pnlvlblt";
        word("\\pnf", m_bulletFont);
        word("\\pnindent0");
        m_out += "{\\pntxtb";
        hexByte(0xB7);
        m_out += "}}";
        m_delimit = false;
    }
    if (p.bullet) {
        // The list in the list table, for readers that know one; it comes after the
        // old-style numbering, which LibreOffice would take instead.
        const auto list = m_itemList.find(&p);
        word("\\ls", long(list != m_itemList.end() ? list->second : 0) + 1);
        word("\\ilvl", std::clamp(p.numbering.level, 0, kListLevels - 1));
    }
    if (p.frame) {
        // A frame at the paragraph's own place in the column, as wide as its text needs,
        // with no body text beside it. Readers that know no frames show it as a paragraph.
        // Readers take neighbouring paragraphs placed alike for one frame, so of two frames
        // one after the other the second stands a twip lower than the first.
        word(lowered ? "\\phcol\\pvpara\\posy1\\nowrap" : "\\phcol\\pvpara\\posy0\\nowrap");
    }
    if (p.align == Alignment::Centre)
        word("\\qc");
    else if (p.align == Alignment::Right)
        word("\\qr");
    if (p.firstIndentTwips)
        word("\\fi", p.firstIndentTwips);
    if (p.leftIndentTwips)
        word("\\li", p.leftIndentTwips);
    if (p.rightIndentTwips)
        word("\\ri", p.rightIndentTwips);
}

void Writer::picture(const Picture &p)
{
    m_out += "{\\pict";
    m_delimit = false;
    word("\\picw", p.width);
    word("\\pich", p.height);
    if (p.goalWidthTwips > 0)
        word("\\picwgoal", p.goalWidthTwips);
    if (p.goalHeightTwips > 0)
        word("\\pichgoal", p.goalHeightTwips);
    if (p.scaleX != 100)
        word("\\picscalex", p.scaleX);
    if (p.scaleY != 100)
        word("\\picscaley", p.scaleY);
    word(p.kind == Picture::Kind::Jpeg ? "\\jpegblip" : "\\pngblip");
    // Hex digits in lines of 128, as word processors write them.
    static const char digits[] = "0123456789abcdef";
    for (std::size_t i = 0; i < p.data.size(); ++i) {
        if (i % 64 == 0)
            m_out += "\r\n";
        const auto b = static_cast<unsigned char>(p.data[i]);
        m_out += digits[b >> 4];
        m_out += digits[b & 0xF];
    }
    m_out += "}";
    m_delimit = false;
}

// Numbers the fonts, colours and numberings of the paragraphs (and of their notes).
void Writer::collect(const std::vector<Paragraph> &paragraphs)
{
    for (const Paragraph &p : paragraphs) {
        m_anyBullet = m_anyBullet || (p.bullet && !numbered(p));
        for (const Run &r : p.runs) {
            fontIndex(r.format);
            colourIndex(r.format.colour);
            colourIndex(r.format.highlight);
            m_textSize += r.text.size() + (r.picture ? r.picture->data.size() * 2 + 100 : 0);
            if (r.note)
                collect(r.note->paragraphs);
        }
    }
}

// Numbers the lists in the order their first items end: a note's paragraphs end before
// the paragraph that holds the note.
void Writer::collectLists(const std::vector<Paragraph> &paragraphs)
{
    const Paragraph *previous = nullptr;
    for (const Paragraph &p : paragraphs) {
        for (const Run &r : p.runs)
            if (r.note)
                collectLists(r.note->paragraphs);
        if (p.bullet) {
            std::size_t index = m_lists.size();
            if (p.numbering.list != 0)
                index = m_listIndex.try_emplace(p.numbering.list, m_lists.size()).first->second;
            else if (previous && continuesList(*previous, p))
                index = m_itemList.at(previous);
            if (index == m_lists.size())
                m_lists.emplace_back();
            auto &level = m_lists[index][std::size_t(std::clamp(p.numbering.level, 0, kListLevels - 1))];
            if (!level)
                level = p.numbering;
            m_itemList.emplace(&p, index);
        }
        previous = &p;
    }
}

void Writer::paragraphs(const std::vector<Paragraph> &paragraphs)
{
    const CharFormat *last = nullptr;
    ListNumberer numberer;
    int frame = 0;        // the frame of the paragraph before
    bool lowered = false; // and how that one was placed
    for (const Paragraph &p : paragraphs) {
        if (p.frame != 0 && p.frame != frame)
            lowered = frame != 0 && !lowered;
        frame = p.frame;
        paragraph(p, numberer.next(p), lowered);
        for (const Run &r : p.runs) {
            if (r.text.empty())
                continue;
            if (!last || !(*last == r.format)) {
                charFormat(r.format, m_default);
                last = &r.format;
            }
            if (r.picture)
                picture(*r.picture);
            else if (r.note)
                note(*r.note);
            else
                text(r.text, codePageOfCharset(r.format.charset));
        }
        word("\\par");
        m_out += "\r\n";
        m_delimit = false;
    }
}

void Writer::note(const Note &n)
{
    // The mark is the note's number, which readers count for themselves.
    m_out += "{\\super\\chftn}{\\footnote";
    m_delimit = true;
    if (n.kind == Note::Kind::Endnote)
        word("\\ftnalt");
    paragraphs(n.paragraphs);
    m_out += "}";
    m_delimit = false;
}

std::string Writer::write(const Document &doc)
{
    // Fonts and colours are numbered before anything is written: the default font is 0.
    m_default = doc.defaultFormat;
    fontIndex(m_default);
    colourIndex(m_default.colour);
    colourIndex(m_default.highlight);
    collect(doc.paragraphs);
    collectLists(doc.paragraphs);
    if (m_anyBullet) {
        CharFormat symbol;
        symbol.face = u"Symbol";
        symbol.charset = kSymbolCharset;
        symbol.pitchAndFamily = kFamilyDecorative;
        m_bulletFont = fontIndex(symbol);
    }

    m_out.reserve(512 + m_textSize * 4);
    m_out += "{\\rtf1\\ansi\\ansicpg932\\deff0\\deflang1033\\deflangfe1041";
    fontTable();
    colourTable();
    listTables();
    // The default character format; readers that do not know it skip the group.
    m_out += "{\\*\\defchp";
    charFormat(m_default, CharFormat{});
    m_out += "}\r\n";
    m_delimit = false;
    word("\\viewkind4");
    word("\\uc1");
    paragraphs(doc.paragraphs);
    m_out += "}\r\n";
    return std::move(m_out);
}

} // namespace

std::string write(const Document &document)
{
    return Writer().write(document);
}

} // namespace velmo::rtf
