#include "settings/colors.h"

#include <QGuiApplication>

namespace velmo {

QColor ResolveColor(TColor color, const QPalette &palette)
{
    const auto bits = std::uint32_t(color);
    if (!IsSystemColor(color))
        return QColor(int(bits & 0xFF), int((bits >> 8) & 0xFF), int((bits >> 16) & 0xFF));
    const auto role = [&palette](QPalette::ColorRole r) {
        return palette.color(QPalette::Active, r);
    };
    switch (bits & 0xFF) {
    case 0: return role(QPalette::Button);            // scroll bar
    case 1: return role(QPalette::Dark);              // desktop
    case 2: return role(QPalette::Highlight);         // active caption
    case 3: return role(QPalette::Mid);               // inactive caption
    case 4: return role(QPalette::Window);            // menu
    case 5: return role(QPalette::Base);              // window background
    case 6: return role(QPalette::Shadow);            // window frame
    case 7: return role(QPalette::WindowText);        // menu text
    case 8: return role(QPalette::Text);              // window text
    case 9: return role(QPalette::HighlightedText);   // caption text
    case 10: case 11: return role(QPalette::Window);  // borders
    case 12: return role(QPalette::Dark);             // application workspace
    case 13: return role(QPalette::Highlight);
    case 14: return role(QPalette::HighlightedText);
    case 15: return role(QPalette::Button);           // button face
    case 16: return role(QPalette::Dark);             // button shadow
    case 17: return palette.color(QPalette::Disabled, QPalette::Text); // grey text
    case 18: return role(QPalette::ButtonText);
    case 19: return role(QPalette::WindowText);       // inactive caption text
    case 20: return role(QPalette::Light);            // button highlight
    case 21: return role(QPalette::Shadow);           // 3-D dark shadow
    case 22: return role(QPalette::Midlight);         // 3-D light
    case 23: return role(QPalette::ToolTipText);
    case 24: return role(QPalette::ToolTipBase);
    case 26: return role(QPalette::Link);             // hot-tracked item
    default: return role(QPalette::Window);
    }
}

QColor ResolveColor(TColor color)
{
    return ResolveColor(color, QGuiApplication::palette());
}

TColor ColorFromQColor(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return TColor(rgb.red() | (rgb.green() << 8) | (rgb.blue() << 16));
}

} // namespace velmo
