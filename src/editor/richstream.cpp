#include "editor/richstream.h"

#include "editor/lineends.h"

#include "platform/cp932codec.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <cmath>

namespace velmo::editor {

namespace {

constexpr char16_t kLineBreak = 0x2028;

QString toQString(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar *>(text.data()), qsizetype(text.size()));
}

std::u16string_view toView(const QString &text)
{
    return {reinterpret_cast<const char16_t *>(text.utf16()), std::size_t(text.size())};
}

QColor colour(std::uint32_t c)
{
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

std::uint32_t colourValue(const QColor &c)
{
    const QColor rgb = c.toRgb();
    return rtf::rgb(rgb.red(), rgb.green(), rgb.blue());
}

QTextCharFormat toCharFormat(const rtf::CharFormat &f)
{
    QTextCharFormat q;
    if (!f.face.empty())
        q.setFontFamilies(QStringList{toQString(f.face)});
    q.setProperty(kCharsetProperty, f.charset);
    q.setProperty(kPitchFamilyProperty, f.pitchAndFamily);
    q.setFontPointSize(f.sizeHalfPoints / 2.0);
    if (f.colour)
        q.setForeground(colour(*f.colour));
    if (f.highlight)
        q.setBackground(colour(*f.highlight));
    q.setFontWeight(f.bold ? QFont::Bold : QFont::Normal);
    q.setFontItalic(f.italic);
    q.setFontUnderline(f.underline);
    q.setFontStrikeOut(f.strikeOut);
    return q;
}

rtf::CharFormat fromCharFormat(const QTextCharFormat &q, const rtf::CharFormat &base)
{
    rtf::CharFormat f = base;
    if (q.hasProperty(QTextFormat::FontFamilies)) {
        const QStringList families = q.fontFamilies().toStringList();
        f.face = families.isEmpty() ? std::u16string() : families.first().toStdU16String();
    }
    if (q.hasProperty(kCharsetProperty))
        f.charset = q.intProperty(kCharsetProperty);
    if (q.hasProperty(kPitchFamilyProperty))
        f.pitchAndFamily = q.intProperty(kPitchFamilyProperty);
    if (q.hasProperty(QTextFormat::FontPointSize))
        f.sizeHalfPoints = int(std::lround(q.fontPointSize() * 2));
    f.colour = base.colour;
    if (q.hasProperty(QTextFormat::ForegroundBrush) && q.foreground().style() != Qt::NoBrush)
        f.colour = colourValue(q.foreground().color());
    f.highlight = base.highlight;
    if (q.hasProperty(QTextFormat::BackgroundBrush) && q.background().style() != Qt::NoBrush)
        f.highlight = colourValue(q.background().color());
    if (q.hasProperty(QTextFormat::FontWeight))
        f.bold = q.fontWeight() >= QFont::DemiBold;
    if (q.hasProperty(QTextFormat::FontItalic))
        f.italic = q.fontItalic();
    if (q.hasProperty(QTextFormat::TextUnderlineStyle) || q.hasProperty(QTextFormat::FontUnderline))
        f.underline = q.fontUnderline();
    if (q.hasProperty(QTextFormat::FontStrikeOut))
        f.strikeOut = q.fontStrikeOut();
    return f;
}

QTextBlockFormat toBlockFormat(const rtf::Paragraph &p)
{
    QTextBlockFormat b;
    b.setAlignment(p.align == rtf::Alignment::Right    ? Qt::AlignRight
                   : p.align == rtf::Alignment::Centre ? Qt::AlignHCenter
                                                       : Qt::AlignLeft);
    b.setProperty(kFirstIndentTwipsProperty, p.firstIndentTwips);
    b.setProperty(kLeftIndentTwipsProperty, p.leftIndentTwips);
    b.setProperty(kRightIndentTwipsProperty, p.rightIndentTwips);
    b.setLeftMargin(p.leftIndentTwips * kPixelsPerTwip);
    b.setTextIndent(p.firstIndentTwips * kPixelsPerTwip);
    b.setRightMargin(p.rightIndentTwips * kPixelsPerTwip);
    return b;
}

int twips(const QTextBlockFormat &b, int property, double pixels)
{
    if (b.hasProperty(property))
        return b.intProperty(property);
    return int(std::lround(pixels / kPixelsPerTwip));
}

// Text as the model holds it: U+2028 is the model's '\v'.
QString modelTextToQt(std::u16string_view text)
{
    QString s = toQString(text);
    s.replace(QChar(u'\v'), QChar(kLineBreak));
    return s;
}

} // namespace

std::u16string blockText(const QTextBlock &block)
{
    QString s = block.text();
    s.replace(QChar(kLineBreak), QChar(u'\v'));
    return s.toStdU16String();
}

void loadModelInto(const rtf::Document &model, QTextDocument &document)
{
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    QTextList *list = nullptr;
    bool first = true;
    for (const rtf::Paragraph &p : model.paragraphs) {
        const QTextBlockFormat blockFormat = toBlockFormat(p);
        const QTextCharFormat blockChars = toCharFormat(p.runs.empty() ? model.defaultFormat : p.runs.front().format);
        if (first) {
            cursor.setBlockFormat(blockFormat);
            cursor.setBlockCharFormat(blockChars);
            first = false;
        } else {
            cursor.insertBlock(blockFormat, blockChars);
        }
        if (p.bullet) {
            if (list) {
                list->add(cursor.block());
            } else {
                QTextListFormat lf;
                lf.setStyle(QTextListFormat::ListDisc);
                list = cursor.createList(lf);
            }
        } else {
            list = nullptr;
        }
        for (const rtf::Run &run : p.runs)
            cursor.insertText(modelTextToQt(run.text), toCharFormat(run.format));
    }
    cursor.endEditBlock();
    document.setUndoRedoEnabled(undo);
    document.clearUndoRedoStacks();
}

rtf::Document documentToModel(const QTextDocument &document, const rtf::CharFormat &defaultFormat)
{
    rtf::Document model;
    model.defaultFormat = defaultFormat;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        rtf::Paragraph p;
        const QTextBlockFormat b = block.blockFormat();
        const Qt::Alignment a = b.alignment() & Qt::AlignHorizontal_Mask;
        p.align = (a & Qt::AlignRight) ? rtf::Alignment::Right
                  : (a & Qt::AlignHCenter) ? rtf::Alignment::Centre
                                           : rtf::Alignment::Left;
        p.firstIndentTwips = twips(b, kFirstIndentTwipsProperty, b.textIndent());
        p.leftIndentTwips = twips(b, kLeftIndentTwipsProperty, b.leftMargin());
        p.rightIndentTwips = twips(b, kRightIndentTwipsProperty, b.rightMargin());
        p.bullet = block.textList() != nullptr;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            QString text = fragment.text();
            text.replace(QChar(kLineBreak), QChar(u'\v'));
            rtf::appendText(p, toView(text), fromCharFormat(fragment.charFormat(), defaultFormat));
        }
        model.paragraphs.push_back(std::move(p));
    }
    return model;
}

