// Font substitutions for the Windows face names that documents and settings use.
#pragma once

namespace velmo {

// Registers the substitutions with Qt; call once after the application object exists.
void RegisterFaceSubstitutes();

} // namespace velmo
