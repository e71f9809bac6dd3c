// The dispatcher: gives the tokenizer's control words their meaning. Groups are kept on an
// explicit stack (no recursion), so nesting depth costs heap, and beyond a fixed depth only
// a counter, never call stack.
#include "rtf/rtfreader.h"

#include "rtf/codepagetraits.h"
#include "rtf/rtftokenizer.h"

#include "platform/codepages.h"

#include <algorithm>
#include <array>
#include <limits>
#include <unordered_map>

namespace velmo::rtf {

namespace {

enum class Kw : std::uint8_t {
    Unknown,
    // document
    Ansi, Mac, Pc, Pca, AnsiCpg, Deff, Uc, U, Upr, Ud, DefChp,
    // tables of fonts and colours
    FontTbl, ColorTbl, Red, Green, Blue, FCharset, FPrq, Cpg,
    FNil, FRoman, FSwiss, FModern, FScript, FDecor, FTech, FBidi,
    // character formatting
    F, Af, Loch, Hich, Dbch, RtlCh, LtrCh, Plain, Fs, Afs, B, Ab, I, Ai, Ul, UlNone, UlStyle,
    Strike, StrikeD, Cf, Highlight, Hidden,
    // paragraph formatting
    Pard, Ql, Qc, Qr, Qj, Qd, Fi, Li, Ri, Lin, Rin, Ls, Ilvl, Pn, PnLvlBlt, PnLvlBody, PnLvlCont,
    PnDec, PnUcLtr, PnLcLtr, PnUcRm, PnLcRm, PnStart,
    // list tables
    ListTable, List, ListId, ListLevel, LevelNfc, LevelStartAt, LevelText, ListOverride,
    // notes and text boxes
    Footnote, FtnAlt, ChFtn, ShpTxt,
    // fields: their instruction and the result their writer stored
    Field, FldInst, FldRslt,
    // positioned paragraphs (frames): words that place one, and sizes that do when not 0
    FrameWord, FrameSize,
    // destinations whose text is read as it stands
    ReadDest,
    // text
    Par, Line, Tab, Cell, NestCell, Row, Page, Sect, Char, TableWord,
    // pictures
    Pict, ShpPict, Shp, PicW, PicH, PicWGoal, PicHGoal, PicScaleX, PicScaleY, PngBlip, JpegBlip,
    OtherBlip,
    // destinations whose text is not shown
    SkipDest,
};

// What places a frame: what its position counts from (the page, the margins, the column or
// the paragraph), its position (a distance, or an alignment), its size and its distance from
// the text around it. Neighbouring paragraphs placed alike in every one are one frame.
enum FrameSlot : std::uint8_t {
    kHorizontalAnchor, kVerticalAnchor, kHorizontalAlign, kVerticalAlign, kFrameX, kFrameY,
    kFrameWidth, kFrameHeight, kFrameDistance, kFrameDistanceX, kFrameDistanceY, kFrameSlots
};
using FramePlacement = std::array<std::int32_t, kFrameSlots>;

struct KeywordInfo {
    Kw kw;
    char16_t ch = 0;       // for Kw::Char; for Kw::FrameWord the word's value in its slot
    unsigned dropped = 0;  // DroppedContent bits: what skipping this destination leaves out
    FrameSlot slot = kHorizontalAnchor; // for Kw::FrameWord and Kw::FrameSize
};

const std::unordered_map<std::string_view, KeywordInfo> &keywords()
{
    static const std::unordered_map<std::string_view, KeywordInfo> table = [] {
        std::unordered_map<std::string_view, KeywordInfo> t{
            {"ansi", {Kw::Ansi}}, {"mac", {Kw::Mac}}, {"pc", {Kw::Pc}}, {"pca", {Kw::Pca}},
            {"ansicpg", {Kw::AnsiCpg}}, {"deff", {Kw::Deff}}, {"uc", {Kw::Uc}}, {"u", {Kw::U}},
            {"upr", {Kw::Upr}}, {"ud", {Kw::Ud}}, {"defchp", {Kw::DefChp}},
            {"fonttbl", {Kw::FontTbl}}, {"colortbl", {Kw::ColorTbl}}, {"red", {Kw::Red}},
            {"green", {Kw::Green}}, {"blue", {Kw::Blue}}, {"fcharset", {Kw::FCharset}},
            {"fprq", {Kw::FPrq}}, {"cpg", {Kw::Cpg}}, {"fnil", {Kw::FNil}},
            {"froman", {Kw::FRoman}}, {"fswiss", {Kw::FSwiss}}, {"fmodern", {Kw::FModern}},
            {"fscript", {Kw::FScript}}, {"fdecor", {Kw::FDecor}}, {"ftech", {Kw::FTech}},
            {"fbidi", {Kw::FBidi}},
            {"f", {Kw::F}}, {"af", {Kw::Af}}, {"loch", {Kw::Loch}}, {"hich", {Kw::Hich}},
            {"dbch", {Kw::Dbch}}, {"rtlch", {Kw::RtlCh}}, {"ltrch", {Kw::LtrCh}},
            {"plain", {Kw::Plain}}, {"fs", {Kw::Fs}}, {"afs", {Kw::Afs}}, {"b", {Kw::B}},
            {"ab", {Kw::Ab}}, {"i", {Kw::I}}, {"ai", {Kw::Ai}}, {"ul", {Kw::Ul}},
            {"ulnone", {Kw::UlNone}},
            {"strike", {Kw::Strike}}, {"striked", {Kw::StrikeD}}, {"cf", {Kw::Cf}},
            {"highlight", {Kw::Highlight}}, {"chcbpat", {Kw::Highlight}}, {"v", {Kw::Hidden}},
            {"pard", {Kw::Pard}}, {"ql", {Kw::Ql}}, {"qc", {Kw::Qc}}, {"qr", {Kw::Qr}},
            {"qj", {Kw::Qj}}, {"qd", {Kw::Qd}}, {"fi", {Kw::Fi}}, {"li", {Kw::Li}},
            {"ri", {Kw::Ri}}, {"lin", {Kw::Lin}}, {"rin", {Kw::Rin}}, {"ls", {Kw::Ls}},
            {"pn", {Kw::Pn}}, {"pnlvlblt", {Kw::PnLvlBlt}}, {"pnlvlbody", {Kw::PnLvlBody}},
            {"pnlvlcont", {Kw::PnLvlCont}}, {"pndec", {Kw::PnDec}}, {"pnucltr", {Kw::PnUcLtr}},
            {"pnlcltr", {Kw::PnLcLtr}}, {"pnucrm", {Kw::PnUcRm}}, {"pnlcrm", {Kw::PnLcRm}},
            {"pnstart", {Kw::PnStart}}, {"ilvl", {Kw::Ilvl}},
            {"listtable", {Kw::ListTable}}, {"listoverridetable", {Kw::ListTable}},
            {"list", {Kw::List}}, {"listid", {Kw::ListId}}, {"listlevel", {Kw::ListLevel}},
            {"levelnfc", {Kw::LevelNfc}}, {"levelnfcn", {Kw::LevelNfc}},
            {"levelstartat", {Kw::LevelStartAt}}, {"leveltext", {Kw::LevelText}}, {"listoverride", {Kw::ListOverride}},
            {"footnote", {Kw::Footnote}}, {"ftnalt", {Kw::FtnAlt}}, {"chftn", {Kw::ChFtn}},
            {"shptxt", {Kw::ShpTxt}},
            {"field", {Kw::Field}}, {"fldinst", {Kw::FldInst}}, {"fldrslt", {Kw::FldRslt}},
            // Damaged files put cell text into the nested table's properties, and other
            // readers show it.
            {"nesttableprops", {Kw::ReadDest}},
            {"par", {Kw::Par}}, {"line", {Kw::Line}}, {"tab", {Kw::Tab}}, {"cell", {Kw::Cell}},
            {"nestcell", {Kw::NestCell}}, {"row", {Kw::Row}}, {"page", {Kw::Page}},
            {"sect", {Kw::Sect}}, {"trowd", {Kw::TableWord}}, {"intbl", {Kw::TableWord}},
            {"pict", {Kw::Pict}}, {"shppict", {Kw::ShpPict}}, {"picw", {Kw::PicW}},
            {"pich", {Kw::PicH}}, {"picwgoal", {Kw::PicWGoal}}, {"pichgoal", {Kw::PicHGoal}},
            {"picscalex", {Kw::PicScaleX}}, {"picscaley", {Kw::PicScaleY}},
            {"pngblip", {Kw::PngBlip}}, {"jpegblip", {Kw::JpegBlip}},
            {"emdash", {Kw::Char, 0x2014}}, {"endash", {Kw::Char, 0x2013}},
            {"bullet", {Kw::Char, 0x2022}}, {"lquote", {Kw::Char, 0x2018}},
            {"rquote", {Kw::Char, 0x2019}}, {"ldblquote", {Kw::Char, 0x201C}},
            {"rdblquote", {Kw::Char, 0x201D}}, {"emspace", {Kw::Char, 0x2003}},
            {"enspace", {Kw::Char, 0x2002}}, {"qmspace", {Kw::Char, 0x2005}},
            {"zwj", {Kw::Char, 0x200D}}, {"zwnj", {Kw::Char, 0x200C}},
            {"ltrmark", {Kw::Char, 0x200E}}, {"rtlmark", {Kw::Char, 0x200F}},
            {"zwbo", {Kw::Char, 0x200B}}, {"zwnbo", {Kw::Char, 0xFEFF}},
        };
        // Every underline style is an underline to the model.
        for (const char *w : {"uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave",
                              "ulldash", "ulth", "ulthd", "ulthdash", "ulthdashd",
                              "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"})
            t.emplace(w, KeywordInfo{Kw::UlStyle});
        // Picture formats that are not kept.
        for (const char *w : {"emfblip", "wmetafile", "dibitmap", "wbitmap", "macpict",
                              "pmmetafile"})
            t.emplace(w, KeywordInfo{Kw::OtherBlip});
        // Destinations whose content the model cannot hold: skipped, and remembered.
        for (const char *w : {"header", "headerl", "headerr", "headerf", "footer", "footerl",
                              "footerr", "footerf"})
            t.emplace(w, KeywordInfo{Kw::SkipDest, 0, kDroppedHeaders});
        t.emplace("annotation", KeywordInfo{Kw::SkipDest, 0, kDroppedNotes});
        // Shapes, groups of shapes and old-style drawing objects: a picture or a text box's
        // text in them is read, the drawing itself is left out.
        for (const char *w : {"shp", "shpgrp", "do"})
            t.emplace(w, KeywordInfo{Kw::Shp});
        t.emplace("dptxbxtext", KeywordInfo{Kw::ShpTxt});
        // A paragraph placed on the page (anchored to the page, the margins, a column or a
        // paragraph, or aligned there) is a frame; so is one given a size or a distance
        // from the text around it.
        const struct {
            FrameSlot slot;
            std::initializer_list<const char *> words;
        } placing[] = {{kHorizontalAnchor, {"phmrg", "phpg", "phcol"}},
                       {kVerticalAnchor, {"pvmrg", "pvpg", "pvpara"}},
                       {kHorizontalAlign, {"posxc", "posxi", "posxo", "posxl", "posxr"}},
                       {kVerticalAlign, {"posyc", "posyb", "posyt", "posyin", "posyout", "posyil"}}};
        for (const auto &[slot, words] : placing) {
            char16_t value = 0;
            for (const char *w : words)
                t.emplace(w, KeywordInfo{Kw::FrameWord, ++value, 0, slot});
        }
        const std::pair<const char *, FrameSlot> sizes[] = {
            {"posx", kFrameX}, {"posy", kFrameY}, {"absw", kFrameWidth}, {"absh", kFrameHeight},
            {"dxfrtext", kFrameDistance}, {"dfrmtxtx", kFrameDistanceX}, {"dfrmtxty", kFrameDistanceY}};
        for (const auto &[w, slot] : sizes)
            t.emplace(w, KeywordInfo{Kw::FrameSize, 0, 0, slot});
        t.emplace("object", KeywordInfo{Kw::SkipDest, 0, kDroppedObjects});
        // Destinations that hold no visible text of the document. A picture in
        // \nonshppict repeats the one in \shppict for older readers.
        for (const char *w : {"stylesheet", "info", "pntext", "listtext", "revtbl", "rsidtbl", "xmlnstbl", "filetbl",
                              "objdata", "objclass", "objname", "nonshppict", "shprslt", "nonesttables",
                              "tc", "tcn", "xe", "template", "fchars", "lchars", "ftnsep",
                              "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn",
                              "atnid", "atnauthor", "background", "pgdsctbl", "latentstyles",
                              "themedata", "colorschememapping", "datastore", "generator",
                              "userprops", "docvar", "bkmkstart", "bkmkend", "txe", "private",
                              "author", "operator", "title", "subject", "keywords", "comment",
                              "doccomm", "company", "category", "hlinkbase", "mmathPr"})
            t.emplace(w, KeywordInfo{Kw::SkipDest});
        return t;
    }();
    return table;
}

KeywordInfo lookup(std::string_view word)
{
    const auto &table = keywords();
    auto it = table.find(word);
    return it == table.end() ? KeywordInfo{Kw::Unknown} : it->second;
}

constexpr std::size_t kMaxDepth = 4096;
// Face names are short (a system's limit is a few dozen characters); a longer one is damage
// and would be copied into every run's format.
constexpr std::size_t kMaxFaceLength = 255;
constexpr int kMaxUnicodeSkip = 1 << 16;

// Shape: a drawing object; only a picture in it (its "pib" property) is read.
// Lists: the list table and the list override table. Pn: an old-style numbering group.
// LevelText: a list level's label (\leveltext).
// FieldInst: a field's instruction, kept as text until the field ends.
enum class Dest : std::uint8_t { Body, Skip, FontTable, ColourTable, Upr, DefChp, Pict, Shape, Lists, LevelText, Pn, FieldInst };

// A picture being read: its words and its data, given as hex digits or as \bin bytes.
struct PictState {
    enum class Kind { None, Png, Jpeg, Other };
    Kind kind = Kind::None;
    Picture picture;
    int pendingNibble = -1; // the high half of a byte whose low half has not come yet
};

// Fonts of the three character classes that \loch, \hich and \dbch switch between.
enum Slot { LowAnsi = 0, HighAnsi = 1, DoubleByte = 2 };

// Word processors give East Asian text its own font, size and weights: after \dbch the
// "associated" words \af, \afs, \ab and \ai are those of double-byte text. After \rtlch
// they are those of right-to-left text, which we do not show.
struct CharState {
    std::array<int, 3> fonts{-1, -1, -1}; // -1: the document's default font
    int slot = -1;                        // -1: no class named, all three alike
    bool rightToLeft = false;             // \rtlch: associated words are not ours
    int sizeHalfPoints = kDefaultSizeHalfPoints;
    int dbSizeHalfPoints = 0;             // 0: as sizeHalfPoints
    signed char dbBold = -1;              // -1: as bold
    signed char dbItalic = -1;            // -1: as italic
    Colour colour;
    Colour highlight;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool hidden = false;
};

struct ParaState {
    Alignment align = Alignment::Left;
    int firstIndent = 0;
    int leftIndent = 0;
    int rightIndent = 0;
    bool pnItem = false;    // old-style numbering (\pn) makes this a list item
    Numbering pnNumbering;
    int ls = 0;             // \lsN: the list override; 0: none
    int ilvl = 0;           // \ilvlN: the level in that list
    bool frame = false;     // placed on the page: a frame's paragraph
    FramePlacement placement{}; // how, word by word; 0: not given
};

struct Group {
    Dest dest = Dest::Body;
    bool star = false;  // \* seen: an unknown destination word makes this group skipped
    bool noteRoot = false; // the group of a footnote: its end ends the note
    bool frameRoot = false; // the group of a text box's text: its end ends the text box
    int uc = 1;         // fallback characters after \uN
    CharState ch;
    ParaState para;
};

struct FontEntry {
    std::u16string face;
    int charset = kDefaultCharset;
    int pitchAndFamily = 0;
    int codePage = 0; // from \cpg; 0: follow the character set
};

int clampInt(std::int64_t v, int lo, int hi) { return int(std::clamp<std::int64_t>(v, lo, hi)); }

// A level of a list in the list table: \levelnfc, \levelstartat and \leveltext.
struct ListLevel {
    int nfc = 0;
    int start = 1;
    std::u16string text; // as \leveltext gives it: its length, then the label's text
};

// What a list level's number format shows, or nothing for a level without a label.
std::optional<Numbering> numberingOf(const ListLevel &level, int levelNumber)
{
    Numbering n;
    n.start = level.start;
    n.level = levelNumber;
    switch (level.nfc) {
    case 1: n.style = Numbering::Style::UpperRoman; break;
    case 2: n.style = Numbering::Style::LowerRoman; break;
    case 3: n.style = Numbering::Style::UpperLetter; break;
    case 4: n.style = Numbering::Style::LowerLetter; break;
    case 22: n.style = Numbering::Style::DecimalZero; break;
    case 23: n.style = Numbering::Style::Bullet; break;
    case 255: return std::nullopt; // no number
    default: n.style = Numbering::Style::Decimal; break; // ordinals, kanji and the like
    }
    // The label's text; the usual ones ("1." of its own level, a round bullet) are left
    // to the model's default.
    if (!level.text.empty()) {
        // The length is one byte; a longer one given as \uN is cut to what a byte holds.
        const std::size_t length = std::min<std::size_t>({level.text[0], level.text.size() - 1, 255});
        std::u16string label = level.text.substr(1, length);
        const bool bullet = n.style == Numbering::Style::Bullet;
        // A bullet in a symbol font's code is no character; bullets that are characters
        // are these.
        static constexpr std::u16string_view kBullets = u"\u2022\u25E6\u25AA\u25A0\u25A1\u25CF\u25CB\u25C6\u25C7"
                                                        u"\u25B6\u27A2\u2713\u2714\u2013\u2012\u30FB-*>";
        const auto unusable = [&](char16_t c) {
            return bullet ? kBullets.find(c) == std::u16string_view::npos : c >= 0xD800 && c < 0xF900;
        };
        if (std::any_of(label.begin(), label.end(), unusable))
            label.clear();
        const std::u16string usual = bullet ? std::u16string(u"\u2022") : std::u16string{char16_t(levelNumber), u'.'};
        if (label != usual)
            n.format = label;
    }
    return n;
}

// Cuts the text before `at` off a paragraph and gives it as a paragraph of the same format;
// the character at `at`, a tab between two cells, goes with it. Nothing is cut where that
// character is no tab (the paragraph changed since) or stands in a picture or a note.
Paragraph takeLeadingText(Paragraph &p, std::size_t at)
{
    Paragraph leading = p;
    leading.runs.clear();
    std::size_t offset = 0;
    for (std::size_t i = 0; i < p.runs.size(); ++i) {
        const Run &r = p.runs[i];
        if (offset + r.text.size() <= at) {
            offset += r.text.size();
            continue;
        }
        const std::size_t cut = at - offset;
        if (r.picture || r.note || r.text[cut] != u'\t')
            return Paragraph{};
        leading.runs.assign(p.runs.begin(), p.runs.begin() + std::ptrdiff_t(i));
        appendText(leading, std::u16string_view(r.text).substr(0, cut), r.format);
        Run rest = r;
        rest.text.erase(0, cut + 1);
        p.runs.erase(p.runs.begin(), p.runs.begin() + std::ptrdiff_t(i) + 1);
        if (!rest.text.empty())
            p.runs.insert(p.runs.begin(), std::move(rest));
        return leading;
    }
    return Paragraph{};
}

// Which frame a paragraph is in: a text box's, or the one its placement makes.
struct FrameIdentity {
    int box = 0;
    FramePlacement placement{};
    bool operator==(const FrameIdentity &) const = default;
};

// A note being read: the body text it interrupted is kept aside until it ends.
struct NoteFrame {
    Paragraph para;
    std::vector<Paragraph> paragraphs;
    FrameIdentity lastFrame;
    bool pendingCellTab = false;
    Note::Kind kind = Note::Kind::Footnote;
    CharFormat anchorFormat;
};

// A field being read. Fields are not computed here: what shows is the result their writer
// stored. Only a symbol field, and a formula that raises or lowers its text, whose writer
// stored no result are shown from their instruction.
struct FieldFrame {
    std::size_t depth = 0;       // the number of open groups, the field's own included
    std::u16string instruction;
    std::size_t shownBefore = 0; // characters shown before the field began
};

// Instructions are only looked at for a symbol or a formula; a longer one is not one of those.
constexpr std::size_t kMaxInstruction = 1024;
// Fields nest (a result or an instruction may hold fields); deeper than this is damage.
constexpr std::size_t kMaxFieldDepth = 64;

// A text box being read: the body paragraph it stands in is kept aside until it ends, so
// that the box's paragraphs come before that paragraph and its text stays whole.
struct FrameTextFrame {
    Paragraph para;
    bool pendingCellTab = false;
    int box = 0; // the text box's own number, counted from 1 as they begin
};

void trimSpaces(std::u16string &s)
{
    const auto notSpace = [](char16_t c) { return c != u' '; };
    s.erase(s.begin(), std::find_if(s.begin(), s.end(), notSpace));
    s.erase(std::find_if(s.rbegin(), s.rend(), notSpace).base(), s.end());
}

// A face name as the font table holds one: cut to a sane length, without spaces around it.
void tidyFaceName(std::u16string &face)
{
    if (face.size() > kMaxFaceLength) {
        face.resize(kMaxFaceLength);
        if (face.back() >= 0xD800 && face.back() < 0xDC00)
            face.pop_back(); // not half a pair
    }
    trimSpaces(face);
}

class Reader {
public:
    Document read(std::string_view input);

private:
    Group &top() { return m_groups.back(); }
    void handleText(std::string_view bytes);
    void handleByte(unsigned char b);
    void handleControlWord(const Token &t);
    void handleSymbol(char s);
    void openGroup();
    bool closeGroup(); // false when the document's own group closed

