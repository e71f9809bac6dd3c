#include "editor/documentlayout.h"
#include "editor/documenttext.h"
#include "editor/paragraphmeasures.h"
#include "editor/richstream.h"
#include "editor/textchars.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextList>
#include <QTextObjectInterface>
#include <QUrl>
#include <algorithm>
#include <array>
#include <cmath>

namespace velmo::editor {

namespace {

constexpr qreal kFixed = 64; // heights and widths are kept in 1/64 pixel, as Qt measures
constexpr qreal kFar = 1e9;

std::int64_t toFixed(qreal v)
{
    return std::int64_t(std::llround(v * kFixed));
}

// Pictures in the text: sized from their format (the size the file gave them) or from the
// image, drawn scaled into their box.
class PictureHandler : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    explicit PictureHandler(QObject *parent) : QObject(parent) {}

    QSizeF intrinsicSize(QTextDocument *document, int, const QTextFormat &format) override
    {
        const QTextImageFormat f = format.toImageFormat();
        const QImage image = imageOf(document, f);
        qreal w = f.width(), h = f.height();
        if (w > 0 && h > 0)
            return {w, h};
        if (image.isNull())
            return {std::max<qreal>(w, 0), std::max<qreal>(h, 0)};
        if (w > 0)
            return {w, w * image.height() / std::max(image.width(), 1)};
        if (h > 0)
            return {h * image.width() / std::max(image.height(), 1), h};
        return QSizeF(image.size());
    }

    void drawObject(QPainter *painter, const QRectF &rect, QTextDocument *document, int, const QTextFormat &format) override
    {
        const QImage image = imageOf(document, format.toImageFormat());
        if (!image.isNull())
            painter->drawImage(rect, image);
    }

private:
    static QImage imageOf(QTextDocument *document, const QTextImageFormat &f)
    {
        const QVariant v = document->resource(QTextDocument::ImageResource, QUrl(f.name()));
        if (v.canConvert<QImage>())
            return v.value<QImage>();
        if (v.canConvert<QPixmap>())
            return v.value<QPixmap>().toImage();
        QImage image;
        if (v.typeId() == QMetaType::QByteArray)
            image.loadFromData(v.toByteArray());
        return image;
    }
};

} // namespace

DocumentLayout::DocumentLayout(QTextDocument *document, const ParagraphMeasures *measured)
    : QAbstractTextDocumentLayout(document), m_pictures(new PictureHandler(this))
{
    registerHandler(QTextFormat::ImageObject, m_pictures);
    // An edit is announced by the document's signal just before the layout hears of it;
    // the same call without the signal is a request to lay everything out again.
    connect(document, &QTextDocument::contentsChange, this, [this](int from, int removed, int added) {
        m_announced = {from, removed, added};
    });
    m_params = currentParams();
    reset(measured);
}

DocumentLayout::~DocumentLayout() = default;

void DocumentLayout::setCursorWidth(int width)
{
    m_cursorWidth = width;
}

bool DocumentLayout::wrapping() const
{
    return m_params.width >= 0;
}

DocumentLayout::Params DocumentLayout::currentParams() const
{
    const QTextDocument *doc = document();
    Params p;
    // QTextEdit says "no wrapping" by the default text option and a width by the page size.
    const bool wrap = doc->defaultTextOption().wrapMode() != QTextOption::NoWrap && doc->pageSize().width() >= 0;
    p.width = wrap ? doc->pageSize().width() : -1;
    p.font = doc->defaultFont();
    p.margin = doc->documentMargin();
    p.indentWidth = doc->indentWidth();
    return p;
}

qreal DocumentLayout::contentWidth() const
{
    return std::max<qreal>(m_params.width - 2 * m_params.margin, 0);
}

void DocumentLayout::setBreakRules(const BreakRules &rules)
{
    const bool same = rules.following == m_rules.following && rules.leading == m_rules.leading &&
                      rules.overflow == m_rules.overflow && rules.delimiter == m_rules.delimiter &&
                      rules.hang == m_rules.hang && rules.wordBreak == m_rules.wordBreak;
    if (same)
        return;
    m_rules = rules;
    breakingChanged();
}

void DocumentLayout::setOverflow(qreal overflow)
{
    if (overflow == m_overflow)
        return;
    m_overflow = overflow;
    breakingChanged();
}

