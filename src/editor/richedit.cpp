#include "editor/richedit.h"

#include "editor/documentlayout.h"
#include "editor/linebreaker.h"
#include "editor/lineends.h"
#include "editor/positionindex.h"
#include "editor/punctuation.h"
#include "editor/richstream.h"
#include "editor/textchars.h"
#include "platform/componenterror.h"
#include "platform/cp932codec.h"
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QFontInfo>
#include <QTextList>
#include <cmath>

namespace velmo {

using editor::kLineBreak;
using editor::PositionIndex;

namespace {

// Text handed in by callers: CR LF, CR and LF end paragraphs, '\v' is a line break.
QString lineEndsToParagraphs(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar(u'\r'), QChar(u'\n'));
    text.replace(QChar(u'\v'), QChar(kLineBreak));
    return text;
}

int pointsFromTwips(int twips)
{
    return int(std::lround(twips / double(rtf::kTwipsPerPoint)));
}

} // namespace

TRichEdit::TRichEdit(QWidget *parent)
    : QTextEdit(parent)
{
    setFrameShape(QFrame::NoFrame);
    auto *initial = new QTextDocument(this);
    initial->setDocumentMargin(0);
    initial->setDefaultFont(documentFont());
    useDocument(initial);
    setAcceptRichText(true);
    applyWrap();

    // Any other move or edit shows the caret where Qt puts it again (before anyone hears
    // of the move and asks for the caret's line).
    connect(this, &QTextEdit::cursorPositionChanged, this, [this] { setCaretAtLineEnd(false); });
    connect(this, &QTextEdit::textChanged, this, [this] { setCaretAtLineEnd(false); });

    // One notification per actual move of the selection, as the rich-edit control gives it.
    auto notifySelection = [this, last = std::pair<int, int>(-1, -1)]() mutable {
        const QTextCursor c = textCursor();
        const std::pair<int, int> now(c.selectionStart(), c.selectionEnd());
        if (now == last)
            return;
        last = now;
        emit SelectionChange();
    };
    connect(this, &QTextEdit::cursorPositionChanged, this, notifySelection);
    connect(this, &QTextEdit::selectionChanged, this, notifySelection);
    connect(this, &QTextEdit::textChanged, this, &TRichEdit::Change);
}

TRichEdit::~TRichEdit() = default;

void TRichEdit::useDocument(QTextDocument *fresh, const editor::ParagraphMeasures *measured)
{
    // The new document starts with the width and the wrapping the control gave the one it
    // replaces, so that its paragraphs are first estimated at the width they are shown at,
    // not estimated again, all of them, once the control sets that width.
    if (const QTextDocument *previous = document(); previous && previous != fresh) {
        fresh->setPageSize(previous->pageSize());
        QTextOption option = fresh->defaultTextOption();
        option.setWrapMode(previous->defaultTextOption().wrapMode());
        fresh->setDefaultTextOption(option);
    }
    // The layout goes on before the control sees the document: the control connects to
    // the layout the document has when it is set.
    fresh->setDocumentLayout(new editor::DocumentLayout(fresh, measured));
    m_index = std::make_unique<PositionIndex>(fresh, measured ? &measured->bytes : nullptr);
    QTextDocument *old = document();
    const bool ownsOld = old && old != fresh && old->parent() == this;
    if (old)
        disconnect(old, &QTextDocument::modificationChanged, this, &TRichEdit::ModifiedChange);
    setDocument(fresh);
    // Qt deletes a document its own control made; one of ours is deleted here.
    if (ownsOld)
        delete old;
    connect(fresh, &QTextDocument::modificationChanged, this, &TRichEdit::ModifiedChange);
    applyBreaking();
}

editor::DocumentLayout &TRichEdit::documentLayout() const
{
    return *static_cast<editor::DocumentLayout *>(document()->documentLayout());
}

void TRichEdit::applyBreaking()
{
    editor::DocumentLayout &layout = documentLayout();
    layout.setBreakRules(editor::breakRulesFor(m_wordWrapMode, m_customPunctuation));
    layout.setOverflow(m_wordWrap ? m_overflow : 0);
}

int TRichEdit::toQt(int pos) const
{
    return m_index->qtPos(pos);
}

int TRichEdit::fromQt(int qtPos) const
{
    return int(m_index->bytePos(qtPos));
}

QPoint TRichEdit::viewportOrigin() const
{
    return viewport()->geometry().topLeft() - contentsRect().topLeft();
}

// ----- line and position queries -----

int TRichEdit::GetTextLength() const
{
    return int(m_index->textLength());
}

int TRichEdit::LineFromChar(int pos) const
{
    if (pos < 0)
        pos = SelStart();
    return m_index->lineFromByte(pos);
}

int TRichEdit::GetRow() const
{
    const int row = LineFromChar(SelStart());
    // At the end of a wrapped line the caret is shown on that line, not at the next one's start.
    if (m_caretAtLineEnd && !textCursor().hasSelection() && row > 0)
        return row - 1;
    return row;
}

int TRichEdit::GetColumn() const
{
    return SelStart() - LineIndex(GetRow());
}

int TRichEdit::GetLineCount() const
{
    return m_index->lineCount();
}

int TRichEdit::LineIndex(int line) const
{
    if (line < 0)
        line = GetRow();
    return int(m_index->lineStart(line));
}

int TRichEdit::LineLength(int pos) const
{
    if (pos < 0)
        pos = SelStart();
    return int(m_index->lineLength(m_index->lineFromByte(pos)));
}

