#include "app/optioncolormenu.h"

#include "app/optiontexts.h"

#include <QColorDialog>
#include <QPainter>
#include <QPixmap>

namespace velmo {

const TColor TOptionColorMenu::kColors[16] = {clBlack,  clMaroon, clGreen,  clOlive,   clNavy,  clPurple,
                                               clTeal,   clSilver, clGray,   clRed,     clLime,  clYellow,
                                               clBlue,   clFuchsia, clAqua,  clWhite};

namespace {

QIcon swatch(TColor color, bool current)
{
    QPixmap pixmap(28, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    // The current colour is framed in black.
    if (current)
        painter.fillRect(pixmap.rect(), Qt::black);
    painter.fillRect(pixmap.rect().adjusted(2, 2, -2, -2), ResolveColor(color));
    return QIcon(pixmap);
}

} // namespace

TOptionColorMenu::TOptionColorMenu(QWidget *owner) : QObject(owner)
{
    ColorPopup = new QMenu(owner);
    ColorPopup->setObjectName(QStringLiteral("ColorPopup"));
    for (int i = 0; i < 16; ++i) {
        QAction *item = ColorPopup->addAction(QString());
        item->setObjectName(QStringLiteral("pcmMenuItem%1").arg(i));
        item->setData(kColors[i]);
        connect(item, &QAction::triggered, this, [this, i] { choose(i); });
    }
    QAction *other = ColorPopup->addAction(QString::fromUtf8(optiontexts::kOtherColor));
    other->setObjectName(QStringLiteral("pcmOtherMenuItem"));
    other->setData(-1);
    connect(other, &QAction::triggered, this, [this] { choose(-1); });
    // The dialog's custom colours start white.
    for (QColor &c : customColors_)
        c = Qt::white;
    ChooseOtherColor = [this, owner](TColor &color) {
        for (int i = 0; i < 16; ++i)
            QColorDialog::setCustomColor(i, customColors_[i]);
        const QColor chosen = QColorDialog::getColor(ResolveColor(color), owner);
        for (int i = 0; i < 16; ++i)
            customColors_[i] = QColorDialog::customColor(i);
        if (!chosen.isValid())
            return false;
        color = ColorFromQColor(chosen);
        return true;
    };
}

void TOptionColorMenu::PopupFor(QWidget *button, TColor current, std::function<void()> onClick)
{
    CurrentColor = current;
    OnClick = std::move(onClick);
    for (QAction *item : ColorPopup->actions()) {
        const int tag = item->data().toInt();
        if (tag >= 0)
            item->setIcon(swatch(tag, tag == CurrentColor));
    }
    ColorPopup->popup(button->mapToGlobal(QPoint(0, button->height())));
}

void TOptionColorMenu::choose(int index)
{
    if (index >= 0) {
        CurrentColor = kColors[index];
    } else {
        TColor color = CurrentColor;
        if (ChooseOtherColor && ChooseOtherColor(color))
            CurrentColor = color;
    }
    if (OnClick)
        OnClick();
}

} // namespace velmo
