#include "editor/richstream.h"

#include "editor/lineends.h"
#include "editor/textchars.h"

#include "platform/cp932codec.h"
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFontMetrics>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <future>
#include <new>
#include <system_error>

namespace velmo::editor {

namespace {

// Set on a document once the user agreed to save it without what its file held beyond it.
constexpr char kDroppedAcceptedProperty[] = "velmoDroppedContentAccepted";

QString toQString(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar *>(text.data()), qsizetype(text.size()));
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
    if (f.hidden)
        q.setProperty(kHiddenProperty, true);
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
    f.hidden = q.boolProperty(kHiddenProperty);
    return f;
}

QTextBlockFormat toBlockFormat(const rtf::Paragraph &p, const QFont &bulletFont)
{
    QTextBlockFormat b = indentFormat(p.firstIndentTwips, p.leftIndentTwips, p.rightIndentTwips,
                                      p.bullet, bulletFont);
    b.setAlignment(p.align == rtf::Alignment::Right    ? Qt::AlignRight
                   : p.align == rtf::Alignment::Centre ? Qt::AlignHCenter
                                                       : Qt::AlignLeft);
    if (p.frame)
        b.setProperty(kFrameProperty, p.frame);
    return b;
}

// ----- pictures -----

QTextImageFormat toImageFormat(const rtf::Picture &picture, const QTextCharFormat &chars,
                               QTextDocument &document)
{
    const QByteArray data(picture.data.data(), qsizetype(picture.data.size()));
    // One resource per distinct picture, named by its content.
    const QUrl name(QStringLiteral("velmo-picture:")
                    + QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha1).toHex()));
    const QVariant known = document.resource(QTextDocument::ImageResource, name);
    QImage image = known.value<QImage>();
    if (!known.isValid() && image.loadFromData(data, picture.kind == rtf::Picture::Kind::Jpeg ? "JPEG" : "PNG"))
        document.addResource(QTextDocument::ImageResource, name, image);

    QTextImageFormat f;
    f.merge(chars);
    f.setName(name.toString());
    double width = picture.shownWidthTwips() * kPixelsPerTwip;
    double height = picture.shownHeightTwips() * kPixelsPerTwip;
    // A picture that names no size of its own is shown at the image's.
    if (width <= 0 && !image.isNull())
        width = image.width() * (picture.scaleX / 100.0);
    if (height <= 0 && !image.isNull())
        height = image.height() * (picture.scaleY / 100.0);
    // A damaged size word is no reason to lay out a picture miles wide.
    constexpr double kMaxPixels = 32767;
    if (width > 0)
        f.setWidth(std::min(width, kMaxPixels));
    if (height > 0)
        f.setHeight(std::min(height, kMaxPixels));
    f.setProperty(kPictureDataProperty, data);
    f.setProperty(kPictureKindProperty, int(picture.kind));
    f.setProperty(kPictureWidthProperty, picture.width);
    f.setProperty(kPictureHeightProperty, picture.height);
    f.setProperty(kPictureGoalWidthProperty, picture.goalWidthTwips);
    f.setProperty(kPictureGoalHeightProperty, picture.goalHeightTwips);
    f.setProperty(kPictureScaleXProperty, picture.scaleX);
    f.setProperty(kPictureScaleYProperty, picture.scaleY);
    return f;
}

// The picture an image in the document shows: one read from a file keeps its bytes and
// words; any other (pasted from elsewhere) is stored as PNG at the size it is shown.
std::optional<rtf::Picture> pictureOf(const QTextImageFormat &f, const QTextDocument &document)
{
    rtf::Picture p;
    if (f.hasProperty(kPictureDataProperty)) {
        const QByteArray data = f.property(kPictureDataProperty).toByteArray();
        p.data.assign(data.constData(), std::size_t(data.size()));
        p.kind = rtf::Picture::Kind(f.intProperty(kPictureKindProperty));
        p.width = f.intProperty(kPictureWidthProperty);
        p.height = f.intProperty(kPictureHeightProperty);
        p.goalWidthTwips = f.intProperty(kPictureGoalWidthProperty);
        p.goalHeightTwips = f.intProperty(kPictureGoalHeightProperty);
        p.scaleX = f.intProperty(kPictureScaleXProperty);
        p.scaleY = f.intProperty(kPictureScaleYProperty);
        return p;
    }
    const QVariant resource = document.resource(QTextDocument::ImageResource, QUrl(f.name()));
    QImage image;
    if (resource.canConvert<QImage>())
        image = resource.value<QImage>();
    else if (resource.canConvert<QPixmap>())
        image = resource.value<QPixmap>().toImage();
    else if (resource.typeId() == QMetaType::QByteArray)
        image.loadFromData(resource.toByteArray());
    if (image.isNull())
        return std::nullopt;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return std::nullopt;
    p.data.assign(png.constData(), std::size_t(png.size()));
    p.width = image.width();
    p.height = image.height();
    p.goalWidthTwips = int(std::lround((f.width() > 0 ? f.width() : image.width()) / kPixelsPerTwip));
    p.goalHeightTwips = int(std::lround((f.height() > 0 ? f.height() : image.height()) / kPixelsPerTwip));
    return p;
}

