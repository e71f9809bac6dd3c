#include "app/displayprofile.h"

#include "editor/extmemo.h"

#include <QFont>

namespace velmo {

namespace {

void applyMark(TEditMark &mark, TColor color, int option)
{
    mark.Color = color;
    mark.Enabled = option != 0;
    mark.Reversed = option < 0;
}

int markOption(const TEditMark &mark)
{
    if (!mark.Enabled)
        return 0;
    return mark.Reversed ? -1 : 1;
}

void setImeColor(TImeColor &state, TColor back, TColor text, TFontStyles style)
{
    state.SetIcBackground(back);
    state.SetIcText(text);
    state.SetStyle(style);
}

} // namespace

TRichPitch RichPitchFromProfile(int pitch)
{
    switch (pitch & 0xFF) {
    case fpFixed:
        return TRichPitch::fpFixed;
    case fpVariable:
        return TRichPitch::fpVariable;
    default:
        return TRichPitch::fpDefault;
    }
}

int ProfilePitchFromRich(TRichPitch pitch)
{
    switch (pitch) {
    case TRichPitch::fpFixed:
        return fpFixed;
    case TRichPitch::fpVariable:
        return fpVariable;
    default:
        return fpDefault;
    }
}

void AssignFontTo(const TDisplayProfile &profile, QFont &font)
{
    font = profile.Font.ToQFont();
}

void AssignFontTo(const TDisplayProfile &profile, TTextAttributes &attributes)
{
    const TFont &f = profile.Font;
    attributes.Name = f.Name;
    attributes.Size = f.Size;
    attributes.Charset = f.Charset & 0xFF;
    attributes.Pitch = RichPitchFromProfile(f.Pitch);
    attributes.Color = f.Color;
    attributes.Style = f.Style;
}

void ApplyToEditor(const TDisplayProfile &profile, TExtMemo &editor)
{
    TTextAttributes attributes = editor.DefAttributes();
    AssignFontTo(profile, attributes);
    editor.SetDefAttributes(attributes);
    QFont font;
    AssignFontTo(profile, font);
    editor.SetFont(font);
    editor.SetWordWrap(profile.WordWrapMode != 0);
    editor.SetColor(profile.BackColor);
    TEditMarks &marks = editor.EditMarks();
    applyMark(marks.CrLf, profile.CrLfColor, profile.CrLfOption);
    applyMark(marks.Eot, profile.EotColor, profile.EotOption);
    editor.viewport()->update();
}

void ReadFromEditor(TDisplayProfile &profile, TExtMemo &editor)
{
    const QFont font = editor.Font();
    const TTextAttributes attributes = editor.DefAttributes();
    TFont &f = profile.Font;
    f.Name = font.family();
    // The editor keeps the pixel height the profile gave it; a size set in points stays one.
    if (font.pixelSize() > 0)
        f.SetHeight(-font.pixelSize());
    else if (font.pointSize() > 0)
        f.SetSize(font.pointSize());
    f.Charset = attributes.Charset;
    f.Pitch = ProfilePitchFromRich(attributes.Pitch);
    f.Color = attributes.Color;
    f.Style = (font.bold() ? fsBold : 0) | (font.italic() ? fsItalic : 0)
              | (font.underline() ? fsUnderline : 0) | (font.strikeOut() ? fsStrikeOut : 0);
    profile.BackColor = editor.Color();
    const TEditMarks &marks = editor.EditMarks();
    profile.CrLfColor = marks.CrLf.Color;
    profile.EotColor = marks.Eot.Color;
    profile.CrLfOption = markOption(marks.CrLf);
    profile.EotOption = markOption(marks.Eot);
}

void ApplyToEditor(const TImeStyleOptions &styles, TExtMemo *editor)
{
    if (!editor)
        return;
    TImeColors &colors = editor->ImeColors();
    setImeColor(colors.Transfered, styles.Back1, styles.Text1, styles.Style1);
    setImeColor(colors.WatchingTransfered, styles.Back2, styles.Text2, styles.Style2);
    setImeColor(colors.WatchingUntransfered, styles.Back2, styles.Text2, styles.Style2);
    setImeColor(colors.Untransfered, styles.Back3, styles.Text3, styles.Style3);
}

} // namespace velmo