int TRichEdit::GetFirstVisibleLine() const
{
    // One pixel in: the row at the very top edge belongs to the line below a boundary.
    return LineFromChar(fromQt(cursorForPosition(QPoint(0, 1)).position()));
}

int TRichEdit::FirstVisiblePos() const
{
    const int qt = cursorForPosition(QPoint(0, 1)).position();
    const QTextBlock block = document()->findBlock(qt);
    if (!block.isValid())
        return 0;
    documentLayout().ensureLaidOut(block.blockNumber());
    const QTextLine line = block.layout()->lineForTextPosition(qt - block.position());
    return fromQt(block.position() + (line.isValid() ? line.textStart() : 0));
}

int TRichEdit::CharFromPos(int x, int y) const
{
    const QPoint p = QPoint(x, y) - viewportOrigin();
    return fromQt(cursorForPosition(p).position());
}

TPoint TRichEdit::PosFromChar(int pos) const
{
    QTextCursor c(document());
    c.setPosition(toQt(pos));
    const QPoint p = cursorRect(c).topLeft() + viewportOrigin();
    return {p.x(), p.y()};
}

void TRichEdit::PosFromChar(int pos, TPoint &point) const
{
    point = PosFromChar(pos);
}

// ----- undo and scrolling -----

bool TRichEdit::GetCanUndo() const
{
    return document()->isUndoAvailable();
}

bool TRichEdit::Undo()
{
    if (!document()->isUndoAvailable())
        return false;
    undo();
    return true;
}

void TRichEdit::EmptyUndoBuffer()
{
    document()->clearUndoRedoStacks();
}

bool TRichEdit::LineScroll(int dx, int dy)
{
    if (dy != 0) {
        const int target = std::clamp(GetFirstVisibleLine() + dy, 0, std::max(GetLineCount() - 1, 0));
        const auto line = m_index->line(target);
        const QTextBlock block = document()->findBlock(line.qtStart);
        const QRectF box = document()->documentLayout()->blockBoundingRect(block);
        double y = box.top();
        if (QTextLayout *layout = block.layout(); layout && layout->lineCount() > 0)
            y += layout->lineForTextPosition(line.qtStart - block.position()).y();
        verticalScrollBar()->setValue(int(std::ceil(y)));
    }
    if (dx != 0)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + dx * fontMetrics().averageCharWidth());
    return true;
}

int TRichEdit::Scroll(int action)
{
    QScrollBar *bar = verticalScrollBar();
    const int before = GetFirstVisibleLine();
    switch (action) {
    case SB_LINEUP: bar->triggerAction(QAbstractSlider::SliderSingleStepSub); break;
    case SB_LINEDOWN: bar->triggerAction(QAbstractSlider::SliderSingleStepAdd); break;
    case SB_PAGEUP: bar->triggerAction(QAbstractSlider::SliderPageStepSub); break;
    case SB_PAGEDOWN: bar->triggerAction(QAbstractSlider::SliderPageStepAdd); break;
    default: return 0;
    }
    return (1 << 16) | ((GetFirstVisibleLine() - before) & 0xFFFF);
}

bool TRichEdit::ScrollCaret()
{
    ensureCursorVisible();
    return true;
}

// ----- clipboard -----

bool TRichEdit::CanPaste(unsigned format) const
{
    const QMimeData *data = QApplication::clipboard()->mimeData();
    if (!data)
        return false;
    if (format == CF_TEXT || format == CF_UNICODETEXT || m_plainText)
        return data->hasText();
    return canInsertFromMimeData(data);
}

bool TRichEdit::PasteSpecial(unsigned format)
{
    const QMimeData *data = QApplication::clipboard()->mimeData();
    if (!data || isReadOnly())
        return false;
    if (format == CF_TEXT || format == CF_UNICODETEXT) {
        if (!data->hasText())
            return false;
        const QString text = lineEndsToParagraphs(data->text());
        if (exceedsMaxLength(cp932::byteLength(text.toStdU16String())))
            return false;
        insertWithLineEnds([&] { textCursor().insertText(text); });
        return true;
    }
    if (!canInsertFromMimeData(data))
        return false;
    insertFromMimeData(data);
    return true;
}

void TRichEdit::CutToClipboard() { cut(); }
void TRichEdit::CopyToClipboard() { copy(); }
void TRichEdit::PasteFromClipboard() { paste(); }

void TRichEdit::ClearSelection()
{
    if (!isReadOnly())
        textCursor().removeSelectedText();
}

void TRichEdit::SelectAll()
{
    selectAll();
}

bool TRichEdit::canInsertFromMimeData(const QMimeData *source) const
{
    if (m_plainText)
        return source->hasText();
    return source->hasFormat(QStringLiteral("text/rtf")) || QTextEdit::canInsertFromMimeData(source);
}

void TRichEdit::insertFromMimeData(const QMimeData *source)
{
    if (isReadOnly())
        return;
    if (!m_plainText && insertRtfFromMimeData(source))
        return;
    if (m_plainText || !source->hasHtml()) {
        if (!source->hasText())
            return;
        const QString text = lineEndsToParagraphs(source->text());
        if (exceedsMaxLength(cp932::byteLength(text.toStdU16String()))) {
            QApplication::beep();
            return;
        }
        insertWithLineEnds([&] { textCursor().insertText(text); });
        ensureCursorVisible();
        return;
    }
    insertWithLineEnds([&] { QTextEdit::insertFromMimeData(source); });
}

bool TRichEdit::exceedsMaxLength(std::int64_t insertedBytes) const
{
    if (m_maxLength <= 0)
        return false;
    return m_index->textLength() - SelLength() + insertedBytes > m_maxLength;
}

