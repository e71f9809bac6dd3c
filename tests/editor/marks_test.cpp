// Visible marks, the caret marker and the word-wrap marker: which glyph is drawn where, in
// which face and colours, what the selection hides, and the strips around the rectangle.
#include "editor/extmemo.h"

#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPixmap>
#include <QApplication>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

struct Op {
    enum Kind { Text, Line, Fill } kind;
    QString face, text;
    TPoint at, to;
    TColor brush = 0, ink = 0;
    TRect rect;
};

class RecordingCanvas : public TMarkCanvas {
public:
    std::vector<Op> ops;
    void TextOut(const QFont &font, TPoint at, const QString &text, TColor brush, TColor ink) override
    {
        ops.push_back({Op::Text, font.families().value(0), text, at, {}, brush, ink, {}});
    }
    void Line(TPoint from, TPoint to, TColor pen) override { ops.push_back({Op::Line, {}, {}, from, to, 0, pen, {}}); }
    void FillRect(const TRect &rect, TColor color) override { ops.push_back({Op::Fill, {}, {}, {}, {}, color, 0, rect}); }
    std::vector<Op> texts() const
    {
        std::vector<Op> out;
        for (const Op &op : ops)
            if (op.kind == Op::Text)
                out.push_back(op);
        return out;
    }
};

struct Marks : ::testing::Test {
    TExtMemo memo;
    RecordingCanvas canvas;
    void SetUp() override
    {
        memo.resize(600, 300);
        memo.show();
        memo.SetColor(clWhite);
        memo.SetWordWrap(true);
        memo.EditArea().SetEnabled(true);
        memo.EditArea().Margin().SetLeft(10);
        memo.EditArea().Margin().SetTop(0);
        memo.EditArea().Margin().SetBottom(0);
        memo.EditArea().SetOverFlow(0);
        memo.EditArea().SetWidth(400);
        memo.SetMarkCanvas(&canvas);
    }
    void enableAll()
    {
        for (TEditMark *m : {&memo.EditMarks().CrLf, &memo.EditMarks().Ctrl, &memo.EditMarks().DSp,
                             &memo.EditMarks().SSp, &memo.EditMarks().Tab, &memo.EditMarks().Eot})
            m->Enabled = true;
    }
    // Loads code-page-932 bytes as a text document.
    void load(std::string_view bytes)
    {
        memo.SetPlainText(true);
        memo.LoadFromStream(bytes);
    }
    std::vector<Op> draw()
    {
        canvas.ops.clear();
        memo.DrawEditMark(0, memo.GetTextLength(), false);
        return canvas.texts();
    }
    // Expected glyph at a byte position with its offset from the character cell.
    void expectGlyph(const Op &op, int pos, int dx, int dy, const QString &face)
    {
        const TPoint p = memo.PosFromChar(pos);
        EXPECT_EQ(op.at.x, p.x + dx) << "pos " << pos;
        EXPECT_EQ(op.at.y, p.y + dy) << "pos " << pos;
        EXPECT_EQ(op.face, face) << "pos " << pos;
    }
};

TEST_F(Marks, EmptyDocumentShowsOnlyTheEndOfText)
{
    enableAll();
    load("");
    const auto ops = draw();
    ASSERT_EQ(ops.size(), 1u);
    expectGlyph(ops[0], 0, 1, 1, TExtMemo::kSymbolFace);
    EXPECT_EQ(ops[0].text, QString(QChar(0x2190)));
}