void DocumentLayout::breakingChanged()
{
    // The rules and the allowance decide the lines of what is laid out or counted; an
    // estimate does not depend on them. Only those paragraphs go back to their estimates
    // (a document just opened has one or two), unless they are many.
    m_counter.reset();
    const std::vector<std::int64_t> unlaid = m_unlaid.values(), uncounted = m_uncounted.values();
    const std::size_t n = unlaid.size();
    std::vector<std::size_t> exact;
    for (std::size_t i = 0; i < n; ++i)
        if (unlaid[i] == 0 || (wrapping() && uncounted[i] == 0))
            exact.push_back(i);
    if (exact.size() > n / 8) {
        invalidateAll();
        return;
    }
    for (const std::size_t i : exact) {
        std::int64_t lines, height;
        estimate(m_textWidth.value(i), m_breaks.value(i), lines, height);
        m_lines.set(i, lines);
        m_heights.set(i, height);
        if (unlaid[i] == 0) {
            document()->findBlockByNumber(int(i)).layout()->clearLayout();
            m_unlaid.set(i, 1);
        }
        if (wrapping())
            m_uncounted.set(i, 1);
    }
    emit update(QRectF(0, 0, kFar, kFar));
    notifySize();
}

// ----- estimates -----

void DocumentLayout::measureText(const QTextBlock &block, std::int64_t &width64, std::int64_t &breaks) const
{
    measureCounts(countText(textView(block.text())), width64, breaks);
}

void DocumentLayout::measureCounts(const TextCounts &counts, std::int64_t &width64, std::int64_t &breaks) const
{
    width64 = toFixed(qreal(counts.wide) * m_wideAdvance + qreal(counts.narrow) * m_narrowAdvance);
    breaks = counts.breaks;
}

void DocumentLayout::estimate(std::int64_t width64, std::int64_t breaks, std::int64_t &lines, std::int64_t &height64) const
{
    lines = 1 + breaks;
    if (wrapping()) {
        const qreal width = std::max<qreal>(contentWidth(), 1);
        lines = std::max<std::int64_t>(lines, std::int64_t(std::ceil(width64 / kFixed / width)) + breaks);
    }
    height64 = toFixed(qreal(lines) * m_lineHeight);
}

void DocumentLayout::reset(const ParagraphMeasures *measured)
{
    const QTextDocument *doc = document();
    m_length = doc->characterCount();
    const QFontMetricsF metrics(doc->defaultFont());
    m_lineHeight = std::ceil(metrics.ascent() + metrics.descent());
    m_wideAdvance = metrics.horizontalAdvance(QChar(0x3042));
    m_narrowAdvance = metrics.averageCharWidth();
    std::vector<std::int64_t> widths, breaks, lines, heights;
    const int n = doc->blockCount();
    widths.resize(std::size_t(n));
    breaks.resize(std::size_t(n));
    lines.resize(std::size_t(n));
    heights.resize(std::size_t(n));
    if (measured && measured->size() == std::size_t(n)) {
        for (std::size_t i = 0; i < std::size_t(n); ++i)
            measureCounts(measured->counts[i], widths[i], breaks[i]);
    } else {
        const DocumentText text(*doc);
        std::size_t i = 0;
        for (QTextBlock b = doc->begin(); b.isValid() && i < std::size_t(n); b = b.next(), ++i)
            measureCounts(countText(text.of(b)), widths[i], breaks[i]);
    }
    for (std::size_t i = 0; i < std::size_t(n); ++i)
        estimate(widths[i], breaks[i], lines[i], heights[i]);
    m_textWidth.assign(widths);
    m_breaks.assign(breaks);
    m_lines.assign(lines);
    m_heights.assign(heights);
    m_unlaid.assign(std::vector<std::int64_t>(std::size_t(n), 1));
    m_uncounted.assign(std::vector<std::int64_t>(std::size_t(n), wrapping() ? 1 : 0));
    m_counter.reset();
    m_widest = 0;
}