void TRichEdit::keyPressEvent(QKeyEvent *event)
{
    const bool toEnd = event == QKeySequence::MoveToEndOfLine || event == QKeySequence::SelectEndOfLine;
    const bool toStart = event == QKeySequence::MoveToStartOfLine || event == QKeySequence::SelectStartOfLine;
    if ((toEnd || toStart) && moveWithinDisplayLine(toEnd, event == QKeySequence::SelectEndOfLine ||
                                                               event == QKeySequence::SelectStartOfLine)) {
        event->accept();
        return;
    }
    const bool down = event == QKeySequence::MoveToNextLine || event == QKeySequence::SelectNextLine;
    const bool up = event == QKeySequence::MoveToPreviousLine || event == QKeySequence::SelectPreviousLine;
    if (m_caretAtLineEnd && (up || down) &&
        moveFromLineEnd(down, event == QKeySequence::SelectNextLine || event == QKeySequence::SelectPreviousLine)) {
        event->accept();
        return;
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!isReadOnly()) {
        const QString text = event->text();
        std::int64_t bytes = 0;
        if (enter)
            bytes = editor::lineEndBytes(editor::documentLineEnd(*document()));
        else if (!text.isEmpty() && text[0].isPrint())
            bytes = std::int64_t(cp932::byteLength(text.toStdU16String()));
        if (bytes > 0 && exceedsMaxLength(bytes)) {
            QApplication::beep();
            event->accept();
            return;
        }
        if (enter) {
            // A text document has paragraphs only: Shift+Enter ends a paragraph too.
            if (m_plainText && (event->modifiers() & Qt::ShiftModifier)) {
                insertWithLineEnds([&] { textCursor().insertBlock(); });
                ensureCursorVisible();
                event->accept();
            } else {
                insertWithLineEnds([&] { QTextEdit::keyPressEvent(event); });
            }
            return;
        }
        if (overwriteMode() && !text.isEmpty() && text[0].isPrint()) {
            // Overwriting removes a character and types one: a single step to undo.
            QTextCursor group(document());
            group.beginEditBlock();
            QTextEdit::keyPressEvent(event);
            group.endEditBlock();
            return;
        }
    }
    QTextEdit::keyPressEvent(event);
}

bool TRichEdit::caretLine(QTextBlock &block, QTextLine &line) const
{
    const int pos = textCursor().position();
    block = document()->findBlock(pos);
    QTextLayout *layout = block.isValid() ? block.layout() : nullptr;
    if (!layout || layout->lineCount() == 0)
        return false;
    const int offset = pos - block.position();
    line = layout->lineForTextPosition(offset);
    if (m_caretAtLineEnd && line.isValid() && line.lineNumber() > 0 && offset == line.textStart())
        line = layout->lineAt(line.lineNumber() - 1);
    return line.isValid();
}

