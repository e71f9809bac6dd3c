#include "editor/textattributes.h"

#include <QGuiApplication>
#include <QPalette>

namespace velmo {

QColor toQColor(TColor color)
{
    return ResolveColor(color);
}

TColor fromQColor(const QColor &color)
{
    return ColorFromQColor(color);
}

TColor resolveColor(TColor color)
{
    return (color & clSystemColor) ? fromQColor(toQColor(color)) : color;
}

} // namespace velmo
