// The editor's own layout: paragraphs are laid out only when shown or asked about, and
// after any sequence of edits, format and width changes the incrementally kept heights,
// line counts, rows and hit-tests equal those of a fresh layout of the same document.
#include "editor/documentlayout.h"
#include "editor/positionindex.h"
#include "editor/prefixsums.h"
#include "editor/punctuation.h"
#include "editor/richstream.h"
#include "editor/richedit.h"
#include "editor/textchars.h"
#include "editor/wordwrapoption.h"
#include "platform/cp932codec.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QKeyEvent>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>
#include <cstring>
#include <functional>
#include <memory>

using namespace velmo;
using editor::DocumentLayout;

namespace {

TEST(PrefixSums, InsertEraseAndFindAgreeWithAPlainList)
{
    // Starts from a list assigned whole, as a document opens, then edits it.
    editor::PrefixSums sums;
    QRandomGenerator random(11);
    std::vector<std::int64_t> plain(300);
    for (auto &v : plain)
        v = random.bounded(4);
    sums.assign(plain);
    for (int step = 0; step < 2000; ++step) {
        const std::size_t at = std::size_t(random.bounded(int(plain.size()) + 1));
        const int op = random.bounded(3);
        if (op == 0) {
            std::vector<std::int64_t> values(std::size_t(random.bounded(4)));
            for (auto &v : values)
                v = random.bounded(4); // zeros included: find skips them
            sums.insert(at, values);
            plain.insert(plain.begin() + std::ptrdiff_t(at), values.begin(), values.end());
        } else if (op == 1 && at < plain.size()) {
            const std::size_t count = std::min<std::size_t>(std::size_t(random.bounded(3)), plain.size() - at);
            sums.erase(at, count);
            plain.erase(plain.begin() + std::ptrdiff_t(at), plain.begin() + std::ptrdiff_t(at + count));
        } else if (at < plain.size()) {
            plain[at] = random.bounded(6);
            sums.set(at, plain[at]);
        }
        ASSERT_EQ(sums.size(), plain.size()) << step;
        std::int64_t prefix = 0;
        for (std::size_t i = 0; i < plain.size(); ++i) {
            ASSERT_EQ(sums.prefix(i), prefix) << step << " at " << i;
            ASSERT_EQ(sums.value(i), plain[i]) << step << " at " << i;
            // Every unit of a count is found in its element.
            for (std::int64_t u = 0; u < plain[i]; ++u)
                ASSERT_EQ(sums.find(prefix + u), i) << step << " offset " << prefix + u;
            prefix += plain[i];
        }
        ASSERT_EQ(sums.total(), prefix);
        if (plain.empty())
            sums.assign(plain = {1});
    }
}

QString paragraphText(QRandomGenerator &random)
{
    static const QString pieces[] = {QString::fromUtf8("日本語の文章は、"), QStringLiteral("word "),
                                     QString::fromUtf8("「かぎ括弧」。"), QStringLiteral("Latin text runs "),
                                     QString::fromUtf8("ッーァ"), QString::fromUtf8("長い段落が折り返されます。")};
    QString text;
    const int n = random.bounded(8);
    for (int i = 0; i < n; ++i)
        text += pieces[random.bounded(int(std::size(pieces)))];
    return text;
}

// A fresh layout of a copy of the document, with the same width and rules.
struct Fresh {
    std::unique_ptr<QTextDocument> document;
    DocumentLayout *layout;
    std::unique_ptr<editor::PositionIndex> index;

