// Conversion between the rich-text model (what RTF is read into and written from) and the
// editor's QTextDocument, and the code-page-932 text form of a document. Every value the
// model holds survives model -> document -> model.
#pragma once

#include "editor/paragraphmeasures.h"
#include "rtf/rtfmodel.h"

#include <QTextFormat>
#include <QTextListFormat>
#include <string>
#include <string_view>

class QFont;
class QTextDocument;
class QTextBlock;

namespace velmo::editor {

// Model values that Qt has no field for, kept on the formats as user properties.
enum FormatProperty {
    kCharsetProperty = QTextFormat::UserProperty + 1,
    kPitchFamilyProperty,
    kFirstIndentTwipsProperty,
    kLeftIndentTwipsProperty,
    kRightIndentTwipsProperty,
    // A picture's file bytes (QByteArray) and the words of its size, on its image format.
    kPictureDataProperty,
    kPictureKindProperty,       // rtf::Picture::Kind
    kPictureWidthProperty,
    kPictureHeightProperty,
    kPictureGoalWidthProperty,
    kPictureGoalHeightProperty,
    kPictureScaleXProperty,
    kPictureScaleYProperty,
    // On the root frame: rtf::DroppedContent bits of the file the document was read from.
    kDroppedContentProperty,
    // Hidden text (bool): shown like any text, and saved as hidden again.
    kHiddenProperty,
    // On a note's mark: the note's paragraphs as RTF (QByteArray), its rtf::Note::Kind, the
    // mark as read (text typed after it takes its format but is no part of it), and a
    // number of its own so that two equal notes side by side stay two fragments.
    kNoteProperty,
    kNoteKindProperty,
    kNoteMarkProperty,
    kNoteIdProperty,
    // On a list: the number its first item counts from (Qt 6.4's lists have no start of
    // their own and draw their labels from 1).
    kListStartProperty,
    // On a list read from a file: the model's list it is part of (items of one list on
    // several levels and with paragraphs between are several QTextLists), its level there,
    // and its label's text (rtf::Numbering::format).
    kListIdProperty,
    kListLevelProperty,
    kListLabelFormatProperty,
    // On a block: the paragraph is a frame's, a text box's or a shape's text, shown in the
    // text where it stands and saved as a frame again (int: rtf::Paragraph::frame, which
    // tells neighbouring frames apart).
    kFrameProperty,
    // On a list of decimal numbers: those below ten have a leading zero (bool).
    kListLeadingZeroProperty,
};

// Screen pixels per twip (96 dots per inch, 1440 twips per inch).
constexpr double kPixelsPerTwip = 96.0 / 1440.0;

// The indents of a paragraph as laid out. The lines start at the left indent and the first
// line at the first-line indent. In a bulleted paragraph the bullet takes that place and
// the first line's text follows it: at the left indent when the bullet fits in front of it
// (a hanging indent, as word processors write their lists), else just after the bullet.
QTextBlockFormat indentFormat(int firstTwips, int leftTwips, int rightTwips, bool bullet,
                              const QFont &bulletFont);
// The list of bulleted paragraphs: the bullet adds no indent of its own.
QTextListFormat bulletListFormat();
// The list of a model paragraph's numbering (a bullet's is bulletListFormat()), and back.
QTextListFormat listFormat(const rtf::Numbering &numbering);
rtf::Numbering numberingOf(const QTextListFormat &format);

// What the file the document was read from held that the document does not (the reader's
// rtf::DroppedContent bits); nothing once forgetDroppedContent was called for it.
unsigned droppedContent(const QTextDocument &document);
void forgetDroppedContent(QTextDocument &document);

// Replaces the document's content by the model's paragraphs. Undo history is cleared.
void loadModelInto(const rtf::Document &model, QTextDocument &document);
// The document as a model; fields a run does not set come from defaultFormat.
rtf::Document documentToModel(const QTextDocument &document, const rtf::CharFormat &defaultFormat);

// Text mode: code-page-932 bytes <-> paragraphs. Paragraphs end at CR LF, LF or CR, and each
// paragraph end is written back in the form it was read; a NUL byte is kept as a raw-byte
// character. Opening and saving gives the same bytes back.
// A large text's paragraphs are measured while the document is filled (see
// ParagraphMeasures); a small one's are not, and the figures come back empty.
ParagraphMeasures loadTextInto(std::string_view bytes, QTextDocument &document);
std::string documentToText(const QTextDocument &document);

// What a text-mode save writes, and what of it code page 932 cannot hold: the check before a
// save and the save itself take their bytes from this one function, so they cannot disagree.
struct TextOutput {
    std::string bytes;
    qsizetype lost = 0;       // characters written as "?"
    int firstLostLine = 0;    // paragraph (1-based) of the first of them
    QString firstLost;        // that character (a surrogate pair whole)
};
TextOutput encodeDocumentText(const QTextDocument &document);

// The text of a block as the model writes it: line breaks (U+2028) become '\v'.
std::u16string blockText(const QTextBlock &block);
// Encodes text so that every character takes exactly the bytes positions count for it:
// a character code page 932 cannot hold becomes "??" (two bytes, as it is counted).
std::string encodeCounted(std::u16string_view text);

} // namespace velmo::editor
