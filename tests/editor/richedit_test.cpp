// The engine's rich-edit queries in byte positions, on text that mixes ASCII, double-byte
// and half-width characters, paragraph ends, line breaks and wrapped lines.
#include "editor/positionindex.h"
#include "editor/richedit.h"
#include "editor/textchars.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QPixmap>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

// "ab日本" CR LF "ｱｲ漢" \v "xy" CR LF CR LF "end":
//   line 0 "ab日本"  bytes 0..5, CR LF 6..7
//   line 1 "ｱｲ漢"    bytes 8..11, line break 12
//   line 2 "xy"      bytes 13..14, CR LF 15..16
//   line 3 ""        CR LF 17..18
//   line 4 "end"     bytes 19..21; text length 22
const QString kMixed = QString::fromUtf8("ab日本\r\nｱｲ漢\vxy\r\n\r\nend");

struct RowCase {
    int pos;
    int selStart; // where the caret lands (a byte inside a character snaps to its start)
    int row, column, lineIndex, lineLength;
};

TEST(RichEditPositions, RowColumnLineIndexAndLengthWithoutWrap)
{
    TRichEdit edit;
    edit.SetWordWrap(false);
    edit.SetText(kMixed);
    ASSERT_EQ(edit.GetTextLength(), 22);
    EXPECT_EQ(edit.GetLineCount(), 5);
    const RowCase cases[] = {
        {0, 0, 0, 0, 0, 6},    {2, 2, 0, 2, 0, 6},    {3, 2, 0, 2, 0, 6},   // inside 日
        {6, 6, 0, 6, 0, 6},    {7, 6, 0, 6, 0, 6},    {8, 8, 1, 0, 8, 4},   // CR LF is one step
        {9, 9, 1, 1, 8, 4},    {10, 10, 1, 2, 8, 4},  {12, 12, 1, 4, 8, 4}, // half-width 1, 漢 2
        {13, 13, 2, 0, 13, 2}, {17, 17, 3, 0, 17, 0}, {19, 19, 4, 0, 19, 3},
        {22, 22, 4, 3, 19, 3}, {99, 22, 4, 3, 19, 3},
    };
    for (const RowCase &c : cases) {
        SCOPED_TRACE(c.pos);
        edit.SetSelStart(c.pos);
        EXPECT_EQ(edit.SelStart(), c.selStart);
        EXPECT_EQ(edit.GetRow(), c.row);
        EXPECT_EQ(edit.GetColumn(), c.column);
        EXPECT_EQ(edit.LineIndex(c.row), c.lineIndex);
        EXPECT_EQ(edit.LineIndex(-1), c.lineIndex);
        EXPECT_EQ(edit.LineLength(c.selStart), c.lineLength);
        EXPECT_EQ(edit.LineFromChar(c.selStart), c.row);
    }
    EXPECT_EQ(edit.LineIndex(5), -1);
    EXPECT_EQ(edit.Lines(), QStringList({QString::fromUtf8("ab日本"), QString::fromUtf8("ｱｲ漢"), "xy", "", "end"}));
    // The positions index the byte text directly.
    const std::string bytes = edit.TextBytes();
    ASSERT_EQ(bytes.size(), 22u);
    EXPECT_EQ(bytes.substr(6, 2), "\r\n");
    EXPECT_EQ(bytes[12], '\v');
    EXPECT_EQ(edit.TextRangeBytes(19, 10), "end");
}

TEST(RichEditPositions, SelectionCountsBytes)
{
    TRichEdit edit;
    edit.SetText(kMixed);
    edit.SetSelStart(2);
    edit.SetSelLength(8); // 日本 CR LF ｱｲ
    EXPECT_EQ(edit.SelLength(), 8);
    EXPECT_EQ(edit.SelText(), QString::fromUtf8("日本\r\nｱｲ"));
    edit.SetSelText("Z");
    EXPECT_EQ(edit.GetTextLength(), 15);
    EXPECT_EQ(edit.Text(), QString::fromUtf8("abZ漢\vxy\r\n\r\nend"));
}

