// The small rich-text model that RTF is read into and written from: paragraphs of runs,
// each run one stretch of text in one character format. Plain C++, no Qt.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmo::rtf {

// A colour as 0x00BBGGRR; no value means the automatic (default) colour.
using Colour = std::optional<std::uint32_t>;

constexpr std::uint32_t rgb(int r, int g, int b)
{
    return std::uint32_t(r & 0xFF) | std::uint32_t(g & 0xFF) << 8 | std::uint32_t(b & 0xFF) << 16;
}

// Windows character sets as RTF's \fcharset gives them.
constexpr int kAnsiCharset = 0;
constexpr int kDefaultCharset = 1;
constexpr int kSymbolCharset = 2;
constexpr int kShiftJisCharset = 128;

// Low two bits of a font's pitch-and-family byte (as in a LOGFONT).
constexpr int kDefaultPitch = 0;
constexpr int kFixedPitch = 1;
constexpr int kVariablePitch = 2;
// High nibble: the family, one of these.
constexpr int kFamilyDontCare = 0x00;
constexpr int kFamilyRoman = 0x10;
constexpr int kFamilySwiss = 0x20;
constexpr int kFamilyModern = 0x30;
constexpr int kFamilyScript = 0x40;
constexpr int kFamilyDecorative = 0x50;

// RTF's default size when a document names none: 12 points.
constexpr int kDefaultSizeHalfPoints = 24;

struct CharFormat {
    std::u16string face;        // empty: no face named
    int charset = kDefaultCharset;
    int pitchAndFamily = kDefaultPitch | kFamilyDontCare;
    int sizeHalfPoints = kDefaultSizeHalfPoints; // RTF counts half points; 21 is 10.5 pt
    Colour colour;              // text colour
    Colour highlight;           // background colour behind the text
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool hidden = false;        // RTF's hidden text (\v): shown here, and written back hidden

    double points() const { return sizeHalfPoints / 2.0; }
    int pitch() const { return pitchAndFamily & 0x03; }
    bool operator==(const CharFormat &) const = default;
};

// A picture shown in the text. Only PNG and JPEG pictures are kept: their file bytes are
// written back as they were read, with the words that give their size.
struct Picture {
    enum class Kind { Png, Jpeg };
    Kind kind = Kind::Png;
    std::string data;           // the image file's bytes
    int width = 0;              // \picw, \pich: the image's own size in pixels
    int height = 0;
    int goalWidthTwips = 0;     // \picwgoal, \pichgoal: the size it is shown at; 0: its own
    int goalHeightTwips = 0;
    int scaleX = 100;           // \picscalex, \picscaley: percent of the goal size
    int scaleY = 100;

    // The size the picture is shown at, in twips, before and after scaling.
    int shownWidthTwips() const;
    int shownHeightTwips() const;
    bool operator==(const Picture &) const = default;
};

// The character that stands for a picture in the text.
inline constexpr char16_t kObjectCharacter = 0xFFFC;

struct Paragraph;

// The text of a footnote or an endnote, kept with the mark that refers to it.
struct Note {
    enum class Kind { Footnote, Endnote };
    Kind kind = Kind::Footnote;
    std::vector<Paragraph> paragraphs;
    bool operator==(const Note &) const = default;
};

// One stretch of text in one format. Besides ordinary characters the text may hold
// u'\t' (a tab, also what a table cell ends in) and u'\v' (0x0B, a line break inside the
// paragraph, which is what RTF's \line becomes in a Windows rich-edit control). It never
// holds a paragraph break: paragraphs are separate. Characters outside the basic plane
// are surrogate pairs, as in any UTF-16 text.
// A run with a picture holds exactly the one character kObjectCharacter and is never
// merged with its neighbours. A run with a note holds the note's mark, its number counted
// from the start of the document (footnotes 1, 2, 3..., endnotes i, ii, iii...), and is
// never merged either.
struct Run {
    std::u16string text;
    CharFormat format;
    std::optional<Picture> picture;
    std::optional<Note> note;
    bool operator==(const Run &) const = default;
};

// Same values as the editor's paragraph alignment (justified text is read as left).
enum class Alignment { Left = 0, Right = 1, Centre = 2 };

constexpr int kTwipsPerPoint = 20;

// The label of a list item: a bullet, or a number in one of these forms counted from start.
// DecimalZero gives the numbers below ten a leading zero: 01, 02, ... 09, 10.
struct Numbering {
    enum class Style { Bullet, Decimal, LowerLetter, UpperLetter, LowerRoman, UpperRoman, DecimalZero };
    Style style = Style::Bullet;
    int start = 1;
    // A new list begins at this item although the item before it has the same style and
    // start (two lists one after the other); set only there, and only in lists without an id.
    bool restart = false;
    // The list the item is in, numbered from 1 in the order the lists begin. The items of one
    // list count on over paragraphs outside it and over items of deeper levels; an item
    // restarts the count of every deeper level. 0: the list is the items of equal style and
    // start in a row.
    int list = 0;
    int level = 0;             // 0 to kListLevels - 1
    // The label's text: characters 0 to 8 stand for the numbers of those levels (as RTF's
    // \leveltext has it), the rest is shown as it is. Empty: the item's own number and a
    // full stop, or a bullet "\u2022".
    std::u16string format;
    bool operator==(const Numbering &) const = default;
};