TEST_F(Marks, GlyphsFacesAndOffsets)
{
    enableAll();
    // a SP TAB ideographic-space ESC CR LF; b LF; c CR; "ａ" (0x82 0x81) CR LF; end
    load("a \t\x81\x40\x1b\r\nb\nc\r\x82\x81\r\nz");
    const auto ops = draw();
    const struct {
        int pos, dx, dy;
        QString face, text;
    } expected[] = {
        {1, 1, 2, TExtMemo::kSymbolFace, QString(QChar(0x00B7))}, // single-byte space
        {2, 1, 1, TExtMemo::kSymbolFace, ">"},                     // tab
        {3, 0, 1, TExtMemo::kGothicFace, TExtMemo::kBox},          // ideographic space, no shift right
        {5, 1, 1, TExtMemo::kGothicFace, "["},                     // ESC + 0x40
        {6, 1, 2, TExtMemo::kSymbolFace, QString(QChar(0x2193))},  // CR LF: one mark at the CR
        {9, 1, 2, TExtMemo::kSystemFace, QString(QChar(0x21A1))},  // LF alone: the other form
        {11, 1, 2, TExtMemo::kSymbolFace, QString(QChar(0x2193))}, // lone CR
        {14, 1, 2, TExtMemo::kSymbolFace, QString(QChar(0x2193))}, // after "ａ", whose second byte is 0x81
        {17, 1, 1, TExtMemo::kSymbolFace, QString(QChar(0x2190))}, // end of text
    };
    ASSERT_EQ(ops.size(), std::size(expected));
    // The end-of-text mark comes first, then the scan in text order.
    expectGlyph(ops[0], 17, 1, 1, TExtMemo::kSymbolFace);
    for (std::size_t i = 0; i + 1 < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].pos);
        expectGlyph(ops[i + 1], expected[i].pos, expected[i].dx, expected[i].dy, expected[i].face);
        EXPECT_EQ(ops[i + 1].text, expected[i].text);
    }
    // Every form ends a line: the four line-end marks stand on four lines.
    EXPECT_EQ(memo.GetLineCount(), 5);
    for (std::size_t i = 5; i < 8; ++i)
        EXPECT_LT(ops[i].at.y, ops[i + 1].at.y) << i;
}

TEST_F(Marks, ColoursDrawnReversedAndErased)
{
    memo.EditMarks().Tab.Enabled = true;
    memo.EditMarks().Tab.Color = 0x0000FF;
    load("\t");
    auto ops = draw();
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].brush, clWhite);
    EXPECT_EQ(ops[0].ink, 0x0000FFu);
    memo.EditMarks().Tab.Reversed = true;
    ops = draw();
    EXPECT_EQ(ops[0].brush, 0x0000FFu);
    EXPECT_EQ(ops[0].ink, clWhite);
    canvas.ops.clear();
    memo.DrawEditMark(0, 0, true);
    ASSERT_EQ(canvas.texts().size(), 1u);
    EXPECT_EQ(canvas.texts()[0].brush, clWhite);
    EXPECT_EQ(canvas.texts()[0].ink, clWhite);
}

TEST_F(Marks, SelectionHidesTheMarksInsideIt)
{
    memo.EditMarks().CrLf.Enabled = true;
    memo.EditMarks().Eot.Enabled = true;
    load("a\r\nb\r\nc\r\nd");
    // Select "b CR LF c": the mark at 4 is inside; those at 1 and 7 are not.
    memo.SetSelStart(3);
    memo.SetSelLength(4);
    auto ops = draw();
    ASSERT_EQ(ops.size(), 3u);
    expectGlyph(ops[0], 10, 1, 1, TExtMemo::kSymbolFace); // end of text: the selection ends earlier
    expectGlyph(ops[1], 1, 1, 2, TExtMemo::kSymbolFace);
    expectGlyph(ops[2], 7, 1, 2, TExtMemo::kSymbolFace);
    // A selection reaching the end of the text hides the end-of-text mark.
    memo.SetSelStart(6);
    memo.SetSelLength(4);
    ops = draw();
    ASSERT_EQ(ops.size(), 2u);
    expectGlyph(ops[0], 1, 1, 2, TExtMemo::kSymbolFace);
    expectGlyph(ops[1], 4, 1, 2, TExtMemo::kSymbolFace);
}

TEST_F(Marks, StripsOutsideTheRectangleAndTheWrapRule)
{
    memo.EditMarks().CrLf.Enabled = true;
    load("a\r\nb");
    canvas.ops.clear();
    memo.DrawEditMark(0, 4, false);
    const TRect r = memo.GetEditRect();
    const int w = memo.contentsRect().width(), h = memo.contentsRect().height();
    std::vector<TRect> fills;
    for (const Op &op : canvas.ops)
        if (op.kind == Op::Fill)
            fills.push_back(op.rect);
    // Left of the rectangle and right of it (the rectangle spans the full height here).
    ASSERT_EQ(fills.size(), 2u);
    EXPECT_EQ(fills[0], (TRect{0, 0, r.left, h}));
    EXPECT_EQ(fills[1], (TRect{r.right, 0, w, h}));
    // Erasing leaves the strips alone.
    canvas.ops.clear();
    memo.DrawEditMark(0, 4, true);
    for (const Op &op : canvas.ops)
        EXPECT_NE(op.kind, Op::Fill);

    memo.WordWrapMarker().Enabled = true;
    memo.WordWrapMarker().Color = 0x00FF00;
    for (const auto &c : {std::pair{0, 410}, std::pair{5, 411}}) {
        memo.EditArea().SetOverFlow(c.first);
        canvas.ops.clear();
        memo.DrawWordWrapMarker();
        ASSERT_EQ(canvas.ops.size(), 1u);
        EXPECT_EQ(canvas.ops[0].at, (TPoint{c.second, 0}));
        EXPECT_EQ(canvas.ops[0].to, (TPoint{c.second, h}));
        EXPECT_EQ(canvas.ops[0].ink, 0x00FF00u);
    }
}

