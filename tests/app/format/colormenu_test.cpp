// The popup colour menu: its items, how it draws the current colour, the keys, the colour
// dialog with its custom colours, and the text-colour button of the window.
#include "app/popupcolormenu.h"
#include "formatfixture.h"

#include <QAction>
#include <QColorDialog>
#include <QImage>
#include <QMenu>

#include <gtest/gtest.h>

using namespace velmo;

namespace {

using velmo::testing::kMixedRtf;
using velmo::testing::waitUntil;

class ColorMenuTest : public velmo::testing::FormatFixture {
protected:
    TPopupColorMenu &menu() { return *form->ColorMenu; }
    // Opens the menu as the button does and waits until it is on the screen.
    QImage shownMenu()
    {
        QMenu *popup = menu().ColorPopup();
        popup->popup(form->mapToGlobal(QPoint(10, 10)));
        EXPECT_TRUE(waitUntil([&] { return popup->isVisible(); }));
        QImage image = popup->grab().toImage();
        return image;
    }
};

TEST_F(ColorMenuTest, ItemsCarryTheirColoursAsTags)
{
    const QList<QAction *> items = menu().ColorPopup()->actions();
    ASSERT_EQ(items.size(), 17);
    const TColor colors[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
                               0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
    for (int n = 0; n < 16; ++n) {
        EXPECT_EQ(items[n]->data().toInt(), int(colors[n]));
        EXPECT_EQ(items[n]->objectName(), QStringLiteral("pcmMenuItem%1").arg(n));
    }
    EXPECT_EQ(items[16]->data().toInt(), -1);
    EXPECT_EQ(items[16]->objectName(), QStringLiteral("pcmOtherMenuItem"));
    EXPECT_EQ(menu().CurrentColor, TColor(0));
}

TEST_F(ColorMenuTest, OpeningFramesTheSelectionsColourInBlack)
{
    open("mixed.rtf", kMixedRtf);
    form->RichEdit->SetSelStart(7); // in the red run
    const QImage image = shownMenu();
    EXPECT_EQ(menu().CurrentColor, TColor(0x0000FF));
    QMenu *popup = menu().ColorPopup();
    const QRect red = popup->actionGeometry(menu().Item(9));
    const QRect green = popup->actionGeometry(menu().Item(2));
    // The red swatch: black 2 pixels in, red inside; the others: a 1-pixel menu frame.
    EXPECT_EQ(image.pixelColor(red.left(), red.center().y()), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(red.left() + 1, red.center().y()), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(red.left() + 2, red.center().y()), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(green.left() + 1, green.center().y()), QColor(0, 0x80, 0));
    EXPECT_NE(image.pixelColor(green.left(), green.center().y()), QColor(Qt::black));
    EXPECT_EQ(red.height(), 12);
    popup->hide();

    // A colour none of the sixteen frames none.
    TTextAttributes odd;
    odd.Color = 0x123456;
    form->RichEdit->SetSelLength(1);
    form->RichEdit->SetSelAttributes(odd, afColor);
    const QImage plain = shownMenu();
    for (int n = 0; n < 16; ++n) {
        const QRect r = popup->actionGeometry(menu().Item(n));
        EXPECT_NE(plain.pixelColor(r.left(), r.center().y()), QColor(Qt::black)) << n;
    }
    popup->hide();
}

TEST_F(ColorMenuTest, KeysChooseAColourForTheSelection)
{
    open("mixed.rtf", kMixedRtf);
    select(0, 2);
    shownMenu();
    QMenu *popup = menu().ColorPopup();
    // Down to the third swatch (green) and Enter.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
    EXPECT_TRUE(waitUntil([&] { return !popup->isVisible(); }));
    EXPECT_EQ(attributesAt(0).Color, TColor(0x008000));
    EXPECT_EQ(attributesAt(1).Color, TColor(0x008000));
    EXPECT_TRUE(form->RichEdit->Modified());
}

TEST_F(ColorMenuTest, CancelledDialogChangesNothing)
{
    open("mixed.rtf", kMixedRtf);
    const std::string before = rtf();
    int dialogs = 0;
    menu().ExecDialog = [&](QColorDialog &dialog) {
        ++dialogs;
        EXPECT_EQ(dialog.currentColor(), QColor(Qt::red)) << "preset to the current colour";
        dialog.setCurrentColor(Qt::blue);
        return false;
    };
    // A selection of mixed colours whose first character is red.
    select(6, 4);
    emit menu().ColorPopup()->aboutToShow();
    menu().Item(16)->trigger();
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(menu().CurrentColor, TColor(0x0000FF));
    EXPECT_EQ(rtf(), before);
    EXPECT_FALSE(form->RichEdit->Modified());
}

TEST_F(ColorMenuTest, CustomColoursStayWithTheMenuNotWithQt)
{
    open("mixed.rtf", kMixedRtf);
    QColor qtOwn[16];
    for (int i = 0; i < 16; ++i)
        qtOwn[i] = QColorDialog::customColor(i);
    menu().ExecDialog = [&](QColorDialog &dialog) {
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(QColorDialog::customColor(i), QColor(Qt::white)) << "custom colours start white";
        QColorDialog::setCustomColor(3, QColor(0x12, 0x34, 0x56));
        dialog.setCurrentColor(QColor(0x12, 0x34, 0x56));
        return true;
    };
    select(0, 2);
    menu().Item(16)->trigger();
    EXPECT_EQ(attributesAt(0).Color, TColor(0x563412));
    EXPECT_EQ(menu().CustomColors()[3], qRgb(0x12, 0x34, 0x56));
    // What Qt keeps (and writes into its own configuration) is what it had.
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(QColorDialog::customColor(i), qtOwn[i]) << i;

    // The next use of the dialog starts with the colour the user made.
    menu().ExecDialog = [&](QColorDialog &) {
        EXPECT_EQ(QColorDialog::customColor(3), QColor(0x12, 0x34, 0x56));
        return false;
    };
    menu().Item(16)->trigger();
}

} // namespace