    void flush();
    void appendBody(std::u16string_view text);
    void emitPendingCellTab();
    void appendUnicode(std::int32_t value);
    void endParagraph();
    void commitFont();
    void commitColour();
    void endNote();
    void numberNotes();
    void fieldWord(Kw kw);
    void endField();
    void showSymbol(std::u16string_view instruction);
    void showFormula(std::u16string_view instruction);
    void showFieldText(std::u16string text, const CharFormat &format);
    const FontEntry *fontNamed(std::u16string_view face) const;
    void beginFrameText();
    void endFrameText();
    void endOpenNotesAndFrames();
    void listWord(Kw kw, const Token &t);
    void pnWord(Kw kw, const Token &t);
    std::optional<Numbering> listNumbering(int ls, int ilvl);
    int textCodePage() const;
    void pictWord(Kw kw, const Token &t);
    void pictHex(std::string_view digits);
    void endPicture();

    int fontIndexOf(const CharState &ch) const;
    const FontEntry *fontOf(const CharState &ch) const;
    int codePageOf(const CharState &ch) const;
    CharFormat formatOf(const CharState &ch) const;
    Colour colourAt(std::int32_t index) const;

    std::vector<Group> m_groups;
    std::size_t m_overflow = 0; // groups opened past kMaxDepth
    int m_ucSkip = 0;