// Pixels of the rendered control (the real paint pass) that are clearly darker than the
// white background, in a rectangle of client coordinates.
int inkIn(TExtMemo &memo, const QRect &area)
{
    const QImage image = memo.grab().toImage();
    int ink = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ++ink;
    return ink;
}

TEST_F(Marks, PaintingMarksNeverWipesTextAfterWidening)
{
    memo.SetMarkCanvas(nullptr);
    memo.EditMarks().CrLf.Enabled = true;
    memo.EditMarks().Eot.Enabled = true;
    QFont font("DejaVu Sans");
    font.setPixelSize(14);
    memo.SetFont(font);
    load(std::string(200, 'W') + "\nW");
    // The fixed width was applied while wrapping; then wrapping goes off and the window widens.
    memo.SetWordWrap(false);
    memo.resize(1000, 300);
    QApplication::processEvents();
    const TRect r = memo.GetEditRect();
    EXPECT_GE(r.right, 990);
    // Line 0 is all text from the left margin to beyond the right edge.
    const TPoint line0 = memo.PosFromChar(0);
    const int height = QFontMetrics(font).height();
    EXPECT_GT(inkIn(memo, QRect(450, line0.y, 500, height)), 500);
}

TEST_F(Marks, VerticalDrawsNothing)
{
    enableAll();
    memo.WordWrapMarker().Enabled = true;
    memo.CaretMarker().Enabled = true;
    load("a \r\n");
    memo.SetVertical(true);
    canvas.ops.clear();
    memo.DrawEditMark(0, 4, false);
    memo.DrawWordWrapMarker();
    memo.DrawCaretMarker();
    memo.EraseCaretMarker();
    EXPECT_TRUE(canvas.ops.empty());
}

TEST_F(Marks, CaretMarkerFollowsTheCaretAndSkipsSelections)
{
    memo.CaretMarker().Enabled = true;
    memo.CaretMarker().Color = clBlue;
    memo.SetFocusForMarker(true);
    load("one\r\ntwo\r\nthree");
    // A selection change draws it (the same as after a paint).
    canvas.ops.clear();
    memo.SetSelStart(5);
    ASSERT_EQ(memo.CaretMarkerLine(), 1);
    // Loading put it on line 0; it is erased there, then drawn on line 1.
    ASSERT_EQ(canvas.ops.size(), 2u);
    EXPECT_EQ(canvas.ops[0].ink, clWhite);
    const int y = memo.PosFromChar(5).y + memo.BoxWidth();
    EXPECT_EQ(canvas.ops[1].at, (TPoint{memo.GetEditRect().left, y}));
    EXPECT_EQ(canvas.ops[1].to, (TPoint{10 + 400, y}));
    EXPECT_EQ(canvas.ops[1].ink, clBlue);

    // Drawn there already: nothing more.
    canvas.ops.clear();
    memo.DrawCaretMarker();
    EXPECT_TRUE(canvas.ops.empty());

    // Moving to another line erases the old rule in the background colour first.
    canvas.ops.clear();
    memo.SetSelStart(11);
    ASSERT_EQ(canvas.ops.size(), 2u);
    EXPECT_EQ(canvas.ops[0].ink, clWhite);
    EXPECT_EQ(canvas.ops[0].at.y, y);
    EXPECT_EQ(canvas.ops[1].ink, clBlue);
    EXPECT_EQ(memo.CaretMarkerLine(), 2);

    // With a selection the marker is neither drawn nor erased (only forgotten as drawn).
    memo.SetSelLength(2);
    canvas.ops.clear();
    memo.DrawCaretMarker();
    memo.EraseCaretMarker();
    EXPECT_TRUE(canvas.ops.empty());
    EXPECT_EQ(memo.CaretMarkerLine(), ~2);

    // Shift + arrow erases it before the selection begins; SelectAll does too.
    memo.SetSelStart(0);
    memo.DrawCaretMarker();
    ASSERT_EQ(memo.CaretMarkerLine(), 0);
    QKeyEvent shiftRight(QEvent::KeyPress, Qt::Key_Right, Qt::ShiftModifier);
    canvas.ops.clear();
    QApplication::sendEvent(&memo, &shiftRight);
    EXPECT_EQ(memo.CaretMarkerLine(), ~0);
    ASSERT_FALSE(canvas.ops.empty());
    EXPECT_EQ(canvas.ops[0].ink, clWhite);
    memo.SetSelStart(0);
    memo.DrawCaretMarker();
    memo.SelectAll();
    EXPECT_EQ(memo.CaretMarkerLine(), ~0);

    // Without focus the marker stays on the remembered line.
    memo.SetFocusForMarker(false);
    memo.SetSelStart(11);
    canvas.ops.clear();
    memo.DrawCaretMarker();
    EXPECT_EQ(memo.CaretMarkerLine(), 0);
}

} // namespace

