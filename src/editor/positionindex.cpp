#include "editor/positionindex.h"

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

std::int64_t byteLength(const QChar *s, qsizetype n)
{
    std::int64_t bytes = 0;
    for (qsizetype i = 0; i < n; ++i)
        bytes += unitWidth(s, i, n);
    return bytes;
}

PositionIndex::PositionIndex(QTextDocument *document, QObject *parent)
    : QObject(parent), m_document(document)
{
    connect(document, &QTextDocument::contentsChange, this, &PositionIndex::onContentsChange);
    rebuild();
}

std::int64_t PositionIndex::blockBytes(const QTextBlock &block) const
{
    const QString text = block.text();
    std::int64_t bytes = byteLength(text.constData(), text.size());
    LineEnd end;
    if (lineEndAfter(block, end))
        bytes += lineEndBytes(end);
    return bytes;
}

int PositionIndex::hardLines(const QTextBlock &block) const
{
    const QString text = block.text();
    return 1 + int(text.count(QChar(kLineBreak)));
}

void PositionIndex::rebuild()
{
    const int n = m_document->blockCount();
    std::vector<std::int64_t> bytes, lines;
    bytes.reserve(std::size_t(n));
    lines.reserve(std::size_t(n));
    for (QTextBlock b = m_document->begin(); b.isValid(); b = b.next()) {
        bytes.push_back(blockBytes(b));
        lines.push_back(hardLines(b));
    }
    m_bytes.assign(std::move(bytes));
    m_lines.assign(std::move(lines));
    m_dirty.assign(m_lines.size(), 0);
    m_dirtyList.clear();
    m_allDirty = m_wrapped;
}

void PositionIndex::setWrapped(bool wrapped)
{
    if (m_wrapped == wrapped)
        return;
    m_wrapped = wrapped;
    if (wrapped) {
        m_allDirty = true;
    } else {
        // Back to hard lines: counted from the text, nothing waits for the layout.
        std::vector<std::int64_t> lines;
        lines.reserve(m_bytes.size());
        for (QTextBlock b = m_document->begin(); b.isValid(); b = b.next())
            lines.push_back(hardLines(b));
        m_lines.assign(std::move(lines));
        m_dirty.assign(m_lines.size(), 0);
        m_dirtyList.clear();
        m_allDirty = false;
    }
}

void PositionIndex::invalidateLines()
{
    if (m_wrapped)
        m_allDirty = true;
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
    std::vector<std::int64_t> bytes, lines;
    QTextBlock b = m_document->findBlockByNumber(first);
    for (int i = first; i <= lastNew; ++i, b = b.next()) {
        bytes.push_back(blockBytes(b));
        lines.push_back(hardLines(b));
    }
    const std::size_t removedBlocks = std::size_t(lastOld - first + 1);
    m_bytes.replace(std::size_t(first), removedBlocks, bytes);
    if (!m_wrapped) {
        m_lines.replace(std::size_t(first), removedBlocks, lines);
        return;
    }
    // Wrapped: the counts are read from the layout once Qt has laid these paragraphs out.
    if (removedBlocks == lines.size()) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::size_t k = std::size_t(first) + i;
            if (!m_dirty[k]) {
                m_dirty[k] = 1;
                m_dirtyList.push_back(int(k));
            }
        }
    } else {
        m_lines.replace(std::size_t(first), removedBlocks, std::vector<std::int64_t>(lines.size(), 1));
        m_dirty.erase(m_dirty.begin() + first, m_dirty.begin() + first + std::ptrdiff_t(removedBlocks));
        m_dirty.insert(m_dirty.begin() + first, lines.size(), 1);
        m_dirtyList.clear();
        for (std::size_t k = 0; k < m_dirty.size(); ++k)
            if (m_dirty[k])
                m_dirtyList.push_back(int(k));
    }
}

int PositionIndex::layoutLines(const QTextBlock &block) const
{
    QTextLayout *layout = block.layout();
    if (!layout || layout->lineCount() == 0) {
        // Not laid out yet: asking for its rectangle makes Qt lay it out now.
        if (auto *docLayout = m_document->documentLayout())
            docLayout->blockBoundingRect(block);
        layout = block.layout();
    }
    if (!layout || layout->lineCount() == 0 || !block.isVisible())
        return hardLines(block);
    return layout->lineCount();
}

