#include "editor/positionindex.h"

#include "editor/documentlayout.h"
#include "editor/documenttext.h"
#include "editor/lineends.h"
#include "editor/textchars.h"

#include "platform/cp932codec.h"

#include <QAbstractTextDocumentLayout>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>

namespace velmo::editor {

int unitWidth(const QChar *s, qsizetype i, qsizetype n)
{
    const char16_t c = s[i].unicode();
    if (c < 0x80)
        return 1;
    if (c == kLineBreak)
        return 1;
    if (QChar::isHighSurrogate(c)) {
        if (i + 1 < n && s[i + 1].isLowSurrogate())
            return cp932::byteWidth(QChar::surrogateToUcs4(c, s[i + 1].unicode()));
        return cp932::kUnrepresentableWidth;
    }
    if (QChar::isLowSurrogate(c)) {
        if (i > 0 && s[i - 1].isHighSurrogate())
            return 0;
        return cp932::kUnrepresentableWidth;
    }
    return cp932::byteWidth(c);
}

std::int64_t byteLength(std::u16string_view units)
{
    // The codec's count, but a line break inside a paragraph is one byte where the codec
    // counts a character it cannot encode (two): the same as unitWidth over every unit,
    // in one tight loop (opening a large file goes through every paragraph).
    const auto breaks = std::count(units.begin(), units.end(), kLineBreak);
    return std::int64_t(cp932::byteLength(units)) - breaks * (cp932::kUnrepresentableWidth - 1);
}

std::int64_t byteLength(const QChar *s, qsizetype n)
{
    return byteLength(textView(QStringView(s, n)));
}

PositionIndex::PositionIndex(QTextDocument *document, const std::vector<std::int64_t> *bytes, QObject *parent)
    : QObject(parent), m_document(document)
{
    connect(document, &QTextDocument::contentsChange, this, &PositionIndex::onContentsChange);
    if (bytes && bytes->size() == std::size_t(document->blockCount()))
        m_bytes.assign(*bytes);
    else
        rebuild();
}

std::int64_t PositionIndex::blockBytes(const QTextBlock &block) const
{
    const QString text = block.text();
    return blockBytes(block, textView(text));
}

std::int64_t PositionIndex::blockBytes(const QTextBlock &block, std::u16string_view text) const
{
    std::int64_t bytes = byteLength(text);
    LineEnd end;
    if (lineEndAfter(block, end))
        bytes += lineEndBytes(end);
    return bytes;
}

void PositionIndex::rebuild()
{
    std::vector<std::int64_t> bytes;
    bytes.reserve(std::size_t(m_document->blockCount()));
    const DocumentText text(*m_document);
    for (QTextBlock b = m_document->begin(); b.isValid(); b = b.next())
        bytes.push_back(blockBytes(b, text.of(b)));
    m_bytes.assign(bytes);
}

const DocumentLayout *PositionIndex::layout() const
{
    // Looked up, not asked of the document: asking would give a document without one Qt's.
    if (!m_layout)
        m_layout = m_document->findChild<DocumentLayout *>(QString(), Qt::FindDirectChildrenOnly);
    return m_layout;
}

void PositionIndex::onContentsChange(int from, int /*removed*/, int added)
{
    const int oldCount = int(m_bytes.size());
    const int newCount = m_document->blockCount();
    const QTextBlock firstBlock = m_document->findBlock(from);
    QTextBlock lastBlock = m_document->findBlock(from + added);
    if (!lastBlock.isValid())
        lastBlock = m_document->lastBlock();
    if (!firstBlock.isValid()) {
        rebuild();
        return;
    }
    int first = firstBlock.blockNumber();
    // The paragraph before the change may have lost its paragraph end with the change.
    if (first > 0)
        --first;
    const int lastNew = lastBlock.blockNumber();
    const int lastOld = lastNew - (newCount - oldCount);
    if (lastOld < first - 1 || lastOld >= oldCount || lastNew < first) {
        rebuild();
        return;
    }
    std::vector<std::int64_t> bytes;
    QTextBlock b = m_document->findBlockByNumber(first);
    for (int i = first; i <= lastNew; ++i, b = b.next())
        bytes.push_back(blockBytes(b));
    m_bytes.replace(std::size_t(first), std::size_t(lastOld - first + 1), bytes);
}

std::int64_t PositionIndex::textLength() const
{
    return m_bytes.total();
}

int PositionIndex::blockAt(std::int64_t pos) const
{
    return int(m_bytes.find(std::max<std::int64_t>(pos, 0)));
}

std::int64_t PositionIndex::bytePos(int qtPos) const
{
    const QTextBlock block = m_document->findBlock(std::max(qtPos, 0));
    if (!block.isValid())
        return textLength();
    const int offset = std::min(qtPos - block.position(), block.length() - 1);
    const QString text = block.text();
    return blockStart(block.blockNumber()) + byteLength(text.constData(), offset);
}

int PositionIndex::qtPos(std::int64_t bytePos) const
{
    bytePos = std::clamp<std::int64_t>(bytePos, 0, textLength());
    const int number = blockAt(bytePos);
    const QTextBlock block = m_document->findBlockByNumber(number);
    std::int64_t rest = bytePos - blockStart(number);
    const QString text = block.text();
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const int w = unitWidth(text.constData(), i, n);
        const int span = (w > 0 && text[i].isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) ? 2 : 1;
        if (rest < w)
            break;
        rest -= w;
        i += span;
    }
    return block.position() + int(i);
}