// ----- notes -----

// The mark of a note, carrying the note's paragraphs.
QTextCharFormat noteFormat(const rtf::Note &note, std::u16string_view mark, QTextCharFormat chars)
{
    static int lastId = 0;
    QByteArray rtf;
    if (!note.paragraphs.empty()) {
        rtf::Document d;
        d.paragraphs = note.paragraphs;
        const std::string written = rtf::write(d);
        rtf = QByteArray(written.data(), qsizetype(written.size()));
    }
    chars.setProperty(kNoteProperty, rtf);
    chars.setProperty(kNoteKindProperty, int(note.kind));
    chars.setProperty(kNoteMarkProperty, toQString(mark));
    chars.setProperty(kNoteIdProperty, ++lastId);
    chars.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    return chars;
}

rtf::Note noteOf(const QTextCharFormat &chars)
{
    rtf::Note note;
    note.kind = rtf::Note::Kind(chars.intProperty(kNoteKindProperty));
    const QByteArray rtf = chars.property(kNoteProperty).toByteArray();
    if (!rtf.isEmpty())
        note.paragraphs = rtf::read(std::string_view(rtf.constData(), std::size_t(rtf.size()))).document.paragraphs;
    return note;
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

QTextBlockFormat indentFormat(int firstTwips, int leftTwips, int rightTwips, bool bullet,
                              const QFont &bulletFont)
{
    QTextBlockFormat b;
    b.setProperty(kFirstIndentTwipsProperty, firstTwips);
    b.setProperty(kLeftIndentTwipsProperty, leftTwips);
    b.setProperty(kRightIndentTwipsProperty, rightTwips);
    const double left = leftTwips * kPixelsPerTwip;
    double first = (leftTwips + firstTwips) * kPixelsPerTwip;
    if (bullet) {
        // The bullet is drawn a space's width before the first line's text and is a third
        // of a line high and wide: the text goes where the bullet then starts at the
        // first-line indent, or at the left indent if that is further right.
        const QFontMetrics metrics(bulletFont);
        const double gap = metrics.horizontalAdvance(QLatin1Char(' ')) + metrics.lineSpacing() / 3;
        first = std::max(left, std::round(first) + gap);
    }
    b.setLeftMargin(left);
    b.setTextIndent(first - left);
    b.setRightMargin(rightTwips * kPixelsPerTwip);
    return b;
}

QTextListFormat bulletListFormat()
{
    QTextListFormat f;
    f.setStyle(QTextListFormat::ListDisc);
    f.setIndent(0);
    return f;
}

QTextListFormat listFormat(const rtf::Numbering &numbering)
{
    using Style = rtf::Numbering::Style;
    QTextListFormat f = bulletListFormat();
    if (numbering.list != 0) {
        f.setProperty(kListIdProperty, numbering.list);
        f.setProperty(kListLevelProperty, numbering.level);
    }
    if (!numbering.format.empty())
        f.setProperty(kListLabelFormatProperty, QString::fromStdU16String(numbering.format));
    switch (numbering.style) {
    case Style::Bullet:
        // Hollow and square bullets are drawn as such; any other as the round one.
        if (numbering.format == u"\u25E6" || numbering.format == u"\u25CB")
            f.setStyle(QTextListFormat::ListCircle);
        else if (numbering.format == u"\u25AA" || numbering.format == u"\u25A0")
            f.setStyle(QTextListFormat::ListSquare);
        return f;
    case Style::Decimal: f.setStyle(QTextListFormat::ListDecimal); break;
    case Style::LowerLetter: f.setStyle(QTextListFormat::ListLowerAlpha); break;
    case Style::UpperLetter: f.setStyle(QTextListFormat::ListUpperAlpha); break;
    case Style::LowerRoman: f.setStyle(QTextListFormat::ListLowerRoman); break;
    case Style::UpperRoman: f.setStyle(QTextListFormat::ListUpperRoman); break;
    case Style::DecimalZero:
        f.setStyle(QTextListFormat::ListDecimal);
        f.setProperty(kListLeadingZeroProperty, true);
        break;
    }
    f.setProperty(kListStartProperty, numbering.start);
    return f;
}

rtf::Numbering numberingOf(const QTextListFormat &format)
{
    using Style = rtf::Numbering::Style;
    rtf::Numbering n;
    n.list = format.intProperty(kListIdProperty);
    n.level = std::clamp(format.intProperty(kListLevelProperty), 0, rtf::kListLevels - 1);
    n.format = format.stringProperty(kListLabelFormatProperty).toStdU16String();
    switch (format.style()) {
    case QTextListFormat::ListDecimal:
        n.style = format.boolProperty(kListLeadingZeroProperty) ? Style::DecimalZero : Style::Decimal;
        break;
    case QTextListFormat::ListLowerAlpha: n.style = Style::LowerLetter; break;
    case QTextListFormat::ListUpperAlpha: n.style = Style::UpperLetter; break;
    case QTextListFormat::ListLowerRoman: n.style = Style::LowerRoman; break;
    case QTextListFormat::ListUpperRoman: n.style = Style::UpperRoman; break;
    default: return n; // the bullets
    }
    n.start = format.hasProperty(kListStartProperty) ? format.intProperty(kListStartProperty) : 1;
    return n;
}

unsigned droppedContent(const QTextDocument &document)
{
    if (document.property(kDroppedAcceptedProperty).toBool())
        return rtf::kDroppedNothing;
    return unsigned(document.rootFrame()->frameFormat().intProperty(kDroppedContentProperty));
}

void forgetDroppedContent(QTextDocument &document)
{
    document.setProperty(kDroppedAcceptedProperty, true);
}

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
    document.setProperty(kDroppedAcceptedProperty, QVariant());
    // Kept with the content: a document emptied or refilled has none.
    QTextFrameFormat root = document.rootFrame()->frameFormat();
    root.setProperty(kDroppedContentProperty, int(model.dropped));
    document.rootFrame()->setFrameFormat(root);
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    QTextList *list = nullptr;
    const rtf::Paragraph *listed = nullptr; // the paragraph before, when it is in list
    // The lists of the model's lists with ids, by list and level: an item ends the lists of
    // the deeper levels of its list, so that those count from their start again.
    std::map<std::pair<int, int>, QTextList *> levels;
    bool first = true;
    for (const rtf::Paragraph &p : model.paragraphs) {
        const QTextCharFormat blockChars = toCharFormat(p.runs.empty() ? model.defaultFormat : p.runs.front().format);
        const QTextBlockFormat blockFormat = toBlockFormat(p, blockChars.font());
        if (first) {
            cursor.setBlockFormat(blockFormat);
            cursor.setBlockCharFormat(blockChars);
            first = false;
        } else {
            cursor.insertBlock(blockFormat, blockChars);
        }
        if (p.bullet && p.numbering.list != 0) {
            const std::pair<int, int> key(p.numbering.list, p.numbering.level);
            levels.erase(levels.upper_bound(key), levels.lower_bound({p.numbering.list + 1, INT_MIN}));
            QTextList *&same = levels[key];
            if (same)
                same->add(cursor.block());
            else
                same = cursor.createList(listFormat(p.numbering));
            list = nullptr;
            listed = nullptr;
        } else if (p.bullet) {
            // Items of one numbering in a row are one list and count on.
            if (list && listed && rtf::continuesList(*listed, p))
                list->add(cursor.block());
            else
                list = cursor.createList(listFormat(p.numbering));
            listed = &p;
        } else {
            list = nullptr;
            listed = nullptr;
        }
        for (const rtf::Run &run : p.runs) {
            if (run.picture)
                cursor.insertImage(toImageFormat(*run.picture, toCharFormat(run.format), document));
            else if (run.note)
                cursor.insertText(modelTextToQt(run.text), noteFormat(*run.note, run.text, toCharFormat(run.format)));
            else
                cursor.insertText(modelTextToQt(run.text), toCharFormat(run.format));
        }
    }
    cursor.endEditBlock();
    document.setUndoRedoEnabled(undo);
    document.clearUndoRedoStacks();
}

