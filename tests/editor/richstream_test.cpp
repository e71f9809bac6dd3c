// Stream in and out: text through the code page, RTF through the rich-text model, and the
// formats that travel with them.
#include "editor/richedit.h"
#include "editor/richstream.h"
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <gtest/gtest.h>
#include <algorithm>
#include <vector>

using namespace velmo;

namespace {

// The first byte of every line of a text file, found by reading its bytes: CR LF, LF and CR
// each end a line (Shift-JIS trail bytes are never CR or LF).
std::vector<int> lineStarts(const std::string &bytes)
{
    std::vector<int> starts{0};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        if (bytes[i] == '\r' || bytes[i] == '\n')
            starts.push_back(int(i + 1));
    }
    return starts;
}

TEST(RichStream, TextFilesKeepEveryByteAndEveryLineEnd)
{
    const struct {
        const char *name;
        std::string bytes;
    } files[] = {
        {"CR LF", "one\r\ntwo\r\nthree\r\n"},
        {"LF", "one\ntwo\nthree\n"},
        {"CR", "one\rtwo\rthree\r"},
        {"mixed", "crlf\r\nlf\ncr\rlf again\n\r\n"},
        {"no final line end", "one\ntwo"},
        {"empty lines", "\n\n\r\n\r\r\n\n"},
        {"nothing", ""},
        // 日本 ｱｲ, an ideographic space, bytes that are no Shift-JIS, a NUL and a tab.
        {"Shift-JIS", std::string("\x93\xfa\x96\x7b\xb1\xb2\n\x81\x40\t\x80\xff|", 13) + std::string("\0", 1) + "|\r\n\x82\xa0"},
    };
    for (const auto &f : files) {
        SCOPED_TRACE(f.name);
        TRichEdit edit;
        edit.SetWordWrap(false);
        edit.SetPlainText(true);
        edit.LoadFromStream(f.bytes);
        EXPECT_EQ(edit.SaveToStream(), f.bytes);
        EXPECT_EQ(edit.TextBytes(), f.bytes);
        EXPECT_EQ(edit.GetTextLength(), int(f.bytes.size()));
        const std::vector<int> starts = lineStarts(f.bytes);
        ASSERT_EQ(edit.GetLineCount(), int(starts.size()));
        for (std::size_t line = 0; line < starts.size(); ++line) {
            EXPECT_EQ(edit.LineIndex(int(line)), starts[line]) << "line " << line;
            edit.SetSelStart(starts[line]);
            EXPECT_EQ(edit.GetRow(), int(line));
            EXPECT_EQ(edit.GetColumn(), 0);
        }
        EXPECT_FALSE(edit.Modified());
        EXPECT_FALSE(edit.GetCanUndo());
    }
}

