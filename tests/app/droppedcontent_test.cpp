// Saving an RTF document whose file held what the editor does not keep: the save asks
// first, No writes nothing, and Yes is not asked again for the same document.
#include "app/droppedcontent.h"
#include "app/documenttexts.h"
#include "app/mainform.h"
#include "documentfixture.h"
#include "rtf/rtfreader.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

using namespace velmo;

namespace {

using velmo::testing::u8;

std::string hex(const QByteArray &bytes)
{
    return bytes.toHex().toStdString();
}

QByteArray png()
{
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(qRgb(10, 200, 30));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A kept PNG, a metafile picture and a table row.
QByteArray mixedRtf()
{
    return QByteArray::fromStdString(
        "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\\pard "
        "A{\\pict\\picw2\\pich2\\pngblip " + hex(png()) + "}B{\\pict\\wmetafile8 0100}\\par "
        "\\trowd\\cellx1000\\cellx2000\\intbl x\\cell y\\cell\\row }");
}

class DroppedContentTest : public velmo::testing::DocumentFixture {
protected:
    QString expectedQuestion() const
    {
        return u8(texts::kDroppedContentFormat)
            .arg(u8(texts::kDroppedPicturesName) + u8(texts::kDroppedContentSeparator)
                 + u8(texts::kDroppedTablesName));
    }
    void type(const QString &text)
    {
        form->RichEdit->SetSelStart(0);
        form->RichEdit->SetSelText(text);
        ASSERT_TRUE(form->RichEdit->Modified());
    }
    bool keptPng(const QString &path) const
    {
        const rtf::ReadResult r = rtf::read(bytesOf(path).toStdString());
        for (const rtf::Run &run : r.document.paragraphs.at(0).runs)
            if (run.picture && run.picture->data == png().toStdString())
                return true;
        return false;
    }
};

TEST_F(DroppedContentTest, SaveAsksOnceNamingWhatWouldBeLost)
{
    const QString path = put("mixed.rtf", mixedRtf());
    ASSERT_TRUE(form->OpenDocument(path, false));
    type("x");

    prompts.answer(PromptResult::No);
    form->FileSaveMenuClick();
    ASSERT_EQ(prompts.messages().size(), 1u);
    EXPECT_EQ(prompts.messages()[0].text, expectedQuestion());
    EXPECT_EQ(prompts.messages()[0].buttons, PromptButtons::YesNo);
    EXPECT_EQ(prompts.messages()[0].icon, PromptIcon::Question);
    EXPECT_EQ(bytesOf(path), mixedRtf()); // nothing written
    EXPECT_TRUE(form->RichEdit->Modified());

    prompts.clear();
    prompts.answer(PromptResult::Yes);
    form->FileSaveMenuClick();
    EXPECT_EQ(prompts.messages().size(), 1u);
    EXPECT_FALSE(form->RichEdit->Modified());
    EXPECT_TRUE(keptPng(path));

    // Agreed once: later saves of the same document go on without asking.
    prompts.clear();
    type("y");
    form->FileSaveMenuClick();
    EXPECT_TRUE(prompts.messages().empty());
    EXPECT_FALSE(form->RichEdit->Modified());
    EXPECT_TRUE(keptPng(path));

    // A document that holds everything its file did is saved without a question.
    const QString plain = put("plain.rtf", "{\\rtf1\\ansi A{\\pict\\pngblip " + QByteArray::fromStdString(hex(png())) + "}\\par }");
    ASSERT_TRUE(form->OpenDocument(plain, false));
    type("z");
    form->FileSaveMenuClick();
    EXPECT_TRUE(prompts.messages().empty());
    EXPECT_TRUE(keptPng(plain));
}

TEST_F(DroppedContentTest, CloseQuestionNoKeepsTheWindowOpen)
{
    const QString path = put("mixed.rtf", mixedRtf());
    ASSERT_TRUE(form->OpenDocument(path, false));
    type("x");

    // Save? Yes. Lose the metafile and the table? No: nothing is written, the window stays.
    prompts.answer(PromptResult::Yes);
    prompts.answer(PromptResult::No);
    form->close();
    ASSERT_EQ(prompts.messages().size(), 2u);
    EXPECT_EQ(prompts.messages()[0].text, u8(texts::kQuerySaveFormat).replace("%s", path));
    EXPECT_EQ(prompts.messages()[1].text, expectedQuestion());
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->RichEdit->Modified());
    EXPECT_EQ(bytesOf(path), mixedRtf());

    prompts.clear();
    prompts.answer(PromptResult::Yes);
    prompts.answer(PromptResult::Yes);
    form->close();
    EXPECT_EQ(prompts.messages().size(), 2u);
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(keptPng(path));
}

} // namespace