// Bytes of text the way a save writes it: a line break inside a paragraph is one byte,
// a character the code page lacks (a lone surrogate half, a whole pair) two, and a stretch
// that cuts a pair counts its half alone.
TEST(RichEditPositions, ByteLengthOfEveryKindOfUnit)
{
    const std::u16string text = u"a\u2028\u3042\U0001F600\xD800x\u00E9\uFF71";
    const struct {
        std::size_t from, count;
        std::int64_t bytes;
    } cases[] = {
        {0, text.size(), 1 + 1 + 2 + 2 + 2 + 1 + 2 + 1},
        {3, 1, 2},  // the high half of the pair
        {4, 1, 2},  // the low half, cut from its high half
        {3, 2, 2},  // the pair
        {1, 1, 1},  // the line break
        {8, 1, 1},  // half-width katakana
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.from);
        EXPECT_EQ(editor::byteLength(reinterpret_cast<const QChar *>(text.data() + c.from), qsizetype(c.count)), c.bytes);
    }
}

// Wrapped lines in a font whose double-byte characters are 16 pixels wide and whose
// single-byte ones are 8, wrapping at 84 pixels: five double-byte or ten single-byte
// characters a line. A position at a wrap point belongs to the line it starts.
TEST(RichEditPositions, RowColumnLineIndexAndLengthWithWrap)
{
    TRichEdit edit;
    edit.resize(400, 300);
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(16);
    edit.SetFont(font);
    ASSERT_EQ(QFontMetrics(font).horizontalAdvance(QString::fromUtf8("日")), 16) << "fixture font missing";
    ASSERT_EQ(QFontMetrics(font).horizontalAdvance(QStringLiteral("a")), 8);
    edit.SetWordWrap(true);
    edit.SetEditRect({0, 0, 84, 300});
    // "日本語のテ|キストを折|り返す" CR LF "abcdefghij|klmnｱｲｳ"
    edit.SetText(QString::fromUtf8("日本語のテキストを折り返す\r\nabcdefghijklmnｱｲｳ"));
    ASSERT_EQ(edit.GetTextLength(), 45);
    EXPECT_EQ(edit.GetLineCount(), 5);
    const RowCase cases[] = {
        {0, 0, 0, 0, 0, 10},   {8, 8, 0, 8, 0, 10},   {10, 10, 1, 0, 10, 10}, {19, 18, 1, 8, 10, 10},
        {20, 20, 2, 0, 20, 6}, {26, 26, 2, 6, 20, 6}, {28, 28, 3, 0, 28, 10}, {37, 37, 3, 9, 28, 10},
        {38, 38, 4, 0, 38, 7}, {45, 45, 4, 7, 38, 7},
    };
    for (const RowCase &c : cases) {
        SCOPED_TRACE(c.pos);
        edit.SetSelStart(c.pos);
        EXPECT_EQ(edit.SelStart(), c.selStart);
        EXPECT_EQ(edit.GetRow(), c.row);
        EXPECT_EQ(edit.GetColumn(), c.column);
        EXPECT_EQ(edit.LineIndex(c.row), c.lineIndex);
        EXPECT_EQ(edit.LineLength(c.selStart), c.lineLength);
    }
    EXPECT_EQ(edit.LineIndex(5), -1);
    EXPECT_EQ(edit.Lines(), QStringList({QString::fromUtf8("日本語のテ"), QString::fromUtf8("キストを折"),
                                         QString::fromUtf8("り返す"), "abcdefghij", QString::fromUtf8("klmnｱｲｳ")}));
    // Typing in the first line re-wraps the paragraph and the index follows.
    edit.SetSelStart(0);
    edit.SetSelText(QString::fromUtf8("新"));
    EXPECT_EQ(edit.LineIndex(1), 10);
    EXPECT_EQ(edit.LineLength(20), 8);
    EXPECT_EQ(edit.GetLineCount(), 5);
}

