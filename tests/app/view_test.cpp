// The editor inside the window: the three word-wrap values and the menu item, display
// profiles applied by the window, options applied on load and reload, the vertical bar.
#include "mainformfixture.h"

#include "editor/editlayout.h"
#include "editor/extmemo.h"
#include "settings/teoption.h"

#include <QAction>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QScrollArea>
#include <QScrollBar>
#include <QComboBox>
#include <QToolBar>

namespace velmo::testing {
namespace {

class ViewTest : public MainFormFixture {
protected:
    std::unique_ptr<TMainForm> open(const QString &settings = {})
    {
        writeSettings(settings);
        auto form = start();
        settle(*form);
        return form;
    }
    static void resizeTo(TMainForm &form, int width)
    {
        form.resize(width, 500);
        settle(form);
        QCoreApplication::processEvents();
    }
};

// Value 2 wraps at the page whatever the window's width (792 pixels without a printer);
// value 1 follows the window's edge; value 0 does not wrap.
TEST_F(ViewTest, WordWrapValuesSetTheWrapWidth)
{
    for (int value : {0, 1, 2}) {
        SCOPED_TRACE(value);
        auto form = open(QStringLiteral("[RichTextFonts]\r\nWordWrapMode=%1\r\n").arg(value));
        TExtMemo &editor = *form->RichEdit;
        EXPECT_EQ(editor.WordWrap(), value != 0);
        EXPECT_EQ(form->EditWordWrapMenu->isChecked(), value != 0);
        EXPECT_EQ(form->reScrollBox->horizontalScrollBarPolicy(),
                  value != 0 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
        std::vector<int> widths;
        for (int windowWidth : {600, 1000}) {
            resizeTo(*form, windowWidth);
            widths.push_back(editor.EditArea().Width());
            // A window narrower than the page scrolls sideways instead.
            if (value == 2 && windowWidth == 600)
                EXPECT_GT(form->reBackPanel->width(), form->reScrollBox->viewport()->width());
            if (value == 1)
                EXPECT_EQ(editor.EditArea().Width(), editor.contentsRect().width()
                                                         - editor.EditArea().Margin().Left()
                                                         - editor.EditArea().OverFlow());
        }
        if (value == 2)
            EXPECT_EQ(widths, (std::vector<int>{792, 792}));
        if (value == 1)
            EXPECT_GT(widths[1], widths[0]);
    }
}

// Switching the item on always means the window's edge, even when the profile held the page.
TEST_F(ViewTest, WordWrapMenuItemGivesNoneThenWindowEdge)
{
    auto form = open(QStringLiteral("[RichTextFonts]\r\nWordWrapMode=2\r\n"));
    form->EditWordWrapMenu->trigger();
    EXPECT_EQ(form->Options->RichTextProfile.WordWrapMode, 0);
    EXPECT_FALSE(form->RichEdit->WordWrap());
    EXPECT_FALSE(form->AlLeftButton->isEnabled());
    form->EditWordWrapMenu->trigger();
    EXPECT_EQ(form->Options->RichTextProfile.WordWrapMode, 1);
    EXPECT_TRUE(form->RichEdit->WordWrap());
    EXPECT_TRUE(form->EditWordWrapMenu->isChecked());
    EXPECT_TRUE(form->AlLeftButton->isEnabled());
    // The profile's value is what the settings file keeps.
    form->SaveSettings();
    EXPECT_EQ(read("RichTextFonts", "WordWrapMode"), "1");
}

// Applying a profile neither marks the document modified nor clears the mark, and leaves
// the ruler as it was.
TEST_F(ViewTest, ApplyDisplayProfileKeepsModifiedFlagAndRuler)
{
    auto form = open();
    form->RichEdit->SetText(u8("日本語"));
    for (bool modified : {false, true}) {
        for (bool ruler : {false, true}) {
            SCOPED_TRACE(QStringLiteral("modified %1 ruler %2").arg(modified).arg(ruler).toStdString());
            form->RichEdit->SetModified(modified);
            form->reRoolerPanel->setVisible(ruler);
            form->Options->RichTextProfile.Font.Style = fsBold;
            form->ApplyDisplayProfile();
            EXPECT_EQ(form->RichEdit->Modified(), modified);
            EXPECT_EQ(form->reRoolerPanel->isVisible(), ruler);
            EXPECT_TRUE(form->RichEdit->isVisible());
            EXPECT_TRUE(form->RichEdit->Font().bold());
        }
    }
}

// The settings file's profile reaches the editor: marks, background, and the overflow
// allowance of three average characters (a fixed-pitch face: one character's width).
TEST_F(ViewTest, LoadedProfileReachesTheEditor)
{
    auto form = open(u8("[Options]\r\nPlainText=1\r\n[TextModeFonts]\r\nFaceName=DejaVu Sans Mono\r\n"
                        "FontPitch=2\r\nCrLfOption=-1\r\nEotOption=2\r\nBackColor=255\r\n"));
    TExtMemo &editor = *form->RichEdit;
    ASSERT_TRUE(editor.PlainText());
    EXPECT_TRUE(editor.EditMarks().CrLf.Enabled);
    EXPECT_TRUE(editor.EditMarks().CrLf.Reversed);
    EXPECT_TRUE(editor.EditMarks().Eot.Enabled);
    EXPECT_FALSE(editor.EditMarks().Eot.Reversed);
    EXPECT_EQ(editor.Color(), 255);
    EXPECT_EQ(editor.Font().family(), "DejaVu Sans Mono");
    const int letter = QFontMetrics(form->DrawingFont).horizontalAdvance(QString(52, QLatin1Char('M'))) / 52;
    EXPECT_EQ(form->AverageCharWidth, letter);
    EXPECT_EQ(editor.EditArea().OverFlow(), 3 * letter);
}

// A reload (another window changed the settings) keeps this window's editing mode; the
// history is cut to the configured number of entries.
TEST_F(ViewTest, ReloadKeepsTheModeAndCutsTheHistory)
{
    auto form = open(u8("[Options]\r\nPlainText=1\r\n"));
    ASSERT_TRUE(form->RichEdit->PlainText());
    TProfileFile settings(ini());
    settings.WriteInteger("Options", "PlainText", 0);
    settings.WriteInteger("Options", "MaxHistoryItems", 2);
    for (int i = 0; i < 5; ++i)
        settings.WriteString("History", QString::number(i), dir.filePath(QStringLiteral("f%1.txt").arg(i)));
    form->LoadSettings(true);
    EXPECT_TRUE(form->RichEdit->PlainText());
    EXPECT_EQ(form->Options->History.Items.size(), 2);
    EXPECT_EQ(read("History", "2"), "<missing>");

    // A read-only document keeps its mode even when the options ask for the other one.
    form->RichEdit->setReadOnly(true);
    form->Options->PlainText = false;
    form->ApplyOptions(TMainForm::EditModeWay::Ask);
    EXPECT_TRUE(form->RichEdit->PlainText());
    form->RichEdit->setReadOnly(false);
    form->ApplyOptions(TMainForm::EditModeWay::Ask);
    EXPECT_FALSE(form->RichEdit->PlainText());
}

// Wrapping at the page in a narrower window: moving the caret scrolls the box sideways so
// that the caret stays inside it, and back to the left edge at the line's start.
TEST_F(ViewTest, CaretStaysInViewWhenThePageIsWiderThanTheWindow)
{
    auto form = open(QStringLiteral("[RichTextFonts]\r\nWordWrapMode=2\r\n"));
    resizeTo(*form, 500);
    form->RichEdit->SetText(QString(200, QChar(0x6F22)));
    QScrollBar *sideways = form->reScrollBox->horizontalScrollBar();
    ASSERT_GT(sideways->maximum(), 0);
    // The end of the first display line lies at the page's right edge.
    const int lineEnd = form->RichEdit->LineIndex(1) - 2;
    form->RichEdit->SetSelStart(lineEnd);
    EXPECT_GT(sideways->value(), 0);
    const QPoint caret = form->RichEdit->viewport()->mapTo(form->reScrollBox->viewport(),
                                                           form->RichEdit->cursorRect().topLeft());
    EXPECT_LT(caret.x(), form->reScrollBox->viewport()->width());
    form->RichEdit->SetSelStart(0);
    EXPECT_EQ(sideways->value(), 0);
}

// Button size and the formatting controls follow the settings: the open buttons are wider,
// the face and size boxes take the place of their buttons when face names are shown.
TEST_F(ViewTest, ToolbarFollowsButtonSizeAndFaceNameSetting)
{
    struct Case {
        int size;
        bool names;
        int openWidth, comboPixels;
    } cases[] = {{24, true, 33, 14}, {16, false, 22, 9}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.size);
        auto form = open(QStringLiteral("[Options]\r\nButtonSize=%1\r\nShowFontName=%2\r\n")
                             .arg(c.size).arg(int(c.names)));
        QWidget *openButton = form->Toolbar->widgetForAction(form->OpenButton);
        QWidget *newButton = form->Toolbar->widgetForAction(form->NewButton);
        QWidget *bold = form->FormatsToolbar->widgetForAction(form->BoldButton);
        EXPECT_EQ(openButton->size(), QSize(c.openWidth, c.size));
        EXPECT_EQ(newButton->size(), QSize(c.size, c.size));
        EXPECT_EQ(bold->size(), QSize(c.size, c.size));
        EXPECT_EQ(form->FontNameComboBox->height(), c.size);
        EXPECT_EQ(form->FontSizeComboBox->font().pixelSize(), c.comboPixels);
        EXPECT_EQ(form->FontButton->isVisible(), !c.names);
        EXPECT_EQ(form->FontNameComboBox->isVisibleTo(form.get()), c.names);
    }
    // Without the toolbar setting nothing of either toolbar shows.
    auto form = open(QStringLiteral("[Options]\r\nShowToolBar=0\r\n"));
    EXPECT_FALSE(form->Toolbar->isVisible());
    EXPECT_FALSE(form->FormatsToolbar->isVisible());
}

// The window's bar and the editor's own scroll together, whichever of them moves.
TEST_F(ViewTest, VerticalBarKeepsInStepWithTheEditor)
{
    auto form = open();
    QStringList lines;
    for (int i = 0; i < 400; ++i)
        lines << u8("行 %1").arg(i);
    form->RichEdit->SetText(lines.join(QStringLiteral("\r\n")));
    QScrollBar *inner = form->RichEdit->verticalScrollBar();
    ASSERT_TRUE(waitUntil([&] { return inner->maximum() > 0; }));
    EXPECT_EQ(form->VScrollBar->maximum(), inner->maximum());
    EXPECT_EQ(form->VScrollBar->pageStep(), inner->pageStep());
    form->VScrollBar->setValue(inner->maximum() / 2);
    EXPECT_EQ(inner->value(), inner->maximum() / 2);
    inner->setValue(inner->maximum());
    EXPECT_EQ(form->VScrollBar->value(), inner->maximum());
}

} // namespace
} // namespace velmo::testing
