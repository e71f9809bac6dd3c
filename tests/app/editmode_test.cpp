// Switching a window between rich-text and text mode: questions, renames, what the mode
// changes in menus and toolbars, and what a conversion does to the document.
#include "app/documenttexts.h"
#include "app/mainform.h"
#include "app/uitexts.h"
#include "documentfixture.h"
#include "settings/teoption.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QLabel>
#include <QMenu>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace velmo;

namespace {

using velmo::testing::u8;
using Way = TMainForm::EditModeWay;

using EditModeTest = velmo::testing::DocumentFixture;

TEST_F(EditModeTest, ConversionsRenameTheDocument)
{
    const QString letter = put("letter.rtf", "{\\rtf1 {\\b Dear} reader}");
    ASSERT_TRUE(form->OpenDocument(letter, false));
    prompts.answer(PromptResult::Yes);
    EXPECT_TRUE(form->ChangeEditMode(true, Way::Ask));
    EXPECT_EQ(form->Options->CurrentFile, dir.filePath("letter.txt"));
    EXPECT_EQ(form->RichEdit->Text(), "Dear reader");
    EXPECT_TRUE(form->RichEdit->Modified());
    // Plain text keeps no formats: the bold word is plain now.
    form->RichEdit->SetSelStart(0);
    form->RichEdit->SetSelLength(4);
    EXPECT_EQ(form->RichEdit->SelAttributes().Style, 0);

    const QString source = put("source.c", "int x;");
    ASSERT_TRUE(form->OpenDocument(source, false));
    prompts.answer(PromptResult::Yes);
    EXPECT_TRUE(form->ChangeEditMode(false, Way::Ask));
    EXPECT_EQ(form->Options->CurrentFile, dir.filePath("source.rtf"));
    prompts.answer(PromptResult::Yes);
    EXPECT_TRUE(form->ChangeEditMode(true, Way::Ask));
    EXPECT_EQ(form->Options->CurrentFile, dir.filePath("source.txt"));

    const auto asked = prompts.messages();
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].text, u8(texts::kToTextQuestion));
    EXPECT_EQ(asked[1].text, u8(texts::kToRichQuestion));
    for (const auto &m : asked) {
        EXPECT_EQ(m.buttons, PromptButtons::YesNo);
        EXPECT_EQ(m.icon, PromptIcon::Question);
    }
}

TEST_F(EditModeTest, DecliningKeepsTheDocument)
{
    const QString path = put("keep.txt", "text");
    ASSERT_TRUE(form->OpenDocument(path, false));
    form->RichEdit->SetWordWrap(true); // as if toggled by hand
    prompts.answer(PromptResult::No);
    EXPECT_FALSE(form->ChangeEditMode(false, Way::Ask));
    EXPECT_TRUE(form->RichEdit->PlainText());
    EXPECT_EQ(form->Options->CurrentFile, path);
    EXPECT_FALSE(form->RichEdit->Modified());
    // Only the mode's own wrap setting comes back.
    EXPECT_EQ(form->RichEdit->WordWrap(), form->Options->TextModeProfile.WordWrapMode != 0);

    // Asking for the mode the document is in does nothing; keep asks nothing either.
    EXPECT_FALSE(form->ChangeEditMode(true, Way::Ask));
    EXPECT_FALSE(form->ChangeEditMode(false, Way::Keep));
    EXPECT_EQ(prompts.messages().size(), 1u);
    // Forcing the same mode re-applies it and leaves the modified flag alone.
    EXPECT_TRUE(form->ChangeEditMode(true, Way::Force));
    EXPECT_FALSE(form->RichEdit->Modified());
}

TEST_F(EditModeTest, EmptyDocumentSwitchesWithoutAQuestion)
{
    ASSERT_FALSE(form->RichEdit->PlainText());
    form->OptionModeMenuClick();
    EXPECT_TRUE(form->RichEdit->PlainText());
    EXPECT_TRUE(form->RichEdit->Modified());
    EXPECT_TRUE(prompts.messages().empty());
    // Nothing to save, so nothing to ask when the window closes.
    EXPECT_TRUE(form->QuerySaveDocument());
    EXPECT_TRUE(prompts.messages().empty());
}