bool TRichEdit::moveWithinDisplayLine(bool toEnd, bool select)
{
    if (!m_wordWrap)
        return false;
    QTextBlock block;
    QTextLine line;
    if (!caretLine(block, line))
        return false;
    bool wrapped = line.lineNumber() + 1 < block.layout()->lineCount();
    int end = line.textStart() + line.textLength();
    if (wrapped && end > line.textStart() && block.text().at(end - 1).unicode() == kLineBreak) {
        --end; // a line ended by a line break ends before it
        wrapped = false;
    }
    const int target = block.position() + (toEnd ? end : line.textStart());
    QTextCursor c = textCursor();
    c.setPosition(target, select ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
    setTextCursor(c);
    // The end of a wrapped line is the same position as the start of the next one: the
    // caret stays shown on its own line.
    setCaretAtLineEnd(toEnd && wrapped);
    ensureCursorVisible();
    return true;
}

bool TRichEdit::moveFromLineEnd(bool down, bool select)
{
    // Up and Down from the end of a wrapped line start from where the caret is shown.
    QTextBlock block;
    QTextLine line;
    if (!caretLine(block, line))
        return false;
    const qreal x = line.cursorToX(line.textStart() + line.textLength());
    QTextBlock targetBlock = block;
    QTextLine target;
    QTextLayout *layout = block.layout();
    if (down) {
        if (line.lineNumber() + 1 < layout->lineCount()) {
            target = layout->lineAt(line.lineNumber() + 1);
        } else if ((targetBlock = block.next()).isValid() && targetBlock.layout()->lineCount() > 0) {
            target = targetBlock.layout()->lineAt(0);
        }
    } else if (line.lineNumber() > 0) {
        target = layout->lineAt(line.lineNumber() - 1);
    } else if ((targetBlock = block.previous()).isValid() && targetBlock.layout()->lineCount() > 0) {
        target = targetBlock.layout()->lineAt(targetBlock.layout()->lineCount() - 1);
    }
    if (!target.isValid())
        return false;
    const int end = target.textStart() + target.textLength();
    const bool wrapped = target.lineNumber() + 1 < targetBlock.layout()->lineCount();
    const bool breakEnds = end > 0 && targetBlock.text().at(end - 1).unicode() == kLineBreak;
    int offset = target.xToCursor(x);
    // Qt never answers a wrapped line's end (the next line's start); at or past it the
    // caret goes to that end, shown on this line.
    const bool atEnd = wrapped && !breakEnds && x >= target.cursorToX(end);
    if (atEnd)
        offset = end;
    QTextCursor c = textCursor();
    c.setPosition(targetBlock.position() + offset, select ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor);
    c.setVerticalMovementX(int(x));
    setTextCursor(c);
    setCaretAtLineEnd(atEnd);
    ensureCursorVisible();
    return true;
}

void TRichEdit::setCaretAtLineEnd(bool on)
{
    if (on == m_caretAtLineEnd)
        return;
    m_caretAtLineEnd = on;
    updateOwnCaret();
    emit SelectionChange();
}

bool TRichEdit::ownCaret() const
{
    return m_caretAtLineEnd || (isReadOnly() && hasFocus());
}

void TRichEdit::updateOwnCaret()
{
    // Qt draws no caret in a read-only editor and cannot draw one at the end of a wrapped
    // line; in these cases the caret is drawn here.
    const bool own = ownCaret();
    if (own && cursorWidth() > 0) {
        m_cursorWidth = cursorWidth();
        setCursorWidth(0);
    } else if (!own && cursorWidth() == 0) {
        setCursorWidth(m_cursorWidth);
    }
    viewport()->update();
}

QRect TRichEdit::CaretRect() const
{
    QTextBlock block;
    QTextLine line;
    if (!m_caretAtLineEnd || !caretLine(block, line)) {
        QRect r = cursorRect();
        r.setWidth(std::max(m_cursorWidth, 1));
        return r.translated(viewportOrigin());
    }
    const QPointF origin = document()->documentLayout()->blockBoundingRect(block).topLeft();
    const int x = int(origin.x() + line.cursorToX(line.textStart() + line.textLength())) - horizontalScrollBar()->value();
    const int y = int(origin.y() + line.y()) - verticalScrollBar()->value();
    return QRect(QPoint(x, y) + viewportOrigin(), QSize(std::max(m_cursorWidth, 1), int(std::ceil(line.height()))));
}

void TRichEdit::paintEvent(QPaintEvent *event)
{
    QTextEdit::paintEvent(event);
    if (!ownCaret() || !hasFocus())
        return;
    QPainter painter(viewport());
    painter.fillRect(CaretRect().translated(-viewportOrigin()), palette().color(QPalette::Text));
}

void TRichEdit::focusInEvent(QFocusEvent *event)
{
    QTextEdit::focusInEvent(event);
    updateOwnCaret();
}

void TRichEdit::focusOutEvent(QFocusEvent *event)
{
    QTextEdit::focusOutEvent(event);
    updateOwnCaret();
}

void TRichEdit::changeEvent(QEvent *event)
{
    QTextEdit::changeEvent(event);
    if (event->type() == QEvent::ReadOnlyChange) {
        // A read-only document still moves its caret and extends its selection by keyboard.
        if (isReadOnly())
            setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        updateOwnCaret();
    }
}

void TRichEdit::inputMethodEvent(QInputMethodEvent *event)
{
    // Pre-edit text in the composition colours: the clause being converted (the one the
    // input method highlights) in the "watching" colours, the rest in the plain ones.
    QList<QInputMethodEvent::Attribute> attributes = event->attributes();
    bool changed = false;
    for (auto &a : attributes) {
        if (a.type != QInputMethodEvent::TextFormat)
            continue;
        QTextCharFormat f = a.value.value<QTextFormat>().toCharFormat();
        const bool target = f.background().style() != Qt::NoBrush;
        const TCompColor &c = m_imeColors[target ? 1 : 0];
        if (c == TCompColor{})
            continue;
        f.setForeground(toQColor(c.crText));
        f.setBackground(toQColor(c.crBackground));
        f.setFontWeight(c.dwEffects & 1 ? QFont::Bold : QFont::Normal);
        f.setFontItalic(c.dwEffects & 2);
        f.setFontUnderline(c.dwEffects & 4);
        f.setFontStrikeOut(c.dwEffects & 8);
        a.value = QVariant::fromValue(QTextFormat(f));
        changed = true;
    }
    if (!changed) {
        QTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent copy(event->preeditString(), attributes);
    copy.setCommitString(event->commitString(), event->replacementStart(), event->replacementLength());
    QTextEdit::inputMethodEvent(&copy);
    event->setAccepted(copy.isAccepted());
}

void TRichEdit::resizeEvent(QResizeEvent *event)
{
    // The layout hears of a new width through the document's page size.
    QTextEdit::resizeEvent(event);
}

// ----- selection and text -----

int TRichEdit::SelStart() const
{
    return fromQt(textCursor().selectionStart());
}

void TRichEdit::SetSelStart(int pos)
{
    QTextCursor c = textCursor();
    c.setPosition(toQt(pos));
    setTextCursor(c);
}

int TRichEdit::SelLength() const
{
    const QTextCursor c = textCursor();
    if (!c.hasSelection())
        return 0;
    return fromQt(c.selectionEnd()) - fromQt(c.selectionStart());
}

void TRichEdit::SetSelLength(int length)
{
    QTextCursor c = textCursor();
    const int start = SelStart();
    c.setPosition(toQt(start));
    c.setPosition(toQt(start + std::max(length, 0)), QTextCursor::KeepAnchor);
    setTextCursor(c);
}

QString TRichEdit::SelText() const
{
    const QTextCursor c = textCursor();
    QString text = c.selectedText();
    // Each paragraph end in its own form.
    QTextBlock block = document()->findBlock(c.selectionStart());
    qsizetype at = 0;
    while ((at = text.indexOf(QChar(editor::kParagraphBreak), at)) >= 0) {
        block = block.next();
        const QString end = editor::lineEndString(editor::lineEndBefore(block));
        text.replace(at, 1, end);
        at += end.size();
    }
    text.replace(QChar(kLineBreak), QChar(u'\v'));
    return text;
}

void TRichEdit::SetSelText(const QString &text)
{
    insertWithLineEnds([&] { textCursor().insertText(lineEndsToParagraphs(text)); });
}

void TRichEdit::insertWithLineEnds(const std::function<void()> &edit)
{
    const editor::LineEnd form = editor::documentLineEnd(*document());
    QTextCursor group(document());
    group.beginEditBlock();
    const int first = document()->findBlock(textCursor().selectionStart()).blockNumber();
    edit();
    // The paragraphs after the first one touched, up to the caret's, begin with a paragraph
    // end the edit made.
    const int last = textCursor().blockNumber();
    QTextBlock block = document()->findBlockByNumber(first + 1);
    for (int number = first + 1; number <= last && block.isValid(); ++number, block = block.next())
        editor::setLineEndBefore(block, form);
    group.endEditBlock();
}

QString TRichEdit::Text() const
{
    QString out;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        if (b != document()->begin())
            out += editor::lineEndString(editor::lineEndBefore(b));
        out += QString::fromStdU16String(editor::blockText(b));
    }
    return out;
}

void TRichEdit::SetText(const QString &text)
{
    QString s = text;
    s.replace(QChar(u'\v'), QChar(kLineBreak));
    const editor::SplitText split = editor::splitLines(editor::textView(s));
    setPlainText(split.text);
    // The forms belong to the new text, not to an edit of it: nothing to undo.
    const bool undo = document()->isUndoRedoEnabled();
    const bool modified = document()->isModified();
    document()->setUndoRedoEnabled(false);
    editor::applyLineEnds(*document(), split.ends);
    document()->setUndoRedoEnabled(undo);
    document()->setModified(modified);
}

std::string TRichEdit::TextBytes() const
{
    std::string out;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
        if (b != document()->begin())
            out += editor::lineEndText(editor::lineEndBefore(b));
        out += editor::encodeCounted(editor::blockText(b));
    }
    return out;
}