// Wrapped lines: each display line of a wrapped paragraph is a line, and the lines tile
// the text exactly (a line ends where the next begins, except for the line end itself).
TEST(RichEditPositions, WrappedLinesTileTheText)
{
    TRichEdit edit;
    edit.resize(400, 300);
    edit.SetWordWrap(true);
    edit.SetEditRect({0, 0, 200, 300});
    QString text;
    for (int i = 0; i < 12; ++i)
        text += QString::fromUtf8("日本語のテキストとascii text ｶﾀｶﾅ ");
    text += "\r\nshort\r\n" + text;
    edit.SetText(text);
    const int lines = edit.GetLineCount();
    ASSERT_GT(lines, 6);
    int expectedStart = 0;
    for (int line = 0; line < lines; ++line) {
        SCOPED_TRACE(line);
        const int start = edit.LineIndex(line);
        if (start != expectedStart) {
            // Only a paragraph end lies between two lines.
            EXPECT_EQ(start, expectedStart + 2);
            EXPECT_EQ(edit.TextRangeBytes(expectedStart, 2), "\r\n");
        }
        EXPECT_EQ(edit.LineFromChar(start), line);
        const int length = edit.LineLength(start);
        EXPECT_EQ(edit.LineText(line).toStdU16String().size() <= std::size_t(length), true);
        if (length > 0)
            EXPECT_EQ(edit.LineFromChar(start + length - 1), line);
        expectedStart = start + length;
    }
    EXPECT_EQ(expectedStart, edit.GetTextLength());
    EXPECT_EQ(edit.LineIndex(lines), -1);

    // Unwrapping gives the three paragraphs back.
    edit.SetWordWrap(false);
    EXPECT_EQ(edit.GetLineCount(), 3);
}

// After any sequence of edits the incremental index answers as one built from scratch.
TEST(RichEditPositions, IncrementalIndexMatchesRebuild)
{
    for (bool wrapped : {false, true}) {
        SCOPED_TRACE(wrapped);
        TRichEdit edit;
        edit.resize(300, 300);
        edit.SetWordWrap(wrapped);
        if (wrapped)
            edit.SetEditRect({0, 0, 120, 300});
        // Line ends in all three forms; half of the insertions go through the editor, which
        // gives the line ends it makes the document's form.
        edit.SetText(QString::fromUtf8("ab日本\nｱｲ漢\vxy\r\r\nend\n"));
        const QString pieces[] = {QString::fromUtf8("漢字"), "a", "\n", QString::fromUtf8("ｶﾅ"), "\n\n",
                                  QString::fromUtf8("長い行のテキストが折り返されるまで続きます"), "\v"};
        QRandomGenerator random(7);
        for (int step = 0; step < 200; ++step) {
            QTextCursor c(edit.document());
            const int length = edit.document()->characterCount() - 1;
            c.setPosition(int(random.bounded(length + 1)));
            if (random.bounded(3) == 0) {
                c.setPosition(std::min(length, c.position() + int(random.bounded(6))), QTextCursor::KeepAnchor);
                c.removeSelectedText();
            } else {
                QString piece = pieces[random.bounded(int(std::size(pieces)))];
                piece.replace(QChar(u'\v'), QChar(editor::kLineBreak));
                if (random.bounded(2) == 0) {
                    c.insertText(piece);
                } else {
                    edit.setTextCursor(c);
                    edit.SetSelText(piece);
                }
            }
            const editor::PositionIndex &live = edit.positionIndex();
            editor::PositionIndex fresh(edit.document());
            ASSERT_EQ(live.textLength(), fresh.textLength()) << step;
            ASSERT_EQ(live.lineCount(), fresh.lineCount()) << step;
            ASSERT_EQ(live.textLength(), std::int64_t(edit.TextBytes().size())) << step;
            for (int line = 0; line < fresh.lineCount(); ++line) {
                ASSERT_EQ(live.line(line).start, fresh.line(line).start) << step << " line " << line;
                ASSERT_EQ(live.lineStart(line), fresh.line(line).start) << step << " line " << line;
                ASSERT_EQ(live.lineLength(line), fresh.line(line).length) << step << " line " << line;
            }
            for (std::int64_t pos = 0; pos <= fresh.textLength(); pos += 3)
                ASSERT_EQ(live.lineFromByte(pos), fresh.lineFromByte(pos)) << step << " pos " << pos;
        }
    }
}

