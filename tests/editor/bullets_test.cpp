// Bulleted paragraphs are laid out at the indents their file gives them: the bullet at the
// first-line indent, the text at the left indent (or after the bullet where there is no
// room for it in front of the text), the following lines at the left indent.
#include "editor/documentlayout.h"
#include "editor/richedit.h"
#include "editor/richstream.h"
#include "rtf/rtfreader.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

constexpr double kTwip = 96.0 / 1440.0;

// A list paragraph as LibreOffice writes it, long enough to wrap at 300 pixels.
std::string listRtf(int li, int fi)
{
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}"
           "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8226 ?;}"
           "{\\levelnumbers;}\\fi-360\\li720}\\listid1}}"
           "{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}"
           "\\pard\\plain{\\listtext\\pard\\plain \\u8226\\'95\\tab}\\ilvl0\\ls1 \\li" + std::to_string(li) +
           "\\ri0\\lin" + std::to_string(li) + "\\rin0\\fi" + std::to_string(fi) +
           "\\f0\\fs24 word word word word word word word word word word word word word word word"
           " word word word word word word\\par }";
}

struct Laid {
    double firstText;  // x of the first line's first glyph
    double wrapped;    // x of the second line
    int bullet;        // leftmost inked pixel left of the text on the first line; -1: none
};

Laid layOut(QTextDocument &document)
{
    document.setDocumentMargin(0);
    document.setTextWidth(300);
    document.documentLayout()->blockBoundingRect(document.begin()); // lays the paragraph out
    const QTextBlock block = document.begin();
    const QTextLayout *layout = block.layout();
    if (layout->lineCount() < 2) {
        ADD_FAILURE() << "the paragraph does not wrap";
        return {};
    }
    Laid laid{};
    const QTextLine first = layout->lineAt(0);
    laid.firstText = layout->position().x() + first.cursorToX(0);
    laid.wrapped = layout->position().x() + layout->lineAt(1).cursorToX(layout->lineAt(1).textStart());

    QImage image(320, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        document.drawContents(&painter);
    }
    laid.bullet = -1;
    const int top = int(layout->position().y() + first.y());
    for (int x = 0; x < int(laid.firstText) - 1 && laid.bullet < 0; ++x)
        for (int y = top; y < top + int(first.height()); ++y)
            if (qGray(image.pixel(x, y)) < 160) {
                laid.bullet = x;
                break;
            }
    return laid;
}

TEST(Bullets, IndentsAsTheFileGivesThem)
{
    struct Case {
        int li, fi;
        bool hanging; // room for the bullet before the left indent
    };
    const Case cases[] = {
        {720, -360, true},   // LibreOffice's and the common word processors' list
        {709, -283, true},
        {0, 0, false},       // bullets switched on a plain paragraph
        {360, 360, false},   // first line further in than the others
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << "li " << c.li << " fi " << c.fi);
        const rtf::ReadResult r = rtf::read(listRtf(c.li, c.fi));
        ASSERT_TRUE(r.ok());
        ASSERT_TRUE(r.document.paragraphs.at(0).bullet);
        QTextDocument document;
        editor::loadModelInto(r.document, document);
        const Laid laid = layOut(document);

        const double left = c.li * kTwip;
        const double firstLine = (c.li + c.fi) * kTwip;
        EXPECT_NEAR(laid.wrapped, left, 0.5);
        ASSERT_GE(laid.bullet, 0) << "no bullet drawn";
        if (c.hanging) {
            EXPECT_NEAR(laid.firstText, left, 0.5);
            EXPECT_GE(laid.bullet, int(firstLine) - 1);
        } else {
            EXPECT_NEAR(laid.bullet, firstLine, 1.0);
            EXPECT_GT(laid.firstText, firstLine + 4);
            EXPECT_LT(laid.firstText, firstLine + 20);
        }
    }
}

TEST(Bullets, SwitchedOnInTheEditorLikeALoadedList)
{
    // A plain paragraph with a hanging indent, given a bullet by the bullets command, lays
    // out as the same paragraph loaded as a list item.
    TRichEdit edit;
    std::string plain = listRtf(720, -360);
    plain.replace(plain.find("{\\listtext"), std::string("{\\listtext\\pard\\plain \\u8226\\'95\\tab}\\ilvl0\\ls1 ").size(), "");
    edit.LoadFromStream(plain);
    ASSERT_EQ(edit.Paragraph().Numbering, TNumberingStyle::nsNone);
    TParaAttributes bullet;
    bullet.Numbering = TNumberingStyle::nsBullet;
    edit.SetParagraph(bullet, pfNumbering);
    const Laid switched = layOut(*edit.document());

    QTextDocument loaded;
    editor::loadModelInto(rtf::read(listRtf(720, -360)).document, loaded);
    const Laid expected = layOut(loaded);
    EXPECT_NEAR(switched.firstText, expected.firstText, 0.5);
    EXPECT_NEAR(switched.wrapped, expected.wrapped, 0.5);
    EXPECT_EQ(switched.bullet, expected.bullet);
}