namespace {

// A typed character erases the marks from the caret to the line end first, unless visible
// text follows the caret on that line.
TEST_F(Marks, TypedCharacterErasesTheMarksUpToTheLineEnd)
{
    memo.EditMarks().SSp.Enabled = true;
    memo.EditMarks().Tab.Enabled = true;
    memo.EditMarks().CrLf.Enabled = true;
    load("ab \t\r\nnext");
    const auto erased = [&] {
        std::vector<int> xs;
        for (const Op &op : canvas.texts())
            if (op.brush == clWhite && op.ink == clWhite)
                xs.push_back(op.at.x);
        return xs;
    };
    const std::vector<int> before = {memo.PosFromChar(2).x + 1, memo.PosFromChar(3).x + 1, memo.PosFromChar(4).x + 1};
    memo.SetSelStart(2);
    canvas.ops.clear();
    QKeyEvent x(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
    QApplication::sendEvent(&memo, &x);
    EXPECT_EQ(erased(), before);
    EXPECT_EQ(memo.TextRangeBytes(0, 6), "abx \t\r");

    // Visible text after the caret: nothing is erased.
    memo.SetSelStart(1);
    canvas.ops.clear();
    QApplication::sendEvent(&memo, &x);
    EXPECT_TRUE(erased().empty());
    EXPECT_EQ(memo.TextRangeBytes(0, 4), "axbx");
}

} // namespace

namespace {

// The parts of a widget painted, as its paint events give them.
class PaintedRegion : public QObject {
public:
    explicit PaintedRegion(QWidget *widget) { widget->installEventFilter(this); }
    QRegion region;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            region += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
    // Runs the event loop until something is painted (a bounded number of passes).
    QRegion next()
    {
        region = {};
        for (int i = 0; i < 50 && region.isEmpty(); ++i)
            QApplication::processEvents();
        return region;
    }
};

// Typing repaints the rows the caret left and reached and the paragraph typed in, the
// caret marker with them, not the whole text area; a selection repaints everything, since
// the marks inside it change.
TEST(MarksRepaint, TypingRepaintsTheCaretRowsOnly)
{
    TExtMemo memo;
    memo.resize(600, 400);
    memo.SetWordWrap(true);
    memo.EditArea().SetEnabled(true);
    memo.EditArea().SetWidth(400);
    memo.CaretMarker().Enabled = true;
    memo.SetFocusForMarker(true);
    memo.SetPlainText(true);
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "line\r\n";
    memo.LoadFromStream(text);
    memo.show();
    PaintedRegion painted(memo.viewport());
    ASSERT_FALSE(painted.next().isEmpty());
    // Inside a line, and at a line's end (where the marks after the caret are wiped first).
    for (const int line : {3, 5}) {
        memo.SetSelStart(memo.LineIndex(line) + (line == 3 ? 2 : 4));
        painted.next();
        QKeyEvent x(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
        QApplication::sendEvent(&memo, &x);
        const QRegion typed = painted.next();
        ASSERT_FALSE(typed.isEmpty()) << line;
        EXPECT_LT(typed.boundingRect().height(), memo.viewport()->height() / 4) << line;
        EXPECT_TRUE(typed.contains(memo.cursorRect())) << line;
        EXPECT_EQ(memo.CaretMarkerLine(), line);
    }

    QKeyEvent shiftRight(QEvent::KeyPress, Qt::Key_Right, Qt::ShiftModifier);
    QApplication::sendEvent(&memo, &shiftRight);
    EXPECT_EQ(painted.next().boundingRect(), memo.viewport()->rect());
}

} // namespace