TEST_F(EditModeTest, WhatEachModeOffers)
{
    const struct {
        bool plainText;
        const char *modeCaption;
        const char *extension;
    } cases[] = {
        {true, texts::kModeToRichCaption, "txt"},
        {false, texts::kModeToTextCaption, "rtf"},
    };
    form->Options->RichTextProfile.WordWrapMode = 1;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.plainText ? "text" : "rich text");
        ASSERT_TRUE(form->ChangeEditMode(c.plainText, Way::Force));
        // Twice, so that the paragraph items see the mode's own wrap state.
        ASSERT_TRUE(form->ChangeEditMode(c.plainText, Way::Force));
        const bool rich = !c.plainText;
        EXPECT_EQ(form->OptionModeMenu->text(), u8(c.modeCaption));
        EXPECT_EQ(form->OpenDialogDefaultExt, c.extension);
        EXPECT_EQ(form->SaveDialogDefaultExt, c.extension);
        for (QAction *a : {form->OptionFontMenu, form->OptionIndentMenu, form->OptionNumberingMenu})
            EXPECT_EQ(a->isEnabled(), rich) << a->objectName().toStdString();
        EXPECT_EQ(form->OptionAlMenu->isEnabled(), rich);
        for (QAction *a : {form->PopFontMenu, form->PopLeftMenu, form->PopIndentMenu, form->PopNumberingMenu})
            EXPECT_EQ(a->isVisible(), rich) << a->objectName().toStdString();
        EXPECT_EQ(form->FormatsToolbar->isVisible(), rich);
        EXPECT_EQ(form->StatusPanels[3]->text(), form->FileNameText);
        EXPECT_TRUE(form->RichEdit->isVisible());
    }
}

TEST_F(EditModeTest, ModeCommandFollowsReadOnly)
{
    const QString path = put("ro.txt", "text");
    ASSERT_TRUE(form->OpenDocument(path, true));
    EXPECT_FALSE(form->ModeButton->isEnabled());
    emit form->OptionMenu->aboutToShow();
    EXPECT_FALSE(form->OptionModeMenu->isEnabled());
    form->OptionModeMenuClick();
    EXPECT_TRUE(form->RichEdit->PlainText());

    form->RichEdit->SetReadOnly(false);
    form->SetDocumentName(path);
    EXPECT_TRUE(form->ModeButton->isEnabled());
    emit form->OptionMenu->aboutToShow();
    EXPECT_TRUE(form->OptionModeMenu->isEnabled());
    prompts.answer(PromptResult::Yes);
    form->ModeButton->trigger();
    EXPECT_FALSE(form->RichEdit->PlainText());
    EXPECT_EQ(form->Options->CurrentFile, dir.filePath("ro.rtf"));
}

TEST_F(EditModeTest, DecliningTheConversionOnSaveWritesTheCurrentMode)
{
    const QString path = put("plain.txt", "plain");
    ASSERT_TRUE(form->OpenDocument(path, false));
    form->RichEdit->SetSelText("still ");
    const QString target = dir.filePath("x.rtf");
    prompts.chooseFiles({target});
    prompts.answer(PromptResult::No);
    form->FileSaveAsMenuClick();
    ASSERT_EQ(prompts.messages().size(), 1u);
    EXPECT_EQ(prompts.messages()[0].text, u8(texts::kToRichQuestion));
    QFile saved(target);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), "still plain");
    EXPECT_TRUE(form->RichEdit->PlainText());
}

// Plain text has no formats to return to: after the conversion Undo neither brings the
// bold and the highlight back nor makes the document count as unchanged.
TEST_F(EditModeTest, ConversionToTextIsWhereUndoStarts)
{
    const QString path = put("marked.rtf", "{\\rtf1{\\colortbl;\\red255\\green255\\blue0;}"
                                           "{\\b bold} {\\highlight1 marked}}");
    ASSERT_TRUE(form->OpenDocument(path, false));
    const auto highlighted = [&] {
        for (QTextBlock block = form->RichEdit->document()->begin(); block.isValid(); block = block.next())
            for (auto it = block.begin(); !it.atEnd(); ++it)
                if (it.fragment().charFormat().background().style() != Qt::NoBrush)
                    return true;
        return false;
    };
    ASSERT_TRUE(highlighted());
    // An edit before the conversion, so that there is something to undo.
    form->RichEdit->SetSelStart(0);
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QApplication::sendEvent(form->RichEdit, &typed);
    ASSERT_EQ(form->RichEdit->Text(), "xbold marked");

    prompts.answer(PromptResult::Yes);
    form->OptionModeMenuClick();
    ASSERT_TRUE(form->RichEdit->PlainText());
    EXPECT_FALSE(highlighted());

    // However often Undo is pressed.
    for (int i = 0; i < 20; ++i) {
        QKeyEvent undo(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier);
        QApplication::sendEvent(form->RichEdit, &undo);
    }
    EXPECT_EQ(form->RichEdit->Text(), "xbold marked");
    EXPECT_TRUE(form->RichEdit->Modified());
    EXPECT_FALSE(highlighted());
    form->RichEdit->SetSelStart(1);
    form->RichEdit->SetSelLength(4);
    EXPECT_EQ(form->RichEdit->SelAttributes().Style, 0);
}

} // namespace
