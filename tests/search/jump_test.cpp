// The go-to dialog: where the caret lands, what the fields and histories keep, and the
// window's ways of opening it.
#include "app/mainformfixture.h"
#include "editor/extmemo.h"
#include "editor/richedit.h"
#include "doubles/scriptedprompts.h"
#include "search/jump.h"
#include "search/searchtexts.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace velmo {
namespace {

using testing::u8;

class JumpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        edit.SetWordWrap(false);
        // Lines: "abc", "あいう", "x", "" (the text ends with a line end).
        edit.SetText(u8("abc\r\nあいう\r\nx\r\n"));
        edit.SetSelStart(0);
    }
    TJumpHost host()
    {
        TJumpHost h;
        h.edit = &edit;
        h.prompts = &prompts;
        h.lineHistory = &lines;
        h.columnHistory = &columns;
        h.showStatus = [this](const QString &text) { status = text; };
        h.restoreStatus = [this] { status = u8("name"); };
        return h;
    }
    // Types line and column into a fresh dialog and presses OK; true when it closed.
    bool jump(const QString &line, const QString &column)
    {
        TJumpForm form(host());
        form.LineComboBox->setEditText(line);
        form.ColComboBox->setEditText(column);
        form.OkButtonClick();
        return form.result() == QDialog::Accepted;
    }

    TRichEdit edit;
    ScriptedPrompts prompts;
    QStringList lines, columns;
    QString status;
};

// Line from 1, column in bytes from 0; out-of-range values land inside the document and
// the fields (and so the histories) say where the caret went.
TEST_F(JumpTest, LandsOnTheLineAndByteColumn)
{
    struct Case {
        const char *line, *column;
        int caret;
        const char *lineKept, *columnKept;
    } const cases[] = {
        {"2", "0", 5, "2", "0"},
        {"2", "2", 7, "2", "2"},      // after あ
        {"2", "1", 5, "2", "0"},      // inside あ: before it
        {"2", "4", 9, "2", "4"},
        {"2", "99", 11, "2", "6"},    // past the end: the end of the line
        {"1", "-3", 0, "1", "0"},
        {"0", "1", 1, "1", "1"},      // before the first line: the first
        {"-7", "0", 0, "1", "0"},
        {"99", "5", 16, "4", "0"},    // past the last line: the last (empty) one
        {" 3 ", "1", 14, "3", "1"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.line) + " / " + c.column);
        lines.clear();
        columns.clear();
        edit.SetSelStart(3);
        ASSERT_TRUE(jump(QString::fromUtf8(c.line), QString::fromUtf8(c.column)));
        EXPECT_EQ(edit.SelStart(), c.caret);
        EXPECT_EQ(edit.SelLength(), 0);
        EXPECT_EQ(lines, QStringList{c.lineKept});
        EXPECT_EQ(columns, QStringList{c.columnKept});
    }
    EXPECT_TRUE(prompts.messages().empty());
}

TEST_F(JumpTest, ATextThatIsNoIntegerKeepsTheDialogCaretAndHistories)
{
    lines = {"1"};
    columns = {"0"};
    edit.SetSelStart(7);
    for (auto [line, column, shown] : {std::tuple{"2x", "0", "2x"}, {"2", "", ""}, {"", "1", ""}}) {
        SCOPED_TRACE(line);
        prompts.clear();
        TJumpForm form(host());
        form.LineComboBox->setEditText(u8(line));
        form.ColComboBox->setEditText(u8(column));
        form.OkButtonClick();
        EXPECT_NE(form.result(), QDialog::Accepted);
        const auto shownMessages = prompts.messages();
        ASSERT_EQ(shownMessages.size(), 1u);
        EXPECT_EQ(shownMessages[0].kind, ScriptedPrompts::Kind::Error);
        EXPECT_EQ(shownMessages[0].text, u8(searchtexts::kNotIntegerFormat).replace("%s", u8(shown)));
        EXPECT_EQ(edit.SelStart(), 7);
        EXPECT_EQ(lines, QStringList{"1"});
        EXPECT_EQ(columns, QStringList{"0"});
    }
}

TEST_F(JumpTest, OpensAtTheCaretWithTheHistoriesAndBoundedSpinners)
{
    lines = {"3", "1"};
    columns = {"4"};
    edit.SetSelStart(14); // line 3, column 1
    TJumpForm form(host());
    EXPECT_EQ(form.LineComboBox->currentText(), "3");
    EXPECT_EQ(form.ColComboBox->currentText(), "1");
    EXPECT_EQ(form.LineComboBox->count(), 2);
    EXPECT_EQ(form.ColComboBox->itemText(0), "4");

    // The line spinner stops at the line count + 1, the column spinner at 32767.
    form.LineComboBox->setEditText("4");
    form.LineUpDown->StepBy(1);
    form.LineUpDown->StepBy(1);
    EXPECT_EQ(form.LineComboBox->currentText(), "5");
    form.LineUpDown->StepBy(-9);
    EXPECT_EQ(form.LineComboBox->currentText(), "1");
    form.ColComboBox->setEditText("32766");
    form.ColUpDown->StepBy(3);
    EXPECT_EQ(form.ColComboBox->currentText(), "32767");
    form.ColUpDown->SetPosition(50000);
    EXPECT_EQ(form.ColComboBox->currentText(), "32767"); // no thousands separator either
}