TEST(RichEditPositions, EmptyDocument)
{
    TRichEdit edit;
    EXPECT_EQ(edit.GetTextLength(), 0);
    EXPECT_EQ(edit.GetLineCount(), 1);
    EXPECT_EQ(edit.LineIndex(0), 0);
    EXPECT_EQ(edit.LineIndex(1), -1);
    EXPECT_EQ(edit.GetRow(), 0);
    EXPECT_EQ(edit.GetColumn(), 0);
    EXPECT_EQ(edit.LineLength(0), 0);
}

// ----- find -----

struct FindCase {
    const char *what;
    int cpMin, cpMax;
    unsigned flags;
    int expected;
};

TEST(RichEditFind, FlagsRangeAndCharacterBoundaries)
{
    TRichEdit edit;
    // "院" is 0x89 0x40 in Shift-JIS: its second byte is the code of "@".
    edit.SetText(QString::fromUtf8("院@ Word word WORD sword\r\n　ａ@"));
    // bytes: 院 0-1, @ 2, " Word" 3-7, " word" 8-12, " WORD" 13-17, " sword" 18-23, CR LF,
    //        "　" 26-27, "ａ" 28-29, "@" 30
    const FindCase cases[] = {
        {"@", 0, -1, 0, 2},               // never the second byte of 院
        {"@", 1, -1, 0, 2},               // a start inside a character moves past it
        {"@", 3, -1, 0, 30},
        {"@", 3, 30, 0, -1},              // must end at or before cpMax
        {"@", 3, 31, 0, 30},
        {"word", 0, -1, 0, 4},            // case folded
        {"word", 0, -1, FR_MATCHCASE, 9},
        {"WORD", 5, -1, FR_MATCHCASE, 14},
        {"word", 15, -1, 0, 20},          // inside "sword"
        {"word", 15, -1, FR_WHOLEWORD, -1},
        {"word", 0, -1, FR_WHOLEWORD | FR_MATCHCASE, 9},
        {"ａ", 0, -1, 0, 28},
        {"", 0, -1, 0, -1},
        {"@", 40, -1, 0, -1},
    };
    for (const FindCase &c : cases) {
        SCOPED_TRACE(std::string(c.what) + " from " + std::to_string(c.cpMin));
        EXPECT_EQ(edit.FindText(QString::fromUtf8(c.what), c.cpMin, c.cpMax, c.flags | FR_DOWN), c.expected);
    }
    int end = 0;
    EXPECT_EQ(edit.FindText(QString::fromUtf8("ａ@"), 0, -1, 0, &end), 28);
    EXPECT_EQ(end, 31);
}

} // namespace

