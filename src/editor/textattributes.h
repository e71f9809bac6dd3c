// Value types the editor control exchanges with its callers: colours, font styles, the
// character and paragraph attributes of the selection, rectangles in client pixels.
#pragma once

#include "settings/colors.h"

#include <QColor>
#include <QString>
#include <cstdint>

class QPalette;

namespace velmo {

// Colours and font styles are the ones the option records keep (0x00BBGGRR; 0x80000000 + an
// index names a system colour).
constexpr TColor clSystemColor = TColor(0x80000000u);

// Resolves system colours through the application palette.
QColor toQColor(TColor color);
TColor fromQColor(const QColor &color);
// A system colour becomes the plain colour it stands for; plain colours stay.
TColor resolveColor(TColor color);

// Pitch as the rich-edit interface numbers it (the option records number it otherwise).
enum class TRichPitch { fpDefault = 0, fpFixed = 1, fpVariable = 2 };

// Character attributes of the selection or of text typed where no other format applies.
struct TTextAttributes {
    QString Name;
    int Size = 0;               // points
    TColor Color = clBlack;
    TFontStyles Style = 0;
    int Charset = 1;            // Windows character set (128 Shift-JIS)
    TRichPitch Pitch = TRichPitch::fpDefault;
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
