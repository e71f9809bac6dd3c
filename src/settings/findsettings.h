// What the find dialog of one window remembers while the window lives; never stored.
#pragma once

#include <QStringList>

#include <cstdint>

class QWidget;

namespace velmo {

struct TFindSettings {
    QStringList FindHistory;      // newest first, each string once (case ignored)
    QStringList ReplaceHistory;   // likewise
    std::int32_t Range = 0;       // 0 whole document, 1 after the caret, 2 before it
    bool WholeWord = false;
    bool MatchCase = true;
    bool ConfirmReplace = true;
    std::int32_t DialogLeft = -1; // last screen position of the dialog; -1 none yet
    std::int32_t DialogTop = -1;
    QWidget *Dialog = nullptr;    // the find dialog open for this window, if any
};

} // namespace velmo