rtf::Document documentToModel(const QTextDocument &document, const rtf::CharFormat &defaultFormat)
{
    rtf::Document model;
    model.defaultFormat = defaultFormat;
    std::map<int, int> listNumbers;
    std::map<const QTextList *, int> madeHere;
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
        p.frame = b.intProperty(kFrameProperty);
        p.bullet = block.textList() != nullptr;
        if (p.bullet) {
            p.numbering = numberingOf(block.textList()->format());
            // Lists are numbered 1, 2, 3... in the order they begin: the parts of a list read
            // from a file by its id, a list made here by itself.
            const int key = p.numbering.list;
            p.numbering.list = key != 0 ? listNumbers.try_emplace(key, int(listNumbers.size() + madeHere.size()) + 1).first->second
                                        : madeHere.try_emplace(block.textList(), int(listNumbers.size() + madeHere.size()) + 1).first->second;
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QTextCharFormat chars = fragment.charFormat();
            if (chars.isImageFormat()) {
                // Equal pictures next to each other share one fragment.
                const std::optional<rtf::Picture> picture = pictureOf(chars.toImageFormat(), document);
                if (picture)
                    for (qsizetype i = 0; i < fragment.length(); ++i)
                        rtf::appendPicture(p, *picture, fromCharFormat(chars, defaultFormat));
                continue;
            }
            QString text = fragment.text();
            text.replace(QChar(kLineBreak), QChar(u'\v'));
            if (chars.hasProperty(kNoteProperty)) {
                // The note stays where its mark begins; whatever else the fragment holds
                // (typed next to the mark, or what is left of an edited mark) is text.
                const QString mark = chars.stringProperty(kNoteMarkProperty);
                const qsizetype markLength = text.startsWith(mark) ? mark.size() : 0;
                rtf::appendNote(p, mark.toStdU16String(), noteOf(chars), fromCharFormat(chars, defaultFormat));
                rtf::appendText(p, textView(text).substr(std::size_t(markLength)), fromCharFormat(chars, defaultFormat));
                continue;
            }
            rtf::appendText(p, textView(text), fromCharFormat(chars, defaultFormat));
        }
        model.paragraphs.push_back(std::move(p));
    }
    // Paragraphs typed or pasted next to a frame carry its number or another's: a frame is
    // what stands together, as the reader counts them.
    rtf::numberFrames(model);
    return model;
}

