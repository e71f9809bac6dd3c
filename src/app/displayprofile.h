// Display profiles and the input-method styles put onto an editor control, and read back
// from one. The records themselves live with the settings; this is their editor side.
#pragma once

#include "editor/textattributes.h"
#include "settings/teoption.h"

class QFont;

namespace velmo {

class TExtMemo;

// Font, default character format, word wrap, background and the two marks.
void ApplyToEditor(const TDisplayProfile &profile, TExtMemo &editor);
// Font, background and marks back into the profile; WordWrapMode stays as it is.
void ReadFromEditor(TDisplayProfile &profile, TExtMemo &editor);
// The profile's font into a font object, or into character attributes of the editor.
void AssignFontTo(const TDisplayProfile &profile, QFont &font);
void AssignFontTo(const TDisplayProfile &profile, TTextAttributes &attributes);
// The three composition states onto the editor's IME colours; nothing without an editor.
void ApplyToEditor(const TImeStyleOptions &styles, TExtMemo *editor);

// Pitch as the option records number it, and as the editor's character formats do.
TRichPitch RichPitchFromProfile(int pitch);
int ProfilePitchFromRich(TRichPitch pitch);

} // namespace velmo