    int m_docCodePage = codepage::kWindowsLatin1;
    int m_deff = 0;
    CharState m_default;
    std::unordered_map<int, FontEntry> m_fonts;
    AsciiTransparency m_asciiTransparent;
    std::vector<Colour> m_colours;

    // Font table entry being read.
    bool m_fontOpen = false;
    int m_fontIndex = 0;
    FontEntry m_font;
    // Colour table entry being read.
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colourSeen = false;

    // Bytes of text waiting to be decoded together (a double-byte character arrives as two
    // \'hh escapes, or an escape and a literal byte).
    std::string m_bytes;

    PictState m_pict;
    bool m_shapePicture = false; // the shape being read showed a picture

    // The list table: lists by \listid, and overrides (\lsN) naming a list.
    std::unordered_map<int, std::vector<ListLevel>> m_lists;
    std::unordered_map<int, int> m_overrides;
    std::size_t m_listDepth = 0;     // depth of the \list or \listoverride group being read
    bool m_inOverride = false;
    int m_listId = 0;
    int m_overrideLs = 0;
    std::vector<ListLevel> m_levels;
    std::u16string m_levelText;      // the \leveltext being read
    // The model's list numbers, 1, 2, 3... in the order the lists' first items end, by
    // \listid; m_pnList: the number of the old-style list the paragraph before is in.
    std::unordered_map<int, int> m_listNumbers;
    int m_listCount = 0;
    int m_pnList = 0;
    // The \pn group being read.
    Numbering m_pn;
    bool m_pnCont = false;

    std::vector<NoteFrame> m_notes;
    std::vector<FieldFrame> m_fields;
    std::size_t m_shown = 0; // characters of text shown so far
    std::vector<FrameTextFrame> m_frameTexts;
    int m_boxes = 0;
    // Frames are numbered as they begin, and in the order of the text once all is read (a
    // text box's paragraphs come before the paragraph that holds the box); m_lastFrame is the
    // frame of the last paragraph of the text being read (the body, or a note), when that one
    // is a frame's.
    int m_frameCount = 0;
    FrameIdentity m_lastFrame;

