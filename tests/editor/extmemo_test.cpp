// The editor control's option objects, creation, the Insert key and the line-breaking
// options: what each store does besides storing.
#include "editor/extmemo.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextLayout>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

struct Memo : ::testing::Test {
    TExtMemo memo;
    void SetUp() override
    {
        memo.resize(800, 400);
        memo.show();
        memo.SetWordWrap(true);
        memo.EditArea().SetEnabled(true);
    }
    int rectRight() const { return memo.GetEditRect().right; }
};

TEST_F(Memo, CreationDefaults)
{
    TExtMemo fresh;
    EXPECT_EQ(fresh.CaretMarkerLine(), -1);
    EXPECT_TRUE(fresh.InsertMode());
    EXPECT_TRUE(fresh.LineSelect());
    EXPECT_FALSE(fresh.Vertical());
    EXPECT_EQ(fresh.GetOptions() & ECO_SELECTIONBAR, ECO_SELECTIONBAR);
    EXPECT_FALSE(fresh.EditMarks().CrLf.Enabled);
    EXPECT_EQ(fresh.EditMarks().Eot.Color, clSilver);
    EXPECT_EQ(fresh.CaretMarker().Color, clSilver);
    EXPECT_FALSE(fresh.WordWrapMarker().Enabled);
    // The built-in sets are read at creation; the custom row stays empty.
    const TPuncTbl &table = fresh.WordWrapOption().PunctuationTable;
    for (int type = 0; type < 4; ++type) {
        EXPECT_FALSE(table[wbfLevel1][type].isEmpty());
        EXPECT_FALSE(table[wbfLevel2][type].isEmpty());
        EXPECT_TRUE(table[wbfCustom][type].isEmpty());
    }
    EXPECT_NE(table[wbfLevel1][ptFollowing], table[wbfLevel2][ptFollowing]);
    // The edit area is taken from the engine's rectangle.
    const TRect r = fresh.GetEditRect();
    EXPECT_EQ(fresh.EditArea().Margin().Left(), r.left);
    EXPECT_EQ(fresh.EditArea().OverFlow(), fresh.BoxWidth());
    EXPECT_EQ(fresh.EditArea().Width(), r.width() - fresh.BoxWidth());
}

TEST_F(Memo, RecreatingKeepsTheModifiedFlagAndOptions)
{
    memo.SetText("x");
    memo.SetModified(true);
    memo.SetVertical(true);
    EXPECT_TRUE(memo.Modified());
    EXPECT_EQ(memo.GetOptions(), ECO_SELECTIONBAR | ECO_VERTICAL);
    memo.SetLineSelect(false);
    EXPECT_EQ(memo.GetOptions(), ECO_VERTICAL);
    memo.SetModified(false);
    memo.SetVertical(false);
    EXPECT_FALSE(memo.Modified());
    EXPECT_EQ(memo.GetOptions(), 0u);
}

TEST_F(Memo, EditAreaStoresApplyTheRectangle)
{
    memo.EditArea().Margin().SetLeft(20);
    memo.EditArea().SetOverFlow(10);
    memo.EditArea().SetWidth(300);
    EXPECT_EQ(memo.GetEditRect().left, 20);
    EXPECT_EQ(rectRight(), 330);

    // A negative value or the current value changes nothing (the rectangle set directly
    // stays, so nothing was re-applied).
    memo.SetEditRect({20, 0, 500, 400});
    memo.EditArea().SetWidth(300);
    memo.EditArea().SetWidth(-1);
    memo.EditArea().SetOverFlow(-3);
    memo.EditArea().Margin().SetLeft(-2);
    EXPECT_EQ(rectRight(), 500);
    EXPECT_EQ(memo.EditArea().Width(), 300);
    memo.EditArea().SetWidth(200);
    EXPECT_EQ(rectRight(), 230);

    // With the selection bar a left margin below 10 becomes 10 when applied.
    memo.EditArea().Margin().SetLeft(3);
    EXPECT_EQ(memo.EditArea().Margin().Left(), 10);
    EXPECT_EQ(memo.GetEditRect().left, 10);

    // Off leaves the rectangle; on applies it at once.
    memo.EditArea().SetEnabled(false);
    memo.EditArea().SetWidth(100);
    EXPECT_EQ(rectRight(), 220);
    memo.EditArea().SetEnabled(true);
    EXPECT_EQ(rectRight(), 120);

    // Without word wrap the rectangle is not sent at all, and the text runs to the edge.
    memo.SetWordWrap(false);
    memo.EditArea().SetWidth(400);
    EXPECT_EQ(rectRight(), memo.viewport()->geometry().right() + 1);
    memo.SetWordWrap(true);
    EXPECT_EQ(rectRight(), 420);

    // Copying an edit area copies margins, width and overflow and applies them.
    TEditArea other;
    other.Margin().SetLeft(12);
    other.SetWidth(50);
    other.SetOverFlow(5);
    memo.SetEditArea(other);
    EXPECT_EQ(memo.GetEditRect().left, 12);
    EXPECT_EQ(rectRight(), 67);
}

