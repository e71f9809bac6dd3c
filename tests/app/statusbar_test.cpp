// The status bar through the window: caret position, insert/overwrite, the modified and
// read-only marks, the name panel, hints and clicks by pointer position, the font size.
#include "app/statusbar.h"
#include "mainformfixture.h"

#include "editor/extmemo.h"
#include "settings/teoption.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusBar>

#include <map>
#include <string>
#include <vector>

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

// The darkest pixels (the text; bevels and background are lighter) inside a panel's frame.
QRect inkBox(const QImage &image, const QRect &area)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 100)
                box |= QRect(x, y, 1, 1);
    return box;
}

QRect insideFrame(const QLabel &panel)
{
    const int frame = panel.frameWidth();
    return panel.rect().adjusted(frame, frame, -frame, -frame);
}

// The same text in a copy of the panel 40 pixels larger each way: the text lands 20 pixels
// further right and down, nothing of it cut off.
QSize uncutInkSize(const QLabel &panel)
{
    QLabel copy(panel.text());
    copy.setFont(panel.font());
    copy.setAlignment(panel.alignment());
    copy.setFrameShape(panel.frameShape());
    copy.setFrameShadow(panel.frameShadow());
    copy.setContentsMargins(panel.contentsMargins());
    copy.resize(panel.size() + QSize(40, 40));
    return inkBox(copy.grab().toImage(), insideFrame(copy)).size();
}

// What the bar shows at each font size: every panel's text whole, descenders and the
// underscore included, and the bar at least the text's height + 6.
TEST_F(StatusBarTest, PanelTextsShowWholeAtEveryFontSize)
{
    auto form = open();
    form->resize(1100, 400);
    form->RichEdit->SetText(QStringLiteral("gpy"));
    form->RichEdit->SetModified(true);
    pressInsert(*form); // "O/W", the wider text
    for (int size : {6, 9, 20, 48}) {
        SCOPED_TRACE(size);
        form->SetStatusBarFontSize(size);
        form->RichEditSelectionChange();
        form->ShowProgressText(QStringLiteral("ro2_copy.txt gpy"));
        QCoreApplication::sendPostedEvents();
        settle(*form);
        EXPECT_GE(form->StatusBar->height(), QFontMetrics(form->StatusBar->font()).height() + 6);
        const QImage bar = form->StatusBar->grab().toImage();
        for (QLabel *panel : form->StatusPanels) {
            SCOPED_TRACE(panel->text().toStdString());
            const QRect inside = insideFrame(*panel).translated(panel->mapTo(form->StatusBar, QPoint(0, 0)));
            ASSERT_TRUE(bar.rect().contains(inside));
            EXPECT_EQ(inkBox(bar, inside).size(), uncutInkSize(*panel));
        }
    }
}

// Panels 0 to 2 are as wide as their texts + 10 at any window width, side by side, and the
// name panel takes the rest; a click in the middle of the drawn insert panel toggles.
TEST_F(StatusBarTest, NamePanelTakesTheWidthTheOthersLeave)
{
    auto form = open();
    for (int width : {640, 1100}) {
        SCOPED_TRACE(width);
        form->resize(width, 400);
        QCoreApplication::sendPostedEvents();
        settle(*form);
        const QFontMetrics metrics(form->StatusBar->font());
        const int textWidths[3] = {
            metrics.horizontalAdvance(panel(*form, 0)),
            std::max(metrics.horizontalAdvance(u8(kInsert)), metrics.horizontalAdvance(u8(kOverwrite))),
            metrics.horizontalAdvance(u8(kReadOnlyMark))};
        int x = 0;
        for (int i = 0; i < 4; ++i) {
            const QRect drawn = form->StatusPanels[i]->geometry();
            ASSERT_EQ(drawn.left(), x) << i;
            if (i < 3)
                ASSERT_EQ(drawn.width(), textWidths[i] + 10) << i;
            x += drawn.width();
        }
        // (Asserted: a click off its panel could pop a history menu up and wait there.)
        ASSERT_EQ(x, form->StatusPanelStrip->width());

        const bool before = form->RichEdit->InsertMode();
        pointer(*form, QEvent::MouseButtonPress, Qt::LeftButton,
                form->StatusPanels[1]->geometry().center().x());
        EXPECT_NE(form->RichEdit->InsertMode(), before);
    }
}