void DocumentLayout::invalidateAll()
{
    const QFontMetricsF metrics(document()->defaultFont());
    m_lineHeight = std::ceil(metrics.ascent() + metrics.descent());
    m_wideAdvance = metrics.horizontalAdvance(QChar(0x3042));
    m_narrowAdvance = metrics.averageCharWidth();
    // The estimates follow from what was measured of each text; no text is read again.
    const std::vector<std::int64_t> widths = m_textWidth.values(), breaks = m_breaks.values();
    const std::vector<std::int64_t> unlaid = m_unlaid.values();
    const std::size_t n = widths.size();
    std::vector<std::int64_t> lines(n), heights(n);
    for (std::size_t i = 0; i < n; ++i)
        estimate(widths[i], breaks[i], lines[i], heights[i]);
    // The lines of what was laid out go too: Qt's caret moves read a block's lines directly
    // and ask the layout only for a block that has none.
    std::size_t i = 0;
    for (QTextBlock b = document()->begin(); b.isValid() && i < n; b = b.next(), ++i)
        if (unlaid[i] == 0)
            b.layout()->clearLayout();
    m_lines.assign(lines);
    m_heights.assign(heights);
    m_unlaid.assign(std::vector<std::int64_t>(n, 1));
    m_uncounted.assign(std::vector<std::int64_t>(n, wrapping() ? 1 : 0));
    m_counter.reset();
    m_widest = 0;
    emit update(QRectF(0, 0, kFar, kFar));
    notifySize();
}

// ----- changes -----

void DocumentLayout::documentChanged(int from, int removed, int added)
{
    QTextDocument *doc = document();
    const int newCount = doc->blockCount();
    const int oldCount = blockCount();
    const bool announced = m_announced == std::array<int, 3>{from, removed, added};
    m_announced = {-1, -1, -1};
    // An edit never adds the document's last paragraph end, so "everything added" with the
    // paragraphs as they were is no edit: QTextEdit announces a document it is given so.
    const bool wholeAgain = announced && newCount == oldCount && doc->characterCount() == m_length;
    m_length = doc->characterCount();
    if ((!announced || wholeAgain) && from == 0 && removed == 0 && added == doc->characterCount()) {
        // Qt's way of saying "lay everything out again": a page size, default font, margin
        // or a new layout. Only what changes the lines is acted on (QTextEdit sets the page
        // size on every resize, also when the width stays).
        const Params now = currentParams();
        if (newCount != oldCount) {
            m_params = now;
            reset();
            emit update(QRectF(0, 0, kFar, kFar));
            notifySize();
        } else if (!(now == m_params)) {
            m_params = now;
            invalidateAll();
        }
        return;
    }
    QTextBlock firstBlock = doc->findBlock(from);
    if (!firstBlock.isValid())
        firstBlock = doc->lastBlock();
    QTextBlock lastBlock = doc->findBlock(from + added);
    if (!lastBlock.isValid())
        lastBlock = doc->lastBlock();
    const int first = firstBlock.blockNumber();
    const int lastNew = lastBlock.blockNumber();
    const int lastOld = lastNew - (newCount - oldCount);
    if (first < 0 || lastOld < first - 1 || lastOld >= oldCount || lastNew < first) {
        reset();
        emit update(QRectF(0, 0, kFar, kFar));
        notifySize();
        return;
    }
    const qreal top = blockTop(first);
    // A keystroke inside one paragraph: its lines as they were drawn, to repaint only those
    // the edit changed (typically the caret's line, not the whole paragraph).
    const bool withinOne = first == lastNew && newCount == oldCount && removed != added && isLaidOut(first);
    const std::vector<DrawnLine> drawnBefore = withinOne ? drawnLines(firstBlock) : std::vector<DrawnLine>();
    std::vector<std::int64_t> widths, breaks, lines, heights;
    QTextBlock b = firstBlock;
    for (int i = first; i <= lastNew && b.isValid(); ++i, b = b.next()) {
        std::int64_t w, k, l, h;
        measureText(b, w, k);
        estimate(w, k, l, h);
        widths.push_back(w);
        breaks.push_back(k);
        lines.push_back(l);
        heights.push_back(h);
    }
    const std::size_t at = std::size_t(first);
    const std::size_t count = std::size_t(lastOld - first + 1);
    const std::int64_t heightBefore = m_heights.prefix(at + count) - m_heights.prefix(at);
    m_textWidth.replace(at, count, widths);
    m_breaks.replace(at, count, breaks);
    m_lines.replace(at, count, lines);
    m_heights.replace(at, count, heights);
    m_unlaid.replace(at, count, std::vector<std::int64_t>(widths.size(), 1));
    m_uncounted.replace(at, count, std::vector<std::int64_t>(widths.size(), wrapping() ? 1 : 0));
    // A few changed paragraphs (a keystroke, Enter, a joined line) are laid out at once so
    // that what follows keeps its place; a large paste waits until it is looked at.
    bool laidOut = false;
    if (widths.size() <= 8) {
        QTextBlock c = firstBlock;
        for (int i = first; i <= lastNew && c.isValid(); ++i, c = c.next()) {
            keepGlyphs(c);
            layoutBlock(c, i);
        }
        laidOut = true;
    }
    // What follows an edit of the text moves only when the edited paragraphs' height changed:
    // otherwise only they are drawn again (a keystroke repaints its paragraph, not the screen
    // below it). A change of format (as many characters removed as added) may renumber the
    // list items after it, so it repaints them.
    const std::int64_t heightAfter = m_heights.prefix(at + widths.size()) - m_heights.prefix(at);
    const QRectF changed = laidOut && withinOne && heightAfter == heightBefore
                               ? changedLines(drawnBefore, drawnLines(firstBlock), from - firstBlock.position(),
                                              removed, added)
                               : QRectF();
    if (!changed.isEmpty())
        emit update(changed.translated(0, top));
    else if (laidOut && removed != added && newCount == oldCount && heightAfter == heightBefore)
        emit update(QRectF(0, top, kFar, heightAfter / kFixed));
    else
        emit update(QRectF(0, top, kFar, kFar));
    notifySize();
}