TEST_F(Memo, TextWrapsAtTheFixedWidthWhateverTheWindowWidth)
{
    memo.EditArea().Margin().SetLeft(10);
    memo.EditArea().SetOverFlow(0);
    memo.EditArea().SetWidth(200);
    memo.SetText(QString(200, QChar('m')));
    const int narrow = memo.GetLineCount();
    EXPECT_GT(narrow, 3);
    memo.resize(400, 400);
    EXPECT_EQ(memo.GetLineCount(), narrow);
    memo.EditArea().SetWidth(400);
    EXPECT_LT(memo.GetLineCount(), narrow);
}

TEST_F(Memo, ImeColorsApplyOnlyOnChange)
{
    TCompColors engine;
    memo.ImeColors().Untransfered.SetIcText(0x123456);
    ASSERT_TRUE(memo.GetImeCompColor(engine));
    EXPECT_EQ(engine[0].crText, 0x123456u);

    // Storing the same value does not apply: colours put into the engine directly stay.
    TCompColors direct = engine;
    direct[1].crBackground = 0x00AA00;
    memo.SetImeCompColor(direct);
    memo.SetComponentState(csLoading); // reading the property must not refresh it here
    memo.ImeColors().Untransfered.SetIcText(0x123456);
    memo.ImeColors().Untransfered.SetStyle(0);
    ASSERT_TRUE(memo.GetImeCompColor(engine));
    EXPECT_EQ(engine[1].crBackground, 0x00AA00u);
    EXPECT_EQ(memo.ImeColors().WatchingTransfered.icBackground(), 0u); // not queried while loading

    // Outside loading, reading refreshes from the engine.
    memo.SetComponentState(0);
    EXPECT_EQ(memo.ImeColors().WatchingTransfered.icBackground(), 0x00AA00u);

    // A style change applies with the effect bits; system colours are resolved.
    memo.ImeColors().Transfered.SetStyle(fsBold | fsUnderline);
    memo.ImeColors().Transfered.SetIcBackground(clWindow);
    ASSERT_TRUE(memo.GetImeCompColor(engine));
    EXPECT_EQ(engine[2].dwEffects, 5u);
    EXPECT_EQ(engine[2].crBackground & clSystemColor, 0u);

    // Assigning a whole set copies only when something differs.
    TImeColors same;
    for (int i = 0; i < 4; ++i)
        same.at(i).Assign(memo.ImeColors().at(i));
    direct = engine;
    direct[3].crText = 0x0000FF;
    memo.SetImeCompColor(direct);
    memo.SetComponentState(csLoading);
    memo.SetImeColors(same);
    ASSERT_TRUE(memo.GetImeCompColor(engine));
    EXPECT_EQ(engine[3].crText, 0x0000FFu);
    same.WatchingUntransfered.SetIcText(0x0000F0);
    memo.SetImeColors(same);
    ASSERT_TRUE(memo.GetImeCompColor(engine));
    EXPECT_EQ(engine[3].crText, 0x0000F0u);
}

TEST(EditorOptions, CopyRulesAndTheAssignmentError)
{
    TEditMark mark;
    mark.Enabled = true;
    mark.Color = 0x0000FF;
    mark.Reversed = true;
    TEditMark copy;
    copy.Assign(mark);
    EXPECT_TRUE(copy.Enabled);
    EXPECT_EQ(copy.Color, 0x0000FFu);
    EXPECT_TRUE(copy.Reversed);

    TMarker marker;
    marker.Enabled = true;
    marker.Color = 0x00FF00;
    TMarker markerCopy;
    markerCopy.Assign(marker);
    EXPECT_TRUE(markerCopy.Enabled);
    EXPECT_EQ(markerCopy.Color, 0x00FF00u);

    TEditMarks marks;
    marks.SetEot(mark);
    TEditMarks marksCopy;
    marksCopy.Assign(marks);
    EXPECT_TRUE(marksCopy.Eot.Reversed);
    EXPECT_FALSE(marksCopy.CrLf.Enabled);

    // From another class: the framework's error, and nothing changes.
    TEditMark untouched;
    EXPECT_THROW(untouched.Assign(marker), ComponentError);
    EXPECT_FALSE(untouched.Enabled);
    EXPECT_EQ(untouched.Color, clSilver);
    try {
        markerCopy.Assign(mark);
        FAIL();
    } catch (const ComponentError &e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TEditMark to a TMarker");
    }
    EXPECT_EQ(markerCopy.Color, 0x00FF00u);
    TWordWrapOption option;
    EXPECT_THROW(option.Assign(marks), ComponentError);
    TImeColor ime;
    EXPECT_THROW(ime.Assign(mark), ComponentError);
    TEditArea area;
    EXPECT_THROW(area.Assign(marker), ComponentError);
}