void loadTextInto(std::string_view bytes, QTextDocument &document)
{
    const std::u16string decoded = cp932::decode(bytes);
    QString text;
    text.reserve(qsizetype(decoded.size()));
    for (const char16_t c : decoded) {
        // Qt would drop a NUL: keep the byte itself.
        text.append(c == 0 ? QChar(char16_t(cp932::kRawByteBase)) : QChar(c));
    }
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    setPlainTextWithLineEnds(document, splitLines(text));
    document.setUndoRedoEnabled(undo);
    document.clearUndoRedoStacks();
}

std::string documentToText(const QTextDocument &document)
{
    // A line break inside a paragraph has no byte of its own in a text file: it is written
    // as a line end in the document's form.
    const std::u16string lineBreak = lineEndString(documentLineEnd(document)).toStdU16String();
    std::string out;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin())
            out += lineEndText(lineEndBefore(block));
        std::u16string text = block.text().toStdU16String();
        for (std::size_t at = text.find(kLineBreak); at != std::u16string::npos; at = text.find(kLineBreak, at)) {
            text.replace(at, 1, lineBreak);
            at += lineBreak.size();
        }
        out += cp932::encode(text).bytes;
    }
    return out;
}

std::string encodeCounted(std::u16string_view text)
{
    cp932::EncodeResult r = cp932::encode(text);
    if (r.unrepresentable.empty())
        return std::move(r.bytes);
    // Encode again piecewise, giving each character the code page cannot hold its two bytes.
    std::string out;
    std::size_t from = 0;
    for (std::size_t index : r.unrepresentable) {
        out += cp932::encode(text.substr(from, index - from)).bytes;
        std::size_t width = 1;
        if (index + 1 < text.size() && QChar::isHighSurrogate(text[index]) && QChar::isLowSurrogate(text[index + 1]))
            width = 2;
        out += "??";
        from = index + width;
    }
    out += cp932::encode(text.substr(from)).bytes;
    return out;
}

} // namespace velmo::editor