std::vector<DocumentLayout::DrawnLine> DocumentLayout::drawnLines(const QTextBlock &block)
{
    // Qt keeps a paragraph's lines when its text changes, until it is laid out again.
    std::vector<DrawnLine> drawn;
    const QTextLayout *tl = block.layout();
    drawn.reserve(std::size_t(tl->lineCount()));
    for (int i = 0; i < tl->lineCount(); ++i) {
        const QTextLine l = tl->lineAt(i);
        drawn.push_back({l.textStart(), l.textLength(), QRectF(l.x(), l.y(), l.naturalTextWidth(), l.height())});
    }
    return drawn;
}

QRectF DocumentLayout::changedLines(const std::vector<DrawnLine> &before, const std::vector<DrawnLine> &after,
                                    int at, int removed, int added)
{
    // A line is drawn again unless it holds the same characters at the same place: wholly
    // before the edit, or wholly after it and moved along by what the edit added. With a
    // line more or less, all are (a justified line that becomes the last one is drawn
    // unstretched).
    const bool sameCount = before.size() == after.size();
    qreal top = kFar, bottom = -kFar;
    const auto take = [&](const DrawnLine &line) {
        top = std::min(top, line.box.top());
        bottom = std::max(bottom, line.box.bottom());
    };
    for (std::size_t i = 0; i < std::max(before.size(), after.size()); ++i) {
        bool same = sameCount;
        if (same) {
            const DrawnLine &was = before[i], &is = after[i];
            const bool ahead = was.start + was.length <= at, behind = was.start >= at + removed;
            same = (ahead || behind) && is.start == was.start + (behind ? added - removed : 0)
                   && is.length == was.length && is.box == was.box;
        }
        if (same)
            continue;
        if (i < before.size())
            take(before[i]);
        if (i < after.size())
            take(after[i]);
    }
    // Full width: the marks drawn past a line's end and the caret may stand beyond its text.
    return bottom > top ? QRectF(0, top, kFar, bottom - top) : QRectF();
}

// ----- laying out -----

void DocumentLayout::keepGlyphs(const QTextBlock &block)
{
    // The paragraph typed in keeps its glyphs, so that the caret's x and the repaint after
    // a keystroke read them instead of shaping its lines again. One paragraph at a time:
    // the one typed in before lets them go when it is next drawn.
    const QTextBlock before = m_typedIn.isNull() ? QTextBlock() : m_typedIn.block();
    if (before.isValid() && before != block)
        before.layout()->setCacheEnabled(false);
    block.layout()->setCacheEnabled(true);
    m_typedIn = QTextCursor(block);
}

bool DocumentLayout::isLaidOut(int block) const
{
    return block >= 0 && block < blockCount() && m_unlaid.value(std::size_t(block)) == 0;
}

