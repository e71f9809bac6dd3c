// Display profiles and input-method styles on an editor control and back.
#include "app/displayprofile.h"

#include "editor/extmemo.h"

#include <gtest/gtest.h>

namespace velmo {
namespace {

// Everything a profile puts onto the editor comes back, apart from the word-wrap value,
// which reading leaves alone; a positive mark option reads back as 1.
TEST(DisplayProfileTest, ApplyThenReadGivesTheProfileBack)
{
    TDisplayProfile profile = TDisplayProfile::TextModeDefault();
    profile.Font.Name = QStringLiteral("DejaVu Sans");
    profile.Font.SetSize(14);
    profile.Font.Style = fsBold | fsUnderline;
    profile.Font.Color = clNavy;
    profile.Font.Pitch = fpVariable;
    profile.BackColor = clYellow;
    profile.CrLfColor = clRed;
    profile.CrLfOption = -1;
    profile.EotColor = clGreen;
    profile.EotOption = 1;
    profile.WordWrapMode = 2;

    TExtMemo editor;
    ApplyToEditor(profile, editor);
    EXPECT_TRUE(editor.WordWrap());
    const TTextAttributes typed = editor.DefAttributes();
    EXPECT_EQ(typed.Name, "DejaVu Sans");
    EXPECT_EQ(typed.Pitch, TRichPitch::fpVariable);
    EXPECT_EQ(typed.Style, fsBold | fsUnderline);

    TDisplayProfile back = TDisplayProfile::RichTextDefault();
    back.WordWrapMode = 0;
    ReadFromEditor(back, editor);
    profile.WordWrapMode = 0;
    EXPECT_EQ(back, profile);
}

// 0 hides a mark whatever its colour; a negative value draws it reversed.
TEST(DisplayProfileTest, MarkOptionsGiveEnabledAndReversed)
{
    struct Case {
        int option;
        bool enabled, reversed;
        int readBack;
    } cases[] = {{0, false, false, 0}, {2, true, false, 1}, {-1, true, true, -1}, {-5, true, true, -1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.option);
        TDisplayProfile profile = TDisplayProfile::RichTextDefault();
        profile.CrLfOption = c.option;
        profile.EotOption = c.option;
        TExtMemo editor;
        editor.EditMarks().CrLf.Enabled = !c.enabled;
        ApplyToEditor(profile, editor);
        for (const TEditMark *mark : {&editor.EditMarks().CrLf, &editor.EditMarks().Eot}) {
            EXPECT_EQ(mark->Enabled, c.enabled);
            EXPECT_EQ(mark->Reversed, c.reversed);
        }
        ReadFromEditor(profile, editor);
        EXPECT_EQ(profile.CrLfOption, c.readBack);
        EXPECT_EQ(profile.EotOption, c.readBack);
    }
}

// The text-mode font reaches the character attributes with the editor's pitch numbering.
TEST(DisplayProfileTest, AssignFontToAttributesTranslatesThePitch)
{
    TDisplayProfile profile = TDisplayProfile::TextModeDefault();
    TTextAttributes attributes;
    AssignFontTo(profile, attributes);
    EXPECT_EQ(attributes.Name, profile.Font.Name);
    EXPECT_EQ(attributes.Size, 10);
    EXPECT_EQ(attributes.Charset, 128);
    EXPECT_EQ(attributes.Pitch, TRichPitch::fpFixed);
    EXPECT_EQ(attributes.Color, clWindowText);
}

// State 2 sets both "watching" members; the others take states 1 and 3.
TEST(DisplayProfileTest, ImeStylesReachAllFourMembers)
{
    TImeStyleOptions styles;
    styles.Back2 = clRed;
    styles.Text3 = clGreen;
    TExtMemo editor;
    ApplyToEditor(styles, &editor);
    TImeColors &colors = editor.ImeColors();
    EXPECT_EQ(colors.Transfered.icBackground(), clWhite);
    EXPECT_EQ(colors.Transfered.icText(), clNavy);
    EXPECT_EQ(colors.Transfered.Style(), TFontStyles(fsUnderline));
    for (const TImeColor *state : {&colors.WatchingTransfered, &colors.WatchingUntransfered}) {
        EXPECT_EQ(state->icBackground(), clRed);
        EXPECT_EQ(state->icText(), clWhite);
        EXPECT_EQ(state->Style(), 0u);
    }
    EXPECT_EQ(colors.Untransfered.icText(), clGreen);
    EXPECT_EQ(colors.Untransfered.Style(), TFontStyles(fsUnderline));
    ApplyToEditor(styles, nullptr); // no editor: nothing happens
}

} // namespace
} // namespace velmo
