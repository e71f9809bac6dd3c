// TRichEdit: the editing engine. A QTextEdit underneath that answers the rich-edit
// questions the rest of the program asks (text length, lines, positions, find, formats,
// stream in and out), with every position and length counted in code-page-932 bytes: a
// double-byte character two, a paragraph end as the bytes of its form (CR LF two, LF or
// CR one), a line break inside a paragraph one. Qt's own positions never leave this class.
#pragma once

#include "editor/textattributes.h"
#include "rtf/rtfmodel.h"

#include <QTextEdit>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace velmo::editor {
class DocumentLayout;
struct ParagraphMeasures;
class PositionIndex;
}
class QTextBlock;
class QTextLine;

namespace velmo {

// Find flags as the rich-edit find message takes them.
constexpr unsigned FR_DOWN = 1;
constexpr unsigned FR_WHOLEWORD = 2;
constexpr unsigned FR_MATCHCASE = 4;

// Scroll actions of Scroll().
constexpr int SB_LINEUP = 0;
constexpr int SB_LINEDOWN = 1;
constexpr int SB_PAGEUP = 2;
constexpr int SB_PAGEDOWN = 3;

// Clipboard formats of CanPaste() and PasteSpecial().
constexpr unsigned CF_TEXT = 1;
constexpr unsigned CF_UNICODETEXT = 13;

// One input-method composition colour record: text, background, effect bits.
struct TCompColor {
    TColor crText = 0;
    TColor crBackground = 0;
    unsigned dwEffects = 0;
    bool operator==(const TCompColor &) const = default;
};
using TCompColors = std::array<TCompColor, 4>;

// Option operations and options of SetOptions().
constexpr int ECOOP_SET = 1;
constexpr int ECOOP_OR = 2;
constexpr int ECOOP_AND = 3;
constexpr int ECOOP_XOR = 4;
constexpr unsigned ECO_SELECTIONBAR = 0x01000000;
constexpr unsigned ECO_VERTICAL = 0x00400000;

// Punctuation types of Get/SetPunctuation.
constexpr int kPunctuationTypes = 4;

class TRichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit TRichEdit(QWidget *parent = nullptr);
    ~TRichEdit() override;

    // --- line and position queries (byte positions, display lines) ---
    int GetRow() const;
    int GetColumn() const;
    int GetLineCount() const;
    int GetFirstVisibleLine() const;
    // The first position of the topmost visible display line; unlike LineIndex of
    // GetFirstVisibleLine it needs no line number, so nothing above the view is laid out.
    int FirstVisiblePos() const;
    int GetTextLength() const;
    // pos -1: the line of the selection start.
    int LineFromChar(int pos) const;
    // line -1: the line of the selection start; -1 for a line past the end.
    int LineIndex(int line) const;
    // Length of the line holding pos, without its line end.
    int LineLength(int pos) const;
    int CharFromPos(int x, int y) const;
    void PosFromChar(int pos, TPoint &point) const;
    TPoint PosFromChar(int pos) const;

    // --- undo and scrolling ---
    bool GetCanUndo() const;
    bool Undo();
    void EmptyUndoBuffer();
    bool LineScroll(int dx, int dy);
    // Returns 1 << 16 plus the number of lines scrolled (negative upwards, in the low word).
    int Scroll(int action);
    bool ScrollCaret();

    // --- clipboard ---
    bool CanPaste(unsigned format = 0) const;
    bool PasteSpecial(unsigned format);
    void CutToClipboard();
    void CopyToClipboard();
    void PasteFromClipboard();
    void ClearSelection();
    void SelectAll();

    // --- selection and text ---
    int SelStart() const;
    void SetSelStart(int pos);
    int SelLength() const;
    void SetSelLength(int length);
    QString SelText() const;
    void SetSelText(const QString &text);
    // The text as the control gives it: each paragraph end in its form (CR LF, LF or CR),
    // line breaks as '\v'. A NUL read from a text file stays a raw-byte character
    // (U+F700 + byte) so that it is saved back as the same byte.
    QString Text() const;
    // Replaces the whole text; CR LF, LF and CR end paragraphs and keep their forms.
    void SetText(const QString &text);
    // The same text as code-page-932 bytes; the positions of this class index it directly.
    std::string TextBytes() const;
    // Bytes first .. first+length-1 of TextBytes(), cut to the text.
    std::string TextRangeBytes(int first, int length) const;
    // Display lines (wrapped lines when word wrap is on), without their line ends.
    QString LineText(int line) const;
    QStringList Lines() const;

    // --- find: first match at or after cpMin that ends at or before cpMax (-1: the end).
    // Returns the byte position of the match or -1; matchEnd receives its end.
    int FindText(const QString &text, int cpMin, int cpMax, unsigned flags, int *matchEnd = nullptr) const;

    // --- character and paragraph formats ---
    TTextAttributes SelAttributes() const;
    void SetSelAttributes(const TTextAttributes &attributes, unsigned fields = afAll);
    TTextAttributes DefAttributes() const;
    void SetDefAttributes(const TTextAttributes &attributes, unsigned fields = afAll);
    TParaAttributes Paragraph() const;
    void SetParagraph(const TParaAttributes &attributes, unsigned fields = pfAll);
    // Sets or clears only the given style bits across the selection (or for what is typed
    // next), leaving every other attribute of each run as it is (selstyle.cpp).
    void SetSelStyle(TFontStyles styles, bool on);

