// Paragraph formatting through the window: alignment keys, bullets, the indent panel's
// coupled bars and its layout, and the ruler.
#include "app/ruler.h"
#include "formatfixture.h"
#include "settings/teoption.h"

#include <QAction>
#include <QCheckBox>
#include <QImage>
#include <QMenu>
#include <QScrollArea>
#include <QSlider>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace velmo;

namespace {

using velmo::testing::kMixedRtf;
using velmo::testing::waitUntil;

class ParaFormatTest : public velmo::testing::FormatFixture {
protected:
    TParaAttributes paragraphAt(int pos)
    {
        form->RichEdit->SetSelStart(pos);
        return form->RichEdit->Paragraph();
    }
    void showIndentPanel()
    {
        QTest::keyClick(form->RichEdit, Qt::Key_I, Qt::ControlModifier);
        ASSERT_FALSE(form->IndentPanel->isHidden());
    }
};

TEST_F(ParaFormatTest, AlignmentKeysInRichTextOnly)
{
    open("mixed.rtf", kMixedRtf);
    form->RichEdit->SetSelStart(1);
    struct Case {
        Qt::Key key;
        TAlignment alignment;
        QAction *button;
    } cases[] = {{Qt::Key_C, TAlignment::taCenter, form->AlCenterButton},
                 {Qt::Key_R, TAlignment::taRightJustify, form->AlRightButton},
                 {Qt::Key_L, TAlignment::taLeftJustify, form->AlLeftButton}};
    for (const Case &c : cases) {
        QTest::keyClick(form->RichEdit, c.key, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(paragraphAt(1).Alignment, c.alignment);
        EXPECT_TRUE(c.button->isChecked());
    }
    EXPECT_TRUE(form->PopLeftMenu->isChecked());
    emit form->OptionAlMenu->aboutToShow();
    EXPECT_TRUE(form->OptionAlLeftMenu->isChecked());
    // The second paragraph is centred: the menu says so when it opens.
    form->RichEdit->SetSelStart(12);
    emit form->OptionAlMenu->aboutToShow();
    EXPECT_TRUE(form->OptionAlCenterMenu->isChecked());

    open("plain.txt", "text");
    form->SetAlignment(TAlignment::taCenter);
    EXPECT_EQ(form->RichEdit->Paragraph().Alignment, TAlignment::taLeftJustify);
    EXPECT_FALSE(form->RichEdit->Modified());
}

TEST_F(ParaFormatTest, BulletsToggle)
{
    open("mixed.rtf", kMixedRtf);
    form->RichEdit->SetSelStart(1);
    form->NumberingButton->trigger();
    EXPECT_EQ(paragraphAt(1).Numbering, TNumberingStyle::nsBullet);
    EXPECT_TRUE(form->OptionNumberingMenu->isChecked());
    EXPECT_TRUE(form->PopNumberingMenu->isChecked());
    EXPECT_TRUE(form->NumberingButton->isChecked());
    EXPECT_EQ(paragraphAt(12).Numbering, TNumberingStyle::nsNone);
    EXPECT_FALSE(form->NumberingButton->isChecked());
    form->RichEdit->SetSelStart(1);
    form->OptionNumberingMenu->trigger();
    EXPECT_EQ(paragraphAt(1).Numbering, TNumberingStyle::nsNone);
    EXPECT_FALSE(form->PopNumberingMenu->isChecked());
}

TEST_F(ParaFormatTest, IndentBarsCouple)
{
    open("plain.rtf", "{\\rtf1 one\\par two}");
    showIndentPanel();
    EXPECT_TRUE(form->OptionIndentMenu->isChecked());
    EXPECT_TRUE(form->SyncIndentCheckBox->isChecked());
    EXPECT_FALSE(form->SyncRightIndentCheckBox->isChecked());
    ASSERT_GE(form->TopIndentTrackBar->maximum(), 30);

    struct Case {
        bool sync, mirror;
        QSlider *TMainForm::*bar;
        int position;
        TParaAttributes expected;
    } cases[] = {
        {true, false, &TMainForm::TopIndentTrackBar, 20, {TAlignment::taLeftJustify, 20, 0, 0}},
        {true, true, &TMainForm::RightIndentTrackBar, -12, {TAlignment::taLeftJustify, 12, 0, 12}},
        {false, false, &TMainForm::LeftIndentTrackBar, 30, {TAlignment::taLeftJustify, 12, 18, 12}},
        {false, true, &TMainForm::TopIndentTrackBar, 5, {TAlignment::taLeftJustify, 5, 25, 5}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.position);
        form->SyncIndentCheckBox->setChecked(c.sync);
        form->SyncRightIndentCheckBox->setChecked(c.mirror);
        form->RichEdit->SetSelStart(1);
        // A drag to the position, as the user makes it.
        (form.get()->*c.bar)->setSliderPosition(c.position);
        EXPECT_EQ(paragraphAt(1), c.expected);
        EXPECT_EQ(paragraphAt(6), TParaAttributes{}) << "the other paragraph stays";
    }
    // Keys move a bar in steps of 10.
    form->SyncIndentCheckBox->setChecked(true);
    form->SyncRightIndentCheckBox->setChecked(false);
    form->RichEdit->SetSelStart(6);
    QTest::keyClick(form->TopIndentTrackBar, Qt::Key_Right);
    EXPECT_EQ(paragraphAt(6).FirstIndent, 10);
    EXPECT_TRUE(form->IndentButton->isChecked());
    // Esc in a control of the panel hides it.
    QTest::keyClick(form->TopIndentTrackBar, Qt::Key_Escape);
    EXPECT_TRUE(form->IndentPanel->isHidden());
    EXPECT_FALSE(form->OptionIndentMenu->isChecked());
}

TEST_F(ParaFormatTest, CaretWalkThroughAHangingParagraphChangesNothing)
{
    // The second paragraph has a first line 10 points in, the following lines at 0.
    open("mixed.rtf", kMixedRtf);
    const std::string before = rtf();
    showIndentPanel();
    form->RichEdit->SetSelStart(0);
    for (int i = 0; i < 24; ++i) {
        QTest::keyClick(form->RichEdit, Qt::Key_Right);
        const TParaAttributes p = form->RichEdit->Paragraph();
        SCOPED_TRACE(i);
        EXPECT_EQ(form->TopIndentTrackBar->value(), p.FirstIndent);
        EXPECT_EQ(form->LeftIndentTrackBar->value(), p.FirstIndent + p.LeftIndent);
    }
    EXPECT_EQ(paragraphAt(12).FirstIndent, 10);
    EXPECT_EQ(paragraphAt(12).LeftIndent, -10);
    form->RichEdit->SetSelStart(12);
    EXPECT_EQ(form->TopIndentTrackBar->value(), 10);
    EXPECT_EQ(form->LeftIndentTrackBar->value(), 0);
    EXPECT_FALSE(form->RichEdit->Modified());
    EXPECT_EQ(rtf(), before);
}

TEST_F(ParaFormatTest, ReadOnlyDocumentKeepsItsIndents)
{
    open("mixed.rtf", kMixedRtf, true);
    const std::string before = rtf();
    showIndentPanel();
    form->RichEdit->SetSelStart(1);
    form->TopIndentTrackBar->setSliderPosition(30);
    QTest::keyClick(form->RightIndentTrackBar, Qt::Key_Left);
    EXPECT_EQ(rtf(), before);
    EXPECT_EQ(form->TopIndentTrackBar->value(), 0);
    EXPECT_FALSE(form->RichEdit->Modified());
}

TEST_F(ParaFormatTest, PanelTooNarrowClosesItself)
{
    open("plain.rtf", "{\\rtf1 one}");
    showIndentPanel();
    // A large panel font leaves the bars no range: the panel closes instead.
    QFont big = form->IndentPanel->font();
    big.setPixelSize(120);
    form->IndentPanel->setFont(big);
    form->LayoutIndentPanel();
    EXPECT_TRUE(form->IndentPanel->isHidden());
    EXPECT_FALSE(form->OptionIndentMenu->isChecked());
    EXPECT_EQ(form->VScrollTopPanel->height(), 2);

    form->IndentPanel->setFont(QFont());
    showIndentPanel();
    // A narrow window with a wide text margin: the panel closes after the window's resize.
    form->RichEdit->EditArea().Margin().SetLeft(100);
    form->resize(200, form->height());
    EXPECT_TRUE(waitUntil([&] { return form->IndentPanel->isHidden(); }));
    EXPECT_FALSE(form->RichEdit->Modified());
}

TEST_F(ParaFormatTest, RulerScale)
{
    // Rich text at 96 dots per inch: a unit is 4 pixels, labels every 40 from "0mm".
    TRulerScale rich;
    rich.x0 = 10;
    rich.clientWidth = 500;
    rich.height = 17;
    rich.pageWidth = 600;
    const auto ticks = RulerTicks(rich);
    ASSERT_GT(ticks.size(), 21u);
    EXPECT_EQ(ticks[0].x, 10);
    EXPECT_EQ(ticks[0].label, QStringLiteral("0mm"));
    EXPECT_EQ(ticks[0].top, 0);
    EXPECT_EQ(ticks[5].top, 17 / 2);
    EXPECT_EQ(ticks[3].top, 17 * 2 / 3);
    EXPECT_EQ(ticks[10].x, 50);
    EXPECT_EQ(ticks[10].label, QStringLiteral("10"));
    EXPECT_TRUE(ticks[11].label.isEmpty());

    // Text mode: a unit is an average character.
    TRulerScale text = rich;
    text.rich = false;
    text.averageCharWidth = 8;
    const auto textTicks = RulerTicks(text);
    EXPECT_EQ(textTicks[0].label, QStringLiteral("0"));
    EXPECT_EQ(textTicks[10].x, 90);

    // Wrapping at a page 600 pixels wide: ticks past it are silver.
    TRulerScale page = rich;
    page.clientWidth = 1000;
    page.pageWrap = true;
    for (const TRulerTick &tick : RulerTicks(page))
        EXPECT_EQ(tick.silver, tick.x - page.x0 > 600) << tick.x;
}

TEST_F(ParaFormatTest, RulerShowsThePageEdgeAndTheCaret)
{
    open("mixed.rtf", kMixedRtf);
    form->Options->RichTextProfile.WordWrapMode = 2;
    form->ApplyWordWrap(2);
    form->RoolerButton->trigger();
    ASSERT_FALSE(form->reRoolerPanel->isHidden());
    EXPECT_TRUE(form->OptionRoolerMenu->isChecked());
    EXPECT_TRUE(form->RoolerButton->isChecked());
    EXPECT_TRUE(form->Options->ShowRooler);
    const TRulerScale s = form->reRoolerPaintBox->Scale();
    const QImage image = form->reRoolerPaintBox->grab().toImage();
    const int edge = s.x0 + s.pageWidth;
    ASSERT_LT(edge, image.width());
    EXPECT_EQ(image.pixelColor(edge, 8), QColor(0, 0xFF, 0)) << "the page's edge";
    // Units of 4 pixels at 96 dots per inch: the first tick past the edge is silver.
    const int past = s.x0 + (s.pageWidth / 4 + 1) * 4;
    ASSERT_LT(past, image.width());
    EXPECT_EQ(image.pixelColor(past, s.height - 2), QColor(0xC0, 0xC0, 0xC0)) << "a tick past the edge";
    EXPECT_EQ(image.pixelColor(s.x0 + 4, s.height - 2), QColor(0x00, 0x80, 0x80)) << "a tick before it";
    EXPECT_EQ(image.pixelColor(s.x0, s.height - 1), QColor(0x00, 0x80, 0x80)) << "the tick at 0";

    // The caret's mark stands at the caret.
    form->RichEdit->SetSelStart(4);
    const TPoint caret = form->RichEdit->PosFromChar(4);
    EXPECT_EQ(form->reRoolerPosPaintBox->x(), form->RichEdit->mapTo(form->reBackPanel, QPoint(caret.x, 0)).x()
                                                  - form->reRoolerPanel->x());
    EXPECT_EQ(form->reRoolerPosPaintBox->width(), 2);

    form->OptionRoolerMenu->trigger();
    EXPECT_TRUE(form->reRoolerPanel->isHidden());
    EXPECT_FALSE(form->Options->ShowRooler);
    EXPECT_FALSE(form->RoolerButton->isChecked());
}

} // namespace
