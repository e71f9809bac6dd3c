#include "print/printjob.h"

#include "editor/richstream.h"
#include "platform/printers.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>

#include <algorithm>
#include <cmath>
#include <memory>

namespace velmo {

namespace {

// A paragraph indent as stored (twips); paragraphs made on screen only have pixels.
int twipsOf(const QTextBlockFormat &format, int property, double pixels)
{
    if (format.hasProperty(property))
        return format.intProperty(property);
    return int(std::lround(pixels / editor::kPixelsPerTwip));
}

// Sizes set in screen pixels are taken at the screen's 96 pixels per inch.
QFont printFont(QFont font)
{
    if (font.pixelSize() > 0)
        font.setPointSizeF(font.pixelSize() * 72.0 / 96.0);
    return font;
}

// One paragraph laid out for the printer.
struct Paragraph {
    std::unique_ptr<QTextLayout> layout;
    qreal left = 0;        // where its lines start, from the rectangle's left edge
    qreal width = 0;       // the width its lines are broken into
    qreal firstIndent = 0; // the first line's start, relative to left
    Qt::Alignment align = Qt::AlignLeft;
    int lines = 0;
    bool bullet = false;
    qreal bulletX = 0;     // the bullet's left edge, from the rectangle's left edge
};

Paragraph layOut(const QTextBlock &block, const QFont &baseFont, QPaintDevice *device,
                 const editor::BreakRules &rules, qreal rectWidth)
{
    Paragraph p;
    const QTextBlockFormat format = block.blockFormat();
    const double dotsPerTwipX = device->logicalDpiX() / 1440.0;
    const double left = twipsOf(format, editor::kLeftIndentTwipsProperty, format.leftMargin());
    const double right = twipsOf(format, editor::kRightIndentTwipsProperty, format.rightMargin());
    double first = left + twipsOf(format, editor::kFirstIndentTwipsProperty, format.textIndent());
    p.left = left * dotsPerTwipX;
    p.width = std::max<qreal>(rectWidth - p.left - right * dotsPerTwipX, 1);
    first *= dotsPerTwipX;

    // A layout of the block itself: fonts, formats and pictures come from the document,
    // sized for the printer, the document being laid out for it.
    p.layout = std::make_unique<QTextLayout>(block);
    // Paper shows the text alone: no highlight behind it.
    QTextCharFormat plain;
    plain.setBackground(Qt::NoBrush);
    const QList<QTextLayout::FormatRange> ranges{{0, int(block.length()), plain}};
    p.layout->setFormats(ranges);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTextDirection(Qt::LeftToRight);
    p.layout->setTextOption(option);

    if (block.textList()) {
        // The bullet stands at the first-line indent; the text follows it, at the left
        // indent when the bullet fits in front of that.
        const QFontMetricsF metrics(baseFont, device);
        const qreal gap = metrics.horizontalAdvance(QLatin1Char(' ')) + metrics.lineSpacing() / 3;
        p.bullet = true;
        p.bulletX = first;
        first = std::max<qreal>(p.left, first + gap);
    }
    p.firstIndent = first - p.left;
    p.align = format.alignment() & Qt::AlignHorizontal_Mask;

    editor::BreakGeometry geometry;
    geometry.width = p.width;
    geometry.firstLineIndent = p.firstIndent;
    if (rules.hang)
        geometry.overflow = QFontMetricsF(baseFont, device).horizontalAdvance(QChar(0x3002));
    p.lines = editor::breakLines(*p.layout, geometry, rules, block.text());
    p.lines = std::min(p.lines, p.layout->lineCount());
    return p;
}

void drawLine(QPainter &painter, const Paragraph &p, int index, const QPointF &topLeft,
              const QFont &baseFont)
{
    const QTextLine line = p.layout->lineAt(index);
    const qreal room = p.width - (index == 0 ? p.firstIndent : 0);
    qreal shift = 0;
    if (p.align & Qt::AlignRight)
        shift = std::max<qreal>(room - line.naturalTextWidth(), 0);
    else if (p.align & Qt::AlignHCenter)
        shift = std::max<qreal>((room - line.naturalTextWidth()) / 2, 0);
    line.draw(&painter, QPointF(topLeft.x() + p.left + shift, topLeft.y() - line.y()));
    if (index == 0 && p.bullet) {
        const qreal size = QFontMetricsF(baseFont, painter.device()).lineSpacing() / 3;
        const QRectF dot(topLeft.x() + p.bulletX, topLeft.y() + (line.height() - size) / 2, size, size);
        painter.save();
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawEllipse(dot);
        painter.restore();
    }
}

} // namespace

QRect printableRect(const QRect &margins, const QRect &printable)
{
    if (margins.width() <= 0 || margins.height() <= 0)
        return {};
    const QRect clipped = margins.intersected(printable);
    return clipped.width() > 0 && clipped.height() > 0 ? clipped : QRect();
}

PrintOutcome printDocument(const QTextDocument &source, const editor::BreakRules &rules,
                           PrintJob &job, const QRect &pageRect,
                           const std::function<void(int)> &pageStarted)
{
    PrintOutcome outcome;
    outcome.pages = 1;
    if (pageStarted)
        pageStarted(1);
    if (pageRect.width() <= 0 || pageRect.height() <= 0) {
        outcome.result = PrintOutcome::NothingFits;
        return outcome;
    }
    QPainter &painter = job.painter();
    QPaintDevice *device = painter.device();
    // A copy of the document laid out for the printer (as Qt prints documents): its fonts
    // and pictures take the printer's resolution, the editor's own layout stays untouched.
    const std::unique_ptr<QTextDocument> copy(source.clone());
    copy->setDefaultFont(printFont(source.defaultFont()));
    copy->documentLayout()->setPaintDevice(device);
    const QTextDocument &document = *copy;
    const QFont baseFont(document.defaultFont(), device);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);

    // The text's length without the document's closing paragraph mark: a line that starts
    // at or after it holds no character (the empty paragraph after a trailing line end).
    const int textLength = document.characterCount() - 1;
    const qreal height = pageRect.height();
    qreal y = 0;
    bool pageHasLine = false;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const Paragraph p = layOut(block, baseFont, device, rules, pageRect.width());
        for (int i = 0; i < p.lines; ++i) {
            const QTextLine line = p.layout->lineAt(i);
            const qreal lineHeight = line.height();
            const bool charactersLeft = block.position() + line.textStart() < textLength;
            if (y + lineHeight > height) {
                if (!charactersLeft)
                    return outcome;
                if (!pageHasLine) {
                    // A fresh page cannot take this line: another page would not either.
                    outcome.result = PrintOutcome::NothingFits;
                    return outcome;
                }
                if (!job.newPage()) {
                    outcome.result = PrintOutcome::Refused;
                    return outcome;
                }
                ++outcome.pages;
                if (pageStarted)
                    pageStarted(outcome.pages);
                y = 0;
                pageHasLine = false;
                if (lineHeight > height) {
                    outcome.result = PrintOutcome::NothingFits;
                    return outcome;
                }
            }
            drawLine(painter, p, i, QPointF(pageRect.left(), pageRect.top() + y), baseFont);
            y += lineHeight;
            pageHasLine = true;
        }
    }
    return outcome;
}

} // namespace velmo