int DocumentLayout::laidOutCount() const
{
    return blockCount() - int(m_unlaid.total());
}

void DocumentLayout::layoutBlock(const QTextBlock &block, int number) const
{
    QTextLayout *tl = block.layout();
    const QTextBlockFormat format = block.blockFormat();
    QTextOption option = document()->defaultTextOption();
    option.setTextDirection(block.textDirection());
    option.setTabs(format.tabPositions());
    // Lines are aligned here (the breaker may fill them by column count, which Qt does not
    // align); justification is left to Qt.
    const Qt::Alignment alignment = format.alignment();
    option.setAlignment((alignment & Qt::AlignJustify) ? Qt::AlignJustify : Qt::AlignLeft);
    option.setWrapMode(wrapping() ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    tl->setTextOption(option);

    qreal indent = format.indent() * m_params.indentWidth;
    if (QTextList *list = block.textList())
        indent += list->format().indent() * m_params.indentWidth;
    const qreal left = format.leftMargin() + indent;
    const qreal right = format.rightMargin();
    BreakGeometry geometry;
    geometry.width = wrapping() ? std::max<qreal>(contentWidth() - left - right, 1) : -1;
    geometry.firstLineIndent = format.textIndent();
    geometry.overflow = m_overflow;
    const int count = breakLines(*tl, geometry, m_rules, block.text());

    const qreal topMargin = format.topMargin();
    qreal bottom = topMargin;
    for (int i = 0; i < tl->lineCount(); ++i) {
        QTextLine line = tl->lineAt(i);
        qreal x = line.x() + left;
        if (wrapping() && !(alignment & Qt::AlignJustify) && (alignment & (Qt::AlignRight | Qt::AlignHCenter))) {
            const qreal room = geometry.width - (line.x()) - line.naturalTextWidth();
            if (room > 0)
                x += (alignment & Qt::AlignRight) ? room : room / 2;
        }
        m_widest = std::max(m_widest, x + line.naturalTextWidth() + right);
        line.setPosition(QPointF(x, line.y() + topMargin));
        bottom = std::max(bottom, line.y() + line.height());
    }
    const qreal height = bottom + format.bottomMargin();
    const auto k = std::size_t(number);
    m_heights.set(k, toFixed(height));
    m_lines.set(k, std::max(count, tl->lineCount()));
    m_unlaid.set(k, 0);
    m_uncounted.set(k, 0);
}

void DocumentLayout::ensureLaidOut(int block) const
{
    if (block < 0 || block >= blockCount() || isLaidOut(block))
        return;
    layoutBlock(document()->findBlockByNumber(block), block);
    notifySize();
}

namespace {

// The number of an item in its list (QTextList), counted from the list's start.
long long itemNumber(const QTextList &list, const QTextBlock &block, const rtf::Numbering &numbering)
{
    return (long long)numbering.start + std::max(0, list.itemNumber(block));
}

} // namespace

QString listLabel(const QTextBlock &block)
{
    const QTextList *list = block.textList();
    if (!list)
        return QString();
    const rtf::Numbering numbering = numberingOf(list->format());
    if (numbering.format.empty())
        return QString::fromStdU16String(rtf::numberLabel(numbering, std::max(0, list->itemNumber(block))));
    // A label of its own text: the numbers of the levels above are those of the items this
    // item's list stands under, found before the list's first item.
    std::u16string label;
    for (const char16_t c : numbering.format) {
        if (c >= rtf::kListLevels) {
            label += c;
            continue;
        }
        const int level = c;
        long long number = numbering.start;
        rtf::Numbering shown = numbering;
        if (level == numbering.level) {
            number = itemNumber(*list, block, numbering);
        } else if (level < numbering.level) {
            for (QTextBlock b = list->item(0).previous(); b.isValid(); b = b.previous()) {
                const QTextList *above = b.textList();
                if (!above)
                    continue;
                const rtf::Numbering n = numberingOf(above->format());
                if (n.list != numbering.list || n.level > level)
                    continue;
                if (n.level == level) {
                    shown = n;
                    number = itemNumber(*above, b, n);
                }
                break;
            }
        }
        using Style = rtf::Numbering::Style;
        label += rtf::numberText(shown.style == Style::Bullet ? Style::Decimal : shown.style, number);
    }
    return QString::fromStdU16String(label);
}

namespace {

// Calls work(block, number) for every paragraph up to and including `last` that `pending`
// marks (work clears the mark), from the first marked one on, stepping over stretches of
// unmarked ones by the index.
template <typename Work>
void forEachPending(const QTextDocument *document, const PrefixSums &pending, int last, Work &&work)
{
    if (last < 0 || pending.prefix(std::size_t(last) + 1) == 0)
        return;
    int number = int(pending.find(0));
    QTextBlock b = document->findBlockByNumber(number);
    while (b.isValid() && number <= last) {
        if (pending.value(std::size_t(number)) != 0) {
            work(b, number);
            b = b.next();
            ++number;
        } else {
            const std::int64_t done = pending.prefix(std::size_t(number));
            if (done >= pending.total())
                break;
            number = int(pending.find(done));
            b = document->findBlockByNumber(number);
        }
    }
}

// Whether a character format leaves the document's default font as it is (and puts no
// object in the text).
bool defaultFontOnly(const QTextCharFormat &f)
{
    if (f.propertyCount() == 0)
        return true;
    const QMap<int, QVariant> properties = f.properties();
    for (auto it = properties.begin(); it != properties.end(); ++it) {
        const int p = it.key();
        if ((p >= QTextFormat::FirstFontProperty && p <= QTextFormat::LastFontProperty) || p == QTextFormat::ObjectType ||
            p == QTextFormat::TextVerticalAlignment || p == QTextFormat::ObjectIndex)
            return false;
    }
    return true;
}

} // namespace

void DocumentLayout::ensureLaidOutUpTo(int block) const
{
    block = std::min(block, blockCount() - 1);
    forEachPending(document(), m_unlaid, block, [this](const QTextBlock &b, int number) { layoutBlock(b, number); });
    notifySize();
}

int DocumentLayout::countWithoutShaping(const QTextBlock &block) const
{
    // Only text in the default font on the screen, left to right, outside lists, without
    // pre-edit text.
    if (paintDevice() || block.textList() || block.textDirection() != Qt::LeftToRight ||
        !block.layout()->preeditAreaText().isEmpty())
        return -1;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it)
        if (!defaultFontOnly(it.fragment().charFormat()))
            return -1;
    const QTextBlockFormat format = block.blockFormat();
    BreakGeometry geometry;
    geometry.width = std::max<qreal>(contentWidth() - format.leftMargin() - format.rightMargin() -
                                         format.indent() * m_params.indentWidth,
                                     1);
    geometry.firstLineIndent = format.textIndent();
    geometry.overflow = m_overflow;
    if (!m_counter) {
        const QFont font = document()->defaultFont();
        if (font.letterSpacing() != 0 || font.wordSpacing() != 0)
            return -1;
        m_counter = std::make_unique<LineCounter>(font, m_rules, m_overflow);
    }
    return m_counter->count(block.text(), geometry);
}

