// Find and replace: the finder's character boundaries and flags, the dialog's ranges,
// histories and replacements, and the window's commands.
#include "app/mainformfixture.h"
#include "editor/extmemo.h"
#include "editor/richedit.h"
#include "platform/cp932codec.h"
#include "doubles/scriptedprompts.h"
#include "search/findform.h"
#include "search/searchtexts.h"
#include "search/textfinder.h"
#include "settings/findsettings.h"
#include "settings/teoption.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

namespace velmo {
namespace {

using testing::u8;

QString notFound(const QString &needle)
{
    return u8(searchtexts::kNotFoundFormat).replace("%s", needle);
}

// Matches start and end on whole characters and are as long as the bytes they cover.
TEST(TextFinderTest, MatchesWholeCharactersAndTheFlags)
{
    struct Case {
        const char *text, *needle;
        unsigned flags;
        int hit, end;
    } const cases[] = {
        {"ア", "A", FR_MATCHCASE, -1, -1},          // ア is 83 41
        {"アA", "A", FR_MATCHCASE, 2, 3},
        {"ア", "ヂ", 0, -1, -1},                    // ヂ is 83 61: not ア with case ignored
        {"今日本語", "日本", FR_MATCHCASE, 2, 6},
        {"xABCx", "abc", 0, 1, 4},
        {"xABCx", "abc", FR_MATCHCASE, -1, -1},
        {"abc ab", "ab", FR_WHOLEWORD | FR_MATCHCASE, 4, 6},
        {"日本語、日本。", "日本", FR_WHOLEWORD | FR_MATCHCASE, 8, 12},
        {"ｶﾅab\r\nab", "AB", FR_WHOLEWORD, 6, 8},  // half-width kana are letters; a line end is not
        {"ａｂｃ", "ＡＢＣ", 0, 0, 6},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.needle);
        TRichEdit edit;
        edit.SetText(u8(c.text));
        TTextFinder finder(edit);
        int end = -2;
        EXPECT_EQ(finder.Find(u8(c.needle), 0, -1, c.flags, &end), c.hit);
        EXPECT_EQ(end, c.end);
    }
}

TEST(TextFinderTest, RangesAreBytesAndTheTextIsReadAgainAfterAnEdit)
{
    TRichEdit edit;
    edit.SetText(u8("日本と日本"));
    TTextFinder finder(edit);
    EXPECT_EQ(finder.Find(u8("日本"), 1, -1, FR_MATCHCASE), 6); // from inside 日: the next character on
    EXPECT_EQ(finder.Find(u8("日本"), 6, 9, FR_MATCHCASE), -1); // would end past the range
    edit.SetSelStart(0);
    edit.SetSelText(u8("x"));
    EXPECT_EQ(finder.Find(u8("日本"), 0, -1, FR_MATCHCASE), 1);
}

// Range 2: the last occurrence wholly before the caret, scanning forward without overlap.
TEST(TextFinderTest, BackwardRangeScansForwardWithoutOverlap)
{
    struct Case {
        const char *text, *needle;
        int before, hit;
    } const cases[] = {
        {"aaaa", "aa", 4, 2}, {"aaa", "aa", 3, 0}, {"xaab", "aa", 2, -1}, // straddles the caret
        {"aaaa", "aa", 0, -1}, {"あいあい", "あい", 8, 4}, {"あいあい", "あい", 7, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.text) + " before " + std::to_string(c.before));
        TRichEdit edit;
        edit.SetText(u8(c.text));
        TTextFinder finder(edit);
        EXPECT_EQ(finder.FindLastBefore(u8(c.needle), c.before, FR_MATCHCASE), c.hit);
    }
}

class FindFormTest : public ::testing::Test {
protected:
    void SetUp() override { edit.SetWordWrap(false); }
    TFindForm *open(const QString &text)
    {
        edit.SetText(text);
        edit.SetSelStart(0);
        TFindHost host;
        host.edit = &edit;
        host.prompts = &prompts;
        host.settings = &settings;
        host.showStatus = [this](const QString &t) { statusLog << t; };
        host.restoreStatus = [this] { statusLog << "name"; };
        form = new TFindForm(host, nullptr);
        return form;
    }
    void TearDown() override { delete form.data(); }
    QString selected() const { return edit.SelText(); }
    std::vector<QString> messageTexts() const
    {
        std::vector<QString> out;
        for (const auto &r : prompts.messages())
            out.push_back(r.text);
        return out;
    }

    TRichEdit edit;
    ScriptedPrompts prompts;
    TFindSettings settings;
    QPointer<TFindForm> form;
    QStringList statusLog;
};