    explicit Fresh(const TRichEdit &edit)
    {
        const QTextDocument *live = edit.document();
        document.reset(live->clone());
        document->setDocumentMargin(live->documentMargin());
        document->setDefaultFont(live->defaultFont());
        document->setDefaultTextOption(live->defaultTextOption());
        document->setPageSize(live->pageSize());
        layout = new DocumentLayout(document.get());
        layout->setBreakRules(edit.documentLayout().breakRules());
        layout->setOverflow(edit.documentLayout().overflow());
        document->setDocumentLayout(layout);
        index = std::make_unique<editor::PositionIndex>(document.get());
    }
};

void expectSameAsFresh(TRichEdit &edit, QRandomGenerator &random, int step)
{
    Fresh fresh(edit);
    DocumentLayout &live = edit.documentLayout();
    const editor::PositionIndex &index = edit.positionIndex();
    ASSERT_EQ(live.blockCount(), fresh.layout->blockCount()) << step;
    // Rows first, before everything is laid out: they must be exact on their own.
    const int length = int(index.textLength());
    for (int i = 0; i < 8; ++i) {
        const int pos = int(random.bounded(length + 1));
        ASSERT_EQ(index.lineFromByte(pos), fresh.index->lineFromByte(pos)) << step << " pos " << pos;
    }
    const int lines = fresh.index->lineCount();
    ASSERT_EQ(index.lineCount(), lines) << step;
    for (int line = 0; line < lines; line += 1 + lines / 16) {
        ASSERT_EQ(index.lineStart(line), fresh.index->lineStart(line)) << step << " line " << line;
        ASSERT_EQ(index.lineLength(line), fresh.index->lineLength(line)) << step << " line " << line;
    }
    live.layoutAll();
    fresh.layout->layoutAll();
    for (int b = 0; b < live.blockCount(); ++b) {
        ASSERT_EQ(live.blockHeight(b), fresh.layout->blockHeight(b)) << step << " block " << b;
        ASSERT_EQ(live.blockLineCount(b), fresh.layout->blockLineCount(b)) << step << " block " << b;
    }
    ASSERT_EQ(live.documentSize().height(), fresh.layout->documentSize().height()) << step;
    const qreal height = live.documentSize().height();
    for (int i = 0; i < 8; ++i) {
        const QPointF p(random.bounded(260), random.bounded(std::max(1.0, height)));
        ASSERT_EQ(live.hitTest(p, Qt::FuzzyHit), fresh.layout->hitTest(p, Qt::FuzzyHit)) << step;
    }
}

TEST(DocumentLayout, IncrementalLayoutMatchesAFreshOne)
{
    TRichEdit edit;
    edit.resize(400, 300);
    edit.SetWordWrap(true);
    edit.SetEditRect({0, 0, 200, 300}, 180);
    QRandomGenerator random(5);
    QString start;
    for (int i = 0; i < 40; ++i)
        start += paragraphText(random) + u'\n';
    edit.SetText(start);
    for (int step = 0; step < 300; ++step) {
        QTextCursor c(edit.document());
        const int length = edit.document()->characterCount() - 1;
        c.setPosition(int(random.bounded(length + 1)));
        switch (random.bounded(8)) {
        case 0:
        case 1:
            c.insertText(random.bounded(2) ? QString::fromUtf8("あ") : QStringLiteral("x"));
            break;
        case 2:
            c.insertText(QStringLiteral("\n") + paragraphText(random));
            break;
        case 3:
            c.insertBlock();
            break;
        case 4: {
            c.setPosition(std::min(length, c.position() + int(random.bounded(30))), QTextCursor::KeepAnchor);
            c.removeSelectedText();
            break;
        }
        case 5: {
            c.setPosition(std::min(length, c.position() + int(random.bounded(40))), QTextCursor::KeepAnchor);
            QTextCharFormat f;
            f.setFontPointSize(8 + random.bounded(20));
            c.mergeCharFormat(f);
            break;
        }
        case 6:
            if (random.bounded(4) == 0)
                edit.SetEditRect({0, 0, 240, 300}, 120 + random.bounded(120));
            else if (random.bounded(3) == 0) // the rules: level 1 or 2, with or without hanging
                edit.SetWordWrapMode(WBF_WORDWRAP | WBF_WORDBREAK | (random.bounded(2) ? WBF_OVERFLOW : 0)
                                     | (random.bounded(2) ? editor::kPunctuationLevel1 : editor::kPunctuationLevel2));
            break;
        default: {
            // Queries in between leave a mix of laid and unlaid paragraphs behind.
            edit.SetSelStart(int(random.bounded(edit.GetTextLength() + 1)));
            edit.GetRow();
            edit.CharFromPos(random.bounded(200), random.bounded(300));
            break;
        }
        }
        if (step % 20 == 19)
            ASSERT_NO_FATAL_FAILURE(expectSameAsFresh(edit, random, step));
    }
}

// A change of the rules reaches the paragraphs already laid out or counted, also when
// they are a few among many (the others keep their estimates).
TEST(DocumentLayout, NewRulesReachTheParagraphsAlreadyLaidOut)
{
    const QString sentence = QString::fromUtf8("あいうえおかきくけこさしすせそたちつてとなにぬねの。はひふへほ");
    QString text;
    for (int i = 0; i < 100; ++i)
        text += sentence + u'\n';
    const unsigned hanging = WBF_WORDWRAP | WBF_OVERFLOW | editor::kPunctuationLevel2;
    const unsigned plain = WBF_WORDWRAP | editor::kPunctuationLevel2;
    TRichEdit edit;
    edit.resize(600, 300);
    edit.SetWordWrap(true);
    edit.SetText(text);
    // A width at which the "。" hangs with the allowance and moves down without it.
    auto starts = [&](unsigned mode, int width) {
        edit.SetWordWrapMode(mode);
        edit.SetEditRect({0, 0, width + 40, 300}, width); // 40 pixels of room to hang into
        return edit.documentLayout().lineStarts(edit.document()->findBlockByNumber(3));
    };
    int width = 0;
    for (int w = 60; w < 400 && width == 0; ++w)
        if (starts(hanging, w) != starts(plain, w))
            width = w;
    ASSERT_NE(width, 0);
    for (const auto &[from, to] : {std::pair(hanging, plain), std::pair(plain, hanging)}) {
        starts(from, width); // paragraph 3 laid out and counted under the first rules
        edit.SetWordWrapMode(to);
        DocumentLayout &live = edit.documentLayout();
        Fresh fresh(edit);
        const QTextBlock live3 = edit.document()->findBlockByNumber(3);
        EXPECT_EQ(live.lineStarts(live3), fresh.layout->lineStarts(fresh.document->findBlockByNumber(3)));
        EXPECT_EQ(live.blockLineCount(3), fresh.layout->blockLineCount(3));
        EXPECT_EQ(live.firstLineOfBlock(5), fresh.layout->firstLineOfBlock(5));
    }
}

std::string shiftJis(const QString &text)
{
    return cp932::encode(text.toStdU16String()).bytes;
}

// A text of many paragraphs, each wrapping to several lines.
QString longText(int paragraphs)
{
    QString text;
    const QString line = QString::fromUtf8("吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。");
    for (int i = 0; i < paragraphs; ++i)
        text += line + line + QString::number(i) + u'\n';
    return text;
}

TEST(DocumentLayout, OpeningLaysOutOnlyWhatTheCaretNeeds)
{
    TRichEdit edit;
    edit.resize(400, 300);
    edit.SetPlainText(true);
    edit.SetWordWrap(true);
    edit.LoadFromStream(shiftJis(longText(5000)));
    edit.SetEditRect({0, 0, 200, 300});
    // The status bar's questions at the start of the text need the first paragraph only.
    EXPECT_EQ(edit.GetRow(), 0);
    EXPECT_EQ(edit.GetColumn(), 0);
    EXPECT_LT(edit.documentLayout().laidOutCount(), 10);

    // At the end the row is exact: everything before it is laid out then, once.
    edit.SetSelStart(edit.GetTextLength());
    const int row = edit.GetRow();
    Fresh fresh(edit);
    EXPECT_EQ(row, fresh.index->lineFromByte(edit.GetTextLength()));
    EXPECT_EQ(row + 1, fresh.index->lineCount());
    EXPECT_GT(row, 5000 * 2);
}

TEST(DocumentLayout, FiguresMeasuredWhileOpeningAreThoseOfTheDocument)
{
    // Every kind of unit and paragraph end, in a text large enough to be measured aside.
    const std::string pieces[] = {shiftJis(QString::fromUtf8("日本語の文、")), "Latin words ", std::string("\0nul", 4),
                                  "\xB1\xB2", "\x81", "\xFF", "\t", "\r\n", "\n", "\r", "\r\n\r\n"};
    QRandomGenerator random(5);
    std::string bytes;
    while (bytes.size() < 700 * 1024)
        bytes += pieces[random.bounded(int(std::size(pieces)))];
    QTextDocument document;
    document.setPageSize(QSizeF(180, 1e9));
    const editor::ParagraphMeasures measured = editor::loadTextInto(bytes, document);
    ASSERT_EQ(measured.size(), std::size_t(document.blockCount()));

    const editor::PositionIndex seeded(&document, &measured.bytes), read(&document);
    EXPECT_EQ(seeded.textLength(), std::int64_t(bytes.size()));
    const DocumentLayout seededLayout(&document, &measured), readLayout(&document);
    ASSERT_EQ(seededLayout.estimatedTotalLines(), readLayout.estimatedTotalLines());
    for (int i = 0; i < document.blockCount(); ++i) {
        ASSERT_EQ(seeded.blockStart(i), read.blockStart(i)) << i;
        ASSERT_EQ(seededLayout.blockTop(i), readLayout.blockTop(i)) << i;
    }
}

TEST(DocumentLayout, RowsOverShortLinesAreCountedWithoutShaping)
{
    TRichEdit edit;
    edit.resize(400, 300);
    edit.SetPlainText(true);
    edit.SetWordWrap(true);
    QString text;
    for (int i = 0; i < 3000; ++i)
        text += (i % 7 == 0 ? longText(1) : QString::fromUtf8("短い行です。 %1\n").arg(i));
    edit.LoadFromStream(shiftJis(text));
    edit.SetEditRect({0, 0, 200, 300});
    edit.SetSelStart(edit.GetTextLength());
    const int row = edit.GetRow();
    // Only the long paragraphs (one in seven) had to be laid out to count their lines.
    EXPECT_LT(edit.documentLayout().laidOutCount(), 3000 / 7 + 10);
    Fresh fresh(edit);
    EXPECT_EQ(row, fresh.index->lineFromByte(edit.GetTextLength()));
    EXPECT_EQ(edit.GetLineCount(), fresh.index->lineCount());
}

TEST(DocumentLayout, AKeystrokeLaysOutItsParagraphOnly)
{
    TRichEdit edit;
    edit.resize(400, 300);
    edit.SetWordWrap(true);
    edit.SetText(longText(2000));
    edit.SetEditRect({0, 0, 200, 300});
    edit.documentLayout().layoutAll();
    edit.SetSelStart(edit.LineIndex(edit.GetLineCount() / 2));
    const int paragraph = edit.textCursor().blockNumber();
    for (int i = 0; i < 12; ++i) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString::fromUtf8("あ"));
        QApplication::sendEvent(&edit, &key);
        // Only the paragraph typed into was laid out again: nothing waits.
        ASSERT_EQ(edit.documentLayout().laidOutCount(), edit.documentLayout().blockCount()) << i;
    }
    EXPECT_EQ(edit.textCursor().blockNumber(), paragraph);
    // The rows after it moved with it.
    Fresh fresh(edit);
    EXPECT_EQ(edit.GetLineCount(), fresh.index->lineCount());
    EXPECT_EQ(edit.LineFromChar(edit.GetTextLength()), fresh.index->lineFromByte(edit.GetTextLength()));
}