void DocumentLayout::ensureCountedUpTo(int block) const
{
    block = std::min(block, blockCount() - 1);
    forEachPending(document(), m_uncounted, block, [this](const QTextBlock &b, int number) {
        const int lines = countWithoutShaping(b);
        if (lines < 0) {
            layoutBlock(b, number);
            return;
        }
        const auto k = std::size_t(number);
        m_lines.set(k, lines);
        // The height stays an estimate (fallback fonts may make a line taller) until the
        // paragraph is laid out.
        if (!isLaidOut(number))
            m_heights.set(k, toFixed(lines * m_lineHeight));
        m_uncounted.set(k, 0);
    });
    notifySize();
}

// ----- geometry -----

qreal DocumentLayout::blockTop(int block) const
{
    return m_params.margin + m_heights.prefix(std::size_t(std::max(block, 0))) / kFixed;
}

qreal DocumentLayout::blockHeight(int block) const
{
    if (block < 0 || block >= blockCount())
        return 0;
    return m_heights.value(std::size_t(block)) / kFixed;
}

int DocumentLayout::blockAt(qreal y) const
{
    const int n = blockCount();
    if (n == 0)
        return 0;
    const std::int64_t at = std::max<std::int64_t>(toFixed(y - m_params.margin), 0);
    // Laying a paragraph out changes its height: look again until the one found is laid out.
    int number = int(m_heights.find(at));
    for (int round = 0; round < 64 && !isLaidOut(number); ++round) {
        layoutBlock(document()->findBlockByNumber(number), number);
        number = int(m_heights.find(at));
    }
    notifySize();
    return number;
}