std::vector<int> PositionIndex::lineStarts(const QTextBlock &block) const
{
    if (const DocumentLayout *l = layout())
        return l->lineStarts(block);
    return {0};
}

int PositionIndex::lineCount() const
{
    if (const DocumentLayout *l = layout())
        return l->totalLines();
    return blockCount();
}

int PositionIndex::lineFromByte(std::int64_t pos) const
{
    const int number = blockAt(pos);
    const DocumentLayout *l = layout();
    if (!l)
        return number;
    const int first = l->firstLineOfBlock(number);
    const QTextBlock block = m_document->findBlockByNumber(number);
    const std::vector<int> starts = lineStarts(block);
    if (starts.size() == 1)
        return first;
    const int offset = qtPos(pos) - block.position();
    const auto it = std::upper_bound(starts.begin(), starts.end(), offset);
    return first + int(it - starts.begin()) - 1;
}

std::int64_t PositionIndex::lineStart(int index) const
{
    return line(index).start;
}

std::int64_t PositionIndex::lineLength(int index) const
{
    const Line l = line(index);
    return l.start < 0 ? 0 : l.length;
}

PositionIndex::Line PositionIndex::line(int index) const
{
    Line result;
    if (index < 0)
        return result;
    const DocumentLayout *l = layout();
    int number = index;
    int within = 0;
    if (l) {
        number = l->blockOfLine(index);
        within = index - l->firstLineOfBlock(number);
        if (within >= l->blockLineCount(number) && number == blockCount() - 1)
            return result; // past the last line
    } else if (index >= blockCount()) {
        return result;
    }
    const QTextBlock block = m_document->findBlockByNumber(number);
    const std::vector<int> starts = lineStarts(block);
    if (within >= int(starts.size()))
        return result;
    const QString text = block.text();
    const int begin = starts[std::size_t(within)];
    int end = within + 1 < int(starts.size()) ? starts[std::size_t(within) + 1] : int(text.size());
    if (end > begin && text[end - 1].unicode() == kLineBreak)
        --end; // the line break ends the line; it is not part of its length
    result.qtStart = block.position() + begin;
    result.qtLength = end - begin;
    result.start = blockStart(number) + byteLength(text.constData(), begin);
    result.length = byteLength(text.constData() + begin, end - begin);
    return result;
}

} // namespace velmo::editor