TEST_F(Memo, InsertKeyTogglesOverwriteWithoutShiftOrCtrl)
{
    const struct {
        Qt::KeyboardModifiers mods;
        bool toggles;
    } cases[] = {{Qt::NoModifier, true}, {Qt::ShiftModifier, false}, {Qt::ControlModifier, false}, {Qt::AltModifier, true}};
    for (const auto &c : cases) {
        const bool before = memo.InsertMode();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Insert, c.mods);
        QApplication::sendEvent(&memo, &press);
        EXPECT_EQ(memo.InsertMode(), c.toggles ? !before : before);
        EXPECT_EQ(memo.overwriteMode(), !memo.InsertMode());
    }
    // Overwrite replaces the character under the caret.
    memo.SetText("abc");
    memo.SetSelStart(0);
    if (memo.InsertMode()) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Insert, Qt::NoModifier);
        QApplication::sendEvent(&memo, &press);
    }
    QKeyEvent x(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
    QApplication::sendEvent(&memo, &x);
    EXPECT_EQ(memo.Text(), "xbc");
    QKeyEvent y(QEvent::KeyPress, Qt::Key_Y, Qt::NoModifier, "y");
    QApplication::sendEvent(&memo, &y);
    EXPECT_EQ(memo.Text(), "xyc");
    // Each overwriting keystroke is one undo step, never a half-undone state.
    memo.Undo();
    EXPECT_EQ(memo.Text(), "xbc");
    memo.Undo();
    EXPECT_EQ(memo.Text(), "abc");
}

// ----- line-breaking options -----

TEST(WordWrapOption, ModeWordReads)
{
    const struct {
        unsigned flags;
        TPunctuationMode mode;
        TWordWrapModes modes;
    } cases[] = {
        {0x000, wbfLevel2, 0},
        {0x080, wbfLevel1, 0},
        {0x100, wbfLevel2, 0},
        {0x200, wbfCustom, 0},
        {0x280, wbfLevel1, 0}, // the level-1 test comes first
        {0x300, wbfLevel2, 0},
        {0x270, wbfCustom, wbfWordWrap | wbfWordBreak | wbfOverFlow},
        {0x150, wbfLevel2, wbfWordWrap | wbfOverFlow},
    };
    for (const auto &c : cases) {
        TWordWrapOption option;
        option.WrapModeFlags = c.flags;
        EXPECT_EQ(option.PunctuationMode(), c.mode) << c.flags;
        EXPECT_EQ(option.WordWrapMode(), c.modes) << c.flags;
    }
}

TEST(WordWrapOption, ModeWordWritesReachTheEngine)
{
    TExtMemo memo;
    // A fresh engine wraps words, keeps them whole and lets punctuation hang.
    EXPECT_EQ(memo.WordWrapOption().WrapModeFlags, 0x070u);
    memo.SetWordWrapMode(0);
    TWordWrapOption &option = memo.WordWrapOption();
    EXPECT_EQ(option.WrapModeFlags, 0u);
    // A word of 0: custom punctuation plus the chosen bits.
    option.SetWordWrapMode(wbfWordWrap | wbfOverFlow);
    EXPECT_EQ(option.WrapModeFlags, 0x250u);
    EXPECT_EQ(memo.GetWordWrapMode(), 0x250u);
    option.SetPunctuationMode(wbfLevel1);
    EXPECT_EQ(option.WrapModeFlags, 0x0D0u);
    EXPECT_EQ(memo.GetWordWrapMode(), 0x0D0u);
    EXPECT_EQ(option.pcFollowing(), option.PunctuationTable[wbfLevel1][ptFollowing]);
    // The same value sends nothing: a word put into the engine directly stays there.
    memo.SetWordWrapMode(0x123);
    memo.SetComponentState(csLoading);
    memo.WordWrapOption().SetPunctuationMode(wbfLevel1);
    EXPECT_EQ(memo.GetWordWrapMode(), 0x123u);
    memo.SetComponentState(0);
    // Reading the property refreshes the word from the engine.
    EXPECT_EQ(memo.WordWrapOption().WrapModeFlags, 0x123u);

    // Setting a set switches to custom even when the string is unchanged.
    TWordWrapOption &fresh = memo.WordWrapOption();
    fresh.WrapModeFlags = 0x100;
    fresh.SetPcLeading(QString());
    EXPECT_EQ(fresh.PunctuationMode(), wbfCustom);
    fresh.SetPcLeading(QStringLiteral(u"「（"));
    EXPECT_EQ(fresh.pcLeading(), QStringLiteral(u"「（"));
    QString inEngine;
    ASSERT_TRUE(memo.GetPunctuation(2, inEngine));
    EXPECT_EQ(inEngine, QStringLiteral(u"「（"));
    // A set the engine refuses (more than its buffer holds) reads back empty.
    fresh.SetPcDelimiter(QString(3000, QChar(u'、')));
    EXPECT_TRUE(fresh.pcDelimiter().isEmpty());
    // A stored form carries the custom sets, whatever is in force.
    fresh.SetPunctuationMode(wbfLevel2);
    EXPECT_EQ(fresh.pcLeading(), fresh.PunctuationTable[wbfLevel2][ptLeading]);
    memo.SetComponentState(csWriting);
    EXPECT_EQ(fresh.pcLeading(), QStringLiteral(u"「（"));
    memo.SetComponentState(0);
}

