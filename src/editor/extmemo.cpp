#include "editor/extmemo.h"

#include "editor/positionindex.h"
#include "editor/punctuation.h"
#include "editor/textchars.h"
#include "platform/cp932codec.h"

#include <QFocusEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>

namespace velmo {

const QString TExtMemo::kSymbolFace = QStringLiteral("Symbol");
const QString TExtMemo::kSystemFace = QStringLiteral("System");
const QString TExtMemo::kGothicFace = QStringLiteral(u"MSゴシック");
const QString TExtMemo::kBox = QStringLiteral(u"□");

namespace {
// Stand-ins for the Symbol-face codes: left arrow, down arrow, ">"; the single-byte space
// shows a middle dot and a lone LF a two-headed down arrow, so the two line-end forms differ.
const QString kEotGlyph = QStringLiteral(u"\u2190");
const QString kCrLfGlyph = QStringLiteral(u"\u2193");
const QString kLfGlyph = QStringLiteral(u"\u21A1");
const QString kTabGlyph = QStringLiteral(">");
const QString kSpaceGlyph = QStringLiteral(u"\u00B7");

bool isLeadByte(unsigned char b)
{
    return cp932::isLeadByte(b);
}

// Decorations painted with a painter set up on the viewport in client coordinates.
class PainterCanvas : public TMarkCanvas {
public:
    explicit PainterCanvas(QPainter &painter) : m_painter(painter) {}
    void TextOut(const QFont &requested, TPoint at, const QString &text, TColor brush, TColor textColor) override
    {
        // "Symbol" and "System" name code-page faces; here the stand-in glyphs are Unicode
        // and come from the general face (a symbol-encoded face would show nothing).
        QFont font = requested;
        const QString face = requested.families().value(0);
        if (face == TExtMemo::kSymbolFace || face == TExtMemo::kSystemFace)
            font.setFamilies(QStringList{QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()});
        const QFontMetrics metrics(font);
        const QRect cell(at.x, at.y, metrics.horizontalAdvance(text), metrics.height());
        m_painter.fillRect(cell, toQColor(brush));
        m_painter.setFont(font);
        m_painter.setPen(toQColor(textColor));
        m_painter.drawText(QPoint(at.x, at.y + metrics.ascent()), text);
    }
    void Line(TPoint from, TPoint to, TColor pen) override
    {
        m_painter.setPen(QPen(toQColor(pen), 1));
        m_painter.drawLine(from.x, from.y, to.x, to.y);
    }
    void FillRect(const TRect &rect, TColor color) override
    {
        m_painter.fillRect(QRect(rect.left, rect.top, rect.width(), rect.height()), toQColor(color));
    }

private:
    QPainter &m_painter;
};

} // namespace

// ----- sub-objects -----

void TEditMark::Assign(const TPersistent &source)
{
    const auto *other = dynamic_cast<const TEditMark *>(&source);
    if (!other)
        AssignError(source);
    Enabled = other->Enabled;
    Color = other->Color;
    Reversed = other->Reversed;
}

void TEditMarks::Assign(const TPersistent &source)
{
    const auto *other = dynamic_cast<const TEditMarks *>(&source);
    if (!other)
        AssignError(source);
    CrLf.Assign(other->CrLf);
    Ctrl.Assign(other->Ctrl);
    DSp.Assign(other->DSp);
    SSp.Assign(other->SSp);
    Tab.Assign(other->Tab);
    Eot.Assign(other->Eot);
}

void TMarker::Assign(const TPersistent &source)
{
    const auto *other = dynamic_cast<const TMarker *>(&source);
    if (!other)
        AssignError(source);
    Enabled = other->Enabled;
    Color = other->Color;
}

void TImeColor::changed()
{
    if (m_owner)
        m_owner->apply();
}

void TImeColor::SetIcText(TColor value)
{
    if (value == m_text)
        return;
    m_text = value;
    changed();
}

void TImeColor::SetIcBackground(TColor value)
{
    if (value == m_background)
        return;
    m_background = value;
    changed();
}

void TImeColor::SetStyle(TFontStyles value)
{
    if (value == m_style)
        return;
    m_style = value;
    changed();
}

bool TImeColor::SameValues(const TImeColor &other) const
{
    return m_text == other.m_text && m_background == other.m_background && m_style == other.m_style;
}

void TImeColor::Assign(const TPersistent &source)
{
    const auto *other = dynamic_cast<const TImeColor *>(&source);
    if (!other)
        AssignError(source);
    m_text = other->m_text;
    m_background = other->m_background;
    m_style = other->m_style;
}

TImeColors::TImeColors(TExtMemo *owner)
    : Untransfered(this), WatchingTransfered(this), Transfered(this), WatchingUntransfered(this), m_owner(owner)
{
}

TImeColor &TImeColors::at(int index)
{
    TImeColor *all[] = {&Untransfered, &WatchingTransfered, &Transfered, &WatchingUntransfered};
    return *all[index];
}

const TImeColor &TImeColors::at(int index) const
{
    return const_cast<TImeColors *>(this)->at(index);
}

void TImeColors::apply()
{
    if (m_owner)
        m_owner->ApplyImeColors();
}

void TImeColors::setMember(TImeColor &member, const TImeColor &value)
{
    if (member.SameValues(value))
        return;
    member.Assign(value);
    apply();
}

void TImeColors::Assign(const TPersistent &source)
{
    const auto *other = dynamic_cast<const TImeColors *>(&source);
    if (!other)
        AssignError(source);
    bool differs = false;
    for (int i = 0; i < 4; ++i)
        differs = differs || !at(i).SameValues(other->at(i));
    if (!differs)
        return;
    for (int i = 0; i < 4; ++i)
        at(i).Assign(other->at(i));
    apply();
}

void TEditMargin::set(int &field, int value)
{
    if (value < 0 || value == field)
        return;
    field = value;
    if (m_owner)
        m_owner->resize();
}

void TEditMargin::SetLeft(int value) { set(m_left, value); }
void TEditMargin::SetTop(int value) { set(m_top, value); }
void TEditMargin::SetBottom(int value) { set(m_bottom, value); }

void TEditMargin::Assign(const TPersistent &source)
{
    const auto *other = dynamic_cast<const TEditMargin *>(&source);
    if (!other)
        AssignError(source);
    m_left = other->m_left;
    m_top = other->m_top;
    m_bottom = other->m_bottom;
    if (m_owner)
        m_owner->resize();
}

TEditArea::TEditArea(TExtMemo *owner) : m_owner(owner), m_margin(this) {}

void TEditArea::resize()
{
    if (m_owner)
        m_owner->ResizeEditArea();
}

void TEditArea::SetEnabled(bool value)
{
    if (value == m_enabled)
        return;
    m_enabled = value;
    if (value)
        resize();
}

void TEditArea::SetMargin(const TEditMargin &margin)
{
    m_margin.m_left = margin.m_left;
    m_margin.m_top = margin.m_top;
    m_margin.m_bottom = margin.m_bottom;
    resize();
}

void TEditArea::SetOverFlow(int value)
{
    if (value < 0 || value == m_overFlow)
        return;
    m_overFlow = value;
    resize();
}

void TEditArea::SetWidth(int value)
{
    if (value < 0 || value == m_width)
        return;
    m_width = value;
    resize();
}

void TEditArea::Assign(const TPersistent &source)
{
    const auto *other = dynamic_cast<const TEditArea *>(&source);
    if (!other)
        AssignError(source);
    m_margin.m_left = other->m_margin.m_left;
    m_margin.m_top = other->m_margin.m_top;
    m_margin.m_bottom = other->m_margin.m_bottom;
    m_width = other->m_width;
    m_overFlow = other->m_overFlow;
    resize();
}

// ----- the control -----

TExtMemo::TExtMemo(QWidget *parent)
    : TRichEdit(parent),
      m_editArea(std::make_unique<TEditArea>(this)),
      m_editMarks(std::make_unique<TEditMarks>()),
      m_imeColors(std::make_unique<TImeColors>(this)),
      m_caretMarker(std::make_unique<TMarker>()),
      m_wordWrapMarker(std::make_unique<TMarker>()),
      m_wordWrapOption(std::make_unique<TWordWrapOption>(this))
{
    connect(this, &TRichEdit::SelectionChange, this, &TExtMemo::onSelectionChange);
    for (QScrollBar *bar : {horizontalScrollBar(), verticalScrollBar()}) {
        connect(bar, &QScrollBar::valueChanged, this, [this] {
            if (m_rowsOnly)
                viewport()->update();
            m_rowsOnly = false;
        });
    }
    CreateWnd();
}

TExtMemo::~TExtMemo()
{
    DestroyWnd();
}

void TExtMemo::CreateWnd()
{
    // Options of the new window; the modified flag must not change with them.
    const bool modified = Modified();
    const unsigned mask = (m_lineSelect ? ECO_SELECTIONBAR : 0u) | (m_vertical ? ECO_VERTICAL : 0u);
    if (mask != 0)
        SetOptions(ECOOP_OR, mask);
    SetModified(modified);

    // The engine's built-in punctuation sets.
    const unsigned remembered = GetWordWrapMode();
    const unsigned wrapBits = WBF_WORDWRAP | WBF_WORDBREAK | WBF_OVERFLOW;
    TRichEdit::SetWordWrapMode(editor::kPunctuationLevel1 | wrapBits);
    for (int type = 1; type <= 4; ++type)
        GetPunctuation(type, m_wordWrapOption->PunctuationTable[wbfLevel1][std::size_t(type - 1)]);
    TRichEdit::SetWordWrapMode(editor::kPunctuationLevel2 | wrapBits);
    for (int type = 1; type <= 4; ++type)
        GetPunctuation(type, m_wordWrapOption->PunctuationTable[wbfLevel2][std::size_t(type - 1)]);
    TRichEdit::SetWordWrapMode(remembered);

    // The edit area as the new window has it (direct stores, nothing is re-applied).
    const TRect r = GetEditRect();
    TEditMargin &margin = m_editArea->m_margin;
    margin.m_left = r.left;
    margin.m_top = r.top;
    margin.m_bottom = contentsRect().height() - r.bottom;
    m_editArea->m_overFlow = BoxWidth();
    m_editArea->m_width = r.width() - m_editArea->m_overFlow;
}

void TExtMemo::DestroyWnd()
{
    m_canvas = nullptr;
}

void TExtMemo::RecreateWnd()
{
    DestroyWnd();
    SetOptions(ECOOP_SET, 0);
    CreateWnd();
    viewport()->update();
}

void TExtMemo::SetLineSelect(bool value)
{
    if (value == m_lineSelect)
        return;
    m_lineSelect = value;
    RecreateWnd();
}

void TExtMemo::SetVertical(bool value)
{
    if (value == m_vertical)
        return;
    m_vertical = value;
    RecreateWnd();
}

TImeColors &TExtMemo::ImeColors()
{
    if (!(m_componentState & csLoading)) {
        TCompColors colors;
        if (GetImeCompColor(colors)) {
            for (int i = 0; i < 4; ++i) {
                TImeColor &c = m_imeColors->at(i);
                c.m_text = colors[std::size_t(i)].crText;
                c.m_background = colors[std::size_t(i)].crBackground;
                c.m_style = colors[std::size_t(i)].dwEffects & 15;
            }
        }
    }
    return *m_imeColors;
}

TWordWrapOption &TExtMemo::WordWrapOption()
{
    if (!(m_componentState & csLoading))
        m_wordWrapOption->WrapModeFlags = GetWordWrapMode();
    return *m_wordWrapOption;
}

void TExtMemo::ApplyImeColors()
{
    TCompColors colors;
    for (int i = 0; i < 4; ++i) {
        const TImeColor &c = m_imeColors->at(i);
        colors[std::size_t(i)] = {resolveColor(c.icText()), resolveColor(c.icBackground()), c.Style() & 15};
    }
    SetImeCompColor(colors);
}

void TExtMemo::ResizeEditArea()
{
    if (!WordWrap() || m_vertical || !m_editArea->Enabled())
        return;
    TEditMargin &margin = m_editArea->m_margin;
    if (m_lineSelect && margin.m_left < 10)
        margin.m_left = 10;
    const TRect r{margin.m_left, margin.m_top, margin.m_left + m_editArea->m_width + m_editArea->m_overFlow,
                  contentsRect().height() - margin.m_bottom};
    // Text wraps at Width; the overflow room stays inside the rectangle for what hangs.
    SetEditRect(r, m_editArea->m_width);
}

void TExtMemo::SetWordWrap(bool on)
{
    TRichEdit::SetWordWrap(on);
    if (on)
        ResizeEditArea();
}

void TExtMemo::SelectAll()
{
    if (!m_vertical && WordWrap() && m_caretMarker->Enabled)
        EraseCaretMarker();
    TRichEdit::SelectAll();
}

int TExtMemo::BoxWidth() const
{
    return QFontMetrics(font()).horizontalAdvance(kBox);
}

QFont TExtMemo::markFont() const
{
    QFont f = font();
    f.setPixelSize(std::max(BoxWidth() - 2, 1));
    return f;
}

bool TExtMemo::canvasReady(const QRect &area)
{
    if (m_canvas)
        return true;
    if (area.isValid())
        viewport()->update(area.translated(-viewportOrigin()));
    else
        viewport()->update();
    return false;
}

QRect TExtMemo::markerStrip(int y) const
{
    return QRect(0, y - 1, contentsRect().width(), 3);
}

bool TExtMemo::hasFocusForMarker() const
{
    return m_focusOverride ? m_focusValue : hasFocus();
}

int TExtMemo::lastVisibleLine() const
{
    const TRect r = GetEditRect();
    return LineFromChar(CharFromPos(r.left, r.bottom));
}

// ----- marks -----

void TExtMemo::drawMarkGlyph(const TEditMark &mark, const QFont &font, const QString &face, int pos, int dx, int dy,
                             const QString &text, bool erase)
{
    const TColor background = resolveColor(Color());
    TColor brush = background, ink = background;
    if (!erase) {
        brush = mark.Reversed ? mark.Color : background;
        ink = mark.Reversed ? background : mark.Color;
    }
    QFont f = font;
    f.setFamilies(QStringList{face});
    const TPoint p = PosFromChar(pos);
    m_canvas->TextOut(f, {p.x + dx, p.y + dy}, text, brush, ink);
}

QRect TExtMemo::rowsBetween(int first, int last) const
{
    const int length = GetTextLength();
    QTextCursor a(document()), b(document());
    a.setPosition(toQt(std::clamp(first, 0, length)));
    b.setPosition(toQt(std::clamp(last, 0, length)));
    const QRect ra = cursorRect(a), rb = cursorRect(b);
    const int top = std::min(ra.top(), rb.top()) - 1;
    const int bottom = std::max(ra.bottom(), rb.bottom()) + 2;
    return QRect(0, top, viewport()->width(), bottom - top + 1).translated(viewportOrigin());
}

void TExtMemo::DrawEditMark(int first, int last, bool erase)
{
    if (m_vertical)
        return;
    if (!m_canvas) {
        // Outside a paint pass the rows from first to last are painted again, marks and all.
        canvasReady(rowsBetween(first, last));
        return;
    }
    const QFont font = markFont();
    const TRect r = GetEditRect();
    const int length = GetTextLength();
    const int s0 = SelStart();
    const int s1 = s0 + SelLength();
    const bool selection = s1 > s0;
    const TEditMarks &marks = *m_editMarks;

    if (last >= length) {
        if (marks.Eot.Enabled && (!selection || s1 < length)) {
            if (PosFromChar(last).x < r.right) {
                m_canvas->HideCaret();
                drawMarkGlyph(marks.Eot, font, kSymbolFace, length, 1, 1, kEotGlyph, erase);
                m_canvas->ShowCaret();
            }
        }
        last = length - 1;
    }
    if (last < 0)
        return;
    if (!marks.CrLf.Enabled && !marks.Ctrl.Enabled && !marks.DSp.Enabled && !marks.SSp.Enabled && !marks.Tab.Enabled)
        return;

    // Only the bytes of the range are read (and the byte after it, for pairs).
    int base = first;
    std::string text = TextRangeBytes(base, last - base + 2);
    m_canvas->HideCaret();
    bool skipped = false;
    int counter = first;
    while (counter <= last) {
        if (selection && !skipped && counter >= s0) {
            // Marks inside the selection are neither drawn nor erased.
            counter = s1;
            base = s1;
            text = TextRangeBytes(base, last - base + 2);
            skipped = true;
            continue;
        }
        const std::size_t at = std::size_t(counter - base);
        if (at >= text.size())
            break;
        const unsigned char b = static_cast<unsigned char>(text[at]);
        const unsigned char next = at + 1 < text.size() ? static_cast<unsigned char>(text[at + 1]) : 0;
        if (b == 0x09) {
            if (marks.Tab.Enabled)
                drawMarkGlyph(marks.Tab, font, kSymbolFace, counter, 1, 1, kTabGlyph, erase);
        } else if (b == 0x0D) {
            if (marks.CrLf.Enabled)
                drawMarkGlyph(marks.CrLf, font, kSymbolFace, counter, 1, 2, kCrLfGlyph, erase);
            if (next == 0x0A)
                ++counter;
        } else if (b == 0x0A) {
            if (marks.CrLf.Enabled)
                drawMarkGlyph(marks.CrLf, font, kSystemFace, counter, 1, 2, kLfGlyph, erase);
        } else if (b == 0x20) {
            if (marks.SSp.Enabled)
                drawMarkGlyph(marks.SSp, font, kSymbolFace, counter, 1, 2, kSpaceGlyph, erase);
        } else if (isLeadByte(b)) {
            // A double-byte character is taken whole, so that its second byte is never
            // mistaken for the first byte of another character.
            if (b == 0x81 && next == 0x40 && marks.DSp.Enabled)
                drawMarkGlyph(marks.DSp, font, kGothicFace, counter, 0, 1, kBox, erase);
            ++counter;
        } else if (b < 0x20) {
            if (marks.Ctrl.Enabled)
                drawMarkGlyph(marks.Ctrl, font, kGothicFace, counter, 1, 1, QString(QChar(char16_t(b + 0x40))), erase);
        }
        ++counter;
    }
    m_canvas->ShowCaret();

    if (!erase) {
        // Glyphs reaching outside the formatting rectangle are wiped off again.
        const TRect c{0, 0, contentsRect().width(), contentsRect().height()};
        const TColor background = resolveColor(Color());
        if (r.left > c.left)
            m_canvas->FillRect({c.left, c.top, r.left, c.bottom}, background);
        if (r.top > c.top)
            m_canvas->FillRect({c.left, c.top, c.right, r.top}, background);
        if (c.bottom > r.bottom)
            m_canvas->FillRect({c.left, r.bottom, c.right, c.bottom}, background);
        if (c.right > r.right)
            m_canvas->FillRect({r.right, c.top, c.right, c.bottom}, background);
    }
}

void TExtMemo::DrawWordWrapMarker()
{
    if (!WordWrap() || m_vertical || !m_wordWrapMarker->Enabled || !m_editArea->Enabled())
        return;
    const int x = m_editArea->Margin().Left() + m_editArea->Width() + (m_editArea->OverFlow() > 0 ? 1 : 0);
    if (!canvasReady(QRect(x - 1, 0, 3, contentsRect().height())))
        return;
    m_canvas->Line({x, 0}, {x, contentsRect().height()}, m_wordWrapMarker->Color);
}

void TExtMemo::DrawCaretMarker()
{
    if (!WordWrap() || m_vertical || !m_caretMarker->Enabled || !m_editArea->Enabled() || SelLength() > 0)
        return;
    const bool focused = hasFocusForMarker();
    int line = focused ? LineFromChar(SelStart()) : (m_caretMarkerLine < 0 ? ~m_caretMarkerLine : m_caretMarkerLine);
    const int firstVisible = GetFirstVisibleLine();
    if (line < firstVisible)
        return;
    const TRect r = GetEditRect();
    if (lastVisibleLine() < line)
        return;
    if (focused) {
        const QRect caret = CaretRect();
        const TPoint p = PosFromChar(SelStart());
        if (line == firstVisible && p.x != caret.x())
            return;
        // The line where the caret shows (at a wrap point it differs from the character's);
        // hit inside the caret, as line tops may lie between two pixels.
        line = LineFromChar(CharFromPos(r.left, caret.center().y()));
        if (line == m_caretMarkerLine)
            return;
    }
    if (m_caretMarkerLine >= 0)
        EraseCaretMarker();
    m_caretMarkerLine = line;
    const int y = PosFromChar(LineIndex(line)).y + BoxWidth();
    if (!canvasReady(markerStrip(y)))
        return;
    m_canvas->HideCaret();
    m_canvas->Line({r.left, y}, {m_editArea->Margin().Left() + m_editArea->Width(), y}, m_caretMarker->Color);
    m_canvas->ShowCaret();
}

void TExtMemo::EraseCaretMarker()
{
    if (m_vertical)
        return;
    const int line = m_caretMarkerLine;
    if (line >= 0)
        m_caretMarkerLine = ~line;
    if (SelLength() > 0 || line < 0)
        return;
    if (line < GetFirstVisibleLine() || lastVisibleLine() < line)
        return;
    const int y = PosFromChar(LineIndex(line)).y + BoxWidth();
    if (!canvasReady(markerStrip(y)))
        return;
    const TRect r = GetEditRect();
    m_canvas->HideCaret();
    m_canvas->Line({r.left, y}, {m_editArea->Margin().Left() + m_editArea->Width(), y}, resolveColor(Color()));
    m_canvas->ShowCaret();
    DrawWordWrapMarker();
}

// ----- events -----

void TExtMemo::onSelectionChange()
{
    if (!m_canvas) {
        // Outside a paint pass the marks are redrawn by the repaint this asks for; only the
        // caret marker's line has to be followed now. A caret moving without a selection
        // (typing) repaints the rows it left and reached, the text's own changes being
        // repainted by the layout; a selection changes the marks in it: all is repainted.
        const QRect caret = CaretRect();
        const QRect row = SelLength() > 0 ? QRect() : QRect(0, caret.top() - 1, contentsRect().width(), caret.height() + 2);
        const QPoint scrolled(horizontalScrollBar()->value(), verticalScrollBar()->value());
        if (row.isNull() || m_caretRow.isNull() || scrolled != m_caretRowScroll) {
            viewport()->update();
        } else {
            viewport()->update(m_caretRow.translated(-viewportOrigin()));
            viewport()->update(row.translated(-viewportOrigin()));
            m_rowsOnly = true;
        }
        m_caretRow = row;
        m_caretRowScroll = scrolled;
        DrawCaretMarker();
        return;
    }
    const TRect r = GetEditRect();
    DrawEditMark(FirstVisiblePos(), CharFromPos(r.right, r.bottom), false);
    DrawWordWrapMarker();
    DrawCaretMarker();
}

void TExtMemo::paintEvent(QPaintEvent *event)
{
    TRichEdit::paintEvent(event);
    QPainter painter(viewport());
    const QPoint origin = viewportOrigin();
    painter.translate(-origin.x(), -origin.y());
    PainterCanvas canvas(painter);
    TMarkCanvas *previous = m_canvas;
    m_canvas = &canvas;
    const TRect r = GetEditRect();
    DrawEditMark(FirstVisiblePos(), CharFromPos(r.right, r.bottom), false);
    DrawWordWrapMarker();
    if (m_caretMarkerLine >= 0)
        m_caretMarkerLine = ~m_caretMarkerLine; // the base paint went over the rule
    DrawCaretMarker();
    m_canvas = previous;
    m_rowsOnly = false;
}

void TExtMemo::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers();
    const int key = event->key();
    if (key == Qt::Key_Insert && !(mods & (Qt::ShiftModifier | Qt::ControlModifier))) {
        m_insertMode = !m_insertMode;
        setOverwriteMode(!m_insertMode);
        event->accept();
        return;
    }
    if ((mods & Qt::ShiftModifier) && (key == Qt::Key_Left || key == Qt::Key_Up || key == Qt::Key_Right || key == Qt::Key_Down))
        EraseCaretMarker(); // a selection is about to start

