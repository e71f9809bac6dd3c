// Font substitutions for the Windows face names that documents and settings use.
#pragma once

#include <QStringList>

namespace velmo {

// Registers the substitutions with Qt; call once after the application object exists.
void RegisterFaceSubstitutes();
// The Windows face names that have a substitute, as documents write them (Qt itself keeps
// them in lower case).
QStringList SubstitutedFaceNames();

} // namespace velmo