namespace {

// ----- undo, scrolling, points and the clipboard -----

TEST(RichEditOperations, UndoAndItsBuffer)
{
    TRichEdit edit;
    edit.SetText("abc");
    EXPECT_FALSE(edit.GetCanUndo());
    EXPECT_FALSE(edit.Undo());
    edit.SetSelStart(3);
    edit.SetSelText(QString::fromUtf8("日本"));
    EXPECT_EQ(edit.GetTextLength(), 7);
    ASSERT_TRUE(edit.GetCanUndo());
    EXPECT_TRUE(edit.Undo());
    EXPECT_EQ(edit.GetTextLength(), 3);
    edit.SetSelText("d");
    edit.EmptyUndoBuffer();
    EXPECT_FALSE(edit.GetCanUndo());
}

TEST(RichEditOperations, PointsScrollingAndVisibleLines)
{
    TRichEdit edit;
    edit.resize(400, 200);
    edit.show();
    edit.SetWordWrap(false);
    QString text;
    for (int i = 0; i < 100; ++i)
        text += QString::fromUtf8("行%1 line\r\n").arg(i);
    edit.SetText(text);
    EXPECT_EQ(edit.GetFirstVisibleLine(), 0);
    // A point inside a character's cell gives that character back.
    for (int pos : {0, 2, 7, 13, 40}) {
        const TPoint p = edit.PosFromChar(pos);
        EXPECT_EQ(edit.CharFromPos(p.x + 1, p.y + 3), pos) << pos;
    }
    EXPECT_TRUE(edit.LineScroll(0, 10));
    EXPECT_EQ(edit.GetFirstVisibleLine(), 10);
    const TPoint top = edit.PosFromChar(edit.LineIndex(10));
    EXPECT_LE(std::abs(top.y), 1);
    EXPECT_TRUE(edit.LineScroll(0, -4));
    EXPECT_EQ(edit.GetFirstVisibleLine(), 6);
    EXPECT_EQ(edit.Scroll(SB_PAGEDOWN) >> 16, 1);
    EXPECT_GT(edit.GetFirstVisibleLine(), 6);
    edit.SetSelStart(edit.LineIndex(95));
    EXPECT_TRUE(edit.ScrollCaret());
    EXPECT_GT(edit.GetFirstVisibleLine(), 80);
}

TEST(RichEditOperations, PasteSpecialAsTextAndTheClipboard)
{
    TRichEdit edit;
    edit.SetText(QString::fromUtf8("一二三"));
    edit.SetSelStart(2);
    edit.SetSelLength(2);
    edit.CutToClipboard();
    EXPECT_EQ(edit.Text(), QString::fromUtf8("一三"));
    EXPECT_TRUE(edit.CanPaste());
    EXPECT_TRUE(edit.PasteSpecial(CF_TEXT));
    EXPECT_EQ(edit.Text(), QString::fromUtf8("一二三"));
    edit.SetSelStart(0);
    edit.SetSelLength(2);
    edit.CopyToClipboard();
    edit.SetSelStart(6);
    edit.PasteFromClipboard();
    EXPECT_EQ(edit.Text(), QString::fromUtf8("一二三一"));
    edit.SetReadOnly(true);
    EXPECT_FALSE(edit.PasteSpecial(CF_TEXT));
    edit.SetSelStart(0);
    edit.SetSelLength(2);
    edit.ClearSelection();
    EXPECT_EQ(edit.GetTextLength(), 8);
}

// ----- caret keys -----

void press(QWidget &w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString &text = {})
{
    QKeyEvent e(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(&w, &e);
}

// Dark pixels in the first column of the caret's rectangle, as the control renders itself.
int caretInk(TRichEdit &edit)
{
    const QRect caret = edit.CaretRect();
    const QImage image = edit.grab().toImage();
    int ink = 0;
    for (int y = caret.top(); y <= caret.bottom(); ++y)
        ink += qGray(image.pixel(caret.left(), y)) < 128 ? 1 : 0;
    return ink;
}

void focus(TRichEdit &edit)
{
    edit.activateWindow();
    edit.setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(edit.hasFocus());
}

TEST(RichEditKeys, HomeAndEndStayOnTheCaretsDisplayLine)
{
    TRichEdit edit;
    edit.resize(400, 300);
    edit.show();
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(16);
    edit.SetFont(font);
    edit.SetWordWrap(true);
    edit.SetEditRect({0, 0, 84, 300});
    // "日本語のテ|キストを折|り返す": three display lines of one paragraph.
    edit.SetText(QString::fromUtf8("日本語のテキストを折り返す"));
    ASSERT_EQ(edit.GetLineCount(), 3);
    const int line0Top = edit.PosFromChar(0).y;
    const int line1Top = edit.PosFromChar(10).y;
    edit.SetSelStart(4);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        press(edit, Qt::Key_End);
        EXPECT_EQ(edit.SelStart(), 10);
        EXPECT_EQ(edit.GetRow(), 0);
        EXPECT_EQ(edit.GetColumn(), 10);
        // Shown at the end of its own line, not at the start of the next.
        EXPECT_EQ(edit.CaretRect().top(), line0Top);
        EXPECT_GT(edit.CaretRect().left(), edit.PosFromChar(8).x);
    }
    focus(edit);
    EXPECT_GE(caretInk(edit), edit.CaretRect().height() / 2);
    // Down and Up go from where the caret shows: the end of the line below, and back.
    press(edit, Qt::Key_Down);
    EXPECT_EQ(edit.SelStart(), 20);
    EXPECT_EQ(edit.GetRow(), 1);
    EXPECT_EQ(edit.GetColumn(), 10);
    press(edit, Qt::Key_Up);
    EXPECT_EQ(edit.SelStart(), 10);
    EXPECT_EQ(edit.GetRow(), 0);
    press(edit, Qt::Key_Home);
    EXPECT_EQ(edit.SelStart(), 0);
    EXPECT_EQ(edit.GetRow(), 0);
    // From the middle line: End selects to its end with Shift, Home goes back to its start.
    edit.SetSelStart(14);
    press(edit, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(edit.SelStart(), 14);
    EXPECT_EQ(edit.SelLength(), 6);
    press(edit, Qt::Key_Home);
    EXPECT_EQ(edit.SelStart(), 10);
    EXPECT_EQ(edit.GetRow(), 1);
    EXPECT_EQ(edit.CaretRect().top(), line1Top);
    // A line ended by a line break: End stops before the break.
    edit.SetText(QString::fromUtf8("日本\v語"));
    press(edit, Qt::Key_End);
    EXPECT_EQ(edit.SelStart(), 4);
    EXPECT_EQ(edit.GetRow(), 0);
    edit.SetText(QString::fromUtf8("日本語のテキストを折り返す"));
    // Any other move shows the caret where its position is again.
    edit.SetSelStart(4);
    press(edit, Qt::Key_End);
    press(edit, Qt::Key_Right);
    EXPECT_EQ(edit.SelStart(), 12);
    EXPECT_EQ(edit.GetRow(), 1);
}

TEST(RichEditKeys, ReadOnlyDocumentsNavigateAndSelectByKeyboard)
{
    TRichEdit edit;
    edit.resize(400, 300);
    edit.show();
    edit.SetWordWrap(false);
    edit.SetText("one\r\ntwo\r\nthree");
    edit.SetReadOnly(true);
    edit.SetSelStart(0);
    const struct {
        int key;
        Qt::KeyboardModifiers mods;
        int selStart, selLength;
    } steps[] = {
        {Qt::Key_Right, Qt::NoModifier, 1, 0},
        {Qt::Key_Down, Qt::NoModifier, 6, 0},
        {Qt::Key_End, Qt::NoModifier, 8, 0},
        {Qt::Key_Left, Qt::ShiftModifier, 7, 1},
        {Qt::Key_Home, Qt::ControlModifier, 0, 0},
        {Qt::Key_Right, Qt::ShiftModifier, 0, 1},
        {Qt::Key_End, Qt::ControlModifier, 15, 0},
        {Qt::Key_Up, Qt::ShiftModifier, 8, 7},
    };
    for (const auto &s : steps) {
        SCOPED_TRACE(s.key);
        press(edit, s.key, s.mods);
        EXPECT_EQ(edit.SelStart(), s.selStart);
        EXPECT_EQ(edit.SelLength(), s.selLength);
    }
    // The caret shows where the keys put it.
    focus(edit);
    EXPECT_GE(caretInk(edit), edit.CaretRect().height() / 2);
    // Changes are still refused.
    press(edit, Qt::Key_X, Qt::NoModifier, "x");
    press(edit, Qt::Key_Delete);
    EXPECT_EQ(edit.Text(), "one\r\ntwo\r\nthree");
    EXPECT_FALSE(edit.Modified());
    edit.SetReadOnly(false);
    press(edit, Qt::Key_X, Qt::NoModifier, "x");
    EXPECT_NE(edit.Text(), "one\r\ntwo\r\nthree");
}

} // namespace
