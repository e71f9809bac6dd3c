// Velmo speaks Japanese whatever the system's locale: its own texts, and the toolkit's
// standard dialogs (open and save, colour, font, print) with their sizes, dates and file
// types.
#pragma once

class QCoreApplication;

namespace velmo {

// Makes Japanese the default locale and the locale the toolkit takes for the system's.
// Call it before the application object is created: the toolkit reads the system's
// locale once, on first use. The environment is left as it was, so that the C library
// and the programs Velmo starts keep the user's locale.
void UseJapaneseLocale();

// Japanese for the few toolkit texts its own Japanese catalogue lacks (the file dialog's
// "Folder" and its kin), and file-dialog columns wide enough for the Japanese texts.
void InstallToolkitTextGaps(QCoreApplication &app);

} // namespace velmo