inline constexpr int kListLevels = 9;

// The label of the index-th item (0-based) of a numbered list: "1.", "b.", "IV." and so on;
// a bullet's is U+2022. The format is not looked at: ListNumberer gives the labels of
// documents.
std::u16string numberLabel(const Numbering &numbering, int index);
// The number alone, in the numbering's style: "1", "b", "IV", "07"; nothing for a bullet.
std::u16string numberText(Numbering::Style style, long long number);

struct Paragraph {
    Alignment align = Alignment::Left;
    // Indents in twips (1/20 point), as RTF stores them, so that they survive a round trip
    // exactly; the first-line indent is relative to the left indent and may be negative.
    int firstIndentTwips = 0;
    int leftIndentTwips = 0;
    int rightIndentTwips = 0;
    bool bullet = false;        // a list item: bulleted, or numbered when numbering says so
    Numbering numbering;        // a list item's label; meaningless when bullet is false
    std::vector<Run> runs;      // no empty runs; neighbours differ in format
    // Text of a frame, a text box or a shape: shown in the text where it stands, and written
    // back as a frame, so that word processors place it apart from the body text again.
    // 0: body text. Otherwise the frame's number: neighbouring paragraphs of one frame share
    // it, and a paragraph whose number differs from the one before begins another frame.
    // Documents as read number their frames 1, 2, 3... in order (see numberFrames).
    int frame = 0;

    double firstIndentPoints() const { return firstIndentTwips / double(kTwipsPerPoint); }
    double leftIndentPoints() const { return leftIndentTwips / double(kTwipsPerPoint); }
    double rightIndentPoints() const { return rightIndentTwips / double(kTwipsPerPoint); }
    std::u16string text() const;
    bool operator==(const Paragraph &) const = default;
};

// What the reader met but the model cannot hold, so that a save without it can ask first.
enum DroppedContent : unsigned {
    kDroppedNothing = 0,
    kDroppedPictures = 1 << 0,   // pictures in formats other than PNG and JPEG
    kDroppedObjects = 1 << 1,    // embedded objects (\object)
    kDroppedDrawings = 1 << 2,   // shapes and drawing objects (\shp, \do)
    kDroppedTables = 1 << 3,     // the table itself; the cells' text is kept
    kDroppedHeaders = 1 << 4,    // page headers and footers
    kDroppedNotes = 1 << 5,      // footnotes, endnotes and comments
};

// A document always has at least one paragraph once read; an empty text is one paragraph
// without runs. The last paragraph has no paragraph break after it in the editor.
struct Document {
    std::vector<Paragraph> paragraphs;
    // The format of text typed where no other format applies (RTF's \plain).
    CharFormat defaultFormat;
    // DroppedContent bits: what the file held that this model left out.
    unsigned dropped = kDroppedNothing;

    // All paragraphs' texts joined with '\n'.
    std::u16string plainText() const;
    bool operator==(const Document &) const = default;
};

// Whether paragraph p is the next item of the list that previous is in: items of one list
// id, or (without an id) of one style and start in a row, unless p restarts.
bool continuesList(const Paragraph &previous, const Paragraph &p);

// Gives the labels of a document's list items: fed every paragraph in reading order, it
// counts each list's levels as word processors do.
class ListNumberer {
public:
    // The label of p, the next paragraph; empty when p is in no list.
    std::u16string next(const Paragraph &p);

private:
    struct Level {
        bool seen = false;
        long long count = 0;
        Numbering numbering;
    };
    std::vector<std::pair<int, std::vector<Level>>> m_lists; // by list id, few in a document
    // The item before, when the paragraph before was one, for lists without an id.
    std::optional<Numbering> m_previous;
    long long m_adjacentIndex = 0;
};

// Appends text in a format to a paragraph, merging with the last run when the formats are
// equal; empty text adds nothing. Building documents through this keeps them in the form
// the reader produces, so that write-then-read gives the same model back.
void appendText(Paragraph &paragraph, std::u16string_view text, const CharFormat &format);

// Appends a picture as a run of its own.
void appendPicture(Paragraph &paragraph, Picture picture, const CharFormat &format);

// Appends a note's mark, with the note, as a run of its own.
void appendNote(Paragraph &paragraph, std::u16string mark, Note note, const CharFormat &format);

// Merges neighbouring runs of equal format and drops empty runs.
void normalize(Document &document);

// Numbers the frames 1, 2, 3... in the order they begin, as the reader numbers them: a
// paragraph begins a frame unless the paragraph before it in the same text (the body, or
// one note) belongs to the same frame. A note's paragraphs come before the paragraph that
// holds the note. Frames stay where they are; only their numbers change.
void numberFrames(Document &document);

// Numbers the lists 1, 2, 3... in the order their first items end, as the reader numbers
// them: a note's paragraphs end before the paragraph that holds the note. Which items share
// a list stays as it is; only the lists' numbers change.
void numberLists(Document &document);

// What the user is told when a file cannot be taken in, neither as RTF nor as text (UTF-8).
inline constexpr char kStreamReadFailedMessage[] = "ストリームからの読み込みに失敗しました";

} // namespace velmo::rtf