    // --- flags ---
    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool on) { setReadOnly(on); }
    bool Modified() const;
    void SetModified(bool on);
    // Text mode: stream as text, paste plain text only, one font for all the text.
    bool PlainText() const { return m_plainText; }
    void SetPlainText(bool on);
    bool WordWrap() const { return m_wordWrap; }
    virtual void SetWordWrap(bool on);
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    int MaxLength() const { return m_maxLength; }
    void SetMaxLength(int length) { m_maxLength = length; }
    QFont Font() const { return font(); }
    void SetFont(const QFont &font);

    // --- formatting rectangle (client pixels) ---
    TRect GetEditRect() const;
    // Applied only while word wrap is on: text wraps at wrapWidth pixels from the left
    // edge (the rectangle's width when wrapWidth is negative).
    void SetEditRect(const TRect &rect, int wrapWidth = -1);

    // --- control options (selection bar, vertical layout): stored and reported back.
    // operation: ECOOP_SET, ECOOP_OR, ECOOP_AND, ECOOP_XOR; returns the new options.
    unsigned GetOptions() const { return m_options; }
    unsigned SetOptions(int operation, unsigned options);

    // --- line breaking and input method (stored and reported back) ---
    unsigned GetWordWrapMode() const { return m_wordWrapMode; }
    unsigned SetWordWrapMode(unsigned mode);
    bool GetPunctuation(int type, QString &text) const;
    bool SetPunctuation(int type, const QString &text);
    bool GetImeCompColor(TCompColors &colors) const;
    bool SetImeCompColor(const TCompColors &colors);

    // --- stream in and out: RTF or code-page-932 text, by the plain-text flag.
    // A stream that cannot be read raises ComponentError and leaves the document as it was.
    void LoadFromStream(std::string_view bytes);
    std::string SaveToStream() const;

    // Byte position <-> Qt position, for code in this folder that paints or lays out.
    int toQt(int pos) const;
    int fromQt(int qtPos) const;
    const editor::PositionIndex &positionIndex() const { return *m_index; }
    // The layout of the current document (Velmo's own, set on every document it shows).
    editor::DocumentLayout &documentLayout() const;
    // Where the caret is shown, in client pixels (at the end of a wrapped line after End it
    // is shown there, although its position is also the next line's start).
    QRect CaretRect() const;

signals:
    // The selection or the caret moved (also after every edit).
    void SelectionChange();
    // The text changed.
    void Change();
    // The document's modified flag changed (also when undo comes back to the saved text).
    void ModifiedChange(bool modified);

protected:
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
    // Copies carry RTF written by the program's own writer beside the text; a rich paste
    // prefers RTF, read by the program's own reader (richclipboard.cpp).
    QMimeData *createMimeDataFromSelection() const override;
    bool insertRtfFromMimeData(const QMimeData *source);
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;
    // Client coordinates of the viewport's origin.
    QPoint viewportOrigin() const;
    void applyWrap();
    // The break rules and overflow allowance in force, handed to the layout.
    void applyBreaking();
    // The font the document is laid out in: the control's, taken straight from the font in
    // text mode.
    QFont documentFont() const;

private:
    TParaAttributes paragraphOf(const QTextBlock &block) const;
    // A new document with Velmo's layout (set after its content is in, so that filling it
    // lays nothing out), starting from the figures measured of its text if there are any.
    void useDocument(QTextDocument *document, const editor::ParagraphMeasures *measured = nullptr);
    // Runs an edit as one undo step; the paragraph ends it makes take the document's form.
    void insertWithLineEnds(const std::function<void()> &edit);
    // Home and End within the caret's display line; false when Qt's own move is right.
    bool moveWithinDisplayLine(bool toEnd, bool select);
    bool moveFromLineEnd(bool down, bool select);
    bool caretLine(QTextBlock &block, QTextLine &line) const;
    void setCaretAtLineEnd(bool on);
    bool ownCaret() const;
    void updateOwnCaret();
    // Would replacing the selection by text of this many bytes pass MaxLength?
    bool exceedsMaxLength(std::int64_t insertedBytes) const;

    std::unique_ptr<editor::PositionIndex> m_index;
    bool m_caretAtLineEnd = false;
    int m_cursorWidth = 1;
    bool m_plainText = false;
    bool m_wordWrap = true;
    TColor m_color = clWindow;
    int m_maxLength = 0; // 0: no limit beyond the engine's own
    bool m_rectSet = false;
    TRect m_editRect;
    int m_wrapWidth = -1;
    int m_overflow = 0;
    // A fresh engine wraps words, keeps Latin words whole and lets punctuation hang; the
    // punctuation bits then choose the built-in set of level 2.
    unsigned m_wordWrapMode = 0x070;
    unsigned m_options = 0;
    std::array<QString, kPunctuationTypes> m_customPunctuation;
    TCompColors m_imeColors{};
    // What text typed where no other format applies is written as.
    rtf::CharFormat m_defaultFormat;
};

} // namespace velmo