void PositionIndex::refreshLines() const
{
    if (!m_wrapped)
        return;
    if (m_allDirty) {
        // Force the whole layout once, then read every paragraph.
        if (auto *docLayout = m_document->documentLayout())
            docLayout->blockBoundingRect(m_document->lastBlock());
        std::vector<std::int64_t> lines;
        lines.reserve(m_bytes.size());
        for (QTextBlock b = m_document->begin(); b.isValid(); b = b.next())
            lines.push_back(layoutLines(b));
        m_lines.assign(std::move(lines));
        m_dirty.assign(m_lines.size(), 0);
        m_dirtyList.clear();
        m_allDirty = false;
        return;
    }
    for (int k : m_dirtyList) {
        if (k < int(m_dirty.size()) && m_dirty[std::size_t(k)]) {
            m_lines.set(std::size_t(k), layoutLines(m_document->findBlockByNumber(k)));
            m_dirty[std::size_t(k)] = 0;
        }
    }
    m_dirtyList.clear();
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
    std::vector<int> starts;
    if (m_wrapped) {
        QTextLayout *layout = block.layout();
        if (layout && layout->lineCount() > 0) {
            for (int i = 0; i < layout->lineCount(); ++i)
                starts.push_back(layout->lineAt(i).textStart());
            return starts;
        }
    }
    starts.push_back(0);
    const QString text = block.text();
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i].unicode() == kLineBreak)
            starts.push_back(int(i + 1));
    return starts;
}

int PositionIndex::lineCount() const
{
    refreshLines();
    return int(m_lines.total());
}

int PositionIndex::lineFromByte(std::int64_t pos) const
{
    refreshLines();
    const int number = blockAt(pos);
    if (m_lines.value(std::size_t(number)) == 1)
        return int(m_lines.prefix(std::size_t(number)));
    const QTextBlock block = m_document->findBlockByNumber(number);
    const int first = int(m_lines.prefix(std::size_t(number)));
    const std::vector<int> starts = lineStarts(block);
    if (starts.size() == 1)
        return first;
    const int offset = qtPos(pos) - block.position();
    const auto it = std::upper_bound(starts.begin(), starts.end(), offset);
    return first + int(it - starts.begin()) - 1;
}

std::int64_t PositionIndex::lineStart(int index) const
{
    refreshLines();
    if (index < 0 || index >= int(m_lines.total()))
        return -1;
    const std::size_t number = m_lines.find(index);
    if (m_lines.value(number) == 1)
        return blockStart(int(number));
    return line(index).start;
}

std::int64_t PositionIndex::lineLength(int index) const
{
    refreshLines();
    if (index < 0 || index >= int(m_lines.total()))
        return 0;
    const std::size_t number = m_lines.find(index);
    if (m_lines.value(number) == 1) {
        LineEnd end;
        const bool ended = lineEndAfter(m_document->findBlockByNumber(int(number)), end);
        return m_bytes.value(number) - (ended ? lineEndBytes(end) : 0);
    }
    return line(index).length;
}

PositionIndex::Line PositionIndex::line(int index) const
{
    refreshLines();
    Line result;
    if (index < 0 || index >= int(m_lines.total()))
        return result;
    const int number = int(m_lines.find(index));
    const QTextBlock block = m_document->findBlockByNumber(number);
    const int within = index - int(m_lines.prefix(std::size_t(number)));
    const std::vector<int> starts = lineStarts(block);
    const QString text = block.text();
    const int k = std::min<int>(within, int(starts.size()) - 1);
    const int begin = starts[std::size_t(k)];
    int end = k + 1 < int(starts.size()) ? starts[std::size_t(k) + 1] : int(text.size());
    if (end > begin && text[end - 1].unicode() == kLineBreak)
        --end; // the line break ends the line; it is not part of its length
    result.qtStart = block.position() + begin;
    result.qtLength = end - begin;
    result.start = blockStart(number) + byteLength(text.constData(), begin);
    result.length = byteLength(text.constData() + begin, end - begin);
    return result;
}

} // namespace velmo::editor
