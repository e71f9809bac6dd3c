// Colour values as the settings file and the option records keep them, and font style sets.
#pragma once

#include <QColor>
#include <QPalette>

#include <cstdint>

namespace velmo {

// 0x00BBGGRR for a plain colour; 0x80000000 + index names a system colour, looked up in the
// desktop's palette when it is used. Signed, because the file holds it in signed decimal.
using TColor = std::int32_t;

constexpr TColor SystemColor(int index) { return TColor(0x80000000u + std::uint32_t(index)); }
constexpr bool IsSystemColor(TColor c) { return (std::uint32_t(c) & 0xFF000000u) == 0x80000000u; }

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clWindow = SystemColor(5);      // window background
constexpr TColor clWindowText = SystemColor(8);  // window text
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);

// The colour to paint with: a system colour is taken from the palette's active group;
// a plain colour from its low 24 bits.
QColor ResolveColor(TColor color, const QPalette &palette);
// The same against the application's palette.
QColor ResolveColor(TColor color);
// A plain colour value for an RGB colour (alpha dropped).
TColor ColorFromQColor(const QColor &color);

// Font styles, with the bit values the rich-edit control exchanges them in.
enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

} // namespace velmo