    Document m_doc;
    Paragraph m_para;
    bool m_pendingCellTab = false;
    // The body paragraph being read holds a page break and nothing else yet; and the number
    // of body paragraphs when the last section ended (npos: none has ended).
    bool m_pageBreak = false;
    std::size_t m_sectionEnd = std::size_t(-1);
    // Where in the paragraph being read the last tab between two cells is, in UTF-16 units.
    static constexpr std::size_t kNoCellTab = std::size_t(-1);
    std::size_t m_cellTab = kNoCellTab;
};

Document Reader::read(std::string_view input)
{
    Tokenizer tokens(input);
    // Only where text is read: a skipped destination's bytes are no text, and pairing a
    // stray byte there with a closing brace would swallow the rest of the document.
    tokens.setLeadBytes([this](unsigned char b) {
        if (m_groups.empty()
            || (top().dest != Dest::Body && top().dest != Dest::FontTable && top().dest != Dest::FieldInst))
            return false;
        return codepage::isLeadByte(textCodePage(), b);
    });
    // The document's own group is opened by the first brace.
    bool started = false;
    for (;;) {
        const Token t = tokens.next();
        if (t.kind == Token::End)
            break;
        if (!started) {
            if (t.kind == Token::GroupOpen) {
                m_groups.emplace_back();
                started = true;
            }
            continue;
        }
        if (m_ucSkip > 0) {
            // Fallback of a \uN: each byte, escape, word or symbol counts one; a brace
            // ends the fallback early.
            if (t.kind == Token::Text) {
                const std::size_t n = std::min<std::size_t>(t.text.size(), std::size_t(m_ucSkip));
                m_ucSkip -= int(n);
                if (n < t.text.size())
                    handleText(t.text.substr(n));
                continue;
            }
            if (t.kind != Token::GroupOpen && t.kind != Token::GroupClose) {
                --m_ucSkip;
                continue;
            }
            m_ucSkip = 0;
        }
        switch (t.kind) {
        case Token::Text:
            handleText(t.text);
            break;
        case Token::HexByte:
            handleByte(t.byte);
            break;
        case Token::ControlSymbol:
            handleSymbol(t.symbol);
            break;
        case Token::ControlWord:
            flush();
            handleControlWord(t);
            break;
        case Token::GroupOpen:
            flush();
            openGroup();
            break;
        case Token::GroupClose:
            flush();
            if (!closeGroup())
                goto done;
            break;
        case Token::Binary:
            flush(); // data of objects and pictures: never text
            if (top().dest == Dest::Pict)
                m_pict.picture.data.append(t.text);
            break;
        case Token::End:
            break;
        }
    }
done:
    flush();
    while (!m_fields.empty())
        endField(); // cut off before their end
    for (const Group &g : m_groups)
        if (g.dest == Dest::Pict)
            m_doc.dropped |= kDroppedPictures; // cut off before its end
    endOpenNotesAndFrames();
    if (m_groups.empty())
        m_groups.emplace_back();
    // Text after the last paragraph mark is a paragraph of its own; an empty tail is just
    // the end of the previous one.
    if (!m_para.runs.empty() || m_doc.paragraphs.empty() || m_pageBreak)
        endParagraph();
    numberNotes();
    numberFrames(m_doc);
    numberLists(m_doc); // a frame written before the paragraph it stood in ends first
    m_doc.defaultFormat = formatOf(m_default);
    return std::move(m_doc);
}

void Reader::openGroup()
{
    if (m_groups.size() >= kMaxDepth) {
        ++m_overflow;
        return;
    }
    Group g = top();
    g.star = false;
    g.noteRoot = false;
    g.frameRoot = false;
    if (g.dest == Dest::DefChp || g.dest == Dest::Pict)
        g.dest = Dest::Skip; // a picture's own groups (\picprop, \blipuid) are no data
    m_groups.push_back(g);
}

bool Reader::closeGroup()
{
    if (m_overflow > 0) {
        --m_overflow;
        return true;
    }
    if (m_groups.size() <= 1)
        return false; // the document ends here; keep its state for the last paragraph
    if (m_groups.size() == m_listDepth) {
        if (m_inOverride) {
            if (m_overrideLs != 0)
                m_overrides[m_overrideLs] = m_listId;
        } else {
            m_lists[m_listId] = std::move(m_levels);
            m_listNumbers.erase(m_listId); // a list defined again is another list
        }
        m_levels.clear();
        m_listDepth = 0;
    }
    if (!m_fields.empty() && m_fields.back().depth == m_groups.size())
        endField(); // with the field's own group still on top
    if (m_groups.back().noteRoot && !m_notes.empty())
        endNote(); // with the note's own paragraph state still on top
    if (m_groups.back().frameRoot && !m_frameTexts.empty())
        endFrameText();
    const Group closing = m_groups.back();
    m_groups.pop_back();
    switch (closing.dest) {
    case Dest::FontTable:
        // An entry of the table is a group of its own; the table's end also ends an
        // entry written without braces.
        if (top().dest != Dest::FontTable || m_fontOpen)
            commitFont();
        break;
    case Dest::Pict:
        endPicture();
        break;
    case Dest::Shape:
        // A picture is shown in the text where its shape was anchored; any other drawing
        // is left out.
        if (top().dest != Dest::Shape && !m_shapePicture)
            m_doc.dropped |= kDroppedDrawings;
        break;
    case Dest::LevelText:
        if (top().dest != Dest::LevelText && !m_levels.empty())
            m_levels.back().text = std::move(m_levelText);
        m_levelText.clear();
        break;
    case Dest::Pn:
        if (top().dest != Dest::Pn) {
            top().para.pnItem = !m_pnCont;
            top().para.pnNumbering = m_pn;
        }
        break;
    case Dest::DefChp:
        if (top().dest != Dest::DefChp) {
            m_default = closing.ch;
            m_default.hidden = false;
            for (Group &g : m_groups)
                g.ch = m_default;
        }
        break;
    default:
        break;
    }
    return true;
}

void Reader::handleText(std::string_view bytes)
{
    switch (top().dest) {
    case Dest::Body: {
        std::size_t start = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(bytes[i]);
            if (c >= 0x20)
                continue;
            m_bytes.append(bytes.substr(start, i - start));
            start = i + 1;
            if (c == '\t') {
                flush();
                appendBody(u"\t");
            }
            // Other control bytes are not text in RTF.
        }
        if (start < bytes.size()) {
            emitPendingCellTab();
            m_bytes.append(bytes.substr(start));
        }
        break;
    }
    case Dest::FontTable:
        for (char c : bytes) {
            if (c == ';') {
                commitFont();
            } else if (static_cast<unsigned char>(c) >= 0x20) {
                if (!m_fontOpen) {
                    m_fontOpen = true; // a name without \f: numbered after the last
                }
                m_bytes.push_back(c);
            }
        }
        break;
    case Dest::ColourTable:
        for (char c : bytes)
            if (c == ';')
                commitColour();
        break;
    case Dest::Pict:
        pictHex(bytes);
        break;
    case Dest::LevelText:
        m_bytes.append(bytes);
        break;
    case Dest::FieldInst:
        for (char c : bytes)
            if (static_cast<unsigned char>(c) >= 0x20)
                m_bytes.push_back(c);
        break;
    default:
        break;
    }
}

void Reader::handleByte(unsigned char b)
{
    const Dest d = top().dest;
    if (d == Dest::LevelText && m_levelText.empty() && m_bytes.empty()) {
        // A level text's first byte is its length, no character of any code page.
        m_levelText += char16_t(b);
        return;
    }
    if (d == Dest::Body || d == Dest::FontTable || d == Dest::LevelText || d == Dest::FieldInst) {
        if (d == Dest::Body)
            emitPendingCellTab();
        m_bytes.push_back(static_cast<char>(b));
    }
}

void Reader::handleSymbol(char s)
{
    switch (s) {
    case '\\':
    case '{':
    case '}':
        handleText(std::string_view(&s, 1));
        return;
    case '*':
        flush();
        top().star = true;
        return;
    case '~':
        flush();
        if (top().dest == Dest::Body)
            appendBody(u"\u00A0");
        return;
    case '_':
        flush();
        if (top().dest == Dest::Body)
            appendBody(u"\u2011");
        return;
    default:
        // \- (optional hyphen), \: and \| show nothing.
        flush();
        return;
    }
}

void Reader::handleControlWord(const Token &t)
{
    Group &g = top();
    const KeywordInfo info = lookup(t.text);
    const bool star = g.star;
    g.star = false;
    const std::int32_t p = t.param;

    switch (g.dest) {
    case Dest::Skip:
        return;
    case Dest::Upr:
        if (info.kw == Kw::Ud)
            g.dest = Dest::Body;
        return;
    case Dest::Pict:
        pictWord(info.kw, t);
        return;
    case Dest::Shape:
        if (info.kw == Kw::Pict) {
            g.dest = Dest::Pict;
            m_pict = PictState{};
        } else if (info.kw == Kw::SkipDest) {
            g.dest = Dest::Skip; // \shprslt: the same drawing again, for older readers
        } else if (info.kw == Kw::ShpTxt) {
            g.dest = Dest::Body; // a text box's text is shown where the box is anchored
            g.frameRoot = true;
            beginFrameText();
        }
        return;
    case Dest::LevelText:
        if (info.kw == Kw::U) {
            appendUnicode(p);
            m_ucSkip = g.uc;
        } else if (info.kw == Kw::Uc) {
            g.uc = clampInt(p, 0, kMaxUnicodeSkip);
        }
        return;
    case Dest::Lists:
        if (info.kw == Kw::Pict || info.kw == Kw::SkipDest)
            g.dest = Dest::Skip; // a picture bullet; the level's texts
        else
            listWord(info.kw, t);
        return;
    case Dest::Pn:
        pnWord(info.kw, t);
        return;
    default:
        break;
    }
    if (g.dest == Dest::Body)
        m_doc.dropped |= info.dropped;
    if (star && info.kw != Kw::Pn && info.kw != Kw::Ud && info.kw != Kw::DefChp
        && info.kw != Kw::ShpPict && info.kw != Kw::ListTable && info.kw != Kw::ReadDest
        && info.kw != Kw::Footnote && info.kw != Kw::Shp && info.kw != Kw::FldInst
        && info.kw != Kw::FldRslt) {
        g.dest = Dest::Skip;
        return;
    }

    CharState &ch = g.ch;
    ParaState &para = g.para;
    switch (info.kw) {
    case Kw::Unknown:
        return;
    case Kw::Ansi: m_docCodePage = codepage::kWindowsLatin1; return;
    case Kw::Mac: m_docCodePage = 10000; return;
    case Kw::Pc: m_docCodePage = 437; return;
    case Kw::Pca: m_docCodePage = 850; return;
    case Kw::AnsiCpg:
        if (t.hasParam && p > 0)
            m_docCodePage = p;
        return;
    case Kw::Deff: m_deff = p; return;
    case Kw::Uc: g.uc = clampInt(p, 0, kMaxUnicodeSkip); return;
    case Kw::U:
        appendUnicode(p);
        m_ucSkip = g.uc;
        return;
    case Kw::Upr: g.dest = Dest::Upr; return;
    case Kw::Ud: return; // outside \upr: its text is simply read
    case Kw::DefChp:
        g.dest = Dest::DefChp;
        g.ch = m_default;
        return;
    case Kw::FontTbl:
        g.dest = Dest::FontTable;
        m_fontOpen = false;
        return;
    case Kw::ColorTbl:
        g.dest = Dest::ColourTable;
        m_colours.clear();
        m_colourSeen = false;
        m_red = m_green = m_blue = 0;
        return;
    case Kw::SkipDest: g.dest = Dest::Skip; return;
    case Kw::ReadDest: return;
    case Kw::ShpPict: return; // holds the picture itself: read on
    case Kw::ListTable:
        g.dest = Dest::Lists;
        m_listDepth = 0;
        return;
    case Kw::Footnote:
        if (g.dest != Dest::Body || !m_notes.empty() || m_groups.size() < 2) {
            g.dest = Dest::Skip; // notes do not nest
            m_doc.dropped |= kDroppedNotes;
            return;
        }
        emitPendingCellTab();
        m_notes.push_back(NoteFrame{std::move(m_para), std::move(m_doc.paragraphs), m_lastFrame, m_pendingCellTab,
                                    Note::Kind::Footnote, formatOf(m_groups[m_groups.size() - 2].ch)});
        m_para = Paragraph{};
        m_doc.paragraphs.clear();
        m_pendingCellTab = false;
        g.noteRoot = true;
        return;
    case Kw::Field:
    case Kw::FldInst:
    case Kw::FldRslt:
        fieldWord(info.kw);
        return;
    case Kw::FtnAlt:
        if (!m_notes.empty())
            m_notes.back().kind = Note::Kind::Endnote;
        return;
    case Kw::Shp:
        if (g.dest == Dest::Body) {
            g.dest = Dest::Shape;
            m_shapePicture = false;
        } else {
            g.dest = Dest::Skip;
        }
        return;
    case Kw::Pict:
        if (g.dest == Dest::Body) {
            g.dest = Dest::Pict;
            m_pict = PictState{};
        } else {
            g.dest = Dest::Skip;
        }
        return;
    default:
        break;
    }

    if (g.dest == Dest::FontTable) {
        switch (info.kw) {
        case Kw::F:
            if (m_fontOpen)
                commitFont();
            m_fontOpen = true;
            m_fontIndex = p;
            return;
        case Kw::FCharset:
            // A value outside the table (Mac word processors write 256) names no
            // character set: the text is in the document's code page.
            m_fontOpen = true;
            m_font.charset = p >= 0 && p <= 255 ? p : kDefaultCharset;
            return;
        case Kw::Cpg: m_font.codePage = clampInt(p, 0, 65535); return;
        case Kw::FPrq: m_font.pitchAndFamily = (m_font.pitchAndFamily & ~0x03) | (p & 0x03); return;
        case Kw::FNil: m_font.pitchAndFamily = (m_font.pitchAndFamily & 0x03) | kFamilyDontCare; return;
        case Kw::FRoman: m_font.pitchAndFamily = (m_font.pitchAndFamily & 0x03) | kFamilyRoman; return;
        case Kw::FSwiss: m_font.pitchAndFamily = (m_font.pitchAndFamily & 0x03) | kFamilySwiss; return;
        case Kw::FModern: m_font.pitchAndFamily = (m_font.pitchAndFamily & 0x03) | kFamilyModern; return;
        case Kw::FScript: m_font.pitchAndFamily = (m_font.pitchAndFamily & 0x03) | kFamilyScript; return;
        case Kw::FDecor:
        case Kw::FTech: m_font.pitchAndFamily = (m_font.pitchAndFamily & 0x03) | kFamilyDecorative; return;
        case Kw::FBidi: m_font.pitchAndFamily = (m_font.pitchAndFamily & 0x03) | kFamilyDontCare; return;
        default: return;
        }
    }
    if (g.dest == Dest::ColourTable) {
        switch (info.kw) {
        case Kw::Red: m_red = clampInt(p, 0, 255); m_colourSeen = true; return;
        case Kw::Green: m_green = clampInt(p, 0, 255); m_colourSeen = true; return;
        case Kw::Blue: m_blue = clampInt(p, 0, 255); m_colourSeen = true; return;
        default: return;
        }
    }

    const bool on = !t.hasParam || p != 0;
    const bool body = g.dest == Dest::Body; // not \defchp, which only sets formats
    switch (info.kw) {
    // character formatting
    case Kw::F:
        if (ch.slot < 0)
            ch.fonts = {p, p, p};
        else
            ch.fonts[std::size_t(ch.slot)] = p;
        return;
    case Kw::Af:
        if (ch.slot >= 0 && !ch.rightToLeft)
            ch.fonts[std::size_t(ch.slot)] = p;
        return;
    case Kw::Afs:
        if (ch.slot == DoubleByte && !ch.rightToLeft)
            ch.dbSizeHalfPoints = t.hasParam && p > 0 ? clampInt(p, 1, 32767) : kDefaultSizeHalfPoints;
        return;
    case Kw::Ab:
        if (ch.slot == DoubleByte && !ch.rightToLeft)
            ch.dbBold = on;
        return;
    case Kw::Ai:
        if (ch.slot == DoubleByte && !ch.rightToLeft)
            ch.dbItalic = on;
        return;
    case Kw::Loch: ch.slot = LowAnsi; ch.rightToLeft = false; return;
    case Kw::Hich: ch.slot = HighAnsi; ch.rightToLeft = false; return;
    case Kw::Dbch: ch.slot = DoubleByte; ch.rightToLeft = false; return;
    case Kw::RtlCh: ch.rightToLeft = true; return;
    case Kw::LtrCh: ch.rightToLeft = false; return;
    case Kw::Plain: ch = m_default; return;
    case Kw::Fs:
        ch.sizeHalfPoints = t.hasParam && p > 0 ? clampInt(p, 1, 32767) : kDefaultSizeHalfPoints;
        return;
    case Kw::B: ch.bold = on; return;
    case Kw::I: ch.italic = on; return;
    case Kw::Ul:
    case Kw::UlStyle: ch.underline = on; return;
    case Kw::UlNone: ch.underline = false; return;
    case Kw::Strike:
    case Kw::StrikeD: ch.strikeOut = on; return;
    case Kw::Cf: ch.colour = colourAt(t.hasParam ? p : 0); return;
    case Kw::Highlight: ch.highlight = p > 0 ? colourAt(p) : Colour{}; return;
    case Kw::Hidden: ch.hidden = on; return;
    // paragraph formatting
    case Kw::Pard: para = ParaState{}; return;
    case Kw::Ql:
    case Kw::Qj:
    case Kw::Qd: para.align = Alignment::Left; return;
    case Kw::Qc: para.align = Alignment::Centre; return;
    case Kw::Qr: para.align = Alignment::Right; return;
    case Kw::Fi: para.firstIndent = p; return;
    case Kw::Li:
    case Kw::Lin: para.leftIndent = p; return;
    case Kw::Ri:
    case Kw::Rin: para.rightIndent = p; return;
    case Kw::Ls: para.ls = p; return;
    case Kw::Ilvl: para.ilvl = p; return;
    case Kw::FrameWord:
        para.frame = true;
        para.placement[info.slot] = std::int32_t(info.ch);
        return;
    case Kw::FrameSize:
        if (p != 0)
            para.frame = true;
        para.placement[info.slot] = p;
        return;
    case Kw::PnLvlBlt: para.pnItem = true; para.pnNumbering = Numbering{}; return;
    case Kw::Pn:
        // Old-style numbering: the group describes the paragraph's label.
        g.dest = Dest::Pn;
        m_pn = Numbering{};
        m_pn.style = Numbering::Style::Decimal;
        m_pnCont = false;
        return;
    // text
    case Kw::Par:
    case Kw::Row:
        if (body) {
            m_pendingCellTab = false;
            endParagraph();
        }
        return;
    case Kw::Page:
    case Kw::Sect: {
        // A break of page or section also ends a paragraph, unless a \par just did. A
        // paragraph that holds only a page break is one all the same when a section ends
        // it, and a section holds at least one paragraph: word processors show both.
        if (!body)
            return;
        const bool inBody = m_notes.empty() && m_frameTexts.empty();
        const bool sect = info.kw == Kw::Sect;
        if (!m_para.runs.empty()
            || (sect && inBody && (m_pageBreak || m_sectionEnd == m_doc.paragraphs.size()))) {
            m_pendingCellTab = false;
            endParagraph();
        } else if (!sect && inBody) {
            m_pageBreak = true;
        }
        if (sect && inBody)
            m_sectionEnd = m_doc.paragraphs.size();
        return;
    }
    case Kw::TableWord:
        if (body)
            m_doc.dropped |= kDroppedTables;
        return;
    case Kw::Cell:
    case Kw::NestCell:
        if (body) {
            m_doc.dropped |= kDroppedTables;
            if ((para.ls != 0 || para.pnItem) && !m_para.runs.empty()) {
                // A list item ends with its cell, as it would with a paragraph mark.
                m_pendingCellTab = false;
                endParagraph();
                return;
            }
            emitPendingCellTab(); // the previous cell was empty
            m_pendingCellTab = true;
        }
        return;
    case Kw::Line:
        if (body)
            appendBody(u"\v");
        return;
    case Kw::Tab:
        if (body)
            appendBody(u"\t");
        return;
    case Kw::Char:
        if (body)
            appendBody(std::u16string_view(&info.ch, 1));
        return;
    default:
        return;
    }
}

void Reader::listWord(Kw kw, const Token &t)
{
    const std::int32_t p = t.hasParam ? t.param : 0;
    switch (kw) {
    case Kw::List:
    case Kw::ListOverride:
        m_listDepth = m_groups.size();
        m_inOverride = kw == Kw::ListOverride;
        m_listId = 0;
        m_overrideLs = 0;
        m_levels.clear();
        return;
    case Kw::ListId: m_listId = p; return;
    case Kw::Ls: m_overrideLs = p; return;
    case Kw::ListLevel:
        if (m_listDepth && !m_inOverride && m_levels.size() < 9)
            m_levels.emplace_back();
        return;
    case Kw::LevelNfc:
        if (!m_levels.empty())
            m_levels.back().nfc = p;
        return;
    case Kw::LevelStartAt:
        if (!m_levels.empty())
            m_levels.back().start = p;
        return;
    case Kw::LevelText:
        if (m_listDepth && !m_inOverride && !m_levels.empty()) {
            top().dest = Dest::LevelText;
            m_levelText.clear();
        }
        return;
    default:
        return;
    }
}

void Reader::pnWord(Kw kw, const Token &t)
{
    using Style = Numbering::Style;
    switch (kw) {
    case Kw::PnLvlBlt: m_pn.style = Style::Bullet; return;
    case Kw::PnLvlCont: m_pnCont = true; return;
    case Kw::PnDec: m_pn.style = Style::Decimal; return;
    case Kw::PnUcLtr: m_pn.style = Style::UpperLetter; return;
    case Kw::PnLcLtr: m_pn.style = Style::LowerLetter; return;
    case Kw::PnUcRm: m_pn.style = Style::UpperRoman; return;
    case Kw::PnLcRm: m_pn.style = Style::LowerRoman; return;
    case Kw::PnStart: m_pn.start = t.hasParam ? t.param : 1; return;
    case Kw::Pict:
    case Kw::SkipDest: top().dest = Dest::Skip; return;
    default: return;
    }
}

std::optional<Numbering> Reader::listNumbering(int ls, int ilvl)
{
    const auto override = m_overrides.find(ls);
    if (override == m_overrides.end())
        return std::nullopt;
    const auto list = m_lists.find(override->second);
    if (list == m_lists.end() || list->second.empty())
        return std::nullopt;
    // A level the list does not define takes the last it does.
    const int level = std::clamp(ilvl, 0, kListLevels - 1);
    std::optional<Numbering> n =
        numberingOf(list->second[std::size_t(std::min(level, int(list->second.size()) - 1))], level);
    if (n) {
        // Overrides of one list count on together, as word processors count them.
        const auto number = m_listNumbers.try_emplace(override->second, m_listCount + 1).first;
        m_listCount = std::max(m_listCount, number->second);
        n->list = number->second;
    }
    return n;
}

void Reader::endNote()
{
    flush();
    if (!m_para.runs.empty())
        endParagraph();
    NoteFrame frame = std::move(m_notes.back());
    m_notes.pop_back();
    Note note{frame.kind, std::move(m_doc.paragraphs)};
    m_doc.paragraphs = std::move(frame.paragraphs);
    m_lastFrame = frame.lastFrame;
    m_para = std::move(frame.para);
    m_pendingCellTab = frame.pendingCellTab;
    appendNote(m_para, {}, std::move(note), frame.anchorFormat); // its mark once all are read
}

void Reader::numberNotes()
{
    // In the order the marks stand in the text, which is not the order the notes were read
    // in where a text box holds one: the box's paragraphs come before the paragraph that
    // holds the box.
    int footnotes = 0;
    int endnotes = 0;
    for (Paragraph &p : m_doc.paragraphs) {
        for (Run &r : p.runs) {
            if (!r.note)
                continue;
            r.text.clear();
            if (r.note->kind == Note::Kind::Endnote) {
                r.text = numberLabel(Numbering{Numbering::Style::LowerRoman, 1}, endnotes++);
                r.text.pop_back(); // the label's full stop
            } else {
                for (char c : std::to_string(++footnotes))
                    r.text += char16_t(c);
            }
        }
    }
}

void Reader::fieldWord(Kw kw)
{
    Group &g = top();
    switch (kw) {
    case Kw::Field:
        // A field inside an instruction is part of that instruction's text.
        if (g.dest == Dest::Body && m_fields.size() < kMaxFieldDepth
            && (m_fields.empty() || m_fields.back().depth < m_groups.size()))
            m_fields.push_back(FieldFrame{m_groups.size(), {}, m_shown});
        return;
    case Kw::FldInst:
        if (g.dest == Dest::Body)
            g.dest = Dest::FieldInst;
        else if (g.dest == Dest::FieldInst)
            g.dest = Dest::Skip; // the instruction of a field inside an instruction
        return;
    default:
        // The result is read as the text it is; some writers mark it with \* as if
        // readers could do without it.
        return;
    }
}

void Reader::endField()
{
    flush();
    const FieldFrame field = std::move(m_fields.back());
    m_fields.pop_back();
    if (m_shown == field.shownBefore)
        showSymbol(field.instruction);
    if (m_shown == field.shownBefore)
        showFormula(field.instruction);
}

// The words of a field instruction: switches (\f), numbers, names; a quoted name is one
// word without its quotes.
std::vector<std::u16string_view> instructionWords(std::u16string_view s)
{
    std::vector<std::u16string_view> words;
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] == u' ' || s[i] == u'\t') {
            ++i;
            continue;
        }
        std::size_t end;
        if (s[i] == u'"') {
            end = s.find(u'"', i + 1);
            if (end == std::u16string_view::npos)
                end = s.size();
            words.push_back(s.substr(i + 1, end - i - 1));
            i = end + 1;
            continue;
        }
        end = s.find_first_of(u" \t\"", i + 1);
        if (end == std::u16string_view::npos)
            end = s.size();
        words.push_back(s.substr(i, end - i));
        i = end;
    }
    return words;
}