std::string TRichEdit::TextRangeBytes(int first, int length) const
{
    const std::int64_t total = m_index->textLength();
    std::int64_t from = std::clamp<std::int64_t>(first, 0, total);
    const std::int64_t to = std::clamp<std::int64_t>(std::int64_t(first) + std::max(length, 0), from, total);
    std::string out;
    int number = m_index->blockAt(from);
    for (QTextBlock b = document()->findBlockByNumber(number); b.isValid() && m_index->blockStart(number) < to;
         b = b.next(), ++number) {
        std::string bytes = editor::encodeCounted(editor::blockText(b));
        if (editor::LineEnd end; editor::lineEndAfter(b, end))
            bytes += editor::lineEndText(end);
        const std::int64_t start = m_index->blockStart(number);
        const std::int64_t a = std::max<std::int64_t>(from - start, 0);
        const std::int64_t e = std::min<std::int64_t>(to - start, std::int64_t(bytes.size()));
        if (e > a)
            out.append(bytes, std::size_t(a), std::size_t(e - a));
    }
    return out;
}

QString TRichEdit::LineText(int line) const
{
    const auto l = m_index->line(line);
    if (l.start < 0)
        return {};
    QTextCursor c(document());
    c.setPosition(l.qtStart);
    c.setPosition(l.qtStart + l.qtLength, QTextCursor::KeepAnchor);
    return c.selectedText();
}

QStringList TRichEdit::Lines() const
{
    QStringList lines;
    const int n = GetLineCount();
    lines.reserve(n);
    for (int i = 0; i < n; ++i)
        lines << LineText(i);
    return lines;
}

// ----- find -----

int TRichEdit::FindText(const QString &text, int cpMin, int cpMax, unsigned flags, int *matchEnd) const
{
    if (matchEnd)
        *matchEnd = -1;
    const int length = GetTextLength();
    if (text.isEmpty() || cpMin > length)
        return -1;
    if (cpMax < 0 || cpMax > length)
        cpMax = length;
    cpMin = std::max(cpMin, 0);
    // A start inside a double-byte character moves to the next character: matches begin
    // and end on character boundaries only.
    int from = toQt(cpMin);
    if (fromQt(from) < cpMin)
        ++from;
    const Qt::CaseSensitivity sensitivity = (flags & FR_MATCHCASE) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    QString needle = text;
    needle.replace(QChar(u'\v'), QChar(kLineBreak));
    // Block by block on the text itself: a text cursor placed far into a document that Qt
    // has not laid out yet would make it lay out everything before that point.
    QTextBlock block = document()->findBlock(from);
    for (int number = block.blockNumber(); block.isValid(); block = block.next(), ++number) {
        const QString haystack = block.text();
        qsizetype offset = std::max(from - block.position(), 0);
        while (offset <= haystack.size()) {
            const qsizetype at = haystack.indexOf(needle, offset, sensitivity);
            if (at < 0)
                break;
            const qsizetype after = at + needle.size();
            if ((flags & FR_WHOLEWORD) && ((at > 0 && haystack[at - 1].isLetterOrNumber()) ||
                                           (after < haystack.size() && haystack[after].isLetterOrNumber()))) {
                offset = at + 1;
                continue;
            }
            const int start = fromQt(block.position() + int(at));
            const int end = fromQt(block.position() + int(after));
            if (end > cpMax)
                return -1;
            if (matchEnd)
                *matchEnd = end;
            return start;
        }
        if (number + 1 < m_index->blockCount() && m_index->blockStart(number + 1) >= cpMax)
            return -1; // a match in a later paragraph would end past cpMax
    }
    return -1;
}

// ----- formats -----