// Sends a key to the editor as the keyboard would.
void press(QWidget &w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString &text = {})
{
    QKeyEvent e(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(&w, &e);
}

TEST(RichStream, NewLineEndsTakeTheDocumentsForm)
{
    const auto loaded = [](TRichEdit &edit, const std::string &bytes) {
        edit.SetWordWrap(false);
        edit.SetPlainText(true);
        edit.LoadFromStream(bytes);
    };
    {
        SCOPED_TRACE("Enter in an LF file, in its middle and at its end");
        TRichEdit edit;
        loaded(edit, "ab\ncd");
        edit.SetSelStart(1);
        press(edit, Qt::Key_Return, Qt::NoModifier, "\r");
        EXPECT_EQ(edit.SaveToStream(), "a\nb\ncd");
        EXPECT_EQ(edit.SelStart(), 2); // the new line end counts one byte
        EXPECT_EQ(edit.GetRow(), 1);
        edit.SetSelStart(edit.GetTextLength());
        press(edit, Qt::Key_Return, Qt::ShiftModifier, "\r");
        EXPECT_EQ(edit.SaveToStream(), "a\nb\ncd\n");
        EXPECT_EQ(edit.GetTextLength(), 7);
    }
    {
        SCOPED_TRACE("mixed: the first line end decides; the old line end keeps its form");
        TRichEdit edit;
        loaded(edit, "a\r\nbc\nd");
        edit.SetSelStart(4); // between b and c
        press(edit, Qt::Key_Return, Qt::NoModifier, "\r");
        EXPECT_EQ(edit.SaveToStream(), "a\r\nb\r\nc\nd");
        edit.Undo();
        EXPECT_EQ(edit.SaveToStream(), "a\r\nbc\nd");
    }
    {
        SCOPED_TRACE("pasted text over a selection in a CR file");
        TRichEdit edit;
        loaded(edit, "one\rtwo\rthree");
        edit.SetSelStart(1);
        edit.SetSelLength(5); // "ne CR tw"
        QApplication::clipboard()->setText("X\r\nY\nZ");
        edit.PasteFromClipboard();
        EXPECT_EQ(edit.SaveToStream(), "oX\rY\rZo\rthree");
        EXPECT_EQ(edit.LineIndex(3), 8);
        edit.Undo();
        EXPECT_EQ(edit.SaveToStream(), "one\rtwo\rthree");
    }
    {
        SCOPED_TRACE("joining lines and undoing it brings each form back");
        TRichEdit edit;
        loaded(edit, "a\r\nb\nc\rd");
        edit.SetSelStart(5); // start of "c"
        press(edit, Qt::Key_Backspace);
        EXPECT_EQ(edit.SaveToStream(), "a\r\nbc\rd");
        edit.SetSelStart(1); // end of "a": Delete takes the CR LF
        press(edit, Qt::Key_Delete);
        EXPECT_EQ(edit.SaveToStream(), "abc\rd");
        EXPECT_EQ(edit.GetTextLength(), 5);
        edit.Undo();
        edit.Undo();
        EXPECT_EQ(edit.SaveToStream(), "a\r\nb\nc\rd");
    }
    {
        SCOPED_TRACE("a new document ends its lines with CR LF");
        TRichEdit edit;
        edit.SetPlainText(true);
        edit.SetText(QString());
        press(edit, Qt::Key_A, Qt::NoModifier, "a");
        press(edit, Qt::Key_Return, Qt::NoModifier, "\r");
        press(edit, Qt::Key_B, Qt::NoModifier, "b");
        EXPECT_EQ(edit.SaveToStream(), "a\r\nb");
        EXPECT_EQ(edit.GetTextLength(), 4);
    }
}

TEST(RichStream, LineBreaksAreWrittenAsLineEndsInTextMode)
{
    const struct {
        QString text;
        std::string saved;
    } cases[] = {
        {"a\vb\r\nc", "a\r\nb\r\nc"},
        {"a\vb\nc", "a\nb\nc"},
        {"a\vb", "a\r\nb"},
    };
    for (const auto &c : cases) {
        TRichEdit edit;
        edit.SetText(c.text); // a rich document with a line break inside a paragraph
        edit.SetPlainText(true);
        EXPECT_EQ(edit.SaveToStream(), c.saved) << c.text.toStdString();
        EXPECT_EQ(edit.SaveToStream().find('\v'), std::string::npos);
    }
}

rtf::Document sampleModel()
{
    rtf::Document d;
    d.defaultFormat.face = u"MS Mincho";
    d.defaultFormat.charset = rtf::kShiftJisCharset;
    rtf::CharFormat plain = d.defaultFormat;
    rtf::CharFormat fancy = plain;
    fancy.face = u"Arial";
    fancy.charset = rtf::kAnsiCharset;
    fancy.pitchAndFamily = rtf::kVariablePitch | rtf::kFamilySwiss;
    fancy.sizeHalfPoints = 21;
    fancy.colour = rtf::rgb(200, 10, 20);
    fancy.highlight = rtf::rgb(255, 255, 0);
    fancy.bold = fancy.italic = fancy.underline = fancy.strikeOut = true;

    rtf::Paragraph p1;
    p1.align = rtf::Alignment::Centre;
    p1.firstIndentTwips = -283;
    p1.leftIndentTwips = 567;
    p1.rightIndentTwips = 141;
    rtf::appendText(p1, u"日本語 ", plain);
    rtf::appendText(p1, u"bold\vnext line", fancy);
    rtf::appendText(p1, u" €😀", plain);
    rtf::Paragraph empty;
    rtf::Paragraph b1, b2, after;
    b1.bullet = b2.bullet = true;
    b1.numbering.list = b2.numbering.list = 1; // lists are numbered in the order they begin
    rtf::appendText(b1, u"one", plain);
    rtf::appendText(b2, u"two", fancy);
    after.align = rtf::Alignment::Right;
    rtf::appendText(after, u"ｶﾀｶﾅ\t", plain);
    // Hidden text, a footnote, and numbered lists that count from their own start.
    rtf::CharFormat hidden = plain;
    hidden.hidden = true;
    rtf::appendText(after, u"隠し", hidden);
    rtf::Note note{rtf::Note::Kind::Footnote, {rtf::Paragraph{}}};
    rtf::appendText(note.paragraphs[0], u"脚注の文", fancy);
    rtf::appendNote(after, u"1", note, plain);
    rtf::appendText(after, u"後", plain);
    rtf::Paragraph n1, n2, r1;
    n1.bullet = n2.bullet = r1.bullet = true;
    n1.numbering = n2.numbering = {rtf::Numbering::Style::Decimal, 3, false, 2};
    r1.numbering = {rtf::Numbering::Style::UpperRoman, 1, false, 3};
    rtf::appendText(n1, u"three", plain);
    rtf::appendText(n2, u"four", plain);
    rtf::appendText(r1, u"I", plain);
    d.paragraphs = {p1, empty, b1, b2, after, n1, n2, r1};
    rtf::normalize(d);
    return d;
}

TEST(RichStream, ModelSurvivesTheDocument)
{
    const rtf::Document model = sampleModel();
    QTextDocument document;
    editor::loadModelInto(model, document);
    EXPECT_EQ(editor::documentToModel(document, model.defaultFormat), model);
}

TEST(RichStream, TextTypedAfterANoteMarkIsText)
{
    // The mark's format goes on to what is typed after it; the note must not swallow it.
    const rtf::Document model = sampleModel();
    QTextDocument document;
    editor::loadModelInto(model, document);
    QTextBlock block = document.findBlockByNumber(4);
    const int afterMark = block.position() + block.text().indexOf(u'1') + 1;
    QTextCursor cursor(&document);
    cursor.setPosition(afterMark);
    cursor.insertText(QStringLiteral("x")); // in the format of the character before
    const rtf::Document back = editor::documentToModel(document, model.defaultFormat);
    const std::vector<rtf::Run> &runs = back.paragraphs.at(4).runs;
    const auto mark = std::find_if(runs.begin(), runs.end(), [](const rtf::Run &r) { return r.note.has_value(); });
    ASSERT_NE(mark, runs.end());
    EXPECT_EQ(mark->text, u"1");
    EXPECT_EQ(mark->note, model.paragraphs[4].runs[mark - runs.begin()].note);
    ASSERT_NE(mark + 1, runs.end());
    EXPECT_EQ((mark + 1)->text, u"x後");
    EXPECT_EQ(back.paragraphs.at(5).numbering.start, 3);

    // The labels are drawn in the list's style.
    EXPECT_EQ(document.findBlockByNumber(7).textList()->itemText(document.findBlockByNumber(7)), QStringLiteral("I."));
}

TEST(RichStream, RtfRoundTripThroughTheEngine)
{
    const rtf::Document model = sampleModel();
    TRichEdit edit;
    edit.LoadFromStream(rtf::write(model));
    const rtf::ReadResult back = rtf::read(edit.SaveToStream());
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.document, model);
    // The line break is one position; 😀 counts as a double-byte character.
    edit.SetWordWrap(false);
    EXPECT_EQ(edit.LineLength(0), 11);    // "日本語 bold" up to the line break
    EXPECT_EQ(edit.LineIndex(1), 12);
    EXPECT_EQ(edit.LineLength(12), 14);   // "next line €😀"
    edit.SetSelStart(0);
    const TParaAttributes para = edit.Paragraph();
    EXPECT_EQ(para.Alignment, TAlignment::taCenter);
    EXPECT_EQ(para.FirstIndent, 14); // (567 - 283) twips
    EXPECT_EQ(para.LeftIndent, 14);  // 283 twips
    EXPECT_EQ(para.RightIndent, 7);
    edit.SetSelStart(edit.LineIndex(4));
    EXPECT_EQ(edit.Paragraph().Numbering, TNumberingStyle::nsBullet);
}

