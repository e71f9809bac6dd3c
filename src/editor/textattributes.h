// Value types the editor control exchanges with its callers: colours, font styles, the
// character and paragraph attributes of the selection, rectangles in client pixels.
#pragma once

#include <QColor>
#include <QString>
#include <cstdint>

class QPalette;

namespace velmo {

// 0x00BBGGRR; 0x80000000 + an index names a system colour.
using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clSystemColor = 0x80000000;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowText = clSystemColor | 8;

// Resolves system colours through the application palette.
QColor toQColor(TColor color);
TColor fromQColor(const QColor &color);
// A system colour becomes the plain colour it stands for; plain colours stay.
TColor resolveColor(TColor color);

// Font style bits, as the effect bits of the rich-edit interface.
using TFontStyles = unsigned;
constexpr TFontStyles fsBold = 1;
constexpr TFontStyles fsItalic = 2;
constexpr TFontStyles fsUnderline = 4;
constexpr TFontStyles fsStrikeOut = 8;

enum class TFontPitch { fpDefault = 0, fpFixed = 1, fpVariable = 2 };

// Character attributes of the selection or of text typed where no other format applies.
struct TTextAttributes {
    QString Name;
    int Size = 0;               // points
    TColor Color = clBlack;
    TFontStyles Style = 0;
    int Charset = 1;            // Windows character set (128 Shift-JIS)
    TFontPitch Pitch = TFontPitch::fpDefault;
    bool operator==(const TTextAttributes &) const = default;
};

// Which fields of a TTextAttributes a store applies.
enum TAttributeField : unsigned {
    afName = 1, afSize = 2, afColor = 4, afStyle = 8, afCharset = 16, afPitch = 32,
    afAll = 63
};

enum class TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };
enum class TNumberingStyle { nsNone = 0, nsBullet = 1 };

// Paragraph attributes in points: FirstIndent is where the first line starts, LeftIndent
// where the following lines start relative to it.
struct TParaAttributes {
    TAlignment Alignment = TAlignment::taLeftJustify;
    int FirstIndent = 0;
    int LeftIndent = 0;
    int RightIndent = 0;
    TNumberingStyle Numbering = TNumberingStyle::nsNone;
    bool operator==(const TParaAttributes &) const = default;
};

enum TParaField : unsigned {
    pfAlignment = 1, pfFirstIndent = 2, pfLeftIndent = 4, pfRightIndent = 8, pfNumbering = 16,
    pfAll = 31
};

// A rectangle as the platform gives it: right and bottom are one past the last pixel.
struct TRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const TRect &) const = default;
};

struct TPoint {
    int x = 0, y = 0;
    bool operator==(const TPoint &) const = default;
};

} // namespace velmo