TEST(WordWrapOption, CopyAppliesToTheDestination)
{
    TWordWrapOption source;
    source.PunctuationTable[wbfCustom][ptOverFlow] = QStringLiteral(u"。");
    source.WrapModeFlags = 0x270;
    TExtMemo memo;
    memo.SetWordWrapOption(source);
    EXPECT_EQ(memo.GetWordWrapMode(), 0x270u);
    QString overflow;
    memo.GetPunctuation(3, overflow);
    EXPECT_EQ(overflow, QStringLiteral(u"。"));
    EXPECT_EQ(memo.WordWrapOption().pcOverFlow(), QStringLiteral(u"。"));
}

TEST(EditorWindowControl, InstanceSettings)
{
    TExtMemo memo;
    memo.resize(900, 500);
    ConfigureEditorWindowControl(memo);
    EXPECT_EQ(memo.MaxLength(), 10000000);
    EXPECT_EQ(memo.font().pixelSize(), 17);
    EXPECT_EQ(memo.DefAttributes().Charset, 128);
    EXPECT_TRUE(memo.EditArea().Enabled());
    EXPECT_EQ(memo.EditArea().Margin().Left(), 10);
    EXPECT_EQ(memo.EditArea().Width(), 641);
    EXPECT_EQ(memo.EditArea().OverFlow(), 17);
    EXPECT_EQ(memo.GetEditRect().right, 10 + 641 + 17);
    EXPECT_EQ(memo.CaretMarker().Color, clBlue);
    EXPECT_EQ(memo.WordWrapOption().PunctuationMode(), wbfLevel2);
    TCompColors colors;
    memo.GetImeCompColor(colors);
    const TCompColors expected = {{{clBlack, clWhite, 4}, {clBlack, clGray, 0}, {clBlack, clWhite, 4}, {clWhite, clBlack, 0}}};
    EXPECT_EQ(colors, expected);
    EXPECT_FALSE(memo.tabChangesFocus());
}

} // namespace

namespace {

// The composition string shows in the composition colours: the clause being converted
// (the one the input method highlights) in the "watching" colours, the rest plain.
TEST(EditorWindowControl, PreeditTextTakesTheCompositionColours)
{
    TExtMemo memo;
    memo.resize(600, 300);
    ConfigureEditorWindowControl(memo);
    QTextCharFormat target;
    target.setBackground(Qt::blue);
    QTextCharFormat rest;
    rest.setFontUnderline(true);
    const QString preedit = QString::fromUtf8("にほんご");
    QInputMethodEvent event(preedit, {{QInputMethodEvent::TextFormat, 0, 2, target},
                                      {QInputMethodEvent::TextFormat, 2, 2, rest}});
    QApplication::sendEvent(&memo, &event);
    const QTextLayout *layout = memo.document()->firstBlock().layout();
    ASSERT_EQ(layout->preeditAreaText(), preedit);
    const QList<QTextLayout::FormatRange> formats = layout->formats();
    ASSERT_EQ(formats.size(), 2);
    EXPECT_EQ(fromQColor(formats[0].format.background().color()), clGray); // watching, converted
    EXPECT_EQ(fromQColor(formats[0].format.foreground().color()), clBlack);
    EXPECT_EQ(fromQColor(formats[1].format.background().color()), clWhite); // not yet converted
    EXPECT_TRUE(formats[1].format.fontUnderline());
    EXPECT_EQ(memo.GetTextLength(), 0); // nothing is text until committed
}

} // namespace
