// The editor's document layout: lays a paragraph out only when it is shown, measured,
// queried or printed, with the line breaker's Japanese rules, and keeps every paragraph's
// height and display-line count in logarithmic prefix sums, so that y <-> paragraph and
// display line <-> paragraph cost a logarithm plus the one paragraph asked about.
//
// A paragraph not laid out yet counts with an estimate (its text's width at the default
// font over the wrap width); laying it out replaces the estimate by the real figures.
// Without wrapping the estimate of its line count is exact (paragraph and line breaks);
// with wrapping a paragraph of plain text in the default font is counted from its
// characters' advances without being shaped (where that count is sure), so that an exact
// row far into a long document costs a walk over its text, not its layout.
// An edit marks the paragraphs it touched; a change of width, font or break rules marks
// them all, and whatever is shown is laid out first again.
//
// Lines are positioned in block coordinates (the block's QTextLayout stays at 0, 0):
// blockBoundingRect gives the block's place in the document, as Qt's plain-text layout does.
#pragma once

#include "editor/linebreaker.h"
#include "editor/prefixsums.h"

#include <QAbstractTextDocumentLayout>
#include <QFont>
#include <QTextCursor>
#include <QTextOption>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class QTextBlock;

namespace velmo::editor {

struct ParagraphMeasures;
struct TextCounts;

// The label of a list paragraph as it is drawn: "3." for the first item of a decimal list
// that starts at 3, a bullet for a bulleted one; empty outside lists.
QString listLabel(const QTextBlock &block);

class DocumentLayout : public QAbstractTextDocumentLayout {
    Q_OBJECT
    // Read and written by QTextEdit to show or hide its caret.
    Q_PROPERTY(int cursorWidth READ cursorWidth WRITE setCursorWidth)
public:
    // measured: the paragraphs' figures taken from the text the document was just filled
    // with (used when they are as many as its blocks); without them the text is read.
    explicit DocumentLayout(QTextDocument *document, const ParagraphMeasures *measured = nullptr);
    ~DocumentLayout() override;

    void draw(QPainter *painter, const PaintContext &context) override;
    int hitTest(const QPointF &point, Qt::HitTestAccuracy accuracy) const override;
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override;
    QRectF frameBoundingRect(QTextFrame *frame) const override;
    // Lays the block out first (only that block).
    QRectF blockBoundingRect(const QTextBlock &block) const override;

    int cursorWidth() const { return m_cursorWidth; }
    void setCursorWidth(int width);

    // The rules lines break by and the room past the wrap width a hanging character may
    // take; a change marks every paragraph.
    void setBreakRules(const BreakRules &rules);
    const BreakRules &breakRules() const { return m_rules; }
    void setOverflow(qreal overflow);
    qreal overflow() const { return m_overflow; }

    // Whether lines wrap (at the document's page width).
    bool wrapping() const;

    // --- paragraphs, by block number ---
    int blockCount() const { return int(m_heights.size()); }
    bool isLaidOut(int block) const;
    // Paragraphs laid out at the current width (tests and benchmarks look at it).
    int laidOutCount() const;
    void ensureLaidOut(int block) const;
    // Every paragraph from the first up to and including block.
    void ensureLaidOutUpTo(int block) const;
    void layoutAll() const { ensureLaidOutUpTo(blockCount() - 1); }

    // Geometry in document coordinates (estimates where not laid out).
    qreal blockTop(int block) const;
    qreal blockHeight(int block) const;
    // The block at y; laid out, so the answer is exact.
    int blockAt(qreal y) const;

    // Display lines. Exact answers lay out what they depend on: the line of a paragraph
    // needs the paragraphs before it (once; afterwards it is a logarithm).
    int blockLineCount(int block) const;   // the estimate if not laid out
    int firstLineOfBlock(int block) const; // exact
    int blockOfLine(int line) const;       // exact; clamped to the last paragraph
    int totalLines() const;                // exact (lays out everything when wrapping)
    int estimatedTotalLines() const { return int(m_lines.total()); }
    // The text offsets at which the block's display lines start (it is laid out first
    // when wrapping; without wrapping they follow from its line breaks).
    std::vector<int> lineStarts(const QTextBlock &block) const;

protected:
    void documentChanged(int from, int removed, int added) override;

private:
    struct Params {
        qreal width = -1;
        QFont font;
        qreal margin = 0;
        qreal indentWidth = 0;
        bool operator==(const Params &) const = default;
    };
    Params currentParams() const;
    void reset(const ParagraphMeasures *measured = nullptr);
    void invalidateAll();
    void breakingChanged();
    // What a block's text tells without laying it out: estimated width and line breaks.
    void measureText(const QTextBlock &block, std::int64_t &width64, std::int64_t &breaks) const;
    void measureCounts(const TextCounts &counts, std::int64_t &width64, std::int64_t &breaks) const;
    void estimate(std::int64_t width64, std::int64_t breaks, std::int64_t &lines, std::int64_t &height64) const;
    void layoutBlock(const QTextBlock &block, int number) const;
    void keepGlyphs(const QTextBlock &block);
    // A laid-out line of a paragraph: its characters and where it is drawn.
    struct DrawnLine {
        int start = 0, length = 0;
        QRectF box;
    };
    static std::vector<DrawnLine> drawnLines(const QTextBlock &block);
    // The rows (full width, in the paragraph's own coordinates) of the lines that an edit of
    // `removed` characters replaced by `added` at `at` changed; empty when none did.
    static QRectF changedLines(const std::vector<DrawnLine> &before, const std::vector<DrawnLine> &after, int at,
                               int removed, int added);
    // Makes the line counts exact up to block: a paragraph of plain text in the default
    // font is counted from its characters' advances where the counter is sure, any other is
    // laid out.
    void ensureCountedUpTo(int block) const;
    int countWithoutShaping(const QTextBlock &block) const; // -1: lay it out instead
    void drawBlock(QPainter *painter, const PaintContext &context, const QTextBlock &block, QPointF offset) const;
    void notifySize() const;
    qreal contentWidth() const;

    BreakRules m_rules;
    qreal m_overflow = 0;
    int m_cursorWidth = 1;
    Params m_params;
    qreal m_lineHeight = 1;
    qreal m_wideAdvance = 1;
    qreal m_narrowAdvance = 1;
    // Per paragraph: height (1/64 pixel), display lines, 1 while not laid out, and the
    // text's estimated width (1/64 pixel) and line-break count for the estimates.
    mutable PrefixSums m_heights;
    mutable PrefixSums m_lines;
    mutable PrefixSums m_unlaid;
    // 1 while a paragraph's line count is an estimate (only ever when wrapping).
    mutable PrefixSums m_uncounted;
    // Counts lines for the current font, rules and overflow (made when first needed).
    mutable std::unique_ptr<LineCounter> m_counter;
    mutable PrefixSums m_textWidth;
    mutable PrefixSums m_breaks;
    mutable qreal m_widest = 0;
    mutable QSizeF m_shownSize;
    QObject *m_pictures;
    std::array<int, 3> m_announced{-1, -1, -1};
    QTextCursor m_typedIn; // in the paragraph whose glyphs are kept
    int m_length = 0; // the document's characters when the layout last heard of a change
};

} // namespace velmo::editor
