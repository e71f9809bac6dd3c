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
#include <QTextDocument>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

// CR LF paragraphs, a lone LF, a lone CR, a NUL, bytes that are no Shift-JIS, double-byte
// and half-width characters, a tab, and a paragraph end at the very end.
const std::string kTextFile = std::string("abc\r\n\x93\xfa\x96\x7b\xb1\xb2\r\nlone\nLF lone\rCR\t\x80\xff|", 29) +
                              std::string("\0", 1) + "|\x81\x40\r\n";

TEST(RichStream, TextRoundTripKeepsEveryByte)
{
    TRichEdit edit;
    edit.SetWordWrap(false);
    edit.SetPlainText(true);
    edit.LoadFromStream(kTextFile);
    EXPECT_EQ(edit.SaveToStream(), kTextFile);
    // Positions count exactly these bytes: a lone LF or CR is one position, not a line end.
    EXPECT_EQ(edit.GetTextLength(), int(kTextFile.size()));
    EXPECT_EQ(edit.TextBytes(), kTextFile);
    EXPECT_EQ(edit.GetLineCount(), 4);
    EXPECT_EQ(edit.LineIndex(2), 13);
    EXPECT_FALSE(edit.Modified());
    EXPECT_FALSE(edit.GetCanUndo());
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
    rtf::appendText(b1, u"one", plain);
    rtf::appendText(b2, u"two", fancy);
    after.align = rtf::Alignment::Right;
    rtf::appendText(after, u"ｶﾀｶﾅ\t", plain);
    d.paragraphs = {p1, empty, b1, b2, after};
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
