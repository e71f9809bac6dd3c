// The status bar through the window: caret position, insert/overwrite, the modified and
// read-only marks, the name panel, hints and clicks by pointer position, the font size.
#include "app/statusbar.h"
#include "mainformfixture.h"

#include "editor/extmemo.h"
#include "settings/teoption.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusBar>

namespace velmo::testing {
namespace {

using namespace statustexts;

class StatusBarTest : public MainFormFixture {
protected:
    std::unique_ptr<TMainForm> open()
    {
        writeSettings();
        auto form = start();
        settle(*form);
        return form;
    }
    static QString panel(TMainForm &form, int index) { return form.StatusPanels[index]->text(); }
    static QString position(int line, int column)
    {
        return QString::number(line) + u8(kLinePart) + QString::number(column) + u8(kColumnPart);
    }

    // A press or a move of the pointer at x on the panel strip, as the platform delivers it.
    static void pointer(TMainForm &form, QEvent::Type type, Qt::MouseButton button, int x)
    {
        const QPointF at(x, form.StatusPanelStrip->height() / 2);
        QMouseEvent event(type, at, form.StatusPanelStrip->mapToGlobal(at), button,
                          type == QEvent::MouseMove ? Qt::NoButton : button, Qt::NoModifier);
        QApplication::sendEvent(form.StatusPanelStrip, &event);
    }
    static void pressInsert(TMainForm &form)
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Insert, Qt::NoModifier);
        QApplication::sendEvent(form.RichEdit, &press);
    }
};

// Line and column in bytes on mixed single- and double-byte text, in both editing modes.
TEST_F(StatusBarTest, PositionPanelCountsLinesFromOneAndByteColumnsFromZero)
{
    auto form = open();
    // Line 1 "aあb", line 2 empty, line 3 "漢字ab": CR LF counts two bytes, a kanji two.
    const QString text = u8("aあb\r\n\r\n漢字ab");
    struct Case {
        int caret, line, column;
    } cases[] = {
        {0, 1, 0}, {1, 1, 1}, {3, 1, 3}, {4, 1, 4}, {6, 2, 0}, {8, 3, 0}, {12, 3, 4}, {14, 3, 6},
    };
    for (bool plain : {true, false}) {
        form->RichEdit->SetPlainText(plain);
        form->RichEdit->SetText(text);
        for (const Case &c : cases) {
            form->RichEdit->SetSelStart(c.caret);
            form->RichEditSelectionChange();
            const QString shown = position(c.line, c.column);
            EXPECT_EQ(panel(*form, 0), shown) << "caret " << c.caret << " plain " << plain;
            const int measured = QFontMetrics(form->StatusBar->font()).horizontalAdvance(shown);
            EXPECT_EQ(form->StatusPanelWidth(0), measured + 10);
        }
    }
}

TEST_F(StatusBarTest, StatePanelShowsReadOnlyBeforeModified)
{
    auto form = open();
    form->RichEdit->SetText(QStringLiteral("abc"));
    struct Case {
        bool readOnly, modified;
        const char *shown;
    } cases[] = {{false, false, ""}, {false, true, kModifiedMark}, {true, false, kReadOnlyMark},
                 {true, true, kReadOnlyMark}};
    for (const Case &c : cases) {
        form->RichEdit->SetReadOnly(c.readOnly);
        form->RichEdit->SetModified(c.modified);
        form->RichEditSelectionChange();
        EXPECT_EQ(panel(*form, 2), u8(c.shown)) << c.readOnly << c.modified;
    }
}

TEST_F(StatusBarTest, HiddenBarIsNotUpdatedUntilShownAgain)
{
    auto form = open();
    form->RichEdit->SetText(QStringLiteral("ab\r\ncd"));
    form->RichEdit->SetSelStart(0);
    form->RichEditSelectionChange();
    form->StatusBar->hide();
    form->RichEdit->SetSelStart(5);
    form->RichEdit->SetModified(true);
    form->RichEditSelectionChange();
    EXPECT_EQ(panel(*form, 0), position(1, 0));
    EXPECT_EQ(panel(*form, 2), QString());

    form->StatusBar->show();
    form->RichEditSelectionChange();
    EXPECT_EQ(panel(*form, 0), position(2, 1));
    EXPECT_EQ(panel(*form, 2), u8(kModifiedMark));
}

// Text mode names the size in bytes (double-byte characters count two); rich text shows only
// a name, and nothing for an untitled document.
TEST_F(StatusBarTest, NamePanelInBothModes)
{
    auto form = open();
    const QString file = dir.filePath("a.txt");
    struct Case {
        bool plain;
        QString name;
        const char *text;
        QString shown;
    } cases[] = {
        {true, {}, "abc", u8("FileName: ???? [3Bytes]")},
        {true, {}, "", u8("FileName: ???? [0Bytes]")},
        {true, file, "aあ\r\nb", u8("FileName: ") + file + u8(" [6Bytes]")},
        {false, {}, "abc", QString()},
        {false, file, "abc", u8("FileName: ") + file},
    };
    for (const Case &c : cases) {
        form->RichEdit->SetPlainText(c.plain);
        form->RichEdit->SetText(u8(c.text));
        form->SetDocumentName(c.name);
        EXPECT_EQ(form->FileNameText, c.shown);
        EXPECT_EQ(panel(*form, 3), c.shown);
    }

    // Typing follows the size through the editor's change notification.
    form->RichEdit->SetPlainText(true);
    form->RichEdit->SetText(QStringLiteral("ab"));
    form->RichEdit->SetSelStart(2);
    form->RichEdit->SetSelText(u8("漢"));
    const QString typed = u8("FileName: ") + file + u8(" [4Bytes]");
    EXPECT_EQ(panel(*form, 3), typed);

    // A progress text stands in the name panel until the name comes back.
    form->ShowProgressText(u8(kHistoryMenuText));
    EXPECT_EQ(panel(*form, 3), u8(kHistoryMenuText));
    form->RestoreFileNameText();
    EXPECT_EQ(panel(*form, 3), typed);
}