bool sameAsciiWord(std::u16string_view a, std::u16string_view b)
{
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) {
               return lower(x) == lower(y);
           });
}

// A number as field instructions give one: decimal, or hexadecimal after 0x. Tenths are
// cut off (a size of 10.5 points is given as 105 tenths, to keep the half). -1: no number.
std::int64_t instructionNumber(std::u16string_view w, bool tenths = false)
{
    int base = 10;
    if (w.size() > 2 && w[0] == u'0' && (w[1] == u'x' || w[1] == u'X')) {
        base = 16;
        w.remove_prefix(2);
    }
    std::int64_t n = 0;
    bool digits = false;
    for (std::size_t i = 0; i < w.size(); ++i) {
        const char16_t c = w[i];
        int d;
        if (c >= u'0' && c <= u'9')
            d = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            d = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            d = c - u'A' + 10;
        else if (c == u'.' && tenths && base == 10)
            return digits ? n * 10 + (i + 1 < w.size() && w[i + 1] >= u'0' && w[i + 1] <= u'9' ? w[i + 1] - u'0' : 0)
                          : -1;
        else
            return -1;
        n = n * base + d;
        digits = true;
        if (n > 0x10FFFF * 10)
            return -1;
    }
    if (!digits)
        return -1;
    return tenths ? n * 10 : n;
}

