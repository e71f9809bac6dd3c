// TPopupColorMenu: sixteen colour swatches and an other-colour item that opens the colour
// dialog, as the drop-down menu of colour buttons. The items stay real menu actions (keys
// move between them and choose), drawn by the menu itself as swatches.
#pragma once

#include "settings/colors.h"

#include <QObject>
#include <QRgb>

#include <array>
#include <functional>

class QAction;
class QColorDialog;
class QMenu;
class QWidget;

namespace velmo {

class TPopupColorMenu : public QObject {
    Q_OBJECT
public:
    static constexpr int kColorCount = 16;
    // The tag of the other-colour item.
    static constexpr int kOtherTag = -1;
    // The sixteen colours in menu order (0x00BBGGRR).
    static const std::array<TColor, kColorCount> kColors;

    using Handler = std::function<void(QAction *sender)>;
    TPopupColorMenu(QWidget *parentForm, Handler onPopup, Handler onClick);
    ~TPopupColorMenu() override;

    QMenu *ColorPopup() const { return m_popup; }
    QAction *Item(int index) const { return m_items[std::size_t(index)]; }
    // The colour framed as current, and the result of a choice.
    TColor CurrentColor = 0;
    // Called just before the menu opens, and after a colour was chosen. A cancelled colour
    // dialog chose nothing: OnClick is not called for it.
    Handler OnPopup;
    Handler OnClick;
    // Runs the colour dialog (already preset); true when the user confirmed. Tests replace it.
    std::function<bool(QColorDialog &)> ExecDialog;
    // The dialog's custom colours, kept for the life of this menu (white at first).
    const std::array<QRgb, kColorCount> &CustomColors() const { return m_custom; }

    // What a choice of the item does: the colour, or the dialog for the other-colour item.
    void Choose(QAction *item);

private:
    QWidget *m_parentForm;
    QMenu *m_popup;
    std::array<QAction *, kColorCount + 1> m_items{};
    std::array<QRgb, kColorCount> m_custom{};
};

} // namespace velmo