TEST_F(StatusBarTest, InsertKeyAndClickToggleOverwrite)
{
    auto form = open();
    ASSERT_TRUE(form->RichEdit->InsertMode());
    pressInsert(*form);
    EXPECT_FALSE(form->RichEdit->InsertMode());
    EXPECT_EQ(panel(*form, 1), u8(kOverwrite));

    const int w0 = form->StatusPanelWidth(0), w1 = form->StatusPanelWidth(1);
    pointer(*form, QEvent::MouseButtonPress, Qt::LeftButton, w0 + w1 / 2);
    EXPECT_TRUE(form->RichEdit->InsertMode());
    EXPECT_EQ(panel(*form, 1), u8(kInsert));

    // Exactly on the panels' borders, and on the state panel, a click does nothing.
    for (int x : {w0, w0 + w1, w0 + w1 + 1}) {
        pointer(*form, QEvent::MouseButtonPress, Qt::LeftButton, x);
        EXPECT_TRUE(form->RichEdit->InsertMode()) << x;
        EXPECT_EQ(panel(*form, 1), u8(kInsert)) << x;
    }
}

TEST_F(StatusBarTest, HintFollowsThePointerAndStaysOnBorders)
{
    auto form = open();
    const int w0 = form->StatusPanelWidth(0), w1 = form->StatusPanelWidth(1), w2 = form->StatusPanelWidth(2);
    struct Case {
        int x;
        const char *hint;
    } cases[] = {
        {1, kHintPanel0},           {w0, kHintPanel0},           {w0 + 1, kHintPanel1},
        {w0 + w1, kHintPanel1},     {w0 + w1 + 1, kHintPanel2},  {w0 + w1 + w2, kHintPanel2},
        {w0 + w1 + w2 + 1, kHintPanel3}, {w0 - 1, kHintPanel0},
    };
    for (const Case &c : cases) {
        pointer(*form, QEvent::MouseMove, Qt::NoButton, c.x);
        EXPECT_EQ(form->StatusBarHint(), u8(c.hint)) << c.x;
    }
}

TEST_F(StatusBarTest, FontSizeSetsHeightAndPanelWidths)
{
    auto form = open();
    form->RichEdit->SetText(QStringLiteral("abc"));
    form->RichEditSelectionChange();
    form->SetStatusBarFontSize(20);
    settle(*form);
    QFont font = form->StatusBar->font();
    EXPECT_EQ(font.pointSize(), 20);
    EXPECT_EQ(form->StatusPanels[0]->font().pointSize(), 20);
    const QFontMetrics metrics(font);
    EXPECT_EQ(form->StatusBar->height(), metrics.height() + 6);
    EXPECT_EQ(form->StatusPanelWidth(0), metrics.horizontalAdvance(panel(*form, 0)) + 10);
    EXPECT_EQ(form->StatusPanelWidth(1),
              std::max(metrics.horizontalAdvance(u8(kInsert)), metrics.horizontalAdvance(u8(kOverwrite))) + 10);
    EXPECT_EQ(form->StatusPanelWidth(2), metrics.horizontalAdvance(u8(kReadOnlyMark)) + 10);

    // The position panel is measured in the new font from then on.
    form->RichEdit->SetSelStart(2);
    form->RichEditSelectionChange();
    EXPECT_EQ(form->StatusPanelWidth(0), metrics.horizontalAdvance(position(1, 2)) + 10);
}

// Left and right clicks on the name panel pop the two history menus up above the bar, with
// their texts in the panel while they are up; other buttons do nothing.
TEST_F(StatusBarTest, NamePanelClickPopsHistoryMenusAboveTheBar)
{
    auto form = open();
    form->RichEdit->SetPlainText(true);
    form->RichEditChange();
    const QString resting = form->FileNameText;
    const int x = form->StatusPanelWidth(0) + form->StatusPanelWidth(1) + form->StatusPanelWidth(2) + 5;
    const int barTop = form->StatusBar->mapToGlobal(QPoint(0, 0)).y();

    struct Case {
        Qt::MouseButton button;
        QMenu *menu;
        const char *shown;
    } cases[] = {{Qt::LeftButton, form->PopFileOpenMenu, kHistoryMenuText},
                 {Qt::RightButton, form->PopFileOpenNewMenu, kNewHistoryMenuText},
                 {Qt::MiddleButton, nullptr, nullptr}};
    for (const Case &c : cases) {
        QWidget *popped = nullptr;
        QString shownWhileUp;
        QRect where;
        // Closes whatever menu came up, after noting it; bounded by the test's own check.
        QTimer closer;
        closer.setSingleShot(true);
        QObject::connect(&closer, &QTimer::timeout, [&] {
            popped = QApplication::activePopupWidget();
            shownWhileUp = panel(*form, 3);
            if (popped) {
                where = popped->geometry();
                popped->close();
            }
        });
        closer.start(0);
        pointer(*form, QEvent::MouseButtonPress, c.button, x);
        if (!c.menu) {
            waitUntil([&] { return !closer.isActive(); });
            EXPECT_EQ(popped, nullptr);
            continue;
        }
        EXPECT_EQ(popped, c.menu);
        EXPECT_EQ(shownWhileUp, u8(c.shown));
        EXPECT_LE(where.bottom(), barTop);
        EXPECT_EQ(panel(*form, 3), resting);
    }
}

} // namespace
} // namespace velmo::testing