const FontEntry *Reader::fontNamed(std::u16string_view face) const
{
    const FontEntry *found = nullptr;
    int foundIndex = 0;
    for (const auto &[index, font] : m_fonts)
        if (sameAsciiWord(font.face, face) && (!found || index < foundIndex)) {
            found = &font;
            foundIndex = index;
        }
    return found;
}

// A symbol field, "SYMBOL 183 \f "Symbol" \s 10": the character of that number in that
// font (\u: a Unicode number, \j: a Shift-JIS code), at that size in points.
void Reader::showSymbol(std::u16string_view instruction)
{
    const std::vector<std::u16string_view> words = instructionWords(instruction);
    if (words.size() < 2 || !sameAsciiWord(words[0], u"SYMBOL") || top().dest != Dest::Body)
        return;
    const std::int64_t number = instructionNumber(words[1]);
    if (number < 0x20 || number > 0x10FFFF)
        return;
    bool unicode = false, shiftJis = false, named = false;
    std::u16string face;
    std::int64_t tenths = -1;
    for (std::size_t i = 2; i < words.size(); ++i) {
        if (sameAsciiWord(words[i], u"\\u")) {
            unicode = true;
        } else if (sameAsciiWord(words[i], u"\\j")) {
            shiftJis = true;
        } else if (sameAsciiWord(words[i], u"\\f") && i + 1 < words.size()) {
            // A name as the font table would give it, which ends a name at a semicolon.
            const std::u16string_view name = words[++i];
            face = name.substr(0, name.find(u';'));
            tidyFaceName(face);
            named = !face.empty();
        } else if (sameAsciiWord(words[i], u"\\s") && i + 1 < words.size()) {
            tenths = instructionNumber(words[++i], true);
        }
    }

    CharFormat format = formatOf(top().ch);
    const FontEntry *font = named ? fontNamed(face) : fontOf(top().ch);
    if (named) {
        format.face = font ? font->face : face;
        format.charset = font ? font->charset : kDefaultCharset;
        format.pitchAndFamily = font ? font->pitchAndFamily : kDefaultPitch | kFamilyDontCare;
    }
    if (tenths > 0)
        format.sizeHalfPoints = clampInt(tenths / 5, 1, 32767);

    std::u16string text;
    if (shiftJis && !unicode) {
        std::string bytes;
        if (number > 0xFF)
            bytes += static_cast<char>(number >> 8 & 0xFF);
        bytes += static_cast<char>(number & 0xFF);
        text = codepage::decode(codepage::kShiftJis, bytes);
    } else if (unicode || number > 0xFF || (named && !font)) {
        // A font the document does not list: its character codes are taken as Latin-1.
        if (number > 0xFFFF) {
            const std::uint32_t v = std::uint32_t(number) - 0x10000;
            text = {char16_t(0xD800 + (v >> 10)), char16_t(0xDC00 + (v & 0x3FF))};
        } else if (number < 0xD800 || number > 0xDFFF) {
            text = char16_t(number);
        }
    } else {
        // The byte in the font's own code page, as if the text had held it.
        const int cp = !font ? m_docCodePage
                       : font->codePage ? font->codePage
                                        : codepage::codePageForCharset(font->charset, m_docCodePage);
        text = codepage::decode(cp, std::string(1, static_cast<char>(number)));
    }
    showFieldText(text, format);
}