// An edit repaints from its paragraph down only when what follows it moves: typing that
// keeps the paragraph's height repaints that paragraph alone.
TEST(DocumentLayout, AnEditRepaintsWhatMoves)
{
    TRichEdit edit;
    edit.resize(400, 300);
    edit.SetWordWrap(true);
    edit.SetText(QString::fromUtf8("一行目\n二行目の段落\n三行目\n"));
    edit.SetEditRect({0, 0, 200, 300});
    DocumentLayout &layout = edit.documentLayout();
    layout.layoutAll();
    const auto lastUpdate = [&](auto &&change) {
        QRectF last;
        const QMetaObject::Connection c =
            QObject::connect(&layout, &QAbstractTextDocumentLayout::update, [&](const QRectF &r) { last = r; });
        change();
        QObject::disconnect(c);
        return last;
    };
    const auto type = [&](int at, const QString &text, int code = Qt::Key_A) {
        return [&edit, at, text, code] {
            edit.SetSelStart(at);
            QKeyEvent key(QEvent::KeyPress, code, Qt::NoModifier, text);
            QApplication::sendEvent(&edit, &key);
        };
    };
    const int second = edit.LineIndex(1);

    // A character in the second paragraph: only it is drawn again.
    QRectF r = lastUpdate(type(second + 2, QString::fromUtf8("あ")));
    EXPECT_DOUBLE_EQ(r.top(), layout.blockTop(1));
    EXPECT_DOUBLE_EQ(r.height(), layout.blockHeight(1));

    // Enough characters to wrap it: the paragraphs below move down.
    r = lastUpdate(type(second + 2, QString::fromUtf8("ああああああああああああああああああああ")));
    ASSERT_GT(layout.blockLineCount(1), 1);
    EXPECT_DOUBLE_EQ(r.top(), layout.blockTop(1));
    EXPECT_GE(r.bottom(), layout.documentSize().height());

    // A new paragraph moves everything after it.
    r = lastUpdate(type(second, QStringLiteral("\r"), Qt::Key_Return));
    EXPECT_GE(r.bottom(), layout.documentSize().height());

    // A change of format with the text as it was may renumber the list items below.
    r = lastUpdate([&] {
        QTextCursor c(edit.document()->findBlockByNumber(0));
        QTextBlockFormat f;
        f.setIndent(1);
        c.mergeBlockFormat(f);
    });
    EXPECT_GE(r.bottom(), layout.documentSize().height());
}

