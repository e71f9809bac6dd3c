// Byte positions of a QTextDocument, kept up to date from its change signal so that no
// query walks the whole document: each costs a logarithm of the number of paragraphs plus
// a scan of one paragraph, and a paragraph coming or going costs a logarithm too.
//
// Byte positions count the text as code page 932 stores it: a double-byte character two,
// a paragraph end as many as the form it is stored in (CR LF two, LF or CR one), a line
// break inside a paragraph (U+2028, \v) one.
//
// The index knows nothing of wrapping. Display lines belong to the document's layout
// (DocumentLayout, one width): the line queries here combine the two. Without that
// layout on the document, a paragraph counts as one line.
#pragma once

#include "editor/prefixsums.h"

#include <QObject>
#include <QPointer>
#include <QTextBlock>
#include <cstdint>
#include <string_view>
#include <vector>

class QTextDocument;

namespace velmo::editor {

// Bytes of one UTF-16 unit at i of s (a surrogate pair counts at its first half).
int unitWidth(const QChar *s, qsizetype i, qsizetype n);
// Bytes of a piece of block text.
std::int64_t byteLength(std::u16string_view units);
std::int64_t byteLength(const QChar *s, qsizetype n);

class DocumentLayout;

class PositionIndex : public QObject {
    Q_OBJECT
public:
    // bytes: each paragraph's bytes, taken from the text the document was just filled with
    // (used when they are as many as its blocks); without them the text is read.
    explicit PositionIndex(QTextDocument *document, const std::vector<std::int64_t> *bytes = nullptr,
                           QObject *parent = nullptr);

    void rebuild();

    std::int64_t textLength() const;
    int blockCount() const { return int(m_bytes.size()); }
    std::int64_t blockStart(int block) const { return m_bytes.prefix(std::size_t(block)); }
    int blockAt(std::int64_t pos) const;

    // Qt position -> byte position, and back (a byte inside a double-byte character gives
    // that character's start; positions are clamped to the text).
    std::int64_t bytePos(int qtPos) const;
    int qtPos(std::int64_t bytePos) const;

    // Display lines, exact (the layout lays out what an answer depends on).
    int lineCount() const;
    int lineFromByte(std::int64_t pos) const;
    struct Line {
        std::int64_t start = -1; // first byte
        std::int64_t length = 0; // bytes without the line end
        int qtStart = 0;         // the same in Qt positions
        int qtLength = 0;
    };
    // An invalid line (start -1) for a line past the end.
    Line line(int index) const;
    // The first byte and the byte length of a line (-1 past the end); a paragraph of one
    // line is answered from the index alone, without reading the document.
    std::int64_t lineStart(int index) const;
    std::int64_t lineLength(int index) const;

private:
    void onContentsChange(int from, int removed, int added);
    std::int64_t blockBytes(const QTextBlock &block) const;
    std::int64_t blockBytes(const QTextBlock &block, std::u16string_view text) const;
    const DocumentLayout *layout() const;
    std::vector<int> lineStarts(const QTextBlock &block) const;

    QTextDocument *m_document;
    PrefixSums m_bytes;
    mutable QPointer<DocumentLayout> m_layout;
};

} // namespace velmo::editor
