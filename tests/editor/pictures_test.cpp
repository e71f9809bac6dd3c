// Pictures of an RTF file in the editor: shown at their size, counted as one character,
// written back with their bytes after editing.
#include "editor/richedit.h"
#include "editor/richstream.h"
#include "rtf/rtfreader.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

// A 4 x 2 PNG: red on the left half, blue on the right.
std::string makePng()
{
    QImage image(4, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            image.setPixel(x, y, x < 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "PNG"));
    return bytes.toStdString();
}

// Hex in lines of 40 digits, as writers break it.
std::string hexLines(const std::string &bytes)
{
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i % 20 == 0)
            out += "\r\n";
        char buf[3];
        std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned char>(bytes[i]));
        out += buf;
    }
    return out;
}

const std::string kHead = "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}"
                          "\\pard\\f0\\fs20 ";

// The picture is 4 x 2 pixels, shown at 60 x 30 (picwgoal 900 twips, pichgoal 450).
std::string pictureRtf(const std::string &png, bool binary)
{
    const std::string words = "\\picw4\\pich2\\picwgoal900\\pichgoal450\\pngblip";
    const std::string data = binary ? "\\bin" + std::to_string(png.size()) + " " + png : hexLines(png);
    return kHead + "A{\\*\\shppict{\\pict" + words + data + "}}{\\nonshppict{\\pict\\wmetafile8 0100}}B\\par }";
}

QImage render(QTextDocument &document)
{
    QImage image(200, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    document.drawContents(&painter);
    return image;
}

TEST(RichPictures, ShownAtTheirSizeAndKeptThroughEditing)
{
    const std::string png = makePng();
    for (bool binary : {false, true}) {
        SCOPED_TRACE(binary ? "\\bin data" : "hex data");
        TRichEdit edit;
        edit.SetWordWrap(false);
        edit.LoadFromStream(pictureRtf(png, binary));

        // The picture sits between A and B and counts as one character, which takes the
        // two positions of any character code page 932 cannot hold.
        EXPECT_EQ(edit.GetTextLength(), 4);
        const QTextBlock block = edit.document()->begin();
        EXPECT_EQ(block.text(), QStringView(u"A\uFFFCB").toString());

        // Drawn at 60 x 30 pixels: red over its left 30, blue over its right 30 (the
        // paragraph is laid out when its place is asked for).
        edit.document()->documentLayout()->blockBoundingRect(block);
        const QTextLine line = block.layout()->lineAt(0);
        const qreal left = line.cursorToX(1);
        EXPECT_NEAR(line.cursorToX(2) - left, 60, 0.5);
        EXPECT_GE(line.height(), 30);
        const QImage shot = render(*edit.document());
        const int y = int(line.y() + line.ascent()) - 15;
        EXPECT_EQ(shot.pixel(int(left) + 10, y), qRgb(255, 0, 0));
        EXPECT_EQ(shot.pixel(int(left) + 50, y), qRgb(0, 0, 255));

        // Typed text around it changes nothing of the picture.
        QTextCursor c(edit.document());
        c.insertText(QStringLiteral("x"));
        c.movePosition(QTextCursor::End);
        c.insertText(QStringLiteral("y"));
        const std::string saved = edit.SaveToStream();
        // Opened again, the document saves to the same bytes.
        TRichEdit reopened;
        reopened.LoadFromStream(saved);
        EXPECT_EQ(reopened.SaveToStream(), saved);
        const rtf::ReadResult back = rtf::read(saved);
        ASSERT_TRUE(back.ok());
        ASSERT_EQ(back.document.paragraphs.size(), 1u);
        const rtf::Paragraph &p = back.document.paragraphs[0];
        EXPECT_EQ(p.text(), std::u16string(u"xA\uFFFCBy"));
        ASSERT_EQ(p.runs.size(), 3u);
        ASSERT_TRUE(p.runs[1].picture);
        const rtf::Picture &picture = *p.runs[1].picture;
        EXPECT_EQ(picture.data, png);
        EXPECT_EQ(picture.kind, rtf::Picture::Kind::Png);
        EXPECT_EQ(picture.width, 4);
        EXPECT_EQ(picture.height, 2);
        EXPECT_EQ(picture.goalWidthTwips, 900);
        EXPECT_EQ(picture.goalHeightTwips, 450);
    }
}

TEST(RichPictures, ADamagedSizeIsBounded)
{
    const std::string png = makePng();
    std::string rtf = pictureRtf(png, false);
    rtf.replace(rtf.find("\\picwgoal900"), 12, "\\picwgoal2147483647\\picscalex1000");
    TRichEdit edit;
    edit.LoadFromStream(rtf);
    QTextCursor c(edit.document());
    c.setPosition(2);
    const QTextImageFormat image = c.charFormat().toImageFormat();
    ASSERT_TRUE(image.isValid());
    EXPECT_LE(image.width(), 32767);
    // The words themselves are written back as they were read.
    EXPECT_NE(edit.SaveToStream().find("\\picwgoal2147483647"), std::string::npos);
}

TEST(RichPictures, APastedImageIsSavedAsPng)
{
    // An image that came in from elsewhere (no file bytes of its own) is written as PNG.
    TRichEdit edit;
    edit.LoadFromStream(kHead + "A\\par }");
    QImage image(3, 3, QImage::Format_RGB32);
    image.fill(qRgb(0, 128, 0));
    edit.document()->addResource(QTextDocument::ImageResource, QUrl("pasted:1"), image);
    QTextImageFormat f;
    f.setName("pasted:1");
    QTextCursor c(edit.document());
    c.movePosition(QTextCursor::End);
    c.insertImage(f);
    const rtf::ReadResult back = rtf::read(edit.SaveToStream());
    ASSERT_TRUE(back.ok());
    const rtf::Paragraph &p = back.document.paragraphs.at(0);
    ASSERT_EQ(p.runs.size(), 2u);
    ASSERT_TRUE(p.runs[1].picture);
    QImage again;
    ASSERT_TRUE(again.loadFromData(QByteArray::fromStdString(p.runs[1].picture->data), "PNG"));
    EXPECT_EQ(again.pixel(1, 1), qRgb(0, 128, 0));
    EXPECT_EQ(p.runs[1].picture->goalWidthTwips, 45);
}

TEST(RichPictures, DroppedContentBelongsToTheLoadedContent)
{
    TRichEdit edit;
    edit.LoadFromStream(kHead + "A{\\pict\\wmetafile8 0100}\\trowd x\\cell\\row }");
    EXPECT_EQ(editor::droppedContent(*edit.document()), rtf::kDroppedPictures | rtf::kDroppedTables);
    editor::forgetDroppedContent(*edit.document());
    EXPECT_EQ(editor::droppedContent(*edit.document()), rtf::kDroppedNothing);

    edit.LoadFromStream(kHead + "{\\object{\\*\\objdata 00}}A\\par }");
    EXPECT_EQ(editor::droppedContent(*edit.document()), rtf::kDroppedObjects);
    edit.SetText(QStringLiteral("new text")); // what New does: nothing of the file is left
    EXPECT_EQ(editor::droppedContent(*edit.document()), rtf::kDroppedNothing);
}

} // namespace