QSizeF DocumentLayout::documentSize() const
{
    const qreal width = wrapping() ? m_params.width : m_widest + 2 * m_params.margin;
    return {width, m_heights.total() / kFixed + 2 * m_params.margin};
}

QRectF DocumentLayout::frameBoundingRect(QTextFrame *frame) const
{
    if (frame != document()->rootFrame())
        return {};
    return {QPointF(0, 0), documentSize()};
}

QRectF DocumentLayout::blockBoundingRect(const QTextBlock &block) const
{
    if (!block.isValid() || block.document() != document())
        return {};
    const int number = block.blockNumber();
    ensureLaidOut(number);
    const qreal width = wrapping() ? contentWidth() : std::max<qreal>(m_widest, 0);
    return {m_params.margin, blockTop(number), width, blockHeight(number)};
}

void DocumentLayout::notifySize() const
{
    const QSizeF size = documentSize();
    if (size == m_shownSize)
        return;
    m_shownSize = size;
    emit const_cast<DocumentLayout *>(this)->documentSizeChanged(size);
}

int DocumentLayout::hitTest(const QPointF &point, Qt::HitTestAccuracy accuracy) const
{
    if (blockCount() == 0)
        return -1;
    const int number = blockAt(point.y());
    const QTextBlock block = document()->findBlockByNumber(number);
    if (!block.isValid())
        return -1;
    const QTextLayout *tl = block.layout();
    const QPointF local = point - QPointF(m_params.margin, blockTop(number));
    if (tl->lineCount() == 0)
        return block.position();
    QTextLine line = tl->lineAt(tl->lineCount() - 1);
    for (int i = 0; i < tl->lineCount(); ++i) {
        const QTextLine l = tl->lineAt(i);
        if (local.y() < l.y() + l.height()) {
            line = l;
            break;
        }
    }
    if (accuracy == Qt::ExactHit && !line.naturalTextRect().contains(local))
        return -1;
    return block.position() + line.xToCursor(local.x());
}

// ----- display lines -----

int DocumentLayout::blockLineCount(int block) const
{
    if (block < 0 || block >= blockCount())
        return 0;
    return int(m_lines.value(std::size_t(block)));
}

int DocumentLayout::firstLineOfBlock(int block) const
{
    ensureCountedUpTo(block - 1);
    return int(m_lines.prefix(std::size_t(std::max(block, 0))));
}

int DocumentLayout::blockOfLine(int line) const
{
    // Each round lays out everything up to the paragraph found, which makes the counts
    // before and of it exact; when the paragraph found stays, the answer is exact.
    int number = int(m_lines.find(std::max(line, 0)));
    if (!wrapping())
        return number;
    for (;;) {
        ensureCountedUpTo(number);
        const int again = int(m_lines.find(std::max(line, 0)));
        if (again <= number)
            return again;
        number = again;
    }
}

int DocumentLayout::totalLines() const
{
    ensureCountedUpTo(blockCount() - 1);
    return int(m_lines.total());
}

std::vector<int> DocumentLayout::lineStarts(const QTextBlock &block) const
{
    std::vector<int> starts;
    if (wrapping() || isLaidOut(block.blockNumber())) {
        ensureLaidOut(block.blockNumber());
        const QTextLayout *tl = block.layout();
        for (int i = 0; i < tl->lineCount(); ++i)
            starts.push_back(tl->lineAt(i).textStart());
        if (!starts.empty())
            return starts;
    }
    starts.push_back(0);
    const QString text = block.text();
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i] == QChar::LineSeparator)
            starts.push_back(int(i + 1));
    return starts;
}

// ----- drawing -----

void DocumentLayout::draw(QPainter *painter, const PaintContext &context)
{
    if (blockCount() == 0)
        return;
    const QRectF clip = context.clip.isValid() ? context.clip : QRectF(-kFar, -kFar, 2 * kFar, 2 * kFar);
    int number = blockAt(std::max<qreal>(clip.top(), 0));
    QTextBlock block = document()->findBlockByNumber(number);
    qreal top = blockTop(number);
    for (; block.isValid(); block = block.next(), ++number) {
        if (top > clip.bottom())
            break;
        if (!isLaidOut(number))
            layoutBlock(block, number);
        if (block.isVisible())
            drawBlock(painter, context, block, QPointF(m_params.margin, top));
        top += blockHeight(number);
    }
    notifySize();
}

