#include "editor/textattributes.h"

#include <QGuiApplication>
#include <QPalette>

namespace velmo {

namespace {
QColor systemColor(unsigned index)
{
    const QPalette palette = QGuiApplication::palette();
    switch (index) {
    case 5: return palette.color(QPalette::Base);             // window
    case 8: return palette.color(QPalette::Text);             // window text
    case 13: return palette.color(QPalette::Highlight);
    case 14: return palette.color(QPalette::HighlightedText);
    case 15: return palette.color(QPalette::Button);          // button face
    case 17: return palette.color(QPalette::Disabled, QPalette::Text);
    case 18: return palette.color(QPalette::ButtonText);
    case 24: return palette.color(QPalette::ToolTipBase);     // info background
    case 23: return palette.color(QPalette::ToolTipText);
    default: return palette.color(QPalette::Window);
    }
}
} // namespace

QColor toQColor(TColor color)
{
    if (color & clSystemColor)
        return systemColor(color & 0xFF);
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

TColor fromQColor(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return TColor(rgb.red()) | TColor(rgb.green()) << 8 | TColor(rgb.blue()) << 16;
}

TColor resolveColor(TColor color)
{
    return (color & clSystemColor) ? fromQColor(toQColor(color)) : color;
}

} // namespace velmo
