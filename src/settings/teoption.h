// The option records of an editor window and the sections of the settings file they
// mirror. The records are the truth for the running window; the file is read when
// settings are loaded and written when they are saved.
//
// The window's settings are loaded and saved in these orders (the window owns the
// records and drives the toolbars and its own placement):
//
//   LoadSettings(reload):
//     1. first = app.Load()              -- reads InitSave; first start = no [Velmo] Version
//        if (!app.InitSave) return first;   the window keeps what its records hold
//     2. options.Load()
//     3. ApplyOptions (on a reload keep the current editing mode, else take PlainText)
//     4. toolbar positions from [Toolbar] / [FormatsToolbar]
//     5. toolbar visibility from options.ShowToolBar
//     6. unless reload: placement.Load(); placement.SaveNextPlacement()
//     return first;
//
//   SaveSettings():
//     1. app.Save()                      -- the version stamp, whatever InitSave holds
//     2. if (!app.InitSave) return;
//     3. options.LastEditPos = caret position, negated when the editor is read-only
//     4. placement.Save()
//     5. toolbar positions into [Toolbar] / [FormatsToolbar]
//     6. options.Save()
//
// At start, when AutoOpen is on, options.TakeLastEditFile() hands over (and removes) the
// last edited file and caret position. A refused write throws ComponentError out of any
// Save; the keys written before it stay written and the rest of that save is skipped.
#pragma once

#include "platform/printers.h"
#include "platform/screen.h"
#include "settings/colors.h"
#include "settings/findsettings.h"
#include "settings/historylist.h"
#include "settings/pagesetup.h"
#include "settings/profilefile.h"
#include "settings/profilestorage.h"

#include <QFont>
#include <QObject>
#include <QString>

#include <cstdint>

namespace velmo {

enum TFontPitch : int { fpDefault = 0, fpVariable = 1, fpFixed = 2 };

// A font as the records keep it. Size (points) and Height (pixels; negative means the
// character height without leading) describe the same thing: setting one sets the other at
// the font's pixels per inch. The face name is kept exactly as written.
struct TFont {
    QString Name;
    std::int32_t Size = 10;
    std::int32_t Height = -13;
    std::int32_t Charset = 1;     // low 8 bits used
    std::int32_t Pitch = fpDefault; // low 8 bits used
    TColor Color = clWindowText;
    TFontStyles Style = 0;
    std::int32_t PixelsPerInch = 96;

    TFont() = default;
    TFont(QString name, int size, int charset, int pitch, int pixelsPerInch = 96);
    void SetSize(std::int32_t points);
    void SetHeight(std::int32_t pixels);
    // The Qt font to draw with (face substitutions are the application's business).
    QFont ToQFont() const;
    bool operator==(const TFont &) const = default;
};

class TDisplayProfile {
public:
    // Built from a template font (copied), with the defaults of the other fields.
    explicit TDisplayProfile(const TFont &font);
    // "ＭＳ Ｐ明朝" 10 pt, Shift-JIS, default pitch; and "ＭＳ ゴシック" 10 pt, fixed pitch.
    static TDisplayProfile RichTextDefault(int pixelsPerInch = 96);
    static TDisplayProfile TextModeDefault(int pixelsPerInch = 96);

    TFont Font;
    TColor BackColor = clWindow;
    TColor CrLfColor = clBlue;
    TColor EotColor = clSilver;
    std::int32_t CrLfOption = 0;   // 0 hidden, > 0 shown, < 0 shown reversed
    std::int32_t EotOption = 0;
    std::int32_t WordWrapMode = 1; // 0 none, 1 window edge, 2 printable width

    // Each key defaults to the current value. "Styles" (pitch digit, then bold, italic,
    // underline, strike-out digits) decides pitch and styles in the end; a Styles value
    // shorter than the current one, or holding anything but digits, is ignored.
    void LoadFrom(const TProfileFile &ini, const QString &section);
    void SaveTo(TProfileFile &ini, const QString &section) const;
    // The pitch in decimal, then one digit (1 on, 0 off) per style.
    QString StyleString() const;

    bool operator==(const TDisplayProfile &) const = default;
};

class TImeStyleOptions {
public:
    TColor Back1 = clWhite, Back2 = clNavy, Back3 = clWhite;
    TColor Text1 = clNavy, Text2 = clWhite, Text3 = clBlue;
    TFontStyles Style1 = fsUnderline, Style2 = 0, Style3 = fsUnderline;

    // Styles are three digits: bold, italic, underline. A style value shorter than three
    // digits or holding anything else is ignored.
    void LoadFrom(const TProfileFile &ini, const QString &section);
    void SaveTo(TProfileFile &ini, const QString &section) const;

    bool operator==(const TImeStyleOptions &) const = default;
};

// [Velmo]: the version stamp and the save-settings switch.
class TAppRecord {
public:
    static constexpr const char *kVersion = "2.66";
    static constexpr const char *kDate = "2002/04/15";
    static const QString &Copyright();

    explicit TAppRecord(QString fileName, ProfileStorage &storage = ProfileStorage::system());

    QString SectionName = QStringLiteral("Velmo");
    QString FileName;
    bool InitSave = true;

    // Reads InitSave (default 1); true on the first start, when [Velmo] has no Version key.
    bool Load(const QString &fileName = {});
    // Writes Copyright, Version and Date unless Version already reads exactly "2.66".
    void Save(const QString &fileName = {});

private:
    ProfileStorage *storage_;
};

// [Options] and the records kept with it: display profiles, page setup, history, IME styles.
class TGeneralOptions {
public:
    TGeneralOptions(QObject *owner, QString fileName, const Printers &printers,
                    const Screen &screen, ProfileStorage &storage = ProfileStorage::system());

    QObject *Owner;
    QString SectionName = QStringLiteral("Options");
    QString FileName;
    QString CurrentDir;            // the process's current folder at construction
    QString CurrentFile;           // saved as LastEditFile
    TDisplayProfile RichTextProfile;
    TDisplayProfile TextModeProfile;
    TPageSetup PageSetup;
    THistoryList History;
    TFindSettings FindSettings;    // not stored
    TImeStyleOptions ImeStyles;

    // The keys of [Options]; their defaults (set by the constructor), storage and dialog
    // ranges are in the table of settings/optionfields.h.
    bool PlainText;
    bool FileNameTitle;
    bool ShowToolBar;
    bool ShowRooler;
    std::int32_t ButtonSize;
    bool ShowFontName;
    bool ShowStatusBar;
    std::int32_t StatusBarFontSize;
    bool MakeBackup;
    bool AutoOpen;
    bool UseTrashBox;
    bool SaveDataDir;
    std::int32_t MaxHistoryItems;
    std::int32_t LastEditPos = 0;
    bool URLLink;

    // [Options] (each key defaulting to the current value, no range checks), the two
    // profiles, the margins, the history (cut to its capacity) and the IME styles.
    void Load(const QString &fileName = {});
    // [Options], [RichTextFonts], [TextModeFonts], LastEditFile/LastEditPos (deleted when
    // AutoOpen is off), [Printers], [History], [IMEFontStyles], in that order.
    void Save(const QString &fileName = {});
    // CurrentFile := LastEditFile, LastEditPos := LastEditPos (empty and 0 when absent),
    // then both keys are deleted. Nothing without an owner window or a settings path.
    void TakeLastEditFile();

private:
    QString resolve(const QString &fileName) const { return fileName.isEmpty() ? FileName : fileName; }
    ProfileStorage *storage_;
};

} // namespace velmo
