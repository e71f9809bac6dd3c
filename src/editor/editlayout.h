// Where the editor wraps and how it sits in the main window: the three word-wrap values
// (none, the window's edge, the printed page's width), the fixed editing width that
// follows from them, the overflow allowance from the profile font, and keeping the caret
// in view inside the scroll box. The main window calls these with its own numbers.
#pragma once

#include <QFont>

class QScrollArea;
class QWidget;

namespace velmo {

class TExtMemo;

enum TWordWrapValue { wwNone = 0, wwWindow = 1, wwPage = 2 };

// The wrap width without a printer.
constexpr int kScreenTextWidthWithoutPrinter = 792;
// How far inside either edge of the scroll box the caret is kept.
constexpr int kCaretViewMargin = 30;

// The editor sits in backPanel, which sits in scrollBox.
struct TEditAreaHost {
    TExtMemo *editor = nullptr;
    QScrollArea *scrollBox = nullptr;
    QWidget *backPanel = nullptr;
};

// The value of the word-wrap menu item's click: switching it on always means the window
// edge, whatever the profile held.
inline int WordWrapMenuValue(bool wasChecked) { return wasChecked ? wwNone : wwWindow; }

// The editor's part of switching word wrap: the control's WordWrap, the scroll bars (the
// scroll box scrolls sideways while wrapping; the editor itself only without wrapping,
// and never vertically: the window's own bar does that), then LayoutEditArea.
void ApplyWordWrap(const TEditAreaHost &host, int value, int screenTextWidth);

// Sets EditArea.Width: the page width for value 2 (the editor then keeps its width and the
// scroll box scrolls), else the editor's client width less the left margin and overflow.
void LayoutEditArea(const TEditAreaHost &host, int value, int screenTextWidth);

// Width of the alphabet in the font divided by 52 (whole pixels).
int AverageCharWidth(const QFont &font);
// The overflow allowance for a display profile's font: three average characters.
// Returns AverageCharWidth for the ruler.
int ApplyOverflowAllowance(TExtMemo &editor, const QFont &profileFont);

// The scroll position that keeps the caret (x in the scroll box's client coordinates)
// kCaretViewMargin pixels inside either edge; the current position when it already is.
int CaretScrollPosition(int caretX, int clientWidth, int position);
// Applies the rule to the scroll box's horizontal bar after a selection change.
void KeepCaretInView(const TEditAreaHost &host);

} // namespace velmo
