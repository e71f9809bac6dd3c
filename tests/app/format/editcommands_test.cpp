// The edit commands: delete line, paste rules and the clipboard's formats, date and time,
// and the enabling rules of the edit menu, the context menu and the toolbar.
#include "formatfixture.h"
#include "rtf/rtfreader.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace velmo;

namespace {

using velmo::testing::kMixedRtf;

class EditCommandsTest : public velmo::testing::FormatFixture {};

TEST_F(EditCommandsTest, CtrlYDeletesTheCaretsLine)
{
    struct Case {
        const char *text;
        int caret;
        const char *after;
    } cases[] = {
        {"one\r\ntwo\r\nthree", 1, "two\r\nthree"},
        {"one\r\ntwo\r\nthree", 6, "one\r\nthree"},
        // The last line without a line end goes whole.
        {"one\r\ntwo", 7, "one\r\n"},
        // An empty last line after a line end: nothing to delete.
        {"one\r\n", 5, "one\r\n"},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        open(QStringLiteral("lines%1.txt").arg(n++), c.text);
        form->RichEdit->SetSelStart(c.caret);
        QTest::keyClick(form->RichEdit, Qt::Key_Y, Qt::ControlModifier);
        EXPECT_EQ(form->RichEdit->Text(), QString::fromLatin1(c.after));
    }
    // And the same in rich text.
    open("lines.rtf", "{\\rtf1 one\\par two}");
    form->RichEdit->SetSelStart(5);
    QTest::keyClick(form->RichEdit, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(form->RichEdit->Text(), QStringLiteral("one\r\n"));
    EXPECT_TRUE(form->RichEdit->GetCanUndo());
}

TEST_F(EditCommandsTest, EnablingFollowsSelectionAndReadOnly)
{
    open("mixed.rtf", kMixedRtf, true);
    QApplication::clipboard()->setText(QStringLiteral("x"));
    select(0, 2);
    emit form->EditMenu->aboutToShow();
    emit form->PopupMenu->aboutToShow();
    struct Row {
        QAction *menu, *pop, *button;
    } rows[] = {{form->EditCutMenu, form->PopCutMenu, form->CutButton},
                {form->EditPasteMenu, form->PopPasteMenu, form->PasteButton},
                {form->EditDeleteMenu, form->PopDeleteMenu, form->DeleteButton}};
    for (const Row &r : rows) {
        SCOPED_TRACE(r.menu->objectName().toStdString());
        EXPECT_FALSE(r.menu->isEnabled()) << "the edit menu looks at read-only";
        EXPECT_TRUE(r.pop->isEnabled()) << "the context menu does not";
        EXPECT_FALSE(r.button->isEnabled());
    }
    EXPECT_TRUE(form->EditCopyMenu->isEnabled());
    EXPECT_TRUE(form->CopyButton->isEnabled());

    open("edit.rtf", kMixedRtf);
    select(0, 0);
    emit form->EditMenu->aboutToShow();
    EXPECT_FALSE(form->EditCutMenu->isEnabled());
    EXPECT_FALSE(form->EditCopyMenu->isEnabled());
    EXPECT_TRUE(form->EditPasteMenu->isEnabled());
    EXPECT_FALSE(form->CutButton->isEnabled());
    EXPECT_FALSE(form->SaveButton->isEnabled()) << "nothing to save";
    select(0, 3);
    EXPECT_TRUE(form->CutButton->isEnabled());
    EXPECT_TRUE(form->DeleteButton->isEnabled());
    form->DeleteButton->trigger();
    EXPECT_TRUE(form->SaveButton->isEnabled());
    EXPECT_TRUE(form->UndoButton->isEnabled());
    form->UndoButton->trigger();
    EXPECT_TRUE(form->RichEdit->Text().startsWith(QStringLiteral("abcd")));
}

// The paste button follows the clipboard without asking it on every keystroke: on the
// desktop each question is a round trip to the display server.
TEST_F(EditCommandsTest, PasteButtonFollowsTheClipboardWithoutAskingItOnEveryKey)
{
    struct CountingData : QMimeData {
        mutable int asked = 0;
        bool hasFormat(const QString &type) const override
        {
            ++asked;
            return QMimeData::hasFormat(type);
        }
        QStringList formats() const override
        {
            ++asked;
            return QMimeData::formats();
        }
    };
    open("keys.txt", "text");
    auto *data = new CountingData;
    data->setText(QStringLiteral("x"));
    QApplication::clipboard()->setMimeData(data);
    EXPECT_TRUE(form->PasteButton->isEnabled());
    data->asked = 0;
    QTest::keyClicks(form->RichEdit, QStringLiteral("abcde"));
    EXPECT_EQ(form->RichEdit->Text(), QStringLiteral("abcdetext"));
    EXPECT_EQ(data->asked, 0);

    // An empty clipboard, and the switch to rich text, are seen at once.
    QApplication::clipboard()->setMimeData(new QMimeData);
    EXPECT_FALSE(form->PasteButton->isEnabled());
    auto *rich = new QMimeData;
    rich->setData(QStringLiteral("text/rtf"), "{\\rtf1 x}");
    QApplication::clipboard()->setMimeData(rich);
    EXPECT_FALSE(form->PasteButton->isEnabled()) << "text mode pastes text only";
    form->RichEdit->SetPlainText(false);
    form->RichEdit->SetSelStart(1);
    EXPECT_TRUE(form->PasteButton->isEnabled());
}

TEST_F(EditCommandsTest, RichCopyCarriesTheProgramsRtf)
{
    open("mixed.rtf", kMixedRtf);
    select(2, 4); // bold italic "cd", then "ef" in the Windows face
    form->CopyButton->trigger();
    const QMimeData *data = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->text(), QStringLiteral("cdef"));
    ASSERT_TRUE(data->hasFormat(QStringLiteral("text/rtf")));
    const QByteArray bytes = data->data(QStringLiteral("text/rtf"));
    const rtf::ReadResult read = rtf::read(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    ASSERT_TRUE(read.ok());
    ASSERT_FALSE(read.document.paragraphs.empty());
    const auto &runs = read.document.paragraphs.front().runs;
    ASSERT_GE(runs.size(), 2u);
    EXPECT_TRUE(runs[0].format.bold);
    EXPECT_TRUE(runs[0].format.italic);
    EXPECT_EQ(runs[1].format.sizeHalfPoints, 40);

    // Pasting it elsewhere brings the formats along, through the program's own reader.
    form->RichEdit->SetSelStart(0);
    form->PasteButton->trigger();
    EXPECT_TRUE(form->RichEdit->Text().startsWith(QStringLiteral("cdefab")));
    EXPECT_EQ(attributesAt(0).Style, TFontStyles(fsBold | fsItalic));
    EXPECT_EQ(attributesAt(2).Size, 20);
}

TEST_F(EditCommandsTest, PasteRules)
{
    auto clipboard = [](const char *rtfText, const char *html, const char *text) {
        auto *data = new QMimeData;
        if (rtfText)
            data->setData(QStringLiteral("text/rtf"), rtfText);
        if (html)
            data->setHtml(QString::fromLatin1(html));
        data->setText(QString::fromLatin1(text));
        QApplication::clipboard()->setMimeData(data);
    };
    // Rich text prefers RTF, then HTML, then text.
    open("paste.rtf", "{\\rtf1 x}");
    clipboard("{\\rtf1 {\\i slanted}}", "<b>heavy</b>", "plain");
    form->RichEdit->SetSelStart(0);
    emit form->EditMenu->aboutToShow();
    form->EditPasteMenu->trigger();
    EXPECT_TRUE(form->RichEdit->Text().startsWith(QStringLiteral("slantedx")));
    EXPECT_EQ(attributesAt(0).Style, TFontStyles(fsItalic));
    clipboard(nullptr, "<b>heavy</b>", "plain");
    form->RichEdit->SetSelStart(0);
    emit form->EditMenu->aboutToShow();
    form->EditPasteMenu->trigger();
    EXPECT_TRUE(form->RichEdit->Text().startsWith(QStringLiteral("heavy")));
    EXPECT_EQ(attributesAt(0).Style, TFontStyles(fsBold));

    // Text mode takes the text only.
    open("paste.txt", "x");
    clipboard("{\\rtf1 {\\i slanted}}", "<b>heavy</b>", "plain");
    form->RichEdit->SetSelStart(0);
    emit form->PopupMenu->aboutToShow();
    form->PopPasteMenu->trigger();
    EXPECT_EQ(form->RichEdit->Text(), QStringLiteral("plainx"));
    EXPECT_EQ(attributesAt(0).Style, TFontStyles(0));
    // And its copies offer text only.
    select(0, 5);
    emit form->EditMenu->aboutToShow();
    form->EditCopyMenu->trigger();
    EXPECT_FALSE(QApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("text/rtf")));
    EXPECT_FALSE(QApplication::clipboard()->mimeData()->hasHtml());
}

TEST_F(EditCommandsTest, CtrlOAndCtrlWOpenTheOpenMenusAtTheEditor)
{
    open("keys.txt", "text");
    for (auto [key, menu] : {std::pair{Qt::Key_O, form->PopFileOpenMenu}, std::pair{Qt::Key_W, form->PopFileOpenNewMenu}}) {
        QTest::keyClick(form->RichEdit, key, Qt::ControlModifier);
        EXPECT_TRUE(velmo::testing::waitUntil([&] { return menu->isVisible(); }));
        EXPECT_EQ(menu->pos(), form->RichEdit->mapToGlobal(QPoint(0, 0)));
        menu->hide();
    }
    EXPECT_EQ(form->RichEdit->Text(), QStringLiteral("text"));
}

TEST_F(EditCommandsTest, DateAndTimeReplacesTheSelection)
{
    open("date.txt", "before middle after");
    select(7, 6);
    form->EditDateTimeMenu->trigger();
    const QRegularExpression stamp(QStringLiteral("^before \\d{4}/\\d{2}/\\d{2} \\d{2}:\\d{2} after$"));
    EXPECT_TRUE(stamp.match(form->RichEdit->Text()).hasMatch()) << form->RichEdit->Text().toStdString();
}

} // namespace
