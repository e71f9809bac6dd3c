// One style bit at a time across a selection: each run keeps its other styles, its face,
// size and colour.
#include "editor/richedit.h"

#include <QTextCursor>

namespace velmo {

void TRichEdit::SetSelStyle(TFontStyles styles, bool on)
{
    QTextCharFormat f;
    if (styles & fsBold)
        f.setFontWeight(on ? QFont::Bold : QFont::Normal);
    if (styles & fsItalic)
        f.setFontItalic(on);
    if (styles & fsUnderline)
        f.setFontUnderline(on);
    if (styles & fsStrikeOut)
        f.setFontStrikeOut(on);
    QTextCursor c = textCursor();
    if (c.hasSelection())
        c.mergeCharFormat(f);
    else
        mergeCurrentCharFormat(f);
}

} // namespace velmo