// A formula field that raises or lowers its text, "EQ \s\up8(text)" or "EQ \s\do5(text)":
// the text, as it stands. Other formulas are left out.
void Reader::showFormula(std::u16string_view s)
{
    if (top().dest != Dest::Body)
        return;
    const auto skipSpaces = [&] {
        while (!s.empty() && (s.front() == u' ' || s.front() == u'\t'))
            s.remove_prefix(1);
    };
    const auto take = [&](std::u16string_view word) {
        skipSpaces();
        if (s.size() < word.size() || !sameAsciiWord(s.substr(0, word.size()), word))
            return false;
        s.remove_prefix(word.size());
        return true;
    };
    if (!take(u"EQ") || s.empty() || (s.front() != u' ' && s.front() != u'\\') || !take(u"\\s")
        || !(take(u"\\up") || take(u"\\do")))
        return;
    skipSpaces();
    while (!s.empty() && s.front() >= u'0' && s.front() <= u'9')
        s.remove_prefix(1); // how far, in points
    skipSpaces();
    const std::size_t close = s.find(u')');
    if (s.empty() || s.front() != u'(' || close == std::u16string_view::npos)
        return;
    showFieldText(std::u16string(s.substr(1, close - 1)), formatOf(top().ch));
}

void Reader::showFieldText(std::u16string text, const CharFormat &format)
{
    // Controls are no characters to show (a code page may map a symbol's byte to one).
    std::erase_if(text, [](char16_t c) { return c < 0x20; });
    if (text.empty())
        return;
    emitPendingCellTab();
    appendText(m_para, text, format);
    m_shown += text.size();
}

void Reader::beginFrameText()
{
    m_frameTexts.push_back(FrameTextFrame{std::move(m_para), m_pendingCellTab, ++m_boxes});
    m_para = Paragraph{};
    m_pendingCellTab = false;
}

void Reader::endFrameText()
{
    // The box's last paragraph need not end with a paragraph mark.
    flush();
    if (!m_para.runs.empty())
        endParagraph();
    FrameTextFrame frame = std::move(m_frameTexts.back());
    m_frameTexts.pop_back();
    m_para = std::move(frame.para);
    m_pendingCellTab = frame.pendingCellTab;
}

void Reader::endOpenNotesAndFrames()
{
    // Notes and text boxes cut off before their end, innermost first, each with its own
    // paragraph state on top.
    for (std::size_t i = m_groups.size(); i-- > 0;) {
        if (!m_groups[i].noteRoot && !m_groups[i].frameRoot)
            continue;
        m_groups.resize(i + 1);
        // One group may begin a text box and, inside it, a note.
        if (m_groups[i].noteRoot && !m_notes.empty())
            endNote();
        if (m_groups[i].frameRoot && !m_frameTexts.empty())
            endFrameText();
        if (m_groups.size() > 1)
            m_groups.pop_back();
    }
    while (!m_notes.empty())
        endNote();
}

int Reader::textCodePage() const
{
    if (m_groups.empty())
        return m_docCodePage;
    if (m_groups.back().dest == Dest::FontTable)
        return m_font.codePage ? m_font.codePage : codepage::codePageForCharset(m_font.charset, m_docCodePage);
    return codePageOf(m_groups.back().ch);
}

void Reader::appendUnicode(std::int32_t value)
{
    char16_t units[2];
    std::size_t n = 1;
    if (value > 0xFFFF && value <= 0x10FFFF) {
        // Some writers give characters beyond the basic plane as one number.
        const std::uint32_t v = std::uint32_t(value) - 0x10000;
        units[0] = char16_t(0xD800 + (v >> 10));
        units[1] = char16_t(0xDC00 + (v & 0x3FF));
        n = 2;
    } else {
        units[0] = char16_t(std::uint32_t(value) & 0xFFFF); // negative: the signed 16-bit form
    }
    const std::u16string_view text(units, n);
    switch (top().dest) {
    case Dest::Body:
        appendBody(text);
        break;
    case Dest::FontTable:
        m_fontOpen = true;
        m_font.face += text;
        break;
    case Dest::LevelText:
        m_levelText += text;
        break;
    case Dest::FieldInst:
        if (!m_fields.empty() && m_fields.back().instruction.size() < kMaxInstruction)
            m_fields.back().instruction += text;
        break;
    default:
        break;
    }
}