    const QString typed = event->text();
    if (typed.isEmpty() || key == Qt::Key_Backspace || isReadOnly() || (mods & Qt::ControlModifier)) {
        TRichEdit::keyPressEvent(event);
        return;
    }
    // A typed character shifts the marks right of the caret; those up to the line end
    // are erased before and drawn again after it, unless visible text follows the caret.
    const int length = GetTextLength();
    const int start = SelStart();
    const int qtStart = toQt(start);
    const QTextBlock block = document()->findBlock(qtStart);
    const QString text = block.text();
    qsizetype i = qtStart - block.position();
    // Byte value of a character as the line-end scan sees it (raw bytes stand for themselves).
    const auto byteOf = [&](qsizetype k) -> unsigned {
        const char16_t c = text[k].unicode();
        if (c == editor::kLineBreak)
            return 0x0B;
        return cp932::isRawByte(c) ? unsigned(c - cp932::kRawByteBase) : unsigned(c);
    };
    const auto lineEnd = [&](qsizetype k) { return k >= text.size() || byteOf(k) == 0x0D || byteOf(k) == 0x0A; };
    if (start == length || lineEnd(i)) {
        DrawEditMark(start, start, true);
        TRichEdit::keyPressEvent(event);
        DrawEditMark(start, SelStart(), false);
        DrawWordWrapMarker();
        return;
    }
    int end = start;
    for (;;) {
        const unsigned b = byteOf(i);
        if (b > 0x20 && b != 0x3000) {
            TRichEdit::keyPressEvent(event); // visible text follows: the platform shifts it
            return;
        }
        end += editor::unitWidth(text.constData(), i, text.size());
        ++i;
        if (lineEnd(i))
            break;
    }
    DrawEditMark(start, end, true);
    TRichEdit::keyPressEvent(event);
    DrawEditMark(start, end + 1, false);
    DrawWordWrapMarker();
}