// A keystroke within a paragraph repaints the lines it changed: every pixel that differs
// afterwards lies in what the layout asks to repaint, and typing at the paragraph's end
// repaints the last line alone.
TEST(DocumentLayout, AnEditRepaintsTheLinesItChanged)
{
    TRichEdit edit;
    edit.resize(400, 300);
    edit.SetWordWrap(true);
    const QString paragraph = QString::fromUtf8(
        "日本語の文章を折り返して、いくつかの行に分けて表示します。これは二つ目の文です。三つ目の文もここに"
        "あります。最後の行。");
    edit.SetText(QString::fromUtf8("前の段落\n") + paragraph + QString::fromUtf8("\n後の段落"));
    edit.SetEditRect({0, 0, 200, 300});
    DocumentLayout &layout = edit.documentLayout();
    layout.layoutAll();
    const QTextBlock block = edit.document()->findBlockByNumber(1);
    ASSERT_GE(block.layout()->lineCount(), 4);
    const auto lineStart = [&](int line) { return block.position() + block.layout()->lineAt(line).textStart(); };
    const auto caretTo = [&](int position) { // a position in the document's characters
        QTextCursor caret(edit.document());
        caret.setPosition(position);
        edit.setTextCursor(caret);
    };
    const auto render = [&] {
        QImage image(400, int(layout.documentSize().height()) + 1, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = QRectF(image.rect());
        layout.draw(&painter, context);
        return image;
    };
    struct Case {
        const char *what;
        std::function<int()> at; // where the caret goes
        int key;
        const char *text;
    };
    const std::vector<Case> cases = {
        {"a character in the first line", [&] { return lineStart(0) + 2; }, Qt::Key_A, "あ"},
        {"a character at the start of the third line", [&] { return lineStart(2); }, Qt::Key_A, "字"},
        {"a comma at a line's start, that cannot begin it", [&] { return lineStart(2); }, Qt::Key_A, "、"},
        {"Backspace at the start of the second line", [&] { return lineStart(1); }, Qt::Key_Backspace, ""},
        {"Delete in the third line", [&] { return lineStart(2) + 1; }, Qt::Key_Delete, ""},
        {"a character at the paragraph's end", [&] { return block.position() + block.length() - 1; }, Qt::Key_A,
         "末"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        caretTo(c.at());
        const int linesBefore = block.layout()->lineCount();
        const QImage before = render();
        QRectF asked;
        const QMetaObject::Connection connection = QObject::connect(
            &layout, &QAbstractTextDocumentLayout::update, [&](const QRectF &r) { asked |= r; });
        QKeyEvent key(QEvent::KeyPress, c.key, Qt::NoModifier, QString::fromUtf8(c.text));
        QApplication::sendEvent(&edit, &key);
        QObject::disconnect(connection);
        const QImage after = render();
        ASSERT_EQ(block.layout()->lineCount(), linesBefore) << "the case should keep the paragraph's height";
        ASSERT_EQ(before.size(), after.size());
        int first = -1, last = -1;
        for (int y = 0; y < after.height(); ++y)
            if (std::memcmp(before.constScanLine(y), after.constScanLine(y), std::size_t(after.bytesPerLine()))) {
                first = first < 0 ? y : first;
                last = y;
            }
        ASSERT_GE(first, 0);
        EXPECT_LE(asked.top(), first);
        EXPECT_GE(asked.bottom(), last + 1);
        EXPECT_LT(asked.height(), layout.blockHeight(1) + 1);
    }
    // At the paragraph's end only the last line was drawn again.
    const QTextLine lastLine = block.layout()->lineAt(block.layout()->lineCount() - 1);
    caretTo(block.position() + block.length() - 1);
    QRectF asked;
    const QMetaObject::Connection connection =
        QObject::connect(&layout, &QAbstractTextDocumentLayout::update, [&](const QRectF &r) { asked |= r; });
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QString::fromUtf8("字"));
    QApplication::sendEvent(&edit, &key);
    QObject::disconnect(connection);
    EXPECT_DOUBLE_EQ(asked.top(), layout.blockTop(1) + lastLine.y());
    EXPECT_DOUBLE_EQ(asked.height(), lastLine.height());
}

// Text mode draws glyphs straight from the font (nothing code page 932 holds needs shaping);
// rich text keeps shaping, whatever font or document comes later.
TEST(DocumentLayout, TextModeTakesGlyphsStraightFromTheFont)
{
    const auto unshaped = [](const TRichEdit &edit) {
        return (edit.document()->defaultFont().styleStrategy() & QFont::PreferNoShaping) != 0;
    };
    TRichEdit edit;
    edit.SetPlainText(true);
    EXPECT_TRUE(unshaped(edit));
    edit.LoadFromStream("text");
    EXPECT_TRUE(unshaped(edit));
    edit.SetFont(QFont(QStringLiteral("IPAGothic"), 14));
    EXPECT_TRUE(unshaped(edit));
    EXPECT_EQ(edit.document()->defaultFont().pointSize(), 14);
    edit.SetPlainText(false);
    EXPECT_FALSE(unshaped(edit));
    edit.LoadFromStream("{\\rtf1 rich}");
    EXPECT_FALSE(unshaped(edit));
}

} // namespace