void DocumentLayout::drawBlock(QPainter *painter, const PaintContext &context, const QTextBlock &block,
                               QPointF offset) const
{
    QTextLayout *tl = block.layout();
    const int position = block.position();
    const int length = block.length();
    const QTextBlockFormat format = block.blockFormat();
    if (format.hasProperty(QTextFormat::BackgroundBrush))
        painter->fillRect(QRectF(offset, QSizeF(contentWidth(), blockHeight(block.blockNumber()))), format.background());

    QList<QTextLayout::FormatRange> selections;
    for (const Selection &range : context.selections) {
        const int start = range.cursor.selectionStart() - position;
        const int end = range.cursor.selectionEnd() - position;
        if (start < length && end > 0 && end > start) {
            QTextLayout::FormatRange o;
            o.start = start;
            o.length = end - start;
            o.format = range.format;
            selections.append(o);
        } else if (!range.cursor.hasSelection() && range.format.hasProperty(QTextFormat::FullWidthSelection) &&
                   block.contains(range.cursor.position())) {
            const QTextLine l = tl->lineForTextPosition(range.cursor.position() - position);
            QTextLayout::FormatRange o;
            o.start = l.textStart();
            o.length = l.textLength();
            if (o.start + o.length == length - 1)
                ++o.length; // the paragraph end too
            o.format = range.format;
            selections.append(o);
        }
    }

    if (block.textList() && tl->lineCount() > 0) {
        // The bullet, as Qt's own layout draws it: a disc a space's width before the first
        // line's text, a third of a line high.
        const QTextCharFormat chars = QTextCursor(block).charFormat();
        const QFontMetrics metrics(chars.font());
        const int style = format.hasProperty(QTextFormat::ListStyle) ? format.intProperty(QTextFormat::ListStyle)
                                                                     : block.textList()->format().style();
        if (style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle ||
            style == QTextListFormat::ListSquare) {
            QPointF pos = offset.toPoint();
            pos += tl->lineAt(0).naturalTextRect().topLeft().toPoint();
            const qreal size = metrics.lineSpacing() / 3;
            QRectF r(pos, QSizeF(size, size));
            r.translate(-metrics.horizontalAdvance(QLatin1Char(' ')) - size, metrics.height() / 2 - size / 2);
            painter->save();
            painter->setRenderHint(QPainter::Antialiasing);
            const QBrush brush = context.palette.brush(QPalette::Text);
            if (style == QTextListFormat::ListSquare) {
                painter->fillRect(r, brush);
            } else if (style == QTextListFormat::ListCircle) {
                painter->setPen(QPen(brush, 0));
                painter->drawEllipse(r.translated(0.5, 0.5));
            } else {
                painter->setBrush(brush);
                painter->setPen(Qt::NoPen);
                painter->drawEllipse(r);
            }
            painter->restore();
        } else {
            // A number or letter, in the paragraph's first character format, ending where
            // the bullet would.
            const QString label = listLabel(block);
            const QTextLine first = tl->lineAt(0);
            const QPointF pos = offset + first.naturalTextRect().topLeft();
            painter->save();
            painter->setFont(chars.font());
            painter->setPen(context.palette.color(QPalette::Text));
            painter->drawText(QPointF(pos.x() - metrics.horizontalAdvance(QLatin1Char(' ')) -
                                          metrics.horizontalAdvance(label),
                                      pos.y() + first.ascent()),
                              label);
            painter->restore();
        }
    }

    painter->setPen(context.palette.color(QPalette::Text));
    tl->draw(painter, offset, selections, context.clip.isValid() ? context.clip : QRectF());

    int cursor = context.cursorPosition;
    const bool inBlock = cursor >= position && cursor < position + length;
    const bool inPreedit = cursor < -1 && !tl->preeditAreaText().isEmpty();
    if (inBlock || inPreedit) {
        cursor = inPreedit ? tl->preeditAreaPosition() - (cursor + 2) : cursor - position;
        tl->drawCursor(painter, offset, cursor, m_cursorWidth);
    }
}

} // namespace velmo::editor

#include "documentlayout.moc"
