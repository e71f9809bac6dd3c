// The main window's word-wrap values applied through the editor's layout functions: no
// wrapping, wrapping at the window's edge, wrapping at the page width.
#include "editor/editlayout.h"
#include "editor/extmemo.h"

#include <QFontMetrics>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

struct Window : ::testing::Test {
    QScrollArea scrollBox;
    QWidget *backPanel = new QWidget;
    TExtMemo *editor = new TExtMemo;
    TEditAreaHost host;
    void SetUp() override
    {
        auto *layout = new QVBoxLayout(backPanel);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(editor);
        scrollBox.setWidget(backPanel);
        scrollBox.setWidgetResizable(true);
        scrollBox.setFrameShape(QFrame::NoFrame);
        scrollBox.resize(500, 300);
        scrollBox.show();
        ConfigureEditorWindowControl(*editor);
        editor->SetText(QString(300, QChar(u'あ')));
        host = {editor, &scrollBox, backPanel};
    }
};

TEST_F(Window, TheThreeWordWrapValues)
{
    const int overflow = editor->EditArea().OverFlow();

    ApplyWordWrap(host, wwWindow, kScreenTextWidthWithoutPrinter);
    EXPECT_TRUE(editor->WordWrap());
    EXPECT_EQ(editor->EditArea().Width(), editor->contentsRect().width() - 10 - overflow);
    EXPECT_EQ(editor->GetEditRect().right, editor->contentsRect().width());
    EXPECT_EQ(scrollBox.horizontalScrollBar()->maximum(), 0);
    const int windowLines = editor->GetLineCount();
    EXPECT_GT(windowLines, 1);

    // The page width: wider than the window, so the scroll box scrolls sideways.
    ApplyWordWrap(host, wwPage, kScreenTextWidthWithoutPrinter);
    EXPECT_EQ(editor->EditArea().Width(), 792);
    EXPECT_EQ(editor->width(), 792 + 10 + overflow);
    EXPECT_GT(scrollBox.horizontalScrollBar()->maximum(), 0);
    EXPECT_LT(editor->GetLineCount(), windowLines);
    EXPECT_EQ(editor->GetEditRect().right, 10 + 792 + overflow);

    // None: one line per paragraph; the editor scrolls sideways itself, the box does not.
    ApplyWordWrap(host, wwNone, kScreenTextWidthWithoutPrinter);
    EXPECT_FALSE(editor->WordWrap());
    EXPECT_EQ(editor->GetLineCount(), 1);
    EXPECT_EQ(editor->width(), scrollBox.viewport()->width());
    EXPECT_EQ(scrollBox.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(editor->horizontalScrollBarPolicy(), Qt::ScrollBarAsNeeded);

    // Switching the menu item on always means the window edge.
    ApplyWordWrap(host, WordWrapMenuValue(false), kScreenTextWidthWithoutPrinter);
    EXPECT_EQ(editor->GetLineCount(), windowLines);
    EXPECT_EQ(WordWrapMenuValue(true), wwNone);
}

TEST(EditLayout, OverflowAndCaretInView)
{
    TExtMemo editor;
    editor.resize(600, 300);
    editor.SetWordWrap(true);
    editor.EditArea().SetEnabled(true);
    editor.EditArea().Margin().SetLeft(10);
    editor.EditArea().SetWidth(400);
    // Every half-width letter of this face is half of its 16 pixels.
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(16);
    ASSERT_EQ(QFontMetrics(font).horizontalAdvance(QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ")), 52 * 8)
        << "fixture font missing";
    EXPECT_EQ(ApplyOverflowAllowance(editor, font), 8);
    // Three characters of room beyond the wrap width, in the rectangle the text is laid out in.
    EXPECT_EQ(editor.EditArea().OverFlow(), 24);
    EXPECT_EQ(editor.GetEditRect().right, 10 + 400 + 24);

    const struct {
        int caretX, clientWidth, position, expected;
    } cases[] = {
        {10, 400, 100, 80},  // 10 from the left edge: 20 to the left
        {30, 400, 100, 100}, // on the inner margin: stays
        {31, 400, 100, 100},
        {369, 400, 100, 100},
        {370, 400, 100, 100}, // at client width - 30 the rule applies and gives the same
        {390, 400, 100, 120},
        {10, 400, 0, -20},    // the bar clamps this to 0
    };
    for (const auto &c : cases)
        EXPECT_EQ(CaretScrollPosition(c.caretX, c.clientWidth, c.position), c.expected) << c.caretX;
}

} // namespace
