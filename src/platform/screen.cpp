#include "platform/screen.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

namespace velmo {

ScreenRect DesktopScreen::workArea() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {0, 0, 640, 480};
    const QRect r = screen->availableGeometry();
    return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()};
}

int DesktopScreen::cascadeStep() const
{
    // The window manager draws the real caption; the style's title-bar height is the best
    // guess available before a window is mapped. One pixel stands for the border.
    int caption = 0;
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        caption = QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight);
    if (caption <= 0)
        caption = 18;
    return caption + 1;
}

int DesktopScreen::pixelsPerInch() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 96;
    const int ppi = qRound(screen->logicalDotsPerInchX());
    return ppi > 0 ? ppi : 96;
}

} // namespace velmo
