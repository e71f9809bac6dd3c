// A window with the editor control on a Japanese document, marks on and text wrapping at a
// fixed width narrower than the window: for looking at it (xvfb-run + import).
#include "editor/extmemo.h"

#include <QApplication>

using namespace velmo;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TExtMemo memo;
    memo.resize(760, 420);
    ConfigureEditorWindowControl(memo);
    memo.SetColor(clWhite);
    memo.SetWordWrap(true);
    memo.EditArea().SetWidth(420);
    for (TEditMark *m : {&memo.EditMarks().CrLf, &memo.EditMarks().Eot, &memo.EditMarks().Tab,
                         &memo.EditMarks().DSp, &memo.EditMarks().SSp})
        m->Enabled = true;
    memo.EditMarks().CrLf.Color = 0x808000;
    memo.EditMarks().Eot.Color = 0x0000FF;
    memo.EditMarks().Eot.Reversed = true;
    memo.WordWrapMarker().Enabled = true;
    memo.CaretMarker().Enabled = true;
    {
        memo.SetText(QString::fromUtf8(
            "吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。何でも薄暗いじめじめした所で"
            "ニャーニャー泣いていた事だけは記憶している。\r\n"
            "\t字下げした行　全角スペース　と ASCII text with spaces.\r\n"
            "ｶﾀｶﾅ半角の行と、全角英数字ＡＢＣ１２３の行。\r\n"
            "\r\n"
            "最後の行"));
    }
    memo.SetSelStart(5);
    memo.show();
    memo.setFocus();
    return app.exec();
}
