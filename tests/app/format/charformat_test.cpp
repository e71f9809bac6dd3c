// Character formatting through the window: the face and size boxes, the size menu, the
// style buttons, the font dialog, and the hub that brings the controls up to the caret.
#include "app/uitexts.h"
#include "formatfixture.h"
#include "settings/teoption.h"

#include <QAction>
#include <QComboBox>
#include <QFontDialog>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace velmo;

namespace {

using velmo::testing::kMixedRtf;
using velmo::testing::u8;

class CharFormatTest : public velmo::testing::FormatFixture {};

TEST_F(CharFormatTest, CaretWalkFollowsTheFormatsAndChangesNothing)
{
    open("mixed.rtf", kMixedRtf);
    const std::string before = rtf();
    TExtMemo *edit = form->RichEdit;
    edit->SetSelStart(0);
    const QString msMincho = u8("ＭＳ 明朝");
    bool sawWindowsFace = false;
    // Through every character, alone and extending a selection, with the keys.
    for (Qt::KeyboardModifiers mods : {Qt::KeyboardModifiers(Qt::NoModifier), Qt::KeyboardModifiers(Qt::ShiftModifier)}) {
        edit->SetSelStart(0);
        for (int i = 0; i < 20; ++i) {
            QTest::keyClick(edit, Qt::Key_Right, mods);
            const TTextAttributes a = edit->SelAttributes();
            SCOPED_TRACE(i);
            EXPECT_EQ(form->FontNameComboBox->currentText(), a.Name);
            EXPECT_EQ(form->FontSizeComboBox->currentText(), QString::number(a.Size));
            EXPECT_EQ(form->BoldButton->isChecked(), bool(a.Style & fsBold));
            EXPECT_EQ(form->ItalicButton->isChecked(), bool(a.Style & fsItalic));
            sawWindowsFace |= a.Name == msMincho;
        }
    }
    EXPECT_TRUE(sawWindowsFace) << "the Windows face is listed under its own name";
    EXPECT_FALSE(edit->Modified());
    EXPECT_EQ(rtf(), before);
}

TEST_F(CharFormatTest, StyleButtonsChangeOnlyTheirOwnBit)
{
    open("mixed.rtf", kMixedRtf);
    // "cd" is bold and italic, "ef" neither: the selection starts bold.
    select(2, 4);
    form->BoldButton->trigger();
    EXPECT_EQ(attributesAt(2).Style, TFontStyles(fsItalic));
    EXPECT_EQ(attributesAt(4).Style, TFontStyles(0));
    select(2, 4);
    form->BoldButton->trigger();
    EXPECT_EQ(attributesAt(2).Style, TFontStyles(fsBold | fsItalic));
    EXPECT_EQ(attributesAt(4).Style, TFontStyles(fsBold));
    select(2, 4);
    form->UnderlineButton->trigger();
    EXPECT_EQ(attributesAt(3).Style, TFontStyles(fsBold | fsItalic | fsUnderline));
    EXPECT_EQ(attributesAt(5).Style, TFontStyles(fsBold | fsUnderline));
    // Faces and sizes of the runs stay as they were.
    EXPECT_EQ(attributesAt(4).Name, u8("ＭＳ 明朝"));
    EXPECT_EQ(attributesAt(4).Size, 20);
    EXPECT_EQ(attributesAt(2).Size, 12);
    select(3, 0); // the caret takes the format of the character before it
    EXPECT_TRUE(form->BoldButton->isChecked());
    EXPECT_TRUE(form->UnderlineButton->isChecked());
}

TEST_F(CharFormatTest, SizeBoxAppliesEveryKeyAndRefusesBadSizes)
{
    open("mixed.rtf", kMixedRtf);
    QLineEdit *line = form->FontSizeComboBox->lineEdit();
    select(0, 2);
    line->selectAll();
    QTest::keyClick(line, Qt::Key_1);
    EXPECT_EQ(attributesAt(0).Size, 1);
    select(0, 2);
    QTest::keyClick(line, Qt::Key_End);
    QTest::keyClick(line, Qt::Key_2);
    EXPECT_EQ(attributesAt(1).Size, 12);
    // Emptying the box on the way to another size is no size at all.
    select(0, 2);
    line->selectAll();
    QTest::keyClick(line, Qt::Key_Backspace);
    EXPECT_TRUE(prompts.messages().empty());
    EXPECT_EQ(attributesAt(0).Size, 12);

    struct Case {
        const char *typed;
        bool refused;
        int size;
    } cases[] = {{"abc", true, 12}, {"0", true, 12}, {"1639", true, 12}, {"-5", true, 12},
                 {"1638", false, 1638}, {"72", false, 72}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        prompts.clear();
        select(0, 2);
        // As if typed over the selected box text in one go.
        line->setText(QString::fromLatin1(c.typed));
        emit line->textEdited(line->text());
        const auto messages = prompts.messages();
        if (c.refused) {
            ASSERT_FALSE(messages.empty());
            EXPECT_EQ(messages.back().text, u8(texts::kNotIntegerFormat).replace("%s", QString::fromLatin1(c.typed)));
            EXPECT_EQ(messages.back().kind, ScriptedPrompts::Kind::Error);
        } else {
            EXPECT_TRUE(messages.empty());
        }
        EXPECT_EQ(attributesAt(0).Size, c.size);
    }
}

TEST_F(CharFormatTest, SizeMenuAppliesAndChecksTheSelectionsSize)
{
    open("mixed.rtf", kMixedRtf);
    auto item = [&](const char *caption) {
        for (QAction *a : form->FontSizeMenu->actions())
            if (a->text() == QLatin1String(caption))
                return a;
        return static_cast<QAction *>(nullptr);
    };
    select(0, 2);
    item("4")->trigger();
    EXPECT_EQ(attributesAt(0).Size, 4);
    EXPECT_EQ(attributesAt(1).Size, 4);
    EXPECT_EQ(attributesAt(2).Size, 12);

    auto checked = [&] {
        QStringList on;
        for (QAction *a : form->FontSizeMenu->actions())
            if (a->isChecked())
                on << a->text();
        return on;
    };
    select(5, 0); // after the first character of the 20-point run
    emit form->FontSizeMenu->aboutToShow();
    EXPECT_EQ(checked(), QStringList{"20"});
    select(0, 1);
    emit form->FontSizeMenu->aboutToShow();
    EXPECT_EQ(checked(), QStringList{"4"});
    // A size the menu does not list checks nothing.
    item("4")->setChecked(true);
    TTextAttributes odd;
    odd.Size = 13;
    form->RichEdit->SetSelAttributes(odd, afSize);
    emit form->FontSizeMenu->aboutToShow();
    EXPECT_TRUE(checked().isEmpty());
}

TEST_F(CharFormatTest, FaceBoxListsInstalledAndWindowsFaces)
{
    open("mixed.rtf", kMixedRtf);
    QComboBox *box = form->FontNameComboBox;
    for (int i = 0; i < box->count(); ++i)
        EXPECT_FALSE(box->itemText(i).startsWith(u'@')) << box->itemText(i).toStdString();
    const int gothic = box->findText(QStringLiteral("IPAPGothic"));
    ASSERT_GE(gothic, 0);
    select(0, 2);
    box->setCurrentIndex(gothic);
    emit box->activated(gothic);
    const TTextAttributes a = attributesAt(0);
    EXPECT_EQ(a.Name, QStringLiteral("IPAPGothic"));
    EXPECT_EQ(a.Charset, 128);
    EXPECT_TRUE(form->RichEdit->hasFocus() || !form->isActiveWindow());

    // A Windows face keeps its name in the file.
    const int mincho = box->findText(u8("ＭＳ Ｐ明朝"));
    ASSERT_GE(mincho, 0);
    select(6, 2);
    box->setCurrentIndex(mincho);
    emit box->activated(mincho);
    EXPECT_EQ(attributesAt(6).Name, u8("ＭＳ Ｐ明朝"));
    EXPECT_NE(rtf().find("\\'82\\'6c\\'82\\'72 \\'82\\'6f\\'96\\'be\\'92\\'a9"), std::string::npos) << rtf();
}

TEST_F(CharFormatTest, FontDialogInRichTextMode)
{
    open("mixed.rtf", kMixedRtf);
    const std::string before = rtf();
    QFont seen;
    form->ExecFontDialog = [&](QFontDialog &dialog) {
        seen = dialog.currentFont();
        return false;
    };
    select(6, 2); // the red run
    form->FontButton->trigger();
    EXPECT_EQ(seen.pointSize(), 12);
    EXPECT_EQ(rtf(), before) << "a cancelled dialog changes nothing";
    EXPECT_FALSE(form->RichEdit->Modified());

    struct Case {
        const char *face;
        bool bold;
        int charset;
    } cases[] = {{"DejaVu Sans", true, 1}, {"IPAMincho", false, 128}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.face);
        form->ExecFontDialog = [&](QFontDialog &dialog) {
            QFont f(QString::fromLatin1(c.face));
            f.setPointSize(18);
            f.setBold(c.bold);
            dialog.setCurrentFont(f);
            return true;
        };
        select(6, 2);
        form->OptionFontMenu->trigger();
        const TTextAttributes a = attributesAt(6);
        EXPECT_EQ(a.Name, QString::fromLatin1(c.face));
        EXPECT_EQ(a.Size, 18);
        EXPECT_EQ(a.Style, c.bold ? TFontStyles(fsBold) : TFontStyles(0));
        EXPECT_EQ(a.Charset, c.charset);
        EXPECT_EQ(a.Color, TColor(0x0000FF)) << "the selection keeps its colour";
    }