TEST(RichStream, TextBoxStaysATextBoxWhenEditedAndSaved)
{
    // Body, two text boxes anchored in the second paragraph, body.
    TRichEdit edit;
    edit.LoadFromStream("{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}\\f0 "
                        "first\\par second{\\shp{\\*\\shpinst{\\shptxt\\pard box\\par}}}"
                        "{\\shp{\\*\\shpinst{\\shptxt\\pard other\\par}}}\\par}");
    ASSERT_EQ(edit.Text(), QStringLiteral("first\r\nbox\r\nother\r\nsecond"));
    // Typing in the box, a new paragraph there, and a new indent keep it the box's text.
    edit.SetSelStart(edit.LineIndex(1) + 3);
    press(edit, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    press(edit, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    press(edit, Qt::Key_Y, Qt::NoModifier, QStringLiteral("y"));
    TParaAttributes indent;
    indent.LeftIndent = 10;
    edit.SetParagraph(indent, pfLeftIndent);

    const rtf::ReadResult saved = rtf::read(edit.SaveToStream());
    ASSERT_TRUE(saved.ok());
    const std::vector<rtf::Paragraph> &p = saved.document.paragraphs;
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(p[0].text(), u"first");
    EXPECT_EQ(p[1].text(), u"boxx");
    EXPECT_EQ(p[2].text(), u"y");
    EXPECT_EQ(p[3].text(), u"other");
    EXPECT_EQ(p[4].text(), u"second");
    EXPECT_EQ(p[2].leftIndentTwips, 200);
    // The first box holds its new paragraph, and the second stays a box of its own.
    EXPECT_EQ(p[0].frame, 0);
    EXPECT_EQ(p[1].frame, 1);
    EXPECT_EQ(p[2].frame, 1);
    EXPECT_EQ(p[3].frame, 2);
    EXPECT_EQ(p[4].frame, 0);
}

TEST(RichStream, NotRtfGoesInAsText)
{
    TRichEdit edit;
    edit.LoadFromStream("plain \x93\xfa words\r\nsecond");
    EXPECT_EQ(edit.Text(), QString::fromUtf8("plain 日 words\r\nsecond"));
}

TEST(RichStream, FormatsOfTheSelectionAndParagraphs)
{
    TRichEdit edit;
    edit.SetText("alpha beta\r\ngamma");
    edit.SetSelStart(6);
    edit.SetSelLength(4);
    TTextAttributes a;
    a.Name = "Serif";
    a.Size = 14;
    a.Color = 0x0000FF;
    a.Style = fsBold | fsUnderline;
    a.Charset = 128;
    a.Pitch = TRichPitch::fpFixed;
    edit.SetSelAttributes(a);
    EXPECT_EQ(edit.SelAttributes(), a);
    edit.SetSelStart(0);
    edit.SetSelLength(3);
    EXPECT_NE(edit.SelAttributes().Style, a.Style);

    TParaAttributes p;
    p.Alignment = TAlignment::taRightJustify;
    p.FirstIndent = 20;
    p.LeftIndent = 10;
    p.RightIndent = 5;
    p.Numbering = TNumberingStyle::nsBullet;
    edit.SetSelStart(2);
    edit.SetSelLength(12); // both paragraphs
    edit.SetParagraph(p);
    edit.SetSelStart(13);
    EXPECT_EQ(edit.Paragraph(), p);
    // A store of one field keeps the others.
    edit.SetParagraph({TAlignment::taCenter, 0, 0, 0, TNumberingStyle::nsNone}, pfAlignment);
    TParaAttributes expected = p;
    expected.Alignment = TAlignment::taCenter;
    EXPECT_EQ(edit.Paragraph(), expected);
    edit.SetParagraph({}, pfNumbering);
    EXPECT_EQ(edit.Paragraph().Numbering, TNumberingStyle::nsNone);
}

TEST(RichStream, TheCaretAtAParagraphsStartShowsTheFormatOfItsText)
{
    // A heading read from a file, the caret at its start as after opening: the size box
    // shows the heading's size, also where the widget's font is given in pixels.
    TRichEdit edit;
    QFont pixels = edit.font();
    pixels.setPixelSize(13);
    edit.setFont(pixels);
    edit.LoadFromStream("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\pard\\f0\\fs34\\b Heading\\par\\pard\\f0\\fs24 text\\par}");
    edit.SetSelStart(0);
    EXPECT_EQ(edit.SelAttributes().Size, 17);
    EXPECT_TRUE(edit.SelAttributes().Style & fsBold);
    edit.SetSelStart(8); // an empty last paragraph: the widget's font, in points
    EXPECT_GT(edit.SelAttributes().Size, 0);
}

TEST(RichStream, TextModePastesPlainTextInOneFont)
{
    TRichEdit edit;
    edit.SetPlainText(true);
    edit.LoadFromStream("abc");
    edit.SetSelStart(3);
    auto *data = new QMimeData; // the clipboard takes it
    data->setHtml("<b>bold</b>");
    data->setText("bold\r\nnext");
    QApplication::clipboard()->setMimeData(data);
    ASSERT_TRUE(edit.CanPaste());
    edit.PasteFromClipboard();
    EXPECT_EQ(edit.SaveToStream(), "abcbold\r\nnext");
    edit.SetSelStart(4);
    EXPECT_EQ(edit.SelAttributes().Style, 0u);
    // A format change applies to all the text.
    edit.SetSelStart(1);
    TTextAttributes a;
    a.Style = fsItalic;
    edit.SetSelAttributes(a, afStyle);
    edit.SetSelStart(9);
    EXPECT_EQ(edit.SelAttributes().Style, fsItalic);
}

TEST(RichStream, MaxLengthLimitsTypingButNeverCutsALoadedFile)
{
    TRichEdit edit;
    edit.SetPlainText(true);
    edit.SetMaxLength(4);
    edit.LoadFromStream("123456");
    EXPECT_EQ(edit.SaveToStream(), "123456");
    edit.SetSelStart(6);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(&edit, &key);
    EXPECT_EQ(edit.SaveToStream(), "123456");
    edit.SetText("12");
    QApplication::sendEvent(&edit, &key);
    QKeyEvent wide(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("日"));
    QApplication::sendEvent(&edit, &wide);
    EXPECT_EQ(edit.GetTextLength(), 3); // "12a"; the double-byte character would pass 4
}

} // namespace