ParagraphMeasures loadTextInto(std::string_view bytes, QTextDocument &document)
{
    SplitText split;
    {
        std::u16string decoded = cp932::decode(bytes);
        // Qt would drop a NUL: keep the byte itself.
        std::replace(decoded.begin(), decoded.end(), u'\0', char16_t(cp932::kRawByteBase));
        split = splitLines(decoded);
    }
    // A large text's paragraphs are measured on a second thread while Qt builds the
    // document from the same text on this one; the text does not change meanwhile.
    constexpr qsizetype kMeasureAsideFrom = 256 * 1024;
    std::future<ParagraphMeasures> measuring;
    if (split.text.size() >= kMeasureAsideFrom) {
        try {
            measuring = std::async(std::launch::async, [&split]() -> ParagraphMeasures {
                try {
                    const QString &text = split.text;
                    return measureParagraphs(textView(text), split.ends);
                } catch (const std::bad_alloc &) {
                    return {}; // the index and the layout read the document instead
                }
            });
        } catch (const std::system_error &) {
            // No thread to be had: the index and the layout read the document instead.
        }
    }
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    setPlainTextWithLineEnds(document, split);
    document.setUndoRedoEnabled(undo);
    document.clearUndoRedoStacks();
    return measuring.valid() ? measuring.get() : ParagraphMeasures{};
}

TextOutput encodeDocumentText(const QTextDocument &document)
{
    // A line break inside a paragraph has no byte of its own in a text file: it is written
    // as a line end in the document's form.
    const std::u16string lineBreak = lineEndString(documentLineEnd(document)).toStdU16String();
    TextOutput out;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin())
            out.bytes += lineEndText(lineEndBefore(block));
        std::u16string text = block.text().toStdU16String();
        for (std::size_t at = text.find(kLineBreak); at != std::u16string::npos; at = text.find(kLineBreak, at)) {
            text.replace(at, 1, lineBreak);
            at += lineBreak.size();
        }
        cp932::EncodeResult encoded = cp932::encode(text);
        out.bytes += encoded.bytes;
        if (encoded.unrepresentable.empty())
            continue;
        if (out.lost == 0) {
            const std::size_t at = encoded.unrepresentable.front();
            const bool pair = QChar::isHighSurrogate(text[at]) && at + 1 < text.size()
                              && QChar::isLowSurrogate(text[at + 1]);
            out.firstLostLine = block.blockNumber() + 1;
            out.firstLost = QString::fromStdU16String(text.substr(at, pair ? 2 : 1));
        }
        out.lost += qsizetype(encoded.unrepresentable.size());
    }
    return out;
}

std::string documentToText(const QTextDocument &document)
{
    return encodeDocumentText(document).bytes;
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