    // The substitute the dialog shows for a Windows face does not rename it.
    form->ExecFontDialog = [&](QFontDialog &) { return true; };
    select(4, 2);
    form->OptionFontMenu->trigger();
    EXPECT_EQ(attributesAt(4).Name, u8("ＭＳ 明朝"));
}

TEST_F(CharFormatTest, FontKeyInTextModeSetsTheWholeEditorsFont)
{
    open("plain.txt", "one\r\ntwo\r\n");
    int shown = 0;
    form->ExecFontDialog = [&](QFontDialog &dialog) {
        ++shown;
        QFont f(QStringLiteral("IPAGothic"));
        f.setPointSize(20);
        dialog.setCurrentFont(f);
        return true;
    };
    select(0, 1);
    QTest::keyClick(form->RichEdit, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(shown, 1);
    for (int pos : {0, 2, 5, 7}) {
        EXPECT_EQ(attributesAt(pos).Size, 20) << pos;
        EXPECT_EQ(attributesAt(pos).Name, QStringLiteral("IPAGothic")) << pos;
    }
    EXPECT_EQ(form->RichEdit->font().pointSize(), 20);
    EXPECT_FALSE(form->RichEdit->Modified()) << "a text document stores no font";
}

TEST_F(CharFormatTest, ReadOnlyDocumentTakesNoFormats)
{
    open("mixed.rtf", kMixedRtf, true);
    const std::string before = rtf();
    select(0, 4);
    form->BoldButton->trigger();
    form->FontSizeMenu->actions().first()->trigger();
    emit form->FontNameComboBox->activated(0);
    EXPECT_EQ(rtf(), before);
    EXPECT_FALSE(form->RichEdit->Modified());
}

} // namespace

namespace {

TEST_F(CharFormatTest, RightPressOnTheSizeButtonLeavesItsMenu)
{
    open("mixed.rtf", kMixedRtf);
    form->Options->ShowFontName = false;
    form->ApplyToolbarVisibility();
    form->resize(1400, form->height()); // the whole toolbar in view
    velmo::testing::settle(*form);
    QWidget *button = form->FormatsToolbar->widgetForAction(form->FontSizeButton);
    ASSERT_TRUE(button && button->isVisible());
    QAction *twenty = nullptr;
    for (QAction *a : form->FontSizeMenu->actions())
        if (a->text() == QLatin1String("20"))
            twenty = a;
    ASSERT_TRUE(twenty);
    twenty->setChecked(true);
    select(0, 1); // 12 points
    QTest::mouseClick(button, Qt::RightButton, {}, QPoint(4, 4));
    EXPECT_FALSE(form->FontSizeMenu->isVisible());
    EXPECT_TRUE(twenty->isChecked());
}

} // namespace