namespace {

TTextAttributes attributesFrom(const QTextCharFormat &f, const QFont &font, TColor defaultColor, int defaultCharset)
{
    TTextAttributes a;
    const QStringList families = f.hasProperty(QTextFormat::FontFamilies) ? f.fontFamilies().toStringList() : QStringList();
    a.Name = families.isEmpty() ? font.family() : families.first();
    // A font given in pixels has no point size of its own: the one it is shown at counts.
    const double points = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize()
                          : font.pointSizeF() > 0                   ? font.pointSizeF()
                                                                    : QFontInfo(font).pointSizeF();
    a.Size = int(std::lround(points));
    a.Color = (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
                  ? fromQColor(f.foreground().color())
                  : defaultColor;
    const bool bold = f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() >= QFont::DemiBold : font.bold();
    const bool italic = f.hasProperty(QTextFormat::FontItalic) ? f.fontItalic() : font.italic();
    const bool underline = f.hasProperty(QTextFormat::TextUnderlineStyle) ? f.fontUnderline() : font.underline();
    const bool strike = f.hasProperty(QTextFormat::FontStrikeOut) ? f.fontStrikeOut() : font.strikeOut();
    a.Style = (bold ? fsBold : 0) | (italic ? fsItalic : 0) | (underline ? fsUnderline : 0) | (strike ? fsStrikeOut : 0);
    a.Charset = f.hasProperty(editor::kCharsetProperty) ? f.intProperty(editor::kCharsetProperty) : defaultCharset;
    const int pitch = f.hasProperty(editor::kPitchFamilyProperty) ? (f.intProperty(editor::kPitchFamilyProperty) & 3)
                                                                  : (font.fixedPitch() ? 1 : 0);
    a.Pitch = TRichPitch(pitch == 3 ? 0 : pitch);
    return a;
}

QTextCharFormat formatFrom(const TTextAttributes &a, unsigned fields)
{
    QTextCharFormat f;
    if (fields & afName)
        f.setFontFamilies(QStringList{a.Name});
    if ((fields & afSize) && a.Size > 0)
        f.setFontPointSize(a.Size);
    if (fields & afColor)
        f.setForeground(toQColor(a.Color));
    if (fields & afStyle) {
        f.setFontWeight(a.Style & fsBold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(a.Style & fsItalic);
        f.setFontUnderline(a.Style & fsUnderline);
        f.setFontStrikeOut(a.Style & fsStrikeOut);
    }
    if (fields & afCharset)
        f.setProperty(editor::kCharsetProperty, a.Charset);
    if (fields & afPitch)
        f.setProperty(editor::kPitchFamilyProperty, int(a.Pitch));
    return f;
}

} // namespace

TTextAttributes TRichEdit::SelAttributes() const
{
    const QTextCursor c = textCursor();
    QTextCharFormat f;
    if (c.hasSelection()) {
        QTextCursor k(document());
        k.setPosition(c.selectionStart());
        k.movePosition(QTextCursor::NextCharacter);
        f = k.charFormat();
    } else {
        f = c.charFormat();
        if (c.atBlockStart() && !c.atBlockEnd()) {
            // At the start of a paragraph the caret shows the format of the text after it,
            // with what was set at the caret itself on top.
            QTextCursor k(document());
            k.setPosition(c.position());
            k.movePosition(QTextCursor::NextCharacter);
            QTextCharFormat after = k.charFormat();
            after.merge(f);
            f = after;
        }
    }
    return attributesFrom(f, font(), DefAttributes().Color, DefAttributes().Charset);
}

void TRichEdit::SetSelAttributes(const TTextAttributes &attributes, unsigned fields)
{
    if (m_plainText) {
        // Text mode has one font: a change applies to all the text and to what is typed.
        SetDefAttributes(attributes, fields);
        QTextCursor all(document());
        all.select(QTextCursor::Document);
        all.mergeCharFormat(formatFrom(attributes, fields));
        QTextCursor c = textCursor();
        c.mergeCharFormat(formatFrom(attributes, fields));
        setTextCursor(c);
        return;
    }
    QTextCursor c = textCursor();
    if (c.hasSelection()) {
        c.mergeCharFormat(formatFrom(attributes, fields));
    } else {
        mergeCurrentCharFormat(formatFrom(attributes, fields));
    }
}

TTextAttributes TRichEdit::DefAttributes() const
{
    TTextAttributes a = attributesFrom(QTextCharFormat(), font(), clBlack, 1);
    a.Color = m_defaultFormat.colour ? TColor(*m_defaultFormat.colour) : clWindowText;
    a.Charset = m_defaultFormat.charset;
    const int pitch = m_defaultFormat.pitch();
    a.Pitch = TRichPitch(pitch == 3 ? 0 : pitch);
    return a;
}

void TRichEdit::SetDefAttributes(const TTextAttributes &attributes, unsigned fields)
{
    QFont f = font();
    if (fields & afName)
        f.setFamilies(QStringList{attributes.Name});
    if ((fields & afSize) && attributes.Size > 0)
        f.setPointSize(attributes.Size);
    if (fields & afStyle) {
        f.setBold(attributes.Style & fsBold);
        f.setItalic(attributes.Style & fsItalic);
        f.setUnderline(attributes.Style & fsUnderline);
        f.setStrikeOut(attributes.Style & fsStrikeOut);
    }
    SetFont(f);
    if (fields & afName)
        m_defaultFormat.face = attributes.Name.toStdU16String();
    if ((fields & afSize) && attributes.Size > 0)
        m_defaultFormat.sizeHalfPoints = attributes.Size * 2;
    if (fields & afStyle) {
        m_defaultFormat.bold = attributes.Style & fsBold;
        m_defaultFormat.italic = attributes.Style & fsItalic;
        m_defaultFormat.underline = attributes.Style & fsUnderline;
        m_defaultFormat.strikeOut = attributes.Style & fsStrikeOut;
    }
    if (fields & afColor) {
        if (attributes.Color & clSystemColor) {
            m_defaultFormat.colour.reset();
        } else {
            m_defaultFormat.colour = attributes.Color;
        }
        QPalette p = palette();
        p.setColor(QPalette::Text, toQColor(attributes.Color));
        setPalette(p);
    }
    if (fields & afCharset)
        m_defaultFormat.charset = attributes.Charset;
    if (fields & afPitch)
        m_defaultFormat.pitchAndFamily = (m_defaultFormat.pitchAndFamily & ~3) | int(attributes.Pitch);
}

TParaAttributes TRichEdit::Paragraph() const
{
    return paragraphOf(document()->findBlock(textCursor().selectionStart()));
}

TParaAttributes TRichEdit::paragraphOf(const QTextBlock &block) const
{
    const QTextBlockFormat b = block.blockFormat();
    const int fi = b.hasProperty(editor::kFirstIndentTwipsProperty) ? b.intProperty(editor::kFirstIndentTwipsProperty)
                                                                    : int(std::lround(b.textIndent() / editor::kPixelsPerTwip));
    const int li = b.hasProperty(editor::kLeftIndentTwipsProperty) ? b.intProperty(editor::kLeftIndentTwipsProperty)
                                                                   : int(std::lround(b.leftMargin() / editor::kPixelsPerTwip));
    const int ri = b.hasProperty(editor::kRightIndentTwipsProperty) ? b.intProperty(editor::kRightIndentTwipsProperty)
                                                                    : int(std::lround(b.rightMargin() / editor::kPixelsPerTwip));
    TParaAttributes p;
    const Qt::Alignment a = b.alignment() & Qt::AlignHorizontal_Mask;
    p.Alignment = (a & Qt::AlignRight) ? TAlignment::taRightJustify
                  : (a & Qt::AlignHCenter) ? TAlignment::taCenter
                                           : TAlignment::taLeftJustify;
    p.FirstIndent = pointsFromTwips(li + fi);
    p.LeftIndent = pointsFromTwips(-fi);
    p.RightIndent = pointsFromTwips(ri);
    p.Numbering = block.textList() ? TNumberingStyle::nsBullet : TNumberingStyle::nsNone;
    return p;
}

void TRichEdit::SetParagraph(const TParaAttributes &attributes, unsigned fields)
{
    QTextCursor c = textCursor();
    const QTextBlock first = document()->findBlock(c.selectionStart());
    const QTextBlock last = document()->findBlock(c.selectionEnd());
    QTextCursor edit(document());
    edit.beginEditBlock();
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
        // Each paragraph keeps the values the store does not name.
        QTextCursor at(block);
        TParaAttributes p = paragraphOf(block);
        if (fields & pfAlignment)
            p.Alignment = attributes.Alignment;
        if (fields & pfFirstIndent)
            p.FirstIndent = attributes.FirstIndent;
        if (fields & pfLeftIndent)
            p.LeftIndent = attributes.LeftIndent;
        if (fields & pfRightIndent)
            p.RightIndent = attributes.RightIndent;
        const int li = (p.FirstIndent + p.LeftIndent) * rtf::kTwipsPerPoint;
        const int fi = -p.LeftIndent * rtf::kTwipsPerPoint;
        const int ri = p.RightIndent * rtf::kTwipsPerPoint;
        const bool bulleted = (fields & pfNumbering) ? attributes.Numbering == TNumberingStyle::nsBullet
                                                     : block.textList() != nullptr;
        QTextBlockFormat b = editor::indentFormat(fi, li, ri, bulleted, at.charFormat().font());
        b.setAlignment(p.Alignment == TAlignment::taRightJustify ? Qt::AlignRight
                       : p.Alignment == TAlignment::taCenter     ? Qt::AlignHCenter
                                                                 : Qt::AlignLeft);
        at.mergeBlockFormat(b);
        if (fields & pfNumbering) {
            const bool bullet = attributes.Numbering == TNumberingStyle::nsBullet;
            if (bullet && !block.textList()) {
                QTextBlock prev = block.previous();
                if (prev.isValid() && prev.textList()) {
                    prev.textList()->add(block);
                } else {
                    at.createList(editor::bulletListFormat());
                }
            } else if (!bullet && block.textList()) {
                block.textList()->remove(block);
                QTextBlockFormat plain;
                plain.setIndent(0);
                at.mergeBlockFormat(plain);
            }
        }
        if (block == last)
            break;
    }
    edit.endEditBlock();
}

// ----- flags -----

bool TRichEdit::Modified() const
{
    return document()->isModified();
}

void TRichEdit::SetModified(bool on)
{
    document()->setModified(on);
}

void TRichEdit::SetPlainText(bool on)
{
    m_plainText = on;
    setAcceptRichText(!on);
    if (document()->defaultFont() != documentFont())
        document()->setDefaultFont(documentFont());
}

QFont TRichEdit::documentFont() const
{
    // Text mode holds what code page 932 stores: nothing in it needs a shaper's rules
    // (combining marks, contextual forms), so glyphs and advances come straight from the
    // font. Typing in a long paragraph then costs a lookup per character instead of
    // shaping every script run of the paragraph again. Scripts that cannot be drawn
    // without shaping are still shaped.
    QFont f = font();
    if (m_plainText)
        f.setStyleStrategy(QFont::StyleStrategy(f.styleStrategy() | QFont::PreferNoShaping));
    return f;
}

void TRichEdit::SetWordWrap(bool on)
{
    if (m_wordWrap == on)
        return;
    m_wordWrap = on;
    applyWrap();
}

void TRichEdit::applyWrap()
{
    if (!m_wordWrap) {
        setLineWrapMode(QTextEdit::NoWrap);
    } else if (m_rectSet && m_wrapWidth > 0) {
        setLineWrapMode(QTextEdit::FixedPixelWidth);
        setLineWrapColumnOrWidth(m_wrapWidth);
    } else {
        setLineWrapMode(QTextEdit::WidgetWidth);
    }
    applyBreaking();
}

void TRichEdit::SetColor(TColor color)
{
    m_color = color;
    QPalette p = palette();
    p.setColor(QPalette::Base, toQColor(color));
    // The strips around the formatting rectangle show the same background.
    p.setColor(QPalette::Window, toQColor(color));
    setPalette(p);
    setAutoFillBackground(true);
    viewport()->update();
}

void TRichEdit::SetFont(const QFont &f)
{
    setFont(f);
    document()->setDefaultFont(documentFont());
}

// ----- formatting rectangle -----

TRect TRichEdit::GetEditRect() const
{
    const QRect vp = viewport()->geometry().translated(-contentsRect().topLeft());
    TRect r{vp.left(), vp.top(), vp.left() + vp.width(), vp.top() + vp.height()};
    // Without wrapping the text runs to the viewport's edge, wherever the rectangle was.
    if (m_rectSet && m_wordWrap)
        r.right = m_editRect.right;
    return r;
}

void TRichEdit::SetEditRect(const TRect &rect, int wrapWidth)
{
    if (!m_wordWrap)
        return;
    m_rectSet = true;
    m_editRect = rect;
    m_wrapWidth = wrapWidth < 0 ? rect.width() : wrapWidth;
    // What the rectangle holds past the wrap width is the room for hanging punctuation.
    m_overflow = std::max(rect.width() - m_wrapWidth, 0);
    const int clientHeight = contentsRect().height();
    setViewportMargins(std::max(rect.left, 0), std::max(rect.top, 0), 0, std::max(clientHeight - rect.bottom, 0));
    applyWrap();
}

// ----- line breaking and input method -----

unsigned TRichEdit::SetOptions(int operation, unsigned options)
{
    switch (operation) {
    case ECOOP_SET: m_options = options; break;
    case ECOOP_OR: m_options |= options; break;
    case ECOOP_AND: m_options &= options; break;
    case ECOOP_XOR: m_options ^= options; break;
    default: break;
    }
    return m_options;
}

unsigned TRichEdit::SetWordWrapMode(unsigned mode)
{
    const unsigned previous = m_wordWrapMode;
    m_wordWrapMode = mode;
    applyBreaking();
    return previous;
}

bool TRichEdit::GetPunctuation(int type, QString &text) const
{
    if (type < 1 || type > kPunctuationTypes)
        return false;
    switch (editor::punctuationLevel(m_wordWrapMode)) {
    case 1: text = editor::builtInPunctuation(1, type); break;
    case 2: text = editor::builtInPunctuation(2, type); break;
    default: text = m_customPunctuation[std::size_t(type - 1)]; break;
    }
    return true;
}

bool TRichEdit::SetPunctuation(int type, const QString &text)
{
    if (type < 1 || type > kPunctuationTypes)
        return false;
    // The set travels as a zero-terminated byte string in a buffer of bounded size.
    if (cp932::byteLength(text.toStdU16String()) + 1 > editor::kPunctuationBufferBytes)
        return false;
    m_customPunctuation[std::size_t(type - 1)] = text;
    applyBreaking();
    return true;
}

bool TRichEdit::GetImeCompColor(TCompColors &colors) const
{
    colors = m_imeColors;
    return true;
}

bool TRichEdit::SetImeCompColor(const TCompColors &colors)
{
    m_imeColors = colors;
    return true;
}

// ----- stream in and out -----

void TRichEdit::LoadFromStream(std::string_view bytes)
{
    // The new content is built in a document of its own and then put in place: the old
    // document stays as it was if reading fails, and Qt is not made to lay out the whole
    // new text at once (as moving the caret through a freshly filled document would).
    auto fresh = std::make_unique<QTextDocument>(this);
    fresh->setDocumentMargin(0);
    fresh->setDefaultFont(documentFont());
    fresh->setUndoRedoEnabled(document()->isUndoRedoEnabled());
    rtf::CharFormat defaultFormat = m_defaultFormat;
    editor::ParagraphMeasures measured;
    if (m_plainText || !rtf::looksLikeRtf(bytes)) {
        // Text that is not RTF goes in as text, as the rich-edit control takes it.
        measured = editor::loadTextInto(bytes, *fresh);
    } else {
        rtf::ReadResult result = rtf::read(bytes);
        if (!result.ok())
            throw ComponentError(rtf::kStreamReadFailedMessage);
        defaultFormat = result.document.defaultFormat;
        editor::loadModelInto(result.document, *fresh);
    }
    m_defaultFormat = defaultFormat;
    useDocument(fresh.release(), measured.empty() ? nullptr : &measured);
    applyWrap();
    document()->setModified(false);
    emit ModifiedChange(false);
}

std::string TRichEdit::SaveToStream() const
{
    if (m_plainText)
        return editor::documentToText(*document());
    return rtf::write(editor::documentToModel(*document(), m_defaultFormat));
}

} // namespace velmo