TEST_F(JumpTest, TopAndBottomMoveAtOnceAndCancelKeepsThemAndTheHistories)
{
    lines = {"2"};
    edit.SetSelStart(7);
    {
        TJumpForm form(host());
        form.show();
        EXPECT_EQ(status, u8(searchtexts::kJumpStatus));
        form.ToBottomButtonClick();
        EXPECT_EQ(edit.SelStart(), edit.GetTextLength());
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.LineComboBox->currentText(), "4"); // the empty last line
        EXPECT_EQ(form.ColComboBox->currentText(), "0");
        form.ToTopButtonClick();
        EXPECT_EQ(edit.SelStart(), 0);
        EXPECT_EQ(form.LineComboBox->currentText(), "1");
        form.ToBottomButtonClick();
        form.CancelButton->click();
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(status, "name");
    }
    EXPECT_EQ(edit.SelStart(), edit.GetTextLength());
    EXPECT_EQ(lines, QStringList{"2"});
    EXPECT_TRUE(columns.isEmpty());
}

TEST_F(JumpTest, JumpingToTheSameLineTwiceKeepsOneEntryOnTop)
{
    ASSERT_TRUE(jump("2", "0"));
    ASSERT_TRUE(jump("3", "1"));
    ASSERT_TRUE(jump("2", "2"));
    EXPECT_EQ(lines, (QStringList{"2", "3"}));
    EXPECT_EQ(columns, (QStringList{"2", "1", "0"}));
}

// --- through the window ---

class JumpWindowTest : public testing::MainFormFixture {
protected:
    std::unique_ptr<TMainForm> open()
    {
        writeSettings();
        const QString path = dir.filePath("doc.txt");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("one\r\n\x82\xa0\x82\xa2\r\nthree\r\n"); // "あい" on line 2
        file.close();
        auto form = start({path});
        testing::settle(*form);
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
        return form;
    }
    // Runs trigger, which should open the modal dialog; act on it, then close it with OK.
    static TJumpForm *whileOpen(const std::function<void()> &trigger, const std::function<void(TJumpForm &)> &act)
    {
        TJumpForm *seen = nullptr;
        QTimer timer; // goes with this call even when no dialog comes
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            seen = qobject_cast<TJumpForm *>(QApplication::activeModalWidget());
            if (!seen)
                return;
            act(*seen);
            seen->OkButtonClick();
        });
        timer.start(0);
        trigger();
        return seen;
    }
};

TEST_F(JumpWindowTest, CtrlJMovesTheCaretAndTheStatusBarFollows)
{
    auto form = open();
    EXPECT_TRUE(form->SearchJumpMenu->isEnabled());
    EXPECT_TRUE(form->JumpButton->isEnabled());
    QString statusWhileOpen;
    TJumpForm *dialog = whileOpen([&] { QTest::keyClick(form.get(), Qt::Key_J, Qt::ControlModifier); },
                                  [&](TJumpForm &d) {
                                      statusWhileOpen = form->StatusPanels[3]->text();
                                      EXPECT_EQ(d.windowTitle(), u8(searchtexts::kJumpCaption));
                                      d.LineComboBox->setEditText("2");
                                      d.ColComboBox->setEditText("3"); // inside い
                                  });
    ASSERT_TRUE(dialog);
    EXPECT_EQ(statusWhileOpen, u8(searchtexts::kJumpStatus));
    EXPECT_EQ(form->StatusPanels[3]->text(), form->FileNameText);
    EXPECT_EQ(form->RichEdit->SelStart(), 7);
    EXPECT_EQ(form->RichEdit->GetRow(), 1);
    EXPECT_EQ(form->RichEdit->GetColumn(), 2);
}

TEST_F(JumpWindowTest, APressOnThePositionPanelOpensTheDialogAboveIt)
{
    auto form = open();
    QRect placed;
    const int x = form->StatusPanelWidth(0) / 2;
    TJumpForm *dialog = whileOpen(
        [&] {
            const QPointF at(x, form->StatusPanelStrip->height() / 2);
            QMouseEvent press(QEvent::MouseButtonPress, at, form->StatusPanelStrip->mapToGlobal(at), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(form->StatusPanelStrip, &press);
        },
        [&](TJumpForm &d) {
            placed = d.frameGeometry();
            d.LineComboBox->setEditText("3");
            d.ColComboBox->setEditText("0");
        });
    ASSERT_TRUE(dialog);
    EXPECT_EQ(placed.left(), form->StatusPanelStrip->mapToGlobal(QPoint(x, 0)).x());
    EXPECT_LT(placed.bottom(), form->StatusBar->mapToGlobal(QPoint(0, 0)).y());
    EXPECT_EQ(form->RichEdit->GetRow(), 2);
}

} // namespace
} // namespace velmo
