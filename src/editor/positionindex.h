// Byte positions and display lines of a QTextDocument, kept up to date from its change
// signal so that no query walks the whole document: each costs a logarithm of the number
// of paragraphs plus a scan of one paragraph.
//
// Byte positions count the text as code page 932 stores it: a double-byte character two,
// a paragraph end as many as the form it is stored in (CR LF two, LF or CR one), a line
// break inside a paragraph (U+2028, \v) one.
//
// Display lines: without wrapping a line is a paragraph or a part of one ended by a line
// break, counted straight from the text. With wrapping the lines are those of Qt's layout.
// Qt lays a document out lazily, so a paragraph whose text or format changed is only
// marked; its line count is read when a line query first needs it, and the layout is
// forced for that paragraph (Qt then lays out everything before it that is still pending,
// once). A change of width or font marks every paragraph.
#pragma once

#include "editor/prefixsums.h"

#include <QObject>
#include <QTextBlock>
#include <cstdint>
#include <vector>

class QTextDocument;

namespace velmo::editor {

// Bytes of one UTF-16 unit at i of s (a surrogate pair counts at its first half).
int unitWidth(const QChar *s, qsizetype i, qsizetype n);
// Bytes of a piece of block text.
std::int64_t byteLength(const QChar *s, qsizetype n);

class PositionIndex : public QObject {
    Q_OBJECT
public:
    explicit PositionIndex(QTextDocument *document, QObject *parent = nullptr);

    // Whether display lines come from the layout (word wrap on).
    void setWrapped(bool wrapped);
    bool wrapped() const { return m_wrapped; }
    // The layout width or the fonts changed: every line count is read again when needed.
    void invalidateLines();
    void rebuild();

    std::int64_t textLength() const;
    int blockCount() const { return int(m_bytes.size()); }
    std::int64_t blockStart(int block) const { return m_bytes.prefix(std::size_t(block)); }
    int blockAt(std::int64_t pos) const;

    // Qt position -> byte position, and back (a byte inside a double-byte character gives
    // that character's start; positions are clamped to the text).
    std::int64_t bytePos(int qtPos) const;
    int qtPos(std::int64_t bytePos) const;

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
    int hardLines(const QTextBlock &block) const;
    void refreshLines() const;
    int layoutLines(const QTextBlock &block) const;
    // Starts of the display lines of a block, as offsets into its text.
    std::vector<int> lineStarts(const QTextBlock &block) const;

    QTextDocument *m_document;
    bool m_wrapped = false;
    PrefixSums m_bytes;
    mutable PrefixSums m_lines;
    // Paragraphs whose wrapped line count still has to be read from the layout.
    mutable std::vector<char> m_dirty;
    mutable std::vector<int> m_dirtyList;
    mutable bool m_allDirty = false;
};

} // namespace velmo::editor