TEST(Bullets, NumberedItemsShowTheirLabelsFromTheListsStart)
{
    // Two lists one after the other: decimal from 3, upper roman from 1. Each item's label
    // is drawn before its text, counting from the list's own start.
    const std::string rtf =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}"
        "\\pard{\\*\\pn\\pnlvlbody\\pndec\\pnstart3{\\pntxta .}}\\fi-360\\li720\\f0\\fs24 three\\par"
        "{\\*\\pn\\pnlvlbody\\pndec\\pnstart3{\\pntxta .}}\\fi-360\\li720 four\\par"
        "\\pard{\\*\\pn\\pnlvlbody\\pnucrm\\pnstart1{\\pntxta .}}\\fi-360\\li720 one\\par"
        "{\\*\\pn\\pnlvlbody\\pnucrm\\pnstart1{\\pntxta .}}\\fi-360\\li720 two\\par}";
    TRichEdit edit;
    edit.LoadFromStream(rtf);
    QTextDocument &document = *edit.document();
    document.setDocumentMargin(0);
    document.setTextWidth(300);
    QStringList labels;
    for (QTextBlock b = document.begin(); b.isValid() && b.textList(); b = b.next())
        labels << editor::listLabel(b);
    EXPECT_EQ(labels, QStringList({"3.", "4.", "I.", "II."}));

    for (QTextBlock b = document.begin(); b.isValid() && b.textList(); b = b.next())
        document.documentLayout()->blockBoundingRect(b);
    QImage image(320, 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        document.drawContents(&painter);
    }
    for (QTextBlock b = document.begin(); b.isValid() && b.textList(); b = b.next()) {
        const QTextLine first = b.layout()->lineAt(0);
        const int textX = int(b.layout()->position().x() + first.cursorToX(0));
        const int top = int(b.layout()->position().y() + first.y());
        int inked = 0;
        for (int x = 0; x < textX - 1; ++x)
            for (int y = top; y < top + int(first.height()); ++y)
                inked += qGray(image.pixel(x, y)) < 160;
        EXPECT_GT(inked, 5) << "no label before " << b.text().toStdString();
    }
}

TEST(Bullets, SubListsCountUnderTheirItemAndShowTheNumbersAbove)
{
    // One list on two levels, a plain paragraph in between, a second-level label "%1.%2."
    // with leading zeros and hollow bullets on the third level: the labels a word processor
    // shows, kept through a save.
    const std::string rtf =
        "{\\rtf1\\ansi{\\*\\listtable{\\list{\\listlevel\\levelnfc0{\\leveltext\\'02\\'00.;}}"
        "{\\listlevel\\levelnfc22{\\leveltext\\'04\\'00.\\'01.;}}"
        "{\\listlevel\\levelnfc23{\\leveltext\\'01\\u9702 ?;}}\\listid5}}"
        "{\\*\\listoverridetable{\\listoverride\\listid5\\ls1}}"
        "\\pard\\ls1\\fi-360\\li720 a\\par\\pard\\ls1\\fi-360\\li720 b\\par"
        "\\pard\\ls1\\ilvl1\\fi-360\\li1440 b1\\par\\pard\\ls1\\ilvl1\\fi-360\\li1440 b2\\par"
        "\\pard\\ls1\\ilvl2\\fi-360\\li2160 dot\\par\\pard plain\\par"
        "\\pard\\ls1\\fi-360\\li720 c\\par\\pard\\ls1\\ilvl1\\fi-360\\li1440 c1\\par}";
    const rtf::Document model = rtf::read(rtf).document;
    QTextDocument document;
    editor::loadModelInto(model, document);
    QStringList labels;
    for (QTextBlock b = document.begin(); b.isValid(); b = b.next())
        labels << (b.textList() && b.textList()->format().style() != QTextListFormat::ListCircle ? editor::listLabel(b)
                   : b.textList() ? QStringLiteral("circle") : QStringLiteral("-"));
    EXPECT_EQ(labels, QStringList({"1.", "2.", "2.01.", "2.02.", "circle", "-", "3.", "3.01."}));
    EXPECT_EQ(editor::documentToModel(document, model.defaultFormat), model);
}

} // namespace