void Reader::flush()
{
    if (m_bytes.empty())
        return;
    std::u16string text;
    const Group &g = top();
    const bool ascii = std::all_of(m_bytes.begin(), m_bytes.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    int cp = codePageOf(g.ch);
    if (g.dest == Dest::FontTable) {
        // A symbol font's name is ordinary text, not glyph numbers.
        cp = m_font.codePage ? m_font.codePage : codepage::codePageForCharset(m_font.charset, m_docCodePage);
        if (cp == codepage::kSymbol)
            cp = codepage::kWindowsLatin1;
    } else if (g.dest == Dest::LevelText) {
        cp = m_docCodePage; // the list table's fonts are not followed
    }
    if (ascii && m_asciiTransparent(cp))
        text.assign(m_bytes.begin(), m_bytes.end());
    else
        text = codepage::decode(cp, m_bytes);
    m_bytes.clear();
    if (g.dest == Dest::FontTable)
        m_font.face += text;
    else if (g.dest == Dest::LevelText)
        m_levelText += text;
    else if (g.dest == Dest::Body)
        appendBody(text);
    else if (g.dest == Dest::FieldInst && !m_fields.empty() && m_fields.back().instruction.size() < kMaxInstruction)
        m_fields.back().instruction += text;
}

void Reader::appendBody(std::u16string_view text)
{
    if (top().dest != Dest::Body)
        return;
    // A carriage return or line feed given as \'0d, \'0a or \uN ends the paragraph, as
    // other readers take it; the model holds no paragraph break inside a run.
    for (std::size_t end; (end = text.find_first_of(u"\r\n")) != std::u16string_view::npos;) {
        if (end > 0) {
            emitPendingCellTab();
            appendText(m_para, text.substr(0, end), formatOf(top().ch));
            m_shown += end;
        }
        m_pendingCellTab = false;
        endParagraph();
        text.remove_prefix(end + 1);
    }
    if (text.empty())
        return;
    emitPendingCellTab();
    appendText(m_para, text, formatOf(top().ch));
    m_shown += text.size();
}

void Reader::emitPendingCellTab()
{
    // The tab between two cells goes before the next cell's text, so that a row's last
    // cell adds none. Bytes held for decoding belong after it, which cannot happen here:
    // a cell ends with a control word, and those flush.
    const Group &g = top();
    if (!m_pendingCellTab || g.dest != Dest::Body)
        return;
    m_pendingCellTab = false;
    m_cellTab = 0;
    for (const Run &r : m_para.runs)
        m_cellTab += r.text.size();
    appendText(m_para, u"\t", formatOf(g.ch));
}

void Reader::endParagraph()
{
    flush();
    const ParaState &ps = top().para;
    m_para.align = ps.align;
    m_para.firstIndentTwips = ps.firstIndent;
    m_para.leftIndentTwips = ps.leftIndent;
    m_para.rightIndentTwips = ps.rightIndent;
    m_para.frame = 0;
    if (ps.frame || !m_frameTexts.empty()) {
        FrameIdentity frame;
        if (!m_frameTexts.empty())
            frame.box = m_frameTexts.back().box;
        else
            frame.placement = ps.placement;
        const bool same = !m_doc.paragraphs.empty() && m_doc.paragraphs.back().frame != 0 && m_lastFrame == frame;
        m_para.frame = same ? m_doc.paragraphs.back().frame : ++m_frameCount;
        m_lastFrame = frame;
    }
    // A paragraph in a list the list table does not know is in no list; old-style numbering
    // in the same paragraph is for readers that do not know list tables.
    std::optional<Numbering> numbering;
    if (ps.ls != 0)
        numbering = listNumbering(ps.ls, ps.ilvl);
    if (!numbering && ps.pnItem) {
        // Old-style items of one numbering in a row are one list.
        numbering = ps.pnNumbering;
        const bool continues = m_pnList != 0 && !m_doc.paragraphs.empty() && m_doc.paragraphs.back().bullet
                               && m_doc.paragraphs.back().numbering.list == m_pnList
                               && m_doc.paragraphs.back().numbering.style == numbering->style
                               && m_doc.paragraphs.back().numbering.start == numbering->start;
        if (!continues)
            m_pnList = ++m_listCount;
        numbering->list = m_pnList;
    } else {
        m_pnList = 0;
    }
    m_para.bullet = numbering.has_value();
    if (numbering) {
        m_para.numbering = *numbering;
        // A list in a table cell: the text of the cells before it, which a row's paragraph
        // holds, is a paragraph of its own, so that the label stands before the item.
        if (m_cellTab != kNoCellTab && m_cellTab > 0) {
            Paragraph cells = takeLeadingText(m_para, m_cellTab);
            if (!cells.runs.empty()) {
                cells.bullet = false;
                cells.numbering = Numbering{};
                m_doc.paragraphs.push_back(std::move(cells));
            }
        }
    }
    m_cellTab = kNoCellTab;
    if (m_notes.empty() && m_frameTexts.empty())
        m_pageBreak = false;
    m_doc.paragraphs.push_back(std::move(m_para));
    m_para = Paragraph{};
}

void Reader::commitFont()
{
    flush();
    if (m_fontOpen) {
        tidyFaceName(m_font.face);
        m_fonts.insert_or_assign(m_fontIndex, std::move(m_font));
        if (m_fontIndex < std::numeric_limits<int>::max())
            ++m_fontIndex; // a following entry without \f takes the next number
    }
    m_font = FontEntry{};
    m_fontOpen = false;
}

void Reader::pictWord(Kw kw, const Token &t)
{
    Picture &p = m_pict.picture;
    const int v = t.hasParam ? t.param : 0;
    switch (kw) {
    case Kw::PicW: p.width = std::max(v, 0); return;
    case Kw::PicH: p.height = std::max(v, 0); return;
    case Kw::PicWGoal: p.goalWidthTwips = std::max(v, 0); return;
    case Kw::PicHGoal: p.goalHeightTwips = std::max(v, 0); return;
    case Kw::PicScaleX: p.scaleX = t.hasParam && v > 0 ? v : 100; return;
    case Kw::PicScaleY: p.scaleY = t.hasParam && v > 0 ? v : 100; return;
    case Kw::PngBlip: m_pict.kind = PictState::Kind::Png; return;
    case Kw::JpegBlip: m_pict.kind = PictState::Kind::Jpeg; return;
    case Kw::OtherBlip: m_pict.kind = PictState::Kind::Other; return;
    default: return;
    }
}

void Reader::pictHex(std::string_view digits)
{
    // Writers break the hex data into lines and may put spaces in it; anything that is
    // not a hex digit is skipped.
    std::string &data = m_pict.picture.data;
    for (char c : digits) {
        int n;
        if (c >= '0' && c <= '9')
            n = c - '0';
        else if (c >= 'a' && c <= 'f')
            n = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            n = c - 'A' + 10;
        else
            continue;
        if (m_pict.pendingNibble < 0) {
            m_pict.pendingNibble = n;
        } else {
            data.push_back(static_cast<char>(m_pict.pendingNibble << 4 | n));
            m_pict.pendingNibble = -1;
        }
    }
}

void Reader::endPicture()
{
    PictState pict = std::move(m_pict);
    m_pict = PictState{};
    const bool kept = pict.kind == PictState::Kind::Png || pict.kind == PictState::Kind::Jpeg;
    if (!kept || pict.picture.data.empty()) {
        m_doc.dropped |= kDroppedPictures;
        return;
    }
    const Group &g = top();
    if (g.dest != Dest::Body && g.dest != Dest::Shape)
        return;
    if (g.dest == Dest::Shape)
        m_shapePicture = true;
    pict.picture.kind = pict.kind == PictState::Kind::Png ? Picture::Kind::Png : Picture::Kind::Jpeg;
    emitPendingCellTab();
    appendPicture(m_para, std::move(pict.picture), formatOf(g.ch));
    ++m_shown;
}

void Reader::commitColour()
{
    m_colours.push_back(m_colourSeen ? Colour(rgb(m_red, m_green, m_blue)) : Colour{});
    m_red = m_green = m_blue = 0;
    m_colourSeen = false;
}

Colour Reader::colourAt(std::int32_t index) const
{
    if (index < 0 || std::size_t(index) >= m_colours.size())
        return {};
    return m_colours[std::size_t(index)];
}

int Reader::fontIndexOf(const CharState &ch) const
{
    const int f = ch.fonts[std::size_t(ch.slot < 0 ? LowAnsi : ch.slot)];
    return f < 0 ? m_deff : f;
}

const FontEntry *Reader::fontOf(const CharState &ch) const
{
    auto it = m_fonts.find(fontIndexOf(ch));
    if (it == m_fonts.end())
        it = m_fonts.find(m_deff);
    return it == m_fonts.end() ? nullptr : &it->second;
}

int Reader::codePageOf(const CharState &ch) const
{
    const FontEntry *font = fontOf(ch);
    if (!font)
        return m_docCodePage;
    if (font->codePage)
        return font->codePage;
    return codepage::codePageForCharset(font->charset, m_docCodePage);
}

CharFormat Reader::formatOf(const CharState &ch) const
{
    CharFormat f;
    if (const FontEntry *font = fontOf(ch)) {
        f.face = font->face;
        f.charset = font->charset;
        f.pitchAndFamily = font->pitchAndFamily;
    }
    const bool db = ch.slot == DoubleByte;
    f.sizeHalfPoints = db && ch.dbSizeHalfPoints ? ch.dbSizeHalfPoints : ch.sizeHalfPoints;
    f.colour = ch.colour;
    f.highlight = ch.highlight;
    f.bold = db && ch.dbBold >= 0 ? ch.dbBold != 0 : ch.bold;
    f.italic = db && ch.dbItalic >= 0 ? ch.dbItalic != 0 : ch.italic;
    f.underline = ch.underline;
    f.strikeOut = ch.strikeOut;
    f.hidden = ch.hidden;
    return f;
}

} // namespace

bool looksLikeRtf(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return bytes.substr(i, 5) == "{\\rtf";
}

ReadResult read(std::string_view rtf)
{
    ReadResult result;
    if (!looksLikeRtf(rtf)) {
        result.error = ReadError::NotRtf;
        result.message = "the data does not begin with {\\rtf";
        return result;
    }
    result.document = Reader().read(rtf);
    return result;
}

} // namespace velmo::rtf