TEST_F(FindFormTest, WholeDocumentThenForwardWithoutWrapping)
{
    settings.FindHistory = {u8("日本")};
    open(u8("日本と日本\r\nと日本"));
    EXPECT_EQ(form->FindComboBox->currentText(), u8("日本"));
    form->FindButtonClick();
    EXPECT_EQ(edit.SelStart(), 0);
    EXPECT_EQ(edit.SelLength(), 4);
    EXPECT_EQ(form->RangeIndex(), 1);
    EXPECT_EQ(statusLog, (QStringList{u8(searchtexts::kSearching), "name"}));
    form->FindButtonClick();
    EXPECT_EQ(edit.SelStart(), 6);
    form->FindButtonClick();
    EXPECT_EQ(edit.SelStart(), 14);
    EXPECT_TRUE(prompts.messages().empty());
    form->FindButtonClick(); // no wrap: the message, and the hit stays selected
    EXPECT_EQ(messageTexts(), std::vector<QString>{notFound(u8("日本"))});
    EXPECT_EQ(prompts.messages()[0].owner, form.data()); // above the dialog, not behind it
    EXPECT_EQ(edit.SelStart(), 14);
    EXPECT_EQ(edit.SelLength(), 4);
}

TEST_F(FindFormTest, BackwardWalksHitByHitAndStopsAtTheStart)
{
    open("ab ab ab");
    form->FindComboBox->setEditText("ab");
    form->SetRangeIndex(2);
    edit.SetSelStart(8);
    for (int expected : {6, 3, 0}) {
        form->FindButtonClick();
        EXPECT_EQ(edit.SelStart(), expected);
        EXPECT_EQ(form->RangeIndex(), 2);
    }
    form->FindButtonClick();
    EXPECT_EQ(messageTexts(), std::vector<QString>{notFound("ab")});
}

TEST_F(FindFormTest, HistoriesKeepOneEntryRegardlessOfCaseAndTheReplacementEvenWhenNotReplacing)
{
    settings.FindHistory = {"x", "abc"};
    open("ABC abc");
    form->FindComboBox->setEditText("ABC");
    form->ReplaceComboBox->setEditText(u8("置換"));
    form->FindButtonClick();
    form->FindComboBox->setEditText(""); // an empty text enters nothing and searches nothing
    form->FindButtonClick();
    EXPECT_EQ(edit.Text(), "ABC abc");
    EXPECT_TRUE(prompts.messages().empty());
    form->CloseButtonClick();
    EXPECT_EQ(settings.FindHistory, (QStringList{"ABC", "x"}));
    EXPECT_EQ(settings.ReplaceHistory, QStringList{u8("置換")});
    EXPECT_EQ(settings.Range, 1);
    EXPECT_EQ(settings.Dialog, nullptr);
}

TEST_F(FindFormTest, ReopensWhereAndAsItWasClosed)
{
    open("abc");
    form->move(123, 45);
    form->show();
    form->SetRangeIndex(2);
    form->WordCheckBox->setChecked(true);
    form->CaseCheckBox->setChecked(false);
    form->ReplaceCheckBox->setChecked(true);
    form->QueryCheckBox->setChecked(false);
    form->CloseButtonClick();
    EXPECT_EQ(settings.DialogLeft, 123);
    EXPECT_EQ(settings.DialogTop, 45);
    delete form.data();

    open("abc");
    EXPECT_EQ(form->frameGeometry().topLeft(), QPoint(123, 45));
    EXPECT_EQ(form->RangeIndex(), 2);
    EXPECT_TRUE(form->WordCheckBox->isChecked());
    EXPECT_FALSE(form->CaseCheckBox->isChecked());
    EXPECT_FALSE(form->QueryCheckBox->isChecked());
    EXPECT_FALSE(form->ReplaceCheckBox->isChecked()); // unticked on every opening
    EXPECT_FALSE(form->QueryCheckBox->isEnabled());
    EXPECT_EQ(settings.Dialog, form.data());
}

TEST_F(FindFormTest, ReplacingEachOccurrenceEndsWithTheNotFoundMessage)
{
    open("a-a-a");
    form->FindComboBox->setEditText("a");
    form->ReplaceCheckBox->setChecked(true);
    form->ReplaceComboBox->setEditText("aa");
    form->QueryCheckBox->setChecked(false);
    int executes = 0;
    while (prompts.messages().empty() && executes < 20) {
        form->FindButtonClick();
        ++executes;
    }
    EXPECT_EQ(executes, 4);
    EXPECT_EQ(edit.Text(), "aa-aa-aa");
    EXPECT_EQ(messageTexts(), std::vector<QString>{notFound("a")});
}

TEST_F(FindFormTest, ConfirmationAnswers)
{
    open(u8("猫と猫と猫"));
    form->FindComboBox->setEditText(u8("猫"));
    form->ReplaceCheckBox->setChecked(true);
    form->ReplaceComboBox->setEditText(u8("犬ね"));
    ASSERT_TRUE(form->QueryCheckBox->isChecked());

    prompts.answer(PromptResult::No);
    form->FindButtonClick();
    EXPECT_EQ(selected(), u8("猫"));
    EXPECT_EQ(edit.SelStart(), 0);
    prompts.answer(PromptResult::Yes);
    form->FindButtonClick(); // the following occurrence
    EXPECT_EQ(edit.Text(), u8("猫と犬ねと猫"));
    EXPECT_EQ(edit.SelStart(), 4); // the inserted text is selected
    EXPECT_EQ(edit.SelLength(), 4);
    const auto asked = prompts.messages();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, u8(searchtexts::kReplaceQuestionFormat).replace(u8("\"%s\"を\"%s\""), u8("\"猫\"を\"犬ね\"")));
    EXPECT_EQ(asked[0].buttons, PromptButtons::YesNoCancel);
    EXPECT_EQ(asked[0].icon, PromptIcon::None);

    form->show();
    prompts.answer(PromptResult::Cancel);
    form->FindButtonClick();
    EXPECT_EQ(edit.Text(), u8("猫と犬ねと猫"));
    EXPECT_EQ(selected(), u8("猫"));
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(settings.Dialog, nullptr);
}