// A keystroke's new position and byte count repaint their two panels and nothing more: no
// panel, bar or window is laid out again (each key would otherwise redraw the whole bar
// before the typed character reached the screen).
TEST_F(StatusBarTest, KeystrokeRepaintsOnlyThePanelsItChanged)
{
    struct Counter : QObject {
        std::map<std::pair<QObject *, QEvent::Type>, int> seen;
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            ++seen[{watched, event->type()}];
            return false;
        }
        int operator()(QObject *o, QEvent::Type t) { return seen[{o, t}]; }
    };
    auto form = open();
    ASSERT_TRUE(form->ChangeEditMode(true, TMainForm::EditModeWay::Force));
    form->resize(640, 400);
    form->RichEdit->SetText(QStringLiteral("abc"));
    form->RichEdit->SetSelStart(3);
    const auto type = [&form] {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QApplication::sendEvent(form->RichEdit, &key);
        // The editor's repaint, then the panels' (posted while the first was handled).
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    };
    // The first keys mark the document modified and enable Undo, and the window settles.
    for (int k = 0; k < 3; ++k)
        type();
    const std::vector<QRect> placed = {form->StatusPanels[0]->geometry(), form->StatusPanels[1]->geometry(),
                                       form->StatusPanels[2]->geometry(), form->StatusPanels[3]->geometry()};
    Counter counter;
    for (QObject *o : {static_cast<QObject *>(form.get()), static_cast<QObject *>(form->StatusBar),
                       static_cast<QObject *>(form->StatusPanelStrip)})
        o->installEventFilter(&counter);
    for (QLabel *p : form->StatusPanels)
        p->installEventFilter(&counter);
    for (int k = 0; k < 3; ++k)
        type();
    EXPECT_EQ(panel(*form, 0), position(1, 9));
    EXPECT_TRUE(panel(*form, 3).contains(QStringLiteral("[9")));
    for (QObject *o : {static_cast<QObject *>(form.get()), static_cast<QObject *>(form->StatusBar),
                       static_cast<QObject *>(form->StatusPanelStrip)})
        EXPECT_EQ(counter(o, QEvent::LayoutRequest), 0) << o->objectName().toStdString();
    EXPECT_GE(counter(form->StatusPanels[0], QEvent::Paint), 1);
    EXPECT_EQ(counter(form->StatusPanels[1], QEvent::Paint), 0);
    EXPECT_EQ(counter(form->StatusPanels[2], QEvent::Paint), 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(form->StatusPanels[i]->geometry(), placed[i]) << i;
}

// The typed character goes to the screen first: the position panel is drawn in a repaint
// of its own after the editor's, and texts set outside typing are drawn with the next one.
TEST_F(StatusBarTest, TypedCharacterIsDrawnBeforeThePanels)
{
    struct Order : QObject {
        QObject *editor = nullptr, *panel = nullptr;
        std::vector<char> seen; // u: the window repaints, e: the editor, p: the position panel
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::UpdateRequest)
                seen.push_back('u');
            else if (event->type() == QEvent::Paint && watched == editor)
                seen.push_back('e');
            else if (event->type() == QEvent::Paint && watched == panel)
                seen.push_back('p');
            return false;
        }
    };
    auto form = open();
    ASSERT_TRUE(form->ChangeEditMode(true, TMainForm::EditModeWay::Force));
    form->RichEdit->SetText(QStringLiteral("abc"));
    form->RichEdit->SetSelStart(3);
    QCoreApplication::processEvents();
    Order order;
    order.editor = form->RichEdit->viewport();
    order.panel = form->StatusPanels[0];
    for (QObject *o : {static_cast<QObject *>(form.get()), order.editor, order.panel})
        o->installEventFilter(&order);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QApplication::sendEvent(form->RichEdit, &key);
    EXPECT_EQ(panel(*form, 0), position(1, 4)) << "the text is there at once";
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    const std::string seen(order.seen.begin(), order.seen.end());
    const auto editor = seen.find('e'), drawn = seen.find('p');
    ASSERT_NE(editor, std::string::npos) << seen;
    ASSERT_NE(drawn, std::string::npos) << seen;
    EXPECT_NE(seen.find('u', editor), std::string::npos) << seen;
    EXPECT_GT(drawn, seen.find('u', editor)) << seen;

    // Outside typing a new text is drawn with the next repaint, as before.
    order.seen.clear();
    form->RichEdit->SetSelStart(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(panel(*form, 0), position(1, 1));
    EXPECT_TRUE(form->StatusPanels[0]->updatesEnabled());
    EXPECT_NE(std::string(order.seen.begin(), order.seen.end()).find('p'), std::string::npos);
}

// The mark follows the modified flag at once: an edit that leaves the caret where it was,
// and an undo back to the unmodified text, show without waiting for the caret to move.
TEST_F(StatusBarTest, ModifiedMarkFollowsEditsAndUndoAtOnce)
{
    auto form = open();
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    const struct {
        const char *name;
        int key;
        Qt::KeyboardModifiers modifiers;
        const char *text;
    } cases[] = {
        {"typing", Qt::Key_X, Qt::NoModifier, "x"},
        {"Enter", Qt::Key_Return, Qt::NoModifier, "\r"},
        {"Delete", Qt::Key_Delete, Qt::NoModifier, ""},
        {"paste", Qt::Key_V, Qt::ControlModifier, ""},
    };
    const auto key = [&](int code, Qt::KeyboardModifiers modifiers, const char *text) {
        QKeyEvent press(QEvent::KeyPress, code, modifiers, QString::fromUtf8(text));
        QApplication::sendEvent(form->RichEdit, &press);
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        form->RichEdit->SetText(QStringLiteral("abc"));
        form->RichEdit->SetSelStart(1);
        form->RichEdit->SetModified(false);
        form->RichEditSelectionChange();
        ASSERT_EQ(panel(*form, 2), QString());
        key(c.key, c.modifiers, c.text);
        EXPECT_TRUE(form->RichEdit->Modified());
        EXPECT_EQ(panel(*form, 2), u8(kModifiedMark));
        key(Qt::Key_Z, Qt::ControlModifier, "");
        EXPECT_FALSE(form->RichEdit->Modified());
        EXPECT_EQ(panel(*form, 2), QString());
    }
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