void TExtMemo::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        TRichEdit::mousePressEvent(event);
        return;
    }
    EraseCaretMarker();
    TRichEdit::mousePressEvent(event);
    DrawCaretMarker();
}

void TExtMemo::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        EraseCaretMarker();
    TRichEdit::mouseDoubleClickEvent(event);
}

void TExtMemo::resizeEvent(QResizeEvent *event)
{
    TRichEdit::resizeEvent(event);
    // The fixed width is applied again whenever the control's own size changes (the
    // viewport's resizes arrive here too; they follow from the rectangle itself).
    if (size() == m_appliedSize)
        return;
    m_appliedSize = size();
    ResizeEditArea();
}

// ----- the editor window's control -----

void ConfigureEditorWindowControl(TExtMemo &memo)
{
    QFont font(QStringLiteral(u"ＭＳ Ｐ明朝"));
    font.setPixelSize(17);
    memo.SetFont(font);
    TTextAttributes def;
    def.Color = clBlack;
    def.Charset = 128;
    memo.SetDefAttributes(def, afColor | afCharset);
    memo.SetMaxLength(10000000);
    memo.setTabChangesFocus(false); // tabs are text
    memo.EditArea().SetEnabled(true);
    memo.EditArea().Margin().SetLeft(10);
    memo.EditArea().SetWidth(641);
    memo.EditArea().SetOverFlow(17);
    TImeColors &ime = memo.ImeColors();
    ime.Untransfered.SetIcText(clBlack);
    ime.Untransfered.SetIcBackground(clWhite);
    ime.Untransfered.SetStyle(fsUnderline);
    ime.WatchingTransfered.SetIcText(clBlack);
    ime.WatchingTransfered.SetIcBackground(clGray);
    ime.WatchingTransfered.SetStyle(0);
    ime.Transfered.SetIcText(clBlack);
    ime.Transfered.SetIcBackground(clWhite);
    ime.Transfered.SetStyle(fsUnderline);
    ime.WatchingUntransfered.SetIcText(clWhite);
    ime.WatchingUntransfered.SetIcBackground(clBlack);
    ime.WatchingUntransfered.SetStyle(0);
    memo.CaretMarker().Color = clBlue;
    memo.WordWrapOption().SetPunctuationMode(wbfLevel2);
}

} // namespace velmo