// A document that refuses the replacement stays as it was, and executes still move on.
TEST_F(FindFormTest, ReadOnlyOrFullDocumentIsNotChangedAndTheSearchMovesOn)
{
    for (bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly ? "read-only" : "length limit");
        prompts.clear();
        delete form.data();
        open(u8("あaあa"));
        const std::string before = edit.TextBytes();
        if (readOnly)
            edit.SetReadOnly(true);
        else
            edit.SetMaxLength(int(before.size()) + 1);
        form->FindComboBox->setEditText("a");
        form->ReplaceCheckBox->setChecked(true);
        form->ReplaceComboBox->setEditText("aaa");
        form->QueryCheckBox->setChecked(false);
        int executes = 0;
        while (prompts.messages().empty() && executes < 10) {
            form->FindButtonClick();
            ++executes;
        }
        EXPECT_EQ(executes, 3);
        EXPECT_EQ(edit.TextBytes(), before);
        EXPECT_EQ(messageTexts(), std::vector<QString>{notFound("a")});
        edit.SetReadOnly(false);
        edit.SetMaxLength(0);
    }
}

// --- through the window ---

class FindWindowTest : public testing::MainFormFixture {
protected:
    std::unique_ptr<TMainForm> open()
    {
        writeSettings();
        const QString path = dir.filePath("doc.txt");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(cp932::encode(u"猫と犬\r\n犬と猫\r\n").bytes.c_str());
        file.close();
        auto form = start({path});
        testing::settle(*form);
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
        form->RichEdit->setFocus();
        return form;
    }
    static TFindForm *dialogOf(TMainForm &form) { return qobject_cast<TFindForm *>(form.Options->FindSettings.Dialog); }
};

TEST_F(FindWindowTest, CtrlFAndCtrlROpenOneToolDialogAndF3SearchesForward)
{
    auto form = open();
    EXPECT_TRUE(form->SearchFindMenu->isEnabled());
    EXPECT_TRUE(form->SearchFindNextMenu->isEnabled());
    QTest::keyClick(form->RichEdit, Qt::Key_F, Qt::ControlModifier);
    TFindForm *dialog = dialogOf(*form);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->parentWidget(), form.get());
    EXPECT_TRUE(dialog->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(dialog->windowType(), Qt::Tool);
    EXPECT_FALSE(dialog->ReplaceCheckBox->isChecked());
    EXPECT_FALSE(dialog->ReplaceComboBox->isEnabled());

    form->RichEdit->setFocus();
    QTest::keyClick(form->RichEdit, Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(dialogOf(*form), dialog); // the same dialog, now for replacing
    EXPECT_TRUE(dialog->ReplaceCheckBox->isChecked());
    EXPECT_TRUE(dialog->ReplaceComboBox->isEnabled());
    dialog->ReplaceCheckBox->setChecked(false);
    dialog->FindComboBox->setEditText(u8("猫"));
    dialog->FindButtonClick();
    EXPECT_EQ(form->RichEdit->SelStart(), 0);
    dialog->CloseButtonClick();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(dialogOf(*form), nullptr);
    EXPECT_EQ(form->StatusPanels[3]->text(), form->FileNameText);

    // F3 with the dialog closed opens it with the newest entry and finds the next one.
    QTest::keyClick(form.get(), Qt::Key_F3);
    dialog = dialogOf(*form);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(dialog->FindComboBox->currentText(), u8("猫"));
    EXPECT_EQ(form->RichEdit->SelStart(), 12);
    EXPECT_EQ(form->RichEdit->SelLength(), 2);
}

TEST_F(FindWindowTest, ClosingTheWindowClosesTheDialogAndWritesItBack)
{
    auto form = open();
    form->SearchFindMenuClick();
    QPointer<TFindForm> dialog = dialogOf(*form);
    ASSERT_TRUE(dialog);
    dialog->FindComboBox->setEditText(u8("犬"));
    dialog->WordCheckBox->setChecked(true);
    ASSERT_TRUE(form->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
    EXPECT_TRUE(form->Options->FindSettings.WholeWord);
    EXPECT_EQ(form->Options->FindSettings.Dialog, nullptr);
    form.reset();
}

TEST_F(FindWindowTest, DestroyingTheWindowWithTheDialogOpenTakesTheDialogAlong)
{
    auto form = open();
    form->SearchFindMenuClick();
    QPointer<TFindForm> dialog = dialogOf(*form);
    ASSERT_TRUE(dialog);
    form.reset();
    EXPECT_TRUE(dialog.isNull());
}

} // namespace
} // namespace velmo
