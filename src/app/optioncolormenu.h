// The colour menu the settings dialog's colour buttons share: sixteen swatches and an item
// that opens the colour dialog. The button that opens it decides, at that moment, which
// colour it shows as current and where the chosen colour goes.
#pragma once

#include "settings/colors.h"

#include <QMenu>

#include <functional>

class QColorDialog;

namespace velmo {

class TOptionColorMenu : public QObject {
    Q_OBJECT
public:
    explicit TOptionColorMenu(QWidget *owner);

    // The sixteen colours in menu order ($00BBGGRR).
    static const TColor kColors[16];

    QMenu *ColorPopup = nullptr;
    TColor CurrentColor = 0;
    // Called after a choice (also after a cancelled colour dialog, with CurrentColor as it was).
    std::function<void()> OnClick;

    // Opens the menu below a button for one target: its colour now and what a choice does.
    void PopupFor(QWidget *button, TColor current, std::function<void()> onClick);
    // The dialog behind "その他(O)..."; tests answer it.
    std::function<bool(TColor &color)> ChooseOtherColor;

private:
    void choose(int index);
    QColor customColors_[16];
};

} // namespace velmo
